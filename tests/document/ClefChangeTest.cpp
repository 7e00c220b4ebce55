// The clef-change search of a frame hold.
#include "finaleframework/document/FCCellFrameHold.h"
#include "finaleframework/music/FCCell.h"
#include "finaleframework/music/FCNoteEntryCell.h"
#include "host/Builder.h"
#include "support/FrameFixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

class ClefChange : public testing_support::FrameTest {
protected:
    /// Staff 1 over four measures.
    host::DocumentBuilder Score() {
        host::DocumentBuilder doc = NewDocument();
        doc.Staves(1).Measures(4);
        return doc;
    }
    void SetClefs(twobyte measure, twobyte layer, const std::vector<twobyte>& clefs) {
        auto& entries = Host().Current()->frames[host::FrameKey{1, measure, layer}];
        for (size_t i = 0; i < clefs.size() && i < entries.size(); ++i)
            entries[i].clefIndex = clefs[i];
    }
    /// CalcClefChange of the frame hold of measure `measure`.
    bool ClefChangesBefore(twobyte measure) {
        FCCell cell(measure, 1);
        FCCellFrameHold hold;
        hold.SetCell(&cell);
        EXPECT_TRUE(hold.LoadFirst());
        return hold.CalcClefChange();
    }
};

} // namespace

TEST_F(ClefChange, MeasureOneAndAHoldWithoutCellLookNowhere) {
    Score().Clef(1, 1, 0);
    FCCell cell(1, 1);
    FCCellFrameHold hold;
    EXPECT_FALSE(hold.CalcClefChange()) << "no cell";
    hold.SetCell(&cell);
    Host().ClearCalls();
    EXPECT_FALSE(hold.CalcClefChange());
    EXPECT_EQ(Host().Calls().size(), 0u);
}

TEST_F(ClefChange, EmptyMeasuresCountWithTheirStartingClef) {
    Score().Clef(1, 1, 3).Clef(1, 2, 0).Clef(1, 4, 0);
    EXPECT_TRUE(ClefChangesBefore(4)) << "measure 3 has no hold, measure 2 the same clef, 1 not";
    host::DocumentBuilder(*Host().Current()).Clef(1, 1, 0);
    EXPECT_FALSE(ClefChangesBefore(4));
}

TEST_F(ClefChange, MeasuresWithEntriesCountWithTheirLatestClefChange) {
    host::DocumentBuilder doc = Score();
    doc.Clef(1, 1, 2).Clef(1, 2, 0).Clef(1, 3, 0);
    doc.Layer(1, 2, 0).Notes("C4 q, D4 q, E4 q, F4 q");
    // A change to clef 1 and back again ends the measure in the hold's own clef; the search goes
    // on to measure 1, whose starting clef differs.
    SetClefs(2, 0, {0, 1, 0, 0});
    EXPECT_TRUE(ClefChangesBefore(3));
    host::DocumentBuilder(*Host().Current()).Clef(1, 1, 0);
    EXPECT_FALSE(ClefChangesBefore(3));
    SetClefs(2, 0, {0, 0, 1, 1});
    EXPECT_TRUE(ClefChangesBefore(3));
}

TEST_F(ClefChange, AnEarlierChangeInALaterLayerDoesNotCount) {
    host::DocumentBuilder doc = Score();
    doc.Clef(1, 1, 0).Clef(1, 2, 0);
    doc.Layer(1, 1, 0).Notes("C4 h, D4 h");
    doc.Layer(1, 1, 1).Notes("C4 q, D4 h.");
    SetClefs(1, 0, {0, 2});
    SetClefs(1, 1, {0, 0});
    // Layer 1 returns to clef 0 at 1024, before layer 0's change at 2048: measure 1 ends in 2.
    EXPECT_TRUE(ClefChangesBefore(2));
    SetClefs(1, 1, {0, 3});
    EXPECT_TRUE(ClefChangesBefore(2));
    SetClefs(1, 0, {0, 0});
    SetClefs(1, 1, {0, 0});
    EXPECT_FALSE(ClefChangesBefore(2));
}
