#pragma once

#include <hwlib/Export.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Where the library takes its readings from. Tests and the snapshot tool
// point it at a fixture tree and replace what cannot live in a tree.
namespace OpenHardwareMonitor::Hardware {

// Every /proc and /sys path is read under this directory ("/" by default).
// Taken by Open and by every Update, so it may change between passes.
HWLIB_API void SetRootDirectory(const std::filesystem::path& root);
HWLIB_API std::filesystem::path RootDirectory();

struct FileSystemSpace {
    std::uint64_t totalBytes = 0;
    std::uint64_t freeBytes = 0;      // free to the superuser
    std::uint64_t availableBytes = 0; // free to everyone else
};

class HWLIB_API IFileSystemStats {
public:
    virtual ~IFileSystemStats() = default;
    // The space of the file system mounted at mountPoint (a path as the
    // mount table writes it); empty when it cannot be asked.
    virtual std::optional<FileSystemSpace> Space(const std::filesystem::path& root,
                                                 const std::string& mountPoint) = 0;
};

struct ProgramResult {
    enum class Status {
        Exited,   // exitCode holds the status
        NotFound, // no such program
        Failed,   // could not be started, or ended by a signal
        TimedOut, // killed at the deadline
        TooMuchOutput,
    };
    Status status = Status::Failed;
    int exitCode = -1;
    std::string output; // standard output, at most the limit asked for
};

class HWLIB_API IProgramRunner {
public:
    virtual ~IProgramRunner() = default;
    // argv[0] is the program's bare name; no shell is involved.
    virtual ProgramResult Run(const std::vector<std::string>& argv,
                              std::chrono::milliseconds timeout, std::size_t outputLimit) = 0;
};

// nullptr restores the real one (statvfs; fork and exec of a program found
// in the system's sbin and bin folders).
HWLIB_API void SetFileSystemStats(std::shared_ptr<IFileSystemStats> stats);
HWLIB_API std::shared_ptr<IFileSystemStats> FileSystemStats();
HWLIB_API void SetProgramRunner(std::shared_ptr<IProgramRunner> runner);
HWLIB_API std::shared_ptr<IProgramRunner> ProgramRunner();

} // namespace OpenHardwareMonitor::Hardware
