// Selections as a user names them: staves by score position ("3", "2-5"), by part id or part name
// with an optional staff number ("P2", "P2:1", "Violin I"), lists of them ("2,4,6-8"); measures by
// their printed numbers ("5-8"), pickup measures included, or by rehearsal marks ("B", "B-C");
// layers by their numbers ("1,2").
#pragma once

#include "cli/musicxml/Score.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cadentra_cli {

/// A command line the program cannot follow. Exit code 2.
struct UsageError {
    std::string message;
};

/// Host staff numbers first..last (score positions).
struct StaffRange {
    int first = 0;
    int last = 0;
};

/// Host measure numbers first..last.
struct MeasureRange {
    int first = 0;
    int last = 0;
};

struct Selection {
    StaffRange staves;              // from the first staff named to the last
    std::vector<StaffRange> ranges; // the contiguous ranges named, in score order
    std::optional<MeasureRange> measures;
};

/// A contiguous range of staves. Throws UsageError naming what was not found.
StaffRange ParseStaves(const Score& score, std::string_view text);
/// Staves separated by commas, each a staff or a range ("2,4,6-8"), gathered into contiguous
/// ranges in score order (overlapping and neighbouring ones joined). A name that holds a comma is
/// still one name. Throws UsageError.
std::vector<StaffRange> ParseStaffList(const Score& score, std::string_view text);
/// A range of measures: printed numbers ("5-8", "12"), a rehearsal mark ("B": its passage), or a
/// range whose ends are either ("B-C": from the start of B's passage to the end of C's). Throws
/// UsageError.
MeasureRange ParseMeasures(const Score& score, std::string_view text);
/// STAVES[@MEASURES], STAVES a list as ParseStaffList takes it. Throws UsageError.
Selection ParseSelection(const Score& score, std::string_view text);
/// The passage of rehearsal mark `index` (of Score::rehearsalMarks): from the measure that holds
/// it up to the one before the next mark's measure, or to the last measure.
MeasureRange MarkPassage(const Score& score, size_t index);
/// Layers by their numbers, from 1, as `info` shows them: separated by commas, each a number or
/// a range ("1,2", "2-4"). Answers, for each layer index below `layerCount`, whether it is named.
/// Throws UsageError.
std::vector<bool> ParseLayers(std::string_view text, int layerCount);

/// How a staff is named in reports: its position, part id, staff number and part name.
std::string DescribeStaff(const Score& score, int hostStaff);
/// The printed numbers of a measure range ("5-8", or "5" for one measure).
std::string DescribeMeasures(const Score& score, const MeasureRange& range);
/// A measure range in words: "measure 5", "measures 5-8".
std::string NameMeasures(const Score& score, const MeasureRange& range);
/// A staff range in words: "staff 2", "staves 2-3".
std::string NameStaves(const StaffRange& range);

} // namespace cadentra_cli
