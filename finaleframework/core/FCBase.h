// The root of every framework object.
#pragma once

#include "finalepdk/PdkTypes.h"

/// Root of the framework's class tree: a class name for diagnostics, an identity test, a user-data
/// word and the two flag setters with which every flag accessor writes its bits.
class __FCBase {
public:
    __FCBase() = default;
    __FCBase(const __FCBase&) = default;
    __FCBase& operator=(const __FCBase&) = default;
    virtual ~__FCBase() = default;

    /// The class's own name.
    virtual const char* ClassName() { return "__FCBase"; }
    /// The root answers true for any object.
    virtual bool IsIdentical(__FCBase* other) { return true; }

    /// Sets (state true) or clears the bits of `mask` in `*flags`; other bits stay.
    void Set16BitFlag(utwobyte* flags, utwobyte mask, bool state) {
        if (state)
            *flags = static_cast<utwobyte>(*flags | mask);
        else
            *flags = static_cast<utwobyte>(*flags & ~mask);
    }
    void Set32BitFlag(ufourbyte* flags, ufourbyte mask, bool state) {
        if (state)
            *flags |= mask;
        else
            *flags &= ~mask;
    }

    void SetUserData(void* data) { _userdata = data; }
    void* GetUserData() const { return _userdata; }

protected:
    void* _userdata = nullptr;
    ufourbyte _reserved = 0;
};
