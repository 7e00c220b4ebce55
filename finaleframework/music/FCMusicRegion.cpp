#include "finaleframework/music/FCMusicRegion.h"

#include "finaleframework/music/FCCell.h"
#include "finalepdk/FinaleBinding.h"
#include "finaleframework/music/FCNoteEntry.h"

namespace {

constexpr twobyte CLIP_COPY = 1;
constexpr twobyte CLIP_CUT = 2;
constexpr unsigned char PASTE_MODE = 1;

twobyte CurrentDocument() {
    return FX_GetCurrentEnigmaDocument(FINALEPDK_VERSION);
}

} // namespace

FCMusicRegion::FCMusicRegion(const EREGION* region) {
    if (region) SetEnigmaRegion(region);
}

void FCMusicRegion::SetEnigmaRegion(const EREGION* region) {
    if (!region) return;
    _region = *region;
    _document = CurrentDocument();
}

void FCMusicRegion::GetEnigmaRegion(EREGION* region) const {
    if (region) *region = _region;
}

bool FCMusicRegion::SetCurrentSelection() {
    unsigned char first[4] = {};
    EREGION selection{};
    EREGION whole{};
    const twobyte answer = FX_GetCurERegions(first, &selection, &whole, FINALEPDK_VERSION);
    _region = selection;
    _document = CurrentDocument();
    return answer != 0;
}

bool FCMusicRegion::SetFullDocument() {
    unsigned char first[4] = {};
    EREGION selection{};
    EREGION whole{};
    FX_GetCurERegions(first, &selection, &whole, FINALEPDK_VERSION);
    _region = whole;
    _document = CurrentDocument();
    return true;
}

bool FCMusicRegion::SetInDocument() {
    if (!IsCurrentDocument()) return false;
    EREGION region = _region;
    return FX_SetCurERegion(&region, FINALEPDK_VERSION) != 0;
}

void FCMusicRegion::ConvertToGlobalInstrumentList() {
    const twobyte startStaff =
        FX_SlotToInst(_region.startSlot, _region.startInstrumentList, FINALEPDK_VERSION);
    const twobyte endStaff =
        FX_SlotToInst(_region.endSlot, _region.endInstrumentList, FINALEPDK_VERSION);
    _region.startInstrumentList = 0;
    _region.endInstrumentList = 0;
    _region.startSlot = FX_InstToSlot(startStaff, 0, FINALEPDK_VERSION);
    _region.endSlot = FX_InstToSlot(endStaff, 0, FINALEPDK_VERSION);
}

bool FCMusicRegion::SetFullMeasureStack() {
    if (IsEmpty()) return false;
    const utwobyte list = _region.startInstrumentList;
    if (FX_SlotToInst(1, list, FINALEPDK_VERSION) <= 0) return false;
    twobyte last = 1;
    while (last < 0x7FFF &&
           FX_SlotToInst(static_cast<twobyte>(last + 1), list, FINALEPDK_VERSION) > 0)
        ++last;
    _region.startSlot = 1;
    _region.endSlot = last;
    return true;
}

bool FCMusicRegion::IsMeasureIncluded(twobyte measure) const {
    return _region.startMeasure <= measure && measure <= _region.endMeasure;
}

bool FCMusicRegion::IsStaffIncluded(twobyte staff) const {
    const twobyte slot = FX_InstToSlot(staff, _region.startInstrumentList, FINALEPDK_VERSION);
    return slot > 0 && _region.startSlot <= slot && slot <= _region.endSlot;
}

bool FCMusicRegion::IsEntryPosWithin(FCNoteEntry* entry) const {
    if (!entry) return false;
    const twobyte measure = entry->GetMeasure();
    return IsMeasureIncluded(measure) && IsStaffIncluded(entry->GetStaff()) &&
           _IsPosInsideBoundaries(measure, entry->GetElapsedDuration());
}

bool FCMusicRegion::_IsPosInsideBoundaries(int measure, fourbyte pos) const {
    if (measure == _region.startMeasure && pos < _region.startPos) return false;
    if (measure == _region.endMeasure && pos > _region.endPos) return false;
    return true;
}

bool FCMusicRegion::IsMeasurePosWithin(int measure, fourbyte pos) const {
    return _region.startMeasure <= measure && measure <= _region.endMeasure &&
           _IsPosInsideBoundaries(measure, pos);
}

bool FCMusicRegion::IsCellPosWithin(FCCell* cell, fourbyte pos) const {
    if (!cell) return false;
    const twobyte measure = cell->GetMeasure();
    return IsMeasureIncluded(measure) && IsStaffIncluded(cell->GetStaff()) &&
           _IsPosInsideBoundaries(measure, pos);
}

bool FCMusicRegion::IsPartial() const {
    return _region.startPos != 0 || _region.endPos != EREGION_END_OF_MEASURE;
}

bool FCMusicRegion::IsCurrentDocument() const {
    return _document == CurrentDocument();
}

bool FCMusicRegion::IsOverlapping(const FCMusicRegion* other) const {
    if (!other) return false;
    const EREGION& a = _region;
    const EREGION& b = other->_region;
    if (a.endMeasure < b.startMeasure) return false;
    if (a.startMeasure > b.endMeasure) return false;
    if (a.endMeasure == b.startMeasure && a.endPos < b.startPos) return false;
    if (a.startMeasure == b.endMeasure && a.startPos > b.endPos) return false;
    if (a.endSlot < a.startSlot) return false;
    for (int i = a.startSlot; i <= a.endSlot; ++i) {
        const twobyte staff =
            FX_SlotToInst(static_cast<twobyte>(i), a.startInstrumentList, FINALEPDK_VERSION);
        for (int j = b.startSlot; j <= b.endSlot; ++j) {
            if (staff ==
                FX_SlotToInst(static_cast<twobyte>(j), b.startInstrumentList, FINALEPDK_VERSION))
                return true;
        }
    }
    return false;
}

int FCMusicRegion::CalcDuration() const {
    if (IsEmpty()) return 0;
    int total = 0;
    for (int m = _region.startMeasure; m <= _region.endMeasure; ++m) {
        const fourbyte first = m == _region.startMeasure ? _region.startPos : 0;
        fourbyte last;
        if (m == _region.endMeasure && _region.endPos != EREGION_END_OF_MEASURE) {
            last = _region.endPos;
        } else {
            const twobyte staff = CalcStartStaff();
            last = FX_GetMeasureDuration(staff, static_cast<twobyte>(m), FINALEPDK_VERSION) - 1;
        }
        total += last - first + 1;
    }
    return total;
}

ECLIPREGION FCMusicRegion::_MakeClipRegion() const {
    ECLIPREGION clip{};
    clip.region = _region;
    clip.option1 = 1;
    clip.option2 = 1;
    return clip;
}

bool FCMusicRegion::_TakeClip(twobyte mode) {
    if (_cliptoken != 0 || IsEmpty()) return false;
    ECLIPREGION clip = _MakeClipRegion();
    _cliptoken = FX_CopyCutMusic(&clip, mode, FINALEPDK_VERSION);
    return _cliptoken != 0;
}

bool FCMusicRegion::CopyMusic() {
    return _TakeClip(CLIP_COPY);
}

bool FCMusicRegion::CutMusic() {
    return _TakeClip(CLIP_CUT);
}

bool FCMusicRegion::PasteMusic() {
    if (_cliptoken == 0 || IsEmpty()) return false;
    ECLIPREGION clip = _MakeClipRegion();
    return FX_InsertMergeMusic(_cliptoken, &clip, PASTE_MODE, FINALEPDK_VERSION) != 0;
}

bool FCMusicRegion::ReleaseMusic() {
    if (_cliptoken == 0) return false;
    const unsigned char answer = FX_DisposeFinClipFileToken(_cliptoken, FINALEPDK_VERSION);
    if (answer != 0) _cliptoken = 0;
    return answer != 0;
}

twobyte FCMusicRegion::CalcStartStaff() const {
    return FX_SlotToInst(_region.startSlot, _region.startInstrumentList, FINALEPDK_VERSION);
}

twobyte FCMusicRegion::CalcEndStaff() const {
    return FX_SlotToInst(_region.endSlot, _region.endInstrumentList, FINALEPDK_VERSION);
}
