// Pitch spelling: the letter and the alteration of a note from its step position, the key of its
// measure, the staff's transposition and the clef.
#include "finaleframework/music/FCNote.h"

#include "finaleframework/document/FCClefDef.h"
#include "finaleframework/document/FCKeySignature.h"
#include "finaleframework/document/FCStaff.h"
#include "finaleframework/music/FCCell.h"
#include "finaleframework/music/FCNoteEntry.h"

namespace {

/// The letters are numbered from A: 0 = A ... 6 = G.
constexpr int LETTERS = 7;
/// The sharps fall on F, C, G, D, A, E, B, then F again (each a fifth above the one before); the
/// flats on B, E, A, D, G, C, F, then B again (each a fifth below).
constexpr int FIRST_SHARP = 5; // F
constexpr int FIRST_FLAT = 1;  // B

int Letter(int n) {
    const int letter = n % LETTERS;
    return letter < 0 ? letter + LETTERS : letter;
}

/// The key value of the entry's measure; the key without accidentals when the measure record
/// does not load (the cell's answer).
utwobyte KeyValueOf(FCNoteEntry* entry) {
    FCCell cell(entry->GetMeasure(), entry->GetStaff());
    return cell.GetKeySignature()->GetKeyValue();
}

/// A key signature holding the key value of the entry's measure.
struct EntryKey : FCKeySignature {
    explicit EntryKey(FCNoteEntry* entry) { SetKeyValue(KeyValueOf(entry)); }
};

/// The staff in force at the entry. A staff that does not load reads as untransposed.
struct EntryStaff : FCCurrentStaffSpec {
    explicit EntryStaff(FCNoteEntry* entry) { Load(entry); }
};

} // namespace

twobyte FCNote::CalcActualDisplacement() const {
    const EXENTRY* record = _entry ? _entry->_GetEntryRecord() : nullptr;
    if (!record) return 0;
    FCClefDef clef;
    clef.Load(record->clefIndex); // a definition that does not load reads as middle C at 0
    EntryStaff staff(_entry);
    EntryKey key(_entry);
    return static_cast<twobyte>(
        key.CalcRootRelationAbsoluteIndex() +
        (GetDisplacement() + clef.GetMiddleCPos() + staff.GetTransposeInterval()));
}

char FCNote::CalcPitchChar() const {
    if (!_entry || !_entry->_GetEntryRecord() || _entry->IsRest()) return 0;
    EntryKey key(_entry);
    return static_cast<char>('A' + Letter(key.CalcScaleRootIndex() + GetDisplacement()));
}

char FCNote::CalcWrittenPitchChar() const {
    if (!_entry || !_entry->_GetEntryRecord() || _entry->IsRest()) return 0;
    EntryStaff staff(_entry);
    EntryKey key(_entry);
    return static_cast<char>(
        'A' + Letter(key.CalcScaleRootIndex() + GetDisplacement() + staff.GetTransposeInterval()));
}

twobyte FCNote::CalcPitchRaiseLower(bool written) const {
    if (!_entry || !_entry->_GetEntryRecord() || _entry->IsRest()) return 0;
    EntryKey key(_entry);
    // Only standard major and minor keys say which letters they alter.
    if (key.GetKeyValue() >= 0x0200) return 0;

    // The key's accidentals as one signed count, sharps up and flats down, so that a
    // transposition that changes the key's alteration can lead from a flat key to a sharp one
    // and back (concert F major on a B-flat staff is written in G major).
    int accidentals = key.CalcSharps() - key.CalcFlats();
    if (written) {
        EntryStaff staff(_entry);
        if (!(staff.GetTranspositionWord() & FCStaff::TRANSPOSITION_CHROMATIC))
            accidentals += staff.GetTransposeAlteration();
    }

    const char c = written ? CalcWrittenPitchChar() : CalcPitchChar();
    if (c == 0) return 0;
    const int letter = c - 'A';

    int alteration = 0;
    if (accidentals >= 1) {
        for (int i = 0; i < accidentals; ++i)
            if (Letter(FIRST_SHARP + 4 * i) == letter) ++alteration;
    } else {
        for (int i = 0; i < -accidentals; ++i)
            if (Letter(FIRST_FLAT + 3 * i) == letter) --alteration;
    }
    return static_cast<twobyte>(GetRaiseLower() + alteration);
}
