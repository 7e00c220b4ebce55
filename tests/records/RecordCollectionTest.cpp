// Record collections: loading every record of an owner, replacing an item's records, and the
// cells of a region.
#include "support/HostFixture.h"
#include "records/TestRecords.h"

#include "finaleframework/music/FCCell.h"
#include "finaleframework/music/FCMusicRegion.h"
#include "finaleframework/records/FCCellDetail.h"
#include "finaleframework/records/FCCollectionData.h"
#include "finaleframework/records/FCOther.h"

namespace {

using namespace test_records;

constexpr EXTAG ITEM = MakeExTag('T', 'q', 'I', 't');
constexpr EXTAG INCI = MakeExTag('T', 'q', 'I', 'n');
constexpr EXTAG INCI_ALT = MakeExTag('T', 'q', 'I', 'a');
constexpr EXTAG PAIR = MakeExTag('T', 'q', 'P', 'r');
constexpr EXTAG CELL = MakeExTag('T', 'q', 'C', 'e');

using Item = Fixed<__FCNoInciOther, ITEM, 2>;
using Entry = Fixed<__FCInciOther, INCI, 2>;
using TextEntry = Variable<__FCInciOther, INCI>;
using Pair = Fixed<FirstAtZero<__FCNoInciDetail>, PAIR, 2>;
using CellNote = Fixed<__FCCellDetail, CELL, 2>;
using CellOnce = Fixed<__FCNoInciCellDetail, CELL, 2>;

using Items = Records<__FCCollectionData, Item>;
using Entries = Records<__FCCollectionInciOther, Entry>;
using TextEntries = Records<__FCCollectionInciOther, TextEntry>;
using Pairs = Records<__FCCollectionNoInciDetail, Pair>;
using CellNotes = Records<__FCCollectionCellDetail, CellNote>;
using CellOnces = Records<__FCCollectionNoInciCellDetail, CellOnce>;

/// The first byte of every element, or -1 for a null slot.
template <typename C> std::vector<int> FirstBytes(const C& collection) {
    std::vector<int> bytes;
    for (int i = 0; i < collection.GetCount(); ++i) {
        auto* element = collection.At(i);
        bytes.push_back(element ? element->Get().at(0) : -1);
    }
    return bytes;
}

class RecordCollection : public testing_support::HostTest {
protected:
    host::Document& Doc() { return *Host().Current(); }
    /// The first byte of each record of `cmper` under `tag`, by inci.
    std::map<int, int> RecordsOf(EXTAG tag, twobyte cmper) {
        std::map<int, int> found;
        for (const auto& [key, bytes] : Doc().records) {
            twobyte words[3];
            std::memcpy(words, key.key.data(), sizeof words);
            if (key.tag == tag && words[0] == cmper) found[words[1]] = bytes.at(0);
        }
        return found;
    }
};

TEST_F(RecordCollection, LoadAllTakesTheFirstRecordAndEverythingAfterIt) {
    NewDocument()
        .Record(ITEM, 1, 0, 0, {10, 0})
        .Record(ITEM, 2, 0, 0, {20, 0})
        .Record(ITEM, 5, 0, 0, {50, 0});
    Items items;
    EXPECT_TRUE(items.LoadAll());
    EXPECT_EQ(FirstBytes(items), (std::vector<int>{10, 20, 50}));
    EXPECT_EQ(items.At(2)->GetItemNo(), 5);

    items.At(0)->Set({99, 0});
    EXPECT_EQ(Doc().records.begin()->second.at(0), 10) << "elements are copies";

    EXPECT_TRUE(items.LoadAll());
    EXPECT_EQ(FirstBytes(items), (std::vector<int>{10, 20, 50})) << "a reload starts empty";
}

TEST_F(RecordCollection, LoadAllWithoutAFirstRecordIsEmpty) {
    NewDocument().Record(ITEM, 2, 0, 0, {20, 0});
    Items items;
    EXPECT_TRUE(items.LoadAll());
    EXPECT_EQ(items.GetCount(), 0);
}

TEST_F(RecordCollection, LoadAllForItemStopsAtTheFirstGap) {
    NewDocument()
        .Record(INCI, 7, 0, 0, {70, 0})
        .Record(INCI, 7, 1, 0, {71, 0})
        .Record(INCI, 7, 3, 0, {73, 0})
        .Record(INCI, 8, 0, 0, {80, 0});
    Entries entries;
    EXPECT_EQ(entries.LoadAllForItem(7), 2);
    EXPECT_EQ(FirstBytes(entries), (std::vector<int>{70, 71}));
    EXPECT_EQ(entries.At(1)->GetItemInci(), 1);
    EXPECT_EQ(entries.LoadAllForItem(9), 0);
    EXPECT_EQ(entries.GetCount(), 0);
}

TEST_F(RecordCollection, TheCustomTagReachesEveryElement) {
    NewDocument().Record(INCI, 7, 0, 0, {70, 0}).Record(INCI_ALT, 7, 0, 0, {170, 0});
    Entries entries;
    entries.SetCustomTag(INCI_ALT);
    EXPECT_EQ(entries.LoadAllForItem(7), 1);
    EXPECT_EQ(FirstBytes(entries), (std::vector<int>{170}));
    EXPECT_EQ(entries.At(0)->GetCustomTag(), INCI_ALT);
}

TEST_F(RecordCollection, DeleteDataForItemDeletesFromTheHighestInciDown) {
    NewDocument()
        .Record(INCI, 7, 0, 0, {70, 0})
        .Record(INCI, 7, 1, 0, {71, 0})
        .Record(INCI, 7, 2, 0, {72, 0})
        .Record(INCI, 7, 4, 0, {74, 0})
        .Record(INCI, 8, 0, 0, {80, 0});
    Entries entries;
    // Host calls: loads of incis 0, 1, 2 and 3 (missing) to count; then load 2, delete 2,
    // load 1, delete 1 (the 8th call), load 0, delete 0.
    Host().FailCallNumber(8);
    EXPECT_FALSE(entries.DeleteDataForItem(7));
    EXPECT_EQ(RecordsOf(INCI, 7), (std::map<int, int>{{0, 70}, {1, 71}, {4, 74}}))
        << "inci 2 went first; the walk stopped at the failed deletion";

    // Now incis 0 and 1 are left: 3 counting loads, then the load of inci 1 before its deletion.
    Host().FailCallNumber(4);
    EXPECT_FALSE(entries.DeleteDataForItem(7));
    EXPECT_EQ(RecordsOf(INCI, 7).size(), 3u) << "nothing deleted when a load fails";

    EXPECT_TRUE(entries.DeleteDataForItem(7));
    EXPECT_EQ(RecordsOf(INCI, 7), (std::map<int, int>{{4, 74}}))
        << "beyond the gap is not the item's";
    EXPECT_EQ(RecordsOf(INCI, 8), (std::map<int, int>{{0, 80}})) << "other items stay";
    EXPECT_EQ(entries.GetCount(), 0) << "the collection's contents are not involved";
}

TEST_F(RecordCollection, SaveAllForItemOfAnEmptyCollectionDeletesEverything) {
    NewDocument()
        .Record(INCI, 7, 0, 0, {70, 0})
        .Record(INCI, 7, 1, 0, {71, 0})
        .Record(INCI, 8, 0, 0, {80, 0});
    Entries entries;
    EXPECT_TRUE(entries.SaveAllForItem(7));
    EXPECT_TRUE(RecordsOf(INCI, 7).empty());
    EXPECT_EQ(Host().CountCalls("FX_CreateEData"), 0);
    EXPECT_EQ(RecordsOf(INCI, 8).size(), 1u);
}

TEST_F(RecordCollection, SaveAllForItemReplacesTheItemsRecordsInCollectionOrder) {
    NewDocument()
        .Record(INCI, 7, 0, 0, {70, 0})
        .Record(INCI, 7, 1, 0, {71, 0})
        .Record(INCI, 7, 2, 0, {72, 0})
        .Record(INCI, 9, 0, 0, {90, 0})
        .Record(INCI, 9, 1, 0, {91, 0});
    Entries entries;
    ASSERT_EQ(entries.LoadAllForItem(9), 2);
    auto* first = entries.At(0);
    entries.DeleteItemAt(0);
    entries.Add(first); // now 91, 90
    EXPECT_TRUE(entries.SaveAllForItem(7));
    EXPECT_EQ(RecordsOf(INCI, 7), (std::map<int, int>{{0, 91}, {1, 90}}));
    EXPECT_EQ(entries.At(1)->GetItemCmper(), 7) << "each element names its new record";
    EXPECT_EQ(entries.At(1)->GetItemInci(), 1);

    TextEntries texts;
    texts.SetCustomTag(INCI_ALT);
    auto* text = new TextEntry;
    text->Set({1, 2, 3});
    texts.Add(text);
    EXPECT_TRUE(texts.SaveAllForItem(7));
    EXPECT_EQ(RecordsOf(INCI_ALT, 7), (std::map<int, int>{{0, 1}}))
        << "saved under the collection's tag";
    EXPECT_EQ(RecordsOf(INCI, 7).size(), 2u);
}

// Whichever host call fails, the item's records and the elements' keys stay as they were.
TEST_F(RecordCollection, SaveAllForItemThatTheHostRefusesLeavesTheItemAsItWas) {
    NewDocument().Record(INCI, 9, 0, 0, {90, 0}).Record(INCI, 9, 1, 0, {91, 0});
    const std::map<int, int> before{{0, 90}, {1, 91}};
    Entries entries;
    ASSERT_EQ(entries.LoadAllForItem(9), 2);
    auto* first = entries.At(0);
    entries.DeleteItemAt(0);
    entries.Add(first); // now 91, 90
    auto* added = new Entry;
    added->Set({95, 0});
    entries.Add(added);
    const auto keyOf = [&](int i) {
        const unsigned char* key = entries.At(i)->_GetKey();
        return std::vector<unsigned char>(key, key + 8);
    };
    const std::vector<std::vector<unsigned char>> keys{keyOf(0), keyOf(1), keyOf(2)};

    const std::map<int, int> after{{0, 91}, {1, 90}, {2, 95}};

    int refusals = 0;
    for (int n = 1;; ++n) {
        SCOPED_TRACE(n);
        // Each round starts from the item as it was and the elements as they were.
        for (int inci : {0, 1, 2})
            Doc().records.erase(host::RecordKey{INCI, {9, 0, static_cast<unsigned char>(inci)}});
        host::DocumentBuilder(Doc()).Record(INCI, 9, 0, 0, {90, 0}).Record(INCI, 9, 1, 0, {91, 0});
        for (int i = 0; i < 3; ++i)
            entries.At(i)->_SetKey(keys[static_cast<size_t>(i)].data());

        const int faults = Host().FaultsInjected();
        Host().FailCallNumber(n);
        const bool saved = entries.SaveAllForItem(9);
        Host().ClearFaults();
        if (Host().FaultsInjected() == faults) { // the save made fewer than n calls
            EXPECT_TRUE(saved);
            EXPECT_EQ(RecordsOf(INCI, 9), after);
            break;
        }
        if (saved) { // the refused call changed nothing (a load past the item's last record)
            EXPECT_EQ(RecordsOf(INCI, 9), after);
            continue;
        }
        ++refusals;
        EXPECT_EQ(RecordsOf(INCI, 9), before);
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(keyOf(i), keys[static_cast<size_t>(i)]) << "element " << i;
    }
    // The copies (2), the deletions (2) and the creates (3) could each be refused.
    EXPECT_EQ(refusals, 7);
}

TEST_F(RecordCollection, SaveAllForItemRefusesWhatItCannotSaveBeforeTouchingTheHost) {
    NewDocument().Record(INCI, 9, 0, 0, {90, 0});
    Entries entries;
    ASSERT_EQ(entries.LoadAllForItem(9), 1);
    entries.Add(new Entry); // never loaded: nothing to save
    Host().ClearCalls();
    EXPECT_FALSE(entries.SaveAllForItem(9));
    EXPECT_TRUE(Host().Calls().empty());
    EXPECT_EQ(RecordsOf(INCI, 9), (std::map<int, int>{{0, 90}}));
}

TEST_F(RecordCollection, SaveAllForItemRefusesAnItemWithRecordsBeyondAGap) {
    // Inci 3 is not the item's (the walk stops at the gap), but a third new record would close
    // the gap and make it so.
    NewDocument().Record(INCI, 9, 0, 0, {90, 0}).Record(INCI, 9, 3, 0, {93, 0});
    Entries entries;
    entries.SetCustomTag(INCI);
    for (unsigned char b : {1, 2, 3, 4}) {
        auto* element = new Entry;
        element->Set({b, 0});
        entries.Add(element);
    }
    EXPECT_FALSE(entries.SaveAllForItem(9));
    EXPECT_EQ(RecordsOf(INCI, 9), (std::map<int, int>{{0, 90}, {3, 93}}));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(entries.At(i)->GetCustomTag(), 0u) << "the tags are put back too";
        EXPECT_EQ(entries.At(i)->GetItemCmper(), 0) << "and the keys";
    }
    Entry* fourth = entries.At(3);
    entries.DeleteItemAt(3);
    delete fourth;
    EXPECT_TRUE(entries.SaveAllForItem(9)) << "three fit below the gap";
    EXPECT_EQ(RecordsOf(INCI, 9), (std::map<int, int>{{0, 1}, {1, 2}, {2, 3}, {3, 93}}));
    EXPECT_EQ(entries.At(2)->GetCustomTag(), INCI);
}

TEST_F(RecordCollection, LoadAllForCellTakesTheIncisOfOneCell) {
    NewDocument()
        .Record(CELL, 2, 5, 0, {50, 0})
        .Record(CELL, 2, 5, 1, {51, 0})
        .Record(CELL, 2, 6, 0, {60, 0})
        .Record(CELL, 3, 5, 0, {35, 0});
    CellNotes notes;
    FCCell cell(5, 2);
    EXPECT_EQ(notes.LoadAllForCell(&cell), 2);
    EXPECT_EQ(FirstBytes(notes), (std::vector<int>{50, 51}));
    EXPECT_EQ(notes.LoadAllForCell(nullptr), 0);
    FCCell empty(9, 2);
    EXPECT_EQ(notes.LoadAllForCell(&empty), 0);
}

TEST_F(RecordCollection, NoInciDetailLoadAllForItemCountsUpFromTheFirst) {
    NewDocument()
        .Record(PAIR, 4, 1, 0, {41, 0})
        .Record(PAIR, 4, 2, 0, {42, 0})
        .Record(PAIR, 4, 3, 0, {43, 0})
        .Record(PAIR, 4, 5, 0, {45, 0})
        .Record(PAIR, 5, 4, 0, {54, 0});
    Pairs pairs;
    EXPECT_EQ(pairs.LoadAllForItem(4, 2), 2);
    EXPECT_EQ(FirstBytes(pairs), (std::vector<int>{42, 43}));
    EXPECT_EQ(pairs.LoadAllForItem(4, 0), 0) << "no record at the first number";
}

TEST_F(RecordCollection, LoadAllInRegionAsksForEveryCellStaffByStaff) {
    // Slots 1 and 2 of list 3 hold staves 7 and 4; every cell but (staff 4, measure 2) has a
    // record whose first byte names staff and measure.
    NewDocument()
        .Staff(4)
        .Staff(7)
        .Measures(3)
        .InstrumentList(3, {7, 4})
        .Record(CELL, 7, 1, 0, {71, 0})
        .Record(CELL, 7, 2, 0, {72, 0})
        .Record(CELL, 7, 3, 0, {73, 0})
        .Record(CELL, 4, 1, 0, {41, 0})
        .Record(CELL, 4, 3, 0, {43, 0})
        .Record(CELL, 7, 4, 0, {74, 0});
    FCMusicRegion region;
    EREGION record = host::Region(1, 2, 1, 3, 0, EREGION_END_OF_MEASURE, 3);
    region.SetEnigmaRegion(&record);
    Host().ClearCalls();

    CellOnces cells;
    EXPECT_EQ(cells.LoadAllInRegion(&region), 5);
    EXPECT_EQ(Host().CountCalls("FX_LoadEData"), 6);
    EXPECT_EQ(FirstBytes(cells), (std::vector<int>{71, 72, 73, 41, 43}));
    for (int i = 0; i < cells.GetCount(); ++i)
        EXPECT_EQ(cells.At(i)->GetCell(), nullptr) << "clones name no (temporary) cell";

    EXPECT_EQ(cells.LoadAllInRegion(nullptr), 0);
}

} // namespace
