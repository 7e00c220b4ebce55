// Staves: the staff's own definition record, and the same record as it is in force at one point
// of the music.
#pragma once

#include "finaleframework/records/FCOther.h"

class FCCell;
class FCNoteEntry;
class FCString;

/// One staff (cmper = the staff number), a 114-byte record kept inside the object. Two fields are
/// read:
///
///   offset 20  u16  transposition word (0: not transposed), in one of two layouts told apart by
///                   bit 0x2000:
///                   set:   bits 0-7 the diatonic interval (signed), bits 8-11 the alteration
///                          (signed)
///                   clear: bits 6-11 the diatonic interval (signed), bits 0-5 the alteration
///                          (signed)
///   offset 30  s16  number of the text block holding the staff's full name
class FCStaff : public __FCNoInciOther {
public:
    static constexpr int RECORD_SIZE = 114;
    /// The transposition word's layout bit.
    static constexpr utwobyte TRANSPOSITION_CHROMATIC = 0x2000;

    const char* ClassName() override { return "FCStaff"; }
    EXTAG Tag() override { return 0x534F4953; } // SOIS
    EVERSION EnigmaVersion() override { return 0x0F000000; }
    fourbyte DataSizeLoad() override { return RECORD_SIZE; }
    void* Allocate() override { return _record; }
    __FCBaseData* CreateObject() override { return new FCStaff; }
    void CloneMemoryFrom(__FCBaseData* source) override;
    ~FCStaff() override = default;

    utwobyte GetTranspositionWord() const;
    void SetTranspositionWord(utwobyte word);
    twobyte GetFullNameID() const;
    void SetFullNameID(twobyte block);

    /// Diatonic steps of the transposition.
    int GetTransposeInterval() const;
    /// Chromatic alteration of the transposition.
    int GetTransposeAlteration() const;

    /// A new string (the caller's) with the raw text of the full name's text block; empty when
    /// the block or its raw text does not load.
    FCString* CreateFullNameString();
    /// The same without its font, size and effects commands.
    FCString* CreateTrimmedFullNameString();

protected:
    unsigned char _record[RECORD_SIZE] = {};
};

/// The staff's record as the host reports it in force at one point of the music, with the staff
/// changes made there applied. Read only. Key: word 0 the staff, word 1 the measure, bytes 4 to 7
/// the 32-bit position in the measure.
class FCCurrentStaffSpec : public FCStaff {
public:
    const char* ClassName() override { return "FCCurrentStaffSpec"; }
    EXTAG Tag() override { return 0x534F5343; } // SOSC
    __FCBaseData* CreateObject() override { return new FCCurrentStaffSpec; }
    ~FCCurrentStaffSpec() override = default;
    /// Not available for a staff at a point of the music: false, 0, without asking the host.
    bool Load(utwobyte cmper) override { return false; }
    bool SaveAs(utwobyte cmper) override { return false; }
    bool SaveNew() override { return false; }
    utwobyte GetItemNo() override { return 0; }

    /// The staff in force at the entry: its staff, its measure and its position in the measure.
    /// False without an entry record.
    bool Load(FCNoteEntry* entry);
    /// The staff in force in the cell at `position`. False without a cell.
    bool Load(FCCell* cell, fourbyte position);

    twobyte GetItemStaff() const { return static_cast<twobyte>(_GetKeyWord(0)); }
    twobyte GetItemMeasure() const { return static_cast<twobyte>(_GetKeyWord(1)); }
    fourbyte GetItemPosition() const;

private:
    bool _LoadAt(twobyte staff, twobyte measure, fourbyte position);
};
