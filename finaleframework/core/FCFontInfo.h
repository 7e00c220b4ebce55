// One font: name, point size and effects, as Enigma texts and the host's font table know it.
#pragma once

#include "finaleframework/core/FCBase.h"

class FCString;

/// A font by name, size and effects word. It converts to and from the host's font numbers and
/// writes itself as Enigma caret commands. A new font is "Times New Roman", 12 points, no effects.
class FCFontInfo : public __FCBase {
public:
    /// The effect bits that take part in comparisons (bold, italic, underline, strikeout, absolute
    /// size and hidden; the other bits are not looks of the font).
    static constexpr utwobyte COMPARED_EFFECTS =
        0x0001 | 0x0002 | 0x0004 | 0x0020 | 0x0040 | 0x0080;
    static constexpr int NAME_CAPACITY = 256;

    FCFontInfo();

    /// The font name; at most 255 characters are kept, longer names are cut.
    void SetName(const char* name);
    const char* GetName() const { return _name; }
    void SetSize(twobyte size) { _size = size; }
    twobyte GetSize() const { return _size; }
    void SetEffects(utwobyte effects) { _effects = effects; }
    utwobyte GetEffects() const { return _effects; }

    /// Sets `out` to "^font(name,4096)^size(size)^nfx(effects)".
    void MakeEnigmaString(FCString* out) const;
    /// Sets `out` to "^nfx(effects)".
    void MakeEnigmaStyleString(FCString* out) const;

    /// The host's font number for the name.
    twobyte GetNameByID() const;
    /// Takes the name of the host's font number `id`; "Times New Roman" when the host has none.
    void SetNameByID(twobyte id);

    /// True when both fonts agree in the compared effect bits, in size and in name (exact bytes),
    /// tested in that order. False for null.
    bool IsIdenticalTo(const FCFontInfo* other) const;

private:
    char _name[NAME_CAPACITY];
    twobyte _size = 0;
    utwobyte _effects = 0;
};
