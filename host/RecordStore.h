// The stand-in host's store of data records: every record of a document by tag and key, in the
// order in which the host steps through them, with an index of the entry numbers that have
// details.
#pragma once

#include "finalepdk/WireRecords.h"

#include <array>
#include <compare>
#include <cstdint>
#include <cstring>
#include <map>
#include <utility>
#include <vector>

namespace host {

/// A data record's address: its tag and its 8-byte key block.
struct RecordKey {
    EXTAG tag = 0;
    std::array<unsigned char, 8> key{};
    auto operator<=>(const RecordKey&) const = default;
};

/// Entry details: records under an entry number (bytes 0-3 of the key) and a record number.
constexpr EXTAG TAG_TUPLET = 0x45035450;
constexpr EXTAG TAG_ARTICULATION = 0x6564494D; // edIM
constexpr EXTAG TAG_DOTMOD = 0x65644454;       // edDT

/// True for tags whose records hang under an entry number.
constexpr bool IsEntryDetailTag(EXTAG tag) {
    return tag == TAG_TUPLET || tag == TAG_ARTICULATION || tag == TAG_DOTMOD;
}

/// The position of a key within its tag, as a number that orders keys the way the host steps
/// through them: entry details by entry number (bytes 0-3, unsigned) and record number (word 2);
/// other records by words 0, 1 and 2, each unsigned.
inline uint64_t RecordRank(const RecordKey& key) {
    uint16_t words[3];
    std::memcpy(words, key.key.data(), sizeof words);
    if (IsEntryDetailTag(key.tag)) {
        uint32_t entry;
        std::memcpy(&entry, key.key.data(), sizeof entry);
        return (static_cast<uint64_t>(entry) << 16) | words[2];
    }
    return (static_cast<uint64_t>(words[0]) << 32) | (static_cast<uint64_t>(words[1]) << 16) |
           words[2];
}

/// Keeps records by tag, then in the host's own order (RecordRank), then by the last two key
/// bytes. Every record that shares a tag and the leading key words is thus one run of the store:
/// the details of an entry, the records of an item, and the neighbours of a key are found with a
/// lookup, not a walk over the tag.
struct RecordOrder {
    bool operator()(const RecordKey& a, const RecordKey& b) const {
        if (a.tag != b.tag) return a.tag < b.tag;
        const uint64_t rankA = RecordRank(a);
        const uint64_t rankB = RecordRank(b);
        if (rankA != rankB) return rankA < rankB;
        return std::memcmp(a.key.data() + 6, b.key.data() + 6, 2) < 0;
    }
};

/// The place of a key within its tag in RecordOrder, as one number: its RecordRank (at most 48
/// bits) above the last two key bytes, the first of them the higher.
inline uint64_t PlaceInTag(const RecordKey& key) {
    return (RecordRank(key) << 16) | (static_cast<uint64_t>(key.key[6]) << 8) | key.key[7];
}

/// A key as the store holds it: the key itself and its place within its tag, worked out once
/// when the key is made rather than twice at every comparison of a search. Every StoredKey made
/// or assigned works its place out from the key's fields, copies too, so a key changed in place
/// through its RecordKey part and then copied is placed by what it holds; the store works the
/// place out again for a key changed in place through a node handle before it takes the node
/// back.
class StoredKey : public RecordKey {
public:
    StoredKey(const RecordKey& key) : RecordKey(key), place_(PlaceInTag(key)) {} // NOLINT: implicit
    StoredKey(const StoredKey& key) : StoredKey(static_cast<const RecordKey&>(key)) {}
    StoredKey& operator=(const RecordKey& key) {
        RecordKey::operator=(key);
        place_ = PlaceInTag(key);
        return *this;
    }
    StoredKey& operator=(const StoredKey& key) { return *this = static_cast<const RecordKey&>(key); }
    ~StoredKey() = default;
    uint64_t Place() const { return place_; }
    /// Works the place out again from the key's fields.
    void UpdatePlace() { place_ = PlaceInTag(*this); }

private:
    uint64_t place_;
};

/// RecordOrder on stored keys: the tag, then the place within it.
struct StoredOrder {
    bool operator()(const StoredKey& a, const StoredKey& b) const {
        if (a.tag != b.tag) return a.tag < b.tag;
        return a.Place() < b.Place();
    }
};

/// The records of a document: a map from key to bytes in RecordOrder (held as StoredOrder on
/// StoredKey), which also knows, for every entry number, which kinds of entry details are stored
/// under it. Frames are loaded and saved far more often than details change, and each load or
/// save asks of every entry whether it has details: the index answers without a search of the
/// whole store. Reading is the map's own;
/// every change goes through the operations below, which keep the index true.
class RecordStore {
    using Map = std::map<StoredKey, std::vector<unsigned char>, StoredOrder>;

public:
    using key_type = Map::key_type;
    using mapped_type = Map::mapped_type;
    using value_type = Map::value_type;
    using iterator = Map::iterator;
    using const_iterator = Map::const_iterator;
    using node_type = Map::node_type;
    using insert_return_type = Map::insert_return_type;

    iterator begin() { return map_.begin(); }
    iterator end() { return map_.end(); }
    const_iterator begin() const { return map_.begin(); }
    const_iterator end() const { return map_.end(); }
    size_t size() const { return map_.size(); }
    bool empty() const { return map_.empty(); }
    /// Exact look-ups of an entry detail that the index rules out answer without a search.
    size_t count(const RecordKey& key) const { return find(key) == end() ? 0 : 1; }
    iterator find(const RecordKey& key) {
        return MayHold(key) ? map_.find(StoredKey(key)) : map_.end();
    }
    const_iterator find(const RecordKey& key) const {
        return MayHold(key) ? map_.find(StoredKey(key)) : map_.end();
    }
    iterator lower_bound(const RecordKey& key) { return map_.lower_bound(StoredKey(key)); }
    const_iterator lower_bound(const RecordKey& key) const {
        return map_.lower_bound(StoredKey(key));
    }
    iterator upper_bound(const RecordKey& key) { return map_.upper_bound(StoredKey(key)); }
    const_iterator upper_bound(const RecordKey& key) const {
        return map_.upper_bound(StoredKey(key));
    }
    mapped_type& at(const RecordKey& key) { return map_.at(StoredKey(key)); }
    const mapped_type& at(const RecordKey& key) const { return map_.at(StoredKey(key)); }
    bool operator==(const RecordStore& other) const { return map_ == other.map_; }

    /// The record under `key`, made empty when there is none.
    mapped_type& operator[](const RecordKey& key);
    std::pair<iterator, bool> insert(const value_type& record);
    template <typename It> void insert(It first, It last) {
        for (; first != last; ++first)
            insert(*first);
    }
    insert_return_type insert(node_type&& node);
    std::pair<iterator, bool> insert_or_assign(const RecordKey& key, const mapped_type& bytes);
    iterator erase(const_iterator record);
    iterator erase(const_iterator first, const_iterator last);
    size_t erase(const RecordKey& key);
    node_type extract(const RecordKey& key);
    void clear();

    /// Whether any entry detail (tuplet, articulation, dot modification) is stored under
    /// `entryNumber`.
    bool HasDetails(fourbyte entryNumber) const { return KindsUnder(entryNumber) != 0; }
    /// Whether a record of `tag`, an entry detail tag, is stored under `entryNumber`.
    bool HasDetail(EXTAG tag, fourbyte entryNumber) const {
        return (KindsUnder(entryNumber) & KindBit(tag)) != 0;
    }

private:
    /// False when `key` is an entry detail's and the index has no detail of its kind under its
    /// entry number.
    bool MayHold(const RecordKey& key) const;
    /// One bit per entry detail tag; 0 for other tags.
    static uint8_t KindBit(EXTAG tag);
    uint8_t KindsUnder(fourbyte entryNumber) const;
    /// Marks the kind of `key`'s record as present under its entry number.
    void Noted(const RecordKey& key);
    /// After the record under `key` went: clears its kind where no record of it is left.
    void Dropped(const RecordKey& key);

    Map map_;
    /// Kinds of details by entry number for the numbers the host gives (from 1, densely); other
    /// numbers, which only hand-made documents have, in `sparseKinds_`.
    std::vector<uint8_t> denseKinds_;
    std::map<fourbyte, uint8_t> sparseKinds_;
    /// The record stored last through operator[], when there is one to go by. A copy or a move
    /// of the store starts without one, and a store moved from is left without one: it would
    /// point into the other store's map.
    struct LastStored {
        LastStored() = default;
        LastStored(const LastStored&) {}
        LastStored(LastStored&& other) noexcept { other.known = false; }
        LastStored& operator=(const LastStored&) {
            known = false;
            return *this;
        }
        LastStored& operator=(LastStored&& other) noexcept {
            known = other.known = false;
            return *this;
        }
        bool known = false;
        iterator record;
    };
    LastStored last_;
};

} // namespace host
