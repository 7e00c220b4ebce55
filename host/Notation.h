// A compact text notation for the music of a layer, read by the document builder and written by
// the layer reader, so that tests state music and compare it in the same few readable words:
//
//   music     := measure ( "|" measure )*          (a measure may be empty)
//   measure   := entry ( "," entry )*
//   entry     := event " " duration modifier*
//   event     := "r" | pitch ( "+" pitch )*        a rest, a note or a chord (notes in
//                                                  record order)
//   pitch     := letter accidental* octave         C4, F#5, Bb3, C##4, Dbb2 (C4 is middle C)
//   duration  := name "."* | units                 dw w h q e s t x = 8192 ... 64; "q." = 1536
//   modifier  := "~"                               every note of the entry is tied to the next
//              | "/" N ":" M [unit [":" refunit]]  a tuplet of N units in the time of M units
//                                                  starts here; the unit is the entry's own
//                                                  duration unless given, the reference unit
//                                                  is the unit unless given
//              | "!" id                            an articulation of definition `id`
//
// Modifiers may follow the duration directly or after blanks. Example:
//
//   "C4 q, D4 q~, D4 q, r q | E4+G4 h, C5 e/3:2, B4 e, A4 e, r q!3"
#pragma once

#include "host/Frames.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace host {

/// The pitch fields of a note record.
struct NotePitch {
    twobyte displacement = 0;
    twobyte raiseLower = 0;
    auto operator<=>(const NotePitch&) const = default;
};

/// A pitch name as note record fields. For now every document is in C major, whose root is C:
/// the displacement is the diatonic step from C4 and the accidentals are the raise or lower.
/// This is the one place where names become note records, so that it can take the key in force
/// once documents have key signatures. Nullopt for a malformed name.
std::optional<NotePitch> PitchFromName(std::string_view name);
/// The name of a pitch in the same spelling (sharps for raised, flats for lowered notes).
std::string PitchName(const NotePitch& pitch);

/// A duration name ("q", "e.", "dw") or a number of units; nullopt for anything else or a
/// duration that is not positive.
std::optional<fourbyte> DurationFromName(std::string_view name);
/// The shortest name of a duration: a note value with up to three dots, else the number.
std::string DurationName(fourbyte duration);

/// One entry of the notation.
struct EntrySpec {
    bool rest = true;
    std::vector<NotePitch> pitches; // empty for a rest
    fourbyte duration = 0;
    bool tie = false;
    std::vector<TupletDefinition> tuplets; // tuplets that start on this entry, record 0 first
    std::vector<twobyte> articulations;    // definition IDs, record 0 first
};

/// The entries of each measure of a music text. Throws std::invalid_argument naming the
/// offending entry when the text is malformed.
std::vector<std::vector<EntrySpec>> ParseMusic(std::string_view text);
/// One entry in the notation.
std::string FormatEntry(const EntrySpec& entry);
/// Measures in the notation: entries joined by ", ", measures by " | ".
std::string FormatMusic(const std::vector<std::vector<EntrySpec>>& measures);

} // namespace host
