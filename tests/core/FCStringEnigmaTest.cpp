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

/// A text trimmed by one of the trims: what it answered and what is left.
struct Trim {
    const char* text;
    bool removed;
    const char* left;
};

void ExpectTrims(bool (FCString::*trim)(), std::initializer_list<Trim> cases) {
    for (const Trim& c : cases) {
        SCOPED_TRACE(c.text);
        FCString s(c.text);
        EXPECT_EQ((s.*trim)(), c.removed);
        EXPECT_STREQ(s.GetCString(), c.left);
    }
}

} // namespace

TEST(EnigmaText, TrimTagsRemovesCommandsAndUnescapesCarets) {
    ExpectTrims(&FCString::TrimEnigmaTags,
                {
                    {"^font(Arial,4096)^size(10)Allegro ^^ 2", true, "Allegro ^ 2"},
                    {"Allegro (con brio)", false, "Allegro (con brio)"},
                    {"Solo^", true, "Solo"},
                    // An escaped caret directly before a command stays a caret; the command goes.
                    {"^^^size(3)x^^", true, "^x^"},
                    {"a^^b", false, "a^b"},
                    // Commands end at the first ')' - inside a font name the rest of the name is
                    // plain text - or at the end of the text.
                    {"^font(Ar)ial,4096)x", true, "ial,4096)x"},
                    {"Presto^font(Arial,4096", true, "Presto"},
                    {"^size(10)^nfx(1)", true, ""},
                });
}

TEST(EnigmaText, TrimFontTagsKeepsOtherCommands) {
    ExpectTrims(
        &FCString::TrimEnigmaFontTags,
        {
            {"^fontTxt(Arial,4096)Solo^value(1)", true, "Solo^value(1)"},
            {"^fontMus(Maestro,4096)^fontNum(Arial,4096)^Font(x)^nfx(2)^size(9)a^^b^page(0)", true,
             "a^b^page(0)"},
            {"^value(1) and ^page(0)", false, "^value(1) and ^page(0)"},
            // A command still open at the end goes without counting as removed.
            {"abc^size(1", false, "abc"},
            {"abc^value(", false, "abc"},
            {"^font(Ar)ial,4096)x", true, "ial,4096)x"},
        });
}

TEST(EnigmaText, EnigmaStringsAreTheCommandsInOrder) {
    EXPECT_EQ(Texts(FCString("a^font(Arial,4096)b^^c^size(10)d^value(").CreateEnigmaStrings()),
              (Strings{"^font(Arial,4096)", "^size(10)", "^value("}));
    EXPECT_EQ(Texts(FCString("no ^^ commands").CreateEnigmaStrings()), Strings{});
    // Inside a command every character counts, a caret included.
    EXPECT_EQ(Texts(FCString("^a(^b)c").CreateEnigmaStrings()), Strings{"^a(^b)"});
}

TEST(EnigmaText, ComponentsOfOneCommand) {
    EXPECT_EQ(Texts(FCString("^size(12)").CreateEnigmaComponents()), (Strings{"size", "12"}));
    EXPECT_EQ(Texts(FCString("^font(Times New Roman,4096)").CreateEnigmaComponents()),
              (Strings{"font", "Times New Roman", "4096"}));
    EXPECT_EQ(FCString("^").CreateEnigmaComponents(), nullptr);
    EXPECT_EQ(FCString("size(12)").CreateEnigmaComponents(), nullptr);
    EXPECT_EQ(Texts(FCString("^(,)").CreateEnigmaComponents()), Strings{});
}

TEST(EnigmaText, ParsedStringsDropEmptyRuns) {
    EXPECT_EQ(Texts(FCString(",a,,b,").CreateParsedStrings(",")), (Strings{"a", "b"}));
    EXPECT_EQ(Texts(FCString("x y;;z ").CreateParsedStrings(" ;")), (Strings{"x", "y", "z"}));
    EXPECT_EQ(Texts(FCString(",,,").CreateParsedStrings(",")), Strings{});
    EXPECT_EQ(Texts(FCString().CreateParsedStrings(",")), Strings{});
    // No separators: the whole text is one run.
    EXPECT_EQ(Texts(FCString("a,b").CreateParsedStrings(nullptr)), Strings{"a,b"});
    EXPECT_EQ(Texts(FCString("a,b").CreateParsedStrings("")), Strings{"a,b"});
    // Separators are widened like any 8-bit text, so a high byte matches its own character.
    EXPECT_EQ(Texts(FCString("a\xA7"
                             "b")
                        .CreateParsedStrings("\xA7")),
              (Strings{"a", "b"}));
}

class LastFontInfo : public testing_support::HostTest {};

TEST_F(LastFontInfo, LastCommandOfEachKindWins) {
    NewDocument();
    std::unique_ptr<FCFontInfo> font(
        FCString("^font(Font3,4096)^size(14)^nfx(2)x^size(9)").CreateLastFontInfo());
    EXPECT_STREQ(font->GetName(), "Engraver Font Set"); // the host's font number 3
    EXPECT_EQ(font->GetSize(), 9);
    EXPECT_EQ(font->GetEffects(), 2);
    ExpectEveryCallPassedFrameworkVersion();

    font.reset(
        FCString("^fontTxt(Arial,4096)^fontMus(Maestro,4096)^fontNum(Font2,4096)^font(Bravura,4)")
            .CreateLastFontInfo());
    EXPECT_STREQ(font->GetName(), "Bravura");
}

TEST_F(LastFontInfo, TextWithoutCommandsGivesTheDefaultFont) {
    std::unique_ptr<FCFontInfo> font(FCString("Allegro ^^ 2").CreateLastFontInfo());
    EXPECT_STREQ(font->GetName(), "Times New Roman");
    EXPECT_EQ(font->GetSize(), 12);
    EXPECT_EQ(font->GetEffects(), 0);
    EXPECT_EQ(Host().CountCalls("FX_FontNumToName"), 0);
}

TEST_F(LastFontInfo, MalformedCommandsAreSkippedOrFallBack) {
    NewDocument();
    // Missing arguments are skipped; other names are ignored.
    std::unique_ptr<FCFontInfo> font(
        FCString("^font(Arial,4096)^size()^nfx^font()^value(3)^size(+7)").CreateLastFontInfo());
    EXPECT_STREQ(font->GetName(), "Arial");
    EXPECT_EQ(font->GetSize(), 7);
    EXPECT_EQ(font->GetEffects(), 0);

    // A font number the host does not know falls back to Times New Roman.
    font.reset(FCString("^font(Arial,4096)^font(Font99,4096)").CreateLastFontInfo());
    EXPECT_STREQ(font->GetName(), "Times New Roman");

    // Numbers stop at the first non-digit; effects are read as 16 bits without sign.
    font.reset(FCString("^size(10pt)^nfx(65535)").CreateLastFontInfo());
    EXPECT_EQ(font->GetSize(), 10);
    EXPECT_EQ(font->GetEffects(), 0xFFFF);

    // A ')' in a name cuts the name there.
    font.reset(FCString("^font(Ar)ial,4096)").CreateLastFontInfo());
    EXPECT_STREQ(font->GetName(), "Ar");

    // Names are kept to 255 characters.
    font.reset(
        FCString(("^font(" + std::string(300, 'n') + ",4096)").c_str()).CreateLastFontInfo());
    EXPECT_EQ(std::string(font->GetName()), std::string(255, 'n'));
}
