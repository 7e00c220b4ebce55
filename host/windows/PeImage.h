// Reads the tables of a module that the Windows loader has mapped: its export directory and its
// import directory, and finds the import address table slot of one imported function.
#pragma once

#ifdef _WIN32

#include "platform/Windows.h"

#include <string>
#include <vector>

namespace host::windows {

/// One name in a module's export directory and the address it resolves to.
struct ExportedName {
    std::string name;
    void* address = nullptr;
};

/// What a mapped module's headers say about it; `valid` is false, with the reason in `problem`,
/// when the image is not a 32-bit PE image the tables can be read from.
struct PeImage {
    bool valid = false;
    std::string problem;
    WORD machine = 0;
    WORD characteristics = 0;
    /// Entries in the export address table (also those without a name).
    DWORD exportedFunctionCount = 0;
    std::vector<ExportedName> exports;
    /// The libraries the module imports from, as named in its import directory.
    std::vector<std::string> importedLibraries;
};

/// Reads the headers, the export directory and the import directory of `module`.
PeImage ReadPeImage(HMODULE module);

/// The import address table slot through which `module` calls `functionName` imported by name
/// from `libraryName` (compared case-insensitively); null when it imports no such function.
void** FindImportSlot(HMODULE module, const char* libraryName, const char* functionName);

} // namespace host::windows

#endif
