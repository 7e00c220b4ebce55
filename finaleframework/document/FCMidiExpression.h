// MIDI expressions of cells.
#pragma once

#include "finaleframework/records/FCCellDetail.h"

#include <cstring>

/// A MIDI expression of a cell, a 10-byte record kept inside the object; always saved whole. The
/// record starts with the expression's position in the measure (s32, EDU from the measure's
/// start); the rest is carried whole.
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

    fourbyte GetMeasurePos() const {
        fourbyte position;
        std::memcpy(&position, _record, sizeof position);
        return position;
    }
    void SetMeasurePos(fourbyte position) { std::memcpy(_record, &position, sizeof position); }

    const unsigned char* _GetRecord() const { return _record; }
    unsigned char* _GetRecord() { return _record; }

private:
    unsigned char _record[RECORD_SIZE] = {};
};
