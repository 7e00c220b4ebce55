// COPY under host faults: on a document of several staves and layers, the first, second, third ...
// host call of COPY fails in turn, until a run makes fewer calls than the one that would fail.
// Every run must free each frame it was given exactly once and leave no detail record behind
// without its entry. Every layer must be as it was, or wholly copied, unless the alert names its
// staff and layer.
//
// Wholly copied means: the layer has its own pitches event by event, exactly as in a run without
// faults, and the rhythm of the source as this run read it, the same in every layer written. A
// host that fails a read answers as a host would where nothing is stored (no such record, no such
// staff, layer not shown), so a run may read less of the source than there is, or skip a layer,
// without knowing it; it must then treat every layer alike.
#include "finalepdk/FinaleBinding.h"
#include "host/Builder.h"
#include "host/EntryDetails.h"
#include "plugin/Cadentra.h"
#include "support/HostFixture.h"
#include "support/PluginCommands.h"

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

using StaffLayer = std::pair<twobyte, twobyte>; // staff number, 1-based layer

constexpr twobyte STAVES = 5;
constexpr twobyte LAYERS = 4;
constexpr twobyte FIRST_MEASURE = 2;
constexpr twobyte LAST_MEASURE = 3;
constexpr twobyte MEASURES = 4;

/// Every layer of every staff over the whole document, in the builder's notation.
std::map<StaffLayer, std::string> Music(const host::Document& document) {
    std::map<StaffLayer, std::string> music;
    for (twobyte staff = 1; staff <= STAVES; ++staff)
        for (twobyte layer = 0; layer < LAYERS; ++layer)
            music[{staff, static_cast<twobyte>(layer + 1)}] =
                host::DescribeLayer(document, staff, 1, MEASURES, layer);
    return music;
}

/// A layer split into its rhythm (durations, rests, ties, tuplets, articulations: the notation
/// with every pitch written as C4) and its pitches, entry by entry.
struct Shape {
    std::string rhythm;
    std::vector<std::vector<host::NotePitch>> pitches;
};

Shape ShapeOf(const host::Document& document, twobyte staff, twobyte layer) {
    Shape shape;
    auto measures = host::ReadLayer(document, staff, 1, MEASURES, static_cast<twobyte>(layer - 1));
    for (auto& measure : measures) {
        for (host::EntrySpec& entry : measure) {
            shape.pitches.push_back(entry.pitches);
            if (!entry.rest) entry.pitches = {host::NotePitch{}};
        }
    }
    shape.rhythm = host::FormatMusic(measures);
    return shape;
}

/// The staves and layers an alert names ("... staff 2 layer 1, staff 3 layer 2.").
std::set<StaffLayer> NamedLayers(const std::string& text) {
    std::set<StaffLayer> named;
    static const std::regex item("staff (\\d+) layer (\\d+)");
    for (auto it = std::sregex_iterator(text.begin(), text.end(), item);
         it != std::sregex_iterator(); ++it)
        named.insert(
            {static_cast<twobyte>(std::stoi((*it)[1])), static_cast<twobyte>(std::stoi((*it)[2]))});
    return named;
}

/// Detail records whose entry is in no frame of the document.
int OrphanDetails(const host::Document& document) {
    std::set<fourbyte> entries;
    for (const auto& [key, frame] : document.frames)
        for (const EXENTRY& entry : frame)
            entries.insert(+entry.entryNumber); // by value: the field is packed
    int orphans = 0;
    for (const auto& [key, bytes] : document.records)
        if (host::IsEntryDetailTag(key.tag) && !entries.count(host::EntryNumberOfKey(key.key)))
            ++orphans;
    return orphans;
}

class CopyFaultSweep : public testing_support::HostTest {
protected:
    CopyFaultSweep() { source_is_set = 0; }

    /// Staff 1 is the source (layer 1 of measures 2-3: six events with a tie, a rest, a triplet
    /// and articulations). Layers with six events take the rhythm (staff 1 layer 2, staff 2
    /// layer 1, staff 3 layer 2, staff 4 layer 1); the others do not match, and layer 4, hidden,
    /// is never written.
    void Build() {
        auto doc = NewDocument().Staves(STAVES).Measures(MEASURES).HideLayer(3);
        doc.Layer(1, 1).Notes("C4 w | C4 q!1, D4 q~, D4 q, r q | E4 e/3:2, F4 e!2!3, G4 e, A4 h. "
                              "| B4 w");
        doc.Layer(1, 2, 1).Notes("C5 h, D5 q, E5 q | F5 h, G5 q, A5 q");
        doc.Layer(2, 2).Notes("E5 q/3:2!4, F5 q, G5 q, A5 h | B5 h, C6 h");
        doc.Layer(2, 2, 2).Notes("E3 w | F3 w");
        doc.Layer(3, 1).Notes("G4 w | A4 h, B4 h | C5 h, D5 q, E5 q | F5 w");
        doc.Layer(3, 2, 1).Notes("A3 q, B3 q, C4 q, D4 q | E4 h, F4 h");
        doc.Layer(4, 2).Notes("C6 w | D6 q, E6 q, F6 q, G6 e!2, A6 e");
        doc.Layer(4, 2, 3).Notes("C3 h, D3 h | E3 h, F3 q, G3 e, A3 e");
        doc.Layer(5, 2).Notes("D4 h~, D4 h | E4 w");
    }

    bool SetSource() {
        return testing_support::SetSource(host::Region(1, 1, FIRST_MEASURE, LAST_MEASURE));
    }

    ufourbyte Copy() {
        return testing_support::CopyTo(host::Region(1, STAVES, FIRST_MEASURE, LAST_MEASURE));
    }

    /// Checks that the frames of the last run were each freed once and that the framework's
    /// frame counter moved only by the loads the host did not deliver.
    void ExpectFramesFreedOnce(fourbyte counterBefore, size_t callsBefore, const std::string& run) {
        int loads = 0;
        int frees = 0;
        for (size_t i = callsBefore; i < Host().Calls().size(); ++i) {
            loads += Host().Calls()[i].name == "FX_LoadTGF";
            frees += Host().Calls()[i].name == "FX_FreeTGF";
        }
        const int delivered = Host().Frames().LoadedCount();
        EXPECT_EQ(frees, delivered) << run;
        EXPECT_EQ(Host().Frames().BadFrees(), 0) << run;
        EXPECT_EQ(LoadedTGFCounter - counterBefore, loads - delivered) << run;
    }
};

TEST_F(CopyFaultSweep, EveryFailingHostCallLeavesLayersWholeOrNamed) {
    Build();
    ASSERT_TRUE(SetSource());
    host::Document& document = *Host().Current();
    const host::Document before = document;
    const std::map<StaffLayer, std::string> original = Music(before);

    // The run without faults: what COPY copies.
    Host().ClearCalls();
    ASSERT_EQ(Copy(), 1u);
    ASSERT_TRUE(Alerts().empty());
    const host::Document copiedDocument = document;
    const std::map<StaffLayer, std::string> copied = Music(document);
    const int hostCalls = static_cast<int>(Host().Calls().size());
    std::set<StaffLayer> changed;
    for (const auto& [layer, music] : copied)
        if (music != original.at(layer)) changed.insert(layer);
    ASSERT_EQ(changed, (std::set<StaffLayer>{{1, 2}, {2, 1}, {3, 2}, {4, 1}}));

    int runs = 0;
    for (int n = 1;; ++n) {
        document = before;
        Host().Frames().Reset();
        Host().ClearCalls();
        const size_t alertsBefore = Alerts().size();
        const fourbyte counterBefore = LoadedTGFCounter;
        const int faultsBefore = Host().FaultsInjected();
        Host().FailCallNumber(n);
        const ufourbyte answer = Copy();
        Host().ClearFaults();
        const bool faulted = Host().FaultsInjected() != faultsBefore;
        const std::string run = "host call " + std::to_string(n) + " (" +
                                (n <= static_cast<int>(Host().Calls().size())
                                     ? Host().Calls()[static_cast<size_t>(n - 1)].name
                                     : std::string("none")) +
                                ") failing";
        ++runs;

        ExpectFramesFreedOnce(counterBefore, 0, run);
        EXPECT_EQ(OrphanDetails(document), OrphanDetails(before)) << run;

        const std::string alert =
            Alerts().size() > alertsBefore ? Alerts().back().text : std::string();
        EXPECT_LE(Alerts().size(), alertsBefore + 1) << run;
        const std::set<StaffLayer> named = NamedLayers(alert);
        const std::map<StaffLayer, std::string> music = Music(document);
        std::optional<std::string> rhythmRead; // the source's rhythm as this run read it
        for (const auto& [layer, text] : music) {
            if (text == original.at(layer) || named.count(layer)) continue;
            const auto describe = [&] {
                return run + ": staff " + std::to_string(layer.first) + " layer " +
                       std::to_string(layer.second) + ", not named in \"" + alert + "\", is " +
                       text;
            };
            EXPECT_TRUE(changed.count(layer)) << describe();
            const Shape shape = ShapeOf(document, layer.first, layer.second);
            EXPECT_EQ(shape.pitches, ShapeOf(copiedDocument, layer.first, layer.second).pitches)
                << describe();
            if (!rhythmRead) rhythmRead = shape.rhythm;
            EXPECT_EQ(shape.rhythm, *rhythmRead) << describe();
        }
        if (answer == 1)
            EXPECT_TRUE(alert.empty()) << run;
        else
            EXPECT_FALSE(alert.empty()) << run << ": COPY failed without telling the user";

        if (!faulted) {
            // Fewer calls than n: this run met no fault and must be the run without faults.
            EXPECT_EQ(answer, 1u) << run;
            EXPECT_EQ(music, copied) << run;
            break;
        }
        ASSERT_LT(n, hostCalls + 2) << "the sweep does not end";
    }
    EXPECT_EQ(runs, hostCalls + 1);
}

} // namespace
