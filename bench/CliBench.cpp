// The command-line program on the largest corpus score: reading it into a host document, COPY
// through the plug-in and writing it back, against pugixml's bare load and save of the same file.
#include "cli/MusicXmlReader.h"
#include "cli/MusicXmlWriter.h"
#include "cli/PluginSession.h"
#include "host/Builder.h"
#include "host/Host.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <fstream>
#include <sstream>

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
    void write(const void* data, size_t size) override { out.append(static_cast<const char*>(data), size); }
};

void PugixmlLoadSave(benchmark::State& state) {
    if (Score().empty()) {
        state.SkipWithError("the shared corpus is absent");
        return;
    }
    for (auto _ : state) {
        pugi::xml_document document;
        document.load_buffer(Score().data(), Score().size());
        StringWriter writer;
        document.save(writer);
        benchmark::DoNotOptimize(writer.out.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Score().size()));
}
BENCHMARK(PugixmlLoadSave)->Unit(benchmark::kMillisecond);

void CadentraReadCopyWrite(benchmark::State& state) {
    if (Score().empty()) {
        state.SkipWithError("the shared corpus is absent");
        return;
    }
    cadentra_cli::RegisterStandInHost();
    size_t changedCells = 0;
    for (auto _ : state) {
        host::Host::Instance().Reset();
        host::Document& document = host::Host::Instance().NewDocument(LARGEST);
        auto score = cadentra_cli::ReadScore(Score(), LARGEST, document);
        const auto staves = static_cast<twobyte>(score->staves.size());
        cadentra_cli::RunRhythmCopy(document, host::Region(1, 1, 2, 9), host::Region(1, staves, 2, 9));
        const auto changed = cadentra_cli::ChangedCells(*score, document);
        changedCells = changed.size();
        const std::string written = cadentra_cli::WriteScore(*score, document, changed);
        benchmark::DoNotOptimize(written.data());
    }
    state.counters["changed cells"] = static_cast<double>(changedCells);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * Score().size()));
}
BENCHMARK(CadentraReadCopyWrite)->Unit(benchmark::kMillisecond);

} // namespace
