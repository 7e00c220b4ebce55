#include "finaleframework/document/FCMeasure.h"

#include "finaleframework/music/FCMusicRegion.h"
#include "finalepdk/FinaleBinding.h"

#include <cstring>
#include <memory>

namespace {

constexpr utwobyte AUX_POSITIONING_MASK = 0x0007;
constexpr utwobyte AUX_TIMESIG_STATE2 = 0x0010;
constexpr utwobyte AUX_KEYSIG_STATE2 = 0x0020;
constexpr utwobyte AUX_SHOW_FULL_NAMES = 0x0800;
constexpr utwobyte ME_TIMESIG_STATE1 = 0x0400;
constexpr utwobyte ME_KEYSIG_STATE1 = 0x0800;
constexpr utwobyte BARLINE_MASK = 0x00F0;
constexpr int BARLINE_SHIFT = 4;
constexpr int BARLINE_STYLE_COUNT = 7;

constexpr utwobyte POSITIONING_CODES[] = {4, 0, 6};

constexpr EVERSION FULL_NAMES_VERSION = 0x10000000;

} // namespace

FCMeasure::FCMeasure() {
    std::memset(&_record, 0, sizeof _record);
}

FCMeasure::~FCMeasure() {
    delete _cachedObject1;
    delete _cachedObject2;
}

void FCMeasure::CloneMemoryFrom(__FCBaseData* source) {
    auto* other = dynamic_cast<FCMeasure*>(source);
    if (!other || other->_GetDataSize() <= 0) return;
    _record = other->_record;
    _data = &_record;
    _datasize = other->_GetDataSize();
}

void FCMeasure::_SetAuxFlag(utwobyte mask, bool state) {
    Set16BitFlag(&_record.auxFlags, mask, state);
}

void FCMeasure::_SetMeFlag(utwobyte mask, bool state) {
    Set16BitFlag(&_record.meFlags, mask, state);
}

void FCMeasure::_SetNewFlag(utwobyte mask, bool state) {
    Set16BitFlag(&_record.newFlags, mask, state);
}

void FCMeasure::_SetDisplay(DISPLAY_STATES state, utwobyte auxMask, utwobyte meMask) {
    switch (state) {
    case DISPLAY_IFNEEDED:
        _SetAuxFlag(auxMask, false);
        _SetMeFlag(meMask, false);
        break;
    case DISPLAY_ALWAYS:
        _SetAuxFlag(auxMask, false);
        _SetMeFlag(meMask, true);
        break;
    case DISPLAY_NEVER:
        _SetAuxFlag(auxMask, true);
        _SetMeFlag(meMask, false);
        break;
    }
}

FCMeasure::DISPLAY_STATES FCMeasure::_GetDisplay(utwobyte auxMask, utwobyte meMask) const {
    if (_record.auxFlags & auxMask) return DISPLAY_NEVER;
    if (_record.meFlags & meMask) return DISPLAY_ALWAYS;
    return DISPLAY_IFNEEDED;
}

void FCMeasure::SetKeySignatureDisplay(DISPLAY_STATES state) {
    _SetDisplay(state, AUX_KEYSIG_STATE2, ME_KEYSIG_STATE1);
}

FCMeasure::DISPLAY_STATES FCMeasure::GetKeySignatureDisplay() const {
    return _GetDisplay(AUX_KEYSIG_STATE2, ME_KEYSIG_STATE1);
}

void FCMeasure::SetTimeSignatureDisplay(DISPLAY_STATES state) {
    _SetDisplay(state, AUX_TIMESIG_STATE2, ME_TIMESIG_STATE1);
}

FCMeasure::DISPLAY_STATES FCMeasure::GetTimeSignatureDisplay() const {
    return _GetDisplay(AUX_TIMESIG_STATE2, ME_TIMESIG_STATE1);
}

bool FCMeasure::_GetBarlineMask(BARLINE_STYLES style, utwobyte* out) const {
    const int value = static_cast<int>(style);
    if (value < 0 || value >= BARLINE_STYLE_COUNT) {
        *out = 0;
        return false;
    }
    *out = static_cast<utwobyte>(value);
    return true;
}

void FCMeasure::_SetBarlineBits(utwobyte* flags, BARLINE_STYLES style) {
    utwobyte code;
    if (!_GetBarlineMask(style, &code)) return;
    Set16BitFlag(flags, BARLINE_MASK, false);
    Set16BitFlag(flags, static_cast<utwobyte>(code << BARLINE_SHIFT), true);
}

FCMeasure::BARLINE_STYLES FCMeasure::_BarlineOf(utwobyte flags) {
    const int code = (flags & BARLINE_MASK) >> BARLINE_SHIFT;
    return code < BARLINE_STYLE_COUNT ? static_cast<BARLINE_STYLES>(code) : BARLINE_NONE;
}

void FCMeasure::SetBarline(BARLINE_STYLES style) {
    _SetBarlineBits(&_record.meFlags, style);
}

FCMeasure::BARLINE_STYLES FCMeasure::GetBarline() const {
    return _BarlineOf(_record.meFlags);
}

void FCMeasure::SetLeftBarline(BARLINE_STYLES style) {
    _SetBarlineBits(&_record.newFlags, style);
}

FCMeasure::BARLINE_STYLES FCMeasure::GetLeftBarline() const {
    return _BarlineOf(_record.newFlags);
}

void FCMeasure::SetPositioningNotesMode(POSITIONING_MODES mode) {
    const int value = static_cast<int>(mode);
    if (value < 0 || value > POSITIONING_BEATCHART) return;
    _SetAuxFlag(AUX_POSITIONING_MASK, false);
    _SetAuxFlag(POSITIONING_CODES[value], true);
}

FCMeasure::POSITIONING_MODES FCMeasure::GetPositioningNotesMode() const {
    switch (_record.auxFlags & AUX_POSITIONING_MASK) {
    case 4:
        return POSITIONING_TIMESIG;
    case 0:
        return POSITIONING_MANUAL;
    default:
        return POSITIONING_BEATCHART;
    }
}

void FCMeasure::SetShowFullNames(bool state) {
    if (RunningFinaleVersion < FULL_NAMES_VERSION) return;
    _SetAuxFlag(AUX_SHOW_FULL_NAMES, state);
}

bool FCMeasure::GetShowFullNames() const {
    if (RunningFinaleVersion < FULL_NAMES_VERSION) return false;
    return (_record.auxFlags & AUX_SHOW_FULL_NAMES) != 0;
}

void FCMeasures::LoadRegion(FCMusicRegion* region) {
    _Reset();
    if (!region) return;
    auto measure = std::make_unique<FCMeasure>();
    // An int counter: a region ending at the highest measure number must not wrap around.
    const int last = region->GetEndMeasure();
    for (int m = region->GetStartMeasure(); m <= last; ++m) {
        if (measure->Load(static_cast<utwobyte>(m))) Add(measure->CreateClone());
    }
}
