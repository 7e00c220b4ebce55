// The region browsers: in each cell of a region, the records of one kind that lie inside the
// region.
#pragma once

#include "finaleframework/records/FCBrowserBase.h"

/// Walks the cells' chord symbols. In each cell the chords are loaded one after the other into a
/// working FCChord, valid only during the handler's call; those whose position lies in the region
/// are handed to Iterate, until it answers false.
class FCBrowserChords : public __FCBrowserRegionBase {
public:
    /// The answer of the last Iterate; true when none was called.
    bool RegionIterateCellHandler(FCCell* cell, FCIteratorHandler* handler,
                                  FCMusicRegion* region) override;
};

/// Walks the cells' MIDI expressions, as FCBrowserChords walks chords, with a working
/// FCMidiExpression.
class FCBrowserMidiExpressions : public __FCBrowserRegionBase {
public:
    /// The answer of the last Iterate; true when none was called.
    bool RegionIterateCellHandler(FCCell* cell, FCIteratorHandler* handler,
                                  FCMusicRegion* region) override;
};

/// Walks the expressions of the cells: those attached to the cell's staff in the cell's measure,
/// loaded as a collection, whose position lies in the region, handed to Iterate until it answers
/// false.
class FCBrowserExpressions : public __FCBrowserRegionBase {
public:
    /// The answer of the last Iterate; true when none was called.
    bool RegionIterateCellHandler(FCCell* cell, FCIteratorHandler* handler,
                                  FCMusicRegion* region) override;
};

/// Walks the tuplets of the entries in the region: for each entry of the cell (the layers the
/// host shows) that lies in the region and starts tuplets, every tuplet record of the entry, in
/// record order, handed to Iterate until it answers false. The tuplet is attached to its entry.
class FCBrowserTuplets : public __FCBrowserRegionBase {
public:
    /// The answer of the last Iterate; true when none was called.
    bool RegionIterateCellHandler(FCCell* cell, FCIteratorHandler* handler,
                                  FCMusicRegion* region) override;
};

/// Walks the note entries in the region, cell by cell, letting the handler edit them and, when the
/// handler asks for it (SetSaveChanges), saving each cell afterwards.
///
/// For each cell the handler is told OnBrowseStart (false: the walk stops), OnFirstLoaded once the
/// cell holds entries (false: the cell's browse ends and the walk stops), Iterate for each entry
/// in the region (false stops this pass and, after the cell is done, the walk), PostIterate for
/// the same entries in a second pass (false stops that pass only), OnVisitsDone when the cell still
/// holds entries once null entries were removed, and OnBrowseEnd last. An entry whose notes the
/// handler marked for deletion has them removed after its Iterate.
class FCBrowserNoteEntries : public __FCBrowserRegionBase {
public:
    /// False when the handler refused the cell or stopped the first pass.
    bool RegionIterateCellHandler(FCCell* cell, FCIteratorHandler* handler,
                                  FCMusicRegion* region) override;

    /// Whether entries of length 0 are removed from a cell before it is saved (off by default).
    void SetDeleteNullEntries(bool state) { _deletenullentries = state; }
    bool GetDeleteNullEntries() const { return _deletenullentries; }
    /// The layers read in every cell, in the layer modes of FCNoteEntryCell (by default the
    /// layers the host shows).
    void SetLayerSelection(fourbyte mode) { _layerselection = mode; }
    fourbyte GetLayerSelection() const { return _layerselection; }

private:
    bool _deletenullentries = false;
    fourbyte _layerselection = 0;
};
