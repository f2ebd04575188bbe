#pragma once

#include <win32/Pdh.h>

namespace pdh {

inline constexpr PDH_STATUS kSuccess = 0;

} // namespace pdh
