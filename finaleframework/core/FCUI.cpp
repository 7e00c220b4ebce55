#include "finaleframework/core/FCUI.h"

#include "finaleframework/core/FCString.h"
#include "platform/Windows.h"

namespace {

/// Shows one alert: `title` when given, otherwise the alert's own default title.
int ShowAlert(const char* message, const char* title, const char* defaultTitle, UINT style) {
    return MessageBoxA(GetActiveWindow(), message, title ? title : defaultTitle, style);
}

/// The FCString forms fetch the title's text first, then the message's, then the owner.
int ShowAlert(FCString* message, FCString* title, const char* defaultTitle, UINT style) {
    const char* titleText = title ? title->GetCString() : defaultTitle;
    const char* messageText = message->GetCString();
    return MessageBoxA(GetActiveWindow(), messageText, titleText, style);
}

int FoldYesNo(int result) {
    if (result == IDYES) return 0;
    if (result == IDNO) return 1;
    return 2;
}

constexpr UINT MB_SIMPLEBEEP = 0xFFFFFFFFu;

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

int FCUI::GetScreenHeight() { return GetSystemMetrics(SM_CYFULLSCREEN); }
