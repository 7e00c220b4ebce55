// Linked parts of the current document.
#pragma once

#include "finaleframework/core/FCCollection.h"
#include "finaleframework/core/FCString.h"

class FCIteratorHandler;

/// One linked part (part 0 is the score) of the document that was current when it was listed.
class FCPart : public __FCBase {
public:
    FCPart(twobyte partid, twobyte document) : _partid(partid), _document(document) {}

    const char* ClassName() override { return "FCPart"; }
    /// The same part number in the same document.
    bool IsIdentical(__FCBase* other) override;

    twobyte GetID() const { return _partid; }
    twobyte GetDocumentID() const { return _document; }
    /// The part's name from the host; a fixed text on hosts up to 0x10FFFFFF, whose answer
    /// cannot be trusted.
    FCString* GetName();

    twobyte _GetSavedPartID() const { return _savedpartid; }
    void _SetSavedPartID(twobyte id) { _savedpartid = id; }

private:
    FCString _name;
    twobyte _partid = 0;
    twobyte _document = 0;
    twobyte _savedpartid = -1;
};

/// The linked parts of the current document, as a snapshot taken by LoadAll.
class FCParts : public __FCCollection {
public:
    const char* ClassName() override { return "FCParts"; }

    /// Part 0 first, then each part the host names as the next one.
    void LoadAll();
    FCPart* GetItemAt(int index) const {
        return static_cast<FCPart*>(__FCCollection::GetItemAt(index));
    }
    /// The listed part that is current in the host, in the current document; null when none.
    FCPart* GetCurrent();
    /// Calls the handler with each part made current (parts of another document are handed
    /// over as they are); the previously current part is restored after each call. The handler
    /// may list the parts anew (LoadAll) during its call. 0, with nothing done, for no handler.
    int ForEachWithScope(FCIteratorHandler* handler);
};
