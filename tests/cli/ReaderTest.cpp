#include "CliSupport.h"

#include "cli/musicxml/KeyPitch.h"
#include "cli/musicxml/NoteValues.h"
#include "cli/musicxml/XmlSpans.h"
#include "host/Builder.h"
#include "host/EntryDetails.h"
#include "host/Frames.h"
#include "host/MeasureRecord.h"

#include <gtest/gtest.h>

#include <zip.h>

#include <array>
#include <cstring>
#include <set>

using namespace cadentra_cli;
using cli_test::Holds;
using cli_test::OnePart;
using cli_test::Read;

namespace {

std::string Note(const std::string& step, int octave, int duration, const std::string& type,
                 const std::string& extra = "", const std::string& voice = "1") {
    return "<note><pitch><step>" + step + "</step><octave>" + std::to_string(octave) +
           "</octave></pitch><duration>" + std::to_string(duration) + "</duration>" + "<voice>" +
           voice + "</voice><type>" + type + "</type>" + extra + "</note>";
}

const std::string ATTRIBUTES = "<attributes><divisions>2</divisions><key><fifths>0</fifths></key>"
                               "<time><beats>4</beats><beat-type>4</beat-type></time></attributes>";
/// The opening of a measure 1 that counts one division to the quarter.
const std::string FIRST = "<measure number=\"1\"><attributes><divisions>1</divisions></attributes>";
const std::string BACKUP = "<backup><duration>4</duration></backup>";

std::string ReadError(const std::string& xml) {
    try {
        Read(xml, "bad.musicxml");
    } catch (const InputError& error) {
        return error.message;
    }
    return "(no error)";
}

} // namespace

TEST(Reader, NotesChordsRestsTiesAndDurations) {
    const std::string xml =
        OnePart("<measure number=\"1\">" + ATTRIBUTES + Note("C", 4, 2, "quarter") +
                Note("D", 4, 3, "quarter", "<dot/>", "1").insert(6, "") +
                "<note><chord/><pitch><step>F</step><alter>1</alter><octave>4</octave></pitch>"
                "<duration>3</duration><voice>1</voice><type>quarter</type><dot/></note>" +
                "<note><pitch><step>E</step><octave>4</octave></pitch><duration>1</duration>"
                "<tie type=\"start\"/><voice>1</voice><type>eighth</type></note>"
                "</measure><measure number=\"2\">" +
                Note("E", 4, 2, "quarter", "<notations><tied type=\"stop\"/></notations>") +
                "<note><rest/><duration>6</duration><voice>1</voice><type>half</type><dot/></note>"
                "</measure>");
    auto read = Read(xml);
    EXPECT_EQ(host::DescribeLayer(*read.document, 1, 1, 2), "C4 q, D4+F#4 q., E4 e~ | E4 q, r h.");
    const EXENTRY& rest = read.document->frames.at(host::FrameKey{1, 2, 0}).back();
    EXPECT_EQ(rest.entryFlags & ENTRY_PLACEHOLDERREST, ENTRY_PLACEHOLDERREST);
    EXPECT_EQ(+rest.elapsedTime, 1024);
    EXPECT_EQ(read.document->measures.size(), 2u);
    // The first measure holds three quarters of its four: it is held at that length.
    EXPECT_EQ(read.document->MeasureDuration(1), 3072);
    EXPECT_EQ(read.document->MeasureDuration(2), 4096);
}

TEST(Reader, StavesOfAPartAndVoicesBecomeLayersInOrderOfAppearance) {
    const std::string piano =
        "<measure "
        "number=\"1\"><attributes><divisions>1</divisions><staves>2</staves></attributes>" +
        Note("E", 5, 4, "whole", "<staff>1</staff>") + BACKUP +
        Note("C", 5, 4, "whole", "<staff>1</staff>", "2") + BACKUP +
        Note("C", 3, 4, "whole", "<staff>2</staff>", "6") + BACKUP +
        Note("G", 2, 4, "whole", "<staff>2</staff>", "5") + "</measure>";
    const std::string xml = cli_test::Partwise(
        "<score-part id=\"P1\"><part-name>Flute</part-name></score-part><score-part "
        "id=\"P2\"><part-name>Piano</part-name></score-part>",
        "<part id=\"P1\">" + FIRST +
            "<note><rest measure=\"yes\"/><duration>4</duration></note></measure></part><part "
            "id=\"P2\">" +
            piano + "</part>");
    auto read = Read(xml);
    const Score& score = *read.score;
    ASSERT_EQ(score.staves.size(), 3u);
    EXPECT_EQ(score.parts[1].firstHostStaff, 2);
    EXPECT_EQ(score.staves[2].voices, (std::vector<std::string>{"6", "5"}));
    EXPECT_EQ(read.document->staves[2].name, "Piano, staff 2");
    EXPECT_EQ(host::DescribeLayer(*read.document, 2, 1, 1, 1), "C5 w");
    EXPECT_EQ(host::DescribeLayer(*read.document, 3, 1, 1, 0), "C3 w");
    EXPECT_EQ(host::DescribeLayer(*read.document, 3, 1, 1, 1), "G2 w");
    EXPECT_EQ(host::DescribeLayer(*read.document, 1, 1, 1, 0), "r w");
}

TEST(Reader, StavesThatOnlyADeclarationOrAChordNoteNamesStillExist) {
    // Part 1 declares three staves and writes on the first; part 2 has a chord note on its
    // second staff only. Each part's staves follow the previous part's last.
    const std::string xml = cli_test::Partwise(
        "<score-part id=\"P1\"/><score-part id=\"P2\"/>",
        "<part id=\"P1\"><measure number=\"1\"><attributes><divisions>1</divisions><staves>3"
        "</staves></attributes>" +
            Note("C", 4, 4, "whole") +
            "</measure></part><part id=\"P2\"><measure number=\"1\"><attributes><divisions>1"
            "</divisions></attributes>" +
            Note("E", 4, 4, "whole") +
            "<note><chord/><pitch><step>G</step><octave>3</octave></pitch><duration>4</duration>"
            "<voice>1</voice><type>whole</type><staff>2</staff></note></measure></part>");
    auto read = Read(xml);
    const Score& score = *read.score;
    ASSERT_EQ(score.staves.size(), 5u);
    EXPECT_EQ(score.parts[0].staffCount, 3);
    EXPECT_EQ(score.parts[1].firstHostStaff, 4);
    EXPECT_EQ(score.parts[1].staffCount, 2);
    EXPECT_EQ(score.staves[4].part, 1);
    EXPECT_EQ(score.staves[4].partStaff, 2);
    EXPECT_EQ(host::DescribeLayer(*read.document, 4, 1, 1), "E4+G3 w");
    EXPECT_EQ(score.HostStaff(1, 2), 5);
    EXPECT_EQ(score.HostStaff(1, 3), 0);

    EXPECT_TRUE(Holds(
        ReadError(OnePart(FIRST + Note("C", 4, 4, "whole", "<staff>65</staff>") + "</measure>")),
        "<staff>: part \"P1\" claims more staves than the host can hold"));
}

TEST(Reader, TupletsAndArticulationsBecomeDetailRecords) {
    const std::string triplet = "<time-modification><actual-notes>3</actual-notes><normal-notes>2</"
                                "normal-notes></time-modification>";
    const std::string xml = OnePart(
        "<measure number=\"1\"><attributes><divisions>3</divisions></attributes>" +
        Note("C", 5, 1, "eighth",
             triplet + "<notations><tuplet type=\"start\" "
                       "bracket=\"yes\"/><articulations><staccato/><accent/></articulations></"
                       "notations>") +
        Note("B", 4, 1, "eighth", triplet) +
        Note("A", 4, 1, "eighth", triplet + "<notations><tuplet type=\"stop\"/></notations>") +
        // A triplet without brackets: a quarter and an eighth.
        Note("G", 4, 2, "quarter", triplet) + Note("F", 4, 1, "eighth", triplet) +
        "<note><rest/><duration>6</duration><voice>1</voice><type>half</type></note></measure>");
    auto read = Read(xml);
    EXPECT_EQ(host::DescribeLayer(*read.document, 1, 1, 1),
              "C5 e/3:2!3!1, B4 e, A4 e, G4 q/3:2e, F4 e, r h");
    const EXENTRY& first = read.document->frames.at(host::FrameKey{1, 1, 0}).front();
    auto record =
        read.document->records.at(host::DetailKey(host::TAG_TUPLET, first.entryNumber, 0));
    EDTTuplet2005 tuplet;
    std::memcpy(&tuplet, record.data(), sizeof tuplet);
    EXPECT_EQ(DecodeTuplet(tuplet).look.bracket, 1);
    // The host's own timing of the frame agrees with the file's.
    const auto& entries = read.document->frames.at(host::FrameKey{1, 1, 0});
    EXPECT_EQ(+entries[3].elapsedTime, 1024);
    EXPECT_EQ(+entries[5].elapsedTime, 2048);
}

// The reader tells the host that no entry number of the score is stored twice, so that the first
// save to drop an entry with details does not look over the whole score; what the host then does
// must be what it would do having looked.
TEST(Reader, EveryEntryHasANumberOfItsOwnAndSavesKeepTheirDetailsRight) {
    const std::string staccato =
        "<notations><articulations><staccato/></articulations></notations>";
    const std::string xml = OnePart(
        "<measure number=\"1\">" + ATTRIBUTES + Note("C", 4, 2, "quarter", staccato) +
        "<note><chord/><pitch><step>E</step><octave>4</octave></pitch><duration>2</duration>"
        "<voice>1</voice><type>quarter</type></note>" +
        "<forward><duration>2</duration><voice>1</voice></forward>" +
        Note("D", 4, 4, "half", staccato) + "<backup><duration>8</duration></backup>" +
        Note("G", 3, 8, "whole", staccato, "2") + "</measure><measure number=\"2\">" +
        Note("F", 4, 8, "whole", staccato) + "</measure>");
    auto read = Read(xml);
    host::Document& document = *read.document;
    std::set<fourbyte> numbers;
    size_t entries = 0;
    for (const auto& [key, frame] : document.frames)
        for (const EXENTRY& entry : frame) {
            ++entries;
            const fourbyte number = entry.entryNumber; // the record is packed
            EXPECT_NE(number, 0);
            numbers.insert(number);
        }
    EXPECT_EQ(numbers.size(), entries);
    EXPECT_GE(entries, 5u); // the chord, the gap, the second voice and the second measure
    EXPECT_TRUE(document.sharedEntriesKnown);
    EXPECT_TRUE(document.sharedEntries.empty());

    // Measure 1's first entry is saved into measure 2 as well, then dropped from measure 1: its
    // details stay, as it is still stored. Measure 1's half note, dropped, loses its own.
    const host::FrameKey one{1, 1, 0};
    const host::FrameKey two{1, 2, 0};
    std::vector<EXENTRY> first = document.frames.at(one);
    ASSERT_GE(first.size(), 3u);
    const fourbyte moved = first.front().entryNumber;
    const fourbyte dropped = first.back().entryNumber;
    ASSERT_TRUE(host::HasDetails(document, moved));
    ASSERT_TRUE(host::HasDetails(document, dropped));
    std::vector<EXENTRY> second = document.frames.at(two);
    second.push_back(first.front());
    host::StoreFrame(document, two, second);
    host::StoreFrame(document, one, std::vector<EXENTRY>(first.begin() + 1, first.end() - 1));
    EXPECT_TRUE(host::HasDetails(document, moved));
    EXPECT_FALSE(host::HasDetails(document, dropped));
    // Dropped from measure 2 as well, it is stored nowhere and its details go.
    host::StoreFrame(document, two, std::vector<EXENTRY>(second.begin(), second.end() - 1));
    EXPECT_FALSE(host::HasDetails(document, moved));
}

TEST(Reader, NumbersAreReadInEveryFormAScoreWritesThem) {
    // Alterations with a sign, padded, or decimal (microtones go to the nearest semitone), and
    // octaves and durations padded with white space.
    auto pitch = [](const std::string& alter, const std::string& octave) {
        return "<note><pitch><step>C</step><alter>" + alter + "</alter><octave>" + octave +
               "</octave></pitch><duration> 1\n</duration><voice>1</voice><type>quarter</type>"
               "</note>";
    };
    auto read = Read(OnePart(FIRST + pitch("-1", "4") + pitch(" +1 ", " 5") + pitch("1.5", "4\n") +
                             pitch("-0.5", "3") + "</measure>"));
    EXPECT_EQ(host::DescribeLayer(*read.document, 1, 1, 1), "Cb4 q, C#5 q, C##4 q, Cb3 q");
    EXPECT_TRUE(Holds(ReadError(OnePart(FIRST + pitch("0", "4th") + "</measure>")),
                      "expected a number, found \"4th\""));
}

TEST(Reader, AFaultInTheMeasuresKeysOrTimesIsReportedBeforeOneInTheirNotes) {
    // The keys and time signatures of the top part are looked at before any note: a fault in a
    // later measure's key, or in its time signature, is the one reported, whichever note before
    // it is at fault too.
    // A faulty note in measure 1, and measure 2 opening with `attributes`.
    const auto errorAfterBadNote = [](const std::string& attributes) {
        return ReadError(OnePart(FIRST +
                                 "<note><duration>1</duration><voice>1</voice><type>quarter</type>"
                                 "</note></measure><measure number=\"2\">" +
                                 attributes + Note("C", 4, 4, "whole") + "</measure>"));
    };
    EXPECT_TRUE(Holds(errorAfterBadNote("<attributes><key><fifths>two</fifths></key></attributes>"),
                      "expected a number, found \"two\""));
    EXPECT_TRUE(Holds(errorAfterBadNote("<attributes><time><beats>40000</beats><beat-type>4"
                                        "</beat-type></time></attributes>"),
                      "a time signature of more than 32767 beats"));
    // Without them, the note's own fault is.
    EXPECT_TRUE(
        Holds(errorAfterBadNote(""), "a note with neither <pitch>, <unpitched> nor <rest>"));
}

TEST(Reader, KeysGoIntoMeasureRecordsAndPitchesAreRelativeToThem) {
    auto read = Read(OnePart(
        "<measure number=\"1\"><attributes><divisions>1</divisions><key><fifths>2</fifths></key>"
        "</attributes>" +
        Note("D", 4, 4, "whole") +
        "</measure><measure number=\"2\"><attributes><key><fifths>-3</fifths><mode>minor</mode>"
        "</key></attributes>" +
        Note("C", 4, 4, "whole") + "</measure><measure number=\"3\">" +
        Note("E", 4, 4, "whole", "<accidental>natural</accidental>") + "</measure>"));
    auto keyOf = [&](int measure) {
        const auto& record =
            read.document->records.at(host::MeasureRecordKey(static_cast<twobyte>(measure)));
        EXPECT_EQ(record.size(), host::MEASURE_RECORD_SIZE);
        return static_cast<utwobyte>(record[2] | (record[3] << 8));
    };
    EXPECT_EQ(keyOf(1), 0x0002);
    EXPECT_EQ(keyOf(2), 0x01FD);
    EXPECT_EQ(keyOf(3), 0x01FD);
    const EXNOTE& d = read.document->frames.at(host::FrameKey{1, 1, 0})[0].notes[0];
    EXPECT_EQ(+d.displacement, 0); // the root of D major
    EXPECT_EQ(+d.raiseLower, 0);
    const EXNOTE& e = read.document->frames.at(host::FrameKey{1, 3, 0})[0].notes[0];
    EXPECT_EQ(FromHostPitch({e.displacement, e.raiseLower}, 0x01FD), (SpelledPitch{'E', 0, 4}));
    EXPECT_EQ(+e.raiseLower, 1); // E natural raises the key's E flat
    EXPECT_TRUE(e.noteFlags & NOTE_SHOWACCI);
}

TEST(Reader, GraceNotesStayWithTheNoteTheyLeadInto) {
    auto read = Read(OnePart(FIRST +
                             "<note><grace/><pitch><step>D</step><octave>4</octave></pitch><voice>1"
                             "</voice><type>eighth</type></note>" +
                             Note("C", 4, 4, "whole") + "</measure>"));
    EXPECT_EQ(host::DescribeLayer(*read.document, 1, 1, 1), "C4 w");
    const CellOrigin& cell = read.score->cells.at(host::FrameKey{1, 1, 0});
    ASSERT_EQ(cell.entries.size(), 1u);
    EXPECT_EQ(read.score->GracesBefore(cell.entries[0]).size(), 1u);
    ASSERT_EQ(cell.runs.size(), 1u);
}

namespace {

/// An oboe (part A) and a horn (part B) over two measures of a timewise score, with `before[m][p]`
/// before the notes of part p in measure m + 1.
std::string TimewiseDuet(const std::array<std::array<std::string, 2>, 2>& before = {}) {
    return "<?xml version=\"1.0\"?><score-timewise version=\"4.0\"><part-list>"
           "<score-part id=\"A\"><part-name>Oboe</part-name></score-part><score-part "
           "id=\"B\"><part-name>Horn</part-name></score-part></part-list>"
           "<measure number=\"1\"><part "
           "id=\"A\"><attributes><divisions>1</divisions></attributes>" +
           before[0][0] + Note("E", 5, 4, "whole") +
           "</part><part id=\"B\"><attributes><divisions>1</divisions></attributes>" +
           before[0][1] + Note("G", 4, 4, "whole") +
           "</part></measure><measure number=\"2\"><part id=\"A\">" + before[1][0] +
           Note("F", 5, 4, "whole") + "</part><part id=\"B\">" + before[1][1] +
           Note("A", 4, 4, "whole") + "</part></measure></score-timewise>";
}

} // namespace

TEST(Reader, TimewiseScoresReadLikePartwiseOnes) {
    auto read = Read(TimewiseDuet());
    EXPECT_TRUE(read.score->timewise);
    EXPECT_EQ(read.score->measures[1].number, "2");
    EXPECT_EQ(host::DescribeLayer(*read.document, 1, 1, 2), "E5 w | F5 w");
    EXPECT_EQ(host::DescribeLayer(*read.document, 2, 1, 2), "G4 w | A4 w");
    EXPECT_TRUE(read.score->rehearsalMarks.empty());
}

TEST(Reader, RehearsalMarksAreReadOnceAMeasureFromEveryPartInMeasureOrder) {
    // The horn alone marks measure 1, both parts mark measure 2 with "B" (one mark), the oboe
    // adds a second mark there and a mark of blanks only, which names nothing.
    const std::string mark = "<direction><direction-type><words>dolce</words></direction-type>"
                             "<direction-type><rehearsal enclosure=\"square\"> B </rehearsal>"
                             "</direction-type></direction>";
    auto read = Read(TimewiseDuet(
        {{{"", cli_test::RehearsalMark("Intro")},
          {mark + cli_test::RehearsalMark("B2") + cli_test::RehearsalMark("  "), mark}}}));
    const std::vector<RehearsalMark>& marks = read.score->rehearsalMarks;
    ASSERT_EQ(marks.size(), 3u);
    EXPECT_EQ(marks[0].text, "Intro");
    EXPECT_EQ(marks[0].measure, 1);
    EXPECT_EQ(marks[1].text, "B");
    EXPECT_EQ(marks[1].measure, 2);
    EXPECT_EQ(marks[2].text, "B2");
    EXPECT_EQ(marks[2].measure, 2);
    // The marks change nothing of the music.
    EXPECT_EQ(host::DescribeLayer(*read.document, 1, 1, 2), "E5 w | F5 w");
    EXPECT_EQ(host::DescribeLayer(*read.document, 2, 1, 2), "G4 w | A4 w");
}

TEST(Reader, MalformedAndUnholdableInputIsRefusedWithFileLineAndProblem) {
    const std::string early =
        "bad.musicxml:2: not well-formed XML: the file ends too early, before "
        "its elements are closed";
    EXPECT_EQ(ReadError("<score-partwise>\n<part-list>\n"), early);
    EXPECT_EQ(ReadError("<score-partwise>\n<part-list><score-part id=\"P1\"><part-na"), early);
    EXPECT_EQ(ReadError("<score-partwise>\n<part-list></score-partwise>\n"),
              "bad.musicxml:2: not well-formed XML: Start-end tags mismatch");
    EXPECT_EQ(ReadError("<?xml version=\"1.0\"?>\n<opus/>"),
              "bad.musicxml:2: <opus>: not a MusicXML score (expected <score-partwise> or "
              "<score-timewise>)");
    std::string five = "<measure number=\"7\"><attributes><divisions>1</divisions></attributes>";
    for (int v = 1; v <= 5; ++v)
        five += (v > 1 ? BACKUP : "") + Note("C", 4, 4, "whole", "", std::to_string(v));
    const std::string message = ReadError(OnePart(five + "</measure>", "Organ"));
    EXPECT_TRUE(Holds(message, "part \"P1\" (Organ), staff 1, measure 7"));
    EXPECT_TRUE(Holds(message, "at most 4 layers"));
    EXPECT_TRUE(Holds(ReadError(OnePart(FIRST + "\n" + Note("C", 4, 4, "maxima") + "</measure>")),
                      "<type>: note value \"maxima\" is longer than the host can hold"));
}

TEST(Reader, NestingInsideANoteIsRefusedFromTheFirstNodeBeyondTheLimit) {
    // A <note> lies 4 deep and its children 5: an element there with 59 elements inside it holds
    // its text 65 deep, one past the limit, and one with 58 holds it at the limit. Whichever
    // child of the note it is, whatever follows it (another child, text of the note, nothing),
    // and whether or not a note follows in the measure.
    auto nested = [](size_t inside) {
        std::string element = "<x>";
        for (size_t i = 0; i < inside; ++i)
            element += "<a>";
        element += "y";
        for (size_t i = 0; i < inside; ++i)
            element += "</a>";
        return element + "</x>";
    };
    const std::string note = Note("C", 4, 1, "quarter");
    const size_t pitch = note.find("<pitch>");
    const size_t end = note.find("</note>");
    for (const size_t inside : {58, 59})
        for (const std::string& after : {std::string(), std::string("tail")})
            for (const size_t at : {pitch, end})
                for (const bool noteAfter : {false, true}) {
                    std::string deep = note;
                    deep.insert(at, nested(inside) + (at == end ? after : ""));
                    SCOPED_TRACE(deep);
                    EXPECT_EQ(
                        ReadError(OnePart(FIRST + deep + (noteAfter ? note : "") + "</measure>")),
                        inside == 58 ? "(no error)"
                                     : "bad.musicxml:7: <a>: elements nested more than 64 "
                                       "deep; a score needs far fewer");
                }
}

TEST(Reader, EncodingsAreReadAndOffsetsMapBackToTheBytes) {
    const std::string xml =
        OnePart(FIRST + Note("C", 4, 4, "whole") + "</measure>", "Fl\xC3\xBBte");
    // The same score in UTF-16LE with a byte order mark.
    std::string utf16 = "\xFF\xFE";
    for (unsigned char c : std::string(xml)) {
        utf16 += static_cast<char>(c);
        utf16 += '\0';
    }
    // (the name's two UTF-8 bytes become two Latin-1 code units here, which is fine for a test)
    auto read = Read(utf16);
    EXPECT_EQ(read.score->text->Encoding(), TextEncoding::Utf16LE);
    EXPECT_EQ(host::DescribeLayer(*read.document, 1, 1, 1), "C4 w");
    const CellOrigin& cell = read.score->cells.at(host::FrameKey{1, 1, 0});
    const size_t begin =
        read.score->text->ByteOffset(SpanOf(read.score->text->Utf8(), cell.runs[0]).begin);
    EXPECT_EQ(utf16.substr(begin, 4), std::string("<\0n\0", 4));
    EXPECT_EQ(read.score->text->Encode("<a/>"), std::string("<\0a\0/\0>\0", 8));

    const std::string latin =
        "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>" +
        OnePart(FIRST + Note("C", 4, 4, "whole") + "</measure>", "Fl\xFBte").substr(38);
    auto latinRead = Read(latin);
    EXPECT_EQ(latinRead.score->text->Encoding(), TextEncoding::Latin1);
    EXPECT_EQ(latinRead.score->parts[0].name, "Fl\xC3\xBBte");
    EXPECT_EQ(latinRead.score->text->Encode("\xC3\xBB\xE2\x82\xAC"), "\xFB&#8364;");
}

TEST(Reader, CompressedScoresAreReadThroughTheirContainer) {
    cli_test::TemporaryFolder folder;
    const std::string path = folder.File("score.mxl");
    const std::string xml = OnePart(FIRST + Note("G", 4, 4, "whole") + "</measure>");
    const std::string container =
        "<?xml version=\"1.0\"?><container><rootfiles><rootfile full-path=\"music/score.xml\"/>"
        "</rootfiles></container>";
    int error = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_TRUE(archive);
    zip_file_add(archive, "META-INF/container.xml",
                 zip_source_buffer(archive, container.data(), container.size(), 0), 0);
    zip_file_add(archive, "music/score.xml", zip_source_buffer(archive, xml.data(), xml.size(), 0),
                 0);
    ASSERT_EQ(zip_close(archive), 0);

    const LoadedFile loaded = ReadScoreFile(path);
    EXPECT_TRUE(loaded.compressed);
    EXPECT_EQ(loaded.member, "music/score.xml");
    EXPECT_EQ(loaded.bytes, xml);
    const std::string replaced = ReplaceArchiveMember(loaded.archive, loaded.member, "<changed/>");
    cli_test::WriteFile(folder.File("new.mxl"), replaced);
    EXPECT_EQ(ReadScoreFile(folder.File("new.mxl")).bytes, "<changed/>");

    cli_test::WriteFile(folder.File("broken.mxl"), "PK\x03\x04 not really");
    try {
        ReadScoreFile(folder.File("broken.mxl"));
        ADD_FAILURE() << "a broken archive was read";
    } catch (const InputError& e) {
        EXPECT_TRUE(Holds(e.message, "broken.mxl: not a readable .mxl archive"));
    }
}
