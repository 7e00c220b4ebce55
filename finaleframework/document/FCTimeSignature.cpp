#include "finaleframework/document/FCTimeSignature.h"

#include "finaleframework/core/FCString.h"

namespace {
constexpr int EDU_WHOLE = 4096;
}

void FCTimeSignature::MakeString(FCString* text) const {
    if (!text) return;
    text->SetCString("");
    int beats = _beats;
    int duration = _beatduration;
    if (duration % 3 == 0) { // a dotted beat: count its subdivisions
        beats *= 3;
        duration /= 3;
    }
    if (beats == 0 || duration == 0) {
        text->SetCString("???");
        return;
    }
    text->SetInteger(beats);
    text->Append("/");
    text->AppendInteger(EDU_WHOLE / duration);
}
