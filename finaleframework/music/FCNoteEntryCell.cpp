#include "finaleframework/music/FCNoteEntryCell.h"

#include "finaleframework/music/FCMusicRegion.h"
#include "finalepdk/FinaleBinding.h"

#include <cstdint>
#include <cstdlib>

namespace {

constexpr twobyte LOADFLAG_READ = 1;
/// Entries further than this from the position sought are not near it.
constexpr int64_t CLOSEST_RANGE = 20000;
/// The mask modes name the first four layer indexes only.
constexpr int MASKED_LAYERS = 4;

} // namespace

FCNoteEntryCell::~FCNoteEntryCell() {
    _ReleaseLoaded();
    delete[] _layerFrames;
}

bool FCNoteEntryCell::IsLayerSelected(int layer) const {
    switch (_layerMode) {
    case LAYERMODE_SHOWN:
        return FX_GetShowLayer(static_cast<twobyte>(layer), FINALEPDK_VERSION) != 0;
    case LAYERMODE_ALL:
        return true;
    case LAYERMODE_HIDDEN:
        return FX_GetShowLayer(static_cast<twobyte>(layer), FINALEPDK_VERSION) == 0;
    case LAYERMODE_NONE:
        return false;
    case 1:
    case 2:
    case 3:
    case 4:
        return layer == _layerMode - 1;
    default:
        return layer >= 0 && layer < MASKED_LAYERS && (_layerMode & (0x100 << layer)) != 0;
    }
}

EXTGF2005a* FCNoteEntryCell::_GetLayerFrame(int layer) const {
    if (!_layerFrames || layer < 0 || layer >= _layerCount) return nullptr;
    return _layerFrames[layer];
}

void FCNoteEntryCell::_ReleaseLoaded() {
    _FreeElements();
    _count = 0;
    for (int i = 0; i < _layerCount; ++i) {
        if (_layerFrames[i]) FX_FreeTGF(_layerFrames[i], FINALEPDK_VERSION);
        _layerFrames[i] = nullptr;
    }
}

bool FCNoteEntryCell::Load() {
    _ReleaseLoaded();
    const int layers = FX_GetMaxLayers(FINALEPDK_VERSION);
    if (layers != _layerCount) {
        delete[] _layerFrames;
        _layerCount = layers > 0 ? layers : 0;
        _layerFrames =
            _layerCount > 0 ? new EXTGF2005a*[static_cast<size_t>(_layerCount)]() : nullptr;
    }
    const twobyte slot = FX_InstToSlot(GetStaff(), 0, FINALEPDK_VERSION);
    for (int i = 0; i < _layerCount; ++i) {
        if (!IsLayerSelected(i)) continue;
        _layerFrames[i] = FX_LoadTGF(0, slot, GetMeasure(), static_cast<twobyte>(i), LOADFLAG_READ,
                                     FINALEPDK_VERSION);
        if (!_layerFrames[i]) {
            _ReleaseLoaded();
            return false;
        }
    }
    _SetupEntries();
    return true;
}

void FCNoteEntryCell::_SetupEntries() {
    for (int i = 0; i < _layerCount; ++i) {
        EXTGF2005a* frame = _layerFrames[i];
        if (!frame || !frame->entries) continue;
        _AppendFrameEntries(frame, nullptr);
    }
}

bool FCNoteEntryCell::Save() {
    bool result = true;
    for (int i = 0; i < _layerCount; ++i) {
        if (!_layerFrames[i]) continue;
        if (FX_SaveTGF(_layerFrames[i], FINALEPDK_VERSION) == 0) result = false;
    }
    return result;
}

void FCNoteEntryCell::DeleteAllNullEntries() {
    // Deleting a record may move the frame's record array, so the entries are let go first and
    // the records are scanned in the frames themselves.
    _FreeElements();
    _count = 0;
    for (int i = 0; i < _layerCount; ++i) {
        EXTGF2005a* frame = _layerFrames[i];
        if (!frame) continue;
        for (int j = 0; frame->entries && j < frame->entryCount;) {
            if (frame->entries[j].duration != 0) {
                ++j;
                continue;
            }
            const twobyte before = frame->entryCount;
            FX_DeleteEXENTRY(frame, static_cast<twobyte>(j), 1, FINALEPDK_VERSION);
            // A record the host would not delete is passed over rather than tried again.
            if (frame->entryCount >= before) ++j;
        }
    }
    _SetupEntries();
}

FCNoteEntry* FCNoteEntryCell::FindClosestPos(fourbyte position) {
    FCNoteEntry* closest = nullptr;
    int64_t closestDistance = CLOSEST_RANGE;
    for (int i = 0; i < GetCount(); ++i) {
        FCNoteEntry* entry = GetItemAt(i);
        if (!entry) continue;
        const int64_t distance =
            std::llabs(static_cast<int64_t>(entry->GetElapsedDuration()) - position);
        if (distance < closestDistance) {
            closestDistance = distance;
            closest = entry;
        }
    }
    return closest;
}

FCNoteEntry* FCNoteEntryCell::GetRegionItemAt(int index, FCMusicRegion* region) {
    FCNoteEntry* entry = GetItemAt(index);
    if (!entry || !region) return nullptr;
    const int startMeasure = region->IsEmpty() ? 0 : region->GetStartMeasure();
    const int endMeasure = region->IsEmpty() ? 0 : region->GetEndMeasure();
    const fourbyte position = entry->GetElapsedDuration();
    if (GetMeasure() == startMeasure && position < region->GetStartMeasurePos()) return nullptr;
    if (GetMeasure() == endMeasure && position > region->GetEndMeasurePos()) return nullptr;
    return entry;
}
