// Details that belong to one note of an entry, and the dot modification.
#pragma once

#include "finaleframework/records/FCEntryDetail.h"

class FCNote;

/// A detail kind whose records each belong to one note of the entry, named inside the record by
/// the note's ID; the record number is only the record's position among the entry's records of
/// the kind. A record therefore follows its note through any reordering of the note records as
/// long as the note keeps its ID.
class __FCEntryDetailNoteID : public __FCEntryDetail {
public:
    const char* ClassName() override { return "__FCEntryDetailNoteID"; }

    /// Writes `noteID` into the object's record.
    virtual void _SetNoteID(twobyte noteID) = 0;
    /// True when the loaded `record` belongs to the note `noteID`.
    virtual bool _IsNoteIDMatch(const void* record, twobyte noteID) = 0;
    /// Sets or clears the kind's bit in the entry of `note`.
    virtual void _SetNoteFlag(FCNote* note, bool on) = 0;
    virtual bool _GetNoteFlag(FCNote* note) = 0;

    /// The record number of the entry's record of this kind for `noteID`: records 0, 1, 2 ... are
    /// read until one is missing; -1 when none belongs to the note.
    twobyte _ScanForNoteID(FCNoteEntry* entry, twobyte noteID);

    /// Loads the note's record; false when the entry's bit is clear or no record is the note's.
    bool LoadAt(FCNote* note);
    /// Writes the object's record as the note's (over its record, or as a new one) and sets the
    /// entry's bit; false when the host call failed.
    bool SaveAt(FCNote* note);
    /// Deletes the note's record; clears the entry's bit when no record of the kind is left.
    /// The object keeps the entry number and its record number becomes -1.
    bool EraseAt(FCNote* note);

protected:
    /// Writes the record under (entry number, k): over record k, or as a new record when k is -1.
    /// On success the object takes the key the host left.
    bool _StoreAt(fourbyte entryNumber, twobyte k);
};

/// The dot modification of a note, or of a rest (then stored as the record of the movable-rest
/// placeholder ID 31 and marked by the rest's special-alterations bit).
///
/// Record (8 bytes, little-endian), tag 0x65644454 (edDT):
///   offset 0  s16  noteID          the note the dots belong to
///   offset 2  s16  horizontalPos   shift of the first dot, in EVPUs
///   offset 4  s16  verticalPos     vertical shift of the dots, in EVPUs
///   offset 6  s16  interdotSpacing extra space between dots, in EVPUs
class FCDotMod : public __FCEntryDetailNoteID {
public:
    const char* ClassName() override { return "FCDotMod"; }
    EXTAG Tag() override { return 0x65644454; }
    fourbyte DataSizeLoad() override { return RECORD_SIZE; }
    fourbyte DataSizeSave() override { return RECORD_SIZE; }
    void* Allocate() override { return _record; }
    __FCBaseData* CreateObject() override { return new FCDotMod; }
    void CloneMemoryFrom(__FCBaseData* source) override;
    ~FCDotMod() override = default;

    void _SetNoteID(twobyte noteID) override;
    bool _IsNoteIDMatch(const void* record, twobyte noteID) override;
    /// The note-detail bit of the note's entry.
    void _SetNoteFlag(FCNote* note, bool on) override;
    bool _GetNoteFlag(FCNote* note) override;

    /// SaveAt for a rest: the record of note ID 31, marked by the rest's special-alterations bit.
    bool SaveRestDotAt(FCNoteEntry* rest);
    /// Loads the rest's dot record; false when the special-alterations bit is clear or there is
    /// no record for ID 31.
    bool LoadRestDotAt(FCNoteEntry* rest);

    twobyte GetNoteID() const { return _Word(NOTEID_OFFSET); }
    twobyte GetHorizontalPos() const { return _Word(HORIZONTAL_OFFSET); }
    void SetHorizontalPos(twobyte value) { _SetWord(HORIZONTAL_OFFSET, value); }
    twobyte GetVerticalPos() const { return _Word(VERTICAL_OFFSET); }
    void SetVerticalPos(twobyte value) { _SetWord(VERTICAL_OFFSET, value); }
    twobyte GetInterdotSpacing() const { return _Word(SPACING_OFFSET); }
    void SetInterdotSpacing(twobyte value) { _SetWord(SPACING_OFFSET, value); }

    static constexpr fourbyte RECORD_SIZE = 8;

private:
    static constexpr int NOTEID_OFFSET = 0;
    static constexpr int HORIZONTAL_OFFSET = 2;
    static constexpr int VERTICAL_OFFSET = 4;
    static constexpr int SPACING_OFFSET = 6;

    twobyte _Word(int offset) const;
    /// Writes a field; the record is whole (savable) from then on.
    void _SetWord(int offset, twobyte value);

    unsigned char _record[RECORD_SIZE] = {};
};
