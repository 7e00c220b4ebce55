// Host functions of the record store: data records by tag and 8-byte key.
//
// A key is read as three 16-bit words (bytes 6 and 7 are never part of an address). For entry
// details, bytes 0-3 are the entry number and word 2 the record number. Records of one tag are
// ordered by their words as unsigned numbers (entry details: by entry number, then record
// number); FX_NextEData and FX_PreviousEData step in that order. Deleting an entry detail moves
// the later details of the same entry and tag down by one, so their record numbers stay
// consecutive from 0. Records of computed tags (host/StaffRecords.h) are answered, never stored.
#include "host/EntryDetails.h"
#include "host/Host.h"
#include "host/HostFunctions.h"
#include "host/StaffRecords.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <vector>

namespace host::fx {
namespace {

constexpr uint16_t CHOOSE_WORD = 0xFFFF;

RecordKey MakeKey(EXTAG tag, const void* keyBlock) {
    RecordKey key;
    key.tag = tag;
    std::memcpy(key.key.data(), keyBlock, 6);
    return key;
}

uint16_t Word(const RecordKey& key, int index) {
    uint16_t word;
    std::memcpy(&word, key.key.data() + 2 * index, sizeof word);
    return word;
}

void SetWord(RecordKey& key, int index, uint16_t value) {
    std::memcpy(key.key.data() + 2 * index, &value, sizeof value);
}

/// The record of the same tag next after (forward) or before `key` in the host's order.
std::optional<RecordKey> Neighbour(const Document& document, const RecordKey& key, bool forward) {
    const uint64_t rank = RecordRank(key);
    const RecordStore& records = document.records;
    if (forward) {
        auto it = records.upper_bound(key);
        while (it != records.end() && it->first.tag == key.tag && RecordRank(it->first) == rank)
            ++it;
        if (it == records.end() || it->first.tag != key.tag) return std::nullopt;
        return it->first;
    }
    for (auto it = records.lower_bound(key); it != records.begin();) {
        --it;
        if (it->first.tag != key.tag) break;
        if (RecordRank(it->first) < rank) return it->first;
    }
    return std::nullopt;
}

/// True when `a` and `b` agree on their first `words` key words.
bool SamePrefix(const RecordKey& a, const RecordKey& b, int words) {
    return std::memcmp(a.key.data(), b.key.data(), 2 * static_cast<size_t>(words)) == 0;
}

bool Exists(const Document& document, const RecordKey& key) {
    return document.records.count(key) > 0;
}

/// Fills in the key words the caller left to the host (-1): the first of them gets the lowest free
/// number (from 1 for word 0, from 0 for the others) among records agreeing on the words before
/// it; any later one gets 0. Entry details choose only their record number.
bool ChooseFreeNumbers(const Document& document, RecordKey& key) {
    const int firstChoosable = IsEntryDetailTag(key.tag) ? 2 : 0;
    int chosen = -1;
    for (int w = firstChoosable; w < 3; ++w) {
        if (Word(key, w) != CHOOSE_WORD) continue;
        if (chosen < 0) {
            chosen = w;
        } else {
            SetWord(key, w, 0);
        }
    }
    if (chosen < 0) return !Exists(document, key);

    // The records agreeing on the words before the chosen one are one run of the store, in
    // ascending order of the chosen word: the lowest free number is the first gap in the run.
    RecordKey first = key;
    for (int w = chosen; w < 4; ++w)
        SetWord(first, w, 0);
    uint32_t value = chosen == 0 ? 1 : 0;
    for (auto it = document.records.lower_bound(first); it != document.records.end() &&
                                                         it->first.tag == key.tag &&
                                                         SamePrefix(it->first, key, chosen);
         ++it) {
        const uint16_t word = Word(it->first, chosen);
        if (word > value) break;
        if (word == value) ++value;
    }
    if (value >= CHOOSE_WORD) return false;
    SetWord(key, chosen, static_cast<uint16_t>(value));
    return !Exists(document, key);
}

void WriteKeyBack(const RecordKey& key, void* keyBlock) { std::memcpy(keyBlock, key.key.data(), 6); }

} // namespace

int32_t WINAPI FX_LoadEData(EXTAG tag, void* keyBlock, void* buffer, fourbyte* size,
                            EVERSION version) {
    if (EnterCall("FX_LoadEData", version, tag, keyBlock, buffer, size ? *size : -1)) return 0;
    Document* document = Host::Instance().Current();
    if (!document || !keyBlock || !size) return 0;
    std::vector<unsigned char> computed;
    const std::vector<unsigned char>* record = nullptr;
    if (IsComputedRecordTag(tag)) {
        if (!ComputeRecord(*document, tag, keyBlock, computed)) return 0;
        record = &computed;
    } else {
        auto it = document->records.find(MakeKey(tag, keyBlock));
        if (it == document->records.end()) return 0;
        record = &it->second;
    }
    const fourbyte stored = static_cast<fourbyte>(record->size());
    if (!buffer) {
        *size = stored;
        return 1;
    }
    const fourbyte delivered = std::min(std::max(*size, 0), stored);
    // An empty record has no storage to copy from.
    if (delivered > 0) std::memcpy(buffer, record->data(), static_cast<size_t>(delivered));
    *size = delivered;
    return 1;
}

int32_t WINAPI FX_SaveEData(EXTAG tag, void* keyBlock, void* buffer, fourbyte size,
                            EVERSION version) {
    if (EnterCall("FX_SaveEData", version, tag, keyBlock, buffer, size)) return 0;
    Document* document = Host::Instance().Current();
    if (!document || !keyBlock || !buffer || size <= 0 || IsComputedRecordTag(tag)) return 0;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    document->records[MakeKey(tag, keyBlock)].assign(bytes, bytes + size);
    return 1;
}

int32_t WINAPI FX_CreateEData(EXTAG tag, void* keyBlock, void* buffer, fourbyte size,
                              EVERSION version) {
    if (EnterCall("FX_CreateEData", version, tag, keyBlock, buffer, size)) return 0;
    Document* document = Host::Instance().Current();
    if (!document || !keyBlock || !buffer || size <= 0 || IsComputedRecordTag(tag)) return 0;
    RecordKey key = MakeKey(tag, keyBlock);
    if (!ChooseFreeNumbers(*document, key)) return 0;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    document->records[key].assign(bytes, bytes + size);
    WriteKeyBack(key, keyBlock);
    return 1;
}

namespace {

/// The record numbers of an entry's details of one kind stay consecutive: the details after a
/// deleted one move down by one.
void CloseDetailGap(Document& document, const RecordKey& deleted) {
    const uint16_t removed = Word(deleted, 2);
    if (removed == UINT16_MAX) return; // nothing can come after the last record number
    const fourbyte entryNumber = EntryNumberOfKey(deleted.key);
    RecordKey next = deleted;
    SetWord(next, 2, static_cast<uint16_t>(removed + 1));
    std::vector<RecordKey> later;
    for (auto it = document.records.lower_bound(next);
         it != document.records.end() && it->first.tag == deleted.tag &&
         EntryNumberOfKey(it->first.key) == entryNumber;
         ++it)
        later.push_back(it->first);
    // Lowest first, so that each moves into the place the one before it left.
    for (const RecordKey& key : later) {
        auto node = document.records.extract(key);
        SetWord(node.key(), 2, static_cast<uint16_t>(Word(key, 2) - 1));
        document.records.insert(std::move(node));
    }
}

} // namespace

int32_t WINAPI FX_DeleteEData(EXTAG tag, void* keyBlock, EVERSION version) {
    if (EnterCall("FX_DeleteEData", version, tag, keyBlock)) return 0;
    Document* document = Host::Instance().Current();
    if (!document || !keyBlock) return 0;
    const RecordKey key = MakeKey(tag, keyBlock);
    if (document->records.erase(key) == 0) return 0;
    if (IsEntryDetailTag(tag)) CloseDetailGap(*document, key);
    return 1;
}

namespace {

int32_t Step(EXTAG tag, void* keyBlock, void* buffer, fourbyte size, bool forward) {
    Document* document = Host::Instance().Current();
    if (!document || !keyBlock) return 0;
    auto next = Neighbour(*document, MakeKey(tag, keyBlock), forward);
    if (!next) return 0;
    WriteKeyBack(*next, keyBlock);
    const auto& bytes = document->records[*next];
    if (buffer && size > 0 && !bytes.empty())
        std::memcpy(buffer, bytes.data(), std::min(bytes.size(), static_cast<size_t>(size)));
    return 1;
}

} // namespace

int32_t WINAPI FX_NextEData(EXTAG tag, void* keyBlock, void* buffer, fourbyte size,
                            EVERSION version) {
    if (EnterCall("FX_NextEData", version, tag, keyBlock, buffer, size)) return 0;
    return Step(tag, keyBlock, buffer, size, true);
}

int32_t WINAPI FX_PreviousEData(EXTAG tag, void* keyBlock, void* buffer, fourbyte size,
                                EVERSION version) {
    if (EnterCall("FX_PreviousEData", version, tag, keyBlock, buffer, size)) return 0;
    return Step(tag, keyBlock, buffer, size, false);
}

} // namespace host::fx
