// The region operations that read the document's measure and staff records.
#include "finaleframework/music/FCMusicRegion.h"

#include "finaleframework/core/FCIteratorHandler.h"
#include "finaleframework/document/FCMeasure.h"
#include "finaleframework/document/FCStaff.h"
#include "finalepdk/FinaleBinding.h"

bool FCMusicRegion::IsLastEndMeasure() const {
    FCMeasure measure;
    const utwobyte last = static_cast<utwobyte>(_region.endMeasure);
    if (!measure.Load(last)) return false;
    return !measure.Load(static_cast<utwobyte>(last + 1));
}

bool FCMusicRegion::IsFullDocumentWidth() const {
    return !IsPartial() && !IsEmpty() && _region.startMeasure == 1 && IsLastEndMeasure();
}

int FCMusicRegion::ForEachStaff(FCIteratorHandler* handler) const {
    if (!handler) return 0;
    int calls = 0;
    for (int slot = _region.startSlot; slot <= _region.endSlot; ++slot) {
        FCStaff staff;
        staff.Load(static_cast<utwobyte>(FX_SlotToInst(
            static_cast<twobyte>(slot), _region.startInstrumentList, FINALEPDK_VERSION)));
        ++calls;
        if (!handler->Iterate(&staff)) break;
    }
    return calls;
}
