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

std::set<fourbyte> EntriesWithOtherDetails(const Document& a, const Document& b) {
    std::set<fourbyte> differing;
    const RecordOrder before;
    for (EXTAG tag : DETAIL_TAGS) {
        // Both stores keep a tag's records in one order: one walk over the two.
        auto itA = a.records.lower_bound(RecordKey{tag, {}});
        auto itB = b.records.lower_bound(RecordKey{tag, {}});
        auto moreA = [&] { return itA != a.records.end() && itA->first.tag == tag; };
        auto moreB = [&] { return itB != b.records.end() && itB->first.tag == tag; };
        while (moreA() || moreB()) {
            if (!moreB() || (moreA() && before(itA->first, itB->first))) {
                differing.insert(EntryNumberOfKey(itA->first.key));
                ++itA;
            } else if (!moreA() || before(itB->first, itA->first)) {
                differing.insert(EntryNumberOfKey(itB->first.key));
                ++itB;
            } else {
                if (itA->second != itB->second) differing.insert(EntryNumberOfKey(itA->first.key));
                ++itA;
                ++itB;
            }
        }
    }
    return differing;
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
