// The plug-in driven through its six entry points, as the host drives it.
#include "plugin/Cadentra.h"

#include "finalepdk/FinaleBinding.h"
#include "support/HostFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

constexpr ufourbyte CONTEXT = 0x5150;

class EntryPointsTest : public testing_support::HostTest {
protected:
    void SetUp() override {
        source_is_set = 0;
        NewDocument().Staves(3).Measures(6);
    }
    void TearDown() override { source_is_set = 0; }

    ufourbyte Invoke(ufourbyte item, EREGION region) {
        return FinaleExtensionInvoke(CONTEXT, item, &region, 0);
    }
    ufourbyte SetSource(EREGION region) { return Invoke(0, region); }
    ufourbyte Copy(EREGION region) { return Invoke(1, region); }
    bool CopyEnabled() { return FinaleExtensionGetMenuStatus(1) == 1; }

    void ExpectAlert(size_t index, const std::string& text, const std::string& title) {
        ASSERT_GT(Alerts().size(), index);
        EXPECT_EQ(Alerts()[index].text, text);
        EXPECT_EQ(Alerts()[index].caption, title);
        EXPECT_EQ(Alerts()[index].style, MB_ICONERROR);
    }
};

constexpr unsigned char FILL = 0xAB;

struct PaddedMenuItem {
    FINEXTMENUITEM item;
    unsigned char behind[16];
};

void ExpectField(const char* field, const std::string& text) {
    EXPECT_EQ(std::string(field, text.size()), text);
    for (size_t i = text.size(); i < 64; ++i)
        EXPECT_EQ(field[i], 0) << "byte " << i << " of the field after \"" << text << "\"";
}

} // namespace

TEST_F(EntryPointsTest, HandshakeKeepsTheHostVersionAndDeclaresOurs) {
    const EVERSION before = RunningFinaleVersion;
    EXPECT_EQ(FinaleExtensionVersion(0x12345678), 0x0F000000u);
    EXPECT_EQ(GetFinaleFrameworkVersion(), 0x12345678u);
    EXPECT_EQ(FinaleExtensionVersion(0), 0x0F000000u);
    EXPECT_EQ(RunningFinaleVersion, 0u);
    SetFinaleFrameworkVersion(before);

    ufourbyte flags = 0xF0F0;
    EXPECT_EQ(FinaleExtensionInit(0, &flags), 1u);
    EXPECT_EQ(flags, 0xF0F1u);
    FinaleExtensionInit(0, &flags);
    EXPECT_EQ(flags, 0xF0F1u);
    FinaleExtensionTerminate(0);
}

TEST_F(EntryPointsTest, MenuItemRecordsByteForByte) {
    const struct {
        ufourbyte number;
        const char* menutext;
        const char* description;
        const char* itempath;
        utwobyte option2;
    } expected[] = {
        {0, "ZQ Cadentra - SET SOURCE", "Sets the rhythm source prior to a cadentra.",
         "Cadentra/SET", 0},
        {1, "ZQ Cadentra - COPY", "Copies the rhythm to the selected region.", "Cadentra/COPY", 1},
    };
    for (const auto& e : expected) {
        PaddedMenuItem record;
        std::memset(&record, FILL, sizeof record);
        EXPECT_EQ(FinaleExtensionEnumerate(0, e.number, &record.item), 1u);
        ExpectField(record.item.menutext, e.menutext);
        ExpectField(record.item.description, e.description);
        ExpectField(record.item.itempath, e.itempath);
        EXPECT_EQ(record.item.option1, 1);
        EXPECT_EQ(record.item.option2, e.option2);
        for (unsigned char b : record.behind)
            EXPECT_EQ(b, FILL);
    }
}

TEST_F(EntryPointsTest, OtherItemNumbersLeaveTheRecordUntouched) {
    for (ufourbyte number : {2u, 3u, 0xFFFFu, 0xFFFFFFFFu, 0x8000u}) {
        PaddedMenuItem record;
        std::memset(&record, FILL, sizeof record);
        EXPECT_EQ(FinaleExtensionEnumerate(0, number, &record.item), 0u) << number;
        const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
        for (size_t i = 0; i < sizeof record; ++i)
            ASSERT_EQ(bytes[i], FILL) << number;
    }
    // Only the low 16 bits count: 0x10001 is item 1.
    PaddedMenuItem record;
    EXPECT_EQ(FinaleExtensionEnumerate(0, 0x10001, &record.item), 1u);
    EXPECT_STREQ(record.item.menutext, "ZQ Cadentra - COPY");
}

TEST_F(EntryPointsTest, CopyIsEnabledOnlyWhileASourceIsRecorded) {
    EXPECT_FALSE(CopyEnabled());
    for (ufourbyte item : {0u, 2u, 0xFFFFFFFFu, 100u})
        EXPECT_EQ(FinaleExtensionGetMenuStatus(item), 1u);

    EXPECT_EQ(SetSource(host::Region(2, 2, 1, 2)), 0u);
    EXPECT_TRUE(CopyEnabled());
    EXPECT_TRUE(Alerts().empty());

    // Another accepted source keeps it enabled; a rejected one disables it.
    SetSource(host::Region(3, 3, 4, 6));
    EXPECT_TRUE(CopyEnabled());
    SetSource(host::Region(1, 2, 1, 2));
    EXPECT_FALSE(CopyEnabled());
    ASSERT_EQ(Alerts().size(), 1u);

    // The rejected selection is what the region now holds.
    EXPECT_EQ(sourceregion.GetStartSlot(), 1);
    EXPECT_EQ(sourceregion.GetEndSlot(), 2);
}

TEST_F(EntryPointsTest, SetSourceRefusals) {
    // Partiality is tested first, even over several staves.
    SetSource(host::Region(1, 1, 1, 2, 512));
    SetSource(host::Region(1, 3, 1, 2, 0, 1023));
    SetSource(host::Region(1, 3, 1, 2));
    ExpectAlert(0, "Partial measure selection are not allowed for this plug-in.",
                "Source Selection Error");
    ExpectAlert(1, "Partial measure selection are not allowed for this plug-in.",
                "Source Selection Error");
    ExpectAlert(2, "Only one individual staff is allowed as the selected source region.",
                "Source Selection Error");
    EXPECT_FALSE(CopyEnabled());

    // One staff over whole measures passes whatever its number of measures, in any document.
    EXPECT_EQ(SetSource(host::Region(2, 2, 1, 6)), 0u);
    EXPECT_TRUE(CopyEnabled());
    EXPECT_EQ(Alerts().size(), 3u);
}

TEST_F(EntryPointsTest, CopyBeforeAnySourceDoesNothing) {
    Host().ClearCalls();
    EXPECT_EQ(Copy(host::Region(1, 3, 1, 2)), 0u);
    EXPECT_TRUE(Alerts().empty());
    EXPECT_TRUE(Host().Calls().empty());
}

TEST_F(EntryPointsTest, CopyRefusalsInTheirOrder) {
    SetSource(host::Region(1, 1, 1, 2));
    ASSERT_TRUE(CopyEnabled());

    // A partial destination is refused before the measure counts are compared.
    EXPECT_EQ(Copy(host::Region(1, 3, 1, 3, 0, 100)), 0u);
    ExpectAlert(0, "Partial selections are not allowed for this plug-in.", "ZQ Cadentra Error");

    // The measure count is tested before the document, even after a switch of document; the
    // document before the lengths of the measures, which are measured in the current one.
    host::DocumentBuilder(Host().NewDocument()).Staves(3).Measures(6, 3);
    EXPECT_EQ(Copy(host::Region(1, 3, 1, 3)), 0u);
    ExpectAlert(1,
                "The destination region must have the same number of measures as the source "
                "region.",
                "ZQ Cadentra Error");

    EXPECT_EQ(Copy(host::Region(1, 3, 4, 5)), 0u);
    ExpectAlert(2, "The source region must belong to the current document.", "ZQ Cadentra Error");

    // A failed copy leaves COPY enabled and the source as it was.
    EXPECT_TRUE(CopyEnabled());
    EXPECT_EQ(sourceregion.GetStartMeasure(), 1);
    EXPECT_EQ(sourceregion.GetEndMeasure(), 2);
}

TEST_F(EntryPointsTest, ItemNumbersAreReadAsSixteenBits) {
    // 0x10000 is SET SOURCE; 7 is COPY.
    EXPECT_EQ(Invoke(0x10000, host::Region(1, 2, 1, 1)), 0u);
    ExpectAlert(0, "Only one individual staff is allowed as the selected source region.",
                "Source Selection Error");
    EXPECT_EQ(Invoke(0x10000, host::Region(1, 1, 1, 1)), 0u);
    EXPECT_TRUE(CopyEnabled());
    EXPECT_EQ(Invoke(7, host::Region(1, 1, 1, 1, 5)), 0u);
    ExpectAlert(1, "Partial selections are not allowed for this plug-in.", "ZQ Cadentra Error");
}

TEST_F(EntryPointsTest, EveryHostCallPassesTheFrameworkVersion) {
    SetSource(host::Region(1, 1, 1, 2));
    Copy(host::Region(1, 3, 3, 4));
    Copy(host::Region(1, 3, 3, 5));
    EXPECT_FALSE(Host().Calls().empty());
    ExpectEveryCallPassedFrameworkVersion();
}
