// Host functions for frames of entries: load, save, insert, delete, reduce, free, measure, and
// the entry metrics the host derives from the notes of an entry. See host/Frames.h for how the
// host keeps frames and reads tuplets.
#include "host/Host.h"
#include "host/HostFunctions.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace host::fx {
namespace {

FrameRegistry& Registry() {
    return Host::Instance().Frames();
}

/// Where a frame's entries are stored: its document, staff, measure and layer; nullopt when the
/// frame names a place the document does not have.
struct FramePlace {
    Document* document = nullptr;
    FrameKey key;
};

bool IsLayerOf(const Document& document, int layerIndex) {
    return layerIndex >= 0 && layerIndex < document.maxLayers;
}

bool IsMeasureOf(const Document& document, int measure) {
    return measure >= 1 && measure <= static_cast<int>(document.measures.size());
}

std::optional<FramePlace> PlaceOf(Document* document, utwobyte list, twobyte slot, twobyte measure,
                                  twobyte layerIndex) {
    if (!document) return std::nullopt;
    const twobyte staff = document->SlotToStaff(slot, list);
    if (staff <= 0 || !document->FindStaff(staff)) return std::nullopt;
    if (!IsMeasureOf(*document, measure) || !IsLayerOf(*document, layerIndex)) return std::nullopt;
    return FramePlace{document, FrameKey{staff, measure, layerIndex}};
}

/// A live frame whose entry array is well formed; null for anything else.
HostFrame* LiveFrame(EXTGF2005a* frame) {
    HostFrame* live = Registry().Find(frame);
    if (!live) return nullptr;
    if (live->header.entryCount < 0 || (live->header.entryCount > 0 && !live->header.entries))
        return nullptr;
    return live;
}

/// Keeps the frame's tuplet array in step with an insertion of `count` entries at `index`: a
/// tuplet that reaches over the insertion point grows.
void ShiftTupletsForInsert(EXTGF2005a& header, int index, int count) {
    std::vector<EXTGFTUPLET> tuplets = FrameRegistry::TupletsOf(header);
    for (EXTGFTUPLET& tuplet : tuplets) {
        if (tuplet.startIndex >= index) {
            tuplet.startIndex = static_cast<twobyte>(tuplet.startIndex + count);
            tuplet.endIndex = static_cast<twobyte>(tuplet.endIndex + count);
        } else if (tuplet.endIndex >= index) {
            tuplet.endIndex = static_cast<twobyte>(tuplet.endIndex + count);
        }
    }
    FrameRegistry::ReplaceTuplets(header, tuplets);
}

/// The same for a deletion of `count` entries from `index`: tuplets that start on a deleted
/// entry go, others shrink or move down.
void ShiftTupletsForDelete(EXTGF2005a& header, int index, int count) {
    std::vector<EXTGFTUPLET> kept;
    for (EXTGFTUPLET tuplet : FrameRegistry::TupletsOf(header)) {
        if (tuplet.startIndex >= index && tuplet.startIndex < index + count) continue;
        if (tuplet.startIndex >= index + count) {
            tuplet.startIndex = static_cast<twobyte>(tuplet.startIndex - count);
            tuplet.endIndex = static_cast<twobyte>(tuplet.endIndex - count);
        } else if (tuplet.endIndex >= index + count) {
            tuplet.endIndex = static_cast<twobyte>(tuplet.endIndex - count);
        } else if (tuplet.endIndex >= index) {
            tuplet.endIndex = static_cast<twobyte>(index - 1);
        }
        kept.push_back(tuplet);
    }
    FrameRegistry::ReplaceTuplets(header, kept);
}

} // namespace

EXTGF2005a* WINAPI FX_LoadTGF(uint32_t list, int32_t slot, int32_t measure, int32_t layerIndex,
                              int32_t loadFlag, EVERSION version) {
    if (EnterCall("FX_LoadTGF", version, list, slot, measure, layerIndex, loadFlag)) return nullptr;
    auto place =
        PlaceOf(Host::Instance().Current(), static_cast<utwobyte>(list), static_cast<twobyte>(slot),
                static_cast<twobyte>(measure), static_cast<twobyte>(layerIndex));
    if (!place) return nullptr;

    const std::vector<EXENTRY>* stored =
        StoredEntries(*place->document, place->key.staff, place->key.measure, place->key.layer);
    const EXENTRY* entries = stored ? stored->data() : nullptr;
    const int count = stored ? static_cast<int>(stored->size()) : 0;
    const auto tuplets = TupletsOfEntries(*place->document, entries, count);

    EXTGF2005a header{};
    header.instrumentList = static_cast<utwobyte>(list);
    header.slot = static_cast<twobyte>(slot);
    header.measure = static_cast<twobyte>(measure);
    header.layerIndex = static_cast<twobyte>(layerIndex);
    EXTGF2005a* frame = Registry().Create(place->document->number, header, entries, count, tuplets);
    PlaceEntries(frame->entries, count, tuplets.data(), static_cast<int>(tuplets.size()),
                 frame->entries);
    return frame;
}

int32_t WINAPI FX_SaveTGF(EXTGF2005a* frame, EVERSION version) {
    if (EnterCall("FX_SaveTGF", version, frame)) return 0;
    HostFrame* live = LiveFrame(frame);
    if (!live) return 0;
    auto place = PlaceOf(Host::Instance().FindDocument(live->document), live->header.instrumentList,
                         live->header.slot, live->header.measure, live->header.layerIndex);
    if (!place) return 0;
    // New entries are numbered in the document only; the caller sees the numbers when it loads
    // the frame again.
    StoreFrame(*place->document, place->key, FrameRegistry::EntriesOf(live->header));
    return 1;
}

int32_t WINAPI FX_InsertEXENTRY(EXTGF2005a* frame, int32_t index, int32_t count, EVERSION version) {
    if (EnterCall("FX_InsertEXENTRY", version, frame, index, count)) return 0;
    HostFrame* live = LiveFrame(frame);
    if (!live) return 0;
    EXTGF2005a& header = live->header;
    if (index < 0 || index > header.entryCount || count <= 0 ||
        header.entryCount + count > INT16_MAX)
        return 0;
    std::vector<EXENTRY> entries = FrameRegistry::EntriesOf(header);
    entries.insert(entries.begin() + index, static_cast<size_t>(count), EXENTRY{});
    FrameRegistry::ReplaceEntries(header, entries);
    ShiftTupletsForInsert(header, index, count);
    return 1;
}

int32_t WINAPI FX_DeleteEXENTRY(EXTGF2005a* frame, int32_t index, int32_t count, EVERSION version) {
    if (EnterCall("FX_DeleteEXENTRY", version, frame, index, count)) return 0;
    HostFrame* live = LiveFrame(frame);
    if (!live) return 0;
    EXTGF2005a& header = live->header;
    if (index < 0 || count < 0 || index + count > header.entryCount) return 0;
    if (count == 0) return 1;
    std::vector<EXENTRY> entries = FrameRegistry::EntriesOf(header);
    entries.erase(entries.begin() + index, entries.begin() + index + count);
    FrameRegistry::ReplaceEntries(header, entries);
    ShiftTupletsForDelete(header, index, count);
    return 1;
}

/// Removes the entries without duration; answers how many were removed.
fourbyte WINAPI FX_ReduceEntries(EXTGF2005a* frame, EVERSION version) {
    if (EnterCall("FX_ReduceEntries", version, frame)) return 0;
    HostFrame* live = LiveFrame(frame);
    if (!live) return 0;
    EXTGF2005a& header = live->header;
    std::vector<EXENTRY> entries = FrameRegistry::EntriesOf(header);
    fourbyte removed = 0;
    for (int i = static_cast<int>(entries.size()) - 1; i >= 0; --i) {
        if (entries[static_cast<size_t>(i)].duration > 0) continue;
        entries.erase(entries.begin() + i);
        ShiftTupletsForDelete(header, i, 1);
        ++removed;
    }
    if (removed > 0) FrameRegistry::ReplaceEntries(header, entries);
    return removed;
}

void WINAPI FX_FreeTGF(EXTGF2005a* frame, EVERSION version) {
    if (EnterCall("FX_FreeTGF", version, frame)) return;
    Registry().Release(frame);
}

fourbyte WINAPI FX_GetTGFDuration(EXTGF2005a* frame, EVERSION version) {
    if (EnterCall("FX_GetTGFDuration", version, frame)) return 0;
    HostFrame* live = LiveFrame(frame);
    if (!live) return 0;
    const EXTGF2005a& header = live->header;
    return PlaceEntries(header.entries, header.entryCount, header.tuplets,
                        std::max<int>(header.tupletCount, 0), nullptr);
}

// Entry metrics --------------------------------------------------------------------------------

namespace {

constexpr size_t ENTRY_METRICS_SIZE = 200;
constexpr size_t ENTRY_METRICS_STEM_OFFSET = 10;
constexpr ufourbyte ENTRY_METRICS_STEMUP = 0x00000001;

/// The displacement of the middle staff line under a clef, counted from C4 (the host reads
/// displacements as if in C major): treble B4, alto C4, tenor A3, bass D3; other clefs as treble.
int MiddleLineDisplacement(twobyte clefIndex) {
    switch (clefIndex) {
    case 1:
        return 0;
    case 2:
        return -2;
    case 3:
        return -6;
    default:
        return 6;
    }
}

const EXENTRY* FindStoredEntry(const Document& document, twobyte staff, twobyte measure,
                               fourbyte entryNumber) {
    // Frames are kept by staff, measure and layer: the layers of one measure lie together.
    for (auto it = document.frames.lower_bound(FrameKey{staff, measure, INT16_MIN});
         it != document.frames.end() && it->first.staff == staff && it->first.measure == measure;
         ++it)
        for (const EXENTRY& entry : it->second)
            if (entry.entryNumber == entryNumber) return &entry;
    return nullptr;
}

} // namespace

/// Fills the 200-byte metrics record of a stored entry. The stem of a note entry points up when
/// the notes lie below the middle line on average (the sum of their displacements is below the
/// middle line times their number); on the middle line and above it points down. A rest has no
/// stem (bit clear). Fails for an entry that is not stored in that staff and measure.
int32_t WINAPI FX_GetEntryMetrics(int32_t staff, int32_t measure, fourbyte entryNumber,
                                  void* metrics, void* unused, int32_t update, EVERSION version) {
    if (EnterCall("FX_GetEntryMetrics", version, staff, measure, entryNumber, metrics, unused,
                  update))
        return 0;
    Document* document = Host::Instance().Current();
    if (!document || !metrics || entryNumber == 0) return 0;
    const EXENTRY* entry = FindStoredEntry(*document, static_cast<twobyte>(staff),
                                           static_cast<twobyte>(measure), entryNumber);
    if (!entry) return 0;

    std::memset(metrics, 0, ENTRY_METRICS_SIZE);
    ufourbyte stemWord = 0;
    const int count = std::clamp<int>(entry->noteCount, 0, EXENTRY_MAXNOTES);
    if ((entry->entryFlags & ENTRY_NOTE) && count > 0) {
        long sum = 0;
        for (int i = 0; i < count; ++i)
            sum += entry->notes[i].displacement;
        if (sum < static_cast<long>(MiddleLineDisplacement(entry->clefIndex)) * count)
            stemWord |= ENTRY_METRICS_STEMUP;
    }
    std::memcpy(static_cast<unsigned char*>(metrics) + ENTRY_METRICS_STEM_OFFSET, &stemWord,
                sizeof stemWord);
    return 1;
}

} // namespace host::fx
