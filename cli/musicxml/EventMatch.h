// Which of the destination's music each rewritten entry carries. COPY gives the entries of event
// k of a layer the notes of the destination's event k, so what stays with the destination's
// notes (their spelling, slurs, lyrics, ornaments, technical marks, noteheads, grace notes) is
// found event by event over the whole layer, wherever the new rhythm has moved the event:
//
// - every entry of an event shows the pitches of the event's entry at the same place in its
//   chain (the last one where the chain has grown);
// - the marks of the event's first entry go to its new first entry, those of its last entry to
//   its new last entry, those in between to the entry at the same place (or the new last one);
// - a rest keeps what the destination's rest at the same time in the measure carried.
#pragma once

#include "cli/musicxml/LayerFrames.h"
#include "cli/musicxml/Score.h"

#include <set>
#include <vector>

namespace cadentra_cli {

/// An entry of the score as it was read.
struct OriginalEntry {
    const EntryOrigin* origin = nullptr;
    const EXENTRY* record = nullptr;
    utwobyte keyValue = 0;             // the key of its measure
    const EXENTRY* previous = nullptr; // the entry before it in its layer, if any
    utwobyte previousKeyValue = 0;
    explicit operator bool() const { return origin != nullptr && record != nullptr; }
};

/// What a rewritten entry takes from the destination's music.
struct EntrySources {
    OriginalEntry pitches;            // the entry whose notes it shows (for a rest: its staff)
    std::vector<OriginalEntry> marks; // the entries whose marks and grace notes it takes
};

/// Whether `next`, the entry after `entry` in its layer, continues the event of `entry` (in
/// measures of keys `keyValue` and `nextKeyValue`), as COPY counts events: `next` is a note
/// entry, every note of `entry` is tied, and both hold the same pitches. A chord that holds only
/// some of its notes, or whose tied notes lead into a chord of other notes, ends its event.
bool ContinuesEvent(const EXENTRY& entry, utwobyte keyValue, const EXENTRY* next,
                    utwobyte nextKeyValue);

/// The sources of the entries of one layer of a staff over the cells of a score that may have
/// changed (Score::remembered), as they are in `after`.
class LayerMatch {
public:
    LayerMatch(const Score& score, const host::Document& after, int staff, int layer);

    /// The sources of entry `index` of the layer in `measure`; none outside the cells matched.
    const EntrySources& SourcesOf(int measure, size_t index) const;
    /// Whether an entry of the score as it was read went to a rewritten entry.
    bool Used(const EntryOrigin* origin) const { return used_.count(origin) > 0; }

private:
    /// An entry of the layer: its measure and its index in that measure's frame.
    struct Place {
        int measure = 0;
        size_t index = 0;
    };
    /// The note events of one version of the layer; event 0 holds the entries that continue an
    /// event begun before the first measure (it may be empty).
    using Events = std::vector<std::vector<Place>>;

    Events EventsOf(const host::Document& document, const LayerFrame& before) const;
    std::vector<int> MatchEvents(const Events& before, const Events& now) const;
    host::FrameKey Key(int measure) const;
    OriginalEntry Original(const Place& place) const;
    void GiveEvent(const std::vector<Place>& before, const std::vector<Place>& now);
    void GiveRests();

    const Score& score_;
    const host::Document& after_;
    int staff_;
    int layer_;
    int first_;
    int last_;
    std::vector<std::vector<EntrySources>> sources_; // by measure - first_, then entry index
    std::set<const EntryOrigin*> used_;
};

} // namespace cadentra_cli
