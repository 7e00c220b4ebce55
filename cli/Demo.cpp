#include "cli/Demo.h"

#include "cli/LayerReport.h"
#include "cli/musicxml/MusicXmlWriter.h"
#include "cli/musicxml/NoteValues.h"
#include "cli/PluginSession.h"
#include "host/Builder.h"
#include "host/Host.h"

#include <regex>
#include <string>
#include <vector>

namespace cadentra_cli {
namespace {

constexpr int MEASURES = 2;
constexpr int SOURCE_STAFF = 1;
constexpr int FIRST_DESTINATION = 2;

struct SampleStaff {
    const char* name;
    std::vector<const char*> layers; // music of layers 1, 2, ... in the builder's notation
};

// Ties, a rest, a triplet and articulations in the source; a chord, a second layer and a staff
// with another number of note events among the destinations.
const SampleStaff SAMPLE[] = {
    {"Flute", {"C5 q, D5 q~, D5 e, r e, E5 e/3:2, F5 e, G5 e | A5 h!1, G5 q!3, r q"}},
    {"Oboe", {"E4 q, F4 q, G4 h | A4 q, B4 q, C5 q, D5 q", "C4 w | C4 h, D4 h"}},
    {"Clarinet", {"E4+G4 h, F4+A4 h | G4 q, A4 q, B4 q, C5 e, D5 e"}},
    {"Horn", {"G3 w | G3 h~, G3 h"}},
    {"Bassoon", {"C3 h, D3 q, E3 q | F3 q, G3 q, A3 q, B3 q"}},
};
constexpr int STAVES = static_cast<int>(std::size(SAMPLE));

/// The builder's notation with articulation numbers replaced by their names.
std::string Readable(const std::string& music) {
    static const std::regex articulation("!([0-9]+)");
    std::string text;
    auto begin = std::sregex_iterator(music.begin(), music.end(), articulation);
    size_t last = 0;
    for (auto it = begin; it != std::sregex_iterator(); ++it) {
        text += music.substr(last, static_cast<size_t>(it->position()) - last);
        const int id = std::stoi((*it)[1]);
        const auto& names = ArticulationNames();
        text += "!" + (id >= 1 && id <= static_cast<int>(names.size())
                           ? names[static_cast<size_t>(id - 1)]
                           : std::to_string(id));
        last = static_cast<size_t>(it->position() + it->length());
    }
    return text + music.substr(last);
}

std::string LayerText(const host::Document& document, int staff, int layer) {
    std::string text;
    for (int m = 1; m <= MEASURES; ++m) {
        const std::string music =
            host::DescribeLayer(document, static_cast<twobyte>(staff), static_cast<twobyte>(m),
                                static_cast<twobyte>(m), static_cast<twobyte>(layer));
        text += (m > 1 ? "  | m" : "m") + std::to_string(m) + ": " +
                (music.empty() ? "(empty)" : Readable(music));
    }
    return text;
}

bool HasMusic(const host::Document& document, int staff, int layer) {
    return !LayerEntries(document, staff, layer, 1, MEASURES).empty();
}

void PrintScore(const host::Document& document, std::ostream& out) {
    for (int staff = 1; staff <= STAVES; ++staff) {
        out << "  Staff " << staff << " (" << SAMPLE[staff - 1].name << ")\n";
        for (int layer = 0; layer < document.maxLayers; ++layer)
            if (HasMusic(document, staff, layer))
                out << "    layer " << (layer + 1) << "  " << LayerText(document, staff, layer)
                    << "\n";
    }
}

} // namespace

int RunDemo(std::ostream& out) {
    host::Host& host = host::Host::Instance();
    host.Reset();
    host::Document& document = host.NewDocument("sample");
    host::DocumentBuilder builder(document);
    for (int staff = 1; staff <= STAVES; ++staff)
        builder.Staff(static_cast<twobyte>(staff), SAMPLE[staff - 1].name);
    builder.Measures(MEASURES);
    for (int staff = 1; staff <= STAVES; ++staff) {
        const auto& layers = SAMPLE[staff - 1].layers;
        for (size_t layer = 0; layer < layers.size(); ++layer)
            builder.Layer(static_cast<twobyte>(staff), 1, static_cast<twobyte>(layer))
                .Notes(layers[layer]);
    }

    out << "ZQ Cadentra demo: the plug-in driven through its six entry points, as the host "
           "program\n"
           "drives it, on a sample score of "
        << STAVES << " staves and " << MEASURES
        << " measures of 4/4 held by the stand-in host.\n\n"
           "Notation: pitch with octave (C4 is middle C), duration (w whole, h half, q quarter,\n"
           "e eighth, a dot for dotted), ~ tied to the next note, /3:2 a triplet starting there,\n"
           "!name an articulation, E4+G4 a chord, r a rest.\n\n"
           "The score before:\n";
    PrintScore(document, out);

    const int sourceEvents = CountLayerEvents(document, SOURCE_STAFF, 0, 1, MEASURES);
    std::vector<LayerBefore> before =
        SurveyLayers(document, FIRST_DESTINATION, STAVES, 1, MEASURES, document.maxLayers);
    std::vector<std::string> textBefore;
    for (const LayerBefore& layer : before)
        textBefore.push_back(LayerText(document, layer.staff, layer.layer));

    out << "\n";
    const CopyOutcome outcome =
        RunRhythmCopy(document, host::Region(SOURCE_STAFF, SOURCE_STAFF, 1, MEASURES),
                      host::Region(FIRST_DESTINATION, STAVES, 1, MEASURES), &out);

    out << "\nThe score after:\n";
    PrintScore(document, out);

    out << "\nWhat happened (the source, staff " << SOURCE_STAFF << " layer 1, has "
        << Plural(sourceEvents, "note event", "note events") << "):\n";
    for (size_t i = 0; i < before.size(); ++i) {
        const LayerBefore& layer = before[i];
        if (layer.events == 0 && !HasMusic(document, layer.staff, layer.layer)) continue;
        const bool changed = LayerText(document, layer.staff, layer.layer) != textBefore[i];
        out << "  Staff " << layer.staff << " (" << SAMPLE[layer.staff - 1].name << "), layer "
            << (layer.layer + 1) << ": " << DescribeOutcome(layer, changed, false, sourceEvents)
            << "\n";
    }
    return outcome.copied ? 0 : 1;
}

} // namespace cadentra_cli
