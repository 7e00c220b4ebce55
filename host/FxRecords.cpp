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

/// The position of a key within its tag, as a number that orders keys the host's way.
uint64_t Rank(const RecordKey& key) {
    if (IsEntryDetailTag(key.tag)) {
        const uint32_t entry = static_cast<uint32_t>(EntryNumberOfKey(key.key));
        return (static_cast<uint64_t>(entry) << 16) | Word(key, 2);
    }
    return (static_cast<uint64_t>(Word(key, 0)) << 32) |
           (static_cast<uint64_t>(Word(key, 1)) << 16) | Word(key, 2);
}

/// The record of the same tag next after (forward) or before `key` in key order.
std::optional<RecordKey> Neighbour(const Document& document, const RecordKey& key, bool forward) {
    std::optional<RecordKey> best;
    const uint64_t rank = Rank(key);
    for (auto it = document.records.lower_bound(RecordKey{key.tag, {}});
         it != document.records.end() && it->first.tag == key.tag; ++it) {
        const uint64_t candidate = Rank(it->first);
        if (forward ? candidate <= rank : candidate >= rank) continue;
        if (!best || (forward ? candidate < Rank(*best) : candidate > Rank(*best))) best = it->first;
    }
    return best;
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

    auto used = [&](uint16_t value) {
        for (auto it = document.records.lower_bound(RecordKey{key.tag, {}});
             it != document.records.end() && it->first.tag == key.tag; ++it) {
            bool samePrefix = true;
            for (int w = 0; w < chosen && samePrefix; ++w)
                samePrefix = Word(it->first, w) == Word(key, w);
            if (samePrefix && Word(it->first, chosen) == value) return true;
        }
        return false;
    };
    for (uint32_t value = chosen == 0 ? 1 : 0; value < CHOOSE_WORD; ++value) {
        if (!used(static_cast<uint16_t>(value))) {
            SetWord(key, chosen, static_cast<uint16_t>(value));
            return !Exists(document, key);
        }
    }
    return false;
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
    std::vector<RecordKey> later;
    for (auto it = document.records.lower_bound(RecordKey{deleted.tag, {}});
         it != document.records.end() && it->first.tag == deleted.tag; ++it) {
        if (EntryNumberOfKey(it->first.key) == EntryNumberOfKey(deleted.key) &&
            Word(it->first, 2) > removed)
            later.push_back(it->first);
    }
    std::sort(later.begin(), later.end(),
              [](const RecordKey& a, const RecordKey& b) { return Word(a, 2) < Word(b, 2); });
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
