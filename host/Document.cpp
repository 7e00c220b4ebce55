#include "host/Document.h"

#include "host/MeasureRecord.h"

namespace host {

namespace {

/// The position in `items` of the first one that `matches`, looking first at `hint` and the one
/// after it (callers mostly ask for the staff they asked for last, or for the next one); the
/// size of `items` when there is none. `hint` becomes the position found.
template <typename Items, typename Matches>
size_t FindFrom(const Items& items, size_t& hint, Matches matches) {
    for (size_t i = hint; i < items.size() && i <= hint + 1; ++i)
        if (matches(items[i])) return hint = i;
    for (size_t i = 0; i < items.size(); ++i)
        if (matches(items[i])) return hint = i;
    return items.size();
}

} // namespace

const Staff* Document::FindStaff(twobyte number) const {
    const size_t i =
        FindFrom(staves, staffHint_, [&](const Staff& staff) { return staff.number == number; });
    return i < staves.size() ? &staves[i] : nullptr;
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
    const size_t i = FindFrom(it->second, slotHint_, [&](twobyte number) { return number == staff; });
    return i < it->second.size() ? static_cast<twobyte>(i + 1) : 0;
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
