// Staff groups, as far as their names go.
#pragma once

#include "finaleframework/core/FCBase.h"

class FCString;

/// A staff group's two names, each held in a text block of its own (an ordinary text block whose
/// raw text lives under the tag txbl). The group record itself is not read or written here: a
/// caller sets the block numbers it holds, and the Save operations make new blocks and keep their
/// numbers.
class FCGroup : public __FCBase {
public:
    const char* ClassName() override { return "FCGroup"; }

    twobyte GetFullNameID() const { return _fullnameblock; }
    void SetFullNameID(twobyte block) { _fullnameblock = block; }
    twobyte GetAbbreviatedNameID() const { return _abbrevnameblock; }
    void SetAbbreviatedNameID(twobyte block) { _abbrevnameblock = block; }

    /// A new string (the caller's) with the raw text of the name's text block; empty when the
    /// block or its raw text does not load.
    FCString* CreateFullNameString();
    FCString* CreateAbbreviatedNameString();
    /// The full name without its font, size and effects commands.
    FCString* CreateTrimmedFullNameString();

    /// Stores `text` as a new raw text and a new text block referring to it, and keeps the block's
    /// number as the name's. False when either cannot be created (or without text); a raw text
    /// already created then stays in the document.
    bool SaveNewFullNameBlock(FCString* text);
    bool SaveNewAbbreviatedNameBlock(FCString* text);

private:
    static FCString* _CreateNameString(twobyte block);
    static bool _SaveNewNameBlock(FCString* text, twobyte* block);

    twobyte _fullnameblock = 0;
    twobyte _abbrevnameblock = 0;
};
