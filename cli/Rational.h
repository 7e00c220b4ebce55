// Exact musical time: MusicXML durations are fractions of a quarter note with a per-part divisor,
// and tuplets make the host's duration units inexact, so positions are kept as fractions.
#pragma once

#include <cstdint>
#include <numeric>

namespace cadentra_cli {

/// A fraction kept in lowest terms with a positive denominator.
struct Rational {
    int64_t num = 0;
    int64_t den = 1;

    constexpr Rational() = default;
    constexpr Rational(int64_t n, int64_t d = 1) : num(n), den(d) { Normalize(); }

    constexpr void Normalize() {
        if (den < 0) {
            num = -num;
            den = -den;
        }
        if (den == 0) {
            num = 0;
            den = 1;
            return;
        }
        const int64_t g = std::gcd(num < 0 ? -num : num, den);
        if (g > 1) {
            num /= g;
            den /= g;
        }
    }

    constexpr bool IsInteger() const { return den == 1; }
    /// Rounded to the nearest integer (halves away from zero).
    constexpr int64_t Round() const {
        return num >= 0 ? (2 * num + den) / (2 * den) : -((-2 * num + den) / (2 * den));
    }

    friend constexpr Rational operator+(Rational a, Rational b) {
        return Rational(a.num * b.den + b.num * a.den, a.den * b.den);
    }
    friend constexpr Rational operator-(Rational a, Rational b) {
        return Rational(a.num * b.den - b.num * a.den, a.den * b.den);
    }
    friend constexpr Rational operator*(Rational a, Rational b) {
        return Rational(a.num * b.num, a.den * b.den);
    }
    friend constexpr Rational operator/(Rational a, Rational b) {
        return Rational(a.num * b.den, a.den * b.num);
    }
    Rational& operator+=(Rational b) { return *this = *this + b; }
    Rational& operator-=(Rational b) { return *this = *this - b; }
    friend constexpr bool operator==(Rational a, Rational b) {
        return a.num == b.num && a.den == b.den;
    }
    friend constexpr bool operator<(Rational a, Rational b) {
        return a.num * b.den < b.num * a.den;
    }
    friend constexpr bool operator>(Rational a, Rational b) { return b < a; }
    friend constexpr bool operator<=(Rational a, Rational b) { return !(b < a); }
    friend constexpr bool operator>=(Rational a, Rational b) { return !(a < b); }
};

} // namespace cadentra_cli
