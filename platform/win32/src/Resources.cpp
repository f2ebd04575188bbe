#include <cwctype>
#include <map>
#include <mutex>
#include <vector>
#include <win32/Kernel.h>
#include <win32/User.h>

namespace {

struct ResourceRegistry {
    std::mutex mutex;
    // The executable's table is kept under a null module.
    std::map<HMODULE, std::vector<win32::ResourceEntry>> modules;
};

ResourceRegistry& Registry() {
    static ResourceRegistry* registry = new ResourceRegistry;
    return *registry;
}

HMODULE Key(HMODULE module) {
    return module == nullptr || module == GetModuleHandleW(nullptr) ? nullptr : module;
}

bool SameType(LPCWSTR a, LPCWSTR b) {
    if (IS_INTRESOURCE(a) || IS_INTRESOURCE(b))
        return a == b;
    for (; *a && *b; ++a, ++b)
        if (std::towupper(static_cast<wint_t>(*a)) != std::towupper(static_cast<wint_t>(*b)))
            return false;
    return *a == *b;
}

} // namespace

namespace win32 {

void RegisterResources(HMODULE module, const ResourceEntry* entries, std::size_t count) {
    auto& registry = Registry();
    std::lock_guard lock(registry.mutex);
    // The key is taken without asking for the executable's handle: this runs
    // during static initialisation.
    auto& table = registry.modules[module];
    table.insert(table.end(), entries, entries + count);
}

} // namespace win32

HRSRC FindResourceW(HMODULE module, LPCWSTR name, LPCWSTR type) {
    if (!name || !type || !IS_INTRESOURCE(name)) {
        SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
        return nullptr;
    }
    const WORD id = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(name));
    auto& registry = Registry();
    std::lock_guard lock(registry.mutex);
    auto it = registry.modules.find(Key(module));
    if (it == registry.modules.end()) {
        SetLastError(ERROR_RESOURCE_DATA_NOT_FOUND);
        return nullptr;
    }
    bool typeSeen = false;
    for (const auto& entry : it->second) {
        if (!SameType(entry.type, type))
            continue;
        typeSeen = true;
        if (entry.id == id)
            return reinterpret_cast<HRSRC>(const_cast<win32::ResourceEntry*>(&entry));
    }
    SetLastError(typeSeen ? ERROR_RESOURCE_NAME_NOT_FOUND : ERROR_RESOURCE_TYPE_NOT_FOUND);
    return nullptr;
}

DWORD SizeofResource(HMODULE, HRSRC resource) {
    return resource ? reinterpret_cast<const win32::ResourceEntry*>(resource)->size : 0;
}

HGLOBAL LoadResource(HMODULE, HRSRC resource) {
    if (!resource)
        return nullptr;
    return const_cast<BYTE*>(reinterpret_cast<const win32::ResourceEntry*>(resource)->data);
}

LPVOID LockResource(HGLOBAL data) {
    return data;
}

// Resource memory is part of the module: there is nothing to free.
BOOL FreeResource(HGLOBAL) {
    return FALSE;
}

HICON LoadIconW(HINSTANCE instance, LPCWSTR name) {
    // An icon is named by its group; the handle stands for the group's entry
    // and lives as long as the module.
    HRSRC group = FindResourceW(instance, name, RT_GROUP_ICON);
    return reinterpret_cast<HICON>(group);
}

HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name) {
    if (!instance && name == IDC_ARROW) {
        static int arrow;
        return reinterpret_cast<HCURSOR>(&arrow);
    }
    return nullptr;
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
    return init && init->dwSize == sizeof(INITCOMMONCONTROLSEX) ? TRUE : FALSE;
}
