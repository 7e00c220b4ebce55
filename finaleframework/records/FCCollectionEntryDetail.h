// Collections of the detail records of one note entry.
#pragma once

#include "finaleframework/records/FCCollectionData.h"

class FCNoteEntry;

/// Records of __FCEntryDetail classes that belong to one entry, named by SetNoteEntry before
/// LoadAll (not owned).
class __FCCollectionEntryDetail : public __FCCollectionData {
public:
    const char* ClassName() override { return "__FCCollectionEntryDetail"; }

    /// Loads incis 0, 1, 2 ... of the entry's details. False, leaving the collection as it was,
    /// when no entry is set, the entry has no record or the host has not numbered it yet (entry
    /// number 0): such an entry has no details.
    bool LoadAll() override;

    /// Deletes the detail at `index` from the document and from the collection, and destroys it.
    /// The elements after it in inci order are renumbered one lower, as the host renumbers its
    /// records. Answers whether the collection still holds elements; false, changing nothing, for
    /// an index out of range or when the host refuses the deletion.
    bool DestroyItemAt(int index);

    void SetNoteEntry(FCNoteEntry* entry) { _noteentry = entry; }
    FCNoteEntry* GetNoteEntry() const { return _noteentry; }

protected:
    FCNoteEntry* _noteentry = nullptr;
};
