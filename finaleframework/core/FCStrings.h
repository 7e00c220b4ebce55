// A collection of strings.
#pragma once

#include "finaleframework/core/FCCollection.h"
#include "finaleframework/core/FCString.h"

/// A collection whose elements are FCString objects, which it owns.
class FCStrings : public __FCCollection {
public:
    const char* ClassName() override { return "FCStrings"; }
    ~FCStrings() override = default;
};
