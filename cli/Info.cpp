#include "cli/Info.h"

#include "cli/LayerReport.h"
#include "cli/MeasureSurvey.h"
#include "cli/musicxml/MusicXmlWriter.h"
#include "cli/Selection.h"

namespace cadentra_cli {
namespace {

/// Printed numbers of all measures, consecutive integers folded into ranges.
std::string PrintedNumbers(const Score& score) {
    std::string text;
    size_t i = 0;
    auto integer = [&](size_t k) -> std::optional<long> {
        const std::string& n = score.measures[k].number;
        if (n.empty() || n.find_first_not_of("0123456789") != std::string::npos || n.size() > 9)
            return std::nullopt;
        return std::stol(n);
    };
    while (i < score.measures.size()) {
        size_t j = i;
        if (integer(i))
            while (j + 1 < score.measures.size() && integer(j + 1) &&
                   *integer(j + 1) == *integer(j) + 1 && !score.measures[j + 1].implicit)
                ++j;
        if (!text.empty()) text += ", ";
        text += score.measures[i].number.empty() ? "(unnumbered)" : score.measures[i].number;
        if (j > i) text += "-" + score.measures[j].number;
        if (score.measures[i].implicit && j == i) text += " (implicit)";
        i = j + 1;
    }
    return text;
}

void PrintStaves(const Score& score, std::ostream& out) {
    out << "Staves (position, part, name):\n";
    for (size_t s = 0; s < score.staves.size(); ++s) {
        const StaffInfo& staff = score.staves[s];
        const Part& part = score.parts[static_cast<size_t>(staff.part)];
        std::string id = part.id;
        if (part.staffCount > 1) id.append(":").append(std::to_string(staff.partStaff));
        out << "  " << (s + 1) << "  " << id << "  "
            << (part.name.empty() ? "(no name)" : "\"" + part.name + "\"") << "\n";
    }
}

/// The rehearsal marks with their passages; nothing for a score without marks.
void PrintRehearsalMarks(const Score& score, std::ostream& out) {
    if (score.rehearsalMarks.empty()) return;
    out << "\nRehearsal marks (mark, measures):\n";
    for (size_t i = 0; i < score.rehearsalMarks.size(); ++i)
        out << "  " << score.rehearsalMarks[i].text << "  "
            << DescribeMeasures(score, MarkPassage(score, i)) << "\n";
}

void PrintEventsPerVoice(const Score& score, const host::Document& document,
                         const MeasureRange& range, std::ostream& out) {
    out << "\nNote events per voice, " << NameMeasures(score, range) << ":\n";
    for (size_t s = 0; s < score.staves.size(); ++s) {
        const StaffInfo& staff = score.staves[s];
        out << "  " << (s + 1) << ":";
        if (staff.voices.empty()) out << " no notes";
        for (size_t v = 0; v < staff.voices.size(); ++v) {
            const int events = CountLayerEvents(document, static_cast<int>(s) + 1,
                                                static_cast<int>(v), range.first, range.last);
            out << (v ? "," : "") << " " << VoiceName(staff.voices[v]) << " (layer " << (v + 1)
                << ") " << Plural(events, "event", "events");
        }
        out << "\n";
    }
}

} // namespace

void PrintInfo(const std::string& path, const Score& score, const host::Document& document,
               const InfoOptions& options, std::ostream& out) {
    MeasureRange range{1, static_cast<int>(score.measures.size())};
    if (options.measures) range = ParseMeasures(score, *options.measures);
    std::optional<Selection> match;
    if (options.match) {
        match = ParseSelection(score, *options.match);
        if (match->ranges.size() > 1 || match->staves.first != match->staves.last)
            throw UsageError{"--match takes one staff, found \"" + *options.match + "\""};
        if (!match->measures)
            throw UsageError{"--match needs the source's measures: STAFF@MEASURES, such as 1@5-8"};
    }

    out << path << "\n\n";
    PrintStaves(score, out);
    out << "\nMeasures: " << score.measures.size() << ", printed numbers " << PrintedNumbers(score)
        << "\n";
    PrintRehearsalMarks(score, out);
    if (options.byMeasure) {
        out << "\nNote events per measure, " << NameMeasures(score, range)
            << " (- where a layer has nothing):\n";
        PrintMeasureTable(score, document, range, out);
    }
    if (match) {
        out << "\n";
        PrintMatches(score, document, match->staves.first, *match->measures, range, out);
    }
    if (!options.byMeasure && !match) PrintEventsPerVoice(score, document, range, out);
}

} // namespace cadentra_cli
