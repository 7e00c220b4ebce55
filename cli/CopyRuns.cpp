#include "cli/CopyRuns.h"

#include "cli/musicxml/MusicXmlWriter.h"
#include "cli/Preview.h"
#include "host/Builder.h"

#include <algorithm>
#include <cstring>

namespace cadentra_cli {
namespace {

int CountOf(const MeasureRange& range) {
    return range.last - range.first + 1;
}

bool Overlap(const MeasureRange& a, const MeasureRange& b) {
    return a.first <= b.last && b.first <= a.last;
}

bool Holds(const StaffRange& range, int staff) {
    return range.first <= staff && staff <= range.last;
}

/// Whether a run of COPY on `staves` over `block` may rewrite the source it copies: its staff's
/// layer 1 in measures that overlap the source's without being the source's own.
bool TouchesSource(const CopyPlan& plan, const StaffRange& staves, const MeasureRange& block) {
    const int sourceStaff = plan.sourceStaves.first;
    return plan.sourceStaves.first == plan.sourceStaves.last && Holds(staves, sourceStaff) &&
           !plan.chosen.empty() && plan.chosen[0] && Overlap(block, plan.sourceMeasures) &&
           block.first != plan.sourceMeasures.first;
}

std::vector<MeasureRange> Blocks(const Score& score, const MeasureRange& source,
                                 const MeasureRange& destination, bool repeat) {
    if (!repeat) return {destination};
    const int length = CountOf(source);
    if (CountOf(destination) % length != 0)
        throw UsageError{"--repeat: the destination, " + NameMeasures(score, destination) +
                         ", has " + Plural(CountOf(destination), "measure", "measures") +
                         ", not a whole number of blocks of the source's " +
                         std::to_string(length) + " (" + NameMeasures(score, source) + ")"};
    std::vector<MeasureRange> blocks;
    for (int first = destination.first; first <= destination.last; first += length)
        blocks.push_back(MeasureRange{first, first + length - 1});
    return blocks;
}

/// How a destination layer is named in reports: its staff, layer and voice.
std::string LayerName(const Score& score, int staff, int layer) {
    const StaffInfo& info = score.staves[static_cast<size_t>(staff - 1)];
    const std::string voice = static_cast<size_t>(layer) < info.voices.size()
                                  ? VoiceName(info.voices[static_cast<size_t>(layer)])
                                  : "no voice";
    return DescribeStaff(score, staff) + ", layer " + std::to_string(layer + 1) + " (" + voice +
           ")";
}

bool SameEntries(const std::vector<EXENTRY>& a, const std::vector<EXENTRY>& b) {
    return a.size() == b.size() &&
           (a.empty() || std::memcmp(a.data(), b.data(), a.size() * sizeof(EXENTRY)) == 0);
}

/// One COPY of the plan: the source onto a range of staves over one block.
struct Run {
    size_t block = 0;
    StaffRange staves;
};

/// The runs in the order they are made: a run that may rewrite the source comes last, so that
/// every other run copies the source as it was.
std::vector<Run> RunOrder(const CopyPlan& plan) {
    std::vector<Run> runs, last;
    for (size_t b = 0; b < plan.blocks.size(); ++b)
        for (const StaffRange& staves : plan.destinations)
            (TouchesSource(plan, staves, plan.blocks[b]) ? last : runs).push_back(Run{b, staves});
    runs.insert(runs.end(), last.begin(), last.end());
    return runs;
}

/// Hides the layers that are not chosen from the plug-in while it lives; the host shows them
/// again afterwards as it did before.
class HiddenLayers {
public:
    HiddenLayers(host::Document& document, const std::vector<bool>& chosen)
        : document_(document), shown_(document.layerShown) {
        for (size_t layer = 0; layer < document.layerShown.size(); ++layer)
            if (layer < chosen.size() && !chosen[layer]) document.layerShown[layer] = false;
    }
    ~HiddenLayers() { document_.layerShown = shown_; }
    HiddenLayers(const HiddenLayers&) = delete;
    HiddenLayers& operator=(const HiddenLayers&) = delete;

private:
    host::Document& document_;
    std::array<bool, 4> shown_;
};

/// The layers of the run's staves as they are before it: every voice of each staff (at least
/// layer 1), with their entries, and for a preview their music.
std::vector<LayerResult> LayersBefore(const Score& score, const host::Document& document,
                                      const CopyPlan& plan, const Run& run, bool preview,
                                      std::vector<std::vector<EXENTRY>>& entries) {
    const MeasureRange& block = plan.blocks[run.block];
    const ArticulationName names = MarkNamesOf(score);
    std::vector<LayerResult> layers;
    for (int staff = run.staves.first; staff <= run.staves.last; ++staff) {
        const int voices = std::max<int>(
            1, static_cast<int>(score.staves[static_cast<size_t>(staff - 1)].voices.size()));
        for (const LayerBefore& before :
             SurveyLayers(document, staff, staff, block.first, block.last, voices)) {
            LayerResult layer{before, false, {}, {}};
            layer.before.chosen = static_cast<size_t>(before.layer) < plan.chosen.size() &&
                                  plan.chosen[static_cast<size_t>(before.layer)];
            for (int m = block.first; preview && m <= block.last; ++m)
                layer.musicBefore.push_back(MeasureMusic(document, staff, before.layer, m, names));
            entries.push_back(LayerEntries(document, staff, before.layer, block.first, block.last));
            layers.push_back(std::move(layer));
        }
    }
    return layers;
}

} // namespace

bool PlanOutcome::AnyChanged() const {
    for (const BlockResult& block : blocks)
        for (const LayerResult& layer : block.layers)
            if (layer.changed) return true;
    return false;
}

CopyPlan MakeCopyPlan(const Score& score, const StaffRange& sourceStaves,
                      const MeasureRange& sourceMeasures,
                      const std::vector<StaffRange>& destinations,
                      const MeasureRange& destinationMeasures, bool repeat,
                      std::vector<bool> chosen) {
    CopyPlan plan{sourceStaves,     sourceMeasures,
                  destinations,     destinationMeasures,
                  repeat,           Blocks(score, sourceMeasures, destinationMeasures, repeat),
                  std::move(chosen)};
    std::vector<MeasureRange> across;
    for (const MeasureRange& block : plan.blocks)
        for (const StaffRange& staves : plan.destinations)
            if (TouchesSource(plan, staves, block)) across.push_back(block);
    if (across.size() > 1)
        throw UsageError{"--repeat: the source, " + NameMeasures(score, sourceMeasures) + " of " +
                         NameStaves(StaffRange{sourceStaves.first, sourceStaves.first}) +
                         ", lies across the blocks " + DescribeMeasures(score, across[0]) +
                         " and " + DescribeMeasures(score, across[1]) +
                         " on its own layer, and copying one would change the rhythm the other "
                         "takes; line the blocks up with the source, or leave out its staff or "
                         "its layer 1 (--voices)"};
    return plan;
}

PlanOutcome RunCopyPlan(const Score& score, host::Document& document, const CopyPlan& plan,
                        bool preview) {
    PlanOutcome outcome;
    const MeasureRange& source = plan.sourceMeasures;
    outcome.sourceEvents =
        CountLayerEvents(document, plan.sourceStaves.first, 0, source.first, source.last);
    for (const MeasureRange& block : plan.blocks)
        outcome.blocks.push_back(BlockResult{block, {}});
    const EREGION sourceRegion = host::Region(
        static_cast<twobyte>(plan.sourceStaves.first), static_cast<twobyte>(plan.sourceStaves.last),
        static_cast<twobyte>(source.first), static_cast<twobyte>(source.last));
    // The source is recorded once and copied onto one selection after the other, as a user
    // of the host program would do it.
    PluginSession session(document);
    const std::vector<Run> runs = RunOrder(plan);
    auto refuse = [&](const Run& run) {
        outcome.refused = true;
        outcome.alerts = session.Alerts();
        outcome.refusedRun =
            CopyRequest{plan.sourceStaves, source, run.staves, plan.blocks[run.block]};
        return outcome;
    };
    if (!session.SetSource(sourceRegion)) return refuse(runs.front());
    for (const Run& run : runs) {
        const MeasureRange& block = plan.blocks[run.block];
        std::vector<std::vector<EXENTRY>> entries;
        std::vector<LayerResult> layers =
            LayersBefore(score, document, plan, run, preview, entries);
        bool copied = false;
        {
            const HiddenLayers hidden(document, plan.chosen);
            copied = session.Copy(host::Region(
                static_cast<twobyte>(run.staves.first), static_cast<twobyte>(run.staves.last),
                static_cast<twobyte>(block.first), static_cast<twobyte>(block.last)));
        }
        if (!copied) return refuse(run);
        for (size_t i = 0; i < layers.size(); ++i)
            layers[i].changed = !SameEntries(
                entries[i], LayerEntries(document, layers[i].before.staff, layers[i].before.layer,
                                         block.first, block.last));
        std::vector<LayerResult>& all = outcome.blocks[run.block].layers;
        all.insert(all.end(), std::make_move_iterator(layers.begin()),
                   std::make_move_iterator(layers.end()));
    }
    outcome.alerts = session.Alerts();
    const ArticulationName names = MarkNamesOf(score);
    for (BlockResult& block : outcome.blocks) {
        std::sort(block.layers.begin(), block.layers.end(),
                  [](const LayerResult& a, const LayerResult& b) {
                      return std::pair(a.before.staff, a.before.layer) <
                             std::pair(b.before.staff, b.before.layer);
                  });
        // What the score would hold once every run is made.
        for (LayerResult& layer : block.layers)
            for (int m = block.measures.first; preview && layer.changed && m <= block.measures.last;
                 ++m)
                layer.musicAfter.push_back(
                    MeasureMusic(document, layer.before.staff, layer.before.layer, m, names));
    }
    return outcome;
}

std::vector<ChangedRange> ChangedRanges(const CopyPlan& plan, const PlanOutcome& outcome) {
    std::vector<ChangedRange> ranges;
    for (size_t b = 0; b < outcome.blocks.size(); ++b)
        for (const StaffRange& staves : plan.destinations) {
            ChangedRange range{b, staves, {}, {}};
            for (const LayerResult& layer : outcome.blocks[b].layers) {
                if (!Holds(staves, layer.before.staff)) continue;
                range.layers.push_back(&layer);
                if (layer.changed && (range.changedStaves.empty() ||
                                      range.changedStaves.back() != layer.before.staff))
                    range.changedStaves.push_back(layer.before.staff);
            }
            if (!range.changedStaves.empty()) ranges.push_back(std::move(range));
        }
    return ranges;
}

std::string DescribeSource(const Score& score, const CopyPlan& plan, const PlanOutcome& outcome) {
    return "Source: " + DescribeStaff(score, plan.sourceStaves.first) + ", " +
           NameMeasures(score, plan.sourceMeasures) +
           ", layer 1: " + Plural(outcome.sourceEvents, "note event", "note events");
}

std::string DescribeLayerResult(const Score& score, const CopyPlan& plan,
                                const PlanOutcome& outcome, const BlockResult& block,
                                const LayerResult& layer) {
    const bool isSource = layer.before.staff == plan.sourceStaves.first &&
                          layer.before.layer == 0 &&
                          block.measures.first == plan.sourceMeasures.first;
    return LayerName(score, layer.before.staff, layer.before.layer) + ": " +
           DescribeOutcome(layer.before, layer.changed, isSource, outcome.sourceEvents);
}

void ReportCopyPlan(const Score& score, const CopyPlan& plan, const PlanOutcome& outcome,
                    std::ostream& report) {
    report << DescribeSource(score, plan, outcome) << "\n";
    for (size_t b = 0; b < outcome.blocks.size(); ++b) {
        const BlockResult& block = outcome.blocks[b];
        if (plan.repeat)
            report << "Block " << (b + 1) << " of " << outcome.blocks.size() << ", "
                   << NameMeasures(score, block.measures) << ":\n";
        for (const LayerResult& layer : block.layers)
            report << "  " << DescribeLayerResult(score, plan, outcome, block, layer) << "\n";
    }
}

void ReportPreview(const Score& score, const CopyPlan& plan, const PlanOutcome& outcome,
                   std::ostream& report) {
    report << "Before and after:\n" << NOTATION_KEY;
    for (const ChangedRange& range : ChangedRanges(plan, outcome)) {
        const BlockResult& block = outcome.blocks[range.block];
        size_t width = 0;
        for (int m = block.measures.first; m <= block.measures.last; ++m)
            width = std::max(width, score.measures[static_cast<size_t>(m - 1)].number.size());
        for (const LayerResult* layer : range.layers) {
            if (!layer->changed) continue;
            report << "  " << LayerName(score, layer->before.staff, layer->before.layer) << ":\n";
            for (size_t i = 0; i < layer->musicAfter.size(); ++i) {
                const std::string& number =
                    score.measures[static_cast<size_t>(block.measures.first - 1) + i].number;
                const std::string label =
                    "measure " + number + std::string(width - number.size(), ' ');
                report << "    " << label << "  before: " << layer->musicBefore[i] << "\n"
                       << "    " << std::string(label.size(), ' ')
                       << "  after:  " << layer->musicAfter[i] << "\n";
            }
        }
    }
}

} // namespace cadentra_cli
