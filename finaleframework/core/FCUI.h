// The framework's contact with the user: modal alerts, the system beep and the screen height.
#pragma once

#include "finaleframework/core/FCBase.h"
#include "platform/Windows.h"

class FCString;

/// Alerts are modal message boxes owned by the active window. Each takes the message and a title
/// (null for the default title); a null message shows an empty text. Message and title may be the
/// same string.
class FCUI : public __FCBase {
public:
    explicit FCUI(ufourbyte context = 0) : hostcontext(context) {}

    /// Error box (OK, error icon), default title "Error"; answers the box's result.
    int AlertError(const char* message, const char* title = nullptr);
    int AlertError(FCString* message, FCString* title = nullptr);
    /// Yes/No box, default title "Error"; answers 0 for Yes, 1 for No, 2 for anything else.
    int AlertYesNo(const char* message, const char* title = nullptr);
    int AlertYesNo(FCString* message, FCString* title = nullptr);
    /// Plain box (OK, no icon), empty default title; answers the box's result.
    int AlertNeutral(const char* message, const char* title = nullptr);
    int AlertNeutral(FCString* message, FCString* title = nullptr);
    /// Information box (OK, information icon), default title "Information".
    int AlertInfo(const char* message, const char* title = nullptr);
    int AlertInfo(FCString* message, FCString* title = nullptr);

    /// Plays the exclamation sound, or the simple beep when that fails; answers the last result.
    bool Beep();
    /// Height of a full-screen window's client area, in pixels.
    int GetScreenHeight();

    /// Host menu commands the framework can run.
    enum MENU_COMMANDS {
        MENUCOMMAND_12106 = 0, // host command 12106
        MENUCOMMAND_12112 = 1, // host command 12112
        MENUCOMMAND_0 = 2,     // host command 0
    };

    /// Runs one of the host's menu commands; false for a value outside MENU_COMMANDS (the host
    /// is not asked) or when the host refuses.
    bool MenuCommand(int command);
    /// Asks the host to redraw the whole document.
    void RedrawDocument();
    /// Window state of the current document window; the defaults (not page view, page 0, zoom
    /// 100, no window) when the host cannot describe it.
    bool IsPageView();
    int GetCurrentPage();
    int GetZoomLevel();
    HWND GetDocumentWindow();
    /// Scrolls the document window to `measure` on `staff`. Staff 0 stands for the lowest-numbered
    /// staff that has a staff record (numbers 1 to 101 are tried); nothing happens when none has.
    void MoveToMeasure(int measure, int staff);

    /// The context the host handed to the invocation; no operation reads it.
    ufourbyte hostcontext;
};
