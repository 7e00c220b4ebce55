#include "finaleframework/document/FCMeasureMetrics.h"

#include "finaleframework/music/FCCell.h"
#include "finalepdk/FinaleBinding.h"

#include <cstring>

FCMeasureMetrics::FCMeasureMetrics() {
    std::memset(&_metrics, 0, sizeof _metrics);
}

bool FCMeasureMetrics::Load(FCCell* cell, bool flag) {
    if (!cell) return false;
    return FX_GetMeasureMetrics(cell->GetStaff(), cell->GetMeasure(), &_metrics, flag ? 1 : 0,
                                FINALEPDK_VERSION) != 0;
}
