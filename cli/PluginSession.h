// Drives the plug-in exactly as the host program does: version handshake, initialisation, menu
// enumeration, then SET SOURCE and COPY invoked with the host's selection record. Alerts the
// plug-in raises are captured instead of shown.
#pragma once

#include "host/Document.h"
#include "platform/StandIn.h"

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

/// The plug-in loaded by the stand-in host on `document` (made the current document): the
/// version handshake, initialisation and menu enumeration when it starts, termination when it
/// ends; SET SOURCE and COPY as the user chooses them, each on its selection. Alerts the plug-in
/// raises are kept. With a transcript, every step the host takes (handshake, menus and their
/// state, the commands) is told there.
class PluginSession {
public:
    explicit PluginSession(host::Document& document, std::ostream* transcript = nullptr);
    ~PluginSession();
    PluginSession(const PluginSession&) = delete;
    PluginSession& operator=(const PluginSession&) = delete;

    /// SET SOURCE on `source`; answers whether COPY is enabled after it.
    bool SetSource(const EREGION& source);
    /// COPY on `destination`; answers whether it succeeded (false while COPY is disabled).
    bool Copy(const EREGION& destination);
    /// What the plug-in showed, in order.
    const std::vector<PluginAlert>& Alerts() const { return alerts_; }

private:
    host::Document& document_;
    std::ostream* transcript_;
    std::vector<PluginAlert> alerts_;
    platform::AlertSink previousSink_;
    bool menus_ = false; // the plug-in offers both commands
};

/// Runs SET SOURCE on `source` and, when the plug-in accepts it, COPY on `destination`, both in
/// `document`, through the plug-in's six entry points (see PluginSession).
CopyOutcome RunRhythmCopy(host::Document& document, const EREGION& source,
                          const EREGION& destination, std::ostream* transcript = nullptr);

} // namespace cadentra_cli
