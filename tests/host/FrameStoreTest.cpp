// The frame store answers exact look-ups from its index and everything else from its ordered map:
// the two must agree after every kind of change and in every copy, or a frame would be loaded
// from another document or from one that is gone.
#include "host/FrameStore.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <utility>
#include <vector>

namespace {

using host::FrameKey;
using host::FrameStore;

std::vector<EXENTRY> Entries(fourbyte firstNumber, int count) {
    std::vector<EXENTRY> entries(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        entries[static_cast<size_t>(i)].entryNumber = firstNumber + i;
    return entries;
}

fourbyte FirstNumber(const FrameStore& frames, const FrameKey& key) {
    auto it = frames.find(key);
    return it == frames.end() || it->second.empty() ? 0 : it->second.front().entryNumber;
}

TEST(FrameStore, LookUpsFollowEveryChange) {
    FrameStore frames;
    frames[FrameKey{2, 1, 0}] = Entries(10, 2);
    frames.emplace(FrameKey{1, 1, 0}, Entries(20, 1));
    frames.emplace_hint(frames.end(), FrameKey{3, 1, 1}, Entries(30, 3));
    EXPECT_FALSE(frames.emplace(FrameKey{1, 1, 0}, Entries(99, 1)).second); // already there
    EXPECT_EQ(FirstNumber(frames, FrameKey{1, 1, 0}), 20);
    EXPECT_EQ(frames.at(FrameKey{3, 1, 1}).size(), 3u);
    EXPECT_THROW(frames.at(FrameKey{4, 1, 0}), std::out_of_range);
    // Walking is in key order.
    std::vector<twobyte> staves;
    for (const auto& [key, entries] : frames)
        staves.push_back(key.staff);
    EXPECT_EQ(staves, (std::vector<twobyte>{1, 2, 3}));
    EXPECT_EQ(frames.lower_bound(FrameKey{2, 0, 0})->first.staff, 2);

    frames.erase(frames.find(FrameKey{2, 1, 0}));
    EXPECT_EQ(frames.find(FrameKey{2, 1, 0}), frames.end());
    EXPECT_EQ(frames.erase(FrameKey{3, 1, 1}), 1u);
    EXPECT_EQ(frames.erase(FrameKey{3, 1, 1}), 0u);
    EXPECT_EQ(frames.count(FrameKey{3, 1, 1}), 0u);
    frames[FrameKey{2, 1, 0}] = Entries(40, 1); // back under a key that was erased
    EXPECT_EQ(FirstNumber(frames, FrameKey{2, 1, 0}), 40);
    EXPECT_EQ(frames.size(), 2u);
    frames.clear();
    EXPECT_EQ(frames.find(FrameKey{1, 1, 0}), frames.end());
}

TEST(FrameStore, NegativeStavesMeasuresAndLayersAreKeysOfTheirOwn) {
    FrameStore frames;
    const FrameKey keys[] = {{-1, 1, 0}, {1, -1, 0}, {1, 1, -1}, {1, 1, 0}};
    for (fourbyte n = 1; n <= 4; ++n)
        frames[keys[n - 1]] = Entries(n, 1);
    for (fourbyte n = 1; n <= 4; ++n)
        EXPECT_EQ(FirstNumber(frames, keys[n - 1]), n);
    EXPECT_EQ(frames.begin()->first.staff, -1);
}

TEST(FrameStore, CopiesAndMovesLookUpTheirOwnFrames) {
    FrameStore original;
    original[FrameKey{1, 1, 0}] = Entries(1, 1);
    FrameStore copy = original;
    copy[FrameKey{1, 1, 0}] = Entries(2, 1);
    copy.erase(FrameKey{1, 1, 0});
    EXPECT_EQ(FirstNumber(original, FrameKey{1, 1, 0}), 1);
    EXPECT_EQ(copy.find(FrameKey{1, 1, 0}), copy.end());

    FrameStore assigned;
    assigned = original;
    assigned.at(FrameKey{1, 1, 0}).front().entryNumber = 5;
    EXPECT_EQ(FirstNumber(original, FrameKey{1, 1, 0}), 1);
    EXPECT_EQ(FirstNumber(assigned, FrameKey{1, 1, 0}), 5);

    FrameStore moved = std::move(assigned);
    EXPECT_EQ(FirstNumber(moved, FrameKey{1, 1, 0}), 5);
    // NOLINTNEXTLINE(bugprone-use-after-move): a moved-from store is empty and usable
    EXPECT_TRUE(assigned.empty());
    assigned[FrameKey{2, 2, 0}] = Entries(7, 1);
    EXPECT_EQ(FirstNumber(assigned, FrameKey{2, 2, 0}), 7);
    moved = std::move(assigned);
    EXPECT_EQ(moved.find(FrameKey{1, 1, 0}), moved.end());
    EXPECT_EQ(FirstNumber(moved, FrameKey{2, 2, 0}), 7);
}

TEST(FrameStore, ManyFramesComeAndGoAsInAPlainMap) {
    // Keys from a small range, so that one slot's neighbours are erased and put back again and
    // again while the table grows: every look-up must find what the plain map holds.
    std::mt19937 random(17);
    FrameStore frames;
    std::map<FrameKey, fourbyte> expected;
    auto randomKey = [&random] {
        return FrameKey{static_cast<twobyte>(random() % 40 - 2),
                        static_cast<twobyte>(random() % 300 - 1),
                        static_cast<twobyte>(random() % 4)};
    };
    for (int step = 0; step < 60000; ++step) {
        const FrameKey key = randomKey();
        switch (random() % 5) {
        case 0:
        case 1: {
            const auto number = static_cast<fourbyte>(step + 1);
            const bool added = frames.emplace(key, Entries(number, 1)).second;
            EXPECT_EQ(added, expected.emplace(key, number).second);
            break;
        }
        case 2:
            EXPECT_EQ(frames.erase(key), expected.erase(key));
            break;
        case 3:
            if (auto it = expected.lower_bound(key); it != expected.end()) {
                frames.erase(frames.find(it->first));
                expected.erase(it);
            }
            break;
        default:
            EXPECT_EQ(frames.count(key), expected.count(key));
            break;
        }
        if (step % 5000 == 4999) {
            ASSERT_EQ(frames.size(), expected.size());
            for (const auto& [held, number] : expected)
                ASSERT_EQ(FirstNumber(frames, held), number);
            const FrameStore copy = frames;
            for (int probe = 0; probe < 200; ++probe) {
                const FrameKey other = randomKey();
                const auto it = expected.find(other);
                ASSERT_EQ(FirstNumber(copy, other), it == expected.end() ? 0 : it->second);
            }
        }
    }
    frames.clear();
    for (const auto& [held, number] : expected)
        EXPECT_EQ(frames.find(held), frames.end());
}

} // namespace
