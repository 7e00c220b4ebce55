#include "finalepdk/RecordTransport.h"

#include "finalepdk/FinaleBinding.h"
#include "finalepdk/PreferenceMaps.h"
#include "support/HostFixture.h"

#include "PrefChunks.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace pref_test;

namespace {

constexpr EXTAG SOMS = 0x534F4D53;
constexpr EXTAG SOSS = 0x534F5353;
constexpr EXTAG SOSS_OTHER = 0x4F025353;
constexpr EXTAG SOIS = 0x534F4953;
constexpr EXTAG SDGF = 0x53444746;
constexpr EXTAG SOTX = 0x534F5458;
constexpr EXTAG OTDO = 0x6F74444F;

constexpr EXTAG PF_PAGEFORMAT = 0x70665046;
constexpr EXTAG PF_MISCDOC = 0x70664D53;
constexpr EXTAG PF_SMARTSHAPE = 0x70665353;
constexpr EXTAG PF_GG = 0x70664747; // 11 chunks ot88
constexpr EXTAG PF_SN = 0x7066534E; // one chunk ot40, inci cmper - 1
constexpr EXTAG PF_TC = 0x70665443; // 5 chunks ot86

const char* const GFHOLD_WARNING =
    "Warning to plug-in developer: EDTGfhold2004 used with wrong version parameter";
const char* const TEXTBLOCK_WARNING =
    "Warning to plug-in developer: EDTTextBlock2004 used with wrong version parameter";
const char* const SHAPE_WARNING =
    "Warning to plug-in developer: EDTShapeExpression2004 used with wrong version parameter";

class RecordTransportTest : public testing_support::HostTest {
protected:
    /// The host calls of one name, in order.
    std::vector<host::Call> CallsOf(const std::string& name) const {
        std::vector<host::Call> found;
        for (const host::Call& call : Host().Calls())
            if (call.name == name) found.push_back(call);
        return found;
    }
    const host::Host& Host() const { return host_; }
    host::Host& Host() { return host_; }
    /// FX_LoadEData at the framework version under (cmper, inci).
    int Load(EXTAG tag, Key key, void* buffer, fourbyte& size) {
        return FX_LoadEData(tag, key.Address(), buffer, &size, FINALEPDK_VERSION);
    }
    /// FX_SaveEData under (cmper, inci).
    int Save(EXTAG tag, Key key, void* buffer, fourbyte size,
             EVERSION version = FINALEPDK_VERSION) {
        return FX_SaveEData(tag, key.Address(), buffer, size, version);
    }
};

using Buffer = std::vector<unsigned char>;

/// The first `size` bytes of a buffer.
Buffer Head(const Buffer& buffer, size_t size) {
    return Buffer(buffer.begin(), buffer.begin() + static_cast<long>(size));
}

/// `count` marked chunks one after another, the i-th marked base + 0x10 * i.
Buffer MarkedRun(int base, int count) {
    Buffer run;
    for (int i = 0; i < count; ++i) {
        const Buffer bytes = Bytes(Marked(base + 0x10 * i));
        run.insert(run.end(), bytes.begin(), bytes.end());
    }
    return run;
}

void ExpectFields(const Buffer& buffer, const std::vector<Field>& fields) {
    for (const Field& field : fields)
        EXPECT_EQ(ReadField(buffer, field.offset, field.size), field.value)
            << "offset " << field.offset;
}

// ---------------------------------------------------------------------------------------------
// Version correction.

struct VersionCase {
    EXTAG tag;
    fourbyte size;
    EVERSION in;
    EVERSION out;
    const char* warning; // null: none
};

TEST_F(RecordTransportTest, HandleEnigmaVersionAppliesTheFirstMatchingRow) {
    const VersionCase cases[] = {
        {SOMS, 26, 0x09FFFFFF, 0x0A000000, nullptr},
        {SOMS, 26, 0x05000000, 0x0A000000, nullptr},
        {SOMS, 26, 0x0A000000, 0x0A000000, nullptr},
        {SOMS, 26, FINALEPDK_VERSION, FINALEPDK_VERSION, nullptr},
        {SOMS, 24, FINALEPDK_VERSION, 0x09000000, nullptr},
        {SOMS, 24, 0x01000000, 0x09000000, nullptr},
        {SOMS, 25, 0x01000000, 0x01000000, nullptr},
        {SOSS, 28, 0x09FFFFFF, 0x0A000000, nullptr},
        {SOSS_OTHER, 28, 0x05000000, 0x0A000000, nullptr},
        {SOSS, 28, 0x0A000000, 0x0A000000, nullptr},
        {SOSS, 24, 0x05FFFFFF, 0x06000000, nullptr},
        {SOSS_OTHER, 24, 0x05000000, 0x06000000, nullptr},
        {SOSS, 24, 0x06000000, 0x06000000, nullptr},
        {SOSS, 22, FINALEPDK_VERSION, 0x05000000, nullptr},
        {SOSS_OTHER, 22, 0x01000000, 0x05000000, nullptr},
        {SOIS, 66, FINALEPDK_VERSION, 0x05000000, nullptr},
        {SOIS, 102, 0x01000000, 0x08000000, nullptr},
        {SOIS, 100, 0x01000000, 0x01000000, nullptr},
        {SDGF, 12, 0x08000001, 0x08000000, nullptr},
        {SDGF, 12, 0x08000000, 0x08000000, nullptr},
        {SDGF, 12, 0x07000000, 0x07000000, nullptr},
        {SDGF, 10, 0x08000000, 0x09000000, GFHOLD_WARNING},
        {SDGF, 10, 0x08FFFFFF, 0x09000000, GFHOLD_WARNING},
        {SDGF, 10, 0x09000000, 0x09000000, nullptr},
        {SOTX, 48, FINALEPDK_VERSION, 0x08000000, nullptr},
        {SOTX, 48, 0x08000000, 0x08000000, nullptr},
        {SOTX, 26, 0x05000000, 0x09000000, TEXTBLOCK_WARNING},
        {SOTX, 26, FINALEPDK_VERSION, FINALEPDK_VERSION, nullptr},
        {OTDO, 12, FINALEPDK_VERSION, 0x08000000, nullptr},
        {OTDO, 12, 0x08000000, 0x08000000, nullptr},
        {OTDO, 34, 0x08FFFFFF, 0x09000000, SHAPE_WARNING},
        {OTDO, 34, 0x09000000, 0x09000000, nullptr},
        // A size of 0 changes nothing, not even where every size would match.
        {SOMS, 0, 0x01000000, 0x01000000, nullptr},
        {SDGF, 0, 0x08000000, 0x08000000, nullptr},
        // Other tags keep their version.
        {0x534F4D54, 24, 0x01000000, 0x01000000, nullptr},
        {0x4F025354, 22, 0x01000000, 0x01000000, nullptr},
    };
    for (const VersionCase& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << "tag " << c.tag << " size " << std::dec
                                        << c.size << " version " << std::hex << c.in);
        Host().Reset();
        EVERSION version = c.in;
        HandleEnigmaVersion(c.tag, c.size, version);
        EXPECT_EQ(version, c.out);
        if (!c.warning) {
            EXPECT_TRUE(Host().AlertLog().empty());
            EXPECT_TRUE(Host().Calls().empty());
            continue;
        }
        ASSERT_EQ(Host().AlertLog().size(), 1u);
        EXPECT_EQ(Host().AlertLog()[0], c.warning);
        auto alerts = CallsOf("FX_AlertMessage");
        ASSERT_EQ(alerts.size(), 1u);
        for (size_t i = 0; i < 3; ++i)
            EXPECT_EQ(alerts[0].arguments[i], 0) << "argument " << i;
        EXPECT_EQ(alerts[0].version, FINALEPDK_VERSION);
    }
}

TEST_F(RecordTransportTest, WarningIsShownOnEveryCallAndTheRequestProceeds) {
    NewDocument().Record(SDGF, 3, 0, 0, Buffer(10, 0x5A));
    Key key(3);
    for (int round = 0; round < 2; ++round) {
        Buffer buffer(10, 0);
        fourbyte size = 10;
        EXPECT_EQ(FX_LoadEData(SDGF, key.Address(), buffer.data(), &size, 0x08000000), 1);
        EXPECT_EQ(buffer, Buffer(10, 0x5A));
    }
    EXPECT_EQ(Host().AlertLog(), (std::vector<std::string>{GFHOLD_WARNING, GFHOLD_WARNING}));
    // The warning comes first, then the request with the new version.
    ASSERT_EQ(Host().Calls().size(), 4u);
    EXPECT_EQ(Host().Calls()[0].name, "FX_AlertMessage");
    EXPECT_EQ(Host().Calls()[1].name, "FX_LoadEData");
    EXPECT_EQ(Host().Calls()[1].version, 0x09000000u);
    EXPECT_EQ(Host().Calls()[3].version, 0x09000000u);
}

TEST_F(RecordTransportTest, EveryRecordCallTravelsWithTheCorrectedVersion) {
    NewDocument().Record(SOMS, 1, 0, 0, Buffer(24, 1));
    Buffer buffer(48, 0);
    fourbyte size = 24;
    EXPECT_EQ(Load(SOMS, 1, buffer.data(), size), 1);
    EXPECT_EQ(Save(SOMS, 1, buffer.data(), 24), 1);
    Key fresh(-1);
    EXPECT_EQ(FX_CreateEData(SOTX, fresh.Address(), buffer.data(), 48, FINALEPDK_VERSION), 1);
    Key walk(0);
    EXPECT_EQ(FX_NextEData(SOTX, walk.Address(), buffer.data(), 48, FINALEPDK_VERSION), 1);
    EXPECT_EQ(FX_PreviousEData(SOTX, walk.Address(), buffer.data(), 48, FINALEPDK_VERSION), 0);
    // Size 0 (the framework's walk) and the delete keep the caller's version.
    EXPECT_EQ(FX_NextEData(SOTX, walk.Address(), nullptr, 0, FINALEPDK_VERSION), 0);
    EXPECT_EQ(FX_DeleteEData(SOTX, fresh.Address(), 0x01000000), 1);

    const auto& calls = Host().Calls();
    ASSERT_EQ(calls.size(), 7u);
    const EVERSION versions[] = {0x09000000, 0x09000000,        0x08000000, 0x08000000,
                                 0x08000000, FINALEPDK_VERSION, 0x01000000};
    for (size_t i = 0; i < calls.size(); ++i)
        EXPECT_EQ(calls[i].version, versions[i]) << "call " << i;
    EXPECT_EQ(calls[2].name, "FX_CreateEData");
    EXPECT_EQ(calls[4].name, "FX_PreviousEData");
    EXPECT_EQ(calls[6].name, "FX_DeleteEData");
}

// ---------------------------------------------------------------------------------------------
// Preference structures.

/// The nine chunks of the page format structure, each word marked with its chunk and index.
host::DocumentBuilder PageFormatDocument(host::DocumentBuilder builder) {
    for (int chunk : {0x14, 0x15, 0x39, 0x16, 0x02, 0x17, 0x01, 0x13, 0x03}) {
        const char chars[3] = {static_cast<char>('0' + chunk / 16),
                               static_cast<char>('0' + chunk % 16), 0};
        builder.Record(MakeExTag('o', 't', chars[0], chars[1]), -2, 0, 0,
                       Bytes(Marked(chunk << 8)));
    }
    return builder;
}

// The page format structure those chunks make.
const std::vector<Field> PAGE_FORMAT_FIELDS = {
    {0, 4, 0x14001401}, {4, 4, 0x15021503}, {8, 2, 0x3902},  {10, 2, 0x1600}, {12, 2, 0x1601},
    {14, 2, 0x1602},    {16, 2, 0x1603},    {18, 2, 0x0200}, {20, 2, 0x0201}, {22, 2, 0x0202},
    {24, 2, 0x0203},    {26, 2, 0x1700},    {28, 2, 0x1701}, {30, 2, 0x1703}, {32, 2, 0x1702},
    {34, 2, 0x0104},    {36, 2, 0x0204},    {38, 2, 0x1305}, {40, 2, 0x1304}, {42, 2, 0x0205},
    {44, 2, 0x0300},    {46, 2, 0x0301},
};

/// The page format structure with the fields above.
Buffer PageFormatStructure() {
    Buffer prefs(48, 0);
    for (const Field& field : PAGE_FORMAT_FIELDS)
        WriteField(prefs, field.offset, field.size, field.value);
    return prefs;
}

TEST_F(RecordTransportTest, PageFormatWithCmperZeroIsAssembledFromNineChunks) {
    PageFormatDocument(NewDocument());
    Buffer prefs(48, 0xEE);
    fourbyte size = 48;
    ASSERT_EQ(Load(PF_PAGEFORMAT, 0, prefs.data(), size), 1);
    EXPECT_EQ(size, 48);
    ExpectFields(prefs, PAGE_FORMAT_FIELDS);

    // One load per chunk, in the order of the chunks' first fields, at the chunk size and the
    // framework version.
    auto loads = CallsOf("FX_LoadEData");
    const std::vector<EXTAG> expected = {0x6F743134, 0x6F743135, 0x6F743339, 0x6F743136, 0x6F743032,
                                         0x6F743137, 0x6F743031, 0x6F743133, 0x6F743033};
    ASSERT_EQ(loads.size(), expected.size());
    for (size_t i = 0; i < loads.size(); ++i) {
        EXPECT_EQ(static_cast<EXTAG>(loads[i].arguments[0]), expected[i]) << i;
        EXPECT_EQ(loads[i].arguments[3], 12);
        EXPECT_EQ(loads[i].version, FINALEPDK_VERSION);
    }
}

TEST_F(RecordTransportTest, PageFormatWithCmperOneIsARunOfFourChunks) {
    auto builder = NewDocument();
    for (twobyte inci = 0; inci < 4; ++inci)
        Chunk(builder, "77", Marked(0x7700 + 0x10 * inci), inci);
    Chunk(builder, "77", Marked(0x7740), 4); // the fifth is not part of the run

    Buffer run(48, 0);
    fourbyte size = 48;
    ASSERT_EQ(Load(PF_PAGEFORMAT, 1, run.data(), size), 1);
    EXPECT_EQ(size, 48);
    EXPECT_EQ(run, MarkedRun(0x7700, 4));
    EXPECT_EQ(Host().CountCalls("FX_LoadEData"), 4);
}

TEST_F(RecordTransportTest, PageFormatWithCmperTwoGoesToTheHost) {
    PageFormatDocument(NewDocument()).Record(PF_PAGEFORMAT, 2, 0, 0, {1, 2, 3, 4});
    Buffer buffer(48, 0);
    fourbyte size = 48;
    ASSERT_EQ(Load(PF_PAGEFORMAT, 2, buffer.data(), size), 1);
    EXPECT_EQ(size, 4);
    EXPECT_EQ(buffer[3], 4);
    auto loads = CallsOf("FX_LoadEData");
    ASSERT_EQ(loads.size(), 1u);
    EXPECT_EQ(static_cast<EXTAG>(loads[0].arguments[0]), PF_PAGEFORMAT);
}

TEST_F(RecordTransportTest, StructureSizeQueriesNeedNoHostAndShortBuffersAreRefused) {
    NewDocument();
    fourbyte size = 0;
    EXPECT_EQ(Load(PF_MISCDOC, 0, nullptr, size), 1);
    EXPECT_EQ(size, 104);
    EXPECT_TRUE(Host().Calls().empty());

    PageFormatDocument(NewDocument());
    Buffer prefs(48, 0xEE);
    size = 47;
    EXPECT_EQ(Load(PF_PAGEFORMAT, 0, prefs.data(), size), 0);
    EXPECT_EQ(prefs, Buffer(48, 0xEE));
    EXPECT_EQ(size, 47);
    EXPECT_TRUE(Host().Calls().empty());
    // A size query still answers the size, whatever capacity it names.
    EXPECT_EQ(Load(PF_PAGEFORMAT, 0, nullptr, size), 1);
    EXPECT_EQ(size, 48);
}

TEST_F(RecordTransportTest, StructureWithMissingChunksStillLoads) {
    auto builder = NewDocument();
    Chunk(builder, "FI", Marked(0x0F10), 0, 11);
    Chunk(builder, "FI", Marked(0x0F20), 0, 12);
    Chunk(builder, "FI", Marked(0x0F30)); // cmper -2: not one of the structure's chunks
    Chunk(builder, "69", {0, 0, 0x1122, 0x3344, 0x5566, 0x7788});
    Chunk(builder, "53", Marked(0x5310), 1);

    Buffer prefs(96, 0xEE);
    fourbyte size = 96;
    ASSERT_EQ(Load(PF_SMARTSHAPE, 0, prefs.data(), size), 1);
    const std::vector<Field> fields = {
        {8, 2, 0x0F10},  {10, 2, 0x0F11}, {14, 2, 0x0F14},     {24, 2, 0x0F12},
        {26, 2, 0x0F15}, {12, 2, 0x0F24}, {16, 4, 0x0F200F21}, {20, 4, 0x0F220F23},
        {32, 2, 0x66},   {34, 2, 0x88},   {36, 2, 0x22},       {38, 2, 0x44},
        {50, 2, 0x5310}, {52, 2, 0x5311}, {54, 2, 0x5312},     {56, 2, 0x5313}};
    ExpectFields(prefs, fields);
    // Fields of chunks the document lacks read as zero.
    ExpectFields(prefs, {{0, 2, 0}, {28, 2, 0}, {58, 4, 0}, {88, 2, 0}});
    EXPECT_EQ(Host().CountCalls("FX_LoadEData"), 12);
}

TEST_F(RecordTransportTest, MiscDocumentFieldsWithConversions) {
    auto builder = NewDocument();
    Chunk(builder, "36", {0, 0, 0x3602, 0x3603, 0x3604, 0});
    Chunk(builder, "19", {0, 0, 0x1902, 0x1903, 0x19AB, -1});
    Chunk(builder, "62", {0x0001, -2, 0x1234, 0x5678, 0, 0});
    Chunk(builder, "41", Marked(0x4110), 1);
    Chunk(builder, "FI", Marked(0x0FA0), 0, 10);

    Buffer prefs(104, 0);
    fourbyte size = 104;
    ASSERT_EQ(Load(PF_MISCDOC, 0, prefs.data(), size), 1);
    const std::vector<Field> fields = {
        {0, 2, 0x3604},      {8, 2, 0x3602},      {10, 2, 0x3603},     {12, 2, 1},
        {46, 2, 0x1902},     {48, 2, 0x1903},     {52, 2, 0xAB},       {54, 2, 0xFF},
        {84, 4, 0x0001FFFE}, {88, 4, 0x12345678}, {96, 4, 0x41134114}, {102, 2, 0x0FA2}};
    ExpectFields(prefs, fields);
}

TEST_F(RecordTransportTest, SaveWritesOnlyTheChunksWhoseWordsChange) {
    auto builder = PageFormatDocument(NewDocument());
    Buffer prefs(48, 0);
    fourbyte size = 48;
    ASSERT_EQ(Load(PF_PAGEFORMAT, 0, prefs.data(), size), 1);

    // Unchanged: every chunk is read, none written.
    Host().ClearCalls();
    EXPECT_EQ(Save(PF_PAGEFORMAT, 0, prefs.data(), 48), 1);
    EXPECT_EQ(Host().CountCalls("FX_LoadEData"), 9);
    EXPECT_EQ(Host().CountCalls("FX_SaveEData"), 0);

    // One 2-byte field on ot16 and one 4-byte field on ot14.
    WriteField(prefs, 12, 2, 0x7777);
    WriteField(prefs, 0, 4, -2);
    Host().ClearCalls();
    EXPECT_EQ(Save(PF_PAGEFORMAT, 0, prefs.data(), 48), 1);
    auto saves = CallsOf("FX_SaveEData");
    ASSERT_EQ(saves.size(), 2u);
    EXPECT_EQ(static_cast<EXTAG>(saves[0].arguments[0]), 0x6F743134u);
    EXPECT_EQ(static_cast<EXTAG>(saves[1].arguments[0]), 0x6F743136u);
    for (const auto& save : saves) {
        EXPECT_EQ(save.arguments[3], 12);
        EXPECT_EQ(save.version, FINALEPDK_VERSION);
    }
    const host::Document& document = builder.Built();
    EXPECT_EQ(StoredChunk(document, "14"), (Words{-1, -2, 0x1402, 0x1403, 0x1404, 0x1405}));
    EXPECT_EQ(StoredChunk(document, "16"), (Words{0x1600, 0x7777, 0x1602, 0x1603, 0x1604, 0x1605}));
    EXPECT_EQ(StoredChunk(document, "02"), Marked(0x0200));
}

TEST_F(RecordTransportTest, StructureSavedIntoEmptyDocumentMakesTheChunks) {
    auto builder = NewDocument();
    Buffer prefs = PageFormatStructure();
    ASSERT_EQ(Save(PF_PAGEFORMAT, 0, prefs.data(), 48), 1);
    const host::Document& document = builder.Built();
    // Words no field covers stay zero.
    EXPECT_EQ(StoredChunk(document, "14"), (Words{0x1400, 0x1401, 0, 0, 0, 0}));
    EXPECT_EQ(StoredChunk(document, "15"), (Words{0, 0, 0x1502, 0x1503, 0, 0}));
    EXPECT_EQ(StoredChunk(document, "17"), (Words{0x1700, 0x1701, 0x1702, 0x1703, 0, 0}));
    EXPECT_EQ(StoredChunk(document, "02"), Marked(0x0200));
    EXPECT_EQ(StoredChunk(document, "13"), (Words{0, 0, 0, 0, 0x1304, 0x1305}));
    EXPECT_EQ(document.records.size(), 9u);
}

TEST_F(RecordTransportTest, StructureSaveRefusesShortBuffersAndOldVersionsGoToTheHost) {
    auto builder = PageFormatDocument(NewDocument());
    Buffer prefs(48, 0x11);
    // Twice the record count (44) is not enough: the structure is 48 bytes.
    EXPECT_EQ(Save(PF_PAGEFORMAT, 0, prefs.data(), 44), 0);
    EXPECT_EQ(Save(PF_PAGEFORMAT, 0, prefs.data(), 47), 0);
    EXPECT_EQ(Save(PF_PAGEFORMAT, 0, nullptr, 48), 0);
    EXPECT_TRUE(Host().Calls().empty());
    EXPECT_EQ(StoredChunk(builder.Built(), "16"), Marked(0x1600));

    // A caller version at or below 0x07FFFFFF stores the structure under its own tag.
    EXPECT_EQ(Save(PF_PAGEFORMAT, 0, prefs.data(), 48, 0x07FFFFFF), 1);
    auto saves = CallsOf("FX_SaveEData");
    ASSERT_EQ(saves.size(), 1u);
    EXPECT_EQ(static_cast<EXTAG>(saves[0].arguments[0]), PF_PAGEFORMAT);
    EXPECT_EQ(saves[0].version, 0x07FFFFFFu);
    EXPECT_EQ(StoredBytes(builder.Built(), PF_PAGEFORMAT, 0, 0), prefs);
    EXPECT_EQ(Host().CountCalls("FX_LoadEData"), 0);
}

TEST_F(RecordTransportTest, StructureSaveReportsAChunkTheHostRefused) {
    auto builder = PageFormatDocument(NewDocument());
    Buffer prefs = PageFormatStructure();
    WriteField(prefs, 8, 2, 0x0AAA);  // ot39
    WriteField(prefs, 46, 2, 0x0BBB); // ot03
    Host().FailNext("FX_SaveEData");
    EXPECT_EQ(Save(PF_PAGEFORMAT, 0, prefs.data(), 48), 0);
    // The refused chunk is unchanged; the other one is still written.
    EXPECT_EQ(StoredChunk(builder.Built(), "39"), Marked(0x3900));
    EXPECT_EQ(StoredChunk(builder.Built(), "03"),
              (Words{0x0300, 0x0BBB, 0x0302, 0x0303, 0x0304, 0x0305}));
}

// ---------------------------------------------------------------------------------------------
// Preference runs.

TEST_F(RecordTransportTest, RunLoadReadsTheChunksInInciOrder) {
    auto builder = NewDocument();
    for (twobyte inci = 0; inci < 11; ++inci)
        Chunk(builder, "88", Marked(0x0800 + 0x10 * inci), inci);

    fourbyte size = 0;
    EXPECT_EQ(Load(PF_GG, 0, nullptr, size), 1);
    EXPECT_EQ(size, 132);
    EXPECT_TRUE(Host().Calls().empty());

    // One byte short: refused without a host call, the buffer untouched.
    Buffer run(132, 0xEE);
    size = 131;
    EXPECT_EQ(Load(PF_GG, 0, run.data(), size), 0);
    EXPECT_TRUE(Host().Calls().empty());
    EXPECT_EQ(run, Buffer(132, 0xEE));

    size = 132;
    ASSERT_EQ(Load(PF_GG, 0, run.data(), size), 1);
    EXPECT_EQ(size, 132);
    EXPECT_EQ(Host().CountCalls("FX_LoadEData"), 11);
    for (int inci = 0; inci < 11; ++inci)
        EXPECT_EQ(ReadField(run, inci * 12 + 4, 2), 0x0802 + 0x10 * inci) << inci;
}

TEST_F(RecordTransportTest, RunWithCmperDependentInci) {
    auto builder = NewDocument();
    Chunk(builder, "40", Marked(0x4040), 4);
    Chunk(builder, "40", Marked(0x4050), 5);
    Buffer run(12, 0);
    fourbyte size = 12;
    ASSERT_EQ(Load(PF_SN, 5, run.data(), size), 1);
    EXPECT_EQ(run, Bytes(Marked(0x4040)));

    // Out of range: the request goes to the host as it is.
    builder.Record(PF_SN, 129, 0, 0, Bytes(Marked(0x1290)));
    Host().ClearCalls();
    ASSERT_EQ(Load(PF_SN, 129, run.data(), size), 1);
    EXPECT_EQ(run, Bytes(Marked(0x1290)));
    auto loads = CallsOf("FX_LoadEData");
    ASSERT_EQ(loads.size(), 1u);
    EXPECT_EQ(static_cast<EXTAG>(loads[0].arguments[0]), PF_SN);
}

TEST_F(RecordTransportTest, RunSaveWritesEveryChunk) {
    auto builder = NewDocument();
    Buffer run = MarkedRun(0x8600, 5);
    EXPECT_EQ(Save(PF_TC, 0, run.data(), 59), 0);
    EXPECT_EQ(Save(PF_TC, 0, nullptr, 60), 0);
    EXPECT_TRUE(Host().Calls().empty());

    EXPECT_EQ(Save(PF_TC, 0, run.data(), 60), 1);
    for (twobyte inci = 0; inci < 5; ++inci)
        EXPECT_EQ(StoredChunk(builder.Built(), "86", inci), Marked(0x8600 + 0x10 * inci)) << inci;
    EXPECT_EQ(Host().CountCalls("FX_SaveEData"), 5);
    EXPECT_EQ(Host().CountCalls("FX_LoadEData"), 0);

    // A chunk the host refuses makes the save fail.
    Host().FailNext("FX_SaveEData");
    EXPECT_EQ(Save(PF_TC, 0, run.data(), 60), 0);

    // Old callers store the run under its own tag.
    Host().ClearCalls();
    EXPECT_EQ(Save(PF_TC, 0, run.data(), 60, 0x07000000), 1);
    EXPECT_EQ(StoredBytes(builder.Built(), PF_TC, 0, 0), run);
    EXPECT_EQ(Host().CountCalls("FX_SaveEData"), 1);
}

// ---------------------------------------------------------------------------------------------
// Tags with loads of their own.

TEST_F(RecordTransportTest, ArticulationDefinitionIsZeroedAndAskedTwice) {
    constexpr EXTAG ARTICULATION_DEF = 0x4F044958;
    NewDocument().Record(ARTICULATION_DEF, 3, 0, 0, Buffer(48, 0x42));
    Buffer buffer(64, 0xEE);
    fourbyte size = 48;
    ASSERT_EQ(Load(ARTICULATION_DEF, 3, buffer.data(), size), 1);
    EXPECT_EQ(size, 48);
    EXPECT_EQ(Head(buffer, 48), Buffer(48, 0x42));
    EXPECT_EQ(Host().CountCalls("FX_LoadEData"), 2);

    // A missing one: the 48 bytes are cleared and the load fails.
    Host().ClearCalls();
    std::fill(buffer.begin(), buffer.end(), 0xEE);
    EXPECT_EQ(Load(ARTICULATION_DEF, 4, buffer.data(), size), 0);
    EXPECT_EQ(Head(buffer, 48), Buffer(48, 0));
    EXPECT_EQ(buffer[48], 0xEE);
    EXPECT_EQ(Host().CountCalls("FX_LoadEData"), 1);

    // Only the bytes the caller's capacity covers are cleared.
    std::fill(buffer.begin(), buffer.end(), 0xEE);
    size = 20;
    EXPECT_EQ(Load(ARTICULATION_DEF, 4, buffer.data(), size), 0);
    EXPECT_EQ(buffer[19], 0);
    EXPECT_EQ(buffer[20], 0xEE);

    // Without a buffer it is an ordinary request.
    Host().ClearCalls();
    size = 0;
    EXPECT_EQ(Load(ARTICULATION_DEF, 3, nullptr, size), 1);
    EXPECT_EQ(size, 48);
    EXPECT_EQ(Host().CountCalls("FX_LoadEData"), 1);
}

TEST_F(RecordTransportTest, LargeZeroedRecordClearsItsBytes) {
    constexpr EXTAG TAG = 0x4F096649;
    NewDocument().Record(TAG, 1, 0, 0, Buffer(108, 0x24));
    Buffer buffer(120, 0xEE);
    fourbyte size = 120;
    EXPECT_EQ(Load(TAG, 2, buffer.data(), size), 0);
    EXPECT_EQ(Head(buffer, 108), Buffer(108, 0));
    EXPECT_EQ(buffer[108], 0xEE);

    Host().ClearCalls();
    EXPECT_EQ(Load(TAG, 1, buffer.data(), size), 1);
    EXPECT_EQ(size, 108);
    EXPECT_EQ(buffer[107], 0x24);
    EXPECT_EQ(Host().CountCalls("FX_LoadEData"), 2);
}

TEST_F(RecordTransportTest, MissingSosdRecordStandsInWhenItsChunkExists) {
    constexpr EXTAG SOSD = 0x534F5344;
    constexpr EXTAG OTSD = 0x6F745344;
    auto builder = NewDocument();
    builder.Record(SOSD, 1, 2, 0, Buffer(66, 0x31));
    builder.Record(OTSD, 7, 0, 0, Bytes(Marked(0x5D00)));

    // Present: the host is asked twice.
    Buffer buffer(80, 0xEE);
    fourbyte size = 80;
    EXPECT_EQ(Load(SOSD, Key(1, 2), buffer.data(), size), 1);
    EXPECT_EQ(size, 66);
    EXPECT_EQ(buffer[65], 0x31);
    EXPECT_EQ(Host().CountCalls("FX_LoadEData"), 2);

    // Missing, with a chunk under (cmper, 0): zeros, capped at 66 bytes, size left alone.
    const Key standIn(7, 3);
    std::fill(buffer.begin(), buffer.end(), 0xEE);
    size = 80;
    EXPECT_EQ(Load(SOSD, standIn, buffer.data(), size), 1);
    EXPECT_EQ(size, 80);
    EXPECT_EQ(Head(buffer, 66), Buffer(66, 0));
    EXPECT_EQ(buffer[66], 0xEE);

    std::fill(buffer.begin(), buffer.end(), 0xEE);
    size = 40;
    EXPECT_EQ(Load(SOSD, standIn, buffer.data(), size), 1);
    EXPECT_EQ(size, 40);
    EXPECT_EQ(buffer[39], 0);
    EXPECT_EQ(buffer[40], 0xEE);

    size = 0;
    EXPECT_EQ(Load(SOSD, standIn, nullptr, size), 1);
    EXPECT_EQ(size, 66);

    // Missing without a chunk: failure, the buffer untouched.
    std::fill(buffer.begin(), buffer.end(), 0xEE);
    size = 80;
    EXPECT_EQ(Load(SOSD, Key(8, 0), buffer.data(), size), 0);
    EXPECT_EQ(buffer, Buffer(80, 0xEE));
}

} // namespace
