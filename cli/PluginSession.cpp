#include "cli/PluginSession.h"

#include "host/Host.h"
#include "platform/StandIn.h"
#include "plugin/Cadentra.h"

#include <cstring>
#include <iomanip>

namespace cadentra_cli {

void RegisterStandInHost() {
    if (GetModuleHandleA("FINALE.EXE") == nullptr) host::Host::Instance().Register("FINALE.EXE");
}

namespace {

std::string DescribeRegion(const EREGION& region) {
    const std::string staves =
        region.startSlot == region.endSlot
            ? "staff " + std::to_string(region.startSlot)
            : "staves " + std::to_string(region.startSlot) + "-" + std::to_string(region.endSlot);
    const std::string measures = region.startMeasure == region.endMeasure
                                     ? "measure " + std::to_string(region.startMeasure)
                                     : "measures " + std::to_string(region.startMeasure) + "-" +
                                           std::to_string(region.endMeasure);
    return staves + ", " + measures;
}

} // namespace

PluginSession::PluginSession(host::Document& document, std::ostream* transcript)
    : document_(document), transcript_(transcript) {
    RegisterStandInHost();
    previousSink_ = platform::SetAlertSink([this](const platform::Alert& alert) {
        alerts_.push_back(PluginAlert{alert.caption, alert.text});
        if (transcript_)
            *transcript_ << "  Alert \"" << alert.caption << "\": " << alert.text << "\n";
        return IDOK;
    });
    host::Host::Instance().SetCurrent(document.number);

    const ufourbyte declared = FinaleExtensionVersion(STAND_IN_HOST_VERSION);
    ufourbyte flags = 0;
    FinaleExtensionInit(0, &flags);
    if (transcript_)
        *transcript_ << "Handshake: the plug-in declares framework version 0x" << std::hex
                     << std::uppercase << std::setw(8) << std::setfill('0') << declared << std::dec
                     << std::nouppercase << std::setfill(' ') << "; menu items:\n";
    bool haveSetSource = false;
    bool haveCopy = false;
    for (ufourbyte item = 0;; ++item) {
        FINEXTMENUITEM menu{};
        if (!FinaleExtensionEnumerate(0, item, &menu)) break;
        if (std::strcmp(menu.menutext, "ZQ Cadentra - SET SOURCE") == 0) haveSetSource = true;
        if (std::strcmp(menu.menutext, "ZQ Cadentra - COPY") == 0) haveCopy = true;
        if (transcript_)
            *transcript_ << "  " << item << ": \"" << menu.menutext << "\" - " << menu.description
                         << " (" << (FinaleExtensionGetMenuStatus(item) ? "enabled" : "disabled")
                         << ")\n";
    }
    menus_ = haveSetSource && haveCopy;
}

PluginSession::~PluginSession() {
    FinaleExtensionTerminate(0);
    platform::SetAlertSink(previousSink_);
}

bool PluginSession::SetSource(const EREGION& source) {
    if (!menus_ || !FinaleExtensionGetMenuStatus(CADENTRA_ITEM_SETSOURCE)) return false;
    document_.selection = source;
    EREGION selection = document_.selection;
    if (transcript_) *transcript_ << "SET SOURCE on " << DescribeRegion(source) << "\n";
    FinaleExtensionInvoke(0, CADENTRA_ITEM_SETSOURCE, &selection, 0);
    const bool copyEnabled = FinaleExtensionGetMenuStatus(CADENTRA_ITEM_COPY) != 0;
    if (transcript_)
        *transcript_ << "  COPY is now " << (copyEnabled ? "enabled" : "disabled") << "\n";
    return copyEnabled;
}

bool PluginSession::Copy(const EREGION& destination) {
    if (!menus_ || !FinaleExtensionGetMenuStatus(CADENTRA_ITEM_COPY)) return false;
    document_.selection = destination;
    EREGION selection = document_.selection;
    if (transcript_) *transcript_ << "COPY on " << DescribeRegion(destination) << "\n";
    const bool copied = FinaleExtensionInvoke(0, CADENTRA_ITEM_COPY, &selection, 0) == 1;
    if (transcript_) *transcript_ << "  COPY " << (copied ? "succeeded" : "failed") << "\n";
    return copied;
}

CopyOutcome RunRhythmCopy(host::Document& document, const EREGION& source,
                          const EREGION& destination, std::ostream* transcript) {
    CopyOutcome outcome;
    {
        PluginSession session(document, transcript);
        if (session.SetSource(source)) outcome.copied = session.Copy(destination);
        outcome.alerts = session.Alerts();
    }
    return outcome;
}

} // namespace cadentra_cli
