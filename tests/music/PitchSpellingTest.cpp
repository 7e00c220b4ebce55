// Pitch spelling: letters and alterations of notes across keys, transposing staves and clefs.
// Every expected letter and alteration is written out by hand; the notes are stated by name in the
// key of their measure, or as raw note records where the record itself is the point.
#include "finaleframework/music/FCNote.h"
#include "finaleframework/music/FCNoteEntryLayer.h"
#include "host/MeasureRecord.h"
#include "support/FrameFixture.h"

#include <memory>
#include <string>
#include <vector>

namespace {

/// A note as a person names it: letter and total alteration (sharps +, flats -).
struct Spelled {
    char letter;
    int alteration;
    bool operator==(const Spelled&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Spelled& pitch) {
    return out << pitch.letter << (pitch.alteration >= 0 ? "+" : "") << pitch.alteration;
}

Spelled Sounding(const FCNote* note) {
    return {note->CalcPitchChar(), note->CalcPitchRaiseLower(false)};
}

Spelled Written(const FCNote* note) {
    return {note->CalcWrittenPitchChar(), note->CalcPitchRaiseLower(true)};
}

class PitchSpelling : public testing_support::FrameTest {
protected:
    // Staff records travel in their own, older layout version, so only the frames are checked.
    void TearDown() override { ExpectFramesReleased(); }

    /// Layer 1 of `staff` over measures from..to, loaded.
    std::unique_ptr<FCNoteEntryLayer> Load(twobyte staff, twobyte from, twobyte to) {
        auto layer = std::make_unique<FCNoteEntryLayer>(0, staff, from, to);
        EXPECT_TRUE(layer->Load());
        return layer;
    }
    /// The first note of entry `index` of a layer.
    static FCNote* NoteOf(FCNoteEntryLayer& layer, int index) {
        FCNoteEntry* entry = layer.GetItemAt(index);
        return entry ? entry->GetItemAt(0) : nullptr;
    }
};

constexpr bool MINOR = true;

/// Notes spelled in a key, each in a measure of its own.
struct KeyCase {
    int accidentals; // sharps +, flats -
    bool minor;
    struct Note {
        const char* name;
        Spelled sounding;
    };
    std::vector<Note> notes;
};

} // namespace

TEST_F(PitchSpelling, TheKeySignatureAltersTheLettersItNames) {
    const KeyCase keys[] = {
        {0, false, {{"C4", {'C', 0}}, {"F#4", {'F', 1}}, {"Bb3", {'B', -1}}}},
        {2, false, {{"C#5", {'C', 1}}, {"C5", {'C', 0}}, {"F#4", {'F', 1}}, {"G4", {'G', 0}}}},
        {4, false, {{"D#5", {'D', 1}}, {"Dbb4", {'D', -2}}}},
        {7, false, {{"B#3", {'B', 1}}, {"E4", {'E', 0}}}},
        {-1, false, {{"Bb4", {'B', -1}}, {"B4", {'B', 0}}}},
        {-3, false, {{"Ab4", {'A', -1}}, {"A4", {'A', 0}}, {"D#5", {'D', 1}}}},
        {-6, false, {{"Cb5", {'C', -1}}, {"F4", {'F', 0}}}},
        {-7, false, {{"Fb4", {'F', -1}}, {"Cb6", {'C', -1}}, {"C4", {'C', 0}}}},
        {0, MINOR, {{"G#4", {'G', 1}}, {"A3", {'A', 0}}}},
        {-3, MINOR, {{"B4", {'B', 0}}, {"Eb4", {'E', -1}}, {"Ab3", {'A', -1}}}},
        {3, MINOR, {{"E#5", {'E', 1}}}},
        {5, MINOR, {{"F##4", {'F', 2}}, {"G#2", {'G', 1}}}},
        {-6, MINOR, {{"Cb4", {'C', -1}}}},
        {-7, MINOR, {{"G4", {'G', 0}}, {"Abb4", {'A', -2}}}},
        // Beyond seven: the order starts again, so the letters first altered get a second one.
        {8, false, {{"F##4", {'F', 2}}, {"F#4", {'F', 1}}, {"C#4", {'C', 1}}}},
        {9, false, {{"C##5", {'C', 2}}}},
        {-8, false, {{"Bbb4", {'B', -2}}, {"Eb4", {'E', -1}}}},
        {-9, MINOR, {{"Ebb3", {'E', -2}}, {"Bb3", {'B', -1}}}},
    };
    // One note a measure, each measure in its case's key.
    std::vector<std::pair<const KeyCase*, const KeyCase::Note*>> cases;
    for (const KeyCase& key : keys)
        for (const KeyCase::Note& note : key.notes)
            cases.emplace_back(&key, &note);
    auto doc = NewDocument().Staves(1).Measures(static_cast<int>(cases.size()));
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto measure = static_cast<twobyte>(i + 1);
        doc.KeySignature(measure, cases[i].first->accidentals, cases[i].first->minor);
        doc.Layer(1, measure).Notes(std::string(cases[i].second->name) + " w");
    }
    auto layer = Load(1, 1, static_cast<twobyte>(cases.size()));
    ASSERT_EQ(layer->GetCount(), static_cast<int>(cases.size()));
    for (size_t i = 0; i < cases.size(); ++i) {
        const auto& [key, expected] = cases[i];
        SCOPED_TRACE(std::string(expected->name) + " with " + std::to_string(key->accidentals) +
                     (key->minor ? " minor" : " major"));
        const FCNote* note = NoteOf(*layer, static_cast<int>(i));
        EXPECT_EQ(Sounding(note), expected->sounding);
        // An untransposed staff writes what sounds.
        EXPECT_EQ(Written(note), expected->sounding);
    }
}

TEST_F(PitchSpelling, RecordsCountFromTheKeysRootAndAlterRelativeToTheKey) {
    auto doc =
        NewDocument().Staves(1).Measures(3).KeySignature(1, 2).KeySignature(2, -3).KeySignature(3,
                                                                                                8);
    doc.Layer(1, 1).Notes("C4 q, C4 q, C4 q, C4 q | C4 w | C4 w");
    auto layer = Load(1, 1, 3);
    ASSERT_EQ(layer->GetCount(), 6);
    auto set = [&](int index, twobyte displacement, twobyte raiseLower) {
        FCNote* note = NoteOf(*layer, index);
        note->SetDisplacement(displacement);
        note->SetRaiseLower(raiseLower);
        return note;
    };
    // Two sharps (D major): a C without raise or lower is C sharp; a G is plain.
    EXPECT_EQ(Sounding(set(0, -1, 0)), (Spelled{'C', 1}));
    EXPECT_EQ(Sounding(set(1, 3, 0)), (Spelled{'G', 0}));
    EXPECT_EQ(Sounding(set(2, 0, 0)), (Spelled{'D', 0}));
    EXPECT_EQ(Sounding(set(3, 6, -1)), (Spelled{'C', 0}));
    // Three flats (E-flat major): an A raised by one is A natural.
    EXPECT_EQ(Sounding(set(4, 3, 1)), (Spelled{'A', 0}));
    // Eight sharps (G-sharp major): F carries two sharps.
    EXPECT_EQ(Sounding(set(5, -1, 0)), (Spelled{'F', 2}));
}

TEST_F(PitchSpelling, AKeyThatIsNotStandardAltersNothingItCannotName) {
    auto doc = NewDocument().Staves(1).Measures(3);
    doc.KeyValue(1, 0x4002).KeyValue(2, 0x8000).KeyValue(3, 0x0200);
    doc.Layer(1, 1).Notes("F#4 h, Bb4 h | C#5 w | Eb4 w");
    auto layer = Load(1, 1, 3);
    ASSERT_EQ(layer->GetCount(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_NE(NoteOf(*layer, i)->GetRaiseLower(), 0);
        EXPECT_EQ(NoteOf(*layer, i)->CalcPitchRaiseLower(false), 0) << i;
        EXPECT_EQ(NoteOf(*layer, i)->CalcPitchRaiseLower(true), 0) << i;
    }
}

TEST_F(PitchSpelling, TransposingStavesWriteInTheTransposedKey) {
    // Staff 2: B-flat (written a step and two sharps higher); staff 3: G (three steps higher, one
    // flat more); staff 4: the chromatic layout, which moves the letter but keeps the key and the
    // note's own raise or lower.
    auto doc = NewDocument().Staves(4).Measures(4);
    doc.StaffTransposition(2, 0x0042).StaffTransposition(3, 0x00FF).StaffTransposition(4, 0x2201);
    doc.KeySignature(2, 2).KeySignature(3, -1).KeySignature(4, -3);
    const char* music = "C4 h, Bb4 h | D4 h, F#4 h | Bb4 h, E4 h | Ab4 h, D4 h";
    for (twobyte staff = 2; staff <= 4; ++staff)
        doc.Layer(staff, 1).Notes(music);

    struct Case {
        Spelled sounding;
        Spelled bflat;
        Spelled inG;
        Spelled chromatic;
    };
    const Case cases[] = {
        // C major: B-flat staves write D major, G staves F major.
        {{'C', 0}, {'D', 0}, {'F', 0}, {'D', 0}},
        {{'B', -1}, {'C', 0}, {'E', -1}, {'C', -1}},
        // D major: written E major and G major.
        {{'D', 0}, {'E', 0}, {'G', 0}, {'E', 0}},
        {{'F', 1}, {'G', 1}, {'B', 0}, {'G', 0}},
        // F major: written G major (one sharp) and B-flat major.
        {{'B', -1}, {'C', 0}, {'E', -1}, {'C', 0}},
        {{'E', 0}, {'F', 1}, {'A', 0}, {'F', 0}},
        // E-flat major: written F major and A-flat major.
        {{'A', -1}, {'B', -1}, {'D', -1}, {'B', -1}},
        {{'D', 0}, {'E', 0}, {'G', 0}, {'E', -1}},
    };
    auto bflat = Load(2, 1, 4);
    auto inG = Load(3, 1, 4);
    auto chromatic = Load(4, 1, 4);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(Sounding(NoteOf(*bflat, i)), cases[i].sounding) << i;
        EXPECT_EQ(Sounding(NoteOf(*inG, i)), cases[i].sounding) << i;
        EXPECT_EQ(Written(NoteOf(*bflat, i)), cases[i].bflat) << i;
        EXPECT_EQ(Written(NoteOf(*inG, i)), cases[i].inG) << i;
        EXPECT_EQ(Written(NoteOf(*chromatic, i)), cases[i].chromatic) << i;
    }
}

TEST_F(PitchSpelling, TheStaffIsReadWhereTheEntryStands) {
    // A staff style transposes the second half of measure 2 only.
    auto doc = NewDocument().Staves(1).Measures(2).KeySignature(1, -2);
    doc.StaffStyle(1, 2, 2048, 2, 4095, 0x0042);
    doc.Layer(1, 1).Notes("Eb4 w | Eb4 h, Eb4 h");
    auto layer = Load(1, 1, 2);
    EXPECT_EQ(Written(NoteOf(*layer, 0)), (Spelled{'E', -1}));
    EXPECT_EQ(Written(NoteOf(*layer, 1)), (Spelled{'E', -1}));
    EXPECT_EQ(Written(NoteOf(*layer, 2)), (Spelled{'F', 0})); // written in C major
    EXPECT_EQ(Sounding(NoteOf(*layer, 2)), (Spelled{'E', -1}));
}

TEST_F(PitchSpelling, ActualDisplacementAddsRootClefAndTransposition) {
    auto doc = NewDocument().Staves(2).Measures(3).ClefDef(0, -10).ClefDef(1, 2);
    doc.KeySignature(2, 0, MINOR).KeySignature(3, -7);
    doc.StaffTransposition(2, 0x0042);
    const char* music = "E4 h, E4 h | C5 w | Cb5 w";
    doc.Layer(1, 1).Notes(music);
    doc.Layer(2, 1).Notes(music);
    // The second entry of staff 1 names clef 1.
    Host().Current()->frames[host::FrameKey{1, 1, 0}][1].clefIndex = 1;
    auto plain = Load(1, 1, 3);
    auto transposed = Load(2, 1, 3);
    // Steps above C4 plus the clef's middle-C position: E4 is 2 steps up, C5 7, C-flat 5 7.
    EXPECT_EQ(NoteOf(*plain, 0)->CalcActualDisplacement(), 2 - 10);
    EXPECT_EQ(NoteOf(*plain, 1)->CalcActualDisplacement(), 2 + 2);
    EXPECT_EQ(NoteOf(*plain, 2)->CalcActualDisplacement(), 7 - 10);
    EXPECT_EQ(NoteOf(*plain, 3)->CalcActualDisplacement(), 7 - 10);
    // Plus the staff's interval.
    EXPECT_EQ(NoteOf(*transposed, 0)->CalcActualDisplacement(), 2 - 10 + 1);
    EXPECT_EQ(NoteOf(*transposed, 3)->CalcActualDisplacement(), 7 - 10 + 1);
}

TEST_F(PitchSpelling, ARestHasOnlyAPosition) {
    auto doc = NewDocument().Staves(1).Measures(1).KeySignature(1, 2).ClefDef(0, -10);
    doc.Layer(1, 1).Notes("r w");
    auto layer = Load(1, 1, 1);
    FCNoteEntry* rest = layer->GetItemAt(0);
    rest->MakeMovableRest();
    ASSERT_EQ(rest->GetCount(), 1);
    FCNote* placeholder = rest->GetItemAt(0);
    placeholder->SetDisplacement(3);
    placeholder->SetRaiseLower(1);
    EXPECT_EQ(placeholder->CalcPitchChar(), 0);
    EXPECT_EQ(placeholder->CalcWrittenPitchChar(), 0);
    EXPECT_EQ(placeholder->CalcPitchRaiseLower(false), 0);
    EXPECT_EQ(placeholder->CalcPitchRaiseLower(true), 0);
    // D major's root is one step above C.
    EXPECT_EQ(placeholder->CalcActualDisplacement(), 1 + 3 - 10);
}

TEST_F(PitchSpelling, ADetachedPitchHasNoKeyToBeSpelledIn) {
    NewDocument().Staves(1).Measures(1).KeySignature(1, 2);
    EXNOTE record{};
    record.displacement = 2;
    record.raiseLower = 1;
    FCNotePitch pitch(record);
    EXPECT_EQ(pitch.CalcPitchChar(), 0);
    EXPECT_EQ(pitch.CalcWrittenPitchChar(), 0);
    EXPECT_EQ(pitch.CalcPitchRaiseLower(false), 0);
    EXPECT_EQ(pitch.CalcActualDisplacement(), 0);
    EXPECT_TRUE(Host().Calls().empty());
}

TEST_F(PitchSpelling, AMeasureWithoutItsRecordIsReadInCMajor) {
    auto doc = NewDocument().Staves(1).Measures(2).KeySignature(1, 3);
    doc.Layer(1, 1).Notes("F#4 w | F#4 w");
    Host().Current()->records.erase(host::MeasureRecordKey(2));
    auto layer = Load(1, 1, 2);
    // Both note records say: two steps below A major's root, no raise or lower of their own.
    EXPECT_EQ(NoteOf(*layer, 1)->GetDisplacement(), -2);
    EXPECT_EQ(NoteOf(*layer, 1)->GetRaiseLower(), 0);
    EXPECT_EQ(Sounding(NoteOf(*layer, 0)), (Spelled{'F', 1}));
    // Without its measure record, measure 2 has no key: the steps count from C major's root.
    EXPECT_EQ(Sounding(NoteOf(*layer, 1)), (Spelled{'A', 0}));
}
