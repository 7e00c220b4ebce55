#include "finalepdk/FinaleBinding.h"
#include "finalepdk/FrameTransport.h"
#include "support/HostFixture.h"

#include <cstring>
#include <functional>

// Fields of the packed wire records are read with a unary + so that the test macros, which bind
// references, get a value rather than a misaligned reference.

namespace {

/// A frame of the caller's own, for clean-ups that need no host.
struct LocalFrame {
    std::vector<EXENTRY> entries;
    EXTGF2005a header{};

    explicit LocalFrame(size_t count) : entries(count) { Refresh(); }
    void Refresh() {
        header.entries = entries.empty() ? nullptr : entries.data();
        header.entryCount = static_cast<twobyte>(entries.size());
    }
    EXENTRY& operator[](size_t i) { return entries[i]; }
};

void SetNotes(EXENTRY& entry, std::initializer_list<twobyte> ids) {
    entry.entryFlags = ENTRY_INUSE | ENTRY_NOTE;
    entry.noteCount = static_cast<twobyte>(ids.size());
    int i = 0;
    for (twobyte id : ids) {
        entry.notes[i].displacement = static_cast<twobyte>(i * 2);
        entry.notes[i].noteID = id;
        entry.notes[i].noteFlags = NOTE_INUSE;
        ++i;
    }
}

bool IsZero(const EXNOTE& note) {
    static const EXNOTE zero{};
    return std::memcmp(&note, &zero, sizeof zero) == 0;
}

TEST(CleanTGF, RenumbersZeroAndRepeatedIDsAndCopiesThemIntoTheFlags) {
    LocalFrame frame(1);
    SetNotes(frame[0], {3, 3, 0});
    frame[0].notes[1].noteFlags |= NOTE_TIE | 0x001F0000; // stale ID bits are replaced
    CleanTGF(&frame.header);

    EXPECT_EQ(+frame[0].notes[0].noteID, 4);
    EXPECT_EQ(+frame[0].notes[1].noteID, 3);
    EXPECT_EQ(+frame[0].notes[2].noteID, 5);
    EXPECT_EQ(+frame[0].notes[0].noteFlags, NOTE_INUSE | 0x00040000u);
    EXPECT_EQ(+frame[0].notes[1].noteFlags, NOTE_INUSE | NOTE_TIE | 0x00030000u);
    EXPECT_EQ(+frame[0].notes[2].noteFlags, NOTE_INUSE | 0x00050000u);
}

TEST(CleanTGF, KeepsOnlyTheLowFiveBitsOfAnIDInTheFlags) {
    LocalFrame frame(1);
    SetNotes(frame[0], {33});
    CleanTGF(&frame.header);
    EXPECT_EQ(+frame[0].notes[0].noteID, 33);
    EXPECT_EQ(+frame[0].notes[0].noteFlags, NOTE_INUSE | 0x00010000u);
}

TEST(CleanTGF, ZeroesTheNoteRecordsBehindTheCountAndKeepsAFullEntry) {
    LocalFrame frame(2);
    SetNotes(frame[0], {1, 2, 3});
    for (int i = 3; i < EXENTRY_MAXNOTES; ++i) {
        frame[0].notes[i].displacement = 9;
        frame[0].notes[i].noteID = static_cast<twobyte>(40 + i);
        frame[0].notes[i].noteFlags = 0xFFFFFFFF;
    }
    SetNotes(frame[1], {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    CleanTGF(&frame.header);

    for (int i = 3; i < EXENTRY_MAXNOTES; ++i)
        EXPECT_TRUE(IsZero(frame[0].notes[i])) << i;
    EXPECT_EQ(+frame[0].noteCount, 3);
    EXPECT_EQ(+frame[1].noteCount, 12);
    for (int i = 0; i < EXENTRY_MAXNOTES; ++i) {
        EXPECT_EQ(+frame[1].notes[i].noteID, i + 1);
        EXPECT_EQ(+frame[1].notes[i].displacement, i * 2);
    }
}

TEST(CleanTGF, GivesARestAPlaceholderAndRenumbersItOnASecondCleanUp) {
    LocalFrame frame(1);
    frame[0].entryFlags = ENTRY_INUSE;
    frame[0].duration = 1024;
    CleanTGF(&frame.header);
    EXPECT_EQ(+frame[0].noteCount, 1);
    EXPECT_EQ(+frame[0].entryFlags, ENTRY_INUSE | ENTRY_PLACEHOLDERREST);
    EXPECT_EQ(+frame[0].notes[0].noteFlags, NOTE_INUSE);
    EXPECT_EQ(+frame[0].notes[0].noteID, 0);
    EXPECT_EQ(+frame[0].notes[0].displacement, 0);

    CleanTGF(&frame.header);
    EXPECT_EQ(+frame[0].noteCount, 1);
    EXPECT_EQ(+frame[0].notes[0].noteID, 1);
    EXPECT_EQ(+frame[0].notes[0].noteFlags, 0x80010000u);
}

TEST(CleanTGF, LeavesCleanEntriesAndEveryOtherFieldAlone) {
    LocalFrame frame(2);
    SetNotes(frame[0], {2, 1});
    frame[0].entryNumber = 77;
    frame[0].duration = 1536;
    frame[0].entryFlags |= ENTRY_TUPLETSTART | ENTRY_ARTICULATION;
    frame[0].entryFlags2 = 0x0020;
    frame[0].elapsedTime = 512;
    frame[0].clefIndex = 3;
    frame[0].reserved6[0] = 0xAB;
    frame[0].reserved140[3] = 0xCD;
    SetNotes(frame[1], {5});
    CleanTGF(&frame.header);
    const std::vector<EXENTRY> once = frame.entries;
    CleanTGF(&frame.header);
    EXPECT_EQ(std::memcmp(once.data(), frame.entries.data(), sizeof(EXENTRY) * 2), 0);

    EXPECT_EQ(+frame[0].entryNumber, 77);
    EXPECT_EQ(+frame[0].duration, 1536);
    EXPECT_EQ(+frame[0].entryFlags,
              ENTRY_INUSE | ENTRY_NOTE | ENTRY_TUPLETSTART | ENTRY_ARTICULATION);
    EXPECT_EQ(+frame[0].entryFlags2, 0x0020);
    EXPECT_EQ(+frame[0].elapsedTime, 512);
    EXPECT_EQ(+frame[0].clefIndex, 3);
    EXPECT_EQ(+frame[0].reserved6[0], 0xAB);
    EXPECT_EQ(+frame[0].reserved140[3], 0xCD);
    EXPECT_EQ(+frame[0].notes[0].noteID, 2);
    EXPECT_EQ(+frame[0].notes[1].noteID, 1);
}

TEST(CleanTGF, BringsAnImpossibleNoteCountIntoRangeAndIgnoresEmptyFrames) {
    LocalFrame frame(2);
    SetNotes(frame[0], {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    frame[0].noteCount = 40;
    frame[1].noteCount = -3;
    CleanTGF(&frame.header);
    EXPECT_EQ(+frame[0].noteCount, 12);
    EXPECT_EQ(+frame[1].noteCount, 1); // now a rest with its placeholder
    EXPECT_TRUE(frame[1].entryFlags & ENTRY_PLACEHOLDERREST);

    CleanTGF(nullptr);
    LocalFrame empty(0);
    CleanTGF(&empty.header);
    EXPECT_EQ(+empty.header.entryCount, 0);
}

// Through the stand-in host ---------------------------------------------------------------------

class FrameTransport : public testing_support::HostTest {
protected:
    FrameTransport() {
        doc_.Staves(2).Measures(2);
        doc_.Layer(1, 1).Notes("C4 q, D4+F4 q, r h");
    }
    void TearDown() override {
        EXPECT_EQ(Host().Frames().LiveCount(), 0);
        EXPECT_EQ(Host().Frames().BadFrees(), 0);
        ExpectEveryCallPassedFrameworkVersion();
    }
    /// Loads the frame of staff 1, measure 1, layer 1 and spoils its first entry's note IDs.
    EXTGF2005a* LoadSpoiled() {
        EXTGF2005a* frame = FX_LoadTGF(0, 1, 1, 0, 1, FINALEPDK_VERSION);
        frame->entries[1].notes[0].noteID = 2;
        frame->entries[1].notes[1].noteID = 2;
        return frame;
    }

    host::DocumentBuilder doc_ = NewDocument();
};

TEST_F(FrameTransport, CleansBeforeEveryCallThatHandsEntriesToTheHost) {
    const std::vector<std::pair<const char*, std::function<void(EXTGF2005a*)>>> calls = {
        {"save", [](EXTGF2005a* f) { FX_SaveTGF(f, FINALEPDK_VERSION); }},
        {"insert", [](EXTGF2005a* f) { FX_InsertEXENTRY(f, 0, 1, FINALEPDK_VERSION); }},
        {"delete", [](EXTGF2005a* f) { FX_DeleteEXENTRY(f, 0, 0, FINALEPDK_VERSION); }},
        {"reduce", [](EXTGF2005a* f) { FX_ReduceEntries(f, FINALEPDK_VERSION); }},
    };
    for (const auto& [name, call] : calls) {
        EXTGF2005a* frame = LoadSpoiled();
        call(frame);
        const EXENTRY& chord = frame->entries[frame->entryCount - 2];
        EXPECT_EQ(+chord.notes[0].noteID, 3) << name;
        EXPECT_EQ(+chord.notes[1].noteID, 2) << name;
        const EXENTRY& rest = frame->entries[frame->entryCount - 1];
        EXPECT_EQ(+rest.noteCount, 1) << name;
        FX_FreeTGF(frame, FINALEPDK_VERSION);
    }
}

TEST_F(FrameTransport, ARestReachesTheHostWithItsPlaceholder) {
    EXTGF2005a* frame = FX_LoadTGF(0, 1, 1, 0, 1, FINALEPDK_VERSION);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(+frame->entries[2].noteCount, 0);
    EXPECT_NE(FX_SaveTGF(frame, FINALEPDK_VERSION), 0);
    FX_FreeTGF(frame, FINALEPDK_VERSION);

    const EXENTRY& stored = host::StoredEntries(doc_.Built(), 1, 1, 0)->at(2);
    EXPECT_EQ(+stored.noteCount, 1);
    EXPECT_EQ(+stored.entryFlags, ENTRY_INUSE | ENTRY_PLACEHOLDERREST);
    EXPECT_EQ(+stored.notes[0].noteFlags, NOTE_INUSE);
    EXPECT_EQ(+stored.notes[0].noteID, 0);
    EXPECT_EQ(+stored.notes[0].displacement, 0);
    EXPECT_EQ(+stored.notes[0].raiseLower, 0);
}

TEST_F(FrameTransport, InsertingAtTheEndAppends) {
    EXTGF2005a* frame = FX_LoadTGF(0, 1, 1, 0, 1, FINALEPDK_VERSION);
    const fourbyte first = frame->entries[0].entryNumber;
    const fourbyte last = frame->entries[2].entryNumber;
    ASSERT_NE(FX_InsertEXENTRY(frame, frame->entryCount, 2, FINALEPDK_VERSION), 0);
    ASSERT_EQ(+frame->entryCount, 5);
    EXPECT_EQ(+frame->entries[0].entryNumber, first);
    EXPECT_EQ(+frame->entries[2].entryNumber, last);
    EXPECT_EQ(+frame->entries[3].entryNumber, 0);
    EXPECT_EQ(+frame->entries[4].entryNumber, 0);
    EXPECT_EQ(+frame->entries[4].duration, 0);
    FX_FreeTGF(frame, FINALEPDK_VERSION);
}

TEST_F(FrameTransport, CountsEveryRequestedFrameUntilItIsFreed) {
    const fourbyte before = LoadedTGFCounter;
    EXTGF2005a* frame = FX_LoadTGF(0, 1, 1, 0, 1, FINALEPDK_VERSION);
    EXPECT_EQ(LoadedTGFCounter, before + 1);
    EXPECT_EQ(FX_LoadTGF(0, 1, 9, 0, 1, FINALEPDK_VERSION), nullptr); // no measure 9
    EXPECT_EQ(LoadedTGFCounter, before + 2);
    FX_FreeTGF(frame, FINALEPDK_VERSION);
    EXPECT_EQ(LoadedTGFCounter, before + 1); // the request that delivered nothing stays counted
}

TEST_F(FrameTransport, AFailedSaveIsReportedAndTheFrameStaysOwned) {
    EXTGF2005a* frame = FX_LoadTGF(0, 1, 1, 0, 1, FINALEPDK_VERSION);
    frame->entries[0].duration = 2048;
    Host().FailNext("FX_SaveTGF");
    EXPECT_EQ(FX_SaveTGF(frame, FINALEPDK_VERSION), 0);
    EXPECT_EQ(host::DescribeLayer(doc_.Built(), 1, 1, 1), "C4 q, D4+F4 q, r h");
    EXPECT_NE(FX_SaveTGF(frame, FINALEPDK_VERSION), 0);
    EXPECT_EQ(host::DescribeLayer(doc_.Built(), 1, 1, 1), "C4 h, D4+F4 q, r h");
    FX_FreeTGF(frame, FINALEPDK_VERSION);
}

} // namespace
