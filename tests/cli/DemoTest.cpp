#include "CliSupport.h"

#include "cli/Demo.h"

#include "plugin/Cadentra.h"

#include <gtest/gtest.h>

#include <sstream>

using cli_test::Holds;

TEST(Demo, CopiesOntoTheMatchingLayersAndExplainsTheOthers) {
    // As in a freshly loaded plug-in, whatever earlier tests of this process recorded.
    source_is_set = 0;
    std::ostringstream out;
    EXPECT_EQ(cadentra_cli::RunDemo(out), 0);
    const std::string text = out.str();
    const auto after = text.find("The score after:");
    ASSERT_NE(after, std::string::npos);
    // Oboe layer 1 takes the flute's rhythm with its own pitches in order.
    const std::string score = text.substr(after);
    EXPECT_TRUE(Holds(score, "m1: E4 q, F4 q~, F4 e, r e, G4 e/3:2, A4 e, B4 e  | m2: C5 h!accent, "
                             "D5 q!staccato, r q"));
    // The chord stays whole on every entry of its event.
    EXPECT_TRUE(Holds(score, "m1: E4+G4 q, F4+A4 q~, F4+A4 e, r e, G4 e/3:2"));
    EXPECT_TRUE(
        Holds(text, "Staff 2 (Oboe), layer 2: left alone: 3 note events, the source has 7"));
    EXPECT_TRUE(
        Holds(text, "Staff 4 (Horn), layer 1: left alone: 2 note events, the source has 7"));
    EXPECT_TRUE(Holds(text, "declares framework version 0x0F000000"));
    EXPECT_TRUE(Holds(text, "(disabled)"));
    EXPECT_TRUE(Holds(text, "COPY succeeded"));
}
