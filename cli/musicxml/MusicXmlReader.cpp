#include "cli/musicxml/MusicXmlReader.h"

#include "cli/musicxml/InputLimits.h"
#include "cli/musicxml/KeyPitch.h"
#include "cli/musicxml/NoteValues.h"
#include "cli/musicxml/TupletGroups.h"
#include "cli/musicxml/XmlSpans.h"
#include "host/EntryDetails.h"
#include "host/MeasureRecord.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <optional>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

namespace cadentra_cli {

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

int Score::HostStaff(int part, int partStaff) const {
    if (part < 0 || part >= static_cast<int>(parts.size())) return 0;
    if (partStaff < 1 || partStaff > parts[static_cast<size_t>(part)].staffCount) return 0;
    return parts[static_cast<size_t>(part)].firstHostStaff + partStaff - 1;
}

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

std::string_view TrimmedView(const char* text) {
    while (IsBlank(*text))
        ++text;
    const char* end = text + std::strlen(text);
    while (end > text && IsBlank(end[-1]))
        --end;
    return std::string_view(text, static_cast<size_t>(end - text));
}

/// Whether the name `name` (ended by a zero) is `wanted`; it is read no further than the first
/// character that differs.
template <size_t N> bool NameIs(const char* name, const char (&wanted)[N]) {
    for (size_t i = 0; i < N; ++i)
        if (name[i] != wanted[i]) return false;
    return true;
}

/// A whole number written as plain digits, with a sign at most; none for anything else.
std::optional<int> PlainInteger(std::string_view text) {
    bool negative = false;
    if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 9) return std::nullopt;
    int number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return negative ? -number : number;
}

/// `first` and the siblings after it of the same name.
struct Each {
    pugi::xml_node first;
    struct Iterator {
        pugi::xml_node node;
        pugi::xml_node operator*() const { return node; }
        Iterator& operator++() {
            node = node.next_sibling(node.name());
            return *this;
        }
        bool operator!=(const Iterator& other) const { return node != other.node; }
    };
    Iterator begin() const { return {first}; }
    Iterator end() const { return {}; }
};

std::string Trimmed(const char* text) {
    return std::string(TrimmedView(text));
}

/// A child that NoteChildren looks for: none until it is found. (Held as the library's own
/// pointer, so that the many children a note lacks cost nothing to set up.)
class FoundChild {
public:
    operator bool() const { return node_ != nullptr; }
    operator pugi::xml_node() const { return pugi::xml_node(node_); }
    /// Keeps `child` unless one was found before.
    void First(pugi::xml_node child) {
        if (!node_) node_ = child.internal_object();
    }

private:
    pugi::xml_node_struct* node_ = nullptr;
};

/// The children of a <note> that reading looks at, found in one walk over them (the first of
/// each name, as pugixml's child() would find it; the others of <tie> and <notations> follow as
/// siblings, see Each).
struct NoteChildren {
    FoundChild grace, chord, rest, pitch, unpitched, staff, voice, accidental, timeModification,
        type, duration, tie, notations;
    int dots = 0;

    explicit NoteChildren(pugi::xml_node note) {
        for (pugi::xml_node child = note.first_child(); child; child = child.next_sibling()) {
            // Parsed with the default options, a note holds elements and text, and only elements
            // have names (text answers ""). By first letter, so that each child costs one or two
            // comparisons.
            const char* name = child.name();
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
                if (is("notations")) first(notations);
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
                if (is("type"))
                    first(type);
                else if (is("tie"))
                    first(tie);
                else if (is("time-modification"))
                    first(timeModification);
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
};

class Reader {
public:
    Reader(Score& score, host::Document& document) : score_(score), document_(document) {}

    void Run();

private:
    [[noreturn]] void Fail(pugi::xml_node at, const std::string& problem) const;
    void CheckDocumentShape(pugi::xml_node root) const;
    void CheckNesting(pugi::xml_node node, int depth, ptrdiff_t start, ptrdiff_t end) const;
    void CheckDepthOutsideMeasures() const;
    int IntegerOf(pugi::xml_node element) const;

    void CollectParts();
    void CollectMeasures();
    void UseStaff(int partStaff, pugi::xml_node at);
    void ReadPart(int partIndex);
    void ReadNote(pugi::xml_node note);
    void ReadAttributes(pugi::xml_node attributes);
    void FinishMeasure();
    void BuildTuplets(const host::FrameKey& key, std::vector<EXENTRY>& entries,
                      std::vector<EntryRhythm>& rhythm);
    void BuildDocument();

    /// A cell that the measure being read has come to: its origin (the map never loses an
    /// element while reading, so the pointer stays good) and what it gathers until the end of the
    /// measure, when it goes into the host frame and the origin at its full size: its entries, the
    /// origins of the entries, its runs, the rhythm of its entries and the grace notes that no
    /// note has followed yet. A cell of grace notes or forwards alone gets no frame.
    struct OpenCell {
        host::FrameKey key;
        CellOrigin* origin = nullptr;
        bool described = false; // its part, staff and voice are set
        std::vector<EXENTRY> entries;
        std::vector<EntryOrigin> origins;
        std::vector<CellRun> runs;
        std::vector<EntryRhythm> rhythm;
        std::vector<GraceNotes> pendingGraces;
    };

    /// The cell of a voice on a staff of the part being read, in the measure being read.
    OpenCell& CellFor(int partStaff, std::string_view voice, pugi::xml_node at);
    /// Adds `element`, which ends at `end` (quarter notes from the measure start), to the cell's
    /// stretch of the file that is being read, or begins a new one at the cursor.
    void ExtendRun(OpenCell& cell, pugi::xml_node element, Rational end);
    void CloseRun() { runOpen_ = false; }
    /// The open cell of `key`, opened when the measure first comes to it. Notes come in runs of
    /// the same cell, so the last one asked for is looked at first.
    OpenCell& Open(const host::FrameKey& key);
    Rational DurationOf(pugi::xml_node element) const;
    /// The same, given the element's <duration> child.
    Rational DurationOf(pugi::xml_node element, pugi::xml_node duration) const;

    Score& score_;
    host::Document& document_;
    std::string_view text_;

    std::vector<std::vector<pugi::xml_node>> partMeasures_; // per part, the measure contents
    std::vector<host::Measure> hostMeasures_;

    // Reading state of one part.
    int part_ = 0;
    int measure_ = 0; // host measure number
    int divisions_ = 0;
    Rational cursor_;
    bool runOpen_ = false;
    const OpenCell* runCell_ = nullptr;
    OpenCell* mainCell_ = nullptr; // the cell of the measure's latest entry, if any
    // The cells of the measure being read: the first `openCount_` slots (the slots stay, with the
    // room of their lists, from one measure to the next; a deque keeps their addresses).
    std::deque<OpenCell> openCells_;
    size_t openCount_ = 0;
    size_t lastOpen_ = 0;
};

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
    cell.origin = &score_.cells[key];
    cell.described = false;
    cell.entries.clear();
    cell.origins.clear();
    cell.runs.clear();
    cell.rhythm.clear();
    cell.pendingGraces.clear();
    lastOpen_ = openCount_++;
    return cell;
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
/// deeper than MAX_ELEMENT_DEPTH. Its text lies within `start` to `end` (offsets in the text, -1
/// where unknown). Nodes nested h deep below an element need h levels of start and end tags
/// inside it, at least "<a></a>" each, so an element whose text is too short to reach past the
/// limit is not looked into; the text up to the next sibling bounds an element's text. Nearly
/// every element of a score is far shorter than that, so that few nodes are visited. The walk
/// goes no deeper than the limit.
void Reader::CheckNesting(pugi::xml_node node, int depth, ptrdiff_t start, ptrdiff_t end) const {
    constexpr ptrdiff_t LEVEL_BYTES = 7;
    if (depth > MAX_ELEMENT_DEPTH)
        Fail(node.type() == pugi::node_element ? node : node.parent(),
             "elements nested more than " + std::to_string(MAX_ELEMENT_DEPTH) +
                 " deep; a score needs far fewer");
    const ptrdiff_t levelsToLimit = MAX_ELEMENT_DEPTH - depth + 1;
    if (start >= 0 && end >= start && end - start <= levelsToLimit * LEVEL_BYTES) return;
    pugi::xml_node child = node.first_child();
    ptrdiff_t childStart = child ? child.offset_debug() : -1;
    while (child) {
        const pugi::xml_node next = child.next_sibling();
        const ptrdiff_t nextStart = next ? next.offset_debug() : end;
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
    const std::string_view digits = TrimmedView(element.text().get());
    if (const auto plain = PlainInteger(digits)) return *plain;
    const std::string value(digits);
    char* end = nullptr;
    const double number = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != 0 || !std::isfinite(number) || std::fabs(number) > 1e9)
        Fail(element, "expected a number, found \"" + value + "\"");
    return static_cast<int>(std::lround(number));
}

void Reader::Run() {
    text_ = score_.text->Utf8();
    const pugi::xml_parse_result parsed = score_.xml.load_buffer(
        text_.data(), text_.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed)
        throw InputError{score_.text->Name() + ":" +
                         std::to_string(score_.text->LineOf(static_cast<size_t>(parsed.offset))) +
                         ": not well-formed XML: " + parsed.description()};
    const pugi::xml_node root = score_.xml.document_element();
    CheckDocumentShape(root);
    const std::string rootName = root.name();
    if (rootName == "score-timewise") {
        score_.timewise = true;
    } else if (rootName != "score-partwise") {
        Fail(root, "not a MusicXML score (expected <score-partwise> or <score-timewise>)");
    }
    CollectParts();
    CheckDepthOutsideMeasures();
    CollectMeasures();
    for (int p = 0; p < static_cast<int>(score_.parts.size()); ++p)
        ReadPart(p);
    BuildDocument();
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
    } else {
        for (pugi::xml_node measure : root.children("measure")) {
            if (partMeasures_[0].size() >= MAX_MEASURES)
                Fail(root, "the score has more measures than the host can hold");
            std::vector<bool> present(score_.parts.size(), false);
            for (pugi::xml_node part : measure.children("part")) {
                const size_t index = partIndex(part, part.attribute("id").value());
                if (present[index])
                    Fail(part,
                         "part \"" + score_.parts[index].id + "\" appears twice in one measure");
                present[index] = true;
                partMeasures_[index].push_back(part);
            }
            for (size_t i = 0; i < present.size(); ++i)
                if (!present[i])
                    Fail(measure,
                         "part \"" + score_.parts[i].id + "\" is missing from this measure");
        }
    }
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

/// Measure numbers, keys and time signatures come from the top part (its first staff).
void Reader::CollectMeasures() {
    const std::vector<pugi::xml_node>& top = partMeasures_[0];
    const pugi::xml_node root = score_.xml.document_element();
    std::vector<pugi::xml_node> numbered;
    if (score_.timewise) {
        for (pugi::xml_node measure : root.children("measure"))
            numbered.push_back(measure);
    } else {
        numbered = top;
    }
    utwobyte key = 0;
    int beats = 4;
    int beatDuration = EDU_QUARTER;
    bool haveTime = false;
    for (size_t i = 0; i < top.size(); ++i) {
        MeasureInfo info;
        info.number = numbered[i].attribute("number").value();
        info.implicit = std::strcmp(numbered[i].attribute("implicit").value(), "yes") == 0;
        bool soundedNote = false;
        for (pugi::xml_node child : top[i].children()) {
            const char* name = child.name();
            if (std::strcmp(name, "note") == 0) {
                soundedNote = true;
                continue;
            }
            if (std::strcmp(name, "attributes") != 0) continue;
            for (pugi::xml_node k : child.children("key")) {
                const char* number = k.attribute("number").value();
                if (*number && std::strcmp(number, "1") != 0) continue;
                if (pugi::xml_node fifths = k.child("fifths")) {
                    const int value = std::clamp(IntegerOf(fifths), -127, 127);
                    const bool minor = Trimmed(k.child("mode").text().get()) == "minor";
                    if (!soundedNote) key = MakeKeyValue(value, minor);
                } else if (!soundedNote) {
                    key = 0; // a key of its own kind: pitches are held relative to C
                }
            }
            if (pugi::xml_node time = child.child("time")) {
                if (time.child("senza-misura")) {
                    haveTime = false;
                } else {
                    // Beats such as "3+2" add up; the sum must fit the host's 16 bits.
                    long total = 0;
                    for (pugi::xml_node b : time.children("beats")) {
                        std::string value = Trimmed(b.text().get());
                        for (size_t start = 0; start <= value.size() && total < 32768;) {
                            const size_t plus = value.find('+', start);
                            const long part =
                                std::strtol(value.substr(start, plus - start).c_str(), nullptr, 10);
                            total += std::clamp(part, 0L, 32768L);
                            if (plus == std::string::npos) break;
                            start = plus + 1;
                        }
                    }
                    if (total >= 32768) Fail(time, "a time signature of more than 32767 beats");
                    const int type =
                        time.child("beat-type") ? IntegerOf(time.child("beat-type")) : 0;
                    if (total > 0 && type > 0 && 4096 % type == 0 && total < 32768) {
                        beats = static_cast<int>(total);
                        beatDuration = 4096 / type;
                        haveTime = true;
                    }
                }
            }
        }
        info.keyValue = key;
        score_.measures.push_back(info);
        host::Measure measure;
        measure.beats = static_cast<twobyte>(haveTime ? beats : 4);
        measure.beatDuration = haveTime ? beatDuration : EDU_QUARTER;
        hostMeasures_.push_back(measure);
    }
}

Rational Reader::DurationOf(pugi::xml_node element) const {
    return DurationOf(element, element.child("duration"));
}

Rational Reader::DurationOf(pugi::xml_node element, pugi::xml_node duration) const {
    if (!duration) Fail(element, "has no <duration>");
    if (divisions_ <= 0) Fail(element, "a duration is given before any <divisions>");
    const int value = IntegerOf(duration);
    if (value < 0) Fail(duration, "a negative duration");
    if (value > static_cast<int64_t>(MAX_DURATION_QUARTERS) * divisions_)
        Fail(duration, "a duration of " + std::to_string(value / divisions_) +
                           " quarter notes; at most " + std::to_string(MAX_DURATION_QUARTERS) +
                           " are accepted");
    return Rational(value, divisions_);
}

Reader::OpenCell& Reader::CellFor(int partStaff, std::string_view voice, pugi::xml_node at) {
    const Part& part = score_.parts[static_cast<size_t>(part_)];
    if (partStaff < 1)
        Fail(at,
             "staff " + std::to_string(partStaff) + " does not exist in part \"" + part.id + "\"");
    UseStaff(partStaff, at);
    const int hostStaff = part.firstHostStaff + partStaff - 1;
    StaffInfo& staff = score_.staves[static_cast<size_t>(hostStaff - 1)];
    auto found = std::find(staff.voices.begin(), staff.voices.end(), voice);
    int layer = static_cast<int>(found - staff.voices.begin());
    if (found == staff.voices.end()) {
        if (static_cast<int>(staff.voices.size()) >= document_.maxLayers)
            Fail(at, "part \"" + part.id + "\" (" + part.name + "), staff " +
                         std::to_string(partStaff) + ", measure " +
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
        open.origin->partStaff = partStaff;
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
        return;
    }
    CellRun run;
    run.first = element;
    run.last = element;
    run.startTime = cursor_;
    run.endTime = end;
    run.divisions = divisions_ > 0 ? divisions_ : 1;
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

void Reader::ReadPart(int partIndex) {
    part_ = partIndex;
    divisions_ = 0;
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
        MeasureTail tail;
        tail.divisions = divisions_ > 0 ? divisions_ : 1;
        // The measure's contents lie 4 deep; each is checked for nesting as it comes.
        pugi::xml_node child = measures[m].first_child();
        ptrdiff_t start = child ? child.offset_debug() : -1;
        for (pugi::xml_node next; child; child = next) {
            next = child.next_sibling();
            const ptrdiff_t nextStart = next ? next.offset_debug() : -1;
            CheckNesting(child, 4, start, nextStart);
            start = nextStart;
            if (child.type() != pugi::node_element) continue;
            const char* name = child.name();
            const bool note = NameIs(name, "note");
            const bool backup = !note && NameIs(name, "backup");
            const bool forward = !note && !backup && NameIs(name, "forward");
            const bool music = note || backup || forward;
            if (note) {
                ReadNote(child);
            } else if (backup) {
                CloseRun();
                // A backup past the measure's start goes to the start, as notation programs read
                // it.
                cursor_ -= DurationOf(child);
                if (cursor_ < Rational(0)) cursor_ = Rational(0);
            } else if (forward) {
                const Rational duration = DurationOf(child);
                const pugi::xml_node staffNode = child.child("staff");
                const int staff = staffNode ? IntegerOf(staffNode) : 1;
                if (staffNode) UseStaff(staff, staffNode);
                pugi::xml_node voice = child.child("voice");
                if (voice) {
                    OpenCell& cell = CellFor(staff, TrimmedView(voice.text().get()), child);
                    ExtendRun(cell, child, cursor_ + duration);
                } else {
                    CloseRun();
                }
                cursor_ += duration;
            } else {
                CloseRun();
                if (NameIs(name, "attributes")) ReadAttributes(child);
            }
            // After the last note, backup or forward; failing those, after the last element.
            if (music || !tail.known || !tail.music) {
                tail.after = child;
                tail.time = cursor_;
                tail.divisions = divisions_ > 0 ? divisions_ : 1;
                tail.known = true;
                tail.music = tail.music || music;
            }
        }
        score_.tails[static_cast<size_t>(part_)].push_back(tail);
        FinishMeasure();
    }
}

void Reader::ReadNote(pugi::xml_node note) {
    const NoteChildren children(note);
    const bool grace = children.grace;
    const bool chord = children.chord;
    const bool rest = children.rest;
    const int partStaff = children.staff ? IntegerOf(children.staff) : 1;
    if (children.staff) UseStaff(partStaff, children.staff);
    const pugi::xml_node voiceNode = children.voice;
    const std::string_view voice =
        voiceNode ? TrimmedView(voiceNode.text().get()) : std::string_view();
    const utwobyte key = score_.measures[static_cast<size_t>(measure_ - 1)].keyValue;

    auto addPitch = [&](EXENTRY& entry) {
        if (entry.noteCount >= EXENTRY_MAXNOTES)
            Fail(note, "a chord of more than " + std::to_string(EXENTRY_MAXNOTES) +
                           " notes; the host holds at most " + std::to_string(EXENTRY_MAXNOTES));
        SpelledPitch pitch;
        if (pugi::xml_node p = children.pitch) {
            pugi::xml_node stepNode, alterNode, octaveNode;
            for (pugi::xml_node part = p.first_child(); part; part = part.next_sibling()) {
                const char* name = part.name();
                if (NameIs(name, "step")) {
                    if (!stepNode) stepNode = part;
                } else if (NameIs(name, "alter")) {
                    if (!alterNode) alterNode = part;
                } else if (NameIs(name, "octave")) {
                    if (!octaveNode) octaveNode = part;
                }
            }
            const std::string_view step = TrimmedView(stepNode.text().get());
            if (step.size() != 1 || LetterIndex(step[0]) < 0)
                Fail(p, "a pitch without a valid <step>");
            pitch.step = static_cast<char>(std::toupper(static_cast<unsigned char>(step[0])));
            // Microtones (a decimal alter) go to the nearest semitone.
            const auto plainAlter = PlainInteger(TrimmedView(alterNode.text().get()));
            pitch.alter = plainAlter ? *plainAlter
                                     : static_cast<int>(std::lround(alterNode.text().as_double(0)));
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
        const auto hostPitch = ToHostPitch(pitch, key);
        if (!hostPitch) Fail(note, "a pitch out of the host's range");
        EXNOTE& record = entry.notes[entry.noteCount];
        record = EXNOTE{};
        record.displacement = hostPitch->displacement;
        record.raiseLower = hostPitch->raiseLower;
        record.noteID = static_cast<twobyte>(entry.noteCount + 1);
        record.noteFlags =
            NOTE_INUSE |
            ((static_cast<ufourbyte>(record.noteID) << NOTE_IDBITS_SHIFT) & NOTE_IDBITS);
        bool tied = false;
        for (pugi::xml_node tie : Each{children.tie})
            if (std::strcmp(tie.attribute("type").value(), "start") == 0) tied = true;
        for (pugi::xml_node notations : Each{children.notations})
            for (pugi::xml_node tie : notations.children("tied")) {
                const std::string type = tie.attribute("type").value();
                if (type == "start" || type == "continue") tied = true;
            }
        if (tied) record.noteFlags |= NOTE_TIE;
        if (children.accidental) record.noteFlags |= NOTE_SHOWACCI;
        ++entry.noteCount;
    };

    if (grace) {
        OpenCell& cell = CellFor(partStaff, voice, note);
        auto& pending = cell.pendingGraces;
        if (chord && !pending.empty())
            pending.back().last = note;
        else
            pending.push_back(GraceNotes{note, note});
        ExtendRun(cell, note, cursor_);
        if (voiceNode) cell.origin->voiceWritten = true;
        if (children.staff) cell.origin->staffWritten = true;
        return;
    }

    if (chord) {
        if (!mainCell_) Fail(note, "a chord note without a note before it");
        auto& frame = mainCell_->entries;
        if (rest) return; // a rest inside a chord adds nothing to the entry
        addPitch(frame.back());
        // Chord notes follow the newest entry of all, so each entry's chord notes lie together
        // at the end of the score's list.
        EntryOrigin& origin = mainCell_->origins.back();
        if (origin.chordCount == 0)
            origin.chordBegin = static_cast<uint32_t>(score_.chordNotes.size());
        score_.chordNotes.push_back(note);
        ++origin.chordCount;
        if (runOpen_ && runCell_ == mainCell_) {
            mainCell_->runs.back().last = note;
        } else {
            ExtendRun(*mainCell_, note, cursor_);
        }
        for (pugi::xml_node notations : Each{children.notations})
            for (pugi::xml_node articulations : notations.children("articulations"))
                for (pugi::xml_node a : articulations.children()) {
                    const int id = ArticulationDefinitionOf(a.name());
                    if (id == 0) continue;
                    EXENTRY& entry = frame.back();
                    int count = 0;
                    bool present = false;
                    for (;; ++count) {
                        auto it = document_.records.find(
                            host::DetailKey(host::TAG_ARTICULATION, entry.entryNumber, count));
                        if (it == document_.records.end()) break;
                        if (it->second[0] == (id & 0xFF) && it->second[1] == (id >> 8))
                            present = true;
                    }
                    if (present) continue;
                    std::vector<unsigned char> record(ARTICULATION_RECORD_SIZE, 0);
                    record[0] = static_cast<unsigned char>(id & 0xFF);
                    record[1] = static_cast<unsigned char>(id >> 8);
                    document_.records[host::DetailKey(host::TAG_ARTICULATION, entry.entryNumber,
                                                      count)] = record;
                    entry.entryFlags |= ENTRY_ARTICULATION;
                }
        return;
    }

    // A note or rest of its own: a new entry, whose place in time needs the divisions.
    if (divisions_ <= 0)
        Fail(note, "a note before any <divisions> in its part: its place in time is unknown");
    EntryRhythm rhythm;
    if (pugi::xml_node modification = children.timeModification) {
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
    const Rational factor(rhythm.normal, rhythm.actual);

    const int dots = children.dots;
    std::optional<int> written;
    if (pugi::xml_node type = children.type) {
        written = DurationOfTypeWithDots(TrimmedView(type.text().get()), dots);
        if (!written)
            Fail(type, "note value \"" + Trimmed(type.text().get()) +
                           "\" is longer than the host can hold or unknown");
    }
    Rational sounding;
    if (children.duration && (divisions_ > 0 || !written)) {
        sounding = DurationOf(note, children.duration);
    } else if (written) {
        sounding = Rational(*written, EDU_QUARTER) * factor;
    } else {
        Fail(note, "a note with neither <duration> nor <type>");
    }
    if (!written) {
        const Rational units = sounding / factor * Rational(EDU_QUARTER);
        const int64_t rounded = units.Round();
        if (rounded <= 0 || rounded > 32767) Fail(note, "a duration the host cannot hold");
        written = static_cast<int>(rounded);
    }

    OpenCell& cell = CellFor(partStaff, voice, note);
    CellOrigin& origin = *cell.origin;
    if (voiceNode) origin.voiceWritten = true;
    if (children.staff) origin.staffWritten = true;

    EXENTRY entry{};
    entry.entryNumber = document_.nextEntryNumber++;
    entry.duration = static_cast<twobyte>(*written);
    entry.entryFlags = ENTRY_INUSE;
    entry.elapsedTime = static_cast<fourbyte>(cursor_.RoundedTimes(EDU_QUARTER));
    if (rest) {
        // As the host keeps a rest: one placeholder note record.
        entry.noteCount = 1;
        entry.notes[0].noteFlags = NOTE_INUSE;
        entry.entryFlags |= ENTRY_PLACEHOLDERREST;
    } else {
        entry.entryFlags |= ENTRY_NOTE;
        addPitch(entry);
    }

    int articulationCount = 0;
    for (pugi::xml_node notations : Each{children.notations}) {
        for (pugi::xml_node t : notations.children("tuplet")) {
            const std::string type = t.attribute("type").value();
            TupletMark mark;
            mark.start = type == "start";
            if (!mark.start && type != "stop") continue;
            mark.number = t.attribute("number").as_int(1);
            const std::string bracket = t.attribute("bracket").value();
            mark.look.bracket = bracket == "yes" ? 1 : bracket == "no" ? 2 : 0;
            const std::string show = t.attribute("show-number").value();
            mark.look.showNumber = show == "actual" ? 1
                                   : show == "both" ? 2
                                   : show == "none" ? 3
                                                    : 0;
            const std::string placement = t.attribute("placement").value();
            mark.look.placement = placement == "above" ? 1 : placement == "below" ? 2 : 0;
            for (const auto& [side, stated] : {std::pair{"tuplet-actual", &mark.actual},
                                               std::pair{"tuplet-normal", &mark.normal}}) {
                if (pugi::xml_node n = t.child(side).child("tuplet-number")) {
                    *stated = IntegerOf(n);
                    if (*stated > MAX_TUPLET_NOTES)
                        Fail(n, "a tuplet of more than " + std::to_string(MAX_TUPLET_NOTES) +
                                    " notes");
                }
            }
            rhythm.marks.push_back(mark);
        }
        for (pugi::xml_node articulations : notations.children("articulations"))
            for (pugi::xml_node a : articulations.children()) {
                const int id = ArticulationDefinitionOf(a.name());
                if (id == 0) continue;
                std::vector<unsigned char> record(ARTICULATION_RECORD_SIZE, 0);
                record[0] = static_cast<unsigned char>(id & 0xFF);
                record[1] = static_cast<unsigned char>(id >> 8);
                document_.records[host::DetailKey(host::TAG_ARTICULATION, entry.entryNumber,
                                                  articulationCount++)] = record;
                entry.entryFlags |= ENTRY_ARTICULATION;
            }
    }

    std::vector<EXENTRY>& frame = cell.entries;
    if (frame.size() >= MAX_ENTRIES_PER_MEASURE)
        Fail(note, "more than " + std::to_string(MAX_ENTRIES_PER_MEASURE) +
                       " notes and rests in one voice of one measure");
    frame.push_back(entry);
    EntryOrigin entryOrigin;
    entryOrigin.note = note;
    if (!cell.pendingGraces.empty()) {
        entryOrigin.graceBegin = static_cast<uint32_t>(score_.graces.size());
        entryOrigin.graceCount = static_cast<uint32_t>(cell.pendingGraces.size());
        score_.graces.insert(score_.graces.end(), cell.pendingGraces.begin(),
                             cell.pendingGraces.end());
        cell.pendingGraces.clear();
    }
    cell.origins.push_back(entryOrigin);
    cell.rhythm.push_back(std::move(rhythm));

    const Rational end = cursor_ + sounding;
    ExtendRun(cell, note, end);
    cursor_ = end;
    mainCell_ = &cell;
}

void Reader::FinishMeasure() {
    for (size_t i = 0; i < openCount_; ++i) {
        OpenCell& cell = openCells_[i];
        for (const GraceNotes& grace : cell.pendingGraces)
            cell.origin->trailingGraces.push_back(grace);
        BuildTuplets(cell.key, cell.entries, cell.rhythm);
        if (!cell.entries.empty())
            document_.frames[cell.key].assign(cell.entries.begin(), cell.entries.end());
        cell.origin->entries.assign(cell.origins.begin(), cell.origins.end());
        cell.origin->runs.assign(cell.runs.begin(), cell.runs.end());
    }
    openCount_ = 0;
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
    std::vector<PlacedTuplet> tuplets;
    try {
        tuplets = GroupTuplets(durations, rhythm);
    } catch (const UnholdableTuplet&) {
        Fail(pugi::xml_node(), "measure " +
                                   score_.measures[static_cast<size_t>(key.measure - 1)].number +
                                   ": nested tuplets whose ratio the host cannot hold");
    }
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
    for (size_t id = 1; id <= ArticulationNames().size(); ++id)
        document_
            .records[host::RecordKey{TAG_ARTICULATION_DEFINITION, CmperKey(static_cast<int>(id))}] =
            ArticulationDefinitionRecord(static_cast<int>(id));
}

} // namespace

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
