// The real application, closed over and over at chosen moments: during the
// fade, while a collector waits in SetDlgItemTextW, with the vendor
// library's load-failure box open, with the full report's box open and in
// the middle of a drag; by Escape, by the X button and by WM_CLOSE. Every run
// must end with every thread gone, no window left, the GDI object count where
// it started and the hooked-window table grown by the dialog's 15 records.
//
// The moments are reached by waiting on what can be seen (windows, pictures,
// boxes, panels, the UI thread's queue), never by sleeping; the choices come
// from a seeded generator, so a failing run can be replayed with its seed
// (TARVIK_STRESS_SEED) and the number of runs changed (TARVIK_STRESS_RUNS).

#include "Threads.h" // the UI thread's queue: a panel write waiting there is a blocked collector

#include <Eventually.h>
#include <MainDialog.h>
#include <Watchdog.h>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <hwlib/Environment.h>
#include <map>
#include <mfc/WinApp.h>
#include <random>
#include <res/Resource.h>
#include <screen/HeadlessScreen.h>
#include <set>
#include <skin/ImgDialogBase.h>
#include <string>
#include <thread>
#include <vector>
#include <win32/Kernel.h>
#include <win32/PdhSources.h>
#include <win32/Screen.h>
#include <win32/User.h>

// Reads the hooked-window table of the skinned dialog base.
class ImgDialogBaseTestAccess {
public:
    static std::map<HWND, CImgDialogBase*> Records() {
        std::map<HWND, CImgDialogBase*> records;
        for (const auto& [hwnd, info] : CImgDialogBase::s_mpCtrl)
            records[hwnd] = info.pDialog;
        return records;
    }
};

namespace {

namespace fs = std::filesystem;
namespace ohm = OpenHardwareMonitor::Hardware;
using Clock = std::chrono::steady_clock;

constexpr const wchar_t* kLoadFailed = L"Load ComputerZ_HardwareDll.dll failed.";
constexpr std::size_t kHookedPerDialog = 15; // the dialog and its 14 controls

int RunsWanted() {
    if (const char* runs = std::getenv("TARVIK_STRESS_RUNS"))
        return std::max(1, std::atoi(runs));
    return TARVIK_STRESS_RUNS;
}

unsigned SeedWanted() {
    if (const char* seed = std::getenv("TARVIK_STRESS_SEED"))
        return static_cast<unsigned>(std::strtoul(seed, nullptr, 10));
    return 20261211u;
}

fs::path ExecutableFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

std::size_t ThreadCount() {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/task"))
        ++n;
    return n;
}

std::size_t OpenFileCount() {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}

using testing_support::Eventually;

using testing_support::MainDialog;

HWND DisplayWindow(HWND dialog) {
    for (HWND hwnd : win32::TopLevelWindowsBottomUp())
        if (hwnd != dialog && GetWindow(hwnd, GW_OWNER) == dialog &&
            (GetWindowLongW(hwnd, GWL_EXSTYLE) & WS_EX_TRANSPARENT))
            return hwnd;
    return nullptr;
}

int FadeAlpha(HWND display) {
    win32::WindowPicture picture;
    if (!display || !win32::GetWindowPicture(display, picture) || !picture.perPixelAlpha)
        return -1;
    return picture.constantAlpha;
}

std::wstring Panel(HWND dialog, int id) {
    wchar_t text[1024]{};
    GetDlgItemTextW(dialog, id, text, 1024);
    return text;
}

// Panels of the hardware-monitor collector that its first pass has written.
int HardwarePanelsWritten(HWND dialog) {
    const std::pair<int, const wchar_t*> panels[] = {
        {IDC_CPU, L"CPU"},         {IDC_GPU, L"GPU"}, {IDC_HDD, L"HDD"},
        {IDC_SMART, L"S.M.A.R.T"}, {IDC_MEM, L"MEM"}, {IDC_MAINBOARD, L"Mainboard"}};
    int n = 0;
    for (auto [id, caption] : panels)
        n += Panel(dialog, id) != caption;
    return n;
}

// Another thread is held in SetDlgItemTextW: its WM_SETTEXT waits in the
// UI thread's queue.
bool PanelWriteWaiting(DWORD uiThread) {
    auto queue = win32::detail::QueueOf(uiThread);
    if (!queue)
        return false;
    std::lock_guard lock(queue->mutex);
    for (const auto& sent : queue->incoming)
        if (sent->message == WM_SETTEXT)
            return true;
    return false;
}

POINT CentreOf(HWND hwnd) {
    RECT r{};
    GetWindowRect(hwnd, &r);
    return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

// Every source points at a fixture: the machine's own sensors play no part.
class StressEnvironment {
public:
    StressEnvironment() {
        ohm::SetRootDirectory(HWLIB_FIXTURES "/amd-desktop-5800x");
        ohm::SetProgramRunner(std::make_shared<NoSmartctl>());
        // Counters that cannot be added: the performance-counter collector,
        // which the teardown leaves running, ends by itself at once.
        PdhSetRootDirectory(m_work.c_str());
        const fs::path vendor = ExecutableFolder().parent_path() / "ComputerZ_HardwareDll.dll";
        m_vendor = LoadLibraryA(vendor.c_str());
        using SetRoot = int (*)(const char*);
        if (auto set = reinterpret_cast<SetRoot>(GetProcAddress(m_vendor, "SetRootDirectory")))
            set(HWLIB_FIXTURES "/amd-desktop-5800x");
        fs::create_directories(m_work);
        // The start-up test only looks for the file.
        std::ofstream(m_work / "OpenHardwareMonitorLib.dll").put('\0');
        m_before = fs::current_path();
        fs::current_path(m_work);
    }
    ~StressEnvironment() {
        VendorBesideTheExecutable(false);
        fs::current_path(m_before);
        std::error_code ec;
        fs::remove_all(m_work, ec);
        ohm::SetRootDirectory("/");
        ohm::SetProgramRunner(nullptr);
        PdhSetRootDirectory(nullptr);
    }
    bool VendorLoaded() const { return m_vendor != nullptr; }

    // The collector loads the library by its bare name from the executable's
    // folder: a link to the built one there, or none.
    void VendorBesideTheExecutable(bool present) {
        const fs::path link = ExecutableFolder() / "ComputerZ_HardwareDll.dll";
        std::error_code ec;
        fs::remove(link, ec);
        if (present)
            fs::create_symlink("../ComputerZ_HardwareDll.dll", link);
    }

private:
    class NoSmartctl final : public ohm::IProgramRunner {
    public:
        ohm::ProgramResult Run(const std::vector<std::string>&, std::chrono::milliseconds,
                               std::size_t) override {
            return {ohm::ProgramResult::Status::NotFound, -1, {}};
        }
    };

    fs::path m_work = fs::temp_directory_path() / ("tarvik-stress-" + std::to_string(::getpid()));
    fs::path m_before;
    HMODULE m_vendor = nullptr;
};

enum class Moment { Fade, BlockedWrite, LoadFailureBox, ReportBox, Drag, Count };
enum class Close { Escape, XButton, WmClose, Count };

const char* NameOf(Moment m) {
    static const char* const names[] = {"fade", "blocked panel write", "load-failure box",
                                        "report box", "drag"};
    return names[static_cast<int>(m)];
}

// One run of the application on a UI thread of its own (its main window's
// end posts a quit to that thread's queue, which must not reach the next run).
class AppRun {
public:
    AppRun() {
        m_thread = std::thread([this] {
            AfxWinMain();
            m_ended = true;
        });
    }
    ~AppRun() {
        if (m_thread.joinable())
            m_thread.join();
    }
    bool Ended() const { return m_ended.load(); }
    void Join() { m_thread.join(); }

private:
    std::atomic<bool> m_ended{false};
    std::thread m_thread;
};

class Script {
public:
    Script(screen::HeadlessScreen& screen, std::mt19937& random)
        : m_screen(screen), m_random(random) {}

    int Pick(int below) { return std::uniform_int_distribution<int>(0, below - 1)(m_random); }

    void Press(UINT key) {
        win32::InjectKey(key, true);
        win32::InjectKey(key, false);
    }
    void Escape(HWND dialog) {
        SetForegroundWindow(dialog);
        Press(VK_ESCAPE);
    }
    void ClickX(HWND dialog) {
        const POINT x = CentreOf(GetDlgItem(dialog, IDCANCEL));
        m_screen.Click(x.x, x.y);
    }
    void Do(Close how, HWND dialog) {
        switch (how) {
        case Close::Escape:
            Escape(dialog);
            break;
        case Close::XButton:
            ClickX(dialog);
            break;
        default:
            PostMessageW(dialog, WM_CLOSE, 0, 0);
            break;
        }
    }
    // A few more of the UI thread's messages before the close, as a
    // random number of observed panel changes or queue checks.
    void ExtraSteps(HWND dialog) {
        for (int steps = Pick(4); steps > 0; --steps) {
            const std::wstring before = Panel(dialog, IDC_CPU_TEMP) + Panel(dialog, IDC_CPU);
            Eventually(
                [&] { return Panel(dialog, IDC_CPU_TEMP) + Panel(dialog, IDC_CPU) != before; }, 5);
        }
    }

    std::size_t BoxesSeen() const { return m_screen.MessageBoxes().size(); }
    HWND WaitForBox(std::size_t seen, const wchar_t* text) {
        HWND box = nullptr;
        Eventually([&] {
            const auto boxes = m_screen.MessageBoxes();
            for (std::size_t i = seen; i < boxes.size(); ++i)
                if (!text || boxes[i].text == text)
                    box = boxes[i].box;
            return box != nullptr;
        });
        return box;
    }
    bool Answer(HWND box) { return m_screen.AnswerMessageBox(box); }

    screen::HeadlessScreen& m_screen;
    std::mt19937& m_random;
};

struct Tally {
    std::array<std::array<int, static_cast<int>(Close::Count)>, static_cast<int>(Moment::Count)>
        closes{};
    std::array<int, static_cast<int>(Moment::Count)> reached{}; // the moment held when closed
    std::array<double, static_cast<int>(Moment::Count)> ms{};
    std::array<double, static_cast<int>(Moment::Count)> longest{};
};

TEST(TeardownStress, ClosingAtAnyMomentEndsEveryThreadAndLeavesNothingBehind) {
    const int runs = RunsWanted();
    const unsigned seed = SeedWanted();
    // A thousand runs take about a minute; the bound leaves room for a loaded machine.
    testing_support::Watchdog watchdog(std::chrono::seconds(400));
    screen::HeadlessScreen screen;
    StressEnvironment environment;
    ASSERT_TRUE(environment.VendorLoaded());
    std::mt19937 random(seed);
    Script script(screen, random);
    Tally tally;

    const std::size_t threadsBefore = ThreadCount();
    std::size_t gdiBaseline = 0;
    std::size_t filesBaseline = 0;

    for (int run = 0; run <= runs; ++run) { // run 0 warms the caches up
        SCOPED_TRACE("run " + std::to_string(run) + ", seed " + std::to_string(seed));
        const auto moment = run == 0
                                ? Moment::Fade
                                : static_cast<Moment>(script.Pick(static_cast<int>(Moment::Count)));
        const auto how = static_cast<Close>(script.Pick(static_cast<int>(Close::Count)));
        const bool vendorPresent = moment != Moment::LoadFailureBox;
        environment.VendorBesideTheExecutable(vendorPresent);
        const auto recordsBefore = ImgDialogBaseTestAccess::Records();
        const std::size_t boxesBefore = script.BoxesSeen();
        bool reached = false;
        HWND box = nullptr;

        const auto started = Clock::now();
        AppRun app;
        HWND dialog = nullptr;
        ASSERT_TRUE(Eventually([&] { return (dialog = MainDialog()) != nullptr; }));
        const DWORD uiThread = GetWindowThreadProcessId(dialog, nullptr);
        HWND display = nullptr;
        ASSERT_TRUE(Eventually([&] { return (display = DisplayWindow(dialog)) != nullptr; }));
        // The user can reach the dialog from its first show on; the first
        // panel writes come while it is still being set up.
        if (moment != Moment::BlockedWrite) {
            ASSERT_TRUE(Eventually([&] { return IsWindowVisible(dialog) != FALSE; }));
        }

        switch (moment) {
        case Moment::Fade: {
            // Up to one of the first frames, seen in the pushed picture.
            const int frame = script.Pick(5);
            ASSERT_TRUE(Eventually(
                [&] { return IsWindowVisible(dialog) && FadeAlpha(display) >= 30 * frame; }));
            reached = FadeAlpha(display) < 255;
            script.Do(how, dialog);
            break;
        }
        case Moment::BlockedWrite: {
            const int written = script.Pick(2);
            Eventually([&] { return HardwarePanelsWritten(dialog) >= written; });
            reached = Eventually([&] { return PanelWriteWaiting(uiThread); }, 400);
            if (how == Close::XButton) {
                ASSERT_TRUE(Eventually([&] { return IsWindowVisible(dialog) != FALSE; }));
            }
            script.Do(how, dialog);
            break;
        }
        case Moment::LoadFailureBox: {
            box = script.WaitForBox(boxesBefore, kLoadFailed);
            ASSERT_NE(box, nullptr);
            script.ExtraSteps(dialog);
            reached = IsWindow(box) != FALSE;
            script.Do(how, dialog);
            break;
        }
        case Moment::ReportBox: {
            script.ExtraSteps(dialog);
            SetForegroundWindow(dialog);
            script.Press(VK_RETURN);
            box = script.WaitForBox(boxesBefore, nullptr);
            ASSERT_NE(box, nullptr);
            reached = IsWindow(box) != FALSE;
            if (how == Close::WmClose) {
                // Handled by the box's loop: the dialog ends once the box is
                // answered, and its display window is gone already.
                PostMessageW(dialog, WM_CLOSE, 0, 0);
                EXPECT_TRUE(Eventually([&] { return !IsWindow(display); }));
                EXPECT_TRUE(script.Answer(box));
            } else if (how == Close::Escape) {
                // The box has the keyboard: Escape answers it, a second one
                // ends the dialog.
                script.Press(VK_ESCAPE);
                EXPECT_TRUE(Eventually([&] { return !IsWindow(box); }));
                script.Escape(dialog);
            } else {
                // The dialog is disabled under its box: the click does nothing.
                script.ClickX(dialog);
                script.Answer(box);
                EXPECT_TRUE(Eventually([&] { return !IsWindow(box); }));
                script.ClickX(dialog);
            }
            break;
        }
        case Moment::Drag: {
            script.ExtraSteps(dialog);
            RECT start{};
            GetWindowRect(dialog, &start);
            const POINT at = CentreOf(GetDlgItem(dialog, IDC_MEM));
            const int dx = 5 + script.Pick(60), dy = 5 + script.Pick(60);
            screen.PressLeft(at.x, at.y);
            screen.MoveMouse(at.x + dx, at.y + dy);
            RECT now{};
            reached = Eventually([&] {
                GetWindowRect(dialog, &now);
                return now.left == start.left + dx && now.top == start.top + dy;
            });
            // Escape cancels the drag, a press on X is dropped while
            // dragging, and WM_CLOSE ends the dialog under the move loop.
            const POINT x = CentreOf(GetDlgItem(dialog, IDCANCEL));
            if (how == Close::XButton)
                screen.PressLeft(x.x, x.y);
            else
                script.Do(how, dialog);
            if (how == Close::WmClose) {
                EXPECT_TRUE(Eventually([&] { return !IsWindow(display); }));
            } else if (how == Close::Escape) {
                EXPECT_TRUE(Eventually([&] {
                    GetWindowRect(dialog, &now);
                    return now.left == start.left && now.top == start.top;
                }));
            }
            // The release ends the move loop where it is, if it still runs.
            screen.ReleaseLeft(at.x + dx + 7, at.y + dy + 7);
            if (how == Close::XButton) {
                EXPECT_TRUE(Eventually([&] {
                    GetWindowRect(dialog, &now);
                    return now.left == start.left + dx + 7;
                }));
                script.ClickX(dialog);
            } else if (how == Close::Escape) {
                script.Escape(dialog);
            }
            break;
        }
        default:
            break;
        }
        ++tally.closes[static_cast<int>(moment)][static_cast<int>(how)];
        tally.reached[static_cast<int>(moment)] += reached;

        ASSERT_TRUE(Eventually([&] { return app.Ended(); }))
            << NameOf(moment) << ", close " << static_cast<int>(how);
        app.Join();
        const double took =
            std::chrono::duration<double, std::milli>(Clock::now() - started).count();
        tally.ms[static_cast<int>(moment)] += took;
        tally.longest[static_cast<int>(moment)] =
            std::max(tally.longest[static_cast<int>(moment)], took);

        // Nothing of the run is left: windows, boxes, threads.
        EXPECT_TRUE(win32::TopLevelWindowsBottomUp().empty()) << NameOf(moment);
        if (box) {
            EXPECT_FALSE(IsWindow(box)) << NameOf(moment);
        }
        ASSERT_TRUE(Eventually([&] { return ThreadCount() == threadsBefore; }))
            << NameOf(moment) << ": " << ThreadCount() << " threads, " << threadsBefore
            << " before";

        // The hooked-window table keeps the 15 records of the destroyed
        // dialog; a handle handed out again has its record overwritten.
        const auto records = ImgDialogBaseTestAccess::Records();
        std::size_t fresh = 0;
        for (const auto& [hwnd, pDialog] : records) {
            EXPECT_FALSE(IsWindow(hwnd));
            auto old = recordsBefore.find(hwnd);
            fresh += old == recordsBefore.end() || old->second != pDialog;
        }
        EXPECT_GE(records.size(), recordsBefore.size());
        EXPECT_LE(records.size(), recordsBefore.size() + kHookedPerDialog);
        if (records.size() == recordsBefore.size() + kHookedPerDialog) {
            EXPECT_EQ(fresh, kHookedPerDialog);
        }

        if (run == 0) {
            gdiBaseline = win32::GdiObjectCount();
            filesBaseline = OpenFileCount();
        } else {
            ASSERT_EQ(win32::GdiObjectCount(), gdiBaseline) << NameOf(moment);
            ASSERT_LE(OpenFileCount(), filesBaseline + 4) << NameOf(moment);
        }
    }

    int total = 0;
    for (int m = 0; m < static_cast<int>(Moment::Count); ++m) {
        int closes = 0;
        for (int c : tally.closes[m])
            closes += c;
        total += closes;
        std::printf("%-20s closed %4d times (Escape %d, X %d, WM_CLOSE %d), %d at the moment, "
                    "%.0f ms a run, %.0f at most\n",
                    NameOf(static_cast<Moment>(m)), closes, tally.closes[m][0], tally.closes[m][1],
                    tally.closes[m][2], tally.reached[m], tally.ms[m] / std::max(closes, 1),
                    tally.longest[m]);
        // Each moment is met in most of its runs.
        EXPECT_GE(tally.reached[m] * 2, closes) << NameOf(static_cast<Moment>(m));
    }
    EXPECT_GE(total, runs);
}

} // namespace
