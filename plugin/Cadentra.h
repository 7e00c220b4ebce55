// The plug-in's face to the host: the six entry points the host finds by name, and the state
// that lives between two invocations.
#pragma once

#include "finaleframework/music/FCMusicRegion.h"
#include "finalepdk/WireRecords.h"
#include "platform/Windows.h"

/// The framework version the plug-in declares at the version handshake.
constexpr ufourbyte CADENTRA_DECLARED_VERSION = 0x0F000000;

/// Menu item numbers.
constexpr twobyte CADENTRA_ITEM_SETSOURCE = 0;
constexpr twobyte CADENTRA_ITEM_COPY = 1;

/// Room for the longest message a command writes for the user.
constexpr size_t CADENTRA_MESSAGE_SIZE = 2048;

/// The selection recorded by the last SET SOURCE (empty until then).
extern FCMusicRegion sourceregion;
/// 1 while a recorded source has passed the source checks; enables COPY.
extern unsigned char source_is_set;

extern "C" {
ufourbyte WINAPI FinaleExtensionVersion(ufourbyte hostVersion);
ufourbyte WINAPI FinaleExtensionInit(ufourbyte unused, ufourbyte* flags);
ufourbyte WINAPI FinaleExtensionEnumerate(ufourbyte unused, ufourbyte itemNumber,
                                          FINEXTMENUITEM* item);
ufourbyte WINAPI FinaleExtensionGetMenuStatus(ufourbyte itemNumber);
ufourbyte WINAPI FinaleExtensionInvoke(ufourbyte hostContext, ufourbyte itemNumber,
                                       EREGION* selection, ufourbyte unused);
void WINAPI FinaleExtensionTerminate(ufourbyte unused);
}
