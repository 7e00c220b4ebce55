// Frames holding what no sane document holds: note IDs at the ends of their range, tuplet
// definitions whose spans and ratios overflow. The clean-up still leaves distinct IDs and the host
// still times the frame.
#include "finalepdk/FinaleBinding.h"
#include "finalepdk/FrameTransport.h"
#include "host/Builder.h"
#include "host/EntryDetails.h"
#include "support/FrameFixture.h"

#include <climits>
#include <cstring>
#include <set>
#include <vector>

// Fields of the packed wire records are read with a unary + so that the test macros, which bind
// references, get a value rather than a misaligned reference.

namespace {

TEST(HostileFrames, RenumberedNoteIDsStayDistinctWhereTheyWouldWrap) {
    std::vector<EXENTRY> entries(2);
    const twobyte ids[2][4] = {{32767, -32768, 0, 0}, {-1, 32767, 32767, -32767}};
    for (size_t e = 0; e < entries.size(); ++e) {
        entries[e].entryFlags = ENTRY_INUSE | ENTRY_NOTE;
        entries[e].noteCount = 4;
        for (int n = 0; n < 4; ++n)
            entries[e].notes[n].noteID = ids[e][n];
    }
    EXTGF2005a frame{};
    frame.entries = entries.data();
    frame.entryCount = 2;
    CleanTGF(&frame);
    for (const EXENTRY& entry : entries) {
        std::set<twobyte> seen;
        for (int n = 0; n < 4; ++n) {
            const twobyte id = entry.notes[n].noteID;
            EXPECT_NE(id, 0);
            EXPECT_TRUE(seen.insert(id).second) << "note " << n << " repeats ID " << id;
            EXPECT_EQ(entry.notes[n].noteFlags & NOTE_IDBITS,
                      (static_cast<ufourbyte>(id) << NOTE_IDBITS_SHIFT) & NOTE_IDBITS);
        }
    }
    // Where nothing wraps, the highest ID is counted on as always.
    EXPECT_EQ(+entries[0].notes[0].noteID, 32767);
    EXPECT_EQ(+entries[0].notes[1].noteID, -32768);
}

class HostileTuplets : public testing_support::FrameTest {};

TEST_F(HostileTuplets, AnOverflowingTupletDefinitionStillTimesTheFrame) {
    auto doc = NewDocument().Staves(1).Measures(1);
    doc.Layer(1, 1).Notes("C4 q, D4 q, E4 q, F4 q");
    const std::vector<EXENTRY>& stored = *host::StoredEntries(doc.Built(), 1, 1, 0);
    // Ten thousand units of INT_MAX, and a reference that dwarfs any measure.
    std::vector<unsigned char> tuplet(sizeof(EDTTuplet2005), 0);
    const twobyte number = 10000;
    const fourbyte huge = INT_MAX;
    std::memcpy(tuplet.data() + 0, &number, sizeof number);
    std::memcpy(tuplet.data() + 2, &huge, sizeof huge);
    std::memcpy(tuplet.data() + 6, &number, sizeof number);
    std::memcpy(tuplet.data() + 10, &huge, sizeof huge);
    doc.DetailRecord(host::TAG_TUPLET, stored[0].entryNumber, 0, tuplet);
    // A unit of one reaching over a reference of INT_MAX multiplies durations past any position.
    const twobyte one = 1;
    const fourbyte unit = 1;
    std::memcpy(tuplet.data() + 0, &one, sizeof one);
    std::memcpy(tuplet.data() + 2, &unit, sizeof unit);
    std::memcpy(tuplet.data() + 6, &number, sizeof number);
    doc.DetailRecord(host::TAG_TUPLET, stored[1].entryNumber, 0, tuplet);

    EXTGF2005a* frame = FX_LoadTGF(0, 1, 1, 0, 1, FINALEPDK_VERSION);
    ASSERT_NE(frame, nullptr);
    ASSERT_EQ(frame->entryCount, 4);
    EXPECT_EQ(+frame->entries[1].elapsedTime, 1024); // the first tuplet is malformed: no change
    EXPECT_EQ(+frame->entries[2].elapsedTime, INT_MAX);
    EXPECT_EQ(FX_GetTGFDuration(frame, FINALEPDK_VERSION), INT_MAX);
    FX_FreeTGF(frame, FINALEPDK_VERSION);
}

} // namespace
