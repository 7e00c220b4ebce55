#include "finaleframework/core/FCFontInfo.h"
#include "finaleframework/core/FCString.h"
#include "finaleframework/core/FCStrings.h"

#include "support/HostFixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

/// The texts of a string collection, in order; the collection is destroyed.
std::vector<std::string> Texts(FCStrings* strings) {
    std::unique_ptr<FCStrings> owned(strings);
    std::vector<std::string> texts;
    for (int i = 0; i < owned->GetCount(); ++i)
        texts.emplace_back(static_cast<FCString*>(owned->GetItemAt(i))->GetCString());
    return texts;
}

using Strings = std::vector<std::string>;

} // namespace

TEST(EnigmaText, TrimTagsRemovesCommandsAndUnescapesCarets) {
    FCString s("^font(Arial,4096)^size(10)Allegro ^^ 2");
    EXPECT_TRUE(s.TrimEnigmaTags());
    EXPECT_STREQ(s.GetCString(), "Allegro ^ 2");

    FCString plain("Allegro (con brio)");
    EXPECT_FALSE(plain.TrimEnigmaTags());
    EXPECT_STREQ(plain.GetCString(), "Allegro (con brio)");

    FCString loneCaret("Solo^");
    EXPECT_TRUE(loneCaret.TrimEnigmaTags());
    EXPECT_STREQ(loneCaret.GetCString(), "Solo");

    // An escaped caret directly before a command stays a caret; the command goes.
    FCString escaped("^^^size(3)x^^");
    EXPECT_TRUE(escaped.TrimEnigmaTags());
    EXPECT_STREQ(escaped.GetCString(), "^x^");

    FCString onlyEscapes("a^^b");
    EXPECT_FALSE(onlyEscapes.TrimEnigmaTags());
    EXPECT_STREQ(onlyEscapes.GetCString(), "a^b");
}

TEST(EnigmaText, CommandsEndAtTheFirstClosingParenthesisOrTheEnd) {
    // A ')' inside a font name ends the command: the rest of the name is plain text.
    FCString inName("^font(Ar)ial,4096)x");
    EXPECT_TRUE(inName.TrimEnigmaTags());
    EXPECT_STREQ(inName.GetCString(), "ial,4096)x");

    FCString unclosed("Presto^font(Arial,4096");
    EXPECT_TRUE(unclosed.TrimEnigmaTags());
    EXPECT_STREQ(unclosed.GetCString(), "Presto");

    FCString allCommands("^size(10)^nfx(1)");
    EXPECT_TRUE(allCommands.TrimEnigmaTags());
    EXPECT_EQ(allCommands.GetLength(), 0);
}

TEST(EnigmaText, TrimFontTagsKeepsOtherCommands) {
    FCString s("^fontTxt(Arial,4096)Solo^value(1)");
    EXPECT_TRUE(s.TrimEnigmaFontTags());
    EXPECT_STREQ(s.GetCString(), "Solo^value(1)");

    FCString every("^fontMus(Maestro,4096)^fontNum(Arial,4096)^Font(x)^nfx(2)^size(9)a^^b^page(0)");
    EXPECT_TRUE(every.TrimEnigmaFontTags());
    EXPECT_STREQ(every.GetCString(), "a^b^page(0)");

    FCString noFont("^value(1) and ^page(0)");
    EXPECT_FALSE(noFont.TrimEnigmaFontTags());
    EXPECT_STREQ(noFont.GetCString(), "^value(1) and ^page(0)");

    // A command still open at the end goes without counting as removed.
    FCString open("abc^size(1");
    EXPECT_FALSE(open.TrimEnigmaFontTags());
    EXPECT_STREQ(open.GetCString(), "abc");
    FCString openOther("abc^value(");
    EXPECT_FALSE(openOther.TrimEnigmaFontTags());
    EXPECT_STREQ(openOther.GetCString(), "abc");

    FCString inName("^font(Ar)ial,4096)x");
    EXPECT_TRUE(inName.TrimEnigmaFontTags());
    EXPECT_STREQ(inName.GetCString(), "ial,4096)x");
}

TEST(EnigmaText, EnigmaStringsAreTheCommandsInOrder) {
    FCString s("a^font(Arial,4096)b^^c^size(10)d^value(");
    EXPECT_EQ(Texts(s.CreateEnigmaStrings()),
              (Strings{"^font(Arial,4096)", "^size(10)", "^value("}));

    FCString plain("no ^^ commands");
    EXPECT_EQ(Texts(plain.CreateEnigmaStrings()), Strings{});

    // Inside a command every character counts, a caret included.
    FCString caretInside("^a(^b)c");
    EXPECT_EQ(Texts(caretInside.CreateEnigmaStrings()), Strings{"^a(^b)"});
}

TEST(EnigmaText, ComponentsOfOneCommand) {
    FCString size("^size(12)");
    EXPECT_EQ(Texts(size.CreateEnigmaComponents()), (Strings{"size", "12"}));

    FCString font("^font(Times New Roman,4096)");
    EXPECT_EQ(Texts(font.CreateEnigmaComponents()), (Strings{"font", "Times New Roman", "4096"}));

    FCString lone("^");
    EXPECT_EQ(lone.CreateEnigmaComponents(), nullptr);
    FCString noCaret("size(12)");
    EXPECT_EQ(noCaret.CreateEnigmaComponents(), nullptr);

    FCString empty("^(,)");
    EXPECT_EQ(Texts(empty.CreateEnigmaComponents()), Strings{});
}

TEST(EnigmaText, ParsedStringsDropEmptyRuns) {
    FCString s(",a,,b,");
    EXPECT_EQ(Texts(s.CreateParsedStrings(",")), (Strings{"a", "b"}));

    FCString several("x y;;z ");
    EXPECT_EQ(Texts(several.CreateParsedStrings(" ;")), (Strings{"x", "y", "z"}));

    FCString onlySeparators(",,,");
    EXPECT_EQ(Texts(onlySeparators.CreateParsedStrings(",")), Strings{});
    FCString empty;
    EXPECT_EQ(Texts(empty.CreateParsedStrings(",")), Strings{});

    // No separators: the whole text is one run.
    FCString whole("a,b");
    EXPECT_EQ(Texts(whole.CreateParsedStrings(nullptr)), Strings{"a,b"});
    EXPECT_EQ(Texts(whole.CreateParsedStrings("")), Strings{"a,b"});

    // Separators are widened like any 8-bit text, so a high byte matches its own character.
    FCString high("a\xA7"
                  "b");
    EXPECT_EQ(Texts(high.CreateParsedStrings("\xA7")), (Strings{"a", "b"}));
}

class LastFontInfo : public testing_support::HostTest {};

TEST_F(LastFontInfo, LastCommandOfEachKindWins) {
    NewDocument();
    FCString s("^font(Font3,4096)^size(14)^nfx(2)x^size(9)");
    std::unique_ptr<FCFontInfo> font(s.CreateLastFontInfo());
    EXPECT_STREQ(font->GetName(), "Engraver Font Set"); // the host's font number 3
    EXPECT_EQ(font->GetSize(), 9);
    EXPECT_EQ(font->GetEffects(), 2);
    ExpectEveryCallPassedFrameworkVersion();

    FCString names(
        "^fontTxt(Arial,4096)^fontMus(Maestro,4096)^fontNum(Font2,4096)^font(Bravura,4)");
    font.reset(names.CreateLastFontInfo());
    EXPECT_STREQ(font->GetName(), "Bravura");
}

TEST_F(LastFontInfo, TextWithoutCommandsGivesTheDefaultFont) {
    FCString s("Allegro ^^ 2");
    std::unique_ptr<FCFontInfo> font(s.CreateLastFontInfo());
    EXPECT_STREQ(font->GetName(), "Times New Roman");
    EXPECT_EQ(font->GetSize(), 12);
    EXPECT_EQ(font->GetEffects(), 0);
    EXPECT_EQ(Host().CountCalls("FX_FontNumToName"), 0);
}

TEST_F(LastFontInfo, MalformedCommandsAreSkippedOrFallBack) {
    NewDocument();
    // Missing arguments are skipped; other names are ignored.
    FCString missing("^font(Arial,4096)^size()^nfx^font()^value(3)^size(+7)");
    std::unique_ptr<FCFontInfo> font(missing.CreateLastFontInfo());
    EXPECT_STREQ(font->GetName(), "Arial");
    EXPECT_EQ(font->GetSize(), 7);
    EXPECT_EQ(font->GetEffects(), 0);

    // A font number the host does not know falls back to Times New Roman.
    FCString unknown("^font(Arial,4096)^font(Font99,4096)");
    font.reset(unknown.CreateLastFontInfo());
    EXPECT_STREQ(font->GetName(), "Times New Roman");

    // Numbers stop at the first non-digit; effects are read as 16 bits without sign.
    FCString numbers("^size(10pt)^nfx(65535)");
    font.reset(numbers.CreateLastFontInfo());
    EXPECT_EQ(font->GetSize(), 10);
    EXPECT_EQ(font->GetEffects(), 0xFFFF);

    // A ')' in a name cuts the name there.
    FCString paren("^font(Ar)ial,4096)");
    font.reset(paren.CreateLastFontInfo());
    EXPECT_STREQ(font->GetName(), "Ar");

    // Names are kept to 255 characters.
    FCString longName(("^font(" + std::string(300, 'n') + ",4096)").c_str());
    font.reset(longName.CreateLastFontInfo());
    EXPECT_EQ(std::string(font->GetName()), std::string(255, 'n'));
}
