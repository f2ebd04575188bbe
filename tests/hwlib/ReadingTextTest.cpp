#include <hwlib/ReadingText.h>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <locale.h>

namespace ohm = OpenHardwareMonitor::Hardware;

TEST(ReadingText, GeneralFormatWithSevenDigits) {
    struct Case {
        std::optional<float> value;
        const char* separator;
        const char* text;
    } cases[] = {
        {std::nullopt, ".", ""},
        {45.5f, ".", "45.5"},
        {37.25f, ".", "37.25"},
        {100.0f, ".", "100"},
        {0.0f, ".", "0"},
        {-0.0f, ".", "0"},
        {-12.5f, ".", "-12.5"},
        {1250.0f, ".", "1250"},
        {99.99999f, ".", "99.99999"},
        {1.9999999f, ".", "2"}, // the 8th digit rounds the 7 up
        {12.3456789f, ".", "12.34568"},
        {1234567.0f, ".", "1234567"},
        {12345678.0f, ".", "1.234568E+07"},
        {0.0001f, ".", "0.0001"},
        {0.00001f, ".", "1E-05"},
        {47.5f, ",", "47,5"},
        {100.0f, ",", "100"},
        {std::numeric_limits<float>::quiet_NaN(), ".", "NaN"},
        {std::numeric_limits<float>::infinity(), ".", "Infinity"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ohm::ReadingText(c.value, c.separator), c.text) << (c.value ? *c.value : -1.0f);
}

TEST(ReadingText, SeparatorComesFromTheEnvironmentsLocale) {
    // Only the locales installed here can be tried; the C locale always is.
    setenv("LC_ALL", "C", 1);
    EXPECT_EQ(ohm::UserDecimalSeparator(), ".");
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "ru_RU.UTF-8"}) {
        locale_t probe = newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(nullptr));
        if (probe == static_cast<locale_t>(nullptr))
            continue;
        freelocale(probe);
        setenv("LC_ALL", name, 1);
        EXPECT_EQ(ohm::UserDecimalSeparator(), ",") << name;
    }
    setenv("LC_ALL", "xx_NOWHERE.UTF-8", 1);
    EXPECT_EQ(ohm::UserDecimalSeparator(), ".");
    unsetenv("LC_ALL");
}
