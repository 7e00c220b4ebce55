#include "cli/musicxml/EntryTiming.h"

#include "host/EntryDetails.h"

#include <cstring>

namespace cadentra_cli {

std::vector<TupletDefinition> TupletsOf(const host::Document& document, fourbyte entryNumber) {
    std::vector<TupletDefinition> tuplets;
    for (int inci = 0;; ++inci) {
        auto it = document.records.find(host::DetailKey(host::TAG_TUPLET, entryNumber, inci));
        if (it == document.records.end() || it->second.size() < sizeof(EDTTuplet2005)) break;
        EDTTuplet2005 record;
        std::memcpy(&record, it->second.data(), sizeof record);
        tuplets.push_back(DecodeTuplet(record));
    }
    return tuplets;
}

namespace {

struct Tuplet {
    TupletDefinition definition;
    Rational span;     // written time it covers, in host units
    Rational consumed; // written time of its entries so far
    Rational factor;   // sounding time of its written time
    Rational reach;    // its entries' time in its own terms (nested entries at their time there)
};

/// The tuplets of the entries: for each entry, the tuplets it lies in (outer first), with the
/// starts and stops of brackets in `timings`.
std::vector<std::vector<size_t>> PlaceTuplets(const host::Document& document,
                                              const std::vector<EXENTRY>& entries,
                                              std::vector<Tuplet>& tuplets,
                                              std::vector<EntryTiming>& timings) {
    std::vector<std::vector<size_t>> within(entries.size());
    std::vector<size_t> active;
    for (size_t i = 0; i < entries.size(); ++i) {
        const EXENTRY& entry = entries[i];
        if (entry.entryFlags & ENTRY_TUPLETSTART) {
            for (const TupletDefinition& definition : TupletsOf(document, entry.entryNumber)) {
                if (definition.actualCount <= 0 || definition.normalCount <= 0 ||
                    definition.unit <= 0)
                    continue;
                Tuplet tuplet;
                tuplet.definition = definition;
                tuplet.span = Rational(definition.actualCount) * Rational(definition.unit);
                tuplet.factor =
                    Rational(definition.normalCount) *
                    Rational(definition.normalUnit > 0 ? definition.normalUnit : definition.unit) /
                    tuplet.span;
                tuplets.push_back(tuplet);
                active.push_back(tuplets.size() - 1);
                timings[i].tupletStarts.emplace_back(static_cast<int>(active.size()), definition);
            }
        }
        within[i] = active;
        // The host counts an entry at its written duration in every tuplet it lies in.
        for (size_t t : active)
            tuplets[t].consumed += Rational(entry.duration);
        while (!active.empty() && tuplets[active.back()].consumed >= tuplets[active.back()].span) {
            timings[i].tupletStops.push_back(static_cast<int>(active.size()));
            active.pop_back();
        }
    }
    return within;
}

} // namespace

std::vector<EntryTiming> TimeEntries(const host::Document& document,
                                     const std::vector<EXENTRY>& entries) {
    std::vector<EntryTiming> timings(entries.size());
    std::vector<Tuplet> tuplets;
    const std::vector<std::vector<size_t>> within =
        PlaceTuplets(document, entries, tuplets, timings);
    // Each tuplet's reach in its own terms, for the note value of its unit.
    for (size_t i = 0; i < entries.size(); ++i) {
        Rational time(entries[i].duration);
        for (size_t d = within[i].size(); d-- > 0;) {
            tuplets[within[i][d]].reach += time;
            time = time * tuplets[within[i][d]].factor;
        }
    }
    Rational previousEnd(0);
    for (size_t i = 0; i < entries.size(); ++i) {
        EntryTiming& timing = timings[i];
        timing.start = previousEnd;
        Rational factor(1);
        int64_t actual = 1;
        int64_t normal = 1;
        for (size_t t : within[i]) {
            factor = factor * tuplets[t].factor;
            actual = rational_detail::Multiply(actual, tuplets[t].definition.actualCount);
            normal = rational_detail::Multiply(normal, tuplets[t].definition.normalCount);
        }
        if (Rational(normal, actual) != factor) {
            // Tuplets whose normal notes differ from their own: state the plain ratio.
            actual = factor.den;
            normal = factor.num;
        }
        timing.actual = actual;
        timing.normal = normal;
        if (!within[i].empty()) {
            const Tuplet& innermost = tuplets[within[i].back()];
            timing.normalUnit = innermost.reach / Rational(innermost.definition.actualCount);
        }
        timing.duration = Rational(entries[i].duration, EDU_QUARTER) * factor;
        previousEnd = timing.start + timing.duration;
    }
    return timings;
}

} // namespace cadentra_cli
