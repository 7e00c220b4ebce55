#include "finaleframework/document/FCKeySignature.h"

#include "finaleframework/core/FCString.h"
#include "document/DocumentTest.h"
#include "support/HostFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

/// One key as a musician writes it down, independently of the key value's arithmetic.
struct Key {
    int accidentals; // sharps positive, flats negative
    bool minor;
    const char* name;
    char root;    // letter of the tonic
    int relation; // letter of the major key with these accidentals, counted from C
    int absolute; // letter of the tonic counted from C
};

// Seven flats give 7 for the relation of C-flat (and of A-flat minor): the count from C is not
// folded back to 0 there.
constexpr Key KEYS[] = {
    {0, false, "C major", 'C', 0, 0},       {1, false, "G major", 'G', 4, 4},
    {2, false, "D major", 'D', 1, 1},       {3, false, "A major", 'A', 5, 5},
    {4, false, "E major", 'E', 2, 2},       {5, false, "B major", 'B', 6, 6},
    {6, false, "F sharp major", 'F', 3, 3}, {7, false, "C sharp major", 'C', 0, 0},
    {-1, false, "F major", 'F', 3, 3},      {-2, false, "B flat major", 'B', 6, 6},
    {-3, false, "E flat major", 'E', 2, 2}, {-4, false, "A flat major", 'A', 5, 5},
    {-5, false, "D flat major", 'D', 1, 1}, {-6, false, "G flat major", 'G', 4, 4},
    {-7, false, "C flat major", 'C', 7, 7}, {0, true, "a minor", 'A', 0, 5},
    {1, true, "e minor", 'E', 4, 2},        {2, true, "b minor", 'B', 1, 6},
    {3, true, "f sharp minor", 'F', 5, 3},  {4, true, "c sharp minor", 'C', 2, 0},
    {5, true, "g sharp minor", 'G', 6, 4},  {6, true, "d sharp minor", 'D', 3, 1},
    {7, true, "a sharp minor", 'A', 0, 5},  {-1, true, "d minor", 'D', 3, 1},
    {-2, true, "g minor", 'G', 6, 4},       {-3, true, "c minor", 'C', 2, 0},
    {-4, true, "f minor", 'F', 5, 3},       {-5, true, "b flat minor", 'B', 1, 6},
    {-6, true, "e flat minor", 'E', 4, 2},  {-7, true, "a flat minor", 'A', 7, 5}};

constexpr const char* SHARP_ORDER = "FCGDAEB";
constexpr const char* FLAT_ORDER = "BEADGCF";

utwobyte ValueOf(const Key& key) {
    return static_cast<utwobyte>((key.minor ? 0x0100 : 0) | (key.accidentals & 0xFF));
}

/// The key's name; asking first with nothing to write into must change nothing.
std::string NameOf(const FCKeySignature& key) {
    key.MakeString(nullptr);
    FCString text("leftover");
    key.MakeString(&text);
    return text.GetCString();
}

/// Note index of a letter: A is 0, G is 6.
int IndexOf(char letter) {
    return letter - 'A';
}

} // namespace

TEST(KeySignature, StandardKeysAnswerTheirAccidentalsLettersRootAndName) {
    for (const Key& k : KEYS) {
        FCKeySignature key;
        key.SetKeyValue(ValueOf(k));
        SCOPED_TRACE(k.name);
        EXPECT_EQ(key.CalcSharps(), k.accidentals > 0 ? k.accidentals : 0);
        EXPECT_EQ(key.CalcFlats(), k.accidentals < 0 ? -k.accidentals : 0);
        EXPECT_EQ(key.CalcScaleRootIndex(), IndexOf(k.root));
        EXPECT_EQ(key.CalcRootRelationIndex(), k.relation);
        EXPECT_EQ(key.CalcRootRelationAbsoluteIndex(), k.absolute);
        EXPECT_EQ(NameOf(key), k.name);

        // Sharp and flat letters follow the order of accidentals.
        const std::string sharped(SHARP_ORDER, k.accidentals > 0 ? k.accidentals : 0);
        const std::string flatted(FLAT_ORDER, k.accidentals < 0 ? -k.accidentals : 0);
        for (char letter = 'A'; letter <= 'G'; ++letter) {
            EXPECT_EQ(key.IsSharpNote(IndexOf(letter)), sharped.find(letter) != std::string::npos)
                << letter;
            EXPECT_EQ(key.IsFlatNote(IndexOf(letter)), flatted.find(letter) != std::string::npos)
                << letter;
        }
        EXPECT_FALSE(key.IsSharpNote(7));
        EXPECT_FALSE(key.IsSharpNote(-1));
        EXPECT_FALSE(key.IsFlatNote(-1));
        EXPECT_FALSE(key.IsFlatNote(7));
    }
}

TEST(KeySignature, NonStandardKeysAnswerNothing) {
    for (utwobyte value : {0x4000, 0x8000, 0xC000, 0x4003, 0x80FE, 0x0200, 0x02FD, 0x3F00}) {
        FCKeySignature key;
        key.SetKeyValue(value);
        SCOPED_TRACE(value);
        EXPECT_EQ(key.CalcSharps(), -1);
        EXPECT_EQ(key.CalcFlats(), -1);
        EXPECT_EQ(key.CalcScaleRootIndex(), -1);
        EXPECT_EQ(key.CalcRootRelationIndex(), -1);
        EXPECT_EQ(key.CalcRootRelationAbsoluteIndex(), -1);
        for (int n = 0; n < 7; ++n) {
            EXPECT_FALSE(key.IsSharpNote(n));
            EXPECT_FALSE(key.IsFlatNote(n));
        }
        EXPECT_EQ(NameOf(key), "");
    }
}

TEST(KeySignature, IdentityComparesModeRootAndAccidentals) {
    FCKeySignature cMajor, aMinor, gMajor, otherGMajor, odd, otherOdd;
    cMajor.SetKeyValue(0x0000);
    aMinor.SetKeyValue(0x0100);
    gMajor.SetKeyValue(0x0001);
    otherGMajor.SetKeyValue(0x0001);
    odd.SetKeyValue(0x4000);
    otherOdd.SetKeyValue(0x0205);

    EXPECT_FALSE(cMajor.IsIdentical(&aMinor)) << "same accidentals, different modes";
    EXPECT_FALSE(aMinor.IsIdentical(&cMajor));
    EXPECT_TRUE(gMajor.IsIdentical(&otherGMajor));
    EXPECT_FALSE(gMajor.IsIdentical(&cMajor));
    EXPECT_FALSE(cMajor.IsIdentical(&odd));
    EXPECT_FALSE(odd.IsIdentical(&aMinor));
    EXPECT_TRUE(odd.IsIdentical(&otherOdd)) << "non-standard keys are all alike";
    EXPECT_FALSE(cMajor.IsIdentical(static_cast<FCKeySignature*>(nullptr)));

    // The root's inherited identity test stays reachable beside the key comparison.
    __FCBase* base = &aMinor;
    EXPECT_TRUE(base->IsIdentical(&cMajor));
}

class KeySignatureRecord : public testing_support::HostTest {};

TEST_F(KeySignatureRecord, ClonesCarryTheValueAndNothingTravelsToTheHost) {
    NewDocument().Measures(1);
    FCKeySignature key;
    key.SetKeyValue(0x01FD);
    auto copy = testing_support::CloneOf(key);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetKeyValue(), 0x01FD);
    EXPECT_EQ(copy->_GetData(), copy->Allocate());
    EXPECT_EQ(copy->_GetDataSize(), 2);
    EXPECT_EQ(NameOf(*copy), "c minor");

    EXPECT_EQ(key.Tag(), 0u);
    EXPECT_FALSE(key.LoadFirst());
    EXPECT_FALSE(key.Save()) << "never loaded";
    EXPECT_TRUE(Host().Calls().empty());
}
