#include "finaleframework/document/FCStaff.h"

#include "finaleframework/core/FCString.h"
#include "finaleframework/document/FCTextBlock.h"
#include "finaleframework/music/FCCell.h"
#include "finaleframework/music/FCNoteEntry.h"

#include <cstring>

namespace {

constexpr int TRANSPOSITION = 20;
constexpr int FULL_NAME = 30;

/// The low `bits` bits of `value` as a signed number.
int SignedBits(unsigned value, int bits) {
    const unsigned mask = (1u << bits) - 1;
    const int field = static_cast<int>(value & mask);
    return field >= (1 << (bits - 1)) ? field - (1 << bits) : field;
}

} // namespace

void FCStaff::CloneMemoryFrom(__FCBaseData* source) {
    auto* other = dynamic_cast<FCStaff*>(source);
    if (!other || other == this || other->_datasize <= 0) return;
    std::memcpy(_record, other->_record, sizeof _record);
    _data = _record;
    _datasize = RECORD_SIZE;
}

utwobyte FCStaff::GetTranspositionWord() const {
    utwobyte word;
    std::memcpy(&word, _record + TRANSPOSITION, sizeof word);
    return word;
}

void FCStaff::SetTranspositionWord(utwobyte word) {
    std::memcpy(_record + TRANSPOSITION, &word, sizeof word);
}

twobyte FCStaff::GetFullNameID() const {
    twobyte block;
    std::memcpy(&block, _record + FULL_NAME, sizeof block);
    return block;
}

void FCStaff::SetFullNameID(twobyte block) {
    std::memcpy(_record + FULL_NAME, &block, sizeof block);
}

int FCStaff::GetTransposeInterval() const {
    const utwobyte word = GetTranspositionWord();
    if (word & TRANSPOSITION_CHROMATIC) return SignedBits(word, 8);
    return SignedBits(word >> 6, 6);
}

int FCStaff::GetTransposeAlteration() const {
    const utwobyte word = GetTranspositionWord();
    if (word & TRANSPOSITION_CHROMATIC) return SignedBits(word >> 8, 4);
    return SignedBits(word, 6);
}

FCString* FCStaff::CreateFullNameString() {
    FCTextBlock block;
    block.Load(static_cast<utwobyte>(GetFullNameID()));
    if (block._GetDataSize() <= 0) return new FCString;
    return block.CreateRawTextString();
}

FCString* FCStaff::CreateTrimmedFullNameString() {
    FCString* name = CreateFullNameString();
    name->TrimEnigmaFontTags();
    return name;
}

bool FCCurrentStaffSpec::_LoadAt(twobyte staff, twobyte measure, fourbyte position) {
    _SetKeyWord(0, static_cast<utwobyte>(staff));
    _SetKeyWord(1, static_cast<utwobyte>(measure));
    const auto bits = static_cast<ufourbyte>(position);
    _SetKeyWord(2, static_cast<utwobyte>(bits & 0xFFFF));
    _SetKeyWord(3, static_cast<utwobyte>(bits >> 16));
    return LoadDataBlock();
}

fourbyte FCCurrentStaffSpec::GetItemPosition() const {
    const ufourbyte bits =
        static_cast<ufourbyte>(_GetKeyWord(2)) | (static_cast<ufourbyte>(_GetKeyWord(3)) << 16);
    return static_cast<fourbyte>(bits);
}

bool FCCurrentStaffSpec::Load(FCCell* cell, fourbyte position) {
    if (!cell) return false;
    return _LoadAt(cell->GetStaff(), cell->GetMeasure(), position);
}

bool FCCurrentStaffSpec::Load(FCNoteEntry* entry) {
    if (!entry || !entry->_GetEntryRecord()) return false;
    return _LoadAt(entry->GetStaff(), entry->GetMeasure(), entry->GetElapsedDuration());
}
