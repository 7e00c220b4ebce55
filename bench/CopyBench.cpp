// COPY on generated scores, against the stand-in host's bare load and save of the frames COPY
// writes, and against COPY's own frame traffic replayed on the host without the framework. Every
// destination staff has two layers with the source's number of note events, one with another
// number and one empty, so each COPY writes 2 × (staves - 1) × measures frames.
#include "cli/PluginSession.h"
#include "finaleframework/music/FCMusicRegion.h"
#include "finalepdk/FinaleBinding.h"
#include "host/Builder.h"
#include "host/Host.h"
#include "host/HostFunctions.h"
#include "plugin/Cadentra.h"
#include "plugin/RhythmTransfer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

// One measure of each layer: the source has ties, a rest, a triplet and articulations; the
// matching layers have its five note events per measure, the third layer four.
constexpr const char* SOURCE_MEASURE = "C5 q!1, D5 q~, D5 e, r e, E5 e/3:2, F5 e!3, G5 e";
constexpr const char* MATCHING_MEASURE = "E4 q, F4+A4 q, G4 e, A4 e, B4 q";
constexpr const char* SECOND_MEASURE = "C4 h, D4 q, E4 e, F4 e, G4 q";
constexpr const char* OTHER_MEASURE = "G3 h, A3 q, B3 q";
constexpr int MATCHING_LAYERS = 2;

std::string Repeated(const char* measure, int measures) {
    std::string music;
    for (int m = 0; m < measures; ++m) music += (m ? " | " : "") + std::string(measure);
    return music;
}

/// A fresh current document of `staves` staves and `measures` measures.
host::Document& MakeScore(int staves, int measures) {
    cadentra_cli::RegisterStandInHost();
    host::Host& host = host::Host::Instance();
    host.Reset();
    host.SetCallLog(false);
    host::Document& document = host.NewDocument("bench");
    host::DocumentBuilder builder(document);
    builder.Staves(staves).Measures(measures);
    builder.Layer(1, 1, 0).Notes(Repeated(SOURCE_MEASURE, measures));
    for (int staff = 2; staff <= staves; ++staff) {
        const auto s = static_cast<twobyte>(staff);
        builder.Layer(s, 1, 0).Notes(Repeated(MATCHING_MEASURE, measures));
        builder.Layer(s, 1, 1).Notes(Repeated(SECOND_MEASURE, measures));
        builder.Layer(s, 1, 2).Notes(Repeated(OTHER_MEASURE, measures));
    }
    return document;
}

int64_t CopiedFrames(int staves, int measures) {
    return static_cast<int64_t>(MATCHING_LAYERS) * (staves - 1) * measures;
}

void SetCounters(benchmark::State& state, int64_t frames, double callsPerIteration) {
    state.counters["frames"] = static_cast<double>(frames);
    state.counters["time_per_frame"] = benchmark::Counter(
        static_cast<double>(frames), benchmark::Counter::kIsIterationInvariantRate |
                                         benchmark::Counter::kInvert);
    state.counters["host_calls_per_frame"] = callsPerIteration / static_cast<double>(frames);
}

/// COPY's own frame traffic without the framework: every frame COPY loads, edits, saves and frees,
/// in the same order of host calls (the source read once; every layer of a destination staff read
/// to count its events; for each matching layer and measure, the destination and source frames
/// read, the destination emptied and refilled with the source's entries, saved, reloaded for its
/// entry numbers and saved again). Tuplet and articulation records are left out. COPY's time over
/// this one is what the framework adds to the host's work. Answers the host calls made.
long long ReplayHostTrafficOfCopy(int staves, int measures) {
    constexpr EVERSION V = FINALEPDK_VERSION;
    thread_local std::vector<EXTGF2005a*> source;
    thread_local std::vector<EXTGF2005a*> counted;
    source.assign(static_cast<size_t>(measures), nullptr);
    const long long before = host::Host::Instance().CallCount();
    for (int m = 1; m <= measures; ++m)
        source[static_cast<size_t>(m - 1)] = host::fx::FX_LoadTGF(0, 1, m, 0, 1, V);
    for (int staff = 2; staff <= staves; ++staff) {
        counted.clear();
        for (int layer = 0; layer < 4; ++layer)
            for (int m = 1; m <= measures; ++m)
                counted.push_back(host::fx::FX_LoadTGF(0, staff, m, layer, 1, V));
        for (int layer = 0; layer < MATCHING_LAYERS; ++layer)
            for (int m = 1; m <= measures; ++m) {
                EXTGF2005a* clone = host::fx::FX_LoadTGF(0, staff, m, layer, 0, V);
                EXTGF2005a* from = host::fx::FX_LoadTGF(0, 1, m, 0, 0, V);
                host::fx::FX_DeleteEXENTRY(clone, 0, clone->entryCount, V);
                host::fx::FX_InsertEXENTRY(clone, 0, from->entryCount, V);
                for (int i = 0; i < from->entryCount; ++i) {
                    clone->entries[i] = from->entries[i];
                    clone->entries[i].entryNumber = 0;
                }
                host::fx::FX_FreeTGF(from, V);
                host::fx::FX_SaveTGF(clone, V);
                EXTGF2005a* reload = host::fx::FX_LoadTGF(0, staff, m, layer, 0, V);
                host::fx::FX_FreeTGF(clone, V);
                host::fx::FX_SaveTGF(reload, V);
                host::fx::FX_FreeTGF(reload, V);
            }
        for (EXTGF2005a* frame : counted)
            host::fx::FX_FreeTGF(frame, V);
    }
    for (EXTGF2005a* frame : source)
        host::fx::FX_FreeTGF(frame, V);
    return host::Host::Instance().CallCount() - before;
}

void HostTrafficOfCopy(benchmark::State& state) {
    const int staves = static_cast<int>(state.range(0));
    const int measures = static_cast<int>(state.range(1));
    long long calls = 0;
    for (auto _ : state) {
        state.PauseTiming();
        MakeScore(staves, measures);
        state.ResumeTiming();
        calls = ReplayHostTrafficOfCopy(staves, measures);
    }
    SetCounters(state, CopiedFrames(staves, measures), static_cast<double>(calls));
}

/// COPY on a fresh score each iteration. Every iteration also replays COPY's host traffic on
/// another fresh score, outside the timed part, and reports its time per frame: the floor is then
/// measured in the same process and heap state as COPY itself, so their ratio does not drift
/// with what ran before.
void CopyRhythmOnScore(benchmark::State& state) {
    const int staves = static_cast<int>(state.range(0));
    const int measures = static_cast<int>(state.range(1));
    EREGION sourceRecord = host::Region(1, 1, 1, static_cast<twobyte>(measures));
    EREGION destinationRecord =
        host::Region(2, static_cast<twobyte>(staves), 1, static_cast<twobyte>(measures));
    char message[CADENTRA_MESSAGE_SIZE] = {};
    long long calls = 0;
    double hostSeconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        MakeScore(staves, measures);
        FCMusicRegion source(&sourceRecord);
        FCMusicRegion destination(&destinationRecord);
        state.ResumeTiming();
        const long long before = host::Host::Instance().CallCount();
        if (!CopyRhythm(&source, &destination, message)) state.SkipWithError(message);
        calls = host::Host::Instance().CallCount() - before;
        state.PauseTiming();
        MakeScore(staves, measures);
        const auto start = std::chrono::steady_clock::now();
        ReplayHostTrafficOfCopy(staves, measures);
        hostSeconds +=
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        state.ResumeTiming();
    }
    const int64_t frames = CopiedFrames(staves, measures);
    SetCounters(state, frames, static_cast<double>(calls));
    state.counters["host_traffic_us_per_frame"] =
        hostSeconds * 1e6 / static_cast<double>(state.iterations()) / static_cast<double>(frames);
}

/// The floor: the host loads, saves and frees each frame COPY writes, and nothing else happens.
void BareLoadAndSave(benchmark::State& state) {
    const int staves = static_cast<int>(state.range(0));
    const int measures = static_cast<int>(state.range(1));
    MakeScore(staves, measures);
    long long calls = 0;
    for (auto _ : state) {
        const long long before = host::Host::Instance().CallCount();
        for (int staff = 2; staff <= staves; ++staff)
            for (int m = 1; m <= measures; ++m)
                for (int layer = 0; layer < MATCHING_LAYERS; ++layer) {
                    EXTGF2005a* frame = host::fx::FX_LoadTGF(0, staff, m, layer, 0,
                                                             FINALEPDK_VERSION);
                    host::fx::FX_SaveTGF(frame, FINALEPDK_VERSION);
                    host::fx::FX_FreeTGF(frame, FINALEPDK_VERSION);
                }
        calls = host::Host::Instance().CallCount() - before;
    }
    SetCounters(state, CopiedFrames(staves, measures), static_cast<double>(calls));
}

// Staves × measures: doubling each from 8 × 100 up to 64 × 800.
void Sizes(benchmark::internal::Benchmark* bench) {
    bench->Args({8, 100})->Args({16, 100})->Args({8, 200})->Args({16, 200})->Args({32, 400})
        ->Args({64, 800});
    // The best of three: a run of its own per size would take in whatever else the machine did.
    bench->Repetitions(3)->Unit(benchmark::kMillisecond);
}

BENCHMARK(CopyRhythmOnScore)->Apply(Sizes);
BENCHMARK(BareLoadAndSave)->Apply(Sizes);
BENCHMARK(HostTrafficOfCopy)->Apply(Sizes);

} // namespace
