// COPY onto a destination that overlaps the source: the source staff's own layer 1, written in
// measures that the source spans, must not change what the other destinations take.
#include "host/Builder.h"
#include "plugin/Cadentra.h"
#include "support/FrameFixture.h"
#include "support/PluginCommands.h"

namespace {

class CopyOverlap : public testing_support::FrameTest {
protected:
    CopyOverlap() { source_is_set = 0; }

    ufourbyte Copy(EREGION source, EREGION destination) {
        EXPECT_TRUE(testing_support::SetSource(source));
        return testing_support::CopyTo(destination);
    }
    std::string Describe(twobyte staff, twobyte from, twobyte to, twobyte layer = 0) {
        return host::DescribeLayer(doc_.Built(), staff, from, to, layer);
    }

    host::DocumentBuilder doc_ = NewDocument().Staves(3).Measures(3);
};

TEST_F(CopyOverlap, EveryDestinationTakesTheSourceAsItWasBeforeTheCopy) {
    doc_.Layer(1, 1).Notes("C4 h, D4 h | E4 q/3:2, F4 q, G4 q, A4 h!1 | B4 h, C5 h");
    doc_.Layer(1, 2, 1).Notes("C5 h, D5 h | E5 h, F5 h, G5 h, A5 h");
    doc_.Layer(2, 2).Notes("C3 w | D3 q, E3 q, F3 q, G3 q, A3 q");
    doc_.Layer(3, 2).Notes("C6 h, D6 h | E6 w, F6 w, G6 w, A6 w");
    // Measures 1-2 of staff 1 onto measures 2-3 of staves 1 to 3: writing staff 1 layer 1
    // replaces source measure 2.
    EXPECT_EQ(Copy(host::Region(1, 1, 1, 2), host::Region(1, 3, 2, 3)), 1u);
    EXPECT_EQ(Describe(1, 1, 3), "C4 h, D4 h | E4 h, F4 h | G4 q/3:2, A4 q, B4 q, C5 h!1");
    EXPECT_EQ(Describe(1, 2, 3, 1), "C5 h, D5 h | E5 q/3:2, F5 q, G5 q, A5 h!1");
    EXPECT_EQ(Describe(2, 2, 3), "C3 h, D3 h | E3 q/3:2, F3 q, G3 q, A3 h!1");
    EXPECT_EQ(Describe(3, 2, 3), "C6 h, D6 h | E6 q/3:2, F6 q, G6 q, A6 h!1");
    EXPECT_TRUE(Alerts().empty());
}

} // namespace
