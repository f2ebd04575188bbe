#include <algorithm>
#include <cstring>
#include <cwchar>
#include <mfc/WinApp.h>
#include <mfc/WinThread.h>
#include <skin/ImgDialogBase.h>
#include <skin/InitOrder.h>
#include <skin/Utility.h>
#include <win32/Gdi.h>
#include <win32/Kernel.h>
#include <win32/User.h>

IMPLEMENT_DYNAMIC(CImgDialogBase, CDialog)

TARVIK_INIT_HOOKMAP std::map<HWND, CImgDialogBase::_tagCtrlInfo> CImgDialogBase::s_mpCtrl;

BEGIN_MESSAGE_MAP(CImgDialogBase, CDialog)
ON_WM_LBUTTONDOWN()
ON_WM_ERASEBKGND()
ON_WM_MOVE()
ON_WM_SHOWWINDOW()
ON_WM_SIZE()
ON_WM_ACTIVATE()
ON_WM_CLOSE()
END_MESSAGE_MAP()

namespace {

constexpr WPARAM kMoveByCaption = SC_MOVE | HTCAPTION; // 0xF012
constexpr LPARAM kPrintAll =
    PRF_CHECKVISIBLE | PRF_NONCLIENT | PRF_CLIENT | PRF_ERASEBKGND | PRF_CHILDREN | PRF_OWNED;

} // namespace

// --- state and lifecycle -------------------------------------------------------------------

CImgDialogBase::CImgDialogBase(UINT nIDD, UINT nImgID, LPCTSTR lpszType, HINSTANCE hResourceModule,
                               CWnd* pParent)
    : CDialog(nIDD, pParent), m_pImage(CUtility::LoadImageW(nImgID, lpszType, hResourceModule)),
      m_nImgWidth(0), m_nImgHeight(0), m_hFakeWnd(nullptr), m_bMoveable(TRUE), m_nAlpha(0),
      m_bRefreshing(FALSE), m_bMotionStarted(FALSE), m_hMotionThread(nullptr),
      m_hMotionWnd(nullptr) {
    // A skin that could not even be allocated counts as one without a picture.
    if (m_pImage) {
        m_nImgWidth = static_cast<std::int32_t>(m_pImage->GetWidth());
        m_nImgHeight = static_cast<std::int32_t>(m_pImage->GetHeight());
    }
    m_strFakeClass.Format(L"FakeWnd%X", GetTickCount());
}

CImgDialogBase::~CImgDialogBase() {
    // The fade thread holds a plain pointer to this object: it must be gone
    // first. The stop keeps answering what it sends meanwhile.
    if (m_hMotionThread)
        TerminateThread(m_hMotionThread, 0);
    if (m_pImage) {
        delete m_pImage;
        m_pImage = nullptr;
    }
}

void CImgDialogBase::DoDataExchange(CDataExchange*) {}

void CImgDialogBase::OnDraw(Gdiplus::Graphics&) {}

BOOL CImgDialogBase::OnInitDialog() {
    CDialog::OnInitDialog();
    const int width = m_pImage ? static_cast<int>(m_pImage->GetWidth()) : 0;
    const int height = m_pImage ? static_cast<int>(m_pImage->GetHeight()) : 0;
    ::SetWindowPos(m_hWnd, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    CreateFakeWnd();
    ::SetWindowLongW(m_hWnd, GWL_EXSTYLE, ::GetWindowLongW(m_hWnd, GWL_EXSTYLE) | WS_EX_LAYERED);
    ::SetLayeredWindowAttributes(m_hWnd, 0, 5, LWA_ALPHA);
    HookControlUpdate(m_hWnd);
    return TRUE;
}

void CImgDialogBase::CreateFakeWnd() {
    if (m_hFakeWnd) {
        ::DestroyWindow(m_hFakeWnd);
        m_hFakeWnd = nullptr;
        ::UnregisterClassW(m_strFakeClass, ::GetModuleHandleW(nullptr));
    }

    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(WNDCLASSEXW);
    wc.style = CS_VREDRAW | CS_HREDRAW;
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.hIcon = nullptr;
    wc.hIconSm = nullptr;
    wc.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<UINT_PTR>(COLOR_WINDOW + 1));
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = m_strFakeClass;
    ::RegisterClassExW(&wc);

    RECT rc{};
    ::GetWindowRect(m_hWnd, &rc);
    m_hFakeWnd = ::CreateWindowExW(WS_EX_NOACTIVATE | WS_EX_LAYERED | WS_EX_TRANSPARENT,
                                   m_strFakeClass, nullptr, WS_VISIBLE, rc.left, rc.top,
                                   rc.right - rc.left, rc.bottom - rc.top, m_hWnd, nullptr,
                                   ::GetModuleHandleW(nullptr), nullptr);
}

void CImgDialogBase::OnOK() {
    if (m_hFakeWnd) {
        ::DestroyWindow(m_hFakeWnd);
        m_hFakeWnd = nullptr;
        ::UnregisterClassW(m_strFakeClass, ::GetModuleHandleW(nullptr));
    }
    CDialog::OnOK();
}

void CImgDialogBase::OnCancel() {
    if (m_hFakeWnd) {
        ::DestroyWindow(m_hFakeWnd);
        m_hFakeWnd = nullptr;
        ::UnregisterClassW(m_strFakeClass, ::GetModuleHandleW(nullptr));
    }
    CDialog::OnCancel();
}

void CImgDialogBase::OnClose() {
    if (m_hFakeWnd) {
        ::DestroyWindow(m_hFakeWnd);
        m_hFakeWnd = nullptr;
        ::UnregisterClassW(m_strFakeClass, ::GetModuleHandleW(nullptr));
    }
    Default();
}

void CImgDialogBase::PostNcDestroy() {
    UnhookControlUpdate(GetSafeHwnd());
    CWnd::PostNcDestroy();
}

// --- layered compositing -------------------------------------------------------------------

void CImgDialogBase::Refresh() {
    if (m_bRefreshing)
        return;
    if (!::IsWindow(m_hFakeWnd))
        return;
    m_bRefreshing = TRUE;

    RECT rcFake{};
    ::GetWindowRect(m_hFakeWnd, &rcFake);
    POINT ptDest{rcFake.left, rcFake.top};
    POINT ptSrc{0, 0};
    SIZE size{m_nImgWidth, m_nImgHeight};
    BLENDFUNCTION blend{};
    blend.BlendOp = AC_SRC_OVER;
    blend.BlendFlags = 0;
    blend.SourceConstantAlpha = static_cast<BYTE>(m_nAlpha.load() & 0xFF);
    blend.AlphaFormat = AC_SRC_ALPHA;

    HDC hdcFake = ::GetDC(m_hFakeWnd);
    HDC hdcMem = ::CreateCompatibleDC(hdcFake);

    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    bmi.bmiHeader.biWidth = m_nImgWidth;
    bmi.bmiHeader.biHeight = m_nImgHeight;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    const DWORD stride = ((static_cast<DWORD>(m_nImgWidth) * 32 + 31) / 8) & ~3u;
    bmi.bmiHeader.biSizeImage = static_cast<DWORD>(m_nImgHeight) * stride;
    void* pBits = nullptr;
    HBITMAP hDib = ::CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &pBits, nullptr, 0);
    if (hDib) {
        std::memset(pBits, 0,
                    static_cast<std::size_t>(m_nImgHeight) * static_cast<std::size_t>(m_nImgWidth) *
                        4);
        HGDIOBJ hOld = ::SelectObject(hdcMem, hDib);
        {
            Gdiplus::Graphics graphics(hdcMem);
            graphics.SetSmoothingMode(Gdiplus::SmoothingModeNone);
            graphics.DrawImage(m_pImage, 0, 0, m_nImgWidth, m_nImgHeight);
            OnDraw(graphics);
            for (HWND hChild = ::GetWindow(m_hWnd, GW_CHILD); hChild;
                 hChild = ::GetWindow(hChild, GW_HWNDNEXT))
                DrawCtrl(graphics, hdcFake, hChild);
            DrawCaret(graphics);
            ::UpdateLayeredWindow(m_hFakeWnd, hdcFake, &ptDest, &size, hdcMem, &ptSrc, 0, &blend,
                                  ULW_ALPHA);
            ::SelectObject(hdcMem, hOld);
            ::DeleteObject(hDib);
        }
    }
    ::DeleteDC(hdcMem);
    ::ReleaseDC(m_hFakeWnd, hdcFake);
    m_bRefreshing = FALSE;
}

void CImgDialogBase::DrawCtrl(Gdiplus::Graphics& graphics, HDC hDC, HWND hWnd) {
    if (!::IsWindow(hWnd) || !::IsWindowVisible(hWnd))
        return;
    CRect rc;
    ::GetWindowRect(hWnd, &rc);
    ScreenToClient(&rc);

    HDC hdcMem = ::CreateCompatibleDC(hDC);
    HBITMAP hBitmap = ::CreateCompatibleBitmap(hDC, rc.Width(), rc.Height());
    HGDIOBJ hOld = ::SelectObject(hdcMem, hBitmap);
    ::SendMessageW(hWnd, WM_PRINT, reinterpret_cast<WPARAM>(hdcMem), kPrintAll);
    Gdiplus::Bitmap* pBitmap = Gdiplus::Bitmap::FromHBITMAP(hBitmap, nullptr);
    graphics.DrawImage(pBitmap, static_cast<INT>(rc.left), static_cast<INT>(rc.top));
    ::SelectObject(hdcMem, hOld);
    ::DeleteDC(hdcMem);
    ::DeleteObject(hBitmap);
    delete pBitmap;
}

void CImgDialogBase::DrawCaret(Gdiplus::Graphics& graph) {
    CWnd* pFocus = CWnd::FromHandle(::GetFocus());
    if (!pFocus || !::IsWindow(pFocus->GetSafeHwnd()))
        return;
    wchar_t szClass[260] = {};
    ::GetClassNameW(pFocus->GetSafeHwnd(), szClass, 260);
    if (::wcscasecmp(szClass, L"EDIT") != 0)
        return;
    POINT pt{};
    ::GetCaretPos(&pt);
    ::ClientToScreen(pFocus->GetSafeHwnd(), &pt);
    ScreenToClient(&pt);
    Gdiplus::Pen pen(Gdiplus::Color(255, 0, 0, 0), 1.0f, Gdiplus::UnitWorld);
    graph.DrawLine(&pen, static_cast<INT>(pt.x), static_cast<INT>(pt.y), static_cast<INT>(pt.x),
                   static_cast<INT>(pt.y + 13));
}

// --- child-control mirroring ------------------------------------------------------------------

void CImgDialogBase::HookControlUpdate(HWND hWnd) {
    _tagCtrlInfo info{};
    info.pDialog = this;
    info.pfnOldWndProc = reinterpret_cast<WNDPROC>(::GetWindowLongW(hWnd, GWL_WNDPROC));
    // Hooked twice: keep the procedure saved the first time, or the window's
    // own procedure would never be reached again.
    if (info.pfnOldWndProc == CtrlWndProc) {
        auto it = s_mpCtrl.find(hWnd);
        info.pfnOldWndProc = it != s_mpCtrl.end() ? it->second.pfnOldWndProc : ::DefWindowProcW;
    }
    s_mpCtrl[hWnd] = info;
    ::SetWindowLongW(hWnd, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(CtrlWndProc));

    for (HWND hChild = ::GetWindow(hWnd, GW_CHILD); hChild;
         hChild = ::GetWindow(hChild, GW_HWNDNEXT))
        HookControlUpdate(hChild);
}

void CImgDialogBase::UnhookControlUpdate(HWND hWnd) {
    if (!::IsWindow(hWnd))
        return;
    auto it = s_mpCtrl.find(hWnd);
    if (it != s_mpCtrl.end()) {
        // A window that lives on gets its own procedure back.
        if (reinterpret_cast<WNDPROC>(::GetWindowLongW(hWnd, GWL_WNDPROC)) == CtrlWndProc)
            ::SetWindowLongW(hWnd, GWL_WNDPROC,
                             reinterpret_cast<LONG_PTR>(it->second.pfnOldWndProc));
        s_mpCtrl.erase(it);
    }
    for (HWND hChild = ::GetWindow(hWnd, GW_CHILD); hChild;
         hChild = ::GetWindow(hChild, GW_HWNDNEXT))
        UnhookControlUpdate(hChild);
}

LRESULT CALLBACK CImgDialogBase::CtrlWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam) {
    auto it = s_mpCtrl.find(hWnd);
    if (it == s_mpCtrl.end())
        return ::DefWindowProcW(hWnd, nMsg, wParam, lParam);
    const WNDPROC pfnOldWndProc = it->second.pfnOldWndProc;
    CImgDialogBase* pDialog = it->second.pDialog;

    const LRESULT lResult = ::CallWindowProcW(pfnOldWndProc, hWnd, nMsg, wParam, lParam);
    if (nMsg == WM_PAINT || (nMsg >= WM_CTLCOLORMSGBOX && nMsg <= WM_CTLCOLORSTATIC) ||
        nMsg == WM_CAPTURECHANGED)
        pDialog->Refresh();
    return lResult;
}

// --- window behaviour and fade-in ---------------------------------------------------------------

void CImgDialogBase::OnLButtonDown(UINT, CPoint) {
    if (m_bMoveable)
        ::SendMessageW(m_hWnd, WM_SYSCOMMAND, kMoveByCaption, 0);
    Default();
}

BOOL CImgDialogBase::OnEraseBkgnd(CDC*) {
    return TRUE;
}

void CImgDialogBase::OnMove(int x, int y) {
    Default();
    if (::IsWindow(m_hFakeWnd))
        ::SetWindowPos(m_hFakeWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
}

void CImgDialogBase::OnShowWindow(BOOL bShow, UINT) {
    Default();
    ::ShowWindow(m_hFakeWnd, bShow ? SW_SHOWNA : SW_HIDE);
    if (!m_bMotionStarted) {
        m_bMotionStarted = TRUE;
        m_hMotionWnd = m_hWnd;
        // Started held, so that its handle is known before it can end.
        CWinThread* pThread =
            AfxBeginThread(ShowMotionThread, this, THREAD_PRIORITY_NORMAL, 0, CREATE_SUSPENDED);
        if (pThread) {
            m_hMotionThread = pThread->m_hThread;
            ::ResumeThread(m_hMotionThread);
        }
    }
}

void CImgDialogBase::OnSize(UINT, int cx, int cy) {
    Default();
    if (::IsWindow(m_hFakeWnd))
        ::SetWindowPos(m_hFakeWnd, nullptr, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER);
}

void CImgDialogBase::OnActivate(UINT nState, CWnd*, BOOL) {
    Default();
    if (nState == WA_ACTIVE)
        ::InvalidateRect(m_hWnd, nullptr, TRUE);
}

UINT CImgDialogBase::ShowMotionThread(LPVOID pParam) {
    auto* pDialog = static_cast<CImgDialogBase*>(pParam);
    while (pDialog->m_nAlpha.load() < 255) {
        pDialog->m_nAlpha.store(std::min(pDialog->m_nAlpha.load() + 30, 255));
        ::SendMessageW(pDialog->m_hMotionWnd, WM_PAINT, 0, 0);
        ::Sleep(20);
    }
    return 0;
}
