// The stand-in host keeps a measure record per measure in step with the measures the builder
// makes, and answers measure durations from the stored record.
#include "host/MeasureRecord.h"

#include "finalepdk/FinaleBinding.h"
#include "support/HostFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

class MeasureRecords : public testing_support::HostTest {
protected:
    /// The record of `measure` as loaded through the host binding; empty when it does not load.
    std::vector<unsigned char> Load(twobyte measure) {
        unsigned char key[8] = {};
        std::memcpy(key, &measure, sizeof measure);
        std::vector<unsigned char> bytes(host::MEASURE_RECORD_SIZE);
        fourbyte size = static_cast<fourbyte>(bytes.size());
        if (!FX_LoadEData(host::TAG_MEASURE, key, bytes.data(), &size, FINALEPDK_VERSION))
            return {};
        bytes.resize(static_cast<size_t>(size));
        return bytes;
    }

    bool Save(twobyte measure, std::vector<unsigned char> bytes) {
        unsigned char key[8] = {};
        std::memcpy(key, &measure, sizeof measure);
        return FX_SaveEData(host::TAG_MEASURE, key, bytes.data(),
                            static_cast<fourbyte>(bytes.size()), FINALEPDK_VERSION) != 0;
    }

    template <typename T> static T Field(const std::vector<unsigned char>& bytes, size_t offset) {
        T value{};
        if (bytes.size() < offset + sizeof value)
            ADD_FAILURE() << "record of " << bytes.size() << " bytes";
        else
            std::memcpy(&value, bytes.data() + offset, sizeof value);
        return value;
    }
    template <typename T>
    static void SetField(std::vector<unsigned char>& bytes, size_t offset, T value) {
        if (bytes.size() < offset + sizeof value)
            ADD_FAILURE() << "record of " << bytes.size() << " bytes";
        else
            std::memcpy(bytes.data() + offset, &value, sizeof value);
    }
};

} // namespace

TEST_F(MeasureRecords, BuilderWritesOneRecordPerMeasure) {
    NewDocument().Staves(1).Measures(2, 3, 512).Measures(1).TimeSignature(3, 6, 512);
    for (twobyte m = 1; m <= 3; ++m) {
        const auto bytes = Load(m);
        ASSERT_EQ(bytes.size(), 26u) << m;
        EXPECT_EQ(Field<utwobyte>(bytes, host::MEASURE_KEY_OFFSET), 0) << m;
    }
    EXPECT_EQ(Field<twobyte>(Load(1), host::MEASURE_BEATS_OFFSET), 3);
    EXPECT_EQ(Field<twobyte>(Load(1), host::MEASURE_BEATDURATION_OFFSET), 512);
    EXPECT_EQ(Field<twobyte>(Load(3), host::MEASURE_BEATS_OFFSET), 6);
    EXPECT_TRUE(Load(4).empty());
}

TEST_F(MeasureRecords, KeysRunFromTheirMeasureOnAndCarryIntoNewMeasures) {
    NewDocument().Measures(4).KeySignature(2, -3).KeySignature(4, 2, true).Measures(1);
    // Written independently: 0x00FD is three flats major, 0x0102 is two sharps minor.
    EXPECT_EQ(Field<utwobyte>(Load(1), host::MEASURE_KEY_OFFSET), 0x0000);
    EXPECT_EQ(Field<utwobyte>(Load(2), host::MEASURE_KEY_OFFSET), 0x00FD);
    EXPECT_EQ(Field<utwobyte>(Load(3), host::MEASURE_KEY_OFFSET), 0x00FD);
    EXPECT_EQ(Field<utwobyte>(Load(4), host::MEASURE_KEY_OFFSET), 0x0102);
    EXPECT_EQ(Field<utwobyte>(Load(5), host::MEASURE_KEY_OFFSET), 0x0102);

    // A raw key value from the first measure on replaces every key after it.
    NewDocument().Measures(2).KeySignature(2, 5).KeyValue(1, 0x4000);
    EXPECT_EQ(Field<utwobyte>(Load(1), host::MEASURE_KEY_OFFSET), 0x4000);
    EXPECT_EQ(Field<utwobyte>(Load(2), host::MEASURE_KEY_OFFSET), 0x4000);
}

TEST_F(MeasureRecords, BuilderKeepsBytesItDoesNotOwn) {
    auto builder = NewDocument().Measures(1);
    auto bytes = Load(1);
    SetField<utwobyte>(bytes, 10, 0x0810); // a plug-in's flags
    ASSERT_TRUE(Save(1, bytes));
    builder.TimeSignature(1, 2, 2048).KeySignature(1, 1);
    const auto after = Load(1);
    EXPECT_EQ(Field<utwobyte>(after, 10), 0x0810);
    EXPECT_EQ(Field<twobyte>(after, host::MEASURE_BEATS_OFFSET), 2);
    EXPECT_EQ(Field<utwobyte>(after, host::MEASURE_KEY_OFFSET), 1);
}

TEST_F(MeasureRecords, DurationFollowsTheSavedRecord) {
    NewDocument().Staves(1).Measures(2);
    EXPECT_EQ(FX_GetMeasureDuration(1, 1, FINALEPDK_VERSION), 4096);

    auto bytes = Load(2);
    SetField<twobyte>(bytes, host::MEASURE_BEATS_OFFSET, 6);
    SetField<twobyte>(bytes, host::MEASURE_BEATDURATION_OFFSET, 512);
    ASSERT_TRUE(Save(2, bytes));
    EXPECT_EQ(FX_GetMeasureDuration(1, 2, FINALEPDK_VERSION), 3072);
    EXPECT_EQ(FX_GetMeasureDuration(1, 1, FINALEPDK_VERSION), 4096);

    // A stored time signature that is not positive gives no length at all.
    SetField<twobyte>(bytes, host::MEASURE_BEATDURATION_OFFSET, -512);
    ASSERT_TRUE(Save(2, bytes));
    EXPECT_EQ(FX_GetMeasureDuration(1, 2, FINALEPDK_VERSION), 0);
    EXPECT_EQ(FX_GetMeasureDuration(1, 3, FINALEPDK_VERSION), 0);
}

TEST_F(MeasureRecords, WithoutARecordTheMeasureModelAnswers) {
    host::Document& document = NewDocument().Measures(2, 3, 1024);
    document.records.erase(host::MeasureRecordKey(1));
    EXPECT_EQ(FX_GetMeasureDuration(1, 1, FINALEPDK_VERSION), 3072);
    // A record too short to hold a time signature does not count either.
    document.records[host::MeasureRecordKey(2)] = {1, 2, 3};
    EXPECT_EQ(FX_GetMeasureDuration(1, 2, FINALEPDK_VERSION), 3072);
}
