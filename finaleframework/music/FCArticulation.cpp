#include "finaleframework/music/FCArticulation.h"

#include "finaleframework/document/FCArticulationDef.h"

#include <cstring>
#include <memory>

void FCArticulation::CloneMemoryFrom(__FCBaseData* source) {
    auto* other = dynamic_cast<FCArticulation*>(source);
    if (!other || other == this) {
        __FCBaseData::CloneMemoryFrom(source);
        return;
    }
    std::memcpy(_record, other->_record, sizeof _record);
    _data = _record;
    _datasize = other->_datasize;
}

void FCArticulation::_SetEntryFlag(FCNoteEntry* entry, bool on) {
    _SetEntryFlagBits(entry, ENTRY_ARTICULATION, on);
}

twobyte FCArticulation::GetID() const {
    twobyte id;
    std::memcpy(&id, _record, sizeof id);
    return id;
}

void FCArticulation::SetID(twobyte articulationDefID) {
    std::memcpy(_record, &articulationDefID, sizeof articulationDefID);
    // A record written field by field is whole from now on and can be saved.
    _data = _record;
    _datasize = RECORD_SIZE;
}

FCArticulationDef* FCArticulation::CreateArticulationDef() {
    auto definition = std::make_unique<FCArticulationDef>();
    if (!definition->Load(static_cast<utwobyte>(GetID()))) return nullptr;
    return definition.release();
}

bool FCArticulations::ContainsID(twobyte articulationDefID) const {
    for (int i = 0; i < GetCount(); ++i)
        if (FCArticulation* element = GetItemAt(i);
            element && element->GetID() == articulationDefID)
            return true;
    return false;
}
