// Notes of an entry and detached pitches.
#pragma once

#include "finaleframework/core/FCCollection.h"
#include "finalepdk/WireRecords.h"

class FCNoteEntry;

/// One note of an entry: a view of a note record inside the entry's EXENTRY, so every change
/// lands in the host's frame. Made and destroyed by its entry; invalid once the entry rebuilds its
/// note list (every change of the entry's note count does).
class FCNote : public __FCBase {
public:
    FCNote(int noteIndex, EXNOTE* noteRecord, FCNoteEntry* entry)
        : _noteIndex(noteIndex), _noteRecord(noteRecord), _entry(entry) {}
    FCNote(const FCNote&) = delete;
    FCNote& operator=(const FCNote&) = delete;

    const char* ClassName() override { return "FCNote"; }

    /// Re-points the note at the same note of a record that moved; it starts unmarked, as a note
    /// made afresh would.
    void _SetNoteRecord(EXNOTE* noteRecord) {
        _noteRecord = noteRecord;
        _deleteMark = false;
    }

    twobyte GetDisplacement() const { return _noteRecord->displacement; }
    void SetDisplacement(twobyte value) { _noteRecord->displacement = value; }
    twobyte GetRaiseLower() const { return _noteRecord->raiseLower; }
    void SetRaiseLower(twobyte value) { _noteRecord->raiseLower = value; }
    twobyte GetNoteID() const { return _noteRecord->noteID; }
    void _SetNoteID(twobyte value) { _noteRecord->noteID = value; }
    ufourbyte GetNoteFlags() const { return _noteRecord->noteFlags; }
    /// The tie to the next entry.
    bool GetTie() const { return (_noteRecord->noteFlags & NOTE_TIE) != 0; }
    void SetTie(bool state);

    /// Entry-flag bits of the owning entry that record details of its notes.
    void _SetNoteDetailEntryFlag(bool state);
    bool _GetNoteDetailEntryFlag() const;
    void _SetSpecialAltsEntryFlag(bool state);
    bool _GetSpecialAltsEntryFlag() const;
    void _SetPerformanceDataEntryFlag(bool state);
    bool _GetPerformanceDataEntryFlag() const;
    void _SetArticulationEntryFlag(bool state);

    /// The entry number of the owning entry, under which note details are stored; 0 when there
    /// is no entry record (a detached pitch, or an entry not yet numbered by the host).
    fourbyte _GetEntryNumber() const;

    // Pitch spelling. Each operation reads, for the note's entry, the key of the entry's measure,
    // the staff in force at the entry (its transposition) and the clef the entry names. A note
    // without an entry (a detached pitch) has none of these: every operation answers 0 for it.

    /// The note's step position independent of key and staff: the key root's steps above C plus
    /// the displacement, the clef's middle-C position and the staff's transposition interval. Also
    /// computed for the placeholder note of a rest.
    twobyte CalcActualDisplacement() const;
    /// The letter ('A' to 'G') of the sounding pitch; 0 for a rest.
    char CalcPitchChar() const;
    /// The letter ('A' to 'G') of the written pitch on a transposing staff; 0 for a rest.
    char CalcWrittenPitchChar() const;
    /// The total alteration of the sounding pitch (`written` false) or of the written pitch:
    /// the note's raise or lower plus what the key (for the written pitch, the key the staff's
    /// transposition leads to) does to the letter. 0 for a rest and in a key that is not a standard
    /// major or minor key.
    twobyte CalcPitchRaiseLower(bool written) const;

    /// Same displacement and raise/lower; IDs and flags play no part.
    bool IsIdenticalPitch(const FCNote* other) const;
    /// Lower displacement, or the same displacement and a lower raise/lower.
    bool IsLowerPitchThan(const FCNote* other) const;

    FCNoteEntry* GetEntry() const { return _entry; }
    int GetNoteIndex() const { return _noteIndex; }
    EXNOTE* _GetNoteRecord() const { return _noteRecord; }
    bool _GetDeleteMark() const { return _deleteMark; }
    void _SetDeleteMark(bool state) { _deleteMark = state; }

protected:
    /// Sets or clears `mask` in the owning entry's flags; nothing without an entry record.
    void _SetEntryFlagBits(ufourbyte mask, bool state);
    bool _GetEntryFlagBits(ufourbyte mask) const;

    bool _deleteMark = false;
    int _noteIndex = 0;
    EXNOTE* _noteRecord = nullptr;
    FCNoteEntry* _entry = nullptr;
};

/// A detached note: a copy of a note record that belongs to no entry, so later changes to the
/// entry do not reach it.
class FCNotePitch : public FCNote {
public:
    FCNotePitch() : FCNote(0, &_record, nullptr) {}
    explicit FCNotePitch(const EXNOTE& record) : FCNote(0, &_record, nullptr), _record(record) {}

    const char* ClassName() override { return "FCNotePitch"; }

private:
    EXNOTE _record{};
};

/// A snapshot of the pitches of an entry; owns its FCNotePitch elements.
class FCNotePitches : public __FCCollection {
public:
    const char* ClassName() override { return "FCNotePitches"; }

    FCNotePitch* GetItemAt(int index) const {
        return static_cast<FCNotePitch*>(__FCCollection::GetItemAt(index));
    }
};
