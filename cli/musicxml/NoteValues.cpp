#include "cli/musicxml/NoteValues.h"

#include "host/Frames.h"

#include <array>
#include <cstring>

namespace cadentra_cli {
namespace {

struct TypeDuration {
    std::string_view type;
    int duration;
};

// Longest first. "maxima" (32768 units) is longer than the entry record can hold.
constexpr TypeDuration TYPES[] = {
    {"long", 16384}, {"breve", 8192}, {"whole", 4096}, {"half", 2048}, {"quarter", 1024},
    {"eighth", 512}, {"16th", 256},   {"32nd", 128},   {"64th", 64},   {"128th", 32},
    {"256th", 16},   {"512th", 8},    {"1024th", 4},
};

template <typename T> void PutLE(unsigned char* at, T value) {
    std::memcpy(at, &value, sizeof value);
}
template <typename T> T GetLE(const unsigned char* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

} // namespace

std::optional<int> DurationOfType(std::string_view type) {
    for (const TypeDuration& entry : TYPES)
        if (type == entry.type) return entry.duration;
    return std::nullopt;
}

std::optional<int> DurationOfTypeWithDots(std::string_view type, int dots) {
    auto base = DurationOfType(type);
    if (!base) return std::nullopt;
    int total = *base;
    int add = *base;
    for (int i = 0; i < dots; ++i) {
        add /= 2;
        total += add;
    }
    if (total > 32767) return std::nullopt;
    return total;
}

std::optional<NoteValue> NoteValueOfDuration(int duration) {
    for (const TypeDuration& entry : TYPES) {
        int total = entry.duration;
        int add = entry.duration;
        for (int dots = 0; dots <= 4; ++dots) {
            if (total == duration) return NoteValue{std::string(entry.type), dots};
            add /= 2;
            if (add == 0) break;
            total += add;
        }
    }
    return std::nullopt;
}

// Articulations ----------------------------------------------------------------------------------

namespace {

struct ArticulationSymbol {
    const char* name;
    unsigned char mainChar;    // in the music font
    unsigned char flippedChar; // below the note
};

constexpr ArticulationSymbol ARTICULATIONS[] = {
    {"accent", 62, 62},      {"strong-accent", 94, 118},  {"staccato", 46, 46},
    {"tenuto", 45, 45},      {"detached-legato", 95, 95}, {"staccatissimo", 174, 39},
    {"spiccato", 171, 39},   {"scoop", 96, 96},           {"plop", 96, 96},
    {"doit", 96, 96},        {"falloff", 96, 96},         {"breath-mark", 44, 44},
    {"caesura", 34, 34},     {"stress", 248, 248},        {"unstress", 249, 249},
    {"soft-accent", 60, 60}, {"fermata", 85, 117},
};

} // namespace

const std::vector<std::string>& ArticulationNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> all;
        for (const ArticulationSymbol& symbol : ARTICULATIONS)
            all.emplace_back(symbol.name);
        return all;
    }();
    return names;
}

int ArticulationDefinitionOf(std::string_view name) {
    const auto& names = ArticulationNames();
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) return static_cast<int>(i) + 1;
    return 0;
}

std::vector<unsigned char> ArticulationDefinitionRecord(std::string_view name) {
    std::vector<unsigned char> record(ARTICULATION_DEFINITION_SIZE, 0);
    // A mark the music font has no symbol for here is shown as an accent.
    ArticulationSymbol symbol = ARTICULATIONS[0];
    for (const ArticulationSymbol& known : ARTICULATIONS)
        if (name == known.name) symbol = known;
    constexpr unsigned char MUSIC_FONT = 0; // the host's font 0 is its music font
    constexpr unsigned char SIZE = 24;
    constexpr uint16_t AUTOMATIC_POSITIONING = 0x0008;
    record[0] = symbol.mainChar;
    record[2] = MUSIC_FONT;
    record[3] = SIZE;
    PutLE<uint16_t>(&record[10], AUTOMATIC_POSITIONING);
    record[12] = symbol.flippedChar;
    record[14] = MUSIC_FONT;
    record[15] = SIZE;
    return record;
}

// Tuplets ----------------------------------------------------------------------------------------
//
// The counts are the host's own tuplet fields (host/Frames.h). How the tuplet is shown goes into
// the flag word: the number style (1 actual number, 2 ratio, 3 none), the placement (1 above,
// 2 below) and the shape (0x2000 bracket, 0x1000 no bracket), with the appearance bit set
// whenever anything is stated.

EDTTuplet2005 EncodeTuplet(const TupletDefinition& tuplet) {
    EDTTuplet2005 record{};
    host::TupletDefinition counts;
    counts.number = static_cast<twobyte>(tuplet.actualCount);
    counts.unitDuration = tuplet.unit;
    counts.referenceNumber = static_cast<twobyte>(tuplet.normalCount);
    counts.referenceDuration = tuplet.normalUnit;
    counts.Write(record);
    utwobyte flags = 0;
    flags |= static_cast<utwobyte>(tuplet.look.showNumber & TUPLET_NUMBERSTYLE_MASK);
    flags |= static_cast<utwobyte>((tuplet.look.placement << 4) & TUPLET_PLACEMENT_MASK);
    if (tuplet.look.bracket == 1) flags |= 0x2000;
    if (tuplet.look.bracket == 2) flags |= 0x1000;
    if (flags != 0) flags |= TUPLET_APPEARANCE_ON;
    record.tupletFlags = flags;
    return record;
}

TupletDefinition DecodeTuplet(const EDTTuplet2005& record) {
    const host::TupletDefinition counts = host::TupletDefinition::Read(record);
    TupletDefinition tuplet;
    tuplet.actualCount = counts.number;
    tuplet.unit = counts.unitDuration;
    tuplet.normalCount = counts.referenceNumber;
    tuplet.normalUnit = counts.referenceDuration;
    const utwobyte flags = record.tupletFlags;
    tuplet.look.showNumber = flags & TUPLET_NUMBERSTYLE_MASK;
    tuplet.look.placement = (flags & TUPLET_PLACEMENT_MASK) >> 4;
    tuplet.look.bracket = (flags & 0x2000) ? 1 : (flags & 0x1000) ? 2 : 0;
    return tuplet;
}

std::array<unsigned char, 8> CmperKey(int cmper) {
    std::array<unsigned char, 8> key{};
    PutLE<uint16_t>(key.data(), static_cast<uint16_t>(cmper));
    return key;
}

} // namespace cadentra_cli
