#include "finaleframework/document/FCCellFrameHold.h"

#include "finaleframework/music/FCCell.h"
#include "finaleframework/music/FCNoteEntryCell.h"
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

bool FCCellFrameHold::CalcClefChange() {
    if (!_cell) return false;
    const twobyte staff = _cell->GetStaff();
    const twobyte own = GetClefIndex();
    // Counted in int, so that the walk ends at measure 1 whatever the cell's measure.
    for (int measure = _cell->GetMeasure() - 1; measure >= 1; --measure) {
        FCCell cell(static_cast<twobyte>(measure), staff);
        FCCellFrameHold hold;
        hold.SetCell(&cell);
        if (!hold.LoadFirst()) continue;

        FCNoteEntryCell entries(static_cast<twobyte>(measure), staff,
                                FCNoteEntryCell::LAYERMODE_ALL);
        entries.Load();
        if (entries.GetCount() == 0) {
            if (hold.GetClefIndex() != own) return true;
            continue;
        }
        // The clef of the latest clef change among the entries.
        twobyte clef = own;
        fourbyte latest = -1;
        for (int i = 0; i < entries.GetCount(); ++i) {
            FCNoteEntry* entry = entries.GetItemAt(i);
            const EXENTRY* record = entry ? entry->_GetEntryRecord() : nullptr;
            if (!record) continue;
            if (record->clefIndex != clef && record->elapsedTime > latest) {
                latest = record->elapsedTime;
                clef = record->clefIndex;
            }
        }
        if (clef != own) return true;
    }
    return false;
}
