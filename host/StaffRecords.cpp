#include "host/StaffRecords.h"

#include <cstring>

namespace host {
namespace {

template <typename T> T KeyValue(const void* keyBlock, size_t offset) {
    T value;
    std::memcpy(&value, static_cast<const unsigned char*>(keyBlock) + offset, sizeof value);
    return value;
}

/// Orders two points of the music: measure first, then position.
bool NotAfter(twobyte measureA, fourbyte posA, twobyte measureB, fourbyte posB) {
    return measureA < measureB || (measureA == measureB && posA <= posB);
}

bool StaffSpec(const Document& document, const void* keyBlock, std::vector<unsigned char>& out) {
    const twobyte staff = KeyValue<twobyte>(keyBlock, 0);
    const twobyte measure = KeyValue<twobyte>(keyBlock, 2);
    const fourbyte position = KeyValue<fourbyte>(keyBlock, 4);
    if (measure < 1 || static_cast<size_t>(measure) > document.measures.size()) return false;
    auto it = document.records.find(StaffRecordKey(staff));
    if (it == document.records.end()) return false;
    out = it->second;
    if (out.size() < STAFF_RECORD_SIZE) out.resize(STAFF_RECORD_SIZE, 0);
    for (const StaffStyle& style : document.staffStyles) {
        if (style.staff != staff) continue;
        if (!NotAfter(style.startMeasure, style.startPos, measure, position)) continue;
        if (!NotAfter(measure, position, style.endMeasure, style.endPos)) continue;
        std::memcpy(out.data() + STAFF_TRANSPOSITION_OFFSET, &style.transposition,
                    sizeof style.transposition);
    }
    return true;
}

} // namespace

RecordKey StaffRecordKey(twobyte staff) {
    RecordKey key;
    key.tag = TAG_STAFF;
    std::memcpy(key.key.data(), &staff, sizeof staff);
    return key;
}

std::vector<unsigned char>& WriteStaffRecord(Document& document, twobyte staff) {
    std::vector<unsigned char>& bytes = document.records[StaffRecordKey(staff)];
    if (bytes.size() < STAFF_RECORD_SIZE) bytes.resize(STAFF_RECORD_SIZE, 0);
    return bytes;
}

bool IsComputedRecordTag(EXTAG tag) {
    return tag == TAG_STAFF_SPEC;
}

bool ComputeRecord(const Document& document, EXTAG tag, const void* keyBlock,
                   std::vector<unsigned char>& out) {
    if (!keyBlock) return false;
    if (tag == TAG_STAFF_SPEC) return StaffSpec(document, keyBlock, out);
    return false;
}

} // namespace host
