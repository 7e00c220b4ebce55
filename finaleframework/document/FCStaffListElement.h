// Staff lists: numbered lists of staves, of which an expression names one to be shown on further
// staves.
#pragma once

#include "finaleframework/records/FCCollectionData.h"
#include "finaleframework/records/FCOther.h"

/// One staff of a staff list: the records of a list share cmper (the list's number) and are
/// numbered by inci; each holds one 16-bit staff number. The host keeps four kinds of lists, told
/// apart by tag; the element reads the kind set with SetCustomTag (otDC when none is set).
class FCStaffListElement : public __FCInciOther {
public:
    static constexpr EXTAG DEFAULT_TAG = 0x6F744443; // otDC

    /// The kinds of staff list by the tag that holds them.
    enum STAFFLIST_MODES {
        STAFFLIST_NONE = 0,    // no staff list
        STAFFLIST_OTDC = 1,    // otDC
        STAFFLIST_OTDC_LC = 2, // otdc
        STAFFLIST_OTIO = 3,    // otIO
        STAFFLIST_OTIO_LC = 4, // otio
    };

    /// The tag of a staff list kind; 0 for STAFFLIST_NONE and values outside the enumeration.
    static EXTAG TagOfMode(int mode);

    const char* ClassName() override { return "FCStaffListElement"; }
    EXTAG Tag() override { return _customtag ? _customtag : DEFAULT_TAG; }
    fourbyte DataSizeLoad() override { return sizeof _staff; }
    void* Allocate() override { return &_staff; }
    __FCBaseData* CreateObject() override { return new FCStaffListElement; }
    /// Takes the staff number of another element that holds one.
    void CloneMemoryFrom(__FCBaseData* source) override;
    ~FCStaffListElement() override = default;

    twobyte GetStaff() const { return _staff; }
    /// Sets the staff number; the element then counts as holding a record (it can be saved).
    void SetStaff(twobyte staff);

private:
    twobyte _staff = 0;
};

/// All elements of one staff list (LoadAllForItem with the list's number), of the kind set with
/// SetCustomTag.
class FCStaffListElements : public __FCCollectionInciOther {
public:
    const char* ClassName() override { return "FCStaffListElements"; }
    __FCBaseData* CreateElement() override { return new FCStaffListElement; }
    ~FCStaffListElements() override = default;

    FCStaffListElement* GetItemAt(int index) const {
        return static_cast<FCStaffListElement*>(__FCCollection::GetItemAt(index));
    }
    /// True when an element names `staff`.
    bool ContainsStaff(twobyte staff) const;
};
