// Staff records: transposition in both layouts, full names, and the staff in force at a point of
// the music.
#include "finaleframework/core/FCString.h"
#include "finaleframework/document/FCStaff.h"
#include "finaleframework/music/FCCell.h"
#include "finaleframework/music/FCNoteEntryCell.h"
#include "host/Builder.h"
#include "host/StaffRecords.h"
#include "document/DocumentTest.h"
#include "support/HostFixture.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using testing_support::TakeText;

class Staves : public testing_support::HostTest {};

struct Transposition {
    utwobyte word;
    int interval;
    int alteration;
};

} // namespace

TEST_F(Staves, EveryStaffHasARecord) {
    NewDocument().Staff(3).Staff(5);
    FCStaff staff;
    EXPECT_FALSE(staff.LoadFirst()) << "there is no staff 1";
    ASSERT_TRUE(staff.Load(5));
    EXPECT_EQ(staff._GetDataSize(), FCStaff::RECORD_SIZE);
    EXPECT_EQ(staff.GetTranspositionWord(), 0);
    EXPECT_EQ(staff.GetTransposeInterval(), 0);
    EXPECT_EQ(staff.GetTransposeAlteration(), 0);
    EXPECT_FALSE(staff.LoadNext());
    ASSERT_TRUE(staff.Load(3));
    ASSERT_TRUE(staff.LoadNext());
    EXPECT_EQ(staff.GetItemNo(), 5);
}

TEST_F(Staves, TheTranspositionWordHasTwoLayouts) {
    const Transposition cases[] = {{0x0000, 0, 0},    {0x00C1, 3, 1},   {0x00FF, 3, -1},
                                   {0x21FE, -2, 1},   {0x0FC0, -1, 0},  {0x0020, 0, -32},
                                   {0x2780, -128, 7}, {0x2F7F, 127, -1}};
    for (const Transposition& c : cases) {
        FCStaff staff;
        staff.SetTranspositionWord(c.word);
        EXPECT_EQ(staff.GetTransposeInterval(), c.interval) << std::hex << c.word;
        EXPECT_EQ(staff.GetTransposeAlteration(), c.alteration) << std::hex << c.word;
    }
}

TEST_F(Staves, TheTranspositionIsReadFromTheDocument) {
    NewDocument().Staves(2).StaffTransposition(2, 0x21FE);
    FCStaff staff;
    ASSERT_TRUE(staff.Load(2));
    EXPECT_EQ(staff.GetTransposeInterval(), -2);
    EXPECT_EQ(staff.GetTransposeAlteration(), 1);
    auto copy = testing_support::CloneOf(staff);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetItemNo(), 2);
    EXPECT_EQ(copy->GetTranspositionWord(), 0x21FE);
}

TEST_F(Staves, FullNamesComeFromTheNameBlock) {
    NewDocument().Staves(3).StaffFullName(
        2, "^fontTxt(Times New Roman,4096)^size(12)Clarinet ^^ in B^flat()");
    FCStaff staff;
    ASSERT_TRUE(staff.Load(2));
    EXPECT_EQ(TakeText(staff.CreateFullNameString()),
              "^fontTxt(Times New Roman,4096)^size(12)Clarinet ^^ in B^flat()");
    EXPECT_EQ(TakeText(staff.CreateTrimmedFullNameString()), "Clarinet ^ in B^flat()");

    ASSERT_TRUE(staff.Load(1));
    EXPECT_EQ(TakeText(staff.CreateFullNameString()), "") << "no name block";
    EXPECT_EQ(TakeText(staff.CreateTrimmedFullNameString()), "");
}

TEST_F(Staves, TheCurrentStaffSpecAppliesTheStaffStylesInForce) {
    NewDocument()
        .Staves(2)
        .Measures(4)
        .StaffTransposition(1, 0x00C1)
        .StaffStyle(1, 2, 2048, 3, 1024, 0x21FE)
        .StaffStyle(1, 3, 0, 3, 0, 0x00FF);
    FCCurrentStaffSpec spec;
    FCCell measure1(1, 1);
    ASSERT_TRUE(spec.Load(&measure1, 0));
    EXPECT_EQ(spec.GetTransposeInterval(), 3);
    EXPECT_EQ(spec.GetTransposeAlteration(), 1);
    const struct {
        twobyte measure;
        fourbyte position;
        utwobyte word;
    } cases[] = {{2, 2047, 0x00C1}, {2, 2048, 0x21FE}, {3, 0, 0x00FF}, // the later style wins
                 {3, 1024, 0x21FE}, {3, 1025, 0x00C1}, {4, 0, 0x00C1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "measure " << c.measure << " at " << c.position);
        FCCell cell(c.measure, 1);
        ASSERT_TRUE(spec.Load(&cell, c.position));
        EXPECT_EQ(spec.GetTranspositionWord(), c.word);
    }

    FCStaff staff;
    ASSERT_TRUE(staff.Load(1));
    EXPECT_EQ(staff.GetTranspositionWord(), 0x00C1) << "the staff's own record is unchanged";
}

TEST_F(Staves, TheCurrentStaffSpecKeyHoldsAThirtyTwoBitPosition) {
    NewDocument().Staves(1).Measures(1).StaffStyle(1, 1, 0x10000, 1, 0x10000, 0x0040);
    FCCurrentStaffSpec spec;
    FCCell cell(1, 1);
    ASSERT_TRUE(spec.Load(&cell, 0x10000));
    EXPECT_EQ(spec.GetItemPosition(), 0x10000);
    EXPECT_EQ(spec.GetItemStaff(), 1);
    EXPECT_EQ(spec.GetItemMeasure(), 1);
    EXPECT_EQ(spec.GetTransposeInterval(), 1);
    ASSERT_TRUE(spec.Load(&cell, 0));
    EXPECT_EQ(spec.GetTransposeInterval(), 0) << "position 0 is not position 0x10000";
}

TEST_F(Staves, TheCurrentStaffSpecIsReadOnly) {
    NewDocument().Staves(2).Measures(2);
    FCCurrentStaffSpec spec;
    FCCell cell(1, 2);
    ASSERT_TRUE(spec.Load(&cell, 0));
    Host().ClearCalls();
    EXPECT_FALSE(spec.Load(static_cast<utwobyte>(1)));
    EXPECT_FALSE(spec.SaveAs(1));
    EXPECT_FALSE(spec.SaveNew());
    EXPECT_EQ(spec.GetItemNo(), 0);
    EXPECT_EQ(Host().Calls().size(), 0u);
    EXPECT_FALSE(spec.Save()) << "the host keeps no such records";
    EXPECT_FALSE(spec.Load(static_cast<FCCell*>(nullptr), 0));

    FCCell missingStaff(1, 3), missingMeasure(3, 1);
    EXPECT_FALSE(spec.Load(&missingStaff, 0));
    EXPECT_FALSE(spec.Load(&missingMeasure, 0));
    EXPECT_EQ(spec._GetDataSize(), 0);
}

TEST_F(Staves, TheCurrentStaffSpecAtAnEntry) {
    host::DocumentBuilder doc = NewDocument();
    doc.Staves(1).Measures(2).StaffStyle(1, 2, 1024, 2, 2047, 0x0080);
    doc.Layer(1, 2, 0).Notes("C4 q, D4 q, E4 q");
    FCNoteEntryCell cell(2, 1, 1);
    ASSERT_TRUE(cell.Load());
    FCCurrentStaffSpec spec;
    ASSERT_TRUE(spec.Load(cell.GetItemAt(0)));
    EXPECT_EQ(spec.GetTransposeInterval(), 0);
    ASSERT_TRUE(spec.Load(cell.GetItemAt(1)));
    EXPECT_EQ(spec.GetItemPosition(), 1024);
    EXPECT_EQ(spec.GetItemMeasure(), 2);
    EXPECT_EQ(spec.GetTransposeInterval(), 2);
    ASSERT_TRUE(spec.Load(cell.GetItemAt(2)));
    EXPECT_EQ(spec.GetTransposeInterval(), 0);
    EXPECT_FALSE(spec.Load(static_cast<FCNoteEntry*>(nullptr)));
}
