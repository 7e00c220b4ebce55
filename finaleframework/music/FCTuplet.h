// Tuplet definitions stored under the entry on which a tuplet starts.
#pragma once

#include "finaleframework/records/FCEntryDetail.h"
#include "finalepdk/WireRecords.h"

/// One tuplet definition (an EDTTuplet2005) of an entry. The framework interprets the two flag
/// words through the style accessors below and carries every other byte unchanged. A setter makes
/// the record whole (savable) even when nothing was loaded.
class FCTuplet : public __FCEntryDetail {
public:
    enum PLACEMENTMODE {
        TUPLETPLACEMENT_MANUAL = 0,
        TUPLETPLACEMENT_STEMSIDE,
        TUPLETPLACEMENT_NOTESIDE,
        TUPLETPLACEMENT_ABOVE,
        TUPLETPLACEMENT_BELOW
    };
    enum NUMBERSTYLE {
        TUPLETNUMBER_NONE = 0,
        TUPLETNUMBER_REGULAR,
        TUPLETNUMBER_RATIO,
        TUPLETNUMBER_RATIOANDNOTE,
        TUPLETNUMBER_RATIOANDNOTE_BOTH
    };
    enum SHAPESTYLE { TUPLETSHAPE_NONE = 0, TUPLETSHAPE_BRACKET = 1, TUPLETSHAPE_SLUR = 2 };
    enum APPEARANCEMODE {
        TUPLETAPPEARANCE_STANDARD = 0,
        TUPLETAPPEARANCE_BRACKETUNBEAMED = 1,
        TUPLETAPPEARANCE_BRACKETNEVERBEAMED = 2
    };

    const char* ClassName() override { return "FCTuplet"; }
    EXTAG Tag() override { return 0x45035450; }
    fourbyte DataSizeLoad() override { return sizeof(EDTTuplet2005); }
    fourbyte DataSizeSave() override { return sizeof(EDTTuplet2005); }
    void* Allocate() override { return &_record; }
    __FCBaseData* CreateObject() override { return new FCTuplet; }
    /// Copies the 30 bytes of another tuplet into this object's own record.
    void CloneMemoryFrom(__FCBaseData* source) override;
    ~FCTuplet() override = default;
    /// Sets or clears the entry's tuplet bit.
    void _SetEntryFlag(FCNoteEntry* entry, bool on) override;

    /// Placement 0..4 in bits 4-6; any other value stores 0, and stored values 5-7 read as 0.
    void SetPlacementMode(PLACEMENTMODE mode);
    PLACEMENTMODE GetPlacementMode() const;
    /// Number style 0..4 in bits 0-3; any other value stores 0, and stored values 5-15 read as 0.
    void SetNumberStyle(NUMBERSTYLE style);
    NUMBERSTYLE GetNumberStyle() const;
    /// Bracket (0x2000) or slur (0x1000) in bits 12-13; anything else stores none.
    void SetShapeStyle(SHAPESTYLE style);
    SHAPESTYLE GetShapeStyle() const;
    /// Mode 1 sets 0x8000 of the flags and clears 0x0010 of the second flags; mode 2 sets both;
    /// anything else clears both.
    void SetAppearanceMode(APPEARANCEMODE mode);
    APPEARANCEMODE GetAppearanceMode() const;

    /// The definition as the host stores it.
    const EDTTuplet2005& GetTupletRecord() const { return _record; }
    EDTTuplet2005& _GetTupletRecord() { return _record; }

private:
    void _SetFlagBits(utwobyte mask, utwobyte bits);
    void _MarkWhole();

    EDTTuplet2005 _record{};
};
