#include "finaleframework/records/FCBaseData.h"

#include "finalepdk/FinaleBinding.h"

#include <cstddef>
#include <cstring>

void* __FCBaseData::_NewBytes(fourbyte size) {
    if (size <= 0) return nullptr;
    return new unsigned char[static_cast<size_t>(size)]();
}

void __FCBaseData::_DeleteBytes(void* bytes) {
    delete[] static_cast<unsigned char*>(bytes);
}

utwobyte __FCBaseData::_GetKeyWord(int index) const {
    return static_cast<utwobyte>(_key[2 * index] | (_key[2 * index + 1] << 8));
}

void __FCBaseData::_SetKeyWord(int index, utwobyte value) {
    _key[2 * index] = static_cast<unsigned char>(value & 0xFF);
    _key[2 * index + 1] = static_cast<unsigned char>(value >> 8);
}

void __FCBaseData::_SetKey(const unsigned char* key) {
    if (key) std::memcpy(_key, key, sizeof _key);
}

fourbyte __FCBaseData::_GetKeyLong() const {
    const ufourbyte value =
        static_cast<ufourbyte>(_key[0]) | (static_cast<ufourbyte>(_key[1]) << 8) |
        (static_cast<ufourbyte>(_key[2]) << 16) | (static_cast<ufourbyte>(_key[3]) << 24);
    return static_cast<fourbyte>(value);
}

void __FCBaseData::_SetKeyLong(fourbyte value) {
    const ufourbyte bits = static_cast<ufourbyte>(value);
    for (int i = 0; i < 4; ++i)
        _key[i] = static_cast<unsigned char>((bits >> (8 * i)) & 0xFF);
}

bool __FCBaseData::LoadDataBlock() {
    if (_data && IsDynamicSize()) ClearData();
    if (!_data) _data = Allocate();
    if (!_data) {
        // Without storage the host would only answer the record's size; that is no load.
        _datasize = 0;
        return false;
    }
    fourbyte capacity = DataSizeLoad();
    if (FX_LoadEData(Tag(), _key, _data, &capacity, EnigmaVersion()) != 0) {
        _datasize = capacity;
        return true;
    }
    _datasize = 0;
    return false;
}

bool __FCBaseData::Save() {
    if (_datasize <= 0) return false;
    return FX_SaveEData(Tag(), _key, _data, DataSizeSave(), EnigmaVersion()) != 0;
}

bool __FCBaseData::LoadNext() {
    if (FX_NextEData(Tag(), _key, nullptr, 0, EnigmaVersion()) == 0) return false;
    return LoadDataBlock();
}

bool __FCBaseData::DeleteData() {
    return FX_DeleteEData(Tag(), _key, EnigmaVersion()) != 0;
}

void __FCBaseData::ClearData() {
    Deallocate();
    _data = nullptr;
    _datasize = 0;
}

bool __FCBaseData::_CreateWithKey(unsigned char* key) {
    return FX_CreateEData(Tag(), key, _data, DataSizeSave(), EnigmaVersion()) != 0;
}

bool __FCBaseData::_LoadNextInci(int inciWord) {
    const utwobyte inci = _GetKeyWord(inciWord);
    const fourbyte loadedSize = _datasize;
    _SetKeyWord(inciWord, static_cast<utwobyte>(inci + 1));
    if (LoadDataBlock()) return true;
    _SetKeyWord(inciWord, inci);
    if (!IsDynamicSize()) _datasize = loadedSize;
    return false;
}

void __FCBaseData::CloneMemoryFrom(__FCBaseData* source) {
    if (!source || source == this || source->_datasize <= 0 || !source->_data) return;
    fourbyte size = source->_datasize;
    if (IsDynamicSize()) {
        // Whatever this object held is released first, so that a clone into a used object does
        // not leak its earlier record.
        ClearData();
        _data = _NewBytes(size);
    } else {
        if (!_data) _data = Allocate();
        if (!_data) return;
        const fourbyte capacity = DataSizeLoad();
        if (size > capacity) size = capacity;
        if (size <= 0) return;
    }
    std::memcpy(_data, source->_data, static_cast<size_t>(size));
    _datasize = size;
}

void __FCBaseData::CloneFrom(__FCBaseData* source) {
    if (!source || source == this) return;
    std::memcpy(_key, source->_key, sizeof _key);
    _customtag = source->_customtag;
    CloneMemoryFrom(source);
}

__FCBaseData* __FCBaseData::CreateClone() {
    __FCBaseData* clone = CreateObject();
    if (clone) clone->CloneFrom(this);
    return clone;
}
