#include "host/Frames.h"

#include "host/EntryDetails.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

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
    const RecordStore& records = document.records;
    auto isTuplet = [&](RecordStore::const_iterator record) {
        return record != records.end() && record->first.tag == TAG_TUPLET;
    };
    if (entryCount <= 0) return {};

    // The tuplet records of each entry (record numbers 0, 1, ... up to the first missing one).
    // The entries are visited in order of their numbers, so that one walk over the tuplet
    // records serves a frame whose numbers run together; a look-up is needed only to skip ahead.
    // (Frames are loaded very often: the working lists keep their room from one call to the
    // next.)
    struct Found {
        int index;
        twobyte inci;
        const std::vector<unsigned char>* bytes;
    };
    thread_local std::vector<std::pair<uint32_t, int>> byNumber; // numbers as the store orders them
    thread_local std::vector<Found> found;
    byNumber.clear();
    found.clear();
    // Only the entries that have tuplet records need a look at the store.
    for (int i = 0; i < entryCount; ++i)
        if (entries[i].entryNumber != 0 && records.HasDetail(TAG_TUPLET, entries[i].entryNumber))
            byNumber.emplace_back(static_cast<uint32_t>(entries[i].entryNumber), i);
    // A frame without tuplet records (nearly every frame) needs no look at the store.
    if (byNumber.empty()) return {};
    std::sort(byNumber.begin(), byNumber.end());

    auto numberOf = [](RecordStore::const_iterator record) {
        return static_cast<uint32_t>(EntryNumberOfKey(record->first.key));
    };
    auto start = records.end(); // the first tuplet record at or after the current number
    bool positioned = false;
    uint32_t previous = 0;
    for (const auto& [number, index] : byNumber) {
        if (!positioned || number != previous) {
            if (positioned)
                while (isTuplet(start) && numberOf(start) == previous)
                    ++start;
            if (!positioned || (isTuplet(start) && numberOf(start) < number))
                start = records.lower_bound(DetailKey(TAG_TUPLET, static_cast<fourbyte>(number)));
            positioned = true;
            previous = number;
        }
        twobyte next = 0; // the record number the entry's next tuplet must have
        for (auto record = start; isTuplet(record) && numberOf(record) == number; ++record) {
            if (record->first.key[6] != 0 || record->first.key[7] != 0) continue; // not an address
            twobyte inci;
            std::memcpy(&inci, record->first.key.data() + 4, sizeof inci);
            if (inci != next) break; // the first missing one ends it
            found.push_back(Found{index, inci, &record->second});
            ++next;
        }
    }
    // In entry order; an entry's own records are already in order of their numbers.
    std::stable_sort(found.begin(), found.end(),
                     [](const Found& a, const Found& b) { return a.index < b.index; });

    std::vector<EXTGFTUPLET> tuplets;
    tuplets.reserve(found.size());
    for (const auto& [i, inci, bytes] : found) {
        EXTGFTUPLET tuplet{};
        std::memcpy(&tuplet.tupletDef, bytes->data(),
                    std::min(bytes->size(), sizeof(EDTTuplet2005)));
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

fourbyte PlaceEntries(const EXENTRY* entries, int entryCount, const EXTGFTUPLET* tuplets,
                      int tupletCount, EXENTRY* placed) {
    // Each entry's factor from written to actual duration: the product of its tuplets' (only a
    // frame with tuplets needs the list).
    std::vector<double> ratio;
    if (tupletCount > 0) ratio.assign(static_cast<size_t>(std::max(entryCount, 0)), 1.0);
    for (int t = 0; t < tupletCount; ++t) {
        const double r = TupletDefinition::Read(tuplets[t].tupletDef).Ratio();
        const int last = std::min<int>(tuplets[t].endIndex, entryCount - 1);
        for (int i = std::max<int>(tuplets[t].startIndex, 0); i <= last; ++i)
            ratio[static_cast<size_t>(i)] *= r;
    }
    double position = 0;
    for (int i = 0; i < entryCount; ++i) {
        // A hair of slack so that thirds of a unit that add up to a whole land on it.
        const double duration =
            entries[i].duration * (ratio.empty() ? 1.0 : ratio[static_cast<size_t>(i)]);
        if (placed) placed[i].elapsedTime = ToUnits(std::floor(position + 1e-6));
        position += duration;
    }
    return ToUnits(std::round(position));
}

void RetimeFrame(Document& document, const FrameKey& key) {
    auto it = document.frames.find(key);
    if (it == document.frames.end()) return;
    std::vector<EXENTRY>& entries = it->second;
    const int count = static_cast<int>(entries.size());
    const auto tuplets = TupletsOfEntries(document, entries.data(), count);
    PlaceEntries(entries.data(), count, tuplets.data(), static_cast<int>(tuplets.size()),
                 entries.data());
}

namespace {

bool Holds(const Document& document, const FrameKey& key, fourbyte entryNumber) {
    auto it = document.frames.find(key);
    if (it == document.frames.end()) return false;
    return std::any_of(it->second.begin(), it->second.end(),
                       [&](const EXENTRY& entry) { return entry.entryNumber == entryNumber; });
}

/// The frames of the document holding each of `numbers` (all numbers when `numbers` is null), for
/// the numbers held by more than one frame.
std::map<fourbyte, std::set<FrameKey>> SharedNumbers(const Document& document,
                                                     const std::set<fourbyte>* numbers) {
    // Nearly every number is held once: each is counted first (up to two), and only the numbers
    // seen twice are gathered. The host numbers entries from 1 up, so the numbers below the next
    // one it would give are counted in a flat array; any other (only hand-made documents have
    // them) in a hash table.
    constexpr fourbyte DENSE_LIMIT = 1 << 26;
    const fourbyte dense = std::clamp<fourbyte>(document.nextEntryNumber, 1, DENSE_LIMIT);
    std::vector<uint8_t> denseSeen(static_cast<size_t>(dense), 0);
    std::unordered_map<fourbyte, uint8_t> otherSeen;
    auto seen = [&](fourbyte number) -> uint8_t& {
        return number >= 0 && number < dense ? denseSeen[static_cast<size_t>(number)]
                                             : otherSeen[number];
    };
    auto wanted = [&](fourbyte number) { return !numbers || numbers->count(number) != 0; };
    for (const auto& [key, entries] : document.frames)
        for (const EXENTRY& entry : entries)
            if (wanted(entry.entryNumber) && seen(entry.entryNumber) < 2) ++seen(entry.entryNumber);
    std::map<fourbyte, std::set<FrameKey>> homes;
    for (const auto& [key, entries] : document.frames)
        for (const EXENTRY& entry : entries)
            if (wanted(entry.entryNumber) && seen(entry.entryNumber) >= 2)
                homes[fourbyte{entry.entryNumber}].insert(key);
    // A number held twice in one frame is held by one frame.
    std::erase_if(homes, [](const auto& home) { return home.second.size() < 2; });
    return homes;
}

/// True when `entryNumber`, leaving the frame at `key`, is still stored in another frame; keeps
/// the shared numbers up to date as it goes.
bool StaysElsewhere(Document& document, const FrameKey& key, fourbyte entryNumber) {
    auto shared = document.sharedEntries.find(entryNumber);
    if (shared == document.sharedEntries.end()) return false;
    std::set<FrameKey>& homes = shared->second;
    homes.erase(key);
    // Frames may have lost the entry since (cut, or saved without it).
    std::erase_if(homes, [&](const FrameKey& home) { return !Holds(document, home, entryNumber); });
    const bool elsewhere = !homes.empty();
    if (homes.size() < 2) document.sharedEntries.erase(shared);
    return elsewhere;
}

} // namespace

void StoreFrame(Document& document, const FrameKey& key, std::vector<EXENTRY> entries) {
    // The numbers before and after, sorted: a frame holds a handful of entries, so sorted
    // vectors beat node-based sets here.
    auto sortedNumbers = [](const std::vector<EXENTRY>& list) {
        std::vector<fourbyte> numbers;
        numbers.reserve(list.size());
        for (const EXENTRY& entry : list)
            numbers.push_back(fourbyte{entry.entryNumber});
        std::sort(numbers.begin(), numbers.end());
        return numbers;
    };
    auto holds = [](const std::vector<fourbyte>& numbers, fourbyte number) {
        return std::binary_search(numbers.begin(), numbers.end(), number);
    };
    auto stored = document.frames.find(key);
    const std::vector<fourbyte> before =
        stored == document.frames.end() ? std::vector<fourbyte>{} : sortedNumbers(stored->second);
    std::set<fourbyte> arriving; // numbered entries new to this frame
    for (EXENTRY& entry : entries) {
        if (entry.entryNumber == 0)
            entry.entryNumber = document.nextEntryNumber++;
        else if (!holds(before, entry.entryNumber))
            arriving.insert(fourbyte{entry.entryNumber});
    }
    const std::vector<fourbyte> after = sortedNumbers(entries);
    std::vector<fourbyte> leaving;
    for (fourbyte number : before)
        if (!holds(after, number) && HasDetails(document, number)) leaving.push_back(number);
    if (!leaving.empty() && !document.sharedEntriesKnown) {
        document.sharedEntries = SharedNumbers(document, nullptr);
        document.sharedEntriesKnown = true;
    }

    if (entries.empty()) {
        if (stored != document.frames.end()) document.frames.erase(stored);
    } else if (stored != document.frames.end()) {
        stored->second = std::move(entries);
    } else {
        document.frames.emplace(key, std::move(entries));
    }

    // An entry saved here while stored elsewhere: a look over the document finds its frames.
    if (!arriving.empty())
        for (auto& [number, homes] : SharedNumbers(document, &arriving))
            document.sharedEntries[number].insert(homes.begin(), homes.end());
    // `before` is sorted, so a number that repeats in the old frame is looked at once.
    leaving.erase(std::unique(leaving.begin(), leaving.end()), leaving.end());
    for (fourbyte number : leaving)
        if (!StaysElsewhere(document, key, number)) EraseDetailsOfEntry(document, number);
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
                                  const EXENTRY* entries, int entryCount,
                                  const std::vector<EXTGFTUPLET>& tuplets) {
    auto frame = std::make_unique<HostFrame>();
    frame->header = header;
    frame->header.entries = nullptr;
    frame->header.entryCount = 0;
    frame->header.tuplets = nullptr;
    frame->header.tupletCount = 0;
    frame->document = document;
    ReplaceEntries(frame->header, entries, entryCount);
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
    ReplaceEntries(header, entries.data(), static_cast<int>(entries.size()));
}

void FrameRegistry::ReplaceEntries(EXTGF2005a& header, const EXENTRY* entries, int entryCount) {
    EXENTRY* fresh = nullptr;
    if (entryCount > 0) {
        fresh = new EXENTRY[static_cast<size_t>(entryCount)];
        std::memcpy(static_cast<void*>(fresh), entries,
                    static_cast<size_t>(entryCount) * sizeof(EXENTRY));
    }
    delete[] header.entries;
    header.entries = fresh;
    header.entryCount = static_cast<twobyte>(entryCount);
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
