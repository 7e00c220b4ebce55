// Measure number regions: runs of measures numbered in one style, and their collection.
#pragma once

#include "finaleframework/records/FCCollectionData.h"
#include "finaleframework/records/FCOther.h"

class FCFontInfo;
class FCString;

/// One enclosure block (12 bytes) of a measure number region record. The framework does not
/// interpret it; the object only names where the block lies in its region's record and lives as
/// long as that region.
class FCEnclosure : public __FCBase {
public:
    static constexpr int BLOCK_SIZE = 12;

    explicit FCEnclosure(unsigned char* block = nullptr) : _block(block) {}
    FCEnclosure(const FCEnclosure&) = delete;
    FCEnclosure& operator=(const FCEnclosure&) = delete;

    /// The 12 bytes of the block inside the region's record.
    unsigned char* _GetBlock() const { return _block; }
    void _SetBlock(unsigned char* block) { _block = block; }

private:
    unsigned char* _block;
};

/// A run of measures numbered in one style (tag SOMN; the item number is the region's number).
///
/// Hosts before 0x0F000000 keep an 88-byte record with one set of fonts, positions and flags;
/// later hosts a 196-byte record with a score block and a parts block (accessors take `parts` to
/// choose the block and ignore it for the old layout). The running host's version chooses the
/// layout; the object has room for the larger one. A new region is a complete, zeroed record
/// that can be saved with SaveNew.
class FCMeasureNumberRegion : public __FCNoInciOther {
public:
    enum NUMBERINGSTYLE {
        NUMBERING_DIGITS = 0 // base 10 from the digit zero, counting from one
    };

    static constexpr int NEW_LAYOUT_SIZE = 196;
    static constexpr int OLD_LAYOUT_SIZE = 88;
    static constexpr int BLOCK_SIZE = 66;    // one formatting block of the new layout
    static constexpr int TEXT_CAPACITY = 24; // prefix and suffix, terminator included

    FCMeasureNumberRegion();
    FCMeasureNumberRegion(const FCMeasureNumberRegion&) = delete;
    FCMeasureNumberRegion& operator=(const FCMeasureNumberRegion&) = delete;

    const char* ClassName() override { return "FCMeasureNumberRegion"; }
    EXTAG Tag() override { return 0x534F4D4E; } // SOMN
    EVERSION EnigmaVersion() override;
    fourbyte DataSizeLoad() override;
    void* Allocate() override { return _record; }
    __FCBaseData* CreateObject() override { return new FCMeasureNumberRegion; }
    /// Copies the record of another region (nothing for another class).
    void CloneMemoryFrom(__FCBaseData* source) override;

    void SetStartMeasure(twobyte measure);
    twobyte GetStartMeasure() const;
    /// The last measure of the region (the record keeps the one after it).
    void SetEndMeasure(twobyte measure);
    twobyte GetEndMeasure() const;
    /// The number shown for the first measure.
    void SetStartNumber(twobyte number);
    twobyte GetStartNumber() const;
    /// The character code of digit value 0.
    void SetStartChar(twobyte character);
    twobyte GetStartChar() const;
    void SetBase(twobyte base);
    twobyte GetBase() const;
    void SetID(twobyte id);
    twobyte GetID() const;

    void SetCountFromOne(bool state);
    bool GetCountFromOne() const;
    void SetNoZero(bool state);
    bool GetNoZero() const;
    void SetDoubleUp(bool state);
    bool GetDoubleUp() const;
    /// New layout only: the setter does nothing and the getter answers true on older hosts.
    void SetUseScoreInfoForParts(bool state);
    bool GetUseScoreInfoForParts() const;

    void SetShowOnTopStaff(bool state, bool parts);
    bool GetShowOnTopStaff(bool parts) const;
    void SetShowOnBottomStaff(bool state, bool parts);
    bool GetShowOnBottomStaff(bool parts) const;
    void SetShowOnSystemStart(bool state, bool parts);
    bool GetShowOnSystemStart(bool parts) const;
    void SetHideFirstNumber(bool state, bool parts);
    bool GetHideFirstNumber(bool parts) const;

    /// The old layout has one vertical position, which both setters write.
    void SetStartVerticalPosition(twobyte position, bool parts);
    twobyte GetStartVerticalPosition(bool parts) const;
    void SetMultipleVerticalPosition(twobyte position, bool parts);
    twobyte GetMultipleVerticalPosition(bool parts) const;

    /// Writes the font as the host's font number, effects and size.
    void SetStartFontInfo(const FCFontInfo* font, bool parts);
    /// Reads the font back, its name from the host's font number.
    void GetStartFontInfo(FCFontInfo* font, bool parts) const;
    /// New layout only; nothing on older hosts.
    void SetMultipleFontInfo(const FCFontInfo* font, bool parts);
    void SetMultiMeasureFontInfo(const FCFontInfo* font, bool parts);

    /// Texts before and after each number; at most 23 characters are kept.
    void GetPrefix(FCString* text) const;
    void SetPrefix(const char* text);
    void GetSuffix(FCString* text) const;
    void SetSuffix(const char* text);

    /// Style 0: base 10, start character '0', count from one, no zero and double up off. Other
    /// styles change nothing.
    void SetNumberingStyle(NUMBERINGSTYLE style);

    /// The enclosure of the start numbers or of the multiple numbers (of the chosen block in the
    /// new layout; the one enclosure of the old layout).
    FCEnclosure* GetEnclosureStart(bool parts) { return parts ? &_partsStart : &_scoreStart; }
    FCEnclosure* GetEnclosureMultiple(bool parts) {
        return parts ? &_partsMultiple : &_scoreMultiple;
    }

    /// GetStartMeasure() <= measure <= GetEndMeasure().
    bool ContainsMeasure(twobyte measure) const;
    /// Writes the number the region shows for `measure` (digits only, without prefix and suffix).
    /// False, leaving `out` unchanged, when the region does not contain the measure, when `out`
    /// is null, or when the stored base cannot number anything (below 2, or below 1 for double
    /// up).
    bool GetDisplayedNumber(twobyte measure, FCString* out) const;
    /// A new string (the caller's): prefix, displayed number, suffix. Null when GetDisplayedNumber
    /// fails.
    FCString* CreateDisplayedString(twobyte measure) const;

    /// New layout only: with `score`, takes source's score block; with `parts`, takes source's
    /// parts block, or its score block when source uses the score formatting for parts.
    void CloneFormattingFrom(const FCMeasureNumberRegion* source, bool score, bool parts);

private:
    static bool _IsNewLayout();
    /// The start of the chosen formatting block (new layout) or 0 (old layout).
    static int _BlockBase(bool parts);
    twobyte _GetWord(int offset) const;
    void _SetWord(int offset, twobyte value);
    bool _GetFlag(int offset, utwobyte mask) const;
    void _SetFlag(int offset, utwobyte mask, bool state);
    /// Offset of a layout-dependent field.
    static int _Offset(int newOffset, int oldOffset) {
        return _IsNewLayout() ? newOffset : oldOffset;
    }
    void _SetFontTriple(int offset, const FCFontInfo* font);
    void _GetText(int offset, FCString* text) const;
    void _SetText(int offset, const char* text);

    unsigned char _record[NEW_LAYOUT_SIZE];
    FCEnclosure _scoreStart;
    FCEnclosure _partsStart;
    FCEnclosure _scoreMultiple;
    FCEnclosure _partsMultiple;
};

/// Every measure number region of a document.
class FCMeasureNumberRegions : public __FCCollectionData {
public:
    const char* ClassName() override { return "FCMeasureNumberRegions"; }
    __FCBaseData* CreateElement() override { return new FCMeasureNumberRegion; }

    /// The first region in collection order that shows a number for `measure` writes it into
    /// `out`, and its index is the answer. When none does, `out` is the plain measure number and
    /// the answer is -1.
    int CalcMeasureNumber(int measure, FCString* out) const;
};
