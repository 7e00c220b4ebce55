// Collections of host data records: every record of a kind that belongs to one owner, loaded as
// independent copies.
#pragma once

#include "finaleframework/core/FCCollection.h"
#include "finaleframework/records/FCBaseData.h"

#include <cstddef>
#include <memory>
#include <vector>

class FCCell;
class FCMusicRegion;
class __FCInciOther;

/// A collection of record copies. Each loading operation empties the collection, drives one
/// working element (made by CreateElement, carrying the collection's custom tag) through its key
/// family and adds a clone of every record that loads; the working element is destroyed at the
/// end. Editing an element changes nothing on the host until the element is saved.
class __FCCollectionData : public __FCCollection {
public:
    const char* ClassName() override { return "__FCCollectionData"; }

    /// A new, empty element of the collection's record class; the caller owns it.
    virtual __FCBaseData* CreateElement() = 0;
    /// Loads the element family's first record and every record the host steps to from it.
    /// False only when no working element could be made; finding nothing leaves the collection
    /// empty and answers true.
    virtual bool LoadAll();

    /// A tag handed to every element before it loads, to read a class's records under another of
    /// its tags; 0 for the elements' own tag.
    void SetCustomTag(EXTAG tag) { _customtag = tag; }
    EXTAG GetCustomTag() const { return _customtag; }

protected:
    /// Destroys every element and empties the collection.
    void _Reset();
    /// A working element carrying the collection's custom tag; null when none can be made.
    __FCBaseData* _CreateWorkingElement();
    /// Adds a clone of `element`.
    void _AddCloneOf(__FCBaseData* element);
    /// Adds a clone of `element` as it stands and one after every LoadNext that succeeds.
    void _AddThisAndFollowing(__FCBaseData* element);

    ufourbyte _customtag = 0;
};

/// Records of __FCInciOther classes, read and written by item number.
class __FCCollectionInciOther : public __FCCollectionData {
public:
    const char* ClassName() override { return "__FCCollectionInciOther"; }

    /// Deletes every record of `cmper` from the document (consecutive incis from 0), highest inci
    /// first so that the numbers still to be deleted do not move. Independent of the collection's
    /// contents. False at the first failed host call; what was deleted stays deleted.
    virtual bool DeleteDataForItem(utwobyte cmper);
    /// Loads incis 0, 1, 2 ... of `cmper` until one is missing; answers the number loaded.
    virtual int LoadAllForItem(utwobyte cmper);

    /// Replaces the host's records of `cmper` by the collection's elements, in collection order
    /// (the host numbers them inci 0, 1, ...; each element then names its record). False, with
    /// the item's records and the elements' keys and tags as they were, for an element that is
    /// not loaded or not of this family, when the host refuses a deletion or a create, or when
    /// it does not number the new records 0, 1, ... (the item holds records beyond a gap).
    bool SaveAllForItem(utwobyte cmper);

private:
    /// Copies of the records of `cmper` (consecutive incis from 0) into `kept`; false when a
    /// record cannot be copied.
    bool _KeepItemRecords(utwobyte cmper, std::vector<std::unique_ptr<__FCBaseData>>& kept);
    /// Undoes a SaveAllForItem that stopped with `remaining` of the kept records still in the
    /// document and the first `created` elements created: deletes those, re-creates the rest.
    void _PutBackItemRecords(utwobyte cmper, const std::vector<std::unique_ptr<__FCBaseData>>& kept,
                             size_t remaining, const std::vector<__FCInciOther*>& elements,
                             size_t created);
};

/// Records attached to something other than an item number.
class __FCCollectionDetail : public __FCCollectionData {
public:
    const char* ClassName() override { return "__FCCollectionDetail"; }
};

/// Records of __FCCellDetail classes.
class __FCCollectionCellDetail : public __FCCollectionDetail {
public:
    const char* ClassName() override { return "__FCCollectionCellDetail"; }

    /// Loads every inci of the cell; answers the number loaded.
    virtual int LoadAllForCell(FCCell* cell);
};

/// Records of __FCNoInciDetail classes.
class __FCCollectionNoInciDetail : public __FCCollectionDetail {
public:
    const char* ClassName() override { return "__FCCollectionNoInciDetail"; }

    /// Loads (cmper, firstCmper2), (cmper, firstCmper2 + 1) ... until one is missing; answers the
    /// number loaded.
    virtual int LoadAllForItem(utwobyte cmper, utwobyte firstCmper2);
};

/// Records of __FCNoInciCellDetail classes (one per cell).
class __FCCollectionNoInciCellDetail : public __FCCollectionDetail {
public:
    const char* ClassName() override { return "__FCCollectionNoInciCellDetail"; }

    /// Loads the record of every cell of the region, slot by slot and within a slot measure by
    /// measure; answers the number loaded. The clones are not attached to any cell.
    int LoadAllInRegion(FCMusicRegion* region);
};
