#include <app/TarvikDlg.h>
#include <collectors/Collectors.h>
#include <exception>
#include <hwlib/Computer.h>
#include <mfc/FileFind.h>
#include <mfc/WinApp.h>
#include <mfc/WinThread.h>
#include <res/Resource.h>
#include <win32/User.h>

using OpenHardwareMonitor::Hardware::Computer;

BEGIN_MESSAGE_MAP(CTarvikDlg, CImgDialogBase)
ON_BN_CLICKED(IDOK, &CTarvikDlg::OnBnClickedOk)
ON_WM_CTLCOLOR()
ON_WM_SIZE()
END_MESSAGE_MAP()

CTarvikDlg::CTarvikDlg()
    : CImgDialogBase(IDD_TARVIK_DIALOG, IDB_SKIN, L"PNG", AfxGetResourceHandle(), nullptr),
      m_hRealtimeThread(nullptr), m_hLdsThread(nullptr), m_hPdhThread(nullptr),
      m_dwRealtimeThreadId(0), m_dwLdsThreadId(0), m_dwPdhThreadId(0) {
    m_hIcon = ::LoadIconW(AfxFindResourceHandle(MAKEINTRESOURCEW(IDR_MAINFRAME), RT_GROUP_ICON),
                          MAKEINTRESOURCEW(IDR_MAINFRAME));
}

CTarvikDlg::~CTarvikDlg() {}

void CTarvikDlg::DoDataExchange(CDataExchange*) {}

BOOL CTarvikDlg::OnInitDialog() {
    CImgDialogBase::OnInitDialog();

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));

    HWND hProgman = ::FindWindowW(L"Progman", L"Program Manager");
    ::SetParent(m_hWnd, hProgman);

    CFileFind finder;
    if (finder.FindFile(L"OpenHardwareMonitorLib.dll"))
        m_hRealtimeThread =
            ::CreateThread(nullptr, 0, GetRealtimeInfo, m_hWnd, 0, &m_dwRealtimeThreadId);
    else
        AfxMessageBox(L"OpenHardwareMonitorLib.dll not found.", MB_OK, 0);

    m_hLdsThread = ::CreateThread(nullptr, 0, GetLDSInfo, m_hWnd, 0, &m_dwLdsThreadId);
    m_hPdhThread = ::CreateThread(nullptr, 0, GetPdhInfo, m_hWnd, 0, &m_dwPdhThreadId);

    finder.Close();
    return TRUE;
}

BOOL CTarvikDlg::DestroyWindow() {
    // Both stops return only once the thread has ended, so neither collector
    // is inside its library when "Finit", Open and Close run below.
    if (m_hRealtimeThread)
        ::TerminateThread(m_hRealtimeThread, 0);
    if (m_hLdsThread)
        ::TerminateThread(m_hLdsThread, 0);

    // The vendor library may be missing, or lack the export: then there is
    // nothing to finish.
    if (HMODULE hDll = ::LoadLibraryA("ComputerZ_HardwareDll.dll")) {
        using FinitProc = int(WINAPI*)();
        if (auto pFinit = reinterpret_cast<FinitProc>(::GetProcAddress(hDll, "Finit")))
            pFinit();
        ::FreeLibrary(hDll);
    }

    // Only when the hardware-monitoring library was found at start.
    if (m_hRealtimeThread) {
        Computer computer;
        computer.Open();
        computer.Close();
    }

    return CImgDialogBase::DestroyWindow();
}

void CTarvikDlg::OnBnClickedOk() {
    CString text;
    try {
        Computer computer;
        computer.Open();
        computer.CPUEnabled(true);
        computer.FanControllerEnabled(true);
        computer.GPUEnabled(true);
        computer.HDDEnabled(true);
        computer.MainboardEnabled(true);
        computer.RAMEnabled(true);
        for (std::size_t i = 0; i < computer.Hardware().size(); ++i)
            computer.Hardware()[i]->Update();
        text = CString(computer.GetReport());
    } catch (const std::exception& e) {
        // The report box says what went wrong instead of the report.
        text = CString(e.what());
    }
    MessageBoxW(text, nullptr, MB_OK);
}
