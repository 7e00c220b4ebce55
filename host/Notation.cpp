#include "host/Notation.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <stdexcept>

namespace host {
namespace {

constexpr std::string_view LETTERS = "CDEFGAB";

struct NamedDuration {
    std::string_view name;
    fourbyte units;
};
constexpr std::array<NamedDuration, 8> NAMED_DURATIONS{{{"dw", 8192},
                                                        {"w", 4096},
                                                        {"h", 2048},
                                                        {"q", 1024},
                                                        {"e", 512},
                                                        {"s", 256},
                                                        {"t", 128},
                                                        {"x", 64}}};
constexpr int MAX_DOTS = 3;

int FloorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

/// What a key means for naming notes: where its root lies above C4 and how it alters each letter.
struct KeyFrame {
    int rootStep = 0;                // steps of the root above C4, 0 (C) to 7 (the C above)
    std::array<int, 7> alteration{}; // by letter, C first
};

KeyFrame KeyFrameOf(utwobyte keyValue) {
    KeyFrame key;
    const int mode = keyValue >> 8;
    if (mode > 1) return key; // not a standard key: read as C major
    const int accidentals = static_cast<signed char>(keyValue & 0xFF);
    // Each sharp moves the major root a fifth (four steps) up, each flat a fifth down; the sharps
    // fall on F, C, G, D, A, E, B (a fifth apart, from F) and the flats on B, E, A, D, G, C, F.
    constexpr int F = 3;
    constexpr int B = 6;
    if (accidentals > 0) {
        key.rootStep = (4 * accidentals) % 7;
        for (int i = 0; i < accidentals; ++i)
            ++key.alteration[static_cast<size_t>((F + 4 * i) % 7)];
    } else if (accidentals < 0) {
        const int flats = -accidentals;
        // Counted up from C4, the flat keys' roots lie one to seven steps up: seven flats put
        // the root (C-flat) on the C above.
        key.rootStep = 7 - (4 * flats) % 7;
        for (int i = 0; i < flats; ++i)
            --key.alteration[static_cast<size_t>((B + 3 * i) % 7)];
    }
    if (mode == 1) key.rootStep = (key.rootStep + 5) % 7; // the relative minor, a third below
    return key;
}

std::string_view Trim(std::string_view text) {
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
        text.remove_prefix(1);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string_view> Split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    size_t start = 0;
    for (;;) {
        const size_t at = text.find(separator, start);
        parts.push_back(text.substr(start, at == std::string_view::npos ? at : at - start));
        if (at == std::string_view::npos) return parts;
        start = at + 1;
    }
}

std::optional<int> ParseInteger(std::string_view text) {
    if (text.empty() || text.size() > 9) return std::nullopt;
    int value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
        value = value * 10 + (c - '0');
    }
    return value;
}

[[noreturn]] void Malformed(std::string_view entry, const std::string& why) {
    throw std::invalid_argument("malformed music entry '" + std::string(entry) + "': " + why);
}

/// Applies the modifiers in `text` ("~", "/3:2e", "!7", in any order) to `entry`.
void ParseModifiers(std::string_view text, EntrySpec& entry, std::string_view whole) {
    size_t i = 0;
    auto takeWhile = [&](auto predicate) {
        const size_t start = i;
        while (i < text.size() && predicate(text[i]))
            ++i;
        return text.substr(start, i - start);
    };
    auto isDigit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    auto isUnitChar = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '.';
    };
    while (i < text.size()) {
        const char c = text[i++];
        if (std::isspace(static_cast<unsigned char>(c))) continue;
        if (c == '~') {
            if (entry.rest) Malformed(whole, "a rest cannot be tied");
            entry.tie = true;
            entry.tiedNotes.clear();
        } else if (c == '!') {
            auto id = ParseInteger(takeWhile(isDigit));
            if (!id || *id > INT16_MAX) Malformed(whole, "articulation needs a definition number");
            entry.articulations.push_back(static_cast<twobyte>(*id));
        } else if (c == '/') {
            auto number = ParseInteger(takeWhile(isDigit));
            if (i >= text.size() || text[i] != ':') Malformed(whole, "tuplet needs N:M");
            ++i;
            auto reference = ParseInteger(takeWhile(isDigit));
            if (!number || !reference || *number <= 0 || *reference <= 0 || *number > INT16_MAX ||
                *reference > INT16_MAX)
                Malformed(whole, "tuplet needs two positive numbers");
            fourbyte unit = entry.duration;
            if (auto unitText = takeWhile(isUnitChar); !unitText.empty()) {
                auto parsed = DurationFromName(unitText);
                if (!parsed) Malformed(whole, "bad tuplet unit");
                unit = *parsed;
            }
            fourbyte referenceUnit = unit;
            if (i < text.size() && text[i] == ':') {
                ++i;
                auto parsed = DurationFromName(takeWhile(isUnitChar));
                if (!parsed) Malformed(whole, "bad tuplet reference unit");
                referenceUnit = *parsed;
            }
            entry.tuplets.push_back(TupletDefinition{static_cast<twobyte>(*number), unit,
                                                     static_cast<twobyte>(*reference),
                                                     referenceUnit});
        } else {
            Malformed(whole, std::string("unexpected '") + c + "'");
        }
    }
}

EntrySpec ParseEntry(std::string_view text, utwobyte keyValue) {
    const std::string_view whole = text;
    text = Trim(text);
    const size_t blank = text.find_first_of(" \t");
    if (blank == std::string_view::npos) Malformed(whole, "needs an event and a duration");
    const std::string_view event = text.substr(0, blank);
    std::string_view rest = Trim(text.substr(blank));

    EntrySpec entry;
    if (event != "r") {
        entry.rest = false;
        for (std::string_view name : Split(event, '+')) {
            const bool tied = !name.empty() && name.back() == '~';
            if (tied) name.remove_suffix(1);
            auto pitch = PitchFromName(name, keyValue);
            if (!pitch) Malformed(whole, "bad pitch '" + std::string(name) + "'");
            if (tied) entry.tiedNotes.push_back(entry.pitches.size());
            entry.pitches.push_back(*pitch);
        }
        if (entry.pitches.size() > static_cast<size_t>(EXENTRY_MAXNOTES))
            Malformed(whole, "more than twelve notes");
        // Every note tied one by one is the entry tied as a whole.
        if (entry.tiedNotes.size() == entry.pitches.size()) {
            entry.tiedNotes.clear();
            entry.tie = true;
        }
    }

    size_t end = 0;
    while (end < rest.size() &&
           (std::isalnum(static_cast<unsigned char>(rest[end])) || rest[end] == '.'))
        ++end;
    auto duration = DurationFromName(rest.substr(0, end));
    if (!duration || *duration > INT16_MAX) Malformed(whole, "bad duration");
    entry.duration = *duration;
    ParseModifiers(rest.substr(end), entry, whole);
    return entry;
}

} // namespace

std::optional<NotePitch> PitchFromName(std::string_view name, utwobyte keyValue) {
    if (name.size() < 2) return std::nullopt;
    const size_t letter =
        LETTERS.find(static_cast<char>(std::toupper(static_cast<unsigned char>(name[0]))));
    if (letter == std::string_view::npos) return std::nullopt;
    size_t i = 1;
    int alteration = 0;
    while (i < name.size() && (name[i] == '#' || name[i] == 'b'))
        alteration += name[i++] == '#' ? 1 : -1;
    bool negative = false;
    if (i < name.size() && name[i] == '-') {
        negative = true;
        ++i;
    }
    auto octave = ParseInteger(name.substr(i));
    if (!octave || *octave > 20) return std::nullopt;
    const int octaveNumber = negative ? -*octave : *octave;
    const KeyFrame key = KeyFrameOf(keyValue);
    const int stepFromC4 = (octaveNumber - 4) * 7 + static_cast<int>(letter);
    return NotePitch{static_cast<twobyte>(stepFromC4 - key.rootStep),
                     static_cast<twobyte>(alteration - key.alteration[letter])};
}

std::string PitchName(const NotePitch& pitch, utwobyte keyValue) {
    const KeyFrame key = KeyFrameOf(keyValue);
    const int stepFromC4 = pitch.displacement + key.rootStep;
    const int octave = 4 + FloorDiv(stepFromC4, 7);
    const int letter = stepFromC4 - (octave - 4) * 7;
    const int alteration = pitch.raiseLower + key.alteration[static_cast<size_t>(letter)];
    std::string name(1, LETTERS[static_cast<size_t>(letter)]);
    for (int i = 0; i < alteration; ++i)
        name += '#';
    for (int i = 0; i > alteration; --i)
        name += 'b';
    return name + std::to_string(octave);
}

bool IsNoteTied(const EntrySpec& entry, size_t index) {
    if (entry.rest || index >= entry.pitches.size()) return false;
    return entry.tie || std::find(entry.tiedNotes.begin(), entry.tiedNotes.end(), index) !=
                            entry.tiedNotes.end();
}

std::optional<fourbyte> DurationFromName(std::string_view name) {
    if (auto number = ParseInteger(name)) {
        if (*number <= 0) return std::nullopt;
        return *number;
    }
    size_t dots = 0;
    while (!name.empty() && name.back() == '.') {
        name.remove_suffix(1);
        ++dots;
    }
    for (const NamedDuration& named : NAMED_DURATIONS) {
        if (named.name != name) continue;
        fourbyte total = named.units;
        fourbyte added = named.units;
        for (size_t d = 0; d < dots; ++d) {
            added /= 2;
            total += added;
        }
        return total;
    }
    return std::nullopt;
}

std::string DurationName(fourbyte duration) {
    for (int dots = 0; dots <= MAX_DOTS; ++dots) {
        for (const NamedDuration& named : NAMED_DURATIONS) {
            fourbyte total = named.units;
            fourbyte added = named.units;
            for (int d = 0; d < dots; ++d) {
                added /= 2;
                total += added;
            }
            if (total == duration)
                return std::string(named.name) + std::string(static_cast<size_t>(dots), '.');
        }
    }
    return std::to_string(duration);
}

std::vector<std::vector<EntrySpec>> ParseMusic(std::string_view text, const KeyOfMeasure& keys) {
    std::vector<std::vector<EntrySpec>> measures;
    for (std::string_view measureText : Split(text, '|')) {
        const utwobyte keyValue = keys ? keys(measures.size()) : 0;
        std::vector<EntrySpec> entries;
        if (!Trim(measureText).empty())
            for (std::string_view entryText : Split(measureText, ','))
                entries.push_back(ParseEntry(entryText, keyValue));
        measures.push_back(std::move(entries));
    }
    return measures;
}

std::string FormatEntry(const EntrySpec& entry, utwobyte keyValue) {
    std::string text;
    if (entry.rest) {
        text = "r";
    } else {
        for (size_t i = 0; i < entry.pitches.size(); ++i) {
            text += (i ? "+" : "") + PitchName(entry.pitches[i], keyValue);
            if (!entry.tie && IsNoteTied(entry, i)) text += "~";
        }
    }
    text += " " + DurationName(entry.duration);
    if (entry.tie) text += "~";
    for (const TupletDefinition& tuplet : entry.tuplets) {
        text += "/" + std::to_string(tuplet.number) + ":" + std::to_string(tuplet.referenceNumber);
        if (tuplet.unitDuration != entry.duration ||
            tuplet.referenceDuration != tuplet.unitDuration)
            text += DurationName(tuplet.unitDuration);
        if (tuplet.referenceDuration != tuplet.unitDuration)
            text += ":" + DurationName(tuplet.referenceDuration);
    }
    for (twobyte id : entry.articulations)
        text += "!" + std::to_string(id);
    return text;
}

std::string FormatMusic(const std::vector<std::vector<EntrySpec>>& measures,
                        const KeyOfMeasure& keys) {
    std::string text;
    for (size_t m = 0; m < measures.size(); ++m) {
        if (m > 0) text += " | ";
        const utwobyte keyValue = keys ? keys(m) : 0;
        for (size_t e = 0; e < measures[m].size(); ++e)
            text += (e ? ", " : "") + FormatEntry(measures[m][e], keyValue);
    }
    return text;
}

std::string NameArticulations(std::string_view music,
                              const std::function<std::string(int id)>& name) {
    std::string text;
    size_t at = 0;
    while (at < music.size()) {
        const size_t mark = music.find('!', at);
        text.append(music.substr(at, mark - at));
        if (mark == std::string_view::npos) break;
        size_t end = mark + 1;
        int id = 0;
        while (end < music.size() && music[end] >= '0' && music[end] <= '9' && id < 100000)
            id = id * 10 + (music[end++] - '0');
        const std::string named = end > mark + 1 ? name(id) : std::string();
        text += '!';
        text += named.empty() ? music.substr(mark + 1, end - mark - 1) : std::string_view(named);
        at = end;
    }
    return text;
}

} // namespace host
