#include "finaleframework/document/FCCategoryDef.h"

twobyte FCCategoryDef::GetValue(int index) const {
    if (index < 1 || index > VALUE_COUNT) return 0;
    return _values[index - 1];
}

void FCCategoryDef::SetValue(int index, twobyte value) {
    if (index < 1 || index > VALUE_COUNT) return;
    _values[index - 1] = value;
}
