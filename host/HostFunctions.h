// The host functions as the stand-in host implements them: each has exactly the type the binding
// calls it with. Only the functions listed in host/HostExports.def are defined and exported.
#pragma once

#include "finalepdk/HostSignatures.h"

#include <type_traits>

// In the Windows build FINALE.EXE exports these functions under their plain names: each one gets
// the plain name as its symbol (no C++ name, no stdcall decoration), which the executable's export
// list, generated from host/HostExports.def, names.
#ifdef _WIN32
#define HOST_FX_STRINGIFY_(text) #text
#define HOST_FX_STRINGIFY(text) HOST_FX_STRINGIFY_(text)
#define HOST_FX_SYMBOL(name) __asm__(HOST_FX_STRINGIFY(__USER_LABEL_PREFIX__) #name)
#else
#define HOST_FX_SYMBOL(name)
#endif

namespace host::fx {

#define FX_FUNCTION(name, kind, result, missing, args)                                             \
    std::remove_pointer_t<::name##_HostFn> name HOST_FX_SYMBOL(name);
#include "finalepdk/HostFunctions.def"

} // namespace host::fx
