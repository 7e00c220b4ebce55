#include "finaleframework/document/FCChord.h"

#include <cstring>

FCChord::FCChord() {
    _data = _record;
    _datasize = RECORD_SIZE;
}

void FCChord::CloneMemoryFrom(__FCBaseData* source) {
    auto* other = dynamic_cast<FCChord*>(source);
    if (!other || other == this || other->_datasize <= 0) return;
    std::memcpy(_record, other->_record, sizeof _record);
    _data = _record;
    _datasize = RECORD_SIZE;
}
