// What COPY did to each destination layer, and why a layer was left alone: shared by `copy`'s
// report and the demo.
#pragma once

#include "host/Document.h"

#include <string>
#include <vector>

namespace cadentra_cli {

/// The entries of one layer (0-based) of a staff over measures first..last, in order.
std::vector<EXENTRY> LayerEntries(const host::Document& document, int staff, int layer, int first,
                                  int last);

/// "1 note event", "3 note events".
std::string Plural(int count, const char* one, const char* many);

/// How a voice is named in reports: "voice 2", or "no voice element" for notes without one.
std::string VoiceName(const std::string& voice);

/// One destination layer as it stood before COPY.
struct LayerBefore {
    int staff = 0;
    int layer = 0; // 0-based
    int events = 0;
    bool shown = true;
    bool chosen = true; // among the layers that may take the rhythm (copy --voices)
};

/// The layers of staves firstStaff..lastStaff over measures first..last before COPY: `layers`
/// per staff (at most the document's).
std::vector<LayerBefore> SurveyLayers(const host::Document& document, int firstStaff, int lastStaff,
                                      int first, int last, int layers);

/// Why a destination layer has what it has after COPY.
std::string DescribeOutcome(const LayerBefore& layer, bool changed, bool isSource,
                            int sourceEvents);

} // namespace cadentra_cli
