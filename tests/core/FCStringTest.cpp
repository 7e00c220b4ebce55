#include "finaleframework/core/FCString.h"

#include "support/HostFixture.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

std::vector<twobyte> Units(const FCString& s) {
    std::vector<twobyte> out(static_cast<size_t>(s.GetLength()) + 1);
    s.GetUnicodeString(out.data());
    out.pop_back();
    return out;
}

} // namespace

TEST(FCString, AnEmptyStringHasNoStorage) {
    FCString s;
    EXPECT_EQ(s.GetLength(), 0);
    EXPECT_EQ(s._GetCapacity(), 0);
    EXPECT_EQ(s._GetBuffer(), nullptr);
    EXPECT_STREQ(s.GetCString(), "");
    EXPECT_STREQ(s.ClassName(), "FCString");

    // Assigning empty text releases the storage.
    FCString t("hello");
    EXPECT_GT(t._GetCapacity(), 0);
    t.SetCString("");
    EXPECT_EQ(t.GetLength(), 0);
    EXPECT_EQ(t._GetCapacity(), 0);
    EXPECT_EQ(t._GetBuffer(), nullptr);

    const twobyte empty[] = {0};
    t.SetCString("x");
    t.SetUnicodeString(empty);
    EXPECT_EQ(t._GetCapacity(), 0);
}

TEST(FCString, GrowsInStepsOfTenKeepingOneFreeSlot) {
    FCString s;
    s.Append("123456789"); // 9 characters: capacity 10
    EXPECT_EQ(s._GetCapacity(), 10);
    s.Append('0'); // the 10th character grows it
    EXPECT_EQ(s._GetCapacity(), 20);
    EXPECT_STREQ(s.GetCString(), "1234567890");
    s.SetCString("abcdefghijklmnopqrstuvwxy"); // 25
    EXPECT_EQ(s._GetCapacity(), 30);
}

TEST(FCString, EightBitTextWidensSignedAndConvertsBackExactly) {
    FCString s("\xE9t\xE9");
    EXPECT_EQ(Units(s), (std::vector<twobyte>{static_cast<twobyte>(0xFFE9), 't',
                                              static_cast<twobyte>(0xFFE9)}));
    EXPECT_STREQ(s.GetCString(), "\xE9t\xE9");

    const twobyte wide[] = {0x263A, 'A', 0};
    s.SetUnicodeString(wide);
    EXPECT_EQ(Units(s), (std::vector<twobyte>{0x263A, 'A'}));
    EXPECT_STREQ(s.GetCString(), "\x3A"
                                 "A"); // units above 0xFF keep their low byte
}

TEST(FCString, OutOfRangeIndexesReadAsNothing) {
    FCString s("ab");
    EXPECT_EQ(s.GetItemAt(-1), 0);
    EXPECT_EQ(s.GetItemAt(2), 0);
    EXPECT_EQ(s.GetItemAt(1), 'b');
    EXPECT_FALSE(s.IsCharacter(2, 'b'));
    EXPECT_FALSE(s.IsCharacter(-1, "ab"));
    EXPECT_TRUE(s.IsCharacter(0, "xa"));
    EXPECT_FALSE(s.IsCharacter(0, ""));
    EXPECT_FALSE(s.IsCharacter(0, static_cast<const char*>(nullptr)));
}

TEST(FCString, InsertAtBothEndsAndInside) {
    FCString s("bd");
    s.Insert("a", 0);
    EXPECT_STREQ(s.GetCString(), "abd");
    s.Insert("e", s.GetLength());
    EXPECT_STREQ(s.GetCString(), "abde");
    s.Insert("c", 2);
    EXPECT_STREQ(s.GetCString(), "abcde");
    s.Insert("zz", 9); // outside the string: nothing happens
    EXPECT_STREQ(s.GetCString(), "abcde");
}

TEST(FCString, ContainsAndStartsWith) {
    FCString s("m12 rest");
    FCString needle("12");
    int position = -1;
    EXPECT_TRUE(s.Contains(&needle, &position));
    EXPECT_EQ(position, 1);

    FCString empty;
    position = -1;
    EXPECT_TRUE(s.Contains(&empty, &position));
    EXPECT_EQ(position, 0);

    FCString longer("m12 rest and more");
    EXPECT_FALSE(s.Contains(&longer, &position));
    FCString absent("xyz");
    EXPECT_FALSE(s.Contains(&absent));

    EXPECT_TRUE(s.StartsWith(""));
    EXPECT_TRUE(s.StartsWith("m1"));
    EXPECT_FALSE(s.StartsWith("m12 rest!"));
}

TEST(FCString, EqualityComparesEightBitForms) {
    FCString a("abc");
    FCString b("abc");
    FCString c("abd");
    EXPECT_TRUE(a.IsEqual("abc"));
    EXPECT_FALSE(a.IsEqual(static_cast<const char*>(nullptr)));
    EXPECT_FALSE(a.IsEqual(static_cast<FCString*>(nullptr)));
    EXPECT_TRUE(a.IsEqual(&b));
    EXPECT_TRUE(a.IsEqual(&a));
    EXPECT_FALSE(a.IsEqual(&c));
    EXPECT_FALSE(a.IsEqual("ab"));
}

// The 8-bit form is a zero-terminated text: a character whose low byte is 0 (U+0100, U+2000,
// U+3000) ends it, in both forms of the comparison alike.
TEST(FCString, ALowZeroByteEndsTheComparedTextInBothForms) {
    FCString wide;
    const twobyte enQuad[] = {'a', 0x2000, 'x', 0};
    wide.SetUnicodeString(enQuad);
    FCString other;
    const twobyte ideographicSpace[] = {'a', 0x3000, 'y', 0};
    other.SetUnicodeString(ideographicSpace);
    FCString plain("a");

    EXPECT_TRUE(wide.IsEqual("a"));
    EXPECT_FALSE(wide.IsEqual("a x"));
    EXPECT_TRUE(wide.IsEqual(&plain));
    EXPECT_TRUE(plain.IsEqual(&wide));
    EXPECT_TRUE(wide.IsEqual(&other));
    EXPECT_TRUE(wide.IsEqual(&wide));

    FCString leading;
    const twobyte startsWithZeroByte[] = {0x0100, 'b', 0};
    leading.SetUnicodeString(startsWithZeroByte);
    FCString empty;
    EXPECT_TRUE(leading.IsEqual(""));
    EXPECT_TRUE(leading.IsEqual(&empty));
    EXPECT_FALSE(leading.IsEqual(&plain));
    EXPECT_EQ(leading.GetLength(), 2) << "comparing changes nothing";
}

// Every append grows the storage to its final length first, whatever it adds; for a string
// without storage even nothing asks for the first ten slots.
TEST(FCString, AppendingNothingStillGrowsByTheRule) {
    FCString empty;
    FCString s;
    s.Append("");
    EXPECT_EQ(s._GetCapacity(), 10);
    EXPECT_NE(s._GetBuffer(), nullptr);
    EXPECT_EQ(s.GetLength(), 0);

    FCString t;
    t.Append(&empty);
    EXPECT_EQ(t._GetCapacity(), 10);

    FCString copy("abc");
    copy.SetString(&empty); // the empty string (no storage), then the source appended
    EXPECT_EQ(copy.GetLength(), 0);
    EXPECT_EQ(copy._GetCapacity(), 10);
    EXPECT_STREQ(copy.GetCString(), "");

    FCString nine("123456789");
    nine.Append("");
    EXPECT_EQ(nine._GetCapacity(), 10) << "a free slot is left: nothing to grow";
}

TEST(FCString, RepeatedCharactersAreAppendedInOneGrowth) {
    FCString s("ab");
    s._AppendRepeated('x', 25);
    EXPECT_EQ(s.GetLength(), 27);
    EXPECT_EQ(s._GetCapacity(), 30);
    EXPECT_STREQ(s.GetCString(), ("ab" + std::string(25, 'x')).c_str());
    s._AppendRepeated('y', 0);
    s._AppendRepeated('y', -4);
    s._AppendRepeated('y', INT_MAX); // past the largest length: nothing
    EXPECT_EQ(s.GetLength(), 27);
    EXPECT_EQ(s._GetCapacity(), 30);
}

TEST(FCString, NullArgumentsChangeNothing) {
    FCString s("keep");
    s.SetCString(nullptr);
    s.SetUnicodeString(nullptr);
    s.SetString(nullptr);
    s.Append(static_cast<const char*>(nullptr));
    s.Append(static_cast<const FCString*>(nullptr));
    s.Insert(nullptr, 2);
    EXPECT_STREQ(s.GetCString(), "keep");
    EXPECT_EQ(s._GetCapacity(), 10);
    EXPECT_FALSE(s.StartsWith(nullptr));
    int position = -7;
    EXPECT_FALSE(s.Contains(nullptr, &position));
    EXPECT_EQ(position, -7);
}

TEST(FCString, NumbersInAndOutNegativePositionsConvertToZero) {
    FCString s("12");
    EXPECT_EQ(s.GetInteger(-1), 0);
    EXPECT_EQ(s.GetInteger(-100000), 0);
    EXPECT_FLOAT_EQ(s.GetFloat(-1), 0.0f);
    EXPECT_EQ(s.GetInteger(0), 12);

    s.SetInteger(-305);
    EXPECT_EQ(s.GetLength(), 4);
    EXPECT_STREQ(s.GetCString(), "-305");
    s.SetCString("m12x");
    EXPECT_EQ(s.GetInteger(1), 12);
    EXPECT_EQ(s.GetInteger(0), 0);
    EXPECT_EQ(s.GetInteger(s.GetLength()), 0);
    EXPECT_EQ(s.GetInteger(s.GetLength() + 1), 0);

    s.SetCString("abcd");
    s.AppendInteger(7);
    EXPECT_EQ(s.GetLength(), 5);
    EXPECT_EQ(s.GetItemAt(4), '7');

    s.SetCString(" -2.5e1q");
    EXPECT_FLOAT_EQ(s.GetFloat(0), -25.0f);
    EXPECT_FLOAT_EQ(s.GetFloat(100), 0.0f);
}

// Assigning or appending a string to itself used to be unsupported: both now do the obvious thing.
TEST(FCString, SelfAssignmentAndSelfAppendAreSafe) {
    FCString s("abcdefghi"); // capacity 10: appending itself must grow the storage
    s.SetString(&s);
    EXPECT_STREQ(s.GetCString(), "abcdefghi");
    s.Append(&s);
    EXPECT_STREQ(s.GetCString(), "abcdefghiabcdefghi");
    EXPECT_EQ(s.GetLength(), 18);

    FCString copy;
    copy.SetString(&s);
    EXPECT_TRUE(copy.IsEqual(&s));
    copy.Append("!");
    EXPECT_FALSE(copy.IsEqual(&s));
}

TEST(FCString, FlagSetters) {
    FCString s;
    utwobyte w = 0x0001;
    s.Set16BitFlag(&w, 0x0004, true);
    EXPECT_EQ(w, 0x0005);
    s.Set16BitFlag(&w, 0x0004, false);
    EXPECT_EQ(w, 0x0001);
    ufourbyte l = 0x80000000u;
    s.Set32BitFlag(&l, 0x00010001u, true);
    EXPECT_EQ(l, 0x80010001u);
    s.Set32BitFlag(&l, 0x80000001u, false);
    EXPECT_EQ(l, 0x00010000u);
}

class FCStringResourceTest : public testing_support::HostTest {};

TEST_F(FCStringResourceTest, LoadsStringResourcesAndRemembersTheModule) {
    HMODULE exe = GetModuleHandleA("FINALE.EXE");
    ASSERT_NE(exe, nullptr);
    HMODULE texts = platform::RegisterModule("Texts.dll", {});
    platform::SetModuleString(exe, 100, "from the executable");
    platform::SetModuleString(texts, 100, "from the library");
    platform::SetModuleString(texts, 101, std::string(600, 'x'));

    FCString s;
    // Without a module name at first: the host's executable.
    EXPECT_TRUE(s.LoadResource(100));
    EXPECT_STREQ(s.GetCString(), "from the executable");

    EXPECT_TRUE(s.LoadResource(100, "texts.DLL"));
    EXPECT_STREQ(s.GetCString(), "from the library");
    // A later call without a name uses the module named last.
    EXPECT_TRUE(s.LoadResource(101));
    EXPECT_EQ(s.GetLength(), 499);

    EXPECT_FALSE(s.LoadResource(999));
    EXPECT_STREQ(s.GetCString(), "Resource String Error");
    platform::UnregisterModule(texts);
}
