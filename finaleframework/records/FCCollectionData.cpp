#include "finaleframework/records/FCCollectionData.h"

#include "finaleframework/music/FCCell.h"
#include "finaleframework/music/FCMusicRegion.h"
#include "finaleframework/records/FCCellDetail.h"
#include "finaleframework/records/FCOther.h"
#include "finalepdk/FinaleBinding.h"

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

bool __FCCollectionInciOther::SaveAllForItem(utwobyte cmper) {
    if (!DeleteDataForItem(cmper)) return false;
    for (int i = 0; i < GetCount(); ++i) {
        __FCBase* item = GetItemAt(i);
        if (!item) continue;
        auto* element = dynamic_cast<__FCInciOther*>(item);
        if (!element) return false;
        element->SetCustomTag(_customtag);
        if (!element->SaveNew(cmper)) return false;
    }
    return true;
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
