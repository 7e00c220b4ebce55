// Fuzzes COPY through the plug-in's entry points on documents built from arbitrary bytes: staves,
// measures in changing keys and lengths, layers (some hidden), notes, chords and rests of any
// duration, ties of whole entries and of single notes, tuplets and articulations; a source staff
// and a destination rectangle anywhere, through either instrument list. The result is checked
// against the model of support/CopyModel.h, on the music as the host reads it back:
//
// - a source whose layer 1 has no note event, or a destination whose measures are not as long as
//   the source's, is refused and changes nothing;
// - otherwise every shown layer of every destination staff with as many note events as the source
//   (the source layer itself excepted) takes the source's rhythm (durations, rests, tuplets,
//   articulations) with its own pitches, event by event, in order, tied as the model says, and
//   the entry before its region keeps only the ties that still lead into a note of their pitch;
// - everything else is unchanged;
// - every frame the host handed out is freed exactly once.
#include "finalepdk/FinaleBinding.h"
#include "host/Builder.h"
#include "host/MeasureRecord.h"
#include "plugin/Cadentra.h"

#include "support/CopyModel.h"
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
using testing_support::Music;

constexpr fourbyte DURATIONS[] = {4096, 3072, 2048, 1536, 1024, 768, 512, 256, 128, 2560, 640};
constexpr utwobyte OTHER_LIST = 2;
constexpr utwobyte KEYS[] = {0x0000, 0x0002, 0x00FE, 0x0005, 0x00FA, 0x0104,
                             0x01FD, 0x0007, 0x00F9, 0x0009, 0x4002, 0x0200};

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
        // Now and then a chord holds some of its notes only.
        if (!entry.tie && notes > 1 && data.ConsumeIntegralInRange(0, 3) == 0)
            for (size_t n = 0; n < entry.pitches.size(); ++n)
                if (data.ConsumeBool()) entry.tiedNotes.push_back(n);
        if (entry.tiedNotes.size() == entry.pitches.size()) {
            entry.tiedNotes.clear();
            entry.tie = true;
        }
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
    // Now and then another key: sharps or flats, major or minor, more than seven, or a key that
    // says nothing of its letters.
    for (twobyte measure = 1; measure <= layout.measures; ++measure)
        if (data.ConsumeIntegralInRange(0, 2) == 0)
            builder.KeyValue(measure, data.PickValueInArray(KEYS));
    // Now and then a measure of three beats.
    for (twobyte measure = 1; measure <= layout.measures; ++measure)
        if (data.ConsumeIntegralInRange(0, 4) == 0) builder.TimeSignature(measure, 3, 1024);
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

Music Slice(const Music& whole, twobyte first, twobyte last) {
    return Music(whole.begin() + (first - 1), whole.begin() + last);
}

/// The source (one slot of the score over some measures) and the destination (slots of either
/// list over as many measures, the rows past the last staff included).
struct Selection {
    twobyte sourceSlot;
    twobyte first;
    twobyte last;
    utwobyte list;
    twobyte startSlot;
    twobyte endSlot;
    twobyte destinationFirst;

    twobyte DestinationLast() const {
        return static_cast<twobyte>(destinationFirst + (last - first));
    }
};

Selection ArbitrarySelection(FuzzedDataProvider& data, const Layout& layout) {
    Selection s{};
    s.sourceSlot = data.ConsumeIntegralInRange<twobyte>(1, layout.staves);
    s.first = data.ConsumeIntegralInRange<twobyte>(1, layout.measures);
    s.last = data.ConsumeIntegralInRange<twobyte>(s.first, layout.measures);
    s.list = data.ConsumeBool() ? 0 : OTHER_LIST;
    s.startSlot = data.ConsumeIntegralInRange<twobyte>(1, layout.staves + 1);
    s.endSlot = data.ConsumeIntegralInRange<twobyte>(s.startSlot - 1, layout.staves + 1);
    s.destinationFirst = data.ConsumeIntegralInRange<twobyte>(
        1, static_cast<twobyte>(layout.measures - (s.last - s.first)));
    return s;
}

using Layers = std::map<std::pair<twobyte, twobyte>, Music>; // (staff, layer) -> every measure

Layers ReadLayers(const host::Document& document, const Layout& layout) {
    Layers layers;
    for (twobyte staff = 1; staff <= layout.staves; ++staff)
        for (twobyte layer = 0; layer < 4; ++layer)
            layers[{staff, layer}] = host::ReadLayer(document, staff, 1, layout.measures, layer);
    return layers;
}

/// Whether a destination staff has a measure of another length than the source measure it would
/// receive; COPY refuses such a destination.
bool LengthsDiffer(const host::Document& document, const Selection& s) {
    bool staves = false;
    for (twobyte slot = s.startSlot; slot <= s.endSlot; ++slot)
        staves = staves || document.SlotToStaff(slot, s.list) != 0;
    for (twobyte i = 0; staves && i <= s.last - s.first; ++i)
        if (document.MeasureDuration(static_cast<twobyte>(s.first + i)) !=
            document.MeasureDuration(static_cast<twobyte>(s.destinationFirst + i)))
            return true;
    return false;
}

testing_support::KeyOfMeasure KeysOf(const host::Document& document) {
    return [&document](twobyte measure) {
        return host::ReadMeasureKeyValue(document, measure).value_or(0);
    };
}

/// What COPY must make of the layers `before`.
Layers Expected(const host::Document& document, const Layout& layout, const Selection& s,
                const Layers& before) {
    const testing_support::KeyOfMeasure keyOf = KeysOf(document);
    const twobyte sourceStaff = document.SlotToStaff(s.sourceSlot, 0);
    const Music source = Slice(before.at({sourceStaff, 0}), s.first, s.last);
    const int sourceEvents = testing_support::CountEvents(source, s.first, keyOf);
    Layers expected = before;
    if (sourceEvents == 0 || LengthsDiffer(document, s)) return expected;
    for (twobyte slot = s.startSlot; slot <= s.endSlot; ++slot) {
        const twobyte staff = document.SlotToStaff(slot, s.list);
        if (staff == 0) continue;
        for (twobyte layer = 0; layer < layout.maxLayers; ++layer) {
            if (!document.layerShown[static_cast<size_t>(layer)]) continue;
            if (staff == sourceStaff && layer == 0 && s.destinationFirst == s.first) continue;
            const Music destination =
                Slice(before.at({staff, layer}), s.destinationFirst, s.DestinationLast());
            if (testing_support::CountEvents(destination, s.destinationFirst, keyOf) !=
                sourceEvents)
                continue;
            const Music copied = testing_support::TransferRhythm(source, s.first, destination,
                                                                 s.destinationFirst, keyOf);
            Music& music = expected[{staff, layer}];
            std::copy(copied.begin(), copied.end(), music.begin() + (s.destinationFirst - 1));
            const twobyte previous = static_cast<twobyte>(s.destinationFirst - 1);
            if (previous >= 1 && !music[static_cast<size_t>(previous - 1)].empty())
                testing_support::KeepTiesIntoRegion(music[static_cast<size_t>(previous - 1)].back(),
                                                    previous, copied, s.destinationFirst, keyOf);
        }
    }
    return expected;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    host::Host& host = fuzz_support::FreshHost();
    FuzzedDataProvider data(bytes, size);
    host::Document& document = host.NewDocument();
    const Layout layout = BuildDocument(data, document);
    const Selection s = ArbitrarySelection(data, layout);
    const Layers before = ReadLayers(document, layout);
    const Layers expected = Expected(document, layout, s, before);
    const twobyte sourceStaff = document.SlotToStaff(s.sourceSlot, 0);
    const Music source = Slice(before.at({sourceStaff, 0}), s.first, s.last);
    const int sourceEvents = testing_support::CountEvents(source, s.first, KeysOf(document));
    const ufourbyte copies = sourceEvents > 0 && !LengthsDiffer(document, s) ? 1 : 0;

    const fourbyte counterBefore = LoadedTGFCounter;
    source_is_set = 0;
    EREGION sourceRegion = host::Region(s.sourceSlot, s.sourceSlot, s.first, s.last);
    FinaleExtensionInvoke(0, CADENTRA_ITEM_SETSOURCE, &sourceRegion, 0);
    FUZZ_REQUIRE(source_is_set == 1);
    EREGION destinationRegion =
        host::Region(s.startSlot, s.endSlot, s.destinationFirst, s.DestinationLast(), 0,
                     EREGION_END_OF_MEASURE, s.list);
    const ufourbyte answer = FinaleExtensionInvoke(0, CADENTRA_ITEM_COPY, &destinationRegion, 0);
    if (answer != copies)
        std::fprintf(stderr, "COPY answered %u with \"%s\"; the source has %d events: %s\n", answer,
                     fuzz_support::LastAlert().c_str(), sourceEvents,
                     host::FormatMusic(source).c_str());
    FUZZ_REQUIRE(answer == copies);

    for (const auto& [layer, music] : ReadLayers(document, layout)) {
        if (host::FormatMusic(music) == host::FormatMusic(expected.at(layer))) continue;
        std::fprintf(stderr,
                     "staff %d layer %d (source staff %d, events %d)\n  was: %s\n  is:  %s\n"
                     "  expected: %s\n",
                     layer.first, layer.second + 1, sourceStaff, sourceEvents,
                     host::FormatMusic(before.at(layer)).c_str(), host::FormatMusic(music).c_str(),
                     host::FormatMusic(expected.at(layer)).c_str());
        FUZZ_REQUIRE(!"COPY changed the music otherwise than its rule says");
    }

    // Every frame handed out was freed once; loads the host refused stay counted.
    FUZZ_REQUIRE(host.Frames().LiveCount() == 0);
    FUZZ_REQUIRE(host.Frames().BadFrees() == 0);
    FUZZ_REQUIRE(LoadedTGFCounter - counterBefore ==
                 host.CountCalls("FX_LoadTGF") - host.Frames().LoadedCount());
    return 0;
}
