#include "host/Document.h"

#include "host/MeasureRecord.h"

namespace host {

const Staff* Document::FindStaff(twobyte number) const {
    for (const Staff& staff : staves)
        if (staff.number == number) return &staff;
    return nullptr;
}

twobyte Document::SlotToStaff(twobyte slot, utwobyte list) const {
    auto it = instrumentLists.find(list);
    if (it == instrumentLists.end() || slot < 1) return 0;
    if (static_cast<size_t>(slot) > it->second.size()) return 0;
    return it->second[static_cast<size_t>(slot) - 1];
}

twobyte Document::StaffToSlot(twobyte staff, utwobyte list) const {
    auto it = instrumentLists.find(list);
    if (it == instrumentLists.end()) return 0;
    for (size_t i = 0; i < it->second.size(); ++i)
        if (it->second[i] == staff) return static_cast<twobyte>(i + 1);
    return 0;
}

EREGION Document::WholeDocumentRegion() const {
    EREGION region{};
    auto it = instrumentLists.find(0);
    const size_t staffCount = it == instrumentLists.end() ? 0 : it->second.size();
    region.startSlot = staffCount > 0 ? 1 : 0;
    region.endSlot = static_cast<twobyte>(staffCount);
    region.startMeasure = measures.empty() ? 0 : 1;
    region.endMeasure = static_cast<twobyte>(measures.size());
    region.startPos = 0;
    region.endPos = EREGION_END_OF_MEASURE;
    return region;
}

fourbyte Document::MeasureDuration(twobyte measure) const {
    if (measure < 1 || static_cast<size_t>(measure) > measures.size()) return 0;
    if (auto stored = ReadMeasureTimeSignature(*this, measure)) {
        if (stored->beats <= 0 || stored->beatDuration <= 0) return 0;
        return static_cast<fourbyte>(stored->beats) * stored->beatDuration;
    }
    return measures[static_cast<size_t>(measure) - 1].Duration();
}

} // namespace host
