// The stand-in host's store of frames: the entries of every (staff, measure, layer) of a
// document, in key order, with a hash index for exact look-ups.
#pragma once

#include "finalepdk/WireRecords.h"

#include <compare>
#include <cstdint>
#include <map>
#include <stdexcept>
#include <unordered_map>
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
        auto it = index_.find(Packed(key));
        return it == index_.end() ? map_.end() : it->second;
    }
    const_iterator find(const FrameKey& key) const {
        auto it = index_.find(Packed(key));
        return it == index_.end() ? map_.end() : const_iterator(it->second);
    }
    size_t count(const FrameKey& key) const { return index_.count(Packed(key)); }
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
        index_.emplace(Packed(key), it);
        return {it, true};
    }
    /// As emplace, with `hint` the place in key order where the new frame goes (as for the map).
    iterator emplace_hint(const_iterator hint, const FrameKey& key, mapped_type entries) {
        if (auto it = find(key); it != end()) return it;
        auto it = map_.emplace_hint(hint, key, std::move(entries));
        index_.emplace(Packed(key), it);
        return it;
    }
    iterator erase(const_iterator frame) {
        index_.erase(Packed(frame->first));
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
        index_.clear();
    }

private:
    static uint64_t Packed(const FrameKey& key) {
        return (static_cast<uint64_t>(static_cast<uint16_t>(key.staff)) << 32) |
               (static_cast<uint64_t>(static_cast<uint16_t>(key.measure)) << 16) |
               static_cast<uint16_t>(key.layer);
    }
    void Reindex() {
        index_.clear();
        index_.reserve(map_.size());
        for (auto it = map_.begin(); it != map_.end(); ++it)
            index_.emplace(Packed(it->first), it);
    }

    Map map_;
    std::unordered_map<uint64_t, iterator> index_;
};

} // namespace host
