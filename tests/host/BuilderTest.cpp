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
    EXPECT_EQ(host::PitchFromName("C4"), (NotePitch{0, 0}));
    EXPECT_EQ(host::PitchFromName("B4"), (NotePitch{6, 0}));
    EXPECT_EQ(host::PitchFromName("C5"), (NotePitch{7, 0}));
    EXPECT_EQ(host::PitchFromName("F#5"), (NotePitch{10, 1}));
    EXPECT_EQ(host::PitchFromName("Bb3"), (NotePitch{-1, -1}));
    EXPECT_EQ(host::PitchFromName("C##4"), (NotePitch{0, 2}));
    EXPECT_EQ(host::PitchFromName("Dbb2"), (NotePitch{-13, -2}));
    EXPECT_EQ(host::PitchFromName("C-1"), (NotePitch{-35, 0}));
    for (const char* bad : {"", "H4", "C", "4", "C#", "Cx4", "C4#"})
        EXPECT_FALSE(host::PitchFromName(bad)) << bad;
    for (int displacement = -40; displacement <= 40; ++displacement)
        for (int alteration = -2; alteration <= 2; ++alteration) {
            const NotePitch pitch{static_cast<twobyte>(displacement),
                                  static_cast<twobyte>(alteration)};
            EXPECT_EQ(host::PitchFromName(host::PitchName(pitch)), pitch) << host::PitchName(pitch);
        }
}

TEST(Notation, DurationsByNameDotsOrUnits) {
    EXPECT_EQ(host::DurationFromName("q"), 1024);
    EXPECT_EQ(host::DurationFromName("q."), 1536);
    EXPECT_EQ(host::DurationFromName("h.."), 3584);
    EXPECT_EQ(host::DurationFromName("dw"), 8192);
    EXPECT_EQ(host::DurationFromName("x"), 64);
    EXPECT_EQ(host::DurationFromName("341"), 341);
    for (const char* bad : {"", "0", "y", ".", "q-"})
        EXPECT_FALSE(host::DurationFromName(bad)) << bad;
    EXPECT_EQ(host::DurationName(1536), "q.");
    EXPECT_EQ(host::DurationName(12288), "dw.");
    EXPECT_EQ(host::DurationName(341), "341");
}

TEST(Notation, MalformedMusicIsRefusedWithTheEntryNamed) {
    for (const char* bad : {"C4", "C4 q,", "r q~", "C4 q/3", "C4 q/0:2", "C4 q!", "C4 q?", "X4 q",
                            "C4+ q", "C4 99999"}) {
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
