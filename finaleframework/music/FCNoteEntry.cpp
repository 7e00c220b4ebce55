#include "finaleframework/music/FCNoteEntry.h"

#include "finalepdk/FinaleBinding.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <cstring>

bool FCNoteEntry::_entrymetricsshouldupdate = true;

namespace {

constexpr twobyte BOUND_HIGH = 10000;
constexpr twobyte BOUND_LOW = -10000;
constexpr size_t ENTRY_METRICS_SIZE = 200;
constexpr size_t ENTRY_METRICS_STEM_OFFSET = 10;
constexpr ufourbyte ENTRY_METRICS_STEMUP = 0x00000001;
constexpr twobyte LONGEST_SHORT_DURATION =
    1023; // durations up to this do not make a neighbour flippable

/// The note count of a record brought into the range the record has room for.
int ValidNoteCount(const EXENTRY* record) {
    return record ? std::clamp<int>(record->noteCount, 0, EXENTRY_MAXNOTES) : 0;
}

twobyte StaffOfFrame(const EXTGF2005a* frame) {
    return frame ? FX_SlotToInst(frame->slot, frame->instrumentList, FINALEPDK_VERSION) : 0;
}

} // namespace

FCNoteEntry::FCNoteEntry(EXTGF2005a* frame, int index)
    : FCNoteEntry(frame, index, StaffOfFrame(frame)) {}

FCNoteEntry::FCNoteEntry(EXTGF2005a* frame, int index, twobyte staff)
    : _entryRecord(frame && frame->entries && index >= 0 && index < frame->entryCount
                       ? frame->entries + index
                       : nullptr),
      _frame(frame), _measure(frame ? frame->measure : 0), _staff(staff) {
    _UseSlots(_noteSlots);
    _UpdateNoteCollection();
}

FCNoteEntry::FCNoteEntry(EXENTRY* record, EXTGF2005a* frame)
    : _entryRecord(record), _frame(frame), _measure(frame ? frame->measure : 0),
      _staff(StaffOfFrame(frame)) {
    _UseSlots(_noteSlots);
    _UpdateNoteCollection();
}

void FCNoteEntry::_SetEntryRecord(EXTGF2005a* frame, EXENTRY* record) {
    _frame = frame;
    _entryRecord = record;
    // The same notes: they stay, with what they carry, and follow the record.
    if (!_RepointNotes(false)) _UpdateNoteCollection();
}

void FCNoteEntry::SetDuration(twobyte duration) {
    if (_entryRecord) _entryRecord->duration = duration;
}

void FCNoteEntry::_SetEntryFlagBits(ufourbyte mask, bool state) {
    if (!_entryRecord) return;
    // The flag word lies unaligned inside the packed record: work on a copy.
    ufourbyte flags = _entryRecord->entryFlags;
    Set32BitFlag(&flags, mask, state);
    _entryRecord->entryFlags = flags;
}

// Note list ------------------------------------------------------------------------------------

bool FCNoteEntry::_RepointNotes(bool asNew) {
    const int count = ValidNoteCount(_entryRecord);
    bool inOrder = count > 0 && count == GetCount();
    for (int i = 0; inOrder && i < count; ++i)
        inOrder = GetItemAt(i) && GetItemAt(i)->GetNoteIndex() == i;
    if (!inOrder) return false;
    for (int i = 0; i < count; ++i) {
        GetItemAt(i)->_SetNoteRecord(&_entryRecord->notes[i]);
        if (asNew) GetItemAt(i)->SetUserData(nullptr);
    }
    return true;
}

void FCNoteEntry::_UpdateNoteCollection() {
    // Notes are rebuilt for every entry a copy rewrites: as many as before, in their order, the
    // note objects stay, each made as a new one would be.
    if (_RepointNotes(true)) return;
    const int count = ValidNoteCount(_entryRecord);
    _FreeElements();
    _count = 0;
    _RequireElement(count);
    for (int i = 0; i < count; ++i)
        Add(new FCNote(i, &_entryRecord->notes[i], this));
}

twobyte FCNoteEntry::_FindUniqueNoteID() {
    twobyte candidate = 1;
    for (bool taken = true; taken;) {
        taken = false;
        for (int i = 0; i < GetCount(); ++i) {
            FCNote* note = GetItemAt(i);
            if (note && note->GetNoteID() == candidate) {
                ++candidate;
                taken = true;
                break;
            }
        }
    }
    return candidate;
}

void FCNoteEntry::_MakeSingleZeroNote() {
    std::memset(static_cast<void*>(&_entryRecord->notes[0]), 0, sizeof(EXNOTE));
    _entryRecord->notes[0].noteFlags = NOTE_INUSE;
    _entryRecord->noteCount = 1;
    _UpdateNoteCollection();
}

FCNote* FCNoteEntry::AddNewNote() {
    if (!_entryRecord || IsRest()) return nullptr;
    const int count = ValidNoteCount(_entryRecord);
    if (count >= EXENTRY_MAXNOTES) return nullptr;
    const twobyte noteID = _FindUniqueNoteID();
    EXNOTE* record = &_entryRecord->notes[count];
    std::memset(static_cast<void*>(record), 0, sizeof(EXNOTE));
    record->noteFlags = NOTE_INUSE;
    record->noteID = noteID;
    auto* note = new FCNote(count, record, this);
    Add(note);
    _entryRecord->noteCount = static_cast<twobyte>(count + 1);
    return note;
}

bool FCNoteEntry::DeleteNote(FCNote* note) {
    if (!note || GetIndexOf(note) < 0) return false;
    note->_SetDeleteMark(true);
    bool anyLeft = false;
    for (int i = 0; i < GetCount(); ++i)
        if (FCNote* other = GetItemAt(i); other && !other->_GetDeleteMark()) anyLeft = true;
    if (anyLeft)
        _PackEXENTRYNotes();
    else
        MakeRest();
    return true;
}

void FCNoteEntry::_PackEXENTRYNotes() {
    if (!_entryRecord) return;
    EXNOTE kept[EXENTRY_MAXNOTES];
    int k = 0;
    for (int j = 0; j < GetCount() && k < EXENTRY_MAXNOTES; ++j) {
        FCNote* note = GetItemAt(j);
        if (note && !note->_GetDeleteMark()) kept[k++] = *note->_GetNoteRecord();
    }
    if (k == GetCount()) return;
    if (k > 0) {
        std::memcpy(static_cast<void*>(_entryRecord->notes), kept, sizeof(EXNOTE) * k);
        _entryRecord->noteCount = static_cast<twobyte>(k);
    } else {
        _SetEntryFlagBits(ENTRY_NOTE, false);
        _entryRecord->noteCount = 0;
    }
    _UpdateNoteCollection();
}

// Rest and note state --------------------------------------------------------------------------

void FCNoteEntry::MakeRest() {
    if (!_entryRecord) return;
    _entryRecord->noteCount = 0;
    _UpdateNoteCollection();
    _SetEntryFlagBits(ENTRY_NOTE | ENTRY_NOTEDETAIL | ENTRY_SPECIALALTS | ENTRY_ARTICULATION,
                      false);
}

void FCNoteEntry::MakeNote() {
    if (!_entryRecord) return;
    _SetEntryFlagBits(ENTRY_NOTE, true);
    if (ValidNoteCount(_entryRecord) > 0) {
        _entryRecord->notes[0].displacement = 0;
        _entryRecord->notes[0].raiseLower = 0;
        _entryRecord->notes[0].noteID = 0;
    } else {
        _MakeSingleZeroNote();
    }
}

bool FCNoteEntry::IsRestMovable() const {
    return _entryRecord && IsRest() && ValidNoteCount(_entryRecord) >= 1 &&
           _entryRecord->notes[0].noteID == NOTEID_MOVABLEREST;
}

void FCNoteEntry::MakeMovableRest() {
    if (!_entryRecord) return;
    if (ValidNoteCount(_entryRecord) == 0) _MakeSingleZeroNote();
    _entryRecord->notes[0].noteID = NOTEID_MOVABLEREST;
    _entryRecord->notes[0].displacement = 0;
    _SetEntryFlagBits(ENTRY_PLACEHOLDERREST, false);
}

// Copying --------------------------------------------------------------------------------------

void FCNoteEntry::CopyNotes(FCNoteEntry* source) {
    if (!source || !_entryRecord || !source->_entryRecord) return;
    const int count = ValidNoteCount(source->_entryRecord);
    std::memmove(static_cast<void*>(_entryRecord->notes), source->_entryRecord->notes,
                 sizeof(EXNOTE) * static_cast<size_t>(count));
    _entryRecord->noteCount = static_cast<twobyte>(count);
    _UpdateNoteCollection();
}

void FCNoteEntry::CopyNote(FCNote* note) {
    if (!note || !_entryRecord) return;
    const EXNOTE copy =
        *note->_GetNoteRecord(); // `note` may be one of ours, gone after the rebuild
    _entryRecord->notes[0] = copy;
    _entryRecord->notes[0].noteID = 1;
    _entryRecord->noteCount = 1;
    _UpdateNoteCollection();
}

void FCNoteEntry::CopyEntry(FCNoteEntry* source) {
    if (!source || !_entryRecord || !source->_entryRecord) return;
    if (source->IsNote())
        MakeNote();
    else
        MakeRest();
    _entryRecord->duration = source->_entryRecord->duration;
    CopyNotes(source);
    _SetEntryFlagBits(ENTRY_INUSE, true);
}

bool FCNoteEntry::AddPitch(FCNote* note) {
    if (!note || !IsNote()) return false;
    FCNote* added = AddNewNote();
    if (!added) return false;
    added->SetDisplacement(note->GetDisplacement());
    added->SetRaiseLower(note->GetRaiseLower());
    return true;
}

int FCNoteEntry::AddPitches(FCNoteEntry* source) {
    if (!source || !IsNote() || !source->IsNote()) return 0;
    const int count = source->GetCount(); // the source may be this entry, which grows
    int added = 0;
    for (int i = 0; i < count; ++i) {
        if (!AddPitch(source->GetItemAt(i))) break;
        ++added;
    }
    return added;
}

FCNotePitches* FCNoteEntry::CreateNotePitches() {
    auto* pitches = new FCNotePitches;
    if (IsNote())
        for (int i = 0; i < GetCount(); ++i)
            if (FCNote* note = GetItemAt(i)) pitches->Add(new FCNotePitch(*note->_GetNoteRecord()));
    return pitches;
}

FCNoteEntry* FCNoteEntry::CreateShallowClone() {
    return new FCNoteEntry(_entryRecord, _frame);
}

// Ties, dots, accidentals ----------------------------------------------------------------------

// The tie bits are read and written in the note records themselves: the note objects are views
// of the same records, one per valid record.

bool FCNoteEntry::IsTied() {
    if (!IsNote()) return false;
    const int count = ValidNoteCount(_entryRecord);
    for (int i = 0; i < count; ++i)
        if (_entryRecord->notes[i].noteFlags & NOTE_TIE) return true;
    return false;
}

void FCNoteEntry::TieAll(bool tie) {
    if (!IsNote()) return;
    const int count = ValidNoteCount(_entryRecord);
    for (int i = 0; i < count; ++i) {
        ufourbyte flags = _entryRecord->notes[i].noteFlags;
        Set32BitFlag(&flags, NOTE_TIE, tie);
        _entryRecord->notes[i].noteFlags = flags;
    }
}

bool FCNoteEntry::IsDotted() const {
    static constexpr twobyte PLAIN[] = {8192, 4096, 2048, 1024, 512, 256, 128, 64, 32, 16, 8, 4};
    const twobyte duration = GetDuration();
    return std::find(std::begin(PLAIN), std::end(PLAIN), duration) == std::end(PLAIN);
}

void FCNoteEntry::SetAccidentals(bool show) {
    if (!IsNote()) return;
    for (int i = 0; i < GetCount(); ++i) {
        FCNote* note = GetItemAt(i);
        if (!note) continue;
        EXNOTE* record = note->_GetNoteRecord();
        ufourbyte flags = record->noteFlags;
        Set32BitFlag(&flags, NOTE_SHOWACCI, show);
        record->noteFlags = flags;
    }
}

// Pitch queries --------------------------------------------------------------------------------

template <typename Candidate>
FCNote* FCNoteEntry::_ScanPitch(bool highest, int bound, Candidate candidate) {
    FCNote* best = nullptr;
    int bestDisplacement = bound;
    int bestRaiseLower = bound;
    for (int i = 0; i < GetCount(); ++i) {
        FCNote* note = GetItemAt(i);
        if (!note || !candidate(note)) continue;
        const int displacement = note->GetDisplacement();
        const int raiseLower = note->GetRaiseLower();
        const bool better =
            highest ? displacement > bestDisplacement ||
                          (displacement == bestDisplacement && raiseLower > bestRaiseLower)
                    : displacement < bestDisplacement ||
                          (displacement == bestDisplacement && raiseLower < bestRaiseLower);
        if (better) {
            best = note;
            bestDisplacement = displacement;
            bestRaiseLower = raiseLower;
        }
    }
    return best;
}

FCNote* FCNoteEntry::CalcHighestNote() {
    if (!IsNote()) return nullptr;
    return _ScanPitch(true, BOUND_LOW, [](FCNote*) { return true; });
}

FCNote* FCNoteEntry::CalcLowestNote() {
    if (!IsNote()) return nullptr;
    return _ScanPitch(false, BOUND_HIGH, [](FCNote*) { return true; });
}

FCNote* FCNoteEntry::FindHighestNote(FCNote* below) {
    return _ScanPitch(true, BOUND_LOW,
                      [below](FCNote* note) { return !below || note->IsLowerPitchThan(below); });
}

FCNote* FCNoteEntry::FindLowestNote() {
    return _ScanPitch(false, BOUND_HIGH, [](FCNote*) { return true; });
}

twobyte FCNoteEntry::CalcHighestDisplacement() {
    int highest = BOUND_LOW;
    for (int i = 0; i < GetCount(); ++i)
        if (FCNote* note = GetItemAt(i)) highest = std::max<int>(highest, note->GetDisplacement());
    return highest == BOUND_LOW ? 0 : static_cast<twobyte>(highest);
}

twobyte FCNoteEntry::CalcDisplacementRange() {
    int highest = BOUND_LOW;
    int lowest = BOUND_HIGH;
    for (int i = 0; i < GetCount(); ++i) {
        if (FCNote* note = GetItemAt(i)) {
            highest = std::max<int>(highest, note->GetDisplacement());
            lowest = std::min<int>(lowest, note->GetDisplacement());
        }
    }
    return highest < lowest ? 0 : static_cast<twobyte>(highest - lowest);
}

FCNote* FCNoteEntry::FindPitch(FCNote* note) {
    if (!note || !IsNote()) return nullptr;
    for (int i = 0; i < GetCount(); ++i)
        if (FCNote* candidate = GetItemAt(i); candidate && candidate->IsIdenticalPitch(note))
            return candidate;
    return nullptr;
}

// Beams, stems and layers ----------------------------------------------------------------------

bool FCNoteEntry::CalcFlippable() {
    if (!IsNote()) return false;
    if (GetEntryFlags() & ENTRY_ALWAYSFLIPPABLE) return true;
    if (!_previous) return true;
    if (_next && _next->_measure == _measure) return false;
    if (GetDuration() == _previous->GetDuration()) return false;
    return _previous->GetDuration() > LONGEST_SHORT_DURATION;
}

bool FCNoteEntry::CalcBeamedGroupEnd() {
    if (CalcFlippable()) return false;
    return !_next || _next->_measure != _measure || _next->CalcFlippable();
}

bool FCNoteEntry::CalcStemUp() {
    if (!IsNote()) return false;
    unsigned char metrics[ENTRY_METRICS_SIZE] = {};
    if (FX_GetEntryMetrics(_staff, _measure, GetEntryNumber(), metrics, nullptr,
                           _entrymetricsshouldupdate ? 1 : 0, FINALEPDK_VERSION) == 0)
        return false;
    ufourbyte word;
    std::memcpy(&word, metrics + ENTRY_METRICS_STEM_OFFSET, sizeof word);
    return (word & ENTRY_METRICS_STEMUP) != 0;
}

bool FCNoteEntry::CalcMultiLayeredCell() {
    const twobyte layers = FX_GetMaxLayers(FINALEPDK_VERSION);
    int withEntries = 0;
    for (twobyte layer = 0; layer < layers; ++layer) {
        EXTGF2005a* frame = FX_LoadTGF(0, FX_InstToSlot(_staff, 0, FINALEPDK_VERSION), _measure,
                                       layer, 1, FINALEPDK_VERSION);
        const bool hasEntries = frame && frame->entryCount > 0;
        if (frame) FX_FreeTGF(frame, FINALEPDK_VERSION);
        if (hasEntries && ++withEntries >= 2) return true;
    }
    return false;
}

// Tuplets --------------------------------------------------------------------------------------

bool FCNoteEntry::IsPartOfTuplet() {
    if (!_frame || !_entryRecord || !_frame->tuplets || !_frame->entries) return false;
    const int count = _frame->entryCount;
    const fourbyte number = GetEntryNumber();
    for (int t = 0; t < _frame->tupletCount; ++t) {
        const EXTGFTUPLET& tuplet = _frame->tuplets[t];
        if (tuplet.startIndex >= count) continue;
        const int last = std::min<int>(tuplet.endIndex, count - 1);
        for (int i = std::max<int>(tuplet.startIndex, 0); i <= last; ++i)
            if (_frame->entries[i].entryNumber == number) return true;
    }
    return false;
}

bool FCNoteEntry::_GetTupletDef(twobyte inci, EDTTuplet2005* out) {
    if (!_frame || !_entryRecord || !_frame->tuplets || !_frame->entries || !out) return false;
    const fourbyte number = GetEntryNumber();
    for (int t = 0; t < _frame->tupletCount; ++t) {
        const EXTGFTUPLET& tuplet = _frame->tuplets[t];
        if (tuplet.startIndex < 0 || tuplet.startIndex >= _frame->entryCount) continue;
        if (_frame->entries[tuplet.startIndex].entryNumber != number) continue;
        if (tuplet.tupletInci != inci) continue;
        std::memcpy(static_cast<void*>(out), &tuplet.tupletDef, sizeof(EDTTuplet2005));
        return true;
    }
    return false;
}

int FCNoteEntry::_CalcTGFIndex() const {
    if (!_frame || !_entryRecord || !_frame->entries || _frame->entryCount <= 0) return -1;
    // Compared as addresses: the record may lie in another (or a released) array.
    const uintptr_t first = reinterpret_cast<uintptr_t>(_frame->entries);
    const uintptr_t record = reinterpret_cast<uintptr_t>(_entryRecord);
    if (record < first) return -1;
    const uintptr_t offset = record - first;
    if (offset % sizeof(EXENTRY) != 0) return -1;
    const uintptr_t index = offset / sizeof(EXENTRY);
    return index < static_cast<uintptr_t>(_frame->entryCount) ? static_cast<int>(index) : -1;
}
