#include "Dialogs.h"

#include "Internal.h"
#include "Threads.h"
#include "WindowTable.h"

#include <win32/Gdi.h>
#include <win32/Kernel.h>

namespace win32::detail {

DialogData* FindDialogData(HWND dialog) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    Window* w = table.Find(dialog);
    if (!w || !w->classData || w->cls->wndExtra < DLGWINDOWEXTRA)
        return nullptr;
    return static_cast<DialogData*>(w->classData.get());
}

namespace {

int Scale(int value, int base, int divisor) {
    // MulDiv rounding, as dialog units are converted.
    const long long v = static_cast<long long>(value) * base;
    return static_cast<int>(v >= 0 ? (v + divisor / 2) / divisor : (v - divisor / 2) / divisor);
}

bool IsPushButton(HWND hwnd) {
    wchar_t cls[16]{};
    GetClassNameW(hwnd, cls, 16);
    if (FoldCase(cls) != L"button")
        return false;
    const DWORD type = static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE)) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

HWND FirstTabStop(HWND dialog) {
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        const DWORD style = static_cast<DWORD>(GetWindowLongW(c, GWL_STYLE));
        if ((style & WS_TABSTOP) && (style & WS_VISIBLE) && IsWindowEnabled(c))
            return c;
    }
    return nullptr;
}

WORD DefaultId(HWND dialog) {
    const LRESULT def = SendMessageW(dialog, DM_GETDEFID, 0, 0);
    return HIWORD(def) == DC_HASDEFID ? LOWORD(def) : static_cast<WORD>(IDOK);
}

} // namespace

HWND CreateDialogFromTemplate(HINSTANCE instance, const DialogTemplate& t, HWND parent,
                              DLGPROC proc, LPARAM initParam) {
    DialogFont font;
    if (t.hasFont) {
        font.face = t.face;
        font.pointSize = t.pointSize;
        font.weight = t.weight;
        font.italic = t.italic != 0;
        font.charset = t.charset;
    }
    const SIZE base = DialogBaseUnits(font);
    auto data = std::make_shared<DialogData>();
    data->baseUnits = base;
    data->font = t.hasFont ? CreateDialogFont(font) : nullptr;

    const int x = Scale(t.x, base.cx, 4);
    const int y = Scale(t.y, base.cy, 8);
    const int cx = Scale(t.cx, base.cx, 4);
    const int cy = Scale(t.cy, base.cy, 8);
    const std::wstring cls = t.className.empty() ? L"#32770" : t.className;

    // The dialog procedure and the manager's data are in place before the
    // first message, so that DefDlgProcW sees them from WM_NCCREATE on.
    struct Pending {
        DLGPROC proc;
        std::shared_ptr<DialogData> data;
    };
    thread_local Pending* pending = nullptr;
    Pending mine{proc, data};
    Pending* outer = pending;
    pending = &mine;
    struct Restore {
        Pending*& slot;
        Pending* outer;
        ~Restore() { slot = outer; }
    } restore{pending, outer};

    thread_local HHOOK hook = nullptr;
    HHOOK outerHook = hook;
    hook = SetWindowsHookExW(
        WH_CBT,
        [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (code == HCBT_CREATEWND && pending) {
                HWND hwnd = reinterpret_cast<HWND>(wParam);
                auto& table = Windows();
                std::lock_guard lock(table.mutex);
                if (Window* w = table.Find(hwnd); w && w->cls->wndExtra >= DLGWINDOWEXTRA) {
                    w->extra[DWLP_DLGPROC / sizeof(LONG_PTR)] =
                        reinterpret_cast<LONG_PTR>(pending->proc);
                    w->classData = pending->data;
                    pending = nullptr; // only the dialog itself, not its controls
                }
            }
            return CallNextHookEx(hook, code, wParam, lParam);
        },
        nullptr, CurrentThreadId());
    HWND dialog =
        CreateWindowExW(t.exStyle, cls.c_str(), t.title.c_str(), t.style & ~WS_VISIBLE & ~WS_CHILD,
                        x, y, cx, cy, parent, nullptr, instance, nullptr);
    UnhookWindowsHookEx(hook);
    hook = outerHook;
    if (!dialog) {
        if (data->font)
            DeleteObject(data->font);
        return nullptr;
    }
    for (const auto& item : t.items) {
        HWND control = CreateWindowExW(
            item.exStyle, item.className.c_str(), item.title.c_str(), item.style | WS_CHILD,
            Scale(item.x, base.cx, 4), Scale(item.y, base.cy, 8), Scale(item.cx, base.cx, 4),
            Scale(item.cy, base.cy, 8), dialog,
            reinterpret_cast<HMENU>(static_cast<UINT_PTR>(item.id)), instance,
            item.creationData.empty() ? nullptr : const_cast<BYTE*>(item.creationData.data()));
        if (control && data->font)
            SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(data->font), FALSE);
    }
    if (!IsWindow(dialog))
        return nullptr;
    HWND focus = FirstTabStop(dialog);
    if (SendMessageW(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(focus), initParam) && focus &&
        IsWindow(focus))
        SetFocus(focus);
    if (IsWindow(dialog) && (t.style & WS_VISIBLE))
        ShowWindow(dialog, SW_SHOWNORMAL);
    return IsWindow(dialog) ? dialog : nullptr;
}

void RunDialogLoop(HWND dialog) {
    for (;;) {
        DialogData* data = FindDialogData(dialog);
        if (!data || data->ended)
            return;
        MSG msg{};
        if (!GetMessageW(&msg, nullptr, 0, 0)) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        if (!IsDialogMessageW(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
}

} // namespace win32::detail

using namespace win32::detail;

HWND CreateDialogIndirectParamW(HINSTANCE instance, const void* templ, HWND parent, DLGPROC proc,
                                LPARAM initParam) {
    // The platform takes a template without its size; ours come from
    // resources, which are read with their size through CreateDialogParamW.
    auto t = ParseDialogTemplate(static_cast<const BYTE*>(templ), 1 << 20);
    if (!t) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return CreateDialogFromTemplate(instance, *t, parent, proc, initParam);
}

INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, const void* templ, HWND parent, DLGPROC proc,
                                LPARAM initParam) {
    auto t = ParseDialogTemplate(static_cast<const BYTE*>(templ), 1 << 20);
    if (!t)
        return -1;
    const bool disableOwner = parent && IsWindowEnabled(parent);
    if (disableOwner)
        EnableWindow(parent, FALSE);
    HWND dialog = CreateDialogFromTemplate(instance, *t, parent, proc, initParam);
    struct Cleanup {
        HWND dialog, parent;
        bool enable;
        ~Cleanup() {
            if (enable && IsWindow(parent))
                EnableWindow(parent, TRUE);
            if (dialog && IsWindow(dialog))
                DestroyWindow(dialog);
        }
    } cleanup{dialog, parent, disableOwner};
    if (!dialog)
        return -1;
    RunDialogLoop(dialog);
    DialogData* data = FindDialogData(dialog);
    return data ? data->result : 0;
}

HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR name, HWND parent, DLGPROC proc,
                        LPARAM initParam) {
    HRSRC res = FindResourceW(instance, name, RT_DIALOG);
    if (!res)
        return nullptr;
    auto t =
        ParseDialogTemplate(static_cast<const BYTE*>(LockResource(LoadResource(instance, res))),
                            SizeofResource(instance, res));
    if (!t)
        return nullptr;
    return CreateDialogFromTemplate(instance, *t, parent, proc, initParam);
}

INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR name, HWND parent, DLGPROC proc,
                        LPARAM initParam) {
    HRSRC res = FindResourceW(instance, name, RT_DIALOG);
    if (!res)
        return -1;
    const void* data = LockResource(LoadResource(instance, res));
    if (!ParseDialogTemplate(static_cast<const BYTE*>(data), SizeofResource(instance, res)))
        return -1;
    return DialogBoxIndirectParamW(instance, data, parent, proc, initParam);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    DialogData* data = FindDialogData(dialog);
    if (!data)
        return FALSE;
    data->ended = true;
    data->result = result;
    // Wakes the modal loop, which looks at the flag after every message.
    PostMessageW(dialog, WM_NULL, 0, 0);
    return TRUE;
}

BOOL IsDialogMessageW(HWND dialog, LPMSG msg) {
    if (!msg || !msg->hwnd || (msg->hwnd != dialog && !IsChild(dialog, msg->hwnd)))
        return FALSE;
    if (msg->message == WM_KEYDOWN) {
        switch (msg->wParam) {
        case VK_RETURN: {
            HWND focus = GetFocus();
            WORD id = DefaultId(dialog);
            HWND button = GetDlgItem(dialog, id);
            if (focus && IsChild(dialog, focus) && IsPushButton(focus)) {
                id = static_cast<WORD>(GetDlgCtrlID(focus));
                button = focus;
            }
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                         reinterpret_cast<LPARAM>(button));
            return TRUE;
        }
        case VK_ESCAPE:
            SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
            return TRUE;
        case VK_TAB: {
            HWND next = GetNextDlgTabItem(dialog, GetFocus(), FALSE);
            if (next)
                SetFocus(next);
            return TRUE;
        }
        default:
            break;
        }
    }
    if ((msg->message == WM_KEYUP || msg->message == WM_CHAR) &&
        (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE || msg->wParam == VK_TAB))
        return TRUE;
    return FALSE;
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
    std::vector<HWND> stops;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        const DWORD style = static_cast<DWORD>(GetWindowLongW(c, GWL_STYLE));
        if ((style & WS_TABSTOP) && (style & WS_VISIBLE) && IsWindowEnabled(c))
            stops.push_back(c);
    }
    if (stops.empty())
        return nullptr;
    auto it = std::find(stops.begin(), stops.end(), control);
    if (it == stops.end())
        return stops.front();
    if (previous)
        return it == stops.begin() ? stops.back() : *std::prev(it);
    return std::next(it) == stops.end() ? stops.front() : *std::next(it);
}

LRESULT DefDlgProcW(HWND dialog, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto proc = reinterpret_cast<DLGPROC>(GetWindowLongW(dialog, DWLP_DLGPROC));
    if (proc) {
        SetWindowLongW(dialog, DWLP_MSGRESULT, 0);
        const INT_PTR handled = proc(dialog, msg, wParam, lParam);
        if (handled) {
            // These answer with the procedure's own result; the rest through
            // DWLP_MSGRESULT.
            if (msg == WM_INITDIALOG || (msg >= WM_CTLCOLORMSGBOX && msg <= WM_CTLCOLORSTATIC))
                return handled;
            return GetWindowLongW(dialog, DWLP_MSGRESULT);
        }
    }
    switch (msg) {
    case WM_INITDIALOG:
        return FALSE;
    case WM_CLOSE:
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDCANCEL)));
        return 0;
    case WM_ERASEBKGND: {
        HDC hdc = reinterpret_cast<HDC>(wParam);
        RECT rc{};
        GetClientRect(dialog, &rc);
        auto brush = reinterpret_cast<HBRUSH>(
            SendMessageW(dialog, WM_CTLCOLORDLG, wParam, reinterpret_cast<LPARAM>(dialog)));
        FillRect(hdc, &rc, brush ? brush : GetSysColorBrush(COLOR_3DFACE));
        return TRUE;
    }
    case WM_CTLCOLORDLG:
        return DefWindowProcW(dialog, msg, wParam, lParam);
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) {
            DialogData* data = FindDialogData(dialog);
            HWND focus = GetFocus();
            if (!focus || (focus != dialog && !IsChild(dialog, focus))) {
                HWND target = data && data->lastFocus && IsWindow(data->lastFocus)
                                  ? data->lastFocus
                                  : FirstTabStop(dialog);
                SetFocus(target ? target : dialog);
            }
        } else if (DialogData* data = FindDialogData(dialog)) {
            HWND focus = GetFocus();
            if (focus && IsChild(dialog, focus))
                data->lastFocus = focus;
        }
        return 0;
    case DM_GETDEFID:
        for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if (IsPushButton(c) && (static_cast<DWORD>(GetWindowLongW(c, GWL_STYLE)) &
                                    BS_TYPEMASK) == BS_DEFPUSHBUTTON)
                return MAKELONG(static_cast<WORD>(GetDlgCtrlID(c)), DC_HASDEFID);
        return 0;
    case WM_NCDESTROY:
        if (DialogData* data = FindDialogData(dialog); data && data->font) {
            DeleteObject(data->font);
            data->font = nullptr;
        }
        return DefWindowProcW(dialog, msg, wParam, lParam);
    case WM_GETFONT:
        if (DialogData* data = FindDialogData(dialog))
            return reinterpret_cast<LRESULT>(data->font);
        return 0;
    default:
        return DefWindowProcW(dialog, msg, wParam, lParam);
    }
}

LONG GetDialogBaseUnits() {
    const SIZE base = DialogBaseUnits(DialogFont{});
    return MAKELONG(static_cast<WORD>(base.cx), static_cast<WORD>(base.cy));
}

BOOL MapDialogRect(HWND dialog, LPRECT rect) {
    DialogData* data = FindDialogData(dialog);
    if (!data || !rect)
        return FALSE;
    rect->left = Scale(rect->left, data->baseUnits.cx, 4);
    rect->right = Scale(rect->right, data->baseUnits.cx, 4);
    rect->top = Scale(rect->top, data->baseUnits.cy, 8);
    rect->bottom = Scale(rect->bottom, data->baseUnits.cy, 8);
    return TRUE;
}
