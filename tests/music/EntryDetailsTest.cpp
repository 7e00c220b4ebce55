// Entry details: tuplets, articulations and dot modifications stored under entry numbers, and the
// entry bits that have to agree with them.
#include "finaleframework/document/FCArticulationDef.h"
#include "finaleframework/music/FCArticulation.h"
#include "finaleframework/music/FCDotMod.h"
#include "finaleframework/music/FCNoteEntryLayer.h"
#include "finaleframework/music/FCTuplet.h"
#include "host/EntryDetails.h"
#include "support/FrameFixture.h"

#include <memory>
#include <vector>

// Fields of the packed wire records are read with a unary + so that the test macros, which bind
// references, get a value rather than a misaligned reference.

namespace {

/// A style set over a tuplet whose first flag word held `flags` (none when `set` is -1): the word
/// it leaves and the style read back.
struct StyleCase {
    utwobyte flags;
    int set;
    utwobyte stored;
    int read;
};

template <typename Style>
void ExpectStyles(const std::vector<StyleCase>& cases, void (FCTuplet::*set)(Style),
                  Style (FCTuplet::*get)() const) {
    for (const StyleCase& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "flags 0x" << c.flags << ", set " << c.set);
        FCTuplet tuplet;
        tuplet._GetTupletRecord().tupletFlags = c.flags;
        if (c.set >= 0) {
            (tuplet.*set)(static_cast<Style>(c.set));
            EXPECT_EQ(+tuplet.GetTupletRecord().tupletFlags, c.stored);
        }
        EXPECT_EQ((tuplet.*get)(), c.read);
    }
}

// Each style owns its bits of the first flag word; a value out of range clears them.
TEST(TupletStyle, StylesAreStoredAsTheirBitsAndKeepTheOtherBits) {
    using T = FCTuplet;
    ExpectStyles<T::SHAPESTYLE>({{0, T::TUPLETSHAPE_BRACKET, 0x2000, T::TUPLETSHAPE_BRACKET},
                                 {0x2000, T::TUPLETSHAPE_SLUR, 0x1000, T::TUPLETSHAPE_SLUR},
                                 {0x1000, 3, 0, T::TUPLETSHAPE_NONE},
                                 // Both bits: no shape the framework knows.
                                 {0x3000, -1, 0, T::TUPLETSHAPE_NONE}},
                                &T::SetShapeStyle, &T::GetShapeStyle);
    ExpectStyles<T::PLACEMENTMODE>(
        {{0xB008, T::TUPLETPLACEMENT_BELOW, 0xB048, T::TUPLETPLACEMENT_BELOW},
         {0xB048, 7, 0xB008, T::TUPLETPLACEMENT_MANUAL},
         {0x0060, -1, 0, T::TUPLETPLACEMENT_MANUAL}}, // placement 6 reads as 0
        &T::SetPlacementMode, &T::GetPlacementMode);
    ExpectStyles<T::NUMBERSTYLE>({{0x8070, T::TUPLETNUMBER_RATIO, 0x8072, T::TUPLETNUMBER_RATIO},
                                  {0x8072, 9, 0x8070, T::TUPLETNUMBER_NONE},
                                  {0x000F, -1, 0, T::TUPLETNUMBER_NONE}},
                                 &T::SetNumberStyle, &T::GetNumberStyle);
}

TEST(TupletStyle, AppearanceNeedsTheFirstFlagWord) {
    FCTuplet tuplet;
    tuplet._GetTupletRecord().tupletFlags2 = 0x0010;
    EXPECT_EQ(tuplet.GetAppearanceMode(), FCTuplet::TUPLETAPPEARANCE_STANDARD);
    tuplet.SetAppearanceMode(FCTuplet::TUPLETAPPEARANCE_BRACKETUNBEAMED);
    EXPECT_EQ(+tuplet.GetTupletRecord().tupletFlags, 0x8000);
    EXPECT_EQ(+tuplet.GetTupletRecord().tupletFlags2, 0x0000);
    EXPECT_EQ(tuplet.GetAppearanceMode(), FCTuplet::TUPLETAPPEARANCE_BRACKETUNBEAMED);
    tuplet.SetAppearanceMode(FCTuplet::TUPLETAPPEARANCE_BRACKETNEVERBEAMED);
    EXPECT_EQ(+tuplet.GetTupletRecord().tupletFlags2, 0x0010);
    EXPECT_EQ(tuplet.GetAppearanceMode(), FCTuplet::TUPLETAPPEARANCE_BRACKETNEVERBEAMED);
    tuplet.SetAppearanceMode(static_cast<FCTuplet::APPEARANCEMODE>(5));
    EXPECT_EQ(+tuplet.GetTupletRecord().tupletFlags, 0);
    EXPECT_EQ(+tuplet.GetTupletRecord().tupletFlags2, 0);
}

class EntryDetails : public testing_support::FrameTest {
protected:
    std::unique_ptr<FCNoteEntryLayer> Load(twobyte staff = 1) {
        auto layer = std::make_unique<FCNoteEntryLayer>(0, staff, 1, 1);
        EXPECT_TRUE(layer->Load());
        return layer;
    }
    host::Document& Doc() { return doc_.Built(); }

    host::DocumentBuilder doc_ = NewDocument().Staves(2).Measures(2);
};

TEST_F(EntryDetails, ArticulationsLoadAndAnEmptyCollectionContainsNothing) {
    doc_.Layer(1, 1).Notes("C4 q!5!7, D4 q, E4 h");
    auto layer = Load();
    FCArticulations empty;
    EXPECT_FALSE(empty.ContainsID(0));
    FCArticulations articulations;
    articulations.SetNoteEntry(layer->GetItemAt(0));
    ASSERT_TRUE(articulations.LoadAll());
    ASSERT_EQ(articulations.GetCount(), 2);
    EXPECT_EQ(articulations.GetItemAt(1)->GetID(), 7);
    EXPECT_EQ(articulations.GetItemAt(1)->GetItemInci(), 1);
    EXPECT_TRUE(articulations.ContainsID(5));
    EXPECT_FALSE(articulations.ContainsID(6));
}

TEST_F(EntryDetails, AddArticulationsSkipsDefinitionsTheEntryHas) {
    doc_.Layer(1, 1).Notes("C4 q!3!5!8, D4 q!5!9, E4 h");
    auto layer = Load();
    FCNoteEntry* source = layer->GetItemAt(0);
    FCNoteEntry* destination = layer->GetItemAt(1);
    EXPECT_EQ(destination->AddArticulations(source, true), 2);
    // Records 0 and 1 are the destination's; the two added follow as 2 and 3, no gap left where
    // the skipped one would have gone.
    EXPECT_EQ(host::DescribeLayer(Doc(), 1, 1, 1), "C4 q!3!5!8, D4 q!5!9!3!8, E4 h");
    EXPECT_EQ(host::DetailsOfEntry(Doc(), destination->GetEntryNumber()).size(), 4u);

    FCNoteEntry* plain = layer->GetItemAt(2);
    EXPECT_EQ(plain->AddArticulations(source, false), 3);
    EXPECT_TRUE(plain->GetArticulationFlag());
    ASSERT_TRUE(layer->Save());
    EXPECT_EQ(host::DescribeLayer(Doc(), 1, 1, 1), "C4 q!3!5!8, D4 q!5!9!3!8, E4 h!3!5!8");
}

TEST_F(EntryDetails, AddArticulationsNeedsAHostNumber) {
    doc_.Layer(1, 1).Notes("C4 q!3, D4 h.");
    auto layer = Load();
    FCNoteEntry* fresh = layer->InsertEntriesAfter(layer->GetItemAt(1), 1, false);
    ASSERT_NE(fresh, nullptr);
    fresh->MakeNote();
    EXPECT_EQ(fresh->AddArticulations(layer->GetItemAt(0), false), 0);
    EXPECT_FALSE(fresh->GetArticulationFlag());
    FCArticulations none;
    none.SetNoteEntry(fresh);
    EXPECT_FALSE(none.LoadAll());
}

TEST_F(EntryDetails, TheCacheIsKeptWhenNothingIsFoundAndLeftIntactByCopies) {
    doc_.Layer(1, 1).Notes("C4 q!4, D4 q, E4 q, F4 q");
    auto layer = Load();
    FCNoteEntry* source = layer->GetItemAt(0);
    source->CacheArticulations();
    ASSERT_NE(source->GetArticulationCache(), nullptr);
    FCArticulations* cache = source->GetArticulationCache();
    EXPECT_EQ(layer->GetItemAt(1)->AddArticulations(source, false), 1);
    EXPECT_EQ(layer->GetItemAt(2)->AddArticulations(source, false), 1);
    EXPECT_EQ(cache->GetItemAt(0)->GetEntryNumber(), source->GetEntryNumber());
    EXPECT_EQ(cache->GetItemAt(0)->GetItemInci(), 0);

    host::EraseDetailsOfEntry(Doc(), source->GetEntryNumber());
    source->CacheArticulations(); // nothing found: the old cache stays
    EXPECT_EQ(source->GetArticulationCache(), cache);
    layer->GetItemAt(3)->CacheArticulations();
    EXPECT_EQ(layer->GetItemAt(3)->GetArticulationCache(), nullptr);
    ASSERT_TRUE(layer->Save());
    EXPECT_EQ(host::DescribeLayer(Doc(), 1, 1, 1), "C4 q, D4 q!4, E4 q!4, F4 q");
}

TEST_F(EntryDetails, TupletsLoadFromTheirEntryAndFindTheirLastEntry) {
    doc_.Layer(1, 1).Notes("C4 e/3:2/2:2e, D4 e, E4 e, F4 q/1:1, G4 h");
    auto layer = Load();
    FCNoteEntry* start = layer->GetItemAt(0);
    FCTuplet tuplet;
    tuplet.SetNoteEntry(start);
    ASSERT_TRUE(tuplet.LoadFirst());
    EXPECT_EQ(start->CalcLastTupletEntry(&tuplet), layer->GetItemAt(2));
    ASSERT_TRUE(tuplet.LoadNext());
    EXPECT_EQ(tuplet.GetItemInci(), 1);
    EXPECT_EQ(start->CalcLastTupletEntry(&tuplet), layer->GetItemAt(1));
    EXPECT_FALSE(tuplet.LoadNext());

    FCTuplet single;
    single.SetNoteEntry(layer->GetItemAt(3));
    ASSERT_TRUE(single.LoadFirst());
    EXPECT_EQ(layer->GetItemAt(3)->CalcLastTupletEntry(&single), nullptr); // one entry only
    EXPECT_EQ(layer->GetItemAt(4)->CalcLastTupletEntry(&single), nullptr); // no tuplet bit
    EXPECT_EQ(start->CalcLastTupletEntry(&single), nullptr);               // another entry's tuplet

    single.SetPlacementMode(FCTuplet::TUPLETPLACEMENT_ABOVE);
    ASSERT_TRUE(single.Save());
    FCTuplet reread;
    ASSERT_TRUE(reread.Load(layer->GetItemAt(3)->GetEntryNumber(), 0));
    EXPECT_EQ(reread.GetPlacementMode(), FCTuplet::TUPLETPLACEMENT_ABOVE);
    EXPECT_EQ(host::TupletDefinition::Read(reread.GetTupletRecord()).number, 1);
}

// The tuplet is the attached entry's, whatever entry its key names.
TEST_F(EntryDetails, ATupletEndsWhereTheEntryItIsAttachedToSays) {
    doc_.Layer(1, 1).Notes("C4 e/3:2, D4 e, E4 e, F4 q/3:2, G4 q, A4 q");
    auto layer = Load();
    FCNoteEntry* start = layer->GetItemAt(0);
    FCNoteEntry* other = layer->GetItemAt(3);

    FCTuplet unattached;
    ASSERT_TRUE(unattached.Load(start->GetEntryNumber(), 0));
    EXPECT_EQ(start->CalcLastTupletEntry(&unattached), nullptr);

    FCTuplet attached;
    attached.SetNoteEntry(start);
    ASSERT_TRUE(attached.Load(other->GetEntryNumber(), 0)); // the key now names another entry
    EXPECT_EQ(start->CalcLastTupletEntry(&attached), layer->GetItemAt(2));

    FCTuplet elsewhere;
    elsewhere.SetNoteEntry(other);
    ASSERT_TRUE(elsewhere.Load(start->GetEntryNumber(), 0));
    EXPECT_EQ(start->CalcLastTupletEntry(&elsewhere), nullptr);
    EXPECT_EQ(other->CalcLastTupletEntry(&elsewhere), layer->GetItemAt(5));
}

// Every detail kind can tell whether a note's entry carries one of its records.
TEST_F(EntryDetails, TupletsAndArticulationsAnswerWhetherAnEntryHasOne) {
    doc_.Layer(1, 1).Notes("C4 q!5, D4 e/3:2, E4 e, F4 e, G4 q");
    auto layer = Load();
    FCNote* articulated = layer->GetItemAt(0)->GetItemAt(0);
    FCNote* inTuplet = layer->GetItemAt(1)->GetItemAt(0);
    FCNote* plain = layer->GetItemAt(4)->GetItemAt(0);

    FCTuplet tuplet;
    EXPECT_TRUE(tuplet._HasAnyMod(inTuplet));
    EXPECT_FALSE(tuplet._HasAnyMod(articulated));
    EXPECT_FALSE(tuplet._HasAnyMod(nullptr));
    EXPECT_EQ(tuplet._GetDataSize(), 0) << "asking loads nothing into the object";

    FCArticulation articulation;
    EXPECT_TRUE(articulation._HasAnyMod(articulated));
    EXPECT_FALSE(articulation._HasAnyMod(inTuplet));
    EXPECT_FALSE(articulation._HasAnyMod(plain));

    FCNoteEntry* fresh = layer->InsertEntriesAfter(layer->GetItemAt(4), 1, false);
    ASSERT_NE(fresh, nullptr);
    fresh->MakeNote();
    EXPECT_FALSE(articulation._HasAnyMod(fresh->GetItemAt(0))) << "no host number: no details";
}

TEST_F(EntryDetails, AnArticulationCreatesTheDefinitionItShows) {
    std::vector<unsigned char> definition(48, 0);
    definition[0] = '>';
    doc_.Record(0x4F044958, 5, 0, 0, definition).Layer(1, 1).Notes("C4 q!5!7, D4 h.");
    auto layer = Load();
    FCArticulations articulations;
    articulations.SetNoteEntry(layer->GetItemAt(0));
    ASSERT_TRUE(articulations.LoadAll());
    ASSERT_EQ(articulations.GetCount(), 2);

    std::unique_ptr<FCArticulationDef> shown(articulations.GetItemAt(0)->CreateArticulationDef());
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->GetItemNo(), 5);
    EXPECT_EQ(shown->GetMainSymbol(), '>');
    EXPECT_EQ(articulations.GetItemAt(1)->CreateArticulationDef(), nullptr)
        << "definition 7 does not exist";
    FCArticulation blank;
    EXPECT_EQ(blank.CreateArticulationDef(), nullptr) << "definition 0 does not exist";
}

TEST_F(EntryDetails, SavingATupletSetsTheEntrysBit) {
    doc_.Layer(1, 1).Notes("C4 e, D4 e, E4 e, r q.");
    auto layer = Load();
    FCTuplet tuplet;
    tuplet.SetNumberStyle(FCTuplet::TUPLETNUMBER_REGULAR);
    host::TupletDefinition{3, 512, 2, 512}.Write(tuplet._GetTupletRecord());
    tuplet.SetNoteEntry(layer->GetItemAt(0));
    ASSERT_TRUE(tuplet.SaveNew());
    EXPECT_EQ(tuplet.GetItemInci(), 0);
    EXPECT_TRUE(layer->GetItemAt(0)->IsTupletStart());
    ASSERT_TRUE(layer->Save());
    EXPECT_EQ(host::DescribeLayer(Doc(), 1, 1, 1), "C4 e/3:2, D4 e, E4 e, r q.");
}

TEST_F(EntryDetails, ARestDotIsTheRecordOfIDThirtyOne) {
    doc_.Layer(1, 1).Notes("r h., C4 q");
    auto layer = Load();
    FCNoteEntry* rest = layer->GetItemAt(0);
    FCDotMod dot;
    EXPECT_FALSE(dot.LoadRestDotAt(rest));
    dot.SetHorizontalPos(12);
    dot.SetVerticalPos(-4);
    ASSERT_TRUE(dot.SaveRestDotAt(rest));
    EXPECT_TRUE(rest->GetEntryFlags() & ENTRY_SPECIALALTS);
    EXPECT_EQ(dot.GetNoteID(), 31);

    FCDotMod loaded;
    ASSERT_TRUE(loaded.LoadRestDotAt(rest));
    EXPECT_EQ(loaded.GetHorizontalPos(), 12);
    EXPECT_EQ(loaded.GetVerticalPos(), -4);
    EXPECT_EQ(loaded.GetItemInci(), 0);

    dot.SetHorizontalPos(20); // saved again: over its record, not a second one
    ASSERT_TRUE(dot.SaveRestDotAt(rest));
    EXPECT_EQ(host::DetailsOfEntry(Doc(), rest->GetEntryNumber()).size(), 1u);
    ASSERT_TRUE(loaded.LoadRestDotAt(rest));
    EXPECT_EQ(loaded.GetHorizontalPos(), 20);
}

TEST_F(EntryDetails, NoteDotsFollowTheirNotesAndTheBitFollowsTheLastRecord) {
    doc_.Layer(1, 1).Notes("C4+E4+G4 h., r q");
    auto layer = Load();
    FCNoteEntry* chord = layer->GetItemAt(0);
    FCDotMod forE;
    forE.SetVerticalPos(3);
    ASSERT_TRUE(forE.SaveAt(chord->GetItemAt(1)));
    FCDotMod forG;
    forG.SetVerticalPos(5);
    ASSERT_TRUE(forG.SaveAt(chord->GetItemAt(2)));
    EXPECT_TRUE(chord->GetItemAt(0)->_GetNoteDetailEntryFlag());
    EXPECT_EQ(forG.GetItemInci(), 1);

    FCDotMod reader;
    EXPECT_FALSE(reader.LoadAt(chord->GetItemAt(0))); // C4 has none
    ASSERT_TRUE(reader.LoadAt(chord->GetItemAt(2)));
    EXPECT_EQ(reader.GetVerticalPos(), 5);

    // The record follows the note, not its position: delete E4, G4 keeps its dots.
    ASSERT_TRUE(chord->DeleteNote(chord->GetItemAt(1)));
    ASSERT_TRUE(reader.LoadAt(chord->GetItemAt(1)));
    EXPECT_EQ(reader.GetVerticalPos(), 5);

    // A new note takes the smallest free ID, E4's old 2, and with it E4's record.
    ASSERT_TRUE(chord->AddPitch(chord->GetItemAt(0)));
    FCNote* heir = chord->GetItemAt(2);
    ASSERT_EQ(heir->GetNoteID(), 2);
    FCDotMod eraser;
    ASSERT_TRUE(eraser.EraseAt(heir));
    EXPECT_EQ(eraser.GetItemInci(), -1);
    EXPECT_TRUE(chord->GetItemAt(0)->_GetNoteDetailEntryFlag()); // G4's record is left
    ASSERT_TRUE(eraser.EraseAt(chord->GetItemAt(1)));
    EXPECT_FALSE(chord->GetItemAt(0)->_GetNoteDetailEntryFlag());
    EXPECT_FALSE(eraser.EraseAt(chord->GetItemAt(1)));
    EXPECT_TRUE(host::DetailsOfEntry(Doc(), chord->GetEntryNumber()).empty());
    EXPECT_FALSE(eraser.SaveAt(nullptr));
}

} // namespace
