#include "cli/Selection.h"

#include <algorithm>
#include <cctype>
#include <vector>

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

/// What a staff reference names: staves, or a part name that several parts share (then the
/// message that refuses it), or nothing.
struct Resolved {
    std::optional<StaffRange> range;
    std::string ambiguity;

    bool Found() const { return range || !ambiguity.empty(); }
};

/// The refusal of a name that the parts `candidates` share.
std::string Ambiguity(const Score& score, std::string_view reference,
                      const std::vector<int>& candidates) {
    std::string list;
    for (size_t i = 0; i < candidates.size(); ++i) {
        const Part& part = score.parts[static_cast<size_t>(candidates[i])];
        if (i > 0) list += i + 1 == candidates.size() ? " and " : ", ";
        list +=
            NameStaves(StaffRange{part.firstHostStaff, part.firstHostStaff + part.staffCount - 1}) +
            " (" + part.id + ")";
    }
    return "the part name \"" + std::string(reference) +
           "\" is ambiguous: " + std::to_string(candidates.size()) + " parts have it, " + list +
           "; name one by its part id or position";
}

/// The parts a reference names: the part with that id, else every part with that name (names
/// are matched without regard to case).
std::vector<int> FindParts(const Score& score, std::string_view reference) {
    for (size_t i = 0; i < score.parts.size(); ++i)
        if (score.parts[i].id == reference) return {static_cast<int>(i)};
    std::vector<int> named;
    const std::string lower = Lower(reference);
    for (size_t i = 0; i < score.parts.size(); ++i)
        if (!score.parts[i].name.empty() && Lower(score.parts[i].name) == lower)
            named.push_back(static_cast<int>(i));
    return named;
}

/// One staff reference: a position, a part, or one staff of a part (PART:N).
Resolved ResolveOne(const Score& score, std::string_view reference) {
    reference = Trim(reference);
    if (reference.empty()) return {};
    const int staffCount = static_cast<int>(score.staves.size());
    if (IsNumber(reference)) {
        if (reference.size() > 9) return {};
        const int position = std::stoi(std::string(reference));
        if (position < 1 || position > staffCount) return {};
        return {StaffRange{position, position}, {}};
    }
    std::vector<int> parts = FindParts(score, reference);
    if (parts.size() > 1) return {std::nullopt, Ambiguity(score, reference, parts)};
    if (parts.size() == 1) {
        const Part& p = score.parts[static_cast<size_t>(parts[0])];
        return {StaffRange{p.firstHostStaff, p.firstHostStaff + p.staffCount - 1}, {}};
    }
    const size_t colon = reference.rfind(':');
    const std::string_view number =
        colon == std::string_view::npos ? std::string_view() : reference.substr(colon + 1);
    if (!IsNumber(number) || number.size() > 9) return {};
    const std::string_view name = Trim(reference.substr(0, colon));
    parts = FindParts(score, name);
    if (parts.size() > 1) return {std::nullopt, Ambiguity(score, name, parts)};
    if (parts.empty()) return {};
    const int host = score.HostStaff(parts[0], std::stoi(std::string(number)));
    if (host == 0) return {};
    return {StaffRange{host, host}, {}};
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
    const Resolved whole = ResolveOne(score, text);
    if (whole.range) return *whole.range;
    if (!whole.ambiguity.empty()) throw UsageError{whole.ambiguity};
    // A range: try every '-' as the separator, so that names with dashes still work. A range
    // whose ends are found but one of them is a shared name is refused unless another '-'
    // makes a range of two unique ends.
    std::string ambiguity;
    for (size_t dash = text.find('-'); dash != std::string_view::npos;
         dash = text.find('-', dash + 1)) {
        const Resolved from = ResolveOne(score, text.substr(0, dash));
        const Resolved to = ResolveOne(score, text.substr(dash + 1));
        if (!from.Found() || !to.Found()) continue;
        if (!from.range || !to.range) {
            if (ambiguity.empty()) ambiguity = from.range ? to.ambiguity : from.ambiguity;
            continue;
        }
        if (from.range->first > to.range->last)
            throw UsageError{"staves \"" + std::string(text) +
                             "\": the first staff comes after the last"};
        return StaffRange{from.range->first, to.range->last};
    }
    if (!ambiguity.empty()) throw UsageError{ambiguity};
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

std::string NameMeasures(const Score& score, const MeasureRange& range) {
    return (range.first == range.last ? "measure " : "measures ") + DescribeMeasures(score, range);
}

std::string NameStaves(const StaffRange& range) {
    if (range.first == range.last) return "staff " + std::to_string(range.first);
    return "staves " + std::to_string(range.first) + "-" + std::to_string(range.last);
}

} // namespace cadentra_cli
