// How the stand-in host keeps and hands out frames of entries.
//
// A frame handed to a caller is a HostFrame: the EXTGF2005a header the caller sees, followed by
// bytes of the host's own. Its entry array and tuplet array are heap arrays of their own that
// move whenever entries are inserted or deleted (a new array is allocated and the old one freed),
// so a caller that keeps a pointer into the old array is caught by the sanitizers. Every frame is
// counted from FX_LoadTGF to FX_FreeTGF; freeing a frame that is not live (twice, or one the host
// never gave out) is counted as a bad free and touches nothing.
//
// Tuplets. A tuplet is a detail record (tag 0x45035450, key {entry number, record number}) under
// its start entry, holding an EDTTuplet2005. The framework interprets only the two flag words;
// the host reads the following fields in the bytes the framework carries unchanged
// (little-endian):
//
//   offset  0  s16  number             units the tuplet groups (3 for a triplet)
//   offset  2  s32  unitDuration       written duration of one unit (512 for eighths)
//   offset  6  s16  referenceNumber    units of the reference it lasts (2 for a triplet)
//   offset 10  s32  referenceDuration  duration of one reference unit (512)
//
// A tuplet reaches from its start entry over as many entries as it takes for their written
// durations to add up to at least number x unitDuration, never past the end of the frame. Every
// entry within it lasts referenceNumber x referenceDuration / (number x unitDuration) of its
// written duration (nested tuplets multiply). A definition whose span or reference is not
// positive reaches only its start entry and changes no duration. A frame's tuplet array lists,
// for each entry in order, its tuplet records 0, 1, 2, ... up to the first missing one.
//
// Positions. The host does not trust stored positions: every frame it hands out carries elapsed
// times computed from the written durations and the tuplets of the frame (the exact position
// rounded down to whole units), and a frame's duration is the exact sum rounded to the nearest
// unit.
#pragma once

#include "host/Document.h"

#include <map>
#include <memory>
#include <unordered_map>
#include <vector>

namespace host {

/// The fields of a tuplet definition that the host reads; see the layout above.
struct TupletDefinition {
    twobyte number = 0;
    fourbyte unitDuration = 0;
    twobyte referenceNumber = 0;
    fourbyte referenceDuration = 0;

    static TupletDefinition Read(const EDTTuplet2005& record);
    /// Writes the four fields into `record`, leaving its other bytes as they are.
    void Write(EDTTuplet2005& record) const;
    /// The written duration the tuplet spans; 0 or less for a malformed definition.
    fourbyte Span() const;
    /// Factor from written to actual duration (1 for a malformed definition).
    double Ratio() const;
};

/// The tuplet array of a frame holding `entries`, built from the tuplet records of the document.
std::vector<EXTGFTUPLET> TupletsOfEntries(const Document& document, const EXENTRY* entries,
                                          int entryCount);

/// The actual positions of the entries of one frame, from their durations and tuplets: each
/// entry's position in its measure goes into the elapsed time of `placed` (entryCount records,
/// which may be `entries` themselves; none when it is null). Answers the duration of the whole
/// frame.
fourbyte PlaceEntries(const EXENTRY* entries, int entryCount, const EXTGFTUPLET* tuplets,
                      int tupletCount, EXENTRY* placed);

/// Sets the elapsed times of the stored entries of `key` from their durations and tuplets.
void RetimeFrame(Document& document, const FrameKey& key);

/// Stores `entries` as the music of `key` (an empty list removes the frame). Entries without a
/// number get the next free ones. An entry that leaves the frame takes its details with it,
/// unless it is still stored in another frame. Costs what the frame holds, whatever the size of
/// the document, except when entries arrive that are stored elsewhere.
void StoreFrame(Document& document, const FrameKey& key, std::vector<EXENTRY> entries);

/// The stored entries of (staff, measure, layer); null when the frame holds none.
const std::vector<EXENTRY>* StoredEntries(const Document& document, twobyte staff, twobyte measure,
                                          twobyte layerIndex);

/// A frame as the host hands it out: the caller's header first, the host's own bytes behind.
struct HostFrame {
    EXTGF2005a header{};
    twobyte document = 0; // number of the document the frame was loaded from
};
static_assert(offsetof(HostFrame, header) == 0);

class FrameRegistry {
public:
    FrameRegistry() = default;
    FrameRegistry(const FrameRegistry&) = delete;
    FrameRegistry& operator=(const FrameRegistry&) = delete;
    ~FrameRegistry();

    /// A new live frame of `document` holding copies of the `entryCount` entries at `entries`
    /// and of `tuplets`.
    EXTGF2005a* Create(twobyte document, const EXTGF2005a& header, const EXENTRY* entries,
                       int entryCount, const std::vector<EXTGFTUPLET>& tuplets);
    /// The live frame at `frame`; null for any other address.
    HostFrame* Find(const EXTGF2005a* frame);
    /// Releases a live frame and its arrays; false (nothing touched, counted as a bad free) when
    /// `frame` is not live.
    bool Release(EXTGF2005a* frame);
    /// Releases every live frame (the host closes its documents).
    void Reset();

    /// Frames handed out and not yet freed.
    int LiveCount() const { return static_cast<int>(live_.size()); }
    /// Frames handed out since the last reset.
    int LoadedCount() const { return loaded_; }
    /// Frees of frames that were not live.
    int BadFrees() const { return badFrees_; }

    /// Replaces the entry array of a live frame by a new one (the old array is freed).
    static void ReplaceEntries(EXTGF2005a& header, const std::vector<EXENTRY>& entries);
    static void ReplaceEntries(EXTGF2005a& header, const EXENTRY* entries, int entryCount);
    static void ReplaceTuplets(EXTGF2005a& header, const std::vector<EXTGFTUPLET>& tuplets);
    static std::vector<EXENTRY> EntriesOf(const EXTGF2005a& header);
    static std::vector<EXTGFTUPLET> TupletsOf(const EXTGF2005a& header);

private:
    static void FreeArrays(EXTGF2005a& header);

    std::unordered_map<const EXTGF2005a*, std::unique_ptr<HostFrame>> live_;
    int loaded_ = 0;
    int badFrees_ = 0;
};

} // namespace host
