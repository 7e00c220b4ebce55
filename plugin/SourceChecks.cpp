#include "plugin/SourceChecks.h"

#include "finaleframework/music/FCMusicRegion.h"

#include <cstring>

bool SetRhythmSource(FCMusicRegion* region, char* message) {
    if (region->IsPartial()) {
        std::strcpy(message, "Partial measure selection are not allowed for this plug-in.");
        return false;
    }
    if (region->GetStartSlot() == region->GetEndSlot()) return true;
    std::strcpy(message, "Only one individual staff is allowed as the selected source region.");
    return false;
}

bool CheckRegionConsistency(FCMusicRegion* source, FCMusicRegion* destination, char* message) {
    if (destination->IsPartial()) {
        std::strcpy(message, "Partial selections are not allowed for this plug-in.");
        return false;
    }
    const int sourceMeasures = source->GetEndMeasure() - source->GetStartMeasure() + 1;
    const int destinationMeasures =
        destination->GetEndMeasure() - destination->GetStartMeasure() + 1;
    if (sourceMeasures != destinationMeasures) {
        std::strcpy(message, "The destination region must have the same number of measures as "
                             "the source region.");
        return false;
    }
    if (source->IsCurrentDocument()) return true;
    std::strcpy(message, "The source region must belong to the current document.");
    return false;
}
