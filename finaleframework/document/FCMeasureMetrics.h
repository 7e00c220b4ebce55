// The host's layout metrics of one measure of one staff.
#pragma once

#include "finaleframework/core/FCBase.h"
#include "finalepdk/MeasureMetrics.h"

class FCCell;

/// Holds the measure metrics record that the host computes for one cell. The framework reads none
/// of its fields; it only asks the host to fill it.
class FCMeasureMetrics : public __FCBase {
public:
    FCMeasureMetrics();

    const char* ClassName() override { return "FCMeasureMetrics"; }

    /// Asks the host for the metrics of the cell's staff and measure; `flag` is passed on to the
    /// host. False for a null cell or when the host answers nothing.
    bool Load(FCCell* cell, bool flag);

    /// The record as the host last filled it (zeroed before the first successful load).
    const EMEASUREMETRICS* _GetMetrics() const { return &_metrics; }

private:
    EMEASUREMETRICS _metrics;
};
