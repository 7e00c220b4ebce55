#include "finalepdk/FinaleBinding.h"

// Record transport. Every request goes to the host as it stands.

twobyte FX_LoadEData(EXTAG tag, void* key, void* buffer, fourbyte* size, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_LoadEData"};
    return finalepdk::CallHostFunction<twobyte, FX_LoadEData_HostFn>(binding, tag, key, buffer,
                                                                     size, version);
}

twobyte FX_SaveEData(EXTAG tag, void* key, void* buffer, fourbyte size, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_SaveEData"};
    return finalepdk::CallHostFunction<twobyte, FX_SaveEData_HostFn>(binding, tag, key, buffer,
                                                                     size, version);
}

twobyte FX_CreateEData(EXTAG tag, void* key, void* buffer, fourbyte size, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_CreateEData"};
    return finalepdk::CallHostFunction<twobyte, FX_CreateEData_HostFn>(binding, tag, key, buffer,
                                                                       size, version);
}

twobyte FX_DeleteEData(EXTAG tag, void* key, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_DeleteEData"};
    return finalepdk::CallHostFunction<twobyte, FX_DeleteEData_HostFn>(binding, tag, key, version);
}

twobyte FX_NextEData(EXTAG tag, void* key, void* buffer, fourbyte size, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_NextEData"};
    return finalepdk::CallHostFunction<twobyte, FX_NextEData_HostFn>(binding, tag, key, buffer,
                                                                     size, version);
}

twobyte FX_PreviousEData(EXTAG tag, void* key, void* buffer, fourbyte size, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_PreviousEData"};
    return finalepdk::CallHostFunction<twobyte, FX_PreviousEData_HostFn>(binding, tag, key, buffer,
                                                                         size, version);
}
