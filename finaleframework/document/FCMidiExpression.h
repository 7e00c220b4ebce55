// MIDI expressions of cells.
#pragma once

#include "finaleframework/records/FCCellDetail.h"

/// A MIDI expression of a cell, a 10-byte record kept inside the object; always saved whole.
class FCMidiExpression : public __FCCellDetail {
public:
    static constexpr int RECORD_SIZE = 10;

    const char* ClassName() override { return "FCMidiExpression"; }
    EXTAG Tag() override { return 0x64744D45; } // dtME
    fourbyte DataSizeLoad() override { return RECORD_SIZE; }
    fourbyte DataSizeSave() override { return RECORD_SIZE; }
    void* Allocate() override { return _record; }
    __FCBaseData* CreateObject() override { return new FCMidiExpression; }
    void CloneMemoryFrom(__FCBaseData* source) override;
    ~FCMidiExpression() override = default;

    const unsigned char* _GetRecord() const { return _record; }
    unsigned char* _GetRecord() { return _record; }

private:
    unsigned char _record[RECORD_SIZE] = {};
};
