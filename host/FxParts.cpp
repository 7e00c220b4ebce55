// Host functions of linked parts.
#include "host/Host.h"
#include "host/HostFunctions.h"

namespace host::fx {
namespace {

const Part* FindPart(const Document& document, twobyte id) {
    for (const Part& part : document.parts)
        if (part.id == id) return &part;
    return nullptr;
}

} // namespace

int32_t WINAPI FX_GetCurrentPartID(EVERSION version) {
    if (EnterCall("FX_GetCurrentPartID", version)) return -1;
    Document* document = Host::Instance().Current();
    return document ? document->currentPart : -1;
}

fourbyte WINAPI FX_SetCurrentPartID(int32_t id, EVERSION version) {
    if (EnterCall("FX_SetCurrentPartID", version, id)) return 0;
    Document* document = Host::Instance().Current();
    if (!document || !FindPart(*document, static_cast<twobyte>(id))) return 0;
    document->currentPart = static_cast<twobyte>(id);
    return 1;
}

int32_t WINAPI FX_GetNextPartID(int32_t id, EVERSION version) {
    if (EnterCall("FX_GetNextPartID", version, id)) return -1;
    Document* document = Host::Instance().Current();
    if (!document) return -1;
    for (size_t i = 0; i + 1 < document->parts.size(); ++i)
        if (document->parts[i].id == id) return document->parts[i + 1].id;
    return -1;
}

const char* WINAPI FX_GetPartName(int32_t id, EVERSION version) {
    // The host hands out its own text, valid while the part exists.
    if (EnterCall("FX_GetPartName", version, id)) return "";
    Document* document = Host::Instance().Current();
    const Part* part = document ? FindPart(*document, static_cast<twobyte>(id)) : nullptr;
    return part ? part->name.c_str() : "";
}

} // namespace host::fx
