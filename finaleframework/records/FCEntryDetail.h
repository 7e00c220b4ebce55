// Records attached to a note entry by its entry number.
#pragma once

#include "finaleframework/records/FCBaseData.h"

class FCNote;
class FCNoteEntry;

/// Records of one entry, numbered by inci from 0. Key: bytes 0 to 3 the entry number, word 2 the
/// inci. The entry is named by SetNoteEntry (not owned); its record is reached through
/// _EntryRecordOf.
class __FCEntryDetail : public __FCBaseData {
public:
    const char* ClassName() override { return "__FCEntryDetail"; }
    __FCEntryDetail* _AsEntryDetail() override { return this; }

    /// Loads inci 0 of the entry's record; false when no entry (or no entry record) is set.
    bool LoadFirst() override;
    /// Loads the next inci of the same entry. On failure the key and the previous record stay, so
    /// that a following Save still writes the last record loaded (for fixed-size records).
    bool LoadNext() override;
    virtual bool Load(fourbyte entnum, twobyte inci);
    /// Attaches the detail to `entry` and takes its entry number (0 when it has no record).
    virtual void SetNoteEntry(FCNoteEntry* entry);
    /// Creates a record of the key's entry number under an inci the host chooses. On success the
    /// object names the new record and the entry's presence bit of this kind is set. False when
    /// no entry is set or nothing is loaded, and then the key is unchanged.
    virtual bool SaveNew();
    /// Sets or clears the entry's presence bit of this kind: the note-detail bit unless a class
    /// has a bit of its own.
    virtual void _SetEntryFlag(FCNoteEntry* entry, bool on);

    /// Writes the bytes as record (`entnum`, `inci`), replacing what is there.
    bool SaveAs(fourbyte entnum, twobyte inci);
    /// True when the entry of `note` has a record 0 of this kind (asked of the host into a
    /// scratch buffer; the object is not changed). False for no note or an unnumbered entry.
    bool _HasAnyMod(FCNote* note);

    FCNoteEntry* GetNoteEntry() const { return _noteentry; }
    fourbyte GetEntryNumber() const { return _GetKeyLong(); }
    twobyte GetItemInci() const { return static_cast<twobyte>(_GetKeyWord(2)); }
    /// Renumbers the object (not the host record), for collections that follow the host's
    /// renumbering after a deletion.
    void _SetItemInci(twobyte inci) { _SetKeyWord(2, static_cast<utwobyte>(inci)); }

protected:
    /// Loads record (`entnum`, `inci`) of this kind into `scratch`, which holds DataSizeLoad()
    /// bytes (at least 1), leaving the object as it is; true when the host delivered it.
    bool _LoadInto(fourbyte entnum, twobyte inci, void* scratch);
    /// Sets or clears `mask` in the entry record's flags; nothing when there is no record.
    void _SetEntryFlagBits(FCNoteEntry* entry, ufourbyte mask, bool on);

    FCNoteEntry* _noteentry = nullptr;
};
