#include "cli/PluginSession.h"

#include "host/Host.h"
#include "platform/StandIn.h"
#include "plugin/Cadentra.h"

#include <cstring>

namespace cadentra_cli {

void RegisterStandInHost() {
    if (GetModuleHandleA("FINALE.EXE") == nullptr) host::Host::Instance().Register("FINALE.EXE");
}

CopyOutcome RunRhythmCopy(host::Document& document, const EREGION& source,
                          const EREGION& destination) {
    RegisterStandInHost();
    CopyOutcome outcome;
    platform::AlertSink previous = platform::SetAlertSink([&outcome](const platform::Alert& alert) {
        outcome.alerts.push_back(PluginAlert{alert.caption, alert.text});
        return IDOK;
    });
    host::Host::Instance().SetCurrent(document.number);

    FinaleExtensionVersion(STAND_IN_HOST_VERSION);
    ufourbyte flags = 0;
    FinaleExtensionInit(0, &flags);
    bool haveSetSource = false;
    bool haveCopy = false;
    for (ufourbyte item = 0;; ++item) {
        FINEXTMENUITEM menu{};
        if (!FinaleExtensionEnumerate(0, item, &menu)) break;
        if (std::strcmp(menu.menutext, "ZQ Cadentra - SET SOURCE") == 0) haveSetSource = true;
        if (std::strcmp(menu.menutext, "ZQ Cadentra - COPY") == 0) haveCopy = true;
    }
    if (haveSetSource && haveCopy && FinaleExtensionGetMenuStatus(CADENTRA_ITEM_SETSOURCE)) {
        document.selection = source;
        EREGION selection = document.selection;
        FinaleExtensionInvoke(0, CADENTRA_ITEM_SETSOURCE, &selection, 0);
        if (FinaleExtensionGetMenuStatus(CADENTRA_ITEM_COPY)) {
            document.selection = destination;
            selection = document.selection;
            outcome.copied = FinaleExtensionInvoke(0, CADENTRA_ITEM_COPY, &selection, 0) == 1;
        }
    }
    FinaleExtensionTerminate(0);
    platform::SetAlertSink(previous);
    return outcome;
}

} // namespace cadentra_cli
