// The region browsers: which records of which cells a handler is handed, in which order, and what
// the note entry browser does around its visits.
#include "finaleframework/records/FCRegionBrowsers.h"

#include "finaleframework/document/FCChord.h"
#include "finaleframework/document/FCExpression.h"
#include "finaleframework/document/FCMidiExpression.h"
#include "finaleframework/music/FCMusicRegion.h"
#include "finaleframework/music/FCNoteEntry.h"
#include "finaleframework/music/FCTuplet.h"
#include "host/Frames.h"
#include "support/FrameFixture.h"
#include "support/RecordingHandler.h"

#include <string>
#include <vector>

namespace {

using testing_support::RecordingHandler;
using Sequence = std::vector<std::string>;

std::string At(twobyte staff, twobyte measure, fourbyte position) {
    return "s" + std::to_string(staff) + " m" + std::to_string(measure) + " @" +
           std::to_string(position);
}

std::string DescribeChord(__FCBase* element) {
    auto* chord = dynamic_cast<FCChord*>(element);
    if (!chord) return "not a chord";
    return At(chord->GetItemStaff(), chord->GetItemMeasure(), chord->GetMeasurePos());
}

std::string DescribeMidi(__FCBase* element) {
    auto* midi = dynamic_cast<FCMidiExpression*>(element);
    if (!midi) return "not a MIDI expression";
    return At(midi->GetItemStaff(), midi->GetItemMeasure(), midi->GetMeasurePos());
}

std::string DescribeExpression(__FCBase* element) {
    auto* expression = dynamic_cast<FCExpression*>(element);
    if (!expression) return "not an expression";
    return "def" + std::to_string(expression->GetTextExpressionID()) + " " +
           At(expression->GetStaff(), expression->GetMeasure(), expression->GetMeasurePos());
}

std::string DescribeTuplet(__FCBase* element) {
    auto* tuplet = dynamic_cast<FCTuplet*>(element);
    if (!tuplet || !tuplet->GetNoteEntry()) return "not an attached tuplet";
    FCNoteEntry* entry = tuplet->GetNoteEntry();
    const auto definition = host::TupletDefinition::Read(tuplet->GetTupletRecord());
    return At(entry->GetStaff(), entry->GetMeasure(), entry->GetElapsedDuration()) + " #" +
           std::to_string(tuplet->GetItemInci()) + " " + std::to_string(definition.number) + ":" +
           std::to_string(definition.referenceNumber);
}

/// Staves 1 to 3 over 3 measures of 4/4. The region used throughout covers slots 1 and 2 from
/// position 1024 of measure 1 through position 2047 of measure 2.
class RegionBrowsers : public testing_support::FrameTest {
protected:
    // Chord records travel in their own, older layout version, so only the frames are checked.
    void TearDown() override { ExpectFramesReleased(); }

    FCMusicRegion Region() {
        EREGION region = host::Region(1, 2, 1, 2, 1024, 2047);
        return FCMusicRegion(&region);
    }
    host::DocumentBuilder doc_ = NewDocument().Staves(3).Measures(3);
};

/// Cell details in and around the region: two outside its positions, one on a staff outside it.
template <typename Add> void AddDetailsAroundTheRegion(Add add) {
    add(1, 1, 0);    // before the region's start
    add(1, 1, 1024); // at its start
    add(3, 1, 1024); // staff 3 lies outside
    add(2, 1, 3000);
    add(1, 1, 4000);
    add(1, 2, 2047); // at its end
    add(1, 2, 2048); // after its end
    add(2, 2, 0);
}

const Sequence DETAILS_IN_THE_REGION = {"Iterate s1 m1 @1024", "Iterate s1 m1 @4000",
                                        "Iterate s2 m1 @3000", "Iterate s1 m2 @2047",
                                        "Iterate s2 m2 @0"};

} // namespace

TEST_F(RegionBrowsers, ChordsInTheRegionCellByCell) {
    AddDetailsAroundTheRegion([&](twobyte s, twobyte m, fourbyte p) { doc_.ChordSymbol(s, m, p); });
    FCMusicRegion region = Region();
    FCBrowserChords browser;
    RecordingHandler handler(DescribeChord);
    EXPECT_EQ(browser.ForEachInRegion(&handler, &region), 4);
    EXPECT_EQ(handler.calls, DETAILS_IN_THE_REGION);

    // The second chord of the first cell stops the walk there.
    RecordingHandler stopping(DescribeChord);
    stopping.stopIterateAt = 2;
    EXPECT_EQ(browser.ForEachInRegion(&stopping, &region), 0);
    EXPECT_EQ(stopping.calls, (Sequence{"Iterate s1 m1 @1024", "Iterate s1 m1 @4000"}));
    // And the first chord of the second cell after one cell.
    RecordingHandler second(DescribeChord);
    second.stopIterateAt = 3;
    EXPECT_EQ(browser.ForEachInRegion(&second, &region), 1);
    EXPECT_EQ(browser.FindFirst(&handler), nullptr);
}

TEST_F(RegionBrowsers, MidiExpressionsInTheRegionCellByCell) {
    AddDetailsAroundTheRegion(
        [&](twobyte s, twobyte m, fourbyte p) { doc_.MidiExpression(s, m, p); });
    doc_.ChordSymbol(1, 1, 1500); // another kind of cell detail is not visited
    FCMusicRegion region = Region();
    FCBrowserMidiExpressions browser;
    RecordingHandler handler(DescribeMidi);
    EXPECT_EQ(browser.ForEachInRegion(&handler, &region), 4);
    EXPECT_EQ(handler.calls, DETAILS_IN_THE_REGION);

    RecordingHandler stopping(DescribeMidi);
    stopping.stopIterateAt = 4;
    EXPECT_EQ(browser.ForEachInRegion(&stopping, &region), 2);
    EXPECT_EQ(stopping.calls.size(), 4u);
    EXPECT_EQ(browser.FindFirst(&handler), nullptr);

    // The whole document: every MIDI expression, staff 3 included.
    RecordingHandler everything(DescribeMidi);
    EXPECT_EQ(browser.ForEach(&everything), 9);
    EXPECT_EQ(everything.calls.size(), 8u);
}

TEST_F(RegionBrowsers, ExpressionsOnTheirOwnStaffInTheRegion) {
    doc_.TextExpressionDef(1, 1).TextExpressionDef(2, 1);
    doc_.StaffList(4, 0x6F744443, {1, 2, 3});
    doc_.Expression(1, 2, 1, 0, 3000)
        .Expression(1, 1, 2, 0, 1024)
        .Expression(1, 1, 1, 0, 512)  // before the region
        .Expression(1, 3, 2, 4, 2000) // shown on staves 1 and 2 as well, but attached to 3
        .Expression(2, 1, 2, 0, 2047)
        .Expression(2, 2, 1, 0, 2100); // after the region
    FCMusicRegion region = Region();
    FCBrowserExpressions browser;
    RecordingHandler handler(DescribeExpression);
    EXPECT_EQ(browser.ForEachInRegion(&handler, &region), 4);
    EXPECT_EQ(handler.calls, (Sequence{"Iterate def2 s1 m1 @1024", "Iterate def1 s2 m1 @3000",
                                       "Iterate def2 s1 m2 @2047"}));

    RecordingHandler stopping(DescribeExpression);
    stopping.stopIterateAt = 2;
    EXPECT_EQ(browser.ForEachInRegion(&stopping, &region), 1);
    EXPECT_EQ(stopping.calls.size(), 2u);
    EXPECT_EQ(browser.FindFirst(&handler), nullptr);
}

TEST_F(RegionBrowsers, TupletsOfTheEntriesInTheRegion) {
    doc_.Layer(1, 1).Notes("C4 e/3:2, D4 e, E4 e, F4 q/3:2/3:2e, G4 e, A4 e, B4 q, C5 q");
    doc_.Layer(1, 1, 1).Notes("C4 h/3:2q, D4 q, E4 e/3:2, F4 e, G4 e, r q");
    doc_.Layer(2, 2).Notes("C4 q/5:4s, D4 h., r q");
    doc_.Layer(3, 1).Notes("C4 q/3:2, D4 q, E4 q, r q"); // staff 3 lies outside
    FCMusicRegion region = Region();
    FCBrowserTuplets browser;
    RecordingHandler handler(DescribeTuplet);
    // Measure 1, staff 1: the triplets at 0 lie before the region; the entry at 1024 starts two
    // tuplets; layer 2 follows layer 1. Measure 2, staff 2: the quintuplet at 0.
    EXPECT_EQ(browser.ForEachInRegion(&handler, &region), 4);
    EXPECT_EQ(handler.calls, (Sequence{"Iterate s1 m1 @1024 #0 3:2", "Iterate s1 m1 @1024 #1 3:2",
                                       "Iterate s1 m1 @2048 #0 3:2", "Iterate s2 m2 @0 #0 5:4"}));

    RecordingHandler stopping(DescribeTuplet);
    stopping.stopIterateAt = 1;
    EXPECT_EQ(browser.ForEachInRegion(&stopping, &region), 0);
    EXPECT_EQ(stopping.calls, Sequence{"Iterate s1 m1 @1024 #0 3:2"});

    // A hidden layer's tuplets are not visited.
    doc_.HideLayer(1);
    RecordingHandler shown(DescribeTuplet);
    EXPECT_EQ(browser.ForEachInRegion(&shown, &region), 4);
    EXPECT_EQ(shown.calls.size(), 3u);
    EXPECT_EQ(browser.FindFirst(&handler), nullptr);
}
