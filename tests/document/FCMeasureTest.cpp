#include "finaleframework/document/FCMeasure.h"

#include "finaleframework/music/FCMusicRegion.h"
#include "finalepdk/FinaleBinding.h"
#include "host/MeasureRecord.h"
#include "document/DocumentTest.h"
#include "support/HostFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

namespace {

// Where the host keeps the measure's flag words (offsets in the 26-byte record).
constexpr size_t AUX_FLAGS = 8;
constexpr size_t ME_FLAGS = 10;
constexpr size_t NEW_FLAGS = 16;

using testing_support::RunningVersion;

class Measure : public testing_support::HostTest {
protected:
    std::vector<unsigned char>& Stored(twobyte measure) {
        return Host().Current()->records[host::MeasureRecordKey(measure)];
    }
    utwobyte StoredWord(twobyte measure, size_t offset) {
        return static_cast<utwobyte>(testing_support::WordAt(Stored(measure), offset));
    }
    void StoreWord(twobyte measure, size_t offset, utwobyte value) {
        std::memcpy(Stored(measure).data() + offset, &value, sizeof value);
    }
};

} // namespace

TEST_F(Measure, LoadsTheKeyOfItsMeasure) {
    NewDocument().Staves(1).Measures(3).KeySignature(2, -2).KeySignature(3, 3, true);
    FCMeasure measure;
    ASSERT_TRUE(measure.Load(2));
    EXPECT_EQ(measure.GetKeyValue(), 0x00FE);
    EXPECT_EQ(measure.GetItemNo(), 2);
    ASSERT_TRUE(measure.Load(3));
    EXPECT_EQ(measure.GetKeyValue(), 0x0103);
    EXPECT_TRUE(measure.LoadFirst());
    EXPECT_EQ(measure.GetKeyValue(), 0x0000);
    EXPECT_FALSE(measure.Load(4));
    ExpectEveryCallPassedFrameworkVersion();
}

TEST_F(Measure, DisplayStatesWriteTheirOwnBits) {
    NewDocument().Measures(1);
    FCMeasure measure;
    ASSERT_TRUE(measure.Load(1));
    const struct {
        FCMeasure::DISPLAY_STATES key, time;
        utwobyte meFlags, auxFlags;
    } cases[] = {{FCMeasure::DISPLAY_ALWAYS, FCMeasure::DISPLAY_NEVER, 0x0800, 0x0010},
                 {FCMeasure::DISPLAY_NEVER, FCMeasure::DISPLAY_ALWAYS, 0x0400, 0x0020},
                 {FCMeasure::DISPLAY_IFNEEDED, FCMeasure::DISPLAY_IFNEEDED, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << ", time " << c.time);
        measure.SetKeySignatureDisplay(c.key);
        measure.SetTimeSignatureDisplay(c.time);
        measure.SetKeySignatureDisplay(static_cast<FCMeasure::DISPLAY_STATES>(3)); // ignored
        ASSERT_TRUE(measure.Save());
        EXPECT_EQ(StoredWord(1, ME_FLAGS), c.meFlags);
        EXPECT_EQ(StoredWord(1, AUX_FLAGS), c.auxFlags);
    }
}

TEST_F(Measure, DisplayStateTwoWinsOverStateOne) {
    NewDocument().Measures(1);
    StoreWord(1, AUX_FLAGS, 0x0030);
    StoreWord(1, ME_FLAGS, 0x0C00);
    FCMeasure measure;
    ASSERT_TRUE(measure.Load(1));
    EXPECT_EQ(measure.GetKeySignatureDisplay(), FCMeasure::DISPLAY_NEVER);
    EXPECT_EQ(measure.GetTimeSignatureDisplay(), FCMeasure::DISPLAY_NEVER);
    StoreWord(1, AUX_FLAGS, 0x0000);
    ASSERT_TRUE(measure.Load(1));
    EXPECT_EQ(measure.GetKeySignatureDisplay(), FCMeasure::DISPLAY_ALWAYS);
    EXPECT_EQ(measure.GetTimeSignatureDisplay(), FCMeasure::DISPLAY_ALWAYS);
}

TEST_F(Measure, BarlinesStayInTheirFourBits) {
    NewDocument().Measures(1);
    StoreWord(1, ME_FLAGS, 0xFF0F);
    StoreWord(1, NEW_FLAGS, 0x0001);
    FCMeasure measure;
    ASSERT_TRUE(measure.Load(1));
    measure.SetBarline(FCMeasure::BARLINE_FINAL);
    measure.SetLeftBarline(FCMeasure::BARLINE_PARTIAL);
    measure.SetBarline(static_cast<FCMeasure::BARLINE_STYLES>(7));      // ignored
    measure.SetLeftBarline(static_cast<FCMeasure::BARLINE_STYLES>(-1)); // ignored
    EXPECT_EQ(measure.GetBarline(), FCMeasure::BARLINE_FINAL);
    EXPECT_EQ(measure.GetLeftBarline(), FCMeasure::BARLINE_PARTIAL);
    ASSERT_TRUE(measure.Save());
    EXPECT_EQ(StoredWord(1, ME_FLAGS), 0xFF3F);
    EXPECT_EQ(StoredWord(1, NEW_FLAGS), 0x0061);

    // Stored codes the enumeration lacks read as the first style.
    StoreWord(1, ME_FLAGS, 0x0090);
    StoreWord(1, NEW_FLAGS, 0x00F0);
    ASSERT_TRUE(measure.Load(1));
    EXPECT_EQ(measure.GetBarline(), FCMeasure::BARLINE_NONE);
    EXPECT_EQ(measure.GetLeftBarline(), FCMeasure::BARLINE_NONE);

    utwobyte mask = 99;
    EXPECT_TRUE(measure._GetBarlineMask(FCMeasure::BARLINE_PARTIAL, &mask));
    EXPECT_EQ(mask, 6);
    EXPECT_FALSE(measure._GetBarlineMask(static_cast<FCMeasure::BARLINE_STYLES>(7), &mask));
    EXPECT_EQ(mask, 0);
}

TEST_F(Measure, PositioningModesUseTheirCodes) {
    NewDocument().Measures(1);
    StoreWord(1, AUX_FLAGS, 0x0038);
    FCMeasure measure;
    ASSERT_TRUE(measure.Load(1));
    const struct {
        FCMeasure::POSITIONING_MODES mode;
        utwobyte code;
    } modes[] = {{FCMeasure::POSITIONING_TIMESIG, 4},
                 {FCMeasure::POSITIONING_MANUAL, 0},
                 {FCMeasure::POSITIONING_BEATCHART, 6}};
    for (const auto& m : modes) {
        measure.SetPositioningNotesMode(m.mode);
        EXPECT_EQ(measure.GetPositioningNotesMode(), m.mode);
        ASSERT_TRUE(measure.Save());
        EXPECT_EQ(StoredWord(1, AUX_FLAGS), 0x0038 | m.code);
    }
    measure.SetPositioningNotesMode(static_cast<FCMeasure::POSITIONING_MODES>(3)); // ignored
    EXPECT_EQ(measure.GetPositioningNotesMode(), FCMeasure::POSITIONING_BEATCHART);

    for (utwobyte code : {1, 2, 3, 5, 7}) {
        StoreWord(1, AUX_FLAGS, code);
        ASSERT_TRUE(measure.Load(1));
        EXPECT_EQ(measure.GetPositioningNotesMode(), FCMeasure::POSITIONING_BEATCHART) << code;
    }
}

TEST_F(Measure, FullNamesExistFromHostVersion16On) {
    NewDocument().Measures(1);
    FCMeasure measure;
    ASSERT_TRUE(measure.Load(1));
    {
        RunningVersion older(0x0FFFFFFF);
        measure.SetShowFullNames(true);
        EXPECT_FALSE(measure.GetShowFullNames());
        ASSERT_TRUE(measure.Save());
        EXPECT_EQ(StoredWord(1, AUX_FLAGS), 0);
        StoreWord(1, AUX_FLAGS, 0x0800);
        ASSERT_TRUE(measure.Load(1));
        EXPECT_FALSE(measure.GetShowFullNames());
    }
    RunningVersion newer(0x10000000);
    EXPECT_TRUE(measure.GetShowFullNames());
    measure.SetShowFullNames(false);
    ASSERT_TRUE(measure.Save());
    EXPECT_EQ(StoredWord(1, AUX_FLAGS), 0);
}

TEST_F(Measure, SavingKeepsTheBytesItDoesNotKnow) {
    NewDocument().Staves(1).Measures(2, 3, 1024);
    const std::vector<unsigned char> before = Stored(1);
    FCMeasure measure;
    ASSERT_TRUE(measure.Load(1));
    measure.SetBarline(FCMeasure::BARLINE_DOUBLE);
    ASSERT_TRUE(measure.Save());
    std::vector<unsigned char> expected = before;
    expected[ME_FLAGS] = 0x20;
    EXPECT_EQ(Stored(1), expected);
    EXPECT_EQ(FX_GetMeasureDuration(1, 1, FINALEPDK_VERSION), 3072);
}

TEST_F(Measure, ASavedTimeSignatureChangesTheMeasureLength) {
    NewDocument().Staves(1).Measures(2);
    FCMeasure measure;
    ASSERT_TRUE(measure.Load(2));
    auto* bytes = static_cast<unsigned char*>(measure._GetData());
    const twobyte beats = 6, beatDuration = 512;
    std::memcpy(bytes + host::MEASURE_BEATS_OFFSET, &beats, 2);
    std::memcpy(bytes + host::MEASURE_BEATDURATION_OFFSET, &beatDuration, 2);
    ASSERT_TRUE(measure.Save());
    EXPECT_EQ(FX_GetMeasureDuration(1, 2, FINALEPDK_VERSION), 3072);
    EXPECT_EQ(FX_GetMeasureDuration(1, 1, FINALEPDK_VERSION), 4096);
}

TEST_F(Measure, ClonesCopyLoadedRecordsOnly) {
    NewDocument().Measures(2).KeySignature(2, 4);
    FCMeasure measure;
    ASSERT_TRUE(measure.Load(2));
    measure.SetBarline(FCMeasure::BARLINE_DASHED);
    auto copy = testing_support::CloneOf(measure);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetItemNo(), 2);
    EXPECT_EQ(copy->GetKeyValue(), 4);
    EXPECT_EQ(copy->GetBarline(), FCMeasure::BARLINE_DASHED);
    EXPECT_EQ(copy->_GetData(), copy->Allocate()) << "the copy has bytes of its own";
    EXPECT_EQ(copy->_GetDataSize(), 26);

    FCMeasure never;
    std::unique_ptr<__FCBaseData> empty(never.CreateClone());
    EXPECT_EQ(empty->_GetDataSize(), 0);
    EXPECT_EQ(measure.CreateBeatChart(true), nullptr);
}

TEST_F(Measure, LoadRegionTakesTheMeasuresThatExist) {
    NewDocument().Staves(1).Measures(4).KeySignature(3, 1);
    FCMeasures measures;
    FCMusicRegion region;
    EREGION selection = host::Region(1, 1, 2, 6);
    region.SetEnigmaRegion(&selection);
    measures.LoadRegion(&region);
    ASSERT_EQ(measures.GetCount(), 3);
    const utwobyte keys[] = {0, 1, 1};
    for (int i = 0; i < 3; ++i) {
        auto* m = static_cast<FCMeasure*>(measures.GetItemAt(i));
        EXPECT_EQ(m->GetItemNo(), 2 + i);
        EXPECT_EQ(m->GetKeyValue(), keys[i]);
    }

    // Loading again replaces the contents; an empty region tries measure 0 alone.
    FCMusicRegion empty;
    measures.LoadRegion(&empty);
    EXPECT_EQ(measures.GetCount(), 0);
    EXPECT_EQ(Host().Calls().back().name, "FX_LoadEData");
    measures.LoadRegion(nullptr);
    EXPECT_EQ(measures.GetCount(), 0);
}

TEST_F(Measure, LoadRegionEndingAtTheHighestMeasureNumberEnds) {
    NewDocument().Staves(1).Measures(2);
    FCMeasures measures;
    FCMusicRegion region;
    EREGION selection = host::Region(1, 1, 32766, 32767);
    region.SetEnigmaRegion(&selection);
    measures.LoadRegion(&region);
    EXPECT_EQ(measures.GetCount(), 0);
    EXPECT_EQ(Host().CountCalls("FX_LoadEData"), 2);

    selection = host::Region(1, 1, 1, 32767);
    region.SetEnigmaRegion(&selection);
    measures.LoadRegion(&region);
    EXPECT_EQ(measures.GetCount(), 2);
}
