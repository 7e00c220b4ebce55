#include "CliSupport.h"

#include "cli/musicxml/MusicXmlWriter.h"
#include "host/Builder.h"
#include "host/EntryDetails.h"

#include <gtest/gtest.h>

using namespace cadentra_cli;
using cli_test::Holds;

namespace {

const std::string PARTS = "<score-part id=\"P1\"><part-name>Flute</part-name></score-part>"
                          "<score-part id=\"P2\"><part-name>Oboe</part-name></score-part>";

std::string Pitch(const std::string& step, int octave, int alter = 0) {
    return "<pitch><step>" + step + "</step>" +
           (alter ? "<alter>" + std::to_string(alter) + "</alter>" : "") + "<octave>" +
           std::to_string(octave) + "</octave></pitch>";
}

/// Flute: one whole note. Oboe: voice 1 has two half notes with a dynamic between them, voice 2 a
/// whole note.
std::string Duet(const std::string& key = "<key><fifths>0</fifths></key>",
                 const std::string& second = Pitch("F", 4, 1)) {
    const std::string attributes =
        "<attributes><divisions>1</divisions>" + key +
        "<time><beats>4</beats><beat-type>4</beat-type></time></attributes>";
    return cli_test::Partwise(
        PARTS,
        "  <part id=\"P1\">\n    <measure number=\"1\">" + attributes + "<note>" + Pitch("A", 4) +
            "<duration>4</duration><voice>1</voice><type>whole</type></note></measure>\n  </part>\n"
            "  <part id=\"P2\">\n    <measure number=\"1\">\n      " +
            attributes + "\n      <note>" + Pitch("E", 4) +
            "<duration>2</duration><voice>1</voice><type>half</type>"
            "<lyric><text>la</text></lyric></note>\n"
            "      "
            "<direction><direction-type><dynamics><p/></dynamics></direction-type></direction>\n"
            "      <note>" +
            second +
            "<duration>2</duration><voice>1</voice><type>half</type><accidental>sharp</accidental>"
            "<notations><fermata/></notations></note>\n"
            "      <backup><duration>4</duration></backup>\n"
            "      <note>" +
            Pitch("C", 4) +
            "<duration>4</duration><voice>2</voice><type>whole</type></note>\n"
            "    </measure>\n  </part>\n");
}

/// Replaces the entries of one frame by the music of `notes`, as COPY leaves a destination.
void Replace(host::Document& document, host::FrameKey key, const std::string& notes) {
    document.frames.erase(key);
    host::DocumentBuilder(document).Layer(key.staff, key.measure, key.layer).Notes(notes);
}

/// Writes the changes and reads the result back into a fresh document.
struct Rewritten {
    std::string bytes;
    cli_test::ReadResult reread;
};
Rewritten Rewrite(const Score& score, const host::Document& after) {
    Rewritten result;
    result.bytes = WriteScore(score, after, ChangedCells(score, after));
    result.reread = cli_test::Read(result.bytes, "rewritten.musicxml");
    return result;
}

void ExpectSchemaValid(const std::string& bytes) {
    if (!cli_test::CanValidate()) GTEST_SKIP() << "xmllint or the shared schema is missing";
    cli_test::TemporaryFolder folder;
    const std::string path = folder.File("out.musicxml");
    cli_test::WriteFile(path, bytes);
    std::string errors;
    EXPECT_TRUE(cli_test::IsSchemaValid(path, &errors)) << errors << bytes;
}

} // namespace

TEST(Writer, AnUntouchedScoreIsWrittenByteForByte) {
    auto read = cli_test::Read(Duet());
    EXPECT_TRUE(ChangedCells(*read.score, *read.document).empty());
    EXPECT_EQ(WriteScore(*read.score, *read.document, {}), Duet());
}

TEST(Writer, ADetailThatChangedAloneMarksItsCell) {
    auto read = cli_test::Read(Duet());
    const fourbyte entry = read.document->frames.at(host::FrameKey{1, 1, 0}).front().entryNumber;
    host::RecordKey key{host::TAG_ARTICULATION, {}};
    host::SetEntryNumberOfKey(key.key, entry);
    read.document->records[key] = std::vector<unsigned char>(6, 1);
    EXPECT_EQ(ChangedCells(*read.score, *read.document),
              (std::vector<host::FrameKey>{host::FrameKey{1, 1, 0}}));

    read.document->records.erase(key);
    EXPECT_TRUE(ChangedCells(*read.score, *read.document).empty());
}

TEST(Writer, OnlyTheRememberedCellsAreCompared) {
    auto read = cli_test::Read(Duet());
    RememberCells(*read.score, *read.document, 2, 2, 1, 1);
    ASSERT_FALSE(read.score->original.frames.empty());
    for (const auto& [key, entries] : read.score->original.frames)
        EXPECT_EQ(key.staff, 2);
    Replace(*read.document, host::FrameKey{1, 1, 0}, "C5 w");
    Replace(*read.document, host::FrameKey{2, 1, 3}, "C4 w"); // a layer the staff lacked
    EXPECT_EQ(ChangedCells(*read.score, *read.document),
              (std::vector<host::FrameKey>{host::FrameKey{2, 1, 3}}));
    RememberCells(*read.score, *read.document, 1, 2, 1, 1);
    EXPECT_TRUE(ChangedCells(*read.score, *read.document).empty());
}

TEST(Writer, RewritesOnlyTheChangedCellWithTheHostsRhythmAndTheDestinationsSpelling) {
    auto read = cli_test::Read(Duet());
    Replace(*read.document, host::FrameKey{2, 1, 0}, "E4 q.~, E4 e, F#4 h!3");
    const auto changed = ChangedCells(*read.score, *read.document);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0], (host::FrameKey{2, 1, 0}));

    const Rewritten out = Rewrite(*read.score, *read.document);
    EXPECT_EQ(host::DescribeLayer(*out.reread.document, 2, 1, 1, 0), "E4 q.~, E4 e, F#4 h!3");
    EXPECT_EQ(host::DescribeLayer(*out.reread.document, 2, 1, 1, 1), "C4 w");
    EXPECT_EQ(host::DescribeLayer(*out.reread.document, 1, 1, 1, 0), "A4 w");

    const std::string& text = out.bytes;
    const std::string original = Duet();
    // Everything before the first rewritten note and from the voice 2 backup on is untouched.
    const size_t firstNote = original.find("<note><pitch><step>E");
    EXPECT_EQ(text.substr(0, firstNote), original.substr(0, firstNote));
    const size_t tail = original.find("\n      <backup>");
    EXPECT_EQ(text.substr(text.size() - (original.size() - tail)), original.substr(tail));
    // The dotted quarter needs finer divisions for the stretch before the dynamic, which stays
    // between the notes at the same time (after two quarters).
    EXPECT_TRUE(Holds(text, "<attributes><divisions>2</divisions></attributes>\n      <note>"));
    EXPECT_TRUE(
        Holds(text, "<type>eighth</type><notations><tied type=\"stop\"/></notations></note>\n"
                    "      <attributes><divisions>1</divisions></attributes>\n      <direction>"));
    // The lyric and the first note's spelling stay with the event's first note only; the
    // articulations come from the host, and the destination's fermata went with its rhythm.
    EXPECT_EQ(text.find("<lyric>"), text.find("<lyric><text>la</text></lyric></note>"));
    EXPECT_TRUE(Holds(text, "<accidental>sharp</accidental><notations><articulations><staccato/></"
                            "articulations></notations>"));
    EXPECT_EQ(text.find("<fermata"), std::string::npos) << text;
    ExpectSchemaValid(text);
}

TEST(Writer, TupletsGetTimeModificationsBracketsAndFinerDivisions) {
    auto read = cli_test::Read(Duet());
    Replace(*read.document, host::FrameKey{2, 1, 0}, "E4 e/3:2, E4 e, E4 e, r q, F#4 h");
    const Rewritten out = Rewrite(*read.score, *read.document);
    EXPECT_EQ(host::DescribeLayer(*out.reread.document, 2, 1, 1, 0),
              "E4 e/3:2, E4 e, E4 e, r q, F#4 h");
    const std::string& text = out.bytes;
    EXPECT_TRUE(Holds(text, "<attributes><divisions>3</divisions></attributes>"));
    EXPECT_TRUE(Holds(text, "<attributes><divisions>1</divisions></attributes>"));
    EXPECT_TRUE(Holds(text, "<time-modification><actual-notes>3</actual-notes><normal-notes>2</"
                            "normal-notes></time-modification>"));
    EXPECT_TRUE(Holds(text, "<tuplet type=\"start\" number=\"1\"/>"));
    EXPECT_TRUE(Holds(text, "<tuplet type=\"stop\" number=\"1\"/>"));
    EXPECT_TRUE(Holds(text, "<rest/><duration>3</duration>"));
    ExpectSchemaValid(text);
}

TEST(Writer, PitchesAreSpelledInTheMeasuresKeyWhenTheHostChangedThem) {
    // G major: the destination's F sharp is the key's own note.
    auto read = cli_test::Read(Duet("<key><fifths>1</fifths></key>", Pitch("F", 5, 1)));
    host::Document& document = *read.document;
    std::vector<EXENTRY>& entries = document.frames.at(host::FrameKey{2, 1, 0});
    ASSERT_EQ(entries.size(), 2u);
    // The host's copy: new numbers, a quarter and a rest where the first half note was, and the
    // second note lowered by a semitone (F natural, which the file never spelled).
    EXENTRY quarter = entries[0];
    quarter.entryNumber = document.nextEntryNumber++;
    quarter.duration = 1024;
    EXENTRY rest{};
    rest.entryNumber = document.nextEntryNumber++;
    rest.duration = 1024;
    rest.entryFlags = ENTRY_INUSE | ENTRY_PLACEHOLDERREST;
    rest.noteCount = 1;
    rest.elapsedTime = 1024;
    EXENTRY lowered = entries[1];
    lowered.entryNumber = document.nextEntryNumber++;
    lowered.notes[0].raiseLower -= 1;
    entries = {quarter, rest, lowered};

    const Rewritten out = Rewrite(*read.score, document);
    const std::string& text = out.bytes;
    EXPECT_TRUE(Holds(text, "<note><pitch><step>E</step><octave>4</octave></pitch><duration>1</"
                            "duration><voice>1</voice>"
                            "<type>quarter</type><lyric>"));
    EXPECT_TRUE(Holds(
        text, "<note><rest/><duration>1</duration><voice>1</voice><type>quarter</type></note>"));
    EXPECT_TRUE(
        Holds(text, "<note><pitch><step>F</step><octave>5</octave></pitch><duration>2</duration>"));
    const EXNOTE& reread = out.reread.document->frames.at(host::FrameKey{2, 1, 0})[2].notes[0];
    EXPECT_EQ(+reread.displacement, +lowered.notes[0].displacement);
    EXPECT_EQ(+reread.raiseLower, +lowered.notes[0].raiseLower);
    ExpectSchemaValid(text);
}

TEST(Writer, ShorterMusicLeavesAForwardSoThatLaterElementsKeepTheirTime) {
    auto read = cli_test::Read(Duet());
    Replace(*read.document, host::FrameKey{2, 1, 0}, "E4 q, F#4 q");
    const Rewritten out = Rewrite(*read.score, *read.document);
    // Both notes come before the dynamic; after it a forward fills the rest of the voice.
    EXPECT_TRUE(Holds(
        out.bytes, "</direction>\n      <forward><duration>2</duration><voice>1</voice></forward>\n"
                   "      <backup>"));
    EXPECT_EQ(host::DescribeLayer(*out.reread.document, 2, 1, 1, 1), "C4 w");
    ExpectSchemaValid(out.bytes);
}
