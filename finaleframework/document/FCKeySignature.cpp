#include "finaleframework/document/FCKeySignature.h"

#include "finaleframework/core/FCString.h"

namespace {

// The note index of the root at each accidental position (see CalcScaleRootIndex).
constexpr int MAJOR_ROOTS[8] = {2, 6, 3, 0, 4, 1, 5, 2};
constexpr int MINOR_ROOTS[8] = {0, 4, 1, 5, 2, 6, 3, 0};

constexpr int NOTE_LETTERS = 7;

/// A place among the accidentals of a key, counted from 1; a remainder of 0 is the 7th place.
int PlaceOf(int remainder) {
    return remainder == 0 ? NOTE_LETTERS : remainder;
}

} // namespace

void FCKeySignature::CloneMemoryFrom(__FCBaseData* source) {
    auto* other = dynamic_cast<FCKeySignature*>(source);
    if (!other) return;
    _keyvalue = other->_keyvalue;
    _data = &_keyvalue;
    _datasize = DataSizeLoad();
}

int FCKeySignature::_GetMode() const {
    if (_keyvalue & 0xC000) return -1;
    return _keyvalue >> 8;
}

int FCKeySignature::CalcSharps() const {
    if (!_IsStandard()) return -1;
    const int accidentals = _GetAccidentals();
    return accidentals > 0 ? accidentals : 0;
}

int FCKeySignature::CalcFlats() const {
    if (!_IsStandard()) return -1;
    const int accidentals = _GetAccidentals();
    return accidentals < 0 ? -accidentals : 0;
}

int FCKeySignature::CalcScaleRootIndex() const {
    if (!_IsStandard()) return -1;
    const int flats = CalcFlats();
    // Flats count back from the 7th position, sharps forward from the 0th.
    const int position =
        flats > 0 ? NOTE_LETTERS - flats % NOTE_LETTERS : CalcSharps() % NOTE_LETTERS;
    return _GetMode() == 1 ? MINOR_ROOTS[position] : MAJOR_ROOTS[position];
}

int FCKeySignature::CalcRootRelationIndex() const {
    if (!_IsStandard()) return -1;
    // Each sharp moves the root a fifth up (four letters), each flat a fifth down.
    const int sharps = CalcSharps();
    const int flats = CalcFlats();
    if (sharps > 0) return (4 * sharps) % NOTE_LETTERS;
    if (flats > 0) return NOTE_LETTERS - (4 * flats) % NOTE_LETTERS;
    return 0;
}

int FCKeySignature::CalcRootRelationAbsoluteIndex() const {
    if (!_IsStandard()) return -1;
    int relation = CalcRootRelationIndex();
    if (_GetMode() == 1) relation -= 2; // the relative minor lies two letters below
    if (relation < 0) relation += NOTE_LETTERS;
    return relation;
}

bool FCKeySignature::IsSharpNote(int noteindex) const {
    if (noteindex < 0 || noteindex >= NOTE_LETTERS) return false;
    const int sharps = CalcSharps();
    if (sharps <= 0) return false;
    // Sharps come in the order F C G D A E B.
    return sharps >= PlaceOf((2 * noteindex + 5) % NOTE_LETTERS);
}

bool FCKeySignature::IsFlatNote(int noteindex) const {
    if (noteindex < 0 || noteindex >= NOTE_LETTERS) return false;
    const int flats = CalcFlats();
    if (flats <= 0) return false;
    // Flats come in the order B E A D G C F.
    return flats >= PlaceOf((17 - 2 * noteindex) % NOTE_LETTERS);
}

bool FCKeySignature::IsIdentical(FCKeySignature* other) {
    if (!other) return false;
    const int mode = _GetMode();
    const int otherMode = other->_GetMode();
    if ((mode == 1) != (otherMode == 1)) return false;
    if ((mode == 0) != (otherMode == 0)) return false;
    if (CalcScaleRootIndex() != other->CalcScaleRootIndex()) return false;
    if (CalcFlats() != other->CalcFlats()) return false;
    return CalcSharps() == other->CalcSharps();
}

void FCKeySignature::MakeString(FCString* text) const {
    if (!text) return;
    text->SetCString("");
    if (!_IsStandard()) return;
    const int root = CalcScaleRootIndex();
    const bool minor = _GetMode() == 1;
    text->Append(static_cast<twobyte>((minor ? 'a' : 'A') + root));
    if (IsSharpNote(root)) text->Append(" sharp");
    if (IsFlatNote(root)) text->Append(" flat");
    text->Append(minor ? " minor" : " major");
}
