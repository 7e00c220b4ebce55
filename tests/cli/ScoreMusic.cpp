#include "ScoreMusic.h"

#include "cli/musicxml/NoteValues.h"
#include "cli/musicxml/Rational.h"

#include <algorithm>
#include <cstring>
#include <set>
#include <sstream>

namespace cli_test {
namespace {

using cadentra_cli::Rational;

std::string Trim(const char* text) {
    std::string value(text);
    const size_t first = value.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    return value.substr(first, value.find_last_not_of(" \t\r\n") - first + 1);
}

std::string Text(const Rational& time) {
    return time.den == 1 ? std::to_string(time.num)
                         : std::to_string(time.num) + "/" + std::to_string(time.den);
}

/// Attributes that place or colour a mark on the page rather than say what it is.
bool IsLayoutAttribute(const std::string& name) {
    static const std::set<std::string> layout = {
        "default-x",   "default-y", "relative-x",    "relative-y",     "placement",   "color",
        "font-family", "font-size", "font-style",    "font-weight",    "bezier-x",    "bezier-y",
        "bezier-x2",   "bezier-y2", "bezier-offset", "bezier-offset2", "id",          "orientation",
        "halign",      "valign",    "justify",       "dashed-length",  "space-length"};
    return layout.count(name) > 0;
}

/// An element with what it says, without its layout: name, attributes in order of name, text
/// and children.
std::string Canonical(pugi::xml_node element) {
    std::string name = element.name();
    if (name == "tuplet" || name == "tied") // brackets and curves are drawing, not music
        return name + "[" + element.attribute("type").value() + "]";
    std::vector<std::string> attributes;
    for (pugi::xml_attribute attribute : element.attributes())
        if (!IsLayoutAttribute(attribute.name()))
            attributes.push_back(std::string(attribute.name()) + "=" + attribute.value());
    std::sort(attributes.begin(), attributes.end());
    std::string text = name;
    for (const std::string& attribute : attributes)
        text += " " + attribute;
    const std::string content = Trim(element.child_value());
    if (!content.empty()) text += " \"" + content + "\"";
    std::string children;
    for (pugi::xml_node child : element.children())
        if (child.type() == pugi::node_element) children += Canonical(child) + ",";
    if (!children.empty()) text += "(" + children + ")";
    return text;
}

class PartReader {
public:
    PartMusic Read(const std::vector<pugi::xml_node>& measures) {
        for (size_t m = 0; m < measures.size(); ++m) {
            measure_ = static_cast<int>(m) + 1;
            cursor_ = Rational(0);
            for (pugi::xml_node child : measures[m].children())
                Take(child);
            Flush();
        }
        return std::move(music_);
    }

private:
    Rational Duration(pugi::xml_node element) const {
        return Rational(element.child("duration").text().as_llong(0), divisions_);
    }

    /// Where a file states no divisions, its first note with a duration and a value shows them.
    void ShowDivisions(pugi::xml_node note) {
        if (statedDivisions_ || shownDivisions_) return;
        const auto value = cadentra_cli::DurationOfType(Trim(note.child("type").child_value()));
        const long long duration = note.child("duration").text().as_llong(0);
        if (!value || duration <= 0 || note.child("dot") || note.child("time-modification")) return;
        const Rational shown = Rational(duration) / Rational(*value, 1024);
        if (shown.IsInteger() && shown.num > 0) divisions_ = static_cast<int>(shown.num);
        shownDivisions_ = true;
    }

    void Take(pugi::xml_node child) {
        const std::string name = child.name();
        if (name == "attributes") {
            if (pugi::xml_node divisions = child.child("divisions")) {
                divisions_ = std::max(1, divisions.text().as_int(1));
                statedDivisions_ = true;
            }
        } else if (name == "backup") {
            Flush();
            cursor_ -= Duration(child);
            if (cursor_ < Rational(0)) cursor_ = Rational(0);
        } else if (name == "forward") {
            Flush();
            cursor_ += Duration(child);
        } else if (name == "note") {
            ShowDivisions(child);
            TakeNote(child);
        }
    }

    void TakeNote(pugi::xml_node note) {
        const bool chord = note.child("chord");
        const bool grace = note.child("grace");
        if (!chord) Flush();
        const std::string staff =
            note.child("staff") ? Trim(note.child("staff").child_value()) : "1";
        if (!chord) {
            voice_ =
                note.child("voice") ? Trim(note.child("voice").child_value()) : "staff " + staff;
            onset_ = cursor_;
        }
        MusicNote music;
        music.measure = measure_;
        music.onset = onset_;
        music.duration = grace ? Rational(0) : Duration(note);
        music.chord = chord_;
        std::ostringstream line;
        if (grace) line << Canonical(note.child("grace")) << " ";
        line << "staff " << staff;
        const pugi::xml_node rest = note.child("rest");
        const bool measureRest = rest && IsMeasureRest(note, rest, music.duration);
        if (rest) {
            line << " rest" << (measureRest ? " (measure)" : "");
        } else if (pugi::xml_node pitch = note.child("pitch")) {
            std::ostringstream written;
            written << Trim(pitch.child("step").child_value())
                    << pitch.child("alter").text().as_double(0) << "/"
                    << Trim(pitch.child("octave").child_value());
            music.pitch = written.str();
        } else if (pugi::xml_node unpitched = note.child("unpitched")) {
            music.pitch = "unpitched " + Canonical(unpitched);
        }
        line << " " << NoteValue(note, music.duration, rest, measureRest);
        if (pugi::xml_node modification = note.child("time-modification"))
            line << " " << TimeModification(note, modification);
        for (pugi::xml_node tie : note.children("tie"))
            music.ties.insert(tie.attribute("type").value());
        for (const char* mark : {"accidental", "notehead"})
            if (pugi::xml_node element = note.child(mark)) line << " " << Canonical(element);
        std::vector<std::string> notations;
        for (pugi::xml_node group : note.children("notations"))
            for (pugi::xml_node element : group.children()) {
                if (element.type() != pugi::node_element) continue;
                const std::string name = element.name();
                if (name == "tied") {
                    music.ties.insert(element.attribute("type").value());
                } else if (name == "fermata") {
                    music.marks.insert(Canonical(element));
                } else if (name == "articulations") {
                    for (pugi::xml_node mark : element.children())
                        if (mark.type() == pugi::node_element) music.marks.insert(Canonical(mark));
                } else {
                    notations.push_back(Canonical(element));
                }
            }
        std::sort(notations.begin(), notations.end());
        for (const std::string& notation : notations)
            line << " " << notation;
        for (pugi::xml_node lyric : note.children("lyric"))
            line << " " << Canonical(lyric);
        music.text = line.str();
        group_.push_back(music);
        if (!chord && !grace) cursor_ += music.duration;
    }

    /// A rest for the whole measure: so marked, or a whole rest that lasts another length.
    static bool IsMeasureRest(pugi::xml_node note, pugi::xml_node rest, Rational duration) {
        return std::strcmp(rest.attribute("measure").value(), "yes") == 0 ||
               (Trim(note.child("type").child_value()) == "whole" && !note.child("dot") &&
                !note.child("time-modification") && duration != Rational(4));
    }

    /// The written value: type and dots. A measure rest has none whatever its type says; a rest
    /// without a type has the value its duration shows.
    static std::string NoteValue(pugi::xml_node note, Rational duration, bool rest,
                                 bool measureRest) {
        if (measureRest) return "measure";
        std::string value = Trim(note.child("type").child_value());
        int dots = 0;
        for (pugi::xml_node dot = note.child("dot"); dot; dot = dot.next_sibling("dot"))
            ++dots;
        if (value.empty() && rest && !note.child("time-modification") && duration.den <= 1024) {
            const auto written =
                cadentra_cli::NoteValueOfDuration(static_cast<int>(duration.RoundedTimes(1024)));
            if (written) {
                value = written->type;
                dots = written->dots;
            }
        }
        return value + std::string(static_cast<size_t>(dots), '.');
    }

    /// A time modification; a normal type that is the note's own says nothing.
    static std::string TimeModification(pugi::xml_node note, pugi::xml_node modification) {
        std::string text = "time-modification " +
                           Trim(modification.child("actual-notes").child_value()) + ":" +
                           Trim(modification.child("normal-notes").child_value());
        const std::string normalType = Trim(modification.child("normal-type").child_value());
        const bool normalDots = modification.child("normal-dot");
        if (!normalType.empty() && (normalType != Trim(note.child("type").child_value()) ||
                                    normalDots || note.child("dot")))
            text += " of " + normalType;
        for (pugi::xml_node dot = modification.child("normal-dot"); dot;
             dot = dot.next_sibling("normal-dot"))
            text += ".";
        return text;
    }

    /// The notes of a chord are one group, in order of their descriptions; the chord holds the
    /// marks of every note of it.
    void Flush() {
        if (group_.empty()) return;
        std::set<std::string> marks;
        for (const MusicNote& note : group_)
            marks.insert(note.marks.begin(), note.marks.end());
        for (MusicNote& note : group_)
            note.marks = marks;
        std::sort(group_.begin(), group_.end(), [](const MusicNote& a, const MusicNote& b) {
            return a.Describe() < b.Describe();
        });
        auto& voice = music_[voice_];
        voice.insert(voice.end(), group_.begin(), group_.end());
        group_.clear();
        ++chord_;
    }

    PartMusic music_;
    int chord_ = 0;
    int measure_ = 0;
    int divisions_ = 1;
    bool statedDivisions_ = false;
    bool shownDivisions_ = false;
    Rational cursor_;
    Rational onset_;
    std::string voice_;
    std::vector<MusicNote> group_;
};

} // namespace

PartMusic MusicOfPart(const pugi::xml_document& score, const std::string& partId) {
    const pugi::xml_node root = score.document_element();
    std::vector<pugi::xml_node> measures;
    if (std::strcmp(root.name(), "score-timewise") == 0) {
        for (pugi::xml_node measure : root.children("measure"))
            measures.push_back(measure.find_child_by_attribute("part", "id", partId.c_str()));
    } else {
        for (pugi::xml_node measure :
             root.find_child_by_attribute("part", "id", partId.c_str()).children("measure"))
            measures.push_back(measure);
    }
    return PartReader().Read(measures);
}

std::string MusicNote::Describe() const {
    std::string text = "measure " + std::to_string(measure) + " @" + Text(onset) + " for " +
                       Text(duration) + " " + this->text;
    if (!pitch.empty()) text += " " + pitch;
    for (const std::string& tie : ties)
        text += " tie " + tie;
    for (const std::string& mark : marks)
        text += " " + mark;
    return text;
}

bool MusicNote::SameAs(const MusicNote& other) const {
    // Files write durations rounded to their divisions; a copy may write them exactly.
    const Rational tolerance(1, 128);
    auto near = [&](Rational a, Rational b) { return (a > b ? a - b : b - a) <= tolerance; };
    return measure == other.measure && near(onset, other.onset) && near(duration, other.duration) &&
           pitch == other.pitch && ties == other.ties && marks == other.marks && text == other.text;
}

void EndTies(PartMusic& music) {
    for (auto& [voice, notes] : music) {
        std::set<std::string> tied; // pitches the chord before ties on
        size_t i = 0;
        while (i < notes.size()) {
            size_t end = i;
            while (end < notes.size() && notes[end].chord == notes[i].chord)
                ++end;
            std::set<std::string> next;
            for (size_t k = i; k < end; ++k) {
                MusicNote& note = notes[k];
                if (!note.pitch.empty() && tied.count(note.pitch)) note.ties.insert("stop");
                if (note.ties.count("start")) next.insert(note.pitch);
            }
            tied = std::move(next);
            i = end;
        }
    }
}

std::string FirstDifference(const PartMusic& expected, const PartMusic& actual) {
    for (const auto& [voice, notes] : expected) {
        auto found = actual.find(voice);
        if (found == actual.end()) return "voice " + voice + " is missing";
        const std::vector<MusicNote>& other = found->second;
        for (size_t i = 0; i < notes.size() || i < other.size(); ++i) {
            if (i < notes.size() && i < other.size() && notes[i].SameAs(other[i])) continue;
            const std::string want = i < notes.size() ? notes[i].Describe() : "(nothing)";
            const std::string have = i < other.size() ? other[i].Describe() : "(nothing)";
            return "voice " + voice + ", note " + std::to_string(i + 1) + ":\n  expected " + want +
                   "\n  found    " + have;
        }
    }
    for (const auto& [voice, notes] : actual)
        if (!expected.count(voice)) return "voice " + voice + " was added";
    return {};
}

std::string DuplicateFirstPart(const std::string& score, const std::string& copyId) {
    pugi::xml_document document;
    document.load_buffer(score.data(), score.size(), pugi::parse_default, pugi::encoding_utf8);
    const pugi::xml_node root = document.document_element();
    pugi::xml_node partList = root.child("part-list");
    const pugi::xml_node first = partList.child("score-part");
    const std::string id = first.attribute("id").value();
    pugi::xml_node copy = partList.insert_copy_after(first, first);
    copy.attribute("id").set_value(copyId.c_str());
    auto duplicate = [&](pugi::xml_node parent) {
        const pugi::xml_node part = parent.find_child_by_attribute("part", "id", id.c_str());
        if (part) parent.insert_copy_after(part, part).attribute("id").set_value(copyId.c_str());
    };
    if (std::strcmp(root.name(), "score-timewise") == 0) {
        for (pugi::xml_node measure : root.children("measure"))
            duplicate(measure);
    } else {
        duplicate(root);
    }
    std::ostringstream out;
    document.save(out, "  ");
    return out.str();
}

} // namespace cli_test
