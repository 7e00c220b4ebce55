// Texts, expressions, staff lists and clefs as the stand-in host stores them. The host keeps these
// records as written; the builder makes them with the layouts below.
//
// Raw text (tag txbl, or txxp for expression texts; key word 0 the number): the characters,
// zero-terminated.
//
// Text block (SOTX, key word 0 the number), 26 bytes:
//   offset 0   s16  number of the raw text
//   offset 8   s16  100
//   offset 14  u16  flags, 0x1A08
//   offset 24  u16  the raw text's kind: 0x626C (bl) or 0x7870 (xp)
//
// Text expression definition (SODT, key word 0 the number), 36 bytes and the description:
//   offset 0   s16  number of the text block
//   offset 2   s16  rehearsal mark style
//   offset 34       description, zero-terminated
//
// Expression (SODY, key word 0 the measure, word 1 the record number), 24 bytes:
//   offset 0   s16  number of the text expression definition
//   offset 8   s16  staff
//   offset 14  s16  staff list (0: none)
//
// Staff list element (otDC, otdc, otIO or otio; key word 0 the list, word 1 the record number):
// one 16-bit staff number.
//
// Frame hold (SDGF, key word 0 the staff, word 1 the measure, word 2 0), 10 bytes: the clef in
// force at the start of the cell at offset 0; the 32 bits at offset 6 are the reader's own and
// are kept as written.
//
// Clef definition (gbcf, key word 0 the clef number from 0), 18 bytes: offset 0 the staff position
// of middle C relative to the top staff line.
#pragma once

#include "host/Document.h"

#include <string>
#include <vector>

namespace host {

constexpr EXTAG TAG_RAWTEXT_BLOCK = 0x7478626C;       // txbl
constexpr EXTAG TAG_RAWTEXT_EXPRESSION = 0x74787870;  // txxp
constexpr EXTAG TAG_TEXTBLOCK = 0x534F5458;           // SOTX
constexpr EXTAG TAG_TEXT_EXPRESSION_DEF = 0x534F4454; // SODT
constexpr EXTAG TAG_EXPRESSION = 0x534F4459;          // SODY
constexpr EXTAG TAG_FRAME_HOLD = 0x53444746;          // SDGF
constexpr EXTAG TAG_CLEF_DEF = 0x67626366;            // gbcf

constexpr size_t TEXTBLOCK_RECORD_SIZE = 26;
constexpr size_t TEXT_EXPRESSION_DEF_FIXED_SIZE = 36;
constexpr size_t EXPRESSION_RECORD_SIZE = 24;
constexpr size_t FRAME_HOLD_RECORD_SIZE = 10;
constexpr size_t CLEF_DEF_RECORD_SIZE = 18;

/// The store address of a record keyed by up to three words.
RecordKey WordKey(EXTAG tag, twobyte w0, twobyte w1 = 0, twobyte w2 = 0);

/// One more than the highest word 0 stored under `tag` (1 when there is none).
twobyte NextFreeItem(const Document& document, EXTAG tag);
/// The number of records of `tag` under word 0 `item` numbered 0, 1, ... without a gap.
twobyte CountIncis(const Document& document, EXTAG tag, twobyte item);

/// Stores raw text `number` and text block `number` that refers to it; the raw text goes under
/// txxp for an expression text, txbl otherwise.
void WriteTextBlock(Document& document, twobyte number, const std::string& text,
                    bool expressionText);

/// The text of raw text `number` under `tag`; empty when there is none.
std::string ReadRawText(const Document& document, EXTAG tag, twobyte number);

} // namespace host
