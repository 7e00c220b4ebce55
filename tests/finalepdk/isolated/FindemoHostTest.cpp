// The demo version of the host registers under another module name.
#include "finalepdk/FinaleBinding.h"

#include "host/Builder.h"
#include "host/Host.h"

#include <gtest/gtest.h>

TEST(FindemoHost, IsFoundWhenFinaleIsNot) {
    HMODULE module = host::Host::Instance().Register("findemo.exe");
    host::Host::Instance().NewDocument();
    host::Host::Instance().NewDocument();
    EXPECT_EQ(GetFinaleHandle(), module);
    EXPECT_EQ(FX_GetCurrentEnigmaDocument(FINALEPDK_VERSION), 2);
    EXPECT_EQ(FX_GetNextEnigmaDocument(0, FINALEPDK_VERSION), 1);
    EXPECT_EQ(FX_GetNextEnigmaDocument(1, FINALEPDK_VERSION), 2);
    EXPECT_EQ(FX_GetNextEnigmaDocument(2, FINALEPDK_VERSION), 0);
}
