#include "host/TextRecords.h"

#include <algorithm>
#include <cstring>

namespace host {
namespace {

template <typename T> void Put(std::vector<unsigned char>& bytes, size_t offset, T value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

twobyte Word(const RecordKey& key, int index) {
    twobyte word;
    std::memcpy(&word, key.key.data() + 2 * index, sizeof word);
    return word;
}

} // namespace

RecordKey WordKey(EXTAG tag, twobyte w0, twobyte w1, twobyte w2) {
    RecordKey key;
    key.tag = tag;
    const twobyte words[3] = {w0, w1, w2};
    std::memcpy(key.key.data(), words, sizeof words);
    return key;
}

twobyte NextFreeItem(const Document& document, EXTAG tag) {
    twobyte highest = 0;
    for (auto it = document.records.lower_bound(RecordKey{tag, {}});
         it != document.records.end() && it->first.tag == tag; ++it)
        highest = std::max(highest, Word(it->first, 0));
    return static_cast<twobyte>(highest + 1);
}

twobyte CountIncis(const Document& document, EXTAG tag, twobyte item) {
    twobyte count = 0;
    while (document.records.count(WordKey(tag, item, count)) > 0)
        ++count;
    return count;
}

void WriteTextBlock(Document& document, twobyte number, const std::string& text,
                    bool expressionText) {
    const EXTAG rawTag = expressionText ? TAG_RAWTEXT_EXPRESSION : TAG_RAWTEXT_BLOCK;
    std::vector<unsigned char> characters(text.begin(), text.end());
    characters.push_back(0);
    document.records[WordKey(rawTag, number)] = std::move(characters);

    std::vector<unsigned char> block(TEXTBLOCK_RECORD_SIZE, 0);
    Put<twobyte>(block, 0, number);
    Put<twobyte>(block, 8, 100);
    Put<utwobyte>(block, 14, 0x1A08);
    Put<utwobyte>(block, 24, expressionText ? 0x7870 : 0x626C);
    document.records[WordKey(TAG_TEXTBLOCK, number)] = std::move(block);
}

std::string ReadRawText(const Document& document, EXTAG tag, twobyte number) {
    auto it = document.records.find(WordKey(tag, number));
    if (it == document.records.end()) return {};
    const auto& bytes = it->second;
    const auto end = std::find(bytes.begin(), bytes.end(), 0);
    return std::string(bytes.begin(), end);
}

} // namespace host
