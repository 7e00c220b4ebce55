// Browsers: walks over host records that keep one working record object and hand it to a
// handler, record by record, without collecting the records.
#pragma once

#include "finaleframework/core/FCCollection.h"
#include "finalepdk/PdkTypes.h"

class __FCBaseData;
class __FCNoInciOther;
class FCCell;
class FCIteratorHandler;
class FCMusicRegion;

/// The root of every browser. A browser keeps nothing between calls: every record object it makes
/// is destroyed before it returns, except what an operation hands to its caller.
class __FCBrowserBase : public __FCIteratorBase {
public:
    const char* ClassName() override { return "__FCBrowserBase"; }
};

/// Walks the records of one record class: the first record of the class (LoadFirst) and every
/// record the host steps to from it (LoadNext).
///
/// Handler protocol of ForEach and FindFirst: OnBrowseStart first (false: nothing else is
/// called); then, once the first record has loaded, OnFirstLoaded (false: no visits); the visits;
/// OnVisitsDone after the visits; OnBrowseEnd last, whenever OnBrowseStart allowed the browse.
class __FCBrowserBaseData : public __FCBrowserBase {
public:
    const char* ClassName() override { return "__FCBrowserBaseData"; }

    /// Hands the working record to Iterate, record by record, until Iterate answers false or the
    /// records run out; answers the number of true answers. 0 for a null handler.
    int ForEach(FCIteratorHandler* handler) override;
    /// The working record positioned on the first record the handler's IsMatch accepts, now owned
    /// by the caller; null when none matches (or for a null handler).
    __FCBase* FindFirst(FCIteratorHandler* handler) override;
    /// A new, empty record object of the browsed class; the caller owns it.
    virtual __FCBaseData* CreateAnObject() = 0;

private:
    /// The walk shared by ForEach and FindFirst. With `match` it asks IsMatch instead of Iterate
    /// and stores the matching record (handing it over) in `*match`.
    int _Browse(FCIteratorHandler* handler, __FCBaseData** match);
};

/// Walks records numbered by item (__FCNoInciOther classes), which start at item 1.
class __FCBrowserNoInciOther : public __FCBrowserBaseData {
public:
    const char* ClassName() override { return "__FCBrowserNoInciOther"; }

    /// A new record object loaded with item `cmper`, owned by the caller; null when the item does
    /// not load (the object is destroyed) or the browsed class is not numbered by item.
    __FCNoInciOther* LoadAnElement(utwobyte cmper);
    /// Visits from item `cmper` on, as ForEach does but without the start and end notifications;
    /// answers the number of true answers of Iterate. 0 for a null handler or when `cmper` does not
    /// load.
    int ToEndFrom(utwobyte cmper, FCIteratorHandler* handler);
    /// The number of records reachable from item 1: 1 plus the number of successful LoadNext;
    /// 0 when item 1 does not load.
    int GetCount();
};

/// Walks the cells (staff by measure) of a music region and, in each cell, the records of one kind
/// that lie inside the region.
class __FCBrowserRegionBase : public __FCBrowserBase {
public:
    /// ForEachInRegion over the whole document.
    int ForEach(FCIteratorHandler* handler) override;
    /// Always null: a region browser does not search.
    __FCBase* FindFirst(FCIteratorHandler* handler) override { return nullptr; }
    /// Visits the records of `cell` that lie inside `region`; false stops the walk over the cells.
    virtual bool RegionIterateCellHandler(FCCell* cell, FCIteratorHandler* handler,
                                          FCMusicRegion* region) = 0;

    /// Hands every cell of the region to RegionIterateCellHandler, measure by measure and, within
    /// a measure, slot by slot (staves by FX_SlotToInst in the region's start instrument list).
    /// Answers the number of cells visited; the cell that stopped the walk is not counted. 0 for a
    /// null handler or region.
    int ForEachInRegion(FCIteratorHandler* handler, FCMusicRegion* region);
};
