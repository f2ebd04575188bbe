#include <hwlib/Environment.h>

#include "SpawnRunner.h"
#include "StatvfsStats.h"

#include <mutex>

namespace OpenHardwareMonitor::Hardware {

namespace {

// The only state the library shares between Computers and threads.
struct Settings {
    std::mutex lock;
    std::filesystem::path root = "/";
    std::shared_ptr<IFileSystemStats> stats;
    std::shared_ptr<IProgramRunner> runner;
};

Settings& TheSettings() {
    // Never destroyed: a collector thread may still read it at exit.
    static Settings* settings = new Settings;
    return *settings;
}

} // namespace

void SetRootDirectory(const std::filesystem::path& root) {
    Settings& s = TheSettings();
    std::lock_guard guard(s.lock);
    s.root = root.empty() ? std::filesystem::path("/") : root;
}

std::filesystem::path RootDirectory() {
    Settings& s = TheSettings();
    std::lock_guard guard(s.lock);
    return s.root;
}

void SetFileSystemStats(std::shared_ptr<IFileSystemStats> stats) {
    Settings& s = TheSettings();
    std::lock_guard guard(s.lock);
    s.stats = std::move(stats);
}

std::shared_ptr<IFileSystemStats> FileSystemStats() {
    Settings& s = TheSettings();
    std::lock_guard guard(s.lock);
    if (!s.stats)
        s.stats = std::make_shared<hwlib::StatvfsStats>();
    return s.stats;
}

void SetProgramRunner(std::shared_ptr<IProgramRunner> runner) {
    Settings& s = TheSettings();
    std::lock_guard guard(s.lock);
    s.runner = std::move(runner);
}

std::shared_ptr<IProgramRunner> ProgramRunner() {
    Settings& s = TheSettings();
    std::lock_guard guard(s.lock);
    if (!s.runner)
        s.runner = std::make_shared<hwlib::SpawnRunner>();
    return s.runner;
}

} // namespace OpenHardwareMonitor::Hardware
