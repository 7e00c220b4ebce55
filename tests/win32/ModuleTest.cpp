// The two Windows modules as the loader sees them: the plug-in's export table and version
// resource, what each module needs at run time, and FINALE.EXE's exports of the host functions.
#include "win32/PluginFixture.h"

#include "host/HostFunctions.h"
#include "host/windows/PeImage.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

namespace win32_testing {
namespace {

const std::vector<std::string> ENTRY_POINTS = {
    "FinaleExtensionEnumerate", "FinaleExtensionGetMenuStatus", "FinaleExtensionInit",
    "FinaleExtensionInvoke",    "FinaleExtensionTerminate",     "FinaleExtensionVersion",
};

std::vector<std::string> Names(const host::windows::PeImage& image) {
    std::vector<std::string> names;
    for (const auto& entry : image.exports)
        names.push_back(entry.name);
    std::sort(names.begin(), names.end());
    return names;
}

std::string ModulePath(HMODULE module) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module, path, MAX_PATH);
    return path;
}

/// The string `name` of the version resource of the file at `path` in its first translation;
/// empty when there is none.
std::string VersionString(const std::string& path, const std::string& name) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
    if (size == 0) return "";
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(path.c_str(), 0, size, data.data())) return "";
    struct Translation {
        WORD language;
        WORD codePage;
    };
    Translation* translations = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation",
                        reinterpret_cast<void**>(&translations), &length) ||
        length < sizeof(Translation))
        return "";
    char query[128];
    std::snprintf(query, sizeof query, "\\StringFileInfo\\%04x%04x\\%s", translations->language,
                  translations->codePage, name.c_str());
    char* value = nullptr;
    if (!VerQueryValueA(data.data(), query, reinterpret_cast<void**>(&value), &length) || !value)
        return "";
    return value;
}

/// Whether every library `module` imports is one of the system's own (found in the system
/// folder) rather than a compiler runtime shipped beside the program.
void ExpectOnlySystemLibraries(HMODULE module, const char* what) {
    const host::windows::PeImage image = host::windows::ReadPeImage(module);
    ASSERT_TRUE(image.valid) << image.problem;
    ASSERT_FALSE(image.importedLibraries.empty()) << what;
    char systemFolder[MAX_PATH] = {};
    ASSERT_GT(GetSystemDirectoryA(systemFolder, MAX_PATH), 0u);
    for (const std::string& library : image.importedLibraries) {
        std::string lower = library;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        EXPECT_EQ(lower.rfind("lib", 0), std::string::npos) << what << " imports " << library;
        const std::string systemPath = std::string(systemFolder) + "\\" + library;
        EXPECT_NE(GetFileAttributesA(systemPath.c_str()), INVALID_FILE_ATTRIBUTES)
            << what << " imports " << library << ", which is not a system library";
    }
}

using PluginModule = PluginTest;

TEST_F(PluginModule, ExportsExactlyTheSixEntryPointsByTheirPlainNames) {
    const host::windows::PeImage image = host::windows::ReadPeImage(Plugin().Module());
    ASSERT_TRUE(image.valid) << image.problem;
    EXPECT_EQ(image.machine, IMAGE_FILE_MACHINE_I386);
    EXPECT_NE(image.characteristics & IMAGE_FILE_DLL, 0);

    EXPECT_EQ(Names(image), ENTRY_POINTS);
    EXPECT_EQ(image.exportedFunctionCount, ENTRY_POINTS.size()) << "exports without a name";
    for (const auto& entry : image.exports) {
        EXPECT_EQ(entry.name.find_first_of("@_?"), std::string::npos) << entry.name;
        EXPECT_EQ(entry.address,
                  reinterpret_cast<void*>(GetProcAddress(Plugin().Module(), entry.name.c_str())))
            << entry.name;
    }
    // The decorated forms a stdcall function would carry are not there.
    EXPECT_EQ(GetProcAddress(Plugin().Module(), "_FinaleExtensionVersion@4"), nullptr);
    EXPECT_EQ(GetProcAddress(Plugin().Module(), "FinaleExtensionVersion@4"), nullptr);
    EXPECT_EQ(GetProcAddress(Plugin().Module(), "FinaleExtensionInvoke@16"), nullptr);
}

TEST_F(PluginModule, CarriesItsVersionResource) {
    const std::string path = ModulePath(Plugin().Module());
    EXPECT_EQ(VersionString(path, "FileVersion"), "1,0,4,0");
    EXPECT_EQ(VersionString(path, "ProductVersion"), "1,0,4,0");
    EXPECT_EQ(VersionString(path, "ProductName"), "ZQ Cadentra");
    EXPECT_EQ(VersionString(path, "FileDescription"), "ZQ Cadentra plug-in for Finale(R)");

    DWORD ignored = 0;
    std::vector<char> data(GetFileVersionInfoSizeA(path.c_str(), &ignored));
    ASSERT_FALSE(data.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, static_cast<DWORD>(data.size()), data.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwFileVersionLS, 0x00040000u);
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00010000u);
    EXPECT_EQ(fixed->dwProductVersionLS, 0x00040000u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_DLL));
}

TEST_F(PluginModule, NeedsOnlySystemLibraries) {
    ExpectOnlySystemLibraries(Plugin().Module(), "ZQCadentra.dll");
    ExpectOnlySystemLibraries(GetModuleHandleA(nullptr), "FINALE.EXE");
}

TEST_F(PluginModule, UnloadingRemovesTheLibraryFromTheProcess) {
    EXPECT_EQ(GetModuleHandleA(PLUGIN_FILE), Plugin().Module());
    Unload();
    EXPECT_EQ(GetModuleHandleA(PLUGIN_FILE), nullptr);
    Load();
    EXPECT_EQ(GetModuleHandleA(PLUGIN_FILE), Plugin().Module());
}

TEST(FinaleExe, IsTheHostModuleThePlugInLooksFor) {
    EXPECT_EQ(GetModuleHandleA("FINALE.EXE"), GetModuleHandleA(nullptr));
    EXPECT_EQ(GetModuleHandleA("finale.exe"), GetModuleHandleA(nullptr));
}

TEST(FinaleExe, ExportsEveryHostFunctionItImplementsByItsPlainName) {
    HMODULE self = GetModuleHandleA(nullptr);
    std::vector<std::string> listed;
#define HOST_EXPORT(name)                                                                          \
    listed.push_back(#name);                                                                       \
    EXPECT_EQ(reinterpret_cast<void*>(GetProcAddress(self, #name)),                                \
              reinterpret_cast<void*>(&host::fx::name))                                            \
        << #name;
#include "host/HostExports.def"
    std::sort(listed.begin(), listed.end());
    ASSERT_FALSE(listed.empty());

    const host::windows::PeImage image = host::windows::ReadPeImage(self);
    ASSERT_TRUE(image.valid) << image.problem;
    EXPECT_EQ(Names(image), listed);
    EXPECT_EQ(image.exportedFunctionCount, listed.size());
}

TEST(FinaleExe, ReadsNoTablesFromWhatIsNotAnImage) {
    static const char notAnImage[512] = "MZ but nothing more";
    const host::windows::PeImage image =
        host::windows::ReadPeImage(reinterpret_cast<HMODULE>(const_cast<char*>(notAnImage)));
    EXPECT_FALSE(image.valid);
    EXPECT_FALSE(image.problem.empty());
    EXPECT_FALSE(host::windows::ReadPeImage(nullptr).valid);
}

} // namespace
} // namespace win32_testing
