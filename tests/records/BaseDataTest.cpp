// The record base: load, save, stepping, deleting and cloning against the stand-in host.
#include "support/HostFixture.h"
#include "records/TestRecords.h"

#include "finaleframework/records/FCOther.h"

namespace {

using namespace test_records;

constexpr EXTAG TAG = MakeExTag('T', 'q', 'I', 't');
constexpr EXTAG OTHER_TAG = MakeExTag('T', 'q', 'Z', 'z');

using Item = Fixed<__FCNoInciOther, TAG, 6>;
using TextItem = Variable<__FCNoInciOther, TAG>;

/// An item whose layout is older than the framework's.
class OldItem : public Item {
public:
    EVERSION EnigmaVersion() override { return 0x0A000000; }
};

class BaseData : public testing_support::HostTest {
protected:
    void SetUp() override {
        NewDocument()
            .Record(TAG, 1, 0, 0, {1, 1, 1, 1, 1, 1})
            .Record(TAG, 2, 0, 0, {2, 2, 2, 2, 2, 2})
            .Record(TAG, 5, 0, 0, {5, 5, 5})
            .Record(OTHER_TAG, 3, 0, 0, {9, 9, 9, 9, 9, 9});
    }
    const host::Document& Doc() { return *Host().Current(); }
    Bytes Stored(EXTAG tag, twobyte w0) {
        host::RecordKey key;
        key.tag = tag;
        std::memcpy(key.key.data(), &w0, sizeof w0);
        auto it = Doc().records.find(key);
        return it == Doc().records.end() ? Bytes{} : it->second;
    }
};

TEST_F(BaseData, SaveOfAnObjectNeverLoadedMakesNoHostCall) {
    Item item;
    EXPECT_FALSE(item.Save());
    EXPECT_FALSE(item.SaveAs(1));
    EXPECT_FALSE(item.SaveNew());
    TextItem text;
    EXPECT_FALSE(text.Save());
    EXPECT_TRUE(Host().Calls().empty());
}

TEST_F(BaseData, LoadFillsBytesAndSizeAndAFailedLoadMarksNotLoaded) {
    Item item;
    ASSERT_TRUE(item.Load(2));
    EXPECT_EQ(item._GetDataSize(), 6);
    EXPECT_EQ(item.Get(), (Bytes{2, 2, 2, 2, 2, 2}));
    EXPECT_EQ(item._GetData(), item.Area());

    ASSERT_TRUE(item.Load(5));
    EXPECT_EQ(item._GetDataSize(), 3) << "the size is what the host delivered";

    EXPECT_FALSE(item.Load(4));
    EXPECT_EQ(item._GetDataSize(), 0);
    EXPECT_EQ(item._GetData(), item.Area()) << "storage stays allocated";
    EXPECT_FALSE(item.Save()) << "a failed load leaves nothing to save";
    EXPECT_EQ(Host().CountCalls("FX_SaveEData"), 0);
    ExpectEveryCallPassedFrameworkVersion();
}

TEST_F(BaseData, VariableSizeRecordsGetFreshStorageOnEveryLoad) {
    TextItem text;
    ASSERT_TRUE(text.Load(5));
    EXPECT_EQ(text.Get(), (Bytes{5, 5, 5}));
    // A bigger record after a smaller one: reusing the 3-byte storage would overflow it.
    host::DocumentBuilder(*Host().Current()).Record(TAG, 7, 0, 0, Bytes(40, 7));
    ASSERT_TRUE(text.Load(7));
    EXPECT_EQ(text.Get(), Bytes(40, 7));
    EXPECT_FALSE(text.Load(8));
    EXPECT_EQ(text._GetDataSize(), 0);
}

TEST_F(BaseData, LoadNextStepsThroughTheTagInKeyOrder) {
    Item item;
    std::vector<utwobyte> visited;
    for (bool ok = item.LoadFirst(); ok; ok = item.LoadNext())
        visited.push_back(item.GetItemNo());
    EXPECT_EQ(visited, (std::vector<utwobyte>{1, 2, 5})) << "records of other tags are not visited";
}

TEST_F(BaseData, LoadNextThatCannotStepChangesNothing) {
    Item item;
    ASSERT_TRUE(item.Load(5));
    EXPECT_FALSE(item.LoadNext());
    EXPECT_EQ(item.GetItemNo(), 5);
    EXPECT_EQ(item.Get(), (Bytes{5, 5, 5}));
}

TEST_F(BaseData, LoadNextThatStepsButFailsToLoadMarksNotLoaded) {
    Item item;
    ASSERT_TRUE(item.Load(1));
    Host().FailNext("FX_LoadEData");
    EXPECT_FALSE(item.LoadNext());
    EXPECT_EQ(item.GetItemNo(), 2) << "the host stepped the key";
    EXPECT_EQ(item._GetDataSize(), 0);
}

TEST_F(BaseData, SaveWritesUnderTheCurrentKeyWithTheClassVersion) {
    Item item;
    ASSERT_TRUE(item.Load(1));
    item.Set({1, 2, 3, 4, 5, 6});
    ASSERT_TRUE(item.Save());
    EXPECT_EQ(Stored(TAG, 1), (Bytes{1, 2, 3, 4, 5, 6}));

    OldItem old;
    ASSERT_TRUE(old.Load(2));
    ASSERT_TRUE(old.Save());
    ASSERT_GE(Host().Calls().size(), 2u);
    for (size_t i = Host().Calls().size() - 2; i < Host().Calls().size(); ++i)
        EXPECT_EQ(Host().Calls()[i].version, 0x0A000000u) << Host().Calls()[i].name;

    Host().FailNext("FX_SaveEData");
    EXPECT_FALSE(item.Save());
}

TEST_F(BaseData, DeleteDataRemovesTheHostRecordAndKeepsTheCopy) {
    Item item;
    ASSERT_TRUE(item.Load(2));
    ASSERT_TRUE(item.DeleteData());
    EXPECT_TRUE(Stored(TAG, 2).empty());
    EXPECT_EQ(item._GetDataSize(), 6);
    EXPECT_EQ(item.Get(), (Bytes{2, 2, 2, 2, 2, 2}));
    EXPECT_FALSE(item.DeleteData()) << "nothing left to delete";
    ASSERT_TRUE(item.Save()) << "the copy can be written back";
    EXPECT_EQ(Stored(TAG, 2), (Bytes{2, 2, 2, 2, 2, 2}));
}

TEST_F(BaseData, CloneOfAnObjectNeverLoadedHasTheKeyAndNoBytes) {
    Item item;
    item.SetWord(0, 9);
    item.SetCustomTag(OTHER_TAG);
    std::unique_ptr<__FCBaseData> clone(item.CreateClone());
    ASSERT_NE(clone, nullptr);
    auto* copy = static_cast<Item*>(clone.get());
    EXPECT_EQ(copy->GetItemNo(), 9);
    EXPECT_EQ(copy->GetCustomTag(), OTHER_TAG);
    EXPECT_EQ(copy->_GetDataSize(), 0);
    EXPECT_FALSE(copy->Save());
    EXPECT_TRUE(Host().Calls().empty());
}

TEST_F(BaseData, ClonesAreIndependentCopies) {
    Item item;
    ASSERT_TRUE(item.Load(1));
    std::unique_ptr<__FCBaseData> clone(item.CreateClone());
    auto* copy = static_cast<Item*>(clone.get());
    EXPECT_EQ(copy->_GetData(), copy->Area()) << "a fixed-size clone uses its own area";
    EXPECT_EQ(copy->Get(), item.Get());
    copy->Set({8, 8, 8, 8, 8, 8});
    EXPECT_EQ(item.Get(), (Bytes{1, 1, 1, 1, 1, 1}));

    TextItem text;
    ASSERT_TRUE(text.Load(5));
    std::unique_ptr<__FCBaseData> textClone(text.CreateClone());
    auto* textCopy = static_cast<TextItem*>(textClone.get());
    EXPECT_NE(textCopy->_GetData(), text._GetData());
    EXPECT_EQ(textCopy->Get(), (Bytes{5, 5, 5}));
    EXPECT_EQ(textCopy->GetItemNo(), 5);
}

TEST_F(BaseData, CloneMemoryFromReplacesWhatTheObjectHeld) {
    TextItem small;
    ASSERT_TRUE(small.Load(5));
    TextItem target;
    ASSERT_TRUE(target.Load(1));
    // The target's six bytes are released (the sanitizer build reports them otherwise).
    target.CloneMemoryFrom(&small);
    EXPECT_EQ(target.Get(), (Bytes{5, 5, 5}));

    Item fixedSource;
    ASSERT_TRUE(fixedSource.Load(2));
    Item fixedTarget;
    ASSERT_TRUE(fixedTarget.Load(1));
    fixedTarget.CloneMemoryFrom(&fixedSource);
    EXPECT_EQ(fixedTarget._GetData(), fixedTarget.Area());
    EXPECT_EQ(fixedTarget.Get(), (Bytes{2, 2, 2, 2, 2, 2}));

    Item empty;
    fixedTarget.CloneMemoryFrom(&empty);
    EXPECT_EQ(fixedTarget.Get(), (Bytes{2, 2, 2, 2, 2, 2})) << "an empty source copies nothing";
    target.CloneMemoryFrom(&target);
    EXPECT_EQ(target.Get(), (Bytes{5, 5, 5})) << "a clone from itself keeps its bytes";
}

TEST_F(BaseData, ClearDataReleasesTheStorage) {
    TextItem text;
    ASSERT_TRUE(text.Load(1));
    text.ClearData();
    EXPECT_EQ(text._GetData(), nullptr);
    EXPECT_EQ(text._GetDataSize(), 0);
    EXPECT_FALSE(text.Save());

    Item item;
    ASSERT_TRUE(item.Load(1));
    item.ClearData();
    EXPECT_EQ(item._GetData(), nullptr);
    ASSERT_TRUE(item.Load(2)) << "a fixed-size record takes its area again";
    EXPECT_EQ(item._GetData(), item.Area());
}

} // namespace
