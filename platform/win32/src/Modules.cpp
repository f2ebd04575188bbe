#include <cstring>
#include <dlfcn.h>
#include <filesystem>
#include <link.h>
#include <string>
#include <unistd.h>
#include <win32/Kernel.h>
#include <win32/Utf8.h>

namespace {

namespace fs = std::filesystem;

std::string ExecutableFolder() {
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : exe.parent_path().string();
}

// Where a bare name is looked for after the executable's folder. The
// current directory is never searched: a library planted there is not ours.
const char* const kSystemFolders[] = {"/usr/local/lib",
                                      "/usr/lib/x86_64-linux-gnu",
                                      "/lib/x86_64-linux-gnu",
                                      "/usr/lib64",
                                      "/usr/lib",
                                      "/lib"};

HMODULE Open(const std::string& path) {
    void* handle = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    return static_cast<HMODULE>(handle);
}

std::string Narrow(LPCWSTR text) {
    return win32::ToUtf8(text ? text : L"");
}

} // namespace

HMODULE LoadLibraryA(LPCSTR name) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const std::string file = name;
    HMODULE module = nullptr;
    if (file.front() == '/') {
        module = Open(file);
    } else {
        // A relative name, bare or with folders ("sub/x.dll"), is looked for
        // like a bare one: resolving it against the current directory would
        // search that directory after all.
        std::error_code ec;
        const std::string folder = ExecutableFolder();
        if (!folder.empty() && fs::exists(fs::path(folder) / file, ec))
            module = Open((fs::path(folder) / file).string());
        for (const char* system : kSystemFolders) {
            if (module)
                break;
            if (fs::exists(fs::path(system) / file, ec))
                module = Open((fs::path(system) / file).string());
        }
    }
    if (!module)
        SetLastError(ERROR_MOD_NOT_FOUND);
    return module;
}

HMODULE LoadLibraryW(LPCWSTR name) {
    return LoadLibraryA(Narrow(name).c_str());
}

FARPROC GetProcAddress(HMODULE module, LPCSTR name) {
    if (!module || !name || IS_INTRESOURCE(reinterpret_cast<LPCWSTR>(name))) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    void* symbol = ::dlsym(module, name);
    if (!symbol)
        SetLastError(ERROR_PROC_NOT_FOUND);
    FARPROC proc;
    static_assert(sizeof proc == sizeof symbol);
    std::memcpy(&proc, &symbol, sizeof proc);
    return proc;
}

BOOL FreeLibrary(HMODULE module) {
    if (!module)
        return FALSE;
    if (module == GetModuleHandleW(nullptr))
        return TRUE;
    return ::dlclose(module) == 0 ? TRUE : FALSE;
}

HMODULE GetModuleHandleW(LPCWSTR name) {
    if (!name) {
        static HMODULE self = static_cast<HMODULE>(::dlopen(nullptr, RTLD_NOW));
        return self;
    }
    // Only modules that are loaded already: RTLD_NOLOAD takes no new one.
    const std::string file = Narrow(name);
    const std::string folder = ExecutableFolder();
    void* handle = ::dlopen((fs::path(folder) / file).c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (handle)
        ::dlclose(handle); // GetModuleHandle takes no reference
    return static_cast<HMODULE>(handle);
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
    if (!buffer || size == 0)
        return 0;
    std::string path;
    if (!module || module == GetModuleHandleW(nullptr)) {
        std::error_code ec;
        path = fs::read_symlink("/proc/self/exe", ec).string();
    } else {
        link_map* map = nullptr;
        if (::dlinfo(module, RTLD_DI_LINKMAP, &map) == 0 && map && map->l_name)
            path = map->l_name;
    }
    // The path as wide characters; bytes above ASCII are taken as UTF-8.
    std::wstring wide;
    for (std::size_t i = 0; i < path.size();) {
        const auto c = static_cast<unsigned char>(path[i]);
        std::uint32_t cp = c;
        std::size_t n = 1;
        if (c >= 0xF0 && i + 3 < path.size() + 0) {
            cp = ((c & 0x07u) << 18) | ((path[i + 1] & 0x3Fu) << 12) |
                 ((path[i + 2] & 0x3Fu) << 6) | (path[i + 3] & 0x3Fu);
            n = 4;
        } else if (c >= 0xE0 && i + 2 < path.size()) {
            cp = ((c & 0x0Fu) << 12) | ((path[i + 1] & 0x3Fu) << 6) | (path[i + 2] & 0x3Fu);
            n = 3;
        } else if (c >= 0xC0 && i + 1 < path.size()) {
            cp = ((c & 0x1Fu) << 6) | (path[i + 1] & 0x3Fu);
            n = 2;
        }
        wide.push_back(static_cast<wchar_t>(cp));
        i += n;
    }
    const DWORD n = static_cast<DWORD>(std::min<std::size_t>(wide.size(), size - 1));
    std::wmemcpy(buffer, wide.data(), n);
    buffer[n] = 0;
    return n;
}
