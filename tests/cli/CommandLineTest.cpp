#include "CliSupport.h"

#include "cli/Commands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sstream>

using namespace cadentra_cli;
using cli_test::Cadentra;
using cli_test::Holds;
using cli_test::Outcome;

namespace {

std::string Measure(int number, const std::string& notes) {
    return "<measure number=\"" + std::to_string(number) + "\">" +
           (number == 1 ? "<attributes><divisions>2</divisions><time><beats>4</beats><beat-type>4</"
                          "beat-type></time></attributes>"
                        : "") +
           notes + "</measure>";
}

/// A note of octave 4 in voice 1, `duration` in divisions of 2 to the quarter.
std::string Note(const std::string& step, int duration, const std::string& type) {
    return "<note><pitch><step>" + step + "</step><octave>4</octave></pitch><duration>" +
           std::to_string(duration) + "</duration><voice>1</voice><type>" + type + "</type></note>";
}
std::string Quarter(const std::string& step) {
    return Note(step, 2, "quarter");
}
std::string Half(const std::string& step) {
    return Note(step, 4, "half");
}
std::string Eighth(const std::string& step) {
    return Note(step, 1, "eighth");
}

const std::string DUO_PARTS = "<score-part id=\"P1\"><part-name>Flute</part-name></score-part>"
                              "<score-part id=\"P2\"><part-name>Horn</part-name></score-part>";

/// Two parts: a flute with four quarters a measure, a horn with two halves a measure and, in
/// measure 3, four notes of another rhythm.
std::string DuoScore() {
    std::string flute, horn;
    for (int m = 1; m <= 3; ++m) {
        flute += Measure(m, Quarter("C") + Quarter("D") + Quarter("E") + Quarter("F"));
        horn += Measure(m, m < 3 ? Half("G") + Half("A")
                                 : Half("G") + Quarter("A") + Eighth("B") + Eighth("C"));
    }
    return cli_test::Partwise(DUO_PARTS, "<part id=\"P1\">" + flute + "</part><part id=\"P2\">" +
                                             horn + "</part>");
}

class CommandLine : public ::testing::Test {
protected:
    CommandLine() : score_(folder_.File("duo.musicxml")) {
        cli_test::WriteFile(score_, DuoScore());
    }

    cli_test::TemporaryFolder folder_;
    std::string score_;
};

} // namespace

TEST_F(CommandLine, InfoListsStavesMeasuresAndEventsPerVoice) {
    const Outcome all = Cadentra({"info", score_});
    EXPECT_EQ(all.code, EXIT_DONE) << all.err;
    EXPECT_TRUE(Holds(all.out, "  1  P1  \"Flute\"\n  2  P2  \"Horn\"\n"));
    EXPECT_TRUE(Holds(all.out, "Measures: 3, printed numbers 1-3"));
    EXPECT_TRUE(
        Holds(all.out, "  1: voice 1 (layer 1) 12 events\n  2: voice 1 (layer 1) 8 events"));
    EXPECT_TRUE(Holds(Cadentra({"info", score_, "--measures", "2-3"}).out,
                      "Note events per voice, measures 2-3:\n  1: voice 1 (layer 1) 8 events"));
    EXPECT_TRUE(Holds(Cadentra({"info", score_, "--measures", "2"}).out,
                      "Note events per voice, measure 2:\n  1: voice 1 (layer 1) 4 events"));
}

// A C-sharp held from C major into D major is one note, though the host writes it as a raised C
// in the first measure and as the key's own C in the second.
TEST_F(CommandLine, InfoCountsANoteTiedAcrossAKeyChangeOnce) {
    const auto held = [](const std::string& tie) {
        return "<note><pitch><step>C</step><alter>1</alter><octave>5</octave></pitch><duration>8"
               "</duration><tie type=\"" +
               tie + "\"/><voice>1</voice><type>whole</type></note>";
    };
    const std::string path = folder_.File("keys.musicxml");
    cli_test::WriteFile(
        path, cli_test::OnePart("<measure number=\"1\"><attributes><divisions>2</divisions><key>"
                                "<fifths>0</fifths></key><time><beats>4</beats><beat-type>4</"
                                "beat-type></time></attributes>" +
                                held("start") +
                                "</measure><measure number=\"2\"><attributes><key><fifths>2"
                                "</fifths></key></attributes>" +
                                held("stop") + "</measure>"));
    const Outcome info = Cadentra({"info", path});
    EXPECT_EQ(info.code, EXIT_DONE) << info.err;
    EXPECT_TRUE(Holds(info.out, "  1: voice 1 (layer 1) 1 event\n"));
}

TEST_F(CommandLine, CopyReportsEveryDestinationLayerAndWritesNextToTheInput) {
    const Outcome dry = Cadentra({"copy", score_, "--source", "1@1", "--to", "1-2@2", "--dry-run"});
    EXPECT_EQ(dry.code, EXIT_DONE) << dry.err;
    EXPECT_TRUE(
        Holds(dry.out, "Source: staff 1 (P1 \"Flute\"), measure 1, layer 1: 4 note events"));
    EXPECT_TRUE(Holds(dry.out, "staff 2 (P2 \"Horn\"), layer 1 (voice 1): left alone: 2 note "
                               "events, the source has 4"));
    EXPECT_TRUE(Holds(dry.out, "Dry run: nothing written."));
    EXPECT_FALSE(std::filesystem::exists(folder_.File("duo.cadentra.musicxml")));

    const Outcome copy = Cadentra({"copy", score_, "--source", "P1@1-2", "--to", "Flute-Horn@2-3"});
    EXPECT_EQ(copy.code, EXIT_DONE) << copy.err;
    ASSERT_TRUE(std::filesystem::exists(folder_.File("duo.cadentra.musicxml")));
    EXPECT_EQ(cli_test::ReadFile(score_),
              DuoScore()); // the input is never touched without --in-place

    const Outcome toFile =
        Cadentra({"copy", score_, "--source", "2@3", "--to", "1@1", "-o", folder_.File("out.xml")});
    EXPECT_EQ(toFile.code, EXIT_DONE) << toFile.err;
    EXPECT_TRUE(std::filesystem::exists(folder_.File("out.xml")));
    const Outcome inPlace =
        Cadentra({"copy", score_, "--source", "1@1", "--to", "2@3", "--in-place"});
    EXPECT_EQ(inPlace.code, EXIT_DONE) << inPlace.err;
    EXPECT_TRUE(Holds(inPlace.out, score_));
    // Nothing but the result is left in the folder: no temporary files.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder_.Path()))
        ++files;
    EXPECT_EQ(files, 3);
}

TEST_F(CommandLine, RefusalsOfThePlugInKeepItsMessageAndSayWhatWasCompared) {
    const Outcome measures = Cadentra({"copy", score_, "--source", "1@1", "--to", "2@2-3"});
    EXPECT_EQ(measures.code, EXIT_REFUSED);
    EXPECT_EQ(measures.err, "ZQ Cadentra Error: The destination region must have the same number "
                            "of measures as the source region.\n"
                            "source: staff 1, measure 1 (1 measure); destination: staff 2, "
                            "measures 2-3 (2 measures)\n");
    const Outcome staves = Cadentra({"copy", score_, "--source", "1-2@1-2", "--to", "2@2-3"});
    EXPECT_EQ(staves.code, EXIT_REFUSED);
    EXPECT_EQ(staves.err, "Source Selection Error: Only one individual staff is allowed as the "
                          "selected source region.\n"
                          "source: staves 1-2 (2 staves), measures 1-2; the source must be one "
                          "staff, such as 1\n");

    // A source whose layer 1 holds only rests in the chosen measure.
    const std::string rests = folder_.File("rests.musicxml");
    cli_test::WriteFile(
        rests,
        cli_test::Partwise(
            DUO_PARTS,
            "<part id=\"P1\">" +
                Measure(1, "<note><rest/><duration>8</duration><voice>1</voice></note>") +
                Measure(2, Half("C") + Half("D")) + "</part><part id=\"P2\">" +
                Measure(1, Half("E") + Half("F")) + Measure(2, Half("G") + Half("A")) + "</part>"));
    const Outcome empty = Cadentra({"copy", rests, "--source", "1@1", "--to", "2@2"});
    EXPECT_EQ(empty.code, EXIT_REFUSED);
    EXPECT_EQ(empty.err, "ZQ Cadentra Error: Source region didn't contain any notes in layer 1.\n"
                         "source: staff 1, measure 1 (1 measure): no note in layer 1 (voice 1), "
                         "only rests\n");
    EXPECT_EQ(folder_.Names(), (std::vector<std::string>{"duo.musicxml", "rests.musicxml"}));
}

TEST_F(CommandLine, NothingToCopyWritesNothingExplainsEveryLayerAndExitsWithThree) {
    // The horn has two events a measure and the flute four: no layer takes the flute's rhythm.
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(48);
    std::filesystem::last_write_time(score_, old);
    for (const char* mode : {"--in-place", "--dry-run", ""}) {
        SCOPED_TRACE(mode);
        std::vector<std::string> arguments{"copy", score_, "--source", "1@1", "--to", "2@1"};
        if (*mode) arguments.push_back(mode);
        const Outcome run = Cadentra(arguments);
        EXPECT_EQ(run.code, EXIT_NOTHING_TO_COPY) << run.err;
        EXPECT_EQ(run.out, "Source: staff 1 (P1 \"Flute\"), measure 1, layer 1: 4 note events\n"
                           "  staff 2 (P2 \"Horn\"), layer 1 (voice 1): left alone: 2 note "
                           "events, the source has 4\n"
                           "Nothing to copy: no destination layer took the rhythm, so nothing was "
                           "written.\n");
        EXPECT_EQ(cli_test::ReadFile(score_), DuoScore());
        EXPECT_EQ(std::filesystem::last_write_time(score_), old);
        EXPECT_EQ(folder_.Names(), std::vector<std::string>{"duo.musicxml"});
    }
    // To standard output nothing is written either.
    const Outcome piped = Cadentra({"copy", score_, "--source", "1@1", "--to", "2@1", "-o", "-"});
    EXPECT_EQ(piped.code, EXIT_NOTHING_TO_COPY);
    EXPECT_EQ(piped.out, "");
    EXPECT_TRUE(Holds(piped.err, "Nothing to copy"));
}

TEST_F(CommandLine, DashOWritesTheScoreToStandardOutputAndTheReportToStandardError) {
    const Outcome piped = Cadentra({"copy", score_, "--source", "2@3", "--to", "1@1", "-o", "-"});
    ASSERT_EQ(piped.code, EXIT_DONE) << piped.err;
    const Outcome file = Cadentra(
        {"copy", score_, "--source", "2@3", "--to", "1@1", "-o", folder_.File("out.musicxml")});
    ASSERT_EQ(file.code, EXIT_DONE) << file.err;
    EXPECT_EQ(piped.out, cli_test::ReadFile(folder_.File("out.musicxml")));
    EXPECT_NE(piped.out, DuoScore());
    // The same report, on the other stream, and no file.
    EXPECT_EQ(file.err, "");
    EXPECT_EQ(piped.err.substr(0, piped.err.rfind("Written to")),
              file.out.substr(0, file.out.rfind("Written to")));
    EXPECT_TRUE(piped.err.ends_with("Written to standard output\n")) << piped.err;
    EXPECT_EQ(folder_.Names(), (std::vector<std::string>{"duo.musicxml", "out.musicxml"}));
}

TEST_F(CommandLine, AnOptionWhereAValueBelongsIsRefused) {
    struct Case {
        std::vector<std::string> arguments;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{"copy", score_, "--source", "2@1", "--to", "1@2", "-o", "--dry-run"},
         "cadentra: -o needs a file name (or - for standard output), found the option --dry-run "
         "(name a file that begins with '-' as ./--dry-run)\n"},
        {{"copy", score_, "--source", "--to", "1@2"},
         "cadentra: --source needs a staff, such as 1@5-8, found the option --to\n"},
        {{"copy", score_, "--source", "2@1", "--to", "-o", "x.musicxml"},
         "cadentra: --to needs staves and measures, such as 2-4@5-8, found the option -o\n"},
        {{"copy", score_, "--source", "2@1", "--to", "1@2", "-o"},
         "cadentra: -o needs a file name (or - for standard output)\n"},
        {{"copy", score_, "--source", "2@1", "--to", "1@2", "-o", ""},
         "cadentra: -o needs a file name (or - for standard output)\n"},
        {{"info", score_, "--measures", "--help"},
         "cadentra: --measures needs a range, such as 5-8, found the option --help\n"},
    };
    for (const Case& c : cases) {
        const Outcome run = Cadentra(c.arguments);
        EXPECT_EQ(run.code, EXIT_BAD_INPUT);
        EXPECT_EQ(run.err.substr(0, run.err.find('\n') + 1), c.message);
        EXPECT_EQ(run.out, "");
    }
    EXPECT_FALSE(std::filesystem::exists("--dry-run"));
    EXPECT_EQ(folder_.Names(), std::vector<std::string>{"duo.musicxml"});
}

TEST_F(CommandLine, AmbiguousPartNamesAreRefusedWithTheirCandidates) {
    const std::string trio = folder_.File("trio.musicxml");
    std::string parts;
    for (const char* id : {"P1", "P2", "P3"})
        parts +=
            std::string("<part id=\"") + id + "\">" + Measure(1, Half("C") + Half("D")) + "</part>";
    cli_test::WriteFile(
        trio, cli_test::Partwise("<score-part id=\"P1\"><part-name>Flute</part-name></score-part>"
                                 "<score-part id=\"P2\"><part-name>Violin</part-name></score-part>"
                                 "<score-part id=\"P3\"><part-name>violin</part-name></score-part>",
                                 parts));
    const Outcome run = Cadentra({"copy", trio, "--source", "Flute", "--to", "Violin@1"});
    EXPECT_EQ(run.code, EXIT_BAD_INPUT);
    EXPECT_EQ(run.err.substr(0, run.err.find('\n')),
              "cadentra: the part name \"Violin\" is ambiguous: 2 parts have it, staff 2 (P2) and "
              "staff 3 (P3); name one by its part id or position");
    EXPECT_EQ(Cadentra({"copy", trio, "--source", "Flute", "--to", "P3@1", "--dry-run"}).code,
              EXIT_DONE);
}

TEST_F(CommandLine, VersionIsThePlugInsVersion) {
    const Outcome version = Cadentra({"--version"});
    EXPECT_EQ(version.code, EXIT_DONE);
    EXPECT_EQ(version.out, "cadentra 1.0.4.0\n");
    EXPECT_EQ(version.err, "");
    EXPECT_EQ(Cadentra({"--version", "extra"}).code, EXIT_BAD_INPUT);
}

TEST_F(CommandLine, UsageFileAndFormatErrorsExitWithTwoAndSayWhatIsWrong) {
    auto expectError = [](const Outcome& run, const std::string& text) {
        EXPECT_EQ(run.code, EXIT_BAD_INPUT);
        EXPECT_TRUE(Holds(run.err, text));
    };
    expectError(Cadentra({}), "Usage: cadentra COMMAND");
    expectError(Cadentra({"paste"}), "unknown command \"paste\"");
    expectError(Cadentra({"copy", score_, "--source", "1"}), "copy needs --to STAVES[@MEASURES]");
    expectError(Cadentra({"copy", score_, "--source", "1", "--to", "2"}), "--to needs measures");
    expectError(Cadentra({"copy", score_, "--source", "Oboe", "--to", "2@1"}), "no staff \"Oboe\"");
    expectError(Cadentra({"copy", score_, "--source", "1", "--to", "2@1", "-o", "x", "--in-place"}),
                "exclude each other");
    expectError(Cadentra({"info", folder_.File("missing.xml")}),
                folder_.File("missing.xml") + ": cannot open the file");
    cli_test::WriteFile(folder_.File("broken.xml"),
                        "<score-partwise>\n<part-list>\n</score-partwise>");
    expectError(Cadentra({"info", folder_.File("broken.xml")}),
                folder_.File("broken.xml") + ":3: not well-formed XML");
    const std::string whole = DuoScore();
    const std::string cut = whole.substr(0, whole.find("<part id=\"P2\">"));
    cli_test::WriteFile(folder_.File("cut.xml"), cut);
    expectError(Cadentra({"info", folder_.File("cut.xml")}),
                folder_.File("cut.xml") + ":" +
                    std::to_string(std::count(cut.begin(), cut.end(), '\n') + 1) +
                    ": not well-formed XML: the file ends too early");
    std::filesystem::create_directory(folder_.File("folder.musicxml"));
    expectError(Cadentra({"info", folder_.File("folder.musicxml")}),
                folder_.File("folder.musicxml") + ": is a directory");
    expectError(Cadentra({"copy", folder_.File("folder.musicxml"), "--source", "1", "--to", "2@1"}),
                folder_.File("folder.musicxml") + ": is a directory");
    expectError(Cadentra({"copy", score_, "--source", "1@1", "--to", "2@3", "-o",
                          folder_.File("no/such/folder/out.xml")}),
                "cannot create a temporary file");
    for (const char* command : {"info", "copy"}) {
        const Outcome help = Cadentra({command, "--help"});
        EXPECT_EQ(help.code, EXIT_DONE);
        EXPECT_EQ(help.out.rfind(std::string("Usage: cadentra ") + command, 0), 0u) << help.out;
    }
    EXPECT_EQ(Cadentra({"--help"}).code, EXIT_DONE);
}
