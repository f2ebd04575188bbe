#pragma once

// Runs the gadget's real application object and main dialog on the headless
// screen for the end-to-end benchmarks: AfxWinMain on the calling thread, a
// driver on another that waits until the dialog has faded in and its panels
// have been written once, stops the collectors (so that nothing else
// composes while a figure is taken), runs its work and closes the dialog
// with Escape. Compositions are counted as the pictures the display window
// receives.

#include <app/TarvikApp.h>
#include <app/TarvikDlg.h>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <hwlib/Environment.h>
#include <mfc/WinApp.h>
#include <res/Resource.h>
#include <screen/HeadlessScreen.h>
#include <string>
#include <thread>
#include <time.h>
#include <win32/Kernel.h>
#include <win32/PdhSources.h>
#include <win32/Screen.h>
#include <win32/User.h>

// The friends the system's classes name for tests.
class ImgDialogBaseTestAccess {
public:
    static void Refresh(CImgDialogBase& dialog) { dialog.Refresh(); }
};

class TarvikDlgTestAccess {
public:
    static void StopCollectors(CTarvikDlg& dialog) {
        for (HANDLE thread : {dialog.m_hRealtimeThread, dialog.m_hLdsThread, dialog.m_hPdhThread})
            if (thread)
                TerminateThread(thread, 0);
    }
};

namespace bench_app {

using Clock = std::chrono::steady_clock;

inline HWND MainDialog() {
    for (HWND hwnd : win32::TopLevelWindowsBottomUp())
        if (GetDlgItem(hwnd, IDC_CPU) && GetDlgItem(hwnd, IDCANCEL)) // all controls made
            return hwnd;
    return nullptr;
}

inline bool IsDisplayWindow(HWND hwnd) {
    HWND owner = GetWindow(hwnd, GW_OWNER);
    return owner && GetDlgItem(owner, IDC_CPU) &&
           (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TRANSPARENT);
}

inline std::wstring Panel(HWND dialog, int id) {
    wchar_t text[4096]{};
    GetDlgItemTextW(dialog, id, text, 4096);
    return text;
}

// Resident memory of this process in kB (VmRSS).
inline long ResidentKb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// The headless screen with a count of the pictures pushed to the display
// window. Installed over the headless screen, which still records and
// answers the message boxes.
class CountingScreen final : public win32::ScreenBackend {
public:
    explicit CountingScreen(screen::HeadlessScreen& inner) : m_inner(inner), m_start(Clock::now()) {
        win32::InstallScreen(this);
    }
    ~CountingScreen() override {
        if (win32::InstalledScreen() == this)
            win32::InstallScreen(&m_inner);
    }
    CountingScreen(const CountingScreen&) = delete;
    CountingScreen& operator=(const CountingScreen&) = delete;

    SIZE ScreenSize() const override { return m_inner.ScreenSize(); }
    void MessageBoxShown(HWND box, const std::wstring& text, const std::wstring& caption,
                         UINT type) override {
        m_inner.MessageBoxShown(box, text, caption, type);
    }
    void WindowContentChanged(HWND hwnd) override {
        HWND display = m_display.load();
        if (!display) {
            if (!IsDisplayWindow(hwnd))
                return;
            m_display = display = hwnd;
        }
        if (hwnd != display)
            return;
        if (m_firstVisible.load() < 0) {
            win32::WindowPicture picture;
            if (win32::GetWindowPicture(hwnd, picture) && picture.perPixelAlpha &&
                picture.constantAlpha > 0)
                m_firstVisible =
                    std::chrono::duration<double, std::milli>(Clock::now() - m_start).count();
        }
        m_pushes.fetch_add(1);
        m_pushes.notify_all();
    }

    std::uint64_t Pushes() const { return m_pushes.load(); }
    // Blocks until more than `seen` pictures have been pushed.
    void WaitPast(std::uint64_t seen) const { m_pushes.wait(seen); }
    HWND Display() const { return m_display.load(); }
    // Milliseconds from this screen's start to the first picture shown at a
    // constant alpha above 0, or -1.
    double FirstVisibleFrameMs() const { return m_firstVisible.load(); }
    screen::HeadlessScreen& Inner() { return m_inner; }

private:
    screen::HeadlessScreen& m_inner;
    Clock::time_point m_start;
    std::atomic<HWND> m_display{nullptr};
    std::atomic<std::uint64_t> m_pushes{0};
    std::atomic<double> m_firstVisible{-1};
};

// Waits until no picture has been pushed for `quietMs`; false after `boundMs`.
inline bool WaitQuiet(const CountingScreen& screen, int quietMs = 60, int boundMs = 10000) {
    const auto bound = Clock::now() + std::chrono::milliseconds(boundMs);
    auto last = screen.Pushes();
    auto since = Clock::now();
    while (Clock::now() < bound) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const auto now = screen.Pushes();
        if (now != last) {
            last = now;
            since = Clock::now();
        } else if (Clock::now() - since >= std::chrono::milliseconds(quietMs)) {
            return true;
        }
    }
    return false;
}

template <class F>
bool Eventually(F done, int ms = 20000) {
    const auto end = Clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (Clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

// What the driver gets to work with, on its own thread.
struct Session {
    CountingScreen& screen;
    HWND dialog = nullptr;
    HWND display = nullptr;
    CTarvikDlg* object = nullptr;
};

// A message the driver sends to the dialog to have one composition made on
// the UI thread; the answer is its duration in nanoseconds (its CPU time on
// the UI thread is left in LastComposeCpuNs()).
inline constexpr UINT kComposeNow = WM_APP + 0x3A0;

namespace detail {
inline WNDPROC g_previous = nullptr;
inline CTarvikDlg* g_object = nullptr;
inline std::atomic<long long> g_lastCpuNs{0};
inline std::atomic<long long> g_composed{0};

inline long long ThreadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<long long>(t.tv_sec) * 1000000000LL + t.tv_nsec;
}

inline LRESULT CALLBACK TimingProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == kComposeNow) {
        const long long cpu = ThreadCpuNs();
        const auto start = Clock::now();
        ImgDialogBaseTestAccess::Refresh(*g_object);
        g_lastCpuNs = ThreadCpuNs() - cpu;
        ++g_composed;
        return static_cast<LRESULT>(
            std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count());
    }
    return CallWindowProcW(g_previous, hwnd, msg, wParam, lParam);
}
} // namespace detail

inline long long LastComposeCpuNs() {
    return detail::g_lastCpuNs.load();
}
// How many compositions kComposeNow has made in all.
inline long long ComposedOnRequest() {
    return detail::g_composed.load();
}

inline void PointLibrariesAtFixtures() {
    OpenHardwareMonitor::Hardware::SetRootDirectory(TARVIK_SOURCE_DIR
                                                    "/tests/hwlib/fixtures/amd-desktop-5800x");
    PdhSetRootDirectory(TARVIK_SOURCE_DIR "/tests/pdh/fixtures/desktop");
    // Loaded here and kept: the collector's own load finds the same library.
    if (HMODULE vendor = LoadLibraryA("ComputerZ_HardwareDll.dll")) {
        using SetRoot = int (*)(const char*);
        if (auto set = reinterpret_cast<SetRoot>(GetProcAddress(vendor, "SetRootDirectory")))
            set(TARVIK_SOURCE_DIR "/tests/vendorlib/fixtures/amd-desktop");
    }
}

// Runs the gadget (from the executable's folder, where the hardware-monitoring
// library lies, its sources pointed at a fixture machine) and `work` on a
// driver thread once the dialog is settled; returns AfxWinMain's code, or
// 2 when the dialog never settled.
inline int RunGadget(std::function<void(Session&)> work) {
    namespace fs = std::filesystem;
    const fs::path before = fs::current_path();
    fs::current_path(fs::read_symlink("/proc/self/exe").parent_path());
    screen::HeadlessScreen headless;
    CountingScreen screen(headless);
    PointLibrariesAtFixtures();
    bool settled = false;
    std::thread driver([&] {
        Session session{screen};
        settled = Eventually([&] { return (session.dialog = MainDialog()) != nullptr; }) &&
                  Eventually([&] {
                      win32::WindowPicture picture;
                      return screen.Display() &&
                             win32::GetWindowPicture(screen.Display(), picture) &&
                             picture.constantAlpha == 255;
                  }) &&
                  Eventually([&] {
                      // Every panel written at least once.
                      return Panel(session.dialog, IDC_MEM) != L"MEM" &&
                             Panel(session.dialog, IDC_CPU_TEMP) != L"CPU Temp." &&
                             Panel(session.dialog, IDC_PAGES_SEC) != L"Pages/sec";
                  });
        if (settled) {
            session.display = screen.Display();
            session.object = static_cast<CTarvikDlg*>(theApp.m_pMainWnd);
            TarvikDlgTestAccess::StopCollectors(*session.object);
            settled = WaitQuiet(screen);
        }
        if (settled) {
            detail::g_object = session.object;
            detail::g_previous = reinterpret_cast<WNDPROC>(SetWindowLongW(
                session.dialog, GWL_WNDPROC, reinterpret_cast<LONG_PTR>(detail::TimingProc)));
            work(session);
            SetWindowLongW(session.dialog, GWL_WNDPROC,
                           reinterpret_cast<LONG_PTR>(detail::g_previous));
        } else {
            std::fprintf(stderr, "the dialog did not settle\n");
        }
        if (HWND dialog = MainDialog()) {
            SetForegroundWindow(dialog);
            win32::InjectKey(VK_ESCAPE, true);
            win32::InjectKey(VK_ESCAPE, false);
            if (!Eventually([&] { return !IsWindow(dialog); }, 10000))
                PostMessageW(dialog, WM_CLOSE, 0, 0);
        }
    });
    const int code = AfxWinMain();
    driver.join();
    fs::current_path(before);
    return settled ? code : 2;
}

} // namespace bench_app
