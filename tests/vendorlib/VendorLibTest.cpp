#include <vendorlib/VendorLib.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace fs = std::filesystem;

namespace {

// The exports, bound by name from the built file, as the gadget binds them.
struct Library {
    int (*GetInfo2)(int) = nullptr;
    int (*Init)(int, TarvikVendorCallback) = nullptr;
    int (*InitCpuUsage)() = nullptr;
    int (*Finit)() = nullptr;
    int (*SetRootDirectory)(const char*) = nullptr;
    void* handle = nullptr;

    static Library& Get() {
        static Library library = Load();
        return library;
    }

private:
    static Library Load() {
        Library lib;
        const fs::path file =
            fs::read_symlink("/proc/self/exe").parent_path() / "ComputerZ_HardwareDll.dll";
        lib.handle = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
        if (!lib.handle)
            return lib;
        Bind(lib.handle, "GetInfo2", lib.GetInfo2);
        Bind(lib.handle, "Init", lib.Init);
        Bind(lib.handle, "InitCpuUsage", lib.InitCpuUsage);
        Bind(lib.handle, "Finit", lib.Finit);
        Bind(lib.handle, "SetRootDirectory", lib.SetRootDirectory);
        return lib;
    }
    template <typename F>
    static void Bind(void* handle, const char* name, F& entry) {
        entry = reinterpret_cast<F>(::dlsym(handle, name));
    }
};

// A writable copy of a fixture, or an empty tree, removed afterwards.
class TempTree {
public:
    explicit TempTree(const std::string& fixture = {}) {
        std::string pattern = (fs::temp_directory_path() / "vendorlib-XXXXXX").string();
        m_root = ::mkdtemp(pattern.data());
        if (!fixture.empty())
            fs::copy(fs::path(TARVIK_VENDOR_FIXTURES) / fixture, m_root,
                     fs::copy_options::recursive | fs::copy_options::copy_symlinks);
    }
    ~TempTree() {
        std::error_code ec;
        fs::remove_all(m_root, ec);
    }
    void Write(const std::string& path, const std::string& text) const {
        fs::create_directories((m_root / path).parent_path());
        std::ofstream(m_root / path) << text;
    }
    void Remove(const std::string& path) const { fs::remove_all(m_root / path); }
    const fs::path& Root() const { return m_root; }

private:
    fs::path m_root;
};

std::atomic<int> g_callbacks{0};
int CountingCallback() {
    ++g_callbacks;
    return 0;
}
int ReenteringCallback() {
    ++g_callbacks;
    return Library::Get().GetInfo2(7) >= -1 ? 0 : 1;
}

class VendorLib : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(lib.handle, nullptr) << ::dlerror();
        ASSERT_TRUE(lib.GetInfo2 && lib.Init && lib.InitCpuUsage && lib.Finit &&
                    lib.SetRootDirectory);
        lib.Finit();
    }
    void TearDown() override {
        lib.Finit();
        lib.SetRootDirectory(nullptr);
    }
    void Start(const fs::path& root) {
        ASSERT_EQ(lib.SetRootDirectory(root.c_str()), 0);
        ASSERT_EQ(lib.Init(kTarvikInitFindSensors, CountingCallback), 0);
        ASSERT_EQ(lib.Init(kTarvikInitFirstSamples, CountingCallback), 0);
    }
    static fs::path Fixture(const char* name) { return fs::path(TARVIK_VENDOR_FIXTURES) / name; }

    Library& lib = Library::Get();
};

TEST_F(VendorLib, ExportsOnlyTheCEntries) {
    for (const char* name : {"GetInfo2", "Init", "InitCpuUsage", "Finit", "SetRootDirectory"})
        EXPECT_NE(::dlsym(lib.handle, name), nullptr) << name;
    // The statically linked readers and the library's own classes stay inside.
    for (const char* name : {"_ZN7sysread12ParseIntegerESt17basic_string_viewIcSt11char_traitsIcEE",
                             "_ZN9vendorlib13VendorLibrary7ReadingEi"})
        EXPECT_EQ(::dlsym(lib.handle, name), nullptr) << name;
}

TEST_F(VendorLib, ReadingsOfFixtureMachines) {
    struct Case {
        const char* machine;
        int cpuTemp, boardTemp, fan, memory, hottest;
    };
    // amd-desktop: k10temp Tctl 45.125, nct6798 SYSTIN 38.5 (halves round up),
    // fan1 unreadable so fan2, nvme 52.85 the hottest (AUXTIN0's 127 is an open input).
    // intel-laptop: Package id 0, acpitz for the board, a stopped fan, Core 1 63.499.
    // vm-no-hwmon: memory from MemFree + Buffers + Cached, nothing else.
    const Case cases[] = {
        {"amd-desktop", 45, 39, 1200, 25, 53},
        {"intel-laptop", 61, 47, 0, 75, 63},
        {"vm-no-hwmon", -1, -1, -1, 50, -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.machine);
        Start(Fixture(c.machine));
        EXPECT_EQ(lib.GetInfo2(1), c.cpuTemp);
        EXPECT_EQ(lib.GetInfo2(3), c.boardTemp);
        EXPECT_EQ(lib.GetInfo2(7), c.fan);
        EXPECT_EQ(lib.GetInfo2(5), c.memory);
        EXPECT_EQ(lib.GetInfo2(6), c.hottest);
        // No tick has passed since Init(1): no load yet.
        EXPECT_EQ(lib.GetInfo2(2), kTarvikNoReading);
        for (int index : {0, 4, 8, -1, 1000})
            EXPECT_EQ(lib.GetInfo2(index), kTarvikNoReading) << index;
        lib.Finit();
    }
}

TEST_F(VendorLib, ProcessorLoadSincePreviousReading) {
    TempTree tree("amd-desktop");
    Start(tree.Root());
    // +300 user, +100 system, +550 idle, +50 iowait: 400 busy of 1000. Guest
    // time is inside user already and must not count twice.
    tree.Write("proc/stat", "cpu  10300 500 3100 80550 1050 200 300 0 200 0\n");
    EXPECT_EQ(lib.GetInfo2(2), 40);
    // No tick since: the last load stands.
    EXPECT_EQ(lib.GetInfo2(2), 40);
    tree.Write("proc/stat", "cpu  10300 500 3100 81550 1050 200 300 0 200 0\n");
    EXPECT_EQ(lib.GetInfo2(2), 0);
    tree.Write("proc/stat", "cpu  garbled\n");
    EXPECT_EQ(lib.GetInfo2(2), kTarvikNoReading);
    // The garbled sample did not replace the baseline: 995 busy of 1000 rounds to 100.
    tree.Write("proc/stat", "cpu  11295 500 3100 81555 1050 200 300 0 200 0\n");
    EXPECT_EQ(lib.GetInfo2(2), 100);
    // Counters whose sum does not fit 64 bits used to wrap into a busy time
    // above the total. Such a line is garbled, and counters near the
    // top of the range still give a load between 0 and 100.
    tree.Write("proc/stat", "cpu  18446744073709551615 0 0 1\n");
    EXPECT_EQ(lib.GetInfo2(2), kTarvikNoReading);
    tree.Write("proc/stat", "cpu  9223372036854775807 0 0 9223372036854775807\n");
    EXPECT_EQ(lib.GetInfo2(2), 50);
    // A fresh start forgets the last load until ticks pass again.
    EXPECT_EQ(lib.InitCpuUsage(), 0);
    EXPECT_EQ(lib.GetInfo2(2), kTarvikNoReading);
    tree.Remove("proc/stat");
    EXPECT_EQ(lib.InitCpuUsage(), -1);
    EXPECT_EQ(lib.GetInfo2(2), kTarvikNoReading);
}

// Amounts beyond 2^63 kB used to wrap in the percentage and gave loads far
// outside 0 to 100.
TEST_F(VendorLib, MemoryLoadOfHugeAmountsStaysAPercentage) {
    TempTree tree;
    Start(tree.Root());
    const struct {
        const char* available;
        int load;
    } cases[] = {{"1", 100}, {"4611686018427387906", 50}, {"9223372036854775813", 0}};
    for (const auto& c : cases) {
        tree.Write("proc/meminfo", std::string("MemTotal: 9223372036854775813 kB\nMemAvailable: ") +
                                       c.available + " kB\n");
        EXPECT_EQ(lib.GetInfo2(5), c.load) << c.available;
    }
}

TEST_F(VendorLib, TemperatureRounding) {
    TempTree tree;
    tree.Write("sys/class/hwmon/hwmon0/name", "acpitz\n");
    tree.Write("sys/class/hwmon/hwmon0/temp1_input", "0\n");
    Start(tree.Root());
    const std::pair<const char*, int> cases[] = {
        {"38500", 39},  {"38499", 38},   {"-1500", -2},  {"-499", 0}, {"125000", 125},
        {"125001", -1}, {"-40000", -40}, {"-40001", -1}, {"", -1},    {"12x", -1},
    };
    for (const auto& [text, degrees] : cases) {
        tree.Write("sys/class/hwmon/hwmon0/temp1_input", std::string(text) + "\n");
        EXPECT_EQ(lib.GetInfo2(3), degrees) << text;
    }
}

TEST_F(VendorLib, SourcePreferences) {
    TempTree tree;
    // zenpower: Tctl before Tdie; it87: temp1 is the board; a thermal zone of
    // type acpitz only when no chip has the board.
    tree.Write("sys/class/hwmon/hwmon0/name", "zenpower\n");
    tree.Write("sys/class/hwmon/hwmon0/temp1_input", "50000\n");
    tree.Write("sys/class/hwmon/hwmon0/temp1_label", "Tdie\n");
    tree.Write("sys/class/hwmon/hwmon0/temp2_input", "60000\n");
    tree.Write("sys/class/hwmon/hwmon0/temp2_label", "Tctl\n");
    tree.Write("sys/class/hwmon/hwmon1/name", "it8686\n");
    tree.Write("sys/class/hwmon/hwmon1/temp1_input", "36000\n");
    tree.Write("sys/class/hwmon/hwmon1/temp2_input", "70000\n");
    tree.Write("sys/class/thermal/thermal_zone10/type", "acpitz\n");
    tree.Write("sys/class/thermal/thermal_zone10/temp", "27800\n");
    tree.Write("sys/class/thermal/thermal_zone2/type", "x86_pkg_temp\n");
    tree.Write("sys/class/thermal/thermal_zone2/temp", "80000\n");
    Start(tree.Root());
    EXPECT_EQ(lib.GetInfo2(1), 60);
    EXPECT_EQ(lib.GetInfo2(3), 36);
    EXPECT_EQ(lib.GetInfo2(6), 80);
    EXPECT_EQ(lib.GetInfo2(7), kTarvikNoReading);

    // A source that goes bad or away gives way to the next one.
    tree.Write("sys/class/hwmon/hwmon0/temp2_input", "garbage\n");
    EXPECT_EQ(lib.GetInfo2(1), 50);
    tree.Remove("sys/class/hwmon/hwmon1");
    EXPECT_EQ(lib.GetInfo2(3), 28);
    tree.Remove("sys/class/hwmon/hwmon0");
    EXPECT_EQ(lib.GetInfo2(1), kTarvikNoReading);
    tree.Remove("sys/class/thermal");
    EXPECT_EQ(lib.GetInfo2(3), kTarvikNoReading);
    EXPECT_EQ(lib.GetInfo2(6), kTarvikNoReading);
}

TEST_F(VendorLib, CallsOutOfOrderNeverFail) {
    // Before any Init.
    EXPECT_EQ(lib.GetInfo2(1), kTarvikNoReading);
    EXPECT_EQ(lib.GetInfo2(5), kTarvikNoReading);
    EXPECT_EQ(lib.Finit(), 0);
    EXPECT_EQ(lib.Finit(), 0);
    // An unknown mode changes nothing.
    ASSERT_EQ(lib.SetRootDirectory(Fixture("amd-desktop").c_str()), 0);
    EXPECT_EQ(lib.Init(7, nullptr), -1);
    EXPECT_EQ(lib.GetInfo2(1), kTarvikNoReading);
    // Init(1) alone finds the sensors too; a null callback is fine.
    EXPECT_EQ(lib.Init(kTarvikInitFirstSamples, nullptr), 0);
    EXPECT_EQ(lib.GetInfo2(1), 45);
    // The root stays while initialised.
    EXPECT_EQ(lib.SetRootDirectory(Fixture("intel-laptop").c_str()), -1);
    EXPECT_EQ(lib.GetInfo2(1), 45);
    // After Finit, and after Finit twice.
    EXPECT_EQ(lib.Finit(), 0);
    EXPECT_EQ(lib.GetInfo2(1), kTarvikNoReading);
    EXPECT_EQ(lib.Finit(), 0);
    EXPECT_EQ(lib.GetInfo2(7), kTarvikNoReading);
}

TEST_F(VendorLib, InitAndFinitTwice) {
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        g_callbacks = 0;
        Start(Fixture("amd-desktop"));
        // Only Init(1) calls back, once.
        EXPECT_EQ(g_callbacks, 1);
        EXPECT_EQ(lib.GetInfo2(1), 45);
        EXPECT_EQ(lib.GetInfo2(7), 1200);
        EXPECT_EQ(lib.Finit(), 0);
        EXPECT_EQ(lib.GetInfo2(1), kTarvikNoReading);
    }
}

TEST_F(VendorLib, CallbackMayCallBackIn) {
    g_callbacks = 0;
    ASSERT_EQ(lib.SetRootDirectory(Fixture("intel-laptop").c_str()), 0);
    EXPECT_EQ(lib.Init(kTarvikInitFirstSamples, ReenteringCallback), 0);
    EXPECT_EQ(g_callbacks, 1);
}

TEST_F(VendorLib, FinitFromAnotherThreadAfterTheCollectorEnded) {
    int readings[2] = {0, 0};
    std::thread collector([&] {
        Start(Fixture("intel-laptop"));
        readings[0] = lib.GetInfo2(1);
        readings[1] = lib.GetInfo2(3);
    });
    collector.join();
    EXPECT_EQ(readings[0], 61);
    EXPECT_EQ(readings[1], 47);
    EXPECT_EQ(lib.Finit(), 0);
    EXPECT_EQ(lib.GetInfo2(1), kTarvikNoReading);
}

} // namespace
