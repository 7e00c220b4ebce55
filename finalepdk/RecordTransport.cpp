#include "finalepdk/RecordTransport.h"

#include "finalepdk/FinaleBinding.h"
#include "finalepdk/PreferenceMaps.h"
#include "finalepdk/TagFilter.h"

#include <algorithm>
#include <array>
#include <cstring>

// Record transport. Every request has its version corrected first; preference tags are then
// served from chunks, three tags get a load of their own, and everything else goes to the host.

namespace {

// ---------------------------------------------------------------------------------------------
// Version correction.

enum class VersionCondition { ALWAYS, AT_MOST, ABOVE };

struct VersionRule {
    EXTAG tag;
    EXTAG otherTag; // a second tag the rule applies to (0: none)
    fourbyte size;
    VersionCondition condition;
    EVERSION limit;
    EVERSION newVersion;
    const char* warning; // shown to the plug-in developer before the correction (null: none)
};

constexpr EXTAG SOMS_TAG = MakeExTag('S', 'O', 'M', 'S');
constexpr EXTAG SOSS_TAG = MakeExTag('S', 'O', 'S', 'S');
constexpr EXTAG SOSS_OTHER_TAG = 0x4F025353;
constexpr EXTAG SOIS_TAG = MakeExTag('S', 'O', 'I', 'S');
constexpr EXTAG SDGF_TAG = MakeExTag('S', 'D', 'G', 'F');
constexpr EXTAG SOTX_TAG = MakeExTag('S', 'O', 'T', 'X');
constexpr EXTAG OTDO_TAG = MakeExTag('o', 't', 'D', 'O');

// Ordered: the first rule that matches applies.
constexpr VersionRule VERSION_RULES[] = {
    {SOMS_TAG, 0, 26, VersionCondition::AT_MOST, 0x09FFFFFF, 0x0A000000, nullptr},
    {SOMS_TAG, 0, 24, VersionCondition::ALWAYS, 0, 0x09000000, nullptr},
    {SOSS_TAG, SOSS_OTHER_TAG, 28, VersionCondition::AT_MOST, 0x09FFFFFF, 0x0A000000, nullptr},
    {SOSS_TAG, SOSS_OTHER_TAG, 24, VersionCondition::AT_MOST, 0x05FFFFFF, 0x06000000, nullptr},
    {SOSS_TAG, SOSS_OTHER_TAG, 22, VersionCondition::ALWAYS, 0, 0x05000000, nullptr},
    {SOIS_TAG, 0, 66, VersionCondition::ALWAYS, 0, 0x05000000, nullptr},
    {SOIS_TAG, 0, 102, VersionCondition::ALWAYS, 0, 0x08000000, nullptr},
    {SDGF_TAG, 0, 12, VersionCondition::ABOVE, 0x08000000, 0x08000000, nullptr},
    {SDGF_TAG, 0, 10, VersionCondition::AT_MOST, 0x08FFFFFF, 0x09000000,
     "Warning to plug-in developer: EDTGfhold2004 used with wrong version parameter"},
    {SOTX_TAG, 0, 48, VersionCondition::ABOVE, 0x08000000, 0x08000000, nullptr},
    {SOTX_TAG, 0, 26, VersionCondition::AT_MOST, 0x08FFFFFF, 0x09000000,
     "Warning to plug-in developer: EDTTextBlock2004 used with wrong version parameter"},
    {OTDO_TAG, 0, 12, VersionCondition::ABOVE, 0x08000000, 0x08000000, nullptr},
    {OTDO_TAG, 0, 34, VersionCondition::AT_MOST, 0x08FFFFFF, 0x09000000,
     "Warning to plug-in developer: EDTShapeExpression2004 used with wrong version parameter"},
};

/// The tags the rules are about: the records of every other tag need no look at them.
constexpr uint64_t VERSION_RULE_TAGS = finalepdk::TagBits(VERSION_RULES, [](const VersionRule& rule) {
    return std::array<EXTAG, 2>{rule.tag, rule.otherTag};
});

bool Holds(const VersionRule& rule, EVERSION version) {
    switch (rule.condition) {
    case VersionCondition::ALWAYS:
        return true;
    case VersionCondition::AT_MOST:
        return version <= rule.limit;
    case VersionCondition::ABOVE:
        return version > rule.limit;
    }
    return false;
}

// ---------------------------------------------------------------------------------------------
// Host calls. The chunk loads and saves of the emulations share the bindings of the wrappers.

finalepdk::HostBinding& LoadBinding() {
    static finalepdk::HostBinding binding{"FX_LoadEData"};
    return binding;
}

finalepdk::HostBinding& SaveBinding() {
    static finalepdk::HostBinding binding{"FX_SaveEData"};
    return binding;
}

twobyte HostLoad(EXTAG tag, void* key, void* buffer, fourbyte* size, EVERSION version) {
    return finalepdk::CallHostFunction<twobyte, FX_LoadEData_HostFn>(LoadBinding(), tag, key,
                                                                     buffer, size, version);
}

twobyte HostSave(EXTAG tag, void* key, void* buffer, fourbyte size, EVERSION version) {
    return finalepdk::CallHostFunction<twobyte, FX_SaveEData_HostFn>(SaveBinding(), tag, key,
                                                                     buffer, size, version);
}

/// An 8-byte record key as 16-bit words (cmper, inci, ...).
using KeyBlock = std::array<twobyte, 4>;

KeyBlock CopyKey(const void* key) {
    KeyBlock block{};
    std::memcpy(block.data(), key, sizeof block);
    return block;
}

KeyBlock ChunkKey(twobyte cmper, twobyte inci) {
    return KeyBlock{cmper, inci, 0, 0};
}

/// The six words of one chunk.
using ChunkWords = std::array<twobyte, 6>;
static_assert(sizeof(ChunkWords) == PREF_CHUNK_SIZE);

/// Loads a chunk into 12 bytes at `into`, zeroed first so that a missing chunk reads as zeros.
bool LoadChunk(EXTAG tag, KeyBlock key, void* into) {
    std::memset(into, 0, PREF_CHUNK_SIZE);
    fourbyte size = PREF_CHUNK_SIZE;
    return HostLoad(tag, key.data(), into, &size, FINALEPDK_VERSION) != 0;
}

bool SaveChunk(EXTAG tag, KeyBlock key, const void* from) {
    return HostSave(tag, key.data(), const_cast<void*>(from), PREF_CHUNK_SIZE, FINALEPDK_VERSION) !=
           0;
}

// ---------------------------------------------------------------------------------------------
// Preference structures: one field at a time between a structure and its chunk words.

void ReadField(const PREFERENCE_LOCATION_MAPRECORD& field, const ChunkWords& words,
               unsigned char* structure) {
    const auto word = static_cast<size_t>(field.wordIndex);
    unsigned char* at = structure + field.structOffset;
    if (field.fieldSize == 4) {
        const fourbyte value = makePrefsFourbyte(words[word], words[word + 1], field.conversion);
        std::memcpy(at, &value, sizeof value);
    } else {
        const twobyte value = PrefFieldFromWord(words[word], field.conversion);
        std::memcpy(at, &value, sizeof value);
    }
}

/// Writes the field's words into the chunk where they differ; answers whether any did.
bool WriteField(const PREFERENCE_LOCATION_MAPRECORD& field, const unsigned char* structure,
                ChunkWords& words) {
    const auto word = static_cast<size_t>(field.wordIndex);
    const unsigned char* at = structure + field.structOffset;
    bool changed = false;
    auto put = [&](size_t index, twobyte value) {
        if (words[index] == value) return;
        words[index] = value;
        changed = true;
    };
    if (field.fieldSize == 4) {
        fourbyte value;
        std::memcpy(&value, at, sizeof value);
        twobyte first = words[word];
        twobyte second = words[word + 1];
        makePrefsTwobytes(value, &first, &second, field.conversion);
        put(word, first);
        put(word + 1, second);
    } else {
        twobyte value;
        std::memcpy(&value, at, sizeof value);
        put(word, PrefWordFromField(value, words[word], field.conversion));
    }
    return changed;
}

KeyBlock ChunkKeyOf(const PREFERENCE_LOCATION_MAPRECORD& field) {
    return ChunkKey(ChunkCmperOf(field), field.chunkInci);
}

void ClearMarks(PREFERENCE_LOCATION_MAPRECORD* table, twobyte count) {
    for (twobyte i = 0; i < count; ++i)
        table[i].done = 0;
}

/// Assembles the structure from its chunks, each chunk loaded once. A missing chunk gives its
/// fields the value of zero words.
void LoadPrefStruct(PREFERENCE_LOCATION_MAPRECORD* table, twobyte count, void* buffer) {
    auto* structure = static_cast<unsigned char*>(buffer);
    ClearMarks(table, count);
    for (twobyte i = 0; i < count; ++i) {
        if (table[i].done) continue;
        ChunkWords words;
        LoadChunk(ChunkTagOf(table[i]), ChunkKeyOf(table[i]), words.data());
        for (twobyte j = i; j < count; ++j) {
            if (table[j].done || !IsSameChunk(table[i], table[j])) continue;
            ReadField(table[j], words, structure);
            table[j].done = 1;
        }
    }
}

/// Scatters the structure into its chunks, writing only the chunks whose words change. Answers
/// false when the host refused to store a chunk (the other chunks are still written).
bool SavePrefStruct(PREFERENCE_LOCATION_MAPRECORD* table, twobyte count, const void* buffer) {
    const auto* structure = static_cast<const unsigned char*>(buffer);
    bool allSaved = true;
    ClearMarks(table, count);
    for (twobyte i = 0; i < count; ++i) {
        if (table[i].done) continue;
        ChunkWords words;
        LoadChunk(ChunkTagOf(table[i]), ChunkKeyOf(table[i]), words.data());
        bool changed = false;
        for (twobyte j = i; j < count; ++j) {
            if (table[j].done || !IsSameChunk(table[i], table[j])) continue;
            if (WriteField(table[j], structure, words)) changed = true;
            table[j].done = 1;
        }
        if (changed && !SaveChunk(ChunkTagOf(table[i]), ChunkKeyOf(table[i]), words.data()))
            allSaved = false;
    }
    return allSaved;
}

// ---------------------------------------------------------------------------------------------
// Tags with a load of their own.

/// Records that a host may fill only partly: the load zeroes this many bytes first and counts
/// any byte the host wrote as a success, whatever it answers.
fourbyte PartialFillSize(EXTAG tag) {
    switch (tag) {
    case 0x4F044958: // articulation definitions
        return 48;
    case 0x4F096649:
        return 108;
    default:
        return 0;
    }
}

constexpr EXTAG SOSD_TAG = MakeExTag('S', 'O', 'S', 'D');
/// The chunk whose presence stands for an SOSD record the host does not have.
constexpr EXTAG SOSD_CHUNK_TAG = MakeExTag('o', 't', 'S', 'D');
/// The size of the zeroed SOSD record that stands in for a missing one.
constexpr fourbyte SOSD_STANDIN_SIZE = 66;

/// Bytes of the caller's buffer that may be written: its capacity, never more than `limit`.
size_t Writable(fourbyte capacity, fourbyte limit) {
    return static_cast<size_t>(std::clamp(capacity, fourbyte{0}, limit));
}

bool AnyNonZero(const unsigned char* bytes, size_t count) {
    return std::any_of(bytes, bytes + count, [](unsigned char b) { return b != 0; });
}

twobyte KeyWord(const void* key, int index) {
    twobyte word;
    std::memcpy(&word, static_cast<const unsigned char*>(key) + 2 * index, sizeof word);
    return word;
}

} // namespace

void HandleEnigmaVersion(EXTAG tag, fourbyte size, EVERSION& version) {
    if (size == 0 || !finalepdk::MayBeAmong(VERSION_RULE_TAGS, tag)) return;
    for (const VersionRule& rule : VERSION_RULES) {
        if (tag != rule.tag && (rule.otherTag == 0 || tag != rule.otherTag)) continue;
        if (size != rule.size || !Holds(rule, version)) continue;
        if (rule.warning) FX_AlertMessage(0, 0, 0, rule.warning, FINALEPDK_VERSION);
        version = rule.newVersion;
        return;
    }
}

twobyte FX_LoadEData(EXTAG tag, void* key, void* buffer, fourbyte* size, EVERSION version) {
    EVERSION corrected = version;
    HandleEnigmaVersion(tag, size ? *size : 0, corrected);
    // Without a key or a size there is nothing to emulate; the host answers such a request.
    if (!key || !size) return HostLoad(tag, key, buffer, size, corrected);

    if (const fourbyte fill = PartialFillSize(tag); fill != 0 && buffer) {
        // Only the bytes the caller's capacity covers are cleared and examined.
        const size_t cleared = Writable(*size, fill);
        auto* bytes = static_cast<unsigned char*>(buffer);
        std::memset(bytes, 0, cleared);
        if (!HostLoad(tag, key, buffer, size, corrected)) return AnyNonZero(bytes, cleared) ? 1 : 0;
        // Loaded: the request goes to the host once more below.
    } else if (tag == SOSD_TAG && !HostLoad(tag, key, buffer, size, corrected)) {
        // A missing SOSD record reads as zeros when its chunk exists.
        KeyBlock chunkKey = CopyKey(key);
        chunkKey[1] = 0;
        ChunkWords chunk;
        if (!LoadChunk(SOSD_CHUNK_TAG, chunkKey, chunk.data())) return 0;
        if (buffer)
            std::memset(buffer, 0, Writable(*size, SOSD_STANDIN_SIZE));
        else
            *size = SOSD_STANDIN_SIZE;
        return 1;
    }

    const twobyte cmper = KeyWord(key, 0);
    PREFERENCE_LOCATION_MAPRECORD* table = nullptr;
    twobyte count = 0;
    if (mapPrefStruct(tag, cmper, &table, &count)) {
        const fourbyte structSize = PrefStructSize(table, count);
        if (!buffer) {
            *size = structSize;
            return 1;
        }
        // A buffer too small for the structure is left alone.
        if (*size < structSize) return 0;
        *size = structSize;
        LoadPrefStruct(table, count, buffer);
        return 1;
    }

    EXTAG chunkTag = 0;
    twobyte firstInci = 0;
    if (mapPrefTag(tag, cmper, &chunkTag, &count, &firstInci) != 0) {
        const fourbyte runSize = count * PREF_CHUNK_SIZE;
        if (!buffer) {
            *size = runSize;
            return 1;
        }
        if (*size < runSize) return 0;
        auto* bytes = static_cast<unsigned char*>(buffer);
        for (twobyte i = 0; i < count; ++i)
            LoadChunk(chunkTag, ChunkKey(PREF_CHUNK_CMPER, static_cast<twobyte>(firstInci + i)),
                      bytes + i * PREF_CHUNK_SIZE);
        *size = runSize;
        return 1;
    }

    return HostLoad(tag, key, buffer, size, corrected);
}

twobyte FX_SaveEData(EXTAG tag, void* key, void* buffer, fourbyte size, EVERSION version) {
    EVERSION corrected = version;
    HandleEnigmaVersion(tag, size, corrected);
    if (version <= PREF_HOST_SAVE_VERSION_LIMIT || !key)
        return HostSave(tag, key, buffer, size, corrected);

    const twobyte cmper = KeyWord(key, 0);
    PREFERENCE_LOCATION_MAPRECORD* table = nullptr;
    twobyte count = 0;
    if (mapPrefStruct(tag, cmper, &table, &count)) {
        // The whole structure must be there: a shorter buffer would be read past its end.
        if (!buffer || size < PrefStructSize(table, count)) return 0;
        return SavePrefStruct(table, count, buffer) ? 1 : 0;
    }

    EXTAG chunkTag = 0;
    twobyte firstInci = 0;
    if (mapPrefTag(tag, cmper, &chunkTag, &count, &firstInci) != 0) {
        if (!buffer || size < count * PREF_CHUNK_SIZE) return 0;
        const auto* bytes = static_cast<const unsigned char*>(buffer);
        bool allSaved = true;
        for (twobyte i = 0; i < count; ++i) {
            if (!SaveChunk(chunkTag,
                           ChunkKey(PREF_CHUNK_CMPER, static_cast<twobyte>(firstInci + i)),
                           bytes + i * PREF_CHUNK_SIZE))
                allSaved = false;
        }
        return allSaved ? 1 : 0;
    }

    return HostSave(tag, key, buffer, size, corrected);
}

twobyte FX_CreateEData(EXTAG tag, void* key, void* buffer, fourbyte size, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_CreateEData"};
    EVERSION corrected = version;
    HandleEnigmaVersion(tag, size, corrected);
    return finalepdk::CallHostFunction<twobyte, FX_CreateEData_HostFn>(binding, tag, key, buffer,
                                                                       size, corrected);
}

twobyte FX_DeleteEData(EXTAG tag, void* key, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_DeleteEData"};
    return finalepdk::CallHostFunction<twobyte, FX_DeleteEData_HostFn>(binding, tag, key, version);
}

twobyte FX_NextEData(EXTAG tag, void* key, void* buffer, fourbyte size, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_NextEData"};
    EVERSION corrected = version;
    HandleEnigmaVersion(tag, size, corrected);
    return finalepdk::CallHostFunction<twobyte, FX_NextEData_HostFn>(binding, tag, key, buffer,
                                                                     size, corrected);
}

twobyte FX_PreviousEData(EXTAG tag, void* key, void* buffer, fourbyte size, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_PreviousEData"};
    EVERSION corrected = version;
    HandleEnigmaVersion(tag, size, corrected);
    return finalepdk::CallHostFunction<twobyte, FX_PreviousEData_HostFn>(binding, tag, key, buffer,
                                                                         size, corrected);
}
