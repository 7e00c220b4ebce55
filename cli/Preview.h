// Music shown as text, in the notation `cadentra demo` prints: what a dry run shows of each layer
// that would take the rhythm, before and after.
#pragma once

#include "cli/musicxml/Score.h"
#include "host/Document.h"

#include <functional>
#include <string>

namespace cadentra_cli {

/// What the notation's signs mean, in a few lines for the reader of the music printed after it.
extern const char* const NOTATION_KEY;

/// The name of articulation definition `id`; empty for one it does not know.
using ArticulationName = std::function<std::string(int id)>;

/// The music of one layer (0-based) of a staff in one measure, its articulations by name;
/// "(empty)" where the layer has nothing.
std::string MeasureMusic(const host::Document& document, int staff, int layer, int measure,
                         const ArticulationName& name);

/// The names of the marks a score's articulation definitions stand for ("staccato",
/// "fermata").
ArticulationName MarkNamesOf(const Score& score);

} // namespace cadentra_cli
