#include "finaleframework/document/FCUndoBlock.h"

#include "finaleframework/core/FCString.h"
#include "finaleframework/document/FCDocument.h"
#include "finaleframework/music/FCMusicRegion.h"
#include "finalepdk/FinaleBinding.h"
#include "support/HostFixture.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

/// Work that moves the host's selection and answers as told.
class SelectionWork : public __FCUndoBlockHandler {
public:
    explicit SelectionWork(bool keep) : keep_(keep) {}
    bool Perform() override {
        ++calls;
        FCMusicRegion region(nullptr);
        region.SetFullDocument();
        region.SetEndSlot(1);
        region.SetInDocument();
        return keep_;
    }
    int calls = 0;

private:
    bool keep_;
};

class FCUndoBlockTest : public testing_support::HostTest {
protected:
    void SetUp() override {
        NewDocument("/scores/a.musx").Staves(3).Measures(2).Select(host::Region(2, 3, 1, 1));
    }
    twobyte SelectedEndSlot() { return Host().Current()->selection.endSlot; }
    /// Runs `work` in an undo block named `name`.
    static bool Execute(__FCUndoBlockHandler* work, const char* name) {
        FCString text(name);
        return FCUndoBlock().Execute(work, &text);
    }
};

} // namespace

TEST_F(FCUndoBlockTest, KeptWorkIsCommittedUnderItsName) {
    SelectionWork work(true);
    EXPECT_TRUE(Execute(&work, "Move selection"));
    EXPECT_EQ(work.calls, 1);
    EXPECT_EQ(SelectedEndSlot(), 1);
    EXPECT_EQ(Host().CommittedEdits(), (std::vector<std::string>{"Move selection"}));
    EXPECT_EQ(Host().OpenEdits(), 0u);
    EXPECT_EQ(FinaleEditDepth, 0);
}

TEST_F(FCUndoBlockTest, RefusedWorkIsCancelled) {
    SelectionWork work(false);
    EXPECT_FALSE(Execute(&work, "Nothing"));
    EXPECT_EQ(work.calls, 1);
    EXPECT_EQ(SelectedEndSlot(), 3); // the cancelled edit put the selection back
    EXPECT_EQ(Host().CountCalls("FX_CancelFinaleEdit"), 1);
    EXPECT_EQ(Host().CountCalls("FX_EndFinaleEdit"), 0);
    EXPECT_TRUE(Host().CommittedEdits().empty());
    EXPECT_EQ(FinaleEditDepth, 0);
}

TEST_F(FCUndoBlockTest, AnEditTheHostRefusesRunsNothing) {
    SelectionWork work(true);
    Host().FailNext("FX_StartFinaleEdit");
    EXPECT_FALSE(Execute(&work, "x"));
    EXPECT_EQ(work.calls, 0);
    EXPECT_EQ(SelectedEndSlot(), 3);
    // The refused edit is not counted as open: the next end does not reach the host.
    EXPECT_EQ(FinaleEditDepth, 0);
    EXPECT_EQ(FX_EndFinaleEdit(FINALEPDK_VERSION), 1);
    EXPECT_EQ(Host().CountCalls("FX_EndFinaleEdit"), 0);
}

TEST_F(FCUndoBlockTest, WithoutWorkNoEditIsOpened) {
    Host().ClearCalls();
    EXPECT_FALSE(Execute(nullptr, "Nothing to do"));
    EXPECT_TRUE(Host().Calls().empty());
    EXPECT_EQ(Host().OpenEdits(), 0u);
    EXPECT_EQ(FinaleEditDepth, 0);
}

TEST_F(FCUndoBlockTest, DocumentPathComesFromTheHost) {
    FCDocument document(Host().Current()->number);
    EXPECT_STREQ(document.GetPath(), "/scores/a.musx");
    FCDocument missing(99);
    EXPECT_STREQ(missing.GetPath(), "");
    EXPECT_STREQ(document.ClassName(), "FCDocument");
}
