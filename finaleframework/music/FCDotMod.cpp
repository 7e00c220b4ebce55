#include "finaleframework/music/FCDotMod.h"

#include "finaleframework/music/FCNote.h"
#include "finaleframework/music/FCNoteEntry.h"
#include "finaleframework/music/NoteEntryRecord.h"
#include "finalepdk/FinaleBinding.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

constexpr twobyte NO_RECORD = -1;
constexpr int INCI_OFFSET = 4;

void MakeKey(unsigned char (&key)[8], fourbyte entryNumber, twobyte inci) {
    std::memset(key, 0, sizeof key);
    std::memcpy(key, &entryNumber, sizeof entryNumber);
    std::memcpy(key + INCI_OFFSET, &inci, sizeof inci);
}

fourbyte EntryNumberOf(FCNoteEntry* entry) {
    const EXENTRY* record = entry ? _EntryRecordOf(entry) : nullptr;
    return record ? record->entryNumber : 0;
}

} // namespace

// Details bound to a note ------------------------------------------------------------------------

twobyte __FCEntryDetailNoteID::_ScanForNoteID(FCNoteEntry* entry, twobyte noteID) {
    const fourbyte entryNumber = EntryNumberOf(entry);
    if (entryNumber == 0) return NO_RECORD;
    std::vector<unsigned char> scratch(static_cast<size_t>(std::max<fourbyte>(DataSizeLoad(), 1)));
    for (twobyte k = 0; k < INT16_MAX; ++k) {
        if (!_LoadInto(entryNumber, k, scratch.data())) break;
        if (_IsNoteIDMatch(scratch.data(), noteID)) return k;
    }
    return NO_RECORD;
}

bool __FCEntryDetailNoteID::LoadAt(FCNote* note) {
    if (!note || !_GetNoteFlag(note)) return false;
    FCNoteEntry* entry = note->GetEntry();
    const twobyte k = _ScanForNoteID(entry, note->GetNoteID());
    if (k == NO_RECORD) return false;
    SetNoteEntry(entry);
    return Load(EntryNumberOf(entry), k);
}

bool __FCEntryDetailNoteID::_StoreAt(fourbyte entryNumber, twobyte k) {
    if (!_data) _data = Allocate();
    unsigned char key[8];
    MakeKey(key, entryNumber, k);
    bool stored;
    if (k == NO_RECORD) {
        stored = _CreateWithKey(key); // the host writes the number it chose into the key
    } else {
        stored = FX_SaveEData(Tag(), key, _data, DataSizeSave(), EnigmaVersion()) != 0;
    }
    if (stored) std::memcpy(_key, key, sizeof _key);
    return stored;
}

bool __FCEntryDetailNoteID::SaveAt(FCNote* note) {
    FCNoteEntry* entry = note ? note->GetEntry() : nullptr;
    const fourbyte entryNumber = EntryNumberOf(entry);
    // Details hang under host entry numbers; an entry without one cannot carry them.
    if (entryNumber == 0) return false;
    const twobyte k = _ScanForNoteID(entry, note->GetNoteID());
    _SetNoteID(note->GetNoteID());
    if (!_StoreAt(entryNumber, k)) return false;
    _noteentry = entry;
    _SetNoteFlag(note, true);
    return true;
}

bool __FCEntryDetailNoteID::EraseAt(FCNote* note) {
    FCNoteEntry* entry = note ? note->GetEntry() : nullptr;
    const fourbyte entryNumber = EntryNumberOf(entry);
    if (entryNumber == 0) return false;
    const twobyte k = _ScanForNoteID(entry, note->GetNoteID());
    if (k == NO_RECORD) return false;
    unsigned char key[8];
    MakeKey(key, entryNumber, k);
    if (FX_DeleteEData(Tag(), key, EnigmaVersion()) == 0) return false;
    if (!_HasAnyMod(note)) _SetNoteFlag(note, false);
    MakeKey(_key, entryNumber, NO_RECORD);
    return true;
}

// Dot modifications ----------------------------------------------------------------------------

twobyte FCDotMod::_Word(int offset) const {
    twobyte value;
    std::memcpy(&value, _record + offset, sizeof value);
    return value;
}

void FCDotMod::_SetWord(int offset, twobyte value) {
    std::memcpy(_record + offset, &value, sizeof value);
    _data = _record;
    _datasize = RECORD_SIZE;
}

void FCDotMod::CloneMemoryFrom(__FCBaseData* source) {
    auto* other = dynamic_cast<FCDotMod*>(source);
    if (!other || other == this) {
        __FCBaseData::CloneMemoryFrom(source);
        return;
    }
    std::memcpy(_record, other->_record, sizeof _record);
    _data = _record;
    _datasize = other->_datasize;
}

void FCDotMod::_SetNoteID(twobyte noteID) {
    _SetWord(NOTEID_OFFSET, noteID);
}

bool FCDotMod::_IsNoteIDMatch(const void* record, twobyte noteID) {
    twobyte stored;
    std::memcpy(&stored, static_cast<const unsigned char*>(record) + NOTEID_OFFSET, sizeof stored);
    return stored == noteID;
}

void FCDotMod::_SetNoteFlag(FCNote* note, bool on) {
    if (note) note->_SetNoteDetailEntryFlag(on);
}

bool FCDotMod::_GetNoteFlag(FCNote* note) {
    return note && note->_GetNoteDetailEntryFlag();
}

bool FCDotMod::SaveRestDotAt(FCNoteEntry* rest) {
    const fourbyte entryNumber = EntryNumberOf(rest);
    if (entryNumber == 0) return false;
    const twobyte k = _ScanForNoteID(rest, NOTEID_MOVABLEREST);
    _SetNoteID(NOTEID_MOVABLEREST);
    if (!_StoreAt(entryNumber, k)) return false;
    _noteentry = rest;
    _SetEntryFlagBits(rest, ENTRY_SPECIALALTS, true);
    return true;
}

bool FCDotMod::LoadRestDotAt(FCNoteEntry* rest) {
    const EXENTRY* record = rest ? _EntryRecordOf(rest) : nullptr;
    if (!record || !(record->entryFlags & ENTRY_SPECIALALTS)) return false;
    const twobyte k = _ScanForNoteID(rest, NOTEID_MOVABLEREST);
    if (k == NO_RECORD) return false;
    SetNoteEntry(rest);
    return Load(record->entryNumber, k);
}
