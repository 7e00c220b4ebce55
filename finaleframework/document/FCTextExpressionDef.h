// Text expression definitions: the text and style of an expression that can be placed in the
// music.
#pragma once

#include "finaleframework/records/FCOther.h"

class FCCategoryDef;
class FCString;

/// One text expression definition (cmper = its number), a record of 36 bytes followed by its
/// description, held in a buffer the object owns:
///
///   offset 0           s16  number of the text block holding the expression's text
///   offset 2           s16  rehearsal mark style (1 to 6, see MakeRehearsalMark)
///   offset 12, 14, 16  s16  category values 2, 1, 3
///   offset 24          s16  category value 4
///   offset 26          u16  low 14 bits: the category number; the top two bits are the record's
///   offset 30, 32      s16  category values 6, 5
///   offset 34               description, zero-terminated 8-bit text, to the end of the record
///
/// A new definition holds a zeroed 36-byte record and counts as loaded. The buffer is never
/// smaller than 36 bytes, so the fields read 0 rather than beyond the record when the host
/// delivers less; after a failed load the buffer is a zeroed 36-byte record again.
class FCTextExpressionDef : public __FCNoInciOther {
public:
    static constexpr int FIXED_SIZE = 36;

    /// Styles of MakeRehearsalMark.
    enum REHEARSALMARK_STYLES {
        REHMARK_LETTERS = 1,          // A ... Z, AA ... ZZ, AAA ...
        REHMARK_LETTERNUMBERS = 2,    // A ... Z, A1 ... Z1, A2 ...
        REHMARK_LETTERS_LC = 3,       // as 1, small letters
        REHMARK_LETTERNUMBERS_LC = 4, // as 2, small letters
        REHMARK_NUMBERS = 5,          // 1, 2, 3 ...
        REHMARK_MEASURENUMBER = 6,    // the measure number as the document shows it
    };

    FCTextExpressionDef();
    FCTextExpressionDef(const FCTextExpressionDef&) = delete;
    FCTextExpressionDef& operator=(const FCTextExpressionDef&) = delete;

    const char* ClassName() override { return "FCTextExpressionDef"; }
    EXTAG Tag() override { return 0x534F4454; } // SODT
    EVERSION EnigmaVersion() override { return 0x0F000000; }
    /// The size of the stored record, asked of the host; 0 when there is none.
    fourbyte DataSizeLoad() override;
    /// A new zeroed buffer of the stored record's size (never below 36 bytes).
    void* Allocate() override;
    void Deallocate() override;
    bool IsDynamicSize() override { return true; }
    __FCBaseData* CreateObject() override { return new FCTextExpressionDef; }
    void CloneMemoryFrom(__FCBaseData* source) override;
    ~FCTextExpressionDef() override;

    twobyte GetTextID() const { return _GetWord(0); }
    void SetTextID(twobyte id) { _SetWord(0, id); }
    twobyte GetRehearsalMarkStyle() const { return _GetWord(2); }
    void SetRehearsalMarkStyle(twobyte style) { _SetWord(2, style); }
    /// The category number (low 14 bits of the category word).
    twobyte GetCategoryID() const { return static_cast<twobyte>(_GetWord(26) & 0x3FFF); }
    /// Category value `index` (1 to 6) as AssignToCategory stored it; 0 out of range.
    twobyte GetCategoryValue(int index) const;

    /// A new string (the caller's) with the expression's text: the text block GetTextID(), then
    /// its raw text under the tag txxp. Empty when either does not load.
    FCString* CreateTextString();
    /// Stores `text` as a new expression raw text and a new text block referring to it, and makes
    /// this definition refer to the block (the definition itself is not saved). False when either
    /// cannot be created; a raw text already created then stays in the document. False, creating
    /// nothing, for no text or a definition whose record was released (ClearData, Deallocate).
    bool SaveNewTextBlock(FCString* text);

    void GetDescription(FCString* out);
    /// Replaces the description; the record becomes 36 bytes plus the description's length.
    void SetDescription(FCString* text);

    /// Copies the category's number and values into the record; false, changing nothing, for a
    /// missing category, a number of 0 or less, or a record that was released.
    bool AssignToCategory(FCCategoryDef* category);
    /// Accepted and ignored.
    void SetCategoryFontUse(bool state) {}
    void SetCategoryPosUse(bool state) {}

    /// Writes the text of rehearsal mark `n` (from 1) in this definition's style into `out`.
    /// False, leaving out unchanged, for a style outside 1 to 6, for a letter style with n below
    /// 1, for a repeated-letter style (1, 3) that would need more than 32767 letters, or without
    /// `out`.
    bool MakeRehearsalMark(int n, FCString* out);

    /// Releases the buffer and allocates `size` zeroed bytes (none for 0 or less).
    void _AllocateMemory(fourbyte size);
    /// Bytes in the buffer (at least the record's size).
    fourbyte _GetBufferSize() const { return _buffersize; }

private:
    /// Whether the buffer holds the fixed part of a record (not after ClearData or Deallocate).
    bool _HasRecord() const { return _data && _buffersize >= FIXED_SIZE; }
    twobyte _GetWord(int offset) const;
    void _SetWord(int offset, twobyte value);

    fourbyte _buffersize = 0;
};
