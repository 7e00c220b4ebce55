#include "finaleframework/document/FCClefDef.h"

#include <cstring>

void FCClefDef::CloneMemoryFrom(__FCBaseData* source) {
    auto* other = dynamic_cast<FCClefDef*>(source);
    if (!other || other == this || other->_datasize <= 0) return;
    std::memcpy(_record, other->_record, sizeof _record);
    _data = _record;
    _datasize = RECORD_SIZE;
}

twobyte FCClefDef::GetMiddleCPos() const {
    twobyte position;
    std::memcpy(&position, _record, sizeof position);
    return position;
}

void FCClefDef::SetMiddleCPos(twobyte position) {
    std::memcpy(_record, &position, sizeof position);
}
