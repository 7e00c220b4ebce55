#include "cli/Selection.h"

#include <algorithm>
#include <cctype>

namespace cadentra_cli {
namespace {

bool IsNumber(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
    });
}

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

/// The part a reference names: its id first, then its name (exactly, then ignoring case).
int FindPart(const Score& score, std::string_view reference) {
    for (size_t i = 0; i < score.parts.size(); ++i)
        if (score.parts[i].id == reference) return static_cast<int>(i);
    for (size_t i = 0; i < score.parts.size(); ++i)
        if (score.parts[i].name == reference) return static_cast<int>(i);
    for (size_t i = 0; i < score.parts.size(); ++i)
        if (!score.parts[i].name.empty() && Lower(score.parts[i].name) == Lower(reference))
            return static_cast<int>(i);
    return -1;
}

/// One staff reference; nullopt when it names nothing.
std::optional<StaffRange> ResolveOne(const Score& score, std::string_view reference) {
    reference = Trim(reference);
    if (reference.empty()) return std::nullopt;
    const int staffCount = static_cast<int>(score.staves.size());
    if (IsNumber(reference)) {
        const int position = std::stoi(std::string(reference));
        if (position < 1 || position > staffCount) return std::nullopt;
        return StaffRange{position, position};
    }
    int part = FindPart(score, reference);
    if (part >= 0) {
        const Part& p = score.parts[static_cast<size_t>(part)];
        return StaffRange{p.firstHostStaff, p.firstHostStaff + p.staffCount - 1};
    }
    const size_t colon = reference.rfind(':');
    if (colon != std::string_view::npos && IsNumber(reference.substr(colon + 1))) {
        part = FindPart(score, Trim(reference.substr(0, colon)));
        if (part < 0) return std::nullopt;
        const int staff = std::stoi(std::string(reference.substr(colon + 1)));
        const int host = score.HostStaff(part, staff);
        if (host == 0) return std::nullopt;
        return StaffRange{host, host};
    }
    return std::nullopt;
}

int ResolveMeasure(const Score& score, std::string_view number) {
    return score.MeasureOfNumber(std::string(Trim(number)));
}

std::string KnownMeasures(const Score& score) {
    if (score.measures.empty()) return "the score has no measures";
    return "measures are numbered " + score.measures.front().number + " to " +
           score.measures.back().number;
}

} // namespace

StaffRange ParseStaves(const Score& score, std::string_view text) {
    if (auto one = ResolveOne(score, text)) return *one;
    // A range: try every '-' as the separator, so that names with dashes still work.
    for (size_t dash = text.find('-'); dash != std::string_view::npos;
         dash = text.find('-', dash + 1)) {
        auto from = ResolveOne(score, text.substr(0, dash));
        auto to = ResolveOne(score, text.substr(dash + 1));
        if (from && to) {
            if (from->first > to->last)
                throw UsageError{"staves \"" + std::string(text) +
                                 "\": the first staff comes after the last"};
            return StaffRange{from->first, to->last};
        }
    }
    throw UsageError{"no staff \"" + std::string(text) + "\" in the score (staves are 1 to " +
                     std::to_string(score.staves.size()) +
                     ", or a part id or name; see 'cadentra info')"};
}

MeasureRange ParseMeasures(const Score& score, std::string_view text) {
    if (const int one = ResolveMeasure(score, text)) return MeasureRange{one, one};
    for (size_t dash = text.find('-'); dash != std::string_view::npos;
         dash = text.find('-', dash + 1)) {
        const int from = ResolveMeasure(score, text.substr(0, dash));
        const int to = ResolveMeasure(score, text.substr(dash + 1));
        if (from && to) {
            if (from > to)
                throw UsageError{"measures \"" + std::string(text) +
                                 "\": the first measure comes after the last"};
            return MeasureRange{from, to};
        }
    }
    throw UsageError{"no measure \"" + std::string(text) + "\" in the score (" +
                     KnownMeasures(score) + ")"};
}

Selection ParseSelection(const Score& score, std::string_view text) {
    Selection selection;
    const size_t at = text.rfind('@');
    if (at == std::string_view::npos) {
        selection.staves = ParseStaves(score, text);
        return selection;
    }
    selection.staves = ParseStaves(score, text.substr(0, at));
    selection.measures = ParseMeasures(score, text.substr(at + 1));
    return selection;
}

std::string DescribeStaff(const Score& score, int hostStaff) {
    const StaffInfo& staff = score.staves[static_cast<size_t>(hostStaff - 1)];
    const Part& part = score.parts[static_cast<size_t>(staff.part)];
    std::string text = "staff " + std::to_string(hostStaff) + " (" + part.id;
    if (part.staffCount > 1) text.append(":").append(std::to_string(staff.partStaff));
    if (!part.name.empty()) text += " \"" + part.name + "\"";
    return text + ")";
}

std::string DescribeMeasures(const Score& score, const MeasureRange& range) {
    const std::string& first = score.measures[static_cast<size_t>(range.first - 1)].number;
    if (range.first == range.last) return first;
    return first + "-" + score.measures[static_cast<size_t>(range.last - 1)].number;
}

} // namespace cadentra_cli
