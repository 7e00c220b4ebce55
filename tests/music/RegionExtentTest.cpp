#include "finaleframework/music/FCMusicRegion.h"

#include "finaleframework/document/FCStaff.h"
#include "host/MeasureRecord.h"
#include "support/HostFixture.h"
#include "support/RecordingHandler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class RegionExtent : public testing_support::HostTest {};

FCMusicRegion Region(EREGION region) {
    return FCMusicRegion(&region);
}

} // namespace

TEST_F(RegionExtent, ARegionEndsAtTheLastMeasureOnlyWhenNoMeasureFollows) {
    NewDocument().Staves(2).Measures(7);
    EXPECT_TRUE(Region(host::Region(1, 1, 3, 7)).IsLastEndMeasure());
    EXPECT_FALSE(Region(host::Region(1, 1, 3, 6)).IsLastEndMeasure());
    // Beyond the document: the end measure itself does not load.
    EXPECT_FALSE(Region(host::Region(1, 1, 3, 8)).IsLastEndMeasure());

    host::DocumentBuilder(*Host().Current()).Measures(1);
    EXPECT_FALSE(Region(host::Region(1, 1, 3, 7)).IsLastEndMeasure());
    EXPECT_TRUE(Region(host::Region(1, 1, 3, 8)).IsLastEndMeasure());
    ExpectEveryCallPassedFrameworkVersion();
}

TEST_F(RegionExtent, TheLastMeasureIsTheOneWhoseSuccessorHasNoRecord) {
    NewDocument().Staves(1).Measures(9);
    Host().Current()->records.erase(host::MeasureRecordKey(6));
    EXPECT_TRUE(Region(host::Region(1, 1, 1, 5)).IsLastEndMeasure());
    EXPECT_FALSE(Region(host::Region(1, 1, 1, 6)).IsLastEndMeasure());
    EXPECT_TRUE(Region(host::Region(1, 1, 1, 9)).IsLastEndMeasure());
}

TEST_F(RegionExtent, FullDocumentWidthNeedsWholeMeasuresFromTheFirstToTheLast) {
    NewDocument().Staves(3).Measures(5);
    EXPECT_TRUE(Region(host::Region(2, 2, 1, 5)).IsFullDocumentWidth());
    EXPECT_FALSE(Region(host::Region(1, 3, 2, 5)).IsFullDocumentWidth());
    EXPECT_FALSE(Region(host::Region(1, 3, 1, 4)).IsFullDocumentWidth());
    EXPECT_FALSE(Region(host::Region(1, 3, 1, 5, 1, EREGION_END_OF_MEASURE)).IsFullDocumentWidth());
    EXPECT_FALSE(Region(host::Region(1, 3, 1, 5, 0, 4095)).IsFullDocumentWidth());

    FCMusicRegion whole;
    ASSERT_TRUE(whole.SetFullDocument());
    EXPECT_TRUE(whole.IsFullDocumentWidth());
}

TEST_F(RegionExtent, AnEmptyRegionIsNeverFullWidth) {
    NewDocument().Staves(1).Measures(1);
    FCMusicRegion empty(nullptr);
    EXPECT_FALSE(empty.IsFullDocumentWidth());
    EXPECT_FALSE(empty.IsLastEndMeasure());
    // Whole measures 0 to 0 are still empty, though a measure 0 record would exist.
    host::DocumentBuilder(*Host().Current())
        .Record(host::TAG_MEASURE, 0, 0, 0, std::vector<unsigned char>(26, 0));
    FCMusicRegion zero = Region(host::Region(1, 1, 0, 0));
    EXPECT_FALSE(zero.IsFullDocumentWidth());
}

namespace {

std::string DescribeStaff(__FCBase* element) {
    auto* staff = dynamic_cast<FCStaff*>(element);
    if (!staff) return "not a staff";
    if (staff->_GetDataSize() <= 0) return "not loaded";
    return "staff " + std::to_string(staff->GetItemNo()) + " interval " +
           std::to_string(staff->GetTransposeInterval());
}

} // namespace

TEST_F(RegionExtent, ForEachStaffHandsOverEachSlotsStaffRecord) {
    NewDocument().Staff(5).Staff(9).Staff(2).Measures(2).InstrumentList(3, {2, 5});
    host::DocumentBuilder(*Host().Current()).StaffTransposition(9, 0x0042);
    testing_support::RecordingHandler handler(DescribeStaff);
    EXPECT_EQ(Region(host::Region(1, 3, 1, 2)).ForEachStaff(&handler), 3);
    EXPECT_EQ(handler.calls,
              (std::vector<std::string>{"Iterate staff 5 interval 0", "Iterate staff 9 interval 1",
                                        "Iterate staff 2 interval 0"}));

    testing_support::RecordingHandler otherList(DescribeStaff);
    EXPECT_EQ(
        Region(host::Region(1, 2, 1, 1, 0, EREGION_END_OF_MEASURE, 3)).ForEachStaff(&otherList), 2);
    EXPECT_EQ(otherList.calls.front(), "Iterate staff 2 interval 0");
}

TEST_F(RegionExtent, ForEachStaffCountsTheStoppingCallAndVisitsUnloadedStaves) {
    NewDocument().Staves(3).Measures(1);
    // Slot 4 holds no staff: its object is handed over without a record.
    testing_support::RecordingHandler handler(DescribeStaff);
    EXPECT_EQ(Region(host::Region(2, 4, 1, 1)).ForEachStaff(&handler), 3);
    EXPECT_EQ(handler.calls.back(), "Iterate not loaded");

    testing_support::RecordingHandler stopping(DescribeStaff);
    stopping.stopIterateAt = 2;
    EXPECT_EQ(Region(host::Region(1, 3, 1, 1)).ForEachStaff(&stopping), 2);
    EXPECT_EQ(stopping.calls.size(), 2u);

    EXPECT_EQ(Region(host::Region(1, 3, 1, 1)).ForEachStaff(nullptr), 0);
    testing_support::RecordingHandler none(DescribeStaff);
    EXPECT_EQ(Region(host::Region(3, 2, 1, 1)).ForEachStaff(&none), 0);
    EXPECT_TRUE(none.calls.empty());
}
