// The parts of FCNoteEntry that reach its detail records: articulations and tuplet ends.
#include "finaleframework/music/FCNoteEntry.h"

#include "finaleframework/music/FCArticulation.h"
#include "finaleframework/music/FCTuplet.h"

#include <algorithm>
#include <memory>

FCNoteEntry::~FCNoteEntry() {
    delete _articulationCache;
}

void FCNoteEntry::CacheArticulations() {
    auto loaded = std::make_unique<FCArticulations>();
    loaded->SetNoteEntry(this);
    loaded->LoadAll();
    if (loaded->GetCount() == 0) return;
    delete _articulationCache;
    _articulationCache = loaded.release();
}

int FCNoteEntry::AddArticulations(FCNoteEntry* source, bool skipExisting) {
    if (!_entryRecord || _entryRecord->entryNumber == 0 || !source) return 0;
    const fourbyte entryNumber = _entryRecord->entryNumber;

    FCArticulations existing;
    existing.SetNoteEntry(this);
    existing.LoadAll();
    const int n = existing.GetCount();

    FCArticulations loaded;
    FCArticulations* from = source->_articulationCache;
    if (!from) {
        loaded.SetNoteEntry(source);
        loaded.LoadAll();
        from = &loaded;
    }

    int added = 0;
    for (int i = 0; i < from->GetCount(); ++i) {
        FCArticulation* articulation = from->GetItemAt(i);
        if (!articulation) continue;
        if (skipExisting && existing.ContainsID(articulation->GetID())) continue;
        // A copy is stored, so that the source (perhaps its cache) keeps its own keys.
        std::unique_ptr<__FCBaseData> copy(articulation->CreateClone());
        auto* stored = static_cast<FCArticulation*>(copy.get());
        stored->SetNoteEntry(this);
        // Numbered on from the entry's own, without gaps: a skipped articulation leaves no hole
        // in which a walk over the records would stop.
        if (stored->SaveAs(entryNumber, static_cast<twobyte>(n + added))) ++added;
    }
    if (added > 0) SetArticulationFlag(true);
    return added;
}

FCNoteEntry* FCNoteEntry::CalcLastTupletEntry(FCTuplet* tuplet) {
    if (!tuplet || !IsTupletStart()) return nullptr;
    // The tuplet belongs to the entry it is attached to, whatever its key names; one attached to
    // no entry ends nowhere.
    FCNoteEntry* owner = tuplet->GetNoteEntry();
    if (!owner) return nullptr;
    if (!_frame || !_frame->tuplets || !_frame->entries || _frame->entryCount <= 0) return nullptr;
    const fourbyte number = GetEntryNumber();
    if (owner->GetEntryNumber() != number) return nullptr;
    const int count = _frame->entryCount;
    for (int t = 0; t < _frame->tupletCount; ++t) {
        const EXTGFTUPLET& element = _frame->tuplets[t];
        if (element.startIndex < 0 || element.startIndex >= count) continue;
        if (_frame->entries[element.startIndex].entryNumber != number) continue;
        if (element.tupletInci != tuplet->GetItemInci()) continue;
        const int last = std::clamp<int>(element.endIndex, 0, count - 1);
        const fourbyte endNumber = _frame->entries[last].entryNumber;
        for (FCNoteEntry* walk = _next; walk; walk = walk->_next)
            if (walk->GetEntryNumber() == endNumber) return walk;
        return nullptr;
    }
    return nullptr;
}
