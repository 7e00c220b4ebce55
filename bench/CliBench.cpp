// The command-line program on the largest corpus score: reading it into a host document, COPY
// through the plug-in and writing it back, against pugixml's bare load and save of the same file.
#include "bench/ThreadTime.h"
#include "cli/musicxml/MusicXmlReader.h"
#include "cli/musicxml/MusicXmlWriter.h"
#include "cli/PluginSession.h"
#include "host/Builder.h"
#include "host/Host.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <fstream>
#include <functional>
#include <sstream>
#include <string>

namespace {

const char* LARGEST = CADENTRA_SHARED_DIR "/corpus/musicxml/music21-opus133.musicxml";

const std::string& Score() {
    static const std::string bytes = [] {
        std::ifstream in(LARGEST, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }();
    return bytes;
}

struct StringWriter : pugi::xml_writer {
    std::string out;
    void write(const void* data, size_t size) override {
        out.append(static_cast<const char*>(data), size);
    }
};

/// pugixml's bare load and save of the score: the floor.
void PugixmlLoadAndSave() {
    pugi::xml_document document;
    document.load_buffer(Score().data(), Score().size());
    StringWriter writer;
    document.save(writer);
    benchmark::DoNotOptimize(writer.out.data());
}

/// What `cadentra copy` does with the score: read it into a host document, COPY the rhythm of
/// staff 1 onto every staff over measures 2 to 9, and write it back. Answers the changed cells.
/// Takes the file's bytes as the program does, handed over rather than copied.
size_t CadentraReadCopyWrite(std::string bytes) {
    host::Host::Instance().Reset();
    host::Document& document = host::Host::Instance().NewDocument(LARGEST);
    auto score = cadentra_cli::ReadScore(std::move(bytes), LARGEST, document);
    const auto staves = static_cast<twobyte>(score->staves.size());
    cadentra_cli::RememberCells(*score, document, 1, staves, 2, 9);
    cadentra_cli::RunRhythmCopy(document, host::Region(1, 1, 2, 9), host::Region(1, staves, 2, 9));
    const auto changed = cadentra_cli::ChangedCells(*score, document);
    const std::string written = cadentra_cli::WriteScore(*score, document, changed);
    benchmark::DoNotOptimize(written.data());
    return changed.size();
}

/// The processor time `work` takes on this thread.
double SecondsOf(const std::function<void()>& work) {
    const double start = ThreadSeconds();
    work();
    return ThreadSeconds() - start;
}

// Each iteration times both, one after the other, so that the ratio compares runs made under the
// same conditions (this machine's timings drift with the state of the allocator and the caches),
// each in the processor time of this thread.
// The time reported is cadentra's; the counters give both and their ratio.
void CadentraAgainstPugixml(benchmark::State& state) {
    if (Score().empty()) {
        state.SkipWithError("the shared corpus is absent");
        return;
    }
    cadentra_cli::RegisterStandInHost();
    double floor = 0;
    double cadentra = 0;
    size_t changedCells = 0;
    for (auto _ : state) {
        floor += SecondsOf(PugixmlLoadAndSave);
        std::string bytes = Score(); // as read from the file
        const double seconds =
            SecondsOf([&] { changedCells = CadentraReadCopyWrite(std::move(bytes)); });
        cadentra += seconds;
        state.SetIterationTime(seconds);
    }
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["pugixml_ms"] = floor / iterations * 1e3;
    state.counters["cadentra_ms"] = cadentra / iterations * 1e3;
    state.counters["ratio"] = cadentra / floor;
    state.counters["changed_cells"] = static_cast<double>(changedCells);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Score().size()));
}
// Five runs: the ratio drifts with the machine, and its spread is part of the figure.
BENCHMARK(CadentraAgainstPugixml)
    ->UseManualTime()
    ->MinTime(2.0)
    ->Repetitions(5)
    ->Unit(benchmark::kMillisecond);

} // namespace
