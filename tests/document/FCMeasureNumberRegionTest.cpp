#include "finaleframework/document/FCMeasureNumberRegion.h"

#include "finaleframework/core/FCFontInfo.h"
#include "finaleframework/core/FCString.h"
#include "document/RunningVersion.h"
#include "support/HostFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

using testing_support::RunningVersion;

constexpr EVERSION OLD_HOST = 0x0E000000;
constexpr EXTAG SOMN = 0x534F4D4E;

/// A region numbering measures first..last from `startNumber` in `base` from `startChar`.
std::unique_ptr<FCMeasureNumberRegion> MakeRegion(twobyte first, twobyte last, twobyte startNumber,
                                                  twobyte base = 10, twobyte startChar = '0',
                                                  bool countFromOne = true, bool doubleUp = false) {
    auto region = std::make_unique<FCMeasureNumberRegion>();
    region->SetStartMeasure(first);
    region->SetEndMeasure(last);
    region->SetStartNumber(startNumber);
    region->SetBase(base);
    region->SetStartChar(startChar);
    region->SetCountFromOne(countFromOne);
    region->SetDoubleUp(doubleUp);
    return region;
}

/// The displayed number, or "<none>" when the region answers false (the text is then checked to
/// be left as it was).
std::string Shown(const FCMeasureNumberRegion& region, twobyte measure) {
    FCString out("unchanged");
    if (!region.GetDisplayedNumber(measure, &out)) {
        EXPECT_STREQ(out.GetCString(), "unchanged");
        return "<none>";
    }
    return out.GetCString();
}

/// A 16-bit word of the region's record.
twobyte Word(FCMeasureNumberRegion& region, int offset) {
    twobyte value;
    std::memcpy(&value, static_cast<unsigned char*>(region._GetData()) + offset, sizeof value);
    return value;
}

} // namespace

TEST(MeasureNumberRegion, NumbersCountFromTheRegionsFirstMeasure) {
    auto region = MakeRegion(5, 12, 1);
    EXPECT_EQ(Shown(*region, 5), "1");
    EXPECT_EQ(Shown(*region, 12), "8");
    EXPECT_EQ(Shown(*region, 13), "<none>");
    EXPECT_EQ(Shown(*region, 4), "<none>");
    EXPECT_EQ(region->CreateDisplayedString(13), nullptr);

    region->SetCountFromOne(false);
    EXPECT_EQ(Shown(*region, 5), "0");
    EXPECT_EQ(Shown(*region, 12), "7");

    auto later = MakeRegion(1, 20, 106, 10, '0', false);
    EXPECT_EQ(Shown(*later, 1), "105");
    auto zero = MakeRegion(1, 20, 1, 10, '0', false);
    EXPECT_EQ(Shown(*zero, 1), "0");
    EXPECT_EQ(Shown(*zero, 11), "10");
}

TEST(MeasureNumberRegion, OtherBasesAndStartCharacters) {
    auto binary = MakeRegion(1, 100, 1, 2, '0', false);
    EXPECT_EQ(Shown(*binary, 6), "101");
    auto letters = MakeRegion(1, 100, 1, 26, 'a', false);
    EXPECT_EQ(Shown(*letters, 1), "a");
    EXPECT_EQ(Shown(*letters, 27), "ba"); // positional: 26 is "b" then "a"
    // Characters are 16-bit: a start character beyond 8 bits stays whole.
    auto wide = MakeRegion(1, 10, 1, 10, 0x2460, false);
    FCString out;
    ASSERT_TRUE(wide->GetDisplayedNumber(3, &out));
    EXPECT_EQ(out.GetLength(), 1);
    EXPECT_EQ(static_cast<utwobyte>(out.GetItemAt(0)), 0x2462);
}

TEST(MeasureNumberRegion, DoubleUpRepeatsOneLetter) {
    auto region = MakeRegion(1, 100, 1, 26, 'A', false, true);
    EXPECT_EQ(Shown(*region, 1), "A");   // v = 0
    EXPECT_EQ(Shown(*region, 26), "Z");  // v = 25
    EXPECT_EQ(Shown(*region, 27), "AA"); // v = 26
    EXPECT_EQ(Shown(*region, 28), "BB");
    EXPECT_EQ(Shown(*region, 53), "AAA"); // v = 52
    EXPECT_EQ(Shown(*region, 55), "CCC"); // v = 54
}

TEST(MeasureNumberRegion, StoredBasesThatCannotNumberAnswerFalse) {
    for (twobyte base : {1, 0, -1, -10}) {
        auto region = MakeRegion(1, 10, 1, base);
        EXPECT_EQ(Shown(*region, 3), "<none>") << base;
        EXPECT_EQ(region->CreateDisplayedString(3), nullptr);
    }
    for (twobyte base : {0, -26}) {
        auto region = MakeRegion(1, 10, 1, base, 'a', true, true);
        EXPECT_EQ(Shown(*region, 3), "<none>") << base;
    }
    // Base 1 with double up is a tally: one mark per measure.
    auto tally = MakeRegion(1, 10, 1, 1, '|', false, true);
    EXPECT_EQ(Shown(*tally, 4), "||||");
}

TEST(MeasureNumberRegion, ExtremeStoredValuesStayBounded) {
    // A tally from the lowest to the highest measure number: v = 98301 marks.
    auto tally = MakeRegion(-32768, 32766, 32767, 1, 'x', false, true);
    FCString out;
    ASSERT_TRUE(tally->GetDisplayedNumber(32766, &out));
    EXPECT_EQ(out.GetLength(), 98301);
    EXPECT_EQ(out.GetItemAt(0), 'x');
    EXPECT_EQ(out.GetItemAt(98300), 'x');

    // v = -16: one character (positional) or none (double up), never a hang.
    auto negative = MakeRegion(1, 10, -15, 10, '0', false);
    ASSERT_TRUE(negative->GetDisplayedNumber(1, &out));
    EXPECT_EQ(out.GetLength(), 1);
    EXPECT_EQ(out.GetItemAt(0), '0' - 6);
    negative->SetDoubleUp(true);
    ASSERT_TRUE(negative->GetDisplayedNumber(1, &out));
    EXPECT_EQ(out.GetLength(), 0);
}

TEST(MeasureNumberRegion, DisplayedStringWrapsPrefixAndSuffix) {
    auto region = MakeRegion(1, 10, 1);
    region->SetPrefix("m. ");
    region->SetSuffix("!");
    std::unique_ptr<FCString> text(region->CreateDisplayedString(3));
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text->GetCString(), "m. 3!");

    region->SetPrefix("abcdefghijklmnopqrstuvwxyz"); // cut to 23 characters
    FCString prefix;
    region->GetPrefix(&prefix);
    EXPECT_STREQ(prefix.GetCString(), "abcdefghijklmnopqrstuvw");

    // A stored prefix that fills all 24 bytes without a terminator is read to its end only.
    std::memset(static_cast<unsigned char*>(region->_GetData()) + 142, 'p', 24);
    region->GetPrefix(&prefix);
    EXPECT_EQ(std::string(prefix.GetCString()), std::string(24, 'p'));
    FCString suffix;
    region->GetSuffix(&suffix);
    EXPECT_STREQ(suffix.GetCString(), "!");
}

TEST(MeasureNumberRegion, NewLayoutPlacesFieldsByBlock) {
    FCMeasureNumberRegion region;
    EXPECT_EQ(region.DataSizeLoad(), 196);
    EXPECT_EQ(region.EnigmaVersion(), 0x0F000200u);
    EXPECT_EQ(region._GetDataSize(), 196);

    region.SetStartMeasure(5);
    region.SetEndMeasure(12);
    region.SetStartNumber(1);
    region.SetStartChar('0');
    region.SetBase(10);
    region.SetID(7);
    EXPECT_EQ(Word(region, 132), 5);
    EXPECT_EQ(Word(region, 134), 13);
    EXPECT_EQ(region.GetEndMeasure(), 12);
    EXPECT_EQ(Word(region, 140), 0);
    EXPECT_EQ(Word(region, 136), '0');
    EXPECT_EQ(Word(region, 138), 10);
    EXPECT_EQ(Word(region, 192), 7);

    region.SetCountFromOne(true);
    region.SetNoZero(true);
    region.SetDoubleUp(true);
    region.SetUseScoreInfoForParts(true);
    EXPECT_EQ(Word(region, 190), 0x00E2);

    region.SetShowOnTopStaff(true, true);
    region.SetShowOnBottomStaff(true, false);
    region.SetShowOnSystemStart(true, true);
    region.SetHideFirstNumber(true, false);
    EXPECT_EQ(Word(region, 62), 0x4100);
    EXPECT_EQ(Word(region, 66 + 62), 0x2040);
    EXPECT_TRUE(region.GetShowOnTopStaff(true));
    EXPECT_FALSE(region.GetShowOnTopStaff(false));
    EXPECT_TRUE(region.GetShowOnBottomStaff(false));

    region.SetStartVerticalPosition(-30, false);
    region.SetMultipleVerticalPosition(-40, true);
    EXPECT_EQ(Word(region, 44), -30);
    EXPECT_EQ(Word(region, 66 + 48), -40);
    EXPECT_EQ(Word(region, 48), 0);

    auto* bytes = static_cast<unsigned char*>(region._GetData());
    EXPECT_EQ(region.GetEnclosureStart(false)->_GetBlock(), bytes + 18);
    EXPECT_EQ(region.GetEnclosureStart(true)->_GetBlock(), bytes + 84);
    EXPECT_EQ(region.GetEnclosureMultiple(false)->_GetBlock(), bytes + 30);
    EXPECT_EQ(region.GetEnclosureMultiple(true)->_GetBlock(), bytes + 96);
}

TEST(MeasureNumberRegion, OldLayoutHasOneSetOfEverything) {
    RunningVersion old(OLD_HOST);
    FCMeasureNumberRegion region;
    EXPECT_EQ(region.DataSizeLoad(), 88);
    EXPECT_EQ(region.EnigmaVersion(), 0x0A000000u);

    region.SetStartMeasure(5);
    region.SetEndMeasure(12);
    region.SetStartNumber(3);
    region.SetStartChar('a');
    region.SetBase(26);
    region.SetID(9);
    EXPECT_EQ(Word(region, 6), 5);
    EXPECT_EQ(Word(region, 8), 13);
    EXPECT_EQ(Word(region, 16), 2);
    EXPECT_EQ(Word(region, 12), 'a');
    EXPECT_EQ(Word(region, 14), 26);
    EXPECT_EQ(Word(region, 86), 9);

    EXPECT_TRUE(region.GetUseScoreInfoForParts());
    region.SetUseScoreInfoForParts(false);
    EXPECT_TRUE(region.GetUseScoreInfoForParts());

    region.SetShowOnTopStaff(true, true);
    region.SetShowOnSystemStart(true, false);
    region.SetHideFirstNumber(true, true);
    region.SetShowOnBottomStaff(true, false);
    region.SetCountFromOne(true);
    EXPECT_EQ(static_cast<utwobyte>(Word(region, 82)), 0x908C);
    EXPECT_TRUE(region.GetShowOnTopStaff(false)) << "parts is ignored";

    region.SetStartVerticalPosition(-12, true);
    EXPECT_EQ(Word(region, 20), -12);
    region.SetMultipleVerticalPosition(-24, false);
    EXPECT_EQ(Word(region, 20), -24);

    auto* bytes = static_cast<unsigned char*>(region._GetData());
    EXPECT_EQ(region.GetEnclosureStart(false)->_GetBlock(), bytes + 70);
    EXPECT_EQ(region.GetEnclosureStart(true)->_GetBlock(), bytes + 70);
    EXPECT_EQ(region.GetEnclosureMultiple(true)->_GetBlock(), bytes + 70);

    // Counting from one, v = 6 - 5 + 3 = 4: the fifth letter.
    EXPECT_EQ(Shown(region, 6), "e");
}

TEST(MeasureNumberRegion, NumberingStyleZeroIsPlainDigits) {
    auto region = MakeRegion(1, 10, 1, 26, 'a', false, true);
    region->SetNoZero(true);
    region->SetNumberingStyle(static_cast<FCMeasureNumberRegion::NUMBERINGSTYLE>(1));
    EXPECT_EQ(region->GetBase(), 26);
    region->SetNumberingStyle(FCMeasureNumberRegion::NUMBERING_DIGITS);
    EXPECT_EQ(region->GetBase(), 10);
    EXPECT_EQ(region->GetStartChar(), '0');
    EXPECT_TRUE(region->GetCountFromOne());
    EXPECT_FALSE(region->GetNoZero());
    EXPECT_FALSE(region->GetDoubleUp());
    EXPECT_EQ(Shown(*region, 10), "10");
}

TEST(MeasureNumberRegion, CloneFormattingFollowsTheSourcesPartsChoice) {
    FCMeasureNumberRegion source;
    source.SetStartVerticalPosition(11, false);
    source.SetStartVerticalPosition(22, true);
    source.SetStartMeasure(40);

    FCMeasureNumberRegion target;
    target.SetStartMeasure(3);
    target.CloneFormattingFrom(&source, true, true);
    EXPECT_EQ(target.GetStartVerticalPosition(false), 11);
    EXPECT_EQ(target.GetStartVerticalPosition(true), 22);
    EXPECT_EQ(target.GetStartMeasure(), 3) << "only the formatting blocks are copied";

    source.SetUseScoreInfoForParts(true);
    FCMeasureNumberRegion partsOnly;
    partsOnly.SetStartVerticalPosition(5, false);
    partsOnly.CloneFormattingFrom(&source, false, true);
    EXPECT_EQ(partsOnly.GetStartVerticalPosition(false), 5);
    EXPECT_EQ(partsOnly.GetStartVerticalPosition(true), 11);

    // Copying a region's blocks onto itself keeps them intact.
    source.SetUseScoreInfoForParts(false);
    source.CloneFormattingFrom(&source, true, true);
    EXPECT_EQ(source.GetStartVerticalPosition(true), 22);
    source.CloneFormattingFrom(nullptr, true, true);
    EXPECT_EQ(source.GetStartVerticalPosition(false), 11);

    RunningVersion old(OLD_HOST);
    FCMeasureNumberRegion oldTarget;
    oldTarget.CloneFormattingFrom(&source, true, true);
    EXPECT_EQ(oldTarget.GetStartVerticalPosition(false), 0);
}

class MeasureNumberRegionFonts : public testing_support::HostTest {};

TEST_F(MeasureNumberRegionFonts, FontsAreStoredAsHostFontNumbers) {
    NewDocument();
    FCFontInfo arial;
    arial.SetName("Arial");
    arial.SetSize(10);
    arial.SetEffects(0x0003);
    FCMeasureNumberRegion region;
    region.SetStartFontInfo(&arial, true);
    region.SetMultipleFontInfo(&arial, false);
    region.SetMultiMeasureFontInfo(&arial, true);
    EXPECT_EQ(Word(region, 66 + 0), 2); // the host's number for Arial
    EXPECT_EQ(Word(region, 66 + 2), 10);
    EXPECT_EQ(Word(region, 66 + 4), 3);
    EXPECT_EQ(Word(region, 6), 2);
    EXPECT_EQ(Word(region, 66 + 12), 2);
    EXPECT_EQ(Word(region, 0), 0) << "the score's start font is untouched";

    FCFontInfo back;
    region.GetStartFontInfo(&back, true);
    EXPECT_TRUE(back.IsIdenticalTo(&arial));
    ExpectEveryCallPassedFrameworkVersion();

    RunningVersion old(OLD_HOST);
    FCMeasureNumberRegion oldRegion;
    unsigned char before[196];
    std::memcpy(before, oldRegion._GetData(), sizeof before);
    oldRegion.SetMultipleFontInfo(&arial, false);
    oldRegion.SetMultiMeasureFontInfo(&arial, true);
    EXPECT_EQ(std::memcmp(before, oldRegion._GetData(), sizeof before), 0);
    oldRegion.SetStartFontInfo(&arial, true);
    EXPECT_EQ(Word(oldRegion, 0), 2);
    EXPECT_EQ(Word(oldRegion, 2), 10);
}

class MeasureNumberRegions : public testing_support::HostTest {
protected:
    /// Stores a new region in the current document through the framework.
    void Add(std::unique_ptr<FCMeasureNumberRegion> region) { ASSERT_TRUE(region->SaveNew()); }

    host::Document& Doc() { return *Host().Current(); }
};

TEST_F(MeasureNumberRegions, SavedRegionsLoadBackInEitherLayout) {
    NewDocument().Measures(8);
    Add(MakeRegion(1, 4, 1));
    Add(MakeRegion(5, 8, 1, 26, 'a', true));
    FCMeasureNumberRegions regions;
    regions.LoadAll();
    ASSERT_EQ(regions.GetCount(), 2);
    auto* second = static_cast<FCMeasureNumberRegion*>(regions.GetItemAt(1));
    EXPECT_EQ(second->GetItemNo(), 2);
    EXPECT_EQ(second->GetStartChar(), 'a');
    for (const auto& [key, bytes] : Doc().records)
        if (key.tag == SOMN) {
            EXPECT_EQ(bytes.size(), 196u);
        }

    RunningVersion old(OLD_HOST);
    NewDocument().Measures(8);
    Host().ClearCalls();
    Add(MakeRegion(3, 6, 10));
    FCMeasureNumberRegions oldRegions;
    oldRegions.LoadAll();
    ASSERT_EQ(oldRegions.GetCount(), 1);
    FCString out;
    EXPECT_EQ(oldRegions.CalcMeasureNumber(4, &out), 0);
    EXPECT_STREQ(out.GetCString(), "11");
    for (const auto& call : Host().Calls())
        if (call.name == "FX_CreateEData") {
            EXPECT_EQ(call.arguments.back(), 88);
            EXPECT_EQ(call.version, 0x0A000000u);
        }
}

TEST_F(MeasureNumberRegions, CalcMeasureNumberTakesTheFirstRegionThatNumbers) {
    NewDocument().Measures(20);
    Add(MakeRegion(1, 4, 1));
    Add(MakeRegion(5, 8, 1, 0));              // a broken base: gives way
    Add(MakeRegion(3, 10, 1, 26, 'a', true)); // overlaps the first
    FCMeasureNumberRegions regions;
    regions.LoadAll();
    ASSERT_EQ(regions.GetCount(), 3);

    FCString out;
    EXPECT_EQ(regions.CalcMeasureNumber(4, &out), 0);
    EXPECT_STREQ(out.GetCString(), "4");
    EXPECT_EQ(regions.CalcMeasureNumber(6, &out), 2);
    EXPECT_STREQ(out.GetCString(), "e"); // counting from one: v = 6 - 3 + 1 = 4
    EXPECT_EQ(regions.CalcMeasureNumber(15, &out), -1);
    EXPECT_STREQ(out.GetCString(), "15");
    EXPECT_EQ(regions.CalcMeasureNumber(70000, &out), -1) << "beyond 16 bits no region applies";
    EXPECT_STREQ(out.GetCString(), "70000");
    EXPECT_EQ(regions.CalcMeasureNumber(3, nullptr), -1);
}

TEST_F(MeasureNumberRegions, ClonesAreIndependentCopies) {
    auto region = MakeRegion(2, 9, 4);
    region->SetPrefix("#");
    std::unique_ptr<__FCBaseData> clone(region->CreateClone());
    auto* copy = dynamic_cast<FCMeasureNumberRegion*>(clone.get());
    ASSERT_NE(copy, nullptr);
    region->SetPrefix("");
    std::unique_ptr<FCString> text(copy->CreateDisplayedString(2));
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text->GetCString(), "#4");
    EXPECT_EQ(copy->GetEnclosureStart(true)->_GetBlock(),
              static_cast<unsigned char*>(copy->_GetData()) + 84)
        << "the copy's enclosures name its own record";
}
