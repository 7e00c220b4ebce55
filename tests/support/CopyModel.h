// What COPY makes of a destination layer, computed from the rule on music in the builder's
// notation (host/Notation.h), independently of the plug-in, for the tests that check COPY on
// generated documents:
//
// - a note entry starts a note event unless the note entry before it ties every note into it and
//   both hold the same pitches; a rest is no event and ends a chain;
// - each entry of the source's event k takes the pitches of the first entry of the destination's
//   event k, named as they were and written in the key of the entry's own measure (a pitch is
//   moved as it is where either key is not a standard major or minor key);
// - within a source event every note is tied on; the event's last entry keeps a tie only on the
//   notes that the destination holds out of its event k (its last entry ties a note of that
//   pitch), and then only into the next entry when that is the first of the next event and has
//   the pitch, or out of the region when the destination's event k was the last thing in it;
// - a tie from the entry before the region stays only into a first entry of that pitch.
#pragma once

#include "host/Notation.h"

#include <functional>
#include <vector>

namespace testing_support {

using Music = std::vector<std::vector<host::EntrySpec>>; // entries by measure
/// The key value of a measure of the document.
using KeyOfMeasure = std::function<utwobyte(twobyte measure)>;

/// The note record that names `pitch`, a record of key `from`, in key `to`; the record itself
/// where the keys are the same or either is not a standard key.
host::NotePitch Respell(const host::NotePitch& pitch, utwobyte from, utwobyte to);

/// The number of note events of `music`, measures from `first` on.
int CountEvents(const Music& music, twobyte first, const KeyOfMeasure& keyOf);

/// The music of the destination `destination`, measures from `destinationFirst` on, once it has
/// taken the rhythm of `source`, measures from `sourceFirst` on (with as many note events).
Music TransferRhythm(const Music& source, twobyte sourceFirst, const Music& destination,
                     twobyte destinationFirst, const KeyOfMeasure& keyOf);

/// Unties the notes of `before`, the last entry of measure `beforeMeasure`, that do not lead into
/// a note of their pitch at the start of `region`, measures from `regionFirst` on.
void KeepTiesIntoRegion(host::EntrySpec& before, twobyte beforeMeasure, const Music& region,
                        twobyte regionFirst, const KeyOfMeasure& keyOf);

} // namespace testing_support
