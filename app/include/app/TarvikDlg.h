#pragma once

#include <skin/ImgDialogBase.h>
#include <win32/Kernel.h>

class CTarvikDlg : public CImgDialogBase {
public:
    CTarvikDlg();
    ~CTarvikDlg() override;

    BOOL DestroyWindow() override;

protected:
    void DoDataExchange(CDataExchange* pDX) override;
    BOOL OnInitDialog() override;
    void OnBnClickedOk();
    DECLARE_MESSAGE_MAP()

protected:
    HICON m_hIcon;
    HANDLE m_hRealtimeThread;
    HANDLE m_hLdsThread;
    HANDLE m_hPdhThread;
    DWORD m_dwRealtimeThreadId;
    DWORD m_dwLdsThreadId;
    DWORD m_dwPdhThreadId;

    friend class TarvikDlgTestAccess;
};
