// Selections as a user names them: staves by score position ("3", "2-5"), by part id or part name
// with an optional staff number ("P2", "P2:1", "Violin I"), measures by their printed numbers
// ("5-8"), pickup measures included.
#pragma once

#include "cli/musicxml/Score.h"

#include <optional>
#include <string>
#include <string_view>

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
    StaffRange staves;
    std::optional<MeasureRange> measures;
};

/// A contiguous range of staves. Throws UsageError naming what was not found.
StaffRange ParseStaves(const Score& score, std::string_view text);
/// A range of measures by printed numbers. Throws UsageError.
MeasureRange ParseMeasures(const Score& score, std::string_view text);
/// STAVES[@MEASURES]. Throws UsageError.
Selection ParseSelection(const Score& score, std::string_view text);

/// How a staff is named in reports: its position, part id, staff number and part name.
std::string DescribeStaff(const Score& score, int hostStaff);
/// The printed numbers of a measure range ("5-8", or "5" for one measure).
std::string DescribeMeasures(const Score& score, const MeasureRange& range);
/// A measure range in words: "measure 5", "measures 5-8".
std::string NameMeasures(const Score& score, const MeasureRange& range);
/// A staff range in words: "staff 2", "staves 2-3".
std::string NameStaves(const StaffRange& range);

} // namespace cadentra_cli
