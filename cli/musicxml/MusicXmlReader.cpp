#include "cli/musicxml/MusicXmlReader.h"

#include "cli/musicxml/InputLimits.h"
#include "cli/musicxml/KeyPitch.h"
#include "cli/musicxml/LayerFrames.h"
#include "cli/musicxml/NoteValues.h"
#include "cli/musicxml/Reader.h"
#include "cli/musicxml/XmlText.h"
#include "host/MeasureRecord.h"
#include "host/Notation.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <numeric>
#include <set>

namespace cadentra_cli {

namespace {

/// Whether `entry` (in a measure of key `entryKey`) has a note of the written pitch of `note`
/// (in a measure of key `noteKey`).
bool HoldsPitch(const EXENTRY& entry, utwobyte entryKey, const EXNOTE& note, utwobyte noteKey) {
    if (!(entry.entryFlags & ENTRY_NOTE)) return false;
    const auto pitch = FromHostPitch(HostPitch{note.displacement, note.raiseLower}, noteKey);
    for (int n = 0; n < entry.noteCount && n < EXENTRY_MAXNOTES; ++n)
        if (FromHostPitch(HostPitch{entry.notes[n].displacement, entry.notes[n].raiseLower},
                          entryKey) == pitch)
            return true;
    return false;
}

} // namespace

int Score::MeasureOfNumber(const std::string& number) const {
    for (size_t i = 0; i < measures.size(); ++i)
        if (measures[i].number == number) return static_cast<int>(i) + 1;
    return 0;
}

std::vector<pugi::xml_node> Score::NotesOf(const EntryOrigin& entry) const {
    std::vector<pugi::xml_node> notes{entry.note};
    notes.insert(notes.end(), chordNotes.begin() + entry.chordBegin,
                 chordNotes.begin() + entry.chordBegin + entry.chordCount);
    return notes;
}

std::span<const GraceNotes> Score::GracesBefore(const EntryOrigin& entry) const {
    return std::span<const GraceNotes>(graces).subspan(entry.graceBegin, entry.graceCount);
}

std::span<const GraceNotes> Score::GracesAfter(const EntryOrigin& entry) const {
    return std::span<const GraceNotes>(graces).subspan(entry.afterBegin, entry.afterCount);
}

std::string Score::WithMarkNames(std::string_view music) const {
    return host::NameArticulations(music, [this](int id) {
        return id >= 1 && static_cast<size_t>(id) <= marks.size()
                   ? marks[static_cast<size_t>(id - 1)].element
                   : std::string();
    });
}

int Score::HostStaff(int part, int partStaff) const {
    if (part < 0 || part >= static_cast<int>(parts.size())) return 0;
    if (partStaff < 1 || partStaff > parts[static_cast<size_t>(part)].staffCount) return 0;
    return parts[static_cast<size_t>(part)].firstHostStaff + partStaff - 1;
}

void Reader::Fail(pugi::xml_node at, const std::string& problem) const {
    std::string where = score_.text->Name();
    if (at) {
        const ptrdiff_t offset = at.offset_debug();
        if (offset >= 0)
            where += ":" + std::to_string(score_.text->LineOf(static_cast<size_t>(offset)));
        where += ": <" + std::string(at.name()) + ">";
    }
    throw InputError{where + ": " + problem};
}

/// Refuses what no score needs and what could make reading costly: entity declarations (a
/// DOCTYPE with an internal subset) here, and elements nested deeper than MAX_ELEMENT_DEPTH
/// (CheckNesting: the contents of each measure just before it is read, and the rest of the
/// document once the measures are known).
void Reader::CheckDocumentShape(pugi::xml_node root) const {
    const ptrdiff_t rootOffset = root.offset_debug();
    const std::string_view prolog =
        text_.substr(0, rootOffset > 0 ? static_cast<size_t>(rootOffset) : text_.size());
    const size_t doctype = prolog.find("<!DOCTYPE");
    const size_t subset =
        doctype == std::string_view::npos ? doctype : prolog.find_first_of("[>", doctype);
    if (subset != std::string_view::npos && prolog[subset] == '[')
        throw InputError{score_.text->Name() +
                         ": the document declares entities (a DOCTYPE with an internal subset); "
                         "a score needs none, and the file is refused"};
}

/// Refuses `node` (which lies `depth` deep, the root being 1) or a node below it when it lies
/// deeper than MAX_ELEMENT_DEPTH; the text an element holds (kept in the element itself, see Run)
/// lies one deeper than the element. Its text lies within `start` to `end` (offsets in the text,
/// -1 where unknown). Nodes nested h deep below an element need h levels of start and end tags
/// inside it, at least "<a></a>" each, so an element whose text is too short to reach past the
/// limit is not looked into; the text up to the next sibling bounds an element's text. Nearly
/// every element of a score is far shorter than that, so that few nodes are visited. The walk
/// goes no deeper than the limit.
void Reader::CheckNesting(pugi::xml_node node, int depth, ptrdiff_t start, ptrdiff_t end) const {
    constexpr ptrdiff_t LEVEL_BYTES = 7;
    if (depth > MAX_ELEMENT_DEPTH ||
        (depth == MAX_ELEMENT_DEPTH && node.type() == pugi::node_element && *node.value()))
        Fail(node.type() == pugi::node_element ? node : node.parent(),
             "elements nested more than " + std::to_string(MAX_ELEMENT_DEPTH) +
                 " deep; a score needs far fewer");
    const ptrdiff_t levelsToLimit = MAX_ELEMENT_DEPTH - depth + 1;
    if (start >= 0 && end >= start && end - start <= levelsToLimit * LEVEL_BYTES) return;
    pugi::xml_node child = node.first_child();
    ptrdiff_t childStart = IsNode(child) ? OffsetOfName(child.name()) : -1;
    while (IsNode(child)) {
        const pugi::xml_node next = child.next_sibling();
        const ptrdiff_t nextStart = IsNode(next) ? OffsetOfName(next.name()) : end;
        CheckNesting(child, depth + 1, childStart, nextStart);
        child = next;
        childStart = nextStart;
    }
}

/// Everything but the contents of the measures, which are checked as they are read: the
/// elements beside the parts (partwise) or measures (timewise), and what a part or measure holds
/// beside its measures or parts.
void Reader::CheckDepthOutsideMeasures() const {
    const pugi::xml_node root = score_.xml.document_element();
    const char* const inner = score_.timewise ? "part" : "measure";
    const char* const outer = score_.timewise ? "measure" : "part";
    for (pugi::xml_node child = root.first_child(); child; child = child.next_sibling()) {
        if (std::strcmp(child.name(), outer) != 0) {
            CheckNesting(child, 2, -1, -1);
            continue;
        }
        for (pugi::xml_node grandchild = child.first_child(); grandchild;
             grandchild = grandchild.next_sibling())
            if (std::strcmp(grandchild.name(), inner) != 0) CheckNesting(grandchild, 3, -1, -1);
    }
}

int Reader::IntegerOf(pugi::xml_node element) const {
    // Plain digits, as nearly every number in a score is written, need no conversion through
    // floating point.
    const char* const text = element.child_value();
    if (const auto plain = PlainIntegerIn(text)) return *plain;
    const std::string value(TrimmedView(text));
    char* end = nullptr;
    const double number = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != 0 || !std::isfinite(number) || std::fabs(number) > 1e9)
        Fail(element, "expected a number, found \"" + value + "\"");
    return static_cast<int>(std::lround(number));
}

void Reader::Run() {
    // Into a document of no music, every entry the reader makes has a number of its own.
    const bool numbersOwn = document_.frames.empty();
    text_ = score_.text->Utf8();
    // An element's text is kept in the element rather than in a node of its own: in a score some
    // two nodes in five fewer to make and to walk, and a value is read without going down to a
    // child.
    const pugi::xml_parse_result parsed =
        score_.xml.load_buffer(text_.data(), text_.size(),
                               pugi::parse_default | pugi::parse_embed_pcdata, pugi::encoding_utf8);
    if (!parsed) {
        const size_t offset = static_cast<size_t>(parsed.offset);
        // Where the text runs out inside an element, the parser stops in the last, unfinished
        // tag or just before the end: no tag is closed after the place it names.
        const bool endsEarly = parsed.status != pugi::status_no_document_element &&
                               text_.find('>', offset + 1) == std::string::npos;
        throw InputError{score_.text->Name() + ":" + std::to_string(score_.text->LineOf(offset)) +
                         ": not well-formed XML: " +
                         (endsEarly ? std::string("the file ends too early, before its elements "
                                                  "are closed")
                                    : std::string(parsed.description()))};
    }
    const pugi::xml_node root = score_.xml.document_element();
    // The parser keeps the names of elements in its copy of the text: where that copy begins.
    if (const ptrdiff_t rootOffset = root.offset_debug(); rootOffset > 0)
        parsedText_ = reinterpret_cast<uintptr_t>(root.name()) - static_cast<uintptr_t>(rootOffset);
    CheckDocumentShape(root);
    const std::string rootName = root.name();
    if (rootName == "score-timewise") {
        score_.timewise = true;
    } else if (rootName != "score-partwise") {
        Fail(root, "not a MusicXML score (expected <score-partwise> or <score-timewise>)");
    }
    CollectParts();
    CheckDepthOutsideMeasures();
    BeginMeasures();
    try {
        ReadPart(0);
    } catch (...) {
        // A measure's numbers, keys and time signatures are looked at before any part is read:
        // a fault in them is the one reported.
        CollectRemainingMeasures();
        throw;
    }
    CollectRemainingMeasures();
    for (int p = 1; p < static_cast<int>(score_.parts.size()); ++p)
        ReadPart(p);
    std::stable_sort(
        score_.rehearsalMarks.begin(), score_.rehearsalMarks.end(),
        [](const RehearsalMark& a, const RehearsalMark& b) { return a.measure < b.measure; });
    DropUnheldTiesOut();
    HoldMeasureLengths();
    BuildDocument();
    // No number is stored in two frames: the first save that drops an entry with details need not
    // look over the whole score to find the others' frames.
    if (numbersOwn && !document_.sharedEntriesKnown) {
        document_.sharedEntries.clear();
        document_.sharedEntriesKnown = true;
    }
}

void Reader::CollectParts() {
    const pugi::xml_node root = score_.xml.document_element();
    const pugi::xml_node partList = root.child("part-list");
    if (!partList) Fail(root, "the score has no <part-list>");
    std::map<std::string, size_t> indexOfId;
    for (pugi::xml_node scorePart : partList.children("score-part")) {
        Part part;
        part.id = scorePart.attribute("id").value();
        part.name = Trimmed(scorePart.child("part-name").text().get());
        if (score_.parts.size() >= MAX_PARTS)
            Fail(scorePart, "more than " + std::to_string(MAX_PARTS) + " parts");
        if (!indexOfId.emplace(part.id, score_.parts.size()).second)
            Fail(scorePart, "part id \"" + part.id + "\" is used twice");
        score_.parts.push_back(part);
    }
    if (score_.parts.empty()) Fail(partList, "the score has no parts");

    partMeasures_.assign(score_.parts.size(), {});
    score_.tails.assign(score_.parts.size(), {});
    CollectPartMeasures(indexOfId);
    const size_t count = partMeasures_[0].size();
    for (size_t i = 0; i < partMeasures_.size(); ++i) {
        if (partMeasures_[i].empty())
            Fail(root, "part \"" + score_.parts[i].id + "\" has no measures");
        if (partMeasures_[i].size() != count)
            Fail(partMeasures_[i][0].parent(), "part \"" + score_.parts[i].id + "\" has " +
                                                   std::to_string(partMeasures_[i].size()) +
                                                   " measures where part \"" + score_.parts[0].id +
                                                   "\" has " + std::to_string(count));
    }
}

/// The measures of every part: the children of each <part> (partwise), or each measure's <part>
/// of that id (timewise).
void Reader::CollectPartMeasures(const std::map<std::string, size_t>& indexOfId) {
    const pugi::xml_node root = score_.xml.document_element();
    auto partIndex = [&](pugi::xml_node at, const std::string& id) {
        auto found = indexOfId.find(id);
        if (found == indexOfId.end()) Fail(at, "part \"" + id + "\" is not in the part list");
        return found->second;
    };
    if (!score_.timewise) {
        std::set<size_t> seen;
        for (pugi::xml_node part : root.children("part")) {
            const size_t index = partIndex(part, part.attribute("id").value());
            if (!seen.insert(index).second)
                Fail(part, "part \"" + score_.parts[index].id + "\" appears twice");
            for (pugi::xml_node measure : part.children("measure")) {
                if (partMeasures_[index].size() >= MAX_MEASURES)
                    Fail(root, "the score has more measures than the host can hold");
                partMeasures_[index].push_back(measure);
            }
        }
        return;
    }
    for (pugi::xml_node measure : root.children("measure")) {
        if (partMeasures_[0].size() >= MAX_MEASURES)
            Fail(root, "the score has more measures than the host can hold");
        std::vector<bool> present(score_.parts.size(), false);
        for (pugi::xml_node part : measure.children("part")) {
            const size_t index = partIndex(part, part.attribute("id").value());
            if (present[index])
                Fail(part, "part \"" + score_.parts[index].id + "\" appears twice in one measure");
            present[index] = true;
            partMeasures_[index].push_back(part);
        }
        for (size_t i = 0; i < present.size(); ++i)
            if (!present[i])
                Fail(measure, "part \"" + score_.parts[i].id + "\" is missing from this measure");
    }
}

/// Measure numbers, keys and time signatures come from the top part (its first staff). They are
/// collected measure by measure as the top part is read (CollectMeasure), each just before its
/// notes, which need its key, so that the walk over its contents finds them at hand; those of the
/// other parts are read once the top part is.
void Reader::BeginMeasures() {
    const size_t count = partMeasures_[0].size();
    score_.measures.reserve(count);
    hostMeasures_.reserve(count);
    measureEnds_.assign(count, Rational(0));
    measureRestEnds_.assign(count, Rational(0));
}

void Reader::CollectMeasure(size_t i) {
    const pugi::xml_node contents = partMeasures_[0][i];
    // A timewise measure holds the top part's contents; a partwise one is them.
    const pugi::xml_node numbered = score_.timewise ? contents.parent() : contents;
    MeasureInfo info;
    info.number = numbered.attribute("number").value();
    info.implicit = std::strcmp(numbered.attribute("implicit").value(), "yes") == 0;
    bool soundedNote = false;
    for (pugi::xml_node child : contents.children()) {
        const char* name = child.name();
        if (NameIs(name, "note")) {
            soundedNote = true;
            continue;
        }
        if (!NameIs(name, "attributes")) continue;
        for (pugi::xml_node k : child.children("key")) {
            const char* number = k.attribute("number").value();
            if (*number && std::strcmp(number, "1") != 0) continue;
            if (pugi::xml_node fifths = k.child("fifths")) {
                const int value = std::clamp(IntegerOf(fifths), -127, 127);
                const bool minor = Trimmed(k.child("mode").text().get()) == "minor";
                if (!soundedNote) collecting_.key = MakeKeyValue(value, minor);
            } else if (!soundedNote) {
                collecting_.key = 0; // a key of its own kind: pitches are held relative to C
            }
        }
        if (pugi::xml_node time = child.child("time"))
            ReadTimeSignature(time, collecting_.beats, collecting_.beatDuration,
                              collecting_.haveTime);
    }
    info.keyValue = collecting_.key;
    score_.measures.push_back(info);
    host::Measure measure;
    measure.beats = static_cast<twobyte>(collecting_.haveTime ? collecting_.beats : 4);
    measure.beatDuration = collecting_.haveTime ? collecting_.beatDuration : EDU_QUARTER;
    hostMeasures_.push_back(measure);
}

void Reader::CollectRemainingMeasures() {
    while (score_.measures.size() < partMeasures_[0].size())
        CollectMeasure(score_.measures.size());
}

void Reader::ReadTimeSignature(pugi::xml_node time, int& beats, int& beatDuration,
                               bool& haveTime) const {
    if (time.child("senza-misura")) {
        haveTime = false;
        return;
    }
    // Beats such as "3+2" add up; the sum must fit the host's 16 bits.
    long total = 0;
    for (pugi::xml_node b : time.children("beats")) {
        std::string value = Trimmed(b.text().get());
        for (size_t start = 0; start <= value.size() && total < 32768;) {
            const size_t plus = value.find('+', start);
            const long part = std::strtol(value.substr(start, plus - start).c_str(), nullptr, 10);
            total += std::clamp(part, 0L, 32768L);
            if (plus == std::string::npos) break;
            start = plus + 1;
        }
    }
    if (total >= 32768) Fail(time, "a time signature of more than 32767 beats");
    const int type = time.child("beat-type") ? IntegerOf(time.child("beat-type")) : 0;
    if (total > 0 && type > 0 && 4096 % type == 0) {
        beats = static_cast<int>(total);
        beatDuration = 4096 / type;
        haveTime = true;
    }
}

/// A tie the host holds joins a note to the same pitch in the next entry of its layer (in the
/// next measure, for the last entry). A tie mark that leads elsewhere (into a rest, another pitch,
/// another voice, or nowhere, as a tie left to ring does) is not the host's: it stays a mark of
/// its note in the file, and COPY does not take the notes it joins for one event. Ties within a
/// measure are looked at as it ends (DropUnheldTies of a cell); those out of it here, into the
/// next measure where the layer has entries.
void Reader::DropUnheldTiesOut() {
    for (const host::FrameKey& key : tiedOut_) {
        std::vector<EXENTRY>& entries = document_.frames.at(key);
        const LayerFrame next = FrameAfter(document_, key);
        DropUnheldTies(
            entries.back(), next.entries ? &next.entries->front() : nullptr,
            score_.measures[static_cast<size_t>(key.measure - 1)].keyValue,
            next.entries ? score_.measures[static_cast<size_t>(next.measure - 1)].keyValue : 0);
    }
}

void Reader::DropUnheldTies(EXENTRY& entry, const EXENTRY* next, utwobyte keyValue,
                            utwobyte nextKeyValue) {
    for (int n = 0; n < entry.noteCount && n < EXENTRY_MAXNOTES; ++n) {
        EXNOTE& note = entry.notes[n];
        if (!(note.noteFlags & NOTE_TIE) || !(entry.entryFlags & ENTRY_NOTE)) continue;
        if (!next || !HoldsPitch(*next, nextKeyValue, note, keyValue)) note.noteFlags &= ~NOTE_TIE;
    }
}

/// A measure whose music is shorter or longer than its time signature says (a pickup, the two
/// halves of a measure split by a repeat, a cadenza) is held at the length of its music, as the
/// host holds a pickup, so that measures are compared by what they hold. Where a measure has
/// only measure rests, they give its length; where it has no music, its time signature does.
void Reader::HoldMeasureLengths() {
    for (size_t m = 0; m < hostMeasures_.size(); ++m) {
        host::Measure& measure = hostMeasures_[m];
        const Rational reached =
            measureEnds_[m] > Rational(0) ? measureEnds_[m] : measureRestEnds_[m];
        const int64_t length = reached.RoundedTimes(EDU_QUARTER);
        if (length <= 0 || length == measure.Duration()) continue;
        // In beats of the written beat where they fit, else in the largest unit that divides.
        const int64_t unit = std::gcd(length, int64_t{measure.beatDuration});
        if (length / unit > INT16_MAX) continue;
        measure.beats = static_cast<twobyte>(length / unit);
        measure.beatDuration = static_cast<fourbyte>(unit);
    }
}

void Reader::BuildDocument() {
    for (size_t s = 0; s < score_.staves.size(); ++s) {
        const StaffInfo& staff = score_.staves[s];
        const Part& part = score_.parts[static_cast<size_t>(staff.part)];
        std::string name = part.name.empty() ? part.id : part.name;
        if (part.staffCount > 1) name += ", staff " + std::to_string(staff.partStaff);
        const auto number = static_cast<twobyte>(s + 1);
        document_.staves.push_back(host::Staff{number, name});
        document_.instrumentLists[0].push_back(number);
    }
    document_.measures = hostMeasures_;
    for (size_t m = 0; m < score_.measures.size() && m < document_.measures.size(); ++m) {
        document_.measures[m].keyValue = score_.measures[m].keyValue;
        host::WriteMeasureRecord(document_, static_cast<twobyte>(m + 1));
    }
    // The plain articulations first, so that their numbers do not depend on the score.
    if (score_.marks.empty()) MarkDefinition(pugi::xml_node(), true);
    for (size_t id = 1; id <= score_.marks.size(); ++id) {
        const std::string& element = score_.marks[id - 1].element;
        const size_t nameEnd = element.find_first_of(" />", 1);
        document_
            .records[host::RecordKey{TAG_ARTICULATION_DEFINITION, CmperKey(static_cast<int>(id))}] =
            ArticulationDefinitionRecord(element.substr(1, nameEnd - 1));
    }
}

namespace {

/// Attributes that only place a mark on the page or colour it.
bool IsPositionAttribute(std::string_view name) {
    return name == "default-x" || name == "default-y" || name == "relative-x" ||
           name == "relative-y" || name == "color" || name.substr(0, 5) == "font-";
}

/// The element as it is written back: its name, its attributes but those of position, its text.
std::string MarkText(pugi::xml_node element) {
    std::string text = "<" + std::string(element.name());
    for (pugi::xml_attribute attribute : element.attributes()) {
        if (IsPositionAttribute(attribute.name())) continue;
        text += " " + std::string(attribute.name()) + "=\"";
        AppendEscaped(text, attribute.value());
        text += "\"";
    }
    const std::string_view content = TrimmedView(element.child_value());
    if (content.empty()) return text + "/>";
    text += ">";
    AppendEscaped(text, content);
    return text + "</" + element.name() + ">";
}

} // namespace

int Reader::MarkDefinition(pugi::xml_node element, bool articulation) {
    if (score_.marks.empty())
        for (const std::string& name : ArticulationNames()) {
            score_.marks.push_back(TravellingMark{"<" + name + "/>", name != "fermata"});
            markDefinitions_.emplace("<" + name + "/>", static_cast<int>(score_.marks.size()));
        }
    if (!element) return 0;
    const std::string text = MarkText(element);
    auto found = markDefinitions_.find(text);
    if (found != markDefinitions_.end()) return found->second;
    if (score_.marks.size() < MAX_MARK_DEFINITIONS) {
        score_.marks.push_back(TravellingMark{text, articulation});
        return markDefinitions_[text] = static_cast<int>(score_.marks.size());
    }
    // Past the limit, a mark keeps its kind if not its every detail.
    found = markDefinitions_.find("<" + std::string(element.name()) + "/>");
    return found != markDefinitions_.end() ? found->second : 0;
}

std::unique_ptr<Score> ReadScore(std::string bytes, const std::string& name,
                                 host::Document& document) {
    auto score = std::make_unique<Score>();
    score->text = std::make_unique<SourceText>(std::move(bytes), name);
    try {
        Reader(*score, document).Run();
    } catch (const RationalOverflow&) {
        throw InputError{name + ": durations and divisions whose exact sums do not fit in 64 bits"};
    }
    return score;
}

} // namespace cadentra_cli
