// Reads a MusicXML score (3.0 to 4.0, partwise or timewise) into a stand-in host document.
//
// Mapping: every staff of every part is a host staff, in score order. The voices of a staff are
// its layers in the order they first appear on it (at most four). Notes, chords and rests are
// entries with their written durations (type, dots) in host units, ties on their note records,
// tuplets as tuplet definition records on their first entry, articulations as articulation
// records that name the program's articulation definitions. The key of the top staff in each
// measure goes into that measure's record; every pitch of the measure is stored relative to it.
// Grace notes are not entries: they stay with the note they lead into and travel with that
// note's pitches. Cue notes are ordinary entries.
#pragma once

#include "cli/musicxml/Score.h"

#include <memory>
#include <string>

namespace cadentra_cli {

/// Reads `bytes` (named `name` in messages) into `document`, which must be empty. Throws
/// InputError for anything the host document cannot hold, naming the file, line and problem.
std::unique_ptr<Score> ReadScore(std::string bytes, const std::string& name,
                                 host::Document& document);

} // namespace cadentra_cli
