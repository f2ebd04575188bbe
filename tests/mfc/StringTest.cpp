#include <clocale>
#include <cstdio>
#include <gtest/gtest.h>
#include <mfc/String.h>

namespace {

CString Formatted(const wchar_t* format, auto... args) {
    CString s;
    s.Format(format, args...);
    return s;
}

TEST(CStringFormat, Cases) {
    struct Case {
        CString got;
        const wchar_t* want;
    };
    const Case cases[] = {
        {Formatted(L"%d", -42), L"-42"},
        {Formatted(L"%i|%u", -7, 4000000000u), L"-7|4000000000"},
        {Formatted(L"%X", 700), L"2BC"},
        {Formatted(L"%x", 700), L"2bc"},
        {Formatted(L"FakeWnd%X", 255), L"FakeWndFF"},
        {Formatted(L"FakeWnd%X", 0), L"FakeWnd0"},
        {Formatted(L"%.1f", 4.49), L"4.5"},
        {Formatted(L"%.3f", 0.0005), L"0.001"},
        {Formatted(L"Pages/sec : %.3f\n", 12.3456), L"Pages/sec : 12.346\n"},
        {Formatted(L"%f", 1.5), L"1.500000"},
        {Formatted(L"%g", 0.0001), L"0.0001"},
        {Formatted(L"%5d|%-5d|%05d", 42, 42, 42), L"   42|42   |00042"},
        {Formatted(L"%*d", 4, 7), L"   7"},
        {Formatted(L"%s, %s", L"主板", L"GPU"), L"主板, GPU"},
        {Formatted(L"%d℃", 45), L"45℃"},
        {Formatted(L"风扇 %d转/分", 1200), L"风扇 1200转/分"},
        {Formatted(L"%c%c", L'℃', L'A'), L"℃A"},
        {Formatted(L"%hs|%S", "温度", "ok"), L"温度|ok"},
        {Formatted(L"%.2s|%4s", L"abc", L"ab"), L"ab|  ab"},
        {Formatted(L"%s", static_cast<const wchar_t*>(nullptr)), L"(null)"},
        {Formatted(L"100%%"), L"100%"},
        {Formatted(L"%I64d %lld", 1LL << 40, -(1LL << 40)), L"1099511627776 -1099511627776"},
        {Formatted(L"%d\t%d\t%d\t", 1, 2, 3), L"1\t2\t3\t"},
        {Formatted(L"%y %"), L"%y %"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.got, c.want) << c.want;
}

TEST(CStringFormat, AppendFormatAndSelfArgument) {
    CString s = L"a";
    s.AppendFormat(L"%d", 1);
    s.AppendFormat(L"%s", s.GetString());
    EXPECT_EQ(s, L"a1a1");
    s.Format(L"[%s]", s.GetString());
    EXPECT_EQ(s, L"[a1a1]");
    s.Format(nullptr);
    EXPECT_TRUE(s.IsEmpty());
}

TEST(CStringFormat, NumbersUseThePointWhateverTheLocale) {
    const std::string before = std::setlocale(LC_ALL, nullptr);
    const char* german = std::setlocale(LC_ALL, "de_DE.UTF-8");
    if (!german)
        german = std::setlocale(LC_ALL, "de_DE");
    if (!german)
        GTEST_SKIP() << "no de_DE locale installed";
    const std::string numeric = german;
    char probe[16];
    std::snprintf(probe, sizeof probe, "%.1f", 4.5);
    EXPECT_STREQ(probe, "4,5"); // the locale is really in force
    EXPECT_EQ(Formatted(L"%.1f|%.3f", 4.49, 1.0), L"4.5|1.000");
    std::snprintf(probe, sizeof probe, "%.1f", 4.5);
    EXPECT_STREQ(probe, "4,5"); // and still is afterwards
    EXPECT_EQ(std::setlocale(LC_NUMERIC, nullptr), numeric);
    std::setlocale(LC_ALL, before.c_str());
}

TEST(CString, Utf8Conversion) {
    EXPECT_EQ(CString("CPU 温度 ℃"), L"CPU 温度 ℃");
    EXPECT_EQ(CString(std::string("Intel Core i5")), L"Intel Core i5");
    EXPECT_EQ(CString(static_cast<const char*>(nullptr)), L"");
    // Truncated, overlong and stray bytes each become one U+FFFD.
    EXPECT_EQ(CString("a\xE6\xB8"), L"a\xFFFD\xFFFD");
    EXPECT_EQ(CString("\xC0\xAF"), L"\xFFFD\xFFFD");
    EXPECT_EQ(CString("\x80z"), L"\xFFFDz");
    EXPECT_EQ(CString(L"温度℃").ToUtf8(), "温度℃");
}

TEST(CString, FindAndPieces) {
    const CString s = L"Start/Stop Count: 12\nPower-On Hours: 345";
    EXPECT_EQ(s.Find(L"Count"), 11);
    EXPECT_EQ(s.Find(L"Count", 12), -1);
    EXPECT_EQ(s.Find(L"Hours", -5), 30);
    EXPECT_EQ(s.Find(L""), 0);
    EXPECT_EQ(s.Find(L"", s.GetLength()), s.GetLength());
    EXPECT_EQ(s.Find(L"x", 1000), -1);
    EXPECT_EQ(s.Find(static_cast<const wchar_t*>(nullptr)), -1);
    EXPECT_EQ(s.Find(L'\n'), 20);
    EXPECT_EQ(s.Find(L'\n', 21), -1);

    const CString t = L"abcdef";
    EXPECT_EQ(t.Mid(2), L"cdef");
    EXPECT_EQ(t.Mid(2, 2), L"cd");
    EXPECT_EQ(t.Mid(4, 100), L"ef");
    EXPECT_EQ(t.Mid(100), L"");
    EXPECT_EQ(t.Mid(-3, 2), L"ab");
    EXPECT_EQ(t.Mid(1, -1), L"");
    EXPECT_EQ(t.Left(2), L"ab");
    EXPECT_EQ(t.Left(-1), L"");
    EXPECT_EQ(t.Left(99), L"abcdef");
    EXPECT_EQ(t.Right(2), L"ef");
    EXPECT_EQ(t.Right(99), L"abcdef");
    EXPECT_EQ(t.GetAt(0), L'a');
    EXPECT_EQ(t[5], L'f');
    EXPECT_EQ(t[6], L'\0');
    EXPECT_EQ(t.GetAt(-1), L'\0');
}

TEST(CString, Operators) {
    CString s = L"CPU";
    s += L'\t';
    s += L"45";
    s += CString(L"℃");
    EXPECT_EQ(s, L"CPU\t45℃");
    EXPECT_EQ(s.GetLength(), 7);
    EXPECT_EQ(L"[" + s + L"]", L"[CPU\t45℃]");
    EXPECT_EQ(CString(L"a") + L'b', L"ab");
    EXPECT_TRUE(CString(L"a") != CString(L"b"));
    EXPECT_TRUE(CString(L"a") < CString(L"b"));
    EXPECT_STREQ(static_cast<LPCWSTR>(s), s.GetString());
    CString moved = std::move(s);
    EXPECT_EQ(moved, L"CPU\t45℃");
    moved.Empty();
    EXPECT_TRUE(moved.IsEmpty());
    EXPECT_STREQ(moved.GetString(), L"");
}

} // namespace
