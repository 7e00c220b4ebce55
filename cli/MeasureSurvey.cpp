#include "cli/MeasureSurvey.h"

#include "cli/LayerReport.h"
#include "cli/musicxml/EventMatch.h"
#include "cli/musicxml/MusicXmlWriter.h"

#include <algorithm>
#include <string>

namespace cadentra_cli {

LayerCounts::LayerCounts(const host::Document& document, int staff, int layer, int measureCount)
    : measures_(static_cast<size_t>(std::max(measureCount, 0)) + 1) {
    const EXENTRY* last = nullptr; // the layer's last entry so far, in a measure of key lastKey
    utwobyte lastKey = 0;
    for (int m = 1; m <= measureCount; ++m) {
        Measure& measure = measures_[static_cast<size_t>(m - 1)];
        Measure& next = measures_[static_cast<size_t>(m)];
        const auto frame = document.frames.find(host::FrameKey{
            static_cast<twobyte>(staff), static_cast<twobyte>(m), static_cast<twobyte>(layer)});
        if (frame != document.frames.end() && !frame->second.empty()) {
            const std::vector<EXENTRY>& entries = frame->second;
            const utwobyte key = static_cast<size_t>(m) <= document.measures.size()
                                     ? document.measures[static_cast<size_t>(m - 1)].keyValue
                                     : 0;
            measure.entries = true;
            measure.events = CountEvents(entries, key);
            measure.continues = last && ContinuesEvent(*last, lastKey, &entries.front(), key);
            last = &entries.back();
            lastKey = key;
        }
        next.eventsBefore = measure.eventsBefore + measure.events;
        next.continuedBefore = measure.continuedBefore + (measure.continues ? 1 : 0);
    }
    int withEntries = 0;
    for (int m = measureCount; m >= 1; --m) {
        Measure& measure = measures_[static_cast<size_t>(m - 1)];
        if (measure.entries) withEntries = m;
        measure.nextWithEntries = withEntries;
    }
}

int LayerCounts::Over(int first, int last) const {
    // Counted alone, each measure that goes on with the event before it counts it again; inside
    // the selection it does not, except the selection's first measure with entries, whose
    // event began before the selection.
    const Measure& start = at(first);
    const Measure& end = measures_[static_cast<size_t>(last)];
    int events = end.eventsBefore - start.eventsBefore;
    events -= end.continuedBefore - start.continuedBefore;
    if (start.nextWithEntries != 0 && start.nextWithEntries <= last &&
        at(start.nextWithEntries).continues)
        ++events;
    return events;
}

namespace {

/// Columns a text takes on a terminal: one per character (UTF-8 continuation bytes take none).
size_t Width(const std::string& text) {
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

std::string PadLeft(const std::string& text, size_t width) {
    const size_t used = Width(text);
    return std::string(width > used ? width - used : 0, ' ') + text;
}

std::string PadRight(const std::string& text, size_t width) {
    const size_t used = Width(text);
    return text + std::string(width > used ? width - used : 0, ' ');
}

std::string PartStaffId(const Score& score, int hostStaff) {
    const StaffInfo& staff = score.staves[static_cast<size_t>(hostStaff - 1)];
    const Part& part = score.parts[static_cast<size_t>(staff.part)];
    return part.staffCount > 1 ? part.id + ":" + std::to_string(staff.partStaff) : part.id;
}

/// One row of the table: its label columns and its cells.
struct Row {
    std::string position, part, layer, voice;
    std::vector<std::string> cells; // by measure of the range
};

std::vector<Row> TableRows(const Score& score, const host::Document& document,
                           const MeasureRange& range) {
    std::vector<Row> rows;
    const int measureCount = static_cast<int>(score.measures.size());
    for (int s = 1; s <= static_cast<int>(score.staves.size()); ++s) {
        const std::vector<std::string>& voices = score.staves[static_cast<size_t>(s - 1)].voices;
        // A staff without music still gets a row, of nothing.
        const size_t layers = std::max<size_t>(voices.size(), 1);
        for (size_t v = 0; v < layers; ++v) {
            Row row{std::to_string(s),
                    PartStaffId(score, s),
                    std::to_string(v + 1),
                    v < voices.size() ? (voices[v].empty() ? "none" : voices[v]) : "-",
                    {}};
            const LayerCounts counts(document, s, static_cast<int>(v), measureCount);
            for (int m = range.first; m <= range.last; ++m)
                row.cells.push_back(counts.HasEntries(m) ? std::to_string(counts.InMeasure(m))
                                                         : "-");
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

} // namespace

void PrintMeasureTable(const Score& score, const host::Document& document,
                       const MeasureRange& range, std::ostream& out, int width) {
    const std::vector<Row> rows = TableRows(score, document, range);
    Row titles{"staff", "part", "layer", "voice", {}};
    size_t positionWidth = Width(titles.position), partWidth = Width(titles.part),
           layerWidth = Width(titles.layer), voiceWidth = Width(titles.voice);
    for (const Row& row : rows) {
        positionWidth = std::max(positionWidth, Width(row.position));
        partWidth = std::max(partWidth, Width(row.part));
        layerWidth = std::max(layerWidth, Width(row.layer));
        voiceWidth = std::max(voiceWidth, Width(row.voice));
    }
    auto label = [&](const Row& row) {
        return "  " + PadLeft(row.position, positionWidth) + " " + PadRight(row.part, partWidth) +
               " " + PadLeft(row.layer, layerWidth) + " " + PadRight(row.voice, voiceWidth) + " |";
    };
    const size_t labelWidth = Width(label(titles));
    // Each measure's column is as wide as its number or its widest cell, after a space.
    const int count = range.last - range.first + 1;
    std::vector<size_t> columns(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        size_t column = std::max<size_t>(
            2, Width(score.measures[static_cast<size_t>(range.first + i - 1)].number));
        for (const Row& row : rows)
            column = std::max(column, Width(row.cells[static_cast<size_t>(i)]));
        columns[static_cast<size_t>(i)] = column + 1;
    }
    for (int begin = 0; begin < count;) {
        // As many measures as fit, and at least one.
        int end = begin + 1;
        size_t used = labelWidth + columns[static_cast<size_t>(begin)];
        while (end < count &&
               used + columns[static_cast<size_t>(end)] <= static_cast<size_t>(width))
            used += columns[static_cast<size_t>(end++)];
        if (begin > 0) out << "\n";
        out << label(titles);
        for (int i = begin; i < end; ++i)
            out << PadLeft(score.measures[static_cast<size_t>(range.first + i - 1)].number,
                           columns[static_cast<size_t>(i)]);
        out << "\n";
        for (const Row& row : rows) {
            out << label(row);
            for (int i = begin; i < end; ++i)
                out << PadLeft(row.cells[static_cast<size_t>(i)], columns[static_cast<size_t>(i)]);
            out << "\n";
        }
        begin = end;
    }
}

void PrintMatches(const Score& score, const host::Document& document, int sourceStaff,
                  const MeasureRange& source, const MeasureRange& within, std::ostream& out) {
    const int measureCount = static_cast<int>(score.measures.size());
    const int length = source.last - source.first + 1;
    const int events =
        LayerCounts(document, sourceStaff, 0, measureCount).Over(source.first, source.last);
    const std::string sourceText =
        DescribeStaff(score, sourceStaff) + ", " + NameMeasures(score, source) + ", layer 1";
    if (events == 0)
        throw UsageError{"--match: " + sourceText +
                         " has no note event, so there is no rhythm to match"};
    auto sameLengths = [&](int first) {
        for (int i = 0; i < length; ++i)
            if (document.MeasureDuration(static_cast<twobyte>(first + i)) !=
                document.MeasureDuration(static_cast<twobyte>(source.first + i)))
                return false;
        return true;
    };
    out << "Source: " << sourceText << ": " << Plural(events, "note event", "note events") << "\n"
        << "Layers with " << Plural(events, "note event", "note events") << " over "
        << Plural(length, "measure", "measures")
        << (length == 1 ? " of the source's length" : " of the source's lengths") << ", "
        << NameMeasures(score, within) << ":\n";
    bool any = false;
    for (int s = 1; s <= static_cast<int>(score.staves.size()); ++s) {
        const size_t layers = score.staves[static_cast<size_t>(s - 1)].voices.size();
        for (size_t layer = 0; layer < layers; ++layer) {
            const LayerCounts counts(document, s, static_cast<int>(layer), measureCount);
            std::string runs;
            for (int first = within.first; first + length - 1 <= within.last; ++first) {
                const bool isSource = s == sourceStaff && layer == 0 && first == source.first;
                if (isSource || counts.Over(first, first + length - 1) != events ||
                    !sameLengths(first))
                    continue;
                runs += (runs.empty() ? "" : ", ") +
                        DescribeMeasures(score, MeasureRange{first, first + length - 1});
            }
            if (runs.empty()) continue;
            out << "  " << DescribeStaff(score, s) << " layer " << (layer + 1) << ": " << runs
                << "\n";
            any = true;
        }
    }
    if (!any) out << "  none\n";
}

} // namespace cadentra_cli
