#include "finaleframework/core/FCString.h"

#include "platform/Windows.h"

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

twobyte Widen(char c) {
    return static_cast<twobyte>(static_cast<signed char>(c));
}

HINSTANCE _ResInstance = nullptr;

constexpr int RESOURCE_BUFFER_SIZE = 500;

} // namespace

FCString::FCString() {
    SetCString("");
}

FCString::FCString(const char* text) {
    SetCString(text ? text : "");
}

FCString::FCString(const FCString& other) : __FCBase(other) {
    _length = 0;
    _capacity = 0;
    _buffer = nullptr;
    _cstring = nullptr;
    SetString(&other);
}

FCString& FCString::operator=(const FCString& other) {
    if (this != &other) {
        __FCBase::operator=(other);
        SetString(&other);
    }
    return *this;
}

FCString::~FCString() {
    _Release();
    delete[] _cstring;
    _cstring = nullptr;
}

void FCString::_Release() {
    delete[] _buffer;
    _buffer = nullptr;
    _length = 0;
    _capacity = 0;
}

void FCString::_ExpandStorageIfNecessary(int needed) {
    if (needed < _capacity) return;
    const int capacity = ((needed + 10) / 10) * 10;
    twobyte* grown = new twobyte[static_cast<size_t>(capacity)];
    if (_buffer && _length > 0) std::memcpy(grown, _buffer, sizeof(twobyte) * _length);
    delete[] _buffer;
    _buffer = grown;
    _capacity = capacity;
}

void FCString::SetCString(const char* text) {
    if (!text) return;
    const int length = static_cast<int>(std::strlen(text));
    _length = 0;
    _ExpandStorageIfNecessary(length);
    if (length == 0) {
        _Release();
        return;
    }
    for (int i = 0; i < length; ++i)
        _buffer[i] = Widen(text[i]);
    _length = length;
}

void FCString::SetUnicodeString(const twobyte* text) {
    if (!text) return;
    int length = 0;
    while (text[length] != 0)
        ++length;
    _length = 0;
    _ExpandStorageIfNecessary(length);
    if (length == 0) {
        _Release();
        return;
    }
    std::memcpy(_buffer, text, sizeof(twobyte) * length);
    _length = length;
}

void FCString::GetUnicodeString(twobyte* out) const {
    if (_length > 0) std::memcpy(out, _buffer, sizeof(twobyte) * _length);
    out[_length] = 0;
}

char* FCString::GetCString() {
    delete[] _cstring;
    _cstring = new char[static_cast<size_t>(_length) + 1];
    for (int i = 0; i < _length; ++i)
        _cstring[i] = static_cast<char>(_buffer[i] & 0xFF);
    _cstring[_length] = 0;
    return _cstring;
}

void FCString::SetString(const FCString* source) {
    if (!source || source == this) return;
    SetCString("");
    Append(source);
}

void FCString::Append(twobyte ch) {
    _ExpandStorageIfNecessary(_length + 1);
    _buffer[_length++] = ch;
}

void FCString::Append(const char* text) {
    if (!text) return;
    const int length = static_cast<int>(std::strlen(text));
    // Even an empty text grows the storage to the (unchanged) length, as every append does.
    _ExpandStorageIfNecessary(_length + length);
    for (int i = 0; i < length; ++i)
        _buffer[_length++] = Widen(text[i]);
}

void FCString::Append(const FCString* other) {
    if (!other) return;
    const int length = other->_length;
    // Appending a string to itself: take the characters before the storage can move.
    std::vector<twobyte> characters(other->_buffer, other->_buffer + length);
    _ExpandStorageIfNecessary(_length + length);
    for (twobyte ch : characters)
        _buffer[_length++] = ch;
}

void FCString::_AppendRepeated(twobyte ch, int count) {
    if (count <= 0 || count > INT_MAX - _length) return;
    _ExpandStorageIfNecessary(_length + count);
    for (int i = 0; i < count; ++i)
        _buffer[_length++] = ch;
}

void FCString::AppendInteger(int value) {
    FCString number;
    number.SetInteger(value);
    Append(&number);
}

void FCString::SetInteger(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", value);
    SetCString(text);
}

void FCString::Insert(const char* text, int position) {
    if (!text || position < 0 || position > _length) return;
    std::vector<twobyte> tail(_buffer + position, _buffer + _length);
    _length = position;
    Append(text);
    _ExpandStorageIfNecessary(_length + static_cast<int>(tail.size()));
    for (twobyte ch : tail)
        _buffer[_length++] = ch;
}

twobyte FCString::GetItemAt(int index) const {
    if (index < 0 || index >= _length) return 0;
    return _buffer[index];
}

bool FCString::IsCharacter(int index, twobyte ch) const {
    return index >= 0 && index < _length && _buffer[index] == ch;
}

bool FCString::IsCharacter(int index, const char* set) const {
    if (index < 0 || index >= _length || !set || !*set) return false;
    for (const char* c = set; *c; ++c)
        if (_buffer[index] == Widen(*c)) return true;
    return false;
}

bool FCString::IsEqual(const char* text) {
    if (!text) return false;
    return std::strcmp(GetCString(), text) == 0;
}

bool FCString::IsEqual(FCString* other) {
    if (!other) return false;
    // Both 8-bit forms live in their strings' own buffers; the string itself has only one.
    if (other == this) return true;
    return std::strcmp(GetCString(), other->GetCString()) == 0;
}

bool FCString::StartsWith(const char* prefix) {
    if (!prefix) return false;
    const int length = static_cast<int>(std::strlen(prefix));
    if (_length < length) return false;
    return std::strncmp(GetCString(), prefix, static_cast<size_t>(length)) == 0;
}

bool FCString::Contains(const FCString* needle, int* position) const {
    if (!needle) return false;
    const int length = needle->_length;
    for (int start = 0; start <= _length - length; ++start) {
        bool match = true;
        for (int i = 0; i < length && match; ++i)
            match = _buffer[start + i] == needle->_buffer[i];
        if (match) {
            if (position) *position = start;
            return true;
        }
    }
    return false;
}

int FCString::GetInteger(int position) {
    if (position < 0 || position > _length) return 0;
    return std::atoi(GetCString() + position);
}

float FCString::GetFloat(int position) {
    if (position < 0 || position > _length) return 0.0f;
    return static_cast<float>(std::atof(GetCString() + position));
}

bool FCString::LoadResource(int id, const char* modulename) {
    if (modulename) _ResInstance = GetModuleHandleA(modulename);
    char text[RESOURCE_BUFFER_SIZE];
    text[0] = 0;
    const int length = LoadStringA(_ResInstance, static_cast<UINT>(id), text, RESOURCE_BUFFER_SIZE);
    if (length > 0) {
        SetCString(text);
        return true;
    }
    SetCString("Resource String Error");
    return false;
}
