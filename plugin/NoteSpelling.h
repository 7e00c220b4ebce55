// Pitches that move between measures: a note record holds its pitch relative to the key of its
// measure, so a note moved into a measure of another key must be written anew to sound the same.
#pragma once

#include "finalepdk/WireRecords.h"

#include <cstdint>
#include <optional>
#include <vector>

class FCNote;
class FCNoteEntry;

/// A pitch as it sounds, whatever key it is written in: diatonic steps above middle C and the
/// alteration in semitones (D-flat 5 is {8, -1}). On a transposing staff the written pitch follows
/// from it by the staff's transposition, so keeping the one keeps the other.
struct SoundingPitch {
    int step = 0;
    int alteration = 0;
    bool operator==(const SoundingPitch&) const = default;
};

/// Reads and writes the notes of entries in the keys of their measures, asking the host for the
/// key of each measure once.
class KeySpeller {
public:
    /// The key value in force in `measure`; the key without accidentals when the measure's record
    /// does not load.
    utwobyte KeyOf(twobyte measure);
    /// The pitch of a note of an entry; nullopt where the key is not a standard major or minor
    /// key, which does not say what it does to a letter.
    std::optional<SoundingPitch> PitchOf(FCNote* note);
    /// Whether two notes of entries, in the same measure or not, sound the same pitch. Notes in
    /// measures of the same key, or of a key that says nothing, compare by their records.
    bool IsSamePitch(FCNote* note, FCNote* other);
    /// The first note of `entry` with the pitch of `note`; null for a rest or when there is none.
    FCNote* FindSamePitch(FCNoteEntry* entry, FCNote* note);
    /// Rewrites `note`, a copy of `original` taken into another entry, so that it has the pitch of
    /// `original` in the key of its own measure. Leaves it as it is where both measures have the
    /// same key or either key is not standard.
    void Respell(FCNote* note, FCNote* original);

private:
    /// The key of each measure asked for so far, by measure number; -1 where not yet asked.
    std::vector<int32_t> _keys;
};
