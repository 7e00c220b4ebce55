// The music of a MusicXML part as a musician reads it, worked out from the file alone (not through
// cadentra's reader), so that two parts, or a part before and after a rewrite, can be compared:
// every note and rest with its onset, duration, type, dots, time modification, pitch, ties, grace,
// staff, accidental, notehead, notations and lyrics, voice by voice. Beams, stems and positions
// on the page are left out.
#pragma once

#include "cli/musicxml/Rational.h"

#include <pugixml.hpp>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace cli_test {

/// One note or rest: where it lies, how long it lasts, and the rest of what it says as text.
struct MusicNote {
    int measure = 0;                 // 1-based position of its measure in the part
    cadentra_cli::Rational onset;    // quarter notes from the measure's start
    cadentra_cli::Rational duration; // quarter notes; 0 for a grace note
    std::string pitch;               // empty for a rest
    std::set<std::string> ties;      // start, stop
    std::set<std::string> marks;     // articulations and fermatas of its chord, which hold them
    std::string text;                // the rest of what it says
    int chord = 0;                   // the notes of one chord share the number

    std::string Describe() const;
    /// The same note, its times equal up to the rounding of durations to a file's divisions.
    bool SameAs(const MusicNote& other) const;
};

/// The notes and rests of each voice of a part in reading order (the notes of a chord sorted
/// among themselves). A voice is named by its <voice>; notes without one are named by their
/// staff.
using PartMusic = std::map<std::string, std::vector<MusicNote>>;

/// The music of the part with id `partId` of a partwise or timewise score.
PartMusic MusicOfPart(const pugi::xml_document& score, const std::string& partId);

/// Ties that a file leaves unended are ended on the next chord of their voice that has their
/// pitch, as they sound.
void EndTies(PartMusic& music);

/// The first difference between two parts' music ("" when they agree), naming the voice and the
/// note where they part.
std::string FirstDifference(const PartMusic& expected, const PartMusic& actual);

/// The copy of `score` (MusicXML text in UTF-8) with its first part duplicated right after it
/// under the id `copyId`: in the part list and in every measure.
std::string DuplicateFirstPart(const std::string& score, const std::string& copyId);

} // namespace cli_test
