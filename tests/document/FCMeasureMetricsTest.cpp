#include "finaleframework/document/FCMeasureMetrics.h"

#include "finaleframework/music/FCCell.h"
#include "support/HostFixture.h"

#include <gtest/gtest.h>

class MeasureMetrics : public testing_support::HostTest {};

TEST_F(MeasureMetrics, TheHostFillsTheRecordOfACell) {
    NewDocument().Staves(2).Measures(3).TimeSignature(2, 6, 512).KeySignature(2, -1);
    FCMeasureMetrics metrics;
    FCCell cell(2, 1);
    ASSERT_TRUE(metrics.Load(&cell, true));
    const EMEASUREMETRICS* record = metrics._GetMetrics();
    EXPECT_EQ(record->staff, 1);
    EXPECT_EQ(record->measure, 2);
    EXPECT_EQ(record->option, 1);
    EXPECT_EQ(record->duration, 3072);
    EXPECT_EQ(record->beats, 6);
    EXPECT_EQ(record->beatDuration, 512);
    EXPECT_EQ(record->keyValue, 0x00FF);
    EXPECT_EQ(record->entryCount, 0);
    EXPECT_GT(record->width, 0);

    FCCell other(3, 2);
    ASSERT_TRUE(metrics.Load(&other, false));
    EXPECT_EQ(metrics._GetMetrics()->staff, 2);
    EXPECT_EQ(metrics._GetMetrics()->option, 0);
    EXPECT_EQ(metrics._GetMetrics()->duration, 4096);
    ExpectEveryCallPassedFrameworkVersion();
}

TEST_F(MeasureMetrics, CellsOutsideTheDocumentHaveNoMetrics) {
    NewDocument().Staves(1).Measures(2);
    FCMeasureMetrics metrics;
    FCCell noMeasure(3, 1);
    FCCell noStaff(1, 5);
    EXPECT_FALSE(metrics.Load(&noMeasure, false));
    EXPECT_FALSE(metrics.Load(&noStaff, false));
    EXPECT_FALSE(metrics.Load(nullptr, false));
    EXPECT_EQ(metrics._GetMetrics()->measure, 0);

    FCCell cell(1, 1);
    Host().FailNext("FX_GetMeasureMetrics");
    EXPECT_FALSE(metrics.Load(&cell, false));
    EXPECT_TRUE(metrics.Load(&cell, false));
}
