// Articulations of an entry.
#pragma once

#include "finaleframework/records/FCCollectionEntryDetail.h"
#include "finaleframework/records/FCEntryDetail.h"
#include "finalepdk/WireRecords.h"

class FCArticulationDef;

/// One articulation of an entry (10-byte record): the articulation definition it shows, in the
/// first word; the other bytes are carried unchanged.
class FCArticulation : public __FCEntryDetail {
public:
    const char* ClassName() override { return "FCArticulation"; }
    EXTAG Tag() override { return 0x6564494D; }
    fourbyte DataSizeLoad() override { return RECORD_SIZE; }
    fourbyte DataSizeSave() override { return RECORD_SIZE; }
    void* Allocate() override { return _record; }
    __FCBaseData* CreateObject() override { return new FCArticulation; }
    /// Copies the 10 bytes of another articulation into this object's own record.
    void CloneMemoryFrom(__FCBaseData* source) override;
    ~FCArticulation() override = default;
    /// Sets or clears the entry's articulation bit.
    void _SetEntryFlag(FCNoteEntry* entry, bool on) override;

    /// The articulation definition shown. Setting it makes the record whole (savable) even when
    /// nothing was loaded.
    twobyte GetID() const;
    void SetID(twobyte articulationDefID);
    /// A new definition (the caller's) loaded as number GetID(); null when no such definition
    /// loads.
    FCArticulationDef* CreateArticulationDef();

    static constexpr fourbyte RECORD_SIZE = 10;

private:
    unsigned char _record[RECORD_SIZE] = {};
};

/// The articulations of one entry, loaded by LoadAll after SetNoteEntry.
class FCArticulations : public __FCCollectionEntryDetail {
public:
    const char* ClassName() override { return "FCArticulations"; }
    __FCBaseData* CreateElement() override { return new FCArticulation; }
    ~FCArticulations() override = default;

    FCArticulation* GetItemAt(int index) const {
        return static_cast<FCArticulation*>(__FCCollection::GetItemAt(index));
    }
    /// True when an element shows definition `articulationDefID`.
    bool ContainsID(twobyte articulationDefID) const;
};
