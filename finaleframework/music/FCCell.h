// One measure of one staff, and lists of them.
#pragma once

#include "finaleframework/core/FCCollection.h"

class FCIteratorHandler;
class FCKeySignature;
class FCMusicRegion;

/// The intersection of one measure and one staff (the staff by its number, not its slot). It
/// answers questions about the cell: its key signature and the length of its music.
class FCCell : public __FCBase {
public:
    FCCell(twobyte measure, twobyte staff) : _cellMeasure(measure), _cellStaff(staff) {}
    FCCell(const FCCell&) = delete;
    FCCell& operator=(const FCCell&) = delete;

    const char* ClassName() override { return "FCCell"; }
    ~FCCell() override;

    twobyte GetMeasure() const { return static_cast<twobyte>(_cellMeasure); }
    twobyte GetStaff() const { return static_cast<twobyte>(_cellStaff); }

    /// The key signature in force in the cell's measure, made on the first request from the
    /// measure's record and kept (owned by the cell). A measure whose record does not load gives
    /// the key without accidentals (key value 0).
    FCKeySignature* GetKeySignature();

    /// The longest frame duration among the layers chosen by `layer`: -1 all, 0 those the host
    /// shows, 1 to 4 (and on, as the host has layers) that one layer. Layers whose frame does not
    /// load are skipped; 0 when nothing was measured.
    int CalcEntryDuration(int layer);

protected:
    fourbyte _cellMeasure = 0;
    fourbyte _cellStaff = 0;
    FCKeySignature* _keySignature = nullptr;
    __FCBase* _cachedObject = nullptr; // owned; not filled by any operation here
};

/// A list of cells, which it owns.
class FCCells : public __FCCollection {
public:
    const char* ClassName() override { return "FCCells"; }

    FCCell* GetItemAt(int index) const {
        return static_cast<FCCell*>(__FCCollection::GetItemAt(index));
    }

    /// Replaces the cells with those of the region, measure by measure and within a measure slot
    /// by slot (staves by the region's instrument list). An empty region gives the cells of
    /// measure 0; a null region none.
    void ApplyRegion(FCMusicRegion* region);
    /// Calls the handler's Iterate for each cell of `measure` (or of `staff`), in order, until it
    /// answers false; answers the number of true answers.
    int ForEachAtMeasure(int measure, FCIteratorHandler* handler);
    int ForEachAtStaff(int staff, FCIteratorHandler* handler);

private:
    template <typename Match> int _ForEachWhere(Match match, FCIteratorHandler* handler);
};
