// Measures: the measure record (barlines, key and time signature display, note positioning) and
// collections of measures.
#pragma once

#include "finaleframework/records/FCCollectionData.h"
#include "finaleframework/records/FCOther.h"

#include <cstddef>

class FCMusicRegion;

/// The measure record as the host stores it (tag SOMS, 26 bytes of 16-bit words). Only the fields
/// the framework uses are named; every other byte is carried unchanged.
struct EDTMeasureRecord {
    twobyte reserved0;
    utwobyte keyValue; // the key in force in the measure (see FCKeySignature)
    twobyte reserved4[2];
    utwobyte auxFlags;
    utwobyte meFlags;
    twobyte reserved12[2];
    utwobyte newFlags;
    twobyte reserved18[4];
};
static_assert(sizeof(EDTMeasureRecord) == 26);
static_assert(offsetof(EDTMeasureRecord, keyValue) == 2);
static_assert(offsetof(EDTMeasureRecord, auxFlags) == 8);
static_assert(offsetof(EDTMeasureRecord, meFlags) == 10);
static_assert(offsetof(EDTMeasureRecord, newFlags) == 16);

/// One measure's record; the item number is the measure number.
class FCMeasure : public __FCNoInciOther {
public:
    /// How the key or time signature is shown in the measure.
    enum DISPLAY_STATES {
        DISPLAY_IFNEEDED = 0, // neither display bit set
        DISPLAY_ALWAYS = 1,   // the meFlags bit set
        DISPLAY_NEVER = 2     // the auxFlags bit set
    };

    /// Barline styles, stored as the same number in bits 4-7.
    enum BARLINE_STYLES {
        BARLINE_NONE = 0,
        BARLINE_NORMAL = 1,
        BARLINE_DOUBLE = 2,
        BARLINE_FINAL = 3,
        BARLINE_SOLID = 4,
        BARLINE_DASHED = 5,
        BARLINE_PARTIAL = 6
    };

    /// How notes are positioned in the measure; stored as codes 4, 0 and 6.
    enum POSITIONING_MODES {
        POSITIONING_TIMESIG = 0,
        POSITIONING_MANUAL = 1,
        POSITIONING_BEATCHART = 2
    };

    FCMeasure();
    ~FCMeasure() override;

    const char* ClassName() override { return "FCMeasure"; }
    EXTAG Tag() override { return 0x534F4D53; } // SOMS
    fourbyte DataSizeLoad() override { return sizeof(EDTMeasureRecord); }
    void* Allocate() override { return &_record; }
    __FCBaseData* CreateObject() override { return new FCMeasure; }
    /// Copies the record bytes of another loaded FCMeasure (nothing for another class or an
    /// unloaded one).
    void CloneMemoryFrom(__FCBaseData* source) override;

    /// The key value in force in this measure.
    utwobyte GetKeyValue() const { return _record.keyValue; }
    void SetKeyValue(utwobyte value) { _record.keyValue = value; }

    /// Values outside the enumeration change nothing.
    void SetKeySignatureDisplay(DISPLAY_STATES state);
    DISPLAY_STATES GetKeySignatureDisplay() const;
    void SetTimeSignatureDisplay(DISPLAY_STATES state);
    DISPLAY_STATES GetTimeSignatureDisplay() const;

    /// Styles outside 0-6 change nothing; a stored style of 7 or more reads as 0.
    void SetBarline(BARLINE_STYLES style);
    BARLINE_STYLES GetBarline() const;
    void SetLeftBarline(BARLINE_STYLES style);
    BARLINE_STYLES GetLeftBarline() const;

    /// Modes outside 0-2 change nothing; an unknown stored code reads as mode 2.
    void SetPositioningNotesMode(POSITIONING_MODES mode);
    POSITIONING_MODES GetPositioningNotesMode() const;

    /// Hosts from 0x10000000 on; older hosts have no such setting (the setter does nothing, the
    /// getter answers false).
    void SetShowFullNames(bool state);
    bool GetShowFullNames() const;

    /// Always null: beat charts are not made by this framework.
    __FCBaseData* CreateBeatChart(bool load) { return nullptr; }

    /// True with `*out` the stored form of a style 0-6; false with 0 otherwise.
    bool _GetBarlineMask(BARLINE_STYLES style, utwobyte* out) const;
    void _SetAuxFlag(utwobyte mask, bool state);
    void _SetMeFlag(utwobyte mask, bool state);
    void _SetNewFlag(utwobyte mask, bool state);

private:
    void _SetDisplay(DISPLAY_STATES state, utwobyte auxMask, utwobyte meMask);
    DISPLAY_STATES _GetDisplay(utwobyte auxMask, utwobyte meMask) const;
    void _SetBarlineBits(utwobyte* flags, BARLINE_STYLES style);
    static BARLINE_STYLES _BarlineOf(utwobyte flags);

    EDTMeasureRecord _record;
    __FCBaseData* _cachedObject1 = nullptr; // owned; not filled by any operation here
    __FCBaseData* _cachedObject2 = nullptr; // owned; not filled by any operation here
};

/// A collection of measure records.
class FCMeasures : public __FCCollectionData {
public:
    const char* ClassName() override { return "FCMeasures"; }
    __FCBaseData* CreateElement() override { return new FCMeasure; }

    /// Replaces the contents with the records of the region's measures, in order; measures whose
    /// record does not load are skipped. An empty region tries measure 0 only.
    void LoadRegion(FCMusicRegion* region);
};
