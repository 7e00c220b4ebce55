#include "finaleframework/document/FCExpression.h"

#include "finaleframework/document/FCMeasure.h"
#include "finaleframework/document/FCTextExpressionDef.h"
#include "finaleframework/music/FCCell.h"

#include <cstring>

namespace {
constexpr utwobyte NO_DEFINITION = 0x2000;
/// Marks a measure as one that holds expressions.
constexpr utwobyte MEASURE_HAS_EXPRESSIONS = 0x4000;
} // namespace

void FCExpression::CloneMemoryFrom(__FCBaseData* source) {
    auto* other = dynamic_cast<FCExpression*>(source);
    if (!other || other == this || other->_datasize <= 0) return;
    std::memcpy(_record, other->_record, sizeof _record);
    _data = _record;
    _datasize = RECORD_SIZE;
}

twobyte FCExpression::_GetWord(int offset) const {
    twobyte value;
    std::memcpy(&value, _record + offset, sizeof value);
    return value;
}

void FCExpression::_SetWord(int offset, twobyte value) {
    std::memcpy(_record + offset, &value, sizeof value);
}

bool FCExpression::AssignTextExpressionDef(FCTextExpressionDef* def) {
    if (!def || def->GetItemNo() == 0) return false;
    _SetWord(0, static_cast<twobyte>(def->GetItemNo()));
    SetExpressionFlags(static_cast<utwobyte>(GetExpressionFlags() & ~NO_DEFINITION));
    return true;
}

FCTextExpressionDef* FCExpression::CreateTextExpressionDef() {
    if (GetExpressionFlags() & NO_DEFINITION) return nullptr;
    auto* def = new FCTextExpressionDef;
    def->Load(static_cast<utwobyte>(GetTextExpressionID()));
    return def;
}

bool FCExpression::SaveNewToCell(FCCell* cell) {
    if (!cell) return false;
    FCMeasure measure;
    if (!measure.Load(static_cast<utwobyte>(cell->GetMeasure()))) return false;
    measure._SetMeFlag(MEASURE_HAS_EXPRESSIONS, true);
    measure.Save();
    SetStaffListID(0);
    SetStaff(cell->GetStaff());
    // A placed expression is a whole record even when it was built in memory.
    _data = _record;
    _datasize = RECORD_SIZE;
    return SaveNew(static_cast<utwobyte>(cell->GetMeasure()));
}

bool FCExpression::IsVisibleOnStaff(twobyte staff, FCStaffListElement::STAFFLIST_MODES mode) {
    if (staff == GetStaff()) return true;
    if (GetStaffListID() == 0 || mode == FCStaffListElement::STAFFLIST_NONE) return false;
    FCStaffListElements list;
    list.SetCustomTag(FCStaffListElement::TagOfMode(mode));
    list.LoadAllForItem(static_cast<utwobyte>(GetStaffListID()));
    return list.ContainsStaff(staff);
}

int FCExpressions::LoadAllInCell(FCCell* cell, FCStaffListElement::STAFFLIST_MODES mode) {
    _Reset();
    if (!cell) return 0;
    __FCBaseData* working = _CreateWorkingElement();
    auto* expression = dynamic_cast<FCExpression*>(working);
    if (!expression) {
        delete working;
        return 0;
    }
    const auto measure = static_cast<utwobyte>(cell->GetMeasure());
    for (twobyte inci = 0; inci >= 0 && expression->Load(measure, inci); ++inci) {
        if (expression->IsVisibleOnStaff(cell->GetStaff(), mode)) _AddCloneOf(expression);
    }
    delete expression;
    return GetCount();
}
