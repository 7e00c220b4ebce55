#include "finaleframework/core/FCFontInfo.h"

#include "finaleframework/core/FCString.h"
#include "finalepdk/FinaleBinding.h"

#include <cstring>

namespace {
constexpr const char* DEFAULT_FONT_NAME = "Times New Roman";
constexpr twobyte DEFAULT_FONT_SIZE = 12;
} // namespace

FCFontInfo::FCFontInfo() {
    std::memset(_name, 0, sizeof _name);
    SetName(DEFAULT_FONT_NAME);
    _size = DEFAULT_FONT_SIZE;
    _effects = 0;
}

void FCFontInfo::SetName(const char* name) {
    if (!name) name = "";
    const size_t length = strnlen(name, NAME_CAPACITY - 1);
    std::memcpy(_name, name, length);
    _name[length] = 0;
}

void FCFontInfo::MakeEnigmaString(FCString* out) const {
    out->SetCString("^font(");
    out->Append(_name);
    out->Append(",4096)^size(");
    out->AppendInteger(_size);
    out->Append(")^nfx(");
    out->AppendInteger(_effects);
    out->Append(")");
}

void FCFontInfo::MakeEnigmaStyleString(FCString* out) const {
    out->SetCString("^nfx(");
    out->AppendInteger(_effects);
    out->Append(")");
}

twobyte FCFontInfo::GetNameByID() const {
    return static_cast<twobyte>(FX_FontNameToNum(_name, FINALEPDK_VERSION));
}

void FCFontInfo::SetNameByID(twobyte id) {
    char buffer[NAME_CAPACITY];
    std::memset(buffer, 0, sizeof buffer);
    if (FX_FontNumToName(id, buffer, FINALEPDK_VERSION) != 0) {
        buffer[NAME_CAPACITY - 1] = 0; // the host's name must not run past the buffer
        SetName(buffer);
    } else {
        SetName(DEFAULT_FONT_NAME);
    }
}

bool FCFontInfo::IsIdenticalTo(const FCFontInfo* other) const {
    if (!other) return false;
    if ((_effects & COMPARED_EFFECTS) != (other->_effects & COMPARED_EFFECTS)) return false;
    if (_size != other->_size) return false;
    return std::strcmp(_name, other->_name) == 0;
}
