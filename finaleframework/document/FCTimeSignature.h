// Time signatures: the readable form of a meter.
#pragma once

#include "finaleframework/core/FCBase.h"

class FCString;

/// A meter: beats per measure and the duration of one beat in EDU (1024 to the quarter note).
class FCTimeSignature : public __FCBase {
public:
    const char* ClassName() override { return "FCTimeSignature"; }

    void SetBeats(twobyte beats) { _beats = beats; }
    twobyte GetBeats() const { return _beats; }
    void SetBeatDuration(twobyte duration) { _beatduration = duration; }
    twobyte GetBeatDuration() const { return _beatduration; }

    /// Writes the meter as beats, "/" and the note value of the beat ("4/4", "6/8"). A beat
    /// divisible by three is shown by its subdivisions (2 beats of 1536 are "6/8"). "???" when
    /// beats or beat are 0. Nothing without a text.
    void MakeString(FCString* text) const;

private:
    twobyte _beats = 0;
    twobyte _beatduration = 0;
};
