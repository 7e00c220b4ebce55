#include "finaleframework/music/FCNote.h"

#include "finaleframework/music/FCNoteEntry.h"

void FCNote::SetTie(bool state) {
    ufourbyte flags = _noteRecord->noteFlags;
    Set32BitFlag(&flags, NOTE_TIE, state);
    _noteRecord->noteFlags = flags;
}

void FCNote::_SetEntryFlagBits(ufourbyte mask, bool state) {
    EXENTRY* record = _entry ? _entry->_GetEntryRecord() : nullptr;
    if (!record) return;
    // The flag word lies unaligned inside the packed record: work on a copy.
    ufourbyte flags = record->entryFlags;
    Set32BitFlag(&flags, mask, state);
    record->entryFlags = flags;
}

bool FCNote::_GetEntryFlagBits(ufourbyte mask) const {
    const EXENTRY* record = _entry ? _entry->_GetEntryRecord() : nullptr;
    return record && (record->entryFlags & mask) != 0;
}

void FCNote::_SetNoteDetailEntryFlag(bool state) {
    _SetEntryFlagBits(ENTRY_NOTEDETAIL, state);
}
bool FCNote::_GetNoteDetailEntryFlag() const {
    return _GetEntryFlagBits(ENTRY_NOTEDETAIL);
}
void FCNote::_SetSpecialAltsEntryFlag(bool state) {
    _SetEntryFlagBits(ENTRY_SPECIALALTS, state);
}
bool FCNote::_GetSpecialAltsEntryFlag() const {
    return _GetEntryFlagBits(ENTRY_SPECIALALTS);
}
void FCNote::_SetPerformanceDataEntryFlag(bool state) {
    _SetEntryFlagBits(ENTRY_PERFDATA, state);
}
bool FCNote::_GetPerformanceDataEntryFlag() const {
    return _GetEntryFlagBits(ENTRY_PERFDATA);
}
void FCNote::_SetArticulationEntryFlag(bool state) {
    _SetEntryFlagBits(ENTRY_ARTICULATION, state);
}

fourbyte FCNote::_GetEntryNumber() const {
    const EXENTRY* record = _entry ? _entry->_GetEntryRecord() : nullptr;
    return record ? record->entryNumber : 0;
}

bool FCNote::IsIdenticalPitch(const FCNote* other) const {
    return other && _noteRecord->displacement == other->_noteRecord->displacement &&
           _noteRecord->raiseLower == other->_noteRecord->raiseLower;
}

bool FCNote::IsLowerPitchThan(const FCNote* other) const {
    if (!other) return false;
    const twobyte displacement = _noteRecord->displacement;
    const twobyte otherDisplacement = other->_noteRecord->displacement;
    if (displacement != otherDisplacement) return displacement < otherDisplacement;
    return _noteRecord->raiseLower < other->_noteRecord->raiseLower;
}
