#include "finaleframework/core/FCUI.h"

#include "finaleframework/core/FCString.h"
#include "support/HostFixture.h"

#include <gtest/gtest.h>

class FCUITest : public testing_support::HostTest {
protected:
    FCUI ui{42};
};

TEST_F(FCUITest, AlertsUseTheirStylesAndDefaultTitles) {
    platform::SetActiveWindow(reinterpret_cast<HWND>(0x1234));
    EXPECT_EQ(ui.AlertError("bad"), IDOK);
    ui.AlertNeutral("plain");
    ui.AlertInfo("note");
    ui.AlertYesNo("sure?");
    ui.AlertError("bad", "Mine");
    platform::SetActiveWindow(nullptr);

    ASSERT_EQ(Alerts().size(), 5u);
    EXPECT_EQ(Alerts()[0].caption, "Error");
    EXPECT_EQ(Alerts()[0].style, MB_ICONERROR);
    EXPECT_EQ(Alerts()[0].text, "bad");
    EXPECT_EQ(Alerts()[0].owner, reinterpret_cast<HWND>(0x1234));
    EXPECT_EQ(Alerts()[1].caption, "");
    EXPECT_EQ(Alerts()[1].style, MB_OK);
    EXPECT_EQ(Alerts()[2].caption, "Information");
    EXPECT_EQ(Alerts()[2].style, MB_ICONINFORMATION);
    EXPECT_EQ(Alerts()[3].caption, "Error");
    EXPECT_EQ(Alerts()[3].style, MB_YESNO);
    EXPECT_EQ(Alerts()[4].caption, "Mine");
}

TEST_F(FCUITest, StringFormsShowTheSameAlerts) {
    FCString message("gone");
    FCString title("Title");
    ui.AlertError(&message, &title);
    ui.AlertInfo(&message, nullptr);
    ASSERT_EQ(Alerts().size(), 2u);
    EXPECT_EQ(Alerts()[0].text, "gone");
    EXPECT_EQ(Alerts()[0].caption, "Title");
    EXPECT_EQ(Alerts()[1].caption, "Information");
}

TEST_F(FCUITest, OneStringMayBeMessageAndTitle) {
    FCString both("Same text for both");
    ui.AlertError(&both, &both);
    ui.AlertYesNo(&both, &both);
    ASSERT_EQ(Alerts().size(), 2u);
    EXPECT_EQ(Alerts()[0].text, "Same text for both");
    EXPECT_EQ(Alerts()[0].caption, "Same text for both");
    EXPECT_EQ(Alerts()[1].caption, "Same text for both");
    EXPECT_STREQ(both.GetCString(), "Same text for both");
}

TEST_F(FCUITest, ANullMessageShowsAnEmptyTextInBothForms) {
    FCString title("Title");
    ui.AlertError(static_cast<FCString*>(nullptr), &title);
    ui.AlertNeutral(static_cast<FCString*>(nullptr));
    ui.AlertInfo(static_cast<const char*>(nullptr));
    alerts_.Answer(IDNO);
    EXPECT_EQ(ui.AlertYesNo(static_cast<FCString*>(nullptr), nullptr), 1);
    ASSERT_EQ(Alerts().size(), 4u);
    EXPECT_EQ(Alerts()[0].text, "");
    EXPECT_EQ(Alerts()[0].caption, "Title");
    EXPECT_EQ(Alerts()[1].caption, "");
    EXPECT_EQ(Alerts()[2].text, Alerts()[1].text);
    EXPECT_EQ(Alerts()[3].caption, "Error");
}

TEST_F(FCUITest, YesNoFoldsTheBoxResult) {
    alerts_.Answer(IDYES);
    EXPECT_EQ(ui.AlertYesNo("q"), 0);
    alerts_.Answer(IDNO);
    EXPECT_EQ(ui.AlertYesNo("q"), 1);
    alerts_.Answer(0); // the box could not be shown
    EXPECT_EQ(ui.AlertYesNo("q"), 2);
    alerts_.Answer(IDCANCEL);
    FCString q("q");
    EXPECT_EQ(ui.AlertYesNo(&q), 2);
    // The other alerts hand the box's result back unchanged.
    EXPECT_EQ(ui.AlertError("e"), IDCANCEL);
}

TEST_F(FCUITest, BeepFallsBackToTheSimpleBeep) {
    const size_t before = platform::Beeps().size();
    platform::SetBeepAnswer([](UINT type) { return type == MB_ICONEXCLAMATION ? FALSE : TRUE; });
    EXPECT_TRUE(ui.Beep());
    ASSERT_EQ(platform::Beeps().size(), before + 2);
    EXPECT_EQ(platform::Beeps()[before], MB_ICONEXCLAMATION);
    EXPECT_EQ(platform::Beeps()[before + 1], 0xFFFFFFFFu);

    platform::SetBeepAnswer([](UINT) { return FALSE; });
    EXPECT_FALSE(ui.Beep());
    platform::SetBeepAnswer([](UINT) { return TRUE; });
    EXPECT_TRUE(ui.Beep());
    EXPECT_EQ(platform::Beeps().size(), before + 5); // the exclamation sound worked: no fallback
    platform::SetBeepAnswer(nullptr);
}

TEST_F(FCUITest, ScreenHeightComesFromTheSystemMetrics) {
    platform::SetSystemMetric(SM_CYFULLSCREEN, 1017);
    EXPECT_EQ(ui.GetScreenHeight(), 1017);
    EXPECT_EQ(ui.hostcontext, 42u);
    EXPECT_STREQ(ui.ClassName(), "__FCBase");
}
