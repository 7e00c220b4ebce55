// Writes a score back after COPY: only the cells (staff, voice, measure) whose host entries
// changed are written anew, every other byte of the file stays as it was.
#pragma once

#include "cli/Score.h"

#include <string>
#include <vector>

namespace cadentra_cli {

/// The cells whose entries, or whose entries' detail records, differ between the document as it
/// was read and `after`.
std::vector<host::FrameKey> ChangedCells(const Score& score, const host::Document& after);

/// The score's bytes with the notes of `changed` written from `after`. A rewritten cell keeps the
/// destination's pitch spelling (its own pitch elements where the host kept the pitch, with their
/// accidentals, noteheads, lyrics and other notations on the first note of each event); duration,
/// type, dots, time modification, tuplet brackets, ties, rests and articulations come from the
/// host entries. Beams are left out. Elements of other cells that lay between its notes keep their
/// place in time: each rewritten stretch ends where the original one did.
std::string WriteScore(const Score& score, const host::Document& after,
                       const std::vector<host::FrameKey>& changed);

/// Counts the note events of a frame's entries the way COPY does: a note entry starts an event
/// unless the note entry before it was tied; a rest starts none and breaks a tie chain.
int CountEvents(const std::vector<EXENTRY>& entries);

} // namespace cadentra_cli
