#include <hwlib/Computer.h>
#include <hwlib/Environment.h>

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

namespace ohm = OpenHardwareMonitor::Hardware;

class NoFileSystems final : public ohm::IFileSystemStats {
public:
    std::optional<ohm::FileSystemSpace> Space(const std::filesystem::path&,
                                              const std::string&) override {
        return ohm::FileSystemSpace{512ull << 30, 200ull << 30, 180ull << 30};
    }
};

// One pass of the collector over the fixture of a 16-thread desktop: every
// item updated once.
void FullUpdate(benchmark::State& state) {
    ohm::SetRootDirectory(HWLIB_FIXTURES "/amd-desktop-5800x");
    ohm::SetFileSystemStats(std::make_shared<NoFileSystems>());
    ohm::Computer computer;
    computer.Open();
    computer.CPUEnabled(true);
    computer.GPUEnabled(true);
    computer.HDDEnabled(true);
    computer.MainboardEnabled(true);
    computer.RAMEnabled(true);
    const auto items = computer.Hardware();
    for (auto _ : state) {
        for (ohm::IHardware* item : items)
            item->Update();
        benchmark::DoNotOptimize(items.front()->Sensors().front()->Value());
    }
    state.counters["items"] = static_cast<double>(items.size());
}
BENCHMARK(FullUpdate);

} // namespace

BENCHMARK_MAIN();
