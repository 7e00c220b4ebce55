// The framework's string: 16-bit character units with 8-bit conversion.
#pragma once

#include "finaleframework/core/FCBase.h"

class FCFontInfo;
class FCStrings;

/// Text held as signed 16-bit character units. 8-bit text widens each byte as a signed value
/// (0x80-0xFF become 0xFF80-0xFFFF) and converts back by keeping the low byte, so 8-bit text
/// survives a round trip exactly. Storage grows in steps of ten characters.
class FCString : public __FCBase {
public:
    FCString();
    explicit FCString(const char* text);
    FCString(const FCString& other);
    FCString& operator=(const FCString& other);
    ~FCString() override;

    const char* ClassName() override { return "FCString"; }

    // The operations taking a text or another string leave the string unchanged for null (and
    // the questions answer false).

    /// Replaces the contents with `text`; an empty text releases the storage.
    void SetCString(const char* text);
    /// Replaces the contents with a zero-terminated 16-bit text; an empty text releases the
    /// storage.
    void SetUnicodeString(const twobyte* text);
    /// Writes the characters and a terminating 0 to `out`, which must hold GetLength() + 1 units.
    void GetUnicodeString(twobyte* out) const;
    /// The 8-bit form, owned by the string and valid until the next call or its destruction.
    char* GetCString();

    /// Makes this string a copy of `source` (the string itself included): the empty string, then
    /// the source appended.
    void SetString(const FCString* source);
    // Every append first grows the storage to the final length, an empty text included (a string
    // without storage then gets its first ten slots).
    void Append(twobyte ch);
    void Append(const char* text);
    /// Appends the characters of `other` (the string itself included).
    void Append(const FCString* other);
    void AppendInteger(int value);
    /// Appends `count` copies of `ch`, growing the storage once; nothing for a count of 0 or less
    /// or one that would take the length past the largest int.
    void _AppendRepeated(twobyte ch, int count);
    /// Replaces the contents with the decimal form of `value`.
    void SetInteger(int value);
    /// Inserts `text` before `position` (0.._length; _length appends).
    void Insert(const char* text, int position);

    int GetLength() const { return _length; }
    /// The character at `index`; 0 when it is out of range.
    twobyte GetItemAt(int index) const;
    bool IsCharacter(int index, twobyte ch) const;
    /// True when the character at `index` equals any byte of `set`.
    bool IsCharacter(int index, const char* set) const;
    /// Equality of the zero-terminated 8-bit forms (GetCString), so a character whose low byte is
    /// 0 ends the text compared; false for null. A string is equal to itself.
    bool IsEqual(const char* text);
    bool IsEqual(FCString* other);
    bool StartsWith(const char* prefix);
    /// Finds `needle`, lowest position first; an empty needle matches at 0.
    bool Contains(const FCString* needle, int* position = nullptr) const;
    /// Decimal conversion of the text from `position` on; 0 when position is negative or past
    /// the end.
    int GetInteger(int position = 0);
    float GetFloat(int position = 0);

    /// Loads string resource `id` of the module named `modulename` (null: the module of the last
    /// call that named one, at first the host's executable). On failure the string becomes
    /// "Resource String Error" and the answer is false.
    bool LoadResource(int id, const char* modulename = nullptr);

    // Enigma text: plain characters mixed with caret commands such as ^font(Arial,4096) or
    // ^size(12). "^^" stands for one literal caret; any other caret starts a command that runs
    // through the next ')' (or to the end of the text when none follows).

    /// Removes every command and turns each "^^" into "^"; true when a command was removed.
    bool TrimEnigmaTags();
    /// Removes the font, size and effects commands (^font..., ^Font..., ^nfx..., ^size...), keeps
    /// all others and turns each "^^" into "^"; true when a command was removed. A command left
    /// open at the end is dropped without counting.
    bool TrimEnigmaFontTags();
    /// A new collection (the caller's) of the commands in text order, each from its caret through
    /// its ')'; plain text and "^^" are left out.
    FCStrings* CreateEnigmaStrings();
    /// For a string that is one command (a caret first, at least 2 characters): a new collection
    /// (the caller's) of its name and arguments, split at ',', '(' and ')' with empty parts
    /// dropped. Null otherwise.
    FCStrings* CreateEnigmaComponents();
    /// A new collection (the caller's) of the non-empty runs between characters of `separators`;
    /// a null or empty set gives the whole text as one run (none for the empty string).
    FCStrings* CreateParsedStrings(const char* separators);
    /// A new font (the caller's) with the font, size and effects in force at the end of the text,
    /// starting from "Times New Roman", 12, no effects.
    FCFontInfo* CreateLastFontInfo();

    /// Number of character slots allocated.
    int _GetCapacity() const { return _capacity; }
    const twobyte* _GetBuffer() const { return _buffer; }

protected:
    void _ExpandStorageIfNecessary(int needed);
    void _Release();

private:
    fourbyte _length = 0;
    fourbyte _capacity = 0;
    twobyte* _buffer = nullptr;
    char* _cstring = nullptr;
};
