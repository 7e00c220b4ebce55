#include "finaleframework/records/FCEntryDetail.h"

#include "finaleframework/music/FCNote.h"
#include "finaleframework/music/NoteEntryRecord.h"
#include "finalepdk/FinaleBinding.h"

#include <algorithm>
#include <cstring>
#include <vector>

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

bool __FCEntryDetail::_LoadInto(fourbyte entnum, twobyte inci, void* scratch) {
    unsigned char key[sizeof _key] = {};
    std::memcpy(key, &entnum, sizeof entnum);
    std::memcpy(key + 2 * INCI_WORD, &inci, sizeof inci);
    fourbyte size = DataSizeLoad();
    return FX_LoadEData(Tag(), key, scratch, &size, EnigmaVersion()) != 0;
}

bool __FCEntryDetail::_HasAnyMod(FCNote* note) {
    const fourbyte entryNumber = note ? note->_GetEntryNumber() : 0;
    if (entryNumber == 0) return false;
    std::vector<unsigned char> scratch(static_cast<size_t>(std::max<fourbyte>(DataSizeLoad(), 1)));
    return _LoadInto(entryNumber, 0, scratch.data());
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
