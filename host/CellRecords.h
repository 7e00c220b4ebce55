// Records attached to a cell (one measure of one staff) that the stand-in host keeps as written:
// chord symbols and MIDI expressions. Key: word 0 the staff, word 1 the measure, word 2 the record
// number within the cell (from 0, without gaps).
//
// Chord symbol (SDCh), 30 bytes: offset 0 s32 the position in the measure (EDU).
// MIDI expression (dtME), 10 bytes: offset 0 s32 the position in the measure (EDU).
//
// Every other byte belongs to whoever writes the record.
#pragma once

#include "host/Document.h"

namespace host {

constexpr EXTAG TAG_CHORD = 0x53444368;           // SDCh
constexpr EXTAG TAG_MIDI_EXPRESSION = 0x64744D45; // dtME
constexpr size_t CHORD_RECORD_SIZE = 30;
constexpr size_t MIDI_EXPRESSION_RECORD_SIZE = 10;

/// Stores a record of `tag` of `size` bytes holding `position` under the cell's next record
/// number; answers that number.
twobyte AddCellRecord(Document& document, EXTAG tag, size_t size, twobyte staff, twobyte measure,
                      fourbyte position);

} // namespace host
