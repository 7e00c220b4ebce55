// One entry (note, chord or rest) of a loaded frame.
#pragma once

#include "finaleframework/core/FCCollection.h"
#include "finaleframework/music/FCNote.h"
#include "finalepdk/WireRecords.h"

class FCArticulations;
class FCTuplet;

/// A live view of one EXENTRY inside a frame that its container (layer or cell) owns. It copies
/// nothing: every operation writes straight into the frame, and the change reaches the host when
/// the container saves. Its elements are one FCNote per valid note record, in record order; any
/// change of the note count rebuilds them, so FCNote pointers taken earlier are invalid after it.
///
/// A "note entry" has the note bit of its flags set; a "rest" has it clear. Operations that do
/// not apply answer false, null, 0 or -1 and change nothing; an entry without a record (a null
/// frame position) is treated as a rest without notes.
class FCNoteEntry : public __FCCollection {
public:
    /// The entry over record `index` of `frame`; its staff comes from the frame's slot and list.
    FCNoteEntry(EXTGF2005a* frame, int index);
    /// The same, for a container that has asked the host for the frame's staff once for all of
    /// its entries.
    FCNoteEntry(EXTGF2005a* frame, int index, twobyte staff);
    /// The entry over `record`, which lies in `frame`.
    FCNoteEntry(EXENTRY* record, EXTGF2005a* frame);
    ~FCNoteEntry() override;

    const char* ClassName() override { return "FCNoteEntry"; }

    /// Passed with every entry metrics request.
    static bool _entrymetricsshouldupdate;

    // Record access ---------------------------------------------------------------------------

    EXENTRY* _GetEntryRecord() const { return _entryRecord; }
    EXTGF2005a* _GetFrame() const { return _frame; }
    /// Re-points the entry at `record` in `frame` (after the frame's array moved or the frame was
    /// reloaded) and rebuilds the note list.
    void _SetEntryRecord(EXTGF2005a* frame, EXENTRY* record);

    fourbyte GetEntryNumber() const { return _entryRecord ? _entryRecord->entryNumber : 0; }
    twobyte GetDuration() const { return _entryRecord ? _entryRecord->duration : 0; }
    void SetDuration(twobyte duration);
    fourbyte GetElapsedDuration() const { return _entryRecord ? _entryRecord->elapsedTime : 0; }
    ufourbyte GetEntryFlags() const { return _entryRecord ? _entryRecord->entryFlags : 0; }
    twobyte GetMeasure() const { return _measure; }
    twobyte GetStaff() const { return _staff; }
    /// The 0-based layer of the entry's frame; -1 without a frame.
    twobyte GetLayerIndex() const { return _frame ? _frame->layerIndex : -1; }
    bool IsNote() const { return (GetEntryFlags() & ENTRY_NOTE) != 0; }
    bool IsRest() const { return !IsNote(); }
    bool IsTupletStart() const { return (GetEntryFlags() & ENTRY_TUPLETSTART) != 0; }
    void SetTupletStart(bool state) { _SetEntryFlagBits(ENTRY_TUPLETSTART, state); }
    bool GetArticulationFlag() const { return (GetEntryFlags() & ENTRY_ARTICULATION) != 0; }
    void SetArticulationFlag(bool state) { _SetEntryFlagBits(ENTRY_ARTICULATION, state); }
    twobyte GetNoteCount() const { return _entryRecord ? _entryRecord->noteCount : 0; }

    FCNote* GetItemAt(int index) const {
        return static_cast<FCNote*>(__FCCollection::GetItemAt(index));
    }

    FCNoteEntry* GetPrevious() const { return _previous; }
    FCNoteEntry* GetNext() const { return _next; }
    void _SetPrevious(FCNoteEntry* entry) { _previous = entry; }
    void _SetNext(FCNoteEntry* entry) { _next = entry; }

    // Note list --------------------------------------------------------------------------------

    /// Rebuilds one FCNote per valid note record.
    void _UpdateNoteCollection();
    /// When the note list holds one note per note of the record, in order: points each at its
    /// note of the record, unmarked (and without user data when `asNew`), and answers true;
    /// otherwise changes nothing and answers false.
    bool _RepointNotes(bool asNew);
    /// The smallest note ID from 1 up that no note of the entry uses.
    twobyte _FindUniqueNoteID();
    /// Appends a zeroed note (in-use flag, a fresh ID) to a note entry; null on a rest or when
    /// the entry holds twelve notes already.
    FCNote* AddNewNote();
    /// Marks `note` and packs the others down; deleting the last note makes the entry a rest.
    /// False when `note` is not a note of this entry.
    bool DeleteNote(FCNote* note);
    /// Drops the marked notes and closes the gaps, keeping the order and IDs of the others.
    void _PackEXENTRYNotes();

    // Rest and note state ----------------------------------------------------------------------

    /// No notes; clears the note, note-detail, special-alterations and articulation bits.
    void MakeRest();
    /// Sets the note bit; note 0 (made if there is none) gets displacement, raise/lower and ID 0.
    void MakeNote();
    /// A rest whose first note record carries the movable-rest ID 31.
    bool IsRestMovable() const;
    /// Makes note 0 the movable-rest placeholder (ID 31, displacement 0) and clears the
    /// placeholder-rest flag. Callers apply it to rests.
    void MakeMovableRest();

    // Copying ----------------------------------------------------------------------------------

    /// Takes the note records of `source` whole (pitches, IDs, flags); entry flags and duration
    /// stay.
    void CopyNotes(FCNoteEntry* source);
    /// One note: a copy of `note`'s record with ID 1.
    void CopyNote(FCNote* note);
    /// Note or rest, duration and notes of `source`; sets the in-use bit.
    void CopyEntry(FCNoteEntry* source);
    /// Adds a note with `note`'s pitch to a note entry; false on a rest or a full entry.
    bool AddPitch(FCNote* note);
    /// Adds the pitches of `source` (both must be note entries); answers the number added.
    int AddPitches(FCNoteEntry* source);
    /// A new collection, owned by the caller, of copies of the note records (empty for a rest).
    FCNotePitches* CreateNotePitches();
    /// A new entry, owned by the caller, over the same record and frame, without links.
    FCNoteEntry* CreateShallowClone();

    // Ties, dots, accidentals ------------------------------------------------------------------

    /// A note entry with at least one tied note.
    bool IsTied();
    /// Sets or clears the tie of every note of a note entry.
    void TieAll(bool tie);
    /// Any duration that is not one of the plain values 8192, 4096, ... 4.
    bool IsDotted() const;
    /// Shows or hides the accidental of every note of a note entry.
    void SetAccidentals(bool show);

    // Pitch queries (pitch order: displacement, then raise/lower) ------------------------------

    FCNote* CalcHighestNote();
    FCNote* CalcLowestNote();
    /// The highest note, or the highest below `below`; null when there is none.
    FCNote* FindHighestNote(FCNote* below = nullptr);
    FCNote* FindLowestNote();
    twobyte CalcHighestDisplacement();
    twobyte CalcDisplacementRange();
    /// The first note of a note entry with the pitch of `note`; null when there is none.
    FCNote* FindPitch(FCNote* note);

    // Beams, stems and layers ------------------------------------------------------------------

    bool CalcFlippable();
    bool CalcBeamedGroupEnd();
    /// Asks the host for the entry's metrics; false for a rest or a failed request.
    bool CalcStemUp();
    /// True when at least two layers of the entry's staff and measure hold entries.
    bool CalcMultiLayeredCell();

    // Tuplets ----------------------------------------------------------------------------------

    bool IsPartOfTuplet();
    /// Copies tuplet `inci` of this entry from the frame's tuplet array; false when there is
    /// none.
    bool _GetTupletDef(twobyte inci, EDTTuplet2005* out);
    /// The last entry of `tuplet`, which starts on this entry and is attached to it (to an entry
    /// with this entry's number); null for a tuplet attached to no entry or to another one, a
    /// one-entry tuplet, a tuplet not found in the frame, or an end that the chain does not
    /// reach.
    FCNoteEntry* CalcLastTupletEntry(FCTuplet* tuplet);
    /// Index of the entry's record in its frame; -1 when it is not there.
    int _CalcTGFIndex() const;

    // Articulations ----------------------------------------------------------------------------

    /// Loads the entry's articulations into the cache when it has any (the cache is kept
    /// otherwise).
    void CacheArticulations();
    FCArticulations* GetArticulationCache() const { return _articulationCache; }
    /// Copies the articulations of `source` onto this entry as records numbered on from its own
    /// (without gaps), skipping definitions it already has when `skipExisting`; answers the
    /// number added. 0 for an entry the host has not numbered. The source (and its cache) keeps
    /// its own records.
    int AddArticulations(FCNoteEntry* source, bool skipExisting);

protected:
    void _SetEntryFlagBits(ufourbyte mask, bool state);
    /// Makes note record 0 a zeroed in-use record and the only note.
    void _MakeSingleZeroNote();
    /// Answers the winner of a pitch scan over `candidates` (true for a candidate note).
    template <typename Candidate> FCNote* _ScanPitch(bool highest, int bound, Candidate candidate);

    EXENTRY* _entryRecord = nullptr;
    EXTGF2005a* _frame = nullptr;
    twobyte _measure = 0;
    twobyte _staff = 0;
    FCNoteEntry* _previous = nullptr;
    FCNoteEntry* _next = nullptr;
    FCArticulations* _articulationCache = nullptr;
    /// The first slots of the note list, held here: an entry of up to nine notes (every chord
    /// but the largest) needs no array of its own.
    __FCBase* _noteSlots[GROWTH_STEP] = {};
};
