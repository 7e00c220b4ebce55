// Raw texts: the characters of a text block, kept apart from its layout.
#pragma once

#include "finaleframework/records/FCBaseData.h"

class FCString;

/// One raw text (cmper = its number, key word 0): zero-terminated 8-bit characters, an Enigma
/// text, as long as the host says. Raw texts of ordinary text blocks live under the tag txbl,
/// those of expressions under txxp (set it with SetCustomTag). The object owns its buffer.
class FCRawText : public __FCBaseData {
public:
    static constexpr EXTAG DEFAULT_TAG = 0x7478626C;    // txbl
    static constexpr EXTAG EXPRESSION_TAG = 0x74787870; // txxp

    FCRawText() = default;

    const char* ClassName() override { return "FCRawText"; }
    EXTAG Tag() override { return _customtag ? _customtag : DEFAULT_TAG; }
    /// The size of the stored record, asked of the host; 0 when there is none.
    fourbyte DataSizeLoad() override;
    /// A new buffer of the stored record's size.
    void* Allocate() override;
    void Deallocate() override;
    bool IsDynamicSize() override { return true; }
    /// Raw texts are not cloned: answers null.
    __FCBaseData* CreateObject() override { return nullptr; }
    ~FCRawText() override;
    /// Loads the first raw text of the tag (the host steps there from number 0).
    bool LoadFirst() override;

    bool Load(twobyte number);
    /// Writes the text as raw text `number`, replacing what is there.
    bool SaveAs(twobyte number);
    /// Creates a raw text under a number the host chooses; afterwards the object names it. False
    /// without a host call when no text is set.
    bool SaveNew();
    twobyte GetItemNo() const { return static_cast<twobyte>(_GetKeyWord(0)); }

    /// Replaces the text with the 8-bit form of `text` (null: the empty text).
    void SetText(FCString* text);
    /// A new string (the caller's) holding the text; empty when there is none. The text ends at
    /// its terminator or at the end of the bytes loaded, whichever comes first.
    FCString* CreateString();
};
