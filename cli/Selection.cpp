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

/// The items of a list separated by commas, trimmed (an empty one where two commas meet).
std::vector<std::string_view> ListItems(std::string_view text) {
    std::vector<std::string_view> items;
    size_t begin = 0;
    while (true) {
        const size_t comma = std::min(text.find(',', begin), text.size());
        items.push_back(Trim(text.substr(begin, comma - begin)));
        if (comma == text.size()) return items;
        begin = comma + 1;
    }
}

/// What a staff or measure reference names: a range (host numbers first..last), or a name that
/// several things share (then the message that refuses it), or nothing.
struct Resolved {
    std::optional<std::pair<int, int>> range;
    std::string ambiguity;

    bool Found() const { return range || !ambiguity.empty(); }
};

/// A range named whole by `resolve`, or by its two ends (FIRST-LAST): every '-' is tried as the
/// separator, so that names with dashes still work. A range whose ends are found but one of them
/// is a shared name is refused unless another '-' makes a range of two unique ends. Nullopt when
/// nothing matches; `kind` ("staff", "measure") names the ends in messages.
template <typename Resolve>
std::optional<std::pair<int, int>> ResolveRange(std::string_view text, const char* kind,
                                                const char* kinds, Resolve resolve) {
    const Resolved whole = resolve(text);
    if (whole.range) return whole.range;
    if (!whole.ambiguity.empty()) throw UsageError{whole.ambiguity};
    std::string ambiguity;
    for (size_t dash = text.find('-'); dash != std::string_view::npos;
         dash = text.find('-', dash + 1)) {
        const Resolved from = resolve(text.substr(0, dash));
        const Resolved to = resolve(text.substr(dash + 1));
        if (!from.Found() || !to.Found()) continue;
        if (!from.range || !to.range) {
            if (ambiguity.empty()) ambiguity = from.range ? to.ambiguity : from.ambiguity;
            continue;
        }
        if (from.range->first > to.range->second)
            throw UsageError{std::string(kinds) + " \"" + std::string(text) + "\": the first " +
                             kind + " comes after the last"};
        return std::pair{from.range->first, to.range->second};
    }
    if (!ambiguity.empty()) throw UsageError{ambiguity};
    return std::nullopt;
}

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

Resolved PartStaves(const Score& score, int part) {
    const Part& p = score.parts[static_cast<size_t>(part)];
    return {std::pair{p.firstHostStaff, p.firstHostStaff + p.staffCount - 1}, {}};
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
        return {std::pair{position, position}, {}};
    }
    std::vector<int> parts = FindParts(score, reference);
    if (parts.size() > 1) return {std::nullopt, Ambiguity(score, reference, parts)};
    if (parts.size() == 1) return PartStaves(score, parts[0]);
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
    return {std::pair{host, host}, {}};
}

/// The rehearsal marks with the text `name`, as written or else without regard to case.
std::vector<size_t> FindMarks(const Score& score, std::string_view name) {
    std::vector<size_t> exact, folded;
    const std::string lower = Lower(name);
    for (size_t i = 0; i < score.rehearsalMarks.size(); ++i) {
        const std::string& text = score.rehearsalMarks[i].text;
        if (text == name) exact.push_back(i);
        if (Lower(text) == lower) folded.push_back(i);
    }
    return exact.empty() ? folded : exact;
}

/// One measure name: a printed number, or a rehearsal mark (its passage).
Resolved ResolveMeasure(const Score& score, std::string_view name) {
    name = Trim(name);
    if (name.empty()) return {};
    if (const int measure = score.MeasureOfNumber(std::string(name)))
        return {std::pair{measure, measure}, {}};
    const std::vector<size_t> marks = FindMarks(score, name);
    if (marks.empty()) return {};
    if (marks.size() == 1) {
        const MeasureRange passage = MarkPassage(score, marks[0]);
        return {std::pair{passage.first, passage.last}, {}};
    }
    std::string list;
    for (size_t i = 0; i < marks.size(); ++i) {
        if (i > 0) list += i + 1 == marks.size() ? " and " : ", ";
        list +=
            score.measures[static_cast<size_t>(score.rehearsalMarks[marks[i]].measure - 1)].number;
    }
    return {std::nullopt, "the rehearsal mark \"" + std::string(name) + "\" is ambiguous: " +
                              std::to_string(marks.size()) + " marks have it, in measures " + list +
                              "; name the measures by their numbers"};
}

std::string KnownMeasures(const Score& score) {
    if (score.measures.empty()) return "the score has no measures";
    std::string known = "measures are numbered " + score.measures.front().number + " to " +
                        score.measures.back().number;
    if (score.rehearsalMarks.empty()) return known;
    constexpr size_t LISTED = 12;
    known += "; rehearsal marks ";
    for (size_t i = 0; i < score.rehearsalMarks.size() && i < LISTED; ++i)
        known += (i ? ", " : "") + score.rehearsalMarks[i].text;
    if (score.rehearsalMarks.size() > LISTED) known += ", ...";
    return known;
}

} // namespace

StaffRange ParseStaves(const Score& score, std::string_view text) {
    const auto range = ResolveRange(text, "staff", "staves", [&](std::string_view reference) {
        return ResolveOne(score, reference);
    });
    if (!range)
        throw UsageError{"no staff \"" + std::string(text) + "\" in the score (staves are 1 to " +
                         std::to_string(score.staves.size()) +
                         ", or a part id or name; see 'cadentra info')"};
    return StaffRange{range->first, range->second};
}

std::vector<StaffRange> ParseStaffList(const Score& score, std::string_view text) {
    if (text.find(',') != std::string_view::npos) {
        try {
            return {ParseStaves(score, text)};
        } catch (const UsageError&) {
            // Not one name with a comma in it: a list.
        }
    }
    std::vector<StaffRange> named;
    for (const std::string_view item : ListItems(text)) {
        if (item.empty())
            throw UsageError{"staves \"" + std::string(text) + "\": a comma without a staff"};
        named.push_back(ParseStaves(score, item));
    }
    std::sort(named.begin(), named.end(),
              [](const StaffRange& a, const StaffRange& b) { return a.first < b.first; });
    std::vector<StaffRange> ranges;
    for (const StaffRange& range : named) {
        if (!ranges.empty() && range.first <= ranges.back().last + 1)
            ranges.back().last = std::max(ranges.back().last, range.last);
        else
            ranges.push_back(range);
    }
    return ranges;
}

MeasureRange ParseMeasures(const Score& score, std::string_view text) {
    const auto range = ResolveRange(text, "measure", "measures", [&](std::string_view name) {
        return ResolveMeasure(score, name);
    });
    if (!range)
        throw UsageError{"no measure \"" + std::string(text) + "\" in the score (" +
                         KnownMeasures(score) + ")"};
    return MeasureRange{range->first, range->second};
}

Selection ParseSelection(const Score& score, std::string_view text) {
    Selection selection;
    const size_t at = text.rfind('@');
    selection.ranges = ParseStaffList(score, text.substr(0, at));
    selection.staves = StaffRange{selection.ranges.front().first, selection.ranges.back().last};
    if (at != std::string_view::npos)
        selection.measures = ParseMeasures(score, text.substr(at + 1));
    return selection;
}

MeasureRange MarkPassage(const Score& score, size_t index) {
    const int first = score.rehearsalMarks[index].measure;
    for (size_t next = index + 1; next < score.rehearsalMarks.size(); ++next)
        if (score.rehearsalMarks[next].measure > first)
            return MeasureRange{first, score.rehearsalMarks[next].measure - 1};
    return MeasureRange{first, static_cast<int>(score.measures.size())};
}

std::vector<bool> ParseLayers(std::string_view text, int layerCount) {
    std::vector<bool> chosen(static_cast<size_t>(std::max(layerCount, 0)), false);
    const std::string known = "layers are numbered 1 to " + std::to_string(layerCount) +
                              ", as 'cadentra info' shows them";
    for (const std::string_view item : ListItems(text)) {
        const size_t dash = item.find('-');
        const std::string_view from = Trim(item.substr(0, dash));
        const std::string_view to =
            dash == std::string_view::npos ? from : Trim(item.substr(dash + 1));
        auto number = [&](std::string_view digits) {
            if (!IsNumber(digits) || digits.size() > 2)
                throw UsageError{"layers \"" + std::string(text) + "\": \"" + std::string(item) +
                                 "\" is not a layer number (" + known + ")"};
            const int layer = std::stoi(std::string(digits));
            if (layer < 1 || layer > layerCount)
                throw UsageError{"layers \"" + std::string(text) + "\": there is no layer " +
                                 std::to_string(layer) + " (" + known + ")"};
            return layer;
        };
        const int first = number(from);
        const int last = number(to);
        if (first > last)
            throw UsageError{"layers \"" + std::string(text) + "\": the first layer of \"" +
                             std::string(item) + "\" comes after the last"};
        for (int layer = first; layer <= last; ++layer)
            chosen[static_cast<size_t>(layer - 1)] = true;
    }
    return chosen;
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
