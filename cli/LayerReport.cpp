#include "cli/LayerReport.h"

#include "cli/musicxml/MusicXmlWriter.h"

#include <algorithm>

namespace cadentra_cli {

std::vector<EXENTRY> LayerEntries(const host::Document& document, int staff, int layer, int first,
                                  int last) {
    std::vector<EXENTRY> entries;
    for (int m = first; m <= last; ++m) {
        auto it = document.frames.find(host::FrameKey{
            static_cast<twobyte>(staff), static_cast<twobyte>(m), static_cast<twobyte>(layer)});
        if (it != document.frames.end())
            entries.insert(entries.end(), it->second.begin(), it->second.end());
    }
    return entries;
}

std::string Plural(int count, const char* one, const char* many) {
    return std::to_string(count) + " " + (count == 1 ? one : many);
}

std::string VoiceName(const std::string& voice) {
    return voice.empty() ? "no voice element" : "voice " + voice;
}

std::vector<LayerBefore> SurveyLayers(const host::Document& document, int firstStaff, int lastStaff,
                                      int first, int last, int layers) {
    std::vector<LayerBefore> survey;
    const int count = std::min<int>(layers, document.maxLayers);
    for (int staff = firstStaff; staff <= lastStaff; ++staff)
        for (int layer = 0; layer < count; ++layer)
            survey.push_back(LayerBefore{staff, layer,
                                         CountLayerEvents(document, staff, layer, first, last),
                                         static_cast<size_t>(layer) < document.layerShown.size() &&
                                             document.layerShown[static_cast<size_t>(layer)]});
    return survey;
}

std::string DescribeOutcome(const LayerBefore& layer, bool changed, bool isSource,
                            int sourceEvents) {
    if (changed) return "copied (" + Plural(layer.events, "note event", "note events") + ")";
    if (isSource) return "left alone: it is the source";
    if (!layer.shown) return "left alone: hidden";
    if (layer.events != sourceEvents)
        return "left alone: " + Plural(layer.events, "note event", "note events") +
               ", the source has " + std::to_string(sourceEvents);
    return "unchanged: its rhythm is already the source's";
}

} // namespace cadentra_cli
