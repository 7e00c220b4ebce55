// The key families: how each one addresses its records and creates new ones.
#include "support/HostFixture.h"
#include "records/TestRecords.h"

#include "finaleframework/music/FCCell.h"
#include "finaleframework/records/FCCellDetail.h"
#include "finaleframework/records/FCOther.h"

namespace {

using namespace test_records;

constexpr EXTAG ITEM = MakeExTag('T', 'q', 'I', 't');
constexpr EXTAG INCI = MakeExTag('T', 'q', 'I', 'n');
constexpr EXTAG GLOBAL = MakeExTag('T', 'q', 'G', 'l');
constexpr EXTAG PAIR = MakeExTag('T', 'q', 'P', 'r');
constexpr EXTAG CELL = MakeExTag('T', 'q', 'C', 'e');

using Item = Fixed<__FCNoInciOther, ITEM, 4>;
using TextItem = Variable<__FCNoInciOther, ITEM>;
using Entry = Fixed<__FCInciOther, INCI, 4>;
using TextEntry = Variable<__FCInciOther, INCI>;
using Global = Fixed<__FCGlobals, GLOBAL, 4>;
using Pair = Fixed<FirstAtZero<__FCNoInciDetail>, PAIR, 4>;
using CellNote = Fixed<__FCCellDetail, CELL, 4>;
using CellOnce = Fixed<__FCNoInciCellDetail, CELL, 4>;

class KeyFamily : public testing_support::HostTest {
protected:
    void SetUp() override {
        NewDocument()
            .Record(ITEM, 0, 0, 0, {0, 0, 0, 0})
            .Record(ITEM, 1, 0, 0, {1, 0, 0, 0})
            .Record(ITEM, 2, 0, 0, {2, 0, 0, 0})
            .Record(INCI, 4, 0, 0, {4, 0, 0, 0})
            .Record(INCI, 4, 1, 0, {4, 1, 0, 0})
            .Record(GLOBAL, 0, 0, 0, {7, 0, 0, 0})
            .Record(GLOBAL, 3, 0, 0, {7, 3, 0, 0})
            .Record(PAIR, 6, 2, 0, {6, 2, 0, 0})
            .Record(CELL, 11, 3, 0, {11, 3, 0, 0}) // staff 11, measure 3, inci 0
            .Record(CELL, 11, 3, 1, {11, 3, 1, 0})
            .Record(CELL, 11, 4, 0, {11, 4, 0, 0});
    }
    Bytes Stored(EXTAG tag, twobyte w0, twobyte w1, twobyte w2) {
        host::RecordKey key;
        key.tag = tag;
        const twobyte words[3] = {w0, w1, w2};
        std::memcpy(key.key.data(), words, sizeof words);
        auto it = Host().Current()->records.find(key);
        return it == Host().Current()->records.end() ? Bytes{} : it->second;
    }
};

TEST_F(KeyFamily, NoInciOtherNumbersItemsFromOne) {
    Item item;
    ASSERT_TRUE(item.LoadFirst());
    EXPECT_EQ(item.GetItemNo(), 1);
    EXPECT_EQ(item.Get(), (Bytes{1, 0, 0, 0}));

    ASSERT_TRUE(item.Load(2));
    EXPECT_EQ(item.GetItemInci(), 0);
    item.Set({2, 9, 9, 9});
    ASSERT_TRUE(item.SaveAs(1));
    EXPECT_EQ(item.GetItemNo(), 1);
    EXPECT_EQ(Stored(ITEM, 1, 0, 0), (Bytes{2, 9, 9, 9}));
    EXPECT_EQ(Stored(ITEM, 2, 0, 0), (Bytes{2, 0, 0, 0}));
}

TEST_F(KeyFamily, NoInciOtherSaveNewLetsTheHostChooseTheNumber) {
    Item item;
    EXPECT_FALSE(item.SaveNew());
    EXPECT_TRUE(Host().Calls().empty()) << "nothing loaded: no host call";

    ASSERT_TRUE(item.Load(1));
    ASSERT_TRUE(item.SaveNew());
    EXPECT_EQ(item.GetItemNo(), 3) << "the lowest free item number above 0";
    EXPECT_EQ(item.GetItemInci(), 0);
    EXPECT_EQ(Stored(ITEM, 3, 0, 0), (Bytes{1, 0, 0, 0}));

    item.Set({3, 3, 3, 3});
    ASSERT_TRUE(item.Save()) << "the object names the new record";
    EXPECT_EQ(Stored(ITEM, 3, 0, 0), (Bytes{3, 3, 3, 3}));

    TextItem text;
    text.Set({1, 2, 3, 4, 5, 6, 7});
    ASSERT_TRUE(text.SaveNew());
    EXPECT_EQ(text.GetItemNo(), 4);
    EXPECT_EQ(Stored(ITEM, 4, 0, 0), (Bytes{1, 2, 3, 4, 5, 6, 7}));

    Host().FailNext("FX_CreateEData");
    EXPECT_FALSE(item.SaveNew());
}

TEST_F(KeyFamily, InciOtherIsReadByItemAndInci) {
    Entry entry;
    EXPECT_FALSE(entry.LoadFirst());
    EXPECT_TRUE(Host().Calls().empty());

    ASSERT_TRUE(entry.Load(4, 1));
    EXPECT_EQ(entry.GetItemCmper(), 4);
    EXPECT_EQ(entry.GetItemInci(), 1);
    EXPECT_EQ(entry.Get(), (Bytes{4, 1, 0, 0}));
    EXPECT_FALSE(entry.Load(4, 2));
    EXPECT_FALSE(entry.Load(5, 0));
}

TEST_F(KeyFamily, InciOtherSaveNewAppendsToTheItem) {
    Entry entry;
    EXPECT_FALSE(entry.SaveNew(4));
    EXPECT_TRUE(Host().Calls().empty());

    ASSERT_TRUE(entry.Load(4, 0));
    entry.Set({4, 2, 0, 0});
    ASSERT_TRUE(entry.SaveNew(4));
    EXPECT_EQ(entry.GetItemInci(), 2);
    EXPECT_EQ(Stored(INCI, 4, 2, 0), (Bytes{4, 2, 0, 0}));

    ASSERT_TRUE(entry.SaveNew(8));
    EXPECT_EQ(entry.GetItemCmper(), 8);
    EXPECT_EQ(entry.GetItemInci(), 0) << "the first record of a new item";

    TextEntry text;
    text.Set({1, 2, 3, 4, 5});
    ASSERT_TRUE(text.SaveNew(8));
    EXPECT_EQ(text.GetItemInci(), 1);
    EXPECT_EQ(Stored(INCI, 8, 1, 0), (Bytes{1, 2, 3, 4, 5}));
}

TEST_F(KeyFamily, GlobalsNumberItemsFromZeroAndKeepTheOtherWords) {
    Global global;
    ASSERT_TRUE(global.LoadFirst());
    EXPECT_EQ(global.GetItemNo(), 0);
    EXPECT_EQ(global.Get(), (Bytes{7, 0, 0, 0}));

    global.SetWord(1, 5);
    EXPECT_FALSE(global.Load(3)) << "word 1 is left at 5, and there is no such record";
    EXPECT_EQ(global.Word(1), 5);
    global.SetWord(1, 0);
    ASSERT_TRUE(global.Load(3));
    EXPECT_EQ(global.Get(), (Bytes{7, 3, 0, 0}));
}

TEST_F(KeyFamily, NoInciDetailIsKeyedByAPair) {
    Pair pair;
    EXPECT_FALSE(pair.SaveNew(6));
    EXPECT_TRUE(Host().Calls().empty());

    ASSERT_TRUE(pair.Load(6, 2));
    EXPECT_EQ(pair.GetItemCmper(), 6);
    EXPECT_EQ(pair.GetItemCmper2(), 2);
    EXPECT_FALSE(pair.Load(2, 6));

    ASSERT_TRUE(pair.Load(6, 2));
    ASSERT_TRUE(pair.SaveNew(6));
    EXPECT_EQ(pair.GetItemCmper2(), 0) << "the lowest free second number";
    EXPECT_EQ(Stored(PAIR, 6, 0, 0), (Bytes{6, 2, 0, 0}));
}

TEST_F(KeyFamily, CellDetailNeedsACell) {
    CellNote note;
    EXPECT_FALSE(note.LoadFirst());
    note.Set({1, 1, 1, 1});
    EXPECT_FALSE(note.SaveNew());
    EXPECT_TRUE(Host().Calls().empty());
}

TEST_F(KeyFamily, CellDetailWalksTheIncisOfItsCell) {
    FCCell cell(3, 11);
    CellNote note;
    note.SetCell(&cell);
    std::vector<Bytes> seen;
    for (bool ok = note.LoadFirst(); ok; ok = note.LoadNext())
        seen.push_back(note.Get());
    EXPECT_EQ(seen, (std::vector<Bytes>{{11, 3, 0, 0}, {11, 3, 1, 0}}))
        << "the record of measure 4 belongs to another cell";
    EXPECT_EQ(note.GetItemStaff(), 11);
    EXPECT_EQ(note.GetItemMeasure(), 3);
}

TEST_F(KeyFamily, CellDetailLoadNextPastTheLastKeepsTheLastRecord) {
    FCCell cell(3, 11);
    CellNote note;
    note.SetCell(&cell);
    ASSERT_TRUE(note.LoadFirst());
    ASSERT_TRUE(note.LoadNext());
    EXPECT_FALSE(note.LoadNext());
    EXPECT_EQ(note.GetItemInci(), 1);
    note.Set({5, 5, 5, 5});
    ASSERT_TRUE(note.Save());
    EXPECT_EQ(Stored(CELL, 11, 3, 1), (Bytes{5, 5, 5, 5}));
    EXPECT_TRUE(Stored(CELL, 11, 3, 2).empty());
}

TEST_F(KeyFamily, CellDetailSaveNewAppendsToItsCell) {
    FCCell cell(3, 11);
    CellNote note;
    note.SetCell(&cell);
    note.Set({9, 9, 9, 9});
    ASSERT_TRUE(note.SaveNew());
    EXPECT_EQ(note.GetItemInci(), 2);
    EXPECT_EQ(Stored(CELL, 11, 3, 2), (Bytes{9, 9, 9, 9}));

    FCCell empty(8, 11);
    note.SetCell(&empty);
    ASSERT_TRUE(note.SaveNew());
    EXPECT_EQ(note.GetItemMeasure(), 8);
    EXPECT_EQ(note.GetItemInci(), 0);
}

TEST_F(KeyFamily, NoInciCellDetailHoldsOneRecordPerCell) {
    FCCell cell(4, 11);
    CellOnce once;
    once.SetCell(&cell);
    ASSERT_TRUE(once.LoadFirst());
    EXPECT_EQ(once.Get(), (Bytes{11, 4, 0, 0}));
    Host().ClearCalls();
    EXPECT_FALSE(once.LoadNext());
    EXPECT_FALSE(once.SaveNew());
    EXPECT_TRUE(Host().Calls().empty());
}

} // namespace
