// Record transport: the FX_LoadEData family (declared with every wrapper in FinaleBinding.h)
// corrects the version of a request whose size shows an older record layout, emulates the
// preference records (PreferenceMaps.h) and gives three tags a load of their own.
#pragma once

#include "finalepdk/PdkTypes.h"

/// Size of one preference chunk; chunks always travel with this size and FINALEPDK_VERSION.
constexpr fourbyte PREF_CHUNK_SIZE = 12;
/// The cmper of the preference chunks unless a table names another.
constexpr twobyte PREF_CHUNK_CMPER = -2;

/// Saves of preference structures and runs with a caller version at or below this go to the host
/// as they are.
constexpr EVERSION PREF_HOST_SAVE_VERSION_LIMIT = 0x07FFFFFF;

/// Corrects `version` in place when the record `tag` of `size` bytes belongs to an older layout
/// than the version claims (or a newer one). Three misuses are also reported to the plug-in
/// developer through FX_AlertMessage, on every such call; the request then goes on with the
/// corrected version. A size of 0 changes nothing.
void HandleEnigmaVersion(EXTAG tag, fourbyte size, EVERSION& version);
