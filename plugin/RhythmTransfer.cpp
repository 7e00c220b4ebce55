#include "plugin/RhythmTransfer.h"

#include "plugin/SourceChecks.h"

bool CopyRhythm(FCMusicRegion* source, FCMusicRegion* destination, char* message) {
    if (!CheckRegionConsistency(source, destination, message)) return false;
    return true;
}
