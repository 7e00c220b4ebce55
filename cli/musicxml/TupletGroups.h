// Tuplets as MusicXML writes them (brackets, time modifications) grouped into the host's
// tuplets: each starts on an entry and reaches over a number of units of written duration.
#pragma once

#include "cli/musicxml/NoteValues.h"
#include "cli/musicxml/Rational.h"

#include <vector>

namespace cadentra_cli {

/// What the rhythm of one entry says about tuplets, gathered while reading a measure.
struct TupletMark {
    bool start = false;
    int number = 1;
    TupletLook look;
    int actual = 0; // <tuplet-actual><tuplet-number>, 0 when not stated
    int normal = 0;
    int actualType = 0; // <tuplet-actual><tuplet-type> (and dots) in host units, 0 when not stated
    int normalType = 0;
};
struct EntryRhythm {
    int actual = 1; // time modification
    int normal = 1;
    std::vector<TupletMark> marks;
};

/// A tuplet over entries first..last of a cell.
struct PlacedTuplet {
    int first = 0;
    int last = 0;
    TupletDefinition definition;
};

/// Raised by GroupTuplets for nested tuplets whose ratio, once the outer ones are taken out, the
/// host's 16-bit counts cannot hold.
struct UnholdableTuplet {};

/// The tuplets of one cell whose entries have the written `durations` (host units) and the given
/// rhythm: groups from brackets (nested ones by their numbers), then groups of time-modified
/// entries outside every bracket, closed once their durations fill whole tuplet units. Outer
/// tuplets come before the tuplets nested in them.
std::vector<PlacedTuplet> GroupTuplets(const std::vector<int>& durations,
                                       const std::vector<EntryRhythm>& rhythm);

} // namespace cadentra_cli
