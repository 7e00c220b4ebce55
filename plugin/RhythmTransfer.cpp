#include "plugin/RhythmTransfer.h"

#include "finaleframework/music/FCArticulation.h"
#include "finaleframework/music/FCMusicRegion.h"
#include "finaleframework/music/FCNoteEntryLayer.h"
#include "finalepdk/FinaleBinding.h"
#include "plugin/Cadentra.h"
#include "plugin/NoteSpelling.h"
#include "plugin/SourceChecks.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

/// A staff and 0-based layer that did not take the rhythm.
struct UnwrittenLayer {
    twobyte staff;
    twobyte layerIndex;
};

/// Whether two note entries hold the same pitches: each note of either has its pitch in the other.
bool HoldSamePitches(FCNoteEntry* entry, FCNoteEntry* other, KeySpeller& speller) {
    for (int i = 0; i < entry->GetCount(); ++i)
        if (!speller.FindSamePitch(other, entry->GetItemAt(i))) return false;
    for (int i = 0; i < other->GetCount(); ++i)
        if (!speller.FindSamePitch(entry, other->GetItemAt(i))) return false;
    return true;
}

/// Whether `entry` and the entry after it are one note event: the next is a note entry, `entry`
/// ties every note into it, and both hold the same pitches. A chord that holds only some of its
/// notes, or whose tied notes lead into a chord with other notes, ends its event there; the held
/// notes are ties from one event into the next.
bool ContinuesEvent(FCNoteEntry* entry, KeySpeller& speller) {
    FCNoteEntry* next = entry->GetNext();
    return next && next->IsNote() && IsTiedThrough(entry) && HoldSamePitches(entry, next, speller);
}

/// Calls `onEventStart` with every entry of `layer` that starts a note event.
template <typename OnEventStart>
void ForEachEventStart(FCNoteEntryLayer* layer, OnEventStart onEventStart) {
    if (!layer) return;
    KeySpeller speller;
    FCNoteEntry* previous = nullptr;
    for (int i = 0; i < layer->GetCount(); ++i) {
        FCNoteEntry* entry = layer->GetItemAt(i);
        if (!entry) continue;
        if (entry->IsNote() && !(previous && ContinuesEvent(previous, speller)))
            onEventStart(entry);
        previous = entry;
    }
}

/// Whether `events` were read from `layer` as it is (one for each of its entries).
bool Describes(const SourceEvents* events, FCNoteEntryLayer* layer) {
    return events && layer &&
           events->continues.size() == static_cast<size_t>(std::max(layer->GetCount(), 0));
}

/// The last entry of the event that starts at `first`.
FCNoteEntry* LastEntryOfEvent(FCNoteEntry* first, KeySpeller& speller) {
    FCNoteEntry* last = first;
    while (ContinuesEvent(last, speller))
        last = last->GetNext();
    return last;
}

/// Whether the destination holds `note`, of the first entry of an event, out of the event: the
/// event's last entry `last` ties a note of its pitch.
bool IsHeldOut(FCNote* note, FCNoteEntry* first, FCNoteEntry* last, KeySpeller& speller) {
    if (last == first) return note->GetTie();
    const FCNote* held = speller.FindSamePitch(last, note);
    return held && held->GetTie();
}

/// Gives `entry` the notes of the destination's event that starts at `event`, each with its pitch
/// in the key of the entry's measure.
void LayEventNotes(FCNoteEntry* entry, FCNoteEntry* event, KeySpeller& speller) {
    entry->CopyNotes(event);
    for (int i = 0; i < entry->GetCount(); ++i)
        speller.Respell(entry->GetItemAt(i), event->GetItemAt(i));
}

/// Ties the notes of `entry`, the last entry of its event in the new rhythm, which took the notes
/// of the destination's event `event`. A note keeps a tie only where the destination holds it out
/// of its event, and then only into the next event's first entry when that follows at once and
/// has the note's pitch, or out of the region when the destination's event, too, was the last
/// thing in it. Nothing is tied into a rest or into another pitch.
void TieHeldNotes(FCNoteEntry* entry, FCNoteEntry* event, FCNoteEntry* nextEvent,
                  KeySpeller& speller) {
    FCNoteEntry* last = LastEntryOfEvent(event, speller);
    FCNoteEntry* next = entry->GetNext();
    for (int i = 0; i < entry->GetCount(); ++i) {
        FCNote* original = event->GetItemAt(i);
        bool tie = original && IsHeldOut(original, event, last, speller);
        if (tie && next)
            tie = next->IsNote() && speller.FindSamePitch(nextEvent, original);
        else if (tie)
            tie = last->GetNext() == nullptr;
        entry->GetItemAt(i)->SetTie(tie);
    }
}

/// Unties the notes of the last entry before the region (in the measure before the clone's first)
/// that no longer lead into a note of their pitch. True when nothing needed writing or the host
/// wrote it.
bool KeepTiesIntoRegion(FCNoteEntryLayer* clone) {
    if (clone->GetStartMeasure() <= 1) return true;
    const twobyte measure = static_cast<twobyte>(clone->GetStartMeasure() - 1);
    FCNoteEntryLayer before(clone->GetLayerIndex(), clone->GetStaff(), measure, measure);
    // A measure the host cannot hand over holds nothing that could be tied.
    if (!before.Load() || before.GetCount() == 0) return true;
    FCNoteEntry* tiedFrom = before.GetItemAt(before.GetCount() - 1);
    if (!tiedFrom->IsNote()) return true;
    FCNoteEntry* first = clone->GetItemAt(0);
    KeySpeller speller;
    bool changed = false;
    for (int i = 0; i < tiedFrom->GetCount(); ++i) {
        FCNote* note = tiedFrom->GetItemAt(i);
        if (!note->GetTie() || speller.FindSamePitch(first, note)) continue;
        note->SetTie(false);
        changed = true;
    }
    return !changed || before.Save();
}

/// Writes "The rhythm could not be written to staff 2 layer 1, staff 3 layer 2." into
/// `message`, which holds `capacity` bytes. When the list does not fit, it stops after the last
/// whole item that does and ends with " ...".
void WriteUnwrittenMessage(const std::vector<UnwrittenLayer>& unwritten, char* message,
                           size_t capacity) {
    static constexpr const char* OPENING = "The rhythm could not be written to ";
    static constexpr const char* CUT = " ...";
    std::string text = OPENING;
    for (size_t i = 0; i < unwritten.size(); ++i) {
        const std::string item = (i > 0 ? ", staff " : "staff ") +
                                 std::to_string(unwritten[i].staff) + " layer " +
                                 std::to_string(unwritten[i].layerIndex + 1);
        const bool last = i + 1 == unwritten.size();
        // Room is kept for the cut mark (or the full stop) and the terminating zero.
        const size_t closing = last ? 1 : std::strlen(CUT);
        if (text.size() + item.size() + closing + 1 > capacity) {
            text += CUT;
            break;
        }
        text += item;
        if (last) text += ".";
    }
    const size_t length = std::min(text.size(), capacity - 1);
    std::memcpy(message, text.data(), length);
    message[length] = 0;
}

} // namespace

FCNoteEntry* FCEntryPitchesCollection::GetItemAt(int index) const {
    return static_cast<FCNoteEntry*>(__FCCollection::GetItemAt(index));
}

void FCEntryPitchesCollection::AddPitches(FCNoteEntryLayer* layer) {
    // Room for every event at once (a layer has no more events than entries): a long layer would
    // otherwise regrow the array every ten.
    if (layer) _RequireElement(layer->GetCount());
    ForEachEventStart(layer, [this](FCNoteEntry* entry) { Add(entry); });
}

int CountNotes(FCNoteEntryLayer* layer) {
    int count = 0;
    ForEachEventStart(layer, [&count](FCNoteEntry*) { ++count; });
    return count;
}

SourceEvents ReadSourceEvents(FCNoteEntryLayer* layer, KeySpeller* keys) {
    SourceEvents events;
    if (!layer) return events;
    KeySpeller ownKeys;
    KeySpeller& speller = keys ? *keys : ownKeys;
    events.continues.reserve(static_cast<size_t>(layer->GetCount()));
    for (int i = 0; i < layer->GetCount(); ++i) {
        FCNoteEntry* entry = layer->GetItemAt(i);
        events.continues.push_back(entry && entry->IsNote() && ContinuesEvent(entry, speller));
        if (entry && entry->GetArticulationFlag()) events.articulated.push_back(i);
    }
    return events;
}

bool IsTiedThrough(FCNoteEntry* entry) {
    if (!entry || !entry->IsNote() || entry->GetCount() == 0) return false;
    for (int i = 0; i < entry->GetCount(); ++i)
        if (!entry->GetItemAt(i)->GetTie()) return false;
    return true;
}

void ChangePitches(FCNoteEntryLayer* clone, FCEntryPitchesCollection* pitches,
                   FCNoteEntryLayer* source, KeySpeller* keys, const SourceEvents* sourceEvents) {
    if (!clone || !pitches) return;
    // The clone holds the source's entries in its order, but in measures whose keys may differ
    // from the source's: where its events end is read from the source itself.
    FCNoteEntryLayer* rhythm = source && source->GetCount() == clone->GetCount() ? source : clone;
    KeySpeller ownKeys;
    KeySpeller& speller = keys ? *keys : ownKeys;
    const bool known = rhythm == source && Describes(sourceEvents, source);
    int k = -1;
    bool continuing = false; // the entry before continues its event into this one
    for (int i = 0; i < clone->GetCount(); ++i) {
        FCNoteEntry* entry = clone->GetItemAt(i);
        if (!entry || entry->IsRest()) {
            continuing = false;
            continue;
        }
        if (!continuing) ++k;
        // Read before the entry's notes are replaced, when the clone tells it.
        const bool continues = known ? sourceEvents->continues[static_cast<size_t>(i)]
                                     : ContinuesEvent(rhythm->GetItemAt(i), speller);
        // Each entry of the source's event takes the destination event's notes, tied on to the
        // next; the last keeps the ties that the destination holds into what follows.
        if (FCNoteEntry* event = pitches->GetItemAt(k)) {
            LayEventNotes(entry, event, speller);
            if (continues)
                entry->TieAll(true);
            else
                TieHeldNotes(entry, event, pitches->GetItemAt(k + 1), speller);
        }
        continuing = continues;
    }
}

int DoCopy(FCNoteEntryLayer* source, FCNoteEntryLayer* destination, KeySpeller* keys,
           const SourceEvents* sourceEvents) {
    if (destination->GetLayerIndex() == source->GetLayerIndex() &&
        destination->GetStaff() == source->GetStaff() &&
        destination->GetStartMeasure() == source->GetStartMeasure())
        return 0;

    // A copy on its own reads its source here; a run hands every copy what it read once.
    SourceEvents ownEvents;
    if (!Describes(sourceEvents, source)) {
        ownEvents = ReadSourceEvents(source, keys);
        sourceEvents = &ownEvents;
    }
    const std::vector<int>& articulated = sourceEvents->articulated;

    FCEntryPitchesCollection pitches;
    pitches.AddPitches(destination);
    std::unique_ptr<FCNoteEntryLayer> clone(source->CreateCloneEntries(
        destination->GetLayerIndex(), destination->GetStaff(), destination->GetStartMeasure()));
    ChangePitches(clone.get(), &pitches, source, keys, sourceEvents);
    pitches.DetachAll();

    // The source's articulations are read before anything is written: when the destination
    // overlaps the source, the save replaces source entries, and the host drops their details.
    for (const int i : articulated) {
        FCNoteEntry* from = source->GetItemAt(i);
        if (from && from->GetArticulationFlag() && !from->GetArticulationCache())
            from->CacheArticulations();
    }

    // A clone without frames could not read the destination or the source: nothing was written.
    if (clone->GetFrameCount() == 0) return 1;
    // The first save gives the new entries their host numbers, under which tuplets and
    // articulations are stored; without it there is nothing to attach them to.
    if (!clone->Save()) return 1;
    // An entry that did not learn its host number (the saved frame could not be reloaded), or a
    // tuplet or articulation the host refused to store, leaves the layer copied in part; so does
    // a tie into the region that had to go and could not.
    bool whole = KeepTiesIntoRegion(clone.get());
    for (int i = 0; i < clone->GetCount(); ++i)
        if (FCNoteEntry* entry = clone->GetItemAt(i); entry && entry->GetEntryNumber() == 0)
            whole = false;
    if (!clone->CloneTuplets(source)) whole = false;
    for (const int i : articulated) {
        FCNoteEntry* from = source->GetItemAt(i);
        FCNoteEntry* to = clone->GetItemAt(i);
        if (!from || !to || !from->GetArticulationFlag()) continue;
        const FCArticulations* articulations = from->GetArticulationCache();
        const int expected = articulations ? articulations->GetCount() : 0;
        if (to->AddArticulations(from, true) < expected) whole = false;
    }
    return clone->Save() && whole ? 0 : 1;
}

bool CopyRhythm(FCMusicRegion* source, FCMusicRegion* destination, char* message) {
    if (!CheckRegionConsistency(source, destination, message)) return false;

    const twobyte sourceStaff =
        FX_SlotToInst(source->GetStartSlot(), source->GetStartInstrumentList(), FINALEPDK_VERSION);
    auto sourceLayer = std::make_unique<FCNoteEntryLayer>(0, sourceStaff, source->GetStartMeasure(),
                                                          source->GetEndMeasure());
    sourceLayer->SetVisibleOnly(false);
    sourceLayer->Load();
    const int events = CountNotes(sourceLayer.get());
    if (events <= 0) {
        std::strcpy(message, "Source region didn't contain any notes in layer 1.");
        return false;
    }

    std::vector<UnwrittenLayer> unwritten;
    KeySpeller keys; // the copy writes no key: each measure's is asked for once
    const SourceEvents sourceEvents = ReadSourceEvents(sourceLayer.get(), &keys);
    auto copyTo = [&](twobyte staff, twobyte layer) {
        FCNoteEntryLayer destinationLayer(layer, staff, destination->GetStartMeasure(),
                                          destination->GetEndMeasure());
        destinationLayer.Load();
        if (CountNotes(&destinationLayer) != events) return;
        if (DoCopy(sourceLayer.get(), &destinationLayer, &keys, &sourceEvents) != 0)
            unwritten.push_back(UnwrittenLayer{staff, layer});
    };
    // Every copy reads the source's frames from the host again. Layer 1 of the source staff is
    // the one destination whose writing can change them (when the measures overlap), so it is
    // written last: until then every copy reads the source as it was.
    bool sourceStaffLayer1 = false;
    for (int slot = destination->GetStartSlot(); slot <= destination->GetEndSlot(); ++slot) {
        const twobyte staff = FX_SlotToInst(
            static_cast<twobyte>(slot), destination->GetStartInstrumentList(), FINALEPDK_VERSION);
        for (twobyte layer = 0; layer < FX_GetMaxLayers(FINALEPDK_VERSION); ++layer) {
            if (staff == sourceStaff && layer == 0)
                sourceStaffLayer1 = true;
            else
                copyTo(staff, layer);
        }
    }
    if (sourceStaffLayer1) copyTo(sourceStaff, 0);
    if (unwritten.empty()) return true;
    WriteUnwrittenMessage(unwritten, message, CADENTRA_MESSAGE_SIZE);
    return false;
}
