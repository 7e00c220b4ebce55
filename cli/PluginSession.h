// Drives the plug-in exactly as the host program does: version handshake, initialisation, menu
// enumeration, then SET SOURCE and COPY invoked with the host's selection record. Alerts the
// plug-in raises are captured instead of shown.
#pragma once

#include "host/Document.h"

#include <ostream>
#include <string>
#include <vector>

namespace cadentra_cli {

/// The version the stand-in host announces at the handshake.
constexpr ufourbyte STAND_IN_HOST_VERSION = 0x1B200000;

struct PluginAlert {
    std::string caption;
    std::string text;
};

struct CopyOutcome {
    bool copied = false;             // COPY answered success
    std::vector<PluginAlert> alerts; // what the plug-in showed, in order
};

/// Registers the stand-in host as the host module of this process (once).
void RegisterStandInHost();

/// Runs SET SOURCE on `source` and, when the plug-in accepts it, COPY on `destination`, both in
/// the current host document, through the plug-in's six entry points. With a transcript, every
/// step the host takes (handshake, menus and their state, the two commands) is told there.
CopyOutcome RunRhythmCopy(host::Document& document, const EREGION& source,
                          const EREGION& destination, std::ostream* transcript = nullptr);

} // namespace cadentra_cli
