#include "cli/musicxml/EventMatch.h"

#include "cli/musicxml/EntryTiming.h"
#include "cli/musicxml/KeyPitch.h"
#include "cli/musicxml/LayerFrames.h"

#include <algorithm>
#include <tuple>

namespace cadentra_cli {

namespace {

/// Whether two notes, in measures of the given keys, have one written pitch; notes of keys the
/// spelling cannot read compare by their records.
bool SamePitch(const EXNOTE& a, utwobyte keyA, const EXNOTE& b, utwobyte keyB) {
    const auto pitchA = FromHostPitch(HostPitch{a.displacement, a.raiseLower}, keyA);
    const auto pitchB = FromHostPitch(HostPitch{b.displacement, b.raiseLower}, keyB);
    if (pitchA && pitchB) return *pitchA == *pitchB;
    return a.displacement == b.displacement && a.raiseLower == b.raiseLower;
}

/// Whether every note of `entry` has its pitch among the notes of `other`.
bool PitchesWithin(const EXENTRY& entry, utwobyte key, const EXENTRY& other, utwobyte otherKey) {
    for (int n = 0; n < entry.noteCount && n < EXENTRY_MAXNOTES; ++n) {
        bool found = false;
        for (int k = 0; k < other.noteCount && k < EXENTRY_MAXNOTES && !found; ++k)
            found = SamePitch(entry.notes[n], key, other.notes[k], otherKey);
        if (!found) return false;
    }
    return true;
}

} // namespace

bool ContinuesEvent(const EXENTRY& entry, utwobyte keyValue, const EXENTRY* next,
                    utwobyte nextKeyValue) {
    if (!next || !(entry.entryFlags & ENTRY_NOTE) || !(next->entryFlags & ENTRY_NOTE)) return false;
    const int count = std::min<int>(entry.noteCount, EXENTRY_MAXNOTES);
    if (count <= 0) return false;
    for (int n = 0; n < count; ++n)
        if (!(entry.notes[n].noteFlags & NOTE_TIE)) return false;
    return PitchesWithin(entry, keyValue, *next, nextKeyValue) &&
           PitchesWithin(*next, nextKeyValue, entry, keyValue);
}

namespace {

const std::vector<EXENTRY>* FrameOf(const host::Document& document, int staff, int measure,
                                    int layer) {
    auto it = document.frames.find(host::FrameKey{
        static_cast<twobyte>(staff), static_cast<twobyte>(measure), static_cast<twobyte>(layer)});
    return it == document.frames.end() ? nullptr : &it->second;
}

/// The written pitches of an entry, in an order of their own.
std::vector<std::tuple<char, int, int>> WrittenPitches(const EXENTRY& entry, utwobyte keyValue) {
    std::vector<std::tuple<char, int, int>> pitches;
    for (int n = 0; n < entry.noteCount && n < EXENTRY_MAXNOTES; ++n) {
        const auto spelled = FromHostPitch(
            HostPitch{entry.notes[n].displacement, entry.notes[n].raiseLower}, keyValue);
        if (spelled) pitches.emplace_back(spelled->step, spelled->octave, spelled->alter);
    }
    std::sort(pitches.begin(), pitches.end());
    return pitches;
}

} // namespace

LayerMatch::LayerMatch(const Score& score, const host::Document& after, int staff, int layer)
    : score_(score), after_(after), staff_(staff), layer_(layer),
      first_(score.remembered.firstMeasure), last_(score.remembered.lastMeasure) {
    sources_.resize(static_cast<size_t>(std::max(0, last_ - first_ + 1)));
    for (int m = first_; m <= last_; ++m)
        if (const auto* frame = FrameOf(after_, staff_, m, layer_))
            sources_[static_cast<size_t>(m - first_)].resize(frame->size());
    // The measures before are as they were: a chain running into the first measure continues
    // there in both versions.
    const LayerFrame previous = FrameBefore(after_, Key(first_));
    const Events before = EventsOf(score_.original, previous);
    const Events now = EventsOf(after_, previous);
    const std::vector<int> matched = MatchEvents(before, now);
    for (size_t e = 0; e < now.size(); ++e)
        if (matched[e] >= 0) GiveEvent(before[static_cast<size_t>(matched[e])], now[e]);
    GiveRests();
}

const EntrySources& LayerMatch::SourcesOf(int measure, size_t index) const {
    static const EntrySources none;
    if (measure < first_ || measure > last_) return none;
    const auto& frame = sources_[static_cast<size_t>(measure - first_)];
    return index < frame.size() ? frame[index] : none;
}

/// The events of the layer over the measures matched; `before` is the frame of the layer before
/// them, whose last entry may continue its event into them.
LayerMatch::Events LayerMatch::EventsOf(const host::Document& document,
                                        const LayerFrame& before) const {
    auto keyOf = [&](int measure) {
        return score_.measures[static_cast<size_t>(measure - 1)].keyValue;
    };
    Events events(1);
    const EXENTRY* previous = before.entries ? &before.entries->back() : nullptr;
    utwobyte previousKey = before.entries ? keyOf(before.measure) : 0;
    for (int m = first_; m <= last_; ++m) {
        const auto* frame = FrameOf(document, staff_, m, layer_);
        if (!frame) continue;
        for (size_t i = 0; i < frame->size(); ++i) {
            const EXENTRY& entry = (*frame)[i];
            if (entry.entryFlags & ENTRY_NOTE) {
                if (!previous || !ContinuesEvent(*previous, previousKey, &entry, keyOf(m)))
                    events.emplace_back();
                events.back().push_back(Place{m, i});
            }
            previous = &entry;
            previousKey = keyOf(m);
        }
    }
    return events;
}

/// Event k goes to event k where the layer has as many events as before (as COPY leaves it);
/// otherwise each event goes to the next one of the layer as it was that had its pitches.
std::vector<int> LayerMatch::MatchEvents(const Events& before, const Events& now) const {
    std::vector<int> matched(now.size(), -1);
    matched[0] = 0;
    if (before.size() == now.size()) {
        for (size_t e = 1; e < now.size(); ++e)
            matched[e] = static_cast<int>(e);
        return matched;
    }
    auto pitchesOf = [&](const host::Document& document, const Place& place) {
        const EXENTRY& entry = (*FrameOf(document, staff_, place.measure, layer_))[place.index];
        return WrittenPitches(entry,
                              score_.measures[static_cast<size_t>(place.measure - 1)].keyValue);
    };
    // An event is looked for a little way ahead only, so that a layer that shares little with
    // what it was costs no more than one that shares much.
    constexpr size_t LOOK_AHEAD = 64;
    size_t next = 1;
    for (size_t e = 1; e < now.size(); ++e) {
        const auto pitches = pitchesOf(after_, now[e][0]);
        for (size_t k = next; k < before.size() && k < next + LOOK_AHEAD; ++k)
            if (pitchesOf(score_.original, before[k][0]) == pitches) {
                matched[e] = static_cast<int>(k);
                next = k + 1;
                break;
            }
    }
    return matched;
}

host::FrameKey LayerMatch::Key(int measure) const {
    return host::FrameKey{static_cast<twobyte>(staff_), static_cast<twobyte>(measure),
                          static_cast<twobyte>(layer_)};
}

OriginalEntry LayerMatch::Original(const Place& place) const {
    OriginalEntry original;
    const host::FrameKey key{static_cast<twobyte>(staff_), static_cast<twobyte>(place.measure),
                             static_cast<twobyte>(layer_)};
    const auto* frame = FrameOf(score_.original, staff_, place.measure, layer_);
    auto cell = score_.cells.find(key);
    if (!frame || place.index >= frame->size() || cell == score_.cells.end() ||
        place.index >= cell->second.entries.size())
        return original;
    original.record = &(*frame)[place.index];
    original.origin = &cell->second.entries[place.index];
    original.keyValue = score_.measures[static_cast<size_t>(place.measure - 1)].keyValue;
    if (place.index > 0) {
        original.previous = &(*frame)[place.index - 1];
        original.previousKeyValue = original.keyValue;
    } else {
        // Before the cells that may have changed, the score is as it was read.
        LayerFrame previous = FrameBefore(score_.original, Key(place.measure), first_);
        if (!previous.entries) previous = FrameBefore(after_, Key(first_));
        if (previous.entries) {
            original.previous = &previous.entries->back();
            original.previousKeyValue =
                score_.measures[static_cast<size_t>(previous.measure - 1)].keyValue;
        }
    }
    return original;
}

void LayerMatch::GiveEvent(const std::vector<Place>& before, const std::vector<Place>& now) {
    const size_t had = before.size();
    const size_t has = now.size();
    if (had == 0 || has == 0) return;
    auto sourcesAt = [&](const Place& place) -> EntrySources& {
        return sources_[static_cast<size_t>(place.measure - first_)][place.index];
    };
    for (size_t p = 0; p < has; ++p)
        sourcesAt(now[p]).pitches = Original(before[std::min(p, had - 1)]);
    for (size_t j = 0; j < had; ++j) {
        const size_t to = j == 0 ? 0 : j == had - 1 ? has - 1 : std::min(j, has - 1);
        const OriginalEntry original = Original(before[j]);
        if (!original) continue;
        sourcesAt(now[to]).marks.push_back(original);
        used_.insert(original.origin);
    }
}

void LayerMatch::GiveRests() {
    auto isRest = [](const EXENTRY& entry) {
        return !(entry.entryFlags & ENTRY_NOTE) && !(entry.entryFlags & ENTRY_GAP);
    };
    for (int m = first_; m <= last_; ++m) {
        const auto* now = FrameOf(after_, staff_, m, layer_);
        const auto* before = FrameOf(score_.original, staff_, m, layer_);
        if (!now || !before || std::none_of(now->begin(), now->end(), isRest) ||
            std::none_of(before->begin(), before->end(), isRest))
            continue;
        const std::vector<EntryTiming> nowTimes = TimeEntries(after_, *now);
        const std::vector<EntryTiming> beforeTimes = TimeEntries(score_.original, *before);
        std::vector<bool> taken(before->size(), false);
        for (size_t i = 0; i < now->size(); ++i) {
            if (!isRest((*now)[i])) continue;
            for (size_t j = 0; j < before->size(); ++j) {
                if (taken[j] || !isRest((*before)[j]) || beforeTimes[j].start != nowTimes[i].start)
                    continue;
                const OriginalEntry original = Original(Place{m, j});
                if (!original) break;
                taken[j] = true;
                EntrySources& sources = sources_[static_cast<size_t>(m - first_)][i];
                sources.pitches = original;
                sources.marks.assign(1, original);
                used_.insert(original.origin);
                break;
            }
        }
    }
}

} // namespace cadentra_cli
