// A compact text notation for the music of a layer, read by the document builder and written by
// the layer reader, so that tests state music and compare it in the same few readable words:
//
//   music     := measure ( "|" measure )*          (a measure may be empty)
//   measure   := entry ( "," entry )*
//   entry     := event " " duration modifier*
//   event     := "r" | note ( "+" note )*          a rest, a note or a chord (notes in
//                                                  record order)
//   note      := pitch [ "~" ]                     "~" ties this note only: in "A3+D4~ q" the D4
//                                                  is held into the next entry, the A3 is not
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
//   "C4 q, D4 q~, D4 q, r q | E4+G4 h, C5 e/3:2, B4 e, A4 e, r q!3 | A3+D4~ h, B3+D4 h"
//
// An entry whose notes are all tied is written with the "~" after its duration, whichever way it
// was read.
#pragma once

#include "host/Frames.h"

#include <functional>
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

/// A pitch name as note record fields in the key `keyValue` (the key value of the measure record:
/// the low byte signed sharps (+) or flats (-), the high byte 0 for major and 1 for minor). A note
/// record counts its steps from the key's root in the octave of middle C upwards (from C4 up to
/// B4; C-flat major, whose root lies seven steps above C, from C5) and its raise or lower from the
/// key's own alteration of the letter. So "F#4" in D major is {2, 0}, "F4" there {2, -1}; in
/// C major the displacement is the step from C4 and the raise or lower the accidentals. Keys
/// beyond seven accidentals go round the order again (eight sharps raise F twice). A key that is
/// not a standard major or minor key (bit 14 or 15 set, or a mode other than 0 and 1) is read as
/// C major. This is the one place where names become note records. Nullopt for a malformed name.
std::optional<NotePitch> PitchFromName(std::string_view name, utwobyte keyValue = 0);
/// The name of a pitch of the key `keyValue`, spelled with sharps for raised and flats for
/// lowered notes; the inverse of PitchFromName.
std::string PitchName(const NotePitch& pitch, utwobyte keyValue = 0);

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
    bool tie = false;                      // every note is tied to the next entry
    std::vector<size_t> tiedNotes;         // when only some notes are tied: their indexes, in order
    std::vector<TupletDefinition> tuplets; // tuplets that start on this entry, record 0 first
    std::vector<twobyte> articulations;    // definition IDs, record 0 first
};

/// Whether note `index` of the entry is tied to the next entry.
bool IsNoteTied(const EntrySpec& entry, size_t index);

/// The key value of each measure of a text, by the measure's index in the text (0 for the first).
using KeyOfMeasure = std::function<utwobyte(size_t measureIndex)>;

/// The entries of each measure of a music text, pitches in the key of their measure (C major
/// when no keys are given). Throws std::invalid_argument naming the offending entry when the text
/// is malformed.
std::vector<std::vector<EntrySpec>> ParseMusic(std::string_view text,
                                               const KeyOfMeasure& keys = {});
/// One entry in the notation, pitches named in the key `keyValue`.
std::string FormatEntry(const EntrySpec& entry, utwobyte keyValue = 0);
/// Measures in the notation: entries joined by ", ", measures by " | ".
std::string FormatMusic(const std::vector<std::vector<EntrySpec>>& measures,
                        const KeyOfMeasure& keys = {});
/// `music` in the notation with the definition number of each articulation ("!3") replaced by
/// `name(3)`, for a reader who knows articulations by name; a number for which `name` answers an
/// empty text stays a number.
std::string NameArticulations(std::string_view music,
                              const std::function<std::string(int id)>& name);

} // namespace host
