#include "finaleframework/music/FCCell.h"

#include "finaleframework/core/FCIteratorHandler.h"
#include "finaleframework/document/FCKeySignature.h"
#include "finaleframework/document/FCMeasure.h"
#include "finaleframework/music/FCMusicRegion.h"
#include "finalepdk/FinaleBinding.h"

#include <algorithm>

namespace {
constexpr twobyte LOADFLAG_READ = 1;
} // namespace

FCCell::~FCCell() {
    delete _keySignature;
    delete _cachedObject;
}

FCKeySignature* FCCell::GetKeySignature() {
    if (_keySignature) return _keySignature;
    FCMeasure measure;
    utwobyte key = 0;
    if (measure.Load(static_cast<utwobyte>(GetMeasure()))) key = measure.GetKeyValue();
    _keySignature = new FCKeySignature;
    _keySignature->SetKeyValue(key);
    return _keySignature;
}

int FCCell::CalcEntryDuration(int layer) {
    const int layers = FX_GetMaxLayers(FINALEPDK_VERSION);
    int longest = 0;
    for (int i = 0; i < layers; ++i) {
        const bool selected =
            layer == -1 ||
            (layer == 0 && FX_GetShowLayer(static_cast<twobyte>(i), FINALEPDK_VERSION) != 0) ||
            layer == i + 1;
        if (!selected) continue;
        EXTGF2005a* frame =
            FX_LoadTGF(0, FX_InstToSlot(GetStaff(), 0, FINALEPDK_VERSION), GetMeasure(),
                       static_cast<twobyte>(i), LOADFLAG_READ, FINALEPDK_VERSION);
        if (!frame) continue;
        longest = std::max(longest, static_cast<int>(FX_GetTGFDuration(frame, FINALEPDK_VERSION)));
        FX_FreeTGF(frame, FINALEPDK_VERSION);
    }
    return longest;
}

void FCCells::ApplyRegion(FCMusicRegion* region) {
    _FreeElements();
    _count = 0;
    if (!region) return;
    // Counted in int: a region reaching the highest 16-bit number must not wrap around.
    const int firstMeasure = region->IsEmpty() ? 0 : region->GetStartMeasure();
    const int lastMeasure = region->IsEmpty() ? 0 : region->GetEndMeasure();
    for (int measure = firstMeasure; measure <= lastMeasure; ++measure) {
        for (int slot = region->GetStartSlot(); slot <= region->GetEndSlot(); ++slot) {
            const twobyte staff = FX_SlotToInst(
                static_cast<twobyte>(slot), region->GetStartInstrumentList(), FINALEPDK_VERSION);
            Add(new FCCell(static_cast<twobyte>(measure), staff));
        }
    }
}

template <typename Match> int FCCells::_ForEachWhere(Match match, FCIteratorHandler* handler) {
    if (!handler) return 0;
    int answeredTrue = 0;
    for (int i = 0; i < GetCount(); ++i) {
        FCCell* cell = GetItemAt(i);
        if (!cell || !match(cell)) continue;
        if (!handler->Iterate(cell)) break;
        ++answeredTrue;
    }
    return answeredTrue;
}

int FCCells::ForEachAtMeasure(int measure, FCIteratorHandler* handler) {
    return _ForEachWhere([measure](FCCell* cell) { return cell->GetMeasure() == measure; },
                         handler);
}

int FCCells::ForEachAtStaff(int staff, FCIteratorHandler* handler) {
    return _ForEachWhere([staff](FCCell* cell) { return cell->GetStaff() == staff; }, handler);
}
