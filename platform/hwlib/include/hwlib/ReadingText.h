#pragma once

#include <hwlib/Export.h>

#include <optional>
#include <string>
#include <string_view>

namespace OpenHardwareMonitor::Hardware {

// A reading as the user sees it: empty without a value, else 7 significant
// digits without trailing zeros ("45.5", "100", "1.234568E+07"), in the
// user's decimal separator.
HWLIB_API std::string ReadingText(std::optional<float> value);
HWLIB_API std::string ReadingText(std::optional<float> value, std::string_view separator);

// The decimal separator of the locale the environment names (LC_ALL,
// LC_NUMERIC, LANG); "." when that locale is unknown. Read afresh each call.
HWLIB_API std::string UserDecimalSeparator();

} // namespace OpenHardwareMonitor::Hardware
