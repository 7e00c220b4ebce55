// Frame transport: the clean-up that every frame goes through before its entries are handed back
// to the host (insert, delete, save, reduce). The wrappers themselves are declared with every
// other host function in finalepdk/FinaleBinding.h.
#pragma once

#include "finalepdk/WireRecords.h"

/// While true, the clean-up gives every entry without a note record one placeholder record, so
/// that a rest always reaches the host with a note record. The framework never clears it.
extern bool CanAddNoteRecordToRests;

/// Normalises every entry of `frame` in place: note IDs that are 0 or repeated within an entry
/// are replaced by one more than the highest ID of the entry (the earlier of two equal IDs is the
/// one renumbered; should the count wrap past 32767, IDs in use and 0 are passed over), the ID copy in bits 16 to 20 of each note's flags is refreshed, the note
/// records behind `noteCount` are zeroed, and (while CanAddNoteRecordToRests) an entry without
/// notes gets a placeholder record and the placeholder-rest flag. A `noteCount` outside 0..12 is
/// first brought into that range, since the record has room for twelve notes only. Nothing else
/// of the frame changes. Does nothing for a null frame or one without entries.
void CleanTGF(EXTGF2005a* frame);
