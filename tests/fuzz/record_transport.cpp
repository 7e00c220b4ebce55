// Fuzzes the record transport (FX_LoadEData and its family) and the stand-in host's record store
// beneath it: arbitrary tags (mostly the preference, version-corrected and specially loaded ones),
// keys, capacities, buffers and versions, over a store seeded with arbitrary records, with host
// calls failing at arbitrary points. Every buffer is allocated at exactly the capacity the call
// names, so a write past it is caught. Checked besides: a load never reports more bytes than the
// buffer holds; where no fault was injected, a preference run saved and loaded comes back byte for
// byte, and a preference structure settles after one save: saving what was loaded writes no chunk
// and loads the same again.
#include "finalepdk/FinaleBinding.h"
#include "finalepdk/PreferenceMaps.h"
#include "finalepdk/RecordTransport.h"
#include "host/EntryDetails.h"

#include "support/FuzzHost.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

namespace {

constexpr int MAX_OPERATIONS = 48;
constexpr fourbyte MAX_CAPACITY = 400;

// Preference structures, preference runs and the chunks that serve runs.
#define PREF_WORD(chunk, cmper, inci, offset, word, conversion)
#define PREF_LONG(chunk, cmper, inci, offset, firstWord, conversion)
#define PREF_RUN(tag, minCmper, maxCmper, chunkTag, count, inciFromCmper) tag, chunkTag,
#define PREF_STRUCT(table, tag, records, size, ...) tag,
constexpr EXTAG PREFERENCE_TAGS[] = {
#include "finalepdk/PreferenceMaps.def"
};

// Tags with version corrections or loads of their own, and entry details.
constexpr EXTAG SPECIAL_TAGS[] = {
    MakeExTag('S', 'O', 'M', 'S'),
    MakeExTag('S', 'O', 'S', 'S'),
    0x4F025353,
    MakeExTag('S', 'O', 'I', 'S'),
    MakeExTag('S', 'D', 'G', 'F'),
    MakeExTag('S', 'O', 'T', 'X'),
    MakeExTag('o', 't', 'D', 'O'),
    0x4F044958,
    0x4F096649,
    MakeExTag('S', 'O', 'S', 'D'),
    MakeExTag('o', 't', 'S', 'D'),
    host::TAG_TUPLET,
    host::TAG_ARTICULATION,
    host::TAG_DOTMOD,
};

constexpr EVERSION VERSIONS[] = {FINALEPDK_VERSION, 0x07FFFFFF, 0x08000000, 0x08FFFFFF,
                                 0x09000000,        0x09FFFFFF, 0x0A000000, 0x05000000};

constexpr fourbyte SIZES[] = {0, 10, 12, 22, 24, 26, 28, 34, 48, 66, 102, 104, 108, 132};

EXTAG Tag(FuzzedDataProvider& data) {
    switch (data.ConsumeIntegralInRange(0, 5)) {
    case 0:
        return data.ConsumeIntegral<EXTAG>();
    case 1: // a chunk tag: ot and two characters
        return MakeChunkTag(data.ConsumeIntegralInRange<char>('0', 'Z'),
                            data.ConsumeIntegralInRange<char>('0', 'Z'));
    case 2:
        return data.PickValueInArray(SPECIAL_TAGS);
    default:
        return data.PickValueInArray(PREFERENCE_TAGS);
    }
}

twobyte KeyWordValue(FuzzedDataProvider& data) {
    switch (data.ConsumeIntegralInRange(0, 3)) {
    case 0:
        return data.ConsumeIntegral<twobyte>();
    case 1:
        return -1; // asks FX_CreateEData to choose
    case 2:
        return -2; // the preference chunks' cmper
    default:
        return data.ConsumeIntegralInRange<twobyte>(0, 130);
    }
}

using KeyBlock = std::array<twobyte, 4>;

KeyBlock Key(FuzzedDataProvider& data) {
    KeyBlock key{};
    for (twobyte& word : key)
        word = KeyWordValue(data);
    return key;
}

fourbyte Capacity(FuzzedDataProvider& data) {
    if (data.ConsumeBool()) return data.PickValueInArray(SIZES);
    return data.ConsumeIntegralInRange<fourbyte>(-4, MAX_CAPACITY);
}

EVERSION Version(FuzzedDataProvider& data) {
    if (data.ConsumeIntegralInRange(0, 4) == 0) return data.ConsumeIntegral<EVERSION>();
    return data.PickValueInArray(VERSIONS);
}

/// A heap buffer of exactly `capacity` bytes (none for a capacity of 0 or less).
std::vector<unsigned char> Buffer(FuzzedDataProvider& data, fourbyte capacity) {
    std::vector<unsigned char> buffer;
    if (capacity <= 0) return buffer;
    buffer = data.ConsumeBytes<unsigned char>(static_cast<size_t>(capacity));
    buffer.resize(static_cast<size_t>(capacity), 0xA5);
    buffer.shrink_to_fit();
    return buffer;
}

void SeedStore(FuzzedDataProvider& data, host::Document& document) {
    const int records = data.ConsumeIntegralInRange(0, 24);
    for (int i = 0; i < records; ++i) {
        host::RecordKey key;
        key.tag = Tag(data);
        const KeyBlock words = Key(data);
        std::memcpy(key.key.data(), words.data(), 6);
        auto bytes = data.ConsumeBytes<unsigned char>(data.ConsumeIntegralInRange(0, 140));
        if (data.ConsumeBool()) bytes.resize(PREF_CHUNK_SIZE, 0);
        document.records[key] = bytes;
    }
}

void InjectFault(FuzzedDataProvider& data, host::Host& host) {
    static const char* const NAMES[] = {"FX_LoadEData", "FX_SaveEData", "FX_CreateEData",
                                        "FX_NextEData", "FX_PreviousEData"};
    switch (data.ConsumeIntegralInRange(0, 7)) {
    case 0:
        host.FailCallNumber(data.ConsumeIntegralInRange(1, 20));
        break;
    case 1:
        host.FailNext(data.PickValueInArray(NAMES));
        break;
    default:
        break;
    }
}

void Load(FuzzedDataProvider& data) {
    const EXTAG tag = Tag(data);
    KeyBlock key = Key(data);
    const fourbyte capacity = Capacity(data);
    const bool withBuffer = data.ConsumeBool();
    std::vector<unsigned char> buffer = Buffer(data, withBuffer ? capacity : 0);
    fourbyte size = capacity;
    const bool withSize = data.ConsumeIntegralInRange(0, 15) != 0;
    const bool withKey = data.ConsumeIntegralInRange(0, 15) != 0;
    const twobyte loaded =
        FX_LoadEData(tag, withKey ? key.data() : nullptr, buffer.empty() ? nullptr : buffer.data(),
                     withSize ? &size : nullptr, Version(data));
    if (loaded && withSize && !buffer.empty()) FUZZ_REQUIRE(size <= capacity);
}

void Save(FuzzedDataProvider& data) {
    const EXTAG tag = Tag(data);
    KeyBlock key = Key(data);
    const fourbyte capacity = Capacity(data);
    std::vector<unsigned char> buffer = Buffer(data, capacity);
    void* keyBlock = data.ConsumeIntegralInRange(0, 15) != 0 ? key.data() : nullptr;
    void* bytes = buffer.empty() ? nullptr : buffer.data();
    const EVERSION version = Version(data);
    switch (data.ConsumeIntegralInRange(0, 4)) {
    case 0:
        FX_SaveEData(tag, keyBlock, bytes, capacity, version);
        break;
    case 1:
        FX_CreateEData(tag, keyBlock, bytes, capacity, version);
        break;
    case 2:
        FX_NextEData(tag, keyBlock, bytes, capacity, version);
        break;
    case 3:
        FX_PreviousEData(tag, keyBlock, bytes, capacity, version);
        break;
    default:
        FX_DeleteEData(tag, keyBlock, version);
        break;
    }
}

/// A preference run or structure saved from arbitrary bytes and loaded back.
void RoundTrip(FuzzedDataProvider& data, host::Host& host) {
    EXTAG tag = data.PickValueInArray(PREFERENCE_TAGS);
    KeyBlock key{data.ConsumeIntegralInRange<twobyte>(-1, 130), data.ConsumeIntegral<twobyte>(), 0,
                 0};
    PREFERENCE_LOCATION_MAPRECORD* table = nullptr;
    twobyte count = 0;
    const bool structure = mapPrefStruct(tag, key[0], &table, &count);
    EXTAG chunkTag = 0;
    twobyte firstInci = 0;
    if (!structure && mapPrefTag(tag, key[0], &chunkTag, &count, &firstInci) == 0) return;

    fourbyte size = 0;
    FUZZ_REQUIRE(FX_LoadEData(tag, key.data(), nullptr, &size, FINALEPDK_VERSION) != 0);
    FUZZ_REQUIRE(size == (structure ? PrefStructSize(table, count) : count * PREF_CHUNK_SIZE));

    const int faultsBefore = host.FaultsInjected();
    std::vector<unsigned char> saved = Buffer(data, size);
    const twobyte stored = FX_SaveEData(tag, key.data(), saved.data(), size, FINALEPDK_VERSION);
    std::vector<unsigned char> first(static_cast<size_t>(size), 0xEE);
    fourbyte firstSize = size;
    FUZZ_REQUIRE(FX_LoadEData(tag, key.data(), first.data(), &firstSize, FINALEPDK_VERSION) != 0);
    FUZZ_REQUIRE(firstSize == size);
    if (host.FaultsInjected() != faultsBefore) return;
    FUZZ_REQUIRE(stored != 0);
    host.ClearFaults();

    if (!structure) {
        FUZZ_REQUIRE(first == saved);
        return;
    }
    // A structure may not come back as saved (flag and low-byte fields narrow their values), but
    // what was loaded is what the chunks hold: saving it again changes nothing.
    const int chunkSaves = host.CountCalls("FX_SaveEData");
    FUZZ_REQUIRE(FX_SaveEData(tag, key.data(), first.data(), size, FINALEPDK_VERSION) != 0);
    FUZZ_REQUIRE(host.CountCalls("FX_SaveEData") == chunkSaves);
    std::vector<unsigned char> second(static_cast<size_t>(size), 0xDD);
    fourbyte secondSize = size;
    FUZZ_REQUIRE(FX_LoadEData(tag, key.data(), second.data(), &secondSize, FINALEPDK_VERSION) != 0);
    FUZZ_REQUIRE(second == first);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    host::Host& host = fuzz_support::FreshHost();
    host::Document& document = host.NewDocument();
    FuzzedDataProvider data(bytes, size);
    SeedStore(data, document);
    for (int step = 0; step < MAX_OPERATIONS && data.remaining_bytes() > 0; ++step) {
        InjectFault(data, host);
        switch (data.ConsumeIntegralInRange(0, 3)) {
        case 0:
            Load(data);
            break;
        case 1:
            Save(data);
            break;
        default:
            RoundTrip(data, host);
            break;
        }
    }
    FUZZ_REQUIRE(LoadedTGFCounter == 0);
    return 0;
}
