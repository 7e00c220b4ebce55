// The entry points through the real loader: the version handshake, the initialisation flag, the
// menu item records and the menu status, with the records laid out as the host reads them.
#include "win32/PluginFixture.h"

#include <cstddef>
#include <cstring>
#include <string>

namespace win32_testing {
namespace {

using EntryPoints = PluginTest;

constexpr unsigned char UNTOUCHED = 0xCD;

/// A menu item record as the host hands it over: memory the host owns, not cleared.
FINEXTMENUITEM DirtyRecord() {
    FINEXTMENUITEM record;
    std::memset(&record, UNTOUCHED, sizeof record);
    return record;
}

bool IsUntouched(const FINEXTMENUITEM& record) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
    for (size_t i = 0; i < sizeof record; ++i)
        if (bytes[i] != UNTOUCHED) return false;
    return true;
}

/// Checks a text field: the text, then zero bytes to the end of the 64-byte field.
void ExpectField(const char (&field)[64], const std::string& text) {
    ASSERT_LT(text.size(), sizeof field);
    EXPECT_EQ(std::string(field, text.size()), text);
    for (size_t i = text.size(); i < sizeof field; ++i)
        ASSERT_EQ(field[i], 0) << "byte " << i << " after \"" << text << "\"";
}

TEST_F(EntryPoints, VersionHandshakeDeclaresTheFrameworkVersionWhateverTheHostPasses) {
    for (ufourbyte hostVersion : {0x0F000200u, 0x0F000000u, 0x1A000000u, 0x05000000u, 0u})
        EXPECT_EQ(Plugin().Version(hostVersion), 0x0F000000u) << std::hex << hostVersion;
}

TEST_F(EntryPoints, InitSetsBitZeroOfTheFlagWordAndKeepsTheOthers) {
    ufourbyte flags = 0xA5A50000u;
    EXPECT_EQ(Plugin().Init(&flags), 1u);
    EXPECT_EQ(flags, 0xA5A50001u);
    flags = 0xFFFFFFFFu;
    EXPECT_EQ(Plugin().Init(&flags), 1u);
    EXPECT_EQ(flags, 0xFFFFFFFFu);
}

TEST_F(EntryPoints, EnumerateFillsTheTwoMenuItemRecords) {
    FINEXTMENUITEM setSource = DirtyRecord();
    ASSERT_EQ(Plugin().Enumerate(0, &setSource), 1u);
    ExpectField(setSource.menutext, "ZQ Cadentra - SET SOURCE");
    ExpectField(setSource.description, "Sets the rhythm source prior to a cadentra.");
    ExpectField(setSource.itempath, "Cadentra/SET");
    EXPECT_EQ(setSource.option1, 1);
    EXPECT_EQ(setSource.option2, 0);

    FINEXTMENUITEM copy = DirtyRecord();
    ASSERT_EQ(Plugin().Enumerate(1, &copy), 1u);
    ExpectField(copy.menutext, "ZQ Cadentra - COPY");
    ExpectField(copy.description, "Copies the rhythm to the selected region.");
    ExpectField(copy.itempath, "Cadentra/COPY");
    EXPECT_EQ(copy.option1, 1);
    EXPECT_EQ(copy.option2, 1);

    // The options sit where the host reads them, in the record's last four bytes.
    const auto* bytes = reinterpret_cast<const unsigned char*>(&copy);
    for (size_t i = 192; i < 196; ++i)
        EXPECT_EQ(bytes[i], i % 2 == 0 ? 1 : 0) << "byte " << i;
}

TEST_F(EntryPoints, EnumerationStopsAfterTwoItemsAndLeavesOtherRecordsAlone) {
    // The host enumerates until the first 0.
    int items = 0;
    for (ufourbyte item = 0; item < 10; ++item) {
        FINEXTMENUITEM record = DirtyRecord();
        if (Plugin().Enumerate(item, &record) == 0) {
            EXPECT_TRUE(IsUntouched(record)) << "item " << item;
            break;
        }
        ++items;
    }
    EXPECT_EQ(items, 2);

    for (ufourbyte item : {2u, 3u, 0xFFFFu, 0xFFFFFFFFu, 0x8000u}) {
        FINEXTMENUITEM record = DirtyRecord();
        EXPECT_EQ(Plugin().Enumerate(item, &record), 0u) << std::hex << item;
        EXPECT_TRUE(IsUntouched(record)) << std::hex << item;
    }
}

TEST_F(EntryPoints, ItemNumbersCountOnlyTheirLow16Bits) {
    FINEXTMENUITEM record = DirtyRecord();
    ASSERT_EQ(Plugin().Enumerate(0x10001u, &record), 1u);
    ExpectField(record.menutext, "ZQ Cadentra - COPY");
    EXPECT_EQ(Plugin().GetMenuStatus(0x10001u), 0u); // COPY, no source yet
    EXPECT_EQ(Plugin().GetMenuStatus(0x10000u), 1u); // SET SOURCE
}

TEST_F(EntryPoints, MenuStatusEnablesCopyOnlyOnceASourceIsRecorded) {
    EXPECT_EQ(Plugin().GetMenuStatus(ITEM_COPY), 0u);
    for (ufourbyte item : {0u, 2u, 7u, 0xFFFFu})
        EXPECT_EQ(Plugin().GetMenuStatus(item), 1u) << item;

    NewDocument().Staves(2).Measures(2).Select(host::Region(1, 1, 1, 2));
    EXPECT_EQ(Invoke(ITEM_SETSOURCE), 0u);
    EXPECT_EQ(Plugin().GetMenuStatus(ITEM_COPY), 1u);

    // Unloading forgets the source.
    Unload();
    Load();
    EXPECT_EQ(Plugin().GetMenuStatus(ITEM_COPY), 0u);
}

TEST_F(EntryPoints, TerminateChangesNothing) {
    NewDocument().Staves(1).Measures(1).Select(host::Region(1, 1, 1, 1));
    ASSERT_EQ(Invoke(ITEM_SETSOURCE), 0u);
    Host().ClearCalls();
    Plugin().Terminate();
    EXPECT_EQ(Plugin().GetMenuStatus(ITEM_COPY), 1u);
    EXPECT_TRUE(Host().Calls().empty());
    EXPECT_TRUE(Plugin().Alerts().empty());
}

} // namespace
} // namespace win32_testing
