// No host module in the process at all; it appears only after the first lookups.
#include "finalepdk/FinaleBinding.h"

#include "host/Builder.h"
#include "host/Host.h"
#include "platform/StandIn.h"

#include <gtest/gtest.h>

TEST(NoHostModule, EveryCallAnswersItsDefaultAndLookupsAreNotRepeated) {
    EXPECT_EQ(GetFinaleHandle(), nullptr);
    EXPECT_EQ(FX_GetMaxLayers(FINALEPDK_VERSION), 4);
    EXPECT_EQ(FX_GetCurrentEnigmaDocument(FINALEPDK_VERSION), 0);
    EXPECT_EQ(FX_SlotToInst(1, 0, FINALEPDK_VERSION), 0);
    EXPECT_EQ(FX_EndFinaleEdit(FINALEPDK_VERSION), 1);

    // The host module is loaded later: neither the module lookup nor a failed function lookup is
    // made again.
    host::Host::Instance().Register("FINALE.EXE");
    host::DocumentBuilder(host::Host::Instance().NewDocument()).Staves(2).Measures(1);
    EXPECT_NE(GetModuleHandleA("FINALE.EXE"), nullptr);
    EXPECT_EQ(GetFinaleHandle(), nullptr);
    EXPECT_EQ(FX_SlotToInst(1, 0, FINALEPDK_VERSION), 0);
    EXPECT_EQ(platform::LookupCount("FX_SlotToInst"), 1);
    EXPECT_TRUE(host::Host::Instance().Calls().empty());
}
