// Notes, chords, rests and grace notes: the entries of a cell, with what travels with their
// rhythm (durations, rests, ties, tuplets, articulations and fermatas) in the host's records, and
// where the notes lie in the file, so that what stays with them can be written back.
#include "cli/musicxml/InputLimits.h"
#include "cli/musicxml/KeyPitch.h"
#include "cli/musicxml/NoteValues.h"
#include "cli/musicxml/Reader.h"
#include "cli/musicxml/XmlText.h"
#include "host/EntryDetails.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace cadentra_cli {

NoteChildren::NoteChildren(pugi::xml_node note) {
    for (pugi::xml_node child = note.first_child(); IsNode(child); child = child.next_sibling()) {
        // Parsed with the default options, a note holds elements and text, and only elements
        // have names (text answers ""). By first letter, so that each child costs one or two
        // comparisons.
        const char* name = child.name();
        if (!*name) allElements = false;
        if (lastName)
            widest = std::max(widest, static_cast<size_t>(reinterpret_cast<uintptr_t>(name) -
                                                          reinterpret_cast<uintptr_t>(lastName)));
        if (!firstName) firstName = name;
        lastName = name;
        auto is = [name](const auto& wanted) { return NameIs(name, wanted); };
        auto first = [&](FoundChild& slot) { slot.First(child); };
        switch (name[0]) {
        case 'a':
            if (is("accidental")) first(accidental);
            break;
        case 'c':
            if (is("chord")) first(chord);
            break;
        case 'd':
            if (is("duration"))
                first(duration);
            else if (is("dot"))
                ++dots;
            break;
        case 'g':
            if (is("grace")) first(grace);
            break;
        case 'n':
            if (is("notations")) {
                first(notations);
                ++notationsCount;
            }
            break;
        case 'p':
            if (is("pitch")) first(pitch);
            break;
        case 'r':
            if (is("rest")) first(rest);
            break;
        case 's':
            if (is("staff")) first(staff);
            break;
        case 't':
            if (is("type")) {
                first(type);
            } else if (is("tie")) {
                first(tie);
                ++ties;
            } else if (is("time-modification")) {
                first(timeModification);
            }
            break;
        case 'u':
            if (is("unpitched")) first(unpitched);
            break;
        case 'v':
            if (is("voice")) first(voice);
            break;
        default:
            break;
        }
    }
}

void Reader::CheckNoteNesting(pugi::xml_node note, const NoteChildren& children, ptrdiff_t start,
                              ptrdiff_t end) const {
    // As CheckNesting(note, 4, start, end) finds: the note, or else each of its children (5
    // deep), is too short to reach past the limit.
    constexpr ptrdiff_t LEVEL_BYTES = 7;
    constexpr ptrdiff_t NOTE_BYTES = (MAX_ELEMENT_DEPTH - 4 + 1) * LEVEL_BYTES;
    constexpr ptrdiff_t CHILD_BYTES = (MAX_ELEMENT_DEPTH - 5 + 1) * LEVEL_BYTES;
    if (start >= 0 && end >= start && end - start <= NOTE_BYTES) return;
    if (!children.firstName) return;
    const ptrdiff_t lastStart = OffsetOfName(children.lastName);
    if (children.allElements && OffsetOfName(children.firstName) >= 0 && lastStart >= 0 &&
        children.widest <= static_cast<size_t>(CHILD_BYTES) && end >= lastStart &&
        end - lastStart <= CHILD_BYTES)
        return;
    CheckNesting(note, 4, start, end);
}

void Reader::ReadNote(pugi::xml_node note, ptrdiff_t start, ptrdiff_t end) {
    const NoteChildren children(note);
    CheckNoteNesting(note, children, start, end);
    const int partStaff = children.staff ? IntegerOf(children.staff) : 1;
    if (children.staff) UseStaff(partStaff, children.staff);
    if (children.chord && !children.grace) return ReadChordNote(note, children);
    OpenCell& cell =
        CellFor(partStaff,
                children.voice ? TrimmedView(pugi::xml_node(children.voice).child_value())
                               : std::string_view(),
                note);
    if (children.voice) cell.origin->voiceWritten = true;
    if (children.staff) cell.origin->staffWritten = true;
    if (children.grace) return ReadGrace(note, children, cell);
    ReadEntry(note, children, cell);
}

/// Grace notes are not entries: they wait in their cell for the entry they belong to (see
/// PlacePendingGraces), and travel with that entry's pitches.
void Reader::ReadGrace(pugi::xml_node note, const NoteChildren& children, OpenCell& cell) {
    auto& pending = cell.pendingGraces;
    if (children.chord && !pending.empty()) {
        pending.back().last = note;
    } else {
        const pugi::xml_node grace = children.grace;
        pending.push_back(GraceNotes{note, note, bool(grace.attribute("steal-time-previous"))});
    }
    ExtendRun(cell, note, cursor_);
}

void Reader::ReadChordNote(pugi::xml_node note, const NoteChildren& children) {
    if (!mainCell_) Fail(note, "a chord note without a note before it");
    if (children.rest) return; // a rest inside a chord adds nothing to the entry
    EXENTRY& entry = mainCell_->entries.back();
    AddPitch(entry, note, children);
    // Chord notes follow the newest entry of all, so each entry's chord notes lie together at the
    // end of the score's list.
    EntryOrigin& origin = mainCell_->origins.back();
    if (origin.chordCount == 0) origin.chordBegin = static_cast<uint32_t>(score_.chordNotes.size());
    score_.chordNotes.push_back(note);
    ++origin.chordCount;
    if (runOpen_ && runCell_ == mainCell_) {
        mainCell_->runs.back().last = note;
    } else {
        ExtendRun(*mainCell_, note, cursor_);
    }
    EXNOTE& added = entry.notes[entry.noteCount - 1];
    if (ReadNotations(entry, children, nullptr)) added.noteFlags |= NOTE_TIE;
    if (added.noteFlags & NOTE_TIE) mainCell_->tied = true;
}

/// A note or rest of its own: a new entry.
void Reader::ReadEntry(pugi::xml_node note, const NoteChildren& children, OpenCell& cell) {
    NoteRhythm rhythm = ReadRhythm(note, children);
    const bool rest = children.rest;
    EntryOrigin origin;
    origin.note = note;
    PlacePendingGraces(cell, origin, !rest);
    FillGap(cell, cursor_);
    EXENTRY entry = NewEntry(rhythm.written, rest);
    if (rhythm.measureRest) entry.entryFlags |= ENTRY_MEASURE_REST;
    if (!rest) AddPitch(entry, note, children);
    const bool notatedTie = ReadNotations(entry, children, &rhythm.tuplet);
    if (!rest && notatedTie) entry.notes[0].noteFlags |= NOTE_TIE;
    if (!rest && (entry.notes[0].noteFlags & NOTE_TIE)) cell.tied = true;
    AppendEntry(cell, entry, origin, std::move(rhythm.tuplet));

    const Rational end = cursor_ + rhythm.sounding;
    ExtendRun(cell, note, end);
    ReachMeasureEnd(end, rhythm.measureRest);
    cursor_ = end;
    cell.end = end;
    cell.reached = std::max(cell.reached, end);
    mainCell_ = &cell;
}

/// The note's value and its sounding length. Where the part has stated its divisions, the
/// <duration> gives the sounding length; before that, the type, dots and time modification do,
/// until a note with both shows what the durations count, and from then on the durations do as
/// if so stated. A measure rest lasts what its duration says, whatever its type.
NoteRhythm Reader::ReadRhythm(pugi::xml_node note, const NoteChildren& children) {
    NoteRhythm rhythm;
    if (children.timeModification) ReadTimeModification(children.timeModification, rhythm.tuplet);
    const Rational factor(rhythm.tuplet.normal, rhythm.tuplet.actual);
    std::optional<int> written;
    if (children.type) {
        const pugi::xml_node type = children.type;
        written = DurationOfTypeWithDots(TrimmedView(type.child_value()), children.dots);
        if (!written)
            Fail(type, "note value \"" + Trimmed(type.text().get()) +
                           "\" is longer than the host can hold or unknown");
    }
    if (children.duration && (divisions_ > 0 || shownDivisions_ > 0)) {
        rhythm.sounding = DurationOf(note, children.duration);
    } else if (written) {
        rhythm.sounding = Rational(*written, EDU_QUARTER) * factor;
        if (children.duration && shownDivisions_ == 0) {
            const Rational shown = Rational(IntegerOf(children.duration)) / rhythm.sounding;
            if (shown.IsInteger() && shown.num >= 1 && shown.num <= MAX_DIVISIONS)
                shownDivisions_ = static_cast<int>(shown.num);
        }
    } else if (children.duration) {
        Fail(note, "a note with neither <divisions> in force nor a <type>: its length is unknown");
    } else {
        Fail(note, "a note with neither <duration> nor <type>");
    }
    if (children.rest) {
        const pugi::xml_node rest = children.rest;
        const bool wholeOfOtherLength = written && *written == 4 * EDU_QUARTER &&
                                        children.duration && rhythm.tuplet.actual == 1 &&
                                        rhythm.tuplet.normal == 1 && rhythm.sounding != Rational(4);
        rhythm.measureRest =
            std::strcmp(rest.attribute("measure").value(), "yes") == 0 || wholeOfOtherLength;
    }
    if (!written || rhythm.measureRest) {
        const int64_t units = (rhythm.sounding / factor * Rational(EDU_QUARTER)).Round();
        if (units <= 0 || units > 32767) Fail(note, "a duration the host cannot hold");
        written = static_cast<int>(units);
    }
    rhythm.written = *written;
    return rhythm;
}

void Reader::ReadTimeModification(pugi::xml_node modification, EntryRhythm& rhythm) const {
    rhythm.actual =
        modification.child("actual-notes") ? IntegerOf(modification.child("actual-notes")) : 1;
    rhythm.normal =
        modification.child("normal-notes") ? IntegerOf(modification.child("normal-notes")) : 1;
    if (rhythm.actual <= 0 || rhythm.normal <= 0)
        Fail(modification, "a time modification must be positive");
    if (rhythm.actual > MAX_TUPLET_NOTES || rhythm.normal > MAX_TUPLET_NOTES)
        Fail(modification,
             "a time modification of more than " + std::to_string(MAX_TUPLET_NOTES) + " notes");
}

void Reader::ReadTupletMark(pugi::xml_node t, EntryRhythm& rhythm) const {
    const std::string_view type = t.attribute("type").value();
    TupletMark mark;
    mark.start = type == "start";
    if (!mark.start && type != "stop") return;
    mark.number = t.attribute("number").as_int(1);
    const std::string_view bracket = t.attribute("bracket").value();
    mark.look.bracket = bracket == "yes" ? 1 : bracket == "no" ? 2 : 0;
    const std::string_view show = t.attribute("show-number").value();
    mark.look.showNumber = show == "actual" ? 1 : show == "both" ? 2 : show == "none" ? 3 : 0;
    const std::string_view placement = t.attribute("placement").value();
    mark.look.placement = placement == "above" ? 1 : placement == "below" ? 2 : 0;
    ReadTupletSide(t.child("tuplet-actual"), mark.actual, mark.actualType);
    ReadTupletSide(t.child("tuplet-normal"), mark.normal, mark.normalType);
    rhythm.marks.push_back(mark);
}

/// The number and note value a tuplet states for its actual or its normal notes.
void Reader::ReadTupletSide(pugi::xml_node side, int& number, int& value) const {
    if (pugi::xml_node n = side.child("tuplet-number")) {
        number = IntegerOf(n);
        if (number > MAX_TUPLET_NOTES)
            Fail(n, "a tuplet of more than " + std::to_string(MAX_TUPLET_NOTES) + " notes");
    }
    if (pugi::xml_node type = side.child("tuplet-type")) {
        int dots = 0;
        for (pugi::xml_node dot = side.child("tuplet-dot"); dot;
             dot = dot.next_sibling("tuplet-dot"))
            ++dots;
        value = DurationOfTypeWithDots(TrimmedView(type.text().get()), dots).value_or(0);
    }
}

SpelledPitch Reader::WrittenPitch(pugi::xml_node note, const NoteChildren& children) const {
    SpelledPitch pitch;
    if (children.pitch) {
        const pugi::xml_node p = children.pitch;
        FoundChild stepNode, alterNode, octaveNode;
        for (pugi::xml_node part = p.first_child(); IsNode(part); part = part.next_sibling()) {
            const char* name = part.name();
            if (NameIs(name, "step")) {
                stepNode.First(part);
            } else if (NameIs(name, "alter")) {
                alterNode.First(part);
            } else if (NameIs(name, "octave")) {
                octaveNode.First(part);
            }
        }
        const std::string_view step = TrimmedView(pugi::xml_node(stepNode).child_value());
        if (step.size() != 1 || LetterIndex(step[0]) < 0) Fail(p, "a pitch without a valid <step>");
        pitch.step = static_cast<char>(std::toupper(static_cast<unsigned char>(step[0])));
        // Microtones (a decimal alter) go to the nearest semitone.
        if (alterNode) {
            const pugi::xml_node alter = alterNode;
            const auto plainAlter = PlainIntegerIn(alter.child_value());
            pitch.alter =
                plainAlter ? *plainAlter : static_cast<int>(std::lround(alter.text().as_double(0)));
        }
        if (!octaveNode) Fail(p, "a pitch without <octave>");
        pitch.octave = IntegerOf(octaveNode);
    } else if (pugi::xml_node u = children.unpitched) {
        const std::string step = Trimmed(u.child("display-step").text().get());
        if (step.size() == 1 && LetterIndex(step[0]) >= 0) {
            pitch.step = static_cast<char>(std::toupper(static_cast<unsigned char>(step[0])));
            pitch.octave = u.child("display-octave") ? IntegerOf(u.child("display-octave")) : 4;
        } else {
            pitch = SpelledPitch{'B', 0, 4};
        }
    } else {
        Fail(note, "a note with neither <pitch>, <unpitched> nor <rest>");
    }
    return pitch;
}

/// A note record for the note's pitch, relative to the key of its measure, with its tie.
void Reader::AddPitch(EXENTRY& entry, pugi::xml_node note, const NoteChildren& children) {
    if (entry.noteCount >= EXENTRY_MAXNOTES)
        Fail(note, "a chord of more than " + std::to_string(EXENTRY_MAXNOTES) +
                       " notes; the host holds at most " + std::to_string(EXENTRY_MAXNOTES));
    const utwobyte key = score_.measures[static_cast<size_t>(measure_ - 1)].keyValue;
    const auto hostPitch = ToHostPitch(WrittenPitch(note, children), key);
    if (!hostPitch) Fail(note, "a pitch out of the host's range");
    EXNOTE& record = entry.notes[entry.noteCount];
    record = EXNOTE{};
    record.displacement = hostPitch->displacement;
    record.raiseLower = hostPitch->raiseLower;
    record.noteID = static_cast<twobyte>(entry.noteCount + 1);
    record.noteFlags =
        NOTE_INUSE | ((static_cast<ufourbyte>(record.noteID) << NOTE_IDBITS_SHIFT) & NOTE_IDBITS);
    // A <tied> in the notations ties it too (see ReadNotations).
    bool tied = false;
    for (pugi::xml_node tie : Each{children.tie, children.ties})
        if (std::strcmp(tie.attribute("type").value(), "start") == 0) tied = true;
    if (tied) record.noteFlags |= NOTE_TIE;
    if (children.accidental) record.noteFlags |= NOTE_SHOWACCI;
    ++entry.noteCount;
}

/// What the notations of a note say, in one walk over them: articulations and fermatas travel
/// with the rhythm, and the host holds them as articulation records of the entry (a chord's
/// marks once); its tuplet brackets go into `rhythm`, where one is given; answers whether a
/// <tied> ties the note into the next.
bool Reader::ReadNotations(EXENTRY& entry, const NoteChildren& children, EntryRhythm* rhythm) {
    bool tied = false;
    for (pugi::xml_node notations : Each{children.notations, children.notationsCount})
        for (pugi::xml_node mark = notations.first_child(); IsNode(mark);
             mark = mark.next_sibling()) {
            const char* name = mark.name();
            if (NameIs(name, "fermata")) {
                AddArticulation(entry, MarkDefinition(mark, false));
            } else if (NameIs(name, "articulations")) {
                for (pugi::xml_node a : mark.children())
                    if (a.type() == pugi::node_element)
                        AddArticulation(entry, MarkDefinition(a, true));
            } else if (NameIs(name, "tied")) {
                const std::string_view type = mark.attribute("type").value();
                if (type == "start" || type == "continue") tied = true;
            } else if (rhythm && NameIs(name, "tuplet")) {
                ReadTupletMark(mark, *rhythm);
            }
        }
    return tied;
}

void Reader::AddArticulation(EXENTRY& entry, int definition) {
    if (definition == 0) return;
    int count = 0;
    for (;; ++count) {
        auto it = document_.records.find(
            host::DetailKey(host::TAG_ARTICULATION, entry.entryNumber, count));
        if (it == document_.records.end()) break;
        if (it->second[0] == (definition & 0xFF) && it->second[1] == (definition >> 8)) return;
    }
    std::vector<unsigned char> record(ARTICULATION_RECORD_SIZE, 0);
    record[0] = static_cast<unsigned char>(definition & 0xFF);
    record[1] = static_cast<unsigned char>(definition >> 8);
    document_.records[host::DetailKey(host::TAG_ARTICULATION, entry.entryNumber, count)] =
        std::move(record);
    entry.entryFlags |= ENTRY_ARTICULATION;
}

EXENTRY Reader::NewEntry(int duration, bool rest) {
    EXENTRY entry{};
    entry.entryNumber = document_.nextEntryNumber++;
    entry.duration = static_cast<twobyte>(duration);
    entry.entryFlags = ENTRY_INUSE | (rest ? ENTRY_PLACEHOLDERREST : ENTRY_NOTE);
    entry.elapsedTime = static_cast<fourbyte>(cursor_.RoundedTimes(EDU_QUARTER));
    if (rest) {
        // As the host keeps a rest: one placeholder note record.
        entry.noteCount = 1;
        entry.notes[0].noteFlags = NOTE_INUSE;
    }
    return entry;
}

void Reader::FillGap(OpenCell& cell, Rational until) {
    if (until <= cell.end) return;
    // The host's durations are 16-bit: a long gap is several rests.
    constexpr int64_t LONGEST = 4 * 4 * EDU_QUARTER;
    const Rational resume = cursor_;
    int64_t units = (until - cell.end).RoundedTimes(EDU_QUARTER);
    while (units > 0) {
        const int64_t part = std::min(units, LONGEST);
        cursor_ = cell.end;
        EXENTRY gap = NewEntry(static_cast<int>(part), true);
        gap.entryFlags |= ENTRY_GAP;
        AppendEntry(cell, gap, EntryOrigin{}, EntryRhythm{});
        cell.end += Rational(part, EDU_QUARTER);
        units -= part;
    }
    cursor_ = resume;
    cell.end = until;
}

void Reader::AppendEntry(OpenCell& cell, const EXENTRY& entry, const EntryOrigin& origin,
                         EntryRhythm rhythm) {
    if (cell.entries.size() >= MAX_ENTRIES_PER_MEASURE)
        Fail(origin.note, "more than " + std::to_string(MAX_ENTRIES_PER_MEASURE) +
                              " notes and rests in one voice of one measure");
    cell.entries.push_back(entry);
    cell.origins.push_back(origin);
    cell.rhythm.push_back(std::move(rhythm));
}

void Reader::PlacePendingGraces(OpenCell& cell, EntryOrigin& next, bool nextIsNote) {
    auto& pending = cell.pendingGraces;
    if (pending.empty()) return;
    // Before a note, the grace notes that take their time from the note before them are that
    // note's; before a rest, all of them are.
    auto after = pending.begin();
    if (nextIsNote) {
        while (after != pending.end() && after->after)
            ++after;
    } else {
        after = pending.end();
    }
    GiveAfterGraces(cell, after);
    if (pending.empty()) return;
    next.graceBegin = static_cast<uint32_t>(score_.graces.size());
    next.graceCount = static_cast<uint32_t>(pending.size());
    score_.graces.insert(score_.graces.end(), pending.begin(), pending.end());
    pending.clear();
}

/// Gives the pending grace notes before `end` to the cell's last entry when it is a note (they
/// follow it: a trill's closing notes); they stay pending otherwise.
void Reader::GiveAfterGraces(OpenCell& cell, std::vector<GraceNotes>::iterator end) {
    auto& pending = cell.pendingGraces;
    if (end == pending.begin() || cell.entries.empty() ||
        !(cell.entries.back().entryFlags & ENTRY_NOTE))
        return;
    EntryOrigin& previous = cell.origins.back();
    if (previous.afterCount == 0) previous.afterBegin = static_cast<uint32_t>(score_.graces.size());
    previous.afterCount += static_cast<uint32_t>(end - pending.begin());
    score_.graces.insert(score_.graces.end(), pending.begin(), end);
    pending.erase(pending.begin(), end);
}

} // namespace cadentra_cli
