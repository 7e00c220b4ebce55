// The work of COPY: the rhythm of the source's layer 1 laid onto every matching destination layer.
#pragma once

#include "finaleframework/core/FCCollection.h"

#include <vector>

class FCMusicRegion;
class FCNoteEntry;
class FCNoteEntryLayer;
class KeySpeller;

/// The first entry of every note event of a layer, in order. It borrows the entries from the
/// layer: empty it (DetachAll) before it is destroyed.
class FCEntryPitchesCollection : public __FCCollection {
public:
    ~FCEntryPitchesCollection() override = default;

    FCNoteEntry* GetItemAt(int index) const;
    /// Appends the first entry of each note event of `layer` (an entry that starts an event as
    /// CountNotes counts them).
    void AddPitches(FCNoteEntryLayer* layer);
};

/// Copies the rhythm of `source` onto `destination`. True when the copy ran, whether or not any
/// layer matched. False with the message for the user in `message` (CADENTRA_MESSAGE_SIZE bytes)
/// when the copy was refused, or when some staves and layers could not be written (the message
/// names them; every other layer was copied).
bool CopyRhythm(FCMusicRegion* source, FCMusicRegion* destination, char* message);

/// The number of note events of a layer: a note entry starts an event unless the note entry
/// before it ties every note into it and holds the same pitches (the same note or chord, held);
/// a rest is no event and breaks every tie chain.
int CountNotes(FCNoteEntryLayer* layer);

/// True for a note entry every note of which is tied to the next entry. False for a rest and for
/// a chord that holds only some of its notes.
bool IsTiedThrough(FCNoteEntry* entry);

/// What a run reads once of the source layer it lays onto every destination: its entries do not
/// change while the run lasts, and a long source read again for each destination would be
/// fetched from memory again each time.
struct SourceEvents {
    /// For each entry, whether it continues its note event into the entry after it (see
    /// CountNotes); false for a rest and for a missing entry.
    std::vector<bool> continues;
    /// The indices of the entries that carry articulations, in order.
    std::vector<int> articulated;
};

/// SourceEvents of `layer`. `keys` as for DoCopy.
SourceEvents ReadSourceEvents(FCNoteEntryLayer* layer, KeySpeller* keys = nullptr);

/// Lays the rhythm of layer `source` onto layer `destination` (whose event count matches),
/// keeping the destination's pitches. Does nothing when both are the same layer of the same
/// staff from the same measure. Answers 0 when the destination was written (or left alone as the
/// source itself), 1 when the host refused to write it, wholly or in part (entries, tuplets or
/// articulations). `keys`, when given, is the key speller of the whole run, which then asks the
/// host for the key of each measure once for all layers (a copy writes no key).
/// `sourceEvents`, when given, is ReadSourceEvents of `source` (the same for every destination
/// of one run, so read once).
int DoCopy(FCNoteEntryLayer* source, FCNoteEntryLayer* destination, KeySpeller* keys = nullptr,
           const SourceEvents* sourceEvents = nullptr);

/// Gives every entry of event k of `clone` the notes of element k of `pitches` (the first entries
/// of the destination's events, in a layer that is still loaded), each note with its pitch written
/// in the key of the entry's own measure. The entries within one event of the clone are tied to
/// each other on every note; the last entry of an event is tied only on the notes that the
/// destination holds out of its event into the next one (or out of the region), where the entry
/// after it is the next event's and has the note's pitch. `source`, the layer the clone was made
/// from, tells where the events begin and end; without it (or when its entries are not the
/// clone's) the clone's own entries tell. `keys` and `sourceEvents` as for DoCopy.
void ChangePitches(FCNoteEntryLayer* clone, FCEntryPitchesCollection* pitches,
                   FCNoteEntryLayer* source = nullptr, KeySpeller* keys = nullptr,
                   const SourceEvents* sourceEvents = nullptr);
