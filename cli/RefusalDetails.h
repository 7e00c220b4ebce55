// The line under a refusal of the plug-in. Its messages say what is wrong but not with what,
// so this line says what was compared, in the terms of the command line: staves by position,
// measures by their printed numbers.
#pragma once

#include "cli/Selection.h"
#include "host/Document.h"

#include <string>

namespace cadentra_cli {

/// The selections a copy was asked for.
struct CopyRequest {
    StaffRange sourceStaves;
    MeasureRange sourceMeasures;
    StaffRange destinationStaves;
    MeasureRange destinationMeasures;
};

/// What the refusal `message` compared in `document` (as it stood when the plug-in refused):
/// for a source of several staves, those staves; for a source without notes, its staff and
/// measures and what layer 1 holds there; for measures of different lengths, the pairs that
/// differ; for any other refusal, both selections. Never empty; no line break.
std::string ExplainRefusal(const Score& score, const host::Document& document,
                           const CopyRequest& request, const std::string& message);

} // namespace cadentra_cli
