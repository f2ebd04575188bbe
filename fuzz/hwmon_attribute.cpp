// The text of a hwmon attribute file (tempN_input, fanN_input, tempN_label,
// name) as both libraries read it: first line, trimmed, a whole integer.
#include "Check.h"

#include <HwmonSet.h>
#include <ProcReadings.h>

#include <sysread/SysRead.h>

#include <climits>
#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto text = fuzz::Text(data, size);
    const auto label = sysread::AttributeText(text);
    FUZZ_CHECK(label.find('\n') == std::string_view::npos);
    FUZZ_CHECK(label.size() <= text.size());
    FUZZ_CHECK(sysread::Trim(label) == label);

    const auto raw = sysread::ParseInteger(text);
    if (!raw)
        return 0;
    // A number is an optional sign and digits, nothing else.
    std::string_view digits = sysread::Trim(text);
    if (digits.front() == '+' || digits.front() == '-')
        digits.remove_prefix(1);
    FUZZ_CHECK(!digits.empty() && digits.find_first_not_of("0123456789") == std::string_view::npos);
    // The hardware library's reading of each kind of channel.
    for (const char* kind : {"temp", "in", "curr", "power", "energy", "fan"}) {
        const double value = static_cast<double>(*raw) * hwlib::HwmonSet::ScaleOf(kind);
        FUZZ_CHECK(std::isfinite(value));
        (void)static_cast<float>(value);
    }
    // The vendor library rounds only temperatures in the sensors' range,
    // but its rounding must hold for any count of millidegrees an int can hold.
    if (*raw >= INT_MIN && *raw <= INT_MAX) {
        const int degrees = vendorlib::RoundMillidegrees(*raw);
        FUZZ_CHECK(std::llabs(static_cast<long long>(degrees) * 1000 - *raw) <= 500);
    }
    return 0;
}
