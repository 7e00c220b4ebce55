// The names of a staff group.
#include "finaleframework/document/FCGroup.h"

#include "finaleframework/core/FCString.h"
#include "finaleframework/document/FCRawText.h"
#include "finaleframework/document/FCTextBlock.h"
#include "host/TextRecords.h"
#include "document/DocumentTest.h"
#include "support/HostFixture.h"

#include <gtest/gtest.h>

namespace {

using testing_support::TakeText;

class Group : public testing_support::HostTest {};

} // namespace

TEST_F(Group, NamesAreReadFromTheirTextBlocks) {
    NewDocument().TextBlock(4, "^fontTxt(Arial,4096)^size(14)^nfx(1)Woodwinds").TextBlock(5, "Ww.");
    FCGroup group;
    group.SetFullNameID(4);
    group.SetAbbreviatedNameID(5);
    EXPECT_EQ(TakeText(group.CreateFullNameString()),
              "^fontTxt(Arial,4096)^size(14)^nfx(1)Woodwinds");
    EXPECT_EQ(TakeText(group.CreateTrimmedFullNameString()), "Woodwinds");
    EXPECT_EQ(TakeText(group.CreateAbbreviatedNameString()), "Ww.");

    group.SetAbbreviatedNameID(9);
    EXPECT_EQ(TakeText(group.CreateAbbreviatedNameString()), "");
}

TEST_F(Group, SavingANameMakesARawTextAndABlock) {
    NewDocument().TextBlock(1, "existing");
    FCGroup group;
    FCString full("^fontTxt(Arial,4096)Brass");
    FCString abbreviated("Br.");
    ASSERT_TRUE(group.SaveNewFullNameBlock(&full));
    ASSERT_TRUE(group.SaveNewAbbreviatedNameBlock(&abbreviated));
    EXPECT_EQ(group.GetFullNameID(), 2);
    EXPECT_EQ(group.GetAbbreviatedNameID(), 3);

    FCTextBlock block;
    ASSERT_TRUE(block.Load(2));
    EXPECT_EQ(block.GetTextKind(), FCTextBlock::KIND_BLOCK);
    EXPECT_EQ(host::ReadRawText(*Host().Current(), FCRawText::DEFAULT_TAG, block.GetRawTextID()),
              "^fontTxt(Arial,4096)Brass");
    EXPECT_EQ(TakeText(group.CreateTrimmedFullNameString()), "Brass");
    EXPECT_EQ(TakeText(group.CreateAbbreviatedNameString()), "Br.");
}

TEST_F(Group, AFailedSaveKeepsTheOldNumber) {
    NewDocument();
    FCGroup group;
    group.SetFullNameID(7);
    FCString name("Strings");
    Host().FailNext("FX_CreateEData");
    EXPECT_FALSE(group.SaveNewFullNameBlock(&name));
    EXPECT_EQ(group.GetFullNameID(), 7);
    EXPECT_TRUE(Host().Current()->records.empty()) << "nothing was created";

    Host().FailCallNumber(2); // the raw text is created, the block is not
    EXPECT_FALSE(group.SaveNewFullNameBlock(&name));
    EXPECT_EQ(group.GetFullNameID(), 7);
    EXPECT_EQ(host::ReadRawText(*Host().Current(), FCRawText::DEFAULT_TAG, 1), "Strings");
    EXPECT_FALSE(group.SaveNewAbbreviatedNameBlock(nullptr));
}
