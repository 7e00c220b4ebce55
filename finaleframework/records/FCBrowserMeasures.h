// The browser over the document's measure records.
#pragma once

#include "finaleframework/records/FCBrowserBase.h"

/// Walks the measure records from measure 1 on; GetCount is the number of measures of the
/// document.
class FCBrowserMeasures : public __FCBrowserNoInciOther {
public:
    const char* ClassName() override { return "FCBrowserMeasures"; }
    /// A new, empty FCMeasure.
    __FCBaseData* CreateAnObject() override;
};
