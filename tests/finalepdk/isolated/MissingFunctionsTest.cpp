// A host that lacks some functions, in a process of its own (bindings are made once per process).
#include "finalepdk/FinaleBinding.h"
#include "plugin/Cadentra.h"

#include "host/Builder.h"
#include "host/Host.h"
#include "platform/StandIn.h"

#include <gtest/gtest.h>

namespace {

int32_t WINAPI ShowLayerAnsweringWideValue(int32_t, EVERSION) { return 0x00018005; }
uint32_t WINAPI DisposeAnsweringWideValue(ufourbyte, EVERSION) { return 0x1FF; }

class MissingFunctionsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        HMODULE module = host::Host::Instance().Register(
            "FINALE.EXE",
            {"FX_GetMaxLayers", "FX_GetCurrentEnigmaDocument", "FX_GetShowLayer",
             "FX_DisposeFinClipFileToken", "FX_GetCurrentPartID", "FX_GetNextPartID",
             "FX_GetPartName", "FX_SetCurERegion", "FX_CopyCutMusic"});
        platform::SetExport(module, "FX_GetShowLayer",
                            reinterpret_cast<void*>(&ShowLayerAnsweringWideValue));
        platform::SetExport(module, "FX_DisposeFinClipFileToken",
                            reinterpret_cast<void*>(&DisposeAnsweringWideValue));
    }
    void SetUp() override {
        host::Host::Instance().Reset();
        host::DocumentBuilder(host::Host::Instance().NewDocument()).Staves(2).Measures(2);
    }
};

} // namespace

TEST_F(MissingFunctionsTest, MaxLayersDefaultsToFour) {
    for (int i = 0; i < 3; ++i) EXPECT_EQ(FX_GetMaxLayers(FINALEPDK_VERSION), 4);
    EXPECT_EQ(platform::LookupCount("FX_GetMaxLayers"), 1);
}

TEST_F(MissingFunctionsTest, CurrentDocumentDefaultsToZero) {
    for (int i = 0; i < 3; ++i) EXPECT_EQ(FX_GetCurrentEnigmaDocument(FINALEPDK_VERSION), 0);
    EXPECT_EQ(platform::LookupCount("FX_GetCurrentEnigmaDocument"), 1);
    // Every region then belongs to document 0, which the host reports as current.
    FCMusicRegion region(nullptr);
    EXPECT_TRUE(region.IsCurrentDocument());
}

TEST_F(MissingFunctionsTest, ResultsAreNarrowedToTheirWidthAndSign) {
    EXPECT_EQ(FX_GetShowLayer(0, FINALEPDK_VERSION), static_cast<twobyte>(0x8005));
    EXPECT_EQ(FX_DisposeFinClipFileToken(1, FINALEPDK_VERSION), 0xFF);
}

TEST_F(MissingFunctionsTest, PartAndClipboardFunctionsAnswerTheirDefaults) {
    EXPECT_EQ(FX_GetCurrentPartID(FINALEPDK_VERSION), -1);
    EXPECT_EQ(FX_GetNextPartID(0, FINALEPDK_VERSION), -1);
    EXPECT_STREQ(FX_GetPartName(1, FINALEPDK_VERSION), " ");
    EREGION region = host::Region(1, 1, 1, 1);
    EXPECT_EQ(FX_SetCurERegion(&region, FINALEPDK_VERSION), 0);

    // A region whose host lacks the clipboard fails to copy and holds no token.
    FCMusicRegion music(&region);
    EXPECT_TRUE(music.IsCurrentDocument());
    EXPECT_FALSE(music.SetInDocument());
    EXPECT_FALSE(music.CopyMusic());
    EXPECT_EQ(music.GetClipToken(), 0u);
}
