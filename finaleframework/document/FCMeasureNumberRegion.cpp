#include "finaleframework/document/FCMeasureNumberRegion.h"

#include "finaleframework/core/FCFontInfo.h"
#include "finaleframework/core/FCString.h"
#include "finalepdk/FinaleBinding.h"

#include <cstring>
#include <limits>
#include <vector>

namespace {

constexpr EVERSION NEW_LAYOUT_VERSION = 0x0F000000;
constexpr EVERSION NEW_LAYOUT_RECORD_VERSION = 0x0F000200;
constexpr EVERSION OLD_LAYOUT_RECORD_VERSION = 0x0A000000;

// Offsets inside a formatting block of the new layout.
constexpr int START_FONT = 0;
constexpr int MULTIPLE_FONT = 6;
constexpr int MULTIMEASURE_FONT = 12;
constexpr int START_ENCLOSURE = 18;
constexpr int MULTIPLE_ENCLOSURE = 30;
constexpr int START_VERTICAL = 44;
constexpr int MULTIPLE_VERTICAL = 48;
constexpr int DISPLAY_FLAGS = 62;

// Fields after the blocks (new layout) and their places in the old layout.
constexpr int NEW_FIRST_MEASURE = 132, OLD_FIRST_MEASURE = 6;
constexpr int NEW_STOP_MEASURE = 134, OLD_STOP_MEASURE = 8;
constexpr int NEW_START_CHAR = 136, OLD_START_CHAR = 12;
constexpr int NEW_BASE = 138, OLD_BASE = 14;
constexpr int NEW_NUMBER_OFFSET = 140, OLD_NUMBER_OFFSET = 16;
constexpr int NEW_PREFIX = 142, OLD_PREFIX = 22;
constexpr int NEW_SUFFIX = 166, OLD_SUFFIX = 46;
constexpr int NEW_STYLE_FLAGS = 190, OLD_STYLE_FLAGS = 82;
constexpr int NEW_REGION_ID = 192, OLD_REGION_ID = 86;
constexpr int OLD_START_FONT = 0;
constexpr int OLD_VERTICAL = 20;
constexpr int OLD_ENCLOSURE = 70;

// Font triple: number, size, effects.
constexpr int FONT_NUMBER = 0;
constexpr int FONT_SIZE = 2;
constexpr int FONT_EFFECTS = 4;

// Style flags of both layouts.
constexpr utwobyte STYLE_DOUBLE_UP = 0x0020;
constexpr utwobyte STYLE_NO_ZERO = 0x0040;
constexpr utwobyte STYLE_COUNT_FROM_ONE = 0x0080;
// New layout only.
constexpr utwobyte STYLE_USE_SCORE_FOR_PARTS = 0x0002;
constexpr utwobyte DISPLAY_SYSTEM_START = 0x0040;
constexpr utwobyte DISPLAY_HIDE_FIRST = 0x0100;
constexpr utwobyte DISPLAY_TOP_STAFF = 0x2000;
constexpr utwobyte DISPLAY_BOTTOM_STAFF = 0x4000;
// Old layout only.
constexpr utwobyte OLD_BOTTOM_STAFF = 0x0004;
constexpr utwobyte OLD_TOP_STAFF = 0x0008;
constexpr utwobyte OLD_HIDE_FIRST = 0x1000;
constexpr utwobyte OLD_SYSTEM_START = 0x8000;

} // namespace

FCMeasureNumberRegion::FCMeasureNumberRegion() {
    std::memset(_record, 0, sizeof _record);
    // The record is complete from the start (zeroed), so a new region can be saved as it is.
    _data = _record;
    _datasize = DataSizeLoad();
    if (_IsNewLayout()) {
        _scoreStart._SetBlock(_record + START_ENCLOSURE);
        _partsStart._SetBlock(_record + BLOCK_SIZE + START_ENCLOSURE);
        _scoreMultiple._SetBlock(_record + MULTIPLE_ENCLOSURE);
        _partsMultiple._SetBlock(_record + BLOCK_SIZE + MULTIPLE_ENCLOSURE);
    } else {
        for (FCEnclosure* enclosure :
             {&_scoreStart, &_partsStart, &_scoreMultiple, &_partsMultiple})
            enclosure->_SetBlock(_record + OLD_ENCLOSURE);
    }
}

bool FCMeasureNumberRegion::_IsNewLayout() {
    return RunningFinaleVersion >= NEW_LAYOUT_VERSION;
}

int FCMeasureNumberRegion::_BlockBase(bool parts) {
    return _IsNewLayout() && parts ? BLOCK_SIZE : 0;
}

EVERSION FCMeasureNumberRegion::EnigmaVersion() {
    return _IsNewLayout() ? NEW_LAYOUT_RECORD_VERSION : OLD_LAYOUT_RECORD_VERSION;
}

fourbyte FCMeasureNumberRegion::DataSizeLoad() {
    return _IsNewLayout() ? NEW_LAYOUT_SIZE : OLD_LAYOUT_SIZE;
}

void FCMeasureNumberRegion::CloneMemoryFrom(__FCBaseData* source) {
    auto* other = dynamic_cast<FCMeasureNumberRegion*>(source);
    if (!other) return;
    std::memcpy(_record, other->_record, static_cast<size_t>(DataSizeLoad()));
    _data = _record;
    _datasize = DataSizeLoad();
}

twobyte FCMeasureNumberRegion::_GetWord(int offset) const {
    twobyte value;
    std::memcpy(&value, _record + offset, sizeof value);
    return value;
}

void FCMeasureNumberRegion::_SetWord(int offset, twobyte value) {
    std::memcpy(_record + offset, &value, sizeof value);
}

bool FCMeasureNumberRegion::_GetFlag(int offset, utwobyte mask) const {
    return (static_cast<utwobyte>(_GetWord(offset)) & mask) != 0;
}

void FCMeasureNumberRegion::_SetFlag(int offset, utwobyte mask, bool state) {
    utwobyte flags = static_cast<utwobyte>(_GetWord(offset));
    Set16BitFlag(&flags, mask, state);
    _SetWord(offset, static_cast<twobyte>(flags));
}

// Numbering -------------------------------------------------------------------------------------

void FCMeasureNumberRegion::SetStartMeasure(twobyte measure) {
    _SetWord(_Offset(NEW_FIRST_MEASURE, OLD_FIRST_MEASURE), measure);
}

twobyte FCMeasureNumberRegion::GetStartMeasure() const {
    return _GetWord(_Offset(NEW_FIRST_MEASURE, OLD_FIRST_MEASURE));
}

void FCMeasureNumberRegion::SetEndMeasure(twobyte measure) {
    _SetWord(_Offset(NEW_STOP_MEASURE, OLD_STOP_MEASURE), static_cast<twobyte>(measure + 1));
}

twobyte FCMeasureNumberRegion::GetEndMeasure() const {
    return static_cast<twobyte>(_GetWord(_Offset(NEW_STOP_MEASURE, OLD_STOP_MEASURE)) - 1);
}

void FCMeasureNumberRegion::SetStartNumber(twobyte number) {
    _SetWord(_Offset(NEW_NUMBER_OFFSET, OLD_NUMBER_OFFSET), static_cast<twobyte>(number - 1));
}

twobyte FCMeasureNumberRegion::GetStartNumber() const {
    return static_cast<twobyte>(_GetWord(_Offset(NEW_NUMBER_OFFSET, OLD_NUMBER_OFFSET)) + 1);
}

void FCMeasureNumberRegion::SetStartChar(twobyte character) {
    _SetWord(_Offset(NEW_START_CHAR, OLD_START_CHAR), character);
}

twobyte FCMeasureNumberRegion::GetStartChar() const {
    return _GetWord(_Offset(NEW_START_CHAR, OLD_START_CHAR));
}

void FCMeasureNumberRegion::SetBase(twobyte base) {
    _SetWord(_Offset(NEW_BASE, OLD_BASE), base);
}

twobyte FCMeasureNumberRegion::GetBase() const {
    return _GetWord(_Offset(NEW_BASE, OLD_BASE));
}

void FCMeasureNumberRegion::SetID(twobyte id) {
    _SetWord(_Offset(NEW_REGION_ID, OLD_REGION_ID), id);
}

twobyte FCMeasureNumberRegion::GetID() const {
    return _GetWord(_Offset(NEW_REGION_ID, OLD_REGION_ID));
}

void FCMeasureNumberRegion::SetCountFromOne(bool state) {
    _SetFlag(_Offset(NEW_STYLE_FLAGS, OLD_STYLE_FLAGS), STYLE_COUNT_FROM_ONE, state);
}

bool FCMeasureNumberRegion::GetCountFromOne() const {
    return _GetFlag(_Offset(NEW_STYLE_FLAGS, OLD_STYLE_FLAGS), STYLE_COUNT_FROM_ONE);
}

void FCMeasureNumberRegion::SetNoZero(bool state) {
    _SetFlag(_Offset(NEW_STYLE_FLAGS, OLD_STYLE_FLAGS), STYLE_NO_ZERO, state);
}

bool FCMeasureNumberRegion::GetNoZero() const {
    return _GetFlag(_Offset(NEW_STYLE_FLAGS, OLD_STYLE_FLAGS), STYLE_NO_ZERO);
}

void FCMeasureNumberRegion::SetDoubleUp(bool state) {
    _SetFlag(_Offset(NEW_STYLE_FLAGS, OLD_STYLE_FLAGS), STYLE_DOUBLE_UP, state);
}

bool FCMeasureNumberRegion::GetDoubleUp() const {
    return _GetFlag(_Offset(NEW_STYLE_FLAGS, OLD_STYLE_FLAGS), STYLE_DOUBLE_UP);
}

void FCMeasureNumberRegion::SetUseScoreInfoForParts(bool state) {
    if (_IsNewLayout()) _SetFlag(NEW_STYLE_FLAGS, STYLE_USE_SCORE_FOR_PARTS, state);
}

bool FCMeasureNumberRegion::GetUseScoreInfoForParts() const {
    return !_IsNewLayout() || _GetFlag(NEW_STYLE_FLAGS, STYLE_USE_SCORE_FOR_PARTS);
}

void FCMeasureNumberRegion::SetNumberingStyle(NUMBERINGSTYLE style) {
    if (style != NUMBERING_DIGITS) return;
    SetBase(10);
    SetStartChar('0');
    SetCountFromOne(true);
    SetNoZero(false);
    SetDoubleUp(false);
}

// Display --------------------------------------------------------------------------------------

// Display settings live in the chosen block's display flags in the new layout and in the style
// flags in the old one.
#define CADENTRA_DISPLAY_FLAG(Name, newMask, oldMask)                                              \
    void FCMeasureNumberRegion::Set##Name(bool state, bool parts) {                                \
        if (_IsNewLayout())                                                                        \
            _SetFlag(_BlockBase(parts) + DISPLAY_FLAGS, newMask, state);                           \
        else                                                                                       \
            _SetFlag(OLD_STYLE_FLAGS, oldMask, state);                                             \
    }                                                                                              \
    bool FCMeasureNumberRegion::Get##Name(bool parts) const {                                      \
        return _IsNewLayout() ? _GetFlag(_BlockBase(parts) + DISPLAY_FLAGS, newMask)               \
                              : _GetFlag(OLD_STYLE_FLAGS, oldMask);                                \
    }

CADENTRA_DISPLAY_FLAG(ShowOnTopStaff, DISPLAY_TOP_STAFF, OLD_TOP_STAFF)
CADENTRA_DISPLAY_FLAG(ShowOnBottomStaff, DISPLAY_BOTTOM_STAFF, OLD_BOTTOM_STAFF)
CADENTRA_DISPLAY_FLAG(ShowOnSystemStart, DISPLAY_SYSTEM_START, OLD_SYSTEM_START)
CADENTRA_DISPLAY_FLAG(HideFirstNumber, DISPLAY_HIDE_FIRST, OLD_HIDE_FIRST)

#undef CADENTRA_DISPLAY_FLAG

void FCMeasureNumberRegion::SetStartVerticalPosition(twobyte position, bool parts) {
    _SetWord(_IsNewLayout() ? _BlockBase(parts) + START_VERTICAL : OLD_VERTICAL, position);
}

twobyte FCMeasureNumberRegion::GetStartVerticalPosition(bool parts) const {
    return _GetWord(_IsNewLayout() ? _BlockBase(parts) + START_VERTICAL : OLD_VERTICAL);
}

void FCMeasureNumberRegion::SetMultipleVerticalPosition(twobyte position, bool parts) {
    _SetWord(_IsNewLayout() ? _BlockBase(parts) + MULTIPLE_VERTICAL : OLD_VERTICAL, position);
}

twobyte FCMeasureNumberRegion::GetMultipleVerticalPosition(bool parts) const {
    return _GetWord(_IsNewLayout() ? _BlockBase(parts) + MULTIPLE_VERTICAL : OLD_VERTICAL);
}

void FCMeasureNumberRegion::_SetFontTriple(int offset, const FCFontInfo* font) {
    if (!font) return;
    _SetWord(offset + FONT_NUMBER, font->GetNameByID());
    _SetWord(offset + FONT_EFFECTS, static_cast<twobyte>(font->GetEffects()));
    _SetWord(offset + FONT_SIZE, font->GetSize());
}

void FCMeasureNumberRegion::SetStartFontInfo(const FCFontInfo* font, bool parts) {
    _SetFontTriple(_IsNewLayout() ? _BlockBase(parts) + START_FONT : OLD_START_FONT, font);
}

void FCMeasureNumberRegion::GetStartFontInfo(FCFontInfo* font, bool parts) const {
    if (!font) return;
    const int offset = _IsNewLayout() ? _BlockBase(parts) + START_FONT : OLD_START_FONT;
    font->SetNameByID(_GetWord(offset + FONT_NUMBER));
    font->SetSize(_GetWord(offset + FONT_SIZE));
    font->SetEffects(static_cast<utwobyte>(_GetWord(offset + FONT_EFFECTS)));
}

void FCMeasureNumberRegion::SetMultipleFontInfo(const FCFontInfo* font, bool parts) {
    if (_IsNewLayout()) _SetFontTriple(_BlockBase(parts) + MULTIPLE_FONT, font);
}

void FCMeasureNumberRegion::SetMultiMeasureFontInfo(const FCFontInfo* font, bool parts) {
    if (_IsNewLayout()) _SetFontTriple(_BlockBase(parts) + MULTIMEASURE_FONT, font);
}

// Prefix and suffix ------------------------------------------------------------------------------

void FCMeasureNumberRegion::_GetText(int offset, FCString* text) const {
    if (!text) return;
    // The stored text need not be terminated: never read past its 24 bytes.
    char buffer[TEXT_CAPACITY + 1];
    std::memcpy(buffer, _record + offset, TEXT_CAPACITY);
    buffer[TEXT_CAPACITY] = 0;
    text->SetCString(buffer);
}

void FCMeasureNumberRegion::_SetText(int offset, const char* text) {
    std::memset(_record + offset, 0, TEXT_CAPACITY);
    if (!text) return;
    std::memcpy(_record + offset, text, strnlen(text, TEXT_CAPACITY - 1));
}

void FCMeasureNumberRegion::GetPrefix(FCString* text) const {
    _GetText(_Offset(NEW_PREFIX, OLD_PREFIX), text);
}

void FCMeasureNumberRegion::SetPrefix(const char* text) {
    _SetText(_Offset(NEW_PREFIX, OLD_PREFIX), text);
}

void FCMeasureNumberRegion::GetSuffix(FCString* text) const {
    _GetText(_Offset(NEW_SUFFIX, OLD_SUFFIX), text);
}

void FCMeasureNumberRegion::SetSuffix(const char* text) {
    _SetText(_Offset(NEW_SUFFIX, OLD_SUFFIX), text);
}

// Displayed numbers ------------------------------------------------------------------------------

bool FCMeasureNumberRegion::ContainsMeasure(twobyte measure) const {
    return GetStartMeasure() <= measure && measure <= GetEndMeasure();
}

bool FCMeasureNumberRegion::GetDisplayedNumber(twobyte measure, FCString* out) const {
    if (!out || !ContainsMeasure(measure)) return false;
    const int base = GetBase();
    const bool doubleUp = GetDoubleUp();
    // The base comes from the document: one that cannot number anything must not divide by zero
    // or loop forever.
    if (doubleUp ? base < 1 : base < 2) return false;

    int value = measure - GetStartMeasure() + GetStartNumber();
    if (!GetCountFromOne()) value -= 1;
    const twobyte startChar = GetStartChar();

    out->SetCString("");
    if (doubleUp) {
        // One character per letter, repeated once more for each time round the base:
        // a ... z, aa ... zz, aaa ...
        // A double-up number can run to many thousands of characters: grown once.
        out->_AppendRepeated(static_cast<twobyte>(startChar + value % base), value / base + 1);
        return true;
    }
    std::vector<twobyte> digits; // least significant first
    do {
        digits.push_back(static_cast<twobyte>(startChar + value % base));
        value /= base;
    } while (value > 0);
    for (auto it = digits.rbegin(); it != digits.rend(); ++it)
        out->Append(*it);
    return true;
}

FCString* FCMeasureNumberRegion::CreateDisplayedString(twobyte measure) const {
    FCString number;
    if (!GetDisplayedNumber(measure, &number)) return nullptr;
    auto* text = new FCString;
    GetPrefix(text);
    text->Append(&number);
    FCString suffix;
    GetSuffix(&suffix);
    text->Append(&suffix);
    return text;
}

void FCMeasureNumberRegion::CloneFormattingFrom(const FCMeasureNumberRegion* source, bool score,
                                                bool parts) {
    if (!source || !_IsNewLayout()) return;
    // Read both blocks first: the source may be this object.
    unsigned char scoreBlock[BLOCK_SIZE];
    unsigned char partsBlock[BLOCK_SIZE];
    std::memcpy(scoreBlock, source->_record, BLOCK_SIZE);
    std::memcpy(partsBlock,
                source->GetUseScoreInfoForParts() ? source->_record : source->_record + BLOCK_SIZE,
                BLOCK_SIZE);
    if (score) std::memcpy(_record, scoreBlock, BLOCK_SIZE);
    if (parts) std::memcpy(_record + BLOCK_SIZE, partsBlock, BLOCK_SIZE);
}

// The collection ---------------------------------------------------------------------------------

int FCMeasureNumberRegions::CalcMeasureNumber(int measure, FCString* out) const {
    if (!out) return -1;
    if (measure >= std::numeric_limits<twobyte>::min() &&
        measure <= std::numeric_limits<twobyte>::max()) {
        for (int i = 0; i < GetCount(); ++i) {
            auto* region = static_cast<FCMeasureNumberRegion*>(GetItemAt(i));
            // A region whose stored numbering cannot be shown gives way to the next one.
            if (region && region->GetDisplayedNumber(static_cast<twobyte>(measure), out)) return i;
        }
    }
    out->SetInteger(measure);
    return -1;
}
