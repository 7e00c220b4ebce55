// The frame hold of a cell: the clef in force at the start of the cell and the cell's per-layer
// frame information.
#pragma once

#include "finaleframework/records/FCCellDetail.h"

/// One record per cell (set the cell with SetCell, then LoadFirst), 10 bytes kept inside the
/// object:
///
///   offset 0  s16  clef index: the clef in force at the start of the cell (an FCClefDef number)
///   offset 2  u16  carried
///   offset 4  u16  carried
///   offset 6  u32  address of the object's own array of per-layer values (one per layer the
///                  host has); on targets with wider addresses it holds the low 32 bits, which
///                  nothing reads
///
/// The object owns the layer array; a load points the address field at it again.
class FCCellFrameHold : public __FCNoInciCellDetail {
public:
    static constexpr int RECORD_SIZE = 10;

    FCCellFrameHold();
    FCCellFrameHold(const FCCellFrameHold&) = delete;
    FCCellFrameHold& operator=(const FCCellFrameHold&) = delete;

    const char* ClassName() override { return "FCCellFrameHold"; }
    EXTAG Tag() override { return 0x53444746; } // SDGF
    fourbyte DataSizeLoad() override { return RECORD_SIZE; }
    fourbyte DataSizeSave() override { return RECORD_SIZE; }
    void* Allocate() override { return _record; }
    __FCBaseData* CreateObject() override { return new FCCellFrameHold; }
    /// Copies words 0 to 2 and the layer values of another frame hold; this object keeps its own
    /// layer array.
    void CloneMemoryFrom(__FCBaseData* source) override;
    ~FCCellFrameHold() override;
    bool LoadFirst() override;

    twobyte GetClefIndex() const;
    void SetClefIndex(twobyte clef);
    /// Number of per-layer values (the host's number of layers when the object was made).
    int GetLayerCount() const { return _layerCount; }
    /// The value of layer index `layer` (from 0); 0 out of range.
    twobyte GetLayerValue(int layer) const;
    void SetLayerValue(int layer, twobyte value);

    /// True when an earlier measure of the cell's staff ends in a clef other than this hold's:
    /// walking back from the measure before the cell, each measure with a frame hold is looked
    /// at; a measure without entries counts with its starting clef, one with entries with the
    /// clef of its latest clef change. False when the cell is measure 1 or no cell is set.
    bool CalcClefChange();

private:
    void _PointAtLayerValues();

    unsigned char _record[RECORD_SIZE] = {};
    twobyte* _layerValues = nullptr;
    int _layerCount = 0;
};
