// Note entry layers: loading frames whole, chaining entries across measures, cloning entries into
// other frames, saving and learning the host's numbers, tuplets, region queries, insertion.
#include "finaleframework/core/FCIteratorHandler.h"
#include "finaleframework/music/FCMusicRegion.h"
#include "finaleframework/music/FCNoteEntryLayer.h"
#include "host/EntryDetails.h"
#include "support/FrameFixture.h"

#include <memory>
#include <vector>

// Fields of the packed wire records are read with a unary + so that the test macros, which bind
// references, get a value rather than a misaligned reference.

namespace {

class NoteEntryLayers : public testing_support::FrameTest {
protected:
    host::Document& Doc() { return doc_.Built(); }
    /// Layer 1 of `staff` over the measures, loaded.
    std::unique_ptr<FCNoteEntryLayer> Load(twobyte staff, twobyte from, twobyte to) {
        auto layer = std::make_unique<FCNoteEntryLayer>(0, staff, from, to);
        EXPECT_TRUE(layer->Load());
        return layer;
    }
    std::string Describe(twobyte staff, twobyte from, twobyte to, twobyte layer = 0) {
        return host::DescribeLayer(Doc(), staff, from, to, layer);
    }
    /// The duration names of a layer's entries, for comparing what a layer object holds.
    static std::string Durations(FCNoteEntryLayer& layer) {
        std::string text;
        for (int i = 0; i < layer.GetCount(); ++i) {
            FCNoteEntry* entry = layer.GetItemAt(i);
            text += (i ? " " : "") + std::string(entry->IsRest() ? "r" : "") +
                    host::DurationName(entry->GetDuration());
        }
        return text;
    }

    host::DocumentBuilder doc_ = NewDocument().Staves(3).Measures(4);
};

TEST_F(NoteEntryLayers, EntriesAreChainedAcrossMeasuresSkippingEmptyOnes) {
    doc_.Layer(1, 1).Notes("C4 h, D4 h | | E4 w | F4 q, r h.");
    auto layer = Load(1, 1, 4);
    EXPECT_EQ(layer->GetFrameCount(), 4);
    ASSERT_EQ(layer->GetCount(), 5);
    EXPECT_EQ(layer->GetItemAt(0)->GetPrevious(), nullptr);
    EXPECT_EQ(layer->GetItemAt(1)->GetNext(), layer->GetItemAt(2)); // measure 1 to measure 3
    EXPECT_EQ(layer->GetItemAt(2)->GetPrevious(), layer->GetItemAt(1));
    EXPECT_EQ(layer->GetItemAt(2)->GetMeasure(), 3);
    EXPECT_EQ(layer->GetItemAt(3)->GetPrevious(), layer->GetItemAt(2)); // measure 3 to measure 4
    EXPECT_EQ(layer->GetItemAt(4)->GetNext(), nullptr);
    EXPECT_EQ(layer->_GetFrame(1)->entryCount, 0);
    EXPECT_EQ(layer->CalcFrameDuration(4), 4096);
    EXPECT_EQ(layer->CalcFrameDuration(2), 0);
    EXPECT_EQ(layer->CalcFrameDuration(5), 0);

    // Loading again starts afresh.
    ASSERT_TRUE(layer->Load());
    EXPECT_EQ(layer->GetCount(), 5);
}

TEST_F(NoteEntryLayers, EntriesAreGroupedByTheFrameTheyLieIn) {
    doc_.Layer(1, 1).Notes("C4 h, D4 h | | E4 w | F4 q, r h.");
    auto layer = Load(1, 1, 4);
    // An entry of another layer's frame, put among these, belongs to none of them.
    auto other = Load(1, 3, 3);
    ASSERT_EQ(other->GetCount(), 1);
    FCNoteEntry* stranger = other->GetItemAt(0);
    layer->InsertItemAt(stranger, 1);
    const auto grouped = layer->_EntriesByFrame();
    layer->DeleteItemAt(1); // the other layer owns it
    ASSERT_EQ(grouped.starts.size(), 5u);
    EXPECT_EQ(grouped.CountOf(0), 2u);
    EXPECT_EQ(grouped.CountOf(1), 0u);
    EXPECT_EQ(grouped.CountOf(2), 1u);
    EXPECT_EQ(grouped.CountOf(3), 2u);
    EXPECT_EQ(grouped.entries.size(), 5u);
    for (size_t frame = 0; frame < 4; ++frame)
        for (size_t i = 0; i < grouped.CountOf(frame); ++i) {
            FCNoteEntry* entry = grouped.Of(frame)[i];
            EXPECT_NE(entry, stranger);
            EXPECT_EQ(entry->_GetFrame(), layer->_GetFrame(static_cast<int>(frame)));
        }
    // In the layer's order within each frame.
    EXPECT_EQ(grouped.Of(0)[0], layer->GetItemAt(0));
    EXPECT_EQ(grouped.Of(0)[1], layer->GetItemAt(1));
    EXPECT_EQ(grouped.Of(3)[1], layer->GetItemAt(4));
}

TEST_F(NoteEntryLayers, EndMeasureMinusOneReachesTheLastMeasureOfTheDocument) {
    doc_.Layer(2, 2).Notes("C4 w | D4 w | E4 w");
    FCNoteEntryLayer layer(0, 2, 2, -1);
    EXPECT_EQ(layer.GetEndMeasure(), 4);
    ASSERT_TRUE(layer.Load());
    EXPECT_EQ(layer.GetFrameCount(), 3);
    EXPECT_EQ(Durations(layer), "w w w");
    EXPECT_EQ(layer.GetItemAt(2)->GetMeasure(), 4);

    // The count is taken when the layer is made: measures added later are not part of it.
    doc_.Measures(2);
    EXPECT_EQ(layer.GetEndMeasure(), 4);
    EXPECT_EQ(FCNoteEntryLayer(0, 2, 1, -1).GetEndMeasure(), 6);
    // Any other end measure is taken as given.
    EXPECT_EQ(FCNoteEntryLayer(0, 2, 1, -2).GetEndMeasure(), -2);
}

TEST_F(NoteEntryLayers, AHiddenLayerLoadsWithoutEntriesUnlessAskedFor) {
    doc_.HideLayer(1);
    doc_.Layer(2, 1, 1).Notes("C4 w");
    FCNoteEntryLayer shown(1, 2, 1, 2);
    EXPECT_TRUE(shown.Load());
    EXPECT_EQ(shown.GetCount(), 0);
    EXPECT_EQ(shown.GetFrameCount(), 2);
    EXPECT_EQ(shown._GetFrame(0), nullptr);
    EXPECT_EQ(Host().CountCalls("FX_LoadTGF"), 0);

    FCNoteEntryLayer all(1, 2, 1, 2);
    all.SetVisibleOnly(false);
    EXPECT_TRUE(all.Load());
    EXPECT_EQ(all.GetCount(), 1);
}

TEST_F(NoteEntryLayers, ALayerLoadsWholeOrNotAtAll) {
    doc_.Layer(1, 1).Notes("C4 w | D4 w | E4 w");
    FCNoteEntryLayer layer(0, 1, 1, 3);
    Host().FailCallNumber(9); // per measure: show layer, slot, load; the third measure's load fails
    EXPECT_FALSE(layer.Load());
    EXPECT_EQ(layer.GetCount(), 0);
    EXPECT_EQ(layer.GetFrameCount(), 0);
    EXPECT_EQ(Host().Frames().LiveCount(), 0);

    FCNoteEntryLayer backwards(0, 1, 3, 1);
    EXPECT_FALSE(backwards.Load());
    EXPECT_EQ(backwards.GetFrameCount(), 0);
    FCNoteEntryLayer noStaff(0, 9, 1, 1);
    EXPECT_FALSE(noStaff.Load());
}

TEST_F(NoteEntryLayers, CloningFillsTheDestinationFramesWithTheSourceEntries) {
    doc_.Layer(1, 1).Notes("C4 q, D4 q~, D4 h | E4 e/3:2!2, F4 e, G4 e, r q, A4 h");
    doc_.Layer(2, 3, 2).Notes("B5 w | B5 h, B5 h");
    auto source = Load(1, 1, 2);
    std::unique_ptr<FCNoteEntryLayer> clone(source->CreateCloneEntries(2, 2, 3));
    EXPECT_EQ(clone->GetLayerIndex(), 2);
    EXPECT_EQ(clone->GetStaff(), 2);
    EXPECT_EQ(clone->GetStartMeasure(), 3);
    EXPECT_EQ(clone->GetEndMeasure(), 4);
    ASSERT_EQ(clone->GetCount(), 8);
    EXPECT_EQ(Durations(*clone), "q q h e e e rq h");
    EXPECT_EQ(clone->_GetFrame(0)->entryCount, 3);
    EXPECT_EQ(clone->_GetFrame(1)->entryCount, 5);
    for (int i = 0; i < clone->GetCount(); ++i) {
        FCNoteEntry* entry = clone->GetItemAt(i);
        EXPECT_EQ(entry->GetEntryNumber(), 0) << i;
        EXPECT_EQ(entry->GetEntryFlags() & ENTRY_DETAILMASK, 0u) << i;
        EXPECT_EQ(entry->GetMeasure(), i < 3 ? 3 : 4);
        EXPECT_EQ(entry->GetStaff(), 2);
    }
    EXPECT_EQ(clone->GetItemAt(3)->GetItemAt(0)->GetDisplacement(), 2); // E4
    EXPECT_EQ(clone->GetItemAt(2)->GetPrevious(), clone->GetItemAt(1));

    // Until the clone is saved, the document keeps the destination's music.
    EXPECT_EQ(Describe(2, 3, 4, 2), "B5 w | B5 h, B5 h");
    FCNote* e4 = clone->GetItemAt(3)->GetItemAt(0);
    ASSERT_TRUE(clone->Save());
    // The reload that taught the numbers moved the records; the notes moved with them.
    ASSERT_EQ(clone->GetItemAt(3)->GetItemAt(0), e4);
    e4->SetDisplacement(4);
    EXPECT_EQ(+clone->_GetFrame(1)->entries[0].notes[0].displacement, 4);
    e4->SetDisplacement(2);
    EXPECT_EQ(Describe(2, 3, 4, 2), "C4 q, D4 q~, D4 h | E4 e, F4 e, G4 e, r q, A4 h");
    for (int i = 0; i < clone->GetCount(); ++i) {
        FCNoteEntry* entry = clone->GetItemAt(i);
        EXPECT_NE(entry->GetEntryNumber(), 0) << i;
        EXPECT_GE(entry->_CalcTGFIndex(), 0) << i;
        EXPECT_EQ(entry->_GetFrame(), clone->_GetFrame(i < 3 ? 0 : 1)) << i;
    }
    EXPECT_EQ(clone->GetItemAt(3)->GetItemAt(0)->GetDisplacement(), 2);
    // The source is untouched.
    EXPECT_EQ(Describe(1, 1, 2), "C4 q, D4 q~, D4 h | E4 e/3:2!2, F4 e, G4 e, r q, A4 h");
}

TEST_F(NoteEntryLayers, CopiedRecordsKeepTheirBytesButNotTheirDetailBits) {
    doc_.Layer(1, 1).Notes("C4+E4 w~!1");
    auto& stored = const_cast<std::vector<EXENTRY>&>(*host::StoredEntries(Doc(), 1, 1, 0));
    stored[0].entryFlags |= ENTRY_DETAILMASK | ENTRY_ALWAYSFLIPPABLE;
    stored[0].entryFlags2 = 0x0021;
    stored[0].clefIndex = 3;
    stored[0].reserved140[1] = 0x5A;
    auto source = Load(1, 1, 1);
    std::unique_ptr<FCNoteEntryLayer> clone(source->CreateCloneEntries(0, 2, 1));
    ASSERT_EQ(clone->GetCount(), 1);
    const EXENTRY& copy = *clone->GetItemAt(0)->_GetEntryRecord();
    EXPECT_EQ(+copy.entryFlags, ENTRY_INUSE | ENTRY_NOTE | ENTRY_ALWAYSFLIPPABLE);
    EXPECT_EQ(+copy.entryFlags2, 0x0001);
    EXPECT_EQ(+copy.clefIndex, 3);
    EXPECT_EQ(copy.reserved140[1], 0x5A);
    EXPECT_EQ(+copy.noteCount, 2);
    EXPECT_EQ(+copy.notes[1].noteFlags, NOTE_INUSE | NOTE_TIE | 0x00020000u);
    EXPECT_EQ(+copy.duration, 4096);
}

TEST_F(NoteEntryLayers, AHiddenSourceIsClonedWhenItWasReadDespiteBeingHidden) {
    doc_.HideLayer(0);
    doc_.Layer(1, 1).Notes("C4 h, D4 h");
    doc_.Layer(2, 1, 1).Notes("E4 w");
    auto shownOnly = Load(1, 1, 1);
    std::unique_ptr<FCNoteEntryLayer> none(shownOnly->CreateCloneEntries(1, 2, 1));
    EXPECT_EQ(none->GetCount(), 0);
    EXPECT_EQ(none->_GetFrame(0), nullptr);

    FCNoteEntryLayer hidden(0, 1, 1, 1);
    hidden.SetVisibleOnly(false);
    ASSERT_TRUE(hidden.Load());
    std::unique_ptr<FCNoteEntryLayer> clone(hidden.CreateCloneEntries(1, 2, 1));
    EXPECT_FALSE(clone->GetVisibleOnly());
    EXPECT_EQ(clone->GetCount(), 2);
}

TEST_F(NoteEntryLayers, ACloneWhoseFramesFailToLoadIsEmpty) {
    doc_.Layer(1, 1).Notes("C4 w | D4 w");
    auto source = Load(1, 1, 2);
    // Per measure: show layer, destination slot and load, source slot and load, the copy
    // (delete, insert) and the source's release.
    Host().FailCallNumber(13); // the source frame of the second measure
    std::unique_ptr<FCNoteEntryLayer> clone(source->CreateCloneEntries(0, 2, 1));
    EXPECT_EQ(clone->GetCount(), 0);
    EXPECT_EQ(clone->GetFrameCount(), 0);
    EXPECT_EQ(Host().Frames().LiveCount(), 2); // only the source's own frames
    Host().FailCallNumber(3);                  // the first destination frame
    clone.reset(source->CreateCloneEntries(0, 2, 1));
    EXPECT_EQ(clone->GetFrameCount(), 0);
    EXPECT_TRUE(clone->Save()); // nothing to save
}

TEST_F(NoteEntryLayers, SaveReportsAFailedFrameAndStillSavesTheOthers) {
    doc_.Layer(1, 1).Notes("C4 w | D4 w | E4 w");
    auto layer = Load(1, 1, 3);
    for (int i = 0; i < 3; ++i)
        layer->GetItemAt(i)->SetDuration(2048);
    Host().FailCallNumber(2); // the second FX_SaveTGF
    EXPECT_FALSE(layer->Save());
    EXPECT_EQ(Describe(1, 1, 3), "C4 h | D4 w | E4 h");
}

TEST_F(NoteEntryLayers, EntriesStayValidWhenTheReloadAfterASaveFails) {
    doc_.Layer(1, 1).Notes("C4 w");
    auto source = Load(1, 1, 1);
    std::unique_ptr<FCNoteEntryLayer> clone(source->CreateCloneEntries(0, 2, 1));
    Host().FailNext("FX_LoadTGF");
    EXPECT_TRUE(clone->Save());
    ASSERT_EQ(clone->GetCount(), 1);
    EXPECT_EQ(clone->GetItemAt(0)->GetEntryNumber(), 0); // the numbers were not learnt
    EXPECT_EQ(clone->GetItemAt(0)->GetItemAt(0)->GetDisplacement(), 0);
    EXPECT_EQ(Describe(2, 1, 1), "C4 w");
}

TEST_F(NoteEntryLayers, CloneTupletsCopiesTheSourceTupletsByIndex) {
    doc_.Layer(1, 1).Notes("C4 q/3:2/5:4e, D4 q, E4 q, F4 e, G4 e");
    doc_.Layer(2, 1).Notes("C5 w");
    auto source = Load(1, 1, 1);
    // The fourth entry claims a tuplet that its frame does not have.
    source->GetItemAt(3)->SetTupletStart(true);

    std::unique_ptr<FCNoteEntryLayer> clone(source->CreateCloneEntries(0, 2, 1));
    ASSERT_TRUE(clone->Save());
    clone->GetItemAt(3)->SetTupletStart(true);
    ASSERT_TRUE(clone->CloneTuplets(source.get()));
    EXPECT_TRUE(clone->GetItemAt(0)->IsTupletStart());
    EXPECT_FALSE(clone->GetItemAt(3)->IsTupletStart());
    ASSERT_TRUE(clone->Save());
    EXPECT_EQ(Describe(2, 1, 1), "C4 q/3:2/5:4e, D4 q, E4 q, F4 e, G4 e");
    const auto details = host::DetailsOfEntry(Doc(), clone->GetItemAt(0)->GetEntryNumber());
    EXPECT_EQ(details.size(), 2u);

    auto longer = Load(2, 1, 1);
    ASSERT_TRUE(longer->InsertEntriesAfter(longer->GetItemAt(4), 1, false));
    EXPECT_FALSE(longer->CloneTuplets(source.get()));
}

TEST_F(NoteEntryLayers, UnnumberedEntriesGetNoTuplets) {
    doc_.Layer(1, 1).Notes("C4 e/3:2, D4 e, E4 e, r h.");
    auto source = Load(1, 1, 1);
    std::unique_ptr<FCNoteEntryLayer> clone(source->CreateCloneEntries(0, 2, 1));
    const size_t before = Doc().records.size();
    EXPECT_TRUE(clone->CloneTuplets(source.get()));
    EXPECT_EQ(Doc().records.size(), before);
    EXPECT_FALSE(clone->GetItemAt(0)->IsTupletStart());
}

TEST_F(NoteEntryLayers, RegionQueriesUseThePositionsInTheRegion) {
    doc_.Layer(1, 1).Notes("C4 q, D4 q, E4 q, F4 q | G4 h, A4 h");
    auto layer = Load(1, 1, 2);
    const EREGION cut = host::Region(1, 1, 1, 2, 1024, 1024);
    FCMusicRegion region(&cut);
    EXPECT_EQ(layer->CalcRegionCount(&region), 4); // D4, E4, F4 | G4, A4 at 2048 is past the end
    EXPECT_EQ(layer->GetRegionItemAt(0, &region), layer->GetItemAt(1));
    EXPECT_EQ(layer->GetRegionItemAt(3, &region), layer->GetItemAt(4));
    EXPECT_EQ(layer->GetRegionItemAt(4, &region), nullptr);

    std::unique_ptr<FCNoteEntries> entries(layer->CreateRegionEntries(&region));
    ASSERT_EQ(entries->GetCount(), 4);
    EXPECT_EQ(entries->GetItemAt(0)->GetPrevious(), nullptr);
    EXPECT_EQ(entries->GetItemAt(0)->GetNext(), entries->GetItemAt(1));
    EXPECT_EQ(entries->GetItemAt(3)->GetNext(), nullptr);
    EXPECT_EQ(entries->GetItemAt(3)->_GetEntryRecord(), layer->GetItemAt(4)->_GetEntryRecord());

    struct StopAtThird : FCIteratorHandler {
        int calls = 0;
        bool Iterate(__FCBase*) override { return ++calls < 3; }
    } handler;
    EXPECT_EQ(layer->ForEachInRegion(&handler, &region), 2);
    EXPECT_EQ(handler.calls, 3);

    const EREGION elsewhere = host::Region(2, 3, 1, 2);
    FCMusicRegion otherStaves(&elsewhere);
    EXPECT_EQ(layer->CalcRegionCount(&otherStaves), 0);
    EXPECT_EQ(layer->GetRegionItemAt(0, &otherStaves), nullptr);
    EXPECT_FALSE(otherStaves.IsEntryPosWithin(nullptr));
}

TEST_F(NoteEntryLayers, InsertingAfterAnEntryRepointsItsNeighbours) {
    doc_.Layer(1, 1).Notes("C4 q, D4 q, E4 q, F4 q | G4 w");
    auto layer = Load(1, 1, 2);
    FCNoteEntry* first = layer->InsertEntriesAfter(layer->GetItemAt(1), 2, false);
    ASSERT_NE(first, nullptr);
    ASSERT_EQ(layer->GetCount(), 7);
    EXPECT_EQ(layer->GetItemAt(2), first);
    EXPECT_EQ(first->GetEntryNumber(), 0);
    EXPECT_EQ(first->GetPrevious(), layer->GetItemAt(1));
    EXPECT_EQ(layer->GetItemAt(3)->GetNext(), layer->GetItemAt(4));
    EXPECT_EQ(layer->GetItemAt(4)->GetPrevious(), layer->GetItemAt(3));
    // The records moved: every entry of the measure points into the new array, in order.
    EXPECT_EQ(layer->GetItemAt(0)->GetItemAt(0)->GetDisplacement(), 0);
    EXPECT_EQ(layer->GetItemAt(1)->GetItemAt(0)->GetDisplacement(), 1);
    EXPECT_EQ(layer->GetItemAt(4)->GetItemAt(0)->GetDisplacement(), 2);
    EXPECT_EQ(layer->GetItemAt(5)->GetItemAt(0)->GetDisplacement(), 3);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(layer->GetItemAt(i)->_CalcTGFIndex(), i);
    EXPECT_EQ(layer->GetItemAt(6)->_CalcTGFIndex(), 0);

    first->MakeNote();
    first->SetDuration(512);
    first->GetNext()->SetDuration(512);
    layer->GetItemAt(4)->SetDuration(512);
    layer->GetItemAt(5)->SetDuration(512);
    ASSERT_TRUE(layer->Save());
    EXPECT_EQ(Describe(1, 1, 2), "C4 q, D4 q, C4 e, r e, E4 e, F4 e | G4 w");
}

TEST_F(NoteEntryLayers, InsertingAtTheStartOfTheNextMeasure) {
    doc_.Layer(1, 1).Notes("C4 h, D4 h | E4 h, F4 h");
    auto layer = Load(1, 1, 2);
    EXPECT_EQ(layer->InsertEntriesAfter(layer->GetItemAt(0), 1, true), nullptr); // not the last
    EXPECT_EQ(layer->InsertEntriesAfter(layer->GetItemAt(3), 1, true), nullptr); // no next frame
    FCNoteEntry* inserted = layer->InsertEntriesAfter(layer->GetItemAt(1), 1, true);
    ASSERT_NE(inserted, nullptr);
    EXPECT_EQ(inserted->GetMeasure(), 2);
    EXPECT_EQ(layer->GetIndexOf(inserted), 2);
    EXPECT_EQ(inserted->GetPrevious(), layer->GetItemAt(1));
    EXPECT_EQ(inserted->GetNext(), layer->GetItemAt(3));
    EXPECT_EQ(layer->GetItemAt(3)->GetItemAt(0)->GetDisplacement(), 2);
    EXPECT_EQ(layer->GetItemAt(4)->GetItemAt(0)->GetDisplacement(), 3);
    EXPECT_EQ(layer->GetItemAt(3)->_CalcTGFIndex(), 1);

    EXPECT_EQ(layer->InsertEntriesAfter(layer->GetItemAt(0), 0, false), nullptr);
    auto other = Load(1, 1, 1);
    EXPECT_EQ(layer->InsertEntriesAfter(other->GetItemAt(0), 1, false), nullptr);
    Host().FailNext("FX_InsertEXENTRY");
    EXPECT_EQ(layer->InsertEntriesAfter(layer->GetItemAt(0), 1, false), nullptr);
    EXPECT_EQ(layer->GetCount(), 5);
}

// The host counts inserted records in 16 bits: 65537 would reach it as 1.
TEST_F(NoteEntryLayers, ACountTheHostCannotHoldIsRefused) {
    doc_.Layer(1, 1).Notes("C4 h, D4 h");
    auto layer = Load(1, 1, 1);
    EXPECT_EQ(layer->InsertEntriesAfter(layer->GetItemAt(0), 65537, false), nullptr);
    EXPECT_EQ(layer->InsertEntriesAfter(layer->GetItemAt(0), 32768, false), nullptr);
    EXPECT_EQ(Host().CountCalls("FX_InsertEXENTRY"), 0) << "refused before the host is asked";
    EXPECT_EQ(layer->GetCount(), 2);
    EXPECT_EQ(layer->GetItemAt(1)->_CalcTGFIndex(), 1);
    ASSERT_TRUE(layer->Save());
    EXPECT_EQ(Describe(1, 1, 1), "C4 h, D4 h");
}

} // namespace
