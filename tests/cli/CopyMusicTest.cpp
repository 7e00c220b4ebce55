// What a copy does to small scores, through the plug-in and the writer: pickups, voices across
// staves, what travels with the rhythm (fermatas on rests, gaps, measure rests, nested tuplets)
// and what stays with the destination's notes (slurs across ties, grace notes after a note), and
// scores without divisions.
#include "CliSupport.h"
#include "ScoreMusic.h"

#include "cli/PluginSession.h"
#include "cli/musicxml/MusicXmlWriter.h"
#include "host/Builder.h"

#include <gtest/gtest.h>

using namespace cadentra_cli;
using cli_test::Holds;

namespace {

std::string Attributes(int divisions, int beats, int beatType, const std::string& extra = "") {
    return "<attributes><divisions>" + std::to_string(divisions) +
           "</divisions><key><fifths>0</fifths></key><time><beats>" + std::to_string(beats) +
           "</beats><beat-type>" + std::to_string(beatType) + "</beat-type></time>" + extra +
           "</attributes>";
}

/// A note of voice 1: pitch such as "C4", duration in divisions, type, and what follows <type>.
std::string N(const std::string& pitch, int duration, const std::string& type,
              const std::string& extra = "", const std::string& voice = "1") {
    return "<note><pitch><step>" + pitch.substr(0, 1) + "</step><octave>" + pitch.substr(1) +
           "</octave></pitch><duration>" + std::to_string(duration) + "</duration><voice>" + voice +
           "</voice><type>" + type + "</type>" + extra + "</note>";
}

std::string R(int duration, const std::string& type, const std::string& extra = "") {
    return "<note><rest/><duration>" + std::to_string(duration) + "</duration><voice>1</voice>" +
           (type.empty() ? "" : "<type>" + type + "</type>") + extra + "</note>";
}

std::string Measure(int number, const std::string& music, const std::string& extra = "") {
    return "<measure number=\"" + std::to_string(number) + "\"" + extra + ">" + music +
           "</measure>";
}

/// Two parts, "P1" (a flute) and "P2", with the given measures.
std::string Duo(const std::string& first, const std::string& second,
                const std::string& instrument = "Oboe") {
    return cli_test::Partwise("<score-part id=\"P1\"><part-name>Flute</part-name></score-part>"
                              "<score-part id=\"P2\"><part-name>" +
                                  instrument + "</part-name></score-part>",
                              "<part id=\"P1\">" + first + "</part><part id=\"P2\">" + second +
                                  "</part>");
}

struct Copied {
    CopyOutcome outcome;
    std::string xml;
    pugi::xml_document written;
    cli_test::PartMusic source;
    cli_test::PartMusic destination;
};

/// COPY from staff `from` onto staff `to` over measures `first` to `last`, written and read again.
std::unique_ptr<Copied> Copy(const std::string& score, int from, int to, int first, int last) {
    auto copied = std::make_unique<Copied>();
    auto read = cli_test::Read(score);
    copied->outcome =
        RunRhythmCopy(*read.document,
                      host::Region(static_cast<twobyte>(from), static_cast<twobyte>(from),
                                   static_cast<twobyte>(first), static_cast<twobyte>(last)),
                      host::Region(static_cast<twobyte>(to), static_cast<twobyte>(to),
                                   static_cast<twobyte>(first), static_cast<twobyte>(last)));
    copied->xml =
        WriteScore(*read.score, *read.document, ChangedCells(*read.score, *read.document));
    copied->written.load_string(copied->xml.c_str());
    copied->source = cli_test::MusicOfPart(copied->written, "P1");
    copied->destination = cli_test::MusicOfPart(copied->written, "P2");
    return copied;
}

/// The notes of a voice, each described.
std::vector<std::string> Described(const cli_test::PartMusic& music, const std::string& voice) {
    std::vector<std::string> notes;
    if (music.count(voice))
        for (const cli_test::MusicNote& note : music.at(voice))
            notes.push_back(note.Describe());
    return notes;
}

} // namespace

TEST(CopyMusic, APickupIsHeldAtItsLengthAndTakesOnlyAPickup) {
    const std::string first =
        Measure(0, Attributes(1, 3, 4) + N("G4", 1, "quarter"), " implicit=\"yes\"") +
        Measure(1, N("C5", 2, "half") + N("B4", 1, "quarter"));
    const std::string second =
        Measure(0, Attributes(1, 3, 4) + R(1, "quarter"), " implicit=\"yes\"") +
        Measure(1, N("E4", 1, "quarter") + N("F4", 1, "quarter") + N("G4", 1, "quarter"));
    auto read = cli_test::Read(Duo(first, second));
    EXPECT_EQ(read.document->MeasureDuration(1), 1024);
    EXPECT_EQ(read.document->MeasureDuration(2), 3072);

    // The pickup's rhythm onto the pickup; a full measure onto it is refused.
    const auto copied = Copy(
        Duo(first, Measure(0, Attributes(1, 3, 4) + N("D4", 1, "quarter"), " implicit=\"yes\"") +
                       Measure(1, N("E4", 1, "quarter") + N("F4", 2, "half"))),
        1, 2, 1, 2);
    ASSERT_TRUE(copied->outcome.copied);
    EXPECT_EQ(Described(copied->destination, "1"),
              (std::vector<std::string>{"measure 1 @0 for 1 staff 1 quarter D0/4",
                                        "measure 2 @0 for 2 staff 1 half E0/4",
                                        "measure 2 @2 for 1 staff 1 quarter F0/4"}));
    // The written time signature stays as it was.
    EXPECT_TRUE(Holds(copied->xml, "<beats>3</beats><beat-type>4</beat-type>"));

    auto refused = cli_test::Read(Duo(first, second));
    const CopyOutcome outcome =
        RunRhythmCopy(*refused.document, host::Region(1, 1, 2, 2), host::Region(2, 2, 1, 1));
    EXPECT_FALSE(outcome.copied);
    ASSERT_EQ(outcome.alerts.size(), 1u);
    EXPECT_EQ(outcome.alerts[0].text,
              "The destination measures must have the same lengths as the source measures.");
}

TEST(CopyMusic, AVoiceBelongsToTheStaffWhereItFirstAppearsAndKeepsItsCrossStaffNotes) {
    // Piano: voice 1 on the upper staff, with its third note written on the lower staff;
    // voice 5 on the lower staff.
    const std::string piano = Measure(
        1,
        "<attributes><divisions>1</divisions><staves>2</staves></attributes>" +
            N("E5", 1, "quarter", "<staff>1</staff>") + N("D5", 1, "quarter", "<staff>1</staff>") +
            N("G3", 1, "quarter", "<staff>2</staff>") + N("C5", 1, "quarter", "<staff>1</staff>") +
            "<backup><duration>4</duration></backup>" +
            N("C3", 4, "whole", "<staff>2</staff>", "5"));
    const std::string flute =
        Measure(1, Attributes(2, 4, 4) + N("A4", 4, "half") + N("A4", 1, "eighth") +
                       N("A4", 1, "eighth") + N("A4", 2, "quarter"));
    const std::string score = Duo(flute, piano, "Piano");
    auto read = cli_test::Read(score);
    EXPECT_EQ(host::DescribeLayer(*read.document, 2, 1, 1, 0), "E5 q, D5 q, G3 q, C5 q");
    EXPECT_EQ(host::DescribeLayer(*read.document, 3, 1, 1, 0), "C3 w");
    EXPECT_EQ(read.score->staves[2].voices, (std::vector<std::string>{"5"}));

    const auto copied = Copy(score, 1, 2, 1, 1);
    ASSERT_TRUE(copied->outcome.copied);
    EXPECT_EQ(Described(copied->destination, "1"),
              (std::vector<std::string>{"measure 1 @0 for 2 staff 1 half E0/5",
                                        "measure 1 @2 for 1/2 staff 1 eighth D0/5",
                                        "measure 1 @5/2 for 1/2 staff 2 eighth G0/3",
                                        "measure 1 @3 for 1 staff 1 quarter C0/5"}));
    EXPECT_EQ(Described(copied->destination, "5"),
              (std::vector<std::string>{"measure 1 @0 for 4 staff 2 whole C0/3"}));

    // A file that writes voice 1 on both staves at once has a voice 1 on each, in every measure.
    const std::string twice = cli_test::OnePart(
        Measure(1, "<attributes><divisions>1</divisions><staves>2</staves></attributes>" +
                       N("E5", 4, "whole", "<staff>1</staff>") +
                       "<backup><duration>4</duration></backup>" +
                       N("C3", 4, "whole", "<staff>2</staff>")) +
            Measure(2, N("D3", 4, "whole", "<staff>2</staff>") +
                           "<backup><duration>4</duration></backup>" +
                           N("F5", 4, "whole", "<staff>1</staff>")),
        "Piano");
    auto both = cli_test::Read(twice);
    EXPECT_EQ(host::DescribeLayer(*both.document, 1, 1, 2, 0), "E5 w | F5 w");
    EXPECT_EQ(host::DescribeLayer(*both.document, 2, 1, 2, 0), "C3 w | D3 w");

    // A voice whose first rest is written on the upper staff belongs to the lower staff, where
    // its first note is; a copy that puts a note first leaves it there.
    const std::string restAbove =
        Duo(Measure(1, Attributes(1, 2, 4) + N("A4", 1, "quarter") + R(1, "quarter")),
            Measure(1, "<attributes><divisions>1</divisions><staves>2</staves></attributes>" +
                           N("E5", 2, "half", "<staff>1</staff>") +
                           "<backup><duration>2</duration></backup>" +
                           "<note><rest/><duration>1</duration><voice>2</voice><type>quarter"
                           "</type><staff>1</staff></note>" +
                           N("C3", 1, "quarter", "<staff>2</staff>", "2")),
            "Piano");
    auto below = cli_test::Read(restAbove);
    EXPECT_EQ(host::DescribeLayer(*below.document, 3, 1, 1, 0), "r q, C3 q");
    EXPECT_EQ(host::DescribeLayer(*below.document, 2, 1, 1, 0), "E5 h");
    const auto moved = Copy(restAbove, 1, 3, 1, 1);
    ASSERT_TRUE(moved->outcome.copied);
    auto again = cli_test::Read(moved->xml);
    EXPECT_EQ(host::DescribeLayer(*again.document, 3, 1, 1, 0), "C3 q, r q");
}

TEST(CopyMusic, FermatasTravelWithTheRhythmOnRestsAndNotes) {
    const std::string source =
        Measure(1, Attributes(1, 4, 4) + N("C5", 2, "half", "<notations><fermata/></notations>") +
                       R(2, "half", "<notations><fermata type=\"inverted\"/></notations>"));
    const std::string destination =
        Measure(1, Attributes(1, 4, 4) + N("E4", 1, "quarter") + R(1, "quarter") + R(2, "half"));
    // The host holds them as articulations, each spelling a definition of its own.
    auto read = cli_test::Read(Duo(source, destination));
    EXPECT_EQ(read.score->WithMarkNames(host::DescribeLayer(*read.document, 1, 1, 1, 0)),
              "C5 h!<fermata/>, r h!<fermata type=\"inverted\"/>");
    const auto copied = Copy(Duo(source, destination), 1, 2, 1, 1);
    ASSERT_TRUE(copied->outcome.copied);
    EXPECT_EQ(
        Described(copied->destination, "1"),
        (std::vector<std::string>{"measure 1 @0 for 2 staff 1 half E0/4 fermata",
                                  "measure 1 @2 for 2 staff 1 rest half fermata type=inverted"}));
    // Copying the rhythm onto music of the same rhythm keeps the fermata of a rest.
    const auto same = Copy(Duo(source, source), 1, 2, 1, 1);
    EXPECT_EQ(cli_test::FirstDifference(same->source, same->destination), "");
}

TEST(CopyMusic, SlursStayOnTheFirstAndLastEntriesOfTheirEvents) {
    // Three events: C4 tied over two quarters under a slur, then a slur from E4 to F4.
    const std::string destination = Measure(
        1, Attributes(2, 4, 4) +
               N("C4", 2, "quarter",
                 "<notations><tied type=\"start\"/><slur number=\"1\" type=\"start\"/>"
                 "</notations>") +
               N("C4", 2, "quarter",
                 "<notations><tied type=\"stop\"/><slur number=\"1\" type=\"stop\"/></notations>") +
               N("E4", 2, "quarter", "<notations><slur number=\"1\" type=\"start\"/></notations>") +
               N("F4", 2, "quarter", "<notations><slur number=\"1\" type=\"stop\"/></notations>"));
    // The rhythm: a chain of three, a quarter, a whole note over the bar.
    const std::string source =
        Measure(1, Attributes(2, 4, 4) + N("G4", 1, "eighth", "<tie type=\"start\"/>") +
                       N("G4", 1, "eighth", "<tie type=\"stop\"/><tie type=\"start\"/>") +
                       N("G4", 4, "half", "<tie type=\"stop\"/>") + N("A4", 2, "quarter")) +
        Measure(2, N("B4", 8, "whole"));
    const auto copied = Copy(Duo(source, destination + Measure(2, R(8, "whole"))), 1, 2, 1, 2);
    ASSERT_TRUE(copied->outcome.copied);
    EXPECT_EQ(Described(copied->destination, "1"),
              (std::vector<std::string>{
                  "measure 1 @0 for 1/2 staff 1 eighth slur number=1 type=start C0/4 tie start",
                  "measure 1 @1/2 for 1/2 staff 1 eighth C0/4 tie start tie stop",
                  "measure 1 @1 for 2 staff 1 half slur number=1 type=stop C0/4 tie stop",
                  "measure 1 @3 for 1 staff 1 quarter slur number=1 type=start E0/4",
                  "measure 2 @0 for 4 staff 1 whole slur number=1 type=stop F0/4"}));
    // Onto one entry, a slur over the tied notes would begin and end on it: it goes.
    const std::string short_ = Measure(1, Attributes(2, 4, 4) + N("G4", 4, "half") +
                                              N("A4", 2, "quarter") + N("B4", 2, "quarter")) +
                               Measure(2, R(8, "whole"));
    const auto shortened = Copy(Duo(short_, destination + Measure(2, R(8, "whole"))), 1, 2, 1, 2);
    ASSERT_TRUE(shortened->outcome.copied);
    EXPECT_EQ(Described(shortened->destination, "1")[0], "measure 1 @0 for 2 staff 1 half C0/4");
}

TEST(CopyMusic, GraceNotesStayWithTheNoteTheyFollowOrLeadInto) {
    // A trill whose closing notes come after it, before a rest; a grace note leading into B4.
    const std::string after = "<note><grace/><pitch><step>D</step><octave>5</octave></pitch>"
                              "<voice>1</voice><type>16th</type></note>"
                              "<note><grace/><pitch><step>E</step><octave>5</octave></pitch>"
                              "<voice>1</voice><type>16th</type></note>";
    const std::string before = "<note><grace slash=\"yes\"/><pitch><step>C</step><octave>5"
                               "</octave></pitch><voice>1</voice><type>eighth</type></note>";
    const std::string destination =
        Measure(1, Attributes(1, 4, 4) +
                       N("E5", 2, "half",
                         "<notations><ornaments><trill-mark/></ornaments>"
                         "</notations>") +
                       after + R(1, "quarter") + before + N("B4", 1, "quarter"));
    const std::string source =
        Measure(1, Attributes(1, 4, 4) + N("G4", 1, "quarter") + R(1, "quarter") +
                       N("G4", 1, "quarter") + R(1, "quarter"));
    const auto copied = Copy(Duo(source, destination), 1, 2, 1, 1);
    ASSERT_TRUE(copied->outcome.copied);
    EXPECT_EQ(
        Described(copied->destination, "1"),
        (std::vector<std::string>{
            "measure 1 @0 for 1 staff 1 quarter ornaments(trill-mark,) E0/5",
            "measure 1 @1 for 0 grace staff 1 16th D0/5",
            "measure 1 @1 for 0 grace staff 1 16th E0/5", "measure 1 @1 for 1 staff 1 rest quarter",
            "measure 1 @2 for 0 grace slash=yes staff 1 eighth C0/5",
            "measure 1 @2 for 1 staff 1 quarter B0/4", "measure 1 @3 for 1 staff 1 rest quarter"}));
}

TEST(CopyMusic, AGapInAVoiceIsARestItDoesNotShowAndTravelsAsAForward) {
    // The source's voice skips its second beat; the destination's plays through.
    const std::string source = Measure(
        1, Attributes(1, 4, 4) + N("C5", 1, "quarter") +
               "<forward><duration>1</duration><voice>1</voice></forward>" + N("D5", 2, "half"));
    const std::string destination =
        Measure(1, Attributes(1, 4, 4) + N("E4", 2, "half") + N("F4", 2, "half"));
    auto read = cli_test::Read(Duo(source, destination));
    const std::vector<EXENTRY>& frame = read.document->frames.at(host::FrameKey{1, 1, 0});
    ASSERT_EQ(frame.size(), 3u);
    EXPECT_EQ(frame[1].entryFlags & (ENTRY_GAP | ENTRY_NOTE), ENTRY_GAP);
    EXPECT_EQ(+frame[2].elapsedTime, 2048);

    const auto copied = Copy(Duo(source, destination), 1, 2, 1, 1);
    ASSERT_TRUE(copied->outcome.copied);
    EXPECT_EQ(Described(copied->destination, "1"),
              (std::vector<std::string>{"measure 1 @0 for 1 staff 1 quarter E0/4",
                                        "measure 1 @2 for 2 staff 1 half F0/4"}));
    EXPECT_TRUE(Holds(copied->xml, "<forward><duration>1</duration><voice>1</voice></forward>"));
    // Onto the same rhythm, the gap stays where it was.
    const auto same = Copy(Duo(source, source), 1, 2, 1, 1);
    EXPECT_EQ(cli_test::FirstDifference(same->source, same->destination), "");
}

TEST(CopyMusic, AMeasureRestKeepsTheLengthOfItsMeasure) {
    const std::string source = Measure(1, Attributes(1, 3, 4) + "<note><rest measure=\"yes\"/>"
                                                                "<duration>3</duration><voice>1"
                                                                "</voice></note>") +
                               Measure(2, N("C5", 3, "half", "<dot/>"));
    // A whole rest in 3/4 is a measure rest too.
    const std::string destination =
        Measure(1, Attributes(1, 3, 4) + N("E4", 1, "quarter") + N("F4", 2, "half")) +
        Measure(2, R(3, "whole"));
    auto read = cli_test::Read(Duo(source, destination));
    const EXENTRY& rest = read.document->frames.at(host::FrameKey{1, 1, 0}).front();
    EXPECT_EQ(+rest.duration, 3072);
    EXPECT_EQ(rest.entryFlags & ENTRY_MEASURE_REST, ENTRY_MEASURE_REST);
    EXPECT_EQ(+read.document->frames.at(host::FrameKey{2, 2, 0}).front().duration, 3072);

    const auto copied = Copy(Duo(source, Measure(1, Attributes(1, 3, 4) + R(3, "whole")) +
                                             Measure(2, N("A4", 3, "half", "<dot/>"))),
                             1, 2, 1, 2);
    ASSERT_TRUE(copied->outcome.copied);
    pugi::xml_node note = copied->written.document_element()
                              .find_child_by_attribute("part", "id", "P2")
                              .child("measure")
                              .child("note");
    EXPECT_STREQ(note.child("rest").attribute("measure").value(), "yes");
    EXPECT_STREQ(note.child_value("duration"), "3");
    EXPECT_FALSE(note.child("type"));
}

TEST(CopyMusic, NestedTupletsKeepTheirTime) {
    // A quarter-note triplet written in eighths, whose middle quarter is an eighth triplet.
    auto tuplet = [](const std::string& pitch, int duration, const std::string& type, int actual,
                     int normal, const std::string& normalType, const std::string& marks) {
        return N(pitch, duration, type,
                 "<time-modification><actual-notes>" + std::to_string(actual) +
                     "</actual-notes><normal-notes>" + std::to_string(normal) + "</normal-notes>" +
                     (normalType.empty() ? "" : "<normal-type>" + normalType + "</normal-type>") +
                     "</time-modification>" +
                     (marks.empty() ? "" : "<notations>" + marks + "</notations>"));
    };
    const std::string outer = "<tuplet number=\"1\" type=\"start\"/>";
    const std::string inner = "<tuplet number=\"2\" type=\"start\"/>";
    const std::string music =
        Attributes(18, 2, 4) + tuplet("B4", 6, "eighth", 3, 2, "quarter", outer) +
        tuplet("B4", 6, "eighth", 3, 2, "quarter", "") +
        tuplet("C5", 4, "eighth", 9, 4, "", inner) + tuplet("C5", 4, "eighth", 9, 4, "", "") +
        tuplet("C5", 4, "eighth", 9, 4, "", "<tuplet number=\"2\" type=\"stop\"/>") +
        tuplet("D5", 12, "quarter", 3, 2, "", "<tuplet number=\"1\" type=\"stop\"/>");
    // Six events each: the destination gets the source's rhythm.
    const std::string six = Measure(
        1, Attributes(18, 2, 4) + N("E4", 6, "16th") + N("F4", 6, "16th") + N("G4", 6, "16th") +
               N("A4", 6, "16th") + N("B4", 6, "16th") + N("C5", 6, "16th"));
    const auto copied = Copy(Duo(Measure(1, music), six), 1, 2, 1, 1);
    ASSERT_TRUE(copied->outcome.copied);
    const auto from = Described(copied->source, "1");
    const auto to = Described(copied->destination, "1");
    ASSERT_EQ(to.size(), from.size());
    // Durations and time modifications as the source's, with the destination's pitches.
    const char* pitches[] = {"E0/4", "F0/4", "G0/4", "A0/4", "B0/4", "C0/5"};
    for (size_t i = 0; i < from.size(); ++i) {
        std::string expected = from[i];
        expected.replace(expected.rfind(' ') + 1, std::string::npos, pitches[i]);
        EXPECT_EQ(to[i], expected);
    }
    EXPECT_TRUE(Holds(to[0], "time-modification 3:2 of quarter")) << to[0];
    EXPECT_TRUE(Holds(to[2], "time-modification 9:4 tuplet[start]")) << to[2];
}

TEST(CopyMusic, AScoreWithoutDivisionsIsTimedByItsNoteValues) {
    // No <divisions>: durations count as the first timed note shows (here quarters as 2).
    const std::string source =
        Measure(1, "<attributes><time><beats>4</beats><beat-type>4</beat-type></time>"
                   "</attributes>" +
                       N("C5", 4, "half") + N("D5", 2, "quarter") + N("E5", 2, "quarter") +
                       "<backup><duration>8</duration></backup>" + N("C4", 8, "whole", "", "2"));
    const std::string destination = Measure(
        1, "<attributes><time><beats>4</beats><beat-type>4</beat-type></time></attributes>" +
               N("A4", 2, "quarter") + N("B4", 2, "quarter") + N("C5", 4, "half"));
    auto read = cli_test::Read(Duo(source, destination));
    EXPECT_EQ(host::DescribeLayer(*read.document, 1, 1, 1, 0), "C5 h, D5 q, E5 q");
    EXPECT_EQ(host::DescribeLayer(*read.document, 1, 1, 1, 1), "C4 w");
    // Once a note has shown them, durations count as if the divisions were stated.
    auto shown = cli_test::Read(cli_test::OnePart(
        Measure(1, N("C5", 2, "quarter") + N("D5", 2, "eighth") + N("E5", 2, "quarter"))));
    EXPECT_EQ(+shown.document->frames.at(host::FrameKey{1, 1, 0})[2].elapsedTime, 2048);
    const auto copied = Copy(Duo(source, destination), 1, 2, 1, 1);
    ASSERT_TRUE(copied->outcome.copied);
    EXPECT_EQ(Described(copied->destination, "1"),
              (std::vector<std::string>{"measure 1 @0 for 2 staff 1 half A0/4",
                                        "measure 1 @2 for 1 staff 1 quarter B0/4",
                                        "measure 1 @3 for 1 staff 1 quarter C0/5"}));
}

TEST(CopyMusic, TiesEndWhereverTheyEndAndTiesTheHostDoesNotHoldStay) {
    // A tie across the bar into a measure of another key is written with its stop.
    const std::string flats = "<attributes><key><fifths>-3</fifths></key></attributes>";
    const std::string source =
        Measure(1, Attributes(1, 2, 4) + N("C5", 1, "quarter") +
                       N("C5", 1, "quarter", "<tie type=\"start\"/>")) +
        Measure(2, flats + N("C5", 1, "quarter", "<tie type=\"stop\"/>") + N("D5", 1, "quarter"));
    // F4 is left to ring, and G4's tie leads nowhere: they are their notes' own marks, and the
    // host counts D4, F4 and G4 as three events.
    const std::string destination =
        Measure(1, Attributes(1, 2, 4) + N("D4", 2, "half")) +
        Measure(2, flats +
                       N("F4", 1, "quarter", "<notations><tied type=\"let-ring\"/></notations>") +
                       N("G4", 1, "quarter", "<notations><tied type=\"start\"/></notations>"));
    auto read = cli_test::Read(Duo(source, destination));
    EXPECT_EQ(CountLayerEvents(*read.document, 2, 0, 1, 2), 3);
    const auto copied = Copy(Duo(source, destination), 1, 2, 1, 2);
    ASSERT_TRUE(copied->outcome.copied);
    EXPECT_EQ(
        Described(copied->destination, "1"),
        (std::vector<std::string>{"measure 1 @0 for 1 staff 1 quarter D0/4",
                                  "measure 1 @1 for 1 staff 1 quarter F0/4 tie let-ring tie start",
                                  "measure 2 @0 for 1 staff 1 quarter F0/4 tie stop",
                                  "measure 2 @1 for 1 staff 1 quarter G0/4 tie start"}));
}
