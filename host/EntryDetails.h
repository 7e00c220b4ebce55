// Entry details are data records keyed by an entry number (bytes 0-3 of the key) and a record
// number. The host moves them along with their entries when music is copied.
#pragma once

#include "host/Document.h"

namespace host {

/// The address of record `inci` of `tag` under entry `entryNumber`. Record 0 is where the entry's
/// records of that tag begin in the store.
RecordKey DetailKey(EXTAG tag, fourbyte entryNumber, twobyte inci = 0);

/// The entry number of an entry-detail record key.
fourbyte EntryNumberOfKey(const std::array<unsigned char, 8>& key);
void SetEntryNumberOfKey(std::array<unsigned char, 8>& key, fourbyte entryNumber);

/// Every entry-detail record stored under `entryNumber`.
RecordStore DetailsOfEntry(const Document& document, fourbyte entryNumber);
/// True when any entry-detail record is stored under `entryNumber`.
bool HasDetails(const Document& document, fourbyte entryNumber);
/// True when `a` and `b` hold the same entry-detail records, byte for byte, under `entryNumber`.
bool SameDetails(const Document& a, const Document& b, fourbyte entryNumber);
/// Copies every entry-detail record stored under `entryNumber` in `from` into `to`.
void CopyDetails(const Document& from, Document& to, fourbyte entryNumber);
/// Removes every entry-detail record stored under `entryNumber`.
void EraseDetailsOfEntry(Document& document, fourbyte entryNumber);

} // namespace host
