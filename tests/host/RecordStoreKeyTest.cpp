// The record store keeps each key with its place in the host's order, worked out once. These
// tests hold the store to a plain map in RecordOrder: the same places for every kind of key, the
// same records after any mix of saves, overwrites, erasures and renumberings, and the same walk,
// through the store itself and through the host functions.
#include "host/EntryDetails.h"
#include "host/Host.h"
#include "host/HostFunctions.h"
#include "host/RecordStore.h"
#include "support/HostFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <vector>

namespace {

using host::RecordKey;
using host::RecordOrder;
using host::RecordStore;
using host::StoredKey;
using host::StoredOrder;
using Bytes = std::vector<unsigned char>;
using Model = std::map<RecordKey, Bytes, RecordOrder>;

constexpr EXTAG OTHER_TAG = MakeExTag('T', 'E', 'S', 'T');
constexpr EXTAG MEASURE_TAG = MakeExTag('S', 'O', 'M', 'S');
constexpr EXTAG TAGS[] = {host::TAG_TUPLET, host::TAG_ARTICULATION, host::TAG_DOTMOD, MEASURE_TAG,
                          OTHER_TAG};
// Byte values at the edges of signed and unsigned words.
constexpr unsigned char EDGE_BYTES[] = {0x00, 0x01, 0x7F, 0x80, 0xFE, 0xFF};

RecordKey RandomKey(std::mt19937& random, EXTAG tag) {
    RecordKey key{tag, {}};
    for (auto& byte : key.key)
        byte = EDGE_BYTES[random() % std::size(EDGE_BYTES)];
    return key;
}

RecordKey RandomTaggedKey(std::mt19937& random) {
    return RandomKey(random, TAGS[random() % std::size(TAGS)]);
}

void ExpectSameRecords(const RecordStore& records, const Model& model) {
    ASSERT_EQ(records.size(), model.size());
    auto it = records.begin();
    for (const auto& [key, bytes] : model) {
        ASSERT_TRUE(it->first == key) << "tag " << it->first.tag;
        ASSERT_EQ(it->second, bytes);
        ++it;
    }
}

TEST(RecordStoreKeys, PlacesOrderKeysAsTheHostsOrder) {
    std::mt19937 random(7);
    std::vector<RecordKey> keys;
    for (EXTAG tag : TAGS)
        for (int i = 0; i < 200; ++i)
            keys.push_back(RandomKey(random, tag));
    // Keys that differ in one byte only, in every position.
    for (size_t byte = 0; byte < 8; ++byte)
        for (unsigned char value : EDGE_BYTES) {
            RecordKey key{host::TAG_ARTICULATION, {}};
            key.key[byte] = value;
            keys.push_back(key);
            key.tag = OTHER_TAG;
            keys.push_back(key);
        }
    const std::vector<StoredKey> stored(keys.begin(), keys.end());
    const RecordOrder hostOrder;
    const StoredOrder storedOrder;
    for (size_t i = 0; i < keys.size(); ++i) {
        const RecordKey& a = keys[i];
        for (size_t j = 0; j < keys.size(); ++j) {
            const RecordKey& b = keys[j];
            ASSERT_EQ(storedOrder(stored[i], stored[j]), hostOrder(a, b))
                << "keys " << i << " and " << j << ", tags " << a.tag << " and " << b.tag;
            // Equivalent only when every byte is the same.
            const bool equivalent =
                !storedOrder(stored[i], stored[j]) && !storedOrder(stored[j], stored[i]);
            ASSERT_EQ(equivalent, a.tag == b.tag && a.key == b.key) << "keys " << i << ", " << j;
        }
    }
}

// Saves in order (the way a save numbers new entries' details), out of order, over records
// stored before, erasures one by one and by range, renumbering through node handles, and
// copies: after each step the store holds what a plain map holds, in its order, and answers
// every look-up as the map does.
TEST(RecordStoreKeys, StoresOverwritesErasesAndWalksLikeAPlainMap) {
    std::mt19937 random(11);
    RecordStore records;
    Model model;
    std::vector<RecordKey> used; // keys stored at some time, to store over or erase again
    RecordKey last{OTHER_TAG, {}};
    auto pickKey = [&]() -> RecordKey {
        switch (random() % 4) {
        case 0: return RandomTaggedKey(random);
        case 1: { // right after the last one stored
            RecordKey key = last;
            key.key[4] = static_cast<unsigned char>(key.key[4] + 1);
            return key;
        }
        case 2: return last;
        default: return used.empty() ? RandomTaggedKey(random) : used[random() % used.size()];
        }
    };
    for (int step = 0; step < 4000; ++step) {
        const auto value = static_cast<unsigned char>(step);
        switch (random() % 9) {
        case 0:
        case 1:
        case 2: { // operator[], new or stored over
            const RecordKey key = pickKey();
            records[key] = {value, 1};
            model[key] = {value, 1};
            used.push_back(key);
            last = key;
            break;
        }
        case 3: { // insert keeps a stored record
            const RecordKey key = pickKey();
            const bool added = records.insert({key, {value, 2}}).second;
            EXPECT_EQ(added, model.emplace(key, Bytes{value, 2}).second);
            used.push_back(key);
            break;
        }
        case 4: { // insert_or_assign
            const RecordKey key = pickKey();
            records.insert_or_assign(key, {value, 3});
            model.insert_or_assign(key, Bytes{value, 3});
            used.push_back(key);
            break;
        }
        case 5: { // erase by key
            const RecordKey key = pickKey();
            EXPECT_EQ(records.erase(key), model.erase(key));
            break;
        }
        case 6: { // erase by position, or a short range
            if (records.empty()) break;
            const RecordKey key = pickKey();
            auto first = records.lower_bound(key);
            auto modelFirst = model.lower_bound(key);
            auto stop = first;
            auto modelStop = modelFirst;
            for (int n = static_cast<int>(random() % 3); n >= 0 && stop != records.end(); --n) {
                ASSERT_NE(modelStop, model.end());
                ++stop;
                ++modelStop;
            }
            records.erase(first, stop);
            model.erase(modelFirst, modelStop);
            break;
        }
        case 7: { // renumbered in place through a node handle
            const RecordKey key = pickKey();
            auto node = records.extract(key);
            auto modelNode = model.extract(key);
            ASSERT_EQ(node.empty(), modelNode.empty());
            if (node.empty()) break;
            const RecordKey moved = RandomKey(random, key.tag);
            RecordKey& fields = node.key(); // changed as a plain key
            fields.key = moved.key;
            modelNode.key() = moved;
            const bool inserted = records.insert(std::move(node)).inserted;
            EXPECT_EQ(inserted, model.insert(std::move(modelNode)).inserted);
            used.push_back(moved);
            break;
        }
        default: { // a copy, stored into, and put back
            RecordStore copy = records;
            const RecordKey extra = RandomTaggedKey(random);
            const bool isNew = records.count(extra) == 0;
            copy[extra] = {value};
            EXPECT_EQ(copy.size(), records.size() + (isNew ? 1 : 0));
            EXPECT_EQ(records.count(extra), isNew ? 0u : 1u) << "the copy stores its own";
            copy = records;
            EXPECT_TRUE(copy == records);
            records = std::move(copy);
            break;
        }
        }
        if (step % 50 == 0 || step > 3900) {
            ExpectSameRecords(records, model);
            // A look-up of the store lands on the record the same look-up of the map lands on.
            const auto expectSame = [&](RecordStore::const_iterator found,
                                        Model::const_iterator modelFound, const char* lookUp) {
                ASSERT_EQ(found == records.end(), modelFound == model.end()) << lookUp;
                if (found == records.end()) return;
                EXPECT_TRUE(found->first == modelFound->first) << lookUp;
                EXPECT_EQ(found->second, modelFound->second) << lookUp;
            };
            for (int probe = 0; probe < 20; ++probe) {
                const RecordKey key = pickKey();
                expectSame(records.find(key), model.find(key), "find");
                expectSame(records.lower_bound(key), model.lower_bound(key), "lower_bound");
                expectSame(records.upper_bound(key), model.upper_bound(key), "upper_bound");
                if (host::IsEntryDetailTag(key.tag)) {
                    fourbyte number;
                    std::memcpy(&number, key.key.data(), sizeof number);
                    const auto first = model.lower_bound(host::DetailKey(key.tag, number));
                    const bool held = first != model.end() && first->first.tag == key.tag &&
                                      host::EntryNumberOfKey(first->first.key) == number;
                    EXPECT_EQ(records.HasDetail(key.tag, number), held);
                }
            }
        }
    }
}

// A key taken from the store is a StoredKey; changed through its fields and used again, or
// copied and then used, it is found and stored by what it holds, not by where it came from.
TEST(RecordStoreKeys, AKeyChangedInPlaceIsPlacedByWhatItHolds) {
    RecordStore records;
    auto keyOf = [](unsigned char n) { return RecordKey{OTHER_TAG, {n, 0, 0, 0, 0, 0, 0, 0}}; };
    for (unsigned char n = 1; n <= 5; ++n)
        records[keyOf(n)] = {n};
    auto key = records.begin()->first; // the key of record 1, as the store holds it
    key.key[0] = 9;
    EXPECT_EQ(records.find(key), records.end());
    EXPECT_TRUE(records.insert({key, {9}}).second) << "nothing is stored under 9 yet";
    auto changed = records.begin()->first;
    changed.key[0] = 8;
    const auto copied = changed; // a copy of a key changed in place
    EXPECT_TRUE(records.insert({copied, {8}}).second) << "nothing is stored under 8 yet";
    records[copied] = {80};
    std::vector<unsigned char> order;
    for (const auto& [stored, bytes] : records) {
        order.push_back(stored.key[0]);
        EXPECT_EQ(records.find(stored), records.find(keyOf(stored.key[0])));
    }
    EXPECT_EQ(order, (std::vector<unsigned char>{1, 2, 3, 4, 5, 8, 9}));
    EXPECT_EQ(records.at(keyOf(1)), Bytes{1});
    EXPECT_EQ(records.at(keyOf(8)), Bytes{80});
    EXPECT_EQ(records.at(keyOf(9)), Bytes{9});
}

class RecordStoreHostTest : public testing_support::HostTest {};

// Through the host functions: records saved in and out of order, saved over, deleted (details
// closing the gap), walked forward and back; a cancelled edit puts the copy it kept back.
TEST_F(RecordStoreHostTest, SavedOverwrittenDeletedAndWalkedInOrder) {
    using namespace host::fx;
    constexpr EVERSION V = FINALEPDK_VERSION;
    NewDocument();
    struct Key {
        fourbyte entry;
        twobyte inci;
        twobyte unused;
    };
    auto save = [&](fourbyte entry, twobyte inci, unsigned char value) {
        Key key{entry, inci, 0};
        unsigned char bytes[2] = {value, 0};
        return FX_SaveEData(host::TAG_ARTICULATION, &key, bytes, 2, V);
    };
    auto walk = [&](bool forward) {
        std::vector<int> values;
        Key key = forward ? Key{0, 0, 0} : Key{-1, -1, -1};
        unsigned char byte = 0;
        while ((forward ? FX_NextEData(host::TAG_ARTICULATION, &key, &byte, 1, V)
                        : FX_PreviousEData(host::TAG_ARTICULATION, &key, &byte, 1, V)) != 0)
            values.push_back(byte);
        return values;
    };
    for (fourbyte entry = 1; entry <= 6; ++entry)
        ASSERT_NE(save(entry, 0, static_cast<unsigned char>(10 * entry)), 0);
    ASSERT_NE(save(3, 1, 31), 0);
    ASSERT_NE(save(3, 2, 32), 0);
    ASSERT_NE(save(2, 0, 21), 0); // over one stored before
    ASSERT_NE(save(6, 0, 61), 0); // over the last one stored
    ASSERT_NE(save(-1, 0, 99), 0); // the highest entry number, unsigned
    EXPECT_EQ(walk(true), (std::vector<int>{10, 21, 30, 31, 32, 40, 50, 61, 99}));
    EXPECT_EQ(walk(false), (std::vector<int>{99, 61, 50, 40, 32, 31, 30, 21, 10}));

    Key key{3, 0, 0};
    unsigned char bytes[4] = {};
    fourbyte size = 4;
    ASSERT_NE(FX_LoadEData(host::TAG_ARTICULATION, &key, bytes, &size, V), 0);
    EXPECT_EQ(size, 2);
    EXPECT_EQ(bytes[0], 30);

    ASSERT_NE(FX_DeleteEData(host::TAG_ARTICULATION, &key, V), 0);
    EXPECT_EQ(walk(true), (std::vector<int>{10, 21, 31, 32, 40, 50, 61, 99}));
    size = 4;
    Key moved{3, 1, 0};
    ASSERT_NE(FX_LoadEData(host::TAG_ARTICULATION, &moved, bytes, &size, V), 0);
    EXPECT_EQ(bytes[0], 32) << "the later details moved down by one";
    Key gone{3, 2, 0};
    size = 4;
    EXPECT_EQ(FX_LoadEData(host::TAG_ARTICULATION, &gone, bytes, &size, V), 0);

    ASSERT_NE(FX_StartFinaleEdit("edit", V), 0);
    ASSERT_NE(save(4, 0, 44), 0);
    ASSERT_NE(save(7, 0, 70), 0);
    Key first{1, 0, 0};
    ASSERT_NE(FX_DeleteEData(host::TAG_ARTICULATION, &first, V), 0);
    EXPECT_EQ(walk(true), (std::vector<int>{21, 31, 32, 44, 50, 61, 70, 99}));
    FX_CancelFinaleEdit(V);
    EXPECT_EQ(walk(true), (std::vector<int>{10, 21, 31, 32, 40, 50, 61, 99}));
    ASSERT_NE(save(8, 0, 80), 0); // stored into the document put back
    EXPECT_EQ(walk(true), (std::vector<int>{10, 21, 31, 32, 40, 50, 61, 80, 99}));
}

} // namespace
