#include "platform/StandIn.h"

#ifndef _WIN32

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>

struct PlatformModule {
    std::string name;
    platform::ExportTable exports;
    bool mainExecutable = false;
    std::map<UINT, std::string> strings;
};

namespace platform {
namespace {

struct State {
    std::vector<std::unique_ptr<PlatformModule>> modules;
    std::map<std::string, int> lookups;
    AlertSink alertSink = PrintAlert;
    HWND activeWindow = nullptr;
    std::function<BOOL(UINT)> beepAnswer;
    std::vector<UINT> beeps;
    std::map<int, int> metrics;
    std::map<std::pair<HWND, int>, HWND> dialogItems;
    std::map<HWND, int> showCommands;
};

State& TheState() {
    static State state;
    return state;
}

bool SameNameIgnoringCase(const std::string& a, const char* b) {
    const size_t length = std::strlen(b);
    if (a.size() != length) return false;
    for (size_t i = 0; i < length; ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

PlatformModule* FindModule(HMODULE module) {
    for (auto& m : TheState().modules)
        if (m.get() == module) return m.get();
    return nullptr;
}

PlatformModule* MainModule() {
    for (auto& m : TheState().modules)
        if (m->mainExecutable) return m.get();
    return nullptr;
}

} // namespace

HMODULE RegisterModule(const std::string& name, ExportTable exports, bool mainExecutable) {
    auto module = std::make_unique<PlatformModule>();
    module->name = name;
    module->exports = std::move(exports);
    module->mainExecutable = mainExecutable;
    HMODULE handle = module.get();
    TheState().modules.push_back(std::move(module));
    return handle;
}

void UnregisterModule(HMODULE module) {
    auto& modules = TheState().modules;
    modules.erase(std::remove_if(modules.begin(), modules.end(),
                                 [module](const auto& m) { return m.get() == module; }),
                  modules.end());
}

void SetExport(HMODULE module, const std::string& name, void* address) {
    PlatformModule* m = FindModule(module);
    if (!m) return;
    for (auto& entry : m->exports) {
        if (entry.first == name) {
            entry.second = address;
            return;
        }
    }
    m->exports.emplace_back(name, address);
}

int LookupCount(const std::string& name) {
    auto it = TheState().lookups.find(name);
    return it == TheState().lookups.end() ? 0 : it->second;
}

void SetModuleString(HMODULE module, UINT id, const std::string& text) {
    if (PlatformModule* m = FindModule(module)) m->strings[id] = text;
}

AlertSink SetAlertSink(AlertSink sink) {
    AlertSink previous = std::move(TheState().alertSink);
    TheState().alertSink = sink ? std::move(sink) : AlertSink(PrintAlert);
    return previous;
}

int PrintAlert(const Alert& alert) {
    std::fprintf(stderr, "[%s] %s\n", alert.caption.c_str(), alert.text.c_str());
    return IDOK;
}

void SetActiveWindow(HWND window) { TheState().activeWindow = window; }

void SetBeepAnswer(std::function<BOOL(UINT)> answer) { TheState().beepAnswer = std::move(answer); }

const std::vector<UINT>& Beeps() { return TheState().beeps; }

void SetSystemMetric(int index, int value) { TheState().metrics[index] = value; }

void SetDialogItem(HWND dialog, int item, HWND control) {
    TheState().dialogItems[{dialog, item}] = control;
}

int LastShowCommand(HWND window) {
    auto it = TheState().showCommands.find(window);
    return it == TheState().showCommands.end() ? -1 : it->second;
}

void ResetStandIn() {
    State& s = TheState();
    s.alertSink = PrintAlert;
    s.activeWindow = nullptr;
    s.beepAnswer = nullptr;
    s.beeps.clear();
    s.metrics.clear();
    s.dialogItems.clear();
    s.showCommands.clear();
}

} // namespace platform

using platform::TheState;

HMODULE GetModuleHandleA(const char* moduleName) {
    if (!moduleName) return platform::MainModule();
    for (auto& m : TheState().modules)
        if (platform::SameNameIgnoringCase(m->name, moduleName)) return m.get();
    return nullptr;
}

FARPROC GetProcAddress(HMODULE module, const char* procName) {
    if (!procName) return nullptr;
    TheState().lookups[procName] += 1;
    PlatformModule* m = platform::FindModule(module);
    if (!m) return nullptr;
    for (const auto& entry : m->exports)
        if (entry.first == procName) return reinterpret_cast<FARPROC>(entry.second);
    return nullptr;
}

int LoadStringA(HINSTANCE instance, UINT id, char* buffer, int bufferMax) {
    if (!buffer || bufferMax <= 0) return 0;
    buffer[0] = 0;
    PlatformModule* m = instance ? platform::FindModule(instance) : platform::MainModule();
    if (!m) return 0;
    auto it = m->strings.find(id);
    if (it == m->strings.end()) return 0;
    const int length = std::min<int>(static_cast<int>(it->second.size()), bufferMax - 1);
    std::memcpy(buffer, it->second.data(), static_cast<size_t>(length));
    buffer[length] = 0;
    return length;
}

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
    platform::Alert alert;
    alert.owner = owner;
    alert.text = text ? text : "";
    // A null caption shows the system's own title, "Error".
    alert.caption = caption ? caption : "Error";
    alert.style = type;
    return TheState().alertSink(alert);
}

HWND GetActiveWindow() { return TheState().activeWindow; }

BOOL MessageBeep(UINT type) {
    TheState().beeps.push_back(type);
    return TheState().beepAnswer ? TheState().beepAnswer(type) : TRUE;
}

int GetSystemMetrics(int index) {
    auto it = TheState().metrics.find(index);
    return it == TheState().metrics.end() ? 0 : it->second;
}

HWND GetDlgItem(HWND dialog, int item) {
    auto it = TheState().dialogItems.find({dialog, item});
    return it == TheState().dialogItems.end() ? nullptr : it->second;
}

BOOL ShowWindow(HWND window, int command) {
    BOOL wasVisible = platform::LastShowCommand(window) > 0;
    TheState().showCommands[window] = command;
    return wasVisible;
}

#endif
