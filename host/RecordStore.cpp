#include "host/RecordStore.h"

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
    auto it = map_.lower_bound(first);
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
    // has just numbered, the records of a document being built): the place after the record
    // stored last is tried before a search from the root.
    const RecordOrder less;
    if (last_.known) {
        const iterator last = last_.record;
        if (!less(key, last->first) && !less(last->first, key)) return last->second;
        if (less(last->first, key)) {
            const auto next = std::next(last);
            if (next == map_.end() || less(key, next->first)) {
                last_.record = map_.emplace_hint(next, key, mapped_type{});
                return last_.record->second;
            }
        }
    }
    last_.record = map_.try_emplace(key).first;
    last_.known = true;
    return last_.record->second;
}

std::pair<RecordStore::iterator, bool> RecordStore::insert(const value_type& record) {
    Noted(record.first);
    return map_.insert(record);
}

RecordStore::insert_return_type RecordStore::insert(node_type&& node) {
    if (!node.empty()) Noted(node.key());
    return map_.insert(std::move(node));
}

std::pair<RecordStore::iterator, bool> RecordStore::insert_or_assign(const RecordKey& key,
                                                                     const mapped_type& bytes) {
    Noted(key);
    return map_.insert_or_assign(key, bytes);
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
    const size_t erased = map_.erase(key);
    if (erased) Dropped(key);
    return erased;
}

RecordStore::node_type RecordStore::extract(const RecordKey& key) {
    last_.known = false;
    node_type node = map_.extract(key);
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
