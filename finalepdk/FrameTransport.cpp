#include "finalepdk/FrameTransport.h"

#include "finalepdk/FinaleBinding.h"

#include <cstring>

bool CanAddNoteRecordToRests = true;

namespace {

/// True when a note other than `index` among the first `count` carries `noteID`.
bool IsNoteIDTakenElsewhere(const EXENTRY& entry, int count, int index, twobyte noteID) {
    for (int m = 0; m < count; ++m)
        if (m != index && entry.notes[m].noteID == noteID) return true;
    return false;
}

/// Whether note `index` among the first `count` needs a new ID: it has none, or another has it.
bool NeedsNewID(const EXENTRY& entry, int count, int index) {
    const twobyte noteID = entry.notes[index].noteID;
    return noteID == 0 || IsNoteIDTakenElsewhere(entry, count, index, noteID);
}

/// Gives every note among the first `count` that NeedsNewID a new one.
void RenumberNotes(EXENTRY& entry, int count) {
    twobyte top = 0;
    for (int l = 0; l < count; ++l) {
        const twobyte noteID = entry.notes[l].noteID;
        if (noteID > top) top = noteID;
    }

    for (int l = 0; l < count; ++l) {
        if (NeedsNewID(entry, count, l)) {
            // One more than the highest; only an ID at the top of its range makes the count wrap,
            // and then IDs that are taken (and 0) are passed over.
            do {
                top = static_cast<twobyte>(top + 1);
            } while (top == 0 || IsNoteIDTakenElsewhere(entry, count, l, top));
            entry.notes[l].noteID = top;
        }
    }
}

void CleanEntry(EXENTRY& entry) {
    if (entry.noteCount < 0) entry.noteCount = 0;
    if (entry.noteCount > EXENTRY_MAXNOTES) entry.noteCount = EXENTRY_MAXNOTES;
    const int count = entry.noteCount;

    // Nearly always every note has an ID of its own already, and nothing is renumbered.
    bool renumber = false;
    for (int l = 0; l < count && !renumber; ++l)
        renumber = NeedsNewID(entry, count, l);

    if (renumber) RenumberNotes(entry, count);

    for (int l = 0; l < count; ++l) {
        const ufourbyte idBits =
            (static_cast<ufourbyte>(entry.notes[l].noteID) << NOTE_IDBITS_SHIFT) & NOTE_IDBITS;
        entry.notes[l].noteFlags = (entry.notes[l].noteFlags & ~NOTE_IDBITS) | idBits;
    }

    if (count < EXENTRY_MAXNOTES) {
        // The unused notes are nearly always clear already (every frame saved was cleaned): a
        // look at them costs less than clearing them again.
        auto* unused = reinterpret_cast<unsigned char*>(&entry.notes[count]);
        const size_t size = sizeof(EXNOTE) * static_cast<size_t>(EXENTRY_MAXNOTES - count);
        static const unsigned char clear[sizeof(EXNOTE) * EXENTRY_MAXNOTES] = {};
        if (std::memcmp(unused, clear, size) != 0) std::memset(unused, 0, size);
    }

    if (count == 0 && CanAddNoteRecordToRests) {
        entry.entryFlags |= ENTRY_PLACEHOLDERREST;
        entry.noteCount = 1;
        entry.notes[0].noteFlags = NOTE_INUSE;
    }
}

} // namespace

void CleanTGF(EXTGF2005a* frame) {
    if (!frame || frame->entryCount <= 0 || !frame->entries) return;
    EXENTRY* entries = frame->entries;
    for (int i = 0; i < frame->entryCount; ++i)
        CleanEntry(entries[i]);
}

// Every frame fetched is counted until it is released; every call that hands a frame's entries
// back to the host cleans the frame first.

EXTGF2005a* FX_LoadTGF(utwobyte instrumentList, twobyte slot, twobyte measure, twobyte layerIndex,
                       twobyte loadFlag, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_LoadTGF"};
    LoadedTGFCounter += 1;
    return finalepdk::CallHostFunction<EXTGF2005a*, FX_LoadTGF_HostFn>(
        binding, instrumentList, slot, measure, layerIndex, loadFlag, version);
}

void FX_FreeTGF(EXTGF2005a* frame, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_FreeTGF"};
    LoadedTGFCounter -= 1;
    finalepdk::CallHostFunction<void, FX_FreeTGF_HostFn>(binding, frame, version);
}

twobyte FX_SaveTGF(EXTGF2005a* frame, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_SaveTGF"};
    CleanTGF(frame);
    return finalepdk::CallHostFunction<twobyte, FX_SaveTGF_HostFn>(binding, frame, version);
}

twobyte FX_InsertEXENTRY(EXTGF2005a* frame, twobyte index, twobyte count, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_InsertEXENTRY"};
    CleanTGF(frame);
    return finalepdk::CallHostFunction<twobyte, FX_InsertEXENTRY_HostFn>(binding, frame, index,
                                                                         count, version);
}

twobyte FX_DeleteEXENTRY(EXTGF2005a* frame, twobyte index, twobyte count, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_DeleteEXENTRY"};
    CleanTGF(frame);
    return finalepdk::CallHostFunction<twobyte, FX_DeleteEXENTRY_HostFn>(binding, frame, index,
                                                                         count, version);
}

fourbyte FX_ReduceEntries(EXTGF2005a* frame, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_ReduceEntries"};
    CleanTGF(frame);
    return finalepdk::CallHostFunction<fourbyte, FX_ReduceEntries_HostFn>(binding, frame, version);
}
