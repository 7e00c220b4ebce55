// COPY over many generated documents. Each seed builds a document of a few staves with random
// rhythms (ties, rests, triplets, chords, articulations) in every layer, some layers hidden, one
// source and one destination selection; about half the destination layers get the source's number
// of events. After COPY:
//   - every shown destination layer with the source's event count holds the source's durations,
//     rests, ties, tuplets and articulations and its own event pitches (chords whole), in order;
//   - every other layer, and the source, is unchanged byte for byte, details included;
//   - every frame loaded was freed exactly once (the fixture checks it).
// The expectation is computed here from the notation, independently of the framework.
#include "host/EntryDetails.h"
#include "plugin/Cadentra.h"
#include "support/FrameFixture.h"
#include "support/PluginCommands.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <random>
#include <set>

namespace {

using host::EntrySpec;
using Music = std::vector<std::vector<EntrySpec>>; // entries per measure

class Generator {
public:
    explicit Generator(unsigned seed) : rng_(seed) {}

    int Uniform(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng_); }
    bool Chance(double p) { return std::bernoulli_distribution(p)(rng_); }

    /// Music over `measures` measures with exactly `events` note events.
    Music Layer(int events, int measures) {
        std::vector<EntrySpec> flat;
        for (int e = 0; e < events; ++e) {
            if (Chance(0.2)) flat.push_back(Rest());
            const EntrySpec note = Note();
            const int chain = Chance(0.75) ? 1 : Uniform(2, 3);
            for (int c = 0; c < chain; ++c) {
                EntrySpec link = note;
                link.duration = Duration();
                link.tie = c + 1 < chain;
                flat.push_back(link);
            }
            // Now and then a tie runs into a rest, which ends the chain all the same.
            if (Chance(0.08)) {
                flat.back().tie = true;
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

// The expectation
// ----------------------------------------------------------------------------------

std::vector<EntrySpec> Flatten(const Music& music) {
    std::vector<EntrySpec> flat;
    for (const auto& measure : music)
        flat.insert(flat.end(), measure.begin(), measure.end());
    return flat;
}

/// Indexes of the entries that start note events.
std::vector<size_t> EventStarts(const std::vector<EntrySpec>& entries) {
    std::vector<size_t> starts;
    bool previousTied = false;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].rest) {
            previousTied = false;
            continue;
        }
        if (!previousTied) starts.push_back(i);
        previousTied = entries[i].tie;
    }
    return starts;
}

/// The source's music with the pitches of the destination's events: the notes of an event go to
/// every entry of the source event that replaces it.
Music Transfer(const Music& source, const Music& destination) {
    const std::vector<EntrySpec> target = Flatten(destination);
    const std::vector<size_t> targetEvents = EventStarts(target);
    Music result = source;
    int event = -1;
    bool previousTied = false;
    for (auto& measure : result) {
        for (EntrySpec& entry : measure) {
            if (entry.rest) {
                previousTied = false;
                continue;
            }
            if (!previousTied) ++event;
            entry.pitches = target[targetEvents[static_cast<size_t>(event)]].pitches;
            previousTied = entry.tie;
        }
    }
    return result;
}

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

class CopyProperty : public testing_support::FrameTest,
                     public testing::WithParamInterface<unsigned> {};

TEST_P(CopyProperty, MatchingLayersTakeTheRhythmAndNothingElseChanges) {
    Generator g(GetParam());
    const Layout l = MakeLayout(g);
    host::DocumentBuilder doc = NewDocument().Staves(l.staves).Measures(l.measures);
    for (int layer : l.hidden)
        doc.HideLayer(layer);

    const int events = g.Chance(0.05) ? 0 : g.Uniform(1, 6);
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
                    const Music music = g.Layer(count, span);
                    for (size_t i = 0; i < music.size(); ++i) {
                        for (const EntrySpec& entry : music[i])
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
    host::Document& document = doc.Built();
    const twobyte sourceTo = static_cast<twobyte>(l.sourceStart + l.length - 1);
    const twobyte destinationTo = static_cast<twobyte>(l.destinationStart + l.length - 1);
    const Music source = host::ReadLayer(document, static_cast<twobyte>(l.sourceStaff),
                                         static_cast<twobyte>(l.sourceStart), sourceTo, 0);
    const int sourceEvents = static_cast<int>(EventStarts(Flatten(source)).size());
    ASSERT_EQ(sourceEvents, events);

    // Which layers must change, and into what.
    std::map<std::pair<int, int>, Music> expected; // (staff, layer) -> music
    for (int staff = l.firstSlot; staff <= std::min(l.lastSlot, l.staves); ++staff) {
        for (int layer = 0; layer < 4; ++layer) {
            if (l.hidden.count(layer) || sourceEvents == 0) continue;
            if (staff == l.sourceStaff && layer == 0 && l.destinationStart == l.sourceStart)
                continue;
            const Music current = host::ReadLayer(document, static_cast<twobyte>(staff),
                                                  static_cast<twobyte>(l.destinationStart),
                                                  destinationTo, static_cast<twobyte>(layer));
            if (static_cast<int>(EventStarts(Flatten(current)).size()) != sourceEvents) continue;
            expected[{staff, layer}] = Transfer(source, current);
        }
    }
    auto changes = [&](const host::FrameKey& key) {
        return expected.count({key.staff, key.layer}) && key.measure >= l.destinationStart &&
               key.measure <= destinationTo;
    };
    const host::Document before = document;

    EREGION sourceRegion =
        host::Region(static_cast<twobyte>(l.sourceStaff), static_cast<twobyte>(l.sourceStaff),
                     static_cast<twobyte>(l.sourceStart), sourceTo);
    EREGION destinationRegion =
        host::Region(static_cast<twobyte>(l.firstSlot), static_cast<twobyte>(l.lastSlot),
                     static_cast<twobyte>(l.destinationStart), destinationTo);
    source_is_set = 0;
    ASSERT_TRUE(testing_support::SetSource(sourceRegion));
    const ufourbyte answer = testing_support::CopyTo(destinationRegion);
    EXPECT_EQ(answer, sourceEvents > 0 ? 1u : 0u);
    EXPECT_EQ(Alerts().size(), sourceEvents > 0 ? 0u : 1u);

    for (const auto& [layer, music] : expected) {
        SCOPED_TRACE("staff " + std::to_string(layer.first) + " layer " +
                     std::to_string(layer.second + 1));
        const Music now = host::ReadLayer(document, static_cast<twobyte>(layer.first),
                                          static_cast<twobyte>(l.destinationStart), destinationTo,
                                          static_cast<twobyte>(layer.second));
        EXPECT_EQ(host::FormatMusic(now), host::FormatMusic(music));
        // The entries are the host's, and their bits agree with their details.
        for (twobyte m = static_cast<twobyte>(l.destinationStart); m <= destinationTo; ++m) {
            const auto* stored = host::StoredEntries(document, static_cast<twobyte>(layer.first), m,
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

    // Everything else is as it was, byte for byte, with its details.
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

    // Entry numbers stay unique in the document.
    std::set<fourbyte> numbers;
    size_t entries = 0;
    for (const auto& [key, stored] : document.frames)
        for (const EXENTRY& entry : stored) {
            numbers.insert(fourbyte{entry.entryNumber});
            ++entries;
        }
    EXPECT_EQ(numbers.size(), entries);
}

INSTANTIATE_TEST_SUITE_P(Seeds, CopyProperty, testing::Range(1u, 301u));

} // namespace
