#include "support/CopyModel.h"

#include <optional>
#include <stdexcept>
#include <string>

namespace testing_support {
namespace {

using host::EntrySpec;
using host::NotePitch;

/// An entry of some music with the number of the measure it stands in.
template <typename Entry> struct Placed {
    Entry* entry;
    twobyte measure;
};

template <typename M> auto Flatten(M& music, twobyte first) {
    using Entry = std::remove_reference_t<decltype(music[0][0])>;
    std::vector<Placed<Entry>> flat;
    for (size_t m = 0; m < music.size(); ++m)
        for (auto& entry : music[m])
            flat.push_back({&entry, static_cast<twobyte>(first + m)});
    return flat;
}

/// A key that says which letters it alters: a standard major or minor key.
bool IsStandardKey(utwobyte key) {
    return key < 0x0200;
}

/// Whether two notes, each read in the key of its own measure, name the same pitch.
bool SamePitch(const NotePitch& a, utwobyte keyA, const NotePitch& b, utwobyte keyB) {
    if (keyA == keyB || !IsStandardKey(keyA) || !IsStandardKey(keyB)) return a == b;
    return host::PitchName(a, keyA) == host::PitchName(b, keyB);
}

/// The index of the first note of `entry` (in key `entryKey`) with the pitch of `pitch` (in key
/// `key`).
std::optional<size_t> FindSamePitch(const EntrySpec& entry, utwobyte entryKey,
                                    const NotePitch& pitch, utwobyte key) {
    if (entry.rest) return std::nullopt;
    for (size_t i = 0; i < entry.pitches.size(); ++i)
        if (SamePitch(entry.pitches[i], entryKey, pitch, key)) return i;
    return std::nullopt;
}

bool IsTiedThrough(const EntrySpec& entry) {
    if (entry.rest || entry.pitches.empty()) return false;
    for (size_t i = 0; i < entry.pitches.size(); ++i)
        if (!host::IsNoteTied(entry, i)) return false;
    return true;
}

/// Gives the notes of `entry` the ties `ties`, in the notation's form.
void SetTies(EntrySpec& entry, const std::vector<bool>& ties) {
    entry.tiedNotes.clear();
    for (size_t i = 0; i < ties.size(); ++i)
        if (ties[i]) entry.tiedNotes.push_back(i);
    entry.tie = !ties.empty() && entry.tiedNotes.size() == ties.size();
    if (entry.tie) entry.tiedNotes.clear();
}

/// Whether the entry at `at` and the one after it are one event.
template <typename Entry>
bool ContinuesEvent(const std::vector<Placed<Entry>>& flat, size_t at, const KeyOfMeasure& keyOf) {
    if (at + 1 >= flat.size() || !IsTiedThrough(*flat[at].entry) || flat[at + 1].entry->rest)
        return false;
    const auto holds = [&](const Placed<Entry>& entry, const Placed<Entry>& other) {
        for (const NotePitch& pitch : entry.entry->pitches)
            if (!FindSamePitch(*other.entry, keyOf(other.measure), pitch, keyOf(entry.measure)))
                return false;
        return true;
    };
    return holds(flat[at], flat[at + 1]) && holds(flat[at + 1], flat[at]);
}

/// The events of flattened music: the event of each entry (-1 for a rest), the first and last
/// entry of each event, and whether each entry continues its event into the next.
struct Events {
    std::vector<int> eventOf;
    std::vector<size_t> first;
    std::vector<size_t> last;
    std::vector<bool> continues;
};

template <typename Entry>
Events EventsOf(const std::vector<Placed<Entry>>& flat, const KeyOfMeasure& keyOf) {
    Events events;
    bool continuing = false;
    for (size_t i = 0; i < flat.size(); ++i) {
        const bool continues = ContinuesEvent(flat, i, keyOf);
        events.continues.push_back(continues);
        if (flat[i].entry->rest) {
            events.eventOf.push_back(-1);
            continuing = false;
            continue;
        }
        if (continuing) {
            events.last.back() = i;
        } else {
            events.first.push_back(i);
            events.last.push_back(i);
        }
        events.eventOf.push_back(static_cast<int>(events.first.size()) - 1);
        continuing = continues;
    }
    return events;
}

} // namespace

NotePitch Respell(const NotePitch& pitch, utwobyte from, utwobyte to) {
    if (from == to || !IsStandardKey(from) || !IsStandardKey(to)) return pitch;
    const std::string name = host::PitchName(pitch, from);
    const auto respelled = host::PitchFromName(name, to);
    if (!respelled) throw std::logic_error("the model cannot name " + name);
    return *respelled;
}

int CountEvents(const Music& music, twobyte first, const KeyOfMeasure& keyOf) {
    return static_cast<int>(EventsOf(Flatten(music, first), keyOf).first.size());
}

Music TransferRhythm(const Music& source, twobyte sourceFirst, const Music& destination,
                     twobyte destinationFirst, const KeyOfMeasure& keyOf) {
    Music result = source;
    const auto into = Flatten(result, destinationFirst);
    const auto from = Flatten(destination, destinationFirst);
    const Events rhythm = EventsOf(Flatten(source, sourceFirst), keyOf);
    const Events events = EventsOf(from, keyOf);
    for (size_t i = 0; i < into.size(); ++i) {
        const int k = rhythm.eventOf[i];
        if (k < 0 || static_cast<size_t>(k) >= events.first.size()) continue;
        const auto& first = from[events.first[static_cast<size_t>(k)]];
        const auto& last = from[events.last[static_cast<size_t>(k)]];
        const utwobyte firstKey = keyOf(first.measure);
        EntrySpec& entry = *into[i].entry;
        const bool continues = rhythm.continues[i];

        entry.pitches.clear();
        for (const NotePitch& pitch : first.entry->pitches)
            entry.pitches.push_back(Respell(pitch, firstKey, keyOf(into[i].measure)));
        std::vector<bool> ties(entry.pitches.size(), continues);
        for (size_t n = 0; n < ties.size() && !continues; ++n) {
            const NotePitch& pitch = first.entry->pitches[n];
            bool held = host::IsNoteTied(*first.entry, n);
            if (last.entry != first.entry) {
                const auto at = FindSamePitch(*last.entry, keyOf(last.measure), pitch, firstKey);
                held = at && host::IsNoteTied(*last.entry, *at);
            }
            if (held && i + 1 < into.size()) {
                const size_t next = static_cast<size_t>(k) + 1;
                held = !into[i + 1].entry->rest && next < events.first.size() &&
                       FindSamePitch(*from[events.first[next]].entry,
                                     keyOf(from[events.first[next]].measure), pitch, firstKey);
            } else if (held) {
                held = events.last[static_cast<size_t>(k)] + 1 == from.size();
            }
            ties[n] = held;
        }
        SetTies(entry, ties);
    }
    return result;
}

void KeepTiesIntoRegion(EntrySpec& before, twobyte beforeMeasure, const Music& region,
                        twobyte regionFirst, const KeyOfMeasure& keyOf) {
    if (before.rest) return;
    const auto flat = Flatten(region, regionFirst);
    std::vector<bool> ties(before.pitches.size());
    for (size_t n = 0; n < ties.size(); ++n)
        ties[n] = host::IsNoteTied(before, n) && !flat.empty() &&
                  FindSamePitch(*flat[0].entry, keyOf(flat[0].measure), before.pitches[n],
                                keyOf(beforeMeasure));
    SetTies(before, ties);
}

} // namespace testing_support
