// The plug-in's two menu commands, invoked as the host invokes them.
#pragma once

#include "plugin/Cadentra.h"

namespace testing_support {

/// SET SOURCE (item 0) on `region`; true when the plug-in holds a source afterwards.
inline bool SetSource(EREGION region) {
    FinaleExtensionInvoke(0, CADENTRA_ITEM_SETSOURCE, &region, 0);
    return source_is_set == 1;
}

/// COPY (item 1) onto `region`; the invocation's answer.
inline ufourbyte CopyTo(EREGION region) {
    return FinaleExtensionInvoke(0, CADENTRA_ITEM_COPY, &region, 0);
}

} // namespace testing_support
