// SET SOURCE and COPY through FinaleExtensionInvoke in the real DLL: what is refused, what the
// user is shown (text, title and style of each message box), and what stays recorded.
#include "win32/PluginFixture.h"

#include <string>

namespace win32_testing {
namespace {

using Commands = PluginTest;

const std::string PARTIAL_SOURCE = "Partial measure selection are not allowed for this plug-in.";
const std::string SEVERAL_STAVES =
    "Only one individual staff is allowed as the selected source region.";
const std::string PARTIAL_DESTINATION = "Partial selections are not allowed for this plug-in.";
const std::string MEASURE_COUNT =
    "The destination region must have the same number of measures as the source region.";
const std::string OTHER_DOCUMENT = "The source region must belong to the current document.";

const std::string SOURCE_TITLE = "Source Selection Error";
const std::string COPY_TITLE = "ZQ Cadentra Error";

/// Checks that exactly one message box was shown, with this text and title, as an error.
void ExpectOneAlert(const host::windows::PluginLibrary& plugin, const std::string& text,
                    const std::string& title) {
    ASSERT_EQ(plugin.Alerts().size(), 1u);
    const host::windows::Alert& alert = plugin.Alerts().front();
    EXPECT_EQ(alert.text, text);
    EXPECT_EQ(alert.caption, title);
    EXPECT_EQ(alert.style, static_cast<UINT>(MB_OK | MB_ICONERROR));
    EXPECT_EQ(alert.owner, GetActiveWindow());
}

TEST_F(Commands, SetSourceRefusesAPartialSelection) {
    // Cut inside the first measure, one staff; and whole staves cut at the end.
    NewDocument().Staves(3).Measures(4).Select(host::Region(2, 2, 1, 2, 512));
    EXPECT_EQ(Invoke(ITEM_SETSOURCE), 0u);
    ExpectOneAlert(Plugin(), PARTIAL_SOURCE, SOURCE_TITLE);
    EXPECT_EQ(Plugin().GetMenuStatus(ITEM_COPY), 0u);

    Plugin().ClearAlerts();
    // Partiality is tested before the number of staves.
    Host().Current()->selection = host::Region(1, 3, 1, 2, 0, 2047);
    EXPECT_EQ(Invoke(ITEM_SETSOURCE), 0u);
    ExpectOneAlert(Plugin(), PARTIAL_SOURCE, SOURCE_TITLE);
}

TEST_F(Commands, SetSourceRefusesMoreThanOneStaff) {
    NewDocument().Staves(3).Measures(4).Select(host::Region(1, 2, 1, 4));
    EXPECT_EQ(Invoke(ITEM_SETSOURCE), 0u);
    ExpectOneAlert(Plugin(), SEVERAL_STAVES, SOURCE_TITLE);
    EXPECT_EQ(Plugin().GetMenuStatus(ITEM_COPY), 0u);
}

TEST_F(Commands, SetSourceAcceptsOneStaffOfWholeMeasuresSilently) {
    NewDocument().Staves(3).Measures(8).Select(host::Region(3, 3, 2, 7));
    EXPECT_EQ(Invoke(ITEM_SETSOURCE), 0u);
    EXPECT_TRUE(Plugin().Alerts().empty());
    EXPECT_EQ(Plugin().GetMenuStatus(ITEM_COPY), 1u);
    // Making the region asked the host which document is current.
    EXPECT_GT(Host().CountCalls("FX_GetCurrentEnigmaDocument"), 0);
}

TEST_F(Commands, ARefusedSourceDisablesCopyAgain) {
    NewDocument().Staves(2).Measures(2).Select(host::Region(1, 1, 1, 2));
    ASSERT_EQ(Invoke(ITEM_SETSOURCE), 0u);
    ASSERT_EQ(Plugin().GetMenuStatus(ITEM_COPY), 1u);

    Host().Current()->selection = host::Region(1, 2, 1, 2);
    EXPECT_EQ(Invoke(0x10000u), 0u); // SET SOURCE by its low 16 bits
    ExpectOneAlert(Plugin(), SEVERAL_STAVES, SOURCE_TITLE);
    EXPECT_EQ(Plugin().GetMenuStatus(ITEM_COPY), 0u);

    // COPY is now refused silently, whatever the selection.
    Plugin().ClearAlerts();
    Host().ClearCalls();
    Host().Current()->selection = host::Region(2, 2, 1, 2);
    EXPECT_EQ(Invoke(ITEM_COPY), 0u);
    EXPECT_TRUE(Plugin().Alerts().empty());
    EXPECT_TRUE(Host().Calls().empty());
}

TEST_F(Commands, CopyWithoutASourceDoesNothing) {
    NewDocument().Staves(2).Measures(2).Select(host::Region(1, 2, 1, 2));
    EXPECT_EQ(Invoke(ITEM_COPY), 0u);
    EXPECT_EQ(Invoke(7), 0u); // any item but 0 is COPY
    EXPECT_TRUE(Plugin().Alerts().empty());
    EXPECT_TRUE(Host().Calls().empty());
}

TEST_F(Commands, CopyRefusesAPartialDestination) {
    NewDocument().Staves(3).Measures(4).Select(host::Region(1, 1, 1, 2));
    ASSERT_EQ(Invoke(ITEM_SETSOURCE), 0u);
    // Also of the wrong length: partiality is tested first.
    Host().Current()->selection = host::Region(2, 3, 1, 3, 1024);
    EXPECT_EQ(Invoke(ITEM_COPY), 0u);
    ExpectOneAlert(Plugin(), PARTIAL_DESTINATION, COPY_TITLE);
    EXPECT_EQ(Plugin().GetMenuStatus(ITEM_COPY), 1u);
}

TEST_F(Commands, CopyRefusesADifferentNumberOfMeasures) {
    NewDocument().Staves(3).Measures(6).Select(host::Region(1, 1, 1, 2));
    ASSERT_EQ(Invoke(ITEM_SETSOURCE), 0u);
    Host().Current()->selection = host::Region(2, 3, 4, 6);
    EXPECT_EQ(Invoke(ITEM_COPY), 0u);
    ExpectOneAlert(Plugin(), MEASURE_COUNT, COPY_TITLE);

    // The count is tested before the document: another document gets the same message.
    Plugin().ClearAlerts();
    NewDocument().Staves(2).Measures(3).Select(host::Region(1, 2, 1, 3));
    EXPECT_EQ(Invoke(ITEM_COPY), 0u);
    ExpectOneAlert(Plugin(), MEASURE_COUNT, COPY_TITLE);
    // A refused COPY keeps the source: COPY stays enabled.
    EXPECT_EQ(Plugin().GetMenuStatus(ITEM_COPY), 1u);
}

TEST_F(Commands, CopyRefusesASourceFromAnotherDocument) {
    NewDocument().Staves(2).Measures(4).Select(host::Region(1, 1, 1, 2));
    ASSERT_EQ(Invoke(ITEM_SETSOURCE), 0u);
    NewDocument().Staves(2).Measures(4).Select(host::Region(1, 2, 3, 4));
    EXPECT_EQ(Invoke(ITEM_COPY), 0u);
    ExpectOneAlert(Plugin(), OTHER_DOCUMENT, COPY_TITLE);
    EXPECT_EQ(Plugin().GetMenuStatus(ITEM_COPY), 1u);
}

} // namespace
} // namespace win32_testing
