#include "finaleframework/document/FCArticulationDef.h"

#include "finaleframework/core/FCFontInfo.h"
#include "finalepdk/FinaleBinding.h"

#include <cstring>

namespace {

constexpr int EFFECTS = 1; // offsets of a symbol's bytes from its character
constexpr int FONT = 2;
constexpr int SIZE = 3;

constexpr utwobyte AUTOPOS_ON = 0x0008;
constexpr utwobyte SIDE_CODE_MASK = 0x0007;

/// The side code stored for positioning sides 1 to 5.
constexpr utwobyte SIDE_CODES[6] = {0, 4, 0, 1, 3, 2};

} // namespace

FCArticulationDef::FCArticulationDef() {
    std::memset(_record, 0, sizeof _record);
}

void FCArticulationDef::CloneMemoryFrom(__FCBaseData* source) {
    auto* other = dynamic_cast<FCArticulationDef*>(source);
    if (!other || other == this || other->_datasize <= 0) return;
    std::memcpy(_record, other->_record, sizeof _record);
    _data = _record;
    _datasize = RECORD_SIZE;
}

utwobyte FCArticulationDef::_GetWord(int offset) const {
    if (offset < 0 || offset > RECORD_SIZE - 2) return 0;
    return static_cast<utwobyte>(_record[offset] | (_record[offset + 1] << 8));
}

void FCArticulationDef::_SetWord(int offset, utwobyte value) {
    if (offset < 0 || offset > RECORD_SIZE - 2) return;
    _record[offset] = static_cast<unsigned char>(value & 0xFF);
    _record[offset + 1] = static_cast<unsigned char>(value >> 8);
}

void FCArticulationDef::_SetFlag(int offset, utwobyte mask, bool state) {
    utwobyte word = _GetWord(offset);
    Set16BitFlag(&word, mask, state);
    _SetWord(offset, word);
}

void FCArticulationDef::SetMainSymbolUsesDefaultFont(bool state) {
    _SetFlag(DEF_FLAGS2, MAIN_NO_FONT, state);
}

void FCArticulationDef::SetFlippedSymbolUsesDefaultFont(bool state) {
    _SetFlag(DEF_FLAGS2, FLIPPED_NO_FONT, state);
}

// Fonts ----------------------------------------------------------------------------------------

void FCArticulationDef::_GetSymbolFont(int symbol, utwobyte noFontBit, char (*name)[256]) {
    if (!name) return;
    // Cleared first: a host that does not know the font number leaves the buffer as it was.
    std::memset(*name, 0, sizeof *name);
    if (_GetWord(DEF_FLAGS2) & noFontBit) return;
    if (FX_FontNumToName(_record[symbol + FONT], *name, FINALEPDK_VERSION) == 0)
        std::memset(*name, 0, sizeof *name);
    (*name)[255] = 0;
}

void FCArticulationDef::_SetSymbolFont(int symbol, const char (*name)[256]) {
    if (!name) return;
    char copy[256];
    std::memcpy(copy, *name, sizeof copy);
    copy[255] = 0;
    const twobyte number = static_cast<twobyte>(FX_FontNameToNum(copy, FINALEPDK_VERSION));
    _record[symbol + FONT] = static_cast<unsigned char>(number & 0xFF);
}

void FCArticulationDef::_GetSymbolFontInfo(int symbol, utwobyte noFontBit, FCFontInfo* info) {
    if (!info) return;
    char name[256];
    _GetSymbolFont(symbol, noFontBit, &name);
    info->SetName(name);
    info->SetEffects(_record[symbol + EFFECTS]);
    info->SetSize((_GetWord(DEF_FLAGS2) & noFontBit) ? 0 : _record[symbol + SIZE]);
}

void FCArticulationDef::_SetSymbolFontInfo(int symbol, FCFontInfo* info) {
    if (!info) return;
    char name[256] = {};
    const char* source = info->GetName();
    std::memcpy(name, source, strnlen(source, sizeof name - 1));
    _SetSymbolFont(symbol, &name);
    _record[symbol + EFFECTS] = static_cast<unsigned char>(info->GetEffects() & 0xFF);
    _record[symbol + SIZE] = static_cast<unsigned char>(info->GetSize() & 0xFF);
}

void FCArticulationDef::GetMainSymbolFont(char (*name)[256]) {
    _GetSymbolFont(MAIN_CHAR, MAIN_NO_FONT, name);
}

void FCArticulationDef::GetFlippedSymbolFont(char (*name)[256]) {
    _GetSymbolFont(FLIPPED_CHAR, FLIPPED_NO_FONT, name);
}

bool FCArticulationDef::IsMainSymbolFont(const char (*name)[256]) {
    if (!name) return false;
    char own[256];
    GetMainSymbolFont(&own);
    return std::strncmp(own, *name, sizeof own) == 0;
}

bool FCArticulationDef::IsFlippedSymbolFont(const char (*name)[256]) {
    if (!name) return false;
    char own[256];
    GetFlippedSymbolFont(&own);
    return std::strncmp(own, *name, sizeof own) == 0;
}

void FCArticulationDef::SetMainSymbolFont(const char (*name)[256]) {
    _SetSymbolFont(MAIN_CHAR, name);
}

void FCArticulationDef::SetFlippedSymbolFont(const char (*name)[256]) {
    _SetSymbolFont(FLIPPED_CHAR, name);
}

void FCArticulationDef::SetMainSymbolSize(twobyte size) {
    _record[MAIN_SIZE] = static_cast<unsigned char>(size & 0xFF);
}

void FCArticulationDef::SetFlippedSymbolSize(twobyte size) {
    _record[FLIPPED_SIZE] = static_cast<unsigned char>(size & 0xFF);
}

void FCArticulationDef::GetMainSymbolFontInfo(FCFontInfo* info) {
    _GetSymbolFontInfo(MAIN_CHAR, MAIN_NO_FONT, info);
}

void FCArticulationDef::GetFlippedSymbolFontInfo(FCFontInfo* info) {
    _GetSymbolFontInfo(FLIPPED_CHAR, FLIPPED_NO_FONT, info);
}

void FCArticulationDef::SetMainSymbolFontInfo(FCFontInfo* info) {
    _SetSymbolFontInfo(MAIN_CHAR, info);
}

void FCArticulationDef::SetFlippedSymbolFontInfo(FCFontInfo* info) {
    _SetSymbolFontInfo(FLIPPED_CHAR, info);
}

FCFontInfo* FCArticulationDef::CreateMainSymbolFontInfo() {
    auto* info = new FCFontInfo;
    char name[256];
    GetMainSymbolFont(&name);
    info->SetName(name);
    info->SetEffects(_record[MAIN_EFFECTS]);
    info->SetSize(_record[MAIN_SIZE]);
    return info;
}

// Positioning ----------------------------------------------------------------------------------

void FCArticulationDef::SetAutoPosSide(POSITIONING_SIDES side) {
    if (side == ARTPOS_MANUAL) {
        _SetFlag(DEF_FLAGS, AUTOPOS_ON, false);
        return;
    }
    if (side < ARTPOS_SIDE1 || side > ARTPOS_SIDE5) return;
    utwobyte flags = _GetWord(DEF_FLAGS);
    flags = static_cast<utwobyte>((flags & ~SIDE_CODE_MASK) | SIDE_CODES[side] | AUTOPOS_ON);
    _SetWord(DEF_FLAGS, flags);
}

FCArticulationDef::POSITIONING_SIDES FCArticulationDef::GetAutoPosSide() {
    const utwobyte flags = _GetWord(DEF_FLAGS);
    if (!(flags & AUTOPOS_ON)) return ARTPOS_MANUAL;
    const utwobyte code = flags & SIDE_CODE_MASK;
    for (int side = ARTPOS_SIDE1; side <= ARTPOS_SIDE5; ++side)
        if (SIDE_CODES[side] == code) return static_cast<POSITIONING_SIDES>(side);
    return ARTPOS_MANUAL;
}

// Comparison -----------------------------------------------------------------------------------

bool FCArticulationDef::_SameBits(FCArticulationDef* other, int offset, utwobyte mask) const {
    return (_GetWord(offset) & mask) == (other->_GetWord(offset) & mask);
}

bool FCArticulationDef::_SameWords(FCArticulationDef* other,
                                   std::initializer_list<int> offsets) const {
    for (int offset : offsets)
        if (_GetWord(offset) != other->_GetWord(offset)) return false;
    return true;
}

bool FCArticulationDef::IsIdenticalTo(FCArticulationDef* other, bool check1, bool check2,
                                      bool check3, bool check4) {
    if (!other) return false;
    if (other == this) return true;
    if (!_SameBits(other, DEF_FLAGS, 0x0100)) return false;

    // A symbol without a font of its own compares its character as 0.
    auto symbolChar = [](FCArticulationDef* def, int symbol, utwobyte noFontBit) {
        return (def->_GetWord(DEF_FLAGS2) & noFontBit) ? 0 : def->_record[symbol];
    };
    if (!_SameBits(other, DEF_FLAGS2, MAIN_NO_FONT)) return false;
    if (symbolChar(this, MAIN_CHAR, MAIN_NO_FONT) != symbolChar(other, MAIN_CHAR, MAIN_NO_FONT))
        return false;
    if (!_SameBits(other, DEF_FLAGS2, FLIPPED_NO_FONT)) return false;
    if (symbolChar(this, FLIPPED_CHAR, FLIPPED_NO_FONT) !=
        symbolChar(other, FLIPPED_CHAR, FLIPPED_NO_FONT))
        return false;

    FCFontInfo* ownFont = CreateMainSymbolFontInfo();
    FCFontInfo* otherFont = other->CreateMainSymbolFontInfo();
    const bool sameFont = ownFont->IsIdenticalTo(otherFont);
    delete ownFont;
    delete otherFont;
    if (!sameFont) return false;

    for (utwobyte bit : {0x2000, 0x4000, 0x0040, 0x0020})
        if (!_SameBits(other, DEF_FLAGS, bit)) return false;

    if (check1) {
        if (!_SameBits(other, DEF_FLAGS2, 0x0040) || !_SameBits(other, DEF_FLAGS2, 0x0010))
            return false;
        if (!_SameWords(other, {36, 38})) return false;
        if (!_SameBits(other, DEF_FLAGS2, 0x0020)) return false;
        if (!_SameWords(other, {40, 42})) return false;
        if (!_SameBits(other, DEF_FLAGS2, 0x0008)) return false;
        if (!_SameWords(other, {44, 46})) return false;
    }
    if (check3) {
        if (!_SameBits(other, DEF_FLAGS2, 0x0001)) return false;
        for (utwobyte bit : {0x1000, 0x0080, 0x0010, 0x0200})
            if (!_SameBits(other, DEF_FLAGS, bit)) return false;
    }
    if (check4 && GetAutoPosSide() != other->GetAutoPosSide()) return false;
    if (check2 && !_SameWords(other, {20, 16, 18, 28, 30})) return false;
    return true;
}
