#include "finaleframework/document/FCTextExpressionDef.h"

#include "finaleframework/core/FCString.h"
#include "finaleframework/document/FCCategoryDef.h"
#include "finaleframework/document/FCMeasureNumberRegion.h"
#include "finaleframework/document/FCRawText.h"
#include "finaleframework/document/FCTextBlock.h"
#include "finalepdk/FinaleBinding.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace {

constexpr int DESCRIPTION = 34;
constexpr int CATEGORY_WORD = 26;
constexpr utwobyte CATEGORY_NUMBER_MASK = 0x3FFF;
constexpr utwobyte CATEGORY_RECORD_BITS = 0xC000;

/// Where category values 1 to 6 lie in the record.
constexpr int CATEGORY_VALUE_OFFSETS[7] = {0, 14, 12, 16, 24, 32, 30};

/// The most letters a repeated-letter mark is written with: about a million (2 MiB of text). A
/// document has fewer than 32768 measures, so no mark it shows comes near, and a long mark is still
/// built in one growth; a larger number (a stray stored value near the largest int would ask for
/// 80 million letters) is refused.
constexpr int MAX_REPEATED_LETTERS = 1 << 20;

/// Letter styles: the letter of b % 26, repeated (b / 26 + 1) times, or followed by b / 26 in
/// decimal when b passes the alphabet. False, leaving `out` alone, for a repeated mark of more
/// than MAX_REPEATED_LETTERS letters.
bool MakeLetterMark(int n, char firstLetter, bool repeatLetters, FCString* out) {
    const int b = n - 1;
    const auto letter = static_cast<twobyte>(firstLetter + b % 26);
    const int repeat = b / 26;
    if (repeatLetters && repeat >= MAX_REPEATED_LETTERS) return false;
    out->SetCString("");
    if (repeatLetters) {
        out->_AppendRepeated(letter, repeat + 1);
    } else {
        out->Append(letter);
        if (b > 25) out->AppendInteger(repeat);
    }
    return true;
}

} // namespace

FCTextExpressionDef::FCTextExpressionDef() {
    _AllocateMemory(FIXED_SIZE);
    _datasize = FIXED_SIZE;
}

FCTextExpressionDef::~FCTextExpressionDef() {
    ClearData();
}

void FCTextExpressionDef::_AllocateMemory(fourbyte size) {
    Deallocate();
    if (size <= 0) return;
    _data = _NewBytes(size);
    _buffersize = size;
}

fourbyte FCTextExpressionDef::DataSizeLoad() {
    fourbyte size = 0;
    if (FX_LoadEData(Tag(), _key, nullptr, &size, EnigmaVersion()) == 0) return 0;
    return size > 0 ? size : 0;
}

void* FCTextExpressionDef::Allocate() {
    _AllocateMemory(std::max(DataSizeLoad(), fourbyte{FIXED_SIZE}));
    return _data;
}

void FCTextExpressionDef::Deallocate() {
    _DeleteBytes(_data);
    _data = nullptr;
    _datasize = 0;
    _buffersize = 0;
}

void FCTextExpressionDef::CloneMemoryFrom(__FCBaseData* source) {
    auto* other = dynamic_cast<FCTextExpressionDef*>(source);
    if (!other || other == this || other->_datasize <= 0 || !other->_data) return;
    const fourbyte size = std::min(other->_datasize, other->_buffersize);
    _AllocateMemory(std::max(size, fourbyte{FIXED_SIZE}));
    std::memcpy(_data, other->_data, static_cast<size_t>(size));
    _datasize = size;
}

twobyte FCTextExpressionDef::_GetWord(int offset) const {
    if (!_data || offset + 2 > _buffersize) return 0;
    twobyte value;
    std::memcpy(&value, static_cast<const unsigned char*>(_data) + offset, sizeof value);
    return value;
}

void FCTextExpressionDef::_SetWord(int offset, twobyte value) {
    if (!_data || offset + 2 > _buffersize) return;
    std::memcpy(static_cast<unsigned char*>(_data) + offset, &value, sizeof value);
}

twobyte FCTextExpressionDef::GetCategoryValue(int index) const {
    if (index < 1 || index > 6) return 0;
    return _GetWord(CATEGORY_VALUE_OFFSETS[index]);
}

// Texts ----------------------------------------------------------------------------------------

FCString* FCTextExpressionDef::CreateTextString() {
    FCTextBlock block;
    if (!block.Load(static_cast<utwobyte>(GetTextID()))) return new FCString;
    FCRawText rawText;
    rawText.SetCustomTag(FCRawText::EXPRESSION_TAG);
    if (!rawText.Load(block.GetRawTextID())) return new FCString;
    return rawText.CreateString();
}

bool FCTextExpressionDef::SaveNewTextBlock(FCString* text) {
    // Without a record the new block could not be linked: create nothing.
    if (!text || !_HasRecord()) return false;
    FCRawText rawText;
    rawText.SetCustomTag(FCRawText::EXPRESSION_TAG);
    rawText.SetText(text);
    if (!rawText.SaveNew()) return false;

    FCTextBlock block;
    block.SetRawTextID(rawText.GetItemNo());
    block.SetTextKind(FCTextBlock::KIND_EXPRESSION);
    const bool saved = block.SaveNew();
    if (saved) SetTextID(static_cast<twobyte>(block.GetItemNo()));
    return saved;
}

void FCTextExpressionDef::GetDescription(FCString* out) {
    if (!out) return;
    if (!_data || _buffersize <= DESCRIPTION) {
        out->SetCString("");
        return;
    }
    // Read no further than the buffer: a stored description need not be terminated.
    const char* description = static_cast<const char*>(_data) + DESCRIPTION;
    const size_t length = strnlen(description, static_cast<size_t>(_buffersize - DESCRIPTION));
    out->SetCString(std::string(description, length).c_str());
}

void FCTextExpressionDef::SetDescription(FCString* text) {
    const std::string description = text ? text->GetCString() : "";
    const auto size = static_cast<fourbyte>(FIXED_SIZE + description.size());
    auto* bytes = static_cast<unsigned char*>(_NewBytes(size));
    if (_data)
        std::memcpy(bytes, _data, static_cast<size_t>(std::min(_buffersize, fourbyte{FIXED_SIZE})));
    std::memcpy(bytes + DESCRIPTION, description.c_str(), description.size() + 1);
    Deallocate();
    _data = bytes;
    _buffersize = size;
    _datasize = size;
}

bool FCTextExpressionDef::AssignToCategory(FCCategoryDef* category) {
    if (!category || category->GetID() <= 0 || !_HasRecord()) return false;
    const auto word = static_cast<utwobyte>(_GetWord(CATEGORY_WORD));
    const auto number = static_cast<utwobyte>(category->GetID());
    _SetWord(CATEGORY_WORD,
             static_cast<twobyte>((word & CATEGORY_RECORD_BITS) | (number & CATEGORY_NUMBER_MASK)));
    for (int index : {4, 6, 5, 1, 2, 3})
        _SetWord(CATEGORY_VALUE_OFFSETS[index], category->GetValue(index));
    return true;
}

// Rehearsal marks ------------------------------------------------------------------------------

bool FCTextExpressionDef::MakeRehearsalMark(int n, FCString* out) {
    if (!out) return false;
    const twobyte style = GetRehearsalMarkStyle();
    switch (style) {
    case REHMARK_LETTERS:
    case REHMARK_LETTERNUMBERS:
    case REHMARK_LETTERS_LC:
    case REHMARK_LETTERNUMBERS_LC:
        // Letters count from A = 1; there is no letter for 0 or below.
        if (n < 1) return false;
        return MakeLetterMark(n, style <= REHMARK_LETTERNUMBERS ? 'A' : 'a',
                              style == REHMARK_LETTERS || style == REHMARK_LETTERS_LC, out);
    case REHMARK_NUMBERS:
        out->SetInteger(n);
        return true;
    case REHMARK_MEASURENUMBER: {
        FCMeasureNumberRegions regions;
        regions.LoadAll();
        regions.CalcMeasureNumber(n, out);
        return true;
    }
    default:
        return false;
    }
}
