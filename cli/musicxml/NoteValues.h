// The small vocabularies shared by reading and writing: note values, articulation definitions
// and how a tuplet is held in the host's tuplet definition record.
#pragma once

#include "finalepdk/WireRecords.h"

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace cadentra_cli {

/// Host duration units of a MusicXML note type ("quarter" -> 1024); nullopt for an unknown type
/// or one too long for the entry record.
std::optional<int> DurationOfType(std::string_view type);
/// Duration of a type with `dots` dots.
std::optional<int> DurationOfTypeWithDots(std::string_view type, int dots);

/// A note value that writes a duration: the type name and the number of dots.
struct NoteValue {
    std::string type;
    int dots = 0;
};
/// The plain or dotted note value of a duration in host units; nullopt for any other duration.
std::optional<NoteValue> NoteValueOfDuration(int duration);

// Articulations ----------------------------------------------------------------------------------

// Articulation records of entries (host::TAG_ARTICULATION) hold the definition number in their
// first two bytes.
constexpr EXTAG TAG_ARTICULATION_DEFINITION = 0x4F044958;
constexpr int ARTICULATION_RECORD_SIZE = 10;
constexpr int ARTICULATION_DEFINITION_SIZE = 48;

/// The plain articulations (and the plain fermata) that every document the program reads has as
/// definitions 1, 2, ...: definition n is element ArticulationNames()[n - 1]. Marks of other
/// spellings get definitions after them (the reader's travelling marks).
const std::vector<std::string>& ArticulationNames();
/// Definition number of a plain articulation element name; 0 when there is none for it.
int ArticulationDefinitionOf(std::string_view name);
/// The 48-byte definition record of a mark named `name`: its symbol in the music font.
std::vector<unsigned char> ArticulationDefinitionRecord(std::string_view name);

// Tuplets ----------------------------------------------------------------------------------------

/// How a tuplet is shown, as MusicXML states it (0 = not stated).
struct TupletLook {
    int bracket = 0;    // 1 yes, 2 no
    int showNumber = 0; // 1 actual, 2 both, 3 none
    int placement = 0;  // 1 above, 2 below
    bool operator==(const TupletLook&) const = default;
};

/// A tuplet: `actualCount` notes of `unit` in the time of `normalCount` notes of `normalUnit`.
struct TupletDefinition {
    int actualCount = 3;
    int unit = 512;
    int normalCount = 2;
    int normalUnit = 512;
    TupletLook look;
    bool operator==(const TupletDefinition&) const = default;
};

EDTTuplet2005 EncodeTuplet(const TupletDefinition& tuplet);
TupletDefinition DecodeTuplet(const EDTTuplet2005& record);

// Keys -------------------------------------------------------------------------------------------

/// The key of a `cmper` record (word 0). Entry details take host::DetailKey.
std::array<unsigned char, 8> CmperKey(int cmper);

} // namespace cadentra_cli
