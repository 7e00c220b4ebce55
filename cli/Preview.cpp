#include "cli/Preview.h"

#include "host/Builder.h"
#include "host/Notation.h"

namespace cadentra_cli {

const char* const NOTATION_KEY =
    "Notation: pitch with octave (C4 is middle C), duration (w whole, h half, q quarter,\n"
    "e eighth, s 16th, t 32nd, a dot for dotted), ~ tied to the next note, /3:2 a triplet\n"
    "starting there, !name an articulation, E4+G4 a chord, r a rest.\n";

std::string MeasureMusic(const host::Document& document, int staff, int layer, int measure,
                         const ArticulationName& name) {
    const std::string music =
        host::DescribeLayer(document, static_cast<twobyte>(staff), static_cast<twobyte>(measure),
                            static_cast<twobyte>(measure), static_cast<twobyte>(layer));
    return music.empty() ? "(empty)" : host::NameArticulations(music, name);
}

ArticulationName MarkNamesOf(const Score& score) {
    return [&score](int id) -> std::string {
        if (id < 1 || static_cast<size_t>(id) > score.marks.size()) return {};
        // The element's name: "<strong-accent type="up"/>" is a strong accent.
        const std::string& element = score.marks[static_cast<size_t>(id - 1)].element;
        const size_t begin = element.find('<');
        if (begin == std::string::npos) return {};
        const size_t end = element.find_first_of(" \t\r\n/>", begin + 1);
        return element.substr(begin + 1, end == std::string::npos ? end : end - begin - 1);
    };
}

} // namespace cadentra_cli
