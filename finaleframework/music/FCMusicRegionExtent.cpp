// The region operations that read the document's measure and staff records.
#include "finaleframework/music/FCMusicRegion.h"

#include "finaleframework/document/FCMeasure.h"

bool FCMusicRegion::IsLastEndMeasure() const {
    FCMeasure measure;
    const utwobyte last = static_cast<utwobyte>(_region.endMeasure);
    if (!measure.Load(last)) return false;
    return !measure.Load(static_cast<utwobyte>(last + 1));
}

bool FCMusicRegion::IsFullDocumentWidth() const {
    return !IsPartial() && !IsEmpty() && _region.startMeasure == 1 && IsLastEndMeasure();
}
