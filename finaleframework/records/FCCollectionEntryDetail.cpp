#include "finaleframework/records/FCCollectionEntryDetail.h"

#include "finaleframework/records/FCEntryDetail.h"
#include "finaleframework/music/NoteEntryRecord.h"

#include <memory>

bool __FCCollectionEntryDetail::LoadAll() {
    if (!_noteentry) return false;
    const EXENTRY* record = _EntryRecordOf(_noteentry);
    if (!record || record->entryNumber == 0) return false;
    std::unique_ptr<__FCBaseData> owner(_CreateWorkingElement());
    __FCEntryDetail* element = owner ? owner->_AsEntryDetail() : nullptr;
    if (!element) return false;
    _Reset();
    element->SetNoteEntry(_noteentry);
    if (element->LoadFirst()) _AddThisAndFollowing(element);
    return true;
}

bool __FCCollectionEntryDetail::DestroyItemAt(int index) {
    auto* item = dynamic_cast<__FCEntryDetail*>(GetItemAt(index));
    if (!item) return false;
    // A record the host keeps keeps its number, and so do the others: renumbering them would
    // make a later save overwrite the wrong record.
    if (!item->DeleteData()) return false;
    const twobyte removed = item->GetItemInci();
    for (int i = 0; i < GetCount(); ++i) {
        auto* other = dynamic_cast<__FCEntryDetail*>(GetItemAt(i));
        if (other && other != item && other->GetItemInci() > removed)
            other->_SetItemInci(static_cast<twobyte>(other->GetItemInci() - 1));
    }
    DeleteItemAt(index);
    // Taken out of the collection, the element would belong to no one: destroy it.
    delete item;
    return GetCount() > 0;
}
