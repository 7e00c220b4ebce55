// Staff records as the stand-in host keeps them, and the staff specification it reports in force
// at one point of the music.
//
// Staff record (tag SOIS, key word 0 the staff number), 114 bytes. The host reads two fields:
//
//   offset 20  u16  transposition word (0: not transposed)
//   offset 30  s16  number of the text block holding the staff's full name (0: none)
//
// Every other byte is kept as written. A staff added by the builder gets a zeroed record.
//
// Staff specification (tag SOSC, read only): key word 0 the staff, word 1 the measure, bytes 4-7
// a 32-bit position in the measure. The host answers the staff's record with the staff styles in
// force at that point applied (host::StaffStyle in host/Document.h); a later style wins over an
// earlier one where they overlap. No record is answered for a staff without a staff record or a
// measure outside the document, and the host refuses to save, create or delete such records.
#pragma once

#include "host/Document.h"

#include <vector>

namespace host {

constexpr EXTAG TAG_STAFF = 0x534F4953;      // SOIS
constexpr EXTAG TAG_STAFF_SPEC = 0x534F5343; // SOSC
constexpr size_t STAFF_RECORD_SIZE = 114;
constexpr size_t STAFF_TRANSPOSITION_OFFSET = 20;
constexpr size_t STAFF_FULLNAME_OFFSET = 30;

/// The store address of the record of `staff`.
RecordKey StaffRecordKey(twobyte staff);

/// Makes sure `staff` has a staff record: a zeroed one when there is none (an existing record is
/// kept as it is). Answers the record's bytes, at least STAFF_RECORD_SIZE of them.
std::vector<unsigned char>& WriteStaffRecord(Document& document, twobyte staff);

/// Tags whose records the host computes instead of storing.
bool IsComputedRecordTag(EXTAG tag);

/// Computes the record of a computed tag for `keyBlock` (8 bytes) into `out`; false when there is
/// no such record.
bool ComputeRecord(const Document& document, EXTAG tag, const void* keyBlock,
                   std::vector<unsigned char>& out);

} // namespace host
