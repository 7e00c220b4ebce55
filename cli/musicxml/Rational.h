// Exact musical time: MusicXML durations are fractions of a quarter note with a per-part divisor,
// and tuplets make the host's duration units inexact, so positions are kept as fractions.
#pragma once

#include <cstdint>
#include <climits>
#include <numeric>

namespace cadentra_cli {

/// Raised when a result of Rational arithmetic does not fit in 64 bits; the reader and writer turn
/// it into an error about the score.
struct RationalOverflow {};

namespace rational_detail {

constexpr int64_t Checked(__int128 value) {
    if (value > INT64_MAX || value < -INT64_MAX) throw RationalOverflow{};
    return static_cast<int64_t>(value);
}

constexpr int64_t Multiply(int64_t a, int64_t b) {
    return Checked(static_cast<__int128>(a) * b);
}

} // namespace rational_detail

/// A fraction kept in lowest terms with a positive denominator. Arithmetic whose result does not
/// fit throws RationalOverflow rather than wrap.
struct Rational {
    int64_t num = 0;
    int64_t den = 1;

    constexpr Rational() = default;
    constexpr Rational(int64_t n, int64_t d = 1) : num(n), den(d) { Normalize(); }

    constexpr void Normalize() {
        // INT64_MIN has no positive counterpart: it is out of range here.
        num = rational_detail::Checked(num);
        den = rational_detail::Checked(den);
        if (den < 0) {
            num = -num;
            den = -den;
        }
        if (den == 0) {
            num = 0;
            den = 1;
            return;
        }
        if (den == 1) return;
        const int64_t g = std::gcd(num < 0 ? -num : num, den);
        if (g > 1) {
            num /= g;
            den /= g;
        }
    }

    constexpr bool IsInteger() const { return den == 1; }
    /// This times `factor`, rounded as Round does; without fraction arithmetic when the
    /// denominator divides `factor` (as a time's does the units of a quarter note).
    constexpr int64_t RoundedTimes(int64_t factor) const {
        if (factor % den == 0) return rational_detail::Multiply(num, factor / den);
        return (*this * Rational(factor)).Round();
    }
    /// Rounded to the nearest integer (halves away from zero).
    constexpr int64_t Round() const {
        const __int128 n = num;
        const __int128 d = den;
        return static_cast<int64_t>(n >= 0 ? (2 * n + d) / (2 * d) : -((-2 * n + d) / (2 * d)));
    }

    friend constexpr Rational operator+(Rational a, Rational b) {
        using rational_detail::Checked;
        // Times read from one part mostly share their denominator.
        if (a.den == b.den) return Rational(Checked(static_cast<__int128>(a.num) + b.num), a.den);
        return Rational(
            Checked(static_cast<__int128>(a.num) * b.den + static_cast<__int128>(b.num) * a.den),
            rational_detail::Multiply(a.den, b.den));
    }
    friend constexpr Rational operator-(Rational a, Rational b) {
        using rational_detail::Checked;
        return Rational(
            Checked(static_cast<__int128>(a.num) * b.den - static_cast<__int128>(b.num) * a.den),
            rational_detail::Multiply(a.den, b.den));
    }
    friend constexpr Rational operator*(Rational a, Rational b) {
        return Rational(rational_detail::Multiply(a.num, b.num),
                        rational_detail::Multiply(a.den, b.den));
    }
    friend constexpr Rational operator/(Rational a, Rational b) {
        return Rational(rational_detail::Multiply(a.num, b.den),
                        rational_detail::Multiply(a.den, b.num));
    }
    Rational& operator+=(Rational b) { return *this = *this + b; }
    Rational& operator-=(Rational b) { return *this = *this - b; }
    friend constexpr bool operator==(Rational a, Rational b) {
        return a.num == b.num && a.den == b.den;
    }
    friend constexpr bool operator<(Rational a, Rational b) {
        return static_cast<__int128>(a.num) * b.den < static_cast<__int128>(b.num) * a.den;
    }
    friend constexpr bool operator>(Rational a, Rational b) { return b < a; }
    friend constexpr bool operator<=(Rational a, Rational b) { return !(b < a); }
    friend constexpr bool operator>=(Rational a, Rational b) { return !(a < b); }
};

} // namespace cadentra_cli
