// The entries of a cell over chosen layers.
#include "finaleframework/music/FCNoteEntryCell.h"

#include "finaleframework/music/FCMusicRegion.h"
#include "host/Builder.h"
#include "support/FrameFixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class NoteEntryCell : public testing_support::FrameTest {
protected:
    /// Staff 1 over two measures: in measure 1 layer index i holds i + 1 quarter notes.
    void BuildLayers() {
        host::DocumentBuilder doc = NewDocument();
        doc.Staves(1).Measures(2);
        doc.Layer(1, 1, 0).Notes("C4 q");
        doc.Layer(1, 1, 1).Notes("D4 q, D4 q");
        doc.Layer(1, 1, 2).Notes("E4 q, E4 q, E4 q");
        doc.Layer(1, 1, 3).Notes("F4 q, F4 q, F4 q, F4 q");
    }
    /// Which layer indexes a cell of measure 1 loads in `mode`.
    std::vector<int> LoadedLayers(int mode, int* entryCount = nullptr) {
        FCNoteEntryCell cell(1, 1, mode);
        EXPECT_TRUE(cell.Load()) << mode;
        std::vector<int> layers;
        for (int i = 0; i < 4; ++i)
            if (cell._GetLayerFrame(i)) layers.push_back(i);
        if (entryCount) *entryCount = cell.GetCount();
        return layers;
    }
    std::vector<EXENTRY>& Stored(twobyte staff, twobyte measure, twobyte layer) {
        return Host().Current()->frames[host::FrameKey{staff, measure, layer}];
    }
};

using Layers = std::vector<int>;

} // namespace

TEST_F(NoteEntryCell, TheLayerModeChoosesTheLayers) {
    BuildLayers();
    int count = 0;
    EXPECT_EQ(LoadedLayers(0x500, &count), (Layers{0, 2}));
    EXPECT_EQ(count, 4);
    EXPECT_EQ(LoadedLayers(3, &count), (Layers{2}));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(LoadedLayers(FCNoteEntryCell::LAYERMODE_NONE, &count), (Layers{}));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(LoadedLayers(FCNoteEntryCell::LAYERMODE_ALL, &count), (Layers{0, 1, 2, 3}));
    EXPECT_EQ(count, 10);
    EXPECT_EQ(LoadedLayers(1), (Layers{0}));
    EXPECT_EQ(LoadedLayers(4), (Layers{3}));
    EXPECT_EQ(LoadedLayers(0x800), (Layers{3}));
    EXPECT_EQ(LoadedLayers(0x1000), (Layers{})) << "the mask names four layers only";
}

TEST_F(NoteEntryCell, ShownAndHiddenLayersFollowTheHost) {
    BuildLayers();
    host::DocumentBuilder(*Host().Current()).HideLayer(1).HideLayer(3);
    EXPECT_EQ(LoadedLayers(FCNoteEntryCell::LAYERMODE_SHOWN), (Layers{0, 2}));
    EXPECT_EQ(LoadedLayers(FCNoteEntryCell::LAYERMODE_HIDDEN), (Layers{1, 3}));
}

TEST_F(NoteEntryCell, TheChainStartsAnewInEveryLayer) {
    BuildLayers();
    FCNoteEntryCell cell(1, 1, 0x300);
    ASSERT_TRUE(cell.Load());
    ASSERT_EQ(cell.GetCount(), 3);
    FCNoteEntry* first = cell.GetItemAt(0);
    FCNoteEntry* second = cell.GetItemAt(1);
    FCNoteEntry* third = cell.GetItemAt(2);
    EXPECT_EQ(first->GetLayerIndex(), 0);
    EXPECT_EQ(first->GetPrevious(), nullptr);
    EXPECT_EQ(first->GetNext(), nullptr) << "the last entry of the first layer";
    EXPECT_EQ(second->GetPrevious(), nullptr) << "the first entry of the second layer";
    EXPECT_EQ(second->GetNext(), third);
    EXPECT_EQ(third->GetPrevious(), second);
    EXPECT_EQ(third->GetNext(), nullptr);
    EXPECT_EQ(third->GetElapsedDuration(), 1024);
    EXPECT_EQ(third->GetMeasure(), 1);
    EXPECT_EQ(third->GetStaff(), 1);
}

TEST_F(NoteEntryCell, AFrameThatDoesNotLoadLeavesTheCellEmpty) {
    BuildLayers();
    FCNoteEntryCell cell(1, 1, FCNoteEntryCell::LAYERMODE_ALL);
    Host().ClearCalls();
    Host().FailCallNumber(4); // GetMaxLayers, InstToSlot, layer index 0, then layer index 1
    EXPECT_FALSE(cell.Load());
    EXPECT_EQ(Host().Calls()[3].name, "FX_LoadTGF");
    EXPECT_EQ(Host().CountCalls("FX_LoadTGF"), 2) << "the first failure ends the load";
    EXPECT_EQ(cell.GetCount(), 0);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(cell._GetLayerFrame(i), nullptr);

    ASSERT_TRUE(cell.Load());
    EXPECT_EQ(cell.GetCount(), 10);
    Host().FailNext("FX_LoadTGF");
    EXPECT_FALSE(cell.Load()) << "a loaded cell that fails to load again is empty";
    EXPECT_EQ(cell.GetCount(), 0);

    FCNoteEntryCell elsewhere(1, 9, FCNoteEntryCell::LAYERMODE_ALL); // no staff 9 in the score
    EXPECT_FALSE(elsewhere.Load());
}

TEST_F(NoteEntryCell, SaveWritesEveryLoadedFrame) {
    BuildLayers();
    FCNoteEntryCell cell(1, 1, 0x300);
    ASSERT_TRUE(cell.Load());
    cell.GetItemAt(0)->SetDuration(2048);
    cell.GetItemAt(2)->SetDuration(512);
    Host().FailNext("FX_SaveTGF");
    EXPECT_FALSE(cell.Save()) << "the first frame failed";
    EXPECT_EQ(Stored(1, 1, 0)[0].duration, 1024);
    EXPECT_EQ(Stored(1, 1, 1)[1].duration, 512) << "the second frame was still saved";
    EXPECT_TRUE(cell.Save());
    EXPECT_EQ(Stored(1, 1, 0)[0].duration, 2048);
}

TEST_F(NoteEntryCell, DeleteAllNullEntriesKeepsTheOthersInOrder) {
    host::DocumentBuilder doc = NewDocument();
    doc.Staves(1).Measures(1);
    doc.Layer(1, 1, 0).Notes("C4 q, D4 q, E4 q, F4 e");
    doc.Layer(1, 1, 1).Notes("G4 q");
    Stored(1, 1, 0)[1].duration = 0;
    Stored(1, 1, 0)[2].duration = 0;
    Stored(1, 1, 1)[0].duration = 0;

    FCNoteEntryCell cell(1, 1, FCNoteEntryCell::LAYERMODE_ALL);
    ASSERT_TRUE(cell.Load());
    ASSERT_EQ(cell.GetCount(), 5);
    cell.DeleteAllNullEntries();
    ASSERT_EQ(cell.GetCount(), 2);
    EXPECT_EQ(cell.GetItemAt(0)->GetDuration(), 1024);
    EXPECT_EQ(cell.GetItemAt(1)->GetDuration(), 512);
    EXPECT_EQ(cell.GetItemAt(1)->GetPrevious(), cell.GetItemAt(0));
    EXPECT_EQ(cell._GetLayerFrame(1)->entryCount, 0);
    EXPECT_EQ(cell.GetItemAt(0)->_GetEntryRecord(), &cell._GetLayerFrame(0)->entries[0]);
    EXPECT_EQ(cell.GetItemAt(1)->_GetEntryRecord(), &cell._GetLayerFrame(0)->entries[1]);
    ASSERT_TRUE(cell.Save());
    ASSERT_EQ(Stored(1, 1, 0).size(), 2u);
    EXPECT_EQ(Stored(1, 1, 0)[1].duration, 512);
    EXPECT_TRUE(Stored(1, 1, 1).empty());
}

TEST_F(NoteEntryCell, ARecordTheHostWillNotDeleteIsPassedOver) {
    host::DocumentBuilder doc = NewDocument();
    doc.Staves(1).Measures(1);
    doc.Layer(1, 1, 0).Notes("C4 q, D4 q");
    Stored(1, 1, 0)[0].duration = 0;
    FCNoteEntryCell cell(1, 1, 1);
    ASSERT_TRUE(cell.Load());
    Host().FailAlways("FX_DeleteEXENTRY");
    cell.DeleteAllNullEntries();
    EXPECT_EQ(Host().CountCalls("FX_DeleteEXENTRY"), 1);
    EXPECT_EQ(cell.GetCount(), 2);
    Host().ClearFaults();
}

TEST_F(NoteEntryCell, FindClosestPosTakesTheFirstOfEquallyNearEntries) {
    host::DocumentBuilder doc = NewDocument();
    doc.Staves(2).Measures(1, 8);
    doc.Layer(1, 1, 0).Notes("C4 h, D4 h");
    doc.Layer(2, 1, 0).Notes("C4 2000, D4 q");
    FCNoteEntryCell halves(1, 1, 1);
    ASSERT_TRUE(halves.Load());
    EXPECT_EQ(halves.FindClosestPos(1000), halves.GetItemAt(0));
    EXPECT_EQ(halves.FindClosestPos(1500), halves.GetItemAt(1));
    EXPECT_EQ(halves.FindClosestPos(22047), halves.GetItemAt(1));
    EXPECT_EQ(halves.FindClosestPos(22048), nullptr) << "20000 away is too far";
    EXPECT_EQ(halves.FindClosestPos(-20000), nullptr);

    FCNoteEntryCell uneven(1, 2, 1);
    ASSERT_TRUE(uneven.Load());
    EXPECT_EQ(uneven.GetItemAt(1)->GetElapsedDuration(), 2000);
    EXPECT_EQ(uneven.FindClosestPos(1000), uneven.GetItemAt(0));

    FCNoteEntryCell empty(1, 1, FCNoteEntryCell::LAYERMODE_NONE);
    ASSERT_TRUE(empty.Load());
    EXPECT_EQ(empty.FindClosestPos(0), nullptr);
}

TEST_F(NoteEntryCell, GetRegionItemAtCutsAtTheRegionsPositions) {
    host::DocumentBuilder doc = NewDocument();
    doc.Staves(1).Measures(3);
    for (twobyte measure = 1; measure <= 3; ++measure)
        doc.Layer(1, measure, 0).Notes("C4 q, D4 q, E4 q, F4 q");
    EREGION record = host::Region(1, 1, 1, 3, 1024, 2048);
    FCMusicRegion region(&record);

    FCNoteEntryCell first(1, 1, 1), middle(2, 1, 1), last(3, 1, 1);
    ASSERT_TRUE(first.Load() && middle.Load() && last.Load());
    EXPECT_EQ(first.GetRegionItemAt(0, &region), nullptr);
    EXPECT_EQ(first.GetRegionItemAt(1, &region), first.GetItemAt(1));
    EXPECT_EQ(first.GetRegionItemAt(3, &region), first.GetItemAt(3));
    EXPECT_EQ(middle.GetRegionItemAt(0, &region), middle.GetItemAt(0));
    EXPECT_EQ(last.GetRegionItemAt(2, &region), last.GetItemAt(2));
    EXPECT_EQ(last.GetRegionItemAt(3, &region), nullptr);
    EXPECT_EQ(last.GetRegionItemAt(4, &region), nullptr) << "out of range";
    EXPECT_EQ(last.GetRegionItemAt(-1, &region), nullptr);
    EXPECT_EQ(last.GetRegionItemAt(0, nullptr), nullptr);
}
