#include "finaleframework/document/FCRawText.h"

#include "finaleframework/core/FCString.h"
#include "finalepdk/FinaleBinding.h"

#include <cstring>
#include <string>

namespace {
constexpr utwobyte HOST_CHOOSES = 0xFFFF;
} // namespace

FCRawText::~FCRawText() {
    ClearData();
}

fourbyte FCRawText::DataSizeLoad() {
    fourbyte size = 0;
    if (FX_LoadEData(Tag(), _key, nullptr, &size, EnigmaVersion()) == 0) return 0;
    return size > 0 ? size : 0;
}

void* FCRawText::Allocate() {
    _data = _NewBytes(DataSizeLoad());
    return _data;
}

void FCRawText::Deallocate() {
    _DeleteBytes(_data);
    _data = nullptr;
    _datasize = 0;
}

bool FCRawText::LoadFirst() {
    _SetKeyWord(0, 0);
    return LoadNext();
}

bool FCRawText::Load(twobyte number) {
    _SetKeyWord(0, static_cast<utwobyte>(number));
    return LoadDataBlock();
}

bool FCRawText::SaveAs(twobyte number) {
    _SetKeyWord(0, static_cast<utwobyte>(number));
    return Save();
}

bool FCRawText::SaveNew() {
    if (_datasize <= 0 || !_data) return false;
    _SetKeyWord(0, HOST_CHOOSES);
    return FX_CreateEData(Tag(), _key, _data, DataSizeSave(), EnigmaVersion()) != 0;
}

void FCRawText::SetText(FCString* text) {
    const std::string characters = text ? text->GetCString() : "";
    ClearData();
    const auto size = static_cast<fourbyte>(characters.size() + 1);
    _data = _NewBytes(size);
    std::memcpy(_data, characters.c_str(), characters.size() + 1);
    _datasize = size;
}

FCString* FCRawText::CreateString() {
    auto* string = new FCString;
    const fourbyte size = DataSizeSave();
    if (!_data || size <= 0) return string;
    // A stored text need not be terminated: read no further than the bytes loaded.
    const auto* bytes = static_cast<const char*>(_data);
    string->SetCString(std::string(bytes, strnlen(bytes, static_cast<size_t>(size))).c_str());
    return string;
}
