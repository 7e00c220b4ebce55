// The preview page of `copy --preview`: for each destination range that took the rhythm, its
// measures of the whole score before and after as engraved notation, one above the other, with
// the staves that changed marked, and the report of that range beside them. Ranges of one block
// (staff ranges of a --to list) share one drawing of its measures. One self-contained
// HTML file (well-formed XML too) that any browser shows offline, without a script.
#pragma once

#include "cli/CopyRuns.h"
#include "cli/Engraver.h"

#include <string>

namespace cadentra_cli {

/// The words and drawings of the page.
struct PreviewInput {
    std::string scoreName;   // the score file as the command line named it
    std::string beforeBytes; // the score's MusicXML as read
    std::string afterBytes;  // the score's MusicXML as the copy writes it
};

/// The page for `plan` and its `outcome` (not refused) on `score`, engraved by `engraver`.
/// Throws InputError where the engraver fails.
std::string MakePreviewPage(const Engraver& engraver, const Score& score, const CopyPlan& plan,
                            const PlanOutcome& outcome, const PreviewInput& input);

} // namespace cadentra_cli
