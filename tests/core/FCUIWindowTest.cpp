#include "finaleframework/core/FCUI.h"

#include "support/HostFixture.h"

#include <gtest/gtest.h>

class FCUIWindowTest : public testing_support::HostTest {
protected:
    FCUI ui;
};

TEST_F(FCUIWindowTest, MenuCommandsMapToHostNumbers) {
    NewDocument().Staves(1).Measures(1);
    EXPECT_TRUE(ui.MenuCommand(FCUI::MENUCOMMAND_12106));
    EXPECT_TRUE(ui.MenuCommand(1));
    EXPECT_TRUE(ui.MenuCommand(2));
    EXPECT_FALSE(ui.MenuCommand(3));
    EXPECT_FALSE(ui.MenuCommand(-1));
    EXPECT_EQ(Host().MenuCommandsRun(), (std::vector<ufourbyte>{12106, 12112, 0}));
    EXPECT_EQ(Host().CountCalls("FX_ExecuteMenuItem"), 3);

    Host().FailNext("FX_ExecuteMenuItem");
    EXPECT_FALSE(ui.MenuCommand(0));
}

TEST_F(FCUIWindowTest, RedrawAsksForTheWholeDocument) {
    NewDocument().Staves(3).Measures(5).Select(host::Region(2, 2, 2, 3));
    ui.RedrawDocument();
    const auto& redraws = Host().Current()->redraws;
    ASSERT_EQ(redraws.size(), 1u);
    EXPECT_EQ(redraws[0].startSlot, 1);
    EXPECT_EQ(redraws[0].endSlot, 3);
    EXPECT_EQ(redraws[0].startMeasure, 1);
    EXPECT_EQ(redraws[0].endMeasure, 5);
}

TEST_F(FCUIWindowTest, WindowStateComesFromTheHost) {
    host::Document& document = NewDocument().Staves(1).Measures(1).PageView(3).Zoom(150);
    EXPECT_TRUE(ui.IsPageView());
    EXPECT_EQ(ui.GetCurrentPage(), 3);
    EXPECT_EQ(ui.GetZoomLevel(), 150);
    EXPECT_EQ(ui.GetDocumentWindow(),
              reinterpret_cast<HWND>(static_cast<uintptr_t>(document.window.handle)));

    // In scroll view the page is not meaningful.
    host::DocumentBuilder(document).ScrollView();
    EXPECT_FALSE(ui.IsPageView());
    EXPECT_EQ(ui.GetCurrentPage(), 0);
    EXPECT_EQ(ui.GetZoomLevel(), 150);
}

TEST_F(FCUIWindowTest, WithoutAWindowTheDefaultsApply) {
    NewDocument().Staves(1).Measures(1).PageView(2).Zoom(0).NoWindow();
    EXPECT_FALSE(ui.IsPageView());
    EXPECT_EQ(ui.GetCurrentPage(), 0);
    EXPECT_EQ(ui.GetZoomLevel(), 100);
    EXPECT_EQ(ui.GetDocumentWindow(), nullptr);
}
