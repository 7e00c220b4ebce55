#include "host/Builder.h"

#include "host/EntryDetails.h"
#include "host/MeasureRecord.h"

#include <algorithm>
#include <cstring>

namespace host {

EREGION Region(twobyte startSlot, twobyte endSlot, twobyte startMeasure, twobyte endMeasure,
               fourbyte startPos, fourbyte endPos, utwobyte list) {
    EREGION region{};
    region.startInstrumentList = list;
    region.startSlot = startSlot;
    region.startMeasure = startMeasure;
    region.startPos = startPos;
    region.endInstrumentList = list;
    region.endSlot = endSlot;
    region.endMeasure = endMeasure;
    region.endPos = endPos;
    return region;
}

DocumentBuilder& DocumentBuilder::Staff(twobyte number, const std::string& name) {
    document_.staves.push_back(host::Staff{number, name.empty() ? "Staff " + std::to_string(number)
                                                                : name});
    document_.instrumentLists[0].push_back(number);
    return *this;
}

DocumentBuilder& DocumentBuilder::Staves(int count) {
    twobyte highest = 0;
    for (const auto& staff : document_.staves) highest = std::max(highest, staff.number);
    for (int i = 1; i <= count; ++i) Staff(static_cast<twobyte>(highest + i));
    return *this;
}

DocumentBuilder& DocumentBuilder::Measures(int count, twobyte beats, fourbyte beatDuration) {
    for (int i = 0; i < count; ++i) {
        const utwobyte key = document_.measures.empty() ? 0 : document_.measures.back().keyValue;
        document_.measures.push_back(Measure{beats, beatDuration, key});
        WriteMeasureRecord(document_, static_cast<twobyte>(document_.measures.size()));
    }
    return *this;
}

DocumentBuilder& DocumentBuilder::TimeSignature(twobyte measure, twobyte beats,
                                                fourbyte beatDuration) {
    if (measure >= 1 && static_cast<size_t>(measure) <= document_.measures.size()) {
        Measure& target = document_.measures[static_cast<size_t>(measure) - 1];
        target.beats = beats;
        target.beatDuration = beatDuration;
        WriteMeasureRecord(document_, measure);
    }
    return *this;
}

DocumentBuilder& DocumentBuilder::KeySignature(twobyte measure, int accidentals, bool minor) {
    return KeyValue(measure, StandardKeyValue(accidentals, minor));
}

DocumentBuilder& DocumentBuilder::KeyValue(twobyte measure, utwobyte keyValue) {
    if (measure < 1) return *this;
    for (size_t m = static_cast<size_t>(measure); m <= document_.measures.size(); ++m) {
        document_.measures[m - 1].keyValue = keyValue;
        WriteMeasureRecord(document_, static_cast<twobyte>(m));
    }
    return *this;
}

DocumentBuilder& DocumentBuilder::InstrumentList(utwobyte list, std::vector<twobyte> staves) {
    document_.instrumentLists[list] = std::move(staves);
    return *this;
}

DocumentBuilder& DocumentBuilder::HideLayer(int layerIndex) {
    if (layerIndex >= 0 && layerIndex < static_cast<int>(document_.layerShown.size()))
        document_.layerShown[static_cast<size_t>(layerIndex)] = false;
    return *this;
}

DocumentBuilder& DocumentBuilder::MaxLayers(twobyte layers) {
    document_.maxLayers = layers;
    return *this;
}

DocumentBuilder& DocumentBuilder::PageView(twobyte page) {
    document_.window.pageView = true;
    document_.window.currentPage = page;
    return *this;
}

DocumentBuilder& DocumentBuilder::ScrollView() {
    document_.window.pageView = false;
    return *this;
}

DocumentBuilder& DocumentBuilder::Zoom(twobyte percent) {
    document_.window.zoomLevel = percent;
    return *this;
}

DocumentBuilder& DocumentBuilder::NoWindow() {
    document_.window.open = false;
    return *this;
}

DocumentBuilder& DocumentBuilder::Part(twobyte id, const std::string& name) {
    document_.parts.push_back(host::Part{id, name});
    return *this;
}

DocumentBuilder& DocumentBuilder::Select(const EREGION& region) {
    document_.selection = region;
    return *this;
}

DocumentBuilder& DocumentBuilder::Record(EXTAG tag, twobyte w0, twobyte w1, twobyte w2,
                                         std::vector<unsigned char> bytes) {
    RecordKey key;
    key.tag = tag;
    const twobyte words[3] = {w0, w1, w2};
    std::memcpy(key.key.data(), words, sizeof words);
    document_.records[key] = std::move(bytes);
    return *this;
}

DocumentBuilder& DocumentBuilder::DetailRecord(EXTAG tag, fourbyte entnum, twobyte inci,
                                               std::vector<unsigned char> bytes) {
    RecordKey key;
    key.tag = tag;
    SetEntryNumberOfKey(key.key, entnum);
    std::memcpy(key.key.data() + 4, &inci, sizeof inci);
    document_.records[key] = std::move(bytes);
    return *this;
}

} // namespace host
