#include "finaleframework/document/FCUndoBlock.h"

#include "finaleframework/core/FCString.h"
#include "finalepdk/FinaleBinding.h"

bool FCUndoBlock::Execute(__FCUndoBlockHandler* handler, FCString* undotext) {
    if (!handler) return false;
    const char* name = undotext ? undotext->GetCString() : "";
    if (FX_StartFinaleEdit(name, FINALEPDK_VERSION) == 0) return false;
    const bool keep = handler->Perform();
    if (keep)
        FX_EndFinaleEdit(FINALEPDK_VERSION);
    else
        FX_CancelFinaleEdit(FINALEPDK_VERSION);
    return keep;
}
