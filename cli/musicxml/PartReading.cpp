// The parts of a score, measure by measure: staves, divisions, backups and forwards, and the
// cells (a voice of a staff in one measure) that the notes fill.
#include "cli/musicxml/InputLimits.h"
#include "cli/musicxml/Reader.h"
#include "cli/musicxml/XmlText.h"
#include "host/EntryDetails.h"

#include <algorithm>
#include <climits>

namespace cadentra_cli {

Reader::OpenCell& Reader::Open(const host::FrameKey& key) {
    if (lastOpen_ < openCount_ && openCells_[lastOpen_].key == key) return openCells_[lastOpen_];
    for (size_t i = 0; i < openCount_; ++i)
        if (openCells_[i].key == key) {
            lastOpen_ = i;
            return openCells_[i];
        }
    if (openCount_ == openCells_.size()) openCells_.emplace_back();
    OpenCell& cell = openCells_[openCount_];
    cell.key = key;
    // Cells come in key order but for the staves of a part within a measure: most go last.
    cell.origin = &score_.cells.try_emplace(score_.cells.end(), key)->second;
    cell.described = false;
    cell.tied = false;
    cell.end = Rational(0);
    cell.reached = Rational(0);
    cell.entries.clear();
    cell.origins.clear();
    cell.runs.clear();
    cell.rhythm.clear();
    cell.pendingGraces.clear();
    lastOpen_ = openCount_++;
    return cell;
}

/// A part has as many staves as its <staves> or the highest <staff> of its notes and forwards
/// say; they are counted while the part is read, and its staves are numbered from the staff
/// after the previous part's last.
void Reader::UseStaff(int partStaff, pugi::xml_node at) {
    Part& part = score_.parts[static_cast<size_t>(part_)];
    if (partStaff > 64)
        Fail(at, "part \"" + part.id + "\" claims more staves than the host can hold");
    while (part.staffCount < partStaff) {
        if (static_cast<int>(score_.staves.size()) >= MAX_STAVES)
            Fail(score_.xml.document_element(),
                 "the score has more than " + std::to_string(MAX_STAVES) + " staves");
        ++part.staffCount;
        StaffInfo staff;
        staff.part = part_;
        staff.partStaff = part.staffCount;
        score_.staves.push_back(staff);
    }
}

int Reader::DivisionsInForce() const {
    if (divisions_ > 0) return divisions_;
    return shownDivisions_ > 0 ? shownDivisions_ : 1;
}

Rational Reader::DurationOf(pugi::xml_node element) const {
    return DurationOf(element, element.child("duration"));
}

Rational Reader::DurationOf(pugi::xml_node element, pugi::xml_node duration) const {
    if (!duration) Fail(element, "has no <duration>");
    const int divisions = DivisionsInForce();
    const int value = IntegerOf(duration);
    if (value < 0) Fail(duration, "a negative duration");
    if (value > static_cast<int64_t>(MAX_DURATION_QUARTERS) * divisions)
        Fail(duration, "a duration of " + std::to_string(value / divisions) +
                           " quarter notes; at most " + std::to_string(MAX_DURATION_QUARTERS) +
                           " are accepted");
    return Rational(value, divisions);
}

/// A voice belongs to the staff of its part where its first note is (its rests, grace notes and
/// forwards before that note go with it); its notes on another staff are cross-staff notes in the
/// same layer. A file that writes one voice number on two staves at once (its notes there overlap
/// the voice's own) has two voices, one on each staff.
int Reader::StaffOfVoice(int partStaff, std::string_view voice, pugi::xml_node at) {
    // Notes without a voice are the voice of their own staff.
    if (voice.empty()) return partStaff;
    auto home = voiceStaff_.find(voice);
    if (home == voiceStaff_.end()) {
        home = voiceStaff_.emplace(std::string(voice), partStaff).first;
        if (const int staff = StaffOfFirstNote(voice, at); staff > 0) home->second = staff;
        return home->second;
    }
    if (home->second == partStaff) return partStaff;
    std::pair<std::string, int> own(voice, partStaff);
    if (ownVoices_.count(own)) return partStaff;
    const Part& part = score_.parts[static_cast<size_t>(part_)];
    const StaffInfo& staff =
        score_.staves[static_cast<size_t>(part.firstHostStaff + home->second - 2)];
    const auto layer = std::find(staff.voices.begin(), staff.voices.end(), voice);
    for (size_t i = 0; i < openCount_; ++i) {
        const OpenCell& open = openCells_[i];
        if (open.key.staff == part.firstHostStaff + home->second - 1 &&
            open.key.layer == layer - staff.voices.begin() && open.reached > cursor_) {
            ownVoices_.insert(std::move(own));
            return partStaff;
        }
    }
    return home->second;
}

namespace {

/// An element's <duration> as written, in the divisions in force; 0 where it has none.
int64_t WrittenDuration(pugi::xml_node element) {
    return PlainIntegerIn(element.child("duration").child_value()).value_or(0);
}

} // namespace

/// The staff of the first note of `voice` (not a rest or a grace note) from the element `at` on,
/// in this measure and a few after it; 0 when there is none, when its staff is not one a part
/// can have, or when in this measure it begins before a rest or forward at `at` ends (then the
/// two are not one voice's music; a grace note takes no time).
int Reader::StaffOfFirstNote(std::string_view voice, pugi::xml_node at) const {
    constexpr size_t MEASURES_LOOKED_AT = 16;
    const bool grace = NameIs(at.name(), "note") && at.child("grace");
    const auto& measures = partMeasures_[static_cast<size_t>(part_)];
    const size_t here = static_cast<size_t>(measure_ - 1);
    // Times from the start of `at`, in the durations as written.
    int64_t time = 0;
    const int64_t end = grace ? INT64_MIN : WrittenDuration(at);
    for (size_t m = here; m < measures.size() && m < here + MEASURES_LOOKED_AT; ++m) {
        for (pugi::xml_node child = m == here ? at : measures[m].first_child(); child;
             child = child.next_sibling()) {
            const char* name = child.name();
            if (NameIs(name, "backup")) time -= WrittenDuration(child);
            if (NameIs(name, "forward")) time += WrittenDuration(child);
            if (!NameIs(name, "note")) continue;
            const NoteChildren children(child);
            const bool mine = !children.rest && !children.grace && children.voice &&
                              TrimmedView(pugi::xml_node(children.voice).child_value()) == voice;
            if (!mine) {
                if (!children.chord && !children.grace) time += WrittenDuration(child);
                continue;
            }
            if (m == here && time < end) return 0;
            if (!children.staff) return 1;
            const auto staff = PlainIntegerIn(pugi::xml_node(children.staff).child_value());
            return staff && *staff >= 1 && *staff <= 64 ? *staff : 0;
        }
    }
    return 0;
}

Reader::OpenCell& Reader::CellFor(int partStaff, std::string_view voice, pugi::xml_node at) {
    const Part& part = score_.parts[static_cast<size_t>(part_)];
    if (partStaff < 1)
        Fail(at,
             "staff " + std::to_string(partStaff) + " does not exist in part \"" + part.id + "\"");
    UseStaff(partStaff, at);
    const int cellStaff = StaffOfVoice(partStaff, voice, at);
    UseStaff(cellStaff, at);
    const int hostStaff = part.firstHostStaff + cellStaff - 1;
    StaffInfo& staff = score_.staves[static_cast<size_t>(hostStaff - 1)];
    auto found = std::find(staff.voices.begin(), staff.voices.end(), voice);
    const int layer = static_cast<int>(found - staff.voices.begin());
    if (found == staff.voices.end()) {
        if (static_cast<int>(staff.voices.size()) >= document_.maxLayers)
            Fail(at, "part \"" + part.id + "\" (" + part.name + "), staff " +
                         std::to_string(cellStaff) + ", measure " +
                         score_.measures[static_cast<size_t>(measure_ - 1)].number + ": voice \"" +
                         std::string(voice) + "\" would be layer " +
                         std::to_string(staff.voices.size() + 1) +
                         " of this staff; the host holds at most " +
                         std::to_string(document_.maxLayers) + " layers per staff");
        staff.voices.emplace_back(voice);
    }
    const host::FrameKey key{static_cast<twobyte>(hostStaff), static_cast<twobyte>(measure_),
                             static_cast<twobyte>(layer)};
    OpenCell& open = Open(key);
    if (!open.described) {
        open.origin->part = part_;
        open.origin->partStaff = cellStaff;
        open.origin->voice = voice;
        open.described = true;
    }
    return open;
}

void Reader::ExtendRun(OpenCell& cell, pugi::xml_node element, Rational end) {
    std::vector<CellRun>& runs = cell.runs;
    if (runOpen_ && runCell_ == &cell && !runs.empty()) {
        runs.back().last = element;
        runs.back().endTime = end;
        // What follows the run counts in the divisions in force at its end: those a note of the
        // run may just have shown.
        runs.back().divisions = DivisionsInForce();
        return;
    }
    CellRun run;
    run.first = element;
    run.last = element;
    run.startTime = cursor_;
    run.endTime = end;
    run.divisions = DivisionsInForce();
    run.divisionsStated = divisions_ > 0;
    runs.push_back(run);
    runOpen_ = true;
    runCell_ = &cell;
}

void Reader::ReadAttributes(pugi::xml_node attributes) {
    if (pugi::xml_node divisions = attributes.child("divisions")) {
        const int value = IntegerOf(divisions);
        if (value <= 0) Fail(divisions, "divisions must be positive");
        if (value > MAX_DIVISIONS)
            Fail(divisions,
                 "more than " + std::to_string(MAX_DIVISIONS) + " divisions per quarter note");
        divisions_ = value;
    }
    if (pugi::xml_node staves = attributes.child("staves")) UseStaff(IntegerOf(staves), staves);
}

/// Asks the processor for a measure's nodes and text before they are read. The parser makes
/// nodes one after another as it meets them in the text, so the nodes of a measure of a part lie
/// between its own node and the next measure's, as its text lies between their names; a score's
/// tree is many times larger than the caches, and a walk that asks for one node at a time waits
/// on each. Where the next measure is not where it would be (a timewise score) or lies far, the
/// first pages after the measure are asked for.
void Reader::FetchAhead(pugi::xml_node measure, pugi::xml_node next) const {
    constexpr uintptr_t LINE = 64;
    constexpr uintptr_t FARTHEST = 32 * 1024;
    constexpr uintptr_t AT_LEAST = 4 * 1024;
    auto fetch = [](const void* fromPointer, const void* toPointer) {
        const auto from = reinterpret_cast<uintptr_t>(fromPointer);
        auto to = reinterpret_cast<uintptr_t>(toPointer);
        if (to <= from || to - from > FARTHEST) to = from + AT_LEAST;
        for (uintptr_t at = from & ~(LINE - 1); at < to; at += LINE)
            __builtin_prefetch(reinterpret_cast<const void*>(at), 0, 2);
    };
    fetch(measure.internal_object(), next.internal_object());
    fetch(measure.name(), next ? next.name() : nullptr);
}

void Reader::ReadPart(int partIndex) {
    constexpr size_t FETCH_AHEAD = 2;
    part_ = partIndex;
    divisions_ = 0;
    shownDivisions_ = 0;
    voiceStaff_.clear();
    ownVoices_.clear();
    Part& part = score_.parts[static_cast<size_t>(partIndex)];
    part.firstHostStaff = static_cast<int>(score_.staves.size()) + 1;
    part.staffCount = 0;
    UseStaff(1, pugi::xml_node());
    const auto& measures = partMeasures_[static_cast<size_t>(partIndex)];
    score_.tails[static_cast<size_t>(partIndex)].reserve(measures.size());
    for (size_t m = 0; m < measures.size(); ++m) {
        measure_ = static_cast<int>(m) + 1;
        cursor_ = Rational(0);
        runOpen_ = false;
        mainCell_ = nullptr;
        openCount_ = 0;
        if (partIndex == 0) CollectMeasure(m);
        // Two measures ahead: the time it takes to read one is about what the memory takes.
        if (m + FETCH_AHEAD < measures.size())
            FetchAhead(measures[m + FETCH_AHEAD], m + FETCH_AHEAD + 1 < measures.size()
                                                      ? measures[m + FETCH_AHEAD + 1]
                                                      : pugi::xml_node());
        MeasureTail tail;
        tail.divisions = DivisionsInForce();
        tail.divisionsStated = divisions_ > 0;
        ReadMeasureContents(measures[m], tail);
        score_.tails[static_cast<size_t>(part_)].push_back(tail);
        FinishMeasure();
    }
}

void Reader::ReadMeasureContents(pugi::xml_node measure, MeasureTail& tail) {
    // The measure's contents lie 4 deep; each is checked for nesting as it comes.
    pugi::xml_node child = measure.first_child();
    const char* nextName = IsNode(child) ? child.name() : nullptr;
    for (pugi::xml_node next; IsNode(child); child = next) {
        const char* const name = nextName;
        next = child.next_sibling();
        nextName = IsNode(next) ? next.name() : nullptr;
        const ptrdiff_t start = OffsetOfName(name);
        const ptrdiff_t end = IsNode(next) ? OffsetOfName(nextName) : -1;
        const bool note = NameIs(name, "note");
        // A note is checked in the walk over its children that reading it makes.
        if (!note) CheckNesting(child, 4, start, end);
        // Only elements have names: text answers "".
        if (!*name) continue;
        const bool backup = !note && NameIs(name, "backup");
        const bool forward = !note && !backup && NameIs(name, "forward");
        const bool music = note || backup || forward;
        if (note) {
            ReadNote(child, start, end);
        } else if (backup) {
            CloseRun();
            // A backup past the measure's start goes to the start, as notation programs read it.
            cursor_ -= DurationOf(child);
            if (cursor_ < Rational(0)) cursor_ = Rational(0);
        } else if (forward) {
            ReadForward(child);
        } else {
            CloseRun();
            if (NameIs(name, "attributes")) ReadAttributes(child);
            if (NameIs(name, "direction")) ReadRehearsalMarks(child);
        }
        // After the last note, backup or forward; failing those, after the last element.
        if (music || !tail.known || !tail.music) {
            tail.after = child;
            tail.time = cursor_;
            tail.divisions = DivisionsInForce();
            tail.divisionsStated = divisions_ > 0;
            tail.known = true;
            tail.music = tail.music || music;
        }
    }
}

/// Rehearsal marks name passages on the command line; a mark that several parts repeat in one
/// measure is one mark.
void Reader::ReadRehearsalMarks(pugi::xml_node direction) {
    for (pugi::xml_node type : direction.children("direction-type"))
        for (pugi::xml_node mark : type.children("rehearsal")) {
            std::string text = Trimmed(mark.text().get());
            if (!text.empty() && rehearsalMarksSeen_.emplace(measure_, text).second)
                score_.rehearsalMarks.push_back(RehearsalMark{std::move(text), measure_});
        }
}

/// A forward moves the cursor; where the voice's next note then starts later than its music has
/// reached, the time between is a gap in its rhythm (see FillGap).
void Reader::ReadForward(pugi::xml_node forward) {
    const Rational duration = DurationOf(forward);
    const pugi::xml_node staffNode = forward.child("staff");
    const int staff = staffNode ? IntegerOf(staffNode) : 1;
    if (staffNode) UseStaff(staff, staffNode);
    if (pugi::xml_node voice = forward.child("voice")) {
        OpenCell& cell = CellFor(staff, TrimmedView(voice.child_value()), forward);
        ExtendRun(cell, forward, cursor_ + duration);
        cell.reached = std::max(cell.reached, cursor_ + duration);
    } else {
        CloseRun();
    }
    cursor_ += duration;
    ReachMeasureEnd(cursor_, false);
}

void Reader::ReachMeasureEnd(Rational end, bool measureRest) {
    Rational& reached = (measureRest ? measureRestEnds_ : measureEnds_)[measure_ - 1];
    if (end > reached) reached = end;
}

void Reader::FinishMeasure() {
    for (size_t i = 0; i < openCount_; ++i) {
        OpenCell& cell = openCells_[i];
        // Grace notes that no note followed belong to the note before them.
        GiveAfterGraces(cell, cell.pendingGraces.end());
        for (const GraceNotes& grace : cell.pendingGraces)
            cell.origin->trailingGraces.push_back(grace);
        BuildTuplets(cell.key, cell.entries, cell.rhythm);
        if (cell.tied) DropUnheldTies(cell);
        // Frames come in key order but for the staves of a part within a measure, as the cells
        // do: most go last, where the hint saves a search of the whole store.
        if (!cell.entries.empty())
            document_.frames.emplace_hint(document_.frames.end(), cell.key, {})
                ->second.assign(cell.entries.begin(), cell.entries.end());
        cell.origin->entries.assign(cell.origins.begin(), cell.origins.end());
        cell.origin->runs.assign(cell.runs.begin(), cell.runs.end());
    }
    openCount_ = 0;
}

/// The ties of a cell's entries that lead to no note of their pitch in the next entry; the last
/// entry's ties are looked at once the next measure is read (DropUnheldTiesOut).
void Reader::DropUnheldTies(OpenCell& cell) {
    const utwobyte keyValue = score_.measures[static_cast<size_t>(measure_ - 1)].keyValue;
    for (size_t i = 0; i + 1 < cell.entries.size(); ++i)
        DropUnheldTies(cell.entries[i], &cell.entries[i + 1], keyValue, keyValue);
    const EXENTRY& last = cell.entries.back();
    for (int n = 0; n < last.noteCount && n < EXENTRY_MAXNOTES; ++n)
        if (last.notes[n].noteFlags & NOTE_TIE) {
            tiedOut_.push_back(cell.key);
            break;
        }
}

/// A gap inside a tuplet lasts, as every entry there does, its written duration at the tuplet's
/// ratio: its written duration is made the one that lasts as long as the gap. True when a gap
/// changed (the tuplets' reaches change with it).
bool Reader::FitGapsToTuplets(std::vector<EXENTRY>& entries,
                              const std::vector<PlacedTuplet>& tuplets,
                              std::vector<int>& durations) {
    bool changed = false;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!(entries[i].entryFlags & ENTRY_GAP)) continue;
        Rational factor(1);
        for (const PlacedTuplet& tuplet : tuplets)
            if (tuplet.first <= static_cast<int>(i) && static_cast<int>(i) <= tuplet.last)
                factor =
                    factor * Rational(tuplet.definition.normalCount) *
                    Rational(tuplet.definition.normalUnit) /
                    (Rational(tuplet.definition.actualCount) * Rational(tuplet.definition.unit));
        if (factor == Rational(1) || factor.num <= 0) continue;
        const int64_t written = (Rational(entries[i].duration) / factor).Round();
        entries[i].duration = static_cast<twobyte>(std::clamp<int64_t>(written, 1, 32767));
        durations[i] = entries[i].duration;
        changed = true;
    }
    return changed;
}

/// Stores the tuplets of one cell's entries as definition records on the entries that start them.
void Reader::BuildTuplets(const host::FrameKey& key, std::vector<EXENTRY>& entries,
                          std::vector<EntryRhythm>& rhythm) {
    // Most cells hold no tuplet: no bracket and no time modification.
    if (std::none_of(rhythm.begin(), rhythm.end(), [](const EntryRhythm& entry) {
            return !entry.marks.empty() || entry.actual != entry.normal;
        }))
        return;
    std::vector<int> durations;
    for (const EXENTRY& entry : entries)
        durations.push_back(entry.duration);
    auto group = [&] {
        try {
            return GroupTuplets(durations, rhythm);
        } catch (const UnholdableTuplet&) {
            Fail(pugi::xml_node(),
                 "measure " + score_.measures[static_cast<size_t>(key.measure - 1)].number +
                     ": nested tuplets whose ratio the host cannot hold");
        }
    };
    std::vector<PlacedTuplet> tuplets = group();
    if (FitGapsToTuplets(entries, tuplets, durations)) tuplets = group();
    std::map<int, int> perEntry;
    for (const PlacedTuplet& tuplet : tuplets) {
        EXENTRY& first = entries[static_cast<size_t>(tuplet.first)];
        const EDTTuplet2005 record = EncodeTuplet(tuplet.definition);
        const auto* bytes = reinterpret_cast<const unsigned char*>(&record);
        document_.records[host::DetailKey(host::TAG_TUPLET, first.entryNumber,
                                          perEntry[tuplet.first]++)] =
            std::vector<unsigned char>(bytes, bytes + sizeof record);
        first.entryFlags |= ENTRY_TUPLETSTART;
    }
}

} // namespace cadentra_cli
