// Host functions for documents, staves, measures, selections, layers, edits, alerts, fonts and
// the clipboard.
#include "host/EntryDetails.h"
#include "host/Host.h"
#include "host/HostFunctions.h"

#include <algorithm>
#include <cstring>

namespace host::fx {
namespace {

Host& TheHost() { return Host::Instance(); }
Document* Current() { return Host::Instance().Current(); }

/// Copies `text` into a caller's buffer of `capacity` bytes, always zero-terminated.
void CopyText(const std::string& text, char* buffer, size_t capacity) {
    if (!buffer || capacity == 0) return;
    const size_t length = std::min(text.size(), capacity - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = 0;
}

constexpr size_t PATH_CAPACITY = 260;
constexpr size_t FONTNAME_CAPACITY = 256;

} // namespace

// Documents ----------------------------------------------------------------------------------

int32_t WINAPI FX_GetCurrentEnigmaDocument(EVERSION version) {
    if (EnterCall("FX_GetCurrentEnigmaDocument", version)) return 0;
    Document* document = Current();
    return document ? document->number : 0;
}

int32_t WINAPI FX_SetCurrentEnigmaDocument(int32_t number, EVERSION version) {
    if (EnterCall("FX_SetCurrentEnigmaDocument", version, number)) return 0;
    return TheHost().SetCurrent(static_cast<twobyte>(number)) ? 1 : 0;
}

int32_t WINAPI FX_GetNextEnigmaDocument(int32_t number, EVERSION version) {
    if (EnterCall("FX_GetNextEnigmaDocument", version, number)) return 0;
    // Documents in the order they were opened; 0 asks for the first.
    const auto& documents = TheHost().Documents();
    bool takeNext = number == 0;
    for (const auto& document : documents) {
        if (takeNext) return document->number;
        if (document->number == number) takeNext = true;
    }
    return 0;
}

int32_t WINAPI FX_GetDocumentPath(int32_t number, char* buffer, EVERSION version) {
    if (EnterCall("FX_GetDocumentPath", version, number, buffer)) return 0;
    Document* document = TheHost().FindDocument(static_cast<twobyte>(number));
    if (!document) return 0;
    CopyText(document->path, buffer, PATH_CAPACITY);
    return 1;
}

// Staves and measures --------------------------------------------------------------------------

int32_t WINAPI FX_SlotToInst(int32_t slot, uint32_t list, EVERSION version) {
    if (EnterCall("FX_SlotToInst", version, slot, list)) return 0;
    Document* document = Current();
    return document ? document->SlotToStaff(static_cast<twobyte>(slot), static_cast<utwobyte>(list))
                    : 0;
}

int32_t WINAPI FX_InstToSlot(int32_t staff, uint32_t list, EVERSION version) {
    if (EnterCall("FX_InstToSlot", version, staff, list)) return 0;
    Document* document = Current();
    return document
               ? document->StaffToSlot(static_cast<twobyte>(staff), static_cast<utwobyte>(list))
               : 0;
}

fourbyte WINAPI FX_GetMeasureDuration(int32_t staff, int32_t measure, EVERSION version) {
    if (EnterCall("FX_GetMeasureDuration", version, staff, measure)) return 0;
    Document* document = Current();
    return document ? document->MeasureDuration(static_cast<twobyte>(measure)) : 0;
}

// Selections -----------------------------------------------------------------------------------

int32_t WINAPI FX_GetCurERegions(void* first, EREGION* selection, EREGION* whole,
                                 EVERSION version) {
    if (EnterCall("FX_GetCurERegions", version, first, selection, whole)) return 0;
    Document* document = Current();
    if (!document) return 0;
    if (first) std::memset(first, 0, 4);
    if (selection) *selection = document->selection;
    if (whole) *whole = document->WholeDocumentRegion();
    return 1;
}

fourbyte WINAPI FX_SetCurERegion(EREGION* region, EVERSION version) {
    if (EnterCall("FX_SetCurERegion", version, region)) return 0;
    Document* document = Current();
    if (!document || !region) return 0;
    document->selection = *region;
    return 1;
}

// Layers ---------------------------------------------------------------------------------------

int32_t WINAPI FX_GetMaxLayers(EVERSION version) {
    if (EnterCall("FX_GetMaxLayers", version)) return 0;
    Document* document = Current();
    return document ? document->maxLayers : 4;
}

int32_t WINAPI FX_GetShowLayer(int32_t layer, EVERSION version) {
    if (EnterCall("FX_GetShowLayer", version, layer)) return 0;
    Document* document = Current();
    if (!document || layer < 0 || layer >= static_cast<int32_t>(document->layerShown.size()))
        return 0;
    return document->layerShown[static_cast<size_t>(layer)] ? 1 : 0;
}

// Undoable edits -------------------------------------------------------------------------------

int32_t WINAPI FX_StartFinaleEdit(const char* name, EVERSION version) {
    if (EnterCall("FX_StartFinaleEdit", version, name)) return 0;
    if (!Current()) return 0;
    TheHost().StartEdit(name ? name : "");
    return 1;
}

int32_t WINAPI FX_EndFinaleEdit(EVERSION version) {
    if (EnterCall("FX_EndFinaleEdit", version)) return 0;
    return TheHost().EndEdit() ? 1 : 0;
}

void WINAPI FX_CancelFinaleEdit(EVERSION version) {
    if (EnterCall("FX_CancelFinaleEdit", version)) return;
    TheHost().CancelEdit();
}

// Alerts and fonts -----------------------------------------------------------------------------

int32_t WINAPI FX_AlertMessage(ufourbyte a, ufourbyte b, ufourbyte c, const char* text,
                               EVERSION version) {
    if (EnterCall("FX_AlertMessage", version, a, b, c, text)) return 0;
    TheHost().AlertLog().push_back(text ? text : "");
    return 1;
}

int32_t WINAPI FX_FontNameToNum(const char* name, EVERSION version) {
    if (EnterCall("FX_FontNameToNum", version, name)) return 0;
    if (!name) return 0;
    return TheHost().FontNumber(name);
}

int32_t WINAPI FX_FontNumToName(int32_t number, char* buffer, EVERSION version) {
    if (EnterCall("FX_FontNumToName", version, number, buffer)) return 0;
    auto name = TheHost().FontName(static_cast<twobyte>(number));
    if (!name) return 0;
    CopyText(*name, buffer, FONTNAME_CAPACITY);
    return 1;
}

// Clipboard ------------------------------------------------------------------------------------

namespace {

constexpr int32_t CLIP_MODE_CUT = 2;

/// The staves (by number) of a region's slots, in slot order; empty when a slot holds no staff.
std::vector<twobyte> StavesOfRegion(const Document& document, const EREGION& region) {
    std::vector<twobyte> staves;
    for (int slot = region.startSlot; slot <= region.endSlot; ++slot) {
        const twobyte staff =
            document.SlotToStaff(static_cast<twobyte>(slot), region.startInstrumentList);
        if (staff <= 0) return {};
        staves.push_back(staff);
    }
    return staves;
}

bool IsWholeRegion(const EREGION& region) {
    return region.startMeasure >= 1 && region.endMeasure >= region.startMeasure &&
           region.startSlot >= 1 && region.endSlot >= region.startSlot;
}

} // namespace

ufourbyte WINAPI FX_CopyCutMusic(ECLIPREGION* clipRegion, int32_t mode, EVERSION version) {
    if (EnterCall("FX_CopyCutMusic", version, clipRegion, mode)) return 0;
    Document* document = Current();
    if (!document || !clipRegion || !IsWholeRegion(clipRegion->region)) return 0;
    const EREGION& region = clipRegion->region;
    const std::vector<twobyte> staves = StavesOfRegion(*document, region);
    if (staves.empty()) return 0;

    Clip clip;
    clip.staffCount = static_cast<int>(staves.size());
    clip.measureCount = region.endMeasure - region.startMeasure + 1;
    for (size_t s = 0; s < staves.size(); ++s) {
        for (auto it = document->frames.begin(); it != document->frames.end();) {
            const FrameKey& key = it->first;
            if (key.staff != staves[s] || key.measure < region.startMeasure ||
                key.measure > region.endMeasure) {
                ++it;
                continue;
            }
            FrameKey offset{static_cast<twobyte>(s),
                            static_cast<twobyte>(key.measure - region.startMeasure), key.layer};
            for (const EXENTRY& entry : it->second)
                for (auto& detail : DetailsOfEntry(*document, entry.entryNumber))
                    clip.details.insert(detail);
            clip.frames[offset] = it->second;
            if (mode == CLIP_MODE_CUT) {
                for (const EXENTRY& entry : it->second)
                    EraseDetailsOfEntry(*document, entry.entryNumber);
                it = document->frames.erase(it);
            } else {
                ++it;
            }
        }
    }
    return TheHost().AddClip(std::move(clip));
}

uint32_t WINAPI FX_InsertMergeMusic(ufourbyte token, ECLIPREGION* target, uint32_t mode,
                                    EVERSION version) {
    if (EnterCall("FX_InsertMergeMusic", version, token, target, mode)) return 0;
    Document* document = Current();
    const Clip* clip = TheHost().FindClip(token);
    if (!document || !clip || !target || target->region.startSlot < 1 ||
        target->region.startMeasure < 1)
        return 0;

    // The clip lands with its top left at the target's first slot and measure; it must fit.
    std::vector<twobyte> staves;
    for (int s = 0; s < clip->staffCount; ++s) {
        const twobyte staff = document->SlotToStaff(
            static_cast<twobyte>(target->region.startSlot + s), target->region.startInstrumentList);
        if (staff <= 0) return 0;
        staves.push_back(staff);
    }
    const int lastMeasure = target->region.startMeasure + clip->measureCount - 1;
    if (lastMeasure > static_cast<int>(document->measures.size())) return 0;

    // Replace the music of every layer of the covered cells, details included.
    for (twobyte staff : staves) {
        for (auto it = document->frames.begin(); it != document->frames.end();) {
            if (it->first.staff == staff && it->first.measure >= target->region.startMeasure &&
                it->first.measure <= lastMeasure) {
                for (const EXENTRY& entry : it->second)
                    EraseDetailsOfEntry(*document, entry.entryNumber);
                it = document->frames.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const auto& [offset, entries] : clip->frames) {
        FrameKey key{staves[static_cast<size_t>(offset.staff)],
                     static_cast<twobyte>(target->region.startMeasure + offset.measure),
                     offset.layer};
        std::vector<EXENTRY> pasted = entries;
        for (EXENTRY& entry : pasted) {
            const fourbyte oldNumber = entry.entryNumber;
            entry.entryNumber = document->nextEntryNumber++;
            for (const auto& [detailKey, bytes] : clip->details) {
                if (EntryNumberOfKey(detailKey.key) != oldNumber) continue;
                RecordKey newKey = detailKey;
                SetEntryNumberOfKey(newKey.key, entry.entryNumber);
                document->records[newKey] = bytes;
            }
        }
        document->frames[key] = std::move(pasted);
    }
    return 1;
}

uint32_t WINAPI FX_DisposeFinClipFileToken(ufourbyte token, EVERSION version) {
    if (EnterCall("FX_DisposeFinClipFileToken", version, token)) return 0;
    return TheHost().DisposeClip(token) ? 1 : 0;
}

// Dialog controls ------------------------------------------------------------------------------

namespace {
/// The host's own dialog controls are numbered apart from the platform's, so a caller can tell
/// which answered.
constexpr uintptr_t HOST_CONTROL_BASE = 0x40000;
} // namespace

HWND WINAPI FX_GetDlgCntl(HWND dialog, fourbyte item, EVERSION version) {
    if (EnterCall("FX_GetDlgCntl", version, dialog, item)) return nullptr;
    return reinterpret_cast<HWND>(HOST_CONTROL_BASE + static_cast<uintptr_t>(item));
}

fourbyte WINAPI FX_ShowHideDlgItem(HWND dialog, fourbyte item, int32_t show, EVERSION version) {
    if (EnterCall("FX_ShowHideDlgItem", version, dialog, item, show)) return 0;
    return 1;
}

} // namespace host::fx
