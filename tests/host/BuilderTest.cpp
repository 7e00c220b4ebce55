// The document builder and the layer reader: music written in the notation is stored as a host
// would store it and reads back in the same words.
#include "host/EntryDetails.h"
#include "support/HostFixture.h"

#include <cstring>
#include <stdexcept>

// Fields of the packed wire records are read with a unary + so that the test macros, which bind
// references, get a value rather than a misaligned reference.

namespace {

using host::NotePitch;

TEST(Notation, PitchNamesCountStepsFromMiddleC) {
    const std::pair<const char*, NotePitch> names[] = {
        {"C4", {0, 0}},    {"B4", {6, 0}},   {"C5", {7, 0}},      {"F#5", {10, 1}},
        {"Bb3", {-1, -1}}, {"C##4", {0, 2}}, {"Dbb2", {-13, -2}}, {"C-1", {-35, 0}}};
    for (const auto& [name, pitch] : names)
        EXPECT_EQ(host::PitchFromName(name), pitch) << name;
    for (const char* bad : {"", "H4", "C", "4", "C#", "Cx4", "C4#"})
        EXPECT_FALSE(host::PitchFromName(bad)) << bad;
    for (int displacement = -40; displacement <= 40; ++displacement)
        for (int alteration = -2; alteration <= 2; ++alteration) {
            const NotePitch pitch{static_cast<twobyte>(displacement),
                                  static_cast<twobyte>(alteration)};
            EXPECT_EQ(host::PitchFromName(host::PitchName(pitch)), pitch) << host::PitchName(pitch);
        }
}

TEST(Notation, PitchNamesCountFromTheRootOfTheKey) {
    struct Case {
        utwobyte key;
        const char* name;
        NotePitch record;
    };
    // Note records count steps from the key's root above middle C and alter relative to the key.
    const Case cases[] = {
        {0x0002, "D4", {0, 0}},   {0x0002, "F#4", {2, 0}},   {0x0002, "F4", {2, -1}},   // D major
        {0x0002, "C#5", {6, 0}},  {0x0002, "C4", {-1, -1}},                             //
        {0x00FE, "Bb4", {0, 0}},  {0x00FE, "E5", {3, 1}},    {0x00FE, "C4", {-6, 0}},   // B-flat
        {0x0100, "A4", {0, 0}},   {0x0100, "G#4", {-1, 1}},  {0x0100, "C5", {2, 0}},    // a minor
        {0x01FD, "C4", {0, 0}},   {0x01FD, "Eb4", {2, 0}},   {0x01FD, "B4", {6, 1}},    // c minor
        {0x0105, "G#4", {0, 0}},  {0x0105, "D#5", {4, 0}},                              // g# minor
        {0x00F9, "Cb5", {0, 0}},  {0x00F9, "Cb4", {-7, 0}},  {0x00F9, "F4", {-4, 1}},   // C-flat
        {0x01F9, "Ab4", {0, 0}},  {0x01F9, "Cb5", {2, 0}},                              // ab minor
        {0x0007, "C#4", {0, 0}},  {0x0007, "B4", {6, -1}},                              // C-sharp
        {0x0008, "G#4", {0, 0}},  {0x0008, "F##4", {-1, 0}}, {0x0008, "F#4", {-1, -1}}, // 8 sharps
        {0x00F8, "Fb4", {0, 0}},  {0x00F8, "Bbb4", {3, 0}},  {0x00F8, "Bb4", {3, 1}},   // F-flat
        {0x00F6, "Ebb4", {0, 0}}, {0x00F6, "Abb4", {3, 0}},  {0x00F6, "Db5", {6, 0}}, // E-dbl-flat
        {0x4002, "F#5", {10, 1}}, {0x0200, "Bb3", {-1, -1}}, // not standard
    };
    for (const Case& c : cases) {
        EXPECT_EQ(host::PitchFromName(c.name, c.key), c.record) << c.name << " in " << c.key;
        EXPECT_EQ(host::PitchName(c.record, c.key), c.name) << c.name << " in " << c.key;
    }
    for (utwobyte key : {0x0003, 0x00FB, 0x0104, 0x01FA, 0x0009, 0x00F2})
        for (int displacement = -20; displacement <= 20; ++displacement)
            for (int alteration = -2; alteration <= 2; ++alteration) {
                const NotePitch pitch{static_cast<twobyte>(displacement),
                                      static_cast<twobyte>(alteration)};
                EXPECT_EQ(host::PitchFromName(host::PitchName(pitch, key), key), pitch);
            }
}

TEST(Notation, DurationsByNameDotsOrUnits) {
    const std::pair<const char*, fourbyte> names[] = {{"q", 1024},  {"q.", 1536}, {"h..", 3584},
                                                      {"dw", 8192}, {"x", 64},    {"341", 341}};
    for (const auto& [name, duration] : names)
        EXPECT_EQ(host::DurationFromName(name), duration) << name;
    for (const char* bad : {"", "0", "y", ".", "q-"})
        EXPECT_FALSE(host::DurationFromName(bad)) << bad;
    const std::pair<fourbyte, const char*> durations[] = {
        {1536, "q."}, {12288, "dw."}, {341, "341"}};
    for (const auto& [duration, name] : durations)
        EXPECT_EQ(host::DurationName(duration), name);
}

TEST(Notation, MalformedMusicIsRefusedWithTheEntryNamed) {
    for (const char* bad : {"C4", "C4 q,", "r q~", "C4 q/3", "C4 q/0:2", "C4 q!", "C4 q?", "X4 q",
                            "C4+ q", "C4 99999", "r~ q", "C4~~ q", "~ q", "C4+~ q"}) {
        try {
            host::ParseMusic(bad);
            ADD_FAILURE() << "accepted: " << bad;
        } catch (const std::invalid_argument& error) {
            EXPECT_NE(std::string(error.what()).find("malformed"), std::string::npos);
        }
    }
    EXPECT_EQ(host::ParseMusic("").size(), 1u);
    EXPECT_TRUE(host::ParseMusic(" ")[0].empty());
}

class Builder : public testing_support::HostTest {};

TEST_F(Builder, MusicReadsBackInTheSameWords) {
    auto doc = NewDocument().Staves(2).Measures(3);
    const std::string music =
        "C4 q, D4 q~, D4 q, r q | E4+G4+C5 h, C5 e/3:2!3, B4 e, A4 e, r q!3!7 | "
        "F#4 q., Gb4 e, r 341/3:2e:q, C4 w~";
    doc.Layer(2, 1, 1).Notes(music);
    EXPECT_EQ(host::DescribeLayer(doc.Built(), 2, 1, 3, 1), music);
    EXPECT_EQ(host::DescribeLayer(doc.Built(), 2, 2, 2, 1),
              "E4+G4+C5 h, C5 e/3:2!3, B4 e, A4 e, r q!3!7");
    EXPECT_EQ(host::DescribeLayer(doc.Built(), 2, 1, 1, 0), "");
    EXPECT_EQ(host::DescribeLayer(doc.Built(), 1, 1, 2, 1), " | ");
}

TEST_F(Builder, FluentCallsWriteWhatTheTextWrites) {
    auto doc = NewDocument().Staves(2).Measures(2);
    doc.Layer(1, 1).Notes("C4 e/3:2!5, D4+F4 e~, D4+F4 e | r h, Bb3 h");
    doc.Layer(2, 1)
        .Note("C4", 512)
        .Tuplet(3, 2, 512)
        .Articulation(5)
        .Chord({"D4", "F4"}, 512)
        .Tie()
        .Chord({"D4", "F4"}, 512)
        .NextMeasure()
        .Rest(2048)
        .Note("Bb3", 2048);
    EXPECT_EQ(host::DescribeLayer(doc.Built(), 1, 1, 2), host::DescribeLayer(doc.Built(), 2, 1, 2));
    EXPECT_THROW(doc.Layer(1, 1).Tie(), std::logic_error);
    EXPECT_THROW(doc.Layer(1, 1).Rest(512).Tie(), std::logic_error);
}

TEST_F(Builder, PitchNamesFollowTheKeyOfTheirMeasure) {
    auto doc = NewDocument().Staves(1).Measures(3).KeySignature(2, 2).KeySignature(3, -3, true);
    doc.Layer(1, 1).Notes("F#4 w | F#4 w | Eb4 h, E4 h");
    doc.Layer(1, 3, 1).Note("C4", 4096);
    const auto stored = host::ReadLayer(doc.Built(), 1, 1, 3, 0);
    EXPECT_EQ(stored[0][0].pitches[0], (NotePitch{3, 1})); // C major: F raised
    EXPECT_EQ(stored[1][0].pitches[0], (NotePitch{2, 0})); // D major: the key's F sharp
    EXPECT_EQ(stored[2][0].pitches[0], (NotePitch{2, 0})); // c minor: the key's E flat
    EXPECT_EQ(stored[2][1].pitches[0], (NotePitch{2, 1}));
    EXPECT_EQ(host::StoredEntries(doc.Built(), 1, 3, 1)->at(0).notes[0].displacement, 0);
    EXPECT_EQ(host::DescribeLayer(doc.Built(), 1, 1, 3), "F#4 w | F#4 w | Eb4 h, E4 h");
}

TEST_F(Builder, SingleNotesOfAChordAreTiedOneByOne) {
    auto doc = NewDocument().Staves(1).Measures(1);
    doc.Layer(1, 1).Notes("A3+D4~ q, B3+D4 q, C4~+E4~ q, C4+E4 q");
    const auto& entries = *host::StoredEntries(doc.Built(), 1, 1, 0);
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_FALSE(entries[0].notes[0].noteFlags & NOTE_TIE);
    EXPECT_TRUE(entries[0].notes[1].noteFlags & NOTE_TIE);
    EXPECT_TRUE(entries[2].notes[0].noteFlags & NOTE_TIE);
    EXPECT_TRUE(entries[2].notes[1].noteFlags & NOTE_TIE);
    // Every note tied one by one is the entry tied.
    EXPECT_EQ(host::DescribeLayer(doc.Built(), 1, 1, 1), "A3+D4~ q, B3+D4 q, C4+E4 q~, C4+E4 q");

    const auto read = host::ReadLayer(doc.Built(), 1, 1, 1, 0)[0];
    EXPECT_FALSE(read[0].tie);
    EXPECT_EQ(read[0].tiedNotes, (std::vector<size_t>{1}));
    EXPECT_FALSE(host::IsNoteTied(read[0], 0));
    EXPECT_TRUE(host::IsNoteTied(read[0], 1));
    EXPECT_FALSE(host::IsNoteTied(read[0], 2)); // no such note
    EXPECT_TRUE(read[2].tie);
    EXPECT_TRUE(read[2].tiedNotes.empty());
    EXPECT_TRUE(host::IsNoteTied(read[2], 1));
}

TEST_F(Builder, EntriesAreStoredAsTheHostStoresThem) {
    auto doc = NewDocument().Staves(1).Measures(1);
    const fourbyte first = doc.Built().nextEntryNumber;
    doc.Layer(1, 1).Notes("C4+E4 q~, C4+E4 e/3:2!9, r e, D4 e");
    const auto& entries = *host::StoredEntries(doc.Built(), 1, 1, 0);
    ASSERT_EQ(entries.size(), 4u);
    for (size_t i = 0; i < entries.size(); ++i)
        EXPECT_EQ(+entries[i].entryNumber, first + static_cast<fourbyte>(i));

    const EXENTRY& chord = entries[0];
    EXPECT_EQ(+chord.entryFlags, ENTRY_INUSE | ENTRY_NOTE);
    EXPECT_EQ(+chord.noteCount, 2);
    EXPECT_EQ(+chord.notes[1].displacement, 2);
    EXPECT_EQ(+chord.notes[1].noteID, 2);
    EXPECT_EQ(+chord.notes[1].noteFlags, NOTE_INUSE | NOTE_TIE | 0x00020000u);

    const EXENTRY& tuplet = entries[1];
    EXPECT_EQ(+tuplet.entryFlags,
              ENTRY_INUSE | ENTRY_NOTE | ENTRY_TUPLETSTART | ENTRY_ARTICULATION);
    EXPECT_EQ(+tuplet.elapsedTime, 1024);
    EXPECT_EQ(+entries[2].entryFlags, ENTRY_INUSE);
    EXPECT_EQ(+entries[2].noteCount, 0);
    EXPECT_EQ(+entries[2].elapsedTime, 1365);
    EXPECT_EQ(+entries[3].elapsedTime, 1706);

    const auto details = host::DetailsOfEntry(doc.Built(), tuplet.entryNumber);
    ASSERT_EQ(details.size(), 2u);
    for (const auto& [key, bytes] : details) {
        EXPECT_EQ(host::EntryNumberOfKey(key.key), +tuplet.entryNumber);
        EXPECT_EQ(key.key[4] | (key.key[5] << 8), 0); // record number 0 of each kind
        if (key.tag == host::TAG_ARTICULATION) {
            ASSERT_EQ(bytes.size(), 10u);
            EXPECT_EQ(bytes[0], 9);
        } else {
            EXPECT_EQ(key.tag, host::TAG_TUPLET);
            ASSERT_EQ(bytes.size(), 30u);
            EDTTuplet2005 record;
            std::memcpy(&record, bytes.data(), sizeof record);
            EXPECT_EQ(host::TupletDefinition::Read(record).Span(), 1536);
            EXPECT_EQ(+record.tupletFlags, 0);
        }
    }
}

} // namespace
