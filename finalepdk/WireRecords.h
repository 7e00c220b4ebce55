// The records exchanged with the host in memory: plain packed little-endian structs, no behaviour.
// On the 32-bit target every size and offset is the host's; on a 64-bit build only the pointer
// fields are wider, and the stand-in host uses these same headers, so both sides agree.
#pragma once

#include "finalepdk/PdkTypes.h"

#include <cstddef>
#include <cstdint>

#define CADENTRA_TARGET_IS_32BIT (UINTPTR_MAX == 0xFFFFFFFFu)
// The layout checks that hold only where addresses are 32 bits wide are switched by the macro
// above; make sure it cannot be silently off on the 32-bit target.
static_assert(CADENTRA_TARGET_IS_32BIT == (sizeof(void*) == 4));

#pragma pack(push, 1)

// ---------------------------------------------------------------------------------------------
// Selection record.

/// A rectangle of staff slots by measures, optionally cut at positions in its first and last
/// measure.
struct EREGION {
    utwobyte startInstrumentList; // instrument list in which startSlot counts (0 = global list)
    twobyte startSlot;            // 1-based slot of the first staff
    twobyte startMeasure;
    fourbyte startPos;            // first included position in the first measure
    utwobyte endInstrumentList;
    twobyte endSlot;
    twobyte endMeasure;
    fourbyte endPos;              // last included position; END_OF_MEASURE for the whole measure
};
static_assert(sizeof(EREGION) == 20);
static_assert(offsetof(EREGION, startPos) == 6);
static_assert(offsetof(EREGION, endInstrumentList) == 10);
static_assert(offsetof(EREGION, endPos) == 16);

constexpr fourbyte EREGION_END_OF_MEASURE = 0x7FFFFFFF;

/// What the host clipboard functions take: a selection followed by two words the framework sets
/// to 1.
struct ECLIPREGION {
    EREGION region;
    fourbyte option1;
    fourbyte option2;
};
static_assert(sizeof(ECLIPREGION) == 28);
static_assert(offsetof(ECLIPREGION, option1) == 20);
static_assert(offsetof(ECLIPREGION, option2) == 24);

// ---------------------------------------------------------------------------------------------
// Frames and entries.

/// Tuplet definition (the framework reads two flag words and carries the rest unchanged).
struct EDTTuplet2005 {
    unsigned char bytes0[8];
    utwobyte tupletFlags2; // 0x0010: appearance mode 2
    unsigned char bytes10[8];
    utwobyte tupletFlags;  // 0x000F number style, 0x0070 placement, 0x3000 shape, 0x8000 appearance
    unsigned char bytes20[10];
};
static_assert(sizeof(EDTTuplet2005) == 30);
static_assert(offsetof(EDTTuplet2005, tupletFlags2) == 8);
static_assert(offsetof(EDTTuplet2005, tupletFlags) == 18);

constexpr utwobyte TUPLET_NUMBERSTYLE_MASK = 0x000F;
constexpr utwobyte TUPLET_PLACEMENT_MASK = 0x0070;
constexpr utwobyte TUPLET_SHAPE_MASK = 0x3000;
constexpr utwobyte TUPLET_APPEARANCE_ON = 0x8000;
constexpr utwobyte TUPLET2_APPEARANCE_MODE2 = 0x0010;

/// One note of an entry.
struct EXNOTE {
    twobyte displacement; // diatonic step from the root of the key in force
    twobyte raiseLower;   // chromatic alteration relative to the key signature
    twobyte noteID;       // unique within the entry; 31 = movable-rest placeholder
    ufourbyte noteFlags;
};
static_assert(sizeof(EXNOTE) == 10);
static_assert(offsetof(EXNOTE, raiseLower) == 2);
static_assert(offsetof(EXNOTE, noteID) == 4);
static_assert(offsetof(EXNOTE, noteFlags) == 6);

constexpr ufourbyte NOTE_INUSE = 0x80000000u;
constexpr ufourbyte NOTE_TIE = 0x40000000u;
constexpr ufourbyte NOTE_SHOWACCI = 0x01000000u;
constexpr ufourbyte NOTE_IDBITS = 0x001F0000u; // low five bits of noteID, refreshed by the clean-up
constexpr int NOTE_IDBITS_SHIFT = 16;

constexpr twobyte NOTEID_MOVABLEREST = 31;
constexpr int EXENTRY_MAXNOTES = 12;

/// One entry (note, chord or rest) of a frame.
struct EXENTRY {
    fourbyte entryNumber; // unique in the document; 0 until the host numbers a new entry
    twobyte duration;
    unsigned char reserved6[2];
    ufourbyte entryFlags;
    utwobyte entryFlags2;
    twobyte noteCount;
    EXNOTE notes[EXENTRY_MAXNOTES];
    fourbyte elapsedTime; // position in the measure
    unsigned char reserved140[4];
    twobyte clefIndex;
};
static_assert(sizeof(EXENTRY) == 146);
static_assert(offsetof(EXENTRY, duration) == 4);
static_assert(offsetof(EXENTRY, entryFlags) == 8);
static_assert(offsetof(EXENTRY, entryFlags2) == 12);
static_assert(offsetof(EXENTRY, noteCount) == 14);
static_assert(offsetof(EXENTRY, notes) == 16);
static_assert(offsetof(EXENTRY, elapsedTime) == 136);
static_assert(offsetof(EXENTRY, clefIndex) == 144);

constexpr ufourbyte ENTRY_INUSE = 0x80000000u;
constexpr ufourbyte ENTRY_NOTE = 0x40000000u;
constexpr ufourbyte ENTRY_PLACEHOLDERREST = 0x01000000u;
constexpr ufourbyte ENTRY_NOTEDETAIL = 0x00400000u;
constexpr ufourbyte ENTRY_ARTICULATION = 0x00200000u;
constexpr ufourbyte ENTRY_DETAIL100000 = 0x00100000u;
constexpr ufourbyte ENTRY_TUPLETSTART = 0x00080000u;
constexpr ufourbyte ENTRY_PERFDATA = 0x00020000u;
constexpr ufourbyte ENTRY_DETAIL4000 = 0x00004000u;
constexpr ufourbyte ENTRY_SPECIALALTS = 0x00001000u;
constexpr ufourbyte ENTRY_ALWAYSFLIPPABLE = 0x00000800u;
constexpr ufourbyte ENTRY_DETAIL400 = 0x00000400u;
constexpr ufourbyte ENTRY_DETAIL80 = 0x00000080u;
constexpr ufourbyte ENTRY_DETAIL40 = 0x00000040u;
/// The bits that say detail records exist under the entry number; a copy into another frame
/// clears them, since the copy gets a number of its own.
constexpr ufourbyte ENTRY_DETAILMASK = 0x007A54C0u;
static_assert(ENTRY_DETAILMASK == (ENTRY_NOTEDETAIL | ENTRY_ARTICULATION | ENTRY_DETAIL100000 |
                                   ENTRY_TUPLETSTART | ENTRY_PERFDATA | ENTRY_DETAIL4000 |
                                   ENTRY_SPECIALALTS | ENTRY_DETAIL400 | ENTRY_DETAIL80 |
                                   ENTRY_DETAIL40));
static_assert(~ENTRY_DETAILMASK == 0xFF85AB3Fu);
constexpr utwobyte ENTRY2_DETAIL20 = 0x0020;

/// One tuplet that starts in a frame.
struct EXTGFTUPLET {
    twobyte startIndex; // index in the frame's entries of the first entry
    twobyte endIndex;   // index of the last entry, inclusive
    twobyte tupletInci; // record number of the definition under the start entry
    unsigned char reserved6[4];
    EDTTuplet2005 tupletDef;
};
static_assert(sizeof(EXTGFTUPLET) == 40);
static_assert(offsetof(EXTGFTUPLET, endIndex) == 2);
static_assert(offsetof(EXTGFTUPLET, tupletInci) == 4);
static_assert(offsetof(EXTGFTUPLET, tupletDef) == 10);

/// The entries of one staff, one measure and one layer.
struct EXTGF2005a {
    utwobyte instrumentList;
    twobyte slot;
    unsigned char reserved4[2];
    twobyte measure;
    twobyte layerIndex;
    unsigned char reserved10[4];
    EXENTRY* entries;
    twobyte entryCount;
    EXTGFTUPLET* tuplets;
    twobyte tupletCount;
};
static_assert(offsetof(EXTGF2005a, slot) == 2);
static_assert(offsetof(EXTGF2005a, measure) == 6);
static_assert(offsetof(EXTGF2005a, layerIndex) == 8);
static_assert(offsetof(EXTGF2005a, entries) == 14);
#if CADENTRA_TARGET_IS_32BIT
static_assert(offsetof(EXTGF2005a, entryCount) == 18);
static_assert(offsetof(EXTGF2005a, tuplets) == 20);
static_assert(offsetof(EXTGF2005a, tupletCount) == 24);
static_assert(sizeof(EXTGF2005a) == 26);
#endif

// ---------------------------------------------------------------------------------------------
// Plug-in records.

/// What FinaleExtensionEnumerate fills for one menu item.
struct FINEXTMENUITEM {
    char menutext[64];
    char description[64];
    char itempath[64];
    utwobyte option1;
    utwobyte option2;
};
static_assert(sizeof(FINEXTMENUITEM) == 196);
static_assert(offsetof(FINEXTMENUITEM, description) == 64);
static_assert(offsetof(FINEXTMENUITEM, itempath) == 128);
static_assert(offsetof(FINEXTMENUITEM, option1) == 192);
static_assert(offsetof(FINEXTMENUITEM, option2) == 194);

/// What the host's window query fills (only the fields named here are read).
struct EWINDOWINFO {
    unsigned char reserved0[260]; // zeroed by the caller
    ufourbyte documentwindow;
    unsigned char reserved264[4];
    twobyte pageview;
    twobyte zoomlevel;
    twobyte currentpage;
};
static_assert(sizeof(EWINDOWINFO) == 274);
static_assert(offsetof(EWINDOWINFO, documentwindow) == 260);
static_assert(offsetof(EWINDOWINFO, pageview) == 268);
static_assert(offsetof(EWINDOWINFO, zoomlevel) == 270);
static_assert(offsetof(EWINDOWINFO, currentpage) == 272);

#pragma pack(pop)
