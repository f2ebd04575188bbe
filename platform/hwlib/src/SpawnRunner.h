#pragma once

#include <hwlib/Environment.h>

namespace hwlib {

// Runs a program found in the system's sbin and bin folders, without a
// shell, with its output read through a pipe up to a deadline.
class SpawnRunner final : public OpenHardwareMonitor::Hardware::IProgramRunner {
public:
    OpenHardwareMonitor::Hardware::ProgramResult Run(const std::vector<std::string>& argv,
                                                     std::chrono::milliseconds timeout,
                                                     std::size_t outputLimit) override;
};

} // namespace hwlib
