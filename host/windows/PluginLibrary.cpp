#include "host/windows/PluginLibrary.h"

#ifdef _WIN32

#include "host/windows/PeImage.h"

namespace host::windows {
namespace {

/// The library whose message boxes the recorder receives.
PluginLibrary* recording = nullptr;

template <typename Fn> bool Resolve(HMODULE module, const char* name, Fn& fn, std::string& error) {
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    if (!fn) error = std::string("the library does not export ") + name;
    return fn != nullptr;
}

} // namespace

bool RedirectImport(HMODULE module, const char* libraryName, const char* functionName,
                    void* replacement) {
    void** slot = FindImportSlot(module, libraryName, functionName);
    if (!slot) return false;
    DWORD oldProtection = 0;
    if (!VirtualProtect(slot, sizeof *slot, PAGE_READWRITE, &oldProtection)) return false;
    *slot = replacement;
    VirtualProtect(slot, sizeof *slot, oldProtection, &oldProtection);
    FlushInstructionCache(GetCurrentProcess(), slot, sizeof *slot);
    return true;
}

std::unique_ptr<PluginLibrary> PluginLibrary::Load(const std::string& path, std::string& error) {
    if (recording) {
        error = "a plug-in library is loaded already";
        return nullptr;
    }
    std::unique_ptr<PluginLibrary> library(new PluginLibrary);
    library->module_ = LoadLibraryA(path.c_str());
    if (!library->module_) {
        error =
            "LoadLibraryA(\"" + path + "\") failed with error " + std::to_string(GetLastError());
        return nullptr;
    }
    if (!Resolve(library->module_, "FinaleExtensionVersion", library->version_, error) ||
        !Resolve(library->module_, "FinaleExtensionInit", library->init_, error) ||
        !Resolve(library->module_, "FinaleExtensionEnumerate", library->enumerate_, error) ||
        !Resolve(library->module_, "FinaleExtensionGetMenuStatus", library->getMenuStatus_,
                 error) ||
        !Resolve(library->module_, "FinaleExtensionInvoke", library->invoke_, error) ||
        !Resolve(library->module_, "FinaleExtensionTerminate", library->terminate_, error))
        return nullptr;
    if (!RedirectImport(library->module_, "user32.dll", "MessageBoxA",
                        reinterpret_cast<void*>(&PluginLibrary::RecordMessageBox))) {
        error = "the library imports no MessageBoxA from user32.dll";
        return nullptr;
    }
    recording = library.get();
    return library;
}

PluginLibrary::~PluginLibrary() {
    if (recording == this) recording = nullptr;
    if (module_) FreeLibrary(module_);
}

int WINAPI PluginLibrary::RecordMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT style) {
    if (!recording) return 0;
    recording->alerts_.push_back(Alert{owner, text ? text : "", caption ? caption : "", style});
    return recording->alertAnswer_;
}

} // namespace host::windows

#endif
