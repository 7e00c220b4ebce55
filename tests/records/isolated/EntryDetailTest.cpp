// Entry details and their collections. This program stands in for the note entry layer itself:
// an entry is a handle to a bare EXENTRY record, and _EntryRecordOf answers that record.
#include "support/HostFixture.h"
#include "records/TestRecords.h"

#include "finaleframework/records/FCCollectionEntryDetail.h"
#include "finaleframework/records/FCEntryDetail.h"
#include "finaleframework/music/NoteEntryRecord.h"
#include "host/EntryDetails.h"

#include <map>

namespace {

std::map<FCNoteEntry*, EXENTRY*>& EntryRecords() {
    static std::map<FCNoteEntry*, EXENTRY*> records;
    return records;
}

/// A note entry standing for `record`.
FCNoteEntry* EntryOf(EXENTRY& record) {
    auto* entry = reinterpret_cast<FCNoteEntry*>(&record);
    EntryRecords()[entry] = &record;
    return entry;
}

/// A note entry that has no record.
FCNoteEntry* EntryWithoutRecord() {
    static char token;
    return reinterpret_cast<FCNoteEntry*>(&token);
}

} // namespace

EXENTRY* _EntryRecordOf(FCNoteEntry* entry) {
    auto it = EntryRecords().find(entry);
    return it == EntryRecords().end() ? nullptr : it->second;
}

namespace {

using namespace test_records;

using Mark = Fixed<__FCEntryDetail, host::TAG_DOTMOD, 4>;
using TextMark = Variable<__FCEntryDetail, host::TAG_DOTMOD>;
using Marks = Records<__FCCollectionEntryDetail, Mark>;

/// A detail kind with a presence bit of its own.
class Accent : public Fixed<__FCEntryDetail, host::TAG_ARTICULATION, 4> {
public:
    __FCBaseData* CreateObject() override { return new Accent; }
    void _SetEntryFlag(FCNoteEntry* entry, bool on) override {
        _SetEntryFlagBits(entry, ENTRY_ARTICULATION, on);
    }
};

EXENTRY Numbered(fourbyte entryNumber) {
    EXENTRY record{};
    record.entryNumber = entryNumber;
    record.entryFlags = ENTRY_INUSE | ENTRY_NOTE;
    return record;
}

class EntryDetail : public testing_support::HostTest {
protected:
    void SetUp() override {
        NewDocument()
            .DetailRecord(host::TAG_DOTMOD, 12, 0, {120, 0, 0, 0})
            .DetailRecord(host::TAG_DOTMOD, 12, 1, {121, 0, 0, 0})
            .DetailRecord(host::TAG_DOTMOD, 12, 2, {122, 0, 0, 0})
            .DetailRecord(host::TAG_DOTMOD, 13, 0, {130, 0, 0, 0})
            .DetailRecord(host::TAG_DOTMOD, 70000, 0, {7, 0, 0, 0})
            .DetailRecord(host::TAG_ARTICULATION, 12, 0, {200, 0, 0, 0});
    }
    /// The first byte of each detail of `entnum` under `tag`, by inci.
    std::map<int, int> DetailsOf(EXTAG tag, fourbyte entnum) {
        std::map<int, int> found;
        for (const auto& [key, bytes] : host::DetailsOfEntry(*Host().Current(), entnum)) {
            twobyte inci;
            std::memcpy(&inci, key.key.data() + 4, sizeof inci);
            if (key.tag == tag) found[inci] = bytes.at(0);
        }
        return found;
    }
    /// Loads the details of `record` (entry 12) into `marks`.
    bool LoadMarks() {
        marks.SetNoteEntry(EntryOf(record));
        return marks.LoadAll();
    }

    EXENTRY record = Numbered(12);
    Marks marks;
};

TEST_F(EntryDetail, LoadAndSaveAsAddressByEntryNumberAndInci) {
    Mark mark;
    ASSERT_TRUE(mark.Load(12, 1));
    EXPECT_EQ(mark.GetEntryNumber(), 12);
    EXPECT_EQ(mark.GetItemInci(), 1);
    EXPECT_EQ(mark.Get(), (Bytes{121, 0, 0, 0}));
    ASSERT_TRUE(mark.Load(70000, 0)) << "entry numbers are 32 bits wide";
    EXPECT_EQ(mark.Get(), (Bytes{7, 0, 0, 0}));
    EXPECT_FALSE(mark.Load(12, 3));

    mark.Set({140, 1, 1, 1});
    ASSERT_TRUE(mark.SaveAs(14, 0));
    EXPECT_EQ(mark.GetEntryNumber(), 14);
    EXPECT_EQ(DetailsOf(host::TAG_DOTMOD, 14), (std::map<int, int>{{0, 140}}));
    ExpectEveryCallPassedFrameworkVersion();
}

TEST_F(EntryDetail, LoadNextPastTheLastDetailKeepsTheLastRecord) {
    Mark mark;
    ASSERT_TRUE(mark.Load(12, 1));
    ASSERT_TRUE(mark.LoadNext());
    EXPECT_EQ(mark.GetItemInci(), 2);
    EXPECT_FALSE(mark.LoadNext()) << "entry 13 is another entry";
    EXPECT_EQ(mark.GetItemInci(), 2);
    EXPECT_EQ(mark.GetEntryNumber(), 12);
    mark.Set({99, 0, 0, 0});
    ASSERT_TRUE(mark.Save());
    EXPECT_EQ(DetailsOf(host::TAG_DOTMOD, 12), (std::map<int, int>{{0, 120}, {1, 121}, {2, 99}}));

    // A variable-size record has given its storage back for the failed load.
    TextMark text;
    ASSERT_TRUE(text.Load(12, 2));
    EXPECT_FALSE(text.LoadNext());
    EXPECT_EQ(text.GetItemInci(), 2);
    EXPECT_EQ(text._GetDataSize(), 0);
}

TEST_F(EntryDetail, LoadFirstReadsInciZeroOfTheEntrysNumber) {
    Mark mark;
    EXPECT_FALSE(mark.LoadFirst());
    EXPECT_TRUE(Host().Calls().empty());

    mark.SetNoteEntry(EntryWithoutRecord());
    EXPECT_EQ(mark.GetEntryNumber(), 0);
    EXPECT_FALSE(mark.LoadFirst());
    EXPECT_TRUE(Host().Calls().empty());

    EXENTRY thirteen = Numbered(13);
    mark.SetNoteEntry(EntryOf(thirteen));
    EXPECT_EQ(mark.GetNoteEntry(), EntryOf(thirteen));
    EXPECT_EQ(mark.GetEntryNumber(), 13);
    ASSERT_TRUE(mark.LoadFirst());
    EXPECT_EQ(mark.Get(), (Bytes{130, 0, 0, 0}));

    mark.SetNoteEntry(nullptr);
    EXPECT_EQ(mark.GetEntryNumber(), 0);
}

TEST_F(EntryDetail, SaveNewAppendsToTheEntryAndSetsItsFlag) {
    Mark mark;
    mark.Set({1, 2, 3, 4});
    EXPECT_FALSE(mark.SaveNew()) << "no entry";
    EXPECT_TRUE(Host().Calls().empty());

    mark.SetNoteEntry(EntryOf(record));
    ASSERT_TRUE(mark.SaveNew());
    EXPECT_EQ(mark.GetEntryNumber(), 12);
    EXPECT_EQ(mark.GetItemInci(), 3);
    EXPECT_EQ(DetailsOf(host::TAG_DOTMOD, 12).at(3), 1);
    EXPECT_EQ(record.entryFlags, ENTRY_INUSE | ENTRY_NOTE | ENTRY_NOTEDETAIL);

    mark._SetEntryFlag(EntryOf(record), false);
    EXPECT_EQ(record.entryFlags, ENTRY_INUSE | ENTRY_NOTE);
}

TEST_F(EntryDetail, AFailedSaveNewChangesNeitherKeyNorEntry) {
    Mark mark;
    ASSERT_TRUE(mark.Load(12, 1));
    mark.SetNoteEntry(EntryOf(record));
    Host().FailNext("FX_CreateEData");
    EXPECT_FALSE(mark.SaveNew());
    EXPECT_EQ(mark.GetItemInci(), 1);
    EXPECT_EQ(record.entryFlags, ENTRY_INUSE | ENTRY_NOTE);
    EXPECT_EQ(DetailsOf(host::TAG_DOTMOD, 12).size(), 3u);
}

TEST_F(EntryDetail, AKindWithItsOwnBitSetsThatBit) {
    Accent accent;
    accent.Set({5, 0, 0, 0});
    accent.SetNoteEntry(EntryOf(record));
    ASSERT_TRUE(accent.SaveNew());
    EXPECT_EQ(accent.GetItemInci(), 1) << "inci 0 of this tag exists already";
    EXPECT_EQ(record.entryFlags, ENTRY_INUSE | ENTRY_NOTE | ENTRY_ARTICULATION);
}

TEST_F(EntryDetail, CollectionLoadAllNeedsANumberedEntry) {
    EXPECT_FALSE(marks.LoadAll()) << "no entry";

    EXENTRY other = Numbered(13);
    marks.SetNoteEntry(EntryOf(other));
    ASSERT_TRUE(marks.LoadAll());
    ASSERT_EQ(marks.GetCount(), 1);

    EXENTRY unnumbered = Numbered(0);
    marks.SetNoteEntry(EntryOf(unnumbered));
    Host().ClearCalls();
    EXPECT_FALSE(marks.LoadAll());
    EXPECT_EQ(marks.GetCount(), 1) << "the collection is left as it was";
    EXPECT_TRUE(Host().Calls().empty());

    marks.SetNoteEntry(EntryWithoutRecord());
    EXPECT_FALSE(marks.LoadAll());
    EXPECT_EQ(marks.GetCount(), 1);
}

TEST_F(EntryDetail, CollectionLoadAllTakesTheEntrysDetailsUpToAGap) {
    host::DocumentBuilder(*Host().Current()).DetailRecord(host::TAG_DOTMOD, 12, 4, {124, 0, 0, 0});
    ASSERT_TRUE(LoadMarks());
    ASSERT_EQ(marks.GetCount(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(marks.At(i)->GetItemInci(), i);
        EXPECT_EQ(marks.At(i)->Get().at(0), 120 + i);
    }
}

TEST_F(EntryDetail, DestroyItemAtFollowsTheHostsRenumbering) {
    ASSERT_TRUE(LoadMarks());

    EXPECT_TRUE(marks.DestroyItemAt(0));
    EXPECT_EQ(DetailsOf(host::TAG_DOTMOD, 12), (std::map<int, int>{{0, 121}, {1, 122}}));
    ASSERT_EQ(marks.GetCount(), 2);
    EXPECT_EQ(marks.At(0)->GetItemInci(), 0);
    EXPECT_EQ(marks.At(1)->GetItemInci(), 1);

    // The elements still name the host records that hold their bytes.
    marks.At(1)->Set({222, 0, 0, 0});
    ASSERT_TRUE(marks.At(1)->Save());
    EXPECT_EQ(DetailsOf(host::TAG_DOTMOD, 12), (std::map<int, int>{{0, 121}, {1, 222}}));

    EXPECT_FALSE(marks.DestroyItemAt(2)) << "out of range";
    EXPECT_FALSE(marks.DestroyItemAt(-1));
    EXPECT_EQ(marks.GetCount(), 2);

    EXPECT_TRUE(marks.DestroyItemAt(1));
    EXPECT_FALSE(marks.DestroyItemAt(0)) << "the last one leaves the collection empty";
    EXPECT_TRUE(DetailsOf(host::TAG_DOTMOD, 12).empty());
    EXPECT_EQ(DetailsOf(host::TAG_ARTICULATION, 12).size(), 1u) << "other kinds stay";
    EXPECT_EQ(DetailsOf(host::TAG_DOTMOD, 13).size(), 1u) << "other entries stay";
}

TEST_F(EntryDetail, DestroyItemAtInTheMiddleRenumbersOnlyTheLaterDetails) {
    ASSERT_TRUE(LoadMarks());
    EXPECT_TRUE(marks.DestroyItemAt(1));
    ASSERT_EQ(marks.GetCount(), 2);
    EXPECT_EQ(marks.At(0)->Get().at(0), 120);
    EXPECT_EQ(marks.At(0)->GetItemInci(), 0);
    EXPECT_EQ(marks.At(1)->Get().at(0), 122);
    EXPECT_EQ(marks.At(1)->GetItemInci(), 1);
    EXPECT_EQ(DetailsOf(host::TAG_DOTMOD, 12), (std::map<int, int>{{0, 120}, {1, 122}}));
}

TEST_F(EntryDetail, DestroyItemAtTheHostRefusesChangesNothing) {
    ASSERT_TRUE(LoadMarks());
    Host().FailNext("FX_DeleteEData");
    EXPECT_FALSE(marks.DestroyItemAt(0));
    ASSERT_EQ(marks.GetCount(), 3) << "the detail stays in the collection";
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(marks.At(i)->GetItemInci(), i) << "and no element is renumbered";
    EXPECT_EQ(DetailsOf(host::TAG_DOTMOD, 12), (std::map<int, int>{{0, 120}, {1, 121}, {2, 122}}));

    // A later save still writes the record each element came from.
    marks.At(2)->Set({222, 0, 0, 0});
    ASSERT_TRUE(marks.At(2)->Save());
    EXPECT_EQ(DetailsOf(host::TAG_DOTMOD, 12), (std::map<int, int>{{0, 120}, {1, 121}, {2, 222}}));
}

} // namespace
