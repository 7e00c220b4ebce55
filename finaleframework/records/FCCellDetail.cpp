#include "finaleframework/records/FCCellDetail.h"

#include "finaleframework/music/FCCell.h"

namespace {

constexpr int INCI_WORD = 2;
constexpr twobyte HOST_CHOOSES = -1;

} // namespace

bool __FCCellDetail::_SetCellKey(twobyte inci) {
    if (!_cell) return false;
    _SetKeyWord(0, static_cast<utwobyte>(_cell->GetStaff()));
    _SetKeyWord(1, static_cast<utwobyte>(_cell->GetMeasure()));
    _SetKeyWord(INCI_WORD, static_cast<utwobyte>(inci));
    return true;
}

bool __FCCellDetail::LoadFirst() {
    if (!_SetCellKey(0)) return false;
    return LoadDataBlock();
}

bool __FCCellDetail::LoadNext() {
    return _LoadNextInci(INCI_WORD);
}

bool __FCCellDetail::SaveNew() {
    if (!_cell || _datasize <= 0) return false;
    _SetCellKey(HOST_CHOOSES);
    return _CreateWithKey(_key);
}
