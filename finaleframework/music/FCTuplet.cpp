#include "finaleframework/music/FCTuplet.h"

#include <cstring>

namespace {

constexpr int PLACEMENT_SHIFT = 4;
constexpr int LAST_PLACEMENT = 4;
constexpr int LAST_NUMBERSTYLE = 4;
constexpr utwobyte SHAPE_BRACKET = 0x2000;
constexpr utwobyte SHAPE_SLUR = 0x1000;

} // namespace

void FCTuplet::CloneMemoryFrom(__FCBaseData* source) {
    auto* other = dynamic_cast<FCTuplet*>(source);
    if (!other || other == this) {
        __FCBaseData::CloneMemoryFrom(source);
        return;
    }
    std::memcpy(static_cast<void*>(&_record), &other->_record, sizeof _record);
    _data = &_record;
    _datasize = other->_datasize;
}

void FCTuplet::_SetEntryFlag(FCNoteEntry* entry, bool on) {
    _SetEntryFlagBits(entry, ENTRY_TUPLETSTART, on);
}

void FCTuplet::_MarkWhole() {
    // A record written field by field is whole from now on and can be saved.
    _data = &_record;
    _datasize = sizeof _record;
}

void FCTuplet::_SetFlagBits(utwobyte mask, utwobyte bits) {
    _record.tupletFlags = static_cast<utwobyte>((_record.tupletFlags & ~mask) | (bits & mask));
    _MarkWhole();
}

void FCTuplet::SetPlacementMode(PLACEMENTMODE mode) {
    const int value = mode >= 0 && mode <= LAST_PLACEMENT ? mode : 0;
    _SetFlagBits(TUPLET_PLACEMENT_MASK, static_cast<utwobyte>(value << PLACEMENT_SHIFT));
}

FCTuplet::PLACEMENTMODE FCTuplet::GetPlacementMode() const {
    const int value = (_record.tupletFlags & TUPLET_PLACEMENT_MASK) >> PLACEMENT_SHIFT;
    return static_cast<PLACEMENTMODE>(value <= LAST_PLACEMENT ? value : 0);
}

void FCTuplet::SetNumberStyle(NUMBERSTYLE style) {
    const int value = style >= 0 && style <= LAST_NUMBERSTYLE ? style : 0;
    _SetFlagBits(TUPLET_NUMBERSTYLE_MASK, static_cast<utwobyte>(value));
}

FCTuplet::NUMBERSTYLE FCTuplet::GetNumberStyle() const {
    const int value = _record.tupletFlags & TUPLET_NUMBERSTYLE_MASK;
    return static_cast<NUMBERSTYLE>(value <= LAST_NUMBERSTYLE ? value : 0);
}

void FCTuplet::SetShapeStyle(SHAPESTYLE style) {
    const utwobyte bits = style == TUPLETSHAPE_BRACKET ? SHAPE_BRACKET
                          : style == TUPLETSHAPE_SLUR  ? SHAPE_SLUR
                                                       : 0;
    _SetFlagBits(TUPLET_SHAPE_MASK, bits);
}

FCTuplet::SHAPESTYLE FCTuplet::GetShapeStyle() const {
    switch (_record.tupletFlags & TUPLET_SHAPE_MASK) {
    case SHAPE_BRACKET:
        return TUPLETSHAPE_BRACKET;
    case SHAPE_SLUR:
        return TUPLETSHAPE_SLUR;
    default:
        return TUPLETSHAPE_NONE;
    }
}

void FCTuplet::SetAppearanceMode(APPEARANCEMODE mode) {
    utwobyte flags = _record.tupletFlags;
    utwobyte flags2 = _record.tupletFlags2;
    Set16BitFlag(&flags, TUPLET_APPEARANCE_ON,
                 mode == TUPLETAPPEARANCE_BRACKETUNBEAMED ||
                     mode == TUPLETAPPEARANCE_BRACKETNEVERBEAMED);
    Set16BitFlag(&flags2, TUPLET2_APPEARANCE_MODE2, mode == TUPLETAPPEARANCE_BRACKETNEVERBEAMED);
    _record.tupletFlags = flags;
    _record.tupletFlags2 = flags2;
    _MarkWhole();
}

FCTuplet::APPEARANCEMODE FCTuplet::GetAppearanceMode() const {
    if (!(_record.tupletFlags & TUPLET_APPEARANCE_ON)) return TUPLETAPPEARANCE_STANDARD;
    return (_record.tupletFlags2 & TUPLET2_APPEARANCE_MODE2) ? TUPLETAPPEARANCE_BRACKETNEVERBEAMED
                                                             : TUPLETAPPEARANCE_BRACKETUNBEAMED;
}
