#include "finalepdk/PreferenceMaps.h"

#include "finalepdk/TagFilter.h"

#include <array>
#include <cstddef>

// ---------------------------------------------------------------------------------------------
// The tables are checked where they are compiled: a constant copy of each is expanded from the
// same rows and must have its stated record count, cover every byte of its structure exactly
// once, keep every field inside its chunk with a conversion that fits its width, and never map
// two fields onto the same chunk word.

namespace {

#define PREF_FIELD(chunk, cmper, inci, offset, word, size, conversion)                             \
    PREFERENCE_LOCATION_MAPRECORD{                                                                 \
        0, {(chunk)[0], (chunk)[1]}, cmper, inci, offset, word, size, conversion},
#define PREF_WORD(chunk, cmper, inci, offset, word, conversion)                                    \
    PREF_FIELD(chunk, cmper, inci, offset, word, 2, conversion)
#define PREF_LONG(chunk, cmper, inci, offset, firstWord, conversion)                               \
    PREF_FIELD(chunk, cmper, inci, offset, firstWord, 4, conversion)
#define PREF_RUN(tag, minCmper, maxCmper, chunkTag, count, inciFromCmper)
#define PREF_STRUCT(table, tag, records, size, ...)                                                \
    constexpr PREFERENCE_LOCATION_MAPRECORD table##_LAYOUT[] = {__VA_ARGS__};
#include "finalepdk/PreferenceMaps.def"

constexpr bool IsTwoByteConversion(ufourbyte conversion) {
    return conversion == MAPCONV_WORD || conversion == MAPCONV_INVERTBOOL ||
           conversion == MAPCONV_LOWBYTE;
}

constexpr bool IsFourByteConversion(ufourbyte conversion) {
    return conversion == MAPCONV_HIGHFIRST || conversion == MAPCONV_LOWFIRST;
}

template <std::size_t N>
constexpr bool IsWellFormed(const PREFERENCE_LOCATION_MAPRECORD (&table)[N], std::size_t records,
                            int structSize) {
    if (N != records) return false;
    std::array<int, 256> covered{};
    if (structSize <= 0 || structSize > static_cast<int>(covered.size())) return false;
    int total = 0;
    for (const auto& field : table) {
        if (field.fieldSize == 2 ? !IsTwoByteConversion(field.conversion)
                                 : field.fieldSize != 4 || !IsFourByteConversion(field.conversion))
            return false;
        if (field.wordIndex < 0 || field.wordIndex + field.fieldSize / 2 > 6) return false;
        if (field.structOffset < 0 || field.structOffset + field.fieldSize > structSize)
            return false;
        for (int b = 0; b < field.fieldSize; ++b)
            if (covered[static_cast<std::size_t>(field.structOffset + b)]++ != 0) return false;
        total += field.fieldSize;
    }
    if (total != structSize) return false;
    for (std::size_t i = 0; i < N; ++i) {
        for (std::size_t j = i + 1; j < N; ++j) {
            const auto& a = table[i];
            const auto& b = table[j];
            const int aEnd = a.wordIndex + a.fieldSize / 2;
            const int bEnd = b.wordIndex + b.fieldSize / 2;
            if (IsSameChunk(a, b) && a.wordIndex < bEnd && b.wordIndex < aEnd) return false;
        }
    }
    return true;
}

#define PREF_WORD(chunk, cmper, inci, offset, word, conversion)
#define PREF_LONG(chunk, cmper, inci, offset, firstWord, conversion)
#define PREF_RUN(tag, minCmper, maxCmper, chunkTag, count, inciFromCmper)
#define PREF_STRUCT(table, tag, records, size, ...)                                                \
    static_assert(IsWellFormed(table##_LAYOUT, records, size),                                     \
                  #table " does not describe its structure");
#include "finalepdk/PreferenceMaps.def"

} // namespace

// ---------------------------------------------------------------------------------------------
// The working tables. Their `done` marks are scratch state of the structure load or save in
// progress, so they cannot be constant.

#define PREF_WORD(chunk, cmper, inci, offset, word, conversion)                                    \
    PREF_FIELD(chunk, cmper, inci, offset, word, 2, conversion)
#define PREF_LONG(chunk, cmper, inci, offset, firstWord, conversion)                               \
    PREF_FIELD(chunk, cmper, inci, offset, firstWord, 4, conversion)
#define PREF_RUN(tag, minCmper, maxCmper, chunkTag, count, inciFromCmper)
#define PREF_STRUCT(table, tag, records, size, ...)                                                \
    PREFERENCE_LOCATION_MAPRECORD table[] = {__VA_ARGS__};
#include "finalepdk/PreferenceMaps.def"
#undef PREF_FIELD

namespace {

struct PrefStructEntry {
    EXTAG tag;
    PREFERENCE_LOCATION_MAPRECORD* table;
    twobyte count;
};

#define PREF_WORD(chunk, cmper, inci, offset, word, conversion)
#define PREF_LONG(chunk, cmper, inci, offset, firstWord, conversion)
#define PREF_RUN(tag, minCmper, maxCmper, chunkTag, count, inciFromCmper)
#define PREF_STRUCT(table, tag, records, size, ...) PrefStructEntry{tag, table, records},
const PrefStructEntry PREF_STRUCTS[] = {
#include "finalepdk/PreferenceMaps.def"
};

struct PrefRunEntry {
    EXTAG tag;
    twobyte minCmper;
    twobyte maxCmper;
    EXTAG chunkTag;
    twobyte count;
    bool inciFromCmper; // the run starts at inci cmper - 1 rather than 0
};

#define PREF_WORD(chunk, cmper, inci, offset, word, conversion)
#define PREF_LONG(chunk, cmper, inci, offset, firstWord, conversion)
#define PREF_RUN(tag, minCmper, maxCmper, chunkTag, count, inciFromCmper)                          \
    PrefRunEntry{tag, minCmper, maxCmper, chunkTag, count, inciFromCmper != 0},
#define PREF_STRUCT(table, tag, records, size, ...)
constexpr PrefRunEntry PREF_RUNS[] = {
#include "finalepdk/PreferenceMaps.def"
};

/// The tags of the structures and of the chunk runs: most records asked for are none of them.
const uint64_t PREF_STRUCT_TAGS = finalepdk::TagBits(
    PREF_STRUCTS, [](const PrefStructEntry& entry) { return std::array<EXTAG, 1>{entry.tag}; });
constexpr uint64_t PREF_RUN_TAGS = finalepdk::TagBits(
    PREF_RUNS, [](const PrefRunEntry& entry) { return std::array<EXTAG, 1>{entry.tag}; });

constexpr EXTAG PAGE_FORMAT_PREFS_TAG = MakeExTag('p', 'f', 'P', 'F');

} // namespace

bool mapPrefStruct(EXTAG tag, twobyte cmper, PREFERENCE_LOCATION_MAPRECORD** table,
                   twobyte* count) {
    // pfPF with another cmper is a chunk run (or the host's own record).
    if (tag == PAGE_FORMAT_PREFS_TAG && cmper != 0) return false;
    if (!finalepdk::MayBeAmong(PREF_STRUCT_TAGS, tag)) return false;
    for (const auto& entry : PREF_STRUCTS) {
        if (entry.tag != tag) continue;
        if (table) *table = entry.table;
        if (count) *count = entry.count;
        return true;
    }
    return false;
}

EXTAG mapPrefTag(EXTAG tag, twobyte cmper, EXTAG* chunkTag, twobyte* count, twobyte* firstInci) {
    if (count) *count = 0;
    if (firstInci) *firstInci = 0;
    EXTAG found = 0;
    if (finalepdk::MayBeAmong(PREF_RUN_TAGS, tag)) {
        for (const auto& entry : PREF_RUNS) {
            if (entry.tag != tag || cmper < entry.minCmper || cmper > entry.maxCmper) continue;
            found = entry.chunkTag;
            if (count) *count = entry.count;
            if (firstInci) *firstInci = entry.inciFromCmper ? static_cast<twobyte>(cmper - 1) : 0;
            break;
        }
    }
    if (chunkTag) *chunkTag = found;
    return found;
}

fourbyte PrefStructSize(const PREFERENCE_LOCATION_MAPRECORD* table, twobyte count) {
    fourbyte size = 0;
    for (twobyte i = 0; table && i < count; ++i)
        size += table[i].fieldSize;
    return size;
}

fourbyte makePrefsFourbyte(twobyte first, twobyte second, ufourbyte conversion) {
    const auto half = [](twobyte word) {
        return static_cast<ufourbyte>(static_cast<utwobyte>(word));
    };
    switch (conversion) {
    case MAPCONV_HIGHFIRST:
        return static_cast<fourbyte>((half(first) << 16) | half(second));
    case MAPCONV_LOWFIRST:
        return static_cast<fourbyte>((half(second) << 16) | half(first));
    default:
        return 0;
    }
}

void makePrefsTwobytes(fourbyte value, twobyte* first, twobyte* second, ufourbyte conversion) {
    const auto bits = static_cast<ufourbyte>(value);
    const auto high = static_cast<twobyte>(static_cast<utwobyte>(bits >> 16));
    const auto low = static_cast<twobyte>(static_cast<utwobyte>(bits & 0xFFFF));
    switch (conversion) {
    case MAPCONV_HIGHFIRST:
        if (first) *first = high;
        if (second) *second = low;
        break;
    case MAPCONV_LOWFIRST:
        if (first) *first = low;
        if (second) *second = high;
        break;
    default:
        break;
    }
}

twobyte PrefFieldFromWord(twobyte word, ufourbyte conversion) {
    switch (conversion) {
    case MAPCONV_INVERTBOOL:
        return word == 0 ? 1 : 0;
    case MAPCONV_LOWBYTE:
        return static_cast<twobyte>(word & 0x00FF);
    default:
        return word;
    }
}

twobyte PrefWordFromField(twobyte field, twobyte currentWord, ufourbyte conversion) {
    switch (conversion) {
    case MAPCONV_INVERTBOOL:
        // Any non-zero word reads as a cleared field; only a change of truth rewrites the word.
        if ((field == 0) == (currentWord != 0)) return currentWord;
        return field == 0 ? 1 : 0;
    case MAPCONV_LOWBYTE:
        return static_cast<twobyte>((static_cast<utwobyte>(currentWord) & 0xFF00) |
                                    (static_cast<utwobyte>(field) & 0x00FF));
    default:
        return field;
    }
}
