// The `cadentra` command line: `info` and `copy`, their options, help texts, reports and exit
// codes (0 done, 1 refused by the plug-in, 2 usage, file or format error, 3 nothing to copy).
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace cadentra_cli {

constexpr int EXIT_DONE = 0;
constexpr int EXIT_REFUSED = 1;
constexpr int EXIT_BAD_INPUT = 2;
/// COPY ran but no destination layer took the rhythm: nothing is written.
constexpr int EXIT_NOTHING_TO_COPY = 3;

/// The program's version, which is the plug-in's.
extern const char* const CADENTRA_VERSION_TEXT;

/// Runs one command line (arguments without the program name); what it reports goes to `out`,
/// errors to `err`. Answers the exit code.
int RunCommandLine(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err);

} // namespace cadentra_cli
