// The reader's text helpers: numbers read straight from an element's text, and handles tested
// and made without calls into the library.
#include "cli/musicxml/XmlText.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace {

using cadentra_cli::Each;
using cadentra_cli::HandleOf;
using cadentra_cli::IsNode;
using cadentra_cli::PlainInteger;
using cadentra_cli::PlainIntegerIn;
using cadentra_cli::TrimmedView;

TEST(PlainIntegerIn, ReadsDigitsWithASignBetweenBlanks) {
    EXPECT_EQ(PlainIntegerIn("0"), 0);
    EXPECT_EQ(PlainIntegerIn("480"), 480);
    EXPECT_EQ(PlainIntegerIn(" \t\r\n12\n "), 12);
    EXPECT_EQ(PlainIntegerIn("-3"), -3);
    EXPECT_EQ(PlainIntegerIn("+7"), 7);
    EXPECT_EQ(PlainIntegerIn("999999999"), 999999999);
    EXPECT_EQ(PlainIntegerIn("007"), 7);
}

TEST(PlainIntegerIn, AnswersNoneForAnythingElse) {
    for (const char* text : {"", "   ", "+", "-", "- 5", "1 2", "1.5", "1e3", "12a", "a12", "--1",
                             "1000000000", "&c;", "0x10", "1\xC2\xA0"})
        EXPECT_EQ(PlainIntegerIn(text), std::nullopt) << '"' << text << '"';
}

TEST(PlainIntegerIn, AgreesWithPlainIntegerOfTheTrimmedText) {
    const std::string pieces[] = {"",  " ",  "\n",        "-",          "+", "0", "1",
                                  "9", "12", "123456789", "1234567890", "x", ".", " 4 "};
    for (const std::string& a : pieces)
        for (const std::string& b : pieces)
            for (const std::string& c : pieces) {
                const std::string text = a + b + c;
                EXPECT_EQ(PlainIntegerIn(text.c_str()), PlainInteger(TrimmedView(text.c_str())))
                    << '"' << text << '"';
            }
}

TEST(Handles, AreTestedAndMadeAsTheLibraryDoes) {
    EXPECT_FALSE(IsNode(pugi::xml_node()));
    EXPECT_FALSE(IsNode(HandleOf(nullptr)));
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string("<note><pitch/></note>"));
    const pugi::xml_node pitch = document.child("note").child("pitch");
    EXPECT_TRUE(IsNode(pitch));
    EXPECT_FALSE(IsNode(pitch.next_sibling()));
    const pugi::xml_node made = HandleOf(pitch.internal_object());
    EXPECT_EQ(made, pitch);
    EXPECT_STREQ(made.name(), "pitch");
}

TEST(Each, WalksTheSiblingsOfOneNameAndStopsAtTheLastOfACount) {
    pugi::xml_document document;
    ASSERT_TRUE(document.load_string(
        "<note><tie n=\"1\"/><voice/><tie n=\"2\"/>text<tie n=\"3\"/><type/></note>"));
    const pugi::xml_node first = document.child("note").child("tie");
    auto numbers = [](Each each) {
        std::vector<int> seen;
        for (pugi::xml_node tie : each)
            seen.push_back(tie.attribute("n").as_int());
        return seen;
    };
    EXPECT_EQ(numbers(Each{first}), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(numbers(Each{first, 3}), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(numbers(Each{first, 1}), (std::vector<int>{1}));
    EXPECT_EQ(numbers(Each{first.next_sibling("tie"), 2}), (std::vector<int>{2, 3}));
    EXPECT_TRUE(numbers(Each{pugi::xml_node()}).empty());
}

} // namespace
