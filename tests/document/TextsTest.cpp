// Raw texts, text blocks and text expression definitions.
#include "finaleframework/core/FCString.h"
#include "finaleframework/document/FCCategoryDef.h"
#include "finaleframework/document/FCMeasureNumberRegion.h"
#include "finaleframework/document/FCRawText.h"
#include "finaleframework/document/FCTextBlock.h"
#include "finaleframework/document/FCTextExpressionDef.h"
#include "host/TextRecords.h"
#include "document/DocumentTest.h"
#include "support/HostFixture.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

using testing_support::Bytes;
using testing_support::TakeText;

class Texts : public testing_support::HostTest {
protected:
    const Bytes* Stored(EXTAG tag, twobyte item) {
        return testing_support::FindRecord(*Host().Current(), tag, item);
    }
    std::string RawText(EXTAG tag, twobyte item) {
        return host::ReadRawText(*Host().Current(), tag, item);
    }
    static std::string Text(FCString* string) { return string->GetCString(); }
    /// The definition's description, read into a text that held something else.
    static std::string Description(FCTextExpressionDef& def) {
        FCString description("x");
        def.GetDescription(&description);
        return description.GetCString();
    }
    /// The rehearsal mark `n` of the definition's style, or "<none>" when it answers false (the
    /// text is then checked to be left as it was).
    static std::string Mark(FCTextExpressionDef& def, int n) {
        FCString out("unchanged");
        if (!def.MakeRehearsalMark(n, &out)) {
            EXPECT_EQ(Text(&out), "unchanged");
            return "<none>";
        }
        return out.GetCString();
    }
};

} // namespace

// Raw texts ------------------------------------------------------------------------------------

TEST_F(Texts, ARawTextIsAsLongAsTheHostSays) {
    NewDocument().TextBlock(4, "^fontTxt(Arial,4096)Flute");
    FCRawText raw;
    ASSERT_TRUE(raw.Load(4));
    EXPECT_EQ(raw._GetDataSize(), 26);
    EXPECT_EQ(TakeText(raw.CreateString()), "^fontTxt(Arial,4096)Flute");
    EXPECT_FALSE(raw.Load(5));
    EXPECT_EQ(TakeText(raw.CreateString()), "");
    raw.SetCustomTag(FCRawText::EXPRESSION_TAG);
    EXPECT_FALSE(raw.Load(4)) << "expression texts live under another tag";
}

TEST_F(Texts, ARawTextWithoutTerminatorEndsWithItsBytes) {
    NewDocument().Record(FCRawText::DEFAULT_TAG, 1, 0, 0, {'a', 'b', 'c'});
    FCRawText raw;
    ASSERT_TRUE(raw.Load(1));
    EXPECT_EQ(TakeText(raw.CreateString()), "abc");
}

TEST_F(Texts, SaveNewAsksTheHostForANumberOnlyWithText) {
    NewDocument().TextBlock(1, "one");
    FCRawText raw;
    Host().ClearCalls();
    EXPECT_FALSE(raw.SaveNew());
    EXPECT_EQ(Host().Calls().size(), 0u);

    FCString text("two");
    raw.SetText(&text);
    EXPECT_EQ(raw._GetDataSize(), 4);
    ASSERT_TRUE(raw.SaveNew());
    EXPECT_EQ(raw.GetItemNo(), 2);
    EXPECT_EQ(RawText(FCRawText::DEFAULT_TAG, 2), "two");

    FCString changed("three");
    raw.SetText(&changed);
    ASSERT_TRUE(raw.SaveAs(1));
    EXPECT_EQ(RawText(FCRawText::DEFAULT_TAG, 1), "three");
    EXPECT_EQ(raw.CreateObject(), nullptr);
    EXPECT_EQ(raw.CreateClone(), nullptr);
}

TEST_F(Texts, LoadFirstStepsFromNumberZero) {
    NewDocument().TextBlock(3, "third").TextBlock(7, "seventh");
    FCRawText raw;
    ASSERT_TRUE(raw.LoadFirst());
    EXPECT_EQ(raw.GetItemNo(), 3);
    ASSERT_TRUE(raw.LoadNext());
    EXPECT_EQ(TakeText(raw.CreateString()), "seventh");
    EXPECT_FALSE(raw.LoadNext());
}

// Text blocks ----------------------------------------------------------------------------------

TEST_F(Texts, ANewTextBlockIsInTheDefaultState) {
    NewDocument();
    FCTextBlock block;
    const auto* record = static_cast<const unsigned char*>(block._GetData());
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(block._GetDataSize(), 26);
    Bytes expected(26, 0);
    expected[8] = 100;
    expected[14] = 0x08;
    expected[15] = 0x1A;
    EXPECT_EQ(Bytes(record, record + 26), expected);

    block.SetRawTextID(5);
    block.SetTextKind(FCTextBlock::KIND_BLOCK);
    ASSERT_TRUE(block.SaveNew());
    expected[0] = 5;
    expected[24] = 0x6C;
    expected[25] = 0x62;
    EXPECT_EQ(*Stored(host::TAG_TEXTBLOCK, static_cast<twobyte>(block.GetItemNo())), expected);
}

TEST_F(Texts, ATextBlockReadsItsRawTextUnderTheBlockTag) {
    NewDocument().TextBlock(2, "Oboe").TextBlock(3, "dolce", true);
    FCTextBlock block;
    ASSERT_TRUE(block.Load(2));
    EXPECT_EQ(block.GetTextKind(), FCTextBlock::KIND_BLOCK);
    EXPECT_EQ(TakeText(block.CreateRawTextString()), "Oboe");
    ASSERT_TRUE(block.Load(3));
    EXPECT_EQ(block.GetTextKind(), FCTextBlock::KIND_EXPRESSION);
    EXPECT_EQ(TakeText(block.CreateRawTextString()), "");
}

// Text expression definitions ------------------------------------------------------------------

TEST_F(Texts, ADefinitionReadsItsTextThroughItsBlock) {
    NewDocument()
        .TextBlock(6, "^fontTxt(Times,4096)rit.", true)
        .TextExpressionDef(2, 6, 0, "slower");
    FCTextExpressionDef def;
    ASSERT_TRUE(def.Load(2));
    EXPECT_EQ(def.GetTextID(), 6);
    EXPECT_EQ(TakeText(def.CreateTextString()), "^fontTxt(Times,4096)rit.");
    EXPECT_EQ(Description(def), "slower");

    def.SetTextID(9);
    EXPECT_EQ(TakeText(def.CreateTextString()), "");
}

TEST_F(Texts, AFailedLoadLeavesAZeroedRecord) {
    NewDocument().TextExpressionDef(1, 4, 2, "a long description");
    FCTextExpressionDef def;
    EXPECT_EQ(def._GetDataSize(), 36);
    ASSERT_TRUE(def.Load(1));
    EXPECT_EQ(def.GetRehearsalMarkStyle(), 2);
    EXPECT_FALSE(def.Load(8));
    EXPECT_EQ(def._GetDataSize(), 0);
    EXPECT_EQ(def._GetBufferSize(), 36);
    EXPECT_EQ(def.GetTextID(), 0);
    EXPECT_EQ(def.GetRehearsalMarkStyle(), 0);
    EXPECT_EQ(Description(def), "");
}

TEST_F(Texts, AShortRecordReadsZeroBeyondItsEnd) {
    // A record that ends inside the fixed part and one whose description is not terminated.
    NewDocument()
        .Record(0x534F4454, 1, 0, 0, {5, 0, 1, 0})
        .Record(0x534F4454, 2, 0, 0, Bytes(40, 'z'));
    FCTextExpressionDef def;
    ASSERT_TRUE(def.Load(1));
    EXPECT_EQ(def._GetDataSize(), 4);
    EXPECT_EQ(def.GetTextID(), 5);
    EXPECT_EQ(def.GetCategoryID(), 0);
    EXPECT_EQ(Description(def), "");
    ASSERT_TRUE(def.Load(2));
    EXPECT_EQ(Description(def), "zzzzzz");
    auto copy = testing_support::CloneOf(def);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(Description(*copy), "zzzzzz");
}

TEST_F(Texts, SetDescriptionResizesTheRecord) {
    NewDocument().TextExpressionDef(1, 4, 3, "old");
    FCTextExpressionDef def;
    ASSERT_TRUE(def.Load(1));
    FCString empty;
    def.SetDescription(&empty);
    EXPECT_EQ(def._GetDataSize(), 36);
    EXPECT_EQ(static_cast<const unsigned char*>(def._GetData())[34], 0);
    EXPECT_EQ(Description(def), "");
    EXPECT_EQ(def.GetTextID(), 4) << "the fixed part is kept";

    FCString longer("allargando molto");
    def.SetDescription(&longer);
    EXPECT_EQ(def._GetDataSize(), 36 + 16);
    ASSERT_TRUE(def.Save());
    FCTextExpressionDef again;
    ASSERT_TRUE(again.Load(1));
    EXPECT_EQ(Description(again), "allargando molto");
    EXPECT_EQ(again.GetRehearsalMarkStyle(), 3);
}

TEST_F(Texts, SaveNewTextBlockChainsRawTextBlockAndDefinition) {
    NewDocument().TextBlock(1, "existing", true);
    FCTextExpressionDef def;
    FCString text("^fontTxt(Times,4096)a tempo");
    ASSERT_TRUE(def.SaveNewTextBlock(&text));
    ASSERT_NE(def.GetTextID(), 1);
    FCTextBlock block;
    ASSERT_TRUE(block.Load(static_cast<utwobyte>(def.GetTextID())));
    EXPECT_EQ(block.GetTextKind(), FCTextBlock::KIND_EXPRESSION);
    EXPECT_EQ(RawText(FCRawText::EXPRESSION_TAG, block.GetRawTextID()),
              "^fontTxt(Times,4096)a tempo");
    EXPECT_EQ(TakeText(def.CreateTextString()), "^fontTxt(Times,4096)a tempo");
    EXPECT_EQ(testing_support::WordAt(*Stored(host::TAG_TEXTBLOCK, def.GetTextID()), 8), 100);
}

TEST_F(Texts, SaveNewTextBlockKeepsTheRawTextWhenTheBlockFails) {
    NewDocument();
    FCTextExpressionDef def;
    def.SetTextID(3);
    FCString text("cresc.");
    Host().FailCallNumber(2); // the raw text's create goes through, the block's does not
    Host().ClearCalls();
    EXPECT_FALSE(def.SaveNewTextBlock(&text));
    EXPECT_EQ(def.GetTextID(), 3);
    EXPECT_EQ(RawText(FCRawText::EXPRESSION_TAG, 1), "cresc.");
    EXPECT_EQ(Stored(host::TAG_TEXTBLOCK, 1), nullptr);

    Host().FailNext("FX_CreateEData");
    EXPECT_FALSE(def.SaveNewTextBlock(&text));
    EXPECT_EQ(Host().CountCalls("FX_CreateEData"), 3) << "no block without a raw text";
    EXPECT_FALSE(def.SaveNewTextBlock(nullptr));
}

// A definition whose record was released takes no values: saying it did would be a lie, and a
// text block made for it could not be linked.
TEST_F(Texts, AReleasedDefinitionTakesNoCategoryAndCreatesNoText) {
    NewDocument();
    FCCategoryDef category;
    category.SetID(2);
    FCString text("rit.");
    for (bool deallocate : {false, true}) {
        SCOPED_TRACE(deallocate);
        FCTextExpressionDef def;
        if (deallocate)
            def.Deallocate();
        else
            def.ClearData();
        EXPECT_FALSE(def.AssignToCategory(&category));
        Host().ClearCalls();
        EXPECT_FALSE(def.SaveNewTextBlock(&text));
        EXPECT_TRUE(Host().Calls().empty()) << "neither raw text nor text block is created";
        EXPECT_EQ(def._GetData(), nullptr);
    }
    EXPECT_EQ(Stored(host::TAG_TEXTBLOCK, 1), nullptr);
}

TEST_F(Texts, AssignToCategoryKeepsTheRecordsOwnBits) {
    NewDocument();
    FCTextExpressionDef def;
    auto* record = static_cast<unsigned char*>(def._GetData());
    record[27] = 0xC0; // the top two bits of the category word
    FCCategoryDef category;
    EXPECT_FALSE(def.AssignToCategory(&category));
    EXPECT_FALSE(def.AssignToCategory(nullptr));
    category.SetID(0x4001);
    for (int i = 1; i <= 6; ++i)
        category.SetValue(i, static_cast<twobyte>(10 * i));
    ASSERT_TRUE(def.AssignToCategory(&category));
    EXPECT_EQ(static_cast<utwobyte>(testing_support::WordAt(record, 26)), 0xC001);
    EXPECT_EQ(def.GetCategoryID(), 1);
    const int offsets[] = {14, 12, 16, 24, 32, 30};
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(testing_support::WordAt(record, offsets[i]), 10 * (i + 1)) << "value " << i + 1;
        EXPECT_EQ(def.GetCategoryValue(i + 1), 10 * (i + 1));
    }
}

TEST_F(Texts, RehearsalMarksInEachStyle) {
    NewDocument();
    FCTextExpressionDef def;
    using Def = FCTextExpressionDef;
    const struct {
        twobyte style;
        int n;
        const char* mark;
    } cases[] = {{Def::REHMARK_LETTERS, 1, "A"},
                 {Def::REHMARK_LETTERS, 26, "Z"},
                 {Def::REHMARK_LETTERS, 27, "AA"},
                 {Def::REHMARK_LETTERS, 52, "ZZ"},
                 {Def::REHMARK_LETTERS, 53, "AAA"},
                 {Def::REHMARK_LETTERNUMBERS, 26, "Z"},
                 {Def::REHMARK_LETTERNUMBERS, 27, "A1"},
                 {Def::REHMARK_LETTERNUMBERS, 52, "Z1"},
                 {Def::REHMARK_LETTERNUMBERS, 53, "A2"},
                 {Def::REHMARK_LETTERS_LC, 28, "bb"},
                 {Def::REHMARK_LETTERNUMBERS_LC, 1, "a"},
                 {Def::REHMARK_LETTERNUMBERS_LC, 27, "a1"},
                 {Def::REHMARK_NUMBERS, 53, "53"},
                 // There is no letter for 0 or below, and no mark in a style that does not exist.
                 {Def::REHMARK_LETTERNUMBERS_LC, 0, "<none>"},
                 {Def::REHMARK_LETTERNUMBERS_LC, -30, "<none>"},
                 {0, 3, "<none>"},
                 {7, 3, "<none>"},
                 {-1, 3, "<none>"}};
    for (const auto& c : cases) {
        def.SetRehearsalMarkStyle(c.style);
        EXPECT_EQ(Mark(def, c.n), c.mark) << "style " << c.style << ", mark " << c.n;
    }
    EXPECT_FALSE(def.MakeRehearsalMark(1, nullptr));
}

// A repeated-letter mark is built in one go and bounded: a stored number near the largest int
// would ask for 80 million letters.
TEST_F(Texts, RehearsalMarksOfLargeNumbersAreBounded) {
    NewDocument();
    FCTextExpressionDef def;
    constexpr int MAX_LETTERS = 1 << 20;
    constexpr int LAST_REPEATED = 26 * (MAX_LETTERS - 1) + 26; // a million Zs
    for (twobyte style :
         {FCTextExpressionDef::REHMARK_LETTERS, FCTextExpressionDef::REHMARK_LETTERS_LC}) {
        def.SetRehearsalMarkStyle(style);
        const char last = style == FCTextExpressionDef::REHMARK_LETTERS ? 'Z' : 'z';
        EXPECT_EQ(Mark(def, 26 * 400000 + 1), std::string(400001, last - 25));
        EXPECT_EQ(Mark(def, LAST_REPEATED), std::string(MAX_LETTERS, last));
        EXPECT_EQ(Mark(def, LAST_REPEATED + 1), "<none>");
        EXPECT_EQ(Mark(def, INT_MAX), "<none>");
    }
    def.SetRehearsalMarkStyle(FCTextExpressionDef::REHMARK_LETTERNUMBERS);
    EXPECT_EQ(Mark(def, INT_MAX), std::string(1, static_cast<char>('A' + (INT_MAX - 1) % 26)) +
                                      std::to_string((INT_MAX - 1) / 26));
    def.SetRehearsalMarkStyle(FCTextExpressionDef::REHMARK_NUMBERS);
    EXPECT_EQ(Mark(def, INT_MAX), std::to_string(INT_MAX));
}

TEST_F(Texts, RehearsalMarksAsMeasureNumbers) {
    NewDocument().Measures(12);
    FCTextExpressionDef def;
    // Measure numbers as the document's regions show them: letters a, b, ... from measure 5.
    FCMeasureNumberRegion region;
    region.SetStartMeasure(5);
    region.SetEndMeasure(12);
    region.SetStartNumber(1);
    region.SetBase(26);
    region.SetStartChar('a');
    region.SetCountFromOne(false);
    ASSERT_TRUE(region.SaveNew());
    def.SetRehearsalMarkStyle(FCTextExpressionDef::REHMARK_MEASURENUMBER);
    EXPECT_EQ(Mark(def, 6), "b");
    EXPECT_EQ(Mark(def, 3), "3") << "outside every region: the plain number";
}
