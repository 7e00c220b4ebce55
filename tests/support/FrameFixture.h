// A fixture for tests that load frames through the framework: after every test, every frame the
// host delivered has been freed exactly once, the framework's frame counter agrees, and every host
// call passed the framework version.
#pragma once

#include "finalepdk/FinaleBinding.h"
#include "host/Builder.h"
#include "support/HostFixture.h"

namespace testing_support {

class FrameTest : public HostTest {
protected:
    FrameTest() : counterAtStart_(LoadedTGFCounter) {}

    void TearDown() override {
        ExpectFramesReleased();
        ExpectEveryCallPassedFrameworkVersion();
    }

    /// Every frame the host delivered is freed, none twice; requests the host did not deliver
    /// stay counted on the framework's side (it has nothing to free for them).
    void ExpectFramesReleased() {
        EXPECT_EQ(host_.Frames().LiveCount(), 0) << "frames not freed";
        EXPECT_EQ(host_.Frames().BadFrees(), 0) << "frames freed twice or never loaded";
        const int undelivered = host_.CountCalls("FX_LoadTGF") - host_.Frames().LoadedCount();
        EXPECT_EQ(LoadedTGFCounter - counterAtStart_, undelivered);
    }

    fourbyte counterAtStart_;
};

} // namespace testing_support
