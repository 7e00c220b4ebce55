#include "finaleframework/records/FCOther.h"

namespace {

/// The key word value that asks the host to choose the number.
constexpr utwobyte HOST_CHOOSES = 0xFFFF;

} // namespace

bool __FCNoInciOther::LoadFirst() {
    return Load(1);
}

bool __FCNoInciOther::Load(utwobyte cmper) {
    _SetCmperInci(cmper, 0);
    return LoadDataBlock();
}

bool __FCNoInciOther::SaveAs(utwobyte cmper) {
    _SetCmperInci(cmper, 0);
    return Save();
}

bool __FCNoInciOther::SaveNew() {
    if (_datasize <= 0) return false;
    _SetKeyWord(0, HOST_CHOOSES);
    _SetKeyWord(1, HOST_CHOOSES);
    return _CreateWithKey(_key);
}

bool __FCInciOther::Load(utwobyte cmper, twobyte inci) {
    _SetCmperInci(cmper, inci);
    return LoadDataBlock();
}

bool __FCInciOther::SaveNew(utwobyte cmper) {
    if (_datasize <= 0) return false;
    _SetKeyWord(0, cmper);
    _SetKeyWord(1, HOST_CHOOSES);
    return _CreateWithKey(_key);
}

bool __FCInci::Load(utwobyte word0, twobyte word1) {
    _SetKeyWord(0, word0);
    _SetKeyWord(1, static_cast<utwobyte>(word1));
    return LoadDataBlock();
}

bool __FCGlobals::Load(twobyte item) {
    _SetKeyWord(0, static_cast<utwobyte>(item));
    return LoadDataBlock();
}

bool __FCNoInciDetail::Load(utwobyte cmper, utwobyte cmper2) {
    _SetKeyWord(0, cmper);
    _SetKeyWord(1, cmper2);
    _SetKeyWord(2, 0);
    return LoadDataBlock();
}

bool __FCNoInciDetail::SaveNew(utwobyte cmper) {
    if (_datasize <= 0) return false;
    _SetKeyWord(0, cmper);
    _SetKeyWord(1, HOST_CHOOSES);
    _SetKeyWord(2, 0);
    return _CreateWithKey(_key);
}
