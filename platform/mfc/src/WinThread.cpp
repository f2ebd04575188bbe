#include "ThreadState.h"

#include <mfc/WinThread.h>
#include <win32/User.h>

IMPLEMENT_DYNAMIC(CWinThread, CCmdTarget)

CWinThread::~CWinThread() {
    if (m_hThread)
        ::CloseHandle(m_hThread);
}

BOOL CWinThread::InitInstance() {
    return FALSE;
}

int CWinThread::ExitInstance() {
    return 0;
}

int CWinThread::Run() {
    for (;;) {
        MSG msg{};
        if (!::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE))
            mfc::detail::CurrentThreadState().DeleteTemporaryWindows();
        const BOOL got = ::GetMessageW(&msg, nullptr, 0, 0);
        if (got == 0)
            break;
        if (got < 0)
            continue;
        ::TranslateMessage(&msg);
        ::DispatchMessageW(&msg);
    }
    return ExitInstance();
}

CWnd* CWinThread::GetMainWnd() {
    return m_pMainWnd;
}

DWORD CWinThread::ResumeThread() {
    return ::ResumeThread(m_hThread);
}

DWORD WINAPI CWinThread::WorkerStart(LPVOID pThread) {
    auto* thread = static_cast<CWinThread*>(pThread);
    // The object goes however the procedure ends, a stop of the thread
    // included.
    struct AutoDelete {
        CWinThread* thread;
        ~AutoDelete() {
            if (thread->m_bAutoDelete)
                delete thread;
        }
    } autoDelete{thread};
    return thread->m_pfnThreadProc(thread->m_pThreadParams);
}

CWinThread* AfxBeginThread(AFX_THREADPROC pfnThreadProc, LPVOID pParam, int, UINT nStackSize,
                           DWORD dwCreateFlags, LPSECURITY_ATTRIBUTES lpSecurityAttrs) {
    if (!pfnThreadProc)
        return nullptr;
    auto* thread = new CWinThread;
    thread->m_pfnThreadProc = pfnThreadProc;
    thread->m_pThreadParams = pParam;
    // Held until the members are filled in: a short procedure would
    // otherwise delete the object under our hands.
    DWORD id = 0;
    HANDLE handle = ::CreateThread(lpSecurityAttrs, nStackSize, &CWinThread::WorkerStart, thread,
                                   dwCreateFlags | CREATE_SUSPENDED, &id);
    if (!handle) {
        delete thread;
        return nullptr;
    }
    thread->m_hThread = handle;
    thread->m_nThreadID = id;
    if (!(dwCreateFlags & CREATE_SUSPENDED))
        ::ResumeThread(handle);
    return thread;
}
