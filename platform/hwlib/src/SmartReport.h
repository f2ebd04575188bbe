#pragma once

#include <hwlib/Environment.h>

#include <string>
#include <string_view>

namespace hwlib {

// The drive report's S.M.A.R.T. section from a run of `smartctl -j -A -H -i`:
// the attribute table, or one line that says why there is none. A value row
// puts its raw value 66 characters after the start of its label.
std::string SmartSection(const OpenHardwareMonitor::Hardware::ProgramResult& run);

inline constexpr std::size_t kSmartValueColumn = 66;

} // namespace hwlib
