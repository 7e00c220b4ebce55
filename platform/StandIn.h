// Control of the stand-in Windows calls (not built on Windows). A host registers itself here as a
// module with its export table; tests replace the alert sink, script answers and read what the
// system asked for.
#pragma once

#ifndef _WIN32

#include "platform/Windows.h"

#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace platform {

/// One exported name and the address it resolves to.
using ExportTable = std::vector<std::pair<std::string, void*>>;

/// Registers a module under `name` (looked up case-insensitively by GetModuleHandleA) and answers
/// its handle. A module registered as the main executable answers GetModuleHandleA(nullptr) and
/// serves string resources requested with a null instance.
HMODULE RegisterModule(const std::string& name, ExportTable exports, bool mainExecutable = false);

/// Removes a module; handles to it become invalid. Bindings already made stay as they are.
void UnregisterModule(HMODULE module);

/// Adds or replaces one exported function of a registered module.
void SetExport(HMODULE module, const std::string& name, void* address);

/// Number of GetProcAddress requests made for `name`, found or not, since process start.
int LookupCount(const std::string& name);

/// String resource `id` of a module (LoadStringA).
void SetModuleString(HMODULE module, UINT id, const std::string& text);

/// What one MessageBoxA call asked for.
struct Alert {
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    UINT style = 0;
};

/// Receives every MessageBoxA call and answers it. Answers the sink it replaced.
using AlertSink = std::function<int(const Alert&)>;
AlertSink SetAlertSink(AlertSink sink);

/// The default sink: prints the alert to standard error and answers IDOK.
int PrintAlert(const Alert& alert);

/// The window GetActiveWindow answers (null by default).
void SetActiveWindow(HWND window);

/// Scripts MessageBeep: it answers `answer(type)`; every request is kept in Beeps().
void SetBeepAnswer(std::function<BOOL(UINT)> answer);
const std::vector<UINT>& Beeps();

/// The value GetSystemMetrics answers for `index` (0 for indexes never set).
void SetSystemMetric(int index, int value);

/// Dialog controls: GetDlgItem(dialog, item) answers `control`; ShowWindow records the last
/// command given to each window.
void SetDialogItem(HWND dialog, int item, HWND control);
int LastShowCommand(HWND window);

/// Puts every setting above back to its initial state; registered modules stay.
void ResetStandIn();

} // namespace platform

#endif
