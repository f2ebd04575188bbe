#pragma once

// A window object of the framework. A CWnd is permanently bound to its
// window when the framework creates the window for it (CDialog::DoModal) or
// when it is given one with SubclassWindow or Attach; FromHandle of any other
// window gives a temporary wrapper owned by the framework.

#include <mfc/CmdTarget.h>
#include <mfc/DC.h>
#include <mfc/Geometry.h>
#include <mfc/String.h>
#include <win32/User.h>

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
        : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd) {}
    BOOL m_bSaveAndValidate;
    CWnd* m_pDlgWnd;
};

inline constexpr UINT CTLCOLOR_MSGBOX = 0;
inline constexpr UINT CTLCOLOR_EDIT = 1;
inline constexpr UINT CTLCOLOR_LISTBOX = 2;
inline constexpr UINT CTLCOLOR_BTN = 3;
inline constexpr UINT CTLCOLOR_DLG = 4;
inline constexpr UINT CTLCOLOR_SCROLLBAR = 5;
inline constexpr UINT CTLCOLOR_STATIC = 6;

// The framework's window procedure: it routes each message to the permanent
// CWnd of its window.
LRESULT CALLBACK AfxWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

class CWnd : public CCmdTarget {
    DECLARE_DYNAMIC(CWnd)

public:
    CWnd() = default;
    // A CWnd still bound to a window gives the window its old procedure back
    // and destroys it.
    ~CWnd() override;
    CWnd(const CWnd&) = delete;
    CWnd& operator=(const CWnd&) = delete;

    HWND m_hWnd = nullptr;
    operator HWND() const { return m_hWnd; }
    // Null for a null object, as the framework's callers expect.
    HWND GetSafeHwnd() const;

    // The permanent CWnd of the window, else a temporary wrapper kept by the
    // calling thread (until its message loop next idles); null for null.
    static CWnd* FromHandle(HWND hWnd);
    static CWnd* FromHandlePermanent(HWND hWnd);
    // Binds this object to the window without touching its procedure.
    BOOL Attach(HWND hWndNew);
    HWND Detach();
    // Binds and routes the window's messages through this object; the
    // replaced procedure is what Default() passes messages on to.
    BOOL SubclassWindow(HWND hWnd);
    HWND UnsubclassWindow();

    virtual BOOL DestroyWindow();
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult);
    virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);
    virtual LRESULT DefWindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    // Called after the window is gone and this object has been unbound.
    virtual void PostNcDestroy();
    virtual void DoDataExchange(CDataExchange* pDX);
    BOOL UpdateData(BOOL bSaveAndValidate = TRUE);

    // The message being handled, with its own wParam and lParam, passed on to
    // the window's previous procedure.
    LRESULT Default();

    LRESULT SendMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL PostMessage(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) const;
    BOOL ShowWindow(int nCmdShow);
    BOOL SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags);
    BOOL MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint = TRUE);
    void GetWindowRect(LPRECT lpRect) const;
    void GetClientRect(LPRECT lpRect) const;
    void ScreenToClient(LPPOINT lpPoint) const;
    void ScreenToClient(LPRECT lpRect) const;
    void ClientToScreen(LPPOINT lpPoint) const;
    void ClientToScreen(LPRECT lpRect) const;
    void InvalidateRect(LPCRECT lpRect, BOOL bErase = TRUE);
    void Invalidate(BOOL bErase = TRUE);
    BOOL UpdateWindow();
    HICON SetIcon(HICON hIcon, BOOL bBigIcon);
    CWnd* GetDlgItem(int nID) const;
    CWnd* GetParent() const;
    CWnd* SetParent(CWnd* pWndNewParent);
    void SetWindowText(LPCWSTR lpszString);
    void GetWindowText(CString& rString) const;
    BOOL IsWindowVisible() const;
    BOOL IsWindowEnabled() const;
    BOOL EnableWindow(BOOL bEnable = TRUE);
    DWORD GetStyle() const;
    DWORD GetExStyle() const;
    CWnd* SetFocus();
    // Captioned with the application's name when no caption is given.
    int MessageBoxW(LPCWSTR lpszText, LPCWSTR lpszCaption = nullptr, UINT nType = MB_OK);

    // Handlers with their message-map signatures; each does the default
    // processing of its message.
    void OnLButtonDown(UINT nFlags, CPoint point);
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnMove(int x, int y);
    void OnShowWindow(BOOL bShow, UINT nStatus);
    void OnSize(UINT nType, int cx, int cy);
    void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    void OnClose();
    HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor);

protected:
    // WM_NCDESTROY: the application forgets its main window and quits, the
    // window gets its default processing, this object is unbound, and then
    // PostNcDestroy runs.
    void OnNcDestroy();

    // The procedure that was the window's before the framework's.
    WNDPROC m_pfnSuper = nullptr;
};

// Message-map entries for window messages.
#include <mfc/WindowMessages.h>
