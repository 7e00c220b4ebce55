#include "finalepdk/FinaleBinding.h"

// Frame transport: every frame fetched is counted until it is released.

EXTGF2005a* FX_LoadTGF(utwobyte instrumentList, twobyte slot, twobyte measure, twobyte layerIndex,
                       twobyte loadFlag, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_LoadTGF"};
    LoadedTGFCounter += 1;
    return finalepdk::CallHostFunction<EXTGF2005a*, FX_LoadTGF_HostFn>(
        binding, instrumentList, slot, measure, layerIndex, loadFlag, version);
}

void FX_FreeTGF(EXTGF2005a* frame, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_FreeTGF"};
    LoadedTGFCounter -= 1;
    finalepdk::CallHostFunction<void, FX_FreeTGF_HostFn>(binding, frame, version);
}

twobyte FX_SaveTGF(EXTGF2005a* frame, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_SaveTGF"};
    return finalepdk::CallHostFunction<twobyte, FX_SaveTGF_HostFn>(binding, frame, version);
}

twobyte FX_InsertEXENTRY(EXTGF2005a* frame, twobyte index, twobyte count, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_InsertEXENTRY"};
    return finalepdk::CallHostFunction<twobyte, FX_InsertEXENTRY_HostFn>(binding, frame, index,
                                                                         count, version);
}

twobyte FX_DeleteEXENTRY(EXTGF2005a* frame, twobyte index, twobyte count, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_DeleteEXENTRY"};
    return finalepdk::CallHostFunction<twobyte, FX_DeleteEXENTRY_HostFn>(binding, frame, index,
                                                                         count, version);
}

fourbyte FX_ReduceEntries(EXTGF2005a* frame, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_ReduceEntries"};
    return finalepdk::CallHostFunction<fourbyte, FX_ReduceEntries_HostFn>(binding, frame, version);
}
