// One measure of one staff.
#pragma once

#include "finaleframework/core/FCBase.h"

/// The intersection of one measure and one staff (the staff by its number, not its slot).
class FCCell : public __FCBase {
public:
    FCCell(twobyte measure, twobyte staff) : _cellMeasure(measure), _cellStaff(staff) {}

    const char* ClassName() override { return "FCCell"; }

    twobyte GetMeasure() const { return static_cast<twobyte>(_cellMeasure); }
    twobyte GetStaff() const { return static_cast<twobyte>(_cellStaff); }

protected:
    fourbyte _cellMeasure = 0;
    fourbyte _cellStaff = 0;
};
