#include "host/RecordStore.h"

#include <tuple>

namespace host {

namespace {

/// Entry numbers below this are indexed in a flat array: the host numbers entries from 1 on.
constexpr fourbyte DENSE_LIMIT = 1 << 22;

fourbyte EntryNumberOf(const RecordKey& key) {
    fourbyte number;
    std::memcpy(&number, key.key.data(), sizeof number);
    return number;
}

} // namespace

uint8_t RecordStore::KindBit(EXTAG tag) {
    switch (tag) {
    case TAG_TUPLET: return 1;
    case TAG_ARTICULATION: return 2;
    case TAG_DOTMOD: return 4;
    default: return 0;
    }
}

bool RecordStore::MayHold(const RecordKey& key) const {
    const uint8_t bit = KindBit(key.tag);
    return !bit || (KindsUnder(EntryNumberOf(key)) & bit) != 0;
}

uint8_t RecordStore::KindsUnder(fourbyte entryNumber) const {
    if (entryNumber >= 0 && entryNumber < DENSE_LIMIT) {
        const auto index = static_cast<size_t>(entryNumber);
        return index < denseKinds_.size() ? denseKinds_[index] : 0;
    }
    auto it = sparseKinds_.find(entryNumber);
    return it == sparseKinds_.end() ? 0 : it->second;
}

void RecordStore::Noted(const RecordKey& key) {
    const uint8_t bit = KindBit(key.tag);
    if (!bit) return;
    const fourbyte number = EntryNumberOf(key);
    if (number >= 0 && number < DENSE_LIMIT) {
        const auto index = static_cast<size_t>(number);
        if (index >= denseKinds_.size()) denseKinds_.resize(index + index / 2 + 16, 0);
        denseKinds_[index] |= bit;
    } else {
        sparseKinds_[number] |= bit;
    }
}

void RecordStore::Dropped(const RecordKey& key) {
    const uint8_t bit = KindBit(key.tag);
    if (!bit || !(KindsUnder(EntryNumberOf(key)) & bit)) return;
    const fourbyte number = EntryNumberOf(key);
    // The records of one tag and entry number are one run of the map, from record number 0.
    RecordKey first{key.tag, {}};
    std::memcpy(first.key.data(), &number, sizeof number);
    auto it = map_.lower_bound(StoredKey(first));
    if (it != map_.end() && it->first.tag == key.tag && EntryNumberOf(it->first) == number) return;
    if (number >= 0 && number < DENSE_LIMIT) {
        denseKinds_[static_cast<size_t>(number)] &= static_cast<uint8_t>(~bit);
    } else if (auto kinds = sparseKinds_.find(number); kinds != sparseKinds_.end()) {
        kinds->second &= static_cast<uint8_t>(~bit);
        if (!kinds->second) sparseKinds_.erase(kinds);
    }
}

RecordStore::mapped_type& RecordStore::operator[](const RecordKey& key) {
    Noted(key);
    // Records are mostly stored in the order of their keys (the details of the entries a save
    // has just numbered, the records of a document being built): the map tries the places beside
    // the record stored last before it searches from the root.
    if (last_.known) {
        const RecordKey& last = last_.record->first;
        // Keys are equivalent in the store's order only when every byte is the same.
        if (last.tag == key.tag && last.key == key.key) return last_.record->second;
        // The map makes the node before it looks: for a key stored already (but not last) an
        // empty record is made and dropped again.
        last_.record = map_.emplace_hint(last_.record, std::piecewise_construct,
                                         std::forward_as_tuple(key), std::forward_as_tuple());
    } else {
        last_.record = map_.try_emplace(StoredKey(key)).first;
        last_.known = true;
    }
    return last_.record->second;
}

std::pair<RecordStore::iterator, bool> RecordStore::insert(const value_type& record) {
    Noted(record.first);
    return map_.insert(record);
}

RecordStore::insert_return_type RecordStore::insert(node_type&& node) {
    if (!node.empty()) {
        // The key may have been changed in place since the node left a store.
        node.key().UpdatePlace();
        Noted(node.key());
    }
    return map_.insert(std::move(node));
}

std::pair<RecordStore::iterator, bool> RecordStore::insert_or_assign(const RecordKey& key,
                                                                     const mapped_type& bytes) {
    Noted(key);
    return map_.insert_or_assign(StoredKey(key), bytes);
}

RecordStore::iterator RecordStore::erase(const_iterator record) {
    last_.known = false;
    const RecordKey key = record->first;
    auto next = map_.erase(record);
    Dropped(key);
    return next;
}

RecordStore::iterator RecordStore::erase(const_iterator first, const_iterator last) {
    last_.known = false;
    std::vector<RecordKey> keys;
    for (auto it = first; it != last; ++it)
        if (KindBit(it->first.tag)) keys.push_back(it->first);
    auto next = map_.erase(first, last);
    for (const RecordKey& key : keys)
        Dropped(key);
    return next;
}

size_t RecordStore::erase(const RecordKey& key) {
    last_.known = false;
    const size_t erased = map_.erase(StoredKey(key));
    if (erased) Dropped(key);
    return erased;
}

RecordStore::node_type RecordStore::extract(const RecordKey& key) {
    last_.known = false;
    node_type node = map_.extract(StoredKey(key));
    if (!node.empty()) Dropped(key);
    return node;
}

void RecordStore::clear() {
    map_.clear();
    last_.known = false;
    denseKinds_.clear();
    sparseKinds_.clear();
}

} // namespace host
