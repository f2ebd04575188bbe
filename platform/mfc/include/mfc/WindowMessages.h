#pragma once

// Message-map entries for window messages, each unpacking its message as the
// framework does. Include <mfc/Wnd.h>, which includes this.

#include <mfc/MessageMap.h>
#include <mfc/Wnd.h>

namespace mfc::detail {

template <auto Pmf, class Signature>
concept WindowHandlerOf = HandlerOf<Pmf, Signature> && std::derived_from<HandlerClass<Pmf>, CWnd>;

template <auto Pmf>
HandlerClass<Pmf>* Target(CCmdTarget* t) {
    return static_cast<HandlerClass<Pmf>*>(t);
}

// Every entry answers one message or a range.
constexpr AFX_MSGMAP_ENTRY WindowEntry(UINT first, UINT last, AFX_PMSG pfn) {
    return {first, last, 0, 0, 0, pfn};
}

template <auto Pmf>
requires WindowHandlerOf<Pmf, void(UINT, CPoint)>
constexpr AFX_MSGMAP_ENTRY LButtonDownEntry() {
    return WindowEntry(WM_LBUTTONDOWN, WM_LBUTTONDOWN, [](CCmdTarget* t, UINT, WPARAM w, LPARAM l) {
        (Target<Pmf>(t)->*Pmf)(static_cast<UINT>(w), CPoint(l));
        return LRESULT{0};
    });
}

template <auto Pmf>
requires WindowHandlerOf<Pmf, BOOL(CDC*)>
constexpr AFX_MSGMAP_ENTRY EraseBkgndEntry() {
    return WindowEntry(WM_ERASEBKGND, WM_ERASEBKGND, [](CCmdTarget* t, UINT, WPARAM w, LPARAM) {
        return static_cast<LRESULT>(
            (Target<Pmf>(t)->*Pmf)(CDC::FromHandle(reinterpret_cast<HDC>(w))));
    });
}

template <auto Pmf>
requires WindowHandlerOf<Pmf, void(int, int)>
constexpr AFX_MSGMAP_ENTRY MoveEntry() {
    return WindowEntry(WM_MOVE, WM_MOVE, [](CCmdTarget* t, UINT, WPARAM, LPARAM l) {
        (Target<Pmf>(t)->*Pmf)(GET_X_LPARAM(l), GET_Y_LPARAM(l));
        return LRESULT{0};
    });
}

template <auto Pmf>
requires WindowHandlerOf<Pmf, void(BOOL, UINT)>
constexpr AFX_MSGMAP_ENTRY ShowWindowEntry() {
    return WindowEntry(WM_SHOWWINDOW, WM_SHOWWINDOW, [](CCmdTarget* t, UINT, WPARAM w, LPARAM l) {
        (Target<Pmf>(t)->*Pmf)(static_cast<BOOL>(w), static_cast<UINT>(l));
        return LRESULT{0};
    });
}

template <auto Pmf>
requires WindowHandlerOf<Pmf, void(UINT, int, int)>
constexpr AFX_MSGMAP_ENTRY SizeEntry() {
    return WindowEntry(WM_SIZE, WM_SIZE, [](CCmdTarget* t, UINT, WPARAM w, LPARAM l) {
        (Target<Pmf>(t)->*Pmf)(static_cast<UINT>(w), LOWORD(l), HIWORD(l));
        return LRESULT{0};
    });
}

template <auto Pmf>
requires WindowHandlerOf<Pmf, void(UINT, CWnd*, BOOL)>
constexpr AFX_MSGMAP_ENTRY ActivateEntry() {
    return WindowEntry(WM_ACTIVATE, WM_ACTIVATE, [](CCmdTarget* t, UINT, WPARAM w, LPARAM l) {
        (Target<Pmf>(t)->*Pmf)(LOWORD(w), CWnd::FromHandle(reinterpret_cast<HWND>(l)),
                               static_cast<BOOL>(HIWORD(w)));
        return LRESULT{0};
    });
}

template <auto Pmf>
requires WindowHandlerOf<Pmf, void()>
constexpr AFX_MSGMAP_ENTRY CloseEntry() {
    return WindowEntry(WM_CLOSE, WM_CLOSE, [](CCmdTarget* t, UINT, WPARAM, LPARAM) {
        (Target<Pmf>(t)->*Pmf)();
        return LRESULT{0};
    });
}

// The seven colour messages, WM_CTLCOLORMSGBOX (CTLCOLOR_MSGBOX) to
// WM_CTLCOLORSTATIC (CTLCOLOR_STATIC); the control's CWnd comes from lParam.
template <auto Pmf>
requires WindowHandlerOf<Pmf, HBRUSH(CDC*, CWnd*, UINT)>
constexpr AFX_MSGMAP_ENTRY CtlColorEntry() {
    return WindowEntry(WM_CTLCOLORMSGBOX, WM_CTLCOLORSTATIC,
                       [](CCmdTarget* t, UINT m, WPARAM w, LPARAM l) {
                           return reinterpret_cast<LRESULT>((Target<Pmf>(t)->*Pmf)(
                               CDC::FromHandle(reinterpret_cast<HDC>(w)),
                               CWnd::FromHandle(reinterpret_cast<HWND>(l)), m - WM_CTLCOLORMSGBOX));
                       });
}

} // namespace mfc::detail

#define ON_WM_LBUTTONDOWN() ::mfc::detail::LButtonDownEntry<&ThisClass::OnLButtonDown>(),
#define ON_WM_ERASEBKGND() ::mfc::detail::EraseBkgndEntry<&ThisClass::OnEraseBkgnd>(),
#define ON_WM_MOVE() ::mfc::detail::MoveEntry<&ThisClass::OnMove>(),
#define ON_WM_SHOWWINDOW() ::mfc::detail::ShowWindowEntry<&ThisClass::OnShowWindow>(),
#define ON_WM_SIZE() ::mfc::detail::SizeEntry<&ThisClass::OnSize>(),
#define ON_WM_ACTIVATE() ::mfc::detail::ActivateEntry<&ThisClass::OnActivate>(),
#define ON_WM_CLOSE() ::mfc::detail::CloseEntry<&ThisClass::OnClose>(),
#define ON_WM_CTLCOLOR() ::mfc::detail::CtlColorEntry<&ThisClass::OnCtlColor>(),
