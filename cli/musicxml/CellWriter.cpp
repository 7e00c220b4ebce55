#include "cli/musicxml/CellWriter.h"

#include "cli/musicxml/KeyPitch.h"
#include "cli/musicxml/LayerFrames.h"
#include "cli/musicxml/NoteValues.h"
#include "cli/musicxml/XmlSpans.h"
#include "host/EntryDetails.h"

#include <cstring>
#include <numeric>
#include <optional>

namespace cadentra_cli {

/// Output in the document's own encoding: generated text is encoded, original stretches copied.
class Pieces {
public:
    explicit Pieces(const SourceText& text) : text_(text) {}
    void Text(std::string_view generated) { out_ += text_.Encode(generated); }
    void Original(const GraceNotes& grace) {
        Original(SpanOf(text_.Utf8(), grace.first, grace.last));
    }
    void Original(pugi::xml_node element) { Original(SpanOf(text_.Utf8(), element)); }
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

namespace {

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

std::optional<SpelledPitch> Spelled(const EXNOTE& note, utwobyte keyValue) {
    return FromHostPitch(HostPitch{note.displacement, note.raiseLower}, keyValue);
}

/// Notations that travel with the rhythm and are written from the host's records.
bool IsTravelling(std::string_view name) {
    return name == "tied" || name == "tuplet" || name == "articulations" || name == "fermata";
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

std::string IndentBefore(std::string_view text, size_t offset) {
    if (offset > text.size()) return {}; // not known
    size_t start = offset;
    while (start > 0 && (text[start - 1] == ' ' || text[start - 1] == '\t'))
        --start;
    if (start > 0 && text[start - 1] == '\n')
        return "\n" + std::string(text.substr(start, offset - start));
    return {};
}

} // namespace

CellWriter::CellWriter(const Score& score, const host::Document& after, const host::FrameKey& key,
                       const CellOrigin& cell, const LayerMatch& match)
    : score_(score), after_(after), key_(key), cell_(cell), match_(match) {
    keyValue_ = score_.measures[static_cast<size_t>(key_.measure - 1)].keyValue;
    writesStaff_ =
        cell_.staffWritten || score_.parts[static_cast<size_t>(cell_.part)].staffCount > 1;
}

std::vector<std::string> CellWriter::Write() {
    auto frame = after_.frames.find(key_);
    entries_ = frame != after_.frames.end() ? frame->second : std::vector<EXENTRY>{};
    timings_ = TimeEntries(after_, entries_);
    const std::vector<std::vector<size_t>> assigned = AssignRuns();
    std::vector<std::string> replacements;
    for (size_t r = 0; r < cell_.runs.size(); ++r)
        replacements.push_back(WriteRun(r, assigned[r]));
    return replacements;
}

/// Each entry goes to the last run that starts no later than it.
std::vector<std::vector<size_t>> CellWriter::AssignRuns() const {
    std::vector<std::vector<size_t>> assigned(cell_.runs.size());
    if (assigned.empty()) return assigned;
    for (size_t i = 0; i < entries_.size(); ++i) {
        size_t run = 0;
        for (size_t r = 0; r < cell_.runs.size(); ++r)
            if (cell_.runs[r].startTime <= timings_[i].start) run = r;
        assigned[run].push_back(i);
    }
    return assigned;
}

std::string CellWriter::WriteRun(size_t r, const std::vector<size_t>& entries) {
    const CellRun& run = cell_.runs[r];
    const std::string_view text = score_.text->Utf8();
    // A run read from the file takes the indentation of its first element; an added one that of
    // the element it follows.
    const bool insertion = !run.first;
    const std::string indent = IndentBefore(text, insertion ? run.indentAt : StartOf(run.first));
    // Divisions fine enough for every duration and position written here.
    int64_t divisions = Lcm(Lcm(run.divisions, run.startTime.den), run.endTime.den);
    for (size_t i : entries) {
        divisions = Lcm(divisions, timings_[i].duration.den);
        divisions = Lcm(divisions, timings_[i].start.den);
    }
    Pieces out(*score_.text);
    // Where the file states no divisions, a rewritten stretch states those it counts in: its
    // first element may now come before the note that showed them.
    const bool stateDivisions = divisions != run.divisions || !run.divisionsStated;
    if (stateDivisions)
        out.Text(indent + "<attributes><divisions>" + Number(divisions) +
                 "</divisions></attributes>");
    Rational cursor = run.startTime;
    // Gaps in the voice are written as the forwards that reach the next entry.
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
            if (writesStaff_) out.Text("<staff>" + Number(cell_.partStaff) + "</staff>");
            out.Text("</forward>");
        }
        cursor = time;
    };
    for (size_t i : entries) {
        if (entries_[i].entryFlags & ENTRY_GAP) continue;
        moveTo(timings_[i].start);
        const EntrySources& sources = match_.SourcesOf(key_.measure, i);
        for (const OriginalEntry& mark : sources.marks)
            WriteGraces(out, score_.GracesBefore(*mark.origin), indent);
        WriteEntry(out, i, divisions, indent);
        for (const OriginalEntry& mark : sources.marks)
            WriteGraces(out, score_.GracesAfter(*mark.origin), indent);
        cursor = cursor + timings_[i].duration;
    }
    if (r + 1 == cell_.runs.size()) WriteGraces(out, UnplacedGraces(), indent);
    moveTo(run.endTime);
    if (stateDivisions)
        out.Text(indent + "<attributes><divisions>" + Number(run.divisions) +
                 "</divisions></attributes>");
    std::string replacement = out.Take();
    // The run began after its indentation; drop the first line break and indentation we wrote.
    const std::string leading = score_.text->Encode(indent);
    if (!insertion && !leading.empty() && replacement.compare(0, leading.size(), leading) == 0)
        replacement.erase(0, leading.size());
    return replacement;
}

void CellWriter::WriteGraces(Pieces& out, std::span<const GraceNotes> graces,
                             const std::string& indent) {
    for (const GraceNotes& grace : graces) {
        out.Text(indent);
        out.Original(grace);
    }
}

/// The grace notes of the cell that no written entry took: those the cell had after its last
/// note, and those of its entries whose music went nowhere.
std::vector<GraceNotes> CellWriter::UnplacedGraces() const {
    std::vector<GraceNotes> graces;
    for (const EntryOrigin& origin : cell_.entries) {
        if (match_.Used(&origin)) continue;
        for (const GraceNotes& grace : score_.GracesBefore(origin))
            graces.push_back(grace);
        for (const GraceNotes& grace : score_.GracesAfter(origin))
            graces.push_back(grace);
    }
    graces.insert(graces.end(), cell_.trailingGraces.begin(), cell_.trailingGraces.end());
    return graces;
}

void CellWriter::WriteEntry(Pieces& out, size_t index, int64_t divisions,
                            const std::string& indent) {
    const EXENTRY& entry = entries_[index];
    const bool rest = !(entry.entryFlags & ENTRY_NOTE);
    const int noteCount = rest ? 1 : std::min<int>(entry.noteCount, EXENTRY_MAXNOTES);
    const EntrySources& sources = match_.SourcesOf(key_.measure, index);
    std::vector<std::vector<bool>> taken(1 + sources.marks.size());
    for (int n = 0; n < noteCount; ++n) {
        const NoteSources note = SourcesOfNote(index, sources, n, taken);
        out.Text(indent);
        out.Text("<note>");
        WriteNoteHead(out, index, n, note);
        WriteRhythm(out, index, n, note, divisions);
        WriteNotations(out, index, n, note);
        out.Text("</note>");
    }
}

/// The original notes of note `n` of an entry: in each source entry, the first note not yet
/// taken with the same written pitch; for a rest, the source rest.
CellWriter::NoteSources CellWriter::SourcesOfNote(size_t index, const EntrySources& sources, int n,
                                                  std::vector<std::vector<bool>>& taken) const {
    const EXENTRY& entry = entries_[index];
    const bool rest = !(entry.entryFlags & ENTRY_NOTE);
    const auto wanted = rest ? std::nullopt : Spelled(entry.notes[n], keyValue_);
    // The note of `original` this one shows, and its index there (-1 for none).
    auto noteOf = [&](const OriginalEntry& original,
                      std::vector<bool>& used) -> std::pair<pugi::xml_node, int> {
        if (!original || !original.origin->note) return {{}, -1};
        if (rest != !(original.record->entryFlags & ENTRY_NOTE)) return {{}, -1};
        if (rest) return {original.origin->note, 0};
        const std::vector<pugi::xml_node> notes = score_.NotesOf(*original.origin);
        used.resize(notes.size(), false);
        const size_t count =
            std::min<size_t>(notes.size(), static_cast<size_t>(original.record->noteCount));
        for (size_t k = 0; k < count; ++k) {
            if (used[k] || Spelled(original.record->notes[k], original.keyValue) != wanted)
                continue;
            used[k] = true;
            return {notes[k], static_cast<int>(k)};
        }
        return {{}, -1};
    };
    NoteSources found;
    found.pitch = noteOf(sources.pitches, taken[0]).first;
    for (size_t m = 0; m < sources.marks.size(); ++m) {
        const auto [node, k] = noteOf(sources.marks[m], taken[1 + m]);
        if (node) found.marks.push_back(MarkNote{node, &sources.marks[m], k});
    }
    return found;
}

/// <chord/> and the pitch or rest: the destination's own pitch element where the note shows the
/// pitch it had, else the pitch spelled for the measure's key.
void CellWriter::WriteNoteHead(Pieces& out, size_t index, int n, const NoteSources& sources) {
    const EXENTRY& entry = entries_[index];
    if (n > 0) out.Text("<chord/>");
    if (!(entry.entryFlags & ENTRY_NOTE)) {
        const pugi::xml_node rest = sources.pitch ? sources.pitch.child("rest") : pugi::xml_node();
        if (entry.entryFlags & ENTRY_MEASURE_REST)
            out.Text("<rest measure=\"yes\"/>");
        else if (rest && std::strcmp(rest.attribute("measure").value(), "yes") != 0)
            out.Original(rest);
        else
            out.Text("<rest/>");
        return;
    }
    if (sources.pitch) {
        const pugi::xml_node pitch = sources.pitch.child("pitch");
        const pugi::xml_node unpitched = sources.pitch.child("unpitched");
        if (pitch || unpitched) {
            out.Original(pitch ? pitch : unpitched);
            return;
        }
    }
    const SpelledPitch spelled = Spelled(entry.notes[n], keyValue_).value_or(SpelledPitch{});
    out.Text("<pitch><step>" + std::string(1, spelled.step) + "</step>");
    if (spelled.alter != 0) out.Text("<alter>" + Number(spelled.alter) + "</alter>");
    out.Text("<octave>" + Number(spelled.octave) + "</octave></pitch>");
}

/// What follows the pitch, in the order the format asks: duration, ties, instrument, voice,
/// value, accidental, time modification, notehead, staff.
void CellWriter::WriteRhythm(Pieces& out, size_t index, int n, const NoteSources& sources,
                             int64_t divisions) {
    const EXENTRY& entry = entries_[index];
    const EntryTiming& timing = timings_[index];
    const bool rest = !(entry.entryFlags & ENTRY_NOTE);
    const Rational units = timing.duration * Rational(divisions);
    out.Text("<duration>" + Number(units.num / units.den) + "</duration>");
    if (!rest && TiedFromBefore(index, entry.notes[n])) out.Text("<tie type=\"stop\"/>");
    if (!rest && (entry.notes[n].noteFlags & NOTE_TIE)) out.Text("<tie type=\"start\"/>");
    for (const MarkNote& mark : sources.marks)
        for (pugi::xml_node tie : mark.node.children("tie"))
            if (!HoldsTie(mark, tie)) out.Original(tie);
    if (sources.pitch)
        for (pugi::xml_node instrument : sources.pitch.children("instrument"))
            out.Original(instrument);
    if (cell_.voiceWritten) out.Text("<voice>" + cell_.voice + "</voice>");
    const auto value = NoteValueOfDuration(entry.duration);
    if (value && !(entry.entryFlags & ENTRY_MEASURE_REST)) {
        out.Text("<type>" + value->type + "</type>");
        for (int d = 0; d < value->dots; ++d)
            out.Text("<dot/>");
    }
    if (!rest) {
        pugi::xml_node accidental;
        for (const MarkNote& mark : sources.marks)
            if (!accidental) accidental = mark.node.child("accidental");
        if (accidental) {
            out.Original(accidental);
        } else if (!sources.pitch && ShowsAccidental(index, entry.notes[n])) {
            const auto spelled = Spelled(entry.notes[n], keyValue_);
            if (const char* name = spelled ? AccidentalName(spelled->alter) : nullptr)
                out.Text("<accidental>" + std::string(name) + "</accidental>");
        }
    }
    WriteTimeModification(out, index);
    if (!rest && sources.pitch && sources.pitch.child("notehead"))
        out.Original(sources.pitch.child("notehead"));
    if (writesStaff_) {
        // A cross-staff note keeps the staff it was written on.
        const pugi::xml_node staff =
            sources.pitch ? sources.pitch.child("staff") : pugi::xml_node();
        if (staff)
            out.Original(staff);
        else
            out.Text("<staff>" + Number(cell_.partStaff) + "</staff>");
    }
}

void CellWriter::WriteTimeModification(Pieces& out, size_t index) {
    const EntryTiming& timing = timings_[index];
    if (timing.actual == timing.normal) return;
    out.Text("<time-modification><actual-notes>" + Number(timing.actual) +
             "</actual-notes><normal-notes>" + Number(timing.normal) + "</normal-notes>");
    const auto value = NoteValueOfDuration(entries_[index].duration);
    const auto unit = timing.normalUnit.IsInteger() && timing.normalUnit.num <= INT16_MAX
                          ? NoteValueOfDuration(static_cast<int>(timing.normalUnit.num))
                          : std::nullopt;
    if (unit && value && (unit->type != value->type || unit->dots != 0)) {
        out.Text("<normal-type>" + unit->type + "</normal-type>");
        for (int d = 0; d < unit->dots; ++d)
            out.Text("<normal-dot/>");
    }
    out.Text("</time-modification>");
}

/// Ties, tuplet brackets, articulations and fermatas from the host; the destination's other
/// notations and its lyrics from the notes whose marks this one takes.
void CellWriter::WriteNotations(Pieces& out, size_t index, int n, const NoteSources& sources) {
    const EXENTRY& entry = entries_[index];
    std::string notations;
    if (entry.entryFlags & ENTRY_NOTE) {
        if (TiedFromBefore(index, entry.notes[n])) notations += "<tied type=\"stop\"/>";
        if (entry.notes[n].noteFlags & NOTE_TIE) notations += "<tied type=\"start\"/>";
    }
    if (n == 0) notations += TravellingNotations(index);
    const std::vector<pugi::xml_node> staying = StayingNotations(sources);
    if (!notations.empty() || !staying.empty()) {
        out.Text("<notations>" + notations);
        for (pugi::xml_node child : staying)
            out.Original(child);
        out.Text("</notations>");
    }
    for (const MarkNote& mark : sources.marks)
        for (pugi::xml_node lyric : mark.node.children("lyric"))
            out.Original(lyric);
}

/// The notations of the destination's notes that stay with this one. Where the new rhythm has
/// made one note of several, a slur that began on one of them and ended on a later one would
/// begin and end here: it is left out.
std::vector<pugi::xml_node> CellWriter::StayingNotations(const NoteSources& sources) {
    struct Staying {
        pugi::xml_node element;
        size_t from; // the index of the mark note it comes from
    };
    std::vector<Staying> staying;
    for (size_t m = 0; m < sources.marks.size(); ++m)
        for (pugi::xml_node group : sources.marks[m].node.children("notations"))
            for (pugi::xml_node child : group.children()) {
                if (child.type() != pugi::node_element) continue;
                const std::string_view name = child.name();
                if (name == "tied" ? !HoldsTie(sources.marks[m], child) : !IsTravelling(name))
                    staying.push_back(Staying{child, m});
            }
    auto isSlur = [](const Staying& mark, const char* type) {
        return std::strcmp(mark.element.name(), "slur") == 0 &&
               std::strcmp(mark.element.attribute("type").value(), type) == 0;
    };
    std::vector<bool> dropped(staying.size(), false);
    for (size_t stop = 0; stop < staying.size(); ++stop) {
        if (!isSlur(staying[stop], "stop")) continue;
        const std::string_view number = staying[stop].element.attribute("number").value();
        for (size_t start = 0; start < staying.size(); ++start)
            if (!dropped[start] && isSlur(staying[start], "start") &&
                staying[start].from < staying[stop].from &&
                number == staying[start].element.attribute("number").value()) {
                dropped[start] = dropped[stop] = true;
                break;
            }
    }
    std::vector<pugi::xml_node> kept;
    for (size_t i = 0; i < staying.size(); ++i)
        if (!dropped[i]) kept.push_back(staying[i].element);
    return kept;
}

/// Whether the host held a tie mark (<tie> or <tied>) of a destination note: a start where its
/// note was tied on, a stop where the entry before tied into it. Those are written from the
/// host; the others (a tie left to ring, one into another voice) stay with the note.
bool CellWriter::HoldsTie(const MarkNote& mark, pugi::xml_node tie) {
    const OriginalEntry& original = *mark.entry;
    if (mark.note < 0 || !(original.record->entryFlags & ENTRY_NOTE)) return false;
    const EXNOTE& note = original.record->notes[mark.note];
    const std::string_view type = tie.attribute("type").value();
    if (type == "start" || type == "continue") return (note.noteFlags & NOTE_TIE) != 0;
    if (type != "stop" || !original.previous || !(original.previous->entryFlags & ENTRY_NOTE))
        return false;
    const auto pitch = Spelled(note, original.keyValue);
    for (int n = 0; n < original.previous->noteCount && n < EXENTRY_MAXNOTES; ++n)
        if ((original.previous->notes[n].noteFlags & NOTE_TIE) &&
            Spelled(original.previous->notes[n], original.previousKeyValue) == pitch)
            return true;
    return false;
}

std::string CellWriter::TravellingNotations(size_t index) const {
    const EntryTiming& timing = timings_[index];
    std::string notations;
    for (int number : timing.tupletStops)
        notations += "<tuplet type=\"stop\" number=\"" + Number(number) + "\"/>";
    for (const auto& [number, tuplet] : timing.tupletStarts) {
        const TupletLook& look = tuplet.look;
        notations += "<tuplet type=\"start\" number=\"" + Number(number) + "\"";
        if (look.bracket) notations += look.bracket == 1 ? " bracket=\"yes\"" : " bracket=\"no\"";
        if (look.showNumber)
            notations += look.showNumber == 1   ? " show-number=\"actual\""
                         : look.showNumber == 2 ? " show-number=\"both\""
                                                : " show-number=\"none\"";
        if (look.placement)
            notations += look.placement == 1 ? " placement=\"above\"" : " placement=\"below\"";
        // Normal notes of another value than the actual ones ("3 eighths in the time of 1
        // quarter") are stated with their values.
        const auto actualValue = NoteValueOfDuration(tuplet.unit);
        const auto normalValue = NoteValueOfDuration(tuplet.normalUnit);
        if (tuplet.normalUnit == tuplet.unit || !actualValue || !normalValue) {
            notations += "/>";
            continue;
        }
        auto side = [&](const char* name, int count, const NoteValue& value) {
            notations += std::string("<") + name + "><tuplet-number>" + Number(count) +
                         "</tuplet-number><tuplet-type>" + value.type + "</tuplet-type>";
            for (int d = 0; d < value.dots; ++d)
                notations += "<tuplet-dot/>";
            notations += std::string("</") + name + ">";
        };
        notations += ">";
        side("tuplet-actual", tuplet.actualCount, *actualValue);
        side("tuplet-normal", tuplet.normalCount, *normalValue);
        notations += "</tuplet>";
    }
    const EXENTRY& entry = entries_[index];
    if (!(entry.entryFlags & ENTRY_ARTICULATION)) return notations;
    // In the host's order: articulations next to each other share one <articulations>.
    bool open = false;
    for (int id : ArticulationsOf(after_, entry.entryNumber)) {
        if (id < 1 || id > static_cast<int>(score_.marks.size())) continue;
        const TravellingMark& mark = score_.marks[static_cast<size_t>(id - 1)];
        if (mark.articulation != open) notations += open ? "</articulations>" : "<articulations>";
        open = mark.articulation;
        notations += mark.element;
    }
    if (open) notations += "</articulations>";
    return notations;
}

/// Whether `note` of entry `index` ends a tie: the entry before it in the layer (in this measure,
/// or the last of the measure before where the layer has entries) ties a note of the same
/// written pitch.
bool CellWriter::TiedFromBefore(size_t index, const EXNOTE& note) const {
    const EXENTRY* previous = nullptr;
    utwobyte previousKey = keyValue_;
    if (index > 0) {
        previous = &entries_[index - 1];
    } else if (const LayerFrame before = FrameBefore(after_, key_); before.entries) {
        previous = &before.entries->back();
        previousKey = score_.measures[static_cast<size_t>(before.measure - 1)].keyValue;
    }
    if (!previous || !(previous->entryFlags & ENTRY_NOTE)) return false;
    const auto pitch = Spelled(note, keyValue_);
    for (int n = 0; n < previous->noteCount && n < EXENTRY_MAXNOTES; ++n)
        if ((previous->notes[n].noteFlags & NOTE_TIE) &&
            Spelled(previous->notes[n], previousKey) == pitch)
            return true;
    return false;
}

/// A pitch the destination did not have shows its accidental where the host says so, unless a
/// tie carries it on from the note before.
bool CellWriter::ShowsAccidental(size_t index, const EXNOTE& note) const {
    return (note.noteFlags & NOTE_SHOWACCI) && !TiedFromBefore(index, note);
}

} // namespace cadentra_cli
