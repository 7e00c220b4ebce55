#include "finaleframework/music/FCMusicRegion.h"

#include "host/MeasureRecord.h"
#include "support/HostFixture.h"

#include <gtest/gtest.h>

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
