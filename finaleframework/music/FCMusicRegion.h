// The framework's selection: a rectangle of staves by measures in one document.
#pragma once

#include "finaleframework/core/FCBase.h"
#include "finalepdk/WireRecords.h"

class FCCell;
class FCIteratorHandler;
class FCNoteEntry;

/// Staff slots by measures, optionally cut at positions inside the first and last measure, in the
/// host document that was current when the region was set. Wraps the host's EREGION, answers
/// containment questions, measures its length and drives the host clipboard (at most one clip
/// token at a time).
class FCMusicRegion : public __FCBase {
public:
    /// With a record: the region of that record in the current document. With null: an empty
    /// region (measures 0 to 0), which also counts as partial.
    explicit FCMusicRegion(const EREGION* region = nullptr);

    const char* ClassName() override { return "FCMusicRegion"; }

    /// Takes all eight fields of the host record and the current document; nothing changes for
    /// no record.
    void SetEnigmaRegion(const EREGION* region);
    /// Copies the eight fields into the caller's record; nothing for no record.
    void GetEnigmaRegion(EREGION* region) const;
    /// The host's current selection; true when the host answered.
    bool SetCurrentSelection();
    /// The region spanning the whole document; always true.
    bool SetFullDocument();
    /// Makes this region the host's selection; false (without asking) for another document.
    bool SetInDocument();
    /// Re-expresses both slots in the global instrument list.
    void ConvertToGlobalInstrumentList();
    /// Widens the region to every staff of its instrument list; false for an empty region or a
    /// list without a staff at slot 1.
    bool SetFullMeasureStack();

    bool IsMeasureIncluded(twobyte measure) const;
    bool IsStaffIncluded(twobyte staff) const;
    /// Both position boundaries are inclusive.
    bool IsMeasurePosWithin(int measure, fourbyte pos) const;
    /// The cell's measure and staff are included and `pos` passes both boundary tests of the
    /// cell's measure; false for no cell.
    bool IsCellPosWithin(FCCell* cell, fourbyte pos) const;
    bool IsPartial() const;
    bool IsCurrentDocument() const;
    /// The two regions share a position of one staff; false for no other region.
    bool IsOverlapping(const FCMusicRegion* other) const;
    /// The entry's measure and staff are included and its position in the measure passes both
    /// boundary tests; false for no entry.
    bool IsEntryPosWithin(FCNoteEntry* entry) const;
    /// An empty region is one whose first and last measures are both 0.
    bool IsEmpty() const { return _region.startMeasure == 0 && _region.endMeasure == 0; }

    /// Length in duration units; 0 for an empty region.
    int CalcDuration() const;

    /// True when the region ends at the last measure of the document: the measure record of
    /// `endMeasure` loads and that of the measure after it does not.
    bool IsLastEndMeasure() const;
    /// True when the region covers every measure of the document, whole measures: not partial,
    /// not empty, from measure 1 to the last measure. The staves are not considered.
    bool IsFullDocumentWidth() const;
    /// Hands a freshly loaded FCStaff for each slot of the region, in slot order (staves by the
    /// start instrument list), to the handler's Iterate until it answers false. A staff whose
    /// record does not load is handed over all the same (not loaded). Answers the number of calls,
    /// the stopping one included; 0 for a null handler.
    int ForEachStaff(FCIteratorHandler* handler) const;

    /// Clipboard. CopyMusic and CutMusic take a clip token (false when one is already held or the
    /// region is empty); PasteMusic inserts the held clip here; ReleaseMusic gives it back.
    bool CopyMusic();
    bool CutMusic();
    bool PasteMusic();
    bool ReleaseMusic();
    ufourbyte GetClipToken() const { return _cliptoken; }

    // Field access.
    utwobyte GetStartInstrumentList() const { return _region.startInstrumentList; }
    utwobyte GetEndInstrumentList() const { return _region.endInstrumentList; }
    twobyte GetStartSlot() const { return _region.startSlot; }
    twobyte GetEndSlot() const { return _region.endSlot; }
    twobyte GetStartMeasure() const { return _region.startMeasure; }
    twobyte GetEndMeasure() const { return _region.endMeasure; }
    fourbyte GetStartMeasurePos() const { return _region.startPos; }
    fourbyte GetEndMeasurePos() const { return _region.endPos; }
    twobyte GetDocumentID() const { return _document; }
    void SetStartSlot(twobyte slot) { _region.startSlot = slot; }
    void SetEndSlot(twobyte slot) { _region.endSlot = slot; }
    void SetStartMeasure(twobyte measure) { _region.startMeasure = measure; }
    void SetEndMeasure(twobyte measure) { _region.endMeasure = measure; }
    void SetStartMeasurePos(fourbyte pos) { _region.startPos = pos; }
    void SetEndMeasurePos(fourbyte pos) { _region.endPos = pos; }
    void SetStartInstrumentList(utwobyte list) { _region.startInstrumentList = list; }
    void SetEndInstrumentList(utwobyte list) { _region.endInstrumentList = list; }

    /// The staff number at the region's first and last slot (0 or less when there is none).
    twobyte CalcStartStaff() const;
    twobyte CalcEndStaff() const;

protected:
    /// True when `pos` in `measure` passes both boundary tests (the measure itself is not tested).
    bool _IsPosInsideBoundaries(int measure, fourbyte pos) const;
    bool _TakeClip(twobyte mode);
    ECLIPREGION _MakeClipRegion() const;

    EREGION _region{};
    twobyte _document = 0;
    ufourbyte _cliptoken = 0;
};
