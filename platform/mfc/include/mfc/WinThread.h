#pragma once

// Threads of the framework, and worker threads started with AfxBeginThread.

#include <mfc/CmdTarget.h>
#include <win32/Kernel.h>

class CWnd;

using AFX_THREADPROC = UINT (*)(LPVOID);

// The layer runs every thread at one priority; the value is accepted and
// has no effect.
inline constexpr int THREAD_PRIORITY_NORMAL = 0;

class CWinThread : public CCmdTarget {
    DECLARE_DYNAMIC(CWinThread)

public:
    CWinThread() = default;
    ~CWinThread() override;
    CWinThread(const CWinThread&) = delete;
    CWinThread& operator=(const CWinThread&) = delete;

    CWnd* m_pMainWnd = nullptr;
    HANDLE m_hThread = nullptr;
    DWORD m_nThreadID = 0;
    // A worker's object deletes itself when its procedure returns (or the
    // thread is stopped); nobody may use the pointer after that.
    BOOL m_bAutoDelete = TRUE;

    virtual BOOL InitInstance();
    virtual int ExitInstance();
    // Pumps messages until WM_QUIT and returns ExitInstance().
    virtual int Run();
    virtual CWnd* GetMainWnd();
    DWORD ResumeThread();

private:
    friend CWinThread* AfxBeginThread(AFX_THREADPROC, LPVOID, int, UINT, DWORD,
                                      LPSECURITY_ATTRIBUTES);
    static DWORD WINAPI WorkerStart(LPVOID pThread);
    AFX_THREADPROC m_pfnThreadProc = nullptr;
    LPVOID m_pThreadParams = nullptr;
};

// Starts `pfnThreadProc(pParam)` on a new thread. Null when the thread cannot
// be created. With CREATE_SUSPENDED the thread waits for ResumeThread.
CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam,
                           int nPriority = THREAD_PRIORITY_NORMAL, UINT nStackSize = 0,
                           DWORD dwCreateFlags = 0,
                           LPSECURITY_ATTRIBUTES lpSecurityAttrs = nullptr);
