// Fuzzes COPY through the plug-in's entry points on documents built from arbitrary bytes: staves,
// measures, layers (some hidden), notes, chords and rests of any duration, ties, tuplets and
// articulations; a source staff and a destination rectangle anywhere, through either instrument
// list. The result is checked against a model written from the rule COPY follows, on the music as
// the host reads it back:
//
// - a source whose layer 1 has no note event is refused and changes nothing;
// - otherwise every shown layer of every destination staff with as many note events as the source
//   (the source layer itself excepted) takes the source's rhythm (durations, rests, ties, tuplets,
//   articulations) with its own pitches, event by event, in order;
// - everything else is unchanged;
// - every frame the host handed out is freed exactly once.
#include "finalepdk/FinaleBinding.h"
#include "host/Builder.h"
#include "plugin/Cadentra.h"

#include "support/FuzzHost.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdio>
#include <cstdint>
#include <map>
#include <numeric>
#include <string>
#include <vector>

namespace {

using host::EntrySpec;
using Music = std::vector<std::vector<EntrySpec>>; // by measure

constexpr fourbyte DURATIONS[] = {4096, 3072, 2048, 1536, 1024, 768, 512, 256, 128, 2560, 640};
constexpr utwobyte OTHER_LIST = 2;

EntrySpec ArbitraryEntry(FuzzedDataProvider& data) {
    EntrySpec entry;
    entry.rest = data.ConsumeIntegralInRange(0, 3) == 0;
    entry.duration = data.ConsumeBool() ? data.PickValueInArray(DURATIONS)
                                        : data.ConsumeIntegralInRange<fourbyte>(1, 8192);
    if (!entry.rest) {
        const int notes = data.ConsumeIntegralInRange(1, 4);
        for (int n = 0; n < notes; ++n)
            entry.pitches.push_back({data.ConsumeIntegralInRange<twobyte>(-20, 20),
                                     data.ConsumeIntegralInRange<twobyte>(-2, 2)});
        entry.tie = data.ConsumeIntegralInRange(0, 3) == 0;
    }
    if (data.ConsumeIntegralInRange(0, 5) == 0) {
        const fourbyte unit = data.PickValueInArray(DURATIONS);
        entry.tuplets.push_back(
            host::TupletDefinition{data.ConsumeIntegralInRange<twobyte>(2, 7), unit,
                                   data.ConsumeIntegralInRange<twobyte>(1, 6), unit});
    }
    const int articulations = data.ConsumeIntegralInRange(0, 9) / 3 % 3; // mostly none
    for (int a = 0; a < articulations; ++a)
        entry.articulations.push_back(data.ConsumeIntegralInRange<twobyte>(1, 12));
    return entry;
}

struct Layout {
    twobyte staves;
    twobyte measures;
    twobyte maxLayers;
};

Layout BuildDocument(FuzzedDataProvider& data, host::Document& document) {
    Layout layout{data.ConsumeIntegralInRange<twobyte>(1, 4),
                  data.ConsumeIntegralInRange<twobyte>(1, 4),
                  data.ConsumeIntegralInRange<twobyte>(1, 4)};
    host::DocumentBuilder builder(document);
    builder.Staves(layout.staves).Measures(layout.measures).MaxLayers(layout.maxLayers);
    for (int layer = 0; layer < 4; ++layer)
        if (data.ConsumeIntegralInRange(0, 4) == 0) builder.HideLayer(layer);
    // A second instrument list: the staves in another order, some left out.
    std::vector<twobyte> order(static_cast<size_t>(layout.staves));
    std::iota(order.begin(), order.end(), twobyte{1});
    for (size_t i = order.size(); i > 1; --i)
        std::swap(order[i - 1], order[data.ConsumeIntegralInRange<size_t>(0, i - 1)]);
    order.resize(data.ConsumeIntegralInRange<size_t>(0, order.size()));
    builder.InstrumentList(OTHER_LIST, order);

    for (twobyte staff = 1; staff <= layout.staves; ++staff) {
        for (twobyte layer = 0; layer < layout.maxLayers; ++layer) {
            for (twobyte measure = 1; measure <= layout.measures; ++measure) {
                host::LayerBuilder music = builder.Layer(staff, measure, layer);
                const int entries = data.ConsumeIntegralInRange(0, 5);
                for (int e = 0; e < entries; ++e)
                    music.Entry(ArbitraryEntry(data));
            }
        }
    }
    return layout;
}

/// Note events as COPY counts them: a note entry starts one unless the note entry before it was
/// tied; a rest is none and breaks a tie. Answers the event index of each entry (-1 for rests).
std::vector<int> EventsOf(const Music& music, int* count) {
    std::vector<int> events;
    bool previousTied = false;
    int next = 0;
    for (const auto& measure : music) {
        for (const EntrySpec& entry : measure) {
            if (entry.rest) {
                events.push_back(-1);
                previousTied = false;
                continue;
            }
            if (!previousTied) ++next;
            events.push_back(next - 1);
            previousTied = entry.tie;
        }
    }
    *count = next;
    return events;
}

/// The source's rhythm with the destination's pitches: each note entry of event k takes the
/// pitches of the first entry of the destination's event k.
Music Copied(const Music& source, const Music& destination) {
    int sourceEvents = 0;
    int destinationEvents = 0;
    const std::vector<int> sourceIndex = EventsOf(source, &sourceEvents);
    const std::vector<int> destinationIndex = EventsOf(destination, &destinationEvents);
    std::vector<std::vector<host::NotePitch>> pitches(static_cast<size_t>(destinationEvents));
    size_t flat = 0;
    for (const auto& measure : destination) {
        for (const EntrySpec& entry : measure) {
            const int event = destinationIndex[flat++];
            if (event >= 0 && pitches[static_cast<size_t>(event)].empty())
                pitches[static_cast<size_t>(event)] = entry.pitches;
        }
    }
    Music result = source;
    flat = 0;
    for (auto& measure : result)
        for (EntrySpec& entry : measure)
            if (const int event = sourceIndex[flat++]; event >= 0)
                entry.pitches = pitches[static_cast<size_t>(event)];
    return result;
}

Music Slice(const Music& whole, twobyte first, twobyte last) {
    return Music(whole.begin() + (first - 1), whole.begin() + last);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    host::Host& host = fuzz_support::FreshHost();
    FuzzedDataProvider data(bytes, size);
    host::Document& document = host.NewDocument();
    const Layout layout = BuildDocument(data, document);

    // The source: one slot of the score over some measures; the destination: slots of either
    // list over as many measures, the rows past the last staff included.
    const twobyte sourceSlot = data.ConsumeIntegralInRange<twobyte>(1, layout.staves);
    const twobyte first = data.ConsumeIntegralInRange<twobyte>(1, layout.measures);
    const twobyte last = data.ConsumeIntegralInRange<twobyte>(first, layout.measures);
    const twobyte span = static_cast<twobyte>(last - first);
    const utwobyte list = data.ConsumeBool() ? 0 : OTHER_LIST;
    const twobyte startSlot = data.ConsumeIntegralInRange<twobyte>(1, layout.staves + 1);
    const twobyte endSlot = data.ConsumeIntegralInRange<twobyte>(startSlot - 1, layout.staves + 1);
    const twobyte destinationFirst =
        data.ConsumeIntegralInRange<twobyte>(1, static_cast<twobyte>(layout.measures - span));

    std::map<std::pair<twobyte, twobyte>, Music> before;
    for (twobyte staff = 1; staff <= layout.staves; ++staff)
        for (twobyte layer = 0; layer < 4; ++layer)
            before[{staff, layer}] = host::ReadLayer(document, staff, 1, layout.measures, layer);

    // What COPY must do.
    const twobyte sourceStaff = document.SlotToStaff(sourceSlot, 0);
    const Music source = Slice(before[{sourceStaff, 0}], first, last);
    int sourceEvents = 0;
    EventsOf(source, &sourceEvents);
    auto expected = before;
    if (sourceEvents > 0) {
        for (twobyte slot = startSlot; slot <= endSlot; ++slot) {
            const twobyte staff = document.SlotToStaff(slot, list);
            if (staff == 0) continue;
            for (twobyte layer = 0; layer < layout.maxLayers; ++layer) {
                if (!document.layerShown[static_cast<size_t>(layer)]) continue;
                if (staff == sourceStaff && layer == 0 && destinationFirst == first) continue;
                const Music destination = Slice(before[{staff, layer}], destinationFirst,
                                                static_cast<twobyte>(destinationFirst + span));
                int events = 0;
                EventsOf(destination, &events);
                if (events != sourceEvents) continue;
                const Music copied = Copied(source, destination);
                std::copy(copied.begin(), copied.end(),
                          expected[{staff, layer}].begin() + (destinationFirst - 1));
            }
        }
    }

    const fourbyte counterBefore = LoadedTGFCounter;
    source_is_set = 0;
    EREGION sourceRegion = host::Region(sourceSlot, sourceSlot, first, last);
    FinaleExtensionInvoke(0, CADENTRA_ITEM_SETSOURCE, &sourceRegion, 0);
    FUZZ_REQUIRE(source_is_set == 1);
    EREGION destinationRegion = host::Region(startSlot, endSlot, destinationFirst,
                                             static_cast<twobyte>(destinationFirst + span), 0,
                                             EREGION_END_OF_MEASURE, list);
    const ufourbyte answer = FinaleExtensionInvoke(0, CADENTRA_ITEM_COPY, &destinationRegion, 0);
    if (answer != (sourceEvents > 0 ? 1u : 0u))
        std::fprintf(stderr, "COPY answered %u with \"%s\"; the source has %d events: %s\n",
                     answer, fuzz_support::LastAlert().c_str(), sourceEvents,
                     host::FormatMusic(source).c_str());
    FUZZ_REQUIRE(answer == (sourceEvents > 0 ? 1u : 0u));

    for (twobyte staff = 1; staff <= layout.staves; ++staff) {
        for (twobyte layer = 0; layer < 4; ++layer) {
            const Music after = host::ReadLayer(document, staff, 1, layout.measures, layer);
            if (host::FormatMusic(after) != host::FormatMusic(expected[{staff, layer}])) {
                std::fprintf(stderr,
                             "staff %d layer %d (source staff %d, events %d)\n  was: %s\n  "
                             "is:  %s\n  expected: %s\n",
                             staff, layer + 1, sourceStaff, sourceEvents,
                             host::FormatMusic(before[{staff, layer}]).c_str(),
                             host::FormatMusic(after).c_str(),
                             host::FormatMusic(expected[{staff, layer}]).c_str());
                FUZZ_REQUIRE(!"COPY changed the music otherwise than its rule says");
            }
        }
    }

    // Every frame handed out was freed once; loads the host refused stay counted.
    FUZZ_REQUIRE(host.Frames().LiveCount() == 0);
    FUZZ_REQUIRE(host.Frames().BadFrees() == 0);
    FUZZ_REQUIRE(LoadedTGFCounter - counterBefore ==
                 host.CountCalls("FX_LoadTGF") - host.Frames().LoadedCount());
    return 0;
}
