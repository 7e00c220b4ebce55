// Shared scaffolding of the fuzz targets: the stand-in host registered once per process, silent
// alerts, and a check that stops the run with a message when an invariant does not hold.
#pragma once

#include "host/Host.h"

#include <string>

namespace fuzz_support {

/// Registers the stand-in host (once per process) as "FINALE.EXE", replaces the message box by a
/// silent sink answering IDOK, resets the host and answers it.
host::Host& FreshHost();

/// The text of the last message box shown since FreshHost (empty when none).
const std::string& LastAlert();

/// Stops the run (abort, so that libFuzzer keeps the input) when `condition` is false.
void Require(bool condition, const char* what);

} // namespace fuzz_support

#define FUZZ_REQUIRE(condition) ::fuzz_support::Require((condition), #condition)
