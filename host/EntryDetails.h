// Entry details are data records keyed by an entry number (bytes 0-3 of the key) and a record
// number. The host moves them along with their entries when music is copied.
#pragma once

#include "host/Document.h"

namespace host {

constexpr EXTAG TAG_TUPLET = 0x45035450;
constexpr EXTAG TAG_ARTICULATION = 0x6564494D; // edIM
constexpr EXTAG TAG_DOTMOD = 0x65644454;       // edDT

/// True for tags whose records hang under an entry number.
bool IsEntryDetailTag(EXTAG tag);

/// The entry number of an entry-detail record key.
fourbyte EntryNumberOfKey(const std::array<unsigned char, 8>& key);
void SetEntryNumberOfKey(std::array<unsigned char, 8>& key, fourbyte entryNumber);

/// Every entry-detail record stored under `entryNumber`.
RecordStore DetailsOfEntry(const Document& document, fourbyte entryNumber);
/// Removes every entry-detail record stored under `entryNumber`.
void EraseDetailsOfEntry(Document& document, fourbyte entryNumber);

} // namespace host
