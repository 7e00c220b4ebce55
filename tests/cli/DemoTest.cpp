#include "cli/Demo.h"

#include "plugin/Cadentra.h"

#include <gtest/gtest.h>

#include <sstream>

TEST(Demo, CopiesOntoTheMatchingLayersAndExplainsTheOthers) {
    // As a freshly loaded plug-in: other tests of this program have recorded sources.
    source_is_set = 0;
    std::ostringstream out;
    EXPECT_EQ(cadentra_cli::RunDemo(out), 0);
    const std::string text = out.str();
    const auto after = text.find("The score after:");
    ASSERT_NE(after, std::string::npos);
    // Oboe layer 1 takes the flute's rhythm with its own pitches in order.
    EXPECT_NE(text.find("m1: E4 q, F4 q~, F4 e, r e, G4 e/3:2, A4 e, B4 e  | m2: C5 h!accent, "
                        "D5 q!staccato, r q",
                        after),
              std::string::npos);
    // The chord stays whole on every entry of its event.
    EXPECT_NE(text.find("m1: E4+G4 q, F4+A4 q~, F4+A4 e, r e, G4 e/3:2", after), std::string::npos);
    EXPECT_NE(text.find("Staff 2 (Oboe), layer 2: left alone: 3 note events, the source has 7"),
              std::string::npos);
    EXPECT_NE(text.find("Staff 4 (Horn), layer 1: left alone: 2 note events, the source has 7"),
              std::string::npos);
    EXPECT_NE(text.find("declares framework version 0x0F000000"), std::string::npos);
    EXPECT_NE(text.find("(disabled)"), std::string::npos);
    EXPECT_NE(text.find("COPY succeeded"), std::string::npos);
}
