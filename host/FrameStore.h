// The stand-in host's store of frames: the entries of every (staff, measure, layer) of a
// document, in key order, with a hash index for exact look-ups.
#pragma once

#include "finalepdk/WireRecords.h"

#include <compare>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <utility>
#include <vector>

namespace host {

/// Where the entries of one frame live: staff number, measure and 0-based layer.
struct FrameKey {
    twobyte staff = 0;
    twobyte measure = 0;
    twobyte layer = 0;
    auto operator<=>(const FrameKey&) const = default;
};

/// The frames of a document: a map from key to entries, ordered by staff, measure and layer,
/// which answers exact look-ups from a hash index. Every load and save of a frame looks its key
/// up, and a large score holds hundreds of thousands of frames, so the index spares each of them
/// a walk down the tree. Walking, ranges and reading are the map's own; every change goes through
/// the operations below, which keep the index true.
class FrameStore {
    using Map = std::map<FrameKey, std::vector<EXENTRY>>;

public:
    using key_type = Map::key_type;
    using mapped_type = Map::mapped_type;
    using value_type = Map::value_type;
    using iterator = Map::iterator;
    using const_iterator = Map::const_iterator;

    FrameStore() = default;
    // A copy indexes its own map; a move takes the index with the map it points into.
    FrameStore(const FrameStore& other) : map_(other.map_) { Reindex(); }
    FrameStore(FrameStore&&) noexcept = default;
    FrameStore& operator=(const FrameStore& other) { return *this = FrameStore(other); }
    FrameStore& operator=(FrameStore&&) noexcept = default;

    iterator begin() { return map_.begin(); }
    iterator end() { return map_.end(); }
    const_iterator begin() const { return map_.begin(); }
    const_iterator end() const { return map_.end(); }
    size_t size() const { return map_.size(); }
    bool empty() const { return map_.empty(); }

    iterator find(const FrameKey& key) {
        iterator* found = index_.Find(Packed(key));
        return found ? *found : map_.end();
    }
    const_iterator find(const FrameKey& key) const {
        const iterator* found = index_.Find(Packed(key));
        return found ? const_iterator(*found) : map_.end();
    }
    size_t count(const FrameKey& key) const { return index_.Count(Packed(key)); }
    iterator lower_bound(const FrameKey& key) { return map_.lower_bound(key); }
    const_iterator lower_bound(const FrameKey& key) const { return map_.lower_bound(key); }
    iterator upper_bound(const FrameKey& key) { return map_.upper_bound(key); }
    const_iterator upper_bound(const FrameKey& key) const { return map_.upper_bound(key); }
    mapped_type& at(const FrameKey& key) {
        auto it = find(key);
        if (it == end()) throw std::out_of_range("FrameStore::at: no frame under this key");
        return it->second;
    }
    const mapped_type& at(const FrameKey& key) const {
        auto it = find(key);
        if (it == end()) throw std::out_of_range("FrameStore::at: no frame under this key");
        return it->second;
    }

    /// The entries under `key`, made empty when there are none.
    mapped_type& operator[](const FrameKey& key) { return emplace(key, mapped_type{}).first->second; }
    std::pair<iterator, bool> emplace(const FrameKey& key, mapped_type entries) {
        if (auto it = find(key); it != end()) return {it, false};
        auto it = map_.emplace_hint(map_.lower_bound(key), key, std::move(entries));
        index_.Insert(Packed(key), it);
        return {it, true};
    }
    /// As emplace, with `hint` the place in key order where the new frame goes (as for the map).
    iterator emplace_hint(const_iterator hint, const FrameKey& key, mapped_type entries) {
        if (auto it = find(key); it != end()) return it;
        auto it = map_.emplace_hint(hint, key, std::move(entries));
        index_.Insert(Packed(key), it);
        return it;
    }
    iterator erase(const_iterator frame) {
        index_.Erase(Packed(frame->first));
        return map_.erase(frame);
    }
    iterator erase(iterator frame) { return erase(const_iterator(frame)); }
    size_t erase(const FrameKey& key) {
        auto it = find(key);
        if (it == end()) return 0;
        erase(it);
        return 1;
    }
    void clear() {
        map_.clear();
        index_.Clear();
    }

private:
    static uint64_t Packed(const FrameKey& key) {
        return (static_cast<uint64_t>(static_cast<uint16_t>(key.staff)) << 32) |
               (static_cast<uint64_t>(static_cast<uint16_t>(key.measure)) << 16) |
               static_cast<uint16_t>(key.layer);
    }
    void Reindex() {
        index_.Clear();
        index_.Reserve(map_.size());
        for (auto it = map_.begin(); it != map_.end(); ++it)
            index_.Insert(Packed(it->first), it);
    }

    /// The hash index: open addressing in one array, so that making, growing and dropping it
    /// are single allocations rather than one node per frame. Neighbouring measures of a staff
    /// and layer mostly hash to neighbouring slots, as the frames a load or save asks for in turn
    /// do (see Home).
    class Index {
    public:
        iterator* Find(uint64_t key) {
            if (slots_.empty()) return nullptr;
            for (size_t at = Home(key);; at = Next(at)) {
                if (slots_[at].key == key) return &slots_[at].frame;
                if (slots_[at].key == EMPTY) return nullptr;
            }
        }
        const iterator* Find(uint64_t key) const { return const_cast<Index*>(this)->Find(key); }
        size_t Count(uint64_t key) const { return Find(key) ? 1 : 0; }
        /// `key` must not be held yet.
        void Insert(uint64_t key, iterator frame) {
            if ((count_ + 1) * 2 > slots_.size()) Grow(count_ + 1);
            size_t at = Home(key);
            while (slots_[at].key != EMPTY)
                at = Next(at);
            slots_[at] = Slot{key, frame};
            ++count_;
        }
        void Erase(uint64_t key) {
            if (slots_.empty()) return;
            size_t hole = Home(key);
            while (slots_[hole].key != key) {
                if (slots_[hole].key == EMPTY) return;
                hole = Next(hole);
            }
            // Later slots of the run move back into the hole where their home allows it, so that
            // no look-up stops short at an empty slot before its key.
            for (size_t at = Next(hole); slots_[at].key != EMPTY; at = Next(at)) {
                const size_t home = Home(slots_[at].key);
                const bool homeAfterHole = hole <= at ? (home > hole && home <= at)
                                                      : (home > hole || home <= at);
                if (homeAfterHole) continue;
                slots_[hole] = slots_[at];
                hole = at;
            }
            slots_[hole].key = EMPTY;
            --count_;
        }
        void Clear() {
            slots_.clear();
            count_ = 0;
        }
        void Reserve(size_t count) {
            if (count * 2 > slots_.size()) Grow(count);
        }

    private:
        // Packed keys use 48 bits: this one is no key.
        static constexpr uint64_t EMPTY = ~uint64_t{0};
        static constexpr unsigned GROUP = 8;
        struct Slot {
            uint64_t key = EMPTY;
            iterator frame{};
        };
        /// Eight neighbouring measures of a staff and layer share a group and lie side by side
        /// in it; the groups themselves are scattered by a full mix of the rest of the key. A
        /// staff's run of measures laid out whole would run into another staff's run at some
        /// table sizes, and linear probing would then walk the merged run on every look-up.
        size_t Home(uint64_t key) const {
            constexpr uint64_t IN_GROUP = uint64_t{GROUP - 1} << 16;
            uint64_t group = key & ~IN_GROUP;
            group ^= group >> 33;
            group *= 0xFF51AFD7ED558CCDull;
            group ^= group >> 33;
            group *= 0xC4CEB9FE1A85EC53ull;
            group ^= group >> 33;
            return static_cast<size_t>(group * GROUP + ((key & IN_GROUP) >> 16)) &
                   (slots_.size() - 1);
        }
        size_t Next(size_t at) const { return (at + 1) & (slots_.size() - 1); }
        void Grow(size_t count) {
            size_t size = 16;
            while (size < count * 2)
                size *= 2;
            std::vector<Slot> old(size);
            old.swap(slots_);
            count_ = 0;
            for (const Slot& slot : old)
                if (slot.key != EMPTY) Insert(slot.key, slot.frame);
        }

        std::vector<Slot> slots_;
        size_t count_ = 0;
    };

    Map map_;
    Index index_;
};

} // namespace host
