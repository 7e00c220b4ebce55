// The callback object through which callers visit, search and sort collections and browsers.
#pragma once

#include "finaleframework/core/FCBase.h"

/// Derive from this to walk a collection (ForEach, ToEndFrom, ForEachIndex), search it (FindFirst)
/// or sort it (Sort). A collection calls only Iterate, IterateWithIndex, IsMatch and Compare; the
/// browsers also call PostIterate and the browse notifications and read the save-changes flag.
///
/// Every operation has a default that lets a walk run to its end unchanged: the visits answer true,
/// IsMatch answers false (nothing is found), Compare answers 0 (nothing moves), the browse
/// notifications allow the browse and do nothing, and changes are not saved.
class FCIteratorHandler : public __FCBase {
public:
    const char* ClassName() override { return "FCIteratorHandler"; }

    /// One element of a walk; false stops the walk.
    virtual bool Iterate(__FCBase* element) { return true; }
    /// The browsers' second pass over the same elements, after all Iterate calls; false stops it.
    virtual bool PostIterate(__FCBase* element) { return true; }
    /// One element of an indexed walk; by default the same as Iterate.
    virtual bool IterateWithIndex(__FCBase* element, int index) { return Iterate(element); }
    /// True when `element` is the one sought.
    virtual bool IsMatch(__FCBase* element) { return false; }
    /// Greater than 0 when `a` must come after `b`.
    virtual int Compare(__FCBase* a, __FCBase* b) { return 0; }

    /// Called before a browse starts; false browses nothing.
    virtual bool OnBrowseStart() { return true; }
    /// Called once the first record (or cell content) of a browse is available; false visits
    /// nothing.
    virtual bool OnFirstLoaded() { return true; }
    /// Called last, whenever OnBrowseStart allowed the browse.
    virtual void OnBrowseEnd() {}
    /// Called after the visits of a browse, before OnBrowseEnd.
    virtual void OnVisitsDone() {}

    /// Asks the note entry browser to save each cell after its visits.
    void SetSaveChanges(bool state) { _savechanges = state; }
    bool GetSaveChanges() const { return _savechanges; }

protected:
    FCIteratorHandler() = default;

private:
    bool _savechanges = false;
};
