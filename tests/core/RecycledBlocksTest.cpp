#include "finaleframework/core/RecycledBlocks.h"
#include "finaleframework/music/FCNoteEntry.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

/// An object that takes its blocks from the shelf, and writes over all of its bytes.
class Recycled : public RecyclesBlocks<Recycled> {
public:
    explicit Recycled(int value) { std::fill(std::begin(words), std::end(words), value); }
    virtual ~Recycled() = default;
    int words[6];
};

/// Larger than the class the shelf serves.
class Larger : public Recycled {
public:
    explicit Larger(int value) : Recycled(value) { more[0] = more[1] = value; }
    long long more[2];
};

#define SKIP_UNLESS_RECYCLING()                                                            \
    if (!FRAMEWORK_RECYCLES_BLOCKS) GTEST_SKIP() << "blocks go straight to the heap in this build"

TEST(RecycledBlocks, AnObjectDestroyedLendsItsBlockToTheNextOfItsClass) {
    SKIP_UNLESS_RECYCLING();
    const size_t before = RecycledBlocks<Recycled>::Kept();
    auto* first = new Recycled(1);
    void* block = first;
    delete first;
    EXPECT_EQ(RecycledBlocks<Recycled>::Kept(), before + 1);
    auto* second = new Recycled(2);
    EXPECT_EQ(static_cast<void*>(second), block);
    EXPECT_EQ(RecycledBlocks<Recycled>::Kept(), before);
    EXPECT_EQ(second->words[0], 2);
    EXPECT_EQ(second->words[5], 2);
    delete second;
}

TEST(RecycledBlocks, ASubclassOfAnotherSizeUsesTheHeap) {
    SKIP_UNLESS_RECYCLING();
    const size_t before = RecycledBlocks<Recycled>::Kept();
    Recycled* larger = new Larger(7);
    EXPECT_EQ(static_cast<Larger*>(larger)->more[1], 7);
    delete larger; // through the base, with the subclass's size
    EXPECT_EQ(RecycledBlocks<Recycled>::Kept(), before);
}

TEST(RecycledBlocks, AThreadKeepsAtMostTheLimitAndItsOwnBlocks) {
    SKIP_UNLESS_RECYCLING();
    std::thread worker([] {
        EXPECT_EQ(RecycledBlocks<Recycled>::Kept(), 0u);
        std::vector<Recycled*> made;
        for (size_t i = 0; i < RecycledBlocks<Recycled>::LIMIT + 5; ++i)
            made.push_back(new Recycled(static_cast<int>(i)));
        for (Recycled* object : made)
            delete object;
        EXPECT_EQ(RecycledBlocks<Recycled>::Kept(), RecycledBlocks<Recycled>::LIMIT);
    });
    worker.join();
    // The worker's blocks went back to the heap with it; this thread's shelf is its own.
    EXPECT_LT(RecycledBlocks<Recycled>::Kept(), RecycledBlocks<Recycled>::LIMIT);
}

TEST(RecycledBlocks, EntriesAndNotesMadeAgainStartAfresh) {
    // An entry and its notes made in a block another entry left: nothing of the old one shows.
    EXTGF2005a frame{};
    EXENTRY records[2]{};
    records[0].noteCount = 2;
    records[0].entryFlags = ENTRY_INUSE | ENTRY_NOTE;
    records[0].notes[0].noteID = 1;
    records[0].notes[1].noteID = 2;
    records[1].entryFlags = ENTRY_INUSE;
    frame.entries = records;
    frame.entryCount = 2;
    frame.measure = 3;
    auto* chord = new FCNoteEntry(&frame, 0, 1);
    ASSERT_EQ(chord->GetCount(), 2);
    chord->GetItemAt(0)->SetUserData(chord);
    delete chord;
    auto* rest = new FCNoteEntry(&frame, 1, 1);
    EXPECT_EQ(rest->GetCount(), 0);
    EXPECT_EQ(rest->_GetCapacity(), 0);
    EXPECT_EQ(rest->GetNext(), nullptr);
    EXPECT_EQ(rest->GetUserData(), nullptr);
    auto* again = new FCNoteEntry(&frame, 0, 1);
    ASSERT_EQ(again->GetCount(), 2);
    EXPECT_EQ(again->GetItemAt(0)->GetUserData(), nullptr);
    EXPECT_EQ(again->GetItemAt(1)->GetNoteID(), 2);
    delete rest;
    delete again;
}

} // namespace
