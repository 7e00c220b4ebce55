// What `cadentra info` shows of a score: its staves, measures and rehearsal marks, and its note
// events per voice, per measure (--by-measure) or where a rhythm fits (--match).
#pragma once

#include "cli/musicxml/Score.h"
#include "host/Document.h"

#include <optional>
#include <ostream>
#include <string>

namespace cadentra_cli {

struct InfoOptions {
    std::optional<std::string> measures; // --measures: the measures counted or searched
    bool byMeasure = false;              // --by-measure: a table of measures
    std::optional<std::string> match;    // --match STAFF@MEASURES: where that rhythm fits
};

/// Prints what `info` shows of the score read from `path` into `document`. Throws UsageError for
/// a selection the score does not have and for a --match source without note events (part of
/// the text may have been printed then).
void PrintInfo(const std::string& path, const Score& score, const host::Document& document,
               const InfoOptions& options, std::ostream& out);

} // namespace cadentra_cli
