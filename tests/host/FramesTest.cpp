// The stand-in host's frames: what FX_LoadTGF hands out, how the entry array moves, how entries
// are numbered and stored, and how frames are counted.
#include "host/EntryDetails.h"
#include "host/Frames.h"
#include "host/HostFunctions.h"
#include "support/HostFixture.h"

#include <algorithm>
#include <cstring>
#include <vector>

// Fields of the packed wire records are read with a unary + so that the test macros, which bind
// references, get a value rather than a misaligned reference.

namespace {

using namespace host::fx;
constexpr EVERSION V = FINALEPDK_VERSION;

class HostFrames : public testing_support::HostTest {
protected:
    void TearDown() override {
        EXPECT_EQ(Host().Frames().LiveCount(), 0);
        EXPECT_EQ(Host().Frames().BadFrees(), 0);
    }
    host::Document& Doc() { return doc_.Built(); }
    EXTGF2005a* Load(int staff, int measure, int layer = 0) {
        return FX_LoadTGF(0, Doc().StaffToSlot(static_cast<twobyte>(staff), 0), measure, layer, 1,
                          V);
    }

    host::DocumentBuilder doc_ = NewDocument();
};

TEST_F(HostFrames, LoadAnswersNoFrameForAPlaceTheDocumentDoesNotHave) {
    doc_.Staves(2).Measures(3).MaxLayers(4);
    EXPECT_EQ(FX_LoadTGF(0, 3, 1, 0, 1, V), nullptr); // no slot 3
    EXPECT_EQ(FX_LoadTGF(0, 0, 1, 0, 1, V), nullptr); // slots count from 1
    EXPECT_EQ(FX_LoadTGF(0, 1, 0, 0, 1, V), nullptr); // measures count from 1
    EXPECT_EQ(FX_LoadTGF(0, 1, 4, 0, 1, V), nullptr); // no measure 4
    EXPECT_EQ(FX_LoadTGF(0, 1, 1, 4, 1, V), nullptr); // layers 0 to 3
    EXPECT_EQ(FX_LoadTGF(5, 1, 1, 0, 1, V), nullptr); // no instrument list 5
    EXPECT_EQ(Host().Frames().LoadedCount(), 0);

    EXTGF2005a* empty = FX_LoadTGF(0, 2, 3, 3, 0, V);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(+empty->entryCount, 0);
    EXPECT_EQ(+empty->tupletCount, 0);
    EXPECT_EQ(+empty->slot, 2);
    EXPECT_EQ(+empty->measure, 3);
    EXPECT_EQ(+empty->layerIndex, 3);
    FX_FreeTGF(empty, V);
}

TEST_F(HostFrames, AFrameIsACopyOfTheStoredEntriesOfItsPlace) {
    doc_.Staves(2).Measures(2).InstrumentList(3, {2, 1});
    doc_.Layer(2, 2, 1).Notes("C4 q, D4 h, r q");
    doc_.Layer(2, 2, 0).Notes("G4 w");
    EXTGF2005a* frame = FX_LoadTGF(3, 1, 2, 1, 1, V); // slot 1 of list 3 is staff 2
    ASSERT_NE(frame, nullptr);
    ASSERT_EQ(+frame->entryCount, 3);
    EXPECT_EQ(+frame->instrumentList, 3);
    EXPECT_EQ(+frame->entries[1].duration, 2048);
    EXPECT_EQ(+frame->entries[1].elapsedTime, 1024);
    EXPECT_EQ(+frame->entries[2].elapsedTime, 3072);
    frame->entries[0].duration = 4096; // a copy: the document does not change until a save
    EXPECT_EQ(host::DescribeLayer(Doc(), 2, 2, 2, 1), "C4 q, D4 h, r q");
    FX_FreeTGF(frame, V);
}

TEST_F(HostFrames, NewEntriesAreNumberedOnSaveAndSeenOnlyAfterAReload) {
    doc_.Staves(1).Measures(1);
    doc_.Layer(1, 1).Notes("C4 h");
    const fourbyte next = Doc().nextEntryNumber;
    EXTGF2005a* frame = Load(1, 1);
    ASSERT_NE(FX_InsertEXENTRY(frame, 1, 2, V), 0);
    frame->entries[1].duration = 1024;
    frame->entries[2].duration = 1024;
    ASSERT_NE(FX_SaveTGF(frame, V), 0);
    EXPECT_EQ(+frame->entries[1].entryNumber, 0);
    EXPECT_EQ(+frame->entries[2].entryNumber, 0);
    FX_FreeTGF(frame, V);

    EXTGF2005a* reloaded = Load(1, 1);
    ASSERT_EQ(+reloaded->entryCount, 3);
    EXPECT_EQ(+reloaded->entries[1].entryNumber, next);
    EXPECT_EQ(+reloaded->entries[2].entryNumber, next + 1);
    EXPECT_EQ(+reloaded->entries[2].elapsedTime, 3072);
    EXPECT_EQ(Doc().nextEntryNumber, next + 2);
    FX_FreeTGF(reloaded, V);
}

TEST_F(HostFrames, InsertAndDeleteMoveTheEntryArray) {
    doc_.Staves(1).Measures(1);
    doc_.Layer(1, 1).Notes("C4 q, D4 q, E4 q, F4 q");
    EXTGF2005a* frame = Load(1, 1);
    const EXENTRY* before = frame->entries;
    const fourbyte numberOfD = frame->entries[1].entryNumber;
    ASSERT_NE(FX_InsertEXENTRY(frame, 1, 1, V), 0);
    EXPECT_NE(+frame->entries, before);
    EXPECT_EQ(+frame->entries[2].entryNumber, numberOfD);
    EXPECT_EQ(+frame->entries[1].entryNumber, 0);

    const EXENTRY* afterInsert = frame->entries;
    ASSERT_NE(FX_DeleteEXENTRY(frame, 0, 2, V), 0);
    EXPECT_NE(+frame->entries, afterInsert);
    ASSERT_EQ(+frame->entryCount, 3);
    EXPECT_EQ(+frame->entries[0].entryNumber, numberOfD);

    // Out of range: nothing happens.
    EXPECT_EQ(FX_InsertEXENTRY(frame, 4, 1, V), 0);
    EXPECT_EQ(FX_InsertEXENTRY(frame, -1, 1, V), 0);
    EXPECT_EQ(FX_InsertEXENTRY(frame, 0, 0, V), 0);
    EXPECT_EQ(FX_DeleteEXENTRY(frame, 2, 2, V), 0);
    EXPECT_EQ(+frame->entryCount, 3);

    ASSERT_NE(FX_DeleteEXENTRY(frame, 0, 3, V), 0);
    EXPECT_EQ(+frame->entryCount, 0);
    EXPECT_EQ(+frame->entries, nullptr);
    FX_FreeTGF(frame, V);
}

TEST_F(HostFrames, TheTupletArrayComesFromTheTupletRecordsOfTheEntries) {
    doc_.Staves(1).Measures(2);
    doc_.Layer(1, 1).Notes("C4 e/3:2, D4 e, E4 e, F4 q/3:2e, G4 e, A4 q, r h");
    doc_.Layer(1, 2).Notes("C5 q/3:2/3:2e, D5 q, E5 q, r q");
    EXTGF2005a* frame = Load(1, 1);
    ASSERT_EQ(+frame->tupletCount, 2);
    EXPECT_EQ(+frame->tuplets[0].startIndex, 0);
    EXPECT_EQ(+frame->tuplets[0].endIndex, 2);
    EXPECT_EQ(+frame->tuplets[0].tupletInci, 0);
    EXPECT_EQ(+frame->tuplets[1].startIndex, 3);
    EXPECT_EQ(+frame->tuplets[1].endIndex, 4); // a quarter and an eighth fill three eighths
    const host::TupletDefinition def = host::TupletDefinition::Read(frame->tuplets[1].tupletDef);
    EXPECT_EQ(def.number, 3);
    EXPECT_EQ(def.unitDuration, 512);
    EXPECT_EQ(def.referenceNumber, 2);
    // Positions scale inside tuplets: thirds of a quarter, rounded down.
    EXPECT_EQ(+frame->entries[1].elapsedTime, 341);
    EXPECT_EQ(+frame->entries[2].elapsedTime, 682);
    EXPECT_EQ(+frame->entries[3].elapsedTime, 1024);
    EXPECT_EQ(+frame->entries[5].elapsedTime, 2048);
    EXPECT_EQ(FX_GetTGFDuration(frame, V), 5120);
    FX_FreeTGF(frame, V);

    // Two tuplets on one entry are records 0 and 1 of that entry.
    EXTGF2005a* nested = Load(1, 2);
    ASSERT_EQ(+nested->tupletCount, 2);
    EXPECT_EQ(+nested->tuplets[0].tupletInci, 0);
    EXPECT_EQ(+nested->tuplets[0].endIndex, 2);
    EXPECT_EQ(+nested->tuplets[1].tupletInci, 1);
    EXPECT_EQ(+nested->tuplets[1].endIndex, 1); // three eighths reach into the second quarter
    FX_FreeTGF(nested, V);
}

TEST_F(HostFrames, InsertAndDeleteKeepTheTupletArrayInStep) {
    doc_.Staves(1).Measures(1);
    doc_.Layer(1, 1).Notes("r q, C4 e/3:2, D4 e, E4 e, F4 h");
    EXTGF2005a* frame = Load(1, 1);
    ASSERT_EQ(+frame->tupletCount, 1);
    ASSERT_NE(FX_InsertEXENTRY(frame, 0, 1, V), 0);
    EXPECT_EQ(+frame->tuplets[0].startIndex, 2);
    EXPECT_EQ(+frame->tuplets[0].endIndex, 4);
    ASSERT_NE(FX_InsertEXENTRY(frame, 3, 1, V), 0); // inside: the tuplet grows
    EXPECT_EQ(+frame->tuplets[0].endIndex, 5);
    ASSERT_NE(FX_DeleteEXENTRY(frame, 4, 2, V), 0); // its end goes: it shrinks
    EXPECT_EQ(+frame->tuplets[0].startIndex, 2);
    EXPECT_EQ(+frame->tuplets[0].endIndex, 3);
    ASSERT_NE(FX_DeleteEXENTRY(frame, 2, 1, V), 0); // its start goes: it goes
    EXPECT_EQ(+frame->tupletCount, 0);
    FX_FreeTGF(frame, V);
}

TEST_F(HostFrames, SaveDropsTheDetailsOfEntriesThatLeftTheDocument) {
    doc_.Staves(1).Measures(1);
    doc_.Layer(1, 1).Notes("C4 e/3:2!4!5, D4 e, E4 e!6, F4 h.");
    const fourbyte first = host::StoredEntries(Doc(), 1, 1, 0)->at(0).entryNumber;
    const fourbyte third = host::StoredEntries(Doc(), 1, 1, 0)->at(2).entryNumber;
    EXPECT_EQ(host::DetailsOfEntry(Doc(), first).size(), 3u);

    EXTGF2005a* frame = Load(1, 1);
    ASSERT_NE(FX_DeleteEXENTRY(frame, 0, 1, V), 0);
    ASSERT_NE(FX_SaveTGF(frame, V), 0);
    FX_FreeTGF(frame, V);
    EXPECT_TRUE(host::DetailsOfEntry(Doc(), first).empty());
    EXPECT_EQ(host::DetailsOfEntry(Doc(), third).size(), 1u);
    EXPECT_EQ(host::DescribeLayer(Doc(), 1, 1, 1), "D4 e, E4 e!6, F4 h.");
}

TEST_F(HostFrames, AnEntryMovedToAnotherFrameKeepsItsDetailsUntilItLeavesTheDocument) {
    doc_.Staves(1).Measures(3);
    doc_.Layer(1, 1).Notes("C4 e/3:2!4, D4 e, E4 e, F4 h. | G4 w | A4 w");
    const EXENTRY moved = host::StoredEntries(Doc(), 1, 1, 0)->at(0);
    ASSERT_EQ(host::DetailsOfEntry(Doc(), moved.entryNumber).size(), 2u);
    // A copy of the entry, number and all, written by hand into measure 3 before any save.
    Doc().frames[host::FrameKey{1, 3, 0}].push_back(moved);

    auto appendTo = [&](int measure) {
        EXTGF2005a* frame = Load(1, measure);
        ASSERT_NE(FX_InsertEXENTRY(frame, frame->entryCount, 1, V), 0);
        std::memcpy(static_cast<void*>(&frame->entries[frame->entryCount - 1]), &moved,
                    sizeof moved);
        ASSERT_NE(FX_SaveTGF(frame, V), 0);
        FX_FreeTGF(frame, V);
    };
    auto dropFirstOf = [&](int measure, int index) {
        EXTGF2005a* frame = Load(1, measure);
        ASSERT_NE(FX_DeleteEXENTRY(frame, index, 1, V), 0);
        ASSERT_NE(FX_SaveTGF(frame, V), 0);
        FX_FreeTGF(frame, V);
    };
    appendTo(2); // the caller moves the entry into measure 2 through the host
    dropFirstOf(1, 0);
    EXPECT_EQ(host::DetailsOfEntry(Doc(), moved.entryNumber).size(), 2u) << "still in 2 and 3";
    dropFirstOf(3, 1);
    EXPECT_EQ(host::DetailsOfEntry(Doc(), moved.entryNumber).size(), 2u) << "still in 2";
    dropFirstOf(2, 1);
    EXPECT_TRUE(host::DetailsOfEntry(Doc(), moved.entryNumber).empty()) << "stored nowhere";
    EXPECT_EQ(host::DescribeLayer(Doc(), 1, 1, 3), "D4 e, E4 e, F4 h. | G4 w | A4 w");
}

TEST_F(HostFrames, TupletsFollowTheEntriesWhateverOrderTheirNumbersRunIn) {
    doc_.Staves(1).Measures(1);
    doc_.Layer(1, 1).Notes("C4 e/3:2, D4 e, E4 e, F4 q/3:2, G4 q, A4 q, r q");
    // Store the two triplets the other way round: the later numbers come first.
    EXTGF2005a* frame = Load(1, 1);
    std::vector<EXENTRY> entries(frame->entries, frame->entries + frame->entryCount);
    std::rotate(entries.begin(), entries.begin() + 3, entries.end());
    std::memcpy(static_cast<void*>(frame->entries), entries.data(),
                entries.size() * sizeof(EXENTRY));
    ASSERT_NE(FX_SaveTGF(frame, V), 0);
    FX_FreeTGF(frame, V);

    frame = Load(1, 1);
    ASSERT_EQ(+frame->tupletCount, 2);
    EXPECT_EQ(+frame->tuplets[0].startIndex, 0); // the quarter triplet, now first
    EXPECT_EQ(+frame->tuplets[0].endIndex, 2);
    EXPECT_EQ(+frame->tuplets[1].startIndex, 4); // after the rest
    EXPECT_EQ(+frame->tuplets[1].endIndex, 6);
    EXPECT_EQ(FX_GetTGFDuration(frame, V), 4096);
    FX_FreeTGF(frame, V);
}

TEST_F(HostFrames, SavingAnEmptiedFrameEmptiesTheMeasure) {
    doc_.Staves(1).Measures(1);
    doc_.Layer(1, 1).Notes("C4 w");
    EXTGF2005a* frame = Load(1, 1);
    ASSERT_NE(FX_DeleteEXENTRY(frame, 0, 1, V), 0);
    ASSERT_NE(FX_SaveTGF(frame, V), 0);
    FX_FreeTGF(frame, V);
    EXPECT_EQ(host::StoredEntries(Doc(), 1, 1, 0), nullptr);
}

TEST_F(HostFrames, FramesAreCountedAndADoubleFreeIsCaught) {
    doc_.Staves(1).Measures(2);
    EXTGF2005a* a = Load(1, 1);
    EXTGF2005a* b = Load(1, 2);
    EXPECT_EQ(Host().Frames().LiveCount(), 2);
    FX_FreeTGF(a, V);
    EXPECT_EQ(Host().Frames().LiveCount(), 1);
    FX_FreeTGF(a, V);
    EXPECT_EQ(Host().Frames().BadFrees(), 1);
    EXPECT_EQ(FX_SaveTGF(a, V), 0); // a freed frame is not saved
    EXPECT_EQ(FX_InsertEXENTRY(a, 0, 1, V), 0);
    EXPECT_EQ(FX_GetTGFDuration(a, V), 0);
    FX_FreeTGF(b, V);
    EXPECT_EQ(Host().Frames().LiveCount(), 0);
    EXPECT_EQ(Host().Frames().LoadedCount(), 2);
    Host().Frames().Reset(); // the bad free was intended
}

TEST_F(HostFrames, ReduceRemovesEntriesWithoutDuration) {
    doc_.Staves(1).Measures(1);
    doc_.Layer(1, 1).Notes("C4 q, D4 q, E4 q, F4 q");
    EXTGF2005a* frame = Load(1, 1);
    frame->entries[1].duration = 0;
    frame->entries[3].duration = 0;
    EXPECT_EQ(FX_ReduceEntries(frame, V), 2);
    ASSERT_EQ(+frame->entryCount, 2);
    EXPECT_EQ(+frame->entries[1].notes[0].displacement, 2); // E4
    EXPECT_EQ(FX_ReduceEntries(frame, V), 0);
    FX_FreeTGF(frame, V);
}

TEST_F(HostFrames, EntryMetricsPointTheStemUpBelowTheMiddleLine) {
    doc_.Staves(1).Measures(1);
    doc_.Layer(1, 1).Notes("A4 q, B4 q, C4+C6 q, r q");
    const auto& stored = *host::StoredEntries(Doc(), 1, 1, 0);
    auto stemUp = [&](size_t index, int32_t* result) {
        unsigned char metrics[200];
        std::memset(metrics, 0xEE, sizeof metrics);
        *result = FX_GetEntryMetrics(1, 1, stored[index].entryNumber, metrics, nullptr, 1, V);
        ufourbyte word;
        std::memcpy(&word, metrics + 10, sizeof word);
        EXPECT_EQ(metrics[199], 0) << "the whole record is filled";
        return (word & 1) != 0;
    };
    int32_t ok = 0;
    EXPECT_TRUE(stemUp(0, &ok)); // A4, below the middle line B4
    EXPECT_EQ(ok, 1);
    EXPECT_FALSE(stemUp(1, &ok)); // on the middle line
    EXPECT_FALSE(stemUp(2, &ok)); // C4 and C6 average to C5
    EXPECT_FALSE(stemUp(3, &ok)); // a rest has no stem
    unsigned char metrics[200] = {};
    EXPECT_EQ(FX_GetEntryMetrics(1, 1, 999, metrics, nullptr, 1, V), 0);
    EXPECT_EQ(FX_GetEntryMetrics(1, 2, stored[0].entryNumber, metrics, nullptr, 1, V), 0);
}

TEST_F(HostFrames, LayersAreShownOneByOne) {
    doc_.Staves(1).Measures(1).HideLayer(1).HideLayer(3);
    for (int layer = 0; layer < 4; ++layer)
        EXPECT_EQ(FX_GetShowLayer(layer, V), layer % 2 == 0 ? 1 : 0) << layer;
    // A hidden layer still has frames: showing is the user's view, not the music.
    doc_.Layer(1, 1, 1).Notes("C4 w");
    EXTGF2005a* frame = Load(1, 1, 1);
    EXPECT_EQ(+frame->entryCount, 1);
    FX_FreeTGF(frame, V);
}

// An entry saved into a second frame is held by both: its details stay while either holds it.
// The numbers beyond the host's own (a hand-made document's) and a number held twice in one
// frame are followed as well as the host's own.
TEST_F(HostFrames, DetailsStayWhileAnotherFrameHoldsTheEntry) {
    doc_.Staves(1).Measures(3);
    doc_.Layer(1, 1).Notes("C4 w!1");
    doc_.Layer(1, 2).Notes("D4 w!2");
    doc_.Layer(1, 3).Notes("E4 w");
    host::Document& doc = Doc();
    const EXENTRY first = doc.frames.at(host::FrameKey{1, 1, 0}).front();
    const EXENTRY second = doc.frames.at(host::FrameKey{1, 2, 0}).front();
    ASSERT_TRUE(host::HasDetails(doc, first.entryNumber));
    ASSERT_TRUE(host::HasDetails(doc, second.entryNumber));
    EXENTRY handMade = second;
    handMade.entryNumber = doc.nextEntryNumber + 1000;
    doc.records[host::DetailKey(host::TAG_ARTICULATION, handMade.entryNumber, 0)] = {1, 0};

    // Measure 3 takes both entries (the second twice) and the hand-made one.
    host::StoreFrame(doc, host::FrameKey{1, 3, 0}, {first, second, second, handMade});
    host::StoreFrame(doc, host::FrameKey{1, 1, 0}, {});
    EXPECT_TRUE(host::HasDetails(doc, first.entryNumber)); // still in measure 3
    host::StoreFrame(doc, host::FrameKey{1, 2, 0}, {handMade});
    EXPECT_TRUE(host::HasDetails(doc, second.entryNumber));
    host::StoreFrame(doc, host::FrameKey{1, 3, 0}, {second});
    EXPECT_FALSE(host::HasDetails(doc, first.entryNumber)); // held nowhere now
    EXPECT_TRUE(host::HasDetails(doc, second.entryNumber));
    EXPECT_TRUE(host::HasDetails(doc, handMade.entryNumber)); // still in measure 2
    host::StoreFrame(doc, host::FrameKey{1, 2, 0}, {});
    EXPECT_FALSE(host::HasDetails(doc, handMade.entryNumber));
    host::StoreFrame(doc, host::FrameKey{1, 3, 0}, {});
    EXPECT_FALSE(host::HasDetails(doc, second.entryNumber));
}

} // namespace
