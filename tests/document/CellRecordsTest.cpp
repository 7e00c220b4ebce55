// Clef definitions and the records attached to a cell: chords, MIDI expressions, frame holds.
#include "finaleframework/document/FCCellFrameHold.h"
#include "finaleframework/document/FCChord.h"
#include "finaleframework/document/FCClefDef.h"
#include "finaleframework/document/FCMidiExpression.h"
#include "finaleframework/music/FCCell.h"
#include "host/TextRecords.h"
#include "document/DocumentTest.h"
#include "support/HostFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

using testing_support::Bytes;

constexpr EXTAG CHORD = 0x53444368;
constexpr EXTAG MIDI_EXPRESSION = 0x64744D45;

class CellRecords : public testing_support::HostTest {
protected:
    const Bytes* Stored(EXTAG tag, twobyte w0, twobyte w1 = 0, twobyte w2 = 0) {
        return testing_support::FindRecord(*Host().Current(), tag, w0, w1, w2);
    }
};

/// The frame hold's field that holds the address of its layer array.
ufourbyte AddressField(FCCellFrameHold& hold) {
    ufourbyte address = 0;
    std::memcpy(&address, static_cast<const unsigned char*>(hold._GetData()) + 6, sizeof address);
    return address;
}

} // namespace

TEST_F(CellRecords, ClefDefinitionsAreNumberedFromZero) {
    NewDocument().ClefDef(0, -10).ClefDef(1, 2);
    FCClefDef clef;
    ASSERT_TRUE(clef.LoadFirst());
    EXPECT_EQ(clef.GetItemNo(), 0);
    EXPECT_EQ(clef.GetMiddleCPos(), -10);
    ASSERT_TRUE(clef.Load(1));
    EXPECT_EQ(clef.GetMiddleCPos(), 2);
    EXPECT_FALSE(clef.Load(2));
    EXPECT_EQ(clef._GetDataSize(), 0);
}

TEST_F(CellRecords, ANewChordCountsAsLoaded) {
    NewDocument().Staves(2).Measures(3);
    FCCell cell(3, 2);
    FCChord chord;
    chord.SetCell(&cell);
    ASSERT_TRUE(chord.SaveNew());
    const Bytes* stored = Stored(CHORD, 2, 3, 0);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(*stored, Bytes(30, 0));

    FCChord second;
    second.SetCell(&cell);
    second._GetRecord()[0] = 9;
    ASSERT_TRUE(second.SaveNew());
    EXPECT_EQ(second.GetItemInci(), 1);

    FCChord loaded;
    loaded.SetCell(&cell);
    ASSERT_TRUE(loaded.LoadFirst());
    ASSERT_TRUE(loaded.LoadNext());
    EXPECT_EQ(loaded._GetRecord()[0], 9);
    EXPECT_FALSE(loaded.LoadNext());
}

TEST_F(CellRecords, AMidiExpressionIsAlwaysSavedWhole) {
    NewDocument().Staves(1).Measures(1).Record(MIDI_EXPRESSION, 1, 1, 0, {1, 2, 3, 4, 5, 6});
    FCCell cell(1, 1);
    FCMidiExpression midi;
    midi.SetCell(&cell);
    ASSERT_TRUE(midi.LoadFirst());
    EXPECT_EQ(midi._GetDataSize(), 6);
    ASSERT_TRUE(midi.Save());
    EXPECT_EQ(*Stored(MIDI_EXPRESSION, 1, 1, 0), (Bytes{1, 2, 3, 4, 5, 6, 0, 0, 0, 0}));

    FCMidiExpression fresh;
    EXPECT_FALSE(fresh.Save()) << "nothing loaded";
}

TEST_F(CellRecords, AFrameHoldOwnsOneValuePerLayer) {
    NewDocument().Staves(1).Measures(2).MaxLayers(3).Clef(1, 2, 3);
    FCCell cell(2, 1);
    FCCellFrameHold hold;
    EXPECT_EQ(hold.GetLayerCount(), 3);
    EXPECT_EQ(hold.GetLayerValue(2), 0);
    EXPECT_EQ(hold.GetLayerValue(3), 0) << "out of range";
    EXPECT_FALSE(hold.LoadFirst()) << "no cell";
    hold.SetCell(&cell);
    ASSERT_TRUE(hold.LoadFirst());
    EXPECT_EQ(hold.GetClefIndex(), 3);
    EXPECT_FALSE(hold.LoadNext());
    EXPECT_FALSE(hold.SaveNew());

    // The address field names the object's own array again after a load.
    hold.SetLayerValue(1, 7);
    auto copy = testing_support::CloneOf(hold);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetClefIndex(), 3);
    EXPECT_EQ(copy->GetLayerValue(1), 7);
    copy->SetLayerValue(1, 8);
    EXPECT_EQ(hold.GetLayerValue(1), 7) << "the clone keeps an array of its own";
    EXPECT_NE(AddressField(*copy), AddressField(hold));

    hold.SetClefIndex(1);
    ASSERT_TRUE(hold.Save());
    const Bytes* stored = Stored(host::TAG_FRAME_HOLD, 1, 2, 0);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->size(), 10u);
    EXPECT_EQ((*stored)[0], 1);
}

TEST_F(CellRecords, AHostWithoutLayersGivesAnEmptyLayerArray) {
    NewDocument().MaxLayers(-2);
    FCCellFrameHold hold;
    EXPECT_EQ(hold.GetLayerCount(), 0);
    hold.SetLayerValue(0, 1);
    EXPECT_EQ(hold.GetLayerValue(0), 0);
    std::unique_ptr<__FCBaseData> clone(hold.CreateClone());
    EXPECT_NE(clone, nullptr);
}
