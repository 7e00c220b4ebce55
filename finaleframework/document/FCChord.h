// Chord symbols of cells.
#pragma once

#include "finaleframework/records/FCCellDetail.h"

/// A chord symbol of a cell, a 30-byte record kept inside the object. A new object already counts
/// as loaded (a zeroed record), so it can be saved as a new record at once.
class FCChord : public __FCCellDetail {
public:
    static constexpr int RECORD_SIZE = 30;

    FCChord();

    const char* ClassName() override { return "FCChord"; }
    EXTAG Tag() override { return 0x53444368; } // SDCh
    EVERSION EnigmaVersion() override { return 0x0F000000; }
    fourbyte DataSizeLoad() override { return RECORD_SIZE; }
    void* Allocate() override { return _record; }
    __FCBaseData* CreateObject() override { return new FCChord; }
    void CloneMemoryFrom(__FCBaseData* source) override;
    ~FCChord() override = default;

    /// The record's bytes.
    const unsigned char* _GetRecord() const { return _record; }
    unsigned char* _GetRecord() { return _record; }

private:
    unsigned char _record[RECORD_SIZE] = {};
};
