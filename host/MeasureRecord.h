// The measure record (tag SOMS) as the stand-in host keeps it: one 26-byte record per measure,
// key word 0 the measure number. The host reads three fields of it itself:
//
//   offset 2  u16  the key signature in force (the key value: bits 14-15 non-standard, bits 8-13
//                  the mode, the low byte signed sharps (+) or flats (-))
//   offset 4  s16  beats per measure
//   offset 6  s16  duration of one beat in EDU (1024 to the quarter note)
//
// Every other byte belongs to whoever writes the record and is kept as written. The builder
// writes these fields when it makes or changes a measure; the measure's duration follows the
// stored record, so a plug-in that saves a new time signature changes the measure's length.
#pragma once

#include "host/Document.h"

#include <optional>

namespace host {

constexpr EXTAG TAG_MEASURE = 0x534F4D53; // SOMS
constexpr size_t MEASURE_RECORD_SIZE = 26;
constexpr size_t MEASURE_KEY_OFFSET = 2;
constexpr size_t MEASURE_BEATS_OFFSET = 4;
constexpr size_t MEASURE_BEATDURATION_OFFSET = 6;

/// The key value of a standard key: `accidentals` sharps (positive) or flats (negative), major or
/// minor.
utwobyte StandardKeyValue(int accidentals, bool minor);

/// The store address of the record of `measure`.
RecordKey MeasureRecordKey(twobyte measure);

/// Writes the key and the time signature of `measure` (1-based, must exist) into its record,
/// creating a zeroed record when there is none and keeping every other byte of an existing one.
void WriteMeasureRecord(Document& document, twobyte measure);

/// The time signature stored in the record of `measure`; nullopt when no record of at least the
/// time signature's size is stored.
struct StoredTimeSignature {
    twobyte beats = 0;
    twobyte beatDuration = 0;
};
std::optional<StoredTimeSignature> ReadMeasureTimeSignature(const Document& document,
                                                            twobyte measure);
/// The key value stored in the record of `measure`; nullopt when there is none.
std::optional<utwobyte> ReadMeasureKeyValue(const Document& document, twobyte measure);

} // namespace host
