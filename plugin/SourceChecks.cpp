#include "plugin/SourceChecks.h"

#include "finaleframework/music/FCMusicRegion.h"
#include "finalepdk/FinaleBinding.h"

#include <cstring>
#include <vector>

namespace {

/// Whether every measure of the destination, on each of its staves, is as long as the source
/// measure it would receive. Both regions have as many measures.
bool HaveSameLengths(FCMusicRegion* source, FCMusicRegion* destination) {
    const twobyte sourceStaff =
        FX_SlotToInst(source->GetStartSlot(), source->GetStartInstrumentList(), FINALEPDK_VERSION);
    std::vector<twobyte> staves;
    for (int slot = destination->GetStartSlot(); slot <= destination->GetEndSlot(); ++slot)
        if (const twobyte staff =
                FX_SlotToInst(static_cast<twobyte>(slot), destination->GetStartInstrumentList(),
                              FINALEPDK_VERSION))
            staves.push_back(staff);
    for (int i = 0; i <= source->GetEndMeasure() - source->GetStartMeasure(); ++i) {
        const fourbyte length = FX_GetMeasureDuration(
            sourceStaff, static_cast<twobyte>(source->GetStartMeasure() + i), FINALEPDK_VERSION);
        for (twobyte staff : staves)
            if (FX_GetMeasureDuration(staff,
                                      static_cast<twobyte>(destination->GetStartMeasure() + i),
                                      FINALEPDK_VERSION) != length)
                return false;
    }
    return true;
}

} // namespace

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
    if (!source->IsCurrentDocument()) {
        std::strcpy(message, "The source region must belong to the current document.");
        return false;
    }
    // Measures are measured in the current document, so only once the source is known to be in
    // it: a rhythm laid into a measure of another length would overfill or underfill it.
    if (HaveSameLengths(source, destination)) return true;
    std::strcpy(message,
                "The destination measures must have the same lengths as the source measures.");
    return false;
}
