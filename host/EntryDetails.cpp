#include "host/EntryDetails.h"

#include <cstring>

namespace host {

bool IsEntryDetailTag(EXTAG tag) {
    return tag == TAG_TUPLET || tag == TAG_ARTICULATION || tag == TAG_DOTMOD;
}

fourbyte EntryNumberOfKey(const std::array<unsigned char, 8>& key) {
    fourbyte number;
    std::memcpy(&number, key.data(), sizeof number);
    return number;
}

void SetEntryNumberOfKey(std::array<unsigned char, 8>& key, fourbyte entryNumber) {
    std::memcpy(key.data(), &entryNumber, sizeof entryNumber);
}

RecordStore DetailsOfEntry(const Document& document, fourbyte entryNumber) {
    RecordStore found;
    for (const auto& [key, bytes] : document.records)
        if (IsEntryDetailTag(key.tag) && EntryNumberOfKey(key.key) == entryNumber)
            found.emplace(key, bytes);
    return found;
}

void EraseDetailsOfEntry(Document& document, fourbyte entryNumber) {
    for (auto it = document.records.begin(); it != document.records.end();) {
        if (IsEntryDetailTag(it->first.tag) && EntryNumberOfKey(it->first.key) == entryNumber)
            it = document.records.erase(it);
        else
            ++it;
    }
}

} // namespace host
