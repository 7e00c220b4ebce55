// Scrolling the document window to a measure.
#include "finaleframework/core/FCUI.h"

#include "host/StaffRecords.h"
#include "support/HostFixture.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

class MoveToMeasure : public testing_support::HostTest {
protected:
    const host::WindowState& Window() { return Host().Current()->window; }
};

} // namespace

TEST_F(MoveToMeasure, StaffZeroScrollsOnTheLowestStaffWithARecordAnyOtherDirectly) {
    NewDocument().Staff(3).Staff(7).Measures(6);
    FCUI ui;
    Host().ClearCalls();
    ui.MoveToMeasure(5, 0);
    EXPECT_EQ(Window().scrolledMeasure, 5);
    EXPECT_EQ(Window().scrolledStaff, 3);
    EXPECT_EQ(Host().CountCalls("FX_LoadEData"), 3) << "staves 1, 2 and 3 were probed";
    ASSERT_EQ(Host().Calls().back().name, "FX_ScrollTo");
    EXPECT_EQ(Host().Calls().back().version, FINALEPDK_VERSION);

    Host().ClearCalls();
    ui.MoveToMeasure(2, 7);
    EXPECT_EQ(Window().scrolledMeasure, 2);
    EXPECT_EQ(Window().scrolledStaff, 7);
    EXPECT_EQ(Host().CountCalls("FX_LoadEData"), 0);
}

TEST_F(MoveToMeasure, GivesUpAfterTheHundredAndFirstStaff) {
    NewDocument().Measures(2);
    auto& records = Host().Current()->records;
    records[host::StaffRecordKey(102)].assign(host::STAFF_RECORD_SIZE, 0);
    FCUI ui;
    Host().ClearCalls();
    ui.MoveToMeasure(1, 0);
    EXPECT_EQ(Host().CountCalls("FX_LoadEData"), 101);
    EXPECT_EQ(Host().CountCalls("FX_ScrollTo"), 0);
    EXPECT_EQ(Window().scrolledStaff, 0);

    records[host::StaffRecordKey(101)].assign(host::STAFF_RECORD_SIZE, 0);
    ui.MoveToMeasure(1, 0);
    ASSERT_EQ(Host().Calls().back().name, "FX_ScrollTo");
    EXPECT_EQ(Host().Calls().back().arguments, (std::vector<int64_t>{1, 101}));
}
