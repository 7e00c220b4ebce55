// Articulation definitions: positioning sides, symbol fonts and the detailed comparison.
#include "finaleframework/document/FCArticulationDef.h"

#include "finaleframework/core/FCFontInfo.h"
#include "host/TextRecords.h"
#include "document/DocumentTest.h"
#include "support/HostFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

namespace {

constexpr EXTAG ARTICULATION_DEF = 0x4F044958;

// Offsets in the 48-byte record.
constexpr int MAIN_CHAR = 0;
constexpr int MAIN_FONT = 2;
constexpr int MAIN_SIZE = 3;
constexpr int DEF_FLAGS = 10;
constexpr int FLIPPED_FONT = 14;
constexpr int DEF_FLAGS2 = 22;

using testing_support::Bytes;

class ArticulationDef : public testing_support::HostTest {
protected:
    /// A definition whose main symbol is `ch` in font `font` at `size` points.
    static Bytes Record(unsigned char ch, unsigned char font, unsigned char size) {
        Bytes bytes(48, 0);
        bytes[MAIN_CHAR] = ch;
        bytes[MAIN_FONT] = font;
        bytes[MAIN_SIZE] = size;
        return bytes;
    }
    void SetUp() override {
        maestro_ = Host().FontNumber("Maestro");
        engraver_ = Host().FontNumber("Engraver");
    }
    /// Two loaded copies of definition 1 to compare after changing one of them.
    void LoadPair(FCArticulationDef& a, FCArticulationDef& b) {
        NewDocument().Record(ARTICULATION_DEF, 1, 0, 0,
                             Record('>', static_cast<unsigned char>(maestro_), 24));
        ASSERT_TRUE(a.Load(1));
        ASSERT_TRUE(b.Load(1));
    }
    twobyte maestro_ = 0;
    twobyte engraver_ = 0;
    // Font names as the definition's name arguments take them.
    const char engraver[256] = "Engraver";
    const char maestro[256] = "Maestro";
};

} // namespace

TEST_F(ArticulationDef, PositioningSidesRoundTripThroughTheSideCode) {
    FCArticulationDef def;
    const utwobyte codes[] = {0, 4, 0, 1, 3, 2};
    for (int side = 1; side <= 5; ++side) {
        def.SetAutoPosSide(static_cast<FCArticulationDef::POSITIONING_SIDES>(side));
        EXPECT_EQ(def.GetAutoPosSide(), side);
        EXPECT_EQ(def._GetWord(DEF_FLAGS) & 0x000F, 0x0008 | codes[side]) << side;
    }
    def.SetAutoPosSide(FCArticulationDef::ARTPOS_SIDE1);
    def.SetAutoPosSide(FCArticulationDef::ARTPOS_MANUAL);
    EXPECT_EQ(def.GetAutoPosSide(), FCArticulationDef::ARTPOS_MANUAL);
    EXPECT_EQ(def._GetWord(DEF_FLAGS) & 0x000F, 0x0004) << "the side code stays";

    def.SetAutoPosSide(static_cast<FCArticulationDef::POSITIONING_SIDES>(6));
    EXPECT_EQ(def._GetWord(DEF_FLAGS) & 0x000F, 0x0004) << "values beyond 5 change nothing";
    for (utwobyte code : {5, 6, 7}) {
        def._SetWord(DEF_FLAGS, static_cast<utwobyte>(0x0008 | code));
        EXPECT_EQ(def.GetAutoPosSide(), FCArticulationDef::ARTPOS_MANUAL) << code;
    }
}

TEST_F(ArticulationDef, LoadsAndSavesThroughTheHost) {
    NewDocument().Record(ARTICULATION_DEF, 3, 0, 0, Record('.', 0, 12));
    FCArticulationDef def;
    EXPECT_FALSE(def.Load(2));
    ASSERT_TRUE(def.Load(3));
    EXPECT_EQ(def.GetMainSymbol(), '.');
    def.SetMainSymbol('>');
    ASSERT_TRUE(def.Save());
    FCArticulationDef again;
    ASSERT_TRUE(again.Load(3));
    EXPECT_EQ(again.GetMainSymbol(), '>');

    auto copy = testing_support::CloneOf(def);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetMainSymbol(), '>');
    EXPECT_EQ(copy->_GetDataSize(), 48);
}

TEST_F(ArticulationDef, SymbolFontsComeFromTheHostsFontTable) {
    FCArticulationDef def;
    char name[256];
    def.SetMainSymbolFont(&engraver);
    def.SetMainSymbolSize(0x118); // only the low 8 bits are kept
    EXPECT_EQ(def._GetWord(MAIN_FONT) & 0xFF, engraver_);
    EXPECT_EQ(def._GetWord(MAIN_FONT) >> 8, 0x18);
    def.GetMainSymbolFont(&name);
    EXPECT_STREQ(name, "Engraver");
    EXPECT_TRUE(def.IsMainSymbolFont(&engraver));
    EXPECT_FALSE(def.IsFlippedSymbolFont(&engraver));
    EXPECT_TRUE(def.IsFlippedSymbolFont(&maestro)) << "font number 0";

    def.SetMainSymbolUsesDefaultFont(true);
    def.GetMainSymbolFont(&name);
    EXPECT_STREQ(name, "");

    // A font number the host does not know reads as no name, not as what the buffer held.
    FCArticulationDef unknown;
    unknown._SetWord(FLIPPED_FONT, 200);
    std::memset(name, 'x', sizeof name);
    unknown.GetFlippedSymbolFont(&name);
    EXPECT_STREQ(name, "");
}

TEST_F(ArticulationDef, FontInfoOfASymbolWithoutAFontOfItsOwn) {
    FCArticulationDef def;
    FCFontInfo given;
    given.SetName("Engraver");
    given.SetSize(18);
    given.SetEffects(0x0102); // only the low 8 bits are kept
    def.SetMainSymbolFontInfo(&given);
    EXPECT_EQ(def._GetWord(MAIN_CHAR) >> 8, 0x02) << "effects";
    EXPECT_EQ(def._GetWord(MAIN_FONT), engraver_ | (18 << 8));
    EXPECT_FALSE(def.GetMainSymbolUsesDefaultFont());
    EXPECT_TRUE(def.IsMainSymbolFont(&engraver));

    FCFontInfo info;
    def.GetMainSymbolFontInfo(&info);
    EXPECT_STREQ(info.GetName(), "Engraver");
    EXPECT_EQ(info.GetSize(), 18);
    EXPECT_EQ(info.GetEffects(), 0x02);

    def.SetMainSymbolUsesDefaultFont(true);
    def.GetMainSymbolFontInfo(&info);
    EXPECT_STREQ(info.GetName(), "");
    EXPECT_EQ(info.GetSize(), 0);
    std::unique_ptr<FCFontInfo> created(def.CreateMainSymbolFontInfo());
    EXPECT_STREQ(created->GetName(), "");
    EXPECT_EQ(created->GetSize(), 18) << "the stored size, font of its own or not";
    EXPECT_EQ(created->GetEffects(), 0x02);

    // The flipped symbol has fields of its own.
    def.SetFlippedSymbolFontInfo(&given);
    def.SetFlippedSymbolSize(9);
    def.GetFlippedSymbolFontInfo(&info);
    EXPECT_STREQ(info.GetName(), "Engraver");
    EXPECT_EQ(info.GetSize(), 9);
    def.SetFlippedSymbolUsesDefaultFont(true);
    def.GetFlippedSymbolFontInfo(&info);
    EXPECT_EQ(info.GetSize(), 0);
}

TEST_F(ArticulationDef, IdentityAlwaysComparesCharactersFlagsAndTheMainFont) {
    FCArticulationDef a, b;
    LoadPair(a, b);
    EXPECT_TRUE(a.IsIdenticalTo(&a, true, true, true, true));
    EXPECT_TRUE(a.IsIdenticalTo(&b, true, true, true, true));
    EXPECT_FALSE(a.IsIdenticalTo(nullptr, false, false, false, false));

    b.SetMainSymbol('^');
    EXPECT_FALSE(a.IsIdenticalTo(&b, false, false, false, false));
    // Without a font of its own a symbol's character does not count, but the bit does.
    b.SetMainSymbolUsesDefaultFont(true);
    EXPECT_FALSE(a.IsIdenticalTo(&b, false, false, false, false));
    a.SetMainSymbolUsesDefaultFont(true);
    EXPECT_TRUE(a.IsIdenticalTo(&b, false, false, false, false));

    FCArticulationDef c, d;
    LoadPair(c, d);
    d.SetMainSymbolFont(&engraver);
    EXPECT_FALSE(c.IsIdenticalTo(&d, false, false, false, false));
    d.SetMainSymbolFont(nullptr); // ignored
    d.SetMainSymbolFont(&maestro);
    d.SetFlippedSymbolFont(&engraver);
    EXPECT_TRUE(c.IsIdenticalTo(&d, false, false, false, false))
        << "flipped fonts are not compared";
    d._SetWord(DEF_FLAGS, 0x0020);
    EXPECT_FALSE(c.IsIdenticalTo(&d, false, false, false, false));
    d._SetWord(DEF_FLAGS, 0x0800); // a flag that takes no part
    EXPECT_TRUE(c.IsIdenticalTo(&d, true, true, true, true));
}

TEST_F(ArticulationDef, EachCheckAddsItsOwnFields) {
    FCArticulationDef a, b;
    LoadPair(a, b);
    for (int offset : {36, 38, 40, 42, 44, 46}) {
        b._SetWord(offset, 7);
        EXPECT_TRUE(a.IsIdenticalTo(&b, false, true, true, true)) << offset;
        EXPECT_FALSE(a.IsIdenticalTo(&b, true, false, false, false)) << offset;
        b._SetWord(offset, 0);
    }
    for (int offset : {16, 18, 20, 28, 30}) {
        b._SetWord(offset, 7);
        EXPECT_TRUE(a.IsIdenticalTo(&b, true, false, true, true)) << offset;
        EXPECT_FALSE(a.IsIdenticalTo(&b, false, true, false, false)) << offset;
        b._SetWord(offset, 0);
    }
    for (utwobyte bit : {0x1000, 0x0080, 0x0010, 0x0200}) {
        b._SetWord(DEF_FLAGS, bit);
        EXPECT_TRUE(a.IsIdenticalTo(&b, true, true, false, true)) << bit;
        EXPECT_FALSE(a.IsIdenticalTo(&b, false, false, true, false)) << bit;
    }
    b._SetWord(DEF_FLAGS, 0);
    b._SetWord(DEF_FLAGS2, 0x0001);
    EXPECT_FALSE(a.IsIdenticalTo(&b, false, false, true, false));
    b._SetWord(DEF_FLAGS2, 0x0008);
    EXPECT_FALSE(a.IsIdenticalTo(&b, true, false, false, false));
    EXPECT_TRUE(a.IsIdenticalTo(&b, false, true, true, true));
    b._SetWord(DEF_FLAGS2, 0);

    b.SetAutoPosSide(FCArticulationDef::ARTPOS_SIDE3);
    EXPECT_FALSE(a.IsIdenticalTo(&b, false, false, false, true));
    EXPECT_TRUE(a.IsIdenticalTo(&b, true, true, true, false));
    a.SetAutoPosSide(FCArticulationDef::ARTPOS_SIDE3);
    EXPECT_TRUE(a.IsIdenticalTo(&b, true, true, true, true));
}
