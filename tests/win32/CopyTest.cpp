// COPY end to end in the real DLL: a source with a tie, a triplet, articulations and a rest laid
// onto several staves of chords and single notes, read back entry by entry from the host
// document that FINALE.EXE keeps.
#include "win32/PluginFixture.h"

#include "host/EntryDetails.h"

#include <cstring>
#include <string>
#include <vector>

// Fields of the packed wire records are read with a unary + so that the test macros, which bind
// references, get a value rather than a misaligned reference.

namespace win32_testing {
namespace {

class Copy : public PluginTest {
protected:
    std::string Describe(twobyte staff, twobyte from, twobyte to, twobyte layer = 0) {
        return host::DescribeLayer(*Host().Current(), staff, from, to, layer);
    }
    const std::vector<EXENTRY>& Stored(twobyte staff, twobyte measure, twobyte layer = 0) {
        static const std::vector<EXENTRY> none;
        const std::vector<EXENTRY>* entries =
            host::StoredEntries(*Host().Current(), staff, measure, layer);
        return entries ? *entries : none;
    }
};

constexpr const char* SOURCE = "C4 q, D4 q~, D4 q, E4 q!5 | F4 e/3:2, G4 e, A4 e!7, r q, B4 h";

TEST_F(Copy, LaysTheSourceRhythmOntoSeveralStaves) {
    host::DocumentBuilder doc = NewDocument().Staves(4).Measures(4);
    doc.Layer(1, 1).Notes(SOURCE);
    // Seven events each, but staff 3's layer 1, which has five and is left alone.
    doc.Layer(2, 3).Notes("G5+B5 h, F5 h | E5 q, D5 q, C5 q, B4 e, A4 e");
    doc.Layer(3, 3).Notes("C5 h, D5 h | E5 w~ | E5 h, F5 h");
    doc.Layer(3, 3, 1).Notes("A3 q/3:2, B3 q, C4 q!9, D4 h | E4 q, F4 q, G4 h");
    doc.Layer(4, 3).Notes("C4+E4+G4 h, r h | D4 q, E4 q, F4+A4 e, G4 e, A4 e, B4 e");
    host::Document& document = doc.Built();

    doc.Select(host::Region(1, 1, 1, 2));
    ASSERT_EQ(Invoke(ITEM_SETSOURCE), 0u);
    ASSERT_TRUE(Plugin().Alerts().empty());
    const fourbyte firstNewNumber = document.nextEntryNumber;
    std::vector<fourbyte> replaced;
    for (twobyte staff : {2, 4})
        for (twobyte measure : {3, 4})
            for (const EXENTRY& entry : Stored(staff, measure))
                replaced.push_back(entry.entryNumber);
    for (twobyte measure : {3, 4})
        for (const EXENTRY& entry : Stored(3, measure, 1))
            replaced.push_back(entry.entryNumber);
    const std::string untouchedLayer = Describe(3, 3, 5);
    Host().ClearCalls();

    doc.Select(host::Region(2, 4, 3, 4));
    EXPECT_EQ(Invoke(ITEM_COPY), 1u);
    EXPECT_TRUE(Plugin().Alerts().empty());

    EXPECT_EQ(Describe(2, 3, 4),
              "G5+B5 q, F5 q~, F5 q, E5 q!5 | D5 e/3:2, C5 e, B4 e!7, r q, A4 h");
    EXPECT_EQ(Describe(3, 3, 4, 1),
              "A3 q, B3 q~, B3 q, C4 q!5 | D4 e/3:2, E4 e, F4 e!7, r q, G4 h");
    EXPECT_EQ(Describe(4, 3, 4),
              "C4+E4+G4 q, D4 q~, D4 q, E4 q!5 | F4+A4 e/3:2, G4 e, A4 e!7, r q, B4 h");
    EXPECT_EQ(Describe(3, 3, 5), untouchedLayer);
    EXPECT_EQ(Describe(1, 1, 2), SOURCE);

    // Entry by entry on staff 4: new host numbers, the source's durations, ties, tuplet and
    // articulation bits, the destination's note records.
    const std::vector<EXENTRY>& bar3 = Stored(4, 3);
    const std::vector<EXENTRY>& bar4 = Stored(4, 4);
    ASSERT_EQ(bar3.size(), 4u);
    ASSERT_EQ(bar4.size(), 5u);
    for (const auto* bar : {&bar3, &bar4})
        for (const EXENTRY& entry : *bar)
            EXPECT_GE(+entry.entryNumber, firstNewNumber);

    EXPECT_EQ(+bar3[0].duration, 1024);
    EXPECT_EQ(+bar3[0].entryFlags, ENTRY_INUSE | ENTRY_NOTE);
    ASSERT_EQ(+bar3[0].noteCount, 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(+bar3[0].notes[i].noteID, i + 1);
        EXPECT_EQ(bar3[0].notes[i].noteFlags & NOTE_TIE, 0u);
        EXPECT_EQ(+bar3[0].notes[i].displacement, 2 * i); // C4, E4, G4
    }

    // The tied chain: both entries carry D4, the tie only on the first.
    EXPECT_EQ(+bar3[1].notes[0].displacement, 1);
    EXPECT_EQ(+bar3[2].notes[0].displacement, 1);
    EXPECT_NE(bar3[1].notes[0].noteFlags & NOTE_TIE, 0u);
    EXPECT_EQ(bar3[2].notes[0].noteFlags & NOTE_TIE, 0u);
    EXPECT_EQ(+bar3[3].entryFlags, ENTRY_INUSE | ENTRY_NOTE | ENTRY_ARTICULATION);

    // The triplet of eighths starts on the chord F4+A4.
    EXPECT_EQ(+bar4[0].entryFlags, ENTRY_INUSE | ENTRY_NOTE | ENTRY_TUPLETSTART);
    EXPECT_EQ(+bar4[0].noteCount, 2);
    EXPECT_EQ(+bar4[0].duration, 512);
    EXPECT_EQ(+bar4[2].entryFlags, ENTRY_INUSE | ENTRY_NOTE | ENTRY_ARTICULATION);
    EXPECT_EQ(+bar4[1].duration, 512);
    EXPECT_EQ(bar4[1].entryFlags & ENTRY_TUPLETSTART, 0u);
    EXPECT_EQ(+bar4[3].entryFlags & ENTRY_NOTE, 0u); // the rest
    EXPECT_EQ(+bar4[3].duration, 1024);
    EXPECT_EQ(+bar4[4].duration, 2048);

    // Details live under the new numbers: one tuplet, one articulation each; the replaced
    // entries took theirs with them (staff 3 layer 1 had a triplet and an articulation).
    const host::RecordStore tuplet = host::DetailsOfEntry(document, bar4[0].entryNumber);
    ASSERT_EQ(tuplet.size(), 1u);
    EXPECT_EQ(tuplet.begin()->first.tag, host::TAG_TUPLET);
    const host::RecordStore articulation = host::DetailsOfEntry(document, bar3[3].entryNumber);
    ASSERT_EQ(articulation.size(), 1u);
    EXPECT_EQ(articulation.begin()->first.tag, host::TAG_ARTICULATION);
    for (fourbyte number : replaced)
        EXPECT_TRUE(host::DetailsOfEntry(document, number).empty());

    // Every frame the plug-in asked for was delivered and freed once.
    EXPECT_GT(Host().Frames().LoadedCount(), 0);
    EXPECT_EQ(Host().CountCalls("FX_LoadTGF"), Host().Frames().LoadedCount());
    EXPECT_EQ(Host().CountCalls("FX_FreeTGF"), Host().Frames().LoadedCount());
    EXPECT_EQ(Host().Frames().LiveCount(), 0);
    EXPECT_GT(Host().CountCalls("FX_SaveTGF"), 0);
    // COPY stays enabled for the next destination.
    EXPECT_EQ(Plugin().GetMenuStatus(ITEM_COPY), 1u);
}

TEST_F(Copy, ASourceWithoutNotesIsRefused) {
    host::DocumentBuilder doc = NewDocument().Staves(2).Measures(2);
    doc.Layer(1, 1).Notes("r w | r h, r h");
    doc.Layer(2, 1).Notes("C5 w | D5 w");
    doc.Select(host::Region(1, 1, 1, 2));
    ASSERT_EQ(Invoke(ITEM_SETSOURCE), 0u);
    const std::string before = Describe(2, 1, 2);

    doc.Select(host::Region(2, 2, 1, 2));
    EXPECT_EQ(Invoke(ITEM_COPY), 0u);
    ASSERT_EQ(Plugin().Alerts().size(), 1u);
    EXPECT_EQ(Plugin().Alerts()[0].text, "Source region didn't contain any notes in layer 1.");
    EXPECT_EQ(Plugin().Alerts()[0].caption, "ZQ Cadentra Error");
    EXPECT_EQ(Plugin().Alerts()[0].style, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(Describe(2, 1, 2), before);
    EXPECT_EQ(Host().CountCalls("FX_SaveTGF"), 0);
}

TEST_F(Copy, ASourceRecordedInAnotherDocumentWorksAgainWhenItIsCurrent) {
    host::DocumentBuilder first = NewDocument().Staves(2).Measures(1);
    first.Layer(1, 1).Notes("C4 h, D4 h");
    first.Layer(2, 1).Notes("E5 q, F5 h.");
    first.Select(host::Region(1, 1, 1, 1));
    ASSERT_EQ(Invoke(ITEM_SETSOURCE), 0u);

    NewDocument().Staves(2).Measures(1).Select(host::Region(2, 2, 1, 1));
    EXPECT_EQ(Invoke(ITEM_COPY), 0u);
    ASSERT_EQ(Plugin().Alerts().size(), 1u);
    EXPECT_EQ(Plugin().Alerts()[0].text, "The source region must belong to the current document.");

    ASSERT_TRUE(Host().SetCurrent(first.Built().number));
    first.Select(host::Region(2, 2, 1, 1));
    EXPECT_EQ(Invoke(ITEM_COPY), 1u);
    EXPECT_EQ(Plugin().Alerts().size(), 1u);
    EXPECT_EQ(Describe(2, 1, 1), "E5 h, F5 h");
}

} // namespace
} // namespace win32_testing
