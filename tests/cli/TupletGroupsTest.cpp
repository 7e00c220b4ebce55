#include "cli/musicxml/TupletGroups.h"

#include <gtest/gtest.h>

using namespace cadentra_cli;

namespace {

EntryRhythm Rhythm(int actual, int normal, std::vector<TupletMark> marks = {}) {
    EntryRhythm rhythm;
    rhythm.actual = actual;
    rhythm.normal = normal;
    rhythm.marks = std::move(marks);
    return rhythm;
}

TupletMark Start(int number) {
    TupletMark mark;
    mark.start = true;
    mark.number = number;
    return mark;
}

TupletMark Stop(int number) {
    TupletMark mark;
    mark.number = number;
    return mark;
}

} // namespace

TEST(TupletGroups, NestedBracketsGiveEachTupletItsOwnRatio) {
    // A quarter-note triplet whose middle quarter is an eighth-note triplet.
    const auto tuplets =
        GroupTuplets({1024, 512, 512, 512, 1024},
                     {Rhythm(3, 2, {Start(1)}), Rhythm(9, 4, {Start(2)}), Rhythm(9, 4),
                      Rhythm(9, 4, {Stop(2)}), Rhythm(3, 2, {Stop(1)})});
    ASSERT_EQ(tuplets.size(), 2u);
    EXPECT_EQ(tuplets[0].first, 0);
    EXPECT_EQ(tuplets[0].last, 4);
    EXPECT_EQ(tuplets[0].definition.actualCount, 3);
    EXPECT_EQ(tuplets[0].definition.normalCount, 2);
    EXPECT_EQ(tuplets[0].definition.unit, (1024 + 1536 + 1024) / 3); // the host counts written time
    EXPECT_EQ(tuplets[1].first, 1);
    EXPECT_EQ(tuplets[1].last, 3);
    EXPECT_EQ(tuplets[1].definition.actualCount, 3);
    EXPECT_EQ(tuplets[1].definition.normalCount, 2);
    EXPECT_EQ(tuplets[1].definition.unit, 512);
}

TEST(TupletGroups, TimeModificationsWithoutBracketsCloseOnWholeUnits) {
    // A quarter and an eighth in triplet time, then three triplet eighths, then a plain quarter.
    const auto tuplets =
        GroupTuplets({1024, 512, 512, 512, 512, 1024}, {Rhythm(3, 2), Rhythm(3, 2), Rhythm(3, 2),
                                                        Rhythm(3, 2), Rhythm(3, 2), Rhythm(1, 1)});
    ASSERT_EQ(tuplets.size(), 2u);
    EXPECT_EQ(tuplets[0].first, 0);
    EXPECT_EQ(tuplets[0].last, 1);
    EXPECT_EQ(tuplets[0].definition.unit, 512);
    EXPECT_EQ(tuplets[1].first, 2);
    EXPECT_EQ(tuplets[1].last, 4);
    // A bracket that is never closed ends with the cell; a 1:1 "tuplet" is none.
    const auto open = GroupTuplets({512, 512}, {Rhythm(3, 2, {Start(1)}), Rhythm(3, 2)});
    ASSERT_EQ(open.size(), 1u);
    EXPECT_EQ(open[0].last, 1);
    EXPECT_TRUE(GroupTuplets({512}, {Rhythm(2, 2, {Start(1), Stop(1)})}).empty());
}

TEST(TupletGroups, StatedNoteValuesGiveTheNormalUnitWhereTheNotesFillTheActualOnes) {
    // Thirteen thirty-seconds in the time of six sixteenths.
    TupletMark thirteen = Start(1);
    thirteen.actual = 13;
    thirteen.normal = 6;
    thirteen.actualType = 128;
    thirteen.normalType = 256;
    std::vector<EntryRhythm> rhythm(13, Rhythm(13, 12));
    rhythm[0].marks = {thirteen};
    rhythm[12].marks = {Stop(1)};
    const auto tuplets = GroupTuplets(std::vector<int>(13, 128), rhythm);
    ASSERT_EQ(tuplets.size(), 1u);
    EXPECT_EQ(tuplets[0].definition.actualCount, 13);
    EXPECT_EQ(tuplets[0].definition.normalCount, 6);
    EXPECT_EQ(tuplets[0].definition.unit, 128);
    EXPECT_EQ(tuplets[0].definition.normalUnit, 256);
    // Values that the notes do not fill (three eighths stated over one quarter) say nothing.
    TupletMark three = Start(1);
    three.actual = 3;
    three.normal = 5;
    three.actualType = 512;
    three.normalType = 1024;
    const auto unfit = GroupTuplets({1024}, {Rhythm(3, 5, {three})});
    ASSERT_EQ(unfit.size(), 1u);
    EXPECT_EQ(unfit[0].definition.normalUnit, unfit[0].definition.unit);
    EXPECT_EQ(unfit[0].definition.normalCount, 5);
}
