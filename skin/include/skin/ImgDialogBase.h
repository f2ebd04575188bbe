#pragma once

#include <atomic>
#include <cstdint>
#include <gdiplus/Gdiplus.h>
#include <map>
#include <mfc/Dialog.h>
#include <mfc/String.h>

// A dialog shown as a per-pixel-alpha picture: the skin, with every child
// control mirrored onto it, in a click-through layered window that follows
// the dialog; the dialog itself stays nearly invisible and takes the input.
class CImgDialogBase : public CDialog {
    DECLARE_DYNAMIC(CImgDialogBase)

public:
    CImgDialogBase(UINT nIDD, UINT nImgID, LPCTSTR lpszType, HINSTANCE hResourceModule,
                   CWnd* pParent);
    ~CImgDialogBase() override;

protected:
    struct _tagCtrlInfo {
        WNDPROC pfnOldWndProc;
        CImgDialogBase* pDialog;
    };

    void DoDataExchange(CDataExchange* pDX) override;
    void PostNcDestroy() override;
    BOOL OnInitDialog() override;
    void OnOK() override;
    void OnCancel() override;
    // Drawn over the skin, under the controls, on every composition.
    virtual void OnDraw(Gdiplus::Graphics& graphics);

    void CreateFakeWnd();
    void Refresh();
    void DrawCtrl(Gdiplus::Graphics& graphics, HDC hDC, HWND hWnd);
    void DrawCaret(Gdiplus::Graphics& graphics);

    void HookControlUpdate(HWND hWnd);
    void UnhookControlUpdate(HWND hWnd);
    static LRESULT CALLBACK CtrlWndProc(HWND hWnd, UINT nMsg, WPARAM wParam, LPARAM lParam);

    void OnLButtonDown(UINT nFlags, CPoint point);
    BOOL OnEraseBkgnd(CDC* pDC);
    void OnMove(int x, int y);
    void OnShowWindow(BOOL bShow, UINT nStatus);
    void OnSize(UINT nType, int cx, int cy);
    void OnActivate(UINT nState, CWnd* pWndOther, BOOL bMinimized);
    void OnClose();
    static UINT ShowMotionThread(LPVOID pParam);
    DECLARE_MESSAGE_MAP()

protected:
    Gdiplus::Image* m_pImage;
    std::int32_t m_nImgWidth;
    std::int32_t m_nImgHeight;
    HWND m_hFakeWnd;
    BOOL m_bMoveable;
    // Written by the fade thread, read by every composition on the UI thread.
    std::atomic<std::int32_t> m_nAlpha;
    BOOL m_bRefreshing;
    CString m_strFakeClass;
    BOOL m_bMotionStarted;
    // The fade thread and the window it paints, taken on the UI thread when
    // it starts, so that the dialog can stop it before it goes away and the
    // thread never reads m_hWnd while the UI thread detaches it.
    HANDLE m_hMotionThread;
    HWND m_hMotionWnd;

    static std::map<HWND, _tagCtrlInfo> s_mpCtrl;

    friend class ImgDialogBaseTestAccess;
};
