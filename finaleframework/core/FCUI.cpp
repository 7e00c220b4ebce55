#include "finaleframework/core/FCUI.h"

#include "finaleframework/core/FCString.h"
#include "finaleframework/document/FCStaff.h"
#include "finalepdk/FinaleBinding.h"

#include <cstring>
#include <iterator>
#include <string>
#include "platform/Windows.h"

namespace {

/// Shows one alert: `title` when given, otherwise the alert's own default title.
int ShowAlert(const char* message, const char* title, const char* defaultTitle, UINT style) {
    return MessageBoxA(GetActiveWindow(), message, title ? title : defaultTitle, style);
}

/// The FCString forms fetch the title's text first, then the message's, then the owner. The
/// title's text is copied before the message's is fetched: the two may be one string, whose
/// next GetCString releases the text it answered before. A null message shows as the character
/// form shows it.
int ShowAlert(FCString* message, FCString* title, const char* defaultTitle, UINT style) {
    const std::string titleText = title ? title->GetCString() : defaultTitle;
    const char* messageText = message ? message->GetCString() : nullptr;
    return MessageBoxA(GetActiveWindow(), messageText, titleText.c_str(), style);
}

int FoldYesNo(int result) {
    if (result == IDYES) return 0;
    if (result == IDNO) return 1;
    return 2;
}

constexpr UINT MB_SIMPLEBEEP = 0xFFFFFFFFu;

constexpr ufourbyte MENU_COMMAND_NUMBERS[] = {12106, 12112, 0};

/// The highest staff number MoveToMeasure tries when it looks for the first staff.
constexpr int LAST_STAFF_PROBED = 101;

/// Reads the current window's information; false when the host cannot describe the window.
bool ReadWindowInfo(EWINDOWINFO& info) {
    std::memset(info.reserved0, 0, sizeof info.reserved0);
    return FX_GetCurrentWindowInfo(&info, FINALEPDK_VERSION) != 0;
}

} // namespace

int FCUI::AlertError(const char* message, const char* title) {
    return ShowAlert(message, title, "Error", MB_ICONERROR);
}
int FCUI::AlertError(FCString* message, FCString* title) {
    return ShowAlert(message, title, "Error", MB_ICONERROR);
}

int FCUI::AlertYesNo(const char* message, const char* title) {
    return FoldYesNo(ShowAlert(message, title, "Error", MB_YESNO));
}
int FCUI::AlertYesNo(FCString* message, FCString* title) {
    return FoldYesNo(ShowAlert(message, title, "Error", MB_YESNO));
}

int FCUI::AlertNeutral(const char* message, const char* title) {
    return ShowAlert(message, title, "", MB_OK);
}
int FCUI::AlertNeutral(FCString* message, FCString* title) {
    return ShowAlert(message, title, "", MB_OK);
}

int FCUI::AlertInfo(const char* message, const char* title) {
    return ShowAlert(message, title, "Information", MB_ICONINFORMATION);
}
int FCUI::AlertInfo(FCString* message, FCString* title) {
    return ShowAlert(message, title, "Information", MB_ICONINFORMATION);
}

bool FCUI::Beep() {
    BOOL result = MessageBeep(MB_ICONEXCLAMATION);
    if (!result) result = MessageBeep(MB_SIMPLEBEEP);
    return result != 0;
}

int FCUI::GetScreenHeight() {
    return GetSystemMetrics(SM_CYFULLSCREEN);
}

bool FCUI::MenuCommand(int command) {
    if (command < 0 || command >= static_cast<int>(std::size(MENU_COMMAND_NUMBERS))) return false;
    return FX_ExecuteMenuItem(MENU_COMMAND_NUMBERS[command], FINALEPDK_VERSION) != 0;
}

void FCUI::RedrawDocument() {
    unsigned char first[4] = {};
    EREGION selection{};
    EREGION whole{};
    FX_GetCurERegions(first, &selection, &whole, FINALEPDK_VERSION);
    FX_RedrawMusic(&whole, FINALEPDK_VERSION);
}

bool FCUI::IsPageView() {
    EWINDOWINFO info{};
    return ReadWindowInfo(info) && info.pageview != 0;
}

int FCUI::GetCurrentPage() {
    EWINDOWINFO info{};
    if (!ReadWindowInfo(info) || info.pageview == 0) return 0;
    return info.currentpage;
}

int FCUI::GetZoomLevel() {
    EWINDOWINFO info{};
    return ReadWindowInfo(info) ? info.zoomlevel : 100;
}

HWND FCUI::GetDocumentWindow() {
    EWINDOWINFO info{};
    if (!ReadWindowInfo(info)) return nullptr;
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(info.documentwindow));
}

void FCUI::MoveToMeasure(int measure, int staff) {
    if (staff == 0) {
        FCStaff probe;
        for (int number = 1; number <= LAST_STAFF_PROBED && staff == 0; ++number)
            if (probe.Load(static_cast<utwobyte>(number))) staff = number;
        if (staff == 0) return;
    }
    FX_ScrollTo(static_cast<twobyte>(measure), static_cast<twobyte>(staff), FINALEPDK_VERSION);
}
