// The host's open documents.
#pragma once

#include "finaleframework/core/FCCollection.h"
#include "finaleframework/document/FCDocument.h"

class FCIteratorHandler;

/// The documents open in the host, as a snapshot taken by LoadAll.
class FCDocuments : public __FCCollection {
public:
    const char* ClassName() override { return "FCDocuments"; }

    /// Replaces the contents with one document per open host document.
    void LoadAll();
    FCDocument* GetItemAt(int index) const {
        return static_cast<FCDocument*>(__FCCollection::GetItemAt(index));
    }

    /// Calls the handler with each document made current inside an undoable edit named
    /// `undotext` ("Plug-in Edit" when null); the previous current document is restored after
    /// every call. Stops at the first false; answers the number of true answers. The handler may
    /// list the documents anew (LoadAll) during its call. 0, with nothing done, for no handler.
    int ForEachWithScope(FCIteratorHandler* handler, const char* undotext = nullptr);
};
