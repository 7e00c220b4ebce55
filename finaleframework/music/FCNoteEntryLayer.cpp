#include "finaleframework/music/FCNoteEntryLayer.h"

#include "finaleframework/core/FCIteratorHandler.h"
#include "finaleframework/music/FCMusicRegion.h"
#include "finaleframework/records/FCBrowserMeasures.h"
#include "finalepdk/FinaleBinding.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <unordered_map>

namespace {

constexpr EXTAG TAG_TUPLET = 0x45035450;
constexpr fourbyte TUPLET_RECORD_SIZE = sizeof(EDTTuplet2005);

/// Load flags of FX_LoadTGF: frames read for a layer, and frames reloaded or loaded as copy
/// targets.
constexpr twobyte LOADFLAG_READ = 1;
constexpr twobyte LOADFLAG_TARGET = 0;

bool HasUnnumberedEntry(const EXTGF2005a* frame) {
    if (!frame->entries) return false;
    for (int i = 0; i < frame->entryCount; ++i)
        if (frame->entries[i].entryNumber == 0) return true;
    return false;
}

} // namespace

// Copying entries between frames ---------------------------------------------------------------

FCNoteEntry* __FCNoteEntryCollection::_AppendFrameEntries(EXTGF2005a* frame,
                                                          FCNoteEntry* previous) {
    // One question to the host for the staff of the whole frame.
    const twobyte staff = frame->entryCount > 0
                              ? FX_SlotToInst(frame->slot, frame->instrumentList, FINALEPDK_VERSION)
                              : 0;
    for (int j = 0; j < frame->entryCount; ++j) {
        auto* entry = new FCNoteEntry(frame, j, staff);
        entry->_SetPrevious(previous);
        if (previous) previous->_SetNext(entry);
        Add(entry);
        previous = entry;
    }
    return previous;
}

bool __FCNoteEntryCollection::_CopyEntries(EXTGF2005a* source, EXTGF2005a* destination) {
    if (!source || !destination) return false;
    FX_DeleteEXENTRY(destination, 0, destination->entryCount, FINALEPDK_VERSION);
    if (destination->entryCount != 0) return false;
    const twobyte count = source->entries ? source->entryCount : 0;
    if (count > 0) FX_InsertEXENTRY(destination, 0, count, FINALEPDK_VERSION);
    if (destination->entryCount != count || (count > 0 && !destination->entries)) return false;
    for (int i = 0; i < count; ++i) {
        EXENTRY& target = destination->entries[i];
        const fourbyte entryNumber = target.entryNumber;
        std::memcpy(static_cast<void*>(&target), &source->entries[i], sizeof(EXENTRY));
        target.entryNumber = entryNumber;
        target.entryFlags = target.entryFlags & ~ENTRY_DETAILMASK;
        target.entryFlags2 = static_cast<utwobyte>(target.entryFlags2 & ~ENTRY2_DETAIL20);
    }
    return true;
}

// The layer ------------------------------------------------------------------------------------

FCNoteEntryLayer::FCNoteEntryLayer(twobyte layerIndex, twobyte staff, twobyte startMeasure,
                                   twobyte endMeasure)
    : _layerIndex(layerIndex), _staff(staff), _startMeasure(startMeasure), _endMeasure(endMeasure) {
    if (_endMeasure == -1) {
        FCBrowserMeasures measures;
        _endMeasure = static_cast<twobyte>(measures.GetCount());
    }
}

FCNoteEntryLayer::~FCNoteEntryLayer() {
    _ReleaseLoaded();
}

EXTGF2005a* FCNoteEntryLayer::_GetFrame(int index) const {
    if (!_frames || index < 0 || index >= _frameCount) return nullptr;
    return _frames[index];
}

void FCNoteEntryLayer::_ReleaseLoaded() {
    _FreeElements();
    _count = 0;
    if (_frames) {
        for (int i = 0; i < _frameCount; ++i)
            if (_frames[i]) FX_FreeTGF(_frames[i], FINALEPDK_VERSION);
        delete[] _frames;
    }
    _frames = nullptr;
    _frameCount = 0;
}

bool FCNoteEntryLayer::_AllocateFrames() {
    if (_endMeasure < _startMeasure) return false;
    _frameCount = _endMeasure - _startMeasure + 1;
    _frames = new EXTGF2005a*[static_cast<size_t>(_frameCount)]();
    return true;
}

bool FCNoteEntryLayer::Load() {
    _ReleaseLoaded();
    if (!_AllocateFrames()) return false;
    for (int i = 0; i < _frameCount; ++i) {
        if (_visibleOnly && !FX_GetShowLayer(_layerIndex, FINALEPDK_VERSION)) continue;
        _frames[i] = FX_LoadTGF(0, FX_InstToSlot(_staff, 0, FINALEPDK_VERSION),
                                static_cast<twobyte>(_startMeasure + i), _layerIndex, LOADFLAG_READ,
                                FINALEPDK_VERSION);
        if (!_frames[i]) {
            _ReleaseLoaded();
            return false;
        }
    }
    _SetupEntries();
    return true;
}

void FCNoteEntryLayer::_SetupEntries() {
    // Room for every entry at once: the array grows once, not once per ten entries.
    int total = 0;
    for (int i = 0; i < _frameCount; ++i)
        if (_frames[i]) total += std::max<int>(_frames[i]->entryCount, 0);
    _RequireElement(total);
    FCNoteEntry* previous = nullptr;
    for (int i = 0; i < _frameCount; ++i) {
        EXTGF2005a* frame = _frames[i];
        if (!frame) continue;
        previous = _AppendFrameEntries(frame, previous);
    }
}

FCNoteEntryLayer::FrameEntries FCNoteEntryLayer::_EntriesByFrame() const {
    const size_t frames = static_cast<size_t>(std::max(_frameCount, 0));
    FrameEntries grouped;
    grouped.starts.assign(frames + 1, 0);
    // Each entry's frame: entries follow their frames in order, so the frame of the entry before
    // and the one after it are asked first, and an index of all frames only when neither holds it.
    std::vector<int> frameOf(static_cast<size_t>(GetCount()), -1);
    std::unordered_map<const EXTGF2005a*, size_t> indexOf;
    size_t last = 0;
    for (int i = 0; i < GetCount(); ++i) {
        const FCNoteEntry* entry = GetItemAt(i);
        const EXTGF2005a* frame = entry ? entry->_GetFrame() : nullptr;
        if (!frame || frames == 0) continue;
        size_t found = frames;
        if (_frames[last] == frame) {
            found = last;
        } else if (last + 1 < frames && _frames[last + 1] == frame) {
            found = last + 1;
        } else {
            if (indexOf.empty())
                for (size_t f = 0; f < frames; ++f)
                    if (_frames[f]) indexOf.emplace(_frames[f], f);
            auto it = indexOf.find(frame);
            if (it == indexOf.end()) continue;
            found = it->second;
        }
        last = found;
        frameOf[static_cast<size_t>(i)] = static_cast<int>(found);
        ++grouped.starts[found + 1];
    }
    for (size_t f = 0; f < frames; ++f)
        grouped.starts[f + 1] += grouped.starts[f];
    grouped.entries.resize(grouped.starts[frames]);
    std::vector<size_t> placed(grouped.starts.begin(), grouped.starts.end() - 1);
    for (int i = 0; i < GetCount(); ++i)
        if (const int f = frameOf[static_cast<size_t>(i)]; f >= 0)
            grouped.entries[placed[static_cast<size_t>(f)]++] = GetItemAt(i);
    return grouped;
}

bool FCNoteEntryLayer::Save() {
    bool result = true;
    // Gathered once, when the first frame needs its numbers: re-pointing each frame's own
    // entries keeps a save proportional to the layer, however many measures it spans.
    std::optional<FrameEntries> byFrame;
    for (int i = 0; i < _frameCount; ++i) {
        EXTGF2005a* frame = _frames[i];
        if (!frame) continue;
        const bool hasNew = HasUnnumberedEntry(frame);
        const bool saved = FX_SaveTGF(frame, FINALEPDK_VERSION) != 0;
        // A frame that was not written has no numbers to learn.
        if (hasNew && saved) {
            if (!byFrame) byFrame = _EntriesByFrame();
            const auto index = static_cast<size_t>(i);
            _frames[i] = _SilentTGFUpdate(frame, byFrame->Of(index), byFrame->CountOf(index));
        }
        if (!saved) result = false;
    }
    return result;
}

EXTGF2005a* FCNoteEntryLayer::_SilentTGFUpdate(EXTGF2005a* frame) {
    std::vector<FCNoteEntry*> entries;
    for (int i = 0; i < GetCount(); ++i)
        if (FCNoteEntry* entry = GetItemAt(i); entry && entry->_GetFrame() == frame)
            entries.push_back(entry);
    return _SilentTGFUpdate(frame, entries.data(), entries.size());
}

EXTGF2005a* FCNoteEntryLayer::_SilentTGFUpdate(EXTGF2005a* frame, FCNoteEntry* const* entries,
                                               size_t count) {
    EXTGF2005a* reload = FX_LoadTGF(frame->instrumentList, frame->slot, frame->measure,
                                    frame->layerIndex, LOADFLAG_TARGET, FINALEPDK_VERSION);
    if (!reload) return frame;
    if (reload->entryCount != frame->entryCount || (reload->entryCount > 0 && !reload->entries)) {
        // Not the frame we wrote: keep pointing into our own.
        FX_FreeTGF(reload, FINALEPDK_VERSION);
        return frame;
    }
    for (size_t i = 0; i < count; ++i) {
        FCNoteEntry* entry = entries[i];
        const int index = entry->_CalcTGFIndex();
        if (index >= 0) entry->_SetEntryRecord(reload, reload->entries + index);
    }
    FX_FreeTGF(frame, FINALEPDK_VERSION);
    return reload;
}

FCNoteEntryLayer* FCNoteEntryLayer::CreateCloneEntries(twobyte layerIndex, twobyte staff,
                                                       twobyte startMeasure) {
    auto* clone = new FCNoteEntryLayer(_layerIndex, _staff, _startMeasure, _endMeasure);
    clone->_visibleOnly = _visibleOnly;
    clone->_LoadRedir(layerIndex, staff, startMeasure);
    return clone;
}

bool FCNoteEntryLayer::_LoadRedir(twobyte layerIndex, twobyte staff, twobyte startMeasure) {
    _ReleaseLoaded();
    if (!_AllocateFrames()) return false;
    for (int i = 0; i < _frameCount; ++i) {
        if (_visibleOnly && !FX_GetShowLayer(_layerIndex, FINALEPDK_VERSION)) continue;
        _frames[i] = FX_LoadTGF(0, FX_InstToSlot(staff, 0, FINALEPDK_VERSION),
                                static_cast<twobyte>(startMeasure + i), layerIndex, LOADFLAG_TARGET,
                                FINALEPDK_VERSION);
        if (!_frames[i]) {
            _ReleaseLoaded();
            return false;
        }
        EXTGF2005a* source = FX_LoadTGF(0, FX_InstToSlot(_staff, 0, FINALEPDK_VERSION),
                                        static_cast<twobyte>(_startMeasure + i), _layerIndex,
                                        LOADFLAG_TARGET, FINALEPDK_VERSION);
        if (!source) {
            // Nothing to copy into this measure: the clone would mix source and destination
            // music, so it loads whole or not at all.
            _ReleaseLoaded();
            return false;
        }
        const bool copied = _CopyEntries(source, _frames[i]);
        FX_FreeTGF(source, FINALEPDK_VERSION);
        if (!copied) {
            // A destination frame that was emptied but not refilled must never be saved.
            _ReleaseLoaded();
            return false;
        }
    }
    _endMeasure = static_cast<twobyte>(startMeasure + (_endMeasure - _startMeasure));
    _startMeasure = startMeasure;
    _staff = staff;
    _layerIndex = layerIndex;
    _SetupEntries();
    return true;
}

bool FCNoteEntryLayer::CloneTuplets(FCNoteEntryLayer* source) {
    if (!source || source->GetCount() != GetCount()) return false;
    bool stored = true;
    for (int i = 0; i < GetCount(); ++i) {
        FCNoteEntry* from = source->GetItemAt(i);
        FCNoteEntry* to = GetItemAt(i);
        if (!from || !to || !from->IsTupletStart()) continue;
        // Details hang under host entry numbers; an entry without one cannot carry them.
        if (to->GetEntryNumber() == 0) continue;
        twobyte k = 0;
        for (;; ++k) {
            EDTTuplet2005 definition;
            if (!from->_GetTupletDef(k, &definition)) break;
            unsigned char key[8] = {};
            const fourbyte entryNumber = to->GetEntryNumber();
            std::memcpy(key, &entryNumber, sizeof entryNumber);
            std::memcpy(key + 4, &k, sizeof k);
            if (!FX_SaveEData(TAG_TUPLET, key, &definition, TUPLET_RECORD_SIZE, FINALEPDK_VERSION))
                stored = false;
        }
        to->SetTupletStart(k > 0);
    }
    return stored;
}

int FCNoteEntryLayer::CalcFrameDuration(int measure) {
    if (measure < _startMeasure || measure > _endMeasure) return 0;
    EXTGF2005a* frame = _GetFrame(measure - _startMeasure);
    return frame ? FX_GetTGFDuration(frame, FINALEPDK_VERSION) : 0;
}

// Region queries -------------------------------------------------------------------------------

int FCNoteEntryLayer::CalcRegionCount(FCMusicRegion* region) {
    if (!region) return 0;
    int count = 0;
    for (int i = 0; i < GetCount(); ++i)
        if (FCNoteEntry* entry = GetItemAt(i); entry && region->IsEntryPosWithin(entry)) ++count;
    return count;
}

FCNoteEntry* FCNoteEntryLayer::GetRegionItemAt(int index, FCMusicRegion* region) {
    if (!region || index < 0) return nullptr;
    for (int i = 0; i < GetCount(); ++i) {
        FCNoteEntry* entry = GetItemAt(i);
        if (!entry || !region->IsEntryPosWithin(entry)) continue;
        if (index-- == 0) return entry;
    }
    return nullptr;
}

int FCNoteEntryLayer::ForEachInRegion(FCIteratorHandler* handler, FCMusicRegion* region) {
    if (!handler || !region) return 0;
    int count = 0;
    for (int i = 0; i < GetCount(); ++i) {
        FCNoteEntry* entry = GetItemAt(i);
        if (!entry || !region->IsEntryPosWithin(entry)) continue;
        if (!handler->Iterate(entry)) break;
        ++count;
    }
    return count;
}

FCNoteEntries* FCNoteEntryLayer::CreateRegionEntries(FCMusicRegion* region) {
    auto* entries = new FCNoteEntries;
    if (!region) return entries;
    FCNoteEntry* previous = nullptr;
    for (int i = 0; i < GetCount(); ++i) {
        FCNoteEntry* entry = GetItemAt(i);
        if (!entry || !region->IsEntryPosWithin(entry)) continue;
        FCNoteEntry* clone = entry->CreateShallowClone();
        clone->_SetPrevious(previous);
        if (previous) previous->_SetNext(clone);
        entries->Add(clone);
        previous = clone;
    }
    return entries;
}

// Inserting entries ----------------------------------------------------------------------------

FCNoteEntry* FCNoteEntryLayer::InsertEntriesAfter(FCNoteEntry* entry, int count, bool nextMeasure) {
    const int index = GetIndexOf(entry);
    // The host counts the records it inserts in 16 bits: a larger count would insert fewer
    // records than entries are built here.
    if (index < 0 || count <= 0 || count > INT16_MAX) return nullptr;
    FCNoteEntry* next = entry->GetNext();
    int t = entry->_CalcTGFIndex();
    const twobyte measure = entry->GetMeasure();
    EXTGF2005a* frame = entry->_GetFrame();
    twobyte targetMeasure = measure;

    if (nextMeasure) {
        EXTGF2005a* following = nullptr;
        for (int i = 0; i <= _frameCount - 2; ++i)
            if (_frames[i] && _frames[i] == frame) following = _frames[i + 1];
        if (!following) return nullptr;
        if (next && next->GetMeasure() == measure) return nullptr;
        frame = following;
        targetMeasure = static_cast<twobyte>(measure + 1);
        t = 0;
    } else {
        if (t < 0) return nullptr;
        t += 1;
    }

    if (FX_InsertEXENTRY(frame, static_cast<twobyte>(t), static_cast<twobyte>(count),
                         FINALEPDK_VERSION) == 0)
        return nullptr;

    FCNoteEntry* first = nullptr;
    FCNoteEntry* previous = entry;
    for (int i = 0; i < count; ++i) {
        auto* created = new FCNoteEntry(frame, t + i);
        InsertItemAt(created, index + 1 + i);
        created->_SetPrevious(previous);
        previous->_SetNext(created);
        previous = created;
        if (!first) first = created;
    }
    previous->_SetNext(next);
    if (next) next->_SetPrevious(previous);

    // The insertion may have moved the frame's records: re-point the neighbours in the frame.
    int forward = count + t;
    for (FCNoteEntry* e = next;
         e && e->GetMeasure() == targetMeasure && forward < frame->entryCount; e = e->GetNext())
        e->_SetEntryRecord(frame, frame->entries + forward++);
    int backward = t - 1;
    for (FCNoteEntry* e = entry; e && e->GetMeasure() == targetMeasure && backward >= 0;
         e = e->GetPrevious())
        e->_SetEntryRecord(frame, frame->entries + backward--);
    return first;
}
