#include "cli/musicxml/TupletGroups.h"

#include <algorithm>
#include <cstdint>
#include <map>

namespace cadentra_cli {
namespace {

struct TupletGroup {
    int first = 0;
    int last = 0;
    TupletLook look;
    int statedActual = 0;
    int statedNormal = 0;
    int actualType = 0;
    int normalType = 0;
    Rational factor{1}; // sounding time of its written time
    int actual = 0;
    int normal = 0;
};

/// Outer groups before the groups nested in them.
void SortOuterFirst(std::vector<TupletGroup>& groups) {
    std::sort(groups.begin(), groups.end(), [](const TupletGroup& a, const TupletGroup& b) {
        return a.first != b.first ? a.first < b.first : a.last > b.last;
    });
}

bool Contains(const TupletGroup& outer, const TupletGroup& inner) {
    return outer.first <= inner.first && inner.last <= outer.last;
}

/// The groups the brackets make: a start and the next stop of its number (nested ones by their
/// numbers); a stop on the entry that starts its bracket closes it there only after every start
/// of that entry. A bracket never closed ends with the cell.
std::vector<TupletGroup> BracketGroups(const std::vector<EntryRhythm>& rhythm) {
    const int count = static_cast<int>(rhythm.size());
    std::vector<TupletGroup> groups;
    std::map<int, TupletGroup> open;
    for (int i = 0; i < count; ++i) {
        const auto& marks = rhythm[static_cast<size_t>(i)].marks;
        std::vector<const TupletMark*> laterStops;
        for (const TupletMark& mark : marks) {
            if (mark.start) continue;
            auto it = open.find(mark.number);
            if (it != open.end() && it->second.first < i) {
                it->second.last = i;
                groups.push_back(it->second);
                open.erase(it);
            } else {
                laterStops.push_back(&mark);
            }
        }
        for (const TupletMark& mark : marks) {
            if (!mark.start) continue;
            TupletGroup group;
            group.first = group.last = i;
            group.look = mark.look;
            group.statedActual = mark.actual;
            group.statedNormal = mark.normal;
            group.actualType = mark.actualType;
            group.normalType = mark.normalType;
            open[mark.number] = group;
        }
        for (const TupletMark* mark : laterStops) {
            auto it = open.find(mark->number);
            if (it != open.end() && it->second.first == i) {
                groups.push_back(it->second);
                open.erase(it);
            }
        }
    }
    for (auto& [number, group] : open) {
        group.last = count - 1;
        groups.push_back(group);
    }
    SortOuterFirst(groups);
    return groups;
}

/// The ratio of group `g` (the groups outer first, those before it settled): its stated numbers
/// (and note values, where its entries' written durations make up its actual notes) where it has
/// them, else the time modification of its first entry outside the groups nested in it, with the
/// ratios of the groups around it taken out.
void SetRatio(std::vector<TupletGroup>& groups, size_t g, const std::vector<int>& durations,
              const std::vector<EntryRhythm>& rhythm) {
    TupletGroup& group = groups[g];
    Rational outer(1);
    for (size_t o = 0; o < g; ++o)
        if (Contains(groups[o], group) && groups[o].factor.num != 0)
            outer = outer * groups[o].factor;
    int probe = -1;
    for (int i = group.first; i <= group.last && probe < 0; ++i) {
        bool inInner = false;
        for (size_t h = g + 1; h < groups.size(); ++h)
            if (Contains(group, groups[h]) && groups[h].first <= i && i <= groups[h].last)
                inInner = true;
        if (!inInner) probe = i;
    }
    const EntryRhythm& entry = rhythm[static_cast<size_t>(probe >= 0 ? probe : group.first)];
    if (group.statedActual > 0 && group.statedNormal > 0) {
        group.actual = group.statedActual;
        group.normal = group.statedNormal;
        // "13 thirty-seconds in the time of 6 sixteenths", where the notes fill the 13.
        int64_t span = 0;
        for (int i = group.first; i <= group.last; ++i)
            span += durations[static_cast<size_t>(i)];
        if (group.actualType <= 0 || group.normalType <= 0 ||
            span != static_cast<int64_t>(group.actual) * group.actualType)
            group.actualType = group.normalType = 0;
        group.factor = Rational(group.normal, group.actual);
        if (group.actualType > 0)
            group.factor = group.factor * Rational(group.normalType, group.actualType);
        return;
    }
    if (outer == Rational(1)) {
        group.actual = entry.actual;
        group.normal = entry.normal;
    } else {
        const Rational own = Rational(entry.normal, entry.actual) / outer;
        // Nested ratios multiply; the host's counts are 16 bits.
        if (own.num < 1 || own.num > INT16_MAX || own.den > INT16_MAX) throw UnholdableTuplet{};
        group.actual = static_cast<int>(own.den);
        group.normal = static_cast<int>(own.num);
    }
    group.factor = Rational(group.normal, group.actual);
}

/// Time-modified entries outside every bracket form groups of their own: consecutive entries of
/// one ratio, closed once their written durations fill a whole number of tuplet units.
void AddUnbracketedGroups(std::vector<TupletGroup>& groups, const std::vector<int>& durations,
                          const std::vector<EntryRhythm>& rhythm) {
    const int count = static_cast<int>(rhythm.size());
    std::vector<bool> covered(static_cast<size_t>(count), false);
    for (const TupletGroup& group : groups)
        for (int i = group.first; i <= group.last; ++i)
            covered[static_cast<size_t>(i)] = true;
    auto sameRatio = [&](int j, const EntryRhythm& r) {
        return !covered[static_cast<size_t>(j)] &&
               rhythm[static_cast<size_t>(j)].actual == r.actual &&
               rhythm[static_cast<size_t>(j)].normal == r.normal;
    };
    for (int i = 0; i < count;) {
        const EntryRhythm& r = rhythm[static_cast<size_t>(i)];
        if (covered[static_cast<size_t>(i)] || r.actual == r.normal) {
            ++i;
            continue;
        }
        TupletGroup group;
        group.first = i;
        group.actual = r.actual;
        group.normal = r.normal;
        group.factor = Rational(r.normal, r.actual);
        int total = 0;
        int smallest = 0;
        int j = i;
        for (; j < count && sameRatio(j, r); ++j) {
            const int duration = durations[static_cast<size_t>(j)];
            total += duration;
            smallest = smallest == 0 ? duration : std::min(smallest, duration);
            if (total == r.actual * smallest) {
                ++j;
                break;
            }
        }
        group.last = j - 1;
        groups.push_back(group);
        i = j;
    }
}

/// The host's definition of a group: it reaches over its entries' written durations, nested
/// ones included, so its unit is their sum over its actual count; stated note values give the
/// unit of its normal notes.
PlacedTuplet Place(const TupletGroup& group, const std::vector<int>& durations) {
    int span = 0;
    for (int i = group.first; i <= group.last; ++i)
        span += durations[static_cast<size_t>(i)];
    PlacedTuplet tuplet;
    tuplet.first = group.first;
    tuplet.last = group.last;
    tuplet.definition.actualCount = group.actual;
    tuplet.definition.normalCount = group.normal;
    tuplet.definition.unit = std::max(1, span / group.actual);
    tuplet.definition.normalUnit = tuplet.definition.unit;
    if (group.actualType > 0 && group.normalType > 0 &&
        (static_cast<int64_t>(tuplet.definition.unit) * group.normalType) % group.actualType == 0) {
        const int64_t normalUnit =
            static_cast<int64_t>(tuplet.definition.unit) * group.normalType / group.actualType;
        if (normalUnit > 0 && normalUnit <= INT32_MAX)
            tuplet.definition.normalUnit = static_cast<int>(normalUnit);
    }
    tuplet.definition.look = group.look;
    return tuplet;
}

} // namespace

std::vector<PlacedTuplet> GroupTuplets(const std::vector<int>& durations,
                                       const std::vector<EntryRhythm>& rhythm) {
    std::vector<TupletGroup> groups = BracketGroups(rhythm);
    for (size_t g = 0; g < groups.size(); ++g)
        SetRatio(groups, g, durations, rhythm);
    std::erase_if(groups, [](const TupletGroup& group) { return group.factor == Rational(1); });
    AddUnbracketedGroups(groups, durations, rhythm);
    SortOuterFirst(groups);
    std::vector<PlacedTuplet> placed;
    for (const TupletGroup& group : groups)
        placed.push_back(Place(group, durations));
    return placed;
}

} // namespace cadentra_cli
