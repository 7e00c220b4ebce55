#include "finalepdk/PreferenceMaps.h"

#include "finalepdk/FinaleBinding.h"
#include "support/HostFixture.h"

#include "PrefChunks.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

using namespace pref_test;

namespace {

struct StructureRow {
    EXTAG tag;
    const char* name;
    twobyte records;
    fourbyte size;
    int chunks; // distinct chunks the structure is spread over
};

// Tag, record count, structure size and number of chunks of the nine structures.
const StructureRow STRUCTURES[] = {
    {0x70665046, "pfPF", 22, 48, 9},   {0x70664558, "pfEX", 25, 50, 5},
    {0x7066504C, "pfPL", 7, 14, 4},    {0x70665353, "pfSS", 43, 96, 12},
    {0x70665042, "pfPB", 11, 44, 5},   {0x70665250, "pfRP", 20, 40, 5},
    {0x70664D53, "pfMS", 49, 104, 23}, {0x70665349, "pfSI", 23, 54, 15},
    {0x70664450, "pfDP", 36, 76, 15},
};

TEST(PreferenceMaps, StructureTablesHaveTheirRecordCountsAndSizes) {
    for (const StructureRow& row : STRUCTURES) {
        SCOPED_TRACE(row.name);
        PREFERENCE_LOCATION_MAPRECORD* table = nullptr;
        twobyte count = 0;
        ASSERT_TRUE(mapPrefStruct(row.tag, 0, &table, &count));
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(count, row.records);
        EXPECT_EQ(PrefStructSize(table, count), row.size);

        std::set<std::tuple<char, char, twobyte, twobyte>> chunks;
        for (twobyte i = 0; i < count; ++i)
            chunks.emplace(table[i].chunkTag[0], table[i].chunkTag[1], table[i].chunkCmper,
                           table[i].chunkInci);
        EXPECT_EQ(static_cast<int>(chunks.size()), row.chunks);
    }
}

TEST(PreferenceMaps, PageFormatIsAStructureOnlyWithCmperZero) {
    PREFERENCE_LOCATION_MAPRECORD* table = nullptr;
    twobyte count = 0;
    EXPECT_FALSE(mapPrefStruct(0x70665046, 1, &table, &count));
    EXPECT_FALSE(mapPrefStruct(0x70665046, -2, &table, &count));
    EXPECT_EQ(table, nullptr);
    EXPECT_EQ(count, 0);
    // The other structures answer for any cmper.
    EXPECT_TRUE(mapPrefStruct(0x70664D53, 7, &table, &count));
    EXPECT_EQ(count, 49);
    EXPECT_TRUE(mapPrefStruct(0x70664450, -2, &table, &count));
    EXPECT_EQ(count, 36);
    // Neither a run tag nor an ordinary record is a structure.
    EXPECT_FALSE(mapPrefStruct(0x70664747, 0, &table, &count));
    EXPECT_FALSE(mapPrefStruct(0x534F4D53, 0, &table, &count));
}

struct RunRow {
    EXTAG tag;
    twobyte cmper;
    EXTAG chunkTag; // 0: not mapped
    twobyte count;
    twobyte firstInci;
};

TEST(PreferenceMaps, RunTagsMapWithinTheirCmperRanges) {
    const RunRow rows[] = {
        {0x70664744, 0, 0x6F743739, 1, 0},
        {0x70664744, -300, 0x6F743739, 1, 0},
        {0x70664747, 5, 0x6F743838, 11, 0},
        {0x70664762, 1, 0x6F743938, 1, 0},
        {0x70664762, 4, 0x6F743938, 1, 3},
        {0x70664762, 0, 0, 0, 0},
        {0x70664762, 5, 0, 0, 0},
        {0x70664764, 9, 0x6F743830, 1, 0},
        {0x70664773, 1, 0x6F743931, 1, 0},
        {0x70664773, 0, 0, 0, 0},
        {0x70664773, 2, 0, 0, 0},
        {0x70664D4D, 0, 0x6F743235, 2, 0},
        {0x70664E44, 3, 0x6F743034, 1, 0},
        {0x70664E64, 0, 0x6F743636, 1, 0},
        {0x70665046, 1, 0x6F743737, 4, 0},
        {0x70665046, 0, 0, 0, 0},
        {0x70665046, 2, 0, 0, 0},
        {0x70665343, 1, 0x6F743532, 2, 0},
        {0x7066534E, 1, 0x6F743430, 1, 0},
        {0x7066534E, 128, 0x6F743430, 1, 127},
        {0x7066534E, 129, 0, 0, 0},
        {0x70665350, 0, 0x6F743934, 3, 0},
        {0x7066536C, 15, 0x6F743236, 1, 14},
        {0x7066536C, 16, 0, 0, 0},
        {0x70665443, 0, 0x6F743836, 5, 0},
        {0x70665449, 0, 0x6F743834, 4, 0},
        {0x70665458, 0, 0x6F743738, 8, 0},
        {0x70665470, 0, 0x6F743835, 4, 0},
        {0x70665473, 9, 0x6F743930, 1, 8},
        {0x70665473, 10, 0, 0, 0},
        {0x70664D53, 0, 0, 0, 0}, // a structure tag is no run
    };
    for (const RunRow& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << std::hex << row.tag << std::dec << " cmper " << row.cmper);
        EXTAG chunkTag = 0xDEADBEEF;
        twobyte count = 99;
        twobyte firstInci = 99;
        EXPECT_EQ(mapPrefTag(row.tag, row.cmper, &chunkTag, &count, &firstInci), row.chunkTag);
        EXPECT_EQ(chunkTag, row.chunkTag);
        EXPECT_EQ(count, row.count);
        EXPECT_EQ(firstInci, row.firstInci);
    }
}

TEST(PreferenceMaps, FourByteConversionsJoinAndSplitHalves) {
    EXPECT_EQ(makePrefsFourbyte(0x1234, 0x5678, MAPCONV_HIGHFIRST), 0x12345678);
    EXPECT_EQ(makePrefsFourbyte(0x1234, 0x5678, MAPCONV_LOWFIRST), 0x56781234);
    // The low half is a half, not a signed number to add.
    EXPECT_EQ(makePrefsFourbyte(1, -1, MAPCONV_HIGHFIRST), 0x0001FFFF);
    EXPECT_EQ(makePrefsFourbyte(-1, -2, MAPCONV_HIGHFIRST), -2);
    EXPECT_EQ(makePrefsFourbyte(-2, -1, MAPCONV_LOWFIRST), -2);
    for (ufourbyte other : {0u, 3u, 4u, 5u})
        EXPECT_EQ(makePrefsFourbyte(0x11, 0x22, other), 0);

    twobyte first = 0;
    twobyte second = 0;
    makePrefsTwobytes(0x12345678, &first, &second, MAPCONV_HIGHFIRST);
    EXPECT_EQ(first, 0x1234);
    EXPECT_EQ(second, 0x5678);
    makePrefsTwobytes(0x12345678, &first, &second, MAPCONV_LOWFIRST);
    EXPECT_EQ(first, 0x5678);
    EXPECT_EQ(second, 0x1234);
    makePrefsTwobytes(-2, &first, &second, MAPCONV_HIGHFIRST);
    EXPECT_EQ(first, -1);
    EXPECT_EQ(second, -2);
    for (ufourbyte other : {0u, 3u, 4u}) {
        first = 7;
        second = 8;
        makePrefsTwobytes(0x12345678, &first, &second, other);
        EXPECT_EQ(first, 7);
        EXPECT_EQ(second, 8);
    }

    for (fourbyte value : {0, 1, -1, 0x7FFFFFFF, -0x7FFFFFFF - 1, 0x0001FFFF, -65536}) {
        for (ufourbyte conversion : {1u, 2u}) {
            makePrefsTwobytes(value, &first, &second, conversion);
            EXPECT_EQ(makePrefsFourbyte(first, second, conversion), value)
                << value << " conversion " << conversion;
        }
    }
}

TEST(PreferenceMaps, TwoByteConversionsBothWays) {
    EXPECT_EQ(PrefFieldFromWord(-5, MAPCONV_WORD), -5);
    EXPECT_EQ(PrefWordFromField(-5, 123, MAPCONV_WORD), -5);

    EXPECT_EQ(PrefFieldFromWord(0, MAPCONV_INVERTBOOL), 1);
    EXPECT_EQ(PrefFieldFromWord(1, MAPCONV_INVERTBOOL), 0);
    EXPECT_EQ(PrefFieldFromWord(5, MAPCONV_INVERTBOOL), 0);
    EXPECT_EQ(PrefWordFromField(0, 0, MAPCONV_INVERTBOOL), 1);
    EXPECT_EQ(PrefWordFromField(1, 1, MAPCONV_INVERTBOOL), 0);
    EXPECT_EQ(PrefWordFromField(7, 1, MAPCONV_INVERTBOOL), 0);
    // A word that already reads as the field stays as it is.
    EXPECT_EQ(PrefWordFromField(0, 5, MAPCONV_INVERTBOOL), 5);
    EXPECT_EQ(PrefWordFromField(1, 0, MAPCONV_INVERTBOOL), 0);

    EXPECT_EQ(PrefFieldFromWord(0x1234, MAPCONV_LOWBYTE), 0x34);
    EXPECT_EQ(PrefFieldFromWord(-1, MAPCONV_LOWBYTE), 0xFF);
    EXPECT_EQ(PrefWordFromField(0x0156, 0, MAPCONV_LOWBYTE), 0x56);
    // Only the low byte is the field's: the word's high byte is kept.
    EXPECT_EQ(PrefWordFromField(0x56, 0x1234, MAPCONV_LOWBYTE), 0x1256);
    EXPECT_EQ(PrefWordFromField(0x34, 0x1234, MAPCONV_LOWBYTE), 0x1234);
}

// ---------------------------------------------------------------------------------------------
// Whole structures through the record transport and the stand-in host.

class PreferenceStructureTest : public testing_support::HostTest {};

/// A structure of distinct field values that every conversion can carry: 0/1 for flag fields,
/// a byte for low-byte fields, and values with both halves set for 4-byte fields.
std::vector<unsigned char> DistinctStructure(const PREFERENCE_LOCATION_MAPRECORD* table,
                                             twobyte count, fourbyte size) {
    std::vector<unsigned char> buffer(static_cast<size_t>(size), 0);
    for (twobyte i = 0; i < count; ++i) {
        const auto& field = table[i];
        fourbyte value;
        switch (field.conversion) {
        case MAPCONV_INVERTBOOL:
            value = i % 2;
            break;
        case MAPCONV_LOWBYTE:
            value = 0x10 + i;
            break;
        case MAPCONV_HIGHFIRST:
        case MAPCONV_LOWFIRST:
            value = -(0x10000 * (i + 1)) - 3 * i - 1;
            break;
        default:
            value = 0x100 * (i + 1) + i;
            break;
        }
        WriteField(buffer, field.structOffset, field.fieldSize, value);
    }
    return buffer;
}

TEST_F(PreferenceStructureTest, EveryStructureSurvivesASaveAndALoad) {
    for (const StructureRow& row : STRUCTURES) {
        SCOPED_TRACE(row.name);
        Host().Reset();
        host::Document& document = NewDocument();
        PREFERENCE_LOCATION_MAPRECORD* table = nullptr;
        twobyte count = 0;
        ASSERT_TRUE(mapPrefStruct(row.tag, 0, &table, &count));
        std::vector<unsigned char> saved = DistinctStructure(table, count, row.size);

        Key key(0);
        ASSERT_EQ(FX_SaveEData(row.tag, key.Address(), saved.data(), row.size, FINALEPDK_VERSION),
                  1);
        // Every chunk of the structure now exists (each holds at least one non-zero field), and
        // the host holds no record under the structure's own tag.
        EXPECT_EQ(Host().CountCalls("FX_SaveEData"), row.chunks);
        EXPECT_EQ(static_cast<int>(document.records.size()), row.chunks);
        EXPECT_FALSE(StoredBytes(document, row.tag, 0, 0));

        std::vector<unsigned char> loaded(static_cast<size_t>(row.size) + 4, 0xEE);
        fourbyte size = static_cast<fourbyte>(loaded.size());
        ASSERT_EQ(FX_LoadEData(row.tag, key.Address(), loaded.data(), &size, FINALEPDK_VERSION), 1);
        EXPECT_EQ(size, row.size);
        EXPECT_EQ(std::vector<unsigned char>(loaded.begin(), loaded.begin() + row.size), saved);
        // Nothing past the structure is written.
        for (size_t i = static_cast<size_t>(row.size); i < loaded.size(); ++i)
            EXPECT_EQ(loaded[i], 0xEE);
    }
}

TEST_F(PreferenceStructureTest, UnchangedStructureSavesNothing) {
    // Words that hold more than their fields read: a flag word of 5 (pfMS offset 12 reads it as
    // 0) and high bytes under low-byte fields (pfMS offsets 52 and 54).
    auto builder = NewDocument();
    Chunk(builder, "36", {11, 5, 22, 33, 44, 55});
    Chunk(builder, "19", {0, 0, 0x0102, 0x0304, 0x7F12, 0x0634});
    Chunk(builder, "62", Marked(0x6200));

    std::vector<unsigned char> prefs(104, 0);
    fourbyte size = 104;
    Key key(0);
    ASSERT_EQ(FX_LoadEData(0x70664D53, key.Address(), prefs.data(), &size, FINALEPDK_VERSION), 1);
    EXPECT_EQ(ReadField(prefs, 12, 2), 0);
    EXPECT_EQ(ReadField(prefs, 52, 2), 0x12);
    EXPECT_EQ(ReadField(prefs, 54, 2), 0x34);

    Host().ClearCalls();
    ASSERT_EQ(FX_SaveEData(0x70664D53, key.Address(), prefs.data(), 104, FINALEPDK_VERSION), 1);
    EXPECT_EQ(Host().CountCalls("FX_SaveEData"), 0);
    EXPECT_EQ(Host().CountCalls("FX_LoadEData"), 23);

    // A changed low byte keeps the word's high byte; a flag set to 1 clears its word.
    WriteField(prefs, 52, 2, 0x99);
    WriteField(prefs, 12, 2, 1);
    ASSERT_EQ(FX_SaveEData(0x70664D53, key.Address(), prefs.data(), 104, FINALEPDK_VERSION), 1);
    EXPECT_EQ(Host().CountCalls("FX_SaveEData"), 2);
    EXPECT_EQ(StoredChunk(builder.Built(), "19"), (Words{0, 0, 0x0102, 0x0304, 0x7F99, 0x0634}));
    EXPECT_EQ(StoredChunk(builder.Built(), "36"), (Words{11, 0, 22, 33, 44, 55}));
}

} // namespace
