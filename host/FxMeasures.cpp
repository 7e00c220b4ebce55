// Host functions about measures as laid out: the measure metrics of one cell.
#include "host/Host.h"
#include "host/HostFunctions.h"
#include "host/MeasureRecord.h"

#include "finalepdk/MeasureMetrics.h"

#include <algorithm>
#include <cstring>

namespace host::fx {
namespace {

// The stand-in host's spacing: a fixed space in front of the music, then per entry a fixed space
// plus one proportional to its duration; an empty measure gets room for a whole-measure rest.
constexpr fourbyte FRONT_SPACE = 24;
constexpr fourbyte ENTRY_SPACE = 36;
constexpr fourbyte EDU_PER_EVPU = 32;
constexpr fourbyte EMPTY_MEASURE_SPACE = 96;

} // namespace

int32_t WINAPI FX_GetMeasureMetrics(int32_t staff, int32_t measure, void* metrics, int32_t option,
                                    EVERSION version) {
    if (EnterCall("FX_GetMeasureMetrics", version, staff, measure, metrics, option)) return 0;
    Document* document = Host::Instance().Current();
    if (!document || !metrics || !document->FindStaff(static_cast<twobyte>(staff))) return 0;
    if (measure < 1 || static_cast<size_t>(measure) > document->measures.size()) return 0;

    const twobyte m = static_cast<twobyte>(measure);
    const Measure& model = document->measures[static_cast<size_t>(measure) - 1];
    EMEASUREMETRICS result{};
    result.staff = static_cast<twobyte>(staff);
    result.measure = m;
    result.option = static_cast<twobyte>(option);
    result.keyValue = ReadMeasureKeyValue(*document, m).value_or(model.keyValue);
    if (auto stored = ReadMeasureTimeSignature(*document, m)) {
        result.beats = stored->beats;
        result.beatDuration = stored->beatDuration;
    } else {
        result.beats = model.beats;
        result.beatDuration = static_cast<twobyte>(model.beatDuration);
    }
    result.duration = document->MeasureDuration(m);

    fourbyte widest = 0;
    for (twobyte layer = 0; layer < document->maxLayers; ++layer) {
        auto it = document->frames.find(FrameKey{static_cast<twobyte>(staff), m, layer});
        if (it == document->frames.end() || it->second.empty()) continue;
        result.layersUsed = static_cast<utwobyte>(result.layersUsed | (1u << layer));
        fourbyte width = 0;
        for (const EXENTRY& entry : it->second) {
            ++result.entryCount;
            width += ENTRY_SPACE + std::max<fourbyte>(entry.duration, 0) / EDU_PER_EVPU;
        }
        widest = std::max(widest, width);
    }
    result.width = FRONT_SPACE + (result.layersUsed ? widest : EMPTY_MEASURE_SPACE);
    std::memcpy(metrics, &result, sizeof result);
    return 1;
}

} // namespace host::fx
