#include "finaleframework/records/FCBrowserMeasures.h"

#include "finaleframework/document/FCMeasure.h"

__FCBaseData* FCBrowserMeasures::CreateAnObject() {
    return new FCMeasure;
}
