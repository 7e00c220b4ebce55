// Kept in a file of its own, so that a program standing in for the note entries can define it.
#include "finaleframework/music/NoteEntryRecord.h"

#include "finaleframework/music/FCNoteEntry.h"

EXENTRY* _EntryRecordOf(FCNoteEntry* entry) {
    return entry ? entry->_GetEntryRecord() : nullptr;
}
