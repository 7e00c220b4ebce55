#include "cli/RefusalDetails.h"

#include "cli/LayerReport.h"
#include "cli/musicxml/MusicXmlWriter.h"

#include <vector>

namespace cadentra_cli {
namespace {

// The refusals that get more than the two selections, by their exact text.
constexpr const char* ONE_STAFF =
    "Only one individual staff is allowed as the selected source region.";
constexpr const char* NO_NOTES = "Source region didn't contain any notes in layer 1.";
constexpr const char* MEASURE_LENGTHS =
    "The destination measures must have the same lengths as the source measures.";

/// Pairs of measures named before the rest are only counted.
constexpr int LISTED_PAIRS = 4;

int CountOf(const MeasureRange& range) {
    return range.last - range.first + 1;
}

std::string Side(const Score& score, const StaffRange& staves, const MeasureRange& measures) {
    return NameStaves(staves) + ", " + NameMeasures(score, measures) + " (" +
           Plural(CountOf(measures), "measure", "measures") + ")";
}

std::string BothSides(const Score& score, const CopyRequest& request) {
    return "source: " + Side(score, request.sourceStaves, request.sourceMeasures) +
           "; destination: " + Side(score, request.destinationStaves, request.destinationMeasures);
}

std::string SourceOfSeveralStaves(const Score& score, const CopyRequest& request) {
    const StaffRange& staves = request.sourceStaves;
    const StaffInfo& first = score.staves[static_cast<size_t>(staves.first - 1)];
    const Part& part = score.parts[static_cast<size_t>(first.part)];
    const bool onePart = part.firstHostStaff == staves.first &&
                         part.firstHostStaff + part.staffCount - 1 == staves.last;
    const std::string example =
        onePart ? part.id + ":" + std::to_string(first.partStaff) : std::to_string(staves.first);
    return "source: " + NameStaves(staves) + " (" +
           Plural(staves.last - staves.first + 1, "staff", "staves") + "), " +
           NameMeasures(score, request.sourceMeasures) +
           "; the source must be one staff, such as " + example;
}

std::string SourceWithoutNotes(const Score& score, const host::Document& document,
                               const CopyRequest& request) {
    const int staff = request.sourceStaves.first;
    const MeasureRange& measures = request.sourceMeasures;
    const std::vector<EXENTRY> entries =
        LayerEntries(document, staff, 0, measures.first, measures.last);
    const std::vector<std::string>& voices = score.staves[static_cast<size_t>(staff - 1)].voices;
    const std::string layer =
        voices.empty()
            ? "layer 1"
            : "layer 1 (" +
                  (voices[0].empty() ? "the notes without a voice element" : "voice " + voices[0]) +
                  ")";
    std::string holds;
    if (const int events = CountLayerEvents(document, staff, 0, measures.first, measures.last);
        events > 0)
        holds = layer + " holds " + Plural(events, "note event", "note events") +
                ", which the plug-in could not read";
    else if (!entries.empty())
        holds = "no note in " + layer + ", only rests";
    else
        holds = voices.empty() ? "the staff holds no music there" : "nothing in " + layer;
    return "source: " + NameStaves(request.sourceStaves) + ", " + NameMeasures(score, measures) +
           " (" + Plural(CountOf(measures), "measure", "measures") + "): " + holds;
}

/// Two measure lengths (host units) in the largest note value that measures both.
std::pair<std::string, std::string> Lengths(fourbyte a, fourbyte b) {
    static const struct {
        fourbyte units;
        const char* one;
        const char* many;
    } VALUES[] = {{1024, "quarter note", "quarter notes"},
                  {512, "eighth note", "eighth notes"},
                  {256, "16th note", "16th notes"},
                  {128, "32nd note", "32nd notes"},
                  {64, "64th note", "64th notes"},
                  {1, "unit (1024 to the quarter note)", "units (1024 to the quarter note)"}};
    for (const auto& value : VALUES)
        if (a % value.units == 0 && b % value.units == 0)
            return {Plural(a / value.units, value.one, value.many),
                    Plural(b / value.units, value.one, value.many)};
    return {};
}

std::string MeasuresOfOtherLengths(const Score& score, const host::Document& document,
                                   const CopyRequest& request) {
    std::string pairs;
    int differing = 0;
    const int count =
        std::min(CountOf(request.sourceMeasures), CountOf(request.destinationMeasures));
    for (int i = 0; i < count; ++i) {
        const int source = request.sourceMeasures.first + i;
        const int destination = request.destinationMeasures.first + i;
        const fourbyte sourceLength = document.MeasureDuration(static_cast<twobyte>(source));
        const fourbyte destinationLength =
            document.MeasureDuration(static_cast<twobyte>(destination));
        if (sourceLength == destinationLength || ++differing > LISTED_PAIRS) continue;
        const auto [a, b] = Lengths(sourceLength, destinationLength);
        if (!pairs.empty()) pairs += ", ";
        pairs += "source measure " + score.measures[static_cast<size_t>(source - 1)].number + " (" +
                 a + ") onto destination measure " +
                 score.measures[static_cast<size_t>(destination - 1)].number + " (" + b + ")";
    }
    if (differing == 0) return BothSides(score, request);
    if (differing > LISTED_PAIRS)
        pairs += ", and " + Plural(differing - LISTED_PAIRS, "more pair", "more pairs");
    return "source: " + NameStaves(request.sourceStaves) +
           "; destination: " + NameStaves(request.destinationStaves) + "; lengths differ: " + pairs;
}

} // namespace

std::string ExplainRefusal(const Score& score, const host::Document& document,
                           const CopyRequest& request, const std::string& message) {
    if (message == ONE_STAFF && request.sourceStaves.first != request.sourceStaves.last)
        return SourceOfSeveralStaves(score, request);
    if (message == NO_NOTES) return SourceWithoutNotes(score, document, request);
    if (message == MEASURE_LENGTHS) return MeasuresOfOtherLengths(score, document, request);
    return BothSides(score, request);
}

} // namespace cadentra_cli
