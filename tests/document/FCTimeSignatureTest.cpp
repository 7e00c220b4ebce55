#include "finaleframework/document/FCTimeSignature.h"

#include "finaleframework/core/FCString.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Meter(twobyte beats, twobyte beatDuration) {
    FCTimeSignature time;
    time.SetBeats(beats);
    time.SetBeatDuration(beatDuration);
    FCString text("leftover");
    time.MakeString(&text);
    return text.GetCString();
}

} // namespace

TEST(TimeSignature, SimpleAndCompoundMeters) {
    EXPECT_EQ(Meter(4, 1024), "4/4");
    EXPECT_EQ(Meter(2, 2048), "2/2");
    EXPECT_EQ(Meter(3, 512), "3/8");
    EXPECT_EQ(Meter(5, 256), "5/16");
    // Dotted beats are shown by their subdivisions.
    EXPECT_EQ(Meter(2, 1536), "6/8");
    EXPECT_EQ(Meter(4, 1536), "12/8");
    EXPECT_EQ(Meter(3, 768), "9/16");
    EXPECT_EQ(Meter(1, 3072), "3/4");
}

TEST(TimeSignature, UnusualBeatsAndZeroes) {
    EXPECT_EQ(Meter(3, 1000), "3/4"); // 4096 / 1000 rounds down to 4
    EXPECT_EQ(Meter(4, 0), "???");    // 0 is divisible by 3: 12 beats of 0
    EXPECT_EQ(Meter(0, 1024), "???");
    EXPECT_EQ(Meter(0, 0), "???");
    EXPECT_EQ(Meter(1, 8192), "1/0"); // a beat longer than the whole note
}

TEST(TimeSignature, AMeterNeedsAText) {
    FCTimeSignature time;
    time.SetBeats(3);
    time.SetBeatDuration(1024);
    time.MakeString(nullptr);
    EXPECT_EQ(Meter(3, 1024), "3/4");
}
