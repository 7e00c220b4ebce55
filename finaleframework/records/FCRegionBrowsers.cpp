#include "finaleframework/records/FCRegionBrowsers.h"

#include "finaleframework/core/FCIteratorHandler.h"
#include "finaleframework/document/FCChord.h"
#include "finaleframework/document/FCExpression.h"
#include "finaleframework/document/FCMidiExpression.h"
#include "finaleframework/music/FCCell.h"
#include "finaleframework/music/FCMusicRegion.h"
#include "finaleframework/music/FCNoteEntry.h"
#include "finaleframework/music/FCNoteEntryCell.h"
#include "finaleframework/music/FCTuplet.h"

namespace {

/// Hands the cell details of one kind that lie in the region to Iterate, one working record
/// after the other, until Iterate answers false; answers the last answer (true when none).
template <typename Detail>
bool IterateCellDetails(FCCell* cell, FCIteratorHandler* handler, FCMusicRegion* region) {
    if (!cell || !handler || !region) return true;
    Detail record;
    record.SetCell(cell);
    bool answer = true;
    for (bool loaded = record.LoadFirst(); loaded && answer; loaded = record.LoadNext()) {
        if (region->IsCellPosWithin(cell, record.GetMeasurePos()))
            answer = handler->Iterate(&record);
    }
    return answer;
}

} // namespace

bool FCBrowserChords::RegionIterateCellHandler(FCCell* cell, FCIteratorHandler* handler,
                                               FCMusicRegion* region) {
    return IterateCellDetails<FCChord>(cell, handler, region);
}

bool FCBrowserMidiExpressions::RegionIterateCellHandler(FCCell* cell, FCIteratorHandler* handler,
                                                        FCMusicRegion* region) {
    return IterateCellDetails<FCMidiExpression>(cell, handler, region);
}

bool FCBrowserExpressions::RegionIterateCellHandler(FCCell* cell, FCIteratorHandler* handler,
                                                    FCMusicRegion* region) {
    if (!cell || !handler || !region) return true;
    // Each expression is visited in the cell of the staff it is attached to, so an expression
    // shown on further staves is not visited once per staff.
    FCExpressions expressions;
    expressions.LoadAllInCell(cell, FCStaffListElement::STAFFLIST_NONE);
    bool answer = true;
    for (int i = 0; i < expressions.GetCount() && answer; ++i) {
        FCExpression* expression = expressions.GetItemAt(i);
        if (region->IsCellPosWithin(cell, expression->GetMeasurePos()))
            answer = handler->Iterate(expression);
    }
    return answer;
}

bool FCBrowserTuplets::RegionIterateCellHandler(FCCell* cell, FCIteratorHandler* handler,
                                                FCMusicRegion* region) {
    if (!cell || !handler || !region) return true;
    FCNoteEntryCell entries(cell->GetMeasure(), cell->GetStaff());
    entries.Load();
    bool answer = true;
    for (int i = 0; i < entries.GetCount() && answer; ++i) {
        FCNoteEntry* entry = entries.GetRegionItemAt(i, region);
        if (!entry || !entry->IsTupletStart()) continue;
        FCTuplet tuplet;
        tuplet.SetNoteEntry(entry);
        for (bool loaded = tuplet.Load(entry->GetEntryNumber(), 0); loaded && answer;
             loaded = tuplet.LoadNext())
            answer = handler->Iterate(&tuplet);
    }
    return answer;
}

bool FCBrowserNoteEntries::RegionIterateCellHandler(FCCell* cell, FCIteratorHandler* handler,
                                                    FCMusicRegion* region) {
    if (!cell || !handler || !region) return true;
    if (!handler->OnBrowseStart()) return false;

    FCNoteEntryCell entries(cell->GetMeasure(), cell->GetStaff(), _layerselection);
    entries.Load();
    if (entries.GetCount() > 0 && !handler->OnFirstLoaded()) {
        // A refused cell still ends its browse: the handler may rely on hearing of the end.
        handler->OnBrowseEnd();
        return false;
    }

    bool answer = true;
    for (int i = 0; i < entries.GetCount(); ++i) {
        FCNoteEntry* entry = entries.GetRegionItemAt(i, region);
        if (!entry) continue;
        answer = handler->Iterate(entry);
        entry->_PackEXENTRYNotes();
        if (!answer) break;
    }
    for (int i = 0; i < entries.GetCount(); ++i) {
        FCNoteEntry* entry = entries.GetRegionItemAt(i, region);
        if (entry && !handler->PostIterate(entry)) break;
    }

    if (handler->GetSaveChanges()) {
        if (_deletenullentries) entries.DeleteAllNullEntries();
        entries.Save();
    }
    // Counted after the removal of null entries: a cell they leave empty is a cell without
    // entries.
    if (entries.GetCount() > 0) handler->OnVisitsDone();
    handler->OnBrowseEnd();
    return answer;
}
