#include "finaleframework/document/FCStaffListElement.h"

EXTAG FCStaffListElement::TagOfMode(int mode) {
    switch (mode) {
    case STAFFLIST_OTDC:
        return 0x6F744443; // otDC
    case STAFFLIST_OTDC_LC:
        return 0x6F746463; // otdc
    case STAFFLIST_OTIO:
        return 0x6F74494F; // otIO
    case STAFFLIST_OTIO_LC:
        return 0x6F74696F; // otio
    default:
        return 0;
    }
}

void FCStaffListElement::CloneMemoryFrom(__FCBaseData* source) {
    auto* other = dynamic_cast<FCStaffListElement*>(source);
    if (!other || other == this || other->_datasize <= 0) return;
    _staff = other->_staff;
    _data = &_staff;
    _datasize = sizeof _staff;
}

void FCStaffListElement::SetStaff(twobyte staff) {
    _staff = staff;
    _data = &_staff;
    _datasize = sizeof _staff;
}

bool FCStaffListElements::ContainsStaff(twobyte staff) const {
    for (int i = 0; i < GetCount(); ++i) {
        const FCStaffListElement* element = GetItemAt(i);
        if (element && element->GetStaff() == staff) return true;
    }
    return false;
}
