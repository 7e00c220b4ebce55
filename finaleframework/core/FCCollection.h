// Collections: growable arrays of framework objects that own what they hold.
#pragma once

#include "finaleframework/core/FCBase.h"

class FCIteratorHandler;

/// What can be walked and searched through a handler: collections and browsers.
class __FCIteratorBase : public __FCBase {
public:
    const char* ClassName() override { return "__FCIteratorBase"; }

    /// Visits every element; answers the number of visits the handler answered true.
    virtual int ForEach(FCIteratorHandler* handler) = 0;
    /// The first element the handler matches; null when none does.
    virtual __FCBase* FindFirst(FCIteratorHandler* handler) = 0;
};

/// An ordered array of element pointers that owns its elements: destroying the collection destroys
/// every element still in it. Slots in use may hold null; walks, searches, user-data lookups and
/// sorting skip such slots, pointer lookups compare them as stored. The array grows in steps of ten
/// slots and never shrinks.
///
/// A collection used to hold elements owned elsewhere must be emptied with DetachAll before it is
/// destroyed.
class __FCCollection : public __FCIteratorBase {
public:
    __FCCollection() = default;
    __FCCollection(const __FCCollection&) = delete;
    __FCCollection& operator=(const __FCCollection&) = delete;

    const char* ClassName() override { return "__FCCollection"; }

    /// Walks from index 0. A handler may append elements; they are visited too. Removing or
    /// reordering elements during a walk makes it skip or repeat elements.
    int ForEach(FCIteratorHandler* handler) override;
    /// The first non-null element, lowest index first, that the handler matches; null otherwise.
    __FCBase* FindFirst(FCIteratorHandler* handler) override;
    ~__FCCollection() override;
    /// As ForEach, handing each element's index to IterateWithIndex.
    virtual int ForEachIndex(FCIteratorHandler* handler);

    int GetCount() const { return _count; }
    /// Appends `element` (null and duplicates included); the collection owns it from now on.
    void Add(__FCBase* element) {
        if (_count >= _capacity) _Grow(_count + 1);
        _elements[_count++] = element;
    }
    /// Inserts before `index`; at or beyond the end it appends. `index` must not be negative.
    void InsertItemAt(__FCBase* element, int index);
    /// The element at `index`; null when out of range.
    __FCBase* GetItemAt(int index) const {
        return index < 0 || index >= _count ? nullptr : _elements[index];
    }
    /// Takes the element at `index` out without destroying it (the caller owns it from then on);
    /// false when out of range.
    bool DeleteItemAt(int index);
    /// The lowest index holding exactly this pointer; -1 when none does.
    int GetIndexOf(__FCBase* element) const;
    bool ElementExists(__FCBase* element) const;
    /// The first non-null element whose user data is `data`; null when none.
    __FCBase* FindUserData(void* data) const;
    /// As ForEach, starting at index `start` (negative starts at 0).
    int ToEndFrom(int start, FCIteratorHandler* handler);
    /// Orders the elements ascending by the handler's Compare (quadratic; not stable).
    void Sort(FCIteratorHandler* handler);
    /// Empties the collection without destroying the elements.
    void DetachAll() { _count = 0; }

    /// Makes sure `_count + additional` slots exist.
    void _RequireElement(int additional) {
        if (additional > 0 && _count + additional > _capacity) _Grow(_count + additional);
    }
    /// Destroys the elements in use and nulls their slots; the count stays as it was.
    void _FreeElements();
    /// Number of slots allocated.
    int _GetCapacity() const { return _capacity; }

protected:
    /// The walk shared by ForEach, ToEndFrom and ForEachIndex.
    int _Walk(int start, FCIteratorHandler* handler, bool withIndex);

    /// The slots a collection grows by at a time.
    static constexpr int GROWTH_STEP = 10;
    /// Hands the collection GROWTH_STEP slots that the subclass holds, all null: its first growth
    /// takes them instead of an array of its own, so a collection that stays that small allocates
    /// nothing. Called while the collection is empty.
    void _UseSlots(__FCBase** slots) { _slots = slots; }
    /// Grows the array to hold at least `needed` slots, in steps of GROWTH_STEP.
    void _Grow(int needed);

    fourbyte _count = 0;
    fourbyte _capacity = 0;
    __FCBase** _elements = nullptr;
    __FCBase** _slots = nullptr; // the subclass's own slots, never deleted here
};
