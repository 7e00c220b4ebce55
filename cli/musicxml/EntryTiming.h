// The rhythm of a frame's entries as MusicXML writes it: where each entry starts and how long it
// sounds, with the time modification and tuplet brackets that its tuplets give it.
#pragma once

#include "cli/musicxml/NoteValues.h"
#include "cli/musicxml/Rational.h"
#include "host/Document.h"

#include <utility>
#include <vector>

namespace cadentra_cli {

struct EntryTiming {
    Rational start;     // quarter notes from the measure start
    Rational duration;  // sounding length in quarter notes
    int64_t actual = 1; // time modification
    int64_t normal = 1;
    Rational normalUnit; // the innermost tuplet's unit (host units), for <normal-type>; 0 for none
    std::vector<std::pair<int, TupletDefinition>> tupletStarts; // bracket number, tuplet
    std::vector<int> tupletStops;
};

/// The tuplet definitions stored under an entry, in order.
std::vector<TupletDefinition> TupletsOf(const host::Document& document, fourbyte entryNumber);

/// The timing of every entry of a frame. The host keeps no gaps in a layer and places entries by
/// their durations and tuplets (stored positions may be stale), so entries follow each other from
/// the start of the measure. A tuplet reaches, as the host counts it, over entries whose written
/// durations fill its span; its unit as a note value counts the entries of tuplets nested in it
/// at the time they take there.
std::vector<EntryTiming> TimeEntries(const host::Document& document,
                                     const std::vector<EXENTRY>& entries);

} // namespace cadentra_cli
