#include "host/Frames.h"

#include "host/EntryDetails.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace host {

// Tuplet definitions ---------------------------------------------------------------------------

namespace {

constexpr size_t TUPLET_NUMBER_OFFSET = 0;
constexpr size_t TUPLET_UNIT_OFFSET = 2;
constexpr size_t TUPLET_REFERENCE_NUMBER_OFFSET = 6;
constexpr size_t TUPLET_REFERENCE_DURATION_OFFSET = 10;

template <typename T> T ReadAt(const EDTTuplet2005& record, size_t offset) {
    T value;
    std::memcpy(&value, reinterpret_cast<const unsigned char*>(&record) + offset, sizeof value);
    return value;
}

template <typename T> void WriteAt(EDTTuplet2005& record, size_t offset, T value) {
    std::memcpy(reinterpret_cast<unsigned char*>(&record) + offset, &value, sizeof value);
}

} // namespace

TupletDefinition TupletDefinition::Read(const EDTTuplet2005& record) {
    TupletDefinition definition;
    definition.number = ReadAt<twobyte>(record, TUPLET_NUMBER_OFFSET);
    definition.unitDuration = ReadAt<fourbyte>(record, TUPLET_UNIT_OFFSET);
    definition.referenceNumber = ReadAt<twobyte>(record, TUPLET_REFERENCE_NUMBER_OFFSET);
    definition.referenceDuration = ReadAt<fourbyte>(record, TUPLET_REFERENCE_DURATION_OFFSET);
    return definition;
}

void TupletDefinition::Write(EDTTuplet2005& record) const {
    WriteAt(record, TUPLET_NUMBER_OFFSET, number);
    WriteAt(record, TUPLET_UNIT_OFFSET, unitDuration);
    WriteAt(record, TUPLET_REFERENCE_NUMBER_OFFSET, referenceNumber);
    WriteAt(record, TUPLET_REFERENCE_DURATION_OFFSET, referenceDuration);
}

fourbyte TupletDefinition::Span() const {
    if (number <= 0 || unitDuration <= 0) return 0;
    // A span that no measure could hold is as malformed as a negative one.
    const int64_t span = static_cast<int64_t>(number) * unitDuration;
    return span > INT32_MAX ? 0 : static_cast<fourbyte>(span);
}

double TupletDefinition::Ratio() const {
    const double reference = static_cast<double>(referenceNumber) * referenceDuration;
    if (Span() <= 0 || reference <= 0) return 1.0;
    return reference / Span();
}

std::vector<EXTGFTUPLET> TupletsOfEntries(const Document& document, const EXENTRY* entries,
                                          int entryCount) {
    std::vector<EXTGFTUPLET> tuplets;
    for (int i = 0; i < entryCount; ++i) {
        const fourbyte entryNumber = entries[i].entryNumber;
        if (entryNumber == 0) continue;
        for (twobyte inci = 0;; ++inci) {
            RecordKey key{TAG_TUPLET, {}};
            SetEntryNumberOfKey(key.key, entryNumber);
            std::memcpy(key.key.data() + 4, &inci, sizeof inci);
            auto it = document.records.find(key);
            if (it == document.records.end()) break;

            EXTGFTUPLET tuplet{};
            std::memcpy(&tuplet.tupletDef, it->second.data(),
                        std::min(it->second.size(), sizeof(EDTTuplet2005)));
            tuplet.startIndex = static_cast<twobyte>(i);
            tuplet.tupletInci = inci;
            // The reach: entries from the start until their written durations fill the span.
            const fourbyte span = TupletDefinition::Read(tuplet.tupletDef).Span();
            int end = i;
            fourbyte filled = entries[i].duration;
            while (span > 0 && filled < span && end + 1 < entryCount)
                filled += entries[++end].duration;
            tuplet.endIndex = static_cast<twobyte>(end);
            tuplets.push_back(tuplet);
        }
    }
    return tuplets;
}

namespace {

/// A position in whole units, held within the range of a position field (stored durations and
/// tuplets may be anything).
fourbyte ToUnits(double position) {
    if (std::isnan(position)) return 0;
    return static_cast<fourbyte>(
        std::clamp(position, static_cast<double>(INT32_MIN), static_cast<double>(INT32_MAX)));
}

} // namespace

FrameTiming TimeEntries(const EXENTRY* entries, int entryCount, const EXTGFTUPLET* tuplets,
                        int tupletCount) {
    FrameTiming timing;
    std::vector<double> ratio(static_cast<size_t>(std::max(entryCount, 0)), 1.0);
    for (int t = 0; t < tupletCount; ++t) {
        const double r = TupletDefinition::Read(tuplets[t].tupletDef).Ratio();
        const int last = std::min<int>(tuplets[t].endIndex, entryCount - 1);
        for (int i = std::max<int>(tuplets[t].startIndex, 0); i <= last; ++i)
            ratio[static_cast<size_t>(i)] *= r;
    }
    double position = 0;
    for (int i = 0; i < entryCount; ++i) {
        // A hair of slack so that thirds of a unit that add up to a whole land on it.
        timing.elapsed.push_back(ToUnits(std::floor(position + 1e-6)));
        position += entries[i].duration * ratio[static_cast<size_t>(i)];
    }
    timing.total = ToUnits(std::round(position));
    return timing;
}

void RetimeFrame(Document& document, const FrameKey& key) {
    auto it = document.frames.find(key);
    if (it == document.frames.end()) return;
    std::vector<EXENTRY>& entries = it->second;
    const int count = static_cast<int>(entries.size());
    const auto tuplets = TupletsOfEntries(document, entries.data(), count);
    const FrameTiming timing =
        TimeEntries(entries.data(), count, tuplets.data(), static_cast<int>(tuplets.size()));
    for (int i = 0; i < count; ++i)
        entries[static_cast<size_t>(i)].elapsedTime = timing.elapsed[static_cast<size_t>(i)];
}

const std::vector<EXENTRY>* StoredEntries(const Document& document, twobyte staff, twobyte measure,
                                          twobyte layerIndex) {
    auto it = document.frames.find(FrameKey{staff, measure, layerIndex});
    if (it == document.frames.end() || it->second.empty()) return nullptr;
    return &it->second;
}

// Live frames ----------------------------------------------------------------------------------

FrameRegistry::~FrameRegistry() {
    Reset();
}

EXTGF2005a* FrameRegistry::Create(twobyte document, const EXTGF2005a& header,
                                  const std::vector<EXENTRY>& entries,
                                  const std::vector<EXTGFTUPLET>& tuplets) {
    auto frame = std::make_unique<HostFrame>();
    frame->header = header;
    frame->header.entries = nullptr;
    frame->header.entryCount = 0;
    frame->header.tuplets = nullptr;
    frame->header.tupletCount = 0;
    frame->document = document;
    ReplaceEntries(frame->header, entries);
    ReplaceTuplets(frame->header, tuplets);
    EXTGF2005a* address = &frame->header;
    live_.emplace(address, std::move(frame));
    ++loaded_;
    return address;
}

HostFrame* FrameRegistry::Find(const EXTGF2005a* frame) {
    auto it = live_.find(frame);
    return it == live_.end() ? nullptr : it->second.get();
}

bool FrameRegistry::Release(EXTGF2005a* frame) {
    auto it = live_.find(frame);
    if (it == live_.end()) {
        ++badFrees_;
        return false;
    }
    FreeArrays(it->second->header);
    live_.erase(it);
    return true;
}

void FrameRegistry::Reset() {
    for (auto& [address, frame] : live_)
        FreeArrays(frame->header);
    live_.clear();
    loaded_ = 0;
    badFrees_ = 0;
}

void FrameRegistry::ReplaceEntries(EXTGF2005a& header, const std::vector<EXENTRY>& entries) {
    EXENTRY* fresh = nullptr;
    if (!entries.empty()) {
        fresh = new EXENTRY[entries.size()];
        std::memcpy(static_cast<void*>(fresh), entries.data(), entries.size() * sizeof(EXENTRY));
    }
    delete[] header.entries;
    header.entries = fresh;
    header.entryCount = static_cast<twobyte>(entries.size());
}

void FrameRegistry::ReplaceTuplets(EXTGF2005a& header, const std::vector<EXTGFTUPLET>& tuplets) {
    EXTGFTUPLET* fresh = nullptr;
    if (!tuplets.empty()) {
        fresh = new EXTGFTUPLET[tuplets.size()];
        std::memcpy(static_cast<void*>(fresh), tuplets.data(),
                    tuplets.size() * sizeof(EXTGFTUPLET));
    }
    delete[] header.tuplets;
    header.tuplets = fresh;
    header.tupletCount = static_cast<twobyte>(tuplets.size());
}

std::vector<EXENTRY> FrameRegistry::EntriesOf(const EXTGF2005a& header) {
    if (!header.entries || header.entryCount <= 0) return {};
    return std::vector<EXENTRY>(header.entries, header.entries + header.entryCount);
}

std::vector<EXTGFTUPLET> FrameRegistry::TupletsOf(const EXTGF2005a& header) {
    if (!header.tuplets || header.tupletCount <= 0) return {};
    return std::vector<EXTGFTUPLET>(header.tuplets, header.tuplets + header.tupletCount);
}

void FrameRegistry::FreeArrays(EXTGF2005a& header) {
    delete[] header.entries;
    header.entries = nullptr;
    header.entryCount = 0;
    delete[] header.tuplets;
    header.tuplets = nullptr;
    header.tupletCount = 0;
}

} // namespace host
