// The plug-in library as the host program loads and drives it: LoadLibraryA, the six entry
// points looked up by their plain names, nothing else. The library's message boxes are diverted
// to a recorder (its MessageBoxA import is redirected), so that what it shows the user can be read
// back and answered.
#pragma once

#ifdef _WIN32

#include "finalepdk/WireRecords.h"
#include "platform/Windows.h"

#include <memory>
#include <string>
#include <vector>

namespace host::windows {

/// What one message box of the plug-in asked for.
struct Alert {
    HWND owner = nullptr;
    std::string text;
    std::string caption;
    UINT style = 0;
};

class PluginLibrary {
public:
    using VersionFn = ufourbyte(WINAPI*)(ufourbyte);
    using InitFn = ufourbyte(WINAPI*)(ufourbyte, ufourbyte*);
    using EnumerateFn = ufourbyte(WINAPI*)(ufourbyte, ufourbyte, FINEXTMENUITEM*);
    using GetMenuStatusFn = ufourbyte(WINAPI*)(ufourbyte);
    using InvokeFn = ufourbyte(WINAPI*)(ufourbyte, ufourbyte, EREGION*, ufourbyte);
    using TerminateFn = void(WINAPI*)(ufourbyte);

    /// Loads the library at `path`. Null, with the reason in `error`, when it cannot be loaded,
    /// lacks one of the entry points, imports no MessageBoxA, or when another plug-in library is
    /// loaded through this class already (the recorder serves one at a time).
    static std::unique_ptr<PluginLibrary> Load(const std::string& path, std::string& error);

    /// Unloads the library: its globals are destroyed and the next Load starts it afresh.
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    HMODULE Module() const { return module_; }

    // The entry points, called exactly as the host calls them.
    ufourbyte Version(ufourbyte hostVersion) const { return version_(hostVersion); }
    ufourbyte Init(ufourbyte* flags) const { return init_(0, flags); }
    ufourbyte Enumerate(ufourbyte item, FINEXTMENUITEM* record) const {
        return enumerate_(0, item, record);
    }
    ufourbyte GetMenuStatus(ufourbyte item) const { return getMenuStatus_(item); }
    ufourbyte Invoke(ufourbyte hostContext, ufourbyte item, EREGION* selection) const {
        return invoke_(hostContext, item, selection, 0);
    }
    void Terminate() const { terminate_(0); }

    /// The message boxes shown since the library was loaded or since ClearAlerts, oldest first.
    const std::vector<Alert>& Alerts() const { return alerts_; }
    void ClearAlerts() { alerts_.clear(); }
    /// What each message box answers (IDOK unless set).
    void SetAlertAnswer(int answer) { alertAnswer_ = answer; }

private:
    PluginLibrary() = default;
    static int WINAPI RecordMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style);

    HMODULE module_ = nullptr;
    VersionFn version_ = nullptr;
    InitFn init_ = nullptr;
    EnumerateFn enumerate_ = nullptr;
    GetMenuStatusFn getMenuStatus_ = nullptr;
    InvokeFn invoke_ = nullptr;
    TerminateFn terminate_ = nullptr;

    std::vector<Alert> alerts_;
    int alertAnswer_ = IDOK;
};

/// Points the import address table slot of `functionName` (imported from `libraryName`) of
/// `module` at `replacement`. False when the module imports no such function.
bool RedirectImport(HMODULE module, const char* libraryName, const char* functionName,
                    void* replacement);

} // namespace host::windows

#endif
