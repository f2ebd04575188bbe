#pragma once

// A top-level window with the twelve panels as static children, made on the
// test thread, so that a collector's SetDlgItemTextW lands somewhere real.

#include <res/Resource.h>
#include <string>
#include <thread>
#include <win32/User.h>

namespace collectors_test {

struct PanelCaption {
    int nId;
    LPCWSTR lpszCaption;
};

inline constexpr PanelCaption kPanels[] = {
    {IDC_CPU, L"CPU"},
    {IDC_GPU, L"GPU"},
    {IDC_HDD, L"HDD"},
    {IDC_SMART, L"S.M.A.R.T"},
    {IDC_MAINBOARD, L"Mainboard"},
    {IDC_MEM, L"MEM"},
    {IDC_CPU_TEMP, L"CPU Temp."},
    {IDC_FAN, L"FAN"},
    {IDC_MB_TEMP, L"MB Temp."},
    {IDC_UNKNOWN, L"Unknown"},
    {IDC_PAGES_SEC, L"Pages/sec"},
    {IDC_DISK_QUEUE, L"Avg.Disk Queue Length"},
};

class PanelWindow {
public:
    PanelWindow() {
        m_hwnd = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 300, 400, nullptr, nullptr,
                                 nullptr, nullptr);
        for (const PanelCaption& panel : kPanels)
            CreateWindowExW(0, L"Static", panel.lpszCaption, WS_CHILD | WS_VISIBLE, 0, 0, 100, 40,
                            m_hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(panel.nId)),
                            nullptr, nullptr);
    }
    ~PanelWindow() { DestroyWindow(m_hwnd); }
    PanelWindow(const PanelWindow&) = delete;
    PanelWindow& operator=(const PanelWindow&) = delete;

    HWND Handle() const { return m_hwnd; }

    std::wstring Text(int nId) const {
        wchar_t buffer[4096]{};
        GetDlgItemTextW(m_hwnd, nId, buffer, 4096);
        return buffer;
    }
    void SetText(int nId, LPCWSTR lpszText) const { SetDlgItemTextW(m_hwnd, nId, lpszText); }

    // Handles messages (the collector's panel writes among them) until
    // `done` holds; the caller runs under a watchdog.
    template <typename Done>
    void PumpUntil(Done done) const {
        while (!done()) {
            MSG msg;
            if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE))
                DispatchMessageW(&msg);
            else
                std::this_thread::yield();
        }
    }

private:
    HWND m_hwnd = nullptr;
};

} // namespace collectors_test
