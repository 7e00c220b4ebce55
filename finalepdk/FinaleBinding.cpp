#include "finalepdk/FinaleBinding.h"

EVERSION RunningFinaleVersion = FINALEPDK_VERSION;
fourbyte LoadedTGFCounter = 0;
fourbyte FinaleEditDepth = 0;
fourbyte MassEditDepth = 0;

HMODULE GetFinaleHandle() {
    static bool looked = false;
    static HMODULE hFinale = nullptr;
    if (!looked) {
        hFinale = GetModuleHandleA("FINALE.EXE");
        if (!hFinale) hFinale = GetModuleHandleA("FINDEMO.EXE");
        looked = true;
    }
    return hFinale;
}

void SetFinaleFrameworkVersion(EVERSION version) { RunningFinaleVersion = version; }

EVERSION GetFinaleFrameworkVersion() { return RunningFinaleVersion; }

void SetMinRequiredVersion(EVERSION) {}

namespace finalepdk {

void* BindHostFunction(HostBinding& binding) {
    if (!binding.bound) {
        binding.proc = reinterpret_cast<void*>(GetProcAddress(GetFinaleHandle(), binding.name));
        binding.bound = true;
    }
    return binding.proc;
}

namespace {

// What an unguarded call answers when the host does not export the function: the host contract
// requires these functions, but a host without one gets a failure answer rather than a jump
// through a null pointer.
template <typename R> R NoHostResult() {
    if constexpr (!std::is_void_v<R>) return R{};
}

} // namespace
} // namespace finalepdk

#define FX_DEFINE_UNGUARDED(name, result, missing, args)                                        \
    result name(FX_PARAMS(args) FX_SEP(args) EVERSION version) {                                \
        static finalepdk::HostBinding binding{#name};                                           \
        auto fn = finalepdk::BoundHostFunction<name##_HostFn>(binding);                         \
        if (!fn) return finalepdk::NoHostResult<result>();                                      \
        return static_cast<result>(fn(FX_NAMES(args) FX_SEP(args) version));                    \
    }
#define FX_DEFINE_GUARDED(name, result, missing, args)                                          \
    result name(FX_PARAMS(args) FX_SEP(args) EVERSION version) {                                \
        static finalepdk::HostBinding binding{#name};                                           \
        auto fn = finalepdk::BoundHostFunction<name##_HostFn>(binding);                         \
        if (!fn) return static_cast<result>(missing);                                           \
        return static_cast<result>(fn(FX_NAMES(args) FX_SEP(args) version));                    \
    }
#define FX_DEFINE_CUSTOM(name, result, missing, args)
#define FX_FUNCTION(name, kind, result, missing, args)                                          \
    FX_DEFINE_##kind(name, result, missing, args)
#include "finalepdk/HostFunctions.def"

// ---------------------------------------------------------------------------------------------
// Edit nesting. The depth is counted on our side so that an end or cancel without a matching
// start never reaches the host.

twobyte FX_StartFinaleEdit(const char* name, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_StartFinaleEdit"};
    FinaleEditDepth += 1;
    const auto opened = finalepdk::CallHostFunction<twobyte, FX_StartFinaleEdit_HostFn>(
        binding, name, version);
    // An edit the host did not open is not open: a later end or cancel must not reach the host.
    if (opened == 0) FinaleEditDepth -= 1;
    return opened;
}

twobyte FX_EndFinaleEdit(EVERSION version) {
    static finalepdk::HostBinding binding{"FX_EndFinaleEdit"};
    if (FinaleEditDepth <= 0) return 1;
    FinaleEditDepth -= 1;
    return finalepdk::CallHostFunction<twobyte, FX_EndFinaleEdit_HostFn>(binding, version);
}

void FX_CancelFinaleEdit(EVERSION version) {
    static finalepdk::HostBinding binding{"FX_CancelFinaleEdit"};
    if (FinaleEditDepth <= 0) return;
    FinaleEditDepth -= 1;
    finalepdk::CallHostFunction<void, FX_CancelFinaleEdit_HostFn>(binding, version);
}

fourbyte FX_StartMassEdit(void* a1, void* a2, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_StartMassEdit"};
    MassEditDepth += 1;
    return finalepdk::CallHostFunction<fourbyte, FX_StartMassEdit_HostFn>(binding, a1, a2, version);
}

fourbyte FX_EndMassEdit(void* a1, twobyte a2, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_EndMassEdit"};
    MassEditDepth -= 1;
    return finalepdk::CallHostFunction<fourbyte, FX_EndMassEdit_HostFn>(binding, a1, a2, version);
}

// ---------------------------------------------------------------------------------------------
// Dialog controls: hosts before 0x0B020000 lack these, and plain Win32 does the same job.

constexpr EVERSION DIALOG_CONTROL_VERSION_THRESHOLD = 0x0B01FFFF;

HWND FX_GetDlgCntl(HWND dialog, fourbyte item, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_GetDlgCntl"};
    if (version > DIALOG_CONTROL_VERSION_THRESHOLD) {
        if (auto fn = finalepdk::BoundHostFunction<FX_GetDlgCntl_HostFn>(binding))
            return fn(dialog, item, version);
    }
    return GetDlgItem(dialog, item);
}

fourbyte FX_ShowHideDlgItem(HWND dialog, fourbyte item, twobyte show, EVERSION version) {
    static finalepdk::HostBinding binding{"FX_ShowHideDlgItem"};
    if (version > DIALOG_CONTROL_VERSION_THRESHOLD) {
        if (auto fn = finalepdk::BoundHostFunction<FX_ShowHideDlgItem_HostFn>(binding))
            return fn(dialog, item, show, version);
    }
    HWND control = GetDlgItem(dialog, item);
    return ShowWindow(control, show != 0 ? 1 : 0);
}
