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

} // namespace
