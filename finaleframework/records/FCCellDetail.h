// Records attached to a cell (one measure of one staff).
#pragma once

#include "finaleframework/records/FCBaseData.h"

class FCCell;

/// Records of one cell, numbered by inci from 0. Key: word 0 the staff, word 1 the measure,
/// word 2 the inci. The cell is named by SetCell before LoadFirst or SaveNew; it is not owned.
class __FCCellDetail : public __FCBaseData {
public:
    const char* ClassName() override { return "__FCCellDetail"; }

    /// Loads inci 0 of the cell; false when no cell is set.
    bool LoadFirst() override;
    /// Loads the next inci of the same cell. On failure the key and the previous record stay, so
    /// that a following Save still writes the last record loaded (for fixed-size records).
    bool LoadNext() override;
    /// Creates a record of the cell under an inci the host chooses; afterwards the object names
    /// it. False without a host call when no cell is set or nothing is loaded.
    virtual bool SaveNew();

    void SetCell(FCCell* cell) { _cell = cell; }
    FCCell* GetCell() const { return _cell; }

    twobyte GetItemStaff() const { return static_cast<twobyte>(_GetKeyWord(0)); }
    twobyte GetItemMeasure() const { return static_cast<twobyte>(_GetKeyWord(1)); }
    twobyte GetItemInci() const { return static_cast<twobyte>(_GetKeyWord(2)); }

protected:
    /// Sets the key to the cell's staff and measure with `inci`; false when no cell is set.
    bool _SetCellKey(twobyte inci);

    FCCell* _cell = nullptr;
};

/// One record per cell (inci always 0): it is never stepped through nor created here.
class __FCNoInciCellDetail : public __FCCellDetail {
public:
    const char* ClassName() override { return "__FCNoInciCellDetail"; }

    bool LoadFirst() override { return __FCCellDetail::LoadFirst(); }
    /// Always false.
    bool LoadNext() override { return false; }
    /// Always false.
    bool SaveNew() override { return false; }
};
