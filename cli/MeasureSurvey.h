// The note events of a score measure by measure: the table of `info --by-measure`, and where a
// rhythm fits (`info --match`).
#pragma once

#include "cli/Selection.h"
#include "host/Document.h"

#include <ostream>
#include <vector>

namespace cadentra_cli {

/// The note events of one layer of a staff, measure by measure, counted as COPY counts them.
class LayerCounts {
public:
    LayerCounts(const host::Document& document, int staff, int layer, int measureCount);

    /// Whether the layer has entries (notes or rests) in host measure `measure`.
    bool HasEntries(int measure) const { return at(measure).entries; }
    /// The events of `measure` alone, as COPY counts a selection of that one measure: a note tied
    /// in from the measure before starts one.
    int InMeasure(int measure) const { return at(measure).events; }
    /// The events of measures first..last, as COPY counts them over that selection: a chain tied
    /// over a bar inside it counts once.
    int Over(int first, int last) const;

private:
    struct Measure {
        bool entries = false;
        int events = 0;
        /// Its first entry is a note that goes on with the event of the layer's last entry
        /// before it (in an earlier measure).
        bool continues = false;
        int eventsBefore = 0;    // the events of all earlier measures, each counted alone
        int continuedBefore = 0; // the earlier measures that continue
        int nextWithEntries = 0; // the first measure from this one on that has entries (0: none)
    };
    const Measure& at(int measure) const { return measures_[static_cast<size_t>(measure - 1)]; }

    std::vector<Measure> measures_; // host measure m is measures_[m - 1]; one past the last
};

/// Prints a table of the note events of every layer of every staff (a row each: position, part
/// id, layer and voice) in every measure of `range` (a column each, by printed number), in
/// blocks of measures that fit `width` columns. "-" marks a measure where the layer has nothing.
void PrintMeasureTable(const Score& score, const host::Document& document,
                       const MeasureRange& range, std::ostream& out, int width = 100);

/// Prints every staff and layer, with every run of as many consecutive measures (within `within`)
/// as `source` holds, whose note events number those of layer 1 of staff `sourceStaff` over
/// `source` and whose measures have the lengths of the source's: where COPY would lay that rhythm.
/// The source itself is not listed. Throws UsageError when the source has no note event.
void PrintMatches(const Score& score, const host::Document& document, int sourceStaff,
                  const MeasureRange& source, const MeasureRange& within, std::ostream& out);

} // namespace cadentra_cli
