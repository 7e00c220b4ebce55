// `copy` in several runs of the plug-in: staff lists, --voices, --repeat, rehearsal marks, a
// destination that takes the source's measures, and the dry run's music before and after.
#include "CliSupport.h"

#include "cli/Commands.h"
#include "cli/Preview.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace cadentra_cli;
using cli_test::Cadentra;
using cli_test::Holds;
using cli_test::MeasureXml;
using cli_test::Notes;
using cli_test::Outcome;
using cli_test::UsageRefusal;

namespace {

/// Measures 1-4 in 4/4 and 5 in 3/4; rehearsal marks A (measure 1, in two parts), B (3) and
/// C (5). Note events per measure:
///
///   staff 1 Flute     3 3 3 1 1   the source: a dotted note with a staccato, a tie
///   staff 2 Oboe      3 1 2 3 3
///   staff 3 Clarinet  3 1 1 1 1
///   staff 4 Horn      3 2 1 1 1
///   staff 5 Piano     voice 1: 3 1 1 1 1, voice 2: 3 in measure 1 only
std::string EnsembleScore() {
    const std::string threeFour =
        "<attributes><time><beats>3</beats><beat-type>4</beat-type></time></attributes>";
    const std::string back = "<backup><duration>16</duration></backup>";
    const std::string a = cli_test::RehearsalMark("A");
    return cli_test::Partwise(
        cli_test::PartList(
            {{"P1", "Flute"}, {"P2", "Oboe"}, {"P3", "Clarinet"}, {"P4", "Horn"}, {"P5", "Piano"}}),
        cli_test::PartXml(
            "P1", {a + Notes("C5 q.!staccato, D5 e~, D5 q, E5 q"), Notes("F5 q, G5 q, A5 h"),
                   cli_test::RehearsalMark("B") + Notes("C5 h, D5 q, E5 q"), Notes("C6 w"),
                   cli_test::RehearsalMark("C") + threeFour + Notes("C5 h.")}) +
            cli_test::PartXml("P2",
                              {a + Notes("E4 h, F4 q, G4 q"), Notes("A4 w"), Notes("B4 h, C5 h"),
                               Notes("D5 q, E5 q, F5 h"), threeFour + Notes("G5 q, A5 q, B5 q")}) +
            cli_test::PartXml("P3", {Notes("C4 q, D4 q, E4 h"), Notes("F4 w"), Notes("G4 w"),
                                     Notes("A4 w"), threeFour + Notes("B4 h.")}) +
            cli_test::PartXml("P4", {Notes("G3 q, A3 q, B3 h"), Notes("C4 h, C4 h"), Notes("D4 w"),
                                     Notes("E4 w"), threeFour + Notes("F4 h.")}) +
            cli_test::PartXml(
                "P5", {Notes("C4 h, D4 q, E4 q") + back + Notes("C3 q, D3 q, E3 h", 2),
                       Notes("F4 w"), Notes("G4 w"), Notes("A4 w"), threeFour + Notes("B4 h.")}));
}

class CopyRuns : public ::testing::Test {
protected:
    CopyRuns() : score_(folder_.File("ensemble.musicxml")), out_(folder_.File("out.musicxml")) {
        cli_test::WriteFile(score_, EnsembleScore());
    }

    /// The music of a layer (0-based) of a staff in one measure of the file at `path`.
    static std::string Music(const std::string& path, int staff, int layer, int measure) {
        auto read = cli_test::Read(cli_test::ReadFile(path));
        return MeasureMusic(*read.document, staff, layer, measure, MarkNamesOf(*read.score));
    }

    cli_test::TemporaryFolder folder_;
    std::string score_;
    std::string out_;
};

const std::string SOURCE_LINE =
    "Source: staff 1 (P1 \"Flute\"), measure 1, layer 1: 3 note events\n";
const std::string OBOE_COPIED =
    "  staff 2 (P2 \"Oboe\"), layer 1 (voice 1): copied (3 note events)\n";
// The flute's rhythm in measure 1 with the oboe's pitches.
const std::string OBOE_AFTER = "E4 q.!staccato, F4 e~, F4 q, G4 q";

} // namespace

TEST_F(CopyRuns, AStaffListRunsCopyOnEachContiguousRangeWithOneReportAndOneWrite) {
    const Outcome run =
        Cadentra({"copy", score_, "--source", "1@1", "--to", "2,4-5@1", "-o", out_});
    ASSERT_EQ(run.code, EXIT_DONE) << run.err;
    EXPECT_EQ(run.out, SOURCE_LINE + OBOE_COPIED +
                           "  staff 4 (P4 \"Horn\"), layer 1 (voice 1): copied (3 note events)\n"
                           "  staff 5 (P5 \"Piano\"), layer 1 (voice 1): copied (3 note events)\n"
                           "  staff 5 (P5 \"Piano\"), layer 2 (voice 2): copied (3 note events)\n"
                           "Written to " +
                           out_ + "\n");
    EXPECT_EQ(Music(out_, 2, 0, 1), OBOE_AFTER);
    EXPECT_EQ(Music(out_, 4, 0, 1), "G3 q.!staccato, A3 e~, A3 q, B3 q");
    EXPECT_EQ(Music(out_, 5, 1, 1), "C3 q.!staccato, D3 e~, D3 q, E3 q");
    // The clarinet, left out of the list, would have matched; it stays as it was.
    EXPECT_EQ(Music(out_, 3, 0, 1), "C4 q, D4 q, E4 h");
    EXPECT_EQ(folder_.Names(), (std::vector<std::string>{"ensemble.musicxml", "out.musicxml"}));

    // A list is for the destination only.
    EXPECT_EQ(UsageRefusal({"copy", score_, "--source", "1,3@1", "--to", "2@1"}),
              "cadentra: --source is one staff, found the list \"1,3@1\"; a list of staves is for "
              "--to");
}

TEST_F(CopyRuns, ADestinationWithoutMeasuresTakesTheSources) {
    const Outcome run = Cadentra({"copy", score_, "--source", "1@1", "--to", "Oboe", "--dry-run"});
    ASSERT_EQ(run.code, EXIT_DONE) << run.err;
    EXPECT_EQ(run.out.substr(0, run.out.find("Before and after")), SOURCE_LINE + OBOE_COPIED);
    EXPECT_EQ(UsageRefusal({"copy", score_, "--source", "1", "--to", "2"}),
              "cadentra: --to needs measures (STAVES@MEASURES, such as 2-4@5-8) where --source "
              "names none");
}

TEST_F(CopyRuns, LayersNotChosenAreHiddenFromThePlugInAndNeverWritten) {
    // Both piano voices have the source's three note events; only the chosen one takes them.
    const Outcome second =
        Cadentra({"copy", score_, "--source", "1@1", "--to", "5@1", "--voices", "2", "-o", out_});
    ASSERT_EQ(second.code, EXIT_DONE) << second.err;
    EXPECT_EQ(second.out,
              SOURCE_LINE +
                  "  staff 5 (P5 \"Piano\"), layer 1 (voice 1): left alone: not chosen\n"
                  "  staff 5 (P5 \"Piano\"), layer 2 (voice 2): copied (3 note events)\n"
                  "Written to " +
                  out_ + "\n");
    EXPECT_EQ(Music(out_, 5, 0, 1), "C4 h, D4 q, E4 q");
    EXPECT_EQ(Music(out_, 5, 1, 1), "C3 q.!staccato, D3 e~, D3 q, E3 q");
    // Voice 1's notes are the very bytes they were.
    const std::string voiceOne = Notes("C4 h, D4 q, E4 q");
    EXPECT_TRUE(Holds(cli_test::ReadFile(out_), voiceOne));

    const Outcome first =
        Cadentra({"copy", score_, "--source", "1@1", "--to", "2,5@1", "--voices=1", "-o", out_});
    ASSERT_EQ(first.code, EXIT_DONE) << first.err;
    EXPECT_TRUE(Holds(first.out, "layer 2 (voice 2): left alone: not chosen\n"));
    EXPECT_EQ(Music(out_, 5, 0, 1), "C4 q.!staccato, D4 e~, D4 q, E4 q");
    EXPECT_EQ(Music(out_, 5, 1, 1), "C3 q, D3 q, E3 h");
    EXPECT_EQ(Music(out_, 2, 0, 1), OBOE_AFTER);

    // No layer chosen that could take it: nothing to copy.
    const Outcome none = Cadentra(
        {"copy", score_, "--source", "1@1", "--to", "5@1", "--voices", "3-4", "--in-place"});
    EXPECT_EQ(none.code, EXIT_NOTHING_TO_COPY);
    EXPECT_EQ(cli_test::ReadFile(score_), EnsembleScore());

    for (const auto& [value, message] : std::vector<std::pair<std::string, std::string>>{
             {"5", "cadentra: layers \"5\": there is no layer 5 (layers are numbered 1 to 4, as "
                   "'cadentra info' shows them)"},
             {"--dry-run", "cadentra: --voices needs layer numbers, such as 1,2, found the "
                           "option --dry-run"}}) {
        EXPECT_EQ(
            UsageRefusal({"copy", score_, "--source", "1@1", "--to", "5@1", "--voices", value}),
            message);
    }
}

TEST_F(CopyRuns, RepeatLaysTheSourceOnEachBlockWhichMatchesOnItsOwn) {
    const Outcome run =
        Cadentra({"copy", score_, "--source", "1@1", "--to", "2@1-4", "--repeat", "-o", out_});
    ASSERT_EQ(run.code, EXIT_DONE) << run.err;
    const std::string oboe = "  staff 2 (P2 \"Oboe\"), layer 1 (voice 1): ";
    EXPECT_EQ(run.out, SOURCE_LINE + "Block 1 of 4, measure 1:\n" + OBOE_COPIED +
                           "Block 2 of 4, measure 2:\n" + oboe +
                           "left alone: 1 note event, the source has 3\n"
                           "Block 3 of 4, measure 3:\n" +
                           oboe + "left alone: 2 note events, the source has 3\n" +
                           "Block 4 of 4, measure 4:\n" + OBOE_COPIED + "Written to " + out_ +
                           "\n");
    EXPECT_EQ(Music(out_, 2, 0, 1), OBOE_AFTER);
    EXPECT_EQ(Music(out_, 2, 0, 2), "A4 w");
    EXPECT_EQ(Music(out_, 2, 0, 3), "B4 h, C5 h");
    EXPECT_EQ(Music(out_, 2, 0, 4), "D5 q.!staccato, E5 e~, E5 q, F5 q");

    // The source's own staff: its block is the source, the next block takes it.
    const Outcome own =
        Cadentra({"copy", score_, "--source", "1@1", "--to", "1@1-2", "--repeat", "--dry-run"});
    ASSERT_EQ(own.code, EXIT_DONE) << own.err;
    EXPECT_TRUE(Holds(own.out,
                      "Block 1 of 2, measure 1:\n  staff 1 (P1 \"Flute\"), layer 1 (voice "
                      "1): left alone: it is the source\nBlock 2 of 2, measure 2:\n  staff "
                      "1 (P1 \"Flute\"), layer 1 (voice 1): copied (3 note events)\n"));

    // No block matches: nothing to copy, and nothing written.
    const Outcome none =
        Cadentra({"copy", score_, "--source", "1@4", "--to", "4@1-2", "--repeat", "-o", out_});
    EXPECT_EQ(none.code, EXIT_NOTHING_TO_COPY);
    EXPECT_TRUE(Holds(none.out,
                      "Block 2 of 2, measure 2:\n  staff 4 (P4 \"Horn\"), layer 1 (voice "
                      "1): left alone: 2 note events, the source has 1\nNothing to copy"));
}

TEST_F(CopyRuns, RepeatRefusesBlocksThatDoNotFitOrThatWouldChangeTheSource) {
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        {{"copy", score_, "--source", "1@1-2", "--to", "2@1-3", "--repeat"},
         "cadentra: --repeat: the destination, measures 1-3, has 3 measures, not a whole number "
         "of blocks of the source's 2 (measures 1-2)"},
        {{"copy", score_, "--source", "1@3-4", "--to", "2@5", "--repeat"},
         "cadentra: --repeat: the destination, measure 5, has 1 measure, not a whole number of "
         "blocks of the source's 2 (measures 3-4)"},
        {{"copy", score_, "--source", "1@2-3", "--to", "1-2@1-4", "--repeat"},
         "cadentra: --repeat: the source, measures 2-3 of staff 1, lies across the blocks 1-2 and "
         "3-4 on its own layer, and copying one would change the rhythm the other takes; line "
         "the blocks up with the source, or leave out its staff or its layer 1 (--voices)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(UsageRefusal(c.arguments), c.message);
    // Without layer 1 of the source's staff among the chosen, the blocks may lie across it.
    const Outcome second = Cadentra({"copy", score_, "--source", "1@2-3", "--to", "1-2@1-4",
                                     "--repeat", "--voices", "2", "--dry-run"});
    EXPECT_EQ(second.code, EXIT_NOTHING_TO_COPY) << second.err;
    EXPECT_EQ(folder_.Names(), std::vector<std::string>{"ensemble.musicxml"});
}

TEST_F(CopyRuns, ARefusalInALaterRunWritesNothing) {
    // Block 4 takes the rhythm; block 5 is a 3/4 measure, which COPY refuses.
    const Outcome run =
        Cadentra({"copy", score_, "--source", "1@1", "--to", "2@4-5", "--repeat", "--in-place"});
    EXPECT_EQ(run.code, EXIT_REFUSED);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err,
              "ZQ Cadentra Error: The destination measures must have the same lengths as the "
              "source measures.\n"
              "source: staff 1; destination: staff 2; lengths differ: source measure 1 (4 quarter "
              "notes) onto destination measure 5 (3 quarter notes)\n");
    EXPECT_EQ(cli_test::ReadFile(score_), EnsembleScore());
    EXPECT_EQ(folder_.Names(), std::vector<std::string>{"ensemble.musicxml"});
}

TEST_F(CopyRuns, RehearsalMarksNameTheSourceAndTheDestination) {
    // A is measures 1-2 (six note events on the flute), B measures 3-4.
    const Outcome run = Cadentra({"copy", score_, "--source", "Flute@A", "--to", "2-3@B"});
    EXPECT_EQ(run.code, EXIT_NOTHING_TO_COPY) << run.err;
    EXPECT_EQ(run.out,
              "Source: staff 1 (P1 \"Flute\"), measures 1-2, layer 1: 6 note events\n"
              "  staff 2 (P2 \"Oboe\"), layer 1 (voice 1): left alone: 5 note events, the source "
              "has 6\n"
              "  staff 3 (P3 \"Clarinet\"), layer 1 (voice 1): left alone: 2 note events, the "
              "source has 6\n"
              "Nothing to copy: no destination layer took the rhythm, so nothing was written.\n");
    // A-B reaches to the end of B's passage; the oboe's 1-4 holds two blocks of A.
    const Outcome repeat =
        Cadentra({"copy", score_, "--source", "1@A", "--to", "2@A-B", "--repeat", "--dry-run"});
    EXPECT_EQ(repeat.code, EXIT_NOTHING_TO_COPY);
    EXPECT_TRUE(Holds(repeat.out, "Block 2 of 2, measures 3-4:\n"));
    EXPECT_EQ(UsageRefusal({"copy", score_, "--source", "1@D", "--to", "2@B"}),
              "cadentra: no measure \"D\" in the score (measures are numbered 1 to 5; rehearsal "
              "marks A, B, C)");
}

TEST_F(CopyRuns, ADryRunShowsEachLayerThatWouldTakeTheRhythmBeforeAndAfter) {
    const Outcome run =
        Cadentra({"copy", score_, "--source", "1@1", "--to", "1-2@1-2", "--repeat", "--dry-run"});
    ASSERT_EQ(run.code, EXIT_DONE) << run.err;
    EXPECT_EQ(run.out.substr(run.out.find("Before and after")),
              std::string("Before and after:\n") + NOTATION_KEY +
                  "  staff 2 (P2 \"Oboe\"), layer 1 (voice 1):\n"
                  "    measure 1  before: E4 h, F4 q, G4 q\n"
                  "               after:  " +
                  OBOE_AFTER +
                  "\n"
                  "  staff 1 (P1 \"Flute\"), layer 1 (voice 1):\n"
                  "    measure 2  before: F5 q, G5 q, A5 h\n"
                  "               after:  F5 q.!staccato, G5 e~, G5 q, A5 q\n"
                  "Dry run: nothing written.\n");
    EXPECT_EQ(folder_.Names(), std::vector<std::string>{"ensemble.musicxml"});

    // A run of several measures shows each; with -o - the report goes to standard error.
    const Outcome two =
        Cadentra({"copy", score_, "--source", "3@1-2", "--to", "5@1-2", "--dry-run", "-o", "-"});
    ASSERT_EQ(two.code, EXIT_DONE) << two.err;
    EXPECT_EQ(two.out, "");
    EXPECT_TRUE(Holds(two.err, "  staff 5 (P5 \"Piano\"), layer 1 (voice 1):\n"
                               "    measure 1  before: C4 h, D4 q, E4 q\n"
                               "               after:  C4 q, D4 q, E4 h\n"
                               "    measure 2  before: F4 w\n"
                               "               after:  F4 w\n"
                               "Dry run: nothing written.\n"));
}
