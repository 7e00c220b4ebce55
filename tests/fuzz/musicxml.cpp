// Fuzzes cadentra's MusicXML reading and writing back on arbitrary and mutated files, compressed
// ones (.mxl archives) included. A file is either refused with an InputError or read; a file that
// was read
// - is written back byte for byte when nothing changed;
// - goes through COPY (layer 1 of the first staff over the first measures onto every staff) and is
//   written back, and what is written reads again, with the music of every cell as the host held
//   it after COPY.
// Any other exception, a crash, a leak or undefined behaviour is a failure.
#include "cli/musicxml/MusicXmlReader.h"
#include "cli/musicxml/MusicXmlWriter.h"
#include "cli/PluginSession.h"
#include "cli/musicxml/SourceText.h"
#include "host/Builder.h"

#include "support/FuzzHost.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>
#include <unistd.h>

namespace {

/// The archive's bytes in a file of their own, for the reader of score files.
std::string ArchiveFile(const uint8_t* bytes, size_t size) {
    static const std::string path = "/tmp/cadentra-fuzz-" + std::to_string(getpid()) + ".mxl";
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes), static_cast<std::streamsize>(size));
    return path;
}

/// The music of every cell of a document, as the host reads it, by staff, measure and voice (a
/// voice's layer depends on where the voice first appears in the file).
std::string Music(const cadentra_cli::Score& score, const host::Document& document) {
    std::string text;
    for (const auto& [key, entries] : document.frames) {
        if (entries.empty()) continue;
        const auto& voices = score.staves[static_cast<size_t>(key.staff - 1)].voices;
        text += std::to_string(key.staff) + "/" + std::to_string(key.measure) + "/\"" +
                voices[static_cast<size_t>(key.layer)] + "\": " +
                score.WithMarkNames(
                    host::DescribeLayer(document, key.staff, key.measure, key.measure, key.layer)) +
                "\n";
    }
    std::string sorted;
    std::vector<std::string> lines;
    for (size_t start = 0; start < text.size();) {
        const size_t end = text.find('\n', start);
        lines.push_back(text.substr(start, end - start + 1));
        start = end + 1;
    }
    std::sort(lines.begin(), lines.end());
    for (const std::string& line : lines)
        sorted += line;
    return sorted;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    host::Host& host = fuzz_support::FreshHost();
    const std::string name = "fuzz.musicxml";
    std::string xml;
    try {
        if (size >= 4 && std::equal(bytes, bytes + 4, "PK\x03\x04")) {
            const std::string path = ArchiveFile(bytes, size);
            struct Remove {
                const std::string& path;
                ~Remove() { std::remove(path.c_str()); }
            } remove{path};
            xml = cadentra_cli::ReadScoreFile(path).bytes;
        } else {
            xml.assign(reinterpret_cast<const char*>(bytes), size);
        }
    } catch (const cadentra_cli::InputError&) {
        return 0;
    }

    host::Document& document = host.NewDocument(name);
    std::unique_ptr<cadentra_cli::Score> score;
    try {
        score = cadentra_cli::ReadScore(xml, name, document);
    } catch (const cadentra_cli::InputError&) {
        return 0;
    }
    FUZZ_REQUIRE(!document.staves.empty() && !document.measures.empty());
    for (const auto& [key, entries] : document.frames)
        FUZZ_REQUIRE(entries.size() <= 32767);

    cadentra_cli::RememberAllCells(*score, document);

    // Unchanged, the file is written back as it came.
    FUZZ_REQUIRE(cadentra_cli::WriteScore(*score, document, {}) == xml);

    const auto staves = static_cast<twobyte>(document.staves.size());
    const auto last = static_cast<twobyte>(std::min<size_t>(document.measures.size(), 2));
    const cadentra_cli::CopyOutcome outcome = cadentra_cli::RunRhythmCopy(
        document, host::Region(1, 1, 1, last), host::Region(1, staves, 1, last));
    const std::vector<host::FrameKey> changed = cadentra_cli::ChangedCells(*score, document);
    if (!outcome.copied) FUZZ_REQUIRE(changed.empty());
    if (changed.empty()) return 0;

    std::string written;
    try {
        written = cadentra_cli::WriteScore(*score, document, changed);
    } catch (const cadentra_cli::InputError&) {
        return 0;
    }
    host::Document& reread = host.NewDocument(name);
    std::unique_ptr<cadentra_cli::Score> again;
    try {
        again = cadentra_cli::ReadScore(written, name, reread);
    } catch (const cadentra_cli::InputError& error) {
        std::fprintf(stderr, "the written file does not read again: %s\n%s\n",
                     error.message.c_str(), written.c_str());
        FUZZ_REQUIRE(!"written output reads again");
    }
    const std::string copied = Music(*score, document);
    const std::string readBack = Music(*again, reread);
    if (copied != readBack) {
        std::fprintf(stderr, "after COPY:\n%s\nread back:\n%s\n", copied.c_str(), readBack.c_str());
        FUZZ_REQUIRE(!"the written file holds the music COPY made");
    }
    return 0;
}
