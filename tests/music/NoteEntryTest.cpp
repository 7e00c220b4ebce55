// Note entries and notes: live views of the records of loaded frames.
#include "finaleframework/music/FCNoteEntryLayer.h"
#include "support/FrameFixture.h"

#include <memory>

// Fields of the packed wire records are read with a unary + so that the test macros, which bind
// references, get a value rather than a misaligned reference.

namespace {

class NoteEntries : public testing_support::FrameTest {
protected:
    /// Layer `layer` (0-based) of staff 1 over the measures, loaded.
    std::unique_ptr<FCNoteEntryLayer> Load(twobyte from = 1, twobyte to = 1, twobyte layer = 0) {
        auto loaded = std::make_unique<FCNoteEntryLayer>(layer, 1, from, to);
        EXPECT_TRUE(loaded->Load());
        return loaded;
    }
    /// Saves and describes measures from..to of layer 1 of staff 1 as stored.
    std::string SaveAndDescribe(FCNoteEntryLayer& layer) {
        EXPECT_TRUE(layer.Save());
        return host::DescribeLayer(doc_.Built(), 1, layer.GetStartMeasure(), layer.GetEndMeasure(),
                                   layer.GetLayerIndex());
    }

    host::DocumentBuilder doc_ = NewDocument().Staves(2).Measures(4);
};

TEST_F(NoteEntries, AnEntryShowsItsRecordAndNotes) {
    doc_.Layer(1, 2).Notes("C4 q, E4+G4+C5 h!4, r q");
    auto layer = Load(2, 2);
    ASSERT_EQ(layer->GetCount(), 3);
    FCNoteEntry* chord = layer->GetItemAt(1);
    EXPECT_EQ(chord->GetMeasure(), 2);
    EXPECT_EQ(chord->GetStaff(), 1);
    EXPECT_EQ(chord->GetLayerIndex(), 0);
    EXPECT_EQ(chord->GetDuration(), 2048);
    EXPECT_EQ(chord->GetElapsedDuration(), 1024);
    EXPECT_TRUE(chord->IsNote());
    EXPECT_TRUE(chord->GetArticulationFlag());
    ASSERT_EQ(chord->GetCount(), 3);
    EXPECT_EQ(chord->GetItemAt(2)->GetDisplacement(), 7);
    EXPECT_EQ(chord->GetItemAt(2)->GetNoteID(), 3);
    EXPECT_EQ(chord->GetItemAt(2)->GetEntry(), chord);
    EXPECT_EQ(chord->_CalcTGFIndex(), 1);
    EXPECT_TRUE(layer->GetItemAt(2)->IsRest());
    EXPECT_EQ(layer->GetItemAt(2)->GetCount(), 0);
    EXPECT_EQ(chord->GetItemAt(3), nullptr);
}

TEST_F(NoteEntries, IsDottedForEveryDurationButThePlainValues) {
    doc_.Layer(1, 1).Notes("C4 q., C4 3, C4 dw., C4 4, C4 dw, C4 e");
    auto layer = Load();
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(layer->GetItemAt(i)->IsDotted(), i < 3) << i;
}

TEST_F(NoteEntries, DeletingTheOnlyNoteMakesARest) {
    doc_.Layer(1, 1).Notes("C4 q!3, D4 q");
    auto layer = Load();
    FCNoteEntry* entry = layer->GetItemAt(0);
    EXENTRY* record = entry->_GetEntryRecord();
    record->entryFlags = record->entryFlags | ENTRY_NOTEDETAIL | ENTRY_SPECIALALTS;
    EXPECT_FALSE(entry->DeleteNote(layer->GetItemAt(1)->GetItemAt(0))); // another entry's note
    ASSERT_TRUE(entry->DeleteNote(entry->GetItemAt(0)));
    EXPECT_TRUE(entry->IsRest());
    EXPECT_EQ(+record->noteCount, 0);
    EXPECT_EQ(entry->GetCount(), 0);
    EXPECT_EQ(+record->entryFlags, ENTRY_INUSE);
    // The articulation record stays under the entry's number; only the entry's bit went.
    EXPECT_EQ(SaveAndDescribe(*layer), "r q!3, D4 q");
}

TEST_F(NoteEntries, DeletingANoteClosesTheGapAndKeepsTheOtherIDs) {
    doc_.Layer(1, 1).Notes("C4+E4+G4 w");
    auto layer = Load();
    FCNoteEntry* chord = layer->GetItemAt(0);
    ASSERT_TRUE(chord->DeleteNote(chord->GetItemAt(1)));
    ASSERT_EQ(chord->GetCount(), 2);
    EXPECT_EQ(chord->GetItemAt(0)->GetDisplacement(), 0);
    EXPECT_EQ(chord->GetItemAt(0)->GetNoteID(), 1);
    EXPECT_EQ(chord->GetItemAt(1)->GetDisplacement(), 4);
    EXPECT_EQ(chord->GetItemAt(1)->GetNoteID(), 3);
    EXPECT_EQ(chord->GetItemAt(1)->_GetNoteRecord(), &chord->_GetEntryRecord()->notes[1]);
    EXPECT_EQ(SaveAndDescribe(*layer), "C4+G4 w");
}

TEST_F(NoteEntries, AddNewNoteTakesTheSmallestFreeIDAndStopsAtTwelve) {
    doc_.Layer(1, 1).Notes("C4+E4+G4 h, C4+D4+E4+F4+G4+A4+B4+C5+D5+E5+F5+G5 q, r q");
    auto layer = Load();
    FCNoteEntry* chord = layer->GetItemAt(0);
    chord->DeleteNote(chord->GetItemAt(1)); // IDs 1 and 3 are left
    FCNote* added = chord->AddNewNote();
    ASSERT_NE(added, nullptr);
    EXPECT_EQ(added->GetNoteID(), 2);
    EXPECT_EQ(added->GetNoteFlags(), NOTE_INUSE);
    EXPECT_EQ(added->GetDisplacement(), 0);
    EXPECT_EQ(chord->GetCount(), 3);
    EXPECT_EQ(+chord->_GetEntryRecord()->noteCount, 3);

    EXPECT_EQ(layer->GetItemAt(1)->AddNewNote(), nullptr);
    EXPECT_EQ(layer->GetItemAt(1)->GetCount(), 12);
    EXPECT_EQ(layer->GetItemAt(2)->AddNewNote(), nullptr); // a rest
    FCNotePitch pitch;
    EXPECT_FALSE(layer->GetItemAt(1)->AddPitch(&pitch));
}

TEST_F(NoteEntries, CopyNotesTakesIDsAndTiesAndTieAllTiesEveryNote) {
    doc_.Layer(1, 1).Notes("C4+E4+G4 h, D5 h");
    auto layer = Load();
    FCNoteEntry* chord = layer->GetItemAt(0);
    chord->GetItemAt(1)->_SetNoteID(7);
    chord->GetItemAt(1)->SetTie(true);
    FCNoteEntry* single = layer->GetItemAt(1);
    single->CopyNotes(chord);
    ASSERT_EQ(single->GetCount(), 3);
    EXPECT_EQ(single->GetItemAt(1)->GetNoteID(), 7);
    EXPECT_TRUE(single->GetItemAt(1)->GetTie());
    EXPECT_FALSE(single->GetItemAt(0)->GetTie());
    EXPECT_EQ(single->GetDuration(), 2048);
    EXPECT_TRUE(single->IsTied());
    single->TieAll(true);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(single->GetItemAt(i)->GetTie());
    single->TieAll(false);
    EXPECT_FALSE(single->IsTied());
    EXPECT_EQ(SaveAndDescribe(*layer), "C4+E4~+G4 h, C4+E4+G4 h"); // only the E4 is tied
}

TEST_F(NoteEntries, NotesRebuiltOverAsManyAreAsNewAndTheListGrowsInStepsOfTen) {
    doc_.Layer(1, 1).Notes("C4+E4 h, D5+F5 q, C4+D4+E4+F4+G4+A4+B4+C5+D5+E5 q");
    auto layer = Load();
    FCNoteEntry* chord = layer->GetItemAt(0);
    FCNoteEntry* other = layer->GetItemAt(1);
    int marker = 0;
    other->GetItemAt(0)->SetUserData(&marker);
    other->GetItemAt(1)->_SetDeleteMark(true);
    other->CopyNotes(chord);
    ASSERT_EQ(other->GetCount(), 2);
    for (int i = 0; i < 2; ++i) {
        FCNote* note = other->GetItemAt(i);
        EXPECT_EQ(note->GetNoteIndex(), i);
        EXPECT_EQ(note->GetEntry(), other);
        EXPECT_EQ(note->GetDisplacement(), chord->GetItemAt(i)->GetDisplacement());
        EXPECT_EQ(note->GetUserData(), nullptr);
        EXPECT_FALSE(note->_GetDeleteMark());
    }
    // A list of one to nine notes has room for ten; ten notes take twenty.
    EXPECT_EQ(other->_GetCapacity(), 10);
    FCNoteEntry* large = layer->GetItemAt(2);
    EXPECT_EQ(large->GetCount(), 10);
    EXPECT_EQ(large->_GetCapacity(), 20);
    large->CopyNotes(chord);
    EXPECT_EQ(large->GetCount(), 2);
    EXPECT_EQ(large->_GetCapacity(), 20);
    EXPECT_EQ(SaveAndDescribe(*layer), "C4+E4 h, C4+E4 q, C4+E4 q");
}

TEST_F(NoteEntries, RestsNeitherTieNorTakePitches) {
    doc_.Layer(1, 1).Notes("r h, C4 h");
    auto layer = Load();
    FCNoteEntry* rest = layer->GetItemAt(0);
    rest->TieAll(true);
    EXPECT_FALSE(rest->IsTied());
    EXPECT_EQ(rest->CalcHighestNote(), nullptr);
    EXPECT_EQ(rest->AddPitches(layer->GetItemAt(1)), 0);
    EXPECT_EQ(layer->GetItemAt(1)->AddPitches(rest), 0);
    EXPECT_EQ(rest->FindPitch(layer->GetItemAt(1)->GetItemAt(0)), nullptr);
    EXPECT_FALSE(rest->CalcStemUp());
    std::unique_ptr<FCNotePitches> pitches(rest->CreateNotePitches());
    EXPECT_EQ(pitches->GetCount(), 0);
}

TEST_F(NoteEntries, CopyEntryCopyNoteAndAddPitches) {
    doc_.Layer(1, 1).Notes("r q., D4+F4 e, C5 h");
    auto layer = Load();
    FCNoteEntry* rest = layer->GetItemAt(0);
    FCNoteEntry* chord = layer->GetItemAt(1);
    FCNoteEntry* single = layer->GetItemAt(2);

    rest->CopyEntry(chord);
    EXPECT_TRUE(rest->IsNote());
    EXPECT_EQ(rest->GetDuration(), 512);
    EXPECT_EQ(rest->GetCount(), 2);

    chord->CopyNote(chord->GetItemAt(1)); // its own note, gone after the copy
    ASSERT_EQ(chord->GetCount(), 1);
    EXPECT_EQ(chord->GetItemAt(0)->GetDisplacement(), 3);
    EXPECT_EQ(chord->GetItemAt(0)->GetNoteID(), 1);

    EXPECT_EQ(single->AddPitches(rest), 2);
    ASSERT_EQ(single->GetCount(), 3);
    EXPECT_EQ(single->GetItemAt(2)->GetDisplacement(), 3);
    EXPECT_EQ(single->GetItemAt(2)->GetNoteID(), 3);
    EXPECT_EQ(single->AddPitches(single), 3); // its own notes, counted before it grows
    EXPECT_EQ(single->GetCount(), 6);
    EXPECT_EQ(SaveAndDescribe(*layer), "D4+F4 e, F4 e, C5+D4+F4+C5+D4+F4 h");
}

TEST_F(NoteEntries, NotePitchesAreASnapshot) {
    doc_.Layer(1, 1).Notes("C4+Eb4 w");
    auto layer = Load();
    FCNoteEntry* chord = layer->GetItemAt(0);
    std::unique_ptr<FCNotePitches> pitches(chord->CreateNotePitches());
    chord->GetItemAt(1)->SetDisplacement(5);
    chord->MakeRest();
    ASSERT_EQ(pitches->GetCount(), 2);
    EXPECT_EQ(pitches->GetItemAt(1)->GetDisplacement(), 2);
    EXPECT_EQ(pitches->GetItemAt(1)->GetRaiseLower(), -1);
    EXPECT_EQ(pitches->GetItemAt(1)->GetNoteID(), 2);
    EXPECT_EQ(pitches->GetItemAt(1)->GetEntry(), nullptr);
    EXPECT_EQ(pitches->GetItemAt(1)->_GetEntryNumber(), 0);
}

TEST_F(NoteEntries, PitchOrderIsDisplacementThenRaiseLower) {
    FCNotePitch a(EXNOTE{3, -1, 1, NOTE_INUSE});
    FCNotePitch b(EXNOTE{3, 0, 2, NOTE_INUSE});
    FCNotePitch c(EXNOTE{2, 2, 3, NOTE_INUSE});
    FCNotePitch sameAsB(EXNOTE{3, 0, 9, NOTE_TIE});
    EXPECT_TRUE(a.IsLowerPitchThan(&b));
    EXPECT_FALSE(b.IsLowerPitchThan(&a));
    EXPECT_TRUE(c.IsLowerPitchThan(&a));
    EXPECT_TRUE(b.IsIdenticalPitch(&sameAsB));
    EXPECT_FALSE(b.IsLowerPitchThan(&sameAsB));
    EXPECT_FALSE(sameAsB.IsLowerPitchThan(&b));
    EXPECT_FALSE(a.IsIdenticalPitch(&b));
    EXPECT_FALSE(a.IsIdenticalPitch(nullptr));
}

TEST_F(NoteEntries, HighestAndLowestNotesFollowThePitchOrder) {
    doc_.Layer(1, 1).Notes("E4+Gb5+G4+F#5+Gb5+C4 w");
    auto layer = Load();
    FCNoteEntry* chord = layer->GetItemAt(0);
    // Gb5 (step 11, lowered) is above F#5 (step 10, raised): steps count before alterations.
    EXPECT_EQ(chord->CalcHighestNote(), chord->GetItemAt(1)); // the first of two Gb5
    EXPECT_EQ(chord->CalcLowestNote(), chord->GetItemAt(5));
    EXPECT_EQ(chord->FindHighestNote(chord->GetItemAt(1)), chord->GetItemAt(3));
    EXPECT_EQ(chord->FindHighestNote(chord->GetItemAt(5)), nullptr);
    EXPECT_EQ(chord->FindLowestNote(), chord->GetItemAt(5));
    EXPECT_EQ(chord->CalcHighestDisplacement(), 11);
    EXPECT_EQ(chord->CalcDisplacementRange(), 11);
    FCNotePitch g4(EXNOTE{4, 0, 0, 0});
    EXPECT_EQ(chord->FindPitch(&g4), chord->GetItemAt(2));
    FCNotePitch gSharp4(EXNOTE{4, 1, 0, 0});
    EXPECT_EQ(chord->FindPitch(&gSharp4), nullptr);
}

TEST_F(NoteEntries, MakeNoteMakeRestAndMovableRests) {
    doc_.Layer(1, 1).Notes("r h, D4+F4 h");
    auto layer = Load();
    FCNoteEntry* rest = layer->GetItemAt(0);
    FCNoteEntry* chord = layer->GetItemAt(1);
    EXPECT_FALSE(rest->IsRestMovable());
    rest->MakeMovableRest();
    EXPECT_TRUE(rest->IsRestMovable());
    EXPECT_EQ(rest->GetCount(), 1);
    EXPECT_EQ(rest->GetItemAt(0)->GetNoteID(), 31);
    EXPECT_EQ(rest->GetItemAt(0)->GetNoteFlags(), NOTE_INUSE);
    EXPECT_FALSE(rest->GetEntryFlags() & ENTRY_PLACEHOLDERREST);

    rest->MakeNote();
    EXPECT_TRUE(rest->IsNote());
    EXPECT_FALSE(rest->IsRestMovable());
    EXPECT_EQ(rest->GetItemAt(0)->GetNoteID(), 0);

    chord->MakeNote(); // already a chord: note 0 goes to displacement 0, the other stays
    EXPECT_EQ(chord->GetItemAt(0)->GetDisplacement(), 0);
    EXPECT_EQ(chord->GetItemAt(1)->GetDisplacement(), 3);
    EXPECT_EQ(SaveAndDescribe(*layer), "C4 h, C4+F4 h");
}

TEST_F(NoteEntries, FlippabilityAndBeamedGroupEnds) {
    doc_.Layer(1, 1).Notes("C4 h, D4 q, E4 q | C4 e, D4 q., E4 h | C4 h, D4 h | r w");
    auto layer = Load(1, 4);
    auto entry = [&](int i) { return layer->GetItemAt(i); };
    // 0: no previous entry; 1: the next lies in the same measure; 2: last of its measure, same
    // duration as before; 5: last of its measure after a dotted quarter; 7: after a half note of
    // the same duration; 8: a rest.
    for (int i : {0, 1, 2, 3, 5, 7, 8})
        EXPECT_EQ(entry(i)->CalcFlippable(), i == 0 || i == 5) << i;
    EXPECT_FALSE(entry(1)->CalcBeamedGroupEnd());
    EXPECT_TRUE(entry(2)->CalcBeamedGroupEnd());  // next in another measure
    EXPECT_FALSE(entry(5)->CalcBeamedGroupEnd()); // flippable itself

    // The last of a measure after a half note (a quarter or longer) is flippable; after an
    // eighth it is not.
    host::DocumentBuilder other = NewDocument().Staves(1).Measures(2);
    other.Layer(1, 1).Notes("C4 h, D4 q | E4 e, F4 q");
    FCNoteEntryLayer second(0, 1, 1, 2);
    ASSERT_TRUE(second.Load());
    EXPECT_TRUE(second.GetItemAt(1)->CalcFlippable());
    EXPECT_FALSE(second.GetItemAt(3)->CalcFlippable());
    second.GetItemAt(3)->_GetEntryRecord()->entryFlags |= ENTRY_ALWAYSFLIPPABLE;
    EXPECT_TRUE(second.GetItemAt(3)->CalcFlippable());
}

TEST_F(NoteEntries, StemsComeFromTheHostsMetrics) {
    doc_.Layer(1, 1).Notes("A4 q, B4 q, C4+C6 q, D4 q");
    auto layer = Load();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(layer->GetItemAt(i)->CalcStemUp(), i == 0) << i;
    Host().FailNext("FX_GetEntryMetrics");
    EXPECT_FALSE(layer->GetItemAt(3)->CalcStemUp());
    EXPECT_TRUE(layer->GetItemAt(3)->CalcStemUp());
}

TEST_F(NoteEntries, AMultiLayeredCellHasEntriesInTwoLayers) {
    doc_.Layer(1, 1, 0).Notes("C4 w");
    doc_.Layer(1, 1, 3).Notes("C5 w");
    doc_.Layer(1, 2, 0).Notes("C4 w");
    doc_.HideLayer(3); // what the host shows does not matter
    auto layer = Load(1, 2);
    EXPECT_TRUE(layer->GetItemAt(0)->CalcMultiLayeredCell());
    EXPECT_FALSE(layer->GetItemAt(1)->CalcMultiLayeredCell());
    Host().FailCallNumber(3); // calls: FX_GetMaxLayers, FX_InstToSlot, FX_LoadTGF of layer 0
    EXPECT_FALSE(layer->GetItemAt(0)->CalcMultiLayeredCell());
}

TEST_F(NoteEntries, TupletsOfTheFrame) {
    doc_.Layer(1, 1).Notes("C4 q, D4 e/3:2/3:2s, E4 e, F4 e, G4 q, A4 q");
    auto layer = Load();
    for (int i : {0, 1, 3, 4})
        EXPECT_EQ(layer->GetItemAt(i)->IsPartOfTuplet(), i == 1 || i == 3) << i;
    EDTTuplet2005 def{};
    EXPECT_TRUE(layer->GetItemAt(1)->_GetTupletDef(1, &def));
    EXPECT_EQ(host::TupletDefinition::Read(def).unitDuration, 256);
    EXPECT_FALSE(layer->GetItemAt(1)->_GetTupletDef(2, &def));
    EXPECT_FALSE(layer->GetItemAt(2)->_GetTupletDef(0, &def));
}

TEST_F(NoteEntries, AShallowCloneViewsTheSameRecord) {
    doc_.Layer(1, 1).Notes("C4 h, D4 h");
    auto layer = Load();
    std::unique_ptr<FCNoteEntry> clone(layer->GetItemAt(1)->CreateShallowClone());
    EXPECT_EQ(clone->_GetEntryRecord(), layer->GetItemAt(1)->_GetEntryRecord());
    EXPECT_EQ(clone->GetPrevious(), nullptr);
    EXPECT_EQ(clone->GetNext(), nullptr);
    EXPECT_EQ(clone->GetStaff(), 1);
    EXPECT_NE(clone->GetItemAt(0), layer->GetItemAt(1)->GetItemAt(0));
    clone->GetItemAt(0)->SetRaiseLower(1);
    EXPECT_EQ(layer->GetItemAt(1)->GetItemAt(0)->GetRaiseLower(), 1);
}

TEST_F(NoteEntries, AccidentalsAndEntryFlagsThroughNotes) {
    doc_.Layer(1, 1).Notes("C4+E4 w");
    auto layer = Load();
    FCNoteEntry* chord = layer->GetItemAt(0);
    chord->SetAccidentals(true);
    EXPECT_TRUE(chord->GetItemAt(1)->GetNoteFlags() & NOTE_SHOWACCI);
    FCNote* note = chord->GetItemAt(1);
    note->_SetPerformanceDataEntryFlag(true);
    note->_SetSpecialAltsEntryFlag(true);
    note->_SetNoteDetailEntryFlag(true);
    note->_SetArticulationEntryFlag(true);
    EXPECT_EQ(chord->GetEntryFlags(), ENTRY_INUSE | ENTRY_NOTE | ENTRY_PERFDATA |
                                          ENTRY_SPECIALALTS | ENTRY_NOTEDETAIL |
                                          ENTRY_ARTICULATION);
    note->_SetSpecialAltsEntryFlag(false);
    EXPECT_FALSE(note->_GetSpecialAltsEntryFlag());
    EXPECT_TRUE(note->_GetPerformanceDataEntryFlag());
    EXPECT_EQ(note->_GetEntryNumber(), chord->GetEntryNumber());
}

TEST(NoteEntryObjects, EntriesAndNotesMadeAgainStartAfresh) {
    // An entry and its notes made where another entry was (the heap hands the same blocks out
    // again): nothing of the old one shows.
    EXTGF2005a frame{};
    EXENTRY records[2]{};
    records[0].noteCount = 2;
    records[0].entryFlags = ENTRY_INUSE | ENTRY_NOTE;
    records[0].notes[0].noteID = 1;
    records[0].notes[1].noteID = 2;
    records[1].entryFlags = ENTRY_INUSE;
    frame.entries = records;
    frame.entryCount = 2;
    frame.measure = 3;
    auto* chord = new FCNoteEntry(&frame, 0, 1);
    ASSERT_EQ(chord->GetCount(), 2);
    chord->GetItemAt(0)->SetUserData(chord);
    delete chord;
    auto* rest = new FCNoteEntry(&frame, 1, 1);
    EXPECT_EQ(rest->GetCount(), 0);
    EXPECT_EQ(rest->_GetCapacity(), 0);
    EXPECT_EQ(rest->GetNext(), nullptr);
    EXPECT_EQ(rest->GetUserData(), nullptr);
    auto* again = new FCNoteEntry(&frame, 0, 1);
    ASSERT_EQ(again->GetCount(), 2);
    EXPECT_EQ(again->GetItemAt(0)->GetUserData(), nullptr);
    EXPECT_EQ(again->GetItemAt(1)->GetNoteID(), 2);
    delete rest;
    delete again;
}

} // namespace
