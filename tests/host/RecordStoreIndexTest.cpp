// The record store's index of entry numbers with details: it must agree with the records after
// every kind of change, or frames would lose their tuplets and saves would keep or drop details
// wrongly.
#include "host/EntryDetails.h"
#include "host/RecordStore.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace {

using host::DetailKey;
using host::RecordStore;
using host::TAG_ARTICULATION;
using host::TAG_DOTMOD;
using host::TAG_TUPLET;

constexpr EXTAG OTHER_TAG = MakeExTag('T', 'E', 'S', 'T');

TEST(RecordStoreIndex, AnEmptyStoreHasNoDetails) {
    const RecordStore records;
    for (fourbyte number : {0, 1, -1})
        EXPECT_FALSE(records.HasDetails(number)) << number;
    EXPECT_FALSE(records.HasDetail(TAG_TUPLET, 1));
}

TEST(RecordStoreIndex, KnowsEachKindUnderItsOwnNumber) {
    RecordStore records;
    records[DetailKey(TAG_TUPLET, 4, 0)] = {1};
    records.insert({DetailKey(TAG_ARTICULATION, 9, 2), {2}});
    records.insert_or_assign(DetailKey(TAG_DOTMOD, 12, 0), {3});
    // A record of another tag whose key starts with an entry's number is no detail of it.
    records[host::RecordKey{OTHER_TAG, {5, 0, 0, 0, 0, 0, 0, 0}}] = {4};

    EXPECT_TRUE(records.HasDetail(TAG_TUPLET, 4));
    EXPECT_FALSE(records.HasDetail(TAG_ARTICULATION, 4));
    EXPECT_TRUE(records.HasDetail(TAG_ARTICULATION, 9));
    EXPECT_FALSE(records.HasDetail(TAG_TUPLET, 9));
    EXPECT_TRUE(records.HasDetails(12));
    EXPECT_FALSE(records.HasDetails(5));
    EXPECT_FALSE(records.HasDetails(3));
}

TEST(RecordStoreIndex, AKindGoesOnlyWithTheLastRecordOfItUnderTheNumber) {
    RecordStore records;
    records[DetailKey(TAG_ARTICULATION, 7, 0)] = {1};
    records[DetailKey(TAG_ARTICULATION, 7, 1)] = {2};
    records[DetailKey(TAG_TUPLET, 7, 0)] = {3};
    records[DetailKey(TAG_ARTICULATION, 8, 0)] = {4};

    EXPECT_EQ(records.erase(DetailKey(TAG_ARTICULATION, 7, 0)), 1u);
    EXPECT_TRUE(records.HasDetail(TAG_ARTICULATION, 7));
    records.erase(records.find(DetailKey(TAG_ARTICULATION, 7, 1)));
    EXPECT_FALSE(records.HasDetail(TAG_ARTICULATION, 7));
    EXPECT_TRUE(records.HasDetail(TAG_TUPLET, 7));
    EXPECT_TRUE(records.HasDetail(TAG_ARTICULATION, 8));

    auto node = records.extract(DetailKey(TAG_TUPLET, 7, 0));
    EXPECT_FALSE(records.HasDetails(7));
    // Put back under another number, as a renumbering does.
    node.key() = DetailKey(TAG_TUPLET, 11, 0);
    records.insert(std::move(node));
    EXPECT_TRUE(records.HasDetail(TAG_TUPLET, 11));
    EXPECT_FALSE(records.HasDetails(7));

    // Erasing a key that is not there changes nothing.
    EXPECT_EQ(records.erase(DetailKey(TAG_ARTICULATION, 8, 5)), 0u);
    EXPECT_TRUE(records.HasDetail(TAG_ARTICULATION, 8));
}

TEST(RecordStoreIndex, ARangeEraseClearsEveryNumberItEmpties) {
    RecordStore records;
    for (fourbyte number = 1; number <= 5; ++number)
        for (twobyte inci = 0; inci < 3; ++inci)
            records[DetailKey(TAG_ARTICULATION, number, inci)] = {static_cast<unsigned char>(inci)};
    // Numbers 2 to 4, and the first record of 5.
    records.erase(records.lower_bound(DetailKey(TAG_ARTICULATION, 2, 0)),
                  records.find(DetailKey(TAG_ARTICULATION, 5, 1)));
    for (fourbyte number = 1; number <= 5; ++number)
        EXPECT_EQ(records.HasDetails(number), number == 1 || number == 5) << number;

    records.clear();
    EXPECT_FALSE(records.HasDetails(1));
    EXPECT_FALSE(records.HasDetails(5));
}

// Numbers the host never gives (negative, or very large) are kept as well as its own.
TEST(RecordStoreIndex, KeepsNumbersOutsideTheHostsOwnRange) {
    RecordStore records;
    const std::vector<fourbyte> numbers = {-1, -70000, 0x7FFFFFFF, 1 << 22, 0};
    for (fourbyte number : numbers)
        records[DetailKey(TAG_DOTMOD, number, 0)] = {1};
    for (fourbyte number : numbers)
        EXPECT_TRUE(records.HasDetail(TAG_DOTMOD, number)) << number;
    for (fourbyte number : numbers)
        records.erase(DetailKey(TAG_DOTMOD, number, 0));
    for (fourbyte number : numbers)
        EXPECT_FALSE(records.HasDetails(number)) << number;
}

// A copied store (an edit's saved state) answers from its own records.
TEST(RecordStoreIndex, ACopyKeepsItsOwnIndex) {
    RecordStore records;
    records[DetailKey(TAG_TUPLET, 3, 0)] = {1};
    RecordStore copy = records;
    records.erase(DetailKey(TAG_TUPLET, 3, 0));
    EXPECT_TRUE(copy.HasDetail(TAG_TUPLET, 3));
    EXPECT_FALSE(records.HasDetails(3));
    records = copy;
    EXPECT_TRUE(records.HasDetail(TAG_TUPLET, 3));
}

} // namespace

namespace {

// Look-ups by key see what the map holds, whether the index rules the key out or not.
TEST(RecordStoreIndex, FindsExactlyTheStoredRecords) {
    RecordStore records;
    records[DetailKey(TAG_ARTICULATION, 6, 1)] = {7};
    records[host::RecordKey{OTHER_TAG, {6, 0, 0, 0, 0, 0, 0, 0}}] = {8};
    ASSERT_NE(records.find(DetailKey(TAG_ARTICULATION, 6, 1)), records.end());
    EXPECT_EQ(records.find(DetailKey(TAG_ARTICULATION, 6, 1))->second,
              std::vector<unsigned char>{7});
    EXPECT_EQ(records.count(DetailKey(TAG_ARTICULATION, 6, 0)), 0u); // same number, other record
    EXPECT_EQ(records.count(DetailKey(TAG_TUPLET, 6, 1)), 0u);       // same number, other kind
    EXPECT_EQ(records.count(DetailKey(TAG_ARTICULATION, 5, 1)), 0u); // another number
    EXPECT_EQ(records.count(host::RecordKey{OTHER_TAG, {6, 0, 0, 0, 0, 0, 0, 0}}), 1u);
    const RecordStore& view = records;
    EXPECT_NE(view.find(DetailKey(TAG_ARTICULATION, 6, 1)), view.end());
    EXPECT_EQ(view.find(DetailKey(TAG_TUPLET, 6, 1)), view.end());
}

// Records stored through operator[] in any order, in order, again, and between erasures: the
// store must hold them in its own order exactly as a plain map would, whatever place it tries
// first.
TEST(RecordStoreOrder, StoringInAnyOrderKeepsTheHostsOrder) {
    RecordStore records;
    std::map<host::RecordKey, std::vector<unsigned char>, host::RecordOrder> expected;
    auto store = [&](const host::RecordKey& key, unsigned char value) {
        records[key] = {value};
        expected[key] = {value};
    };
    for (fourbyte entry = 1; entry <= 20; ++entry)
        store(DetailKey(TAG_ARTICULATION, entry, 0), static_cast<unsigned char>(entry));
    store(DetailKey(TAG_ARTICULATION, 5, 1), 50);  // between two stored ones
    store(DetailKey(TAG_ARTICULATION, 20, 0), 99); // the last one again
    store(DetailKey(TAG_TUPLET, 3, 0), 30);        // another tag, before the last stored
    store(DetailKey(TAG_ARTICULATION, 21, 0), 21); // after the last but one stored
    records.erase(DetailKey(TAG_ARTICULATION, 21, 0));
    expected.erase(DetailKey(TAG_ARTICULATION, 21, 0));
    store(DetailKey(TAG_ARTICULATION, 22, 0), 22); // after an erasure of the last stored
    store(host::RecordKey{OTHER_TAG, {1, 0, 2, 0, 0, 0, 0, 0}}, 7);
    store(host::RecordKey{OTHER_TAG, {1, 0, 1, 0, 0, 0, 0, 0}}, 6);

    ASSERT_EQ(records.size(), expected.size());
    auto it = records.begin();
    for (const auto& [key, bytes] : expected) {
        EXPECT_TRUE(it->first == key);
        EXPECT_EQ(it->second, bytes);
        ++it;
    }
    EXPECT_TRUE(records.HasDetail(TAG_ARTICULATION, 22));
    EXPECT_FALSE(records.HasDetail(TAG_ARTICULATION, 21));
}

TEST(RecordStoreOrder, ACopyStoresIntoItsOwnRecords) {
    RecordStore records;
    records[DetailKey(TAG_ARTICULATION, 1, 0)] = {1};
    RecordStore copy = records;
    copy[DetailKey(TAG_ARTICULATION, 2, 0)] = {2}; // right after the record stored last
    records[DetailKey(TAG_ARTICULATION, 3, 0)] = {3};
    EXPECT_EQ(copy.size(), 2u);
    EXPECT_EQ(records.size(), 2u);
    EXPECT_EQ(copy.count(DetailKey(TAG_ARTICULATION, 3, 0)), 0u);
    EXPECT_EQ(records.count(DetailKey(TAG_ARTICULATION, 2, 0)), 0u);
    RecordStore moved = std::move(copy);
    moved[DetailKey(TAG_ARTICULATION, 4, 0)] = {4};
    EXPECT_EQ(moved.size(), 3u);
    EXPECT_TRUE(copy.empty()); // NOLINT(bugprone-use-after-move): a moved-from store is empty
    copy[DetailKey(TAG_ARTICULATION, 5, 0)] = {5};
    EXPECT_EQ(copy.size(), 1u);
}

} // namespace
