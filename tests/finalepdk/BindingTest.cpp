// The host binding against the stand-in host: argument widening, edit nesting, dialog fall-backs.
#include "finalepdk/FinaleBinding.h"

#include "support/HostFixture.h"

#include <gtest/gtest.h>

class BindingTest : public testing_support::HostTest {
protected:
    void SetUp() override { NewDocument().Staves(3).Measures(2); }
};

TEST_F(BindingTest, NarrowArgumentsAreWidenedByTheirSign) {
    Host().ClearCalls();
    FX_InstToSlot(-1, 0xFFFF, FINALEPDK_VERSION);
    FX_InsertMergeMusic(7, nullptr, 0xFE, FINALEPDK_VERSION);
    ASSERT_EQ(Host().Calls().size(), 2u);
    EXPECT_EQ(Host().Calls()[0].name, "FX_InstToSlot");
    EXPECT_EQ(Host().Calls()[0].arguments, (std::vector<int64_t>{-1, 0xFFFF}));
    EXPECT_EQ(Host().Calls()[1].arguments[2], 0xFE);
    ExpectEveryCallPassedFrameworkVersion();
}

TEST_F(BindingTest, SixteenBitResultsComeBackSigned) {
    host::DocumentBuilder(*Host().Current()).InstrumentList(3, {-5, 2});
    EXPECT_EQ(FX_SlotToInst(1, 3, FINALEPDK_VERSION), -5);
    EXPECT_EQ(FX_SlotToInst(2, 3, FINALEPDK_VERSION), 2);
    EXPECT_EQ(FX_SlotToInst(3, 3, FINALEPDK_VERSION), 0);
}

TEST_F(BindingTest, EndWithoutStartAnswersOneWithoutAskingTheHost) {
    ASSERT_EQ(FinaleEditDepth, 0);
    Host().ClearCalls();
    EXPECT_EQ(FX_EndFinaleEdit(FINALEPDK_VERSION), 1);
    EXPECT_EQ(FinaleEditDepth, 0);
    FX_CancelFinaleEdit(FINALEPDK_VERSION);
    EXPECT_EQ(FinaleEditDepth, 0);
    EXPECT_TRUE(Host().Calls().empty());

    EXPECT_EQ(FX_StartFinaleEdit("Test", FINALEPDK_VERSION), 1);
    EXPECT_EQ(FinaleEditDepth, 1);
    EXPECT_EQ(FX_EndFinaleEdit(FINALEPDK_VERSION), 1);
    EXPECT_EQ(FinaleEditDepth, 0);
    EXPECT_EQ(Host().CountCalls("FX_EndFinaleEdit"), 1);
    // A second end after one start does not reach the host.
    EXPECT_EQ(FX_EndFinaleEdit(FINALEPDK_VERSION), 1);
    EXPECT_EQ(Host().CountCalls("FX_EndFinaleEdit"), 1);
    EXPECT_EQ(FinaleEditDepth, 0);
}

TEST_F(BindingTest, ACancelledEditRestoresTheDocument) {
    EREGION before = host::Region(1, 1, 1, 1);
    FX_SetCurERegion(&before, FINALEPDK_VERSION);

    FX_StartFinaleEdit("Test", FINALEPDK_VERSION);
    EREGION changed = host::Region(2, 3, 1, 2);
    FX_SetCurERegion(&changed, FINALEPDK_VERSION);
    EXPECT_EQ(Host().Current()->selection.endSlot, 3);
    FX_CancelFinaleEdit(FINALEPDK_VERSION);
    EXPECT_EQ(FinaleEditDepth, 0);
    EXPECT_EQ(Host().Current()->selection.endSlot, 1);

    // A committed edit keeps its change.
    FX_StartFinaleEdit("Test", FINALEPDK_VERSION);
    FX_SetCurERegion(&changed, FINALEPDK_VERSION);
    FX_EndFinaleEdit(FINALEPDK_VERSION);
    EXPECT_EQ(Host().Current()->selection.endSlot, 3);
    EXPECT_EQ(Host().OpenEdits(), 0u);
}

TEST_F(BindingTest, MassEditsAreCountedEvenWhenTheHostLacksThem) {
    const fourbyte before = MassEditDepth;
    FX_StartMassEdit(nullptr, nullptr, FINALEPDK_VERSION);
    FX_StartMassEdit(nullptr, nullptr, FINALEPDK_VERSION);
    EXPECT_EQ(MassEditDepth, before + 2);
    FX_EndMassEdit(nullptr, 0, FINALEPDK_VERSION);
    EXPECT_EQ(MassEditDepth, before + 1);
    FX_EndMassEdit(nullptr, 0, FINALEPDK_VERSION);
}

TEST_F(BindingTest, DialogControlsFallBackToWin32UpToVersion0B01FFFF) {
    HWND dialog = reinterpret_cast<HWND>(0x700);
    HWND control = reinterpret_cast<HWND>(0x701);
    platform::SetDialogItem(dialog, 12, control);
    Host().ClearCalls();

    EXPECT_EQ(FX_GetDlgCntl(dialog, 12, 0x0B01FFFF), control);
    EXPECT_EQ(Host().CountCalls("FX_GetDlgCntl"), 0);
    HWND fromHost = FX_GetDlgCntl(dialog, 12, 0x0B020000);
    EXPECT_EQ(Host().CountCalls("FX_GetDlgCntl"), 1);
    EXPECT_NE(fromHost, control);
    EXPECT_NE(fromHost, nullptr);

    FX_ShowHideDlgItem(dialog, 12, 5, 0x0A000000);
    EXPECT_EQ(platform::LastShowCommand(control), 1);
    FX_ShowHideDlgItem(dialog, 12, 0, 0x0A000000);
    EXPECT_EQ(platform::LastShowCommand(control), 0);
    EXPECT_EQ(Host().CountCalls("FX_ShowHideDlgItem"), 0);
    FX_ShowHideDlgItem(dialog, 12, 1, FINALEPDK_VERSION);
    EXPECT_EQ(Host().CountCalls("FX_ShowHideDlgItem"), 1);
}

TEST_F(BindingTest, GuardedFunctionsTheHostLacksAnswerTheirDefaults) {
    // Functions the stand-in host does not implement answer their defaults.
    EXPECT_EQ(FX_GetPlaybackSystem(FINALEPDK_VERSION), -1);
    EXPECT_EQ(FX_GetWindowCount(FINALEPDK_VERSION), 0);
    EXPECT_EQ(FX_GetTextEncoding(FINALEPDK_VERSION), -2);
    EXPECT_EQ(FX_CountParts(FINALEPDK_VERSION), -1);
    EXPECT_EQ(FX_ProcessMidiData(nullptr, FINALEPDK_VERSION), -1);
    // An unguarded function the host lacks fails instead of jumping through a null pointer.
    EXPECT_EQ(FX_RebeamRegion(nullptr, nullptr, FINALEPDK_VERSION), 0);
    EXPECT_EQ(platform::LookupCount("FX_GetTextEncoding"), 1);
    FX_GetTextEncoding(FINALEPDK_VERSION);
    EXPECT_EQ(platform::LookupCount("FX_GetTextEncoding"), 1);
}

TEST_F(BindingTest, HostFaultsReachTheCaller) {
    Host().FailNext("FX_GetMaxLayers");
    EXPECT_EQ(FX_GetMaxLayers(FINALEPDK_VERSION), 0);
    EXPECT_EQ(FX_GetMaxLayers(FINALEPDK_VERSION), 4);
    EXPECT_EQ(Host().FaultsInjected(), 1);
}
