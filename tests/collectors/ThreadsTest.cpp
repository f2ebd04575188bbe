#include "LdsInfo.h"
#include "PanelWindow.h"

#include <PdhFixture.h>
#include <Watchdog.h>
#include <collectors/Collectors.h>
#include <filesystem>
#include <gtest/gtest.h>
#include <hwlib/Environment.h>
#include <screen/HeadlessScreen.h>
#include <win32/Kernel.h>

using namespace collectors_test;
namespace fs = std::filesystem;
namespace ohm = OpenHardwareMonitor::Hardware;

namespace {

std::string BesideTheTest(const char* file) {
    return (fs::read_symlink("/proc/self/exe").parent_path() / file).string();
}

// The vendor collector on a library given by path, as a thread procedure.
struct LdsRun {
    HWND hwnd;
    std::string library;
};
DWORD WINAPI RunLds(LPVOID param) {
    const auto* run = static_cast<const LdsRun*>(param);
    return LdsInfoRun(run->hwnd, run->library.c_str());
}

// The recording stand-in of the vendor library, bound by path.
struct FakeVendor {
    explicit FakeVendor(const char* file = "FakeVendor.dll") : path(BesideTheTest(file)) {
        hModule = LoadLibraryA(path.c_str());
        pfnGetInfo2 = reinterpret_cast<PFNGETINFO2>(GetProcAddress(hModule, "GetInfo2"));
        pfnSetReadings =
            reinterpret_cast<void (*)(const int*)>(GetProcAddress(hModule, "FakeSetReadings"));
        pfnTakeCalls =
            reinterpret_cast<int (*)(char*, int)>(GetProcAddress(hModule, "FakeTakeCalls"));
        TakeCalls();
    }
    ~FakeVendor() { FreeLibrary(hModule); }
    std::string TakeCalls() const {
        char buffer[1024]{};
        pfnTakeCalls(buffer, sizeof buffer);
        return buffer;
    }

    std::string path;
    HMODULE hModule = nullptr;
    PFNGETINFO2 pfnGetInfo2 = nullptr;
    void (*pfnSetReadings)(const int*) = nullptr;
    int (*pfnTakeCalls)(char*, int) = nullptr;
};

class Unasked final : public ohm::IProgramRunner {
public:
    ohm::ProgramResult Run(const std::vector<std::string>&, std::chrono::milliseconds,
                           std::size_t) override {
        return {ohm::ProgramResult::Status::NotFound, -1, {}};
    }
};

bool Written(const PanelWindow& window, int nId) {
    for (const PanelCaption& panel : kPanels)
        if (panel.nId == nId)
            return window.Text(nId) != panel.lpszCaption;
    return false;
}

TEST(LdsInfo, PanelTextsOfOnePass) {
    PanelWindow window;
    FakeVendor vendor;
    ASSERT_NE(vendor.pfnGetInfo2, nullptr);
    struct Case {
        int readings[8];
        std::wstring cpu, fan, board, unknown;
    } cases[] = {
        {{0, 45, 10, 38, 0, 20, 30, 1200}, L"45℃", L"风扇 1200转/分", L"主板 38℃", L"10\t20\t30\t"},
        {{0, -1, -1, -1, 0, -1, -1, -1}, L"-1℃", L"风扇 -1转/分", L"主板 -1℃", L"-1\t-1\t-1\t"},
        {{0, 0, 0, 0, 0, 0, 0, 0}, L"0℃", L"风扇 0转/分", L"主板 0℃", L"0\t0\t0\t"},
    };
    for (const Case& c : cases) {
        vendor.pfnSetReadings(c.readings);
        LdsInfoPass(window.Handle(), vendor.pfnGetInfo2, 0);
        EXPECT_EQ(window.Text(IDC_CPU_TEMP), c.cpu);
        EXPECT_EQ(window.Text(IDC_FAN), c.fan);
        EXPECT_EQ(window.Text(IDC_MB_TEMP), c.board);
        EXPECT_EQ(window.Text(IDC_UNKNOWN), c.unknown);
        EXPECT_EQ(vendor.TakeCalls(), "1 7 3 2 5 6");
    }
}

TEST(LdsInfo, InitsThenPassesUntilStopped) {
    testing_support::Watchdog watchdog;
    PanelWindow window;
    FakeVendor vendor;
    const int readings[8] = {0, 45, 10, 38, 0, 20, 30, 1200};
    vendor.pfnSetReadings(readings);
    LdsRun run{window.Handle(), vendor.path};
    HANDLE hThread = CreateThread(nullptr, 0, RunLds, &run, 0, nullptr);
    window.PumpUntil([&] { return Written(window, IDC_UNKNOWN); });
    EXPECT_TRUE(TerminateThread(hThread, 0));
    EXPECT_EQ(vendor.TakeCalls().rfind("Init0(tp) Init1(tp) 1 7 3 2 5 6", 0), 0u);
    EXPECT_EQ(window.Text(IDC_CPU_TEMP), L"45℃");
    EXPECT_EQ(window.Text(IDC_UNKNOWN), L"10\t20\t30\t");
}

TEST(LdsInfo, ALibraryWithoutItsEntriesEndsTheThreadQuietly) {
    screen::HeadlessScreen screen;
    PanelWindow window;
    for (const char* file : {"FakeVendorNoGetInfo2.dll", "FakeVendorNoInit.dll"}) {
        FakeVendor vendor(file);
        EXPECT_EQ(LdsInfoRun(window.Handle(), vendor.path.c_str()), 0u) << file;
        EXPECT_EQ(vendor.TakeCalls(), "") << file;
    }
    EXPECT_TRUE(screen.MessageBoxes().empty());
    for (const PanelCaption& panel : kPanels)
        EXPECT_EQ(window.Text(panel.nId), panel.lpszCaption);
}

TEST(LdsInfo, AMissingLibraryIsReportedOnceAndEndsTheThread) {
    testing_support::Watchdog watchdog;
    screen::HeadlessScreen screen;
    PanelWindow window;
    LdsRun run{window.Handle(), "NoSuchVendorLibrary.dll"};

    HANDLE hThread = CreateThread(nullptr, 0, RunLds, &run, 0, nullptr);
    ASSERT_TRUE(screen.WaitForMessageBoxes(1, 20000));
    const screen::MessageBoxRecord box = screen.MessageBoxes()[0];
    EXPECT_EQ(box.text, L"Load ComputerZ_HardwareDll.dll failed.");
    EXPECT_EQ(box.type & MB_TYPEMASK, MB_OK);
    EXPECT_EQ(WaitForSingleObject(hThread, 0), WAIT_TIMEOUT);
    EXPECT_TRUE(screen.AnswerMessageBox(box.box));
    EXPECT_EQ(WaitForSingleObject(hThread, INFINITE), WAIT_OBJECT_0);
    EXPECT_EQ(screen.MessageBoxes().size(), 1u);
    for (const PanelCaption& panel : kPanels)
        EXPECT_EQ(window.Text(panel.nId), panel.lpszCaption);

    // Stopped while the box is open, the thread ends and the box goes.
    HANDLE hSecond = CreateThread(nullptr, 0, RunLds, &run, 0, nullptr);
    ASSERT_TRUE(screen.WaitForMessageBoxes(2, 20000));
    EXPECT_TRUE(TerminateThread(hSecond, 0));
    EXPECT_FALSE(IsWindow(screen.MessageBoxes()[1].box));
}

TEST(LdsInfo, TheRealLibraryByItsBareName) {
    testing_support::Watchdog watchdog;
    PanelWindow window;
    const HMODULE hModule = LoadLibraryA("ComputerZ_HardwareDll.dll");
    ASSERT_NE(hModule, nullptr);
    const auto pfnSetRoot =
        reinterpret_cast<int (*)(const char*)>(GetProcAddress(hModule, "SetRootDirectory"));
    const auto pfnFinit = reinterpret_cast<int (*)()>(GetProcAddress(hModule, "Finit"));
    ASSERT_EQ(pfnSetRoot(TARVIK_VENDOR_FIXTURES "/amd-desktop"), 0);

    HANDLE hThread = CreateThread(nullptr, 0, GetLDSInfo, window.Handle(), 0, nullptr);
    window.PumpUntil([&] { return Written(window, IDC_UNKNOWN); });
    EXPECT_TRUE(TerminateThread(hThread, 0));
    pfnFinit();
    pfnSetRoot(nullptr);
    FreeLibrary(hModule);
    EXPECT_EQ(window.Text(IDC_CPU_TEMP), L"45℃");
    EXPECT_EQ(window.Text(IDC_FAN), L"风扇 1200转/分");
    EXPECT_EQ(window.Text(IDC_MB_TEMP), L"主板 39℃");
}

TEST(RealtimeInfo, TheThreadWritesItsSixPanelsUntilStopped) {
    testing_support::Watchdog watchdog;
    PanelWindow window;
    ohm::SetRootDirectory(HWLIB_FIXTURES "/amd-desktop-5800x");
    ohm::SetProgramRunner(std::make_shared<Unasked>());
    HANDLE hThread = CreateThread(nullptr, 0, GetRealtimeInfo, window.Handle(), 0, nullptr);
    // The drive-health panel is the last one written in the first pass.
    window.PumpUntil([&] { return Written(window, IDC_SMART); });
    EXPECT_TRUE(TerminateThread(hThread, 0));
    ohm::SetRootDirectory("/");
    ohm::SetProgramRunner(nullptr);
    for (int nId : {IDC_CPU, IDC_GPU, IDC_HDD, IDC_MAINBOARD, IDC_MEM})
        EXPECT_TRUE(Written(window, nId)) << nId;
    EXPECT_EQ(window.Text(IDC_MEM).rfind(L"内存  \n已用\t25%\n", 0), 0u);
}

TEST(PdhInfo, TheThreadEndsSilentlyWhenNothingCanBeCollected) {
    testing_support::Watchdog watchdog;
    PanelWindow window;
    pdhtest::TempTree empty;
    PdhSetRootDirectory(empty.Root().c_str());
    HANDLE hThread = CreateThread(nullptr, 0, GetPdhInfo, window.Handle(), 0, nullptr);
    EXPECT_EQ(WaitForSingleObject(hThread, INFINITE), WAIT_OBJECT_0);
    PdhSetRootDirectory(nullptr);
    EXPECT_EQ(window.Text(IDC_PAGES_SEC), L"Pages/sec");
    EXPECT_EQ(window.Text(IDC_DISK_QUEUE), L"Avg.Disk Queue Length");
}

} // namespace
