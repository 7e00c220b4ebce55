// `info --by-measure` and `info --match`: note events measure by measure, and where a rhythm
// fits.
#include "CliSupport.h"

#include "cli/Commands.h"
#include "cli/LayerReport.h"
#include "cli/MeasureSurvey.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace cadentra_cli;
using cli_test::Cadentra;
using cli_test::Holds;
using cli_test::MeasureXml;
using cli_test::Notes;
using cli_test::Outcome;
using cli_test::PartXml;

namespace {

/// The text of `out` from the line that begins with `heading` to the end.
std::string From(const std::string& out, const std::string& heading) {
    const size_t at = out.find(heading);
    return at == std::string::npos ? "(no \"" + heading + "\" in)\n" + out : out.substr(at);
}

/// Ties over bar lines, over a measure the voice skips, rests, a chain of three measures, and a
/// note tied into a chord that adds a note to it (which begins an event of its own).
std::string TiedScore() {
    return cli_test::OnePart(MeasureXml("1", cli_test::Attributes() + Notes("C4 h, D4 h~")) +
                             MeasureXml("2", Notes("D4 q, E4 q~, E4 q, F4 q~")) +
                             MeasureXml("3", "<forward><duration>16</duration></forward>") +
                             MeasureXml("4", Notes("F4 h, r h")) + MeasureXml("5", Notes("G4 w~")) +
                             MeasureXml("6", Notes("G4 h~, G4 h")) +
                             MeasureXml("7", Notes("r q, A4 h.")) +
                             MeasureXml("8", Notes("C4 w~")) + MeasureXml("9", Notes("C4+E4 w")));
}

} // namespace

TEST(LayerCounts, CountEverySelectionAsCopyCountsIt) {
    auto read = cli_test::Read(TiedScore());
    const host::Document& document = *read.document;
    const int measures = static_cast<int>(read.score->measures.size());
    ASSERT_EQ(measures, 9);
    const LayerCounts counts(document, 1, 0, measures);
    EXPECT_FALSE(counts.HasEntries(3));
    EXPECT_TRUE(counts.HasEntries(4));
    // Alone, a measure counts the note tied into it as one of its own.
    EXPECT_EQ(counts.InMeasure(2), 3);
    EXPECT_EQ(counts.InMeasure(6), 1);
    for (int first = 1; first <= measures; ++first)
        for (int last = first; last <= measures; ++last)
            EXPECT_EQ(counts.Over(first, last), CountLayerEvents(document, 1, 0, first, last))
                << "measures " << first << "-" << last;
    EXPECT_EQ(counts.Over(1, 2), 4);
    EXPECT_EQ(counts.Over(2, 4), 3); // F4 tied over the skipped measure
    EXPECT_EQ(counts.Over(5, 6), 1);
    EXPECT_EQ(counts.Over(8, 9), 2);
    // A layer the staff does not have counts nothing anywhere.
    const LayerCounts none(document, 1, 1, measures);
    EXPECT_FALSE(none.HasEntries(1));
    EXPECT_EQ(none.Over(1, measures), 0);
}

TEST(LayerCounts, ANoteTiedIntoAnotherKeyIsOneEvent) {
    // C#5 held from C major into D major, where the host stores it as the key's own C.
    const std::string key = "<attributes><key><fifths>2</fifths></key></attributes>";
    auto read =
        cli_test::Read(cli_test::OnePart(MeasureXml("1", cli_test::Attributes() + Notes("C#5 w~")) +
                                         MeasureXml("2", key + Notes("C#5 h, D5 h"))));
    const LayerCounts counts(*read.document, 1, 0, 2);
    EXPECT_EQ(counts.Over(1, 2), 2);
    EXPECT_EQ(counts.Over(1, 2), CountLayerEvents(*read.document, 1, 0, 1, 2));
    EXPECT_EQ(counts.InMeasure(2), 2);
}

TEST(MeasureTable, ARowPerLayerAColumnPerMeasureInBlocksThatFitTheWidth) {
    // Thirty measures; the piano's lower staff has a second voice in measures 2 and 3 only.
    std::vector<std::string> flute, piano;
    for (int m = 1; m <= 30; ++m) {
        flute.push_back(m == 30 ? Notes("C5 w") : Notes("C5 q, D5 q, E5 h"));
        std::string music = Notes("C4 w", 1, 1) + "<backup><duration>16</duration></backup>" +
                            Notes("C3 q, D3 q, E3 q, F3 q", 5, 2);
        if (m == 2 || m == 3)
            music += "<backup><duration>16</duration></backup>" +
                     (m == 2 ? Notes("G2 h, r h", 6, 2) : Notes("r w", 6, 2));
        piano.push_back((m == 1 ? "<attributes><staves>2</staves></attributes>" : "") + music);
    }
    cli_test::TemporaryFolder folder;
    const std::string path = folder.File("table.musicxml");
    cli_test::WriteFile(path,
                        cli_test::Partwise(cli_test::PartList({{"P1", "Flute"}, {"P2", "Piano"}}),
                                           PartXml("P1", flute) + PartXml("P2", piano)));
    const Outcome run = Cadentra({"info", path, "--by-measure"});
    ASSERT_EQ(run.code, EXIT_DONE) << run.err;
    const std::string table = From(run.out, "Note events per measure");
    // The first block reaches as far as 100 columns allow; the second holds the rest.
    const std::string firstBlock =
        "Note events per measure, measures 1-30 (- where a layer has nothing):\n"
        "  staff part layer voice |  1  2  3  4  5  6  7  8  9 10 11 12 13 14 15 16 17 18 19 20 "
        "21 22 23 24\n"
        "      1 P1       1 1     |  3  3  3  3  3  3  3  3  3  3  3  3  3  3  3  3  3  3  3  3 "
        " 3  3  3  3\n"
        "      2 P2:1     1 1     |  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1  1 "
        " 1  1  1  1\n"
        "      3 P2:2     1 5     |  4  4  4  4  4  4  4  4  4  4  4  4  4  4  4  4  4  4  4  4 "
        " 4  4  4  4\n"
        "      3 P2:2     2 6     |  -  1  0  -  -  -  -  -  -  -  -  -  -  -  -  -  -  -  -  - "
        " -  -  -  -\n"
        "\n"
        "  staff part layer voice | 25 26 27 28 29 30\n"
        "      1 P1       1 1     |  3  3  3  3  3  1\n";
    EXPECT_EQ(table.substr(0, firstBlock.size()), firstBlock) << table;
    std::istringstream lines(table);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 100u) << line;
    EXPECT_EQ(run.out.find("Note events per voice"), std::string::npos);

    // --measures narrows the table; one measure is one column.
    const Outcome one = Cadentra({"info", path, "--by-measure", "--measures", "3"});
    EXPECT_EQ(From(one.out, "Note events per measure"),
              "Note events per measure, measure 3 (- where a layer has nothing):\n"
              "  staff part layer voice |  3\n"
              "      1 P1       1 1     |  3\n"
              "      2 P2:1     1 1     |  1\n"
              "      3 P2:2     1 5     |  4\n"
              "      3 P2:2     2 6     |  0\n");
}

namespace {

/// A flute, an oboe with a second voice in measures 1-2 and a horn, over six measures of which
/// the fifth is in 3/4.
std::string MatchScore() {
    const std::string threeFour = "<attributes><time><beats>3</beats><beat-type>4</beat-type>"
                                  "</time></attributes>";
    const std::string fourFour = "<attributes><time><beats>4</beats><beat-type>4</beat-type>"
                                 "</time></attributes>";
    const std::string back = "<backup><duration>16</duration></backup>";
    return cli_test::Partwise(
        cli_test::PartList({{"P1", "Flute"}, {"P2", "Oboe"}, {"P3", "Horn"}}),
        PartXml("P1", {Notes("C5 q, D5 q, E5 h"), Notes("F5 w"), Notes("C5 q, D5 q, E5 h"),
                       Notes("F5 w"), threeFour + Notes("G5 h."), fourFour + Notes("A5 h, B5 h")}) +
            PartXml("P2", {Notes("C5 w") + back + Notes("G4 h, G4 h", 2),
                           Notes("C5 h, D5 q, E5 q") + back + Notes("A4 h, A4 h", 2),
                           Notes("C5 q, D5 q, E5 q, F5 q"), Notes("G5 w"),
                           threeFour + Notes("A5 h, B5 q"), fourFour + Notes("C6 w")}) +
            PartXml("P3", {Notes("C4 h, D4 h~"), Notes("D4 h, E4 h"), Notes("F4 w"),
                           Notes("G4 h, A4 q, B4 q"), threeFour + Notes("C4 q, D4 q, E4 q"),
                           fourFour + Notes("F4 w")}));
}

} // namespace

TEST(Match, EveryLayerAndRunOfMeasuresWithTheSourcesEventsAndLengths) {
    cli_test::TemporaryFolder folder;
    const std::string path = folder.File("match.musicxml");
    cli_test::WriteFile(path, MatchScore());
    const Outcome run = Cadentra({"info", path, "--match", "Flute@1-2"});
    ASSERT_EQ(run.code, EXIT_DONE) << run.err;
    // Not the source itself; not the horn's 1-2, where a note tied over the bar counts once; not
    // the horn's 5-6, which has four note events but a measure of another length.
    EXPECT_EQ(From(run.out, "Source:"),
              "Source: staff 1 (P1 \"Flute\"), measures 1-2, layer 1: 4 note events\n"
              "Layers with 4 note events over 2 measures of the source's lengths, measures 1-6:\n"
              "  staff 1 (P1 \"Flute\") layer 1: 2-3, 3-4\n"
              "  staff 2 (P2 \"Oboe\") layer 1: 1-2\n"
              "  staff 2 (P2 \"Oboe\") layer 2: 1-2\n"
              "  staff 3 (P3 \"Horn\") layer 1: 3-4\n");
    EXPECT_EQ(run.out.find("Note events per voice"), std::string::npos);

    // --measures bounds the search; a one-measure source in 3/4 finds 3/4 measures only.
    const Outcome within = Cadentra({"info", path, "--match", "1@1-2", "--measures", "2-6"});
    EXPECT_EQ(From(within.out, "Layers"),
              "Layers with 4 note events over 2 measures of the source's lengths, measures 2-6:\n"
              "  staff 1 (P1 \"Flute\") layer 1: 2-3, 3-4\n"
              "  staff 3 (P3 \"Horn\") layer 1: 3-4\n");
    const Outcome waltz = Cadentra({"info", path, "--match=3@5"});
    EXPECT_EQ(From(waltz.out, "Source:"),
              "Source: staff 3 (P3 \"Horn\"), measure 5, layer 1: 3 note events\n"
              "Layers with 3 note events over 1 measure of the source's length, measures 1-6:\n"
              "  none\n");

    // With --by-measure both are shown.
    const Outcome both = Cadentra({"info", path, "--by-measure", "--match", "1@1-2"});
    EXPECT_TRUE(Holds(both.out, "Note events per measure"));
    EXPECT_TRUE(Holds(both.out, "  staff 3 (P3 \"Horn\") layer 1: 3-4\n"));
}

TEST(Match, ASourceWithoutNotesOrWithoutMeasuresIsAUsageError) {
    cli_test::TemporaryFolder folder;
    const std::string path = folder.File("match.musicxml");
    cli_test::WriteFile(path,
                        cli_test::Partwise(cli_test::PartList({{"P1", "Flute"}, {"P2", "Oboe"}}),
                                           PartXml("P1", {Notes("r w"), Notes("C5 w")}) +
                                               PartXml("P2", {Notes("C4 w"), Notes("D4 w")})));
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        {{"info", path, "--match", "1@1"},
         "cadentra: --match: staff 1 (P1 \"Flute\"), measure 1, layer 1 has no note event, so "
         "there is no rhythm to match"},
        {{"info", path, "--match", "1"},
         "cadentra: --match needs the source's measures: STAFF@MEASURES, such as 1@5-8"},
        {{"info", path, "--match", "1-2@1"}, "cadentra: --match takes one staff, found \"1-2@1\""},
        {{"info", path, "--match", "1,2@1"}, "cadentra: --match takes one staff, found \"1,2@1\""},
        {{"info", path, "--match", "--by-measure"},
         "cadentra: --match needs a staff and its measures, such as 1@5-8, found the option "
         "--by-measure"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(cli_test::UsageRefusal(c.arguments), c.message);
}

TEST(Info, ListsTheRehearsalMarksWithTheirMeasures) {
    cli_test::TemporaryFolder folder;
    const std::string path = folder.File("marks.musicxml");
    const std::vector<std::string> music(5, Notes("C5 w"));
    std::vector<std::string> marked = music;
    marked[1] = cli_test::RehearsalMark("A") + marked[1];
    marked[3] = cli_test::RehearsalMark("B") + marked[3];
    cli_test::WriteFile(
        path, cli_test::Partwise(cli_test::PartList({{"P1", "Flute"}}), PartXml("P1", marked)));
    const Outcome run = Cadentra({"info", path, "--measures", "B"});
    ASSERT_EQ(run.code, EXIT_DONE) << run.err;
    EXPECT_EQ(From(run.out, "Rehearsal"), "Rehearsal marks (mark, measures):\n"
                                          "  A  2-3\n"
                                          "  B  4-5\n"
                                          "\n"
                                          "Note events per voice, measures 4-5:\n"
                                          "  1: voice 1 (layer 1) 2 events\n");
    // A score without marks lists none.
    cli_test::WriteFile(
        path, cli_test::Partwise(cli_test::PartList({{"P1", "Flute"}}), PartXml("P1", music)));
    EXPECT_EQ(Cadentra({"info", path}).out.find("Rehearsal"), std::string::npos);
}
