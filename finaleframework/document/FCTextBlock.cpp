#include "finaleframework/document/FCTextBlock.h"

#include "finaleframework/core/FCString.h"
#include "finaleframework/document/FCRawText.h"

#include <cstring>

namespace {
constexpr int DEFAULT_WORD = 8;
constexpr int FLAGS = 14;
constexpr utwobyte DEFAULT_FLAGS = 0x1A08;
} // namespace

FCTextBlock::FCTextBlock() {
    SetToDefault();
}

void FCTextBlock::SetToDefault() {
    std::memset(_record, 0, sizeof _record);
    utwobyte flags = static_cast<utwobyte>(_GetWord(FLAGS));
    Set16BitFlag(&flags, DEFAULT_FLAGS, true);
    _SetWord(FLAGS, static_cast<twobyte>(flags));
    _SetWord(DEFAULT_WORD, 100);
    _data = _record;
    _datasize = RECORD_SIZE;
}

void FCTextBlock::CloneMemoryFrom(__FCBaseData* source) {
    auto* other = dynamic_cast<FCTextBlock*>(source);
    if (!other || other == this || other->_datasize <= 0) return;
    std::memcpy(_record, other->_record, sizeof _record);
    _data = _record;
    _datasize = RECORD_SIZE;
}

twobyte FCTextBlock::_GetWord(int offset) const {
    twobyte value;
    std::memcpy(&value, _record + offset, sizeof value);
    return value;
}

void FCTextBlock::_SetWord(int offset, twobyte value) {
    std::memcpy(_record + offset, &value, sizeof value);
}

FCString* FCTextBlock::CreateRawTextString() {
    FCRawText rawText;
    if (!rawText.Load(GetRawTextID())) return new FCString;
    return rawText.CreateString();
}
