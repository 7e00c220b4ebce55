// Record requests at the edges of the record store: empty records, which have no bytes to copy.
#include "finalepdk/FinaleBinding.h"
#include "support/HostFixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

constexpr EXTAG TAG = MakeExTag('T', 'E', 'S', 'T');

class RecordStoreTest : public testing_support::HostTest {};

TEST_F(RecordStoreTest, AnEmptyRecordLoadsAsZeroBytes) {
    NewDocument().Record(TAG, 7, 0, 0, {});
    twobyte key[4] = {7, 0, 0, 0};
    std::vector<unsigned char> buffer(16, 0xA5);
    fourbyte size = static_cast<fourbyte>(buffer.size());
    EXPECT_NE(FX_LoadEData(TAG, key, buffer.data(), &size, FINALEPDK_VERSION), 0);
    EXPECT_EQ(size, 0);
    EXPECT_EQ(buffer, std::vector<unsigned char>(16, 0xA5));

    size = 16;
    EXPECT_NE(FX_LoadEData(TAG, key, nullptr, &size, FINALEPDK_VERSION), 0);
    EXPECT_EQ(size, 0);
}

TEST_F(RecordStoreTest, StepsOntoEmptyRecordsWithoutCopying) {
    NewDocument().Record(TAG, 1, 0, 0, {1, 2, 3}).Record(TAG, 2, 0, 0, {});
    twobyte key[4] = {1, 0, 0, 0};
    std::vector<unsigned char> buffer(4, 0xA5);
    EXPECT_NE(FX_NextEData(TAG, key, buffer.data(), 4, FINALEPDK_VERSION), 0);
    EXPECT_EQ(key[0], 2);
    EXPECT_EQ(buffer, std::vector<unsigned char>(4, 0xA5));

    EXPECT_NE(FX_PreviousEData(TAG, key, buffer.data(), 4, FINALEPDK_VERSION), 0);
    EXPECT_EQ(key[0], 1);
    EXPECT_EQ(buffer, (std::vector<unsigned char>{1, 2, 3, 0xA5}));
}

// Entry details are kept by entry number (unsigned, so -1 comes last) and record number; a
// delete closes the gap behind it, and a record number chosen by the host is the first free one.
TEST_F(RecordStoreTest, EntryDetailsStepByEntryAndRecordNumberAndStayConsecutive) {
    constexpr EXTAG DETAIL = 0x6564494D; // articulations
    NewDocument()
        .DetailRecord(DETAIL, 5, 2, {52})
        .DetailRecord(DETAIL, -1, 0, {90})
        .DetailRecord(DETAIL, 5, 0, {50})
        .DetailRecord(DETAIL, 3, 0, {30})
        .DetailRecord(DETAIL, 5, 1, {51})
        .DetailRecord(DETAIL, 7, 0, {70})
        .DetailRecord(DETAIL, 7, -1, {79});
    struct Key {
        fourbyte entry;
        twobyte inci;
        twobyte unused;
    };
    auto walk = [&] {
        std::vector<int> firstBytes;
        Key key{0, 0, 0};
        unsigned char byte = 0;
        while (FX_NextEData(DETAIL, &key, &byte, 1, FINALEPDK_VERSION) != 0)
            firstBytes.push_back(byte);
        return firstBytes;
    };
    EXPECT_EQ(walk(), (std::vector<int>{30, 50, 51, 52, 70, 79, 90}));

    Key last{-1, 0, 0};
    unsigned char byte = 0;
    ASSERT_NE(FX_PreviousEData(DETAIL, &last, &byte, 1, FINALEPDK_VERSION), 0);
    EXPECT_EQ(last.entry, 7);
    EXPECT_EQ(last.inci, -1);

    Key first{5, 0, 0};
    ASSERT_NE(FX_DeleteEData(DETAIL, &first, FINALEPDK_VERSION), 0);
    Key top{7, -1, 0};
    ASSERT_NE(FX_DeleteEData(DETAIL, &top, FINALEPDK_VERSION), 0); // the last number: no gap
    EXPECT_EQ(walk(), (std::vector<int>{30, 51, 52, 70, 90}));
    Key moved{5, 1, 0};
    fourbyte size = 1;
    ASSERT_NE(FX_LoadEData(DETAIL, &moved, &byte, &size, FINALEPDK_VERSION), 0);
    EXPECT_EQ(byte, 52) << "record 2 moved down to 1";
    Key kept{7, 0, 0};
    size = 1;
    ASSERT_NE(FX_LoadEData(DETAIL, &kept, &byte, &size, FINALEPDK_VERSION), 0);
    EXPECT_EQ(byte, 70) << "deleting the last record number moves nothing";

    Key chosen{5, -1, 0};
    unsigned char created = 53;
    ASSERT_NE(FX_CreateEData(DETAIL, &chosen, &created, 1, FINALEPDK_VERSION), 0);
    EXPECT_EQ(chosen.inci, 2);
}

} // namespace
