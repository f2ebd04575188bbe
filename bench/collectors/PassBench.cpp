#include "LdsInfo.h"
#include "PdhInfo.h"
#include "RealtimeInfo.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <hwlib/Environment.h>
#include <res/Resource.h>
#include <screen/HeadlessScreen.h>
#include <win32/Kernel.h>
#include <win32/PdhSources.h>
#include <win32/User.h>

namespace {

namespace ohm = OpenHardwareMonitor::Hardware;

class FixedSpace final : public ohm::IFileSystemStats {
public:
    std::optional<ohm::FileSystemSpace> Space(const std::filesystem::path&,
                                              const std::string&) override {
        return ohm::FileSystemSpace{512ull << 30, 200ull << 30, 180ull << 30};
    }
};

class NoSmartctl final : public ohm::IProgramRunner {
public:
    ohm::ProgramResult Run(const std::vector<std::string>&, std::chrono::milliseconds,
                           std::size_t) override {
        return {ohm::ProgramResult::Status::NotFound, -1, {}};
    }
};

// One hardware-monitor pass over the 16-thread desktop fixture, its panel
// texts written into real static controls on the headless screen (the
// drive-health refresh every 60th pass, as in the gadget).
void RealtimePass(benchmark::State& state) {
    screen::HeadlessScreen screen;
    ohm::SetRootDirectory(HWLIB_FIXTURES "/amd-desktop-5800x");
    ohm::SetFileSystemStats(std::make_shared<FixedSpace>());
    ohm::SetProgramRunner(std::make_shared<NoSmartctl>());
    const HWND hwnd = CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_VISIBLE, 0, 0, 300, 400,
                                      nullptr, nullptr, nullptr, nullptr);
    for (int nId = IDC_CPU; nId <= IDC_DISK_QUEUE; ++nId)
        CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 0, 0, 150, 60, hwnd,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(nId)), nullptr, nullptr);
    _tagRealtimeInfo info;
    RealtimeInfoSetUp(info);
    for (auto _ : state)
        RealtimeInfoPass(hwnd, info, 0);
    DestroyWindow(hwnd);
    ohm::SetProgramRunner(nullptr);
    ohm::SetFileSystemStats(nullptr);
    ohm::SetRootDirectory("/");
}
BENCHMARK(RealtimePass);

// Twelve panels in a window of their own, as the collectors find them.
HWND Panels() {
    const HWND hwnd = CreateWindowExW(0, L"Static", L"", WS_POPUP | WS_VISIBLE, 0, 0, 300, 400,
                                      nullptr, nullptr, nullptr, nullptr);
    for (int nId = IDC_CPU; nId <= IDC_DISK_QUEUE; ++nId)
        CreateWindowExW(0, L"Static", L"", WS_CHILD | WS_VISIBLE, 0, 0, 150, 60, hwnd,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(nId)), nullptr, nullptr);
    return hwnd;
}

// One vendor-library pass (six readings into four panels) over the desktop
// fixture, without its pause.
void LdsPass(benchmark::State& state) {
    screen::HeadlessScreen screen;
    HMODULE library = LoadLibraryA("ComputerZ_HardwareDll.dll");
    if (!library) {
        state.SkipWithError("no vendor library beside the benchmark");
        return;
    }
    using SetRoot = int (*)(const char*);
    if (auto set = reinterpret_cast<SetRoot>(GetProcAddress(library, "SetRootDirectory")))
        set(VENDOR_FIXTURES "/amd-desktop");
    const auto pfnGetInfo2 = reinterpret_cast<PFNGETINFO2>(GetProcAddress(library, "GetInfo2"));
    const auto pfnInit = reinterpret_cast<PFNINIT>(GetProcAddress(library, "Init"));
    pfnInit(0, tp);
    pfnInit(1, tp);
    const HWND hwnd = Panels();
    for (auto _ : state)
        LdsInfoPass(hwnd, pfnGetInfo2, 0);
    DestroyWindow(hwnd);
    FreeLibrary(library);
}
BENCHMARK(LdsPass);

// One performance-counter pass (two panels, one collection) over the desktop
// fixture, without its pause.
void PdhPass(benchmark::State& state) {
    screen::HeadlessScreen screen;
    PdhSetRootDirectory(PDH_FIXTURES "/desktop");
    _tagPdhInfo info;
    PdhInfoSetUp(info);
    PdhSetRootDirectory(nullptr);
    const HWND hwnd = Panels();
    for (auto _ : state)
        PdhInfoPass(hwnd, info, 0);
    DestroyWindow(hwnd);
}
BENCHMARK(PdhPass);

} // namespace

BENCHMARK_MAIN();
