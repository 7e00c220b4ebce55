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
    Rational factor{1}; // normal / actual
    int actual = 0;
    int normal = 0;
};

} // namespace

std::vector<PlacedTuplet> GroupTuplets(const std::vector<int>& durations,
                                       const std::vector<EntryRhythm>& rhythm) {
    const int count = static_cast<int>(rhythm.size());
    std::vector<TupletGroup> groups;

    // Groups from explicit brackets.
    std::map<int, TupletGroup> open;
    for (int i = 0; i < count; ++i) {
        std::vector<const TupletMark*> laterStops;
        for (const TupletMark& mark : rhythm[static_cast<size_t>(i)].marks) {
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
        for (const TupletMark& mark : rhythm[static_cast<size_t>(i)].marks) {
            if (!mark.start) continue;
            TupletGroup group;
            group.first = group.last = i;
            group.look = mark.look;
            group.statedActual = mark.actual;
            group.statedNormal = mark.normal;
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
    // Outer groups first.
    std::sort(groups.begin(), groups.end(), [](const TupletGroup& a, const TupletGroup& b) {
        return a.first != b.first ? a.first < b.first : a.last > b.last;
    });
    auto contains = [](const TupletGroup& outer, const TupletGroup& inner) {
        return outer.first <= inner.first && inner.last <= outer.last;
    };
    auto entryFactor = [&](int i) {
        return Rational(rhythm[static_cast<size_t>(i)].normal,
                        rhythm[static_cast<size_t>(i)].actual);
    };
    for (size_t g = 0; g < groups.size(); ++g) {
        TupletGroup& group = groups[g];
        Rational outer(1);
        for (size_t o = 0; o < g; ++o)
            if (contains(groups[o], group) && groups[o].factor.num != 0)
                outer = outer * groups[o].factor;
        int free = -1;
        for (int i = group.first; i <= group.last && free < 0; ++i) {
            bool inInner = false;
            for (size_t h = g + 1; h < groups.size(); ++h)
                if (contains(group, groups[h]) && groups[h].first <= i && i <= groups[h].last)
                    inInner = true;
            if (!inInner) free = i;
        }
        const int probe = free >= 0 ? free : group.first;
        if (group.statedActual > 0 && group.statedNormal > 0) {
            group.actual = group.statedActual;
            group.normal = group.statedNormal;
        } else if (outer == Rational(1)) {
            group.actual = rhythm[static_cast<size_t>(probe)].actual;
            group.normal = rhythm[static_cast<size_t>(probe)].normal;
        } else {
            const Rational own = entryFactor(probe) / outer;
            // Nested ratios multiply; the host's counts are 16 bits.
            if (own.num < 1 || own.num > INT16_MAX || own.den > INT16_MAX) throw UnholdableTuplet{};
            group.actual = static_cast<int>(own.den);
            group.normal = static_cast<int>(own.num);
        }
        group.factor = Rational(group.normal, group.actual);
    }
    std::erase_if(groups, [](const TupletGroup& group) { return group.actual == group.normal; });

    // Time-modified entries outside every bracket form groups of their own: consecutive entries of
    // one ratio, closed once their written durations fill a whole number of tuplet units.
    std::vector<bool> covered(static_cast<size_t>(count), false);
    for (const TupletGroup& group : groups)
        for (int i = group.first; i <= group.last; ++i)
            covered[static_cast<size_t>(i)] = true;
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
        for (; j < count && !covered[static_cast<size_t>(j)] &&
               rhythm[static_cast<size_t>(j)].actual == r.actual &&
               rhythm[static_cast<size_t>(j)].normal == r.normal;
             ++j) {
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

    std::sort(groups.begin(), groups.end(), [](const TupletGroup& a, const TupletGroup& b) {
        return a.first != b.first ? a.first < b.first : a.last > b.last;
    });
    std::vector<PlacedTuplet> placed;
    for (const TupletGroup& group : groups) {
        // The host reaches a tuplet over its entries' written durations, nested ones included.
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
        tuplet.definition.look = group.look;
        placed.push_back(tuplet);
    }
    return placed;
}

} // namespace cadentra_cli
