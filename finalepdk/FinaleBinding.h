// The host binding: the host module, the running host version, the nesting counters and one
// wrapper per host function, named and typed as the host function, which binds the host's entry
// point on its first call and passes the version last.
#pragma once

#include "finalepdk/HostSignatures.h"

#include <type_traits>

/// The host module, looked up once ("FINALE.EXE", then "FINDEMO.EXE"); null when neither is
/// loaded, and then for the life of the process.
HMODULE GetFinaleHandle();

/// Keeps the host's version from the version handshake; framework classes choose record layouts
/// by it.
void SetFinaleFrameworkVersion(EVERSION version);
EVERSION GetFinaleFrameworkVersion();

/// Accepted for compatibility and ignored.
void SetMinRequiredVersion(EVERSION version);

/// The host's version (0x0F000200 until the handshake).
extern EVERSION RunningFinaleVersion;

/// Frames loaded and not yet freed.
extern fourbyte LoadedTGFCounter;
/// Nesting depth of edits opened with FX_StartFinaleEdit.
extern fourbyte FinaleEditDepth;
/// Nesting depth of mass edits.
extern fourbyte MassEditDepth;

#define FX_FUNCTION(name, kind, result, missing, args)                                          \
    result name(FX_PARAMS(args) FX_SEP(args) EVERSION version);
#include "finalepdk/HostFunctions.def"

namespace finalepdk {

/// The entry point of one host function, bound on first use: the lookup is made once, found or
/// not, and never repeated.
struct HostBinding {
    const char* name;
    bool bound = false;
    void* proc = nullptr;
};

/// Binds `binding` if it is not bound yet and answers the host's entry point (null when the host
/// lacks the function).
void* BindHostFunction(HostBinding& binding);

template <typename Fn> Fn BoundHostFunction(HostBinding& binding) {
    // Bound once; every later call (a copy makes dozens per frame) reads the entry point.
    return reinterpret_cast<Fn>(binding.bound ? binding.proc : BindHostFunction(binding));
}

/// Calls the host function of `binding` with the arguments as given (the version last) and
/// answers its result converted to `R`; a host without the function answers R{} (nothing for
/// void). For the hand-written wrappers, which add work before or after the call.
template <typename R, typename Fn, typename... A> R CallHostFunction(HostBinding& binding, A... args) {
    Fn fn = BoundHostFunction<Fn>(binding);
    if constexpr (std::is_void_v<R>) {
        if (fn) fn(args...);
    } else {
        if (!fn) return R{};
        return static_cast<R>(fn(args...));
    }
}

} // namespace finalepdk
