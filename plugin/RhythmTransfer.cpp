#include "plugin/RhythmTransfer.h"

#include "finaleframework/music/FCArticulation.h"
#include "finaleframework/music/FCMusicRegion.h"
#include "finaleframework/music/FCNoteEntryLayer.h"
#include "finalepdk/FinaleBinding.h"
#include "plugin/Cadentra.h"
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

/// Calls `onEventStart` with every entry of `layer` that starts a note event.
template <typename OnEventStart>
void ForEachEventStart(FCNoteEntryLayer* layer, OnEventStart onEventStart) {
    if (!layer) return;
    bool previousTied = false;
    for (int i = 0; i < layer->GetCount(); ++i) {
        FCNoteEntry* entry = layer->GetItemAt(i);
        if (!entry) continue;
        if (entry->IsRest()) {
            previousTied = false;
        } else {
            if (!previousTied) onEventStart(entry);
            previousTied = entry->IsTied();
        }
    }
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
    // Room for every event at once: a long layer would otherwise regrow the array every ten.
    _RequireElement(CountNotes(layer));
    ForEachEventStart(layer, [this](FCNoteEntry* entry) { Add(entry); });
}

int CountNotes(FCNoteEntryLayer* layer) {
    int count = 0;
    ForEachEventStart(layer, [&count](FCNoteEntry*) { ++count; });
    return count;
}

void ChangePitches(FCNoteEntryLayer* clone, FCEntryPitchesCollection* pitches) {
    if (!clone || !pitches) return;
    int k = 0;
    FCNoteEntry* entry = clone->GetItemAt(0);
    while (entry) {
        while (entry && entry->IsRest())
            entry = entry->GetNext();
        if (!entry) return;
        FCNoteEntry* event = pitches->GetItemAt(k);
        for (;;) {
            const bool tied = entry->IsTied();
            if (event) entry->CopyNotes(event);
            entry->TieAll(tied);
            if (!tied) break;
            FCNoteEntry* next = entry->GetNext();
            if (!next) return;
            // A rest ends the chain, as it ends an event when notes are counted: the rest keeps
            // its own record rather than taking the event's notes.
            if (next->IsRest()) break;
            entry = next;
        }
        ++k;
        entry = entry->GetNext();
    }
}

int DoCopy(FCNoteEntryLayer* source, FCNoteEntryLayer* destination) {
    if (destination->GetLayerIndex() == source->GetLayerIndex() &&
        destination->GetStaff() == source->GetStaff() &&
        destination->GetStartMeasure() == source->GetStartMeasure())
        return 0;

    FCEntryPitchesCollection pitches;
    pitches.AddPitches(destination);
    std::unique_ptr<FCNoteEntryLayer> clone(source->CreateCloneEntries(
        destination->GetLayerIndex(), destination->GetStaff(), destination->GetStartMeasure()));
    ChangePitches(clone.get(), &pitches);
    pitches.DetachAll();

    // The source's articulations are read before anything is written: when the destination
    // overlaps the source, the save replaces source entries, and the host drops their details.
    for (int i = 0; i < source->GetCount(); ++i) {
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
    // tuplet or articulation the host refused to store, leaves the layer copied in part.
    bool whole = true;
    for (int i = 0; i < clone->GetCount(); ++i)
        if (FCNoteEntry* entry = clone->GetItemAt(i); entry && entry->GetEntryNumber() == 0)
            whole = false;
    if (!clone->CloneTuplets(source)) whole = false;
    for (int i = 0; i < source->GetCount(); ++i) {
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
    auto copyTo = [&](twobyte staff, twobyte layer) {
        FCNoteEntryLayer destinationLayer(layer, staff, destination->GetStartMeasure(),
                                          destination->GetEndMeasure());
        destinationLayer.Load();
        if (CountNotes(&destinationLayer) != events) return;
        if (DoCopy(sourceLayer.get(), &destinationLayer) != 0)
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
