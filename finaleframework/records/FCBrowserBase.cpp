#include "finaleframework/records/FCBrowserBase.h"

#include "finaleframework/core/FCIteratorHandler.h"
#include "finaleframework/music/FCCell.h"
#include "finaleframework/music/FCMusicRegion.h"
#include "finaleframework/records/FCOther.h"
#include "finalepdk/FinaleBinding.h"

#include <memory>

int __FCBrowserBaseData::_Browse(FCIteratorHandler* handler, __FCBaseData** match) {
    if (!handler) return 0;
    if (!handler->OnBrowseStart()) return 0;
    std::unique_ptr<__FCBaseData> record(CreateAnObject());
    int count = 0;
    if (record && record->LoadFirst() && handler->OnFirstLoaded()) {
        for (;;) {
            if (match) {
                if (handler->IsMatch(record.get())) {
                    *match = record.release();
                    break;
                }
            } else {
                if (!handler->Iterate(record.get())) break;
                ++count;
            }
            if (!record->LoadNext()) break;
        }
        handler->OnVisitsDone();
    }
    // A match too ends with OnBrowseEnd: a handler that prepared something in OnBrowseStart
    // relies on being told that the browse is over, whatever its outcome.
    handler->OnBrowseEnd();
    return count;
}

int __FCBrowserBaseData::ForEach(FCIteratorHandler* handler) {
    return _Browse(handler, nullptr);
}

__FCBase* __FCBrowserBaseData::FindFirst(FCIteratorHandler* handler) {
    __FCBaseData* match = nullptr;
    _Browse(handler, &match);
    return match;
}

__FCNoInciOther* __FCBrowserNoInciOther::LoadAnElement(utwobyte cmper) {
    std::unique_ptr<__FCBaseData> created(CreateAnObject());
    auto* record = dynamic_cast<__FCNoInciOther*>(created.get());
    if (!record || !record->Load(cmper)) return nullptr;
    created.release();
    return record;
}

int __FCBrowserNoInciOther::ToEndFrom(utwobyte cmper, FCIteratorHandler* handler) {
    if (!handler) return 0;
    std::unique_ptr<__FCNoInciOther> record(LoadAnElement(cmper));
    if (!record) return 0;
    int count = 0;
    for (;;) {
        if (!handler->Iterate(record.get())) break;
        ++count;
        if (!record->LoadNext()) break;
    }
    return count;
}

int __FCBrowserNoInciOther::GetCount() {
    std::unique_ptr<__FCBaseData> record(CreateAnObject());
    if (!record || !record->LoadFirst()) return 0;
    int count = 1;
    while (record->LoadNext())
        ++count;
    return count;
}

int __FCBrowserRegionBase::ForEach(FCIteratorHandler* handler) {
    FCMusicRegion region;
    region.SetFullDocument();
    return ForEachInRegion(handler, &region);
}

int __FCBrowserRegionBase::ForEachInRegion(FCIteratorHandler* handler, FCMusicRegion* region) {
    if (!handler || !region) return 0;
    int count = 0;
    for (int measure = region->GetStartMeasure(); measure <= region->GetEndMeasure(); ++measure) {
        for (int slot = region->GetStartSlot(); slot <= region->GetEndSlot(); ++slot) {
            const twobyte staff = FX_SlotToInst(
                static_cast<twobyte>(slot), region->GetStartInstrumentList(), FINALEPDK_VERSION);
            FCCell cell(static_cast<twobyte>(measure), staff);
            const bool goOn = RegionIterateCellHandler(&cell, handler, region);
            ++count;
            if (!goOn) return count - 1;
        }
    }
    return count;
}
