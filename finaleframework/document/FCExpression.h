// Expressions placed in the music: a text expression definition shown on a staff in a measure.
#pragma once

#include "finaleframework/document/FCStaffListElement.h"
#include "finaleframework/records/FCCollectionData.h"
#include "finaleframework/records/FCOther.h"

class FCCell;
class FCTextExpressionDef;

/// One placed expression (cmper = the measure, inci = its number within the measure), a 24-byte
/// record kept inside the object:
///
///   offset 0   s16  number of the text expression definition
///   offset 8   s16  the staff the expression is attached to
///   offset 10  u16  flags; while 0x2000 is set the expression does not name a text expression
///                   definition
///   offset 14  s16  a staff list on whose staves the expression is shown as well (0: none)
class FCExpression : public __FCInciOther {
public:
    static constexpr int RECORD_SIZE = 24;

    const char* ClassName() override { return "FCExpression"; }
    EXTAG Tag() override { return 0x534F4459; } // SODY
    fourbyte DataSizeLoad() override { return RECORD_SIZE; }
    void* Allocate() override { return _record; }
    __FCBaseData* CreateObject() override { return new FCExpression; }
    void CloneMemoryFrom(__FCBaseData* source) override;
    ~FCExpression() override = default;

    twobyte GetTextExpressionID() const { return _GetWord(0); }
    twobyte GetStaff() const { return _GetWord(8); }
    void SetStaff(twobyte staff) { _SetWord(8, staff); }
    utwobyte GetExpressionFlags() const { return static_cast<utwobyte>(_GetWord(10)); }
    void SetExpressionFlags(utwobyte flags) { _SetWord(10, static_cast<twobyte>(flags)); }
    twobyte GetStaffListID() const { return _GetWord(14); }
    void SetStaffListID(twobyte list) { _SetWord(14, list); }
    /// The measure and the number within it of the record last loaded or saved.
    twobyte GetMeasure() const { return static_cast<twobyte>(GetItemCmper()); }

    /// Makes the expression show `def` (its number) and clears flag 0x2000; false, changing
    /// nothing, for a missing definition or one numbered 0.
    bool AssignTextExpressionDef(FCTextExpressionDef* def);
    /// A new definition (the caller's) loaded with the expression's definition number; null while
    /// flag 0x2000 is set. A definition that does not load is answered zeroed.
    FCTextExpressionDef* CreateTextExpressionDef();
    /// Places the expression on the cell's staff as a new record of the cell's measure, marking
    /// the measure as one that holds expressions. False, saving nothing, when the measure does
    /// not load or no cell is given.
    bool SaveNewToCell(FCCell* cell);
    /// True for the expression's own staff; otherwise true when its staff list of kind `mode`
    /// names `staff`. Mode 0 looks at the own staff only.
    bool IsVisibleOnStaff(twobyte staff, FCStaffListElement::STAFFLIST_MODES mode);

private:
    twobyte _GetWord(int offset) const;
    void _SetWord(int offset, twobyte value);

    unsigned char _record[RECORD_SIZE] = {};
};

/// Expressions of a measure.
class FCExpressions : public __FCCollectionInciOther {
public:
    const char* ClassName() override { return "FCExpressions"; }
    __FCBaseData* CreateElement() override { return new FCExpression; }
    ~FCExpressions() override = default;

    FCExpression* GetItemAt(int index) const {
        return static_cast<FCExpression*>(__FCCollection::GetItemAt(index));
    }
    /// Replaces the contents with the expressions of the cell's measure that are visible on the
    /// cell's staff (IsVisibleOnStaff with `mode`); answers their number. Empty without a cell.
    int LoadAllInCell(FCCell* cell, FCStaffListElement::STAFFLIST_MODES mode);
};
