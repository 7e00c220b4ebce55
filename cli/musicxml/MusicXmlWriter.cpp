#include "cli/musicxml/MusicXmlWriter.h"

#include "cli/musicxml/KeyPitch.h"
#include "cli/musicxml/NoteValues.h"
#include "cli/musicxml/XmlSpans.h"
#include "host/EntryDetails.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <optional>
#include <set>

namespace cadentra_cli {

int CountEvents(const std::vector<EXENTRY>& entries) {
    int count = 0;
    bool previousTied = false;
    for (const EXENTRY& entry : entries) {
        if (!(entry.entryFlags & ENTRY_NOTE)) {
            previousTied = false;
            continue;
        }
        if (!previousTied) ++count;
        previousTied = false;
        for (int n = 0; n < entry.noteCount && n < EXENTRY_MAXNOTES; ++n)
            if (entry.notes[n].noteFlags & NOTE_TIE) previousTied = true;
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
    score.remembered = Score::CellRange{firstStaff, lastStaff, firstMeasure, lastMeasure};
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

/// Output in the document's own encoding: generated text is encoded, original stretches copied.
class Pieces {
public:
    explicit Pieces(const SourceText& text) : text_(text) {}
    void Text(std::string_view generated) { out_ += text_.Encode(generated); }
    void Original(const GraceNotes& grace) {
        Original(SpanOf(text_.Utf8(), grace.first, grace.last));
    }
    void Original(const TextSpan& span) {
        const size_t begin = text_.ByteOffset(span.begin);
        const size_t end = text_.ByteOffset(span.end);
        out_.append(text_.Bytes(), begin, end - begin);
    }
    std::string Take() { return std::move(out_); }

private:
    const SourceText& text_;
    std::string out_;
};

struct ActiveTuplet {
    TupletDefinition definition;
    Rational span;     // written time it covers
    Rational consumed; // written time of its entries so far
    Rational factor;   // normal / actual
};

/// The rhythm of one entry as the writer needs it.
struct EntryTiming {
    Rational start;    // quarter notes from the measure start
    Rational duration; // sounding length in quarter notes
    int actual = 1;    // time modification
    int normal = 1;
    int normalUnit = 0; // unit of the innermost tuplet, for <normal-type>
    std::vector<std::pair<int, TupletLook>> tupletStarts; // bracket number, look
    std::vector<int> tupletStops;
};

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

std::vector<int> ArticulationsOf(const host::Document& document, fourbyte entryNumber) {
    std::vector<int> ids;
    for (int inci = 0;; ++inci) {
        auto it = document.records.find(host::DetailKey(host::TAG_ARTICULATION, entryNumber, inci));
        if (it == document.records.end() || it->second.size() < 2) break;
        ids.push_back(static_cast<int16_t>(it->second[0] | (it->second[1] << 8)));
    }
    return ids;
}

std::vector<EntryTiming> TimeEntries(const host::Document& document,
                                     const std::vector<EXENTRY>& entries) {
    std::vector<EntryTiming> timings;
    std::vector<ActiveTuplet> active;
    Rational previousEnd(0);
    for (const EXENTRY& entry : entries) {
        EntryTiming timing;
        // The host keeps no gaps in a layer and computes positions from the durations and
        // tuplets (stored elapsed times may be stale), so entries follow each other from the
        // start of the measure.
        timing.start = previousEnd;

        if (entry.entryFlags & ENTRY_TUPLETSTART) {
            for (const TupletDefinition& tuplet : TupletsOf(document, entry.entryNumber)) {
                if (tuplet.actualCount <= 0 || tuplet.normalCount <= 0 || tuplet.unit <= 0)
                    continue;
                ActiveTuplet a;
                a.definition = tuplet;
                a.span = Rational(tuplet.actualCount) * Rational(tuplet.unit);
                a.factor = Rational(tuplet.normalCount) *
                           Rational(tuplet.normalUnit > 0 ? tuplet.normalUnit : tuplet.unit) /
                           a.span;
                active.push_back(a);
                timing.tupletStarts.emplace_back(static_cast<int>(active.size()), tuplet.look);
            }
        }
        Rational factor(1);
        int actual = 1;
        int normal = 1;
        for (const ActiveTuplet& a : active) {
            factor = factor * a.factor;
            actual *= a.definition.actualCount;
            normal *= a.definition.normalCount;
        }
        if (Rational(normal, actual) != factor) {
            // Tuplets whose normal notes differ from their own: state the plain ratio.
            actual = static_cast<int>(factor.den);
            normal = static_cast<int>(factor.num);
        }
        timing.actual = actual;
        timing.normal = normal;
        if (!active.empty()) timing.normalUnit = active.back().definition.unit;
        timing.duration = Rational(entry.duration, EDU_QUARTER) * factor;

        // The host counts an entry at its written duration in every tuplet it lies in.
        for (ActiveTuplet& a : active)
            a.consumed += Rational(entry.duration);
        while (!active.empty() && active.back().consumed >= active.back().span) {
            timing.tupletStops.push_back(static_cast<int>(active.size()));
            active.pop_back();
        }
        previousEnd = timing.start + timing.duration;
        timings.push_back(std::move(timing));
    }
    return timings;
}

int64_t Lcm(int64_t a, int64_t b) {
    return a / std::gcd(a, b) * b;
}

std::string Number(int64_t value) {
    return std::to_string(value);
}

const char* AccidentalName(int alter) {
    switch (alter) {
    case -2:
        return "flat-flat";
    case -1:
        return "flat";
    case 0:
        return "natural";
    case 1:
        return "sharp";
    case 2:
        return "double-sharp";
    default:
        return nullptr;
    }
}

/// The notes of an original entry as the host held them, to find them again after COPY.
std::vector<std::pair<twobyte, twobyte>> PitchesOf(const EXENTRY& entry) {
    std::vector<std::pair<twobyte, twobyte>> pitches;
    if (!(entry.entryFlags & ENTRY_NOTE)) return pitches;
    for (int n = 0; n < entry.noteCount && n < EXENTRY_MAXNOTES; ++n)
        pitches.emplace_back(twobyte{entry.notes[n].displacement},
                             twobyte{entry.notes[n].raiseLower});
    return pitches;
}

bool IsRhythmNotation(std::string_view name) {
    return name == "tied" || name == "tuplet" || name == "articulations";
}

class CellWriter {
public:
    CellWriter(const Score& score, const host::Document& after, const host::FrameKey& key,
               const CellOrigin& cell)
        : score_(score), after_(after), key_(key), cell_(cell) {}

    /// The replacement of each of the cell's runs, in the document's encoding.
    std::vector<std::string> Write();

private:
    void MatchOriginal();
    void WriteEntry(Pieces& out, size_t index, int divisions, const std::string& indent);
    bool PreviousTied(size_t index, const EXNOTE& note) const;

    const Score& score_;
    const host::Document& after_;
    host::FrameKey key_;
    const CellOrigin& cell_;
    std::vector<EXENTRY> entries_;
    std::vector<EntryTiming> timings_;
    std::vector<EXENTRY> original_;
    std::vector<int> match_; // per new entry: the original entry whose notes it carries, or -1
    std::vector<bool> firstOfMatch_; // the first new entry to carry them
    std::vector<std::vector<GraceNotes>> gracesBefore_;
    std::vector<GraceNotes> trailingGraces_;
};

void CellWriter::MatchOriginal() {
    match_.assign(entries_.size(), -1);
    firstOfMatch_.assign(entries_.size(), false);
    size_t next = 0;
    std::vector<std::pair<twobyte, twobyte>> previousPitches;
    bool previousTied = false;
    for (size_t i = 0; i < entries_.size(); ++i) {
        const auto pitches = PitchesOf(entries_[i]);
        if (pitches.empty()) {
            previousTied = false;
            continue;
        }
        if (previousTied && pitches == previousPitches && i > 0 && match_[i - 1] >= 0) {
            match_[i] = match_[i - 1];
        } else {
            for (size_t j = next; j < original_.size(); ++j) {
                if (PitchesOf(original_[j]) == pitches) {
                    match_[i] = static_cast<int>(j);
                    firstOfMatch_[i] = true;
                    next = j + 1;
                    break;
                }
            }
        }
        previousPitches = pitches;
        previousTied = false;
        for (int n = 0; n < entries_[i].noteCount; ++n)
            if (entries_[i].notes[n].noteFlags & NOTE_TIE) previousTied = true;
    }
    // Grace notes go with the notes they led into, else to the next carried notes, else last.
    gracesBefore_.assign(entries_.size(), {});
    trailingGraces_ = cell_.trailingGraces;
    for (size_t j = 0; j < cell_.entries.size(); ++j) {
        const std::span<const GraceNotes> graces = score_.GracesBefore(cell_.entries[j]);
        if (graces.empty()) continue;
        size_t target = entries_.size();
        int best = -1;
        for (size_t i = 0; i < entries_.size(); ++i)
            if (firstOfMatch_[i] && match_[i] >= static_cast<int>(j) &&
                (best < 0 || match_[i] < best)) {
                best = match_[i];
                target = i;
            }
        auto& into = target < entries_.size() ? gracesBefore_[target] : trailingGraces_;
        into.insert(into.end(), graces.begin(), graces.end());
    }
}

bool CellWriter::PreviousTied(size_t index, const EXNOTE& note) const {
    const EXENTRY* previous = nullptr;
    if (index > 0) {
        previous = &entries_[index - 1];
    } else if (key_.measure > 1) {
        auto it = after_.frames.find(
            host::FrameKey{key_.staff, static_cast<twobyte>(key_.measure - 1), key_.layer});
        if (it != after_.frames.end() && !it->second.empty()) previous = &it->second.back();
    }
    if (!previous || !(previous->entryFlags & ENTRY_NOTE)) return false;
    for (int n = 0; n < previous->noteCount && n < EXENTRY_MAXNOTES; ++n)
        if ((previous->notes[n].noteFlags & NOTE_TIE) &&
            previous->notes[n].displacement == note.displacement &&
            previous->notes[n].raiseLower == note.raiseLower)
            return true;
    return false;
}

void CellWriter::WriteEntry(Pieces& out, size_t index, int divisions, const std::string& indent) {
    const EXENTRY& entry = entries_[index];
    const EntryTiming& timing = timings_[index];
    const Part& part = score_.parts[static_cast<size_t>(cell_.part)];
    const utwobyte keyValue = score_.measures[static_cast<size_t>(key_.measure - 1)].keyValue;
    const bool rest = !(entry.entryFlags & ENTRY_NOTE);
    const Rational units = timing.duration * Rational(divisions);
    const auto value = NoteValueOfDuration(entry.duration);
    const std::vector<int> articulations = (entry.entryFlags & ENTRY_ARTICULATION)
                                               ? ArticulationsOf(after_, entry.entryNumber)
                                               : std::vector<int>{};

    const EntryOrigin* origin =
        match_[index] >= 0 ? &cell_.entries[static_cast<size_t>(match_[index])] : nullptr;
    const bool firstOfEvent = firstOfMatch_[index];
    const int noteCount = rest ? 1 : std::min<int>(entry.noteCount, EXENTRY_MAXNOTES);
    const std::vector<pugi::xml_node> originNotes =
        origin ? score_.NotesOf(*origin) : std::vector<pugi::xml_node>{};
    std::vector<bool> used(originNotes.size(), false);
    const std::vector<std::pair<twobyte, twobyte>> originalPitches =
        origin ? PitchesOf(original_[static_cast<size_t>(match_[index])])
               : std::vector<std::pair<twobyte, twobyte>>{};

    for (int n = 0; n < noteCount; ++n) {
        const EXNOTE& note = entry.notes[n];
        pugi::xml_node source;
        if (!rest && origin) {
            for (size_t k = 0; k < originalPitches.size() && k < originNotes.size(); ++k)
                if (!used[k] && originalPitches[k] == std::pair<twobyte, twobyte>(
                                                          note.displacement, note.raiseLower)) {
                    used[k] = true;
                    source = originNotes[k];
                    break;
                }
        }
        const std::string_view text = score_.text->Utf8();
        out.Text(indent);
        out.Text("<note>");
        if (n > 0) out.Text("<chord/>");
        std::optional<SpelledPitch> spelled;
        if (rest) {
            const bool wholeMeasure =
                entries_.size() == 1 && timing.duration * Rational(EDU_QUARTER) ==
                                            Rational(after_.MeasureDuration(key_.measure));
            out.Text(wholeMeasure ? "<rest measure=\"yes\"/>" : "<rest/>");
        } else if (source && (source.child("pitch") || source.child("unpitched"))) {
            out.Original(SpanOf(text, source.child("pitch") ? source.child("pitch")
                                                            : source.child("unpitched")));
        } else {
            spelled = FromHostPitch(HostPitch{note.displacement, note.raiseLower}, keyValue);
            if (!spelled) spelled = SpelledPitch{};
            out.Text("<pitch><step>" + std::string(1, spelled->step) + "</step>");
            if (spelled->alter != 0) out.Text("<alter>" + Number(spelled->alter) + "</alter>");
            out.Text("<octave>" + Number(spelled->octave) + "</octave></pitch>");
        }
        out.Text("<duration>" + Number(units.num / units.den) + "</duration>");
        const bool tieStop = !rest && PreviousTied(index, note);
        const bool tieStart = !rest && (note.noteFlags & NOTE_TIE);
        if (tieStop) out.Text("<tie type=\"stop\"/>");
        if (tieStart) out.Text("<tie type=\"start\"/>");
        if (source)
            for (pugi::xml_node instrument : source.children("instrument"))
                out.Original(SpanOf(text, instrument));
        if (cell_.voiceWritten) out.Text("<voice>" + cell_.voice + "</voice>");
        if (value && !(rest && entries_.size() == 1 && !NoteValueOfDuration(entry.duration))) {
            out.Text("<type>" + value->type + "</type>");
            for (int d = 0; d < value->dots; ++d)
                out.Text("<dot/>");
        }
        if (!rest && firstOfEvent && source && source.child("accidental")) {
            out.Original(SpanOf(text, source.child("accidental")));
        } else if (!rest && firstOfEvent && !source && (note.noteFlags & NOTE_SHOWACCI) &&
                   spelled) {
            if (const char* name = AccidentalName(spelled->alter))
                out.Text("<accidental>" + std::string(name) + "</accidental>");
        }
        if (timing.actual != timing.normal) {
            out.Text("<time-modification><actual-notes>" + Number(timing.actual) +
                     "</actual-notes><normal-notes>" + Number(timing.normal) + "</normal-notes>");
            const auto unitValue = NoteValueOfDuration(timing.normalUnit);
            if (unitValue && value && (unitValue->type != value->type || unitValue->dots != 0)) {
                out.Text("<normal-type>" + unitValue->type + "</normal-type>");
                for (int d = 0; d < unitValue->dots; ++d)
                    out.Text("<normal-dot/>");
            }
            out.Text("</time-modification>");
        }
        if (!rest && source && source.child("notehead"))
            out.Original(SpanOf(text, source.child("notehead")));
        if (cell_.staffWritten || part.staffCount > 1)
            out.Text("<staff>" + Number(cell_.partStaff) + "</staff>");

        std::string notations;
        if (tieStop) notations += "<tied type=\"stop\"/>";
        if (tieStart) notations += "<tied type=\"start\"/>";
        if (n == 0) {
            for (int number : timing.tupletStops)
                notations += "<tuplet type=\"stop\" number=\"" + Number(number) + "\"/>";
            for (const auto& [number, look] : timing.tupletStarts) {
                notations += "<tuplet type=\"start\" number=\"" + Number(number) + "\"";
                if (look.bracket)
                    notations += look.bracket == 1 ? " bracket=\"yes\"" : " bracket=\"no\"";
                if (look.showNumber)
                    notations += look.showNumber == 1   ? " show-number=\"actual\""
                                 : look.showNumber == 2 ? " show-number=\"both\""
                                                        : " show-number=\"none\"";
                if (look.placement)
                    notations +=
                        look.placement == 1 ? " placement=\"above\"" : " placement=\"below\"";
                notations += "/>";
            }
            std::string marks;
            for (int id : articulations)
                if (id >= 1 && id <= static_cast<int>(ArticulationNames().size()))
                    marks += "<" + ArticulationNames()[static_cast<size_t>(id - 1)] + "/>";
            if (!marks.empty()) notations += "<articulations>" + marks + "</articulations>";
        }
        const bool keepsExtras = source && firstOfEvent;
        std::vector<pugi::xml_node> otherNotations;
        if (keepsExtras)
            for (pugi::xml_node group : source.children("notations"))
                for (pugi::xml_node child : group.children())
                    if (child.type() == pugi::node_element && !IsRhythmNotation(child.name()))
                        otherNotations.push_back(child);
        if (!notations.empty() || !otherNotations.empty()) {
            out.Text("<notations>" + notations);
            for (pugi::xml_node child : otherNotations)
                out.Original(SpanOf(text, child));
            out.Text("</notations>");
        }
        if (keepsExtras)
            for (pugi::xml_node lyric : source.children("lyric"))
                out.Original(SpanOf(text, lyric));
        out.Text("</note>");
    }
    (void)divisions;
}

std::string IndentBefore(std::string_view text, size_t offset) {
    if (offset > text.size()) return {}; // not known
    size_t start = offset;
    while (start > 0 && (text[start - 1] == ' ' || text[start - 1] == '\t'))
        --start;
    if (start > 0 && text[start - 1] == '\n')
        return "\n" + std::string(text.substr(start, offset - start));
    return {};
}

std::vector<std::string> CellWriter::Write() {
    entries_ = after_.frames.count(key_) ? after_.frames.at(key_) : std::vector<EXENTRY>{};
    original_ = score_.original.frames.count(key_) ? score_.original.frames.at(key_)
                                                   : std::vector<EXENTRY>{};
    timings_ = TimeEntries(after_, entries_);
    MatchOriginal();

    const size_t runCount = cell_.runs.size();
    std::vector<std::vector<size_t>> assigned(runCount);
    for (size_t i = 0; i < entries_.size(); ++i) {
        size_t run = 0;
        for (size_t r = 0; r < runCount; ++r)
            if (cell_.runs[r].startTime <= timings_[i].start) run = r;
        assigned[run].push_back(i);
    }

    std::vector<std::string> replacements;
    const std::string_view text = score_.text->Utf8();
    for (size_t r = 0; r < runCount; ++r) {
        const CellRun& run = cell_.runs[r];
        // A run read from the file takes the indentation of its first element; an added one that
        // of the element it follows.
        const bool insertion = !run.first;
        const std::string indent =
            IndentBefore(text, insertion ? run.indentAt : StartOf(run.first));
        // Divisions fine enough for every duration and position written here.
        int64_t divisions = run.divisions;
        for (size_t i : assigned[r]) {
            divisions = Lcm(divisions, timings_[i].duration.den);
            divisions = Lcm(divisions, timings_[i].start.den);
        }
        Pieces out(*score_.text);
        if (divisions != run.divisions)
            out.Text(indent + "<attributes><divisions>" + Number(divisions) +
                     "</divisions></attributes>");
        Rational cursor = run.startTime;
        auto moveTo = [&](Rational time) {
            if (time == cursor) return;
            const Rational difference =
                (time > cursor ? time - cursor : cursor - time) * Rational(divisions);
            if (time < cursor) {
                out.Text(indent + "<backup><duration>" + Number(difference.num / difference.den) +
                         "</duration></backup>");
            } else {
                out.Text(indent + "<forward><duration>" + Number(difference.num / difference.den) +
                         "</duration>");
                if (cell_.voiceWritten) out.Text("<voice>" + cell_.voice + "</voice>");
                if (cell_.staffWritten ||
                    score_.parts[static_cast<size_t>(cell_.part)].staffCount > 1)
                    out.Text("<staff>" + Number(cell_.partStaff) + "</staff>");
                out.Text("</forward>");
            }
            cursor = time;
        };
        for (size_t i : assigned[r]) {
            moveTo(timings_[i].start);
            for (const GraceNotes& grace : gracesBefore_[i]) {
                out.Text(indent);
                out.Original(grace);
            }
            WriteEntry(out, i, static_cast<int>(divisions), indent);
            cursor = cursor + timings_[i].duration;
        }
        if (r + 1 == runCount)
            for (const GraceNotes& grace : trailingGraces_) {
                out.Text(indent);
                out.Original(grace);
            }
        moveTo(run.endTime);
        if (divisions != run.divisions)
            out.Text(indent + "<attributes><divisions>" + Number(run.divisions) +
                     "</divisions></attributes>");
        std::string replacement = out.Take();
        // The run began after its indentation; drop the first line break and indentation we wrote.
        const std::string leading = score_.text->Encode(indent);
        if (!insertion && !leading.empty() && replacement.compare(0, leading.size(), leading) == 0)
            replacement.erase(0, leading.size());
        replacements.push_back(std::move(replacement));
    }
    return replacements;
}

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
    for (const host::FrameKey& key : changed) {
        std::optional<CellOrigin> added;
        if (!score.cells.count(key)) {
            added = NewCell(score, key);
            if (!added) continue;
        }
        const CellOrigin& cell = added ? *added : score.cells.at(key);
        CellWriter writer(score, after, key, cell);
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
