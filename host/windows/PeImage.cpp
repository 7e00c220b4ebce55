#include "host/windows/PeImage.h"

#ifdef _WIN32

#include <cstring>

namespace host::windows {
namespace {

const unsigned char* Base(HMODULE module) {
    return reinterpret_cast<const unsigned char*>(module);
}

template <typename T> const T* AtRva(HMODULE module, DWORD rva) {
    return reinterpret_cast<const T*>(Base(module) + rva);
}

/// The NT headers of a mapped 32-bit image; null when the headers are not those of one.
const IMAGE_NT_HEADERS32* NtHeaders(HMODULE module, std::string& problem) {
    if (!module) {
        problem = "no module";
        return nullptr;
    }
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    if (dos->e_magic != IMAGE_DOS_SIGNATURE) {
        problem = "bad DOS signature";
        return nullptr;
    }
    const auto* nt = AtRva<IMAGE_NT_HEADERS32>(module, static_cast<DWORD>(dos->e_lfanew));
    if (nt->Signature != IMAGE_NT_SIGNATURE) {
        problem = "bad PE signature";
        return nullptr;
    }
    if (nt->OptionalHeader.Magic != IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        problem = "not a 32-bit image";
        return nullptr;
    }
    return nt;
}

const IMAGE_DATA_DIRECTORY* Directory(const IMAGE_NT_HEADERS32* nt, int index) {
    if (static_cast<DWORD>(index) >= nt->OptionalHeader.NumberOfRvaAndSizes) return nullptr;
    const IMAGE_DATA_DIRECTORY* directory = &nt->OptionalHeader.DataDirectory[index];
    return directory->VirtualAddress != 0 && directory->Size != 0 ? directory : nullptr;
}

} // namespace

PeImage ReadPeImage(HMODULE module) {
    PeImage image;
    const IMAGE_NT_HEADERS32* nt = NtHeaders(module, image.problem);
    if (!nt) return image;
    image.valid = true;
    image.machine = nt->FileHeader.Machine;
    image.characteristics = nt->FileHeader.Characteristics;

    if (const IMAGE_DATA_DIRECTORY* directory = Directory(nt, IMAGE_DIRECTORY_ENTRY_EXPORT)) {
        const auto* exports = AtRva<IMAGE_EXPORT_DIRECTORY>(module, directory->VirtualAddress);
        const auto* functions = AtRva<DWORD>(module, exports->AddressOfFunctions);
        const auto* names = AtRva<DWORD>(module, exports->AddressOfNames);
        const auto* ordinals = AtRva<WORD>(module, exports->AddressOfNameOrdinals);
        image.exportedFunctionCount = exports->NumberOfFunctions;
        for (DWORD i = 0; i < exports->NumberOfNames; ++i) {
            ExportedName entry;
            entry.name = AtRva<char>(module, names[i]);
            if (ordinals[i] < exports->NumberOfFunctions)
                entry.address = const_cast<unsigned char*>(Base(module)) + functions[ordinals[i]];
            image.exports.push_back(std::move(entry));
        }
    }

    if (const IMAGE_DATA_DIRECTORY* directory = Directory(nt, IMAGE_DIRECTORY_ENTRY_IMPORT)) {
        for (const auto* import = AtRva<IMAGE_IMPORT_DESCRIPTOR>(module, directory->VirtualAddress);
             import->Name != 0; ++import)
            image.importedLibraries.emplace_back(AtRva<char>(module, import->Name));
    }
    return image;
}

void** FindImportSlot(HMODULE module, const char* libraryName, const char* functionName) {
    std::string problem;
    const IMAGE_NT_HEADERS32* nt = NtHeaders(module, problem);
    if (!nt) return nullptr;
    const IMAGE_DATA_DIRECTORY* directory = Directory(nt, IMAGE_DIRECTORY_ENTRY_IMPORT);
    if (!directory) return nullptr;
    for (const auto* import = AtRva<IMAGE_IMPORT_DESCRIPTOR>(module, directory->VirtualAddress);
         import->Name != 0; ++import) {
        if (_stricmp(AtRva<char>(module, import->Name), libraryName) != 0) continue;
        // The lookup table keeps the names; the address table beside it holds the bound
        // addresses, slot for slot. Images without a lookup table name nothing after binding.
        if (import->OriginalFirstThunk == 0) continue;
        const auto* lookup = AtRva<IMAGE_THUNK_DATA32>(module, import->OriginalFirstThunk);
        auto* slots =
            reinterpret_cast<void**>(const_cast<unsigned char*>(Base(module)) + import->FirstThunk);
        for (int i = 0; lookup[i].u1.AddressOfData != 0; ++i) {
            if (IMAGE_SNAP_BY_ORDINAL32(lookup[i].u1.Ordinal)) continue;
            const auto* byName = AtRva<IMAGE_IMPORT_BY_NAME>(module, lookup[i].u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), functionName) == 0)
                return &slots[i];
        }
    }
    return nullptr;
}

} // namespace host::windows

#endif
