// Fuzzes the frame clean-up and the frame transport on arbitrary frames: any note counts, note
// IDs, flags, durations and tuplet records.
//
// First the clean-up runs on a frame of arbitrary entries and each entry is checked against its
// original: note count brought into 1..12 (a rest gets a placeholder record), note IDs non-zero and
// distinct with their low five bits copied into the note flags, records behind the count zeroed,
// nothing else changed. Then the transport runs against the stand-in host over a document that
// already holds arbitrary entries and tuplet records: frames are loaded, edited in place with
// arbitrary bytes, grown and shrunk at arbitrary positions (valid or not), saved, reduced, measured
// and freed in arbitrary order, with host calls failing at arbitrary points. Every frame the host
// hands out is freed exactly once, and what a save stores is the cleaned frame.
#include "finalepdk/FinaleBinding.h"
#include "finalepdk/FrameTransport.h"
#include "host/Builder.h"
#include "host/EntryDetails.h"
#include "host/Frames.h"

#include "support/FuzzHost.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <vector>

namespace {

constexpr int MAX_ENTRIES = 24;
constexpr int MAX_OPERATIONS = 40;
constexpr int MAX_FRAMES = 4;
constexpr twobyte STAVES = 2;
constexpr twobyte MEASURES = 2;

EXENTRY ArbitraryEntry(FuzzedDataProvider& data) {
    EXENTRY entry;
    std::vector<unsigned char> bytes = data.ConsumeBytes<unsigned char>(sizeof entry);
    bytes.resize(sizeof entry, 0);
    std::memcpy(static_cast<void*>(&entry), bytes.data(), sizeof entry);
    // Note counts and IDs near the interesting values more often than chance would give.
    if (data.ConsumeBool()) entry.noteCount = data.ConsumeIntegralInRange<twobyte>(-2, 14);
    if (data.ConsumeBool())
        for (EXNOTE& note : entry.notes)
            note.noteID = data.ConsumeIntegralInRange<twobyte>(0, 4);
    return entry;
}

bool SameBytes(const void* a, const void* b, size_t size) {
    return std::memcmp(a, b, size) == 0;
}

/// Checks one cleaned entry against the entry it was before the clean-up.
void CheckCleaned(const EXENTRY& before, const EXENTRY& after) {
    const int count = std::clamp<int>(before.noteCount, 0, EXENTRY_MAXNOTES);
    // The entry's own fields other than the note count and flags are untouched.
    FUZZ_REQUIRE(after.entryNumber == before.entryNumber && after.duration == before.duration &&
                 after.entryFlags2 == before.entryFlags2 &&
                 after.elapsedTime == before.elapsedTime && after.clefIndex == before.clefIndex);
    FUZZ_REQUIRE(SameBytes(before.reserved6, after.reserved6, sizeof before.reserved6));
    FUZZ_REQUIRE(SameBytes(before.reserved140, after.reserved140, sizeof before.reserved140));

    if (count == 0) {
        FUZZ_REQUIRE(after.noteCount == 1);
        FUZZ_REQUIRE(after.entryFlags == (before.entryFlags | ENTRY_PLACEHOLDERREST));
        EXNOTE placeholder{};
        placeholder.noteFlags = NOTE_INUSE;
        FUZZ_REQUIRE(SameBytes(&after.notes[0], &placeholder, sizeof placeholder));
    } else {
        FUZZ_REQUIRE(after.noteCount == count);
        FUZZ_REQUIRE(after.entryFlags == before.entryFlags);
    }
    const int kept = count == 0 ? 1 : count;

    std::set<twobyte> ids;
    int top = 0;
    for (int l = 0; l < count; ++l)
        top = std::max<int>(top, before.notes[l].noteID);
    for (int l = 0; l < count; ++l) {
        const EXNOTE& was = before.notes[l];
        const EXNOTE& is = after.notes[l];
        FUZZ_REQUIRE(is.displacement == was.displacement && is.raiseLower == was.raiseLower);
        FUZZ_REQUIRE((is.noteFlags & ~NOTE_IDBITS) == (was.noteFlags & ~NOTE_IDBITS));
        FUZZ_REQUIRE((is.noteFlags & NOTE_IDBITS) ==
                     ((static_cast<ufourbyte>(is.noteID) << NOTE_IDBITS_SHIFT) & NOTE_IDBITS));
        FUZZ_REQUIRE(is.noteID != 0);
        FUZZ_REQUIRE(ids.insert(is.noteID).second); // distinct within the entry
        // An ID that was already unique and non-zero stays (when renumbering cannot wrap).
        bool unique = was.noteID != 0;
        for (int m = 0; m < count && unique; ++m)
            unique = m == l || before.notes[m].noteID != was.noteID;
        if (unique && top + count <= INT16_MAX) FUZZ_REQUIRE(is.noteID == was.noteID);
    }
    for (int l = kept; l < EXENTRY_MAXNOTES; ++l) {
        const EXNOTE zero{};
        FUZZ_REQUIRE(SameBytes(&after.notes[l], &zero, sizeof zero));
    }
}

void FuzzCleanUp(FuzzedDataProvider& data) {
    const int count = data.ConsumeIntegralInRange(0, MAX_ENTRIES);
    std::vector<EXENTRY> original;
    for (int i = 0; i < count; ++i)
        original.push_back(ArbitraryEntry(data));
    // The entries on the heap at exactly their size, so that the clean-up cannot run past them.
    auto* entries = new EXENTRY[static_cast<size_t>(std::max(count, 1))];
    std::copy(original.begin(), original.end(), entries);
    EXTGF2005a frame{};
    frame.entries = count > 0 ? entries : nullptr;
    frame.entryCount = static_cast<twobyte>(count);
    CleanTGF(&frame);
    for (int i = 0; i < count; ++i)
        CheckCleaned(original[static_cast<size_t>(i)], entries[i]);

    // Entries whose IDs are already distinct and non-zero are not changed by a second clean-up.
    std::vector<EXENTRY> once(entries, entries + count);
    CleanTGF(&frame);
    for (int i = 0; i < count; ++i)
        if (original[static_cast<size_t>(i)].noteCount > 0)
            FUZZ_REQUIRE(SameBytes(&once[static_cast<size_t>(i)], &entries[i], sizeof(EXENTRY)));
    CleanTGF(nullptr);
    delete[] entries;
}

// The transport ------------------------------------------------------------------------------

void SeedDocument(FuzzedDataProvider& data, host::Document& document) {
    const int frames = data.ConsumeIntegralInRange(0, 6);
    for (int f = 0; f < frames; ++f) {
        host::FrameKey key{data.ConsumeIntegralInRange<twobyte>(1, STAVES),
                           data.ConsumeIntegralInRange<twobyte>(1, MEASURES),
                           data.ConsumeIntegralInRange<twobyte>(0, 3)};
        std::vector<EXENTRY>& entries = document.frames[key];
        const int count = data.ConsumeIntegralInRange(0, 8);
        for (int i = 0; i < count; ++i) {
            EXENTRY entry = ArbitraryEntry(data);
            if (data.ConsumeBool()) entry.entryNumber = data.ConsumeIntegralInRange(1, 12);
            if (data.ConsumeBool()) entry.duration = data.ConsumeIntegralInRange<twobyte>(-8, 4096);
            entries.push_back(entry);
        }
    }
    // Tuplet records, well formed or not, under entry numbers that may or may not exist.
    const int tuplets = data.ConsumeIntegralInRange(0, 6);
    for (int t = 0; t < tuplets; ++t) {
        host::RecordKey key;
        key.tag = host::TAG_TUPLET;
        host::SetEntryNumberOfKey(key.key, data.ConsumeIntegralInRange(1, 12));
        const twobyte inci = data.ConsumeIntegralInRange<twobyte>(0, 2);
        std::memcpy(key.key.data() + 4, &inci, sizeof inci);
        auto bytes = data.ConsumeBytes<unsigned char>(sizeof(EDTTuplet2005));
        bytes.resize(data.ConsumeBool() ? sizeof(EDTTuplet2005) : bytes.size(), 0);
        document.records[key] = bytes;
    }
}

struct LiveFrame {
    EXTGF2005a* frame;
};

void CheckSaved(const host::Document& document, const EXTGF2005a& frame,
                const std::vector<EXENTRY>& cleaned) {
    const twobyte staff = document.SlotToStaff(frame.slot, frame.instrumentList);
    const auto* stored = host::StoredEntries(document, staff, frame.measure, frame.layerIndex);
    FUZZ_REQUIRE(stored ? stored->size() == cleaned.size() : cleaned.empty());
    for (size_t i = 0; i < cleaned.size(); ++i) {
        EXENTRY expected = cleaned[i];
        const EXENTRY& actual = (*stored)[i];
        if (expected.entryNumber == 0) {
            FUZZ_REQUIRE(actual.entryNumber != 0); // numbered by the host
            expected.entryNumber = actual.entryNumber;
        }
        FUZZ_REQUIRE(SameBytes(&expected, &actual, sizeof expected));
    }
}

void FuzzTransport(FuzzedDataProvider& data, host::Host& host) {
    auto& document = host.NewDocument();
    host::DocumentBuilder(document).Staves(STAVES).Measures(MEASURES);
    SeedDocument(data, document);

    const fourbyte counterBefore = LoadedTGFCounter;
    int undelivered = 0;
    std::vector<LiveFrame> frames;
    for (int step = 0; step < MAX_OPERATIONS && data.remaining_bytes() > 0; ++step) {
        if (data.ConsumeIntegralInRange(0, 9) == 0)
            host.FailCallNumber(data.ConsumeIntegralInRange(1, 3));
        const int operation = data.ConsumeIntegralInRange(0, 8);
        if (operation == 0 || frames.empty()) {
            if (frames.size() >= MAX_FRAMES) continue;
            EXTGF2005a* frame =
                FX_LoadTGF(0, data.ConsumeIntegralInRange<twobyte>(-1, STAVES + 1),
                           data.ConsumeIntegralInRange<twobyte>(0, MEASURES + 1),
                           data.ConsumeIntegralInRange<twobyte>(-1, 4),
                           data.ConsumeIntegralInRange<twobyte>(0, 1), FINALEPDK_VERSION);
            if (frame)
                frames.push_back({frame});
            else
                ++undelivered;
            continue;
        }
        const size_t which = data.ConsumeIntegralInRange<size_t>(0, frames.size() - 1);
        EXTGF2005a* frame = frames[which].frame;
        const int count = frame->entryCount;
        switch (operation) {
        case 1: { // edit an entry in place
            if (count <= 0) break;
            const int index = data.ConsumeIntegralInRange(0, count - 1);
            const EXENTRY entry = ArbitraryEntry(data);
            std::memcpy(static_cast<void*>(&frame->entries[index]), &entry, sizeof entry);
            break;
        }
        case 2: { // insert, at any position and count
            const auto index = data.ConsumeIntegralInRange<twobyte>(-2, count + 2);
            const auto added = data.ConsumeIntegralInRange<twobyte>(-1, 5);
            // What the wrapper hands the host: the frame cleaned.
            std::vector<EXENTRY> cleaned(frame->entries, frame->entries + std::max(count, 0));
            EXTGF2005a copy{};
            copy.entries = cleaned.data();
            copy.entryCount = static_cast<twobyte>(cleaned.size());
            CleanTGF(&copy);
            if (FX_InsertEXENTRY(frame, index, added, FINALEPDK_VERSION)) {
                FUZZ_REQUIRE(frame->entryCount == count + added);
                for (int i = 0; i < frame->entryCount; ++i) {
                    const EXENTRY& is = frame->entries[i];
                    if (i >= index && i < index + added) {
                        const EXENTRY blank{};
                        FUZZ_REQUIRE(SameBytes(&is, &blank, sizeof blank));
                    } else {
                        const EXENTRY& was =
                            cleaned[static_cast<size_t>(i < index ? i : i - added)];
                        FUZZ_REQUIRE(SameBytes(&is, &was, sizeof is));
                    }
                }
            } else {
                FUZZ_REQUIRE(frame->entryCount == count);
            }
            break;
        }
        case 3: { // delete, at any position and count
            const auto index = data.ConsumeIntegralInRange<twobyte>(-2, count + 1);
            const auto removed = data.ConsumeIntegralInRange<twobyte>(-1, count + 1);
            if (FX_DeleteEXENTRY(frame, index, removed, FINALEPDK_VERSION))
                FUZZ_REQUIRE(frame->entryCount == count - removed);
            else
                FUZZ_REQUIRE(frame->entryCount == count);
            break;
        }
        case 4: { // save
            const int faults = host.FaultsInjected();
            const twobyte saved = FX_SaveTGF(frame, FINALEPDK_VERSION);
            if (host.FaultsInjected() == faults && frame->entryCount >= 0) {
                FUZZ_REQUIRE(saved != 0);
                for (int i = 0; i < frame->entryCount; ++i) {
                    const twobyte notes = frame->entries[i].noteCount;
                    FUZZ_REQUIRE(notes >= 1 && notes <= EXENTRY_MAXNOTES);
                }
                CheckSaved(
                    document, *frame,
                    std::vector<EXENTRY>(frame->entries, frame->entries + frame->entryCount));
            }
            break;
        }
        case 5: {
            const int faults = host.FaultsInjected();
            FX_ReduceEntries(frame, FINALEPDK_VERSION);
            for (int i = 0; i < frame->entryCount && host.FaultsInjected() == faults; ++i)
                FUZZ_REQUIRE(frame->entries[i].duration > 0);
            break;
        }
        case 6:
            FX_GetTGFDuration(frame, FINALEPDK_VERSION);
            break;
        default: // free
            FX_FreeTGF(frame, FINALEPDK_VERSION);
            frames.erase(frames.begin() + static_cast<long>(which));
            break;
        }
    }
    host.ClearFaults();
    for (LiveFrame& live : frames)
        FX_FreeTGF(live.frame, FINALEPDK_VERSION);
    FUZZ_REQUIRE(host.Frames().BadFrees() == 0);
    FUZZ_REQUIRE(LoadedTGFCounter - counterBefore == undelivered);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    host::Host& host = fuzz_support::FreshHost();
    FuzzedDataProvider data(bytes, size);
    if (data.ConsumeBool()) {
        FuzzCleanUp(data);
    } else {
        FuzzTransport(data, host);
    }
    return 0;
}
