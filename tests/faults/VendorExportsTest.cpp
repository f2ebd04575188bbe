// The whole application with a vendor library that lacks one export at a
// time: without "GetInfo2" or "Init" its collector ends quietly and its four
// panels keep their captions; without "InitCpuUsage" it runs; without
// "Finit" the teardown skips the call. No box, and the other collectors go on.

#include <Eventually.h>
#include <MainDialog.h>
#include <Watchdog.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <hwlib/Environment.h>
#include <mfc/WinApp.h>
#include <res/Resource.h>
#include <screen/HeadlessScreen.h>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>
#include <win32/Kernel.h>
#include <win32/PdhSources.h>
#include <win32/Screen.h>
#include <win32/User.h>

namespace {

namespace fs = std::filesystem;
namespace ohm = OpenHardwareMonitor::Hardware;

fs::path ExecutableFolder() {
    return fs::read_symlink("/proc/self/exe").parent_path();
}

std::size_t ThreadCount() {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/task"))
        ++n;
    return n;
}

using testing_support::Eventually;

using testing_support::MainDialog;

std::wstring Panel(HWND dialog, int id) {
    wchar_t text[1024]{};
    GetDlgItemTextW(dialog, id, text, 1024);
    return text;
}

class NoSmartctl final : public ohm::IProgramRunner {
public:
    ohm::ProgramResult Run(const std::vector<std::string>&, std::chrono::milliseconds,
                           std::size_t) override {
        return {ohm::ProgramResult::Status::NotFound, -1, {}};
    }
};

struct Variant {
    const char* file;
    bool collects; // the collector can run on it
    bool finit;    // the teardown finds "Finit"
};

const Variant kVariants[] = {
    {"PartialVendorNoGetInfo2.dll", false, true},
    {"PartialVendorNoInit.dll", false, true},
    {"PartialVendorNoInitCpuUsage.dll", true, true},
    {"PartialVendorNoFinit.dll", true, false},
};

// Run in a process of its own per library: a process keeps the library it
// loaded by that name until it ends.
TEST(VendorExports, OneLibrary) {
    const char* file = std::getenv("TARVIK_PARTIAL_VENDOR");
    if (!file)
        GTEST_SKIP() << "started by EachMissingExportInTurn";
    const Variant* found = nullptr;
    for (const Variant& v : kVariants)
        if (std::string(v.file) == file)
            found = &v;
    ASSERT_NE(found, nullptr);
    const Variant& v = *found;
    testing_support::Watchdog watchdog(std::chrono::seconds(30));
    screen::HeadlessScreen screen;
    const fs::path work =
        fs::temp_directory_path() / ("tarvik-exports-" + std::to_string(getpid()));
    fs::create_directories(work);
    std::ofstream(work / "OpenHardwareMonitorLib.dll").put('\0');
    fs::current_path(work);
    ohm::SetRootDirectory(HWLIB_FIXTURES "/amd-desktop-5800x");
    ohm::SetProgramRunner(std::make_shared<NoSmartctl>());
    PdhSetRootDirectory(work.c_str()); // no counters: that collector ends at once

    // The same library object the application loads by its bare name.
    HMODULE library = LoadLibraryA((ExecutableFolder().parent_path() / v.file).c_str());
    ASSERT_NE(library, nullptr);
    using TakeCalls = int (*)(char*, int);
    auto take = reinterpret_cast<TakeCalls>(GetProcAddress(library, "PartialTakeCalls"));
    auto calls = [&] {
        char buffer[256]{};
        take(buffer, sizeof buffer);
        return std::string(buffer);
    };

    const std::size_t threadsBefore = ThreadCount();
    std::atomic<bool> ended{false};
    std::thread ui([&] {
        AfxWinMain();
        ended = true;
    });
    HWND dialog = nullptr;
    ASSERT_TRUE(Eventually([&] { return (dialog = MainDialog()) != nullptr; }));
    // The hardware collector's first pass is complete.
    ASSERT_TRUE(Eventually([&] { return Panel(dialog, IDC_SMART) != L"S.M.A.R.T"; }));
    if (v.collects) {
        EXPECT_TRUE(Eventually([&] { return Panel(dialog, IDC_UNKNOWN) == L"42\t42\t42\t"; }));
        EXPECT_EQ(Panel(dialog, IDC_CPU_TEMP), L"42℃");
    } else {
        // Only the UI thread and the hardware collector are left: the vendor
        // collector has ended (and the fade and the counters with it).
        EXPECT_TRUE(Eventually([&] { return ThreadCount() == threadsBefore + 2; }));
        EXPECT_EQ(Panel(dialog, IDC_CPU_TEMP), L"CPU Temp.");
        EXPECT_EQ(Panel(dialog, IDC_FAN), L"FAN");
        EXPECT_EQ(Panel(dialog, IDC_MB_TEMP), L"MB Temp.");
        EXPECT_EQ(Panel(dialog, IDC_UNKNOWN), L"Unknown");
    }
    EXPECT_NE(Panel(dialog, IDC_MEM), L"MEM"); // the other collectors go on
    PostMessageW(dialog, WM_CLOSE, 0, 0);
    ASSERT_TRUE(Eventually([&] { return ended.load(); }));
    ui.join();

    const std::string made = calls();
    const bool initialised = made.rfind("Init0 Init1", 0) == 0;
    EXPECT_EQ(initialised, v.collects) << made;
    const bool finished = made.size() >= 5 && made.compare(made.size() - 5, 5, "Finit") == 0;
    EXPECT_EQ(finished, v.finit) << made;
    EXPECT_TRUE(screen.MessageBoxes().empty());
    EXPECT_TRUE(Eventually([&] { return ThreadCount() == threadsBefore; }));

    std::error_code ec;
    fs::remove_all(work, ec);
}

TEST(VendorExports, EachMissingExportInTurn) {
    testing_support::Watchdog watchdog(std::chrono::seconds(100));
    const fs::path link = ExecutableFolder() / "ComputerZ_HardwareDll.dll";
    for (const Variant& v : kVariants) {
        SCOPED_TRACE(v.file);
        std::error_code ec;
        fs::remove(link, ec);
        fs::create_symlink(fs::path("..") / v.file, link);
        const std::string self = fs::read_symlink("/proc/self/exe").string();
        const std::string filter = "--gtest_filter=VendorExports.OneLibrary";
        char* argv[] = {const_cast<char*>(self.c_str()), const_cast<char*>(filter.c_str()),
                        nullptr};
        std::vector<std::string> env;
        for (char** e = environ; *e; ++e)
            env.emplace_back(*e);
        env.push_back(std::string("TARVIK_PARTIAL_VENDOR=") + v.file);
        std::vector<char*> envp;
        for (auto& e : env)
            envp.push_back(e.data());
        envp.push_back(nullptr);
        pid_t child = 0;
        ASSERT_EQ(::posix_spawn(&child, self.c_str(), nullptr, nullptr, argv, envp.data()), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    std::error_code ec;
    fs::remove(link, ec);
}

} // namespace
