#include "CliSupport.h"

#include "cli/Commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace cadentra_cli;

namespace {

std::string Measure(int number, const std::string& notes) {
    return "<measure number=\"" + std::to_string(number) + "\">" +
           (number == 1 ? "<attributes><divisions>2</divisions><time><beats>4</beats><beat-type>4</"
                          "beat-type></time></attributes>"
                        : "") +
           notes + "</measure>";
}

std::string Quarter(const std::string& step) {
    return "<note><pitch><step>" + step +
           "</step><octave>4</octave></pitch><duration>2</duration><voice>1</voice><type>quarter</"
           "type></note>";
}

std::string Half(const std::string& step) {
    return "<note><pitch><step>" + step +
           "</step><octave>4</octave></pitch><duration>4</duration><voice>1</voice><type>half</"
           "type></note>";
}

/// Two parts: a flute with four quarters a measure, a horn with two halves a measure.
std::string DuoScore() {
    std::string flute, horn;
    for (int m = 1; m <= 3; ++m) {
        flute += Measure(m, Quarter("C") + Quarter("D") + Quarter("E") + Quarter("F"));
        horn += Measure(m, Half("G") + Half("A"));
    }
    return cli_test::Partwise("<score-part id=\"P1\"><part-name>Flute</part-name></score-part>"
                              "<score-part id=\"P2\"><part-name>Horn</part-name></score-part>",
                              "<part id=\"P1\">" + flute + "</part><part id=\"P2\">" + horn +
                                  "</part>");
}

struct Outcome {
    int code;
    std::string out;
    std::string err;
};

Outcome Cadentra(std::vector<std::string> arguments) {
    std::ostringstream out, err;
    const int code = RunCommandLine(arguments, out, err);
    return Outcome{code, out.str(), err.str()};
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
    EXPECT_NE(all.out.find("  1  P1  \"Flute\"\n  2  P2  \"Horn\"\n"), std::string::npos)
        << all.out;
    EXPECT_NE(all.out.find("Measures: 3, printed numbers 1-3"), std::string::npos);
    EXPECT_NE(all.out.find("  1: voice 1 (layer 1) 12 events\n  2: voice 1 (layer 1) 6 events"),
              std::string::npos)
        << all.out;
    const Outcome some = Cadentra({"info", score_, "--measures", "2-3"});
    EXPECT_NE(some.out.find("  1: voice 1 (layer 1) 8 events"), std::string::npos) << some.out;
}

TEST_F(CommandLine, CopyReportsEveryDestinationLayerAndWritesNextToTheInput) {
    const Outcome dry = Cadentra({"copy", score_, "--source", "1@1", "--to", "1-2@2", "--dry-run"});
    EXPECT_EQ(dry.code, EXIT_DONE) << dry.err;
    EXPECT_NE(dry.out.find("Source: staff 1 (P1 \"Flute\"), measures 1, layer 1: 4 note events"),
              std::string::npos)
        << dry.out;
    EXPECT_NE(dry.out.find("staff 2 (P2 \"Horn\"), layer 1 (voice 1): left alone: 2 note events, "
                           "the source has 4"),
              std::string::npos)
        << dry.out;
    EXPECT_NE(dry.out.find("Dry run: nothing written."), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder_.File("duo.cadentra.musicxml")));

    const Outcome copy = Cadentra({"copy", score_, "--source", "P1", "--to", "Flute-Horn@2-3"});
    EXPECT_EQ(copy.code, EXIT_DONE) << copy.err;
    ASSERT_TRUE(std::filesystem::exists(folder_.File("duo.cadentra.musicxml")));
    EXPECT_EQ(cli_test::ReadFile(score_),
              DuoScore()); // the input is never touched without --in-place

    const Outcome toFile =
        Cadentra({"copy", score_, "--source", "2", "--to", "1@1", "-o", folder_.File("out.xml")});
    EXPECT_EQ(toFile.code, EXIT_DONE) << toFile.err;
    EXPECT_TRUE(std::filesystem::exists(folder_.File("out.xml")));
    const Outcome inPlace =
        Cadentra({"copy", score_, "--source", "2@1", "--to", "1@2", "--in-place"});
    EXPECT_EQ(inPlace.code, EXIT_DONE) << inPlace.err;
    EXPECT_NE(inPlace.out.find(score_), std::string::npos);
    // Nothing but the result is left in the folder: no temporary files.
    int files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder_.Path()))
        ++files;
    EXPECT_EQ(files, 3);
}

TEST_F(CommandLine, RefusalsOfThePlugInExitWithOneAndItsOwnMessage) {
    const Outcome measures = Cadentra({"copy", score_, "--source", "1@1", "--to", "2@2-3"});
    EXPECT_EQ(measures.code, EXIT_REFUSED);
    EXPECT_EQ(measures.err, "ZQ Cadentra Error: The destination region must have the same number "
                            "of measures as the source region.\n");
    const Outcome staves = Cadentra({"copy", score_, "--source", "1-2@1", "--to", "2@2"});
    EXPECT_EQ(staves.code, EXIT_REFUSED);
    EXPECT_NE(staves.err.find("Source Selection Error: Only one individual staff is allowed as the "
                              "selected source region."),
              std::string::npos)
        << staves.err;
    EXPECT_FALSE(std::filesystem::exists(folder_.File("duo.cadentra.musicxml")));
}

TEST_F(CommandLine, UsageFileAndFormatErrorsExitWithTwoAndSayWhatIsWrong) {
    auto expectError = [](const Outcome& run, const std::string& text) {
        EXPECT_EQ(run.code, EXIT_BAD_INPUT);
        EXPECT_NE(run.err.find(text), std::string::npos) << run.err;
    };
    expectError(Cadentra({}), "Usage: cadentra COMMAND");
    expectError(Cadentra({"paste"}), "unknown command \"paste\"");
    expectError(Cadentra({"copy", score_, "--source", "1"}), "copy needs --to STAVES@MEASURES");
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
    expectError(Cadentra({"copy", score_, "--source", "1", "--to", "2@1", "-o",
                          folder_.File("no/such/folder/out.xml")}),
                "cannot create a temporary file");
    for (const char* command : {"info", "copy"}) {
        const Outcome help = Cadentra({command, "--help"});
        EXPECT_EQ(help.code, EXIT_DONE);
        EXPECT_EQ(help.out.rfind(std::string("Usage: cadentra ") + command, 0), 0u) << help.out;
    }
    EXPECT_EQ(Cadentra({"--help"}).code, EXIT_DONE);
}
