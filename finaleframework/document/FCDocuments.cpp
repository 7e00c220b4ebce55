#include "finaleframework/document/FCDocuments.h"

#include "finaleframework/core/FCIteratorHandler.h"
#include "finalepdk/FinaleBinding.h"

namespace {
/// The host's answer that stands for the current document.
constexpr twobyte CURRENT_DOCUMENT_ANSWER = -1;
} // namespace

void FCDocuments::LoadAll() {
    _FreeElements();
    DetachAll();
    twobyte answer = FX_GetNextEnigmaDocument(0, FINALEPDK_VERSION);
    // A host that keeps answering must not keep us here forever: no host has more documents
    // open than it can number.
    for (int guard = 0; answer != 0 && guard < 0x8000; ++guard) {
        const twobyte id = answer == CURRENT_DOCUMENT_ANSWER
                               ? FX_GetCurrentEnigmaDocument(FINALEPDK_VERSION)
                               : answer;
        Add(new FCDocument(id));
        answer = FX_GetNextEnigmaDocument(answer, FINALEPDK_VERSION);
    }
}

int FCDocuments::ForEachWithScope(FCIteratorHandler* handler, const char* undotext) {
    if (!handler) return 0;
    int count = 0;
    for (int i = 0; i < GetCount(); ++i) {
        FCDocument* document = GetItemAt(i);
        if (!document) continue;
        // The document to go back to is kept here as well as in the element: a handler that
        // lists the documents anew destroys the element during its call.
        const twobyte saved = FX_GetCurrentEnigmaDocument(FINALEPDK_VERSION);
        document->_SetSavedDocID(saved);
        FX_SetCurrentEnigmaDocument(document->GetID(), FINALEPDK_VERSION);
        FX_StartFinaleEdit(undotext ? undotext : "Plug-in Edit", FINALEPDK_VERSION);
        const bool goOn = handler->Iterate(document);
        FX_EndFinaleEdit(FINALEPDK_VERSION);
        FX_SetCurrentEnigmaDocument(saved, FINALEPDK_VERSION);
        if (ElementExists(document)) document->_SetSavedDocID(0);
        if (!goOn) break;
        ++count;
    }
    return count;
}
