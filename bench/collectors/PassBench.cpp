#include "RealtimeInfo.h"

#include <benchmark/benchmark.h>
#include <filesystem>
#include <hwlib/Environment.h>
#include <res/Resource.h>
#include <screen/HeadlessScreen.h>
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

} // namespace

BENCHMARK_MAIN();
