#include "finaleframework/document/FCMeasureNumberRegion.h"

#include "finaleframework/core/FCFontInfo.h"
#include "finaleframework/core/FCString.h"
#include "document/DocumentTest.h"
#include "support/HostFixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

using testing_support::RunningVersion;

constexpr EVERSION OLD_HOST = 0x0E000000;
constexpr EXTAG SOMN = 0x534F4D4E;

/// A region numbering measures first..last from `startNumber` in `base` from `startChar`;
/// unnamed settings are plain decimal digits counted from one.
struct Settings {
    twobyte first, last, startNumber;
    twobyte base = 10;
    twobyte startChar = '0';
    bool countFromOne = true;
    bool doubleUp = false;
};

std::unique_ptr<FCMeasureNumberRegion> MakeRegion(const Settings& settings) {
    auto region = std::make_unique<FCMeasureNumberRegion>();
    region->SetStartMeasure(settings.first);
    region->SetEndMeasure(settings.last);
    region->SetStartNumber(settings.startNumber);
    region->SetBase(settings.base);
    region->SetStartChar(settings.startChar);
    region->SetCountFromOne(settings.countFromOne);
    region->SetDoubleUp(settings.doubleUp);
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
    return testing_support::WordAt(region._GetData(), offset);
}

/// Checks the record's words at the given offsets.
void ExpectWords(FCMeasureNumberRegion& region, std::initializer_list<std::pair<int, int>> words) {
    for (const auto& [offset, value] : words)
        EXPECT_EQ(Word(region, offset), value) << "offset " << offset;
}

void SetNumbering(FCMeasureNumberRegion& region, twobyte first, twobyte last, twobyte startNumber,
                  twobyte startChar, twobyte base, twobyte id) {
    region.SetStartMeasure(first);
    region.SetEndMeasure(last);
    region.SetStartNumber(startNumber);
    region.SetStartChar(startChar);
    region.SetBase(base);
    region.SetID(id);
}

} // namespace

TEST(MeasureNumberRegion, DisplayedNumbers) {
    constexpr bool F = false, T = true;
    const struct {
        Settings region;
        std::vector<std::pair<twobyte, const char*>> shown; // by measure
    } cases[] = {
        {{5, 12, 1}, {{5, "1"}, {12, "8"}, {13, "<none>"}, {4, "<none>"}}},
        {{5, 12, 1, 10, '0', F}, {{5, "0"}, {12, "7"}}},
        {{1, 20, 106, 10, '0', F}, {{1, "105"}}},
        {{1, 20, 1, 10, '0', F}, {{1, "0"}, {11, "10"}}},
        {{1, 100, 1, 2, '0', F}, {{6, "101"}}},
        {{1, 100, 1, 26, 'a', F}, {{1, "a"}, {27, "ba"}}}, // positional: 26 is "b" then "a"
        // Double up repeats one letter: v = 0, 25, 26, 27, 52, 54.
        {{1, 100, 1, 26, 'A', F, T},
         {{1, "A"}, {26, "Z"}, {27, "AA"}, {28, "BB"}, {53, "AAA"}, {55, "CCC"}}},
        // Stored bases that cannot number answer false, but base 1 with double up is a tally:
        // one mark per measure.
        {{1, 10, 1, 1}, {{3, "<none>"}}},
        {{1, 10, 1, 0}, {{3, "<none>"}}},
        {{1, 10, 1, -1}, {{3, "<none>"}}},
        {{1, 10, 1, -10}, {{3, "<none>"}}},
        {{1, 10, 1, 0, 'a', T, T}, {{3, "<none>"}}},
        {{1, 10, 1, -26, 'a', T, T}, {{3, "<none>"}}},
        {{1, 10, 1, 1, '|', F, T}, {{4, "||||"}}}};
    for (const auto& c : cases) {
        const Settings& r = c.region;
        auto region = MakeRegion(r);
        for (const auto& [measure, shown] : c.shown) {
            SCOPED_TRACE(testing::Message()
                         << "measures " << r.first << "-" << r.last << " from " << r.startNumber
                         << " base " << r.base << ": measure " << measure);
            EXPECT_EQ(Shown(*region, measure), shown);
            if (std::string(shown) == "<none>") {
                EXPECT_EQ(region->CreateDisplayedString(measure), nullptr);
            }
        }
    }

    // Characters are 16-bit: a start character beyond 8 bits stays whole.
    auto wide = MakeRegion({1, 10, 1, 10, 0x2460, false});
    FCString out;
    ASSERT_TRUE(wide->GetDisplayedNumber(3, &out));
    EXPECT_EQ(out.GetLength(), 1);
    EXPECT_EQ(static_cast<utwobyte>(out.GetItemAt(0)), 0x2462);
}

TEST(MeasureNumberRegion, ExtremeStoredValuesStayBounded) {
    // A tally from the lowest to the highest measure number: v = 98301 marks.
    auto tally = MakeRegion({-32768, 32766, 32767, 1, 'x', false, true});
    FCString out;
    ASSERT_TRUE(tally->GetDisplayedNumber(32766, &out));
    EXPECT_EQ(out.GetLength(), 98301);
    EXPECT_EQ(out.GetItemAt(0), 'x');
    EXPECT_EQ(out.GetItemAt(98300), 'x');

    // v = -16: one character (positional) or none (double up), never a hang.
    auto negative = MakeRegion({1, 10, -15, 10, '0', false});
    ASSERT_TRUE(negative->GetDisplayedNumber(1, &out));
    EXPECT_EQ(out.GetLength(), 1);
    EXPECT_EQ(out.GetItemAt(0), '0' - 6);
    negative->SetDoubleUp(true);
    ASSERT_TRUE(negative->GetDisplayedNumber(1, &out));
    EXPECT_EQ(out.GetLength(), 0);
}

TEST(MeasureNumberRegion, DisplayedStringWrapsPrefixAndSuffix) {
    auto region = MakeRegion({1, 10, 1});
    region->SetPrefix("m. ");
    region->SetSuffix("!");
    EXPECT_EQ(testing_support::TakeText(region->CreateDisplayedString(3)), "m. 3!");

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

    SetNumbering(region, 5, 12, 1, '0', 10, 7);
    ExpectWords(region, {{132, 5}, {134, 13}, {140, 0}, {136, '0'}, {138, 10}, {192, 7}});
    EXPECT_EQ(region.GetEndMeasure(), 12);

    region.SetCountFromOne(true);
    region.SetNoZero(true);
    region.SetDoubleUp(true);
    region.SetUseScoreInfoForParts(true);
    EXPECT_EQ(Word(region, 190), 0x00E2);

    region.SetShowOnTopStaff(true, true);
    region.SetShowOnBottomStaff(true, false);
    region.SetShowOnSystemStart(true, true);
    region.SetHideFirstNumber(true, false);
    ExpectWords(region, {{62, 0x4100}, {66 + 62, 0x2040}});
    EXPECT_TRUE(region.GetShowOnTopStaff(true));
    EXPECT_FALSE(region.GetShowOnTopStaff(false));
    EXPECT_TRUE(region.GetShowOnBottomStaff(false));

    region.SetStartVerticalPosition(-30, false);
    region.SetMultipleVerticalPosition(-40, true);
    ExpectWords(region, {{44, -30}, {66 + 48, -40}, {48, 0}});

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

    SetNumbering(region, 5, 12, 3, 'a', 26, 9);
    ExpectWords(region, {{6, 5}, {8, 13}, {16, 2}, {12, 'a'}, {14, 26}, {86, 9}});

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
    auto region = MakeRegion({1, 10, 1, 26, 'a', false, true});
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
    // 2 is the host's number for Arial; the score's start font (offset 0) is untouched.
    ExpectWords(region, {{66 + 0, 2}, {66 + 2, 10}, {66 + 4, 3}, {6, 2}, {66 + 12, 2}, {0, 0}});

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
    ExpectWords(oldRegion, {{0, 2}, {2, 10}});
}

class MeasureNumberRegions : public testing_support::HostTest {
protected:
    /// Stores a new region in the current document through the framework.
    void Add(std::unique_ptr<FCMeasureNumberRegion> region) { ASSERT_TRUE(region->SaveNew()); }

    host::Document& Doc() { return *Host().Current(); }
};

TEST_F(MeasureNumberRegions, SavedRegionsLoadBackInEitherLayout) {
    NewDocument().Measures(8);
    Add(MakeRegion({1, 4, 1}));
    Add(MakeRegion({5, 8, 1, 26, 'a', true}));
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
    Add(MakeRegion({3, 6, 10}));
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
    Add(MakeRegion({1, 4, 1}));
    Add(MakeRegion({5, 8, 1, 0}));              // a broken base: gives way
    Add(MakeRegion({3, 10, 1, 26, 'a', true})); // overlaps the first
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
    auto region = MakeRegion({2, 9, 4});
    region->SetPrefix("#");
    auto copy = testing_support::CloneOf(*region);
    ASSERT_NE(copy, nullptr);
    region->SetPrefix("");
    EXPECT_EQ(testing_support::TakeText(copy->CreateDisplayedString(2)), "#4");
    EXPECT_EQ(copy->GetEnclosureStart(true)->_GetBlock(),
              static_cast<unsigned char*>(copy->_GetData()) + 84)
        << "the copy's enclosures name its own record";
}
