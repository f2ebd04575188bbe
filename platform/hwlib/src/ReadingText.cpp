#include <hwlib/ReadingText.h>

#include <cmath>
#include <cstdio>
#include <langinfo.h>
#include <locale.h>

namespace OpenHardwareMonitor::Hardware {

std::string UserDecimalSeparator() {
    // An empty name makes newlocale read LC_ALL, LC_NUMERIC and LANG; the
    // process-wide locale, which other threads may use, stays untouched.
    locale_t locale = ::newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(nullptr));
    if (locale == static_cast<locale_t>(nullptr))
        return ".";
    const char* radix = ::nl_langinfo_l(RADIXCHAR, locale);
    std::string separator = radix && *radix ? radix : ".";
    ::freelocale(locale);
    return separator;
}

std::string ReadingText(std::optional<float> value) {
    static const std::string separator = UserDecimalSeparator();
    return ReadingText(value, separator);
}

std::string ReadingText(std::optional<float> value, std::string_view separator) {
    if (!value)
        return {};
    const float v = *value;
    if (std::isnan(v))
        return "NaN";
    if (std::isinf(v))
        return v > 0 ? "Infinity" : "-Infinity";
    char buffer[32];
    // %G with 7 digits drops trailing zeros and switches to "E+07" exactly
    // where the general format does; -0 reads as 0.
    std::snprintf(buffer, sizeof buffer, "%.7G", v == 0.0f ? 0.0 : static_cast<double>(v));
    std::string text;
    for (const char* p = buffer; *p; ++p) {
        if (*p == '.')
            text.append(separator);
        else
            text.push_back(*p);
    }
    return text;
}

} // namespace OpenHardwareMonitor::Hardware
