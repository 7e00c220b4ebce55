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
    const std::string staves = region.startSlot == region.endSlot
                                   ? "staff " + std::to_string(region.startSlot)
                                   : "staves " + std::to_string(region.startSlot) + "-" +
                                         std::to_string(region.endSlot);
    const std::string measures = region.startMeasure == region.endMeasure
                                     ? "measure " + std::to_string(region.startMeasure)
                                     : "measures " + std::to_string(region.startMeasure) + "-" +
                                           std::to_string(region.endMeasure);
    return staves + ", " + measures;
}

} // namespace

CopyOutcome RunRhythmCopy(host::Document& document, const EREGION& source,
                          const EREGION& destination, std::ostream* transcript) {
    RegisterStandInHost();
    CopyOutcome outcome;
    platform::AlertSink previous = platform::SetAlertSink([&](const platform::Alert& alert) {
        outcome.alerts.push_back(PluginAlert{alert.caption, alert.text});
        if (transcript) *transcript << "  Alert \"" << alert.caption << "\": " << alert.text << "\n";
        return IDOK;
    });
    host::Host::Instance().SetCurrent(document.number);

    const ufourbyte declared = FinaleExtensionVersion(STAND_IN_HOST_VERSION);
    ufourbyte flags = 0;
    FinaleExtensionInit(0, &flags);
    if (transcript)
        *transcript << "Handshake: the plug-in declares framework version 0x" << std::hex
                    << std::uppercase << std::setw(8) << std::setfill('0') << declared
                    << std::dec << std::nouppercase << std::setfill(' ') << "; menu items:\n";
    bool haveSetSource = false;
    bool haveCopy = false;
    for (ufourbyte item = 0;; ++item) {
        FINEXTMENUITEM menu{};
        if (!FinaleExtensionEnumerate(0, item, &menu)) break;
        if (std::strcmp(menu.menutext, "ZQ Cadentra - SET SOURCE") == 0) haveSetSource = true;
        if (std::strcmp(menu.menutext, "ZQ Cadentra - COPY") == 0) haveCopy = true;
        if (transcript)
            *transcript << "  " << item << ": \"" << menu.menutext << "\" - " << menu.description
                        << " (" << (FinaleExtensionGetMenuStatus(item) ? "enabled" : "disabled")
                        << ")\n";
    }
    if (haveSetSource && haveCopy && FinaleExtensionGetMenuStatus(CADENTRA_ITEM_SETSOURCE)) {
        document.selection = source;
        EREGION selection = document.selection;
        if (transcript) *transcript << "SET SOURCE on " << DescribeRegion(source) << "\n";
        FinaleExtensionInvoke(0, CADENTRA_ITEM_SETSOURCE, &selection, 0);
        const bool copyEnabled = FinaleExtensionGetMenuStatus(CADENTRA_ITEM_COPY) != 0;
        if (transcript)
            *transcript << "  COPY is now " << (copyEnabled ? "enabled" : "disabled") << "\n";
        if (copyEnabled) {
            document.selection = destination;
            selection = document.selection;
            if (transcript) *transcript << "COPY on " << DescribeRegion(destination) << "\n";
            outcome.copied = FinaleExtensionInvoke(0, CADENTRA_ITEM_COPY, &selection, 0) == 1;
            if (transcript)
                *transcript << "  COPY " << (outcome.copied ? "succeeded" : "failed") << "\n";
        }
    }
    FinaleExtensionTerminate(0);
    platform::SetAlertSink(previous);
    return outcome;
}

} // namespace cadentra_cli
