// Browsing a document: the note entry browser, which loads one cell per staff and measure, against
// loading the same music layer by layer; and counting the measures, which every layer made with an
// end measure of -1 does.
#include "cli/PluginSession.h"
#include "finaleframework/core/FCIteratorHandler.h"
#include "finaleframework/music/FCMusicRegion.h"
#include "finaleframework/music/FCNoteEntryLayer.h"
#include "finaleframework/records/FCBrowserMeasures.h"
#include "finaleframework/records/FCRegionBrowsers.h"
#include "host/Builder.h"
#include "host/Host.h"

#include <benchmark/benchmark.h>

namespace {

/// A score of `staves` staves by `measures` measures of four quarter notes each.
void BuildScore(int staves, int measures) {
    cadentra_cli::RegisterStandInHost();
    host::Host::Instance().Reset();
    host::DocumentBuilder doc(host::Host::Instance().NewDocument());
    doc.Staves(staves).Measures(measures).KeySignature(1, 2);
    for (int staff = 1; staff <= staves; ++staff) {
        auto layer = doc.Layer(static_cast<twobyte>(staff), 1);
        for (int measure = 1; measure <= measures; ++measure) {
            if (measure > 1) layer.NextMeasure();
            layer.Notes("D4 q, E4 q, F#4 q, G4 q");
        }
    }
}

/// Counts the entries it is handed.
struct Counter : FCIteratorHandler {
    bool Iterate(__FCBase*) override {
        ++entries;
        return true;
    }
    long entries = 0;
};

void BrowseNoteEntries(benchmark::State& state) {
    const int staves = static_cast<int>(state.range(0));
    const int measures = static_cast<int>(state.range(1));
    BuildScore(staves, measures);
    FCBrowserNoteEntries browser;
    long entries = 0;
    for (auto _ : state) {
        Counter counter;
        browser.ForEach(&counter);
        entries = counter.entries;
    }
    state.counters["entries"] = static_cast<double>(entries);
    state.SetItemsProcessed(state.iterations() * entries);
}
BENCHMARK(BrowseNoteEntries)->Args({4, 50})->Args({8, 200})->Unit(benchmark::kMillisecond);

void LoadLayersOfEveryStaff(benchmark::State& state) {
    const int staves = static_cast<int>(state.range(0));
    const int measures = static_cast<int>(state.range(1));
    BuildScore(staves, measures);
    long entries = 0;
    for (auto _ : state) {
        entries = 0;
        for (int staff = 1; staff <= staves; ++staff) {
            FCNoteEntryLayer layer(0, static_cast<twobyte>(staff), 1,
                                   static_cast<twobyte>(measures));
            layer.Load();
            entries += layer.GetCount();
        }
    }
    state.counters["entries"] = static_cast<double>(entries);
    state.SetItemsProcessed(state.iterations() * entries);
}
BENCHMARK(LoadLayersOfEveryStaff)->Args({4, 50})->Args({8, 200})->Unit(benchmark::kMillisecond);

void CountMeasures(benchmark::State& state) {
    BuildScore(1, static_cast<int>(state.range(0)));
    FCBrowserMeasures browser;
    int count = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(count = browser.GetCount());
    state.counters["measures"] = count;
}
BENCHMARK(CountMeasures)->Arg(100)->Arg(1000)->Unit(benchmark::kMicrosecond);

} // namespace
