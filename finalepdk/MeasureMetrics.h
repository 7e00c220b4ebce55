// The measure metrics record that FX_GetMeasureMetrics fills for one cell (one staff in one
// measure). The framework only hands its storage to the host and reads none of it; the layout is
// the host's and is written down here so that both sides agree on its size.
#pragma once

#include "finalepdk/PdkTypes.h"

#include <cstddef>

#pragma pack(push, 1)

struct EMEASUREMETRICS {
    twobyte staff;        // the staff asked for
    twobyte measure;      // the measure asked for
    twobyte option;       // the request's option word, as passed
    utwobyte keyValue;    // key value in force in the measure
    fourbyte duration;    // length of the measure in EDU
    twobyte beats;        // time signature: beats
    twobyte beatDuration; // time signature: EDU per beat
    twobyte entryCount;   // entries of the cell, all layers together
    utwobyte layersUsed;  // bit i set when layer index i holds entries
    fourbyte width;       // width of the measure in EVPU (288 to the inch)
    fourbyte reserved[4];
};
static_assert(sizeof(EMEASUREMETRICS) == 40);
static_assert(offsetof(EMEASUREMETRICS, duration) == 8);
static_assert(offsetof(EMEASUREMETRICS, width) == 20);

#pragma pack(pop)
