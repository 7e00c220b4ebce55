#include "finaleframework/document/FCTimeSignature.h"

#include "finaleframework/core/FCString.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Meter(twobyte beats, twobyte beatDuration) {
    FCTimeSignature time;
    time.SetBeats(beats);
    time.SetBeatDuration(beatDuration);
    time.MakeString(nullptr); // nothing to write into: nothing happens
    FCString text("leftover");
    time.MakeString(&text);
    return text.GetCString();
}

} // namespace

TEST(TimeSignature, MetersAsTheyAreWritten) {
    // Dotted beats are shown by their subdivisions; 4096 / 1000 rounds down to 4; 0 is divisible
    // by 3 (12 beats of 0); a beat longer than the whole note gives 0.
    const struct {
        twobyte beats, beatDuration;
        const char* meter;
    } cases[] = {{4, 1024, "4/4"}, {2, 2048, "2/2"},  {3, 512, "3/8"},  {5, 256, "5/16"},
                 {2, 1536, "6/8"}, {4, 1536, "12/8"}, {3, 768, "9/16"}, {1, 3072, "3/4"},
                 {3, 1000, "3/4"}, {4, 0, "???"},     {0, 1024, "???"}, {0, 0, "???"},
                 {1, 8192, "1/0"}, {3, 1024, "3/4"}};
    for (const auto& c : cases)
        EXPECT_EQ(Meter(c.beats, c.beatDuration), c.meter) << c.beats << " of " << c.beatDuration;
}
