// COPY end to end: a score file through `cadentra copy`, the plug-in and the writer, checked
// note by note in the written file.
#include "CliSupport.h"

#include "cli/Commands.h"
#include "cli/musicxml/SourceText.h"

#include <gtest/gtest.h>

#include <pugixml.hpp>

#include <sstream>

using namespace cadentra_cli;
using cli_test::Holds;

namespace {

/// One written note in a few words: pitch or rest, type with dots, ties, time modification,
/// tuplet marks, articulations, accidental and lyric.
std::string Describe(pugi::xml_node note) {
    std::string text;
    if (note.child("chord")) text += "+";
    if (note.child("rest")) {
        text += "rest";
    } else {
        const pugi::xml_node pitch = note.child("pitch");
        text += pitch.child_value("step");
        const std::string alter = pitch.child_value("alter");
        text += alter == "1" ? "#" : alter == "-1" ? "b" : "";
        text += pitch.child_value("octave");
    }
    text += std::string(" ") + note.child_value("type");
    for ([[maybe_unused]] pugi::xml_node dot : note.children("dot"))
        text += ".";
    for (pugi::xml_node tie : note.children("tie"))
        text += std::string(" tie-") + tie.attribute("type").value();
    if (pugi::xml_node modification = note.child("time-modification"))
        text += std::string(" ") + modification.child_value("actual-notes") + ":" +
                modification.child_value("normal-notes");
    for (pugi::xml_node tuplet : note.child("notations").children("tuplet"))
        text += std::string(" tuplet-") + tuplet.attribute("type").value();
    for (pugi::xml_node mark : note.child("notations").child("articulations").children())
        text += std::string(" !") + mark.name();
    if (note.child("accidental")) text += std::string(" acc-") + note.child_value("accidental");
    if (note.child("lyric"))
        text += std::string(" \"") + note.child("lyric").child_value("text") + "\"";
    return text;
}

std::vector<std::string> NotesOfPart(const std::string& bytes, const std::string& id) {
    pugi::xml_document document;
    EXPECT_TRUE(document.load_buffer(bytes.data(), bytes.size()));
    std::vector<std::string> notes;
    for (pugi::xml_node part : document.document_element().children("part"))
        if (id == part.attribute("id").value())
            for (pugi::xml_node measure : part.children("measure"))
                for (pugi::xml_node note : measure.children("note"))
                    notes.push_back(Describe(note));
    return notes;
}

int Cadentra(const std::vector<std::string>& arguments, std::string* out = nullptr) {
    std::ostringstream o, e;
    const int code = RunCommandLine(arguments, o, e);
    if (out) *out = o.str() + e.str();
    return code;
}

/// The flute and violin score of the test scores, and a folder to copy it in.
class Copy : public ::testing::Test {
protected:
    cli_test::TemporaryFolder folder_;
    const std::string original_ =
        cli_test::ReadFile(std::string(CADENTRA_TEST_SCORES) + "/flute-violin.musicxml");
};

} // namespace

TEST_F(Copy, TheDestinationTakesTheSourcesRhythmAndKeepsItsPitchesInOrder) {
    const std::string input = folder_.File("score.musicxml");
    cli_test::WriteFile(input, original_);
    std::string report;
    ASSERT_EQ(Cadentra({"copy", input, "--source", "Flute", "--to", "Violin@1"}, &report),
              EXIT_DONE)
        << report;
    EXPECT_TRUE(
        Holds(report, "staff 2 (P2 \"Violin\"), layer 1 (voice 1): copied (4 note events)"));

    const std::string written = cli_test::ReadFile(folder_.File("score.cadentra.musicxml"));
    // The source is untouched: the flute part's bytes are the same.
    EXPECT_EQ(NotesOfPart(written, "P1"), NotesOfPart(original_, "P1"));
    const std::string flutePart =
        original_.substr(original_.find("<part id=\"P1\">"),
                         original_.find("<part id=\"P2\">") - original_.find("<part id=\"P1\">"));
    EXPECT_TRUE(Holds(written, flutePart));
    // Durations, rests, ties, the triplet and the articulations of the flute; the violin's
    // pitches (F sharp, B flat tied over, C, the chord A + C sharp) with their spelling.
    EXPECT_EQ(NotesOfPart(written, "P2"), (std::vector<std::string>{
                                              "F#4 quarter. !accent acc-sharp \"one\"",
                                              "Bb4 eighth tie-start acc-flat",
                                              "Bb4 quarter tie-stop",
                                              "C5 eighth 3:2 tuplet-start !staccato",
                                              "rest eighth 3:2",
                                              "A4 eighth 3:2 tuplet-stop",
                                              "+C#5 eighth 3:2",
                                          }));
    if (cli_test::CanValidate()) {
        std::string errors;
        EXPECT_TRUE(cli_test::IsSchemaValid(folder_.File("score.cadentra.musicxml"), &errors))
            << errors;
    }
}

TEST_F(Copy, ACopyThatChangesNothingLeavesTheFileAsItWas) {
    const std::string input = folder_.File("score.musicxml");
    cli_test::WriteFile(input, original_);
    std::string report;
    // The source onto itself changes nothing, so nothing is written.
    ASSERT_EQ(Cadentra({"copy", input, "--source", "2", "--to", "2@1", "--in-place"}, &report),
              EXIT_NOTHING_TO_COPY)
        << report;
    EXPECT_TRUE(Holds(report, "left alone: it is the source"));
    EXPECT_EQ(cli_test::ReadFile(input), original_);
    // The other way round the flute takes the violin's four quarters on its own pitches.
    ASSERT_EQ(Cadentra({"copy", input, "--source", "2", "--to", "1@1", "--in-place"}, &report),
              EXIT_DONE)
        << report;
    EXPECT_EQ(NotesOfPart(cli_test::ReadFile(input), "P1"),
              (std::vector<std::string>{"D5 quarter", "D5 quarter", "E5 quarter", "G5 quarter"}));
}

TEST_F(Copy, CompressedScoresAreRewrittenInsideTheirArchive) {
    const std::string archive = folder_.File("score.mxl");
    cli_test::WriteArchive(archive, "score.musicxml", original_);
    const std::string archiveBytes = cli_test::ReadFile(archive);

    std::string report;
    ASSERT_EQ(Cadentra({"copy", archive, "--source", "2", "--to", "2@1", "--in-place"}, &report),
              EXIT_NOTHING_TO_COPY)
        << report;
    EXPECT_EQ(cli_test::ReadFile(archive), archiveBytes); // nothing copied: the archive as it was

    // The default output of an archive is an archive beside it.
    ASSERT_EQ(Cadentra({"copy", archive, "--source", "1", "--to", "2@1"}, &report), EXIT_DONE)
        << report;
    EXPECT_TRUE(Holds(report, "Written to " + folder_.File("score.cadentra.mxl")));
    const LoadedFile copy = ReadScoreFile(folder_.File("score.cadentra.mxl"));
    EXPECT_TRUE(copy.compressed);
    EXPECT_EQ(NotesOfPart(copy.bytes, "P2").size(), 7u);
    ASSERT_EQ(Cadentra({"copy", archive, "--source", "1", "--to", "2@1", "--in-place"}, &report),
              EXIT_DONE)
        << report;
    const LoadedFile rewritten = ReadScoreFile(archive);
    EXPECT_TRUE(rewritten.compressed);
    EXPECT_EQ(rewritten.bytes, copy.bytes);

    // -o takes the kind its name says: text from an archive, an archive from text.
    ASSERT_EQ(Cadentra({"copy", archive, "--source", "1", "--to", "2@1", "-o",
                        folder_.File("plain.musicxml")},
                       &report),
              EXIT_DONE)
        << report;
    EXPECT_FALSE(ReadScoreFile(folder_.File("plain.musicxml")).compressed);
    const std::string text = folder_.File("text.musicxml");
    cli_test::WriteFile(text, original_);
    ASSERT_EQ(
        Cadentra({"copy", text, "--source", "1", "--to", "2@1", "-o", folder_.File("packed.mxl")},
                 &report),
        EXIT_DONE)
        << report;
    const LoadedFile packed = ReadScoreFile(folder_.File("packed.mxl"));
    EXPECT_TRUE(packed.compressed);
    EXPECT_EQ(packed.bytes, ReadScoreFile(folder_.File("plain.musicxml")).bytes);
    EXPECT_EQ(NotesOfPart(packed.bytes, "P1"), NotesOfPart(original_, "P1"));
}
