// Articulation definitions: the symbol of an articulation with its characters, fonts and
// automatic positioning.
#pragma once

#include "finaleframework/records/FCOther.h"

#include <initializer_list>

class FCFontInfo;

/// One articulation definition (cmper = its number), a 48-byte record kept inside the object.
/// The main symbol is drawn above or below the note as the definition says; the flipped symbol is
/// its form on the other side. A symbol whose "no font of its own" bit is set is drawn in the
/// document's default font.
class FCArticulationDef : public __FCNoInciOther {
public:
    static constexpr int RECORD_SIZE = 48;

    /// Automatic positioning: 0 for none, 1 to 5 for the sides the host offers.
    enum POSITIONING_SIDES {
        ARTPOS_MANUAL = 0,
        ARTPOS_SIDE1 = 1,
        ARTPOS_SIDE2 = 2,
        ARTPOS_SIDE3 = 3,
        ARTPOS_SIDE4 = 4,
        ARTPOS_SIDE5 = 5,
    };

    FCArticulationDef();

    const char* ClassName() override { return "FCArticulationDef"; }
    EXTAG Tag() override { return 0x4F044958; }
    fourbyte DataSizeLoad() override { return RECORD_SIZE; }
    void* Allocate() override { return _record; }
    __FCBaseData* CreateObject() override { return new FCArticulationDef; }
    /// Copies the record of another articulation definition that holds one.
    void CloneMemoryFrom(__FCBaseData* source) override;
    ~FCArticulationDef() override = default;

    /// The host's name of the main symbol's font; the empty text when the symbol has no font of
    /// its own or the host does not know the font number.
    void GetMainSymbolFont(char (*name)[256]);
    void GetFlippedSymbolFont(char (*name)[256]);
    /// True when the symbol's font name (as the getters give it) is exactly `name`.
    bool IsMainSymbolFont(const char (*name)[256]);
    bool IsFlippedSymbolFont(const char (*name)[256]);
    /// Takes the host's number for the font `name` (low 8 bits); the size stays.
    void SetMainSymbolFont(const char (*name)[256]);
    void SetFlippedSymbolFont(const char (*name)[256]);
    /// Takes the low 8 bits of `size`; the font stays.
    void SetMainSymbolSize(twobyte size);
    void SetFlippedSymbolSize(twobyte size);

    /// Name, effects and size of the symbol's font into `info`; size 0 when the symbol has no font
    /// of its own.
    void GetMainSymbolFontInfo(FCFontInfo* info);
    void GetFlippedSymbolFontInfo(FCFontInfo* info);
    /// Font, effects (low 8 bits) and size from `info`; the "no font of its own" bit stays.
    void SetMainSymbolFontInfo(FCFontInfo* info);
    void SetFlippedSymbolFontInfo(FCFontInfo* info);
    /// A new font (the caller's) with the main symbol's name, effects and stored size, taken even
    /// when the symbol has no font of its own.
    FCFontInfo* CreateMainSymbolFontInfo();

    /// Value 0 turns automatic positioning off and keeps the side; 1 to 5 turn it on at that
    /// side; other values change nothing.
    void SetAutoPosSide(POSITIONING_SIDES side);
    /// 0 when automatic positioning is off or the stored side is not one of the five.
    POSITIONING_SIDES GetAutoPosSide();

    /// Compares the two definitions as the host draws them: always the side-independent flags,
    /// characters and main font; with `check1` the offsets of the symbols, with `check2` the
    /// further positioning words, with `check3` further flags, with `check4` the positioning side.
    /// False for null.
    bool IsIdenticalTo(FCArticulationDef* other, bool check1, bool check2, bool check3,
                       bool check4);

    unsigned char GetMainSymbol() const { return _record[MAIN_CHAR]; }
    void SetMainSymbol(unsigned char ch) { _record[MAIN_CHAR] = ch; }
    unsigned char GetFlippedSymbol() const { return _record[FLIPPED_CHAR]; }
    void SetFlippedSymbol(unsigned char ch) { _record[FLIPPED_CHAR] = ch; }
    /// True when the main (flipped) symbol has no font of its own.
    bool GetMainSymbolUsesDefaultFont() const { return (_GetWord(DEF_FLAGS2) & MAIN_NO_FONT) != 0; }
    void SetMainSymbolUsesDefaultFont(bool state);
    bool GetFlippedSymbolUsesDefaultFont() const {
        return (_GetWord(DEF_FLAGS2) & FLIPPED_NO_FONT) != 0;
    }
    void SetFlippedSymbolUsesDefaultFont(bool state);

    /// The 16-bit word at `offset` (even, below 48): for the fields without accessors of their own.
    utwobyte _GetWord(int offset) const;
    void _SetWord(int offset, utwobyte value);

private:
    // Byte offsets in the record.
    static constexpr int MAIN_CHAR = 0;
    static constexpr int MAIN_EFFECTS = 1;
    static constexpr int MAIN_FONT = 2;
    static constexpr int MAIN_SIZE = 3;
    static constexpr int DEF_FLAGS = 10;
    static constexpr int FLIPPED_CHAR = 12;
    static constexpr int FLIPPED_EFFECTS = 13;
    static constexpr int FLIPPED_FONT = 14;
    static constexpr int FLIPPED_SIZE = 15;
    static constexpr int DEF_FLAGS2 = 22;

    static constexpr utwobyte MAIN_NO_FONT = 0x0002;
    static constexpr utwobyte FLIPPED_NO_FONT = 0x0004;

    // A symbol's four bytes lie together: character, effects, font, size from `symbol` (MAIN_CHAR
    // or FLIPPED_CHAR) on.
    void _GetSymbolFont(int symbol, utwobyte noFontBit, char (*name)[256]);
    void _SetSymbolFont(int symbol, const char (*name)[256]);
    void _GetSymbolFontInfo(int symbol, utwobyte noFontBit, FCFontInfo* info);
    void _SetSymbolFontInfo(int symbol, FCFontInfo* info);
    void _SetFlag(int offset, utwobyte mask, bool state);
    bool _SameBits(FCArticulationDef* other, int offset, utwobyte mask) const;
    bool _SameWords(FCArticulationDef* other, std::initializer_list<int> offsets) const;

    unsigned char _record[RECORD_SIZE] = {};
};
