#include "cli/musicxml/KeyPitch.h"

#include <limits>

namespace cadentra_cli {
namespace {

int Sharps(utwobyte keyValue) {
    const auto accidentals = static_cast<signed char>(keyValue & 0xFF);
    return accidentals > 0 ? accidentals : 0;
}

int Flats(utwobyte keyValue) {
    const auto accidentals = static_cast<signed char>(keyValue & 0xFF);
    return accidentals < 0 ? -accidentals : 0;
}

bool IsMinor(utwobyte keyValue) {
    return (keyValue >> 8) == 1;
}

int Modulo7(int value) {
    return ((value % 7) + 7) % 7;
}

/// Diatonic steps of a letter above C (C = 0 ... B = 6).
int StepsAboveC(int letterIndex) {
    return Modulo7(letterIndex - 2);
}

} // namespace

utwobyte MakeKeyValue(int fifths, bool minor) {
    return static_cast<utwobyte>((minor ? 0x0100 : 0) | (static_cast<unsigned>(fifths) & 0xFF));
}

bool IsStandardKey(utwobyte keyValue) {
    return keyValue < 0x0200;
}

int LetterIndex(char step) {
    if (step >= 'A' && step <= 'G') return step - 'A';
    if (step >= 'a' && step <= 'g') return step - 'a';
    return -1;
}

char LetterOf(int index) {
    return static_cast<char>('A' + Modulo7(index));
}

int ScaleRootIndex(utwobyte keyValue) {
    if (!IsStandardKey(keyValue)) return -1;
    static constexpr int MAJOR[8] = {2, 6, 3, 0, 4, 1, 5, 2};
    static constexpr int MINOR[8] = {0, 4, 1, 5, 2, 6, 3, 0};
    const int flats = Flats(keyValue);
    const int position = flats > 0 ? 7 - (flats % 7) : Sharps(keyValue) % 7;
    return IsMinor(keyValue) ? MINOR[position] : MAJOR[position];
}

int RootRelationAbsoluteIndex(utwobyte keyValue) {
    if (!IsStandardKey(keyValue)) return -1;
    const int sharps = Sharps(keyValue);
    const int flats = Flats(keyValue);
    int relation = 0;
    if (sharps > 0)
        relation = (4 * sharps) % 7;
    else if (flats > 0)
        relation = 7 - ((4 * flats) % 7);
    if (IsMinor(keyValue)) relation -= 2;
    if (relation < 0) relation += 7;
    return relation;
}

int KeyAlterationOf(utwobyte keyValue, int letterIndex) {
    int alteration = 0;
    const int sharps = Sharps(keyValue);
    if (sharps >= 1) {
        for (int i = 0; i < sharps; ++i)
            if ((5 + 4 * i) % 7 == letterIndex) ++alteration;
        return alteration;
    }
    const int flats = Flats(keyValue);
    for (int i = 0; i < flats; ++i)
        if ((1 + 3 * i) % 7 == letterIndex) --alteration;
    return alteration;
}

std::optional<HostPitch> ToHostPitch(const SpelledPitch& pitch, utwobyte keyValue) {
    const int letter = LetterIndex(pitch.step);
    if (!IsStandardKey(keyValue) || letter < 0) return std::nullopt;
    const int stepsFromMiddleC = (pitch.octave - 4) * 7 + StepsAboveC(letter);
    const int displacement = stepsFromMiddleC - RootRelationAbsoluteIndex(keyValue);
    const int raiseLower = pitch.alter - KeyAlterationOf(keyValue, letter);
    constexpr int LOW = std::numeric_limits<twobyte>::min();
    constexpr int HIGH = std::numeric_limits<twobyte>::max();
    if (displacement < LOW || displacement > HIGH || raiseLower < LOW || raiseLower > HIGH)
        return std::nullopt;
    return HostPitch{static_cast<twobyte>(displacement), static_cast<twobyte>(raiseLower)};
}

std::optional<SpelledPitch> FromHostPitch(const HostPitch& pitch, utwobyte keyValue) {
    if (!IsStandardKey(keyValue)) return std::nullopt;
    // The letter as the pitch spelling names it, the octave from the root's place above C.
    const int letter = Modulo7(ScaleRootIndex(keyValue) + pitch.displacement);
    const int stepsFromMiddleC = RootRelationAbsoluteIndex(keyValue) + pitch.displacement;
    const int octave =
        4 + (stepsFromMiddleC >= 0 ? stepsFromMiddleC / 7 : -((-stepsFromMiddleC + 6) / 7));
    SpelledPitch spelled;
    spelled.step = LetterOf(letter);
    spelled.alter = pitch.raiseLower + KeyAlterationOf(keyValue, letter);
    spelled.octave = octave;
    return spelled;
}

} // namespace cadentra_cli
