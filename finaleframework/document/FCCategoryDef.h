// Expression categories, as far as text expression definitions take their values from them.
#pragma once

#include "finaleframework/core/FCBase.h"

/// A category definition reduced to what a text expression definition copies from it: its number
/// and the six 16-bit values that lie one after another in the category's record (value 1
/// first). The framework does not load or save categories; a caller fills this object.
class FCCategoryDef : public __FCBase {
public:
    static constexpr int VALUE_COUNT = 6;

    const char* ClassName() override { return "FCCategoryDef"; }

    twobyte GetID() const { return _id; }
    void SetID(twobyte id) { _id = id; }
    /// Value `index` from 1 to 6; 0 out of range.
    twobyte GetValue(int index) const;
    void SetValue(int index, twobyte value);

private:
    twobyte _id = 0;
    twobyte _values[VALUE_COUNT] = {};
};
