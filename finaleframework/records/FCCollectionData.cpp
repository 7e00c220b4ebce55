#include "finaleframework/records/FCCollectionData.h"

#include "finaleframework/music/FCCell.h"
#include "finaleframework/music/FCMusicRegion.h"
#include "finaleframework/records/FCCellDetail.h"
#include "finaleframework/records/FCOther.h"
#include "finalepdk/FinaleBinding.h"

#include <array>
#include <cstring>
#include <memory>

namespace {

/// The working element of a loading operation, destroyed when the operation ends.
template <typename Family> struct WorkingElement {
    std::unique_ptr<__FCBaseData> owner;
    Family* element = nullptr;

    explicit WorkingElement(__FCBaseData* made) : owner(made) {
        element = dynamic_cast<Family*>(made);
    }
};

} // namespace

void __FCCollectionData::_Reset() {
    _FreeElements();
    _count = 0;
}

__FCBaseData* __FCCollectionData::_CreateWorkingElement() {
    __FCBaseData* element = CreateElement();
    if (element) element->SetCustomTag(_customtag);
    return element;
}

void __FCCollectionData::_AddCloneOf(__FCBaseData* element) {
    if (__FCBaseData* clone = element->CreateClone()) Add(clone);
}

void __FCCollectionData::_AddThisAndFollowing(__FCBaseData* element) {
    _AddCloneOf(element);
    while (element->LoadNext())
        _AddCloneOf(element);
}

bool __FCCollectionData::LoadAll() {
    _Reset();
    WorkingElement<__FCBaseData> working(_CreateWorkingElement());
    if (!working.element) return false;
    if (working.element->LoadFirst()) _AddThisAndFollowing(working.element);
    return true;
}

// Items with incis -------------------------------------------------------------------------------

int __FCCollectionInciOther::LoadAllForItem(utwobyte cmper) {
    _Reset();
    WorkingElement<__FCInciOther> working(_CreateWorkingElement());
    if (!working.element) return 0;
    for (int inci = 0; inci <= 0x7FFF && working.element->Load(cmper, static_cast<twobyte>(inci));
         ++inci)
        _AddCloneOf(working.element);
    return GetCount();
}

bool __FCCollectionInciOther::DeleteDataForItem(utwobyte cmper) {
    WorkingElement<__FCInciOther> working(_CreateWorkingElement());
    if (!working.element) return false;
    __FCInciOther* element = working.element;
    int found = 0;
    while (found <= 0x7FFF && element->Load(cmper, static_cast<twobyte>(found)))
        ++found;
    for (int inci = found - 1; inci >= 0; --inci) {
        if (!element->Load(cmper, static_cast<twobyte>(inci))) return false;
        if (!element->DeleteData()) return false;
    }
    return true;
}

bool __FCCollectionInciOther::_KeepItemRecords(utwobyte cmper,
                                               std::vector<std::unique_ptr<__FCBaseData>>& kept) {
    WorkingElement<__FCInciOther> working(_CreateWorkingElement());
    if (!working.element) return false;
    for (int inci = 0; inci <= 0x7FFF && working.element->Load(cmper, static_cast<twobyte>(inci));
         ++inci) {
        kept.emplace_back(working.element->CreateClone());
        if (!kept.back()) return false;
    }
    return true;
}

void __FCCollectionInciOther::_PutBackItemRecords(
    utwobyte cmper, const std::vector<std::unique_ptr<__FCBaseData>>& kept, size_t remaining,
    const std::vector<__FCInciOther*>& elements, size_t created) {
    for (size_t i = created; i > 0; --i)
        elements[i - 1]->DeleteData();
    // The kept records still there are incis 0 to remaining - 1: the host numbers the others
    // on from there, in order.
    for (size_t i = remaining; i < kept.size(); ++i)
        if (auto* record = dynamic_cast<__FCInciOther*>(kept[i].get())) record->SaveNew(cmper);
}

bool __FCCollectionInciOther::SaveAllForItem(utwobyte cmper) {
    // Every element must be savable before the host is touched, and the item's records are
    // copied first: a refusal halfway is then undone rather than leaving the item half saved.
    std::vector<__FCInciOther*> elements;
    struct Naming {
        std::array<unsigned char, 8> key;
        EXTAG customtag;
    };
    std::vector<Naming> namings; // what each element named, to put back on failure
    for (int i = 0; i < GetCount(); ++i) {
        __FCBase* item = GetItemAt(i);
        if (!item) continue;
        auto* element = dynamic_cast<__FCInciOther*>(item);
        if (!element || element->_GetDataSize() <= 0) return false;
        elements.push_back(element);
        namings.push_back({{}, element->GetCustomTag()});
        std::memcpy(namings.back().key.data(), element->_GetKey(), namings.back().key.size());
    }
    std::vector<std::unique_ptr<__FCBaseData>> kept;
    if (!_KeepItemRecords(cmper, kept)) return false;

    // Highest inci first, so that the numbers of the records still to be deleted do not move.
    size_t remaining = kept.size();
    while (remaining > 0 && kept[remaining - 1]->DeleteData())
        --remaining;
    size_t created = 0;
    bool saved = remaining == 0;
    for (; saved && created < elements.size(); ++created) {
        __FCInciOther* element = elements[created];
        element->SetCustomTag(_customtag);
        if (!element->SaveNew(cmper)) {
            saved = false;
            break;
        }
        // The host numbers the new records 0, 1, ... unless the item holds records that were
        // not read (beyond a gap, or behind a load the host refused): the result would not be
        // the collection, so the save is undone.
        saved = element->GetItemInci() == static_cast<twobyte>(created);
    }
    if (saved) return true;
    _PutBackItemRecords(cmper, kept, remaining, elements, created);
    for (size_t i = 0; i < elements.size(); ++i) {
        elements[i]->_SetKey(namings[i].key.data());
        elements[i]->SetCustomTag(namings[i].customtag);
    }
    return false;
}

// Details ----------------------------------------------------------------------------------------

int __FCCollectionCellDetail::LoadAllForCell(FCCell* cell) {
    _Reset();
    WorkingElement<__FCCellDetail> working(_CreateWorkingElement());
    if (!working.element) return 0;
    working.element->SetCell(cell);
    if (working.element->LoadFirst()) _AddThisAndFollowing(working.element);
    return GetCount();
}

int __FCCollectionNoInciDetail::LoadAllForItem(utwobyte cmper, utwobyte firstCmper2) {
    _Reset();
    WorkingElement<__FCNoInciDetail> working(_CreateWorkingElement());
    if (!working.element) return 0;
    for (ufourbyte cmper2 = firstCmper2;
         cmper2 <= 0xFFFF && working.element->Load(cmper, static_cast<utwobyte>(cmper2)); ++cmper2)
        _AddCloneOf(working.element);
    return GetCount();
}

int __FCCollectionNoInciCellDetail::LoadAllInRegion(FCMusicRegion* region) {
    _Reset();
    if (!region) return 0;
    WorkingElement<__FCNoInciCellDetail> working(_CreateWorkingElement());
    if (!working.element) return 0;
    for (int slot = region->GetStartSlot(); slot <= region->GetEndSlot(); ++slot) {
        for (int measure = region->GetStartMeasure(); measure <= region->GetEndMeasure();
             ++measure) {
            const twobyte staff = FX_SlotToInst(
                static_cast<twobyte>(slot), region->GetStartInstrumentList(), FINALEPDK_VERSION);
            FCCell cell(static_cast<twobyte>(measure), staff);
            working.element->SetCell(&cell);
            if (working.element->LoadFirst()) _AddCloneOf(working.element);
            working.element->SetCell(nullptr);
        }
    }
    return GetCount();
}
