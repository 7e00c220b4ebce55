// COPY on generated scores, against the stand-in host's bare load and save of the frames COPY
// writes, and against COPY's own frame traffic replayed on the host without the framework. Every
// destination staff has two layers with the source's number of note events, one with another
// number and one empty, so each COPY writes 2 × (staves - 1) × measures frames.
#include "bench/ThreadTime.h"
#include "cli/PluginSession.h"
#include "finaleframework/music/FCMusicRegion.h"
#include "finalepdk/FinaleBinding.h"
#include "host/Builder.h"
#include "host/EntryDetails.h"
#include "host/Host.h"
#include "host/HostFunctions.h"
#include "host/RecordStore.h"
#include "plugin/Cadentra.h"
#include "plugin/RhythmTransfer.h"

#include <benchmark/benchmark.h>

#include <array>
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
/// The bytes of one articulation record.
constexpr fourbyte ARTICULATION_BYTES = 10;
using host::TAG_ARTICULATION;
using host::TAG_TUPLET;

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

/// The question a layer asks the host for the staff of a frame's entries, once per frame that
/// has any.
void StaffOfEntries(const EXTGF2005a* frame) {
    if (frame->entryCount > 0)
        host::fx::FX_SlotToInst(frame->slot, frame->instrumentList, FINALEPDK_VERSION);
}

/// An articulation record of a source entry: the entry's index in its frame and the bytes.
struct SourceArticulation {
    int entryIndex;
    std::array<unsigned char, ARTICULATION_BYTES> bytes;
};

namespace fx = host::fx;
constexpr EVERSION V = FINALEPDK_VERSION;

/// The measure lengths, source against every destination staff, as COPY checks them first.
/// Answers the source's staff.
int CompareMeasureLengths(int staves, int measures) {
    const int sourceStaff = fx::FX_SlotToInst(1, 0, V);
    for (int staff = 2; staff <= staves; ++staff)
        fx::FX_SlotToInst(staff, 0, V);
    for (int m = 1; m <= measures; ++m) {
        const int length = fx::FX_GetMeasureDuration(sourceStaff, m, V);
        for (int staff = 2; staff <= staves; ++staff)
            benchmark::DoNotOptimize(fx::FX_GetMeasureDuration(staff, m, V) == length);
    }
    return sourceStaff;
}

/// The frames of one layer over measures 1 to `measures`, as a layer loads them.
void LoadLayer(int staff, int layer, int measures, bool visibleOnly,
               std::vector<EXTGF2005a*>& frames) {
    frames.clear();
    for (int m = 1; m <= measures; ++m) {
        if (visibleOnly) fx::FX_GetShowLayer(layer, V);
        EXTGF2005a* frame = fx::FX_LoadTGF(0, fx::FX_InstToSlot(staff, 0, V), m, layer, 1, V);
        StaffOfEntries(frame);
        frames.push_back(frame);
    }
}

void FreeFrames(const std::vector<EXTGF2005a*>& frames) {
    for (EXTGF2005a* frame : frames)
        fx::FX_FreeTGF(frame, V);
}

/// The source as COPY holds it: its frames, and the articulations of its entries, each entry's
/// read until one is missing.
struct ReplaySource {
    int staff = 0;
    std::vector<EXTGF2005a*> frames;
    std::vector<std::vector<SourceArticulation>> articulations; // per measure

    void Read(int measures) {
        LoadLayer(staff, 0, measures, false, frames);
        articulations.assign(frames.size(), {});
        for (size_t m = 0; m < frames.size(); ++m) {
            const EXTGF2005a* frame = frames[m];
            for (int i = 0; i < frame->entryCount; ++i) {
                if (!(frame->entries[i].entryFlags & ENTRY_ARTICULATION)) continue;
                for (twobyte inci = 0;; ++inci) {
                    SourceArticulation record{i, {}};
                    auto key =
                        host::DetailKey(TAG_ARTICULATION, frame->entries[i].entryNumber, inci).key;
                    fourbyte size = ARTICULATION_BYTES;
                    if (!fx::FX_LoadEData(TAG_ARTICULATION, key.data(), record.bytes.data(), &size,
                                          V))
                        break;
                    articulations[m].push_back(record);
                }
            }
        }
    }
};

/// The tuplets of `from` and the articulations `records` of its entries, stored under the entry
/// numbers of `to`; the destination's own articulations of each entry are read first.
void StoreDetails(const EXTGF2005a* from, const std::vector<SourceArticulation>& records,
                  const EXTGF2005a* to) {
    for (int t = 0; t < from->tupletCount; ++t) {
        const EXTGFTUPLET& tuplet = from->tuplets[t];
        auto key = host::DetailKey(TAG_TUPLET, to->entries[tuplet.startIndex].entryNumber,
                                   tuplet.tupletInci)
                       .key;
        EDTTuplet2005 definition = tuplet.tupletDef;
        fx::FX_SaveEData(TAG_TUPLET, key.data(), &definition, sizeof definition, V);
    }
    int lastEntry = -1;
    twobyte inci = 0;
    for (SourceArticulation record : records) {
        const fourbyte number = to->entries[record.entryIndex].entryNumber;
        if (record.entryIndex != lastEntry) {
            std::array<unsigned char, ARTICULATION_BYTES> existing{};
            auto key = host::DetailKey(TAG_ARTICULATION, number).key;
            fourbyte size = ARTICULATION_BYTES;
            fx::FX_LoadEData(TAG_ARTICULATION, key.data(), existing.data(), &size, V);
            lastEntry = record.entryIndex;
            inci = 0;
        } else {
            ++inci;
        }
        auto key = host::DetailKey(TAG_ARTICULATION, number, inci).key;
        fx::FX_SaveEData(TAG_ARTICULATION, key.data(), record.bytes.data(), ARTICULATION_BYTES, V);
    }
}

/// One matching layer copied: the clone reads the destination and source frames of every measure
/// and refills the destination with the source's entries, saves every frame and reloads it for
/// its entry numbers, stores the tuplets and articulations under them, and saves again.
void CopyLayer(int staff, int layer, const ReplaySource& source, std::vector<EXTGF2005a*>& clone) {
    clone.clear();
    for (size_t m = 1; m <= source.frames.size(); ++m) {
        const int measure = static_cast<int>(m);
        EXTGF2005a* to = fx::FX_LoadTGF(0, fx::FX_InstToSlot(staff, 0, V), measure, layer, 0, V);
        EXTGF2005a* from =
            fx::FX_LoadTGF(0, fx::FX_InstToSlot(source.staff, 0, V), measure, 0, 0, V);
        fx::FX_DeleteEXENTRY(to, 0, to->entryCount, V);
        fx::FX_InsertEXENTRY(to, 0, from->entryCount, V);
        for (int i = 0; i < from->entryCount; ++i) {
            to->entries[i] = from->entries[i];
            to->entries[i].entryNumber = 0;
        }
        fx::FX_FreeTGF(from, V);
        clone.push_back(to);
    }
    for (EXTGF2005a* frame : clone)
        StaffOfEntries(frame);
    for (EXTGF2005a*& frame : clone) {
        fx::FX_SaveTGF(frame, V);
        EXTGF2005a* reload = fx::FX_LoadTGF(0, frame->slot, frame->measure, layer, 0, V);
        fx::FX_FreeTGF(frame, V);
        frame = reload;
    }
    for (size_t m = 0; m < clone.size(); ++m)
        StoreDetails(source.frames[m], source.articulations[m], clone[m]);
    for (EXTGF2005a* frame : clone)
        fx::FX_SaveTGF(frame, V);
    FreeFrames(clone);
}

/// COPY's own host traffic without the framework: every host call COPY makes, in COPY's order,
/// with nothing but the bytes moved between them. The measure lengths of every staff are
/// compared; the source is read once, with the articulations of its entries; every layer of a
/// destination staff is read to count its events, and each matching layer copied (CopyLayer).
/// COPY's time over this one is what the framework adds to the host's work. Answers the host
/// calls made.
long long ReplayHostTrafficOfCopy(int staves, int measures) {
    const long long before = host::Host::Instance().CallCount();
    thread_local ReplaySource source;
    thread_local std::vector<EXTGF2005a*> counted;
    thread_local std::vector<EXTGF2005a*> clone;
    source.staff = CompareMeasureLengths(staves, measures);
    source.Read(measures);
    for (int staff = 2; staff <= staves; ++staff)
        for (int layer = 0; layer < 4; ++layer) {
            LoadLayer(staff, layer, measures, true, counted);
            if (layer < MATCHING_LAYERS) CopyLayer(staff, layer, source, clone);
            FreeFrames(counted);
        }
    FreeFrames(source.frames);
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
        const double start = ThreadSeconds();
        ReplayHostTrafficOfCopy(staves, measures);
        hostSeconds += ThreadSeconds() - start;
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

// Staves × measures: doubling each from 8 × 100 up to 64 × 800, and 8 × 800, whose region is as
// long as the largest one's in a document an eighth of its size: a layer over a long region holds
// more entries than the processor's caches, whatever the number of staves.
void Sizes(benchmark::internal::Benchmark* bench) {
    bench->Args({8, 100})->Args({16, 100})->Args({8, 200})->Args({16, 200})->Args({32, 400})
        ->Args({64, 800})->Args({8, 800});
    // The best of five: a run of its own per size would take in whatever else the machine did,
    // and a shared machine slows a whole repetition now and then.
    bench->Repetitions(5)->Unit(benchmark::kMillisecond);
}

BENCHMARK(CopyRhythmOnScore)->Apply(Sizes);
BENCHMARK(BareLoadAndSave)->Apply(Sizes);
BENCHMARK(HostTrafficOfCopy)->Apply(Sizes);

} // namespace
