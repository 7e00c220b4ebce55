// Placed expressions, the staff lists that show them on further staves, and the expressions of a
// cell.
#include "finaleframework/document/FCExpression.h"
#include "finaleframework/document/FCStaffListElement.h"
#include "finaleframework/document/FCTextExpressionDef.h"
#include "finaleframework/music/FCCell.h"
#include "host/MeasureRecord.h"
#include "host/TextRecords.h"
#include "document/DocumentTest.h"
#include "support/HostFixture.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

using testing_support::Bytes;
using testing_support::WordAt;

constexpr EXTAG OTDC = 0x6F744443;
constexpr EXTAG OTDC_LC = 0x6F746463;
constexpr EXTAG OTIO = 0x6F74494F;

class Expressions : public testing_support::HostTest {
protected:
    const Bytes* Stored(EXTAG tag, twobyte w0, twobyte w1 = 0) {
        return testing_support::FindRecord(*Host().Current(), tag, w0, w1);
    }
    /// Staves 1 to 4 over 3 measures; in measure 2 an expression on staff 1, one on staff 2 that
    /// staff list 5 shows on staves 1 and 3 as well, and one on staff 4.
    void BuildScore() {
        NewDocument()
            .Staves(4)
            .Measures(3)
            .TextBlock(1, "f", true)
            .TextExpressionDef(1, 1)
            .Expression(2, 1, 1)
            .Expression(2, 2, 1, 5)
            .Expression(2, 4, 1)
            .StaffList(5, OTDC, {1, 3})
            .StaffList(5, OTIO, {4});
    }
};

} // namespace

TEST_F(Expressions, AStaffListElementReadsTheKindItIsGiven) {
    NewDocument().StaffList(2, OTDC, {7, 8}).StaffList(2, OTDC_LC, {9});
    FCStaffListElement element;
    EXPECT_EQ(element.Tag(), OTDC);
    EXPECT_EQ(element._GetData(), nullptr);
    element.SetCustomTag(OTDC_LC);
    EXPECT_EQ(element.Tag(), OTDC_LC);
    ASSERT_TRUE(element.Load(2, 0));
    EXPECT_EQ(element.GetStaff(), 9);
    EXPECT_FALSE(element.Load(2, 1));

    FCStaffListElements list;
    EXPECT_EQ(list.LoadAllForItem(2), 2);
    EXPECT_TRUE(list.ContainsStaff(8));
    EXPECT_FALSE(list.ContainsStaff(9));
    list.SetCustomTag(OTDC_LC);
    EXPECT_EQ(list.LoadAllForItem(2), 1);
    EXPECT_EQ(list.GetItemAt(0)->GetStaff(), 9);
    EXPECT_EQ(list.GetItemAt(0)->Tag(), OTDC_LC);

    // A list written back replaces the host's records of its kind only.
    auto* added = new FCStaffListElement;
    added->SetStaff(3);
    list.Add(added);
    ASSERT_TRUE(list.SaveAllForItem(2));
    EXPECT_EQ(WordAt(*Stored(OTDC_LC, 2, 1), 0), 3);
    EXPECT_EQ(WordAt(*Stored(OTDC, 2, 1), 0), 8);
}

TEST_F(Expressions, AssigningADefinitionNeedsANumberedOne) {
    NewDocument().TextExpressionDef(3, 1);
    FCExpression expression;
    expression.SetExpressionFlags(0x2001);
    FCTextExpressionDef def;
    EXPECT_FALSE(expression.AssignTextExpressionDef(nullptr));
    EXPECT_FALSE(expression.AssignTextExpressionDef(&def)) << "a definition numbered 0";
    EXPECT_EQ(expression.GetExpressionFlags(), 0x2001);
    ASSERT_TRUE(def.Load(3));
    ASSERT_TRUE(expression.AssignTextExpressionDef(&def));
    EXPECT_EQ(expression.GetTextExpressionID(), 3);
    EXPECT_EQ(expression.GetExpressionFlags(), 0x0001);
}

TEST_F(Expressions, CreateTextExpressionDefLoadsTheNamedDefinition) {
    NewDocument().TextExpressionDef(3, 7, 5, "loud");
    FCExpression expression;
    FCTextExpressionDef def;
    ASSERT_TRUE(def.Load(3));
    ASSERT_TRUE(expression.AssignTextExpressionDef(&def));
    std::unique_ptr<FCTextExpressionDef> created(expression.CreateTextExpressionDef());
    ASSERT_NE(created, nullptr);
    EXPECT_EQ(created->GetTextID(), 7);
    EXPECT_EQ(created->GetRehearsalMarkStyle(), 5);

    expression.SetExpressionFlags(0x2000);
    EXPECT_EQ(expression.CreateTextExpressionDef(), nullptr);

    FCExpression dangling; // names definition 0, which does not exist
    std::unique_ptr<FCTextExpressionDef> zeroed(dangling.CreateTextExpressionDef());
    ASSERT_NE(zeroed, nullptr);
    EXPECT_EQ(zeroed->_GetBufferSize(), 36);
    EXPECT_EQ(zeroed->GetTextID(), 0);
}

TEST_F(Expressions, SaveNewToCellMarksTheMeasureAndNumbersWithinIt) {
    NewDocument().Staves(3).Measures(2).TextExpressionDef(4, 1).Expression(2, 1, 4);
    FCTextExpressionDef def;
    ASSERT_TRUE(def.Load(4));
    FCExpression expression;
    ASSERT_TRUE(expression.AssignTextExpressionDef(&def));
    expression.SetStaffListID(9);
    FCCell cell(2, 3);
    ASSERT_TRUE(expression.SaveNewToCell(&cell));
    EXPECT_EQ(expression.GetMeasure(), 2);
    EXPECT_EQ(expression.GetItemInci(), 1);
    const Bytes* stored = Stored(host::TAG_EXPRESSION, 2, 1);
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(WordAt(*stored, 0), 4);
    EXPECT_EQ(WordAt(*stored, 8), 3);
    EXPECT_EQ(WordAt(*stored, 14), 0) << "the staff list is dropped";
    const auto& measure = Host().Current()->records[host::MeasureRecordKey(2)];
    EXPECT_EQ(WordAt(measure, 10) & 0x4000, 0x4000);
    EXPECT_EQ(WordAt(Host().Current()->records[host::MeasureRecordKey(1)], 10) & 0x4000, 0);
}

TEST_F(Expressions, SaveNewToCellOfAMissingMeasureSavesNothing) {
    NewDocument().Staves(1).Measures(2);
    const auto before = Host().Current()->records;
    FCExpression expression;
    FCCell cell(5, 1);
    Host().ClearCalls();
    EXPECT_FALSE(expression.SaveNewToCell(&cell));
    EXPECT_FALSE(expression.SaveNewToCell(nullptr));
    EXPECT_EQ(Host().CountCalls("FX_SaveEData"), 0);
    EXPECT_EQ(Host().CountCalls("FX_CreateEData"), 0);
    EXPECT_EQ(Host().Current()->records, before);
}

TEST_F(Expressions, VisibilityFollowsTheStaffListOfTheMode) {
    BuildScore();
    FCExpression expression;
    ASSERT_TRUE(expression.Load(2, 1)); // staff 2, staff list 5
    using List = FCStaffListElement;
    // A mode outside the four kinds (9) reads the elements' own kind.
    const struct {
        twobyte staff;
        int mode;
        bool visible;
    } cases[] = {{2, List::STAFFLIST_NONE, true},     {1, List::STAFFLIST_NONE, false},
                 {1, List::STAFFLIST_OTDC, true},     {3, List::STAFFLIST_OTDC, true},
                 {4, List::STAFFLIST_OTDC, false},    {4, List::STAFFLIST_OTIO, true},
                 {1, List::STAFFLIST_OTDC_LC, false}, {3, 9, true}};
    for (const auto& c : cases)
        EXPECT_EQ(expression.IsVisibleOnStaff(c.staff, static_cast<List::STAFFLIST_MODES>(c.mode)),
                  c.visible)
            << "staff " << c.staff << ", mode " << c.mode;

    ASSERT_TRUE(expression.Load(2, 0)); // staff 1, no staff list
    Host().ClearCalls();
    EXPECT_FALSE(expression.IsVisibleOnStaff(3, FCStaffListElement::STAFFLIST_OTDC));
    EXPECT_EQ(Host().Calls().size(), 0u);
}

TEST_F(Expressions, LoadAllInCellKeepsTheVisibleOnes) {
    BuildScore();
    FCExpressions expressions;
    FCCell cell(2, 1);
    EXPECT_EQ(expressions.LoadAllInCell(&cell, FCStaffListElement::STAFFLIST_OTDC), 2);
    EXPECT_EQ(expressions.GetItemAt(0)->GetStaff(), 1);
    EXPECT_EQ(expressions.GetItemAt(1)->GetStaff(), 2);
    EXPECT_EQ(expressions.GetItemAt(1)->GetItemInci(), 1);

    EXPECT_EQ(expressions.LoadAllInCell(&cell, FCStaffListElement::STAFFLIST_NONE), 1);
    FCCell staff4(2, 4);
    EXPECT_EQ(expressions.LoadAllInCell(&staff4, FCStaffListElement::STAFFLIST_OTIO), 2);
    FCCell empty(3, 1);
    EXPECT_EQ(expressions.LoadAllInCell(&empty, FCStaffListElement::STAFFLIST_OTDC), 0);
    EXPECT_EQ(expressions.LoadAllInCell(nullptr, FCStaffListElement::STAFFLIST_OTDC), 0);
    EXPECT_EQ(expressions.GetCount(), 0);

    // The collection reads the measure's expressions as a whole.
    EXPECT_EQ(expressions.LoadAllForItem(2), 3);
}
