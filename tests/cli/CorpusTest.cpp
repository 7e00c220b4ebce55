// The third-party MusicXML corpus: every file is read or refused with a clear message, an
// untouched write is byte-identical, and rewriting music leaves every other measure as it was
// and keeps the file schema-valid.
#include "CliSupport.h"

#include "cli/Commands.h"
#include "cli/LayerReport.h"
#include "cli/MeasureSurvey.h"
#include "cli/musicxml/MusicXmlWriter.h"
#include "cli/PluginSession.h"
#include "cli/musicxml/XmlSpans.h"
#include "host/Builder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <sstream>

using namespace cadentra_cli;
using cli_test::Holds;

namespace {

std::vector<std::string> CorpusFiles() {
    const std::string shared = cli_test::SharedFolder();
    return shared.empty() ? std::vector<std::string>()
                          : cli_test::ScoresIn(shared + "/corpus/musicxml");
}

/// The bytes of every part's measure, by (part index, measure index).
std::map<std::pair<int, int>, std::string> MeasureBytes(const std::string& bytes) {
    auto read = cli_test::ReadAnother(bytes, "measures.musicxml");
    const Score& score = *read.score;
    std::map<std::pair<int, int>, std::string> measures;
    const pugi::xml_node root = score.xml.document_element();
    auto add = [&](int part, int measure, pugi::xml_node node) {
        const TextSpan span = SpanOf(score.text->Utf8(), node);
        const size_t begin = score.text->ByteOffset(span.begin);
        measures[{part, measure}] = bytes.substr(begin, score.text->ByteOffset(span.end) - begin);
    };
    for (size_t p = 0; p < score.parts.size(); ++p) {
        int m = 0;
        if (!score.timewise) {
            for (pugi::xml_node part : root.children("part"))
                if (score.parts[p].id == part.attribute("id").value())
                    for (pugi::xml_node measure : part.children("measure"))
                        add(static_cast<int>(p), ++m, measure);
        }
    }
    return measures;
}

/// Every layer of every staff in the notation, to compare music read from two files (marks by
/// what they are: two documents may number them differently).
std::string Music(const Score& score, const host::Document& document, int staves, int measures) {
    std::string music;
    for (int staff = 1; staff <= staves; ++staff)
        for (int layer = 0; layer < 4; ++layer)
            music += score.WithMarkNames(host::DescribeLayer(document, static_cast<twobyte>(staff),
                                                             1, static_cast<twobyte>(measures),
                                                             static_cast<twobyte>(layer))) +
                     "\n";
    return music;
}

struct Checked {
    int read = 0;
    int refused = 0;
    int copies = 0;
};

} // namespace

TEST(Corpus, EveryFileIsReadOrRefusedAndRewritesKeepTheRestOfTheFile) {
    const std::vector<std::string> files = CorpusFiles();
    if (files.empty())
        GTEST_SKIP() << "the shared MusicXML corpus is not at " << CADENTRA_SHARED_DIR;
    const bool validate = cli_test::CanValidate();
    cli_test::TemporaryFolder folder;
    RegisterStandInHost();
    Checked checked;
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        const std::string name = std::filesystem::path(path).filename().string();
        LoadedFile file;
        cli_test::ReadResult read;
        try {
            file = ReadScoreFile(path);
            read = cli_test::Read(file.bytes, path);
        } catch (const InputError& error) {
            // A refusal names the file, where and what.
            EXPECT_EQ(error.message.rfind(path + ":", 0), 0u) << error.message;
            EXPECT_GT(error.message.size(), path.size() + 10);
            ++checked.refused;
            continue;
        }
        ++checked.read;
        Score& score = *read.score;
        host::Document& document = *read.document;
        ASSERT_EQ(WriteScore(score, document, {}), file.bytes) << "untouched write differs";

        const bool inputValid = validate && cli_test::IsSchemaValid(path);
        const int staves = static_cast<int>(score.staves.size());
        const int measures = static_cast<int>(score.measures.size());
        const int first = std::min(2, measures);
        const int last = std::min(measures, first + 7);

        // COPY from the first staff over a measure range onto all staves, through the plug-in.
        const CopyOutcome outcome = RunRhythmCopy(
            document, host::Region(1, 1, static_cast<twobyte>(first), static_cast<twobyte>(last)),
            host::Region(1, static_cast<twobyte>(staves), static_cast<twobyte>(first),
                         static_cast<twobyte>(last)));
        const bool hasNotes =
            CountEvents([&] {
                std::vector<EXENTRY> all;
                for (int m = first; m <= last; ++m)
                    if (auto it = score.original.frames.find(
                            host::FrameKey{1, static_cast<twobyte>(m), 0});
                        it != score.original.frames.end())
                        all.insert(all.end(), it->second.begin(), it->second.end());
                return all;
            }()) > 0;
        if (hasNotes) {
            EXPECT_TRUE(outcome.copied) << (outcome.alerts.empty() ? "" : outcome.alerts[0].text);
        } else if (!outcome.copied) {
            ASSERT_EQ(outcome.alerts.size(), 1u);
            EXPECT_EQ(outcome.alerts[0].text, "Source region didn't contain any notes in layer 1.");
        }

        // Then make the host hand back equal music under new numbers on the first staff over the
        // whole score, so that every cell of it is written anew.
        cli_test::RenumberEntries(document, 1, 1, measures);
        const std::vector<host::FrameKey> changed = ChangedCells(score, document);
        std::set<std::pair<int, int>> rewritten; // (part, measure)
        for (const host::FrameKey& key : changed)
            if (score.cells.count(key)) rewritten.emplace(score.cells.at(key).part, key.measure);
        const std::string output = WriteScore(score, document, changed);
        ++checked.copies;

        // Every measure not rewritten is byte-identical.
        if (!score.timewise) {
            const auto before = MeasureBytes(file.bytes);
            const auto after = MeasureBytes(output);
            ASSERT_EQ(before.size(), after.size());
            for (const auto& [where, bytes] : before) {
                if (rewritten.count(where)) continue;
                EXPECT_EQ(after.at(where), bytes)
                    << "part " << where.first << " measure " << where.second;
            }
        }
        // The output reads back to the music the host held.
        auto reread = cli_test::ReadAnother(output, name);
        EXPECT_EQ(Music(*reread.score, *reread.document, staves, measures),
                  Music(score, document, staves, measures));

        if (inputValid) {
            const std::string out = folder.File(name);
            cli_test::WriteFile(out, output);
            std::string errors;
            EXPECT_TRUE(cli_test::IsSchemaValid(out, &errors)) << errors.substr(0, 2000);
        }
    }
    EXPECT_GT(checked.read, static_cast<int>(files.size()) * 9 / 10);
    std::cout << "[ corpus   ] " << checked.read << " read, " << checked.refused << " refused, "
              << checked.copies << " rewritten\n";
}

namespace {

/// What travels with the rhythm of a layer in one measure: each entry's duration and whether it
/// is a note.
std::vector<std::pair<int, bool>> Rhythm(const host::Document& document, int staff, int layer,
                                         int measure) {
    std::vector<std::pair<int, bool>> rhythm;
    for (const EXENTRY& entry : LayerEntries(document, staff, layer, measure, measure))
        rhythm.emplace_back(entry.duration, (entry.entryFlags & ENTRY_NOTE) != 0);
    return rhythm;
}

} // namespace

TEST(Corpus, AnOrchestralScoreByMeasuresAndRehearsalMarks) {
    const std::string shared = cli_test::SharedFolder();
    const std::string path = shared + "/corpus/musicxml/libmusicxml-NR_01_XML_01.xml";
    if (shared.empty() || !std::filesystem::exists(path))
        GTEST_SKIP() << "the corpus score " << path << " is absent";
    // Each run of the program resets the host: the score is read for the checks after them.
    const cli_test::Outcome table = cli_test::Cadentra({"info", path, "--by-measure"});
    cli_test::TemporaryFolder folder;
    const std::string out = folder.File("out.musicxml");
    // The double bass's first measure of C laid on every measure of C and D of two staves.
    const cli_test::Outcome copy = cli_test::Cadentra(
        {"copy", path, "--source", "Kontrabass@13", "--to", "9,11@C-D", "--repeat", "-o", out});
    auto read = cli_test::Read(ReadScoreFile(path).bytes, path);
    const Score& score = *read.score;
    const host::Document& document = *read.document;
    const int measures = static_cast<int>(score.measures.size());
    auto result = cli_test::ReadAnother(cli_test::ReadFile(out), out);
    std::string marks;
    for (const RehearsalMark& mark : score.rehearsalMarks)
        marks += mark.text;
    ASSERT_EQ(marks, "ABCDEFG");

    // The table: every layer a row in every block, no line past 100 columns.
    ASSERT_EQ(table.code, EXIT_DONE) << table.err;
    const std::string rows = table.out.substr(table.out.find("Note events per measure"));
    std::istringstream lines(rows);
    int headers = 0, cells = 0;
    for (std::string line; std::getline(lines, line);) {
        EXPECT_LE(line.size(), 100u) << line;
        if (line.rfind("  staff part", 0) == 0) ++headers;
        if (line.find(" |") != std::string::npos) ++cells;
    }
    EXPECT_GE(headers, 3);
    EXPECT_EQ(cells, headers * (1 + static_cast<int>(score.staves.size())));

    // Where the double bass's first measure of C fits, found one selection at a time.
    const int source = ParseMeasures(score, "C").first;
    ASSERT_EQ(score.measures[static_cast<size_t>(source - 1)].number, "13");
    const int events = CountLayerEvents(document, 12, 0, source, source);
    ASSERT_GT(events, 0);
    std::string expected;
    for (int staff = 1; staff <= static_cast<int>(score.staves.size()); ++staff) {
        ASSERT_LE(score.staves[static_cast<size_t>(staff - 1)].voices.size(), 1u);
        std::string runs;
        for (int m = 1; m <= measures; ++m)
            if (!(staff == 12 && m == source) &&
                document.MeasureDuration(static_cast<twobyte>(m)) ==
                    document.MeasureDuration(static_cast<twobyte>(source)) &&
                CountLayerEvents(document, staff, 0, m, m) == events)
                runs +=
                    (runs.empty() ? "" : ", ") + score.measures[static_cast<size_t>(m - 1)].number;
        if (!runs.empty())
            expected += "  " + DescribeStaff(score, staff) + " layer 1: " + runs + "\n";
    }
    std::ostringstream matches;
    PrintMatches(score, document, 12, MeasureRange{source, source}, MeasureRange{1, measures},
                 matches);
    EXPECT_EQ(matches.str().substr(matches.str().find('\n', matches.str().find('\n') + 1) + 1),
              expected);

    // Each measure of C and D with four note events on staves 9 and 11 takes the double bass's
    // rhythm; every other stays as it was.
    ASSERT_EQ(copy.code, EXIT_DONE) << copy.err;
    const MeasureRange passage = ParseMeasures(score, "C-D");
    int copied = 0;
    for (const int staff : {9, 10, 11})
        for (int m = passage.first; m <= passage.last; ++m) {
            SCOPED_TRACE("staff " + std::to_string(staff) + " measure " + std::to_string(m));
            const bool takes = staff != 10 && CountLayerEvents(document, staff, 0, m, m) == events;
            const auto after = Rhythm(*result.document, staff, 0, m);
            if (takes) {
                EXPECT_EQ(after, Rhythm(document, 12, 0, source));
                ++copied;
            } else {
                EXPECT_EQ(after, Rhythm(document, staff, 0, m));
            }
            const std::string line = "  " + DescribeStaff(score, staff) +
                                     ", layer 1 (voice 1): " + (takes ? "copied" : "left alone");
            if (staff != 10) {
                EXPECT_TRUE(Holds(copy.out, line));
            }
        }
    EXPECT_GE(copied, 5);
    EXPECT_TRUE(Holds(copy.out, "Block 17 of 17, measure 29:"));
}
