#include "cli/musicxml/MusicXmlWriter.h"

#include "cli/musicxml/CellWriter.h"
#include "cli/musicxml/EventMatch.h"
#include "cli/musicxml/XmlSpans.h"
#include "host/EntryDetails.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>

namespace cadentra_cli {

int CountEvents(const std::vector<EXENTRY>& entries, utwobyte keyValue) {
    int count = 0;
    for (size_t i = 0; i < entries.size(); ++i)
        if ((entries[i].entryFlags & ENTRY_NOTE) &&
            (i == 0 || !ContinuesEvent(entries[i - 1], keyValue, &entries[i], keyValue)))
            ++count;
    return count;
}

int CountLayerEvents(const host::Document& document, int staff, int layer, int first, int last) {
    int count = 0;
    const EXENTRY* previous = nullptr;
    utwobyte previousKey = 0;
    for (int m = first; m <= last; ++m) {
        auto frame = document.frames.find(host::FrameKey{
            static_cast<twobyte>(staff), static_cast<twobyte>(m), static_cast<twobyte>(layer)});
        if (frame == document.frames.end()) continue;
        const utwobyte key = m >= 1 && static_cast<size_t>(m) <= document.measures.size()
                                 ? document.measures[static_cast<size_t>(m - 1)].keyValue
                                 : 0;
        for (const EXENTRY& entry : frame->second) {
            if ((entry.entryFlags & ENTRY_NOTE) &&
                (!previous || !ContinuesEvent(*previous, previousKey, &entry, key)))
                ++count;
            previous = &entry;
            previousKey = key;
        }
    }
    return count;
}

namespace {

/// The frames of `document` in the remembered cells of one staff, in key order.
auto FramesOfStaff(const host::Document& document, const Score::CellRange& cells, int staff) {
    const auto first = document.frames.lower_bound(
        host::FrameKey{static_cast<twobyte>(staff), static_cast<twobyte>(cells.firstMeasure), 0});
    auto last = first;
    while (last != document.frames.end() && last->first.staff == staff &&
           last->first.measure <= cells.lastMeasure)
        ++last;
    return std::pair{first, last};
}

/// Equal entries, none of them with details that changed.
bool SameEntries(const host::Document& a, const std::vector<EXENTRY>& entriesA,
                 const host::Document& b, const std::vector<EXENTRY>& entriesB) {
    if (entriesA.size() != entriesB.size()) return false;
    for (size_t i = 0; i < entriesA.size(); ++i) {
        if (std::memcmp(&entriesA[i], &entriesB[i], sizeof(EXENTRY)) != 0) return false;
        if (!host::SameDetails(a, b, fourbyte{entriesA[i].entryNumber})) return false;
    }
    return true;
}

} // namespace

void RememberCells(Score& score, const host::Document& document, int firstStaff, int lastStaff,
                   int firstMeasure, int lastMeasure) {
    // COPY may untie the last entry before the measures it rewrites: that measure may change too.
    const int from = firstMeasure > 1 ? firstMeasure - 1 : firstMeasure;
    score.remembered = Score::CellRange{firstStaff, lastStaff, from, lastMeasure};
    score.original = host::Document{};
    for (int staff = firstStaff; staff <= lastStaff; ++staff) {
        const auto [first, last] = FramesOfStaff(document, score.remembered, staff);
        for (auto it = first; it != last; ++it) {
            score.original.frames.emplace_hint(score.original.frames.end(), it->first, it->second);
            for (const EXENTRY& entry : it->second)
                host::CopyDetails(document, score.original, fourbyte{entry.entryNumber});
        }
    }
}

void RememberAllCells(Score& score, const host::Document& document) {
    RememberCells(score, document, 1, static_cast<int>(score.staves.size()), 1,
                  static_cast<int>(score.measures.size()));
}

std::vector<host::FrameKey> ChangedCells(const Score& score, const host::Document& after) {
    // Both documents keep their frames in key order: one walk over the two, staff by staff.
    static const std::vector<EXENTRY> empty;
    const host::Document& before = score.original;
    std::vector<host::FrameKey> changed;
    for (int staff = score.remembered.firstStaff; staff <= score.remembered.lastStaff; ++staff) {
        auto [a, endA] = FramesOfStaff(before, score.remembered, staff);
        auto [b, endB] = FramesOfStaff(after, score.remembered, staff);
        while (a != endA || b != endB) {
            const bool takeA = b == endB || (a != endA && a->first <= b->first);
            const bool takeB = a == endA || (b != endB && b->first <= a->first);
            const host::FrameKey key = takeA ? a->first : b->first;
            if (!SameEntries(before, takeA ? a->second : empty, after, takeB ? b->second : empty))
                changed.push_back(key);
            if (takeA) ++a;
            if (takeB) ++b;
        }
    }
    return changed;
}

namespace {

/// A cell the file did not have (its voice was absent from the measure): written after the
/// part's last note, backup or forward of the measure, in the voice of its layer.
std::optional<CellOrigin> NewCell(const Score& score, const host::FrameKey& key) {
    if (key.staff < 1 || key.staff > static_cast<int>(score.staves.size())) return std::nullopt;
    const StaffInfo& staff = score.staves[static_cast<size_t>(key.staff - 1)];
    if (static_cast<size_t>(staff.part) >= score.tails.size()) return std::nullopt;
    const std::vector<MeasureTail>& tails = score.tails[static_cast<size_t>(staff.part)];
    if (key.measure < 1 || static_cast<size_t>(key.measure) > tails.size()) return std::nullopt;
    const MeasureTail& at = tails[static_cast<size_t>(key.measure - 1)];
    if (!at.known) return std::nullopt;
    CellOrigin cell;
    cell.part = staff.part;
    cell.partStaff = staff.partStaff;
    cell.voice = static_cast<size_t>(key.layer) < staff.voices.size()
                     ? staff.voices[static_cast<size_t>(key.layer)]
                     : std::to_string(key.layer + 1);
    cell.voiceWritten = !cell.voice.empty();
    cell.staffWritten = score.parts[static_cast<size_t>(staff.part)].staffCount > 1;
    const TextSpan after = SpanOf(score.text->Utf8(), at.after);
    CellRun run;
    run.startTime = at.time;
    run.endTime = at.time;
    run.divisions = at.divisions;
    run.divisionsStated = at.divisionsStated;
    run.insertAt = after.end;
    run.indentAt = after.begin;
    cell.runs.push_back(run);
    return cell;
}

/// The score with the cells of `changed` written anew.
std::string WriteChanges(const Score& score, const host::Document& after,
                         const std::vector<host::FrameKey>& changed) {
    struct Replacement {
        size_t begin;
        size_t end;
        std::string bytes;
    };
    std::vector<Replacement> replacements;
    // What stays with the destination's notes is found once for each layer that changed.
    std::map<std::pair<int, int>, std::unique_ptr<LayerMatch>> matches;
    for (const host::FrameKey& key : changed) {
        std::optional<CellOrigin> added;
        if (!score.cells.count(key)) {
            added = NewCell(score, key);
            if (!added) continue;
        }
        const CellOrigin& cell = added ? *added : score.cells.at(key);
        std::unique_ptr<LayerMatch>& match = matches[{key.staff, key.layer}];
        if (!match) match = std::make_unique<LayerMatch>(score, after, key.staff, key.layer);
        CellWriter writer(score, after, key, cell, *match);
        std::vector<std::string> runs = writer.Write();
        for (size_t r = 0; r < runs.size(); ++r) {
            const TextSpan span = SpanOf(score.text->Utf8(), cell.runs[r]);
            replacements.push_back(Replacement{score.text->ByteOffset(span.begin),
                                               score.text->ByteOffset(span.end),
                                               std::move(runs[r])});
        }
    }
    std::sort(replacements.begin(), replacements.end(),
              [](const Replacement& a, const Replacement& b) { return a.begin < b.begin; });
    const std::string& bytes = score.text->Bytes();
    std::string out;
    out.reserve(bytes.size() + 1024);
    size_t at = 0;
    for (const Replacement& replacement : replacements) {
        out.append(bytes, at, replacement.begin - at);
        out += replacement.bytes;
        at = replacement.end;
    }
    out.append(bytes, at, std::string::npos);
    return out;
}

} // namespace

std::string WriteScore(const Score& score, const host::Document& after,
                       const std::vector<host::FrameKey>& changed) {
    try {
        return WriteChanges(score, after, changed);
    } catch (const RationalOverflow&) {
        throw InputError{score.text->Name() +
                         ": the rewritten music's positions do not fit in 64-bit fractions"};
    }
}

} // namespace cadentra_cli
