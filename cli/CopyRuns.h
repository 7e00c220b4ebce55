// `copy` as one or more runs of the plug-in on one document: COPY on each contiguous range of the
// destination staves, over the destination's measures or, with --repeat, over each block of them
// in turn; the layers not chosen hidden from the plug-in while it runs. One report of them all.
#pragma once

#include "cli/LayerReport.h"
#include "cli/PluginSession.h"
#include "cli/RefusalDetails.h"

#include <ostream>
#include <string>
#include <vector>

namespace cadentra_cli {

/// What `copy` was asked to do, in host numbers.
struct CopyPlan {
    StaffRange sourceStaves;
    MeasureRange sourceMeasures;
    std::vector<StaffRange> destinations; // contiguous ranges, in score order
    MeasureRange destinationMeasures;
    bool repeat = false;
    /// The destination measures, or with `repeat` its consecutive blocks of as many measures as
    /// the source has.
    std::vector<MeasureRange> blocks;
    /// By layer index: whether that layer may take the rhythm.
    std::vector<bool> chosen;
};

/// The plan of a request: its blocks, and its runs checked against each other. Throws
/// UsageError where --repeat's range is not a whole number of blocks, or where one run would
/// change the source that another run copies.
CopyPlan MakeCopyPlan(const Score& score, const StaffRange& sourceStaves,
                      const MeasureRange& sourceMeasures,
                      const std::vector<StaffRange>& destinations,
                      const MeasureRange& destinationMeasures, bool repeat,
                      std::vector<bool> chosen);

/// One destination layer in one block: as it was, whether the plug-in rewrote it, and (for a
/// dry run) its music measure by measure before and after.
struct LayerResult {
    LayerBefore before;
    bool changed = false;
    std::vector<std::string> musicBefore;
    std::vector<std::string> musicAfter;
};

struct BlockResult {
    MeasureRange measures;
    std::vector<LayerResult> layers; // every layer of every destination staff, in score order
};

struct PlanOutcome {
    int sourceEvents = 0;
    std::vector<BlockResult> blocks;
    /// Set when a run was refused: what the plug-in showed, and what that run asked for.
    bool refused = false;
    std::vector<PluginAlert> alerts;
    CopyRequest refusedRun;

    bool AnyChanged() const;
};

/// Runs the plan's COPYs, one after the other, on `document` (each SET SOURCE then COPY through
/// the plug-in's entry points), with the layers that are not chosen hidden; stops at the first
/// refusal. With `preview`, the music of the layers that took the rhythm is kept before and
/// after.
PlanOutcome RunCopyPlan(const Score& score, host::Document& document, const CopyPlan& plan,
                        bool preview);

/// One destination staff range in one block whose layers took the rhythm: what a preview shows.
struct ChangedRange {
    size_t block = 0; // index into PlanOutcome::blocks
    StaffRange staves;
    std::vector<const LayerResult*> layers; // every layer of the range, in score order
    std::vector<int> changedStaves;         // the staves of the range with a layer that changed
};

/// The ranges of the plan that took the rhythm, block by block and in score order within a
/// block; the layers they point to are the outcome's.
std::vector<ChangedRange> ChangedRanges(const CopyPlan& plan, const PlanOutcome& outcome);

/// The report's first line: the source, its measures and its note events (no line break).
std::string DescribeSource(const Score& score, const CopyPlan& plan, const PlanOutcome& outcome);
/// The report's line of one destination layer in block `block`: the layer, and what it got and
/// why (no indentation, no line break).
std::string DescribeLayerResult(const Score& score, const CopyPlan& plan,
                                const PlanOutcome& outcome, const BlockResult& block,
                                const LayerResult& layer);

/// The report of runs that were not refused: the source, then per block what each destination
/// layer got and why.
void ReportCopyPlan(const Score& score, const CopyPlan& plan, const PlanOutcome& outcome,
                    std::ostream& report);

/// The music of the layers that took the rhythm, measure by measure, before and after.
void ReportPreview(const Score& score, const CopyPlan& plan, const PlanOutcome& outcome,
                   std::ostream& report);

} // namespace cadentra_cli
