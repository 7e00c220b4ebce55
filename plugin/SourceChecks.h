// The checks that decide whether SET SOURCE and COPY may go ahead. Each answers false with a
// message for the user in `message` (at least 83 bytes) and leaves it untouched on success.
#pragma once

class FCMusicRegion;

/// A source is one staff over whole measures.
bool SetRhythmSource(FCMusicRegion* region, char* message);

/// A destination is whole measures, as many as the source, in the source's document, each as long
/// on every destination staff as the source measure it would receive.
bool CheckRegionConsistency(FCMusicRegion* source, FCMusicRegion* destination, char* message);
