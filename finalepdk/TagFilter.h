// A set of record tags in 64 bits, for the look-ups that search a table of tags on every call:
// a tag whose bit is clear is in none of the table's rows, and the search is skipped.
#pragma once

#include "finalepdk/WireRecords.h"

#include <cstdint>

namespace finalepdk {

/// The bit of `tag`: one of 64, from all four of its characters.
constexpr uint64_t TagBit(EXTAG tag) {
    const auto t = static_cast<uint32_t>(tag);
    return uint64_t{1} << ((t ^ (t >> 8) ^ (t >> 16) ^ (t >> 24)) & 63u);
}

/// The bits of every tag that `tagsOf(row)` gives for the rows of `table` (a zero tag adds none).
template <typename Row, size_t N, typename TagsOf>
constexpr uint64_t TagBits(const Row (&table)[N], TagsOf tagsOf) {
    uint64_t bits = 0;
    for (const Row& row : table)
        for (EXTAG tag : tagsOf(row))
            if (tag != 0) bits |= TagBit(tag);
    return bits;
}

/// Whether `tag` may be among the tags whose bits are `bits`.
constexpr bool MayBeAmong(uint64_t bits, EXTAG tag) {
    return (bits & TagBit(tag)) != 0;
}

} // namespace finalepdk
