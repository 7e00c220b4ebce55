// COPY, driven through the plug-in's entry points as the host drives it: SET SOURCE (item 0) on
// one selection, then COPY (item 1) on another, and the document read back entry by entry.
#include "finaleframework/music/FCNoteEntryLayer.h"
#include "host/EntryDetails.h"
#include "plugin/Cadentra.h"
#include "plugin/RhythmTransfer.h"
#include "support/FrameFixture.h"
#include "support/PluginCommands.h"

#include <algorithm>
#include <cstring>
#include <set>

// Fields of the packed wire records are read with a unary + so that the test macros, which bind
// references, get a value rather than a misaligned reference.

namespace {

using testing_support::CopyTo;
using testing_support::SetSource;

constexpr const char* COPY_TITLE = "ZQ Cadentra Error";

class Copy : public testing_support::FrameTest {
protected:
    Copy() { source_is_set = 0; }

    std::string Describe(twobyte staff, twobyte from, twobyte to, twobyte layer = 0) {
        return host::DescribeLayer(Doc(), staff, from, to, layer);
    }
    host::Document& Doc() { return doc_.Built(); }
    /// The stored entry `index` of (staff, measure, layer).
    const EXENTRY& Stored(twobyte staff, twobyte measure, size_t index, twobyte layer = 0) {
        return host::StoredEntries(Doc(), staff, measure, layer)->at(index);
    }
    /// Runs COPY onto `region` once and puts the document back: answers the position (1 for
    /// COPY's first host call) of the `occurrence`-th call of `name`, for a fault to hit exactly
    /// that call in the next run.
    int PositionOfCall(const EREGION& region, const std::string& name, int occurrence) {
        const host::Document saved = Doc();
        const size_t start = Host().Calls().size();
        CopyTo(region);
        int position = 0;
        int seen = 0;
        for (size_t i = start; i < Host().Calls().size() && position == 0; ++i)
            if (Host().Calls()[i].name == name && ++seen == occurrence)
                position = static_cast<int>(i - start) + 1;
        Doc() = saved;
        EXPECT_GT(position, 0) << name << " is not called " << occurrence << " times";
        return position;
    }
    /// SET SOURCE on staff `from` over measures first..last, then COPY onto staff `to` over as
    /// many measures from `at` (the same measures when 0); true when the copy answered 1.
    bool CopyStaff(twobyte from, twobyte first, twobyte last, twobyte to, twobyte at = 0) {
        if (!SetSource(host::Region(from, from, first, last))) return false;
        if (at == 0) at = first;
        return CopyTo(host::Region(to, to, at, static_cast<twobyte>(at + last - first))) == 1;
    }
    /// The note events of layer 1 of `staff` over measures from..to, as COPY counts them.
    int EventsOf(twobyte staff, twobyte from, twobyte to) {
        FCNoteEntryLayer layer(0, staff, from, to);
        EXPECT_TRUE(layer.Load());
        return CountNotes(&layer);
    }
    void ExpectNoAlert() { EXPECT_TRUE(Alerts().empty()) << Alerts().front().text; }
    void ExpectAlert(const std::string& text) {
        ASSERT_EQ(Alerts().size(), 1u);
        EXPECT_EQ(Alerts()[0].text, text);
        EXPECT_EQ(Alerts()[0].caption, COPY_TITLE);
    }

    host::DocumentBuilder doc_ = NewDocument().Staves(4).Measures(4);
};

TEST_F(Copy, LaysTheSourceRhythmOntoTheDestinationPitches) {
    doc_.Layer(1, 1).Notes("C4 q, D4 q~, D4 q, E4 q!5!6 | F4 e/3:2, G4 e, A4 e, r q, B4 h");
    doc_.Layer(3, 3).Notes("G5+B5 h!9, F5 h | E5 q, D5 q, C5 q, B4 e/3:2, A4 h");
    ASSERT_TRUE(SetSource(host::Region(1, 1, 1, 2)));
    const std::string source = Describe(1, 1, 2);
    const fourbyte numberedBefore = Doc().nextEntryNumber;
    const auto oldDestination = *host::StoredEntries(Doc(), 3, 3, 0);

    EXPECT_EQ(CopyTo(host::Region(3, 3, 3, 4)), 1u);
    ExpectNoAlert();
    EXPECT_EQ(Describe(3, 3, 4),
              "G5+B5 q, F5 q~, F5 q, E5 q!5!6 | D5 e/3:2, C5 e, B4 e, r q, A4 h");
    EXPECT_EQ(Describe(1, 1, 2), source);

    // Entry by entry: new host numbers, the source's flags, the destination's note records.
    const auto& measure3 = *host::StoredEntries(Doc(), 3, 3, 0);
    const auto& measure4 = *host::StoredEntries(Doc(), 3, 4, 0);
    ASSERT_EQ(measure3.size(), 4u);
    ASSERT_EQ(measure4.size(), 5u);
    for (const auto* entries : {&measure3, &measure4})
        for (const EXENTRY& entry : *entries)
            EXPECT_GE(+entry.entryNumber, numberedBefore);
    EXPECT_EQ(+measure3[0].noteCount, 2);
    EXPECT_EQ(+measure3[0].notes[1].noteID, 2);
    EXPECT_EQ(+measure3[0].entryFlags, ENTRY_INUSE | ENTRY_NOTE);
    EXPECT_EQ(+measure3[1].notes[0].noteFlags, NOTE_INUSE | NOTE_TIE | 0x00010000u);
    EXPECT_EQ(+measure3[2].notes[0].noteFlags, NOTE_INUSE | 0x00010000u);
    EXPECT_EQ(+measure3[3].entryFlags, ENTRY_INUSE | ENTRY_NOTE | ENTRY_ARTICULATION);
    EXPECT_EQ(+measure4[0].entryFlags, ENTRY_INUSE | ENTRY_NOTE | ENTRY_TUPLETSTART);
    EXPECT_EQ(+measure4[3].entryFlags, ENTRY_INUSE | ENTRY_PLACEHOLDERREST);
    EXPECT_EQ(+measure4[4].duration, 2048);
    // The destination's own details went with its entries.
    for (const EXENTRY& old : oldDestination)
        EXPECT_TRUE(host::DetailsOfEntry(Doc(), old.entryNumber).empty());
}

TEST_F(Copy, ATiedChainIsOneEventAndTakesOneDestinationEvent) {
    doc_.Layer(1, 1).Notes("C4 q, D4 q~, D4 q, E4 q");
    doc_.Layer(2, 1).Notes("C5 h, D5 q, E5 q");
    ASSERT_TRUE(SetSource(host::Region(1, 1, 1, 1)));
    EXPECT_EQ(CopyTo(host::Region(2, 2, 1, 1)), 1u);
    EXPECT_EQ(Describe(2, 1, 1), "C5 q, D5 q~, D5 q, E5 q");
}

TEST_F(Copy, WhereTheSourceEventsEndIsWorkedOutOnceAsEachCopyWouldReadIt) {
    // A held note over the bar, a chord that holds one note only, a tie into a rest, a chord held
    // whole, a tie into another pitch.
    doc_.Layer(1, 1).Notes("C4 h~, C4 q~ | C4 q, E4+G4 q~, E4+A4 q!2, D4 q~ | r q, F4+A4 h~, "
                           "F4+A4 q | B4 h~, C5 h!3!4");
    doc_.Layer(2, 1).Notes("G4 h, A4 h | B4 h, C5 h | D5 h, E5 h | F5 w");
    doc_.Layer(3, 1).Notes("G4 h, A4 h | B4 h, C5 h | D5 h, E5 h | F5 w");
    FCNoteEntryLayer source(0, 1, 1, 4);
    ASSERT_TRUE(source.Load());
    const SourceEvents read = ReadSourceEvents(&source);
    const std::vector<bool>& continues = read.continues;
    EXPECT_EQ(read.articulated, (std::vector<int>{4, 10}));
    EXPECT_EQ(continues, (std::vector<bool>{true, true, false, false, false, false, false, true,
                                            false, false, false}));
    int starts = 0;
    for (int i = 0; i < source.GetCount(); ++i)
        if (source.GetItemAt(i)->IsNote() && !(i > 0 && continues[static_cast<size_t>(i - 1)]))
            ++starts;
    EXPECT_EQ(starts, CountNotes(&source));
    ASSERT_EQ(CountNotes(&source), 7);

    // A copy that is handed them writes what one that reads the source itself writes.
    FCNoteEntryLayer reading(0, 2, 1, 4);
    FCNoteEntryLayer handed(0, 3, 1, 4);
    ASSERT_TRUE(reading.Load());
    ASSERT_TRUE(handed.Load());
    EXPECT_EQ(DoCopy(&source, &handed, nullptr, &read), 0);
    EXPECT_EQ(DoCopy(&source, &reading), 0);
    EXPECT_EQ(Describe(3, 1, 4), Describe(2, 1, 4));
    EXPECT_EQ(Describe(2, 1, 4), "G4 h~, G4 q~ | G4 q, A4 q, B4 q!2, C5 q | r q, D5 h~, D5 q | "
                                 "E5 h, F5 h!3!4");
}

TEST_F(Copy, ARestBreaksATieChainKeepsItsOwnRecordAndIsNotTiedInto) {
    doc_.Layer(1, 1).Notes("C4 q~, r q, C4 q, D4 q");
    doc_.Layer(2, 1).Notes("E5 h, F5 q, G5 q");
    ASSERT_TRUE(SetSource(host::Region(1, 1, 1, 1)));
    EXPECT_EQ(CopyTo(host::Region(2, 2, 1, 1)), 1u);
    EXPECT_EQ(Describe(2, 1, 1), "E5 q, r q, F5 q, G5 q");
    const EXENTRY& rest = Stored(2, 1, 1);
    EXPECT_EQ(+rest.noteCount, 1); // the placeholder (numbered by the second save), not E5
    EXPECT_EQ(+rest.notes[0].displacement, 0);
    EXPECT_EQ(+rest.notes[0].noteFlags, NOTE_INUSE | 0x00010000u);
}

// Held notes and ties -----------------------------------------------------------------------------

TEST_F(Copy, AChordHoldingSomeOfItsNotesStartsNoChain) {
    doc_.Layer(1, 1).Notes("C4 q~, C4 q, C4 h");
    doc_.Layer(2, 1).Notes("A3+D4~ h, B3+D4 h");
    doc_.Layer(3, 1).Notes("A3+D4 h~, A3+D4 h");
    doc_.Layer(4, 1).Notes("D4 h~, D4+F4 h | G4 h~, G4 h");
    EXPECT_EQ(EventsOf(2, 1, 1), 2);
    EXPECT_EQ(EventsOf(3, 1, 1), 1);
    EXPECT_EQ(EventsOf(4, 1, 2), 3); // held into a chord with other notes, then held whole
    FCNoteEntryLayer chain(0, 3, 1, 1);
    ASSERT_TRUE(chain.Load());
    EXPECT_TRUE(IsTiedThrough(chain.GetItemAt(0)));
    EXPECT_FALSE(IsTiedThrough(chain.GetItemAt(1)));
    FCNoteEntryLayer held(0, 2, 1, 1);
    ASSERT_TRUE(held.Load());
    EXPECT_FALSE(IsTiedThrough(held.GetItemAt(0)));

    ASSERT_TRUE(CopyStaff(1, 1, 1, 2));
    // The chain of the source is tied on every note; its last entry holds only the D4, which the
    // next event has.
    EXPECT_EQ(Describe(2, 1, 1), "A3+D4 q~, A3+D4~ q, B3+D4 h");
}

TEST_F(Copy, AHeldNoteKeepsItsTieOnlyWhereTheNewRhythmLeadsIntoItsPitch) {
    struct Case {
        const char* source;      // staff 1 from measure 1, over `measures` measures
        const char* destination; // staff 2 from measure 1
        twobyte measures;
        const char* expected; // staff 2, measures 1 and 2
    };
    const Case cases[] = {
        // Not into a rest, nor into another pitch.
        {"C4 h, r q, C4 q", "A3+D4~ h, B3+D4 h", 1, "A3+D4 h, r q, B3+D4 q | "},
        {"C4 h, C4 h", "E4+G4~ h, F4+A4 h", 1, "E4+G4 h, F4+A4 h | "},
        // A note held into a chord that adds notes is an event of its own; G4 is held whole.
        {"C4 h., C4 q | C4 h, C4 h", "D4 h~, D4+F4 h | G4 q~, G4 q, A4 h", 2,
         "D4 h.~, D4+F4 q | G4 h, A4 h"},
        // The source's tie out of its region does not come along: it would tie the B3 to the C4.
        {"C4 h, D4 h~ | D4 w", "A3 h, B3 h | C4 w", 1, "A3 h, B3 h | C4 w"},
        // A tie out of the destination's region stays.
        {"C4 h, D4 h", "C5 h, D5+F5 h~ | D5+F5 w", 1, "C5 h, D5+F5 h~ | D5+F5 w"},
    };
    for (const Case& c : cases) {
        auto doc = NewDocument().Staves(2).Measures(2);
        doc.Layer(1, 1).Notes(c.source);
        doc.Layer(2, 1).Notes(c.destination);
        ASSERT_TRUE(CopyStaff(1, 1, c.measures, 2)) << c.destination;
        EXPECT_EQ(host::DescribeLayer(doc.Built(), 2, 1, 2), c.expected) << c.destination;
    }
}

TEST_F(Copy, AStaffCopiedOntoItsDuplicateStaysAsItWas) {
    const char* music = "A3+D4~ h, B3+D4 h~ | B3+D4 q, r q, C4+E4 q~, C4+E4~ q | "
                        "E4+G4 h~, E4+G4 q, G4~+B4 q | G4 q~, G4+D5 q~, G4+D5 h";
    doc_.Layer(1, 1).Notes(music);
    doc_.Layer(2, 1).Notes(music);
    ASSERT_TRUE(CopyStaff(1, 1, 4, 2));
    EXPECT_EQ(Describe(2, 1, 4), music);
}

TEST_F(Copy, ATieIntoTheRegionStaysOnlyIntoANoteOfItsPitch) {
    doc_.Layer(1, 2).Notes("r q, C4 q, D4 h | C4 q, D4 h.");
    doc_.Layer(2, 1).Notes("C5 w~ | C5 h, D5 h");
    doc_.Layer(3, 1).Notes("C5+E5 w~ | C5+E5 h, D5 h");
    doc_.Layer(4, 1).Notes("C5+E5 w~ | C5 h, D5 h");
    ASSERT_TRUE(CopyStaff(1, 2, 2, 2));
    EXPECT_EQ(Describe(2, 1, 2), "C5 w | r q, C5 q, D5 h"); // the region starts with a rest

    ASSERT_TRUE(SetSource(host::Region(1, 1, 3, 3)));
    const int savesBefore = Host().CountCalls("FX_SaveTGF");
    EXPECT_EQ(CopyTo(host::Region(3, 3, 2, 2)), 1u);
    EXPECT_EQ(Describe(3, 1, 2), "C5+E5 w~ | C5+E5 q, D5 h.");
    EXPECT_EQ(Host().CountCalls("FX_SaveTGF") - savesBefore, 2); // measure 1 is not written
    // A first entry with only one of the tied pitches keeps that one tie.
    EXPECT_EQ(CopyTo(host::Region(4, 4, 2, 2)), 1u);
    EXPECT_EQ(Describe(4, 1, 2), "C5~+E5 w | C5 q, D5 h.");
}

// Keys --------------------------------------------------------------------------------------------

/// The written name of a note ("Db5"), from the framework's spelling of it; the octave counts
/// steps from middle C, as a document without clef definitions places it.
std::string WrittenName(FCNote* note) {
    std::string name(1, note->CalcWrittenPitchChar());
    const int alteration = note->CalcPitchRaiseLower(true);
    name += std::string(static_cast<size_t>(std::max(alteration, 0)), '#');
    name += std::string(static_cast<size_t>(std::max(-alteration, 0)), 'b');
    const int step = note->CalcActualDisplacement();
    return name + std::to_string(4 + (step >= 0 ? step / 7 : -((6 - step) / 7)));
}

TEST_F(Copy, ANoteMovedIntoAnotherKeyKeepsItsPitch) {
    // B-flat major into G-flat major, E major into A-flat major.
    doc_.KeySignature(1, -2).KeySignature(2, -6).KeySignature(3, 4).KeySignature(4, -4);
    doc_.Layer(1, 1).Notes("C4 h, C4 h~ | C4 h, C4 h | C4 h, C4 h~ | C4 h, C4 h");
    doc_.Layer(1, 1, 1).Notes("C4 w | C4 h, C4 h");
    doc_.Layer(2, 1).Notes("F4 h, Db5 h | Eb5 w | E4 h, G#4 h | C5 w");
    doc_.Layer(3, 1).Notes("F4 h, Bb4 h | Cb5 w");
    ASSERT_TRUE(CopyStaff(1, 1, 4, 2));
    // A tie joins two notes of one pitch however each measure writes it.
    EXPECT_EQ(Describe(2, 1, 4), "F4 h, Db5 h~ | Db5 h, Eb5 h | E4 h, G#4 h~ | G#4 h, C5 h");
    const EXENTRY& heldOver = Stored(2, 2, 0);
    EXPECT_EQ(+heldOver.notes[0].displacement, 4); // D5 above the G-flat root, flat in the key
    EXPECT_EQ(+heldOver.notes[0].raiseLower, 0);

    // A whole event moved into the next measure, untied.
    Host().Current()->frames.erase(host::FrameKey{1, 1, 0});
    Host().Current()->frames.erase(host::FrameKey{1, 2, 0});
    host::DocumentBuilder(*Host().Current()).Layer(1, 1).Notes("C4 w | C4 h, C4 h");
    ASSERT_TRUE(CopyStaff(1, 1, 2, 3));
    EXPECT_EQ(Describe(3, 1, 2), "F4 w | Bb4 h, Cb5 h");
}

class CopyOnATransposingStaff : public Copy {
protected:
    // Staff records travel in a layout version of their own: the versions of COPY's own calls
    // are checked in the test.
    void TearDown() override { ExpectFramesReleased(); }
};

TEST_F(CopyOnATransposingStaff, ANoteMovedIntoAnotherKeyKeepsItsWrittenPitch) {
    // A B-flat instrument: concert B-flat major is written in C major, G-flat major in A-flat.
    doc_.KeySignature(1, -2).KeySignature(2, -6).StaffTransposition(2, 0x0042);
    doc_.Layer(1, 1).Notes("C4 h, C4 h~ | C4 h, C4 h");
    doc_.Layer(2, 1).Notes("Eb4 h, Cb5 h | Db5 w"); // at concert pitch
    FCNoteEntryLayer before(0, 2, 1, 2);
    ASSERT_TRUE(before.Load());
    EXPECT_EQ(WrittenName(before.GetItemAt(1)->GetItemAt(0)), "Db5");
    EXPECT_EQ(WrittenName(before.GetItemAt(2)->GetItemAt(0)), "Eb5");
    const size_t callsBefore = Host().Calls().size();
    ASSERT_TRUE(CopyStaff(1, 1, 2, 2));
    for (size_t i = callsBefore; i < Host().Calls().size(); ++i)
        EXPECT_EQ(Host().Calls()[i].version, FINALEPDK_VERSION) << Host().Calls()[i].name;
    EXPECT_EQ(Describe(2, 1, 2), "Eb4 h, Cb5 h~ | Cb5 h, Db5 h");
    FCNoteEntryLayer after(0, 2, 1, 2);
    ASSERT_TRUE(after.Load());
    ASSERT_EQ(after.GetCount(), 4);
    const char* written[] = {"F4", "Db5", "Db5", "Eb5"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(WrittenName(after.GetItemAt(i)->GetItemAt(0)), written[i]) << i;
}

TEST_F(Copy, NotesInAKeyThatSaysNothingMoveAsTheyAre) {
    doc_.KeySignature(1, -2).KeyValue(2, 0x4002).KeySignature(3, 0);
    doc_.Layer(1, 3).Notes("C4 h, C4 h~ | C4 h, C4 h");
    doc_.Layer(2, 1).Notes("F4 h, Db5 h | Eb5 w");
    const EXENTRY held = Stored(2, 1, 1);
    ASSERT_TRUE(CopyStaff(1, 3, 4, 2, 1));
    const EXENTRY& moved = Stored(2, 2, 0);
    EXPECT_EQ(+moved.notes[0].displacement, +held.notes[0].displacement);
    EXPECT_EQ(+moved.notes[0].raiseLower, +held.notes[0].raiseLower);
    EXPECT_TRUE(Stored(2, 1, 1).notes[0].noteFlags & NOTE_TIE);
    // Notes on either side of such a key compare by their records: the same record is one held
    // note, another record another pitch.
    doc_.Layer(3, 1).Notes("G4 h, Bb4 h~ | Bb4 h, Bb4 h");
    EXPECT_EQ(EventsOf(3, 1, 2), 4); // B-flat major's Bb4 is not the record of the other key's
}

TEST_F(Copy, OnlyLayersWithTheSourceEventCountAreWritten) {
    doc_.Layer(1, 1).Notes("C4 h, D4 q, E4 q");
    doc_.Layer(2, 1, 0).Notes("C5 w");
    doc_.Layer(2, 1, 1).Notes("C5 q, D5 q~, D5 q, E5 q");
    doc_.Layer(3, 1, 0).Notes("F5 q, G5 q, r q, A5 q!3");
    doc_.Layer(3, 1, 1).Notes("F5 e, G5 e, A5 e, B5 e, C6 e, r h.");
    ASSERT_TRUE(SetSource(host::Region(1, 1, 1, 1)));
    EXPECT_EQ(CopyTo(host::Region(2, 3, 1, 1)), 1u);
    EXPECT_EQ(Describe(2, 1, 1, 0), "C5 w");
    EXPECT_EQ(Describe(2, 1, 1, 1), "C5 h, D5 q, E5 q"); // a tied chain was one event
    EXPECT_EQ(Describe(3, 1, 1, 0), "F5 h, G5 q, A5 q");
    EXPECT_EQ(Describe(3, 1, 1, 1), "F5 e, G5 e, A5 e, B5 e, C6 e, r h.");
}

TEST_F(Copy, TheSourceLayerIsNeverCopiedOntoItself) {
    doc_.Layer(1, 2).Notes("C4 q, D4 q, E4 h");
    doc_.Layer(1, 2, 2).Notes("G4 h, A4 h, B4 q");
    ASSERT_TRUE(SetSource(host::Region(1, 1, 2, 2)));
    const auto before = *host::StoredEntries(Doc(), 1, 2, 0);
    EXPECT_EQ(CopyTo(host::Region(1, 1, 2, 2)), 1u);
    const auto& after = *host::StoredEntries(Doc(), 1, 2, 0);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(std::memcmp(after.data(), before.data(), sizeof(EXENTRY) * before.size()), 0);
    EXPECT_EQ(Describe(1, 2, 2, 2), "G4 q, A4 q, B4 h");
}

TEST_F(Copy, AHiddenSourceLayerIsCopiedAndHiddenDestinationsAreNot) {
    doc_.HideLayer(0);
    doc_.Layer(1, 1).Notes("C4 q, D4 q, E4 h");
    doc_.Layer(2, 1, 0).Notes("F5 h, G5 h, A5 q"); // hidden: never written
    doc_.Layer(2, 1, 1).Notes("F5 w, G5 w, A5 w");
    ASSERT_TRUE(SetSource(host::Region(1, 1, 1, 1)));
    EXPECT_EQ(CopyTo(host::Region(2, 2, 1, 1)), 1u);
    EXPECT_EQ(Describe(2, 1, 1, 0), "F5 h, G5 h, A5 q");
    EXPECT_EQ(Describe(2, 1, 1, 1), "F5 q, G5 q, A5 h");
}

TEST_F(Copy, TupletsAndArticulationsComeFromTheSourceOnly) {
    doc_.Layer(1, 1).Notes("C4 e/3:2!1, D4 e, E4 e!2!3, F4 q/3:2e, G4 e!1, A4 h");
    doc_.Layer(2, 1).Notes("C5 q/3:2!7, D5 q, E5 q, F5 q!8, G5 w, A5 q");
    ASSERT_TRUE(SetSource(host::Region(1, 1, 1, 1)));
    EXPECT_EQ(CopyTo(host::Region(2, 2, 1, 1)), 1u);
    EXPECT_EQ(Describe(2, 1, 1), "C5 e/3:2!1, D5 e, E5 e!2!3, F5 q/3:2e, G5 e!1, A5 h");
    // Every detail record under the new entries is one the source has; nothing else is left.
    size_t details = 0;
    for (const EXENTRY& entry : *host::StoredEntries(Doc(), 2, 1, 0))
        details += host::DetailsOfEntry(Doc(), entry.entryNumber).size();
    EXPECT_EQ(details, 6u);
}

TEST_F(Copy, ASourceWithoutNotesIsRefused) {
    doc_.Layer(1, 1).Notes("r w | r w");
    doc_.Layer(1, 1, 1).Notes("C4 w"); // other layers of the source do not count
    doc_.Layer(2, 1).Notes("C5 w | D5 w");
    ASSERT_TRUE(SetSource(host::Region(1, 1, 1, 2)));
    EXPECT_EQ(CopyTo(host::Region(2, 2, 1, 2)), 0u);
    ExpectAlert("Source region didn't contain any notes in layer 1.");
    EXPECT_EQ(Describe(2, 1, 2), "C5 w | D5 w");
    EXPECT_EQ(source_is_set, 1); // COPY stays enabled
    EXPECT_EQ(Host().CountCalls("FX_SaveTGF"), 0);
}

TEST_F(Copy, RefusedRegionsLoadNothing) {
    doc_.Layer(1, 1).Notes("C4 w");
    ASSERT_TRUE(SetSource(host::Region(1, 1, 1, 1)));
    EXPECT_EQ(CopyTo(host::Region(2, 2, 1, 2)), 0u);
    ExpectAlert("The destination region must have the same number of measures as the source "
                "region.");
    EXPECT_EQ(Host().CountCalls("FX_LoadTGF"), 0);
}

TEST_F(Copy, MeasuresOfAnotherLengthAreRefusedAndNothingChanges) {
    // A pickup of one beat, then 4/4, 3/4, 4/4.
    doc_.TimeSignature(1, 1, 1024).TimeSignature(3, 3, 1024);
    doc_.Layer(1, 1).Notes("C4 q | C4 h, D4 h | E4 h.");
    doc_.Layer(2, 1).Notes("F5 q | G5 w | A5 h, B5 q | C6 w");
    doc_.Layer(3, 2).Notes("D5 w | F5 h, G5 q | A5 h, B5 h");
    const host::Document before = Doc();
    const char* refusal =
        "The destination measures must have the same lengths as the source measures.";

    // 4/4 and 3/4 onto 3/4 and 4/4.
    ASSERT_TRUE(SetSource(host::Region(1, 1, 2, 3)));
    EXPECT_EQ(CopyTo(host::Region(2, 3, 3, 4)), 0u);
    ExpectAlert(refusal);
    // The pickup onto a whole measure.
    ASSERT_TRUE(SetSource(host::Region(1, 1, 1, 1)));
    EXPECT_EQ(CopyTo(host::Region(2, 2, 2, 2)), 0u);
    ASSERT_EQ(Alerts().size(), 2u);
    EXPECT_EQ(Alerts()[1].text, refusal);
    EXPECT_EQ(Host().CountCalls("FX_LoadTGF"), 0);
    EXPECT_EQ(host::DescribeLayer(Doc(), 2, 1, 4), host::DescribeLayer(before, 2, 1, 4));
    EXPECT_EQ(host::DescribeLayer(Doc(), 3, 1, 4), host::DescribeLayer(before, 3, 1, 4));
    EXPECT_EQ(Host().CountCalls("FX_SaveTGF"), 0);
    EXPECT_EQ(source_is_set, 1);

    // Every destination staff is measured, each measure against the one it would receive.
    ASSERT_TRUE(SetSource(host::Region(1, 1, 2, 3)));
    const size_t callsBefore = Host().Calls().size();
    EXPECT_EQ(CopyTo(host::Region(2, 4, 2, 3)), 1u);
    std::set<std::vector<int64_t>> measured;
    for (size_t i = callsBefore; i < Host().Calls().size(); ++i)
        if (Host().Calls()[i].name == "FX_GetMeasureDuration")
            measured.insert(Host().Calls()[i].arguments);
    EXPECT_EQ(measured, (std::set<std::vector<int64_t>>{
                            {1, 2}, {1, 3}, {2, 2}, {2, 3}, {3, 2}, {3, 3}, {4, 2}, {4, 3}}));
    EXPECT_EQ(Describe(3, 2, 3), "D5 h, F5 h | G5 h.");
}

TEST_F(Copy, NothingHappensBeforeASourceIsSet) {
    doc_.Layer(1, 1).Notes("C4 w");
    doc_.Layer(2, 1).Notes("D4 w");
    EXPECT_EQ(CopyTo(host::Region(2, 2, 1, 1)), 0u);
    ExpectNoAlert();
    EXPECT_TRUE(Host().Calls().empty());
}

TEST_F(Copy, DestinationSlotsWithoutAStaffAreSkipped) {
    doc_.Layer(1, 1).Notes("C4 w");
    doc_.Layer(4, 1).Notes("D4 h, E4 h");
    doc_.Layer(3, 1).Notes("F4 q, G4 h.");
    ASSERT_TRUE(SetSource(host::Region(1, 1, 1, 1)));
    EXPECT_EQ(CopyTo(host::Region(3, 7, 1, 1)), 1u);
    EXPECT_EQ(Describe(3, 1, 1), "F4 q, G4 h.");
    EXPECT_EQ(Describe(4, 1, 1), "D4 h, E4 h");
}

TEST_F(Copy, StavesAreTakenThroughTheDestinationsInstrumentList) {
    doc_.InstrumentList(2, {4, 3});
    doc_.Layer(1, 1).Notes("C4 h, D4 h");
    doc_.Layer(4, 1).Notes("E5 q, F5 h.");
    doc_.Layer(3, 1).Notes("G5 w");
    ASSERT_TRUE(SetSource(host::Region(1, 1, 1, 1)));
    EXPECT_EQ(CopyTo(host::Region(1, 2, 1, 1, 0, EREGION_END_OF_MEASURE, 2)), 1u);
    EXPECT_EQ(Describe(4, 1, 1), "E5 h, F5 h");
    EXPECT_EQ(Describe(3, 1, 1), "G5 w");
}

// Failed writes ----------------------------------------------------------------------------------

TEST_F(Copy, ALayerTheHostDoesNotWriteIsNamedAndTheOthersAreCopied) {
    doc_.Layer(1, 1).Notes("C4 h, D4 h");
    doc_.Layer(2, 1).Notes("E5 w, F5 w");
    doc_.Layer(3, 1).Notes("G5 w, A5 w");
    doc_.Layer(3, 1, 2).Notes("B5 w, C6 w");
    ASSERT_TRUE(SetSource(host::Region(1, 1, 1, 1)));
    Host().FailNext("FX_SaveTGF"); // the first save of staff 2
    EXPECT_EQ(CopyTo(host::Region(2, 3, 1, 1)), 0u);
    ExpectAlert("The rhythm could not be written to staff 2 layer 1.");
    EXPECT_EQ(Describe(2, 1, 1), "E5 w, F5 w");
    EXPECT_EQ(Describe(3, 1, 1, 0), "G5 h, A5 h");
    EXPECT_EQ(Describe(3, 1, 1, 2), "B5 h, C6 h");
    EXPECT_EQ(source_is_set, 1);
}

TEST_F(Copy, ASecondSaveThatFailsIsReportedToo) {
    doc_.Layer(1, 1).Notes("C4 h/3:2q, D4 q, E4 h");
    doc_.Layer(2, 1, 3).Notes("E5 w, F5 w, G5 w");
    ASSERT_TRUE(SetSource(host::Region(1, 1, 1, 1)));
    // The first save numbers the new entries; the second, which carries the tuplet bit, fails.
    Host().FailCallNumber(PositionOfCall(host::Region(2, 2, 1, 1), "FX_SaveTGF", 2));
    EXPECT_EQ(CopyTo(host::Region(2, 2, 1, 1)), 0u);
    ExpectAlert("The rhythm could not be written to staff 2 layer 4.");
    EXPECT_EQ(Describe(2, 1, 1, 3), "E5 h/3:2q, F5 q, G5 h"); // the record went, the bit did not
    EXPECT_FALSE(Stored(2, 1, 0, 3).entryFlags & ENTRY_TUPLETSTART);
}

TEST_F(Copy, ALongListOfUnwrittenLayersIsCutCleanly) {
    doc_.Staves(36).MaxLayers(4);
    doc_.Layer(1, 1).Notes("C4 w");
    for (twobyte staff = 2; staff <= 40; ++staff)
        for (twobyte layer = 0; layer < 4; ++layer)
            doc_.Layer(staff, 1, layer).Notes("D5 w");
    ASSERT_TRUE(SetSource(host::Region(1, 1, 1, 1)));
    Host().FailAlways("FX_SaveTGF");
    EXPECT_EQ(CopyTo(host::Region(2, 40, 1, 1)), 0u);
    ASSERT_EQ(Alerts().size(), 1u);
    const std::string& text = Alerts()[0].text;
    EXPECT_LT(text.size(), CADENTRA_MESSAGE_SIZE);
    EXPECT_GT(text.size(), CADENTRA_MESSAGE_SIZE - 40);
    EXPECT_EQ(text.rfind("The rhythm could not be written to staff 2 layer 1, staff 2 layer 2", 0),
              0u);
    EXPECT_EQ(text.substr(text.size() - 4), " ...");
    EXPECT_NE(text[text.size() - 5], ','); // cut after a whole item
    EXPECT_EQ(Describe(40, 1, 1, 3), "D5 w");
}

TEST_F(Copy, ADestinationThatCannotBeClonedIsReported) {
    doc_.Layer(1, 1).Notes("C4 h, D4 h");
    doc_.Layer(2, 1).Notes("E5 w, F5 w");
    doc_.Layer(3, 1).Notes("G5 w, A5 w");
    ASSERT_TRUE(SetSource(host::Region(1, 1, 1, 1)));
    // Loads: the source, staff 2's layer, then the clone's destination frame.
    Host().FailCallNumber(PositionOfCall(host::Region(2, 3, 1, 1), "FX_LoadTGF", 3));
    EXPECT_EQ(CopyTo(host::Region(2, 3, 1, 1)), 0u);
    ExpectAlert("The rhythm could not be written to staff 2 layer 1.");
    EXPECT_EQ(Describe(2, 1, 1), "E5 w, F5 w");
    EXPECT_EQ(Describe(3, 1, 1), "G5 h, A5 h");
}

TEST_F(Copy, AHostThatDoesNotMakeRoomLeavesTheDestinationAsItWas) {
    doc_.Layer(1, 1).Notes("C4 h, D4 h");
    doc_.Layer(2, 1).Notes("E5 w, F5 w");
    ASSERT_TRUE(SetSource(host::Region(1, 1, 1, 1)));
    Host().FailAlways("FX_InsertEXENTRY"); // the destination frame was emptied, not refilled
    EXPECT_EQ(CopyTo(host::Region(2, 2, 1, 1)), 0u);
    ExpectAlert("The rhythm could not be written to staff 2 layer 1.");
    EXPECT_EQ(Describe(2, 1, 1), "E5 w, F5 w");
    Host().ClearFaults();
    Host().FailAlways("FX_DeleteEXENTRY"); // the old entries could not be taken out
    EXPECT_EQ(CopyTo(host::Region(2, 2, 1, 1)), 0u);
    EXPECT_EQ(Describe(2, 1, 1), "E5 w, F5 w");
}

TEST_F(Copy, ADestinationOverlappingTheSourceKeepsTheSourceArticulations) {
    doc_.Layer(1, 1).Notes("C4 h!1, D4 h | E4 h!2, F4 h!3 | G4 h, A4 h");
    ASSERT_TRUE(SetSource(host::Region(1, 1, 1, 2)));
    // Measures 2 and 3 take the rhythm of measures 1 and 2: saving measure 2 replaces source
    // entries whose articulations are still to be copied into measure 3.
    EXPECT_EQ(CopyTo(host::Region(1, 1, 2, 3)), 1u);
    EXPECT_EQ(Describe(1, 1, 3), "C4 h!1, D4 h | E4 h!1, F4 h | G4 h!2, A4 h!3");
}

} // namespace
