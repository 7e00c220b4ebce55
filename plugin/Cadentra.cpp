#include "plugin/Cadentra.h"

#include "finaleframework/core/FCUI.h"
#include "finalepdk/FinaleBinding.h"
#include "plugin/RhythmTransfer.h"
#include "plugin/SourceChecks.h"

#include <algorithm>
#include <cstring>
#include <iterator>

FCMusicRegion sourceregion(nullptr);
unsigned char source_is_set = 0;

namespace {

struct MenuItemText {
    const char* menutext;
    const char* description;
    const char* itempath;
    utwobyte option1;
    utwobyte option2;
};

constexpr MenuItemText MENU_ITEMS[] = {
    {"ZQ Cadentra - SET SOURCE", "Sets the rhythm source prior to a cadentra.", "Cadentra/SET", 1,
     0},
    {"ZQ Cadentra - COPY", "Copies the rhythm to the selected region.", "Cadentra/COPY", 1, 1},
};

constexpr const char* SOURCE_ERROR_TITLE = "Source Selection Error";
constexpr const char* COPY_ERROR_TITLE = "ZQ Cadentra Error";

twobyte ItemNumber(ufourbyte argument) {
    return static_cast<twobyte>(argument & 0xFFFF);
}

/// Copies at most the whole field and pads the rest of it with zero bytes.
template <size_t N> void CopyIntoField(char (&field)[N], const char* text) {
    const size_t length = std::min(std::strlen(text), N);
    std::memcpy(field, text, length);
    std::memset(field + length, 0, N - length);
}

} // namespace

extern "C" {

ufourbyte WINAPI FinaleExtensionVersion(ufourbyte hostVersion) {
    SetFinaleFrameworkVersion(hostVersion);
    return CADENTRA_DECLARED_VERSION;
}

ufourbyte WINAPI FinaleExtensionInit(ufourbyte, ufourbyte* flags) {
    if (flags) *flags |= 1;
    return 1;
}

ufourbyte WINAPI FinaleExtensionEnumerate(ufourbyte, ufourbyte itemNumber, FINEXTMENUITEM* item) {
    const twobyte number = ItemNumber(itemNumber);
    if (number < 0 || number >= static_cast<twobyte>(std::size(MENU_ITEMS)) || !item) return 0;
    const MenuItemText& text = MENU_ITEMS[number];
    CopyIntoField(item->menutext, text.menutext);
    CopyIntoField(item->description, text.description);
    CopyIntoField(item->itempath, text.itempath);
    item->option1 = text.option1;
    item->option2 = text.option2;
    return 1;
}

ufourbyte WINAPI FinaleExtensionGetMenuStatus(ufourbyte itemNumber) {
    if (ItemNumber(itemNumber) == CADENTRA_ITEM_COPY) return source_is_set;
    return 1;
}

ufourbyte WINAPI FinaleExtensionInvoke(ufourbyte hostContext, ufourbyte itemNumber,
                                       EREGION* selection, ufourbyte) {
    FCUI ui(hostContext);
    char message[CADENTRA_MESSAGE_SIZE] = {};
    // A host that passes no selection record is treated as having selected nothing.
    const EREGION noSelection{};
    if (!selection) selection = const_cast<EREGION*>(&noSelection);

    if (ItemNumber(itemNumber) == CADENTRA_ITEM_SETSOURCE) {
        sourceregion.SetEnigmaRegion(selection);
        const bool accepted = SetRhythmSource(&sourceregion, message);
        source_is_set = accepted ? 1 : 0;
        if (!accepted) ui.AlertError(message, SOURCE_ERROR_TITLE);
        return 0;
    }

    if (source_is_set == 0) return 0;
    FCMusicRegion destination(selection);
    if (CopyRhythm(&sourceregion, &destination, message)) return 1;
    ui.AlertError(message, COPY_ERROR_TITLE);
    return 0;
}

void WINAPI FinaleExtensionTerminate(ufourbyte) {}

} // extern "C"
