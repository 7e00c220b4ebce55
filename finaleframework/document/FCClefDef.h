// Clef definitions.
#pragma once

#include "finaleframework/records/FCOther.h"

/// One clef definition (numbered from 0), an 18-byte record kept inside the object. Only the first
/// field is interpreted: the staff position of middle C, which the pitch calculations add to a
/// note's displacement. The rest is carried whole.
class FCClefDef : public __FCGlobals {
public:
    static constexpr int RECORD_SIZE = 18;

    const char* ClassName() override { return "FCClefDef"; }
    EXTAG Tag() override { return 0x67626366; } // gbcf
    fourbyte DataSizeLoad() override { return RECORD_SIZE; }
    void* Allocate() override { return _record; }
    __FCBaseData* CreateObject() override { return new FCClefDef; }
    void CloneMemoryFrom(__FCBaseData* source) override;
    ~FCClefDef() override = default;

    twobyte GetMiddleCPos() const;
    void SetMiddleCPos(twobyte position);

private:
    unsigned char _record[RECORD_SIZE] = {};
};
