// COPY when the host takes the new entries but not all that goes with them: a layer whose new
// entries could not learn their host numbers, or whose tuplets or articulations the host did not
// store, is copied only in part, and the alert must name it.
#include "host/Builder.h"
#include "plugin/Cadentra.h"
#include "support/FrameFixture.h"
#include "support/PluginCommands.h"

#include <string>

namespace {

using testing_support::CopyTo;
using testing_support::SetSource;

class CopyPartialWrites : public testing_support::FrameTest {
protected:
    CopyPartialWrites() { source_is_set = 0; }

    std::string Describe(twobyte staff, twobyte layer = 0) {
        return host::DescribeLayer(doc_.Built(), staff, 1, 1, layer);
    }
    std::string Alert() const { return Alerts().empty() ? "" : Alerts().back().text; }

    host::DocumentBuilder doc_ = NewDocument().Staves(3).Measures(1);
};

TEST_F(CopyPartialWrites, ANewFrameThatCannotBeReloadedNamesItsLayer) {
    doc_.Layer(1, 1).Notes("C4 q/3:2!1, D4 q, E4 q, F4 h");
    doc_.Layer(2, 1).Notes("G5 w, A5 w, B5 w, C6 w");
    doc_.Layer(3, 1).Notes("D5 h, E5 h, F5 h, G5 h");
    ASSERT_TRUE(SetSource(host::Region(1, 1, 1, 1)));
    // The reload of staff 2's saved frame is the load that follows the first save.
    const host::Document before = doc_.Built();
    const size_t start = Host().Calls().size();
    ASSERT_EQ(CopyTo(host::Region(2, 3, 1, 1)), 1u);
    int position = 0;
    bool saved = false;
    for (size_t i = start; i < Host().Calls().size() && position == 0; ++i) {
        saved = saved || Host().Calls()[i].name == "FX_SaveTGF";
        if (saved && Host().Calls()[i].name == "FX_LoadTGF")
            position = static_cast<int>(i - start) + 1;
    }
    ASSERT_GT(position, 0);
    doc_.Built() = before;
    Host().FailCallNumber(position);

    EXPECT_EQ(CopyTo(host::Region(2, 3, 1, 1)), 0u);
    EXPECT_EQ(Alert(), "The rhythm could not be written to staff 2 layer 1.");
    EXPECT_EQ(Describe(3), "D5 q/3:2!1, E5 q, F5 q, G5 h");
}

TEST_F(CopyPartialWrites, ATupletTheHostDoesNotStoreNamesItsLayer) {
    doc_.Layer(1, 1).Notes("C4 q/3:2, D4 q, E4 q, F4 h");
    doc_.Layer(2, 1).Notes("G5 w, A5 w, B5 w, C6 w");
    doc_.Layer(3, 1).Notes("D5 h, E5 h, F5 h, G5 h");
    ASSERT_TRUE(SetSource(host::Region(1, 1, 1, 1)));
    Host().FailNext("FX_SaveEData"); // staff 2's tuplet
    EXPECT_EQ(CopyTo(host::Region(2, 3, 1, 1)), 0u);
    EXPECT_EQ(Alert(), "The rhythm could not be written to staff 2 layer 1.");
    EXPECT_EQ(Describe(2), "G5 q, A5 q, B5 q, C6 h");
    EXPECT_EQ(Describe(3), "D5 q/3:2, E5 q, F5 q, G5 h");
}

TEST_F(CopyPartialWrites, AnArticulationTheHostDoesNotStoreNamesItsLayer) {
    doc_.Layer(1, 1).Notes("C4 h!1!2, D4 h");
    doc_.Layer(2, 1, 1).Notes("E5 w, F5 w");
    doc_.Layer(3, 1).Notes("G5 w, A5 w");
    ASSERT_TRUE(SetSource(host::Region(1, 1, 1, 1)));
    Host().FailNext("FX_SaveEData"); // the first articulation of staff 2 layer 2
    EXPECT_EQ(CopyTo(host::Region(2, 3, 1, 1)), 0u);
    EXPECT_EQ(Alert(), "The rhythm could not be written to staff 2 layer 2.");
    EXPECT_NE(Describe(2, 1), "E5 h!1!2, F5 h");
    EXPECT_EQ(Describe(3), "G5 h!1!2, A5 h");
}

} // namespace
