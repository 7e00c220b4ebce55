// Cells: their key signature, the length of their music, and lists of cells from a region.
#include "finaleframework/music/FCCell.h"

#include "finaleframework/core/FCIteratorHandler.h"
#include "finaleframework/document/FCKeySignature.h"
#include "finaleframework/music/FCMusicRegion.h"
#include "host/Builder.h"
#include "support/FrameFixture.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

class Cells : public testing_support::FrameTest {};

/// Records the cells it visits and answers false at the `stopAt`-th visit (from 1; 0 never).
class CellRecorder : public FCIteratorHandler {
public:
    explicit CellRecorder(int stopAt = 0) : stopAt_(stopAt) {}
    bool Iterate(__FCBase* element) override {
        auto* cell = static_cast<FCCell*>(element);
        visited.emplace_back(cell->GetMeasure(), cell->GetStaff());
        return static_cast<int>(visited.size()) != stopAt_;
    }
    std::vector<std::pair<int, int>> visited;

private:
    int stopAt_;
};

using CellList = std::vector<std::pair<int, int>>;

CellList Contents(const FCCells& cells) {
    CellList list;
    for (int i = 0; i < cells.GetCount(); ++i)
        list.emplace_back(cells.GetItemAt(i)->GetMeasure(), cells.GetItemAt(i)->GetStaff());
    return list;
}

} // namespace

TEST_F(Cells, TheKeySignatureComesFromTheMeasureAndIsKept) {
    NewDocument().Staves(1).Measures(3).KeySignature(2, -3);
    FCCell cell(2, 1);
    FCKeySignature* key = cell.GetKeySignature();
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->GetKeyValue(), 0x00FD);
    EXPECT_EQ(key->CalcFlats(), 3);
    Host().ClearCalls();
    EXPECT_EQ(cell.GetKeySignature(), key);
    EXPECT_EQ(Host().Calls().size(), 0u) << "made once";

    FCCell outside(7, 1);
    ASSERT_NE(outside.GetKeySignature(), nullptr);
    EXPECT_EQ(outside.GetKeySignature()->GetKeyValue(), 0) << "no measure record: no accidentals";
}

TEST_F(Cells, CalcEntryDurationMeasuresTheChosenLayers) {
    host::DocumentBuilder doc = NewDocument();
    doc.Staves(2).Measures(1, 8).HideLayer(2);
    doc.Layer(1, 1, 0).Notes("C4 w");
    doc.Layer(1, 1, 1).Notes("C4 h");
    doc.Layer(1, 1, 2).Notes("C4 w, C4 q.");
    FCCell cell(1, 1);
    EXPECT_EQ(cell.CalcEntryDuration(-1), 4096 + 1536);
    EXPECT_EQ(cell.CalcEntryDuration(0), 4096) << "layer index 2 is hidden";
    EXPECT_EQ(cell.CalcEntryDuration(2), 2048);
    EXPECT_EQ(cell.CalcEntryDuration(3), 4096 + 1536);
    EXPECT_EQ(cell.CalcEntryDuration(4), 0) << "an empty layer";
    EXPECT_EQ(cell.CalcEntryDuration(5), 0) << "no such layer";
    FCCell elsewhere(1, 7);
    EXPECT_EQ(elsewhere.CalcEntryDuration(-1), 0) << "no frame loads";
    Host().FailNext("FX_LoadTGF");
    EXPECT_EQ(cell.CalcEntryDuration(-1), 4096 + 1536) << "a layer that does not load is skipped";
}

TEST_F(Cells, ApplyRegionOrdersMeasureByMeasure) {
    NewDocument().Staff(4).Staff(9).Staff(2).Measures(5).InstrumentList(3, {2, 4, 9});
    EREGION record = host::Region(1, 2, 3, 4);
    FCMusicRegion region(&record);
    FCCells cells;
    cells.ApplyRegion(&region);
    EXPECT_EQ(Contents(cells), (CellList{{3, 4}, {3, 9}, {4, 4}, {4, 9}}));

    EREGION other = host::Region(2, 3, 1, 1, 0, EREGION_END_OF_MEASURE, 3);
    FCMusicRegion listed(&other);
    cells.ApplyRegion(&listed);
    EXPECT_EQ(Contents(cells), (CellList{{1, 4}, {1, 9}})) << "slots of instrument list 3";

    FCMusicRegion empty;
    cells.ApplyRegion(&empty);
    EXPECT_EQ(Contents(cells), (CellList{{0, 0}}));
    cells.ApplyRegion(nullptr);
    EXPECT_EQ(cells.GetCount(), 0);
}

TEST_F(Cells, ApplyRegionReachingTheLastMeasureNumberEnds) {
    NewDocument().Staves(1).Measures(1);
    EREGION record = host::Region(1, 1, 32766, 32767);
    FCMusicRegion region(&record);
    FCCells cells;
    cells.ApplyRegion(&region);
    EXPECT_EQ(Contents(cells), (CellList{{32766, 1}, {32767, 1}}));
}

TEST_F(Cells, WalksAtAMeasureOrAStaffStopAtFalse) {
    NewDocument().Staves(3).Measures(3);
    EREGION record = host::Region(1, 3, 1, 3);
    FCMusicRegion region(&record);
    FCCells cells;
    cells.ApplyRegion(&region);
    cells.Add(nullptr); // an empty slot is skipped

    CellRecorder all;
    EXPECT_EQ(cells.ForEachAtMeasure(2, &all), 3);
    EXPECT_EQ(all.visited, (CellList{{2, 1}, {2, 2}, {2, 3}}));
    CellRecorder staff;
    EXPECT_EQ(cells.ForEachAtStaff(3, &staff), 3);
    EXPECT_EQ(staff.visited, (CellList{{1, 3}, {2, 3}, {3, 3}}));
    CellRecorder stopping(2);
    EXPECT_EQ(cells.ForEachAtStaff(1, &stopping), 1);
    EXPECT_EQ(stopping.visited.size(), 2u);
    CellRecorder none;
    EXPECT_EQ(cells.ForEachAtMeasure(4, &none), 0);
    EXPECT_EQ(cells.ForEachAtMeasure(1, nullptr), 0);
}
