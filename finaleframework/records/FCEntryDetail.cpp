#include "finaleframework/records/FCEntryDetail.h"

#include "finaleframework/music/NoteEntryRecord.h"

#include <cstring>

namespace {

constexpr int INCI_WORD = 2;
constexpr utwobyte HOST_CHOOSES = 0xFFFF;

} // namespace

bool __FCEntryDetail::Load(fourbyte entnum, twobyte inci) {
    _SetKeyLong(entnum);
    _SetKeyWord(INCI_WORD, static_cast<utwobyte>(inci));
    return LoadDataBlock();
}

bool __FCEntryDetail::LoadFirst() {
    if (!_noteentry) return false;
    const EXENTRY* record = _EntryRecordOf(_noteentry);
    if (!record) return false;
    return Load(record->entryNumber, 0);
}

bool __FCEntryDetail::LoadNext() {
    return _LoadNextInci(INCI_WORD);
}

void __FCEntryDetail::SetNoteEntry(FCNoteEntry* entry) {
    _noteentry = entry;
    const EXENTRY* record = entry ? _EntryRecordOf(entry) : nullptr;
    _SetKeyLong(record ? record->entryNumber : 0);
}

bool __FCEntryDetail::SaveAs(fourbyte entnum, twobyte inci) {
    _SetKeyLong(entnum);
    _SetKeyWord(INCI_WORD, static_cast<utwobyte>(inci));
    return Save();
}

bool __FCEntryDetail::SaveNew() {
    if (!_noteentry || _datasize <= 0) return false;
    // The host writes the chosen number into the key it is given; a key of our own keeps _key
    // intact when the create fails.
    unsigned char key[sizeof _key] = {};
    std::memcpy(key, _key, 4);
    key[2 * INCI_WORD] = HOST_CHOOSES & 0xFF;
    key[2 * INCI_WORD + 1] = HOST_CHOOSES >> 8;
    if (!_CreateWithKey(key)) return false;
    std::memcpy(_key, key, sizeof _key);
    _SetEntryFlag(_noteentry, true);
    return true;
}

void __FCEntryDetail::_SetEntryFlag(FCNoteEntry* entry, bool on) {
    _SetEntryFlagBits(entry, ENTRY_NOTEDETAIL, on);
}

void __FCEntryDetail::_SetEntryFlagBits(FCNoteEntry* entry, ufourbyte mask, bool on) {
    if (!entry) return;
    EXENTRY* record = _EntryRecordOf(entry);
    if (!record) return;
    // The record sits packed inside a frame's array: work on an aligned copy of the flags.
    ufourbyte flags = record->entryFlags;
    Set32BitFlag(&flags, mask, on);
    record->entryFlags = flags;
}
