#include "Internal.h"
#include "WindowTable.h"

#include <cstring>
#include <win32/Gdi.h>
#include <win32/Kernel.h>

namespace win32::detail {
namespace {

ATOM g_nextAtom = 0xC000; // guarded by the table's lock

ATOM Register(const WNDCLASSEXW& wc, bool system) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    const std::wstring key = FoldCase(wc.lpszClassName);
    if (table.classes.count(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    auto cls = std::make_shared<WindowClass>();
    cls->name = wc.lpszClassName;
    cls->atom = g_nextAtom++;
    cls->style = wc.style;
    cls->proc = wc.lpfnWndProc;
    cls->clsExtra = wc.cbClsExtra;
    cls->wndExtra = wc.cbWndExtra;
    cls->instance = wc.hInstance;
    cls->icon = wc.hIcon;
    cls->iconSmall = wc.hIconSm;
    cls->cursor = wc.hCursor;
    cls->background = wc.hbrBackground;
    cls->system = system;
    table.classes[key] = cls;
    return cls->atom;
}

} // namespace

void EnsureSystemClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        struct Builtin {
            LPCWSTR name;
            WNDPROC proc;
            int extra;
        };
        const Builtin builtins[] = {
            {L"Static", StaticProc, 0},
            {L"Button", ButtonProc, 0},
            {L"Edit", EditProc, 0},
            {L"#32770", DefDlgProcW, DLGWINDOWEXTRA},
        };
        for (const auto& b : builtins) {
            WNDCLASSEXW wc{};
            wc.cbSize = sizeof wc;
            wc.style = CS_DBLCLKS;
            wc.lpfnWndProc = b.proc;
            wc.cbWndExtra = b.extra;
            wc.lpszClassName = b.name;
            Register(wc, true);
        }
    });
}

} // namespace win32::detail

using namespace win32::detail;

ATOM RegisterClassExW(const WNDCLASSEXW* wc) {
    if (!wc || wc->cbSize != sizeof(WNDCLASSEXW) || !wc->lpszClassName ||
        IS_INTRESOURCE(wc->lpszClassName) || !*wc->lpszClassName) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    EnsureSystemClasses();
    return Register(*wc, false);
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance) {
    EnsureSystemClasses();
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    auto cls = table.FindClass(className, instance);
    if (!cls || cls->system) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (cls->windowCount > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    table.classes.erase(FoldCase(cls->name));
    return TRUE;
}

BOOL GetClassInfoExW(HINSTANCE instance, LPCWSTR className, WNDCLASSEXW* wc) {
    EnsureSystemClasses();
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    auto cls = table.FindClass(className, instance);
    if (!cls || !wc)
        return FALSE;
    *wc = WNDCLASSEXW{};
    wc->cbSize = sizeof *wc;
    wc->style = cls->style;
    wc->lpfnWndProc = cls->proc;
    wc->cbClsExtra = cls->clsExtra;
    wc->cbWndExtra = cls->wndExtra;
    wc->hInstance = cls->instance;
    wc->hIcon = cls->icon;
    wc->hIconSm = cls->iconSmall;
    wc->hCursor = cls->cursor;
    wc->hbrBackground = cls->background;
    wc->lpszClassName = cls->name.c_str();
    return TRUE;
}

int GetClassNameW(HWND hwnd, LPWSTR buffer, int maxCount) {
    if (!buffer || maxCount <= 0)
        return 0;
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    Window* w = table.Find(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    const std::wstring& name = w->cls->name;
    const int n = std::min<int>(static_cast<int>(name.size()), maxCount - 1);
    std::wmemcpy(buffer, name.data(), static_cast<std::size_t>(n));
    buffer[n] = 0;
    return n;
}
