// COPY over many generated documents. Each seed builds a document of a few staves and measures in
// changing keys, with random rhythms (ties, notes held from one event into the next, rests,
// triplets, articulations) in every layer, some layers hidden, one source and one
// destination selection; about half the destination layers get the source's number of events.
// After COPY:
//   - every shown destination layer with the source's event count holds the source's durations,
//     rests, tuplets and articulations and its own event pitches (chords whole, in the key of
//     each entry's measure), in order, tied as support/CopyModel.h says;
//   - the entry before such a layer's region keeps only the ties that lead into a note of their
//     pitch;
//   - every other layer, and the source, is unchanged byte for byte, details included;
//   - every frame loaded was freed exactly once (the fixture checks it).
// The expectation is computed from the notation, independently of the framework.
#include "host/EntryDetails.h"
#include "plugin/Cadentra.h"
#include "host/MeasureRecord.h"
#include "support/CopyModel.h"
#include "support/FrameFixture.h"
#include "support/PluginCommands.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <set>

namespace {

using host::EntrySpec;
using testing_support::Music;

class Generator {
public:
    explicit Generator(unsigned seed) : rng_(seed) {}

    int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    bool Chance(double p) { return std::bernoulli_distribution(p)(rng_); }

    /// Music over `measures` measures with exactly `events` note events.
    Music Layer(int events, int measures) {
        std::vector<EntrySpec> notes;
        for (int e = 0; e < events; ++e)
            notes.push_back(Note());
        std::vector<EntrySpec> flat;
        for (size_t e = 0; e < notes.size(); ++e) {
            if (Chance(0.2)) flat.push_back(Rest());
            const EntrySpec note = notes[e];
            const int chain = Chance(0.75) ? 1 : Uniform(2, 3);
            for (int c = 0; c < chain; ++c) {
                EntrySpec link = note;
                link.duration = Duration();
                link.tie = c + 1 < chain;
                flat.push_back(link);
            }
            // Now and then a chord holds one of its notes into the next event, which has it; or
            // a single note is held into the next event, which adds notes to it.
            if (e + 1 < notes.size() && Chance(0.3)) {
                const size_t held = static_cast<size_t>(Uniform(0, int(note.pitches.size()) - 1));
                std::vector<host::NotePitch>& next = notes[e + 1].pitches;
                if (std::find(next.begin(), next.end(), note.pitches[held]) == next.end())
                    next.push_back(note.pitches[held]);
                if (note.pitches.size() > 1)
                    flat.back().tiedNotes = {held};
                else if (next.size() > 1)
                    flat.back().tie = true;
            }
            // Now and then a tie runs into a rest, which ends the chain all the same.
            if (Chance(0.08)) {
                flat.back().tie = true;
                flat.back().tiedNotes.clear();
                flat.push_back(Rest());
            }
        }
        if (Chance(0.3)) flat.push_back(Rest());
        for (EntrySpec& entry : flat) {
            if (Chance(0.12)) entry.tuplets.push_back(Tuplet(entry.duration));
            if (Chance(0.03)) entry.tuplets.push_back(Tuplet(entry.duration / 2));
            if (Chance(0.2))
                for (int a = Uniform(1, 2); a > 0; --a)
                    entry.articulations.push_back(static_cast<twobyte>(Uniform(1, 9)));
        }
        // Cut the entries into measures at random points (a measure may stay empty).
        std::vector<size_t> cuts;
        for (int m = 1; m < measures; ++m)
            cuts.push_back(static_cast<size_t>(Uniform(0, static_cast<int>(flat.size()))));
        std::sort(cuts.begin(), cuts.end());
        cuts.push_back(flat.size());
        Music music;
        size_t from = 0;
        for (size_t cut : cuts) {
            music.emplace_back(flat.begin() + static_cast<long>(from),
                               flat.begin() + static_cast<long>(cut));
            from = cut;
        }
        return music;
    }

private:
    fourbyte Duration() {
        static constexpr fourbyte DURATIONS[] = {256, 512, 768, 1024, 1536, 2048, 3072, 4096};
        return DURATIONS[Uniform(0, 7)];
    }
    EntrySpec Rest() {
        EntrySpec rest;
        rest.duration = Duration();
        return rest;
    }
    EntrySpec Note() {
        EntrySpec note;
        note.rest = false;
        for (int i = Chance(0.7) ? 1 : Uniform(2, 4); i > 0; --i)
            note.pitches.push_back(host::NotePitch{static_cast<twobyte>(Uniform(-10, 14)),
                                                   static_cast<twobyte>(Uniform(-1, 1))});
        note.duration = Duration();
        return note;
    }
    host::TupletDefinition Tuplet(fourbyte unit) {
        return Chance(0.8) ? host::TupletDefinition{3, unit, 2, unit}
                           : host::TupletDefinition{5, unit, 4, unit};
    }

    std::mt19937 rng_;
};

struct Layout {
    int staves = 0;
    int measures = 0;
    std::set<int> hidden;
    int sourceStaff = 0;
    int sourceStart = 0;
    int length = 0; // measures in the source and the destination
    int firstSlot = 0;
    int lastSlot = 0;
    int destinationStart = 0;
};

Layout MakeLayout(Generator& g) {
    Layout l;
    l.staves = g.Uniform(2, 5);
    l.measures = g.Uniform(3, 5);
    for (int layer = 0; layer < 4; ++layer)
        if (g.Chance(0.15)) l.hidden.insert(layer);
    l.sourceStaff = g.Uniform(1, l.staves);
    l.length = g.Uniform(1, 2);
    l.sourceStart = g.Uniform(1, l.measures - l.length + 1);
    l.firstSlot = g.Uniform(1, l.staves);
    l.lastSlot = g.Chance(0.1) ? l.staves + 1 : g.Uniform(l.firstSlot, l.staves);
    l.destinationStart = g.Uniform(1, l.measures - l.length + 1);
    // A destination over the source staff either is the source's measures or stays clear of
    // them: copying onto shifted, overlapping measures rewrites the source itself.
    const bool overSourceStaff = l.sourceStaff >= l.firstSlot && l.sourceStaff <= l.lastSlot;
    const bool overlaps = l.destinationStart < l.sourceStart + l.length &&
                          l.sourceStart < l.destinationStart + l.length;
    if (overSourceStaff && overlaps) l.destinationStart = l.sourceStart;
    return l;
}

/// What COPY must make of one destination layer: its music over the destination's measures and,
/// when the measure before them has entries, the last of them.
struct Change {
    Music music;
    std::optional<EntrySpec> before;
};

class CopyProperty : public testing_support::FrameTest,
                     public testing::WithParamInterface<unsigned> {
protected:
    using StaffLayer = std::pair<int, int>; // staff, 0-based layer

    /// Fills every layer of every staff; the source and the destinations over their measures.
    void Build(host::DocumentBuilder& doc, Generator& g, const Layout& l, int events) {
        for (int layer : l.hidden)
            doc.HideLayer(layer);
        // Keys change now and then, to a key with sharps or flats, major or minor, or to one
        // that is not a standard key.
        for (int m = 1; m <= l.measures; ++m) {
            if (g.Chance(0.6)) continue;
            if (g.Chance(0.1))
                doc.KeyValue(static_cast<twobyte>(m), 0x4002);
            else
                doc.KeySignature(static_cast<twobyte>(m), g.Uniform(-7, 7), g.Chance(0.3));
        }
        for (int staff = 1; staff <= l.staves; ++staff) {
            for (twobyte layer = 0; layer < 4; ++layer) {
                host::LayerBuilder builder = doc.Layer(static_cast<twobyte>(staff), 1, layer);
                const bool isSource = staff == l.sourceStaff && layer == 0;
                for (int m = 1; m <= l.measures;) {
                    const bool atSource = isSource && m == l.sourceStart;
                    const bool atDestination = !isSource && m == l.destinationStart;
                    const int span = atSource || atDestination ? l.length : 1;
                    const int count = atSource                         ? events
                                      : atDestination && g.Chance(0.5) ? events
                                                                       : g.Uniform(0, 5);
                    if (atSource || atDestination || g.Chance(0.7)) {
                        for (const auto& measure : InKeys(g.Layer(count, span), m)) {
                            for (const EntrySpec& entry : measure)
                                builder.Entry(entry);
                            builder.NextMeasure();
                        }
                    } else {
                        builder.NextMeasure();
                    }
                    m += span;
                }
            }
        }
    }

    /// The music, measures from `first` on, with every tied note written in the key of the
    /// measure it is held into, so that a tie across a change of key holds one pitch.
    Music InKeys(Music music, int first) {
        host::EntrySpec* previous = nullptr;
        twobyte previousMeasure = 0;
        std::vector<host::NotePitch> previousRecords; // as generated, before any respelling
        for (size_t m = 0; m < music.size(); ++m) {
            const auto measure = static_cast<twobyte>(first + static_cast<int>(m));
            for (EntrySpec& entry : music[m]) {
                const std::vector<host::NotePitch> records = entry.pitches;
                if (previous && !entry.rest)
                    for (size_t n = 0; n < previousRecords.size(); ++n) {
                        if (!host::IsNoteTied(*previous, n)) continue;
                        for (host::NotePitch& pitch : entry.pitches)
                            if (pitch == previousRecords[n])
                                pitch = testing_support::Respell(
                                    previous->pitches[n], KeyOf(previousMeasure), KeyOf(measure));
                    }
                previous = &entry;
                previousMeasure = measure;
                previousRecords = records;
            }
        }
        return music;
    }

    Music Read(int staff, int from, int to, int layer) {
        return host::ReadLayer(*Host().Current(), static_cast<twobyte>(staff),
                               static_cast<twobyte>(from), static_cast<twobyte>(to),
                               static_cast<twobyte>(layer));
    }

    utwobyte KeyOf(twobyte measure) {
        return host::ReadMeasureKeyValue(*Host().Current(), measure).value_or(0);
    }

    /// The layers that must change, and into what.
    std::map<StaffLayer, Change> Expect(const Layout& l, const Music& source) {
        const auto keyOf = [this](twobyte measure) { return KeyOf(measure); };
        const int sourceEvents =
            testing_support::CountEvents(source, static_cast<twobyte>(l.sourceStart), keyOf);
        const int to = l.destinationStart + l.length - 1;
        std::map<StaffLayer, Change> expected;
        for (int staff = l.firstSlot; staff <= std::min(l.lastSlot, l.staves); ++staff) {
            for (int layer = 0; layer < 4; ++layer) {
                if (l.hidden.count(layer) || sourceEvents == 0) continue;
                if (staff == l.sourceStaff && layer == 0 && l.destinationStart == l.sourceStart)
                    continue;
                const Music current = Read(staff, l.destinationStart, to, layer);
                const auto start = static_cast<twobyte>(l.destinationStart);
                if (testing_support::CountEvents(current, start, keyOf) != sourceEvents) continue;
                Change change{testing_support::TransferRhythm(source,
                                                              static_cast<twobyte>(l.sourceStart),
                                                              current, start, keyOf),
                              std::nullopt};
                const int previous = l.destinationStart - 1;
                if (previous >= 1) {
                    const Music measure = Read(staff, previous, previous, layer);
                    if (!measure[0].empty()) {
                        change.before = measure[0].back();
                        testing_support::KeepTiesIntoRegion(
                            *change.before, static_cast<twobyte>(previous), change.music,
                            static_cast<twobyte>(l.destinationStart), keyOf);
                    }
                }
                expected[{staff, layer}] = change;
            }
        }
        return expected;
    }

    /// Each changed layer holds what was expected, in entries that are the host's and whose bits
    /// agree with their details.
    void ExpectChanged(const Layout& l, const std::map<StaffLayer, Change>& expected) {
        const host::Document& document = *Host().Current();
        const int to = l.destinationStart + l.length - 1;
        for (const auto& [layer, change] : expected) {
            SCOPED_TRACE("staff " + std::to_string(layer.first) + " layer " +
                         std::to_string(layer.second + 1));
            EXPECT_EQ(host::FormatMusic(Read(layer.first, l.destinationStart, to, layer.second)),
                      host::FormatMusic(change.music));
            if (change.before) {
                const int previous = l.destinationStart - 1;
                EXPECT_EQ(host::FormatEntry(
                              Read(layer.first, previous, previous, layer.second)[0].back()),
                          host::FormatEntry(*change.before));
            }
            for (int m = l.destinationStart; m <= to; ++m) {
                const auto* stored = host::StoredEntries(
                    document, static_cast<twobyte>(layer.first), static_cast<twobyte>(m),
                    static_cast<twobyte>(layer.second));
                if (!stored) continue;
                for (const EXENTRY& entry : *stored) {
                    const EntrySpec spec = host::ReadEntry(document, entry);
                    EXPECT_GT(+entry.entryNumber, 0);
                    EXPECT_EQ((entry.entryFlags & ENTRY_TUPLETSTART) != 0, !spec.tuplets.empty());
                    EXPECT_EQ((entry.entryFlags & ENTRY_ARTICULATION) != 0,
                              !spec.articulations.empty());
                }
            }
        }
    }

    /// Every frame that was not to change is as it was, byte for byte, with its details: all but
    /// the destinations' measures and, where its ties changed, the measure before them.
    void ExpectUnchanged(const Layout& l, const std::map<StaffLayer, Change>& expected,
                         const host::Document& before) {
        const host::Document& document = *Host().Current();
        const auto changes = [&](const host::FrameKey& key) {
            auto it = expected.find({key.staff, key.layer});
            if (it == expected.end()) return false;
            if (key.measure >= l.destinationStart && key.measure < l.destinationStart + l.length)
                return true;
            const Change& change = it->second;
            if (key.measure != l.destinationStart - 1 || !change.before) return false;
            const Music was =
                host::ReadLayer(before, key.staff, key.measure, key.measure, key.layer);
            return host::FormatEntry(was[0].back()) != host::FormatEntry(*change.before);
        };
        std::set<host::FrameKey> keys;
        for (const auto& [key, entries] : before.frames)
            keys.insert(key);
        for (const auto& [key, entries] : document.frames)
            keys.insert(key);
        for (const host::FrameKey& key : keys) {
            if (changes(key)) continue;
            SCOPED_TRACE("staff " + std::to_string(key.staff) + " measure " +
                         std::to_string(key.measure) + " layer " + std::to_string(key.layer + 1));
            const auto* was = host::StoredEntries(before, key.staff, key.measure, key.layer);
            const auto* is = host::StoredEntries(document, key.staff, key.measure, key.layer);
            ASSERT_EQ(was == nullptr, is == nullptr);
            if (!was) continue;
            ASSERT_EQ(was->size(), is->size());
            EXPECT_EQ(std::memcmp(was->data(), is->data(), sizeof(EXENTRY) * was->size()), 0);
            for (const EXENTRY& entry : *was)
                EXPECT_EQ(host::DetailsOfEntry(before, entry.entryNumber),
                          host::DetailsOfEntry(document, entry.entryNumber));
        }
    }
};

TEST_P(CopyProperty, MatchingLayersTakeTheRhythmAndNothingElseChanges) {
    Generator g(GetParam());
    const Layout l = MakeLayout(g);
    host::DocumentBuilder doc = NewDocument().Staves(l.staves).Measures(l.measures);
    const int events = g.Chance(0.05) ? 0 : g.Uniform(1, 6);
    Build(doc, g, l, events);
    const Music source = Read(l.sourceStaff, l.sourceStart, l.sourceStart + l.length - 1, 0);
    ASSERT_EQ(testing_support::CountEvents(source, static_cast<twobyte>(l.sourceStart),
                                           [this](twobyte measure) { return KeyOf(measure); }),
              events);
    const std::map<StaffLayer, Change> expected = Expect(l, source);
    const host::Document before = doc.Built();

    source_is_set = 0;
    ASSERT_TRUE(testing_support::SetSource(host::Region(
        static_cast<twobyte>(l.sourceStaff), static_cast<twobyte>(l.sourceStaff),
        static_cast<twobyte>(l.sourceStart), static_cast<twobyte>(l.sourceStart + l.length - 1))));
    const ufourbyte answer = testing_support::CopyTo(
        host::Region(static_cast<twobyte>(l.firstSlot), static_cast<twobyte>(l.lastSlot),
                     static_cast<twobyte>(l.destinationStart),
                     static_cast<twobyte>(l.destinationStart + l.length - 1)));
    EXPECT_EQ(answer, events > 0 ? 1u : 0u);
    EXPECT_EQ(Alerts().size(), events > 0 ? 0u : 1u);

    ExpectChanged(l, expected);
    ExpectUnchanged(l, expected, before);

    // Entry numbers stay unique in the document.
    std::set<fourbyte> numbers;
    size_t entries = 0;
    for (const auto& [key, stored] : doc.Built().frames)
        for (const EXENTRY& entry : stored) {
            numbers.insert(fourbyte{entry.entryNumber});
            ++entries;
        }
    EXPECT_EQ(numbers.size(), entries);
}

INSTANTIATE_TEST_SUITE_P(Seeds, CopyProperty, testing::Range(1u, 301u));

} // namespace
