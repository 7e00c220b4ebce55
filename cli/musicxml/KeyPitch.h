// Pitches as the host stores them: a diatonic step counted from the root of the key in force
// (`displacement`) and a chromatic alteration relative to the key signature (`raiseLower`). The
// conversion here reads a key value exactly as the framework's pitch spelling does, so that a
// pitch written into a note record and spelled back by the framework is the one in the score.
#pragma once

#include "finalepdk/PdkTypes.h"

#include <optional>

namespace cadentra_cli {

/// The host's key value for a traditional key: low byte the signed number of sharps (positive)
/// or flats (negative), high byte the mode (0 major, 1 minor).
utwobyte MakeKeyValue(int fifths, bool minor);

/// True for a key value the pitch spelling can interpret (below 0x0200, no high bits).
bool IsStandardKey(utwobyte keyValue);

/// Letter numbers as the host counts them: A = 0 ... G = 6.
int LetterIndex(char step);
char LetterOf(int index);

/// The key's root as a letter number (A = 0); -1 for a non-standard key.
int ScaleRootIndex(utwobyte keyValue);
/// The actual root's distance in diatonic steps above C (minor keys: the minor root); -1 for a
/// non-standard key.
int RootRelationAbsoluteIndex(utwobyte keyValue);
/// The alteration the key signature gives to a letter (+1 per sharp, -1 per flat on it).
int KeyAlterationOf(utwobyte keyValue, int letterIndex);

/// A written pitch: letter, chromatic alteration in semitones and octave (4 holds middle C).
struct SpelledPitch {
    char step = 'C';
    int alter = 0;
    int octave = 4;
    bool operator==(const SpelledPitch&) const = default;
};

/// A pitch as the note record holds it.
struct HostPitch {
    twobyte displacement = 0;
    twobyte raiseLower = 0;
    bool operator==(const HostPitch&) const = default;
};

/// The note record values of `pitch` under `keyValue`; nullopt for a non-standard key or a pitch
/// out of the record's range.
std::optional<HostPitch> ToHostPitch(const SpelledPitch& pitch, utwobyte keyValue);
/// The written pitch of note record values under `keyValue`; nullopt for a non-standard key.
std::optional<SpelledPitch> FromHostPitch(const HostPitch& pitch, utwobyte keyValue);

} // namespace cadentra_cli
