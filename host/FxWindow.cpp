// Host functions of the document window: menu commands, redraws, window information, scrolling.
#include "host/Host.h"
#include "host/HostFunctions.h"

#include <cstring>

namespace host::fx {

int32_t WINAPI FX_ExecuteMenuItem(ufourbyte command, EVERSION version) {
    if (EnterCall("FX_ExecuteMenuItem", version, command)) return 0;
    Host::Instance().MenuCommandsRun().push_back(command);
    return 1;
}

fourbyte WINAPI FX_RedrawMusic(EREGION* region, EVERSION version) {
    if (EnterCall("FX_RedrawMusic", version, region)) return 0;
    Document* document = Host::Instance().Current();
    if (!document || !region) return 0;
    document->redraws.push_back(*region);
    return 1;
}

int32_t WINAPI FX_GetCurrentWindowInfo(EWINDOWINFO* info, EVERSION version) {
    if (EnterCall("FX_GetCurrentWindowInfo", version, info)) return 0;
    Document* document = Host::Instance().Current();
    if (!document || !info || !document->window.open) return 0;
    info->documentwindow = document->window.handle;
    info->pageview = document->window.pageView ? 1 : 0;
    info->zoomlevel = document->window.zoomLevel;
    info->currentpage = document->window.currentPage;
    return 1;
}

fourbyte WINAPI FX_ScrollTo(int32_t measure, int32_t staff, EVERSION version) {
    if (EnterCall("FX_ScrollTo", version, measure, staff)) return 0;
    Document* document = Host::Instance().Current();
    if (!document || !document->window.open) return 0;
    if (measure < 1 || measure > static_cast<int32_t>(document->measures.size())) return 0;
    if (!document->FindStaff(static_cast<twobyte>(staff))) return 0;
    document->window.scrolledMeasure = static_cast<twobyte>(measure);
    document->window.scrolledStaff = static_cast<twobyte>(staff);
    return 1;
}

} // namespace host::fx
