// The host functions as the stand-in host implements them: each has exactly the type the binding
// calls it with. Only the functions listed in host/HostExports.def are defined and exported.
#pragma once

#include "finalepdk/HostSignatures.h"

#include <type_traits>

namespace host::fx {

#define FX_FUNCTION(name, kind, result, missing, args) std::remove_pointer_t<::name##_HostFn> name;
#include "finalepdk/HostFunctions.def"

} // namespace host::fx
