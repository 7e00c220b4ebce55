// Text blocks: a raw text with its layout settings.
#pragma once

#include "finaleframework/records/FCOther.h"

class FCString;

/// One text block (cmper = its number), a 26-byte record kept inside the object:
///
///   offset 0   s16  number of the raw text holding the characters
///   offset 8   s16  100 in the default state
///   offset 14  u16  flag word, bits 0x1A08 set in the default state
///   offset 24  u16  kind of the raw text: the last two characters of its tag (0x626C for txbl,
///                   0x7870 for txxp)
///
/// A new object is in the default state (all other bytes 0) and counts as loaded, so that it can
/// be saved as a new record at once.
class FCTextBlock : public __FCNoInciOther {
public:
    static constexpr int RECORD_SIZE = 26;
    static constexpr utwobyte KIND_BLOCK = 0x626C;      // bl
    static constexpr utwobyte KIND_EXPRESSION = 0x7870; // xp

    FCTextBlock();

    const char* ClassName() override { return "FCTextBlock"; }
    EXTAG Tag() override { return 0x534F5458; } // SOTX
    fourbyte DataSizeLoad() override { return RECORD_SIZE; }
    void* Allocate() override { return _record; }
    __FCBaseData* CreateObject() override { return new FCTextBlock; }
    void CloneMemoryFrom(__FCBaseData* source) override;
    ~FCTextBlock() override = default;

    /// Puts the record in the default state and marks it as loaded.
    void SetToDefault();

    twobyte GetRawTextID() const { return _GetWord(0); }
    void SetRawTextID(twobyte id) { _SetWord(0, id); }
    utwobyte GetTextKind() const { return static_cast<utwobyte>(_GetWord(24)); }
    void SetTextKind(utwobyte kind) { _SetWord(24, static_cast<twobyte>(kind)); }

    /// A new string (the caller's) with the characters of the raw text `GetRawTextID()` under the
    /// tag txbl; empty when that raw text does not load.
    FCString* CreateRawTextString();

private:
    twobyte _GetWord(int offset) const;
    void _SetWord(int offset, twobyte value);

    unsigned char _record[RECORD_SIZE] = {};
};
