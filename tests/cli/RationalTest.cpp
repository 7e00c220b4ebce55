#include "cli/musicxml/Rational.h"

#include <gtest/gtest.h>

#include <cstdint>

using cadentra_cli::Rational;
using cadentra_cli::RationalOverflow;

TEST(Rational, SumsAreInLowestTermsWhetherOrNotTheDenominatorsAgree) {
    // Of one denominator (the common case while a part is read) and of two.
    EXPECT_EQ(Rational(1, 4) + Rational(1, 4), Rational(1, 2));
    EXPECT_EQ(Rational(3, 8) + Rational(5, 8), Rational(1));
    EXPECT_EQ(Rational(1, 3) + Rational(1, 6), Rational(1, 2));
    EXPECT_EQ(Rational(1, 2) - Rational(3, 2), Rational(-1));
    const Rational half(2, 4);
    EXPECT_EQ(half.num, 1);
    EXPECT_EQ(half.den, 2);
    // Whole numbers and signs.
    const Rational whole(6, 1);
    EXPECT_EQ(whole.num, 6);
    EXPECT_TRUE(whole.IsInteger());
    const Rational negative(3, -6);
    EXPECT_EQ(negative.num, -1);
    EXPECT_EQ(negative.den, 2);
    EXPECT_EQ(Rational(0, 7).den, 1);
    EXPECT_EQ((Rational(5, 2) * Rational(1024)).Round(), 2560);
    EXPECT_EQ(Rational(-5, 2).Round(), -3);
    EXPECT_EQ(Rational(3, 4).RoundedTimes(1024), 768);   // exact
    EXPECT_EQ(Rational(1, 3).RoundedTimes(1024), 341);   // 341.33
    EXPECT_EQ(Rational(-5, 6).RoundedTimes(1024), -853); // -853.33
}

TEST(Rational, ResultsThatDoNotFitAreRefused) {
    const Rational big(INT64_MAX / 2 + 1, 3);
    EXPECT_THROW(big + big, RationalOverflow);                  // one denominator
    EXPECT_THROW(big + Rational(1, 5) + big, RationalOverflow); // two
    EXPECT_THROW(Rational(INT64_MAX, 1) * Rational(2, 1), RationalOverflow);
}
