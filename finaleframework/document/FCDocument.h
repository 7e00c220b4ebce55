// An open host document.
#pragma once

#include "finaleframework/core/FCBase.h"

/// One open document of the host, by its number.
class FCDocument : public __FCBase {
public:
    explicit FCDocument(twobyte docid = 0) : _docid(docid) {}

    const char* ClassName() override { return "FCDocument"; }

    twobyte GetID() const { return _docid; }
    /// The document's file path, asked of the host each time; the buffer stays owned by the
    /// document.
    char* GetPath();

    /// The host's current document saved while this one is made current (0 otherwise).
    twobyte _GetSavedDocID() const { return _saveddocid; }
    void _SetSavedDocID(twobyte id) { _saveddocid = id; }

private:
    twobyte _docid = 0;
    twobyte _saveddocid = 0;
    char _path[260] = {};
};
