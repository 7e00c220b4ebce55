#include "CliSupport.h"

#include "cli/Selection.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

using namespace cadentra_cli;
using cli_test::Holds;

namespace {

/// Three parts: a flute, a two-staff piano and a part whose name has a dash; pickup measure 0.
std::string Ensemble() {
    std::string measures;
    const char* numbers[] = {"0", "1", "2", "3"};
    for (const char* number : numbers)
        measures +=
            std::string("<measure number=\"") + number + "\"" +
            (number[0] == '0' ? " implicit=\"yes\"" : "") +
            "><attributes><divisions>1</divisions><staves>2</staves></attributes>"
            "<note><rest/><duration>4</duration><voice>1</voice><staff>1</staff></note></measure>";
    std::string plain;
    for (const char* number : numbers)
        plain += std::string("<measure number=\"") + number +
                 "\"><attributes><divisions>1</divisions></attributes><note><rest/><duration>4</"
                 "duration></note></measure>";
    return cli_test::Partwise(
        "<score-part id=\"P1\"><part-name>Flute</part-name></score-part>"
        "<score-part id=\"P2\"><part-name>Piano</part-name></score-part>"
        "<score-part id=\"P3\"><part-name>Violin I - solo</part-name></score-part>",
        "<part id=\"P1\">" + plain + "</part><part id=\"P2\">" + measures +
            "</part><part id=\"P3\">" + plain + "</part>");
}

/// The message of the usage error that `parse` throws.
std::string UsageMessage(const std::function<void()>& parse) {
    try {
        parse();
    } catch (const UsageError& error) {
        return error.message;
    }
    return "(no error)";
}

} // namespace

TEST(Selection, StavesByPositionPartIdNameAndStaffNumber) {
    auto read = cli_test::Read(Ensemble());
    const Score& score = *read.score;
    ASSERT_EQ(score.staves.size(), 4u);
    auto staves = [&](const char* text) {
        const StaffRange range = ParseStaves(score, text);
        return std::make_pair(range.first, range.last);
    };
    EXPECT_EQ(staves("3"), std::make_pair(3, 3));
    EXPECT_EQ(staves("2-4"), std::make_pair(2, 4));
    EXPECT_EQ(staves("P2"), std::make_pair(2, 3));
    EXPECT_EQ(staves("P2:2"), std::make_pair(3, 3));
    EXPECT_EQ(staves("Piano:1"), std::make_pair(2, 2));
    EXPECT_EQ(staves("piano"), std::make_pair(2, 3));
    EXPECT_EQ(staves("Violin I - solo"), std::make_pair(4, 4));
    EXPECT_EQ(staves("P1-P2"), std::make_pair(1, 3));
    EXPECT_EQ(staves("Flute-Violin I - solo"), std::make_pair(1, 4));
}

TEST(Selection, MeasuresByPrintedNumberIncludingThePickup) {
    auto read = cli_test::Read(Ensemble());
    const Score& score = *read.score;
    const MeasureRange pickup = ParseMeasures(score, "0-1");
    EXPECT_EQ(pickup.first, 1);
    EXPECT_EQ(pickup.last, 2);
    const Selection selection = ParseSelection(score, "P2:1@2-3");
    EXPECT_EQ(selection.staves.first, 2);
    ASSERT_TRUE(selection.measures);
    EXPECT_EQ(selection.measures->first, 3);
    EXPECT_EQ(selection.measures->last, 4);
    EXPECT_FALSE(ParseSelection(score, "1").measures);
    EXPECT_EQ(DescribeStaff(score, 3), "staff 3 (P2:2 \"Piano\")");
    EXPECT_EQ(DescribeMeasures(score, pickup), "0-1");
}

TEST(Selection, UnknownNamesAndReversedRangesAreUsageErrors) {
    auto read = cli_test::Read(Ensemble());
    const Score& score = *read.score;
    EXPECT_EQ(UsageMessage([&] { ParseStaves(score, "5"); }),
              "no staff \"5\" in the score (staves are 1 to 4, or a part id or name; see 'cadentra "
              "info')");
    EXPECT_TRUE(Holds(UsageMessage([&] { ParseStaves(score, "P2:3"); }), "no staff"));
    EXPECT_TRUE(Holds(UsageMessage([&] { ParseStaves(score, "3-1"); }), "comes after"));
    EXPECT_EQ(UsageMessage([&] { ParseMeasures(score, "9"); }),
              "no measure \"9\" in the score (measures are numbered 0 to 3)");
    EXPECT_TRUE(Holds(UsageMessage([&] { ParseMeasures(score, "3-1"); }), "comes after"));
}

TEST(Selection, ANameSeveralPartsShareIsRefusedWithItsCandidates) {
    std::string parts;
    for (const char* id : {"P1", "P2", "P3", "P4"})
        parts += std::string("<part id=\"") + id +
                 "\"><measure number=\"1\"><attributes><divisions>1</divisions>" +
                 (std::string(id) == "P3" ? "<staves>2</staves>" : "") +
                 "</attributes><note><rest/><duration>4</duration></note></measure></part>";
    auto read = cli_test::Read(
        cli_test::Partwise("<score-part id=\"P1\"><part-name>Trombone</part-name></score-part>"
                           "<score-part id=\"P2\"><part-name>Tuba</part-name></score-part>"
                           "<score-part id=\"P3\"><part-name>TROMBONE</part-name></score-part>"
                           "<score-part id=\"P4\"><part-name>trombone</part-name></score-part>",
                           parts));
    const Score& score = *read.score;
    ASSERT_EQ(score.staves.size(), 5u);
    auto message = [&](const char* text) {
        return UsageMessage([&] { ParseStaves(score, text); });
    };
    const std::string candidates = "3 parts have it, staff 1 (P1), staves 3-4 (P3) and staff 5 "
                                   "(P4); name one by its part id or position";
    EXPECT_EQ(message("Trombone"), "the part name \"Trombone\" is ambiguous: " + candidates);
    EXPECT_EQ(message("trombone"), "the part name \"trombone\" is ambiguous: " + candidates);
    EXPECT_EQ(message("Trombone:2"), "the part name \"Trombone\" is ambiguous: " + candidates);
    EXPECT_EQ(message("Tuba-Trombone"), "the part name \"Trombone\" is ambiguous: " + candidates);
    // Ids, positions and unique names still name their staves.
    EXPECT_EQ(ParseStaves(score, "P3").first, 3);
    EXPECT_EQ(ParseStaves(score, "P3").last, 4);
    EXPECT_EQ(ParseStaves(score, "P1-Tuba").last, 2);
    EXPECT_EQ(ParseStaves(score, "tuba").first, 2);
    // A number too long for any score is no staff, not a crash.
    EXPECT_EQ(message("99999999999999999999"),
              "no staff \"99999999999999999999\" in the score (staves are 1 to 5, or a part id or "
              "name; see 'cadentra info')");
    EXPECT_TRUE(Holds(message("P3:99999999999999999999"), "no staff"));
}

TEST(Selection, RangesAreNamedInTheSingularOrThePlural) {
    auto read = cli_test::Read(Ensemble());
    const Score& score = *read.score;
    EXPECT_EQ(NameMeasures(score, MeasureRange{1, 1}), "measure 0");
    EXPECT_EQ(NameMeasures(score, MeasureRange{2, 4}), "measures 1-3");
    EXPECT_EQ(NameStaves(StaffRange{2, 2}), "staff 2");
    EXPECT_EQ(NameStaves(StaffRange{2, 3}), "staves 2-3");
}

namespace {

/// One flute part of eight measures with rehearsal marks: "Intro" at 1, A at 3, "Coda-2" at 6
/// and B at 7, A once more in measure 3 of a second part (one mark), and "Tutti" twice.
std::string MarkedScore() {
    std::string flute, oboe;
    for (int m = 1; m <= 8; ++m) {
        const std::map<int, std::string> marks = {{1, "Intro"},  {3, "A"}, {4, "Tutti"},
                                                  {6, "Coda-2"}, {7, "B"}, {8, "Tutti"}};
        const std::string number = std::to_string(m);
        const std::string start = m == 1 ? cli_test::Attributes() : "";
        const std::string mark =
            marks.count(m) ? cli_test::RehearsalMark(marks.at(m)) : std::string();
        flute += cli_test::MeasureXml(number, start + mark + cli_test::Notes("C5 w"));
        oboe += cli_test::MeasureXml(number, start + (m == 3 ? cli_test::RehearsalMark("A") : "") +
                                                 cli_test::Notes("E4 w"));
    }
    return cli_test::Partwise("<score-part id=\"P1\"><part-name>Flute</part-name></score-part>"
                              "<score-part id=\"P2\"><part-name>Oboe</part-name></score-part>",
                              "<part id=\"P1\">" + flute + "</part><part id=\"P2\">" + oboe +
                                  "</part>");
}

} // namespace

TEST(Selection, StaffListsAreGatheredIntoContiguousRangesInScoreOrder) {
    auto read = cli_test::Read(Ensemble());
    const Score& score = *read.score;
    auto list = [&](const char* text) {
        std::vector<std::pair<int, int>> ranges;
        for (const StaffRange& range : ParseStaffList(score, text))
            ranges.emplace_back(range.first, range.last);
        return ranges;
    };
    using Ranges = std::vector<std::pair<int, int>>;
    EXPECT_EQ(list("1,3"), (Ranges{{1, 1}, {3, 3}}));
    EXPECT_EQ(list("4, P1"), (Ranges{{1, 1}, {4, 4}}));
    // Neighbours and overlaps join: the piano's two staves and staff 4 are one run of COPY.
    EXPECT_EQ(list("Piano,4"), (Ranges{{2, 4}}));
    EXPECT_EQ(list("2-3,3,1"), (Ranges{{1, 3}}));
    EXPECT_EQ(list("Violin I - solo"), (Ranges{{4, 4}}));
    const Selection selection = ParseSelection(score, "1,4@1-2");
    EXPECT_EQ(selection.ranges.size(), 2u);
    EXPECT_EQ(selection.staves.first, 1);
    EXPECT_EQ(selection.staves.last, 4);
    EXPECT_EQ(UsageMessage([&] { ParseStaffList(score, "1,,3"); }),
              "staves \"1,,3\": a comma without a staff");
    EXPECT_EQ(UsageMessage([&] { ParseStaffList(score, "1,9"); }).substr(0, 14),
              "no staff \"9\" i");
}

TEST(Selection, RehearsalMarksNameTheirPassages) {
    auto read = cli_test::Read(MarkedScore());
    const Score& score = *read.score;
    ASSERT_EQ(score.rehearsalMarks.size(), 6u);
    auto measures = [&](const char* text) {
        const MeasureRange range = ParseMeasures(score, text);
        return std::make_pair(range.first, range.last);
    };
    EXPECT_EQ(measures("Intro"), std::make_pair(1, 2));
    EXPECT_EQ(measures("A"), std::make_pair(3, 3));
    EXPECT_EQ(measures("B"), std::make_pair(7, 7));
    EXPECT_EQ(measures("A-B"), std::make_pair(3, 7));
    EXPECT_EQ(measures("Intro-A"), std::make_pair(1, 3));
    EXPECT_EQ(measures("a"), std::make_pair(3, 3)); // without regard to case
    // A mark with a dash in its name, a mark and a number, numbers before marks.
    EXPECT_EQ(measures("Coda-2"), std::make_pair(6, 6));
    EXPECT_EQ(measures("A-Coda-2"), std::make_pair(3, 6));
    EXPECT_EQ(measures("2-B"), std::make_pair(2, 7));
    EXPECT_EQ(measures("2"), std::make_pair(2, 2));
    const Selection selection = ParseSelection(score, "Oboe@A-B");
    EXPECT_EQ(selection.measures->first, 3);
    EXPECT_EQ(selection.measures->last, 7);

    EXPECT_EQ(UsageMessage([&] { ParseMeasures(score, "Tutti"); }),
              "the rehearsal mark \"Tutti\" is ambiguous: 2 marks have it, in measures 4 and 8; "
              "name the measures by their numbers");
    EXPECT_EQ(UsageMessage([&] { ParseMeasures(score, "B-A"); }),
              "measures \"B-A\": the first measure comes after the last");
    EXPECT_EQ(UsageMessage([&] { ParseMeasures(score, "C"); }),
              "no measure \"C\" in the score (measures are numbered 1 to 8; rehearsal marks "
              "Intro, A, Tutti, Coda-2, B, Tutti)");
}

TEST(Selection, LayersByTheirNumbers) {
    EXPECT_EQ(ParseLayers("1,2", 4), (std::vector<bool>{true, true, false, false}));
    EXPECT_EQ(ParseLayers(" 2-4 ", 4), (std::vector<bool>{false, true, true, true}));
    EXPECT_EQ(ParseLayers("3,1,3", 4), (std::vector<bool>{true, false, true, false}));
    EXPECT_EQ(UsageMessage([] { ParseLayers("5", 4); }),
              "layers \"5\": there is no layer 5 (layers are numbered 1 to 4, as 'cadentra info' "
              "shows them)");
    EXPECT_EQ(UsageMessage([] { ParseLayers("0", 4); }).substr(0, 32),
              "layers \"0\": there is no layer 0 ");
    EXPECT_EQ(UsageMessage([] { ParseLayers("3-2", 4); }),
              "layers \"3-2\": the first layer of \"3-2\" comes after the last");
    for (const char* malformed : {"", "1,", "x", "1-", "999999999999"})
        EXPECT_TRUE(
            Holds(UsageMessage([&] { ParseLayers(malformed, 4); }), "is not a layer number"))
            << malformed;
}
