// One unit of work as a single undoable edit.
#pragma once

#include "finaleframework/core/FCBase.h"

class FCString;

/// The work of an undo block: answers true when the work is to stay.
class __FCUndoBlockHandler : public __FCBase {
public:
    virtual bool Perform() = 0;
};

/// Runs a handler inside one undoable host edit, kept when the handler answers true and
/// cancelled when it answers false.
class FCUndoBlock : public __FCBase {
public:
    const char* ClassName() override { return "FCUndoBlock"; }

    /// False without calling the handler when the host refuses to open the edit, and without
    /// asking the host for no handler; otherwise the handler's answer.
    bool Execute(__FCUndoBlockHandler* handler, FCString* undotext);
};
