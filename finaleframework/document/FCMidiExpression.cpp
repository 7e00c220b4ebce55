#include "finaleframework/document/FCMidiExpression.h"

#include <cstring>

void FCMidiExpression::CloneMemoryFrom(__FCBaseData* source) {
    auto* other = dynamic_cast<FCMidiExpression*>(source);
    if (!other || other == this || other->_datasize <= 0) return;
    std::memcpy(_record, other->_record, sizeof _record);
    _data = _record;
    _datasize = RECORD_SIZE;
}
