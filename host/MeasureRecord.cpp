#include "host/MeasureRecord.h"

#include <cstring>

namespace host {
namespace {

template <typename T> void Put(std::vector<unsigned char>& bytes, size_t offset, T value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

template <typename T> T Get(const std::vector<unsigned char>& bytes, size_t offset) {
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

const std::vector<unsigned char>* FindRecord(const Document& document, twobyte measure) {
    auto it = document.records.find(MeasureRecordKey(measure));
    return it == document.records.end() ? nullptr : &it->second;
}

} // namespace

utwobyte StandardKeyValue(int accidentals, bool minor) {
    return static_cast<utwobyte>((minor ? 0x0100 : 0x0000) | (accidentals & 0xFF));
}

RecordKey MeasureRecordKey(twobyte measure) {
    RecordKey key;
    key.tag = TAG_MEASURE;
    std::memcpy(key.key.data(), &measure, sizeof measure);
    return key;
}

void WriteMeasureRecord(Document& document, twobyte measure) {
    if (measure < 1 || static_cast<size_t>(measure) > document.measures.size()) return;
    const Measure& source = document.measures[static_cast<size_t>(measure) - 1];
    std::vector<unsigned char>& bytes = document.records[MeasureRecordKey(measure)];
    if (bytes.size() < MEASURE_RECORD_SIZE) bytes.resize(MEASURE_RECORD_SIZE, 0);
    Put<utwobyte>(bytes, MEASURE_KEY_OFFSET, source.keyValue);
    Put<twobyte>(bytes, MEASURE_BEATS_OFFSET, source.beats);
    Put<twobyte>(bytes, MEASURE_BEATDURATION_OFFSET, static_cast<twobyte>(source.beatDuration));
}

std::optional<StoredTimeSignature> ReadMeasureTimeSignature(const Document& document,
                                                            twobyte measure) {
    const auto* bytes = FindRecord(document, measure);
    if (!bytes || bytes->size() < MEASURE_BEATDURATION_OFFSET + 2) return std::nullopt;
    return StoredTimeSignature{Get<twobyte>(*bytes, MEASURE_BEATS_OFFSET),
                               Get<twobyte>(*bytes, MEASURE_BEATDURATION_OFFSET)};
}

std::optional<utwobyte> ReadMeasureKeyValue(const Document& document, twobyte measure) {
    const auto* bytes = FindRecord(document, measure);
    if (!bytes || bytes->size() < MEASURE_KEY_OFFSET + 2) return std::nullopt;
    return Get<utwobyte>(*bytes, MEASURE_KEY_OFFSET);
}

} // namespace host
