// What `cadentra` accepts at most. Scores beyond these are refused with an error naming the limit,
// so that no file, however made, takes unbounded time or memory: the reader's work grows with the
// size of what it reads, and every size is bounded here. Real scores stay far below each limit.
#pragma once

#include <cstddef>

namespace cadentra_cli {

/// A score file as read from disk: MusicXML text or an .mxl archive (32 MiB).
constexpr size_t MAX_FILE_BYTES = size_t{32} << 20;
/// The score inside an .mxl archive, uncompressed (32 MiB), and the archive's container file.
constexpr size_t MAX_MEMBER_BYTES = size_t{32} << 20;
constexpr size_t MAX_CONTAINER_BYTES = size_t{64} << 10;
/// Members of an .mxl archive.
constexpr long MAX_ARCHIVE_MEMBERS = 1000;

/// Elements nested in one another (a score needs fewer than ten).
constexpr int MAX_ELEMENT_DEPTH = 64;
/// Parts of a score and staves over all its parts.
constexpr size_t MAX_PARTS = 1000;
constexpr int MAX_STAVES = 1000;
/// Measures of a score (the host counts them in 16 bits).
constexpr size_t MAX_MEASURES = 32000;
/// Notes, chords and rests of one voice of one staff in one measure.
constexpr size_t MAX_ENTRIES_PER_MEASURE = 10000;
/// <divisions> per quarter note.
constexpr int MAX_DIVISIONS = 1000000;
/// A <duration>, in quarter notes (256 whole notes).
constexpr int MAX_DURATION_QUARTERS = 1024;
/// Notes of a tuplet: <actual-notes>, <normal-notes> and a tuplet's stated numbers.
constexpr int MAX_TUPLET_NOTES = 1000;

/// Articulations and fermatas of different spellings that each keep a definition of their own;
/// past these a mark keeps only its kind.
constexpr size_t MAX_MARK_DEFINITIONS = 1000;

} // namespace cadentra_cli
