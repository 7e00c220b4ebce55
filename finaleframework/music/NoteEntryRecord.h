// How the record layer reaches the entry record behind a note entry without depending on the
// note entry class itself (which is built on the record layer).
#pragma once

#include "finalepdk/WireRecords.h"

class FCNoteEntry;

/// The EXENTRY record that `entry` stands for inside its frame; null when `entry` is null or has
/// no record. Defined with FCNoteEntry. The entry details read the entry number from it and set
/// their presence bits in its entryFlags.
EXENTRY* _EntryRecordOf(FCNoteEntry* entry);
