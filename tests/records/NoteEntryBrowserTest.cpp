// The note entry browser: the handler's calls around each cell, in order, and the cells it saves.
#include "finaleframework/records/FCRegionBrowsers.h"

#include "finaleframework/music/FCMusicRegion.h"
#include "finaleframework/music/FCNote.h"
#include "finaleframework/music/FCNoteEntry.h"
#include "host/Notation.h"
#include "support/FrameFixture.h"
#include "support/RecordingHandler.h"

#include <functional>
#include <string>
#include <vector>

namespace {

using testing_support::Calls;
using testing_support::RecordingHandler;
using Sequence = std::vector<std::string>;

std::string DescribeEntry(__FCBase* element) {
    auto* entry = dynamic_cast<FCNoteEntry*>(element);
    if (!entry) return "not an entry";
    std::string pitches = entry->IsRest() ? "r" : "";
    for (int i = 0; i < entry->GetCount(); ++i)
        pitches += (i ? "+" : "") + host::PitchName({entry->GetItemAt(i)->GetDisplacement(),
                                                     entry->GetItemAt(i)->GetRaiseLower()});
    return "m" + std::to_string(entry->GetMeasure()) + " s" + std::to_string(entry->GetStaff()) +
           " " + pitches + " @" + std::to_string(entry->GetElapsedDuration());
}

/// A recording handler that also changes each entry it is handed, as `edit` says.
class EditingHandler : public RecordingHandler {
public:
    explicit EditingHandler(std::function<void(FCNoteEntry*)> edit)
        : RecordingHandler(DescribeEntry), edit_(std::move(edit)) {}
    bool Iterate(__FCBase* element) override {
        const bool answer = RecordingHandler::Iterate(element);
        edit_(static_cast<FCNoteEntry*>(element));
        return answer;
    }

private:
    std::function<void(FCNoteEntry*)> edit_;
};

/// Staves 1 and 2 over 2 measures; the region covers both slots from position 1024 of measure 1
/// through position 2047 of measure 2. Staff 2 has no music in measure 1.
class NoteEntryBrowser : public testing_support::FrameTest {
protected:
    NoteEntryBrowser() {
        doc_.Layer(1, 1).Notes("C4 q, D4 q, E4 h | F4 w");
        doc_.Layer(2, 2).Notes("r h, G4 h");
    }
    FCMusicRegion Region() {
        EREGION region = host::Region(1, 2, 1, 2, 1024, 2047);
        return FCMusicRegion(&region);
    }
    std::string Stored(twobyte staff, twobyte measure, twobyte layer = 0) {
        return host::DescribeLayer(doc_.Built(), staff, measure, measure, layer);
    }

    host::DocumentBuilder doc_ = NewDocument().Staves(2).Measures(2);
    FCBrowserNoteEntries browser;
};

/// The calls of a cell's browse whose two passes visit `entries` to the end; a cell whose last
/// entries were removed has no visits-done notice.
Sequence Browse(const Sequence& entries, bool visitsDone = true) {
    Sequence calls{"OnBrowseStart", "OnFirstLoaded"};
    for (const char* pass : {"Iterate ", "PostIterate "})
        for (const std::string& entry : entries)
            calls.push_back(pass + entry);
    if (visitsDone) calls.push_back("OnVisitsDone");
    calls.push_back("OnBrowseEnd");
    return calls;
}

const Sequence FIRST_CELL = Browse({"m1 s1 D4 @1024", "m1 s1 E4 @2048"});
const Sequence EMPTY_CELL = {"OnBrowseStart", "OnBrowseEnd"};
const Sequence THIRD_CELL = Browse({"m2 s1 F4 @0"});
const Sequence FOURTH_CELL = Browse({"m2 s2 r @0"});

} // namespace

TEST_F(NoteEntryBrowser, EachCellIsABrowseOfItsOwn) {
    FCMusicRegion region = Region();
    RecordingHandler handler(DescribeEntry);
    EXPECT_EQ(browser.ForEachInRegion(&handler, &region), 4);
    EXPECT_EQ(handler.calls, Calls({FIRST_CELL, EMPTY_CELL, THIRD_CELL, FOURTH_CELL}));
    // Nothing is written without the handler asking for it.
    EXPECT_EQ(Host().CountCalls("FX_SaveTGF"), 0);
    EXPECT_EQ(browser.FindFirst(&handler), nullptr);
}

TEST_F(NoteEntryBrowser, AStoppedFirstPassStillHasItsSecondPassAndEndsTheWalk) {
    FCMusicRegion region = Region();
    RecordingHandler handler(DescribeEntry);
    handler.stopIterateAt = 1;
    EXPECT_EQ(browser.ForEachInRegion(&handler, &region), 0);
    EXPECT_EQ(handler.calls, (Sequence{"OnBrowseStart", "OnFirstLoaded", "Iterate m1 s1 D4 @1024",
                                       "PostIterate m1 s1 D4 @1024", "PostIterate m1 s1 E4 @2048",
                                       "OnVisitsDone", "OnBrowseEnd"}));
}

TEST_F(NoteEntryBrowser, AStoppedSecondPassEndsOnlyThatPass) {
    FCMusicRegion region = Region();
    RecordingHandler handler(DescribeEntry);
    handler.stopPostIterateAt = 1;
    EXPECT_EQ(browser.ForEachInRegion(&handler, &region), 4);
    EXPECT_EQ(handler.calls, Calls({{"OnBrowseStart", "OnFirstLoaded", "Iterate m1 s1 D4 @1024",
                                     "Iterate m1 s1 E4 @2048", "PostIterate m1 s1 D4 @1024",
                                     "OnVisitsDone", "OnBrowseEnd"},
                                    EMPTY_CELL,
                                    THIRD_CELL,
                                    FOURTH_CELL}));
}

TEST_F(NoteEntryBrowser, ARefusedCellStopsTheWalk) {
    FCMusicRegion region = Region();
    RecordingHandler refusing(DescribeEntry);
    refusing.browseStart = false;
    EXPECT_EQ(browser.ForEachInRegion(&refusing, &region), 0);
    EXPECT_EQ(refusing.calls, Sequence{"OnBrowseStart"});
    EXPECT_EQ(Host().CountCalls("FX_LoadTGF"), 0);

    // A refused first load ends the cell's browse all the same.
    RecordingHandler notLoaded(DescribeEntry);
    notLoaded.firstLoaded = false;
    EXPECT_EQ(browser.ForEachInRegion(&notLoaded, &region), 0);
    EXPECT_EQ(notLoaded.calls, (Sequence{"OnBrowseStart", "OnFirstLoaded", "OnBrowseEnd"}));

    // A cell without entries is never asked about its first load: the walk reaches measure 2.
    EREGION secondStaff = host::Region(2, 2, 1, 2);
    FCMusicRegion staff2(&secondStaff);
    RecordingHandler fromEmpty(DescribeEntry);
    fromEmpty.firstLoaded = false;
    EXPECT_EQ(browser.ForEachInRegion(&fromEmpty, &staff2), 1);
    EXPECT_EQ(fromEmpty.calls,
              Calls({EMPTY_CELL, {"OnBrowseStart", "OnFirstLoaded", "OnBrowseEnd"}}));
}

TEST_F(NoteEntryBrowser, ChangesAreSavedWhenTheHandlerAsksForIt) {
    FCMusicRegion region = Region();
    auto raise = [](FCNoteEntry* entry) {
        if (FCNote* note = entry->GetItemAt(0)) note->SetDisplacement(note->GetDisplacement() + 1);
    };
    EditingHandler unsaved(raise);
    browser.ForEachInRegion(&unsaved, &region);
    EXPECT_EQ(Stored(1, 1), "C4 q, D4 q, E4 h");

    EditingHandler saved(raise);
    saved.SetSaveChanges(true);
    EXPECT_EQ(browser.ForEachInRegion(&saved, &region), 4);
    // Only the entries in the region changed.
    EXPECT_EQ(Stored(1, 1), "C4 q, E4 q, F4 h");
    EXPECT_EQ(Stored(1, 2), "G4 w");
    EXPECT_EQ(Stored(2, 2), "r h, G4 h");
}

TEST_F(NoteEntryBrowser, NotesMarkedByTheHandlerAreRemoved) {
    doc_.Layer(2, 1).Notes("C4+E4+G4 w");
    EREGION whole = host::Region(2, 2, 1, 1);
    FCMusicRegion region(&whole);
    EditingHandler marking([](FCNoteEntry* entry) {
        entry->GetItemAt(1)->_SetDeleteMark(true);
        EXPECT_EQ(entry->GetCount(), 3);
    });
    marking.SetSaveChanges(true);
    EXPECT_EQ(browser.ForEachInRegion(&marking, &region), 1);
    EXPECT_EQ(Stored(2, 1), "C4+G4 w");
}

TEST_F(NoteEntryBrowser, NullEntriesAreRemovedOnlyWhenAskedFor) {
    EREGION firstStaff = host::Region(1, 1, 1, 1);
    FCMusicRegion region(&firstStaff);
    auto shorten = [](FCNoteEntry* entry) {
        if (entry->GetElapsedDuration() == 1024) entry->SetDuration(0);
    };
    EditingHandler keeping(shorten);
    keeping.SetSaveChanges(true);
    browser.ForEachInRegion(&keeping, &region);
    EXPECT_EQ(Stored(1, 1), "C4 q, D4 0, E4 h");

    browser.SetDeleteNullEntries(true);
    EditingHandler deleting([](FCNoteEntry*) {});
    deleting.SetSaveChanges(true);
    EXPECT_EQ(browser.ForEachInRegion(&deleting, &region), 1);
    EXPECT_EQ(Stored(1, 1), "C4 q, E4 h");
    // The visits saw the cell as loaded; the null entry was still there.
    EXPECT_EQ(deleting.calls[3], "Iterate m1 s1 D4 @1024");
}

TEST_F(NoteEntryBrowser, ACellLeftEmptyByTheRemovalOfNullEntriesHasNoVisitsDone) {
    EREGION firstStaff = host::Region(1, 1, 1, 1);
    FCMusicRegion region(&firstStaff);
    browser.SetDeleteNullEntries(true);
    EditingHandler emptying([](FCNoteEntry* entry) { entry->SetDuration(0); });
    emptying.SetSaveChanges(true);
    EXPECT_EQ(browser.ForEachInRegion(&emptying, &region), 1);
    EXPECT_EQ(Stored(1, 1), "");
    EXPECT_EQ(emptying.calls, Browse({"m1 s1 C4 @0", "m1 s1 D4 @1024", "m1 s1 E4 @2048"}, false));
}

TEST_F(NoteEntryBrowser, TheLayerSelectionChoosesTheLayersOfEveryCell) {
    doc_.Layer(1, 2, 1).Notes("A4 h, B4 h");
    doc_.HideLayer(1);
    EREGION firstStaff = host::Region(1, 1, 2, 2);
    FCMusicRegion region(&firstStaff);
    RecordingHandler shown(DescribeEntry);
    browser.ForEachInRegion(&shown, &region);
    EXPECT_EQ(shown.calls, THIRD_CELL);

    browser.SetLayerSelection(-1); // every layer
    RecordingHandler all(DescribeEntry);
    browser.ForEachInRegion(&all, &region);
    EXPECT_EQ(all.calls, Browse({"m2 s1 F4 @0", "m2 s1 A4 @0", "m2 s1 B4 @2048"}));

    browser.SetLayerSelection(2); // the second layer only
    RecordingHandler second(DescribeEntry);
    browser.ForEachInRegion(&second, &region);
    EXPECT_EQ(second.calls.size(), 8u);
    EXPECT_EQ(second.calls[2], "Iterate m2 s1 A4 @0");
}
