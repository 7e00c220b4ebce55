// The line under a refusal of the plug-in: what was compared, for each refusal by its text.
#include "CliSupport.h"

#include "cli/RefusalDetails.h"

#include <gtest/gtest.h>

using namespace cadentra_cli;

namespace {

/// A measure of `beats`/`beatType` with one voice: a note filling it, or a rest.
std::string Measure(int number, int beats, int beatType, bool rest = false) {
    const int divisions = 4; // per quarter
    const int duration = beats * divisions * 4 / beatType;
    return "<measure number=\"" + std::to_string(number) +
           "\"><attributes><divisions>4</divisions><time><beats>" + std::to_string(beats) +
           "</beats><beat-type>" + std::to_string(beatType) + "</beat-type></time></attributes>" +
           (rest ? "<note><rest measure=\"yes\"/>"
                 : "<note><pitch><step>C</step><octave>4</octave></pitch>") +
           "<duration>" + std::to_string(duration) + "</duration><voice>1</voice></note></measure>";
}

/// Two one-staff parts and a two-staff piano over 14 measures: 1-6 in 4/4, 7-12 in 3/4, 13 in
/// 3/8 and 14 in 2/4. The flute rests in measure 1.
std::string Ensemble() {
    auto part = [](bool restFirst) {
        std::string measures;
        for (int m = 1; m <= 14; ++m) {
            const int beats = m <= 6 ? 4 : m <= 12 ? 3 : m == 13 ? 3 : 2;
            const int beatType = m == 13 ? 8 : 4;
            measures += Measure(m, beats, beatType, restFirst && m == 1);
        }
        return measures;
    };
    std::string piano = part(false);
    // The piano's second staff holds the same music; a <staves> element in the first measure.
    piano.insert(piano.find("</attributes>"), "<staves>2</staves>");
    return cli_test::Partwise("<score-part id=\"P1\"><part-name>Flute</part-name></score-part>"
                              "<score-part id=\"P2\"><part-name>Oboe</part-name></score-part>"
                              "<score-part id=\"P3\"><part-name>Piano</part-name></score-part>",
                              "<part id=\"P1\">" + part(true) + "</part><part id=\"P2\">" +
                                  part(false) + "</part><part id=\"P3\">" + piano + "</part>");
}

constexpr const char* LENGTHS =
    "The destination measures must have the same lengths as the source measures.";

} // namespace

TEST(RefusalDetails, MeasuresOfOtherLengthsAreNamedInPairs) {
    auto read = cli_test::Read(Ensemble());
    const auto& score = *read.score;
    const auto& document = *read.document;
    // Source 5-6 (4/4) onto 6-7: measure 6 onto 6 agrees, 6 onto 7 (3/4) does not.
    EXPECT_EQ(ExplainRefusal(score, document, CopyRequest{{1, 1}, {5, 6}, {2, 3}, {6, 7}}, LENGTHS),
              "source: staff 1; destination: staves 2-3; lengths differ: source measure 6 (4 "
              "quarter notes) onto destination measure 7 (3 quarter notes)");
    // 3/8 against 2/4: both in eighths.
    EXPECT_EQ(
        ExplainRefusal(score, document, CopyRequest{{2, 2}, {13, 13}, {1, 1}, {14, 14}}, LENGTHS),
        "source: staff 2; destination: staff 1; lengths differ: source measure 13 (3 eighth "
        "notes) onto destination measure 14 (4 eighth notes)");
    // Five pairs differ: four are named.
    EXPECT_EQ(
        ExplainRefusal(score, document, CopyRequest{{1, 1}, {1, 5}, {2, 2}, {7, 11}}, LENGTHS),
        "source: staff 1; destination: staff 2; lengths differ: source measure 1 (4 quarter "
        "notes) onto destination measure 7 (3 quarter notes), source measure 2 (4 quarter "
        "notes) onto destination measure 8 (3 quarter notes), source measure 3 (4 quarter "
        "notes) onto destination measure 9 (3 quarter notes), source measure 4 (4 quarter "
        "notes) onto destination measure 10 (3 quarter notes), and 1 more pair");
    // Where the lengths agree after all, both selections are what was compared.
    EXPECT_EQ(ExplainRefusal(score, document, CopyRequest{{1, 1}, {1, 2}, {2, 2}, {3, 4}}, LENGTHS),
              "source: staff 1, measures 1-2 (2 measures); destination: staff 2, measures 3-4 (2 "
              "measures)");
}

TEST(RefusalDetails, EachRefusalSaysWhatItCompared) {
    auto read = cli_test::Read(Ensemble());
    const auto& score = *read.score;
    const auto& document = *read.document;
    EXPECT_EQ(ExplainRefusal(score, document, CopyRequest{{1, 1}, {14, 14}, {2, 3}, {13, 14}},
                             "The destination region must have the same number of measures as "
                             "the source region."),
              "source: staff 1, measure 14 (1 measure); destination: staves 2-3, measures 13-14 "
              "(2 measures)");
    // A part of two staves as the source: one of them is suggested by the part's id.
    EXPECT_EQ(ExplainRefusal(score, document, CopyRequest{{3, 4}, {1, 2}, {1, 1}, {1, 2}},
                             "Only one individual staff is allowed as the selected source "
                             "region."),
              "source: staves 3-4 (2 staves), measures 1-2; the source must be one staff, such "
              "as P3:1");
    EXPECT_EQ(ExplainRefusal(score, document, CopyRequest{{1, 2}, {1, 1}, {3, 3}, {1, 1}},
                             "Only one individual staff is allowed as the selected source "
                             "region."),
              "source: staves 1-2 (2 staves), measure 1; the source must be one staff, such as 1");
    const char* noNotes = "Source region didn't contain any notes in layer 1.";
    EXPECT_EQ(ExplainRefusal(score, document, CopyRequest{{1, 1}, {1, 1}, {2, 2}, {1, 1}}, noNotes),
              "source: staff 1, measure 1 (1 measure): no note in layer 1 (voice 1), only rests");
    // Where layer 1 has notes after all (the plug-in could not load them), that is said.
    EXPECT_EQ(ExplainRefusal(score, document, CopyRequest{{2, 2}, {1, 2}, {1, 1}, {3, 4}}, noNotes),
              "source: staff 2, measures 1-2 (2 measures): layer 1 (voice 1) holds 2 note events, "
              "which the plug-in could not read");
    // Any other refusal: both selections.
    EXPECT_EQ(ExplainRefusal(score, document, CopyRequest{{1, 1}, {2, 3}, {2, 2}, {2, 3}},
                             "The rhythm could not be written to staff 2 layer 1."),
              "source: staff 1, measures 2-3 (2 measures); destination: staff 2, measures 2-3 (2 "
              "measures)");
}
