// The cost of one pass of each collector's calls, over the fixture machines.
#include <vendorlib/VendorLib.h>
#include <win32/Pdh.h>
#include <win32/PdhSources.h>

#include <benchmark/benchmark.h>

#include <dlfcn.h>
#include <filesystem>

namespace {

void VendorPass(benchmark::State& state) {
    const auto file =
        std::filesystem::read_symlink("/proc/self/exe").parent_path() / "ComputerZ_HardwareDll.dll";
    void* handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        state.SkipWithError(::dlerror());
        return;
    }
    auto getInfo = reinterpret_cast<int (*)(int)>(::dlsym(handle, "GetInfo2"));
    auto init = reinterpret_cast<int (*)(int, TarvikVendorCallback)>(::dlsym(handle, "Init"));
    auto finit = reinterpret_cast<int (*)()>(::dlsym(handle, "Finit"));
    auto setRoot = reinterpret_cast<int (*)(const char*)>(::dlsym(handle, "SetRootDirectory"));
    finit();
    setRoot(TARVIK_SOURCE_DIR "/tests/vendorlib/fixtures/amd-desktop");
    init(kTarvikInitFindSensors, nullptr);
    init(kTarvikInitFirstSamples, nullptr);
    for (auto _ : state)
        for (int index : {1, 7, 3, 2, 5, 6})
            benchmark::DoNotOptimize(getInfo(index));
    finit();
    setRoot(nullptr);
}
BENCHMARK(VendorPass);

void PdhPass(benchmark::State& state) {
    PdhSetRootDirectory(TARVIK_SOURCE_DIR "/tests/pdh/fixtures/desktop");
    PDH_HQUERY query = nullptr;
    PDH_HCOUNTER pages = nullptr;
    PDH_HCOUNTER queue = nullptr;
    PdhOpenQueryW(nullptr, 0, &query);
    PdhSetRootDirectory(nullptr);
    PdhAddCounterW(query, L"\\Memory\\Pages/sec", 0, &pages);
    PdhAddCounterW(query, L"\\PhysicalDisk(_Total)\\Avg. Disk Queue Length", 0, &queue);
    PDH_FMT_COUNTERVALUE value{};
    for (auto _ : state) {
        PdhCollectQueryData(query);
        benchmark::DoNotOptimize(
            PdhGetFormattedCounterValue(pages, PDH_FMT_DOUBLE, nullptr, &value));
        benchmark::DoNotOptimize(
            PdhGetFormattedCounterValue(queue, PDH_FMT_DOUBLE, nullptr, &value));
    }
    PdhCloseQuery(query);
}
BENCHMARK(PdhPass);

} // namespace

BENCHMARK_MAIN();
