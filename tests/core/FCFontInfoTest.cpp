#include "finaleframework/core/FCFontInfo.h"
#include "finaleframework/core/FCString.h"

#include "support/HostFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

class FontInfo : public testing_support::HostTest {};

TEST_F(FontInfo, WritesItselfAsCaretCommands) {
    FCFontInfo font;
    FCString out("old");
    font.MakeEnigmaString(&out);
    EXPECT_STREQ(out.GetCString(), "^font(Times New Roman,4096)^size(12)^nfx(0)");

    font.SetName("Arial");
    font.SetSize(-3);
    font.SetEffects(0xFFFF);
    font.MakeEnigmaString(&out);
    EXPECT_STREQ(out.GetCString(), "^font(Arial,4096)^size(-3)^nfx(65535)");
    font.MakeEnigmaStyleString(&out);
    EXPECT_STREQ(out.GetCString(), "^nfx(65535)");
    EXPECT_STREQ(font.ClassName(), "__FCBase");
}

TEST_F(FontInfo, EnigmaStringReadsBackAsTheSameFont) {
    FCFontInfo font;
    font.SetName("Engraver Font Set");
    font.SetSize(24);
    font.SetEffects(0x0023);
    FCString text;
    font.MakeEnigmaString(&text);
    text.Append("mf");
    std::unique_ptr<FCFontInfo> back(text.CreateLastFontInfo());
    EXPECT_TRUE(back->IsIdenticalTo(&font));
    EXPECT_EQ(back->GetEffects(), 0x0023);
}

TEST_F(FontInfo, ConvertsBetweenNamesAndHostFontNumbers) {
    NewDocument();
    FCFontInfo font;
    font.SetName("Arial");
    EXPECT_EQ(font.GetNameByID(), 2);

    // The host numbers a font it did not know yet; the number reads back as the name.
    font.SetName("Petaluma");
    const twobyte added = font.GetNameByID();
    EXPECT_EQ(added, 4);
    FCFontInfo other;
    other.SetNameByID(added);
    EXPECT_STREQ(other.GetName(), "Petaluma");

    other.SetNameByID(0);
    EXPECT_STREQ(other.GetName(), "Maestro");
    other.SetNameByID(77);
    EXPECT_STREQ(other.GetName(), "Times New Roman");
    ExpectEveryCallPassedFrameworkVersion();

    // A failing host falls back to Times New Roman as well.
    font.SetName("Arial");
    Host().FailNext("FX_FontNumToName");
    font.SetNameByID(2);
    EXPECT_STREQ(font.GetName(), "Times New Roman");
}

TEST_F(FontInfo, IdentityIgnoresEffectBitsThatAreNotLooks) {
    FCFontInfo a;
    FCFontInfo b;
    EXPECT_TRUE(a.IsIdenticalTo(&b));
    EXPECT_FALSE(a.IsIdenticalTo(nullptr));

    b.SetEffects(0x0008); // not one of the compared bits
    EXPECT_TRUE(a.IsIdenticalTo(&b));
    b.SetEffects(0xFF18);
    EXPECT_TRUE(a.IsIdenticalTo(&b));

    for (utwobyte bit : {0x0001, 0x0002, 0x0004, 0x0020, 0x0040, 0x0080}) {
        b.SetEffects(bit);
        EXPECT_FALSE(a.IsIdenticalTo(&b)) << bit;
    }

    b.SetEffects(0);
    b.SetSize(13);
    EXPECT_FALSE(a.IsIdenticalTo(&b));
    b.SetSize(12);
    b.SetName("times new roman"); // names compare exactly
    EXPECT_FALSE(a.IsIdenticalTo(&b));
}

TEST_F(FontInfo, LongNamesAreCut) {
    FCFontInfo font;
    font.SetName(std::string(400, 'x').c_str());
    EXPECT_EQ(std::string(font.GetName()).size(), 255u);
    font.SetName(nullptr);
    EXPECT_STREQ(font.GetName(), "");
}
