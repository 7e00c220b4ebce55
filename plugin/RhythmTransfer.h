// The work of COPY: the rhythm of the source's layer 1 laid onto every matching destination layer.
#pragma once

class FCMusicRegion;

/// Copies the rhythm of `source` onto `destination`. False when the copy was refused, with the
/// message for the user in `message` (CADENTRA_MESSAGE_SIZE bytes).
bool CopyRhythm(FCMusicRegion* source, FCMusicRegion* destination, char* message);
