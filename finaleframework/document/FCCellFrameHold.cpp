#include "finaleframework/document/FCCellFrameHold.h"

#include "finaleframework/music/FCCell.h"
#include "finalepdk/FinaleBinding.h"

#include <cstdint>
#include <cstring>

namespace {
constexpr int LAYER_ADDRESS = 6;
} // namespace

FCCellFrameHold::FCCellFrameHold() {
    const twobyte layers = FX_GetMaxLayers(FINALEPDK_VERSION);
    // A host that reports no layers (or a negative number) gets an empty layer array.
    _layerCount = layers > 0 ? layers : 0;
    if (_layerCount > 0) _layerValues = new twobyte[static_cast<size_t>(_layerCount)]();
    _PointAtLayerValues();
}

FCCellFrameHold::~FCCellFrameHold() {
    delete[] _layerValues;
}

void FCCellFrameHold::_PointAtLayerValues() {
    const auto address = static_cast<ufourbyte>(reinterpret_cast<uintptr_t>(_layerValues));
    std::memcpy(_record + LAYER_ADDRESS, &address, sizeof address);
}

void FCCellFrameHold::CloneMemoryFrom(__FCBaseData* source) {
    auto* other = dynamic_cast<FCCellFrameHold*>(source);
    if (!other || other == this || other->_datasize <= 0) return;
    std::memcpy(_record, other->_record, LAYER_ADDRESS);
    for (int i = 0; i < _layerCount && i < other->_layerCount; ++i)
        _layerValues[i] = other->_layerValues[i];
    _PointAtLayerValues();
    _data = _record;
    _datasize = RECORD_SIZE;
}

bool FCCellFrameHold::LoadFirst() {
    const bool loaded = __FCNoInciCellDetail::LoadFirst();
    _PointAtLayerValues();
    return loaded;
}

twobyte FCCellFrameHold::GetClefIndex() const {
    twobyte clef;
    std::memcpy(&clef, _record, sizeof clef);
    return clef;
}

void FCCellFrameHold::SetClefIndex(twobyte clef) {
    std::memcpy(_record, &clef, sizeof clef);
}

twobyte FCCellFrameHold::GetLayerValue(int layer) const {
    if (layer < 0 || layer >= _layerCount) return 0;
    return _layerValues[layer];
}

void FCCellFrameHold::SetLayerValue(int layer, twobyte value) {
    if (layer < 0 || layer >= _layerCount) return;
    _layerValues[layer] = value;
}
