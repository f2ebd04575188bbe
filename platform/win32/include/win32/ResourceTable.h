#pragma once

// How a module carries its resources: a table keyed by type and id that
// FindResourceW, SizeofResource and LoadResource read. The executable's table
// is generated from the files under res/ at build time and attached by a
// static registrar in the generated source.

#include <cstddef>
#include <win32/Types.h>

// Integer resource types.
#define RT_BITMAP MAKEINTRESOURCEW(2)
#define RT_ICON MAKEINTRESOURCEW(3)
#define RT_DIALOG MAKEINTRESOURCEW(5)
#define RT_GROUP_ICON MAKEINTRESOURCEW(14)
#define RT_VERSION MAKEINTRESOURCEW(16)
#define RT_MANIFEST MAKEINTRESOURCEW(24)

namespace win32 {

struct ResourceEntry {
    LPCWSTR type; // a string type such as L"PNG", or MAKEINTRESOURCEW(RT_DIALOG)
    WORD id;
    WORD language;
    const BYTE* data;
    DWORD size;
};

// Attaches entries to a module; a null module is the executable (the module
// of GetModuleHandleW(NULL)). The entries must outlive the process.
void RegisterResources(HMODULE module, const ResourceEntry* entries, std::size_t count);

struct ResourceRegistrar {
    ResourceRegistrar(HMODULE module, const ResourceEntry* entries, std::size_t count) {
        RegisterResources(module, entries, count);
    }
};

} // namespace win32
