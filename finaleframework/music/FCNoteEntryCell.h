// The entries of one cell over chosen layers.
#pragma once

#include "finaleframework/music/FCNoteEntryLayer.h"

class FCMusicRegion;

/// The entry container of one measure of one staff: one frame per chosen layer, and an
/// FCNoteEntry per record of those frames, layer after layer. The previous/next chain runs within
/// a layer only. The cell owns its frames and entries; entries are valid while the cell lives and
/// until it is loaded again or DeleteAllNullEntries rebuilds them.
///
/// Layer modes (which layers Load reads), for each layer index i from 0:
///   0 the layers the host shows, -1 all, -2 those the host does not show, -3 none,
///   1 to 4 only index mode - 1, any other value a mask: 0x100 index 0, 0x200 index 1, 0x400
///   index 2, 0x800 index 3.
class FCNoteEntryCell : public __FCNoteEntryCollection {
public:
    enum LAYER_MODES {
        LAYERMODE_SHOWN = 0,
        LAYERMODE_ALL = -1,
        LAYERMODE_HIDDEN = -2,
        LAYERMODE_NONE = -3,
    };

    FCNoteEntryCell(twobyte measure, twobyte staff, int layerMode = LAYERMODE_SHOWN)
        : _cellMeasure(measure), _cellStaff(staff), _layerMode(layerMode) {}
    FCNoteEntryCell(const FCNoteEntryCell&) = delete;
    FCNoteEntryCell& operator=(const FCNoteEntryCell&) = delete;
    ~FCNoteEntryCell() override;

    const char* ClassName() override { return "FCNoteEntryCell"; }

    twobyte GetMeasure() const { return static_cast<twobyte>(_cellMeasure); }
    void SetMeasure(twobyte measure) { _cellMeasure = measure; }
    twobyte GetStaff() const { return static_cast<twobyte>(_cellStaff); }
    void SetStaff(twobyte staff) { _cellStaff = staff; }
    int GetLayerMode() const { return _layerMode; }
    void SetLayerMode(int mode) { _layerMode = mode; }
    /// Whether the layer mode chooses layer index `layer`.
    bool IsLayerSelected(int layer) const;
    /// The frame of layer index `layer`; null when it was not loaded.
    EXTGF2005a* _GetLayerFrame(int layer) const;

    /// Loads the frame of every chosen layer and builds the entries. False, leaving the cell
    /// empty, when a chosen frame does not load. Choosing no layer loads nothing and answers
    /// true.
    bool Load();
    /// Writes every loaded frame back; false when any failed (the others are still written). The
    /// frames are not reloaded.
    bool Save();
    /// Removes the records of every entry of length 0 from the frames and rebuilds the entries.
    void DeleteAllNullEntries();
    /// The entry whose position is nearest to `position` (the first among equally near ones),
    /// counting only distances below 20000; null when none lies that close.
    FCNoteEntry* FindClosestPos(fourbyte position);
    /// The entry at `index` when it lies within the region's positions in the region's first and
    /// last measure; null otherwise, out of range or without a region.
    FCNoteEntry* GetRegionItemAt(int index, FCMusicRegion* region);

    /// Builds the entries of the loaded frames, layer by layer.
    void _SetupEntries();

private:
    /// Destroys the entries and frees every frame.
    void _ReleaseLoaded();

    EXTGF2005a** _layerFrames = nullptr;
    int _layerCount = 0;
    fourbyte _cellMeasure = 0;
    fourbyte _cellStaff = 0;
    fourbyte _layerMode = LAYERMODE_SHOWN;
};
