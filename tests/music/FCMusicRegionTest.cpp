#include "finaleframework/music/FCMusicRegion.h"

#include "support/HostFixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

class FCMusicRegionTest : public testing_support::HostTest {
protected:
    void SetUp() override {
        NewDocument()
            .Staves(4)
            .Measures(6)
            .TimeSignature(4, 3, 1024) // 3/4
            .TimeSignature(5, 6, 512)  // 6/8
            .Select(host::Region(2, 3, 2, 4));
    }
};

FCMusicRegion Made(EREGION region) {
    return FCMusicRegion(&region);
}

} // namespace

TEST_F(FCMusicRegionTest, ARegionWithoutARecordIsEmptyAndPartial) {
    FCMusicRegion region(nullptr);
    EXPECT_TRUE(region.IsEmpty());
    EXPECT_TRUE(region.IsPartial());
    EXPECT_EQ(region.GetDocumentID(), 0);
    EXPECT_EQ(region.CalcDuration(), 0);
    EXPECT_STREQ(region.ClassName(), "FCMusicRegion");
    // Its one measure in loops is measure 0.
    EXPECT_TRUE(region.IsMeasureIncluded(0));
    EXPECT_FALSE(region.IsMeasureIncluded(1));
}

TEST_F(FCMusicRegionTest, TakesTheHostRecordAndTheCurrentDocument) {
    FCMusicRegion region = Made(host::Region(1, 2, 3, 4, 0, EREGION_END_OF_MEASURE, 0));
    EXPECT_EQ(region.GetDocumentID(), Host().Current()->number);
    EXPECT_FALSE(region.IsPartial());
    EXPECT_TRUE(region.IsCurrentDocument());
    EREGION back{};
    region.GetEnigmaRegion(&back);
    EXPECT_EQ(back.startMeasure, 3);
    EXPECT_EQ(back.endPos, EREGION_END_OF_MEASURE);

    host::DocumentBuilder(Host().NewDocument()).Staves(1).Measures(1);
    EXPECT_FALSE(region.IsCurrentDocument());
    EXPECT_FALSE(region.SetInDocument());
}

TEST_F(FCMusicRegionTest, NullRecordsAndRegionsChangeAndAnswerNothing) {
    FCMusicRegion region = Made(host::Region(2, 3, 2, 4));
    region.SetEnigmaRegion(nullptr);
    region.GetEnigmaRegion(nullptr);
    EXPECT_EQ(region.GetStartSlot(), 2);
    EXPECT_EQ(region.GetEndMeasure(), 4);
    EXPECT_FALSE(region.IsOverlapping(nullptr));
    EXPECT_TRUE(region.IsOverlapping(&region));
}

TEST_F(FCMusicRegionTest, DurationSumsTheMeasuresOrTheCutPart) {
    // 4/4 + 3/4 + 6/8
    EXPECT_EQ(Made(host::Region(1, 1, 3, 5)).CalcDuration(), 4096 + 3072 + 3072);
    EXPECT_EQ(Made(host::Region(1, 1, 2, 2, 512, 1023)).CalcDuration(), 512);
    // Cut at the start of the first measure and inside the last.
    EXPECT_EQ(Made(host::Region(1, 1, 3, 4, 1024, 99)).CalcDuration(), 3072 + 100);
}

TEST_F(FCMusicRegionTest, PositionBoundariesAreInclusive) {
    FCMusicRegion region = Made(host::Region(1, 1, 2, 4, 256, 2047));
    EXPECT_TRUE(region.IsMeasurePosWithin(2, 256));
    EXPECT_FALSE(region.IsMeasurePosWithin(2, 255));
    EXPECT_TRUE(region.IsMeasurePosWithin(4, 2047));
    EXPECT_FALSE(region.IsMeasurePosWithin(4, 2048));
    EXPECT_TRUE(region.IsMeasurePosWithin(3, 0));
    EXPECT_FALSE(region.IsMeasurePosWithin(5, 0));
    EXPECT_TRUE(region.IsPartial());
}

TEST_F(FCMusicRegionTest, StavesAreIncludedBySlotOfTheRegionsList) {
    host::DocumentBuilder(*Host().Current()).InstrumentList(7, {4, 3});
    FCMusicRegion global = Made(host::Region(2, 3, 1, 1));
    EXPECT_FALSE(global.IsStaffIncluded(1));
    EXPECT_TRUE(global.IsStaffIncluded(2));
    EXPECT_TRUE(global.IsStaffIncluded(3));
    EXPECT_FALSE(global.IsStaffIncluded(4));
    EXPECT_FALSE(global.IsStaffIncluded(99));

    FCMusicRegion listed = Made(host::Region(1, 1, 1, 1, 0, EREGION_END_OF_MEASURE, 7));
    EXPECT_TRUE(listed.IsStaffIncluded(4));
    EXPECT_FALSE(listed.IsStaffIncluded(3));
    listed.ConvertToGlobalInstrumentList();
    EXPECT_EQ(listed.GetStartInstrumentList(), 0);
    EXPECT_EQ(listed.GetStartSlot(), 4);
    EXPECT_EQ(listed.GetEndSlot(), 4);
}

TEST_F(FCMusicRegionTest, OverlapNeedsASharedStaffAndPosition) {
    FCMusicRegion a = Made(host::Region(1, 2, 2, 3));
    FCMusicRegion otherStaves = Made(host::Region(3, 4, 2, 3));
    FCMusicRegion sameStaff = Made(host::Region(2, 4, 3, 5));
    FCMusicRegion later = Made(host::Region(1, 2, 4, 5));
    EXPECT_FALSE(a.IsOverlapping(&otherStaves));
    EXPECT_TRUE(a.IsOverlapping(&sameStaff));
    EXPECT_FALSE(a.IsOverlapping(&later));

    // Staves reached through different instrument lists overlap when a slot of each names the
    // same staff.
    host::DocumentBuilder(*Host().Current()).InstrumentList(5, {3, 1});
    FCMusicRegion listed = Made(host::Region(2, 2, 2, 2, 0, EREGION_END_OF_MEASURE, 5));
    EXPECT_TRUE(a.IsOverlapping(&listed));
    FCMusicRegion listedOther = Made(host::Region(1, 1, 2, 2, 0, EREGION_END_OF_MEASURE, 5));
    EXPECT_FALSE(a.IsOverlapping(&listedOther));

    // Touching measures overlap only where the positions meet.
    FCMusicRegion endsEarly = Made(host::Region(1, 1, 1, 2, 0, 511));
    FCMusicRegion startsLate = Made(host::Region(1, 1, 2, 3, 512));
    FCMusicRegion startsAtEnd = Made(host::Region(1, 1, 2, 3, 511));
    EXPECT_FALSE(endsEarly.IsOverlapping(&startsLate));
    EXPECT_FALSE(startsLate.IsOverlapping(&endsEarly));
    EXPECT_TRUE(endsEarly.IsOverlapping(&startsAtEnd));

    // A region whose slots run backwards holds no staff.
    FCMusicRegion backwards = Made(host::Region(2, 1, 2, 3));
    EXPECT_FALSE(backwards.IsOverlapping(&a));
}

TEST_F(FCMusicRegionTest, FullMeasureStackTakesEveryStaffOfTheList) {
    FCMusicRegion region = Made(host::Region(2, 2, 3, 4));
    EXPECT_TRUE(region.SetFullMeasureStack());
    EXPECT_EQ(region.GetStartSlot(), 1);
    EXPECT_EQ(region.GetEndSlot(), 4);
    EXPECT_EQ(region.GetStartMeasure(), 3);

    FCMusicRegion empty(nullptr);
    EXPECT_FALSE(empty.SetFullMeasureStack());
    FCMusicRegion noList = Made(host::Region(1, 1, 1, 1, 0, EREGION_END_OF_MEASURE, 9));
    EXPECT_FALSE(noList.SetFullMeasureStack());
    EXPECT_EQ(noList.GetStartSlot(), 1);
    EXPECT_EQ(noList.GetEndSlot(), 1);
}

TEST_F(FCMusicRegionTest, SelectionAndWholeDocumentComeFromTheHost) {
    FCMusicRegion region(nullptr);
    EXPECT_TRUE(region.SetCurrentSelection());
    EXPECT_EQ(region.GetStartSlot(), 2);
    EXPECT_EQ(region.GetEndSlot(), 3);
    EXPECT_EQ(region.GetEndMeasure(), 4);
    EXPECT_TRUE(region.IsCurrentDocument());

    EXPECT_TRUE(region.SetFullDocument());
    EXPECT_EQ(region.GetStartSlot(), 1);
    EXPECT_EQ(region.GetEndSlot(), 4);
    EXPECT_EQ(region.GetStartMeasure(), 1);
    EXPECT_EQ(region.GetEndMeasure(), 6);
    EXPECT_FALSE(region.IsPartial());

    // Putting a region into the document makes it the host's selection.
    FCMusicRegion chosen = Made(host::Region(4, 4, 6, 6));
    EXPECT_TRUE(chosen.SetInDocument());
    EXPECT_EQ(Host().Current()->selection.startSlot, 4);

    Host().FailNext("FX_GetCurERegions");
    EXPECT_FALSE(region.SetCurrentSelection());
}

TEST_F(FCMusicRegionTest, ClipboardHoldsOneTokenAtATime) {
    FCMusicRegion empty(nullptr);
    EXPECT_FALSE(empty.CopyMusic());
    EXPECT_FALSE(empty.PasteMusic());
    EXPECT_FALSE(empty.ReleaseMusic());

    FCMusicRegion region = Made(host::Region(1, 2, 1, 2));
    EXPECT_FALSE(region.PasteMusic());
    ASSERT_TRUE(region.CopyMusic());
    const ufourbyte token = region.GetClipToken();
    EXPECT_NE(token, 0u);
    EXPECT_FALSE(region.CopyMusic());
    EXPECT_FALSE(region.CutMusic());
    EXPECT_EQ(region.GetClipToken(), token);
    EXPECT_EQ(Host().ClipCount(), 1u);

    // The same clip can be pasted again.
    EXPECT_TRUE(region.PasteMusic());
    EXPECT_TRUE(region.PasteMusic());

    // The clip region record carries the region and the two words set to 1.
    const host::Call& copy =
        Host().Calls()[0].name == "FX_CopyCutMusic"
            ? Host().Calls()[0]
            : *std::find_if(Host().Calls().begin(), Host().Calls().end(),
                            [](const host::Call& c) { return c.name == "FX_CopyCutMusic"; });
    EXPECT_EQ(copy.arguments[1], 1); // copy mode

    EXPECT_TRUE(region.ReleaseMusic());
    EXPECT_EQ(region.GetClipToken(), 0u);
    EXPECT_EQ(Host().ClipCount(), 0u);
    EXPECT_FALSE(region.ReleaseMusic());
    EXPECT_TRUE(region.CopyMusic());

    // A release the host refuses keeps the token.
    Host().FailNext("FX_DisposeFinClipFileToken");
    EXPECT_FALSE(region.ReleaseMusic());
    EXPECT_NE(region.GetClipToken(), 0u);
    EXPECT_TRUE(region.ReleaseMusic());
}
