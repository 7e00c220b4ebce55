#include "host/EntryDetails.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace host {

fourbyte EntryNumberOfKey(const std::array<unsigned char, 8>& key) {
    fourbyte number;
    std::memcpy(&number, key.data(), sizeof number);
    return number;
}

void SetEntryNumberOfKey(std::array<unsigned char, 8>& key, fourbyte entryNumber) {
    std::memcpy(key.data(), &entryNumber, sizeof entryNumber);
}

RecordKey DetailKey(EXTAG tag, fourbyte entryNumber, twobyte inci) {
    RecordKey key{tag, {}};
    SetEntryNumberOfKey(key.key, entryNumber);
    std::memcpy(key.key.data() + 4, &inci, sizeof inci);
    return key;
}

namespace {

constexpr EXTAG DETAIL_TAGS[] = {TAG_TUPLET, TAG_ARTICULATION, TAG_DOTMOD};

bool IsDetailOf(const RecordKey& key, EXTAG tag, fourbyte entryNumber) {
    return key.tag == tag && EntryNumberOfKey(key.key) == entryNumber;
}

/// The records of `tag` under `entryNumber`: one run of the store, which keeps them together.
template <typename Store>
auto DetailRange(Store& records, EXTAG tag, fourbyte entryNumber) {
    const auto first = records.lower_bound(DetailKey(tag, entryNumber));
    auto last = first;
    while (last != records.end() && IsDetailOf(last->first, tag, entryNumber))
        ++last;
    return std::pair{first, last};
}

} // namespace

RecordStore DetailsOfEntry(const Document& document, fourbyte entryNumber) {
    RecordStore found;
    for (EXTAG tag : DETAIL_TAGS) {
        const auto [first, last] = DetailRange(document.records, tag, entryNumber);
        found.insert(first, last);
    }
    return found;
}

bool HasDetails(const Document& document, fourbyte entryNumber) {
    return document.records.HasDetails(entryNumber);
}

bool SameDetails(const Document& a, const Document& b, fourbyte entryNumber) {
    for (EXTAG tag : DETAIL_TAGS) {
        const auto [firstA, lastA] = DetailRange(a.records, tag, entryNumber);
        const auto [firstB, lastB] = DetailRange(b.records, tag, entryNumber);
        if (!std::equal(firstA, lastA, firstB, lastB)) return false;
    }
    return true;
}

void CopyDetails(const Document& from, Document& to, fourbyte entryNumber) {
    for (EXTAG tag : DETAIL_TAGS) {
        const auto [first, last] = DetailRange(from.records, tag, entryNumber);
        for (auto it = first; it != last; ++it)
            to.records.insert_or_assign(it->first, it->second);
    }
}

void EraseDetailsOfEntry(Document& document, fourbyte entryNumber) {
    for (EXTAG tag : DETAIL_TAGS) {
        const auto [first, last] = DetailRange(document.records, tag, entryNumber);
        document.records.erase(first, last);
    }
}

} // namespace host
