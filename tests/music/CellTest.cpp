// Cells and the region's cell position test.
#include "support/HostFixture.h"

#include "finaleframework/music/FCCell.h"
#include "finaleframework/music/FCMusicRegion.h"

namespace {

class Cell : public testing_support::HostTest {};

TEST_F(Cell, NamesAMeasureAndAStaff) {
    FCCell cell(12, 3);
    EXPECT_EQ(cell.GetMeasure(), 12);
    EXPECT_EQ(cell.GetStaff(), 3);
    EXPECT_STREQ(cell.ClassName(), "FCCell");
}

TEST_F(Cell, IsCellPosWithinTestsMeasureStaffAndBothBoundaries) {
    // Staves 5, 6, 7 at slots 1 to 3; the region takes slots 2 and 3 from measure 2 at 512 to
    // measure 4 at 1023.
    NewDocument().Staff(5).Staff(6).Staff(7).Measures(5);
    EREGION record = host::Region(2, 3, 2, 4, 512, 1023);
    FCMusicRegion region(&record);

    FCCell first(2, 6);
    EXPECT_FALSE(region.IsCellPosWithin(&first, 511));
    EXPECT_TRUE(region.IsCellPosWithin(&first, 512));
    EXPECT_TRUE(region.IsCellPosWithin(&first, 4000)) << "no end boundary in the first measure";
    FCCell middle(3, 7);
    EXPECT_TRUE(region.IsCellPosWithin(&middle, 0));
    EXPECT_TRUE(region.IsCellPosWithin(&middle, 100000));
    FCCell last(4, 7);
    EXPECT_TRUE(region.IsCellPosWithin(&last, 0));
    EXPECT_TRUE(region.IsCellPosWithin(&last, 1023));
    EXPECT_FALSE(region.IsCellPosWithin(&last, 1024));

    FCCell otherStaff(3, 5);
    EXPECT_FALSE(region.IsCellPosWithin(&otherStaff, 0));
    FCCell unknownStaff(3, 9);
    EXPECT_FALSE(region.IsCellPosWithin(&unknownStaff, 0));
    FCCell before(1, 6);
    EXPECT_FALSE(region.IsCellPosWithin(&before, 600));
    FCCell after(5, 6);
    EXPECT_FALSE(region.IsCellPosWithin(&after, 0));
    EXPECT_FALSE(region.IsCellPosWithin(nullptr, 600));
}

TEST_F(Cell, IsCellPosWithinCountsSlotsInTheRegionsInstrumentList) {
    NewDocument().Staff(5).Staff(6).Measures(2).InstrumentList(2, {6, 5});
    EREGION record = host::Region(1, 1, 1, 2, 0, EREGION_END_OF_MEASURE, 2);
    FCMusicRegion region(&record);
    FCCell six(1, 6);
    FCCell five(1, 5);
    EXPECT_TRUE(region.IsCellPosWithin(&six, 0)) << "slot 1 of list 2 is staff 6";
    EXPECT_FALSE(region.IsCellPosWithin(&five, 0));
}

} // namespace
