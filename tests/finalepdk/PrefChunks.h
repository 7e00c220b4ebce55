// Helpers for the record transport tests: preference chunks in a stand-in document, read back
// from it, and structure fields in a byte buffer.
#pragma once

#include "finalepdk/PdkTypes.h"
#include "host/Builder.h"
#include "host/Document.h"

#include <array>
#include <cstring>
#include <optional>
#include <vector>

namespace pref_test {

using Words = std::array<twobyte, 6>;

/// Six recognisable words: base, base + 1, ..., base + 5 (0x1600 gives 0x1600 to 0x1605).
inline Words Marked(int base) {
    Words words{};
    for (int i = 0; i < 6; ++i)
        words[static_cast<size_t>(i)] = static_cast<twobyte>(base + i);
    return words;
}

inline std::vector<unsigned char> Bytes(const Words& words) {
    std::vector<unsigned char> bytes(sizeof words);
    std::memcpy(bytes.data(), words.data(), sizeof words);
    return bytes;
}

/// The tag of chunk "ot" + two characters.
constexpr EXTAG Ot(const char (&chars)[3]) {
    return MakeExTag('o', 't', chars[0], chars[1]);
}

/// Puts chunk ot<chars> with cmper (-2 by default) and inci into the document.
inline host::DocumentBuilder& Chunk(host::DocumentBuilder& builder, const char (&chars)[3],
                                    const Words& words, twobyte inci = 0, twobyte cmper = -2) {
    return builder.Record(Ot(chars), cmper, inci, 0, Bytes(words));
}

/// The bytes stored under tag and key words (w0, w1, 0); nullopt when there is no such record.
inline std::optional<std::vector<unsigned char>> StoredBytes(const host::Document& document,
                                                             EXTAG tag, twobyte w0, twobyte w1) {
    host::RecordKey key;
    key.tag = tag;
    const twobyte words[3] = {w0, w1, 0};
    std::memcpy(key.key.data(), words, sizeof words);
    auto it = document.records.find(key);
    if (it == document.records.end()) return std::nullopt;
    return it->second;
}

/// The words of chunk ot<chars>; nullopt when the document lacks it.
inline std::optional<Words> StoredChunk(const host::Document& document, const char (&chars)[3],
                                        twobyte inci = 0, twobyte cmper = -2) {
    auto bytes = StoredBytes(document, Ot(chars), cmper, inci);
    if (!bytes || bytes->size() != sizeof(Words)) return std::nullopt;
    Words words;
    std::memcpy(words.data(), bytes->data(), sizeof words);
    return words;
}

/// A record key block: cmper, inci and two zero words.
struct Key {
    twobyte words[4] = {0, 0, 0, 0};
    Key(twobyte cmper = 0, twobyte inci = 0) : words{cmper, inci, 0, 0} {}
    void* Address() { return words; }
};

/// One field of a structure as a test expects it.
struct Field {
    int offset;
    int size; // 2 or 4
    fourbyte value;
};

inline fourbyte ReadField(const std::vector<unsigned char>& buffer, int offset, int size) {
    if (size == 4) {
        fourbyte value;
        std::memcpy(&value, buffer.data() + offset, sizeof value);
        return value;
    }
    twobyte value;
    std::memcpy(&value, buffer.data() + offset, sizeof value);
    return value;
}

inline void WriteField(std::vector<unsigned char>& buffer, int offset, int size, fourbyte value) {
    if (size == 4) {
        std::memcpy(buffer.data() + offset, &value, sizeof value);
    } else {
        const auto word = static_cast<twobyte>(value);
        std::memcpy(buffer.data() + offset, &word, sizeof word);
    }
}

} // namespace pref_test
