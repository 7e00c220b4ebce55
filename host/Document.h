// The stand-in host's document model: what one open document holds. Plain values, so that an
// undoable edit can keep a copy and a cancel can put it back.
#pragma once

#include "finalepdk/WireRecords.h"
#include "host/FrameStore.h"
#include "host/RecordStore.h"

#include <array>
#include <compare>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace host {

/// One measure of the document as the builder made it: its time signature (beats of beatDuration
/// units each) and its key value. The measure record (host/MeasureRecord.h) carries the same
/// values and is what the host answers from once it is stored.
struct Measure {
    twobyte beats = 4;
    fourbyte beatDuration = EDU_QUARTER;
    utwobyte keyValue = 0;

    fourbyte Duration() const { return beats * beatDuration; }
};

/// One staff (the host calls it an instrument) with its number and name.
struct Staff {
    twobyte number = 0;
    std::string name;
};

/// A linked part of a document; part 0 is the score itself.
struct Part {
    twobyte id = 0;
    std::string name;
};

/// The state of a document's window as the host shows it.
struct WindowState {
    bool open = true;
    bool pageView = false;
    twobyte currentPage = 1;
    twobyte zoomLevel = 100;
    ufourbyte handle = 0;
    /// The measure and staff the window was last scrolled to (0 until a scroll).
    twobyte scrolledMeasure = 0;
    twobyte scrolledStaff = 0;
};

/// A staff style: over a stretch of the music (from a measure and position through a measure and
/// position, both included) a staff is transposed differently from its staff record.
struct StaffStyle {
    twobyte staff = 0;
    twobyte startMeasure = 0;
    fourbyte startPos = 0;
    twobyte endMeasure = 0;
    fourbyte endPos = EREGION_END_OF_MEASURE;
    utwobyte transposition = 0;
};

struct Document {
    twobyte number = 0;
    std::string path;

    std::vector<Staff> staves;
    /// Instrument lists: list number -> staff numbers by slot (slot 1 first). List 0 is the score
    /// order.
    std::map<utwobyte, std::vector<twobyte>> instrumentLists;
    std::vector<Measure> measures; // measure 1 first

    EREGION selection{};
    twobyte maxLayers = 4;
    std::array<bool, 4> layerShown{true, true, true, true};

    /// The music: entries of each (staff, measure, layer), in order.
    FrameStore frames;
    /// The next number given to an entry saved without one.
    fourbyte nextEntryNumber = 1;
    /// Entry numbers stored in more than one frame, with their frames. The host gives every entry
    /// a number of its own, so a number repeats only when a caller saves an entry into a frame
    /// while it is stored in another (it moves or repeats it). Built from the frames the first
    /// time a saved frame drops an entry that has details, then kept up by every save
    /// (host/Frames.h, StoreFrame).
    std::map<fourbyte, std::set<FrameKey>> sharedEntries;
    bool sharedEntriesKnown = false;

    /// Data records by tag and key.
    RecordStore records;
    /// Staff styles in the order they were applied (a later one wins where they overlap).
    std::vector<StaffStyle> staffStyles;

    WindowState window;
    std::vector<Part> parts{Part{0, "Score"}};
    twobyte currentPart = 0;
    /// Regions the plug-in asked the host to redraw, in order.
    std::vector<EREGION> redraws;

    const Staff* FindStaff(twobyte number) const;
    /// The staff number at a 1-based slot of an instrument list; 0 when there is none.
    twobyte SlotToStaff(twobyte slot, utwobyte list) const;
    /// The 1-based slot of a staff in an instrument list; 0 when it is not shown there.
    twobyte StaffToSlot(twobyte staff, utwobyte list) const;
    /// The region of every staff of the score over every measure, whole measures.
    EREGION WholeDocumentRegion() const;
    /// The length of a measure in EDU, from its stored measure record when there is one (a
    /// time signature that is not positive gives 0); 0 for a measure the document lacks.
    fourbyte MeasureDuration(twobyte measure) const;

private:
    // Where the last staff and the last slot were found: the next look-up starts there.
    mutable size_t staffHint_ = 0;
    mutable size_t slotHint_ = 0;
};

} // namespace host
