#include "Hooks.h"
#include "Internal.h"
#include "Threads.h"
#include "WindowTable.h"

#include <algorithm>
#include <cstring>
#include <unistd.h>
#include <win32/Kernel.h>

using namespace win32::detail;
using win32::InstalledScreen;
using win32::ScreenBackend;

namespace win32::detail {

void NotifyWindowChanged(HWND hwnd) {
    if (ScreenBackend* screen = InstalledScreen())
        screen->WindowChanged(hwnd);
}

void NotifyContentChanged(HWND hwnd) {
    if (ScreenBackend* screen = InstalledScreen())
        screen->WindowContentChanged(hwnd);
}

} // namespace win32::detail

namespace {

bool IsTopLevel(const Window& w) {
    return !(w.style & WS_CHILD) || !w.parent;
}

// Pointer-sized slot of a window's extra bytes, or null when out of range.
LONG_PTR* ExtraSlot(Window& w, int index) {
    if (index < 0 || index % static_cast<int>(sizeof(LONG_PTR)) != 0)
        return nullptr;
    const std::size_t slot = static_cast<std::size_t>(index) / sizeof(LONG_PTR);
    return slot < w.extra.size() ? &w.extra[slot] : nullptr;
}

void DestroyTree(HWND hwnd);

} // namespace

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x,
                     int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
    EnsureSystemClasses();
    auto& table = Windows();
    const DWORD thread = CurrentThreadId();
    HWND hwnd = nullptr;
    std::shared_ptr<WindowClass> cls;
    {
        std::lock_guard lock(table.mutex);
        cls = table.FindClass(className, instance);
        if (!cls) {
            SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
            return nullptr;
        }
        if (parent == HWND_MESSAGE)
            parent = nullptr;
        Window* parentWindow = parent ? table.Find(parent) : nullptr;
        if (parent && !parentWindow) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        if ((style & WS_CHILD) && !parentWindow) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        auto w = std::make_shared<Window>();
        hwnd = table.NewHandle();
        w->handle = hwnd;
        w->cls = cls;
        w->threadId = thread;
        w->proc = cls->proc;
        w->style = style & ~WS_VISIBLE;
        w->exStyle = exStyle;
        w->rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
        w->text = windowName && !IS_INTRESOURCE(windowName) ? windowName : L"";
        w->instance = instance;
        w->extra.assign(
            (static_cast<std::size_t>(std::max(cls->wndExtra, 0)) + sizeof(LONG_PTR) - 1) /
                sizeof(LONG_PTR),
            0);
        if (style & WS_CHILD) {
            w->parent = parent;
            w->id = reinterpret_cast<LONG_PTR>(menu);
            parentWindow->children.push_back(hwnd); // children stack in creation order
        } else {
            // A top-level window's "parent" is its owner: the owner's
            // top-level window.
            w->owner = parent ? table.TopLevelOf(parent) : nullptr;
            table.topLevels.insert(table.topLevels.begin(), hwnd);
            w->surface.Resize(width, height);
        }
        ++cls->windowCount;
        table.windows[hwnd] = std::move(w);
    }

    CREATESTRUCTW cs{
        param,      instance,  menu,   parent, height, width, y, x, static_cast<LONG>(style),
        windowName, className, exStyle};
    RunCreateHooks(hwnd, cs);
    if (!SendMessageW(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) ||
        SendMessageW(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (!IsWindow(hwnd))
        return nullptr;
    RECT client{};
    GetClientRect(hwnd, &client);
    SendMessageW(hwnd, WM_SIZE, SIZE_RESTORED,
                 MAKELPARAM(static_cast<WORD>(client.right), static_cast<WORD>(client.bottom)));
    RECT rect{};
    {
        std::lock_guard lock(table.mutex);
        if (Window* w = table.Find(hwnd))
            rect = w->rect;
    }
    SendMessageW(hwnd, WM_MOVE, 0,
                 MAKELPARAM(static_cast<WORD>(rect.left), static_cast<WORD>(rect.top)));
    NotifyWindowChanged(hwnd);
    if (style & WS_VISIBLE) {
        const bool noActivate = (exStyle & WS_EX_NOACTIVATE) || (style & WS_CHILD);
        ShowWindow(hwnd, noActivate ? SW_SHOWNA : SW_SHOW);
    }
    return IsWindow(hwnd) ? hwnd : nullptr;
}

namespace {

// WM_DESTROY goes to a window before its children; WM_NCDESTROY after them.
void DestroyTree(HWND hwnd) {
    auto& table = Windows();
    std::vector<HWND> children;
    {
        std::lock_guard lock(table.mutex);
        Window* w = table.Find(hwnd);
        if (!w)
            return;
        w->destroying = true;
        children = w->children;
    }
    ForgetWindow(hwnd);
    SendMessageW(hwnd, WM_DESTROY, 0, 0);
    for (HWND child : children)
        DestroyTree(child);
    SendMessageW(hwnd, WM_NCDESTROY, 0, 0);
    ReleaseWindowDCs(hwnd);
    std::shared_ptr<Window> gone;
    {
        std::lock_guard lock(table.mutex);
        auto it = table.windows.find(hwnd);
        if (it == table.windows.end())
            return;
        gone = it->second;
        auto& siblings = table.SiblingsOf(*gone);
        siblings.erase(std::remove(siblings.begin(), siblings.end(), hwnd), siblings.end());
        if (gone->parent == nullptr)
            table.topLevels.erase(std::remove(table.topLevels.begin(), table.topLevels.end(), hwnd),
                                  table.topLevels.end());
        --gone->cls->windowCount;
        table.windows.erase(it);
    }
}

} // namespace

BOOL DestroyWindow(HWND hwnd) {
    auto& table = Windows();
    std::vector<HWND> owned;
    bool topLevel = false;
    {
        std::lock_guard lock(table.mutex);
        Window* w = table.Find(hwnd);
        if (!w || w->destroying) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        // Only the owning thread may destroy a window.
        if (w->threadId != CurrentThreadId()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        topLevel = IsTopLevel(*w);
        for (auto& [h, other] : table.windows)
            if (other->owner == hwnd && !other->destroying)
                owned.push_back(h);
    }
    std::sort(owned.begin(), owned.end());
    for (HWND h : owned)
        DestroyWindow(h);
    if (topLevel && IsWindowVisible(hwnd)) {
        {
            std::lock_guard lock(table.mutex);
            if (Window* w = table.Find(hwnd))
                w->style &= ~WS_VISIBLE;
        }
        NotifyWindowChanged(hwnd);
    }
    DestroyTree(hwnd);
    if (topLevel)
        if (ScreenBackend* screen = InstalledScreen())
            screen->WindowDestroyed(hwnd);
    return TRUE;
}

BOOL IsWindow(HWND hwnd) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    return table.Find(hwnd) ? TRUE : FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    Window* w = table.Find(hwnd);
    return w && table.IsReallyVisible(*w) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    Window* w = table.Find(hwnd);
    return w && w->enabled ? TRUE : FALSE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable) {
    bool wasDisabled = false;
    {
        auto& table = Windows();
        std::lock_guard lock(table.mutex);
        Window* w = table.Find(hwnd);
        if (!w)
            return FALSE;
        wasDisabled = !w->enabled;
        if (w->enabled == (enable != FALSE))
            return wasDisabled ? TRUE : FALSE;
        w->enabled = enable != FALSE;
    }
    SendMessageW(hwnd, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled ? TRUE : FALSE;
}

BOOL IsChild(HWND parent, HWND hwnd) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    Window* w = table.Find(hwnd);
    while (w && w->parent) {
        if (w->parent == parent)
            return TRUE;
        w = table.Find(w->parent);
    }
    return FALSE;
}

HWND GetParent(HWND hwnd) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    Window* w = table.Find(hwnd);
    if (!w)
        return nullptr;
    if (w->parent)
        return w->parent;
    return (w->style & WS_POPUP) ? w->owner : nullptr;
}

HWND SetParent(HWND child, HWND newParent) {
    auto& table = Windows();
    HWND old = nullptr;
    {
        std::lock_guard lock(table.mutex);
        Window* w = table.Find(child);
        if (!w || (newParent && !table.Find(newParent)) || newParent == child) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return nullptr;
        }
        for (Window* p = newParent ? table.Find(newParent) : nullptr; p;
             p = p->parent ? table.Find(p->parent) : nullptr)
            if (p->handle == child)
                return nullptr; // would make a cycle
        old = w->parent;
        auto& siblings = table.SiblingsOf(*w);
        siblings.erase(std::remove(siblings.begin(), siblings.end(), child), siblings.end());
        w->parent = newParent;
        if (newParent) {
            // The window keeps its coordinates, now in the new parent's client area.
            table.Find(newParent)->children.insert(table.Find(newParent)->children.begin(), child);
            w->style |= WS_CHILD;
            w->style &= ~WS_POPUP;
        } else {
            table.topLevels.insert(table.topLevels.begin(), child);
            w->surface.Resize(w->rect.right - w->rect.left, w->rect.bottom - w->rect.top);
        }
    }
    NotifyWindowChanged(child);
    return old ? old : GetDesktopWindow();
}

HWND GetWindow(HWND hwnd, UINT cmd) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    Window* w = table.Find(hwnd);
    if (!w)
        return nullptr;
    if (cmd == GW_CHILD)
        return w->children.empty() ? nullptr : w->children.front();
    if (cmd == GW_OWNER)
        return w->owner;
    auto& siblings = table.SiblingsOf(*w);
    auto it = std::find(siblings.begin(), siblings.end(), hwnd);
    if (it == siblings.end())
        return nullptr;
    switch (cmd) {
    case GW_HWNDFIRST:
        return siblings.front();
    case GW_HWNDLAST:
        return siblings.back();
    case GW_HWNDNEXT:
        return std::next(it) == siblings.end() ? nullptr : *std::next(it);
    case GW_HWNDPREV:
        return it == siblings.begin() ? nullptr : *std::prev(it);
    default:
        return nullptr;
    }
}

HWND GetDesktopWindow() {
    // The desktop is no window of the layer; a fixed non-null value stands
    // for it where the platform returns one.
    return reinterpret_cast<HWND>(0x10010);
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName) {
    EnsureSystemClasses();
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    std::shared_ptr<WindowClass> cls;
    if (className) {
        cls = table.FindClass(className, nullptr);
        if (!cls)
            return nullptr;
    }
    for (HWND hwnd : table.topLevels) {
        Window* w = table.Find(hwnd);
        if (!w || w->destroying)
            continue;
        if (cls && w->cls != cls)
            continue;
        if (windowName && w->text != windowName)
            continue;
        return hwnd;
    }
    return nullptr;
}

DWORD GetWindowThreadProcessId(HWND hwnd, LPDWORD processId) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    Window* w = table.Find(hwnd);
    if (processId)
        *processId = w ? static_cast<DWORD>(::getpid()) : 0;
    return w ? w->threadId : 0;
}

BOOL ShowWindow(HWND hwnd, int cmd) {
    auto& table = Windows();
    bool wasVisible = false;
    bool topLevel = false;
    bool noActivate = false;
    const bool show = cmd != SW_HIDE;
    {
        std::lock_guard lock(table.mutex);
        Window* w = table.Find(hwnd);
        if (!w)
            return FALSE;
        wasVisible = (w->style & WS_VISIBLE) != 0;
        topLevel = IsTopLevel(*w);
        noActivate = (w->exStyle & WS_EX_NOACTIVATE) != 0;
    }
    if (wasVisible != show) {
        SendMessageW(hwnd, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
        {
            std::lock_guard lock(table.mutex);
            Window* w = table.Find(hwnd);
            if (!w)
                return wasVisible ? TRUE : FALSE;
            if (show)
                w->style |= WS_VISIBLE;
            else
                w->style &= ~WS_VISIBLE;
        }
        if (show)
            InvalidateRect(hwnd, nullptr, TRUE);
        else if (!topLevel) {
            // What the child covered must be drawn again.
            HWND parent = GetParent(hwnd);
            RECT r{};
            {
                std::lock_guard lock(table.mutex);
                if (Window* w = table.Find(hwnd))
                    r = w->rect;
            }
            if (parent)
                InvalidateRect(parent, &r, TRUE);
        }
        NotifyWindowChanged(table.TopLevelOf(hwnd) ? hwnd : hwnd);
    }
    if (show && topLevel && cmd != SW_SHOWNA && !noActivate)
        ActivateWindow(hwnd, WA_ACTIVE);
    return wasVisible ? TRUE : FALSE;
}

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
    auto& table = Windows();
    bool moved = false;
    bool sized = false;
    RECT rect{};
    {
        std::lock_guard lock(table.mutex);
        Window* w = table.Find(hwnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return FALSE;
        }
        RECT r = w->rect;
        if (!(flags & SWP_NOMOVE)) {
            moved = r.left != x || r.top != y;
            const LONG width = r.right - r.left;
            const LONG height = r.bottom - r.top;
            r = RECT{x, y, x + width, y + height};
        }
        if (!(flags & SWP_NOSIZE)) {
            cx = std::max(cx, 0);
            cy = std::max(cy, 0);
            sized = (r.right - r.left) != cx || (r.bottom - r.top) != cy;
            r.right = r.left + cx;
            r.bottom = r.top + cy;
        }
        w->rect = r;
        rect = r;
        if (sized && !w->parent)
            w->surface.Resize(r.right - r.left, r.bottom - r.top);
        if (!(flags & SWP_NOZORDER)) {
            auto& siblings = table.SiblingsOf(*w);
            siblings.erase(std::remove(siblings.begin(), siblings.end(), hwnd), siblings.end());
            if (insertAfter == HWND_TOP)
                siblings.insert(siblings.begin(), hwnd);
            else if (insertAfter == HWND_BOTTOM)
                siblings.push_back(hwnd);
            else {
                auto it = std::find(siblings.begin(), siblings.end(), insertAfter);
                siblings.insert(it == siblings.end() ? siblings.begin() : std::next(it), hwnd);
            }
        }
    }
    if (moved)
        SendMessageW(hwnd, WM_MOVE, 0,
                     MAKELPARAM(static_cast<WORD>(rect.left), static_cast<WORD>(rect.top)));
    if (sized) {
        SendMessageW(hwnd, WM_SIZE, SIZE_RESTORED,
                     MAKELPARAM(static_cast<WORD>(rect.right - rect.left),
                                static_cast<WORD>(rect.bottom - rect.top)));
        if (!(flags & SWP_NOREDRAW))
            InvalidateRect(hwnd, nullptr, TRUE);
    }
    if (flags & SWP_SHOWWINDOW)
        ShowWindow(hwnd, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
    if (flags & SWP_HIDEWINDOW)
        ShowWindow(hwnd, SW_HIDE);
    NotifyWindowChanged(hwnd);
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(hwnd, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    Window* w = table.Find(hwnd);
    if (!w || !rect) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    const POINT origin = table.ScreenOrigin(*w);
    *rect = RECT{origin.x, origin.y, origin.x + (w->rect.right - w->rect.left),
                 origin.y + (w->rect.bottom - w->rect.top)};
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    Window* w = table.Find(hwnd);
    if (!w || !rect) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return FALSE;
    }
    *rect = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    Window* w = table.Find(hwnd);
    if (!w || !point)
        return FALSE;
    const POINT origin = table.ScreenOrigin(*w);
    point->x -= origin.x;
    point->y -= origin.y;
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    Window* w = table.Find(hwnd);
    if (!w || !point)
        return FALSE;
    const POINT origin = table.ScreenOrigin(*w);
    point->x += origin.x;
    point->y += origin.y;
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count) {
    POINT offset{0, 0};
    if (from)
        ClientToScreen(from, &offset);
    if (to)
        ScreenToClient(to, &offset);
    for (UINT i = 0; i < count; ++i) {
        points[i].x += offset.x;
        points[i].y += offset.y;
    }
    return MAKELONG(static_cast<WORD>(offset.x), static_cast<WORD>(offset.y));
}

LONG_PTR GetWindowLongW(HWND hwnd, int index) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    Window* w = table.Find(hwnd);
    if (!w) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return 0;
    }
    switch (index) {
    case GWL_WNDPROC:
        return reinterpret_cast<LONG_PTR>(w->proc);
    case GWL_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(w->instance);
    case GWL_HWNDPARENT:
        return reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
    case GWL_ID:
        return w->id;
    case GWL_STYLE:
        return static_cast<LONG_PTR>(w->style);
    case GWL_EXSTYLE:
        return static_cast<LONG_PTR>(w->exStyle);
    case GWL_USERDATA:
        return w->userData;
    default:
        if (LONG_PTR* slot = ExtraSlot(*w, index))
            return *slot;
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
}

LONG_PTR SetWindowLongW(HWND hwnd, int index, LONG_PTR value) {
    auto& table = Windows();
    LONG_PTR old = 0;
    bool restyled = false;
    {
        std::lock_guard lock(table.mutex);
        Window* w = table.Find(hwnd);
        if (!w) {
            SetLastError(ERROR_INVALID_WINDOW_HANDLE);
            return 0;
        }
        switch (index) {
        case GWL_WNDPROC:
            old = reinterpret_cast<LONG_PTR>(w->proc);
            w->proc = reinterpret_cast<WNDPROC>(value);
            break;
        case GWL_ID:
            old = w->id;
            w->id = value;
            break;
        case GWL_STYLE:
            old = static_cast<LONG_PTR>(w->style);
            w->style = static_cast<DWORD>(value);
            restyled = true;
            break;
        case GWL_EXSTYLE:
            old = static_cast<LONG_PTR>(w->exStyle);
            w->exStyle = static_cast<DWORD>(value);
            if ((static_cast<DWORD>(old) ^ w->exStyle) & WS_EX_LAYERED) {
                // A window that becomes layered shows nothing until it is
                // given attributes or a picture.
                w->layeredAttributes = false;
                w->layeredPicture = false;
            }
            restyled = true;
            break;
        case GWL_USERDATA:
            old = w->userData;
            w->userData = value;
            break;
        default:
            if (LONG_PTR* slot = ExtraSlot(*w, index)) {
                old = *slot;
                *slot = value;
                break;
            }
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
    }
    if (restyled)
        NotifyWindowChanged(hwnd);
    return old;
}

LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) {
    return GetWindowLongW(hwnd, index);
}
LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) {
    return SetWindowLongW(hwnd, index, value);
}

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int maxCount) {
    if (!buffer || maxCount <= 0)
        return 0;
    DWORD owner = GetWindowThreadProcessId(hwnd, nullptr);
    if (owner == 0) {
        buffer[0] = 0;
        return 0;
    }
    if (owner == CurrentThreadId())
        return static_cast<int>(SendMessageW(hwnd, WM_GETTEXT, static_cast<WPARAM>(maxCount),
                                             reinterpret_cast<LPARAM>(buffer)));
    // Another thread's window: its stored text, without waiting on its owner.
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    Window* w = table.Find(hwnd);
    const std::wstring text = w ? w->text : std::wstring();
    const int n = std::min<int>(static_cast<int>(text.size()), maxCount - 1);
    std::wmemcpy(buffer, text.data(), static_cast<std::size_t>(n));
    buffer[n] = 0;
    return n;
}

int GetWindowTextLengthW(HWND hwnd) {
    DWORD owner = GetWindowThreadProcessId(hwnd, nullptr);
    if (owner == 0)
        return 0;
    if (owner == CurrentThreadId())
        return static_cast<int>(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0));
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    Window* w = table.Find(hwnd);
    return w ? static_cast<int>(w->text.size()) : 0;
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
    if (!IsWindow(hwnd))
        return FALSE;
    return SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetDlgCtrlID(HWND hwnd) {
    return static_cast<int>(GetWindowLongW(hwnd, GWL_ID));
}

HWND GetDlgItem(HWND dialog, int id) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    Window* w = table.Find(dialog);
    if (!w)
        return nullptr;
    for (HWND child : w->children)
        if (Window* c = table.Find(child); c && c->id == id)
            return child;
    return nullptr;
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
    HWND item = GetDlgItem(dialog, id);
    if (!item)
        return FALSE;
    return SendMessageW(item, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int maxCount) {
    HWND item = GetDlgItem(dialog, id);
    if (!item) {
        if (buffer && maxCount > 0)
            buffer[0] = 0;
        return 0;
    }
    return static_cast<UINT>(GetWindowTextW(item, buffer, maxCount));
}

// --- update regions ---------------------------------------------------------------------

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
    auto& table = Windows();
    DWORD owner = 0;
    {
        std::lock_guard lock(table.mutex);
        Window* w = table.Find(hwnd);
        if (!w)
            return FALSE;
        const RECT client{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
        RECT r = rect ? *rect : client;
        r.left = std::max(r.left, client.left);
        r.top = std::max(r.top, client.top);
        r.right = std::min(r.right, client.right);
        r.bottom = std::min(r.bottom, client.bottom);
        if (r.left < r.right && r.top < r.bottom) {
            if (w->updatePending) {
                w->updateRect.left = std::min(w->updateRect.left, r.left);
                w->updateRect.top = std::min(w->updateRect.top, r.top);
                w->updateRect.right = std::max(w->updateRect.right, r.right);
                w->updateRect.bottom = std::max(w->updateRect.bottom, r.bottom);
            } else {
                w->updateRect = r;
            }
            w->updatePending = true;
            if (erase)
                w->erasePending = true;
        }
        // Children lying under the invalid part paint again too.
        std::vector<HWND> stack(w->children.begin(), w->children.end());
        while (!stack.empty()) {
            Window* c = table.Find(stack.back());
            stack.pop_back();
            if (!c)
                continue;
            if (!(c->style & WS_VISIBLE))
                continue;
            const RECT cr = c->rect;
            if (cr.left < r.right && r.left < cr.right && cr.top < r.bottom && r.top < cr.bottom &&
                cr.right > cr.left && cr.bottom > cr.top) {
                c->updatePending = true;
                c->erasePending = c->erasePending || erase;
                c->updateRect = RECT{0, 0, cr.right - cr.left, cr.bottom - cr.top};
            }
        }
        owner = w->threadId;
    }
    if (auto queue = QueueOf(owner))
        queue->Wake();
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT*) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    Window* w = table.Find(hwnd);
    if (!w)
        return FALSE;
    w->updatePending = false;
    w->erasePending = false;
    w->updateRect = RECT{};
    return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    Window* w = table.Find(hwnd);
    if (!w)
        return FALSE;
    if (rect)
        *rect = w->updatePending ? w->updateRect : RECT{};
    return w->updatePending ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hwnd) {
    bool pending = false;
    {
        auto& table = Windows();
        std::lock_guard lock(table.mutex);
        Window* w = table.Find(hwnd);
        if (!w)
            return FALSE;
        pending = w->updatePending && table.IsReallyVisible(*w);
    }
    if (pending)
        SendMessageW(hwnd, WM_PAINT, 0, 0);
    return TRUE;
}
