// Containers of note entries: the layer of one staff over a run of measures, and detached copies
// of entries.
#pragma once

#include "finaleframework/core/FCCollection.h"
#include "finaleframework/music/FCNoteEntry.h"

#include <vector>

class FCIteratorHandler;
class FCMusicRegion;

/// The common base of the entry containers; its elements are FCNoteEntry objects, which it owns.
class __FCNoteEntryCollection : public __FCCollection {
public:
    const char* ClassName() override { return "__FCNoteEntryCollection"; }

    FCNoteEntry* GetItemAt(int index) const {
        return static_cast<FCNoteEntry*>(__FCCollection::GetItemAt(index));
    }

    /// Refills `destination` with copies of the entry records of `source`, entry for entry: the
    /// destination's records are deleted and as many blank ones inserted as the source has; each
    /// copy keeps the blank record's entry number (0) and drops the bits that say detail records
    /// exist, since details live under entry numbers. False when the host did not delete or
    /// insert as asked: the destination then holds no copies and must not be saved.
    bool _CopyEntries(EXTGF2005a* source, EXTGF2005a* destination);

    /// Appends one entry per record of `frame`, in order, chained after `previous` (null starts a
    /// new chain); answers the last entry of the chain.
    FCNoteEntry* _AppendFrameEntries(EXTGF2005a* frame, FCNoteEntry* previous);
};

/// Detached entries made by FCNoteEntry::CreateShallowClone; they point into the frames of the
/// layer they came from and are valid only while it lives.
class FCNoteEntries : public __FCNoteEntryCollection {
public:
    const char* ClassName() override { return "FCNoteEntries"; }
};

/// The music of one layer of one staff over measures startMeasure..endMeasure: one frame per
/// measure, loaded whole or not at all, and one FCNoteEntry per entry record, chained in musical
/// order across measures. Entries are valid while the layer lives and until it is loaded again.
class FCNoteEntryLayer : public __FCNoteEntryCollection {
public:
    /// An unloaded layer; `layerIndex` is 0-based. An `endMeasure` of -1 stands for the last
    /// measure of the document (the number of measures, counted now). Only shown layers are
    /// loaded until SetVisibleOnly(false).
    FCNoteEntryLayer(twobyte layerIndex, twobyte staff, twobyte startMeasure, twobyte endMeasure);
    ~FCNoteEntryLayer() override;
    FCNoteEntryLayer(const FCNoteEntryLayer&) = delete;
    FCNoteEntryLayer& operator=(const FCNoteEntryLayer&) = delete;

    const char* ClassName() override { return "FCNoteEntryLayer"; }

    twobyte GetLayerIndex() const { return _layerIndex; }
    twobyte GetStaff() const { return _staff; }
    twobyte GetStartMeasure() const { return _startMeasure; }
    twobyte GetEndMeasure() const { return _endMeasure; }
    /// When true (the default) a layer the host does not show loads without frames.
    void SetVisibleOnly(bool state) { _visibleOnly = state; }
    bool GetVisibleOnly() const { return _visibleOnly; }
    int GetFrameCount() const { return _frameCount; }
    /// The frame of slot `index` (measure startMeasure + index); null when not loaded.
    EXTGF2005a* _GetFrame(int index) const;

    /// Loads one frame per measure and builds the entries; false (and empty) when the measures
    /// run backwards or any frame fails to load.
    bool Load();
    /// Writes every loaded frame back; frames that held new entries are reloaded so that the
    /// entries carry the host's numbers. False when any frame failed (the others are saved).
    bool Save();
    /// A new layer, owned by the caller, over the frames of `layerIndex` of `staff` from
    /// `startMeasure` on (as many measures as this layer has), refilled with copies of this
    /// layer's entry records. It reads this layer's frames wherever this layer reads them: a
    /// layer loaded with SetVisibleOnly(false) is cloned although the host does not show it.
    /// Empty (no frames) when a frame fails to load or cannot be refilled.
    FCNoteEntryLayer* CreateCloneEntries(twobyte layerIndex, twobyte staff, twobyte startMeasure);
    /// Stores the tuplets of each entry of `source` under this layer's entry with the same index
    /// and sets or clears its tuplet bit; false, changing nothing, when the entry counts differ,
    /// and false when the host refused to store a tuplet. Entries the host has not numbered get
    /// no tuplets.
    bool CloneTuplets(FCNoteEntryLayer* source);
    /// The host's duration of the frame of `measure`; 0 outside the layer or without a frame.
    int CalcFrameDuration(int measure);

    /// Region queries: the entries for which region->IsEntryPosWithin holds, in layer order.
    int CalcRegionCount(FCMusicRegion* region);
    FCNoteEntry* GetRegionItemAt(int index, FCMusicRegion* region);
    /// Calls the handler's Iterate for each entry in the region until it answers false; answers
    /// the number of true answers.
    int ForEachInRegion(FCIteratorHandler* handler, FCMusicRegion* region);
    /// A new collection, owned by the caller, of shallow clones of the entries in the region,
    /// linked among themselves only.
    FCNoteEntries* CreateRegionEntries(FCMusicRegion* region);

    /// Inserts `count` blank entries after `entry`, or at the start of the next measure when
    /// `nextMeasure` (then `entry` must be the last of its measure); answers the first new entry,
    /// or null when nothing was inserted (a count of 0 or less, or beyond the host's 16-bit
    /// count, is refused).
    FCNoteEntry* InsertEntriesAfter(FCNoteEntry* entry, int count, bool nextMeasure);

    /// Builds the entries of the loaded frames, chained across measures.
    void _SetupEntries();
    /// Body of CreateCloneEntries, run on the new layer.
    bool _LoadRedir(twobyte layerIndex, twobyte staff, twobyte startMeasure);
    /// Reloads a saved frame to learn the host's entry numbers and re-points its entries; answers
    /// the frame now in use (the old one when the reload fails or no longer matches).
    EXTGF2005a* _SilentTGFUpdate(EXTGF2005a* frame);
    /// The same, given the `count` entries of the layer that lie in `frame`.
    EXTGF2005a* _SilentTGFUpdate(EXTGF2005a* frame, FCNoteEntry* const* entries, size_t count);

    /// The entries of the layer grouped by the loaded frame they lie in, each group in the
    /// layer's order: those of the frame at index i are `entries[starts[i]]` up to (not
    /// including) `entries[starts[i + 1]]`. Entries in no loaded frame are left out.
    struct FrameEntries {
        std::vector<FCNoteEntry*> entries;
        std::vector<size_t> starts;

        FCNoteEntry* const* Of(size_t frame) const { return entries.data() + starts[frame]; }
        size_t CountOf(size_t frame) const { return starts[frame + 1] - starts[frame]; }
    };
    FrameEntries _EntriesByFrame() const;

protected:
    /// Destroys the entries, frees every frame and the slot array.
    void _ReleaseLoaded();
    /// Allocates empty slots for the measures; false when they run backwards.
    bool _AllocateFrames();

    twobyte _layerIndex = 0;
    twobyte _staff = 0;
    twobyte _startMeasure = 0;
    twobyte _endMeasure = 0;
    bool _visibleOnly = true;
    fourbyte _frameCount = 0;
    EXTGF2005a** _frames = nullptr;
};
