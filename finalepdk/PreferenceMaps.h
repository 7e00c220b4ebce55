// Preference emulation. The host keeps its document preferences as small 12-byte "other" records
// (chunks: tag "ot" plus two characters, cmper -2 unless a table says otherwise, six 16-bit words).
// Nine preference structures are assembled from and scattered back to such chunks field by field
// (the ..._MAP_ARRAY tables); eighteen single-value preference tags are served by runs of whole
// chunks (mapPrefTag).
#pragma once

#include "finalepdk/PdkTypes.h"

/// How a structure field is made from its chunk word(s) and written back.
enum MAP_ARRAY_CONVERSION : ufourbyte {
    MAPCONV_WORD = 0,       // 2-byte field = word
    MAPCONV_HIGHFIRST = 1,  // 4-byte field: the first word is the high half
    MAPCONV_LOWFIRST = 2,   // 4-byte field: the first word is the low half
    MAPCONV_INVERTBOOL = 3, // 2-byte field = 1 when the word is 0, else 0 (and back)
    MAPCONV_LOWBYTE = 4     // 2-byte field = low byte of the word (and back)
};

/// Where one field of a preference structure lives.
struct PREFERENCE_LOCATION_MAPRECORD {
    twobyte done;       // scratch mark of the structure load or save in progress
    char chunkTag[2];   // the two characters after "ot" in the chunk's tag, in text order
    twobyte chunkCmper; // 0 stands for -2
    twobyte chunkInci;
    twobyte structOffset; // byte offset of the field in the structure
    twobyte wordIndex;    // first chunk word (0 to 5); a 4-byte field also uses the next one
    twobyte fieldSize;    // 2 or 4
    ufourbyte conversion; // a MAP_ARRAY_CONVERSION
};

/// The chunk tag: "ot" followed by the two characters.
constexpr EXTAG MakeChunkTag(char first, char second) {
    return MakeExTag('o', 't', first, second);
}

/// The chunk tag of a field record.
inline EXTAG ChunkTagOf(const PREFERENCE_LOCATION_MAPRECORD& record) {
    return MakeChunkTag(record.chunkTag[0], record.chunkTag[1]);
}

/// The cmper of a field record's chunk (-2 where the table says 0).
inline twobyte ChunkCmperOf(const PREFERENCE_LOCATION_MAPRECORD& record) {
    return record.chunkCmper == 0 ? twobyte{-2} : record.chunkCmper;
}

/// Whether two field records name the same chunk.
constexpr bool IsSameChunk(const PREFERENCE_LOCATION_MAPRECORD& a,
                           const PREFERENCE_LOCATION_MAPRECORD& b) {
    return a.chunkTag[0] == b.chunkTag[0] && a.chunkTag[1] == b.chunkTag[1] &&
           a.chunkCmper == b.chunkCmper && a.chunkInci == b.chunkInci;
}

// The nine field tables, defined from finalepdk/PreferenceMaps.def.
#define PREF_WORD(chunk, cmper, inci, offset, word, conversion)
#define PREF_LONG(chunk, cmper, inci, offset, firstWord, conversion)
#define PREF_RUN(tag, minCmper, maxCmper, chunkTag, count, inciFromCmper)
#define PREF_STRUCT(table, tag, records, size, ...) extern PREFERENCE_LOCATION_MAPRECORD table[];
#include "finalepdk/PreferenceMaps.def"

/// The field table of a preference structure tag with its record count. pfPF (0x70665046) is a
/// structure only with cmper 0 (cmper 1 is a chunk run). Answers false for any other request and
/// then leaves the outputs alone.
bool mapPrefStruct(EXTAG tag, twobyte cmper, PREFERENCE_LOCATION_MAPRECORD** table, twobyte* count);

/// The chunk run that serves a single-value preference tag: the chunks `chunkTag` with cmper -2
/// and inci firstInci, firstInci + 1, ... (count of them). Count and first inci are set to 0 first;
/// the chunk tag is 0 (and so is the result) when the request is not mapped, which includes a
/// cmper outside the tag's range. Answers the chunk tag.
EXTAG mapPrefTag(EXTAG tag, twobyte cmper, EXTAG* chunkTag, twobyte* count, twobyte* firstInci);

/// Size in bytes of the structure a field table describes (the sum of its field sizes).
fourbyte PrefStructSize(const PREFERENCE_LOCATION_MAPRECORD* table, twobyte count);

/// The 4-byte value of two chunk words: MAPCONV_HIGHFIRST or MAPCONV_LOWFIRST; 0 for any other
/// conversion. The words are the two halves of the value.
fourbyte makePrefsFourbyte(twobyte first, twobyte second, ufourbyte conversion);

/// Splits a 4-byte value into two chunk words (the inverse of makePrefsFourbyte); leaves the words
/// untouched for any conversion other than MAPCONV_HIGHFIRST and MAPCONV_LOWFIRST.
void makePrefsTwobytes(fourbyte value, twobyte* first, twobyte* second, ufourbyte conversion);

/// The 2-byte field value of a chunk word (MAPCONV_WORD, MAPCONV_INVERTBOOL, MAPCONV_LOWBYTE).
twobyte PrefFieldFromWord(twobyte word, ufourbyte conversion);

/// The chunk word that stores a 2-byte field value, given the word the chunk holds now. A word
/// that already reads as the field is kept as it is (a flag word of 5 stays 5), and a low-byte
/// field replaces only the low byte, so that saving an unchanged structure changes no chunk.
twobyte PrefWordFromField(twobyte field, twobyte currentWord, ufourbyte conversion);
