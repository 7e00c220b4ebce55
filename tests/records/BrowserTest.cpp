#include "finaleframework/records/FCBrowserBase.h"

#include "finaleframework/document/FCMeasure.h"
#include "finaleframework/music/FCCell.h"
#include "finaleframework/music/FCMusicRegion.h"
#include "finaleframework/records/FCBrowserMeasures.h"
#include "host/MeasureRecord.h"
#include "support/HostFixture.h"
#include "support/RecordingHandler.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

using testing_support::Calls;
using testing_support::RecordingHandler;

std::string MeasureName(__FCBase* element) {
    auto* measure = dynamic_cast<FCMeasure*>(element);
    return measure ? "m" + std::to_string(measure->GetItemNo()) : "not a measure";
}

std::vector<std::string> Each(const std::string& call, int first, int last) {
    std::vector<std::string> calls;
    for (int m = first; m <= last; ++m)
        calls.push_back(call + " m" + std::to_string(m));
    return calls;
}

class MeasureBrowser : public testing_support::HostTest {
protected:
    void SetUp() override { NewDocument().Staves(2).Measures(12).KeySignature(7, 2); }
    RecordingHandler handler{MeasureName};
    FCBrowserMeasures browser;
};

} // namespace

TEST_F(MeasureBrowser, ForEachVisitsEveryMeasureBetweenTheNotifications) {
    EXPECT_EQ(browser.ForEach(&handler), 12);
    EXPECT_EQ(handler.calls, Calls({{"OnBrowseStart", "OnFirstLoaded"},
                                    Each("Iterate", 1, 12),
                                    {"OnVisitsDone", "OnBrowseEnd"}}));
    ExpectEveryCallPassedFrameworkVersion();
}

TEST_F(MeasureBrowser, AHandlerStopsTheWalkAndTheStoppingVisitIsNotCounted) {
    handler.stopIterateAt = 3;
    EXPECT_EQ(browser.ForEach(&handler), 2);
    EXPECT_EQ(handler.calls, Calls({{"OnBrowseStart", "OnFirstLoaded"},
                                    Each("Iterate", 1, 3),
                                    {"OnVisitsDone", "OnBrowseEnd"}}));
    // Nothing is loaded after the stop: measure 3 was the last record asked for.
    EXPECT_EQ(Host().CountCalls("FX_NextEData"), 2);
}

TEST_F(MeasureBrowser, ARefusedStartVisitsNothingAndAsksTheHostNothing) {
    handler.browseStart = false;
    EXPECT_EQ(browser.ForEach(&handler), 0);
    EXPECT_EQ(handler.calls, std::vector<std::string>{"OnBrowseStart"});
    EXPECT_TRUE(Host().Calls().empty());

    RecordingHandler finder(MeasureName);
    finder.browseStart = false;
    finder.matchAt = 1;
    EXPECT_EQ(browser.FindFirst(&finder), nullptr);
    EXPECT_EQ(finder.calls, std::vector<std::string>{"OnBrowseStart"});
}

TEST_F(MeasureBrowser, ARefusedFirstLoadVisitsNothingButEndsTheBrowse) {
    handler.firstLoaded = false;
    EXPECT_EQ(browser.ForEach(&handler), 0);
    EXPECT_EQ(handler.calls,
              (std::vector<std::string>{"OnBrowseStart", "OnFirstLoaded", "OnBrowseEnd"}));
}

TEST_F(MeasureBrowser, ADocumentWhoseFirstMeasureDoesNotLoadIsEmpty) {
    Host().Current()->records.erase(host::MeasureRecordKey(1));
    EXPECT_EQ(browser.GetCount(), 0);
    EXPECT_EQ(browser.ForEach(&handler), 0);
    // No record: neither the first-loaded notice nor the visits-done notice.
    EXPECT_EQ(handler.calls, (std::vector<std::string>{"OnBrowseStart", "OnBrowseEnd"}));
}

TEST_F(MeasureBrowser, ARecordThatFailsToLoadEndsTheWalkQuietly) {
    struct FailAfterThird : RecordingHandler {
        using RecordingHandler::RecordingHandler;
        bool Iterate(__FCBase* element) override {
            const bool answer = RecordingHandler::Iterate(element);
            if (calls.back() == "Iterate m3") host::Host::Instance().FailNext("FX_LoadEData");
            return answer;
        }
    } failing(MeasureName);
    EXPECT_EQ(browser.ForEach(&failing), 3);
    EXPECT_EQ(failing.calls, Calls({{"OnBrowseStart", "OnFirstLoaded"},
                                    Each("Iterate", 1, 3),
                                    {"OnVisitsDone", "OnBrowseEnd"}}));
    EXPECT_TRUE(Alerts().empty());
}

TEST_F(MeasureBrowser, CountIsTheNumberOfMeasures) {
    EXPECT_EQ(browser.GetCount(), 12);
    host::DocumentBuilder(*Host().Current()).Measures(3);
    EXPECT_EQ(browser.GetCount(), 15);
}

TEST_F(MeasureBrowser, FindFirstHandsOverTheMatchingRecord) {
    struct KeyFinder : RecordingHandler {
        using RecordingHandler::RecordingHandler;
        bool IsMatch(__FCBase* element) override {
            RecordingHandler::IsMatch(element);
            return static_cast<FCMeasure*>(element)->GetKeyValue() == 0x0002;
        }
    } finder(MeasureName);
    std::unique_ptr<__FCBase> found(browser.FindFirst(&finder));
    auto* measure = dynamic_cast<FCMeasure*>(found.get());
    ASSERT_NE(measure, nullptr);
    EXPECT_EQ(measure->GetItemNo(), 7);
    EXPECT_EQ(measure->GetKeyValue(), 0x0002);
    // The search ends at the match, and the browse is still closed properly.
    EXPECT_EQ(finder.calls, Calls({{"OnBrowseStart", "OnFirstLoaded"},
                                   Each("IsMatch", 1, 7),
                                   {"OnVisitsDone", "OnBrowseEnd"}}));
    // The object is the caller's and still a working record: it saves.
    measure->SetBarline(FCMeasure::BARLINE_DOUBLE);
    EXPECT_TRUE(measure->Save());
}

TEST_F(MeasureBrowser, FindFirstWithoutAMatchAnswersNull) {
    EXPECT_EQ(browser.FindFirst(&handler), nullptr);
    EXPECT_EQ(handler.calls, Calls({{"OnBrowseStart", "OnFirstLoaded"},
                                    Each("IsMatch", 1, 12),
                                    {"OnVisitsDone", "OnBrowseEnd"}}));
    EXPECT_EQ(browser.ForEach(nullptr), 0);
    EXPECT_EQ(browser.FindFirst(nullptr), nullptr);
}

TEST_F(MeasureBrowser, LoadAnElementHandsOverALoadedMeasureOrNothing) {
    std::unique_ptr<__FCNoInciOther> seventh(browser.LoadAnElement(7));
    ASSERT_NE(seventh, nullptr);
    EXPECT_STREQ(seventh->ClassName(), "FCMeasure");
    EXPECT_EQ(seventh->GetItemNo(), 7);
    EXPECT_EQ(static_cast<FCMeasure*>(seventh.get())->GetKeyValue(), 0x0002);
    EXPECT_EQ(browser.LoadAnElement(13), nullptr);
    EXPECT_EQ(browser.LoadAnElement(0), nullptr);
}

TEST_F(MeasureBrowser, ToEndFromVisitsTheRestWithoutNotifications) {
    EXPECT_EQ(browser.ToEndFrom(10, &handler), 3);
    EXPECT_EQ(handler.calls, Each("Iterate", 10, 12));

    RecordingHandler stopping(MeasureName);
    stopping.stopIterateAt = 2;
    EXPECT_EQ(browser.ToEndFrom(4, &stopping), 1);
    EXPECT_EQ(stopping.calls, Each("Iterate", 4, 5));

    RecordingHandler beyond(MeasureName);
    EXPECT_EQ(browser.ToEndFrom(13, &beyond), 0);
    EXPECT_TRUE(beyond.calls.empty());
    EXPECT_EQ(browser.ToEndFrom(1, nullptr), 0);
}

// ---------------------------------------------------------------------------------------------
// The walk over the cells of a region.

namespace {

/// A region browser that records the cells it is handed and answers as its handler does.
class CellRecorder : public __FCBrowserRegionBase {
public:
    __FCBase* FindFirst(FCIteratorHandler*) override { return nullptr; }
    bool RegionIterateCellHandler(FCCell* cell, FCIteratorHandler* handler,
                                  FCMusicRegion* region) override {
        return handler->Iterate(cell);
    }
};

std::string CellName(__FCBase* element) {
    auto* cell = static_cast<FCCell*>(element);
    return "m" + std::to_string(cell->GetMeasure()) + " s" + std::to_string(cell->GetStaff());
}

class RegionBrowser : public testing_support::HostTest {
protected:
    void SetUp() override {
        // Staff numbers differ from slots so that a mix-up shows.
        NewDocument().Staff(5).Staff(9).Staff(2).Measures(4).InstrumentList(3, {2, 5});
    }
    RecordingHandler handler{CellName};
    CellRecorder browser;
};

FCMusicRegion Region(EREGION region) {
    return FCMusicRegion(&region);
}

} // namespace

TEST_F(RegionBrowser, WalksMeasureByMeasureAndSlotsWithinAMeasure) {
    FCMusicRegion region = Region(host::Region(2, 3, 2, 4));
    EXPECT_EQ(browser.ForEachInRegion(&handler, &region), 6);
    EXPECT_EQ(handler.calls,
              (std::vector<std::string>{"Iterate m2 s9", "Iterate m2 s2", "Iterate m3 s9",
                                        "Iterate m3 s2", "Iterate m4 s9", "Iterate m4 s2"}));
}

TEST_F(RegionBrowser, TheCellThatStopsTheWalkIsNotCounted) {
    FCMusicRegion region = Region(host::Region(2, 3, 2, 4));
    handler.stopIterateAt = 4;
    EXPECT_EQ(browser.ForEachInRegion(&handler, &region), 3);
    EXPECT_EQ(handler.calls.size(), 4u);
    EXPECT_EQ(handler.calls.back(), "Iterate m3 s2");

    RecordingHandler first(CellName);
    first.stopIterateAt = 1;
    EXPECT_EQ(browser.ForEachInRegion(&first, &region), 0);
    EXPECT_EQ(first.calls, std::vector<std::string>{"Iterate m2 s9"});
}

TEST_F(RegionBrowser, StavesComeFromTheRegionsInstrumentList) {
    FCMusicRegion region = Region(host::Region(1, 2, 1, 1, 0, EREGION_END_OF_MEASURE, 3));
    EXPECT_EQ(browser.ForEachInRegion(&handler, &region), 2);
    EXPECT_EQ(handler.calls, (std::vector<std::string>{"Iterate m1 s2", "Iterate m1 s5"}));
}

TEST_F(RegionBrowser, ForEachWalksTheWholeDocument) {
    EXPECT_EQ(browser.ForEach(&handler), 12);
    EXPECT_EQ(handler.calls.front(), "Iterate m1 s5");
    EXPECT_EQ(handler.calls[2], "Iterate m1 s2");
    EXPECT_EQ(handler.calls.back(), "Iterate m4 s2");
}

TEST_F(RegionBrowser, NothingToWalkWithoutHandlerOrRegion) {
    FCMusicRegion region = Region(host::Region(1, 1, 1, 1));
    EXPECT_EQ(browser.ForEachInRegion(nullptr, &region), 0);
    EXPECT_EQ(browser.ForEachInRegion(&handler, nullptr), 0);
    // Measures that run backwards give no cell.
    FCMusicRegion backwards = Region(host::Region(1, 1, 3, 2));
    EXPECT_EQ(browser.ForEachInRegion(&handler, &backwards), 0);
    EXPECT_TRUE(handler.calls.empty());
}
