#include "host/EntryDetails.h"

#include <cstring>

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

} // namespace

RecordStore DetailsOfEntry(const Document& document, fourbyte entryNumber) {
    RecordStore found;
    for (EXTAG tag : DETAIL_TAGS)
        for (auto it = document.records.lower_bound(DetailKey(tag, entryNumber));
             it != document.records.end() && IsDetailOf(it->first, tag, entryNumber); ++it)
            found.emplace(it->first, it->second);
    return found;
}

bool HasDetails(const Document& document, fourbyte entryNumber) {
    for (EXTAG tag : DETAIL_TAGS) {
        auto it = document.records.lower_bound(DetailKey(tag, entryNumber));
        if (it != document.records.end() && IsDetailOf(it->first, tag, entryNumber)) return true;
    }
    return false;
}

bool SameDetails(const Document& a, const Document& b, fourbyte entryNumber) {
    for (EXTAG tag : DETAIL_TAGS) {
        auto itA = a.records.lower_bound(DetailKey(tag, entryNumber));
        auto itB = b.records.lower_bound(DetailKey(tag, entryNumber));
        for (;; ++itA, ++itB) {
            const bool moreA = itA != a.records.end() && IsDetailOf(itA->first, tag, entryNumber);
            const bool moreB = itB != b.records.end() && IsDetailOf(itB->first, tag, entryNumber);
            if (moreA != moreB) return false;
            if (!moreA) break;
            if (itA->first != itB->first || itA->second != itB->second) return false;
        }
    }
    return true;
}

void CopyDetails(const Document& from, Document& to, fourbyte entryNumber) {
    for (EXTAG tag : DETAIL_TAGS)
        for (auto it = from.records.lower_bound(DetailKey(tag, entryNumber));
             it != from.records.end() && IsDetailOf(it->first, tag, entryNumber); ++it)
            to.records.insert_or_assign(it->first, it->second);
}

void EraseDetailsOfEntry(Document& document, fourbyte entryNumber) {
    for (EXTAG tag : DETAIL_TAGS) {
        auto first = document.records.lower_bound(DetailKey(tag, entryNumber));
        auto last = first;
        while (last != document.records.end() && IsDetailOf(last->first, tag, entryNumber))
            ++last;
        document.records.erase(first, last);
    }
}

} // namespace host
