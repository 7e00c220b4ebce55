#include "finaleframework/document/FCPart.h"

#include "finaleframework/core/FCIteratorHandler.h"
#include "finalepdk/FinaleBinding.h"

namespace {
constexpr EVERSION PART_NAME_VERSION_THRESHOLD = 0x10FFFFFF;
constexpr twobyte NO_PART = -1;

twobyte CurrentDocument() {
    return FX_GetCurrentEnigmaDocument(FINALEPDK_VERSION);
}
} // namespace

bool FCPart::IsIdentical(__FCBase* other) {
    auto* part = dynamic_cast<FCPart*>(other);
    return part && part->_partid == _partid && part->_document == _document;
}

FCString* FCPart::GetName() {
    if (RunningFinaleVersion > PART_NAME_VERSION_THRESHOLD) {
        const char* name = FX_GetPartName(_partid, FINALEPDK_VERSION);
        _name.SetCString(name ? name : "");
    } else {
        _name.SetCString("Not available (due to a bug)");
    }
    return &_name;
}

void FCParts::LoadAll() {
    _FreeElements();
    DetachAll();
    const twobyte document = CurrentDocument();
    twobyte id = 0;
    // Guard against a host that never answers -1: part numbers are 16-bit.
    for (int guard = 0; id != NO_PART && guard < 0x8000; ++guard) {
        Add(new FCPart(id, document));
        id = FX_GetNextPartID(id, FINALEPDK_VERSION);
    }
}

FCPart* FCParts::GetCurrent() {
    const twobyte current = FX_GetCurrentPartID(FINALEPDK_VERSION);
    const twobyte document = CurrentDocument();
    for (int i = 0; i < GetCount(); ++i) {
        FCPart* part = GetItemAt(i);
        if (part && part->GetID() == current && part->GetDocumentID() == document) return part;
    }
    return nullptr;
}

int FCParts::ForEachWithScope(FCIteratorHandler* handler) {
    if (!handler) return 0;
    int count = 0;
    for (int i = 0; i < GetCount(); ++i) {
        FCPart* part = GetItemAt(i);
        if (!part) continue;
        // What the call needs afterwards is kept here as well as in the element: a handler that
        // lists the parts anew destroys the element during its call.
        const twobyte document = part->GetDocumentID();
        bool switched = false;
        twobyte saved = NO_PART;
        if (document == CurrentDocument() && part->_GetSavedPartID() == NO_PART) {
            saved = FX_GetCurrentPartID(FINALEPDK_VERSION);
            part->_SetSavedPartID(saved);
            FX_SetCurrentPartID(part->GetID(), FINALEPDK_VERSION);
            switched = true;
        }
        const bool goOn = handler->Iterate(part);
        if (switched && document == CurrentDocument()) {
            FX_SetCurrentPartID(saved, FINALEPDK_VERSION);
            if (ElementExists(part)) part->_SetSavedPartID(NO_PART);
        }
        if (!goOn) break;
        ++count;
    }
    return count;
}
