// smartctl missing, failing, printing garbage or hanging until its bound:
// the drive-health panel shows empty values, and nothing else stops. While
// the hardware collector waits on the program, the vendor collector goes on
// writing its panels.

#include "LdsInfo.h"
#include "PanelWindow.h"
#include "RealtimeInfo.h"

#include <Watchdog.h>
#include <chrono>
#include <collectors/Collectors.h>
#include <condition_variable>
#include <filesystem>
#include <gtest/gtest.h>
#include <hwlib/Environment.h>
#include <mutex>
#include <win32/Kernel.h>

using namespace collectors_test;
namespace fs = std::filesystem;
namespace ohm = OpenHardwareMonitor::Hardware;
using Status = ohm::ProgramResult::Status;

namespace {

const wchar_t* const kEmptyHealth = L"重启  次\n通电时间 小时\n";

class Answering final : public ohm::IProgramRunner {
public:
    explicit Answering(ohm::ProgramResult result) : m_result(std::move(result)) {}
    ohm::ProgramResult Run(const std::vector<std::string>&, std::chrono::milliseconds,
                           std::size_t) override {
        return m_result;
    }

private:
    ohm::ProgramResult m_result;
};

// A program that does not answer: the run lasts until the test lets it go
// or its time bound passes, and then counts as timed out.
class Hanging final : public ohm::IProgramRunner {
public:
    ohm::ProgramResult Run(const std::vector<std::string>&, std::chrono::milliseconds timeout,
                           std::size_t) override {
        std::unique_lock lock(m_mutex);
        ++m_entered;
        m_bound = timeout;
        m_cv.notify_all();
        m_cv.wait_for(lock, timeout, [&] { return m_released; });
        return {Status::TimedOut, -1, {}};
    }
    bool Entered() {
        std::lock_guard lock(m_mutex);
        return m_entered > 0;
    }
    std::chrono::milliseconds Bound() {
        std::lock_guard lock(m_mutex);
        return m_bound;
    }
    void Release() {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_cv.notify_all();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_cv;
    int m_entered = 0;
    bool m_released = false;
    std::chrono::milliseconds m_bound{};
};

class SmartctlFaults : public ::testing::Test {
protected:
    void SetUp() override { ohm::SetRootDirectory(HWLIB_FIXTURES "/amd-desktop-5800x"); }
    void TearDown() override {
        ohm::SetRootDirectory("/");
        ohm::SetProgramRunner(nullptr);
    }
    testing_support::Watchdog watchdog{std::chrono::seconds(60)};
};

TEST_F(SmartctlFaults, NoReadableAnswerGivesEmptyValuesAndThePassGoesOn) {
    const std::pair<ohm::ProgramResult, const char*> cases[] = {
        {{Status::NotFound, -1, {}}, "missing"},
        {{Status::Failed, -1, {}}, "cannot be run"},
        {{Status::Exited, 1, "{\"smartctl\": {\"exit_status\": 1}}"}, "fails"},
        {{Status::Exited, 0, "Start/Stop Count 12 \x01\xff{{{"}, "garbage"},
        {{Status::TooMuchOutput, -1, {}}, "floods"},
        {{Status::TimedOut, -1, {}}, "past its bound"},
    };
    for (const auto& [result, what] : cases) {
        SCOPED_TRACE(what);
        ohm::SetProgramRunner(std::make_shared<Answering>(result));
        PanelWindow window;
        _tagRealtimeInfo info;
        RealtimeInfoSetUp(info);
        RealtimeInfoPass(window.Handle(), info, 0);
        EXPECT_EQ(window.Text(IDC_SMART), kEmptyHealth);
        for (const PanelCaption& panel : kPanels)
            if (panel.nId == IDC_CPU || panel.nId == IDC_HDD || panel.nId == IDC_MAINBOARD ||
                panel.nId == IDC_MEM) {
                EXPECT_NE(window.Text(panel.nId), panel.lpszCaption) << panel.nId;
            }
    }
}

TEST_F(SmartctlFaults, AHangingProgramHoldsOnlyTheHardwareCollector) {
    auto hanging = std::make_shared<Hanging>();
    ohm::SetProgramRunner(hanging);
    const fs::path vendor =
        fs::read_symlink("/proc/self/exe").parent_path() / "ComputerZ_HardwareDll.dll";
    HMODULE library = LoadLibraryA(vendor.c_str());
    ASSERT_NE(library, nullptr);
    using SetRoot = int (*)(const char*);
    reinterpret_cast<SetRoot>(GetProcAddress(library, "SetRootDirectory"))(HWLIB_FIXTURES
                                                                           "/amd-desktop-5800x");

    PanelWindow window;
    struct Lds {
        HWND hwnd;
        std::string path;
    } lds{window.Handle(), vendor.string()};
    HANDLE hRealtime = CreateThread(nullptr, 0, GetRealtimeInfo, window.Handle(), 0, nullptr);
    HANDLE hLds = CreateThread(
        nullptr, 0,
        [](LPVOID p) -> DWORD {
            auto* run = static_cast<Lds*>(p);
            return LdsInfoRun(run->hwnd, run->path.c_str());
        },
        &lds, 0, nullptr);

    window.PumpUntil([&] { return hanging->Entered(); });
    EXPECT_GT(hanging->Bound().count(), 0);
    EXPECT_LE(hanging->Bound().count(), 10000);
    EXPECT_EQ(window.Text(IDC_SMART), L"S.M.A.R.T");
    // Two more passes of the vendor collector while the program hangs.
    for (int pass = 0; pass < 2; ++pass) {
        window.SetText(IDC_CPU_TEMP, L"");
        window.PumpUntil([&] { return !window.Text(IDC_CPU_TEMP).empty(); });
    }
    EXPECT_EQ(window.Text(IDC_SMART), L"S.M.A.R.T");

    hanging->Release();
    window.PumpUntil([&] { return window.Text(IDC_SMART) == kEmptyHealth; });
    window.PumpUntil([&] { return window.Text(IDC_MEM) != L"MEM"; });
    EXPECT_TRUE(TerminateThread(hRealtime, 0));
    EXPECT_TRUE(TerminateThread(hLds, 0));
    using Finit = int (*)();
    reinterpret_cast<Finit>(GetProcAddress(library, "Finit"))();
    reinterpret_cast<SetRoot>(GetProcAddress(library, "SetRootDirectory"))(nullptr);
    FreeLibrary(library);
}

} // namespace
