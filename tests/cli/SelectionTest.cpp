#include "CliSupport.h"

#include "cli/Selection.h"

#include <gtest/gtest.h>

using namespace cadentra_cli;

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
    auto message = [&](auto parse) {
        try {
            parse();
        } catch (const UsageError& error) {
            return error.message;
        }
        return std::string("(no error)");
    };
    EXPECT_EQ(message([&] { ParseStaves(score, "5"); }),
              "no staff \"5\" in the score (staves are 1 to 4, or a part id or name; see 'cadentra "
              "info')");
    EXPECT_NE(message([&] { ParseStaves(score, "P2:3"); }).find("no staff"), std::string::npos);
    EXPECT_NE(message([&] { ParseStaves(score, "3-1"); }).find("comes after"), std::string::npos);
    EXPECT_EQ(message([&] { ParseMeasures(score, "9"); }),
              "no measure \"9\" in the score (measures are numbered 0 to 3)");
    EXPECT_NE(message([&] { ParseMeasures(score, "3-1"); }).find("comes after"), std::string::npos);
}
