#include "Format.h"

#include "Utf8.h"

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <locale.h>

namespace mfc::detail {
namespace {

// Widths and precisions beyond this are taken as this: a format cannot ask
// for gigabytes of padding.
constexpr int kLimit = 4096;

locale_t CLocale() {
    static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return c;
}

// The thread's locale is the C one for the scope; the process's locale is
// left alone.
class CLocaleScope {
public:
    CLocaleScope() : m_previous(CLocale() ? uselocale(CLocale()) : nullptr) {}
    ~CLocaleScope() {
        if (m_previous)
            uselocale(m_previous);
    }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

private:
    locale_t m_previous;
};

enum class Length { None, Char, Short, Long, LongLong, IntMax, Size, PtrDiff, LongDouble, Wide };

struct Spec {
    std::string flags; // of "-+ #0"
    int width = 0;
    int precision = -1;
    Length length = Length::None;
    wchar_t conversion = 0;
    bool LeftAligned() const { return flags.find('-') != std::string::npos; }
};

int ReadNumber(const wchar_t*& p) {
    int n = 0;
    while (*p >= L'0' && *p <= L'9') {
        n = std::min(n * 10 + (*p - L'0'), kLimit);
        ++p;
    }
    return n;
}

void Pad(std::wstring& out, std::wstring_view text, const Spec& spec) {
    const std::size_t width = static_cast<std::size_t>(std::max(spec.width, 0));
    const std::size_t fill = width > text.size() ? width - text.size() : 0;
    if (!spec.LeftAligned())
        out.append(fill, L' ');
    out.append(text);
    if (spec.LeftAligned())
        out.append(fill, L' ');
}

// Numbers are formatted narrow: in the C locale they are ASCII. The format
// is built here from a parsed spec, never taken from the caller.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
template <class T>
void AppendNumber(std::wstring& out, const Spec& spec, const char* length, char conversion,
                  T value) {
    std::string format = "%" + spec.flags;
    format += "*.*";
    format += length;
    format += conversion;
    char small[128];
    const int n =
        std::snprintf(small, sizeof small, format.c_str(), spec.width, spec.precision, value);
    if (n < 0)
        return;
    std::string text;
    if (static_cast<std::size_t>(n) < sizeof small) {
        text.assign(small, static_cast<std::size_t>(n));
    } else {
        text.resize(static_cast<std::size_t>(n) + 1);
        std::snprintf(text.data(), text.size(), format.c_str(), spec.width, spec.precision, value);
        text.resize(static_cast<std::size_t>(n));
    }
    out.append(text.begin(), text.end());
}
#pragma GCC diagnostic pop

void AppendSigned(std::wstring& out, const Spec& spec, va_list& args) {
    long long v = 0;
    switch (spec.length) {
    case Length::Char:
        v = static_cast<signed char>(va_arg(args, int));
        break;
    case Length::Short:
        v = static_cast<short>(va_arg(args, int));
        break;
    case Length::Long:
        v = va_arg(args, long);
        break;
    case Length::LongLong:
        v = va_arg(args, long long);
        break;
    case Length::IntMax:
        v = static_cast<long long>(va_arg(args, std::intmax_t));
        break;
    case Length::Size:
    case Length::PtrDiff:
        v = static_cast<long long>(va_arg(args, std::ptrdiff_t));
        break;
    default:
        v = va_arg(args, int);
        break;
    }
    AppendNumber(out, spec, "ll", 'd', v);
}

void AppendUnsigned(std::wstring& out, const Spec& spec, char conversion, va_list& args) {
    unsigned long long v = 0;
    switch (spec.length) {
    case Length::Char:
        v = static_cast<unsigned char>(va_arg(args, unsigned));
        break;
    case Length::Short:
        v = static_cast<unsigned short>(va_arg(args, unsigned));
        break;
    case Length::Long:
        v = va_arg(args, unsigned long);
        break;
    case Length::LongLong:
        v = va_arg(args, unsigned long long);
        break;
    case Length::IntMax:
        v = static_cast<unsigned long long>(va_arg(args, std::uintmax_t));
        break;
    case Length::Size:
    case Length::PtrDiff:
        v = va_arg(args, std::size_t);
        break;
    default:
        v = va_arg(args, unsigned);
        break;
    }
    AppendNumber(out, spec, "ll", conversion, v);
}

void AppendFloating(std::wstring& out, const Spec& spec, char conversion, va_list& args) {
    if (spec.length == Length::LongDouble)
        AppendNumber(out, spec, "L", conversion, va_arg(args, long double));
    else
        AppendNumber(out, spec, "", conversion, va_arg(args, double));
}

// Wide unless the conversion asks for a narrow argument (h, or the capital form).
bool NarrowArgument(const Spec& spec) {
    const bool capital = spec.conversion == L'S' || spec.conversion == L'C';
    if (spec.length == Length::Short || spec.length == Length::Char)
        return true;
    if (spec.length == Length::Long || spec.length == Length::Wide)
        return false;
    return capital;
}

void AppendText(std::wstring& out, const Spec& spec, va_list& args) {
    std::wstring text;
    if (NarrowArgument(spec)) {
        const char* s = va_arg(args, const char*);
        text = s ? WidenUtf8(s) : L"(null)";
    } else {
        const wchar_t* s = va_arg(args, const wchar_t*);
        text = s ? s : L"(null)";
    }
    if (spec.precision >= 0 && static_cast<std::size_t>(spec.precision) < text.size())
        text.resize(static_cast<std::size_t>(spec.precision));
    Pad(out, text, spec);
}

void AppendChar(std::wstring& out, const Spec& spec, va_list& args) {
    const unsigned v = va_arg(args, unsigned);
    std::wstring text;
    if (NarrowArgument(spec))
        text = WidenUtf8(std::string(1, static_cast<char>(v)));
    else
        text.push_back(static_cast<wchar_t>(v));
    Pad(out, text, spec);
}

} // namespace

void AppendFormatted(std::wstring& out, const wchar_t* format, va_list args) {
    if (!format)
        return;
    CLocaleScope cLocale;
    va_list ap;
    va_copy(ap, args);
    const wchar_t* p = format;
    while (*p) {
        if (*p != L'%') {
            out.push_back(*p++);
            continue;
        }
        const wchar_t* start = p++;
        Spec spec;
        while (*p && std::wcschr(L"-+ #0", *p))
            spec.flags.push_back(static_cast<char>(*p++));
        if (*p == L'*') {
            ++p;
            spec.width = va_arg(ap, int);
            if (spec.width < 0) {
                spec.flags.push_back('-');
                spec.width = spec.width == INT32_MIN ? kLimit : -spec.width;
            }
            spec.width = std::min(spec.width, kLimit);
        } else {
            spec.width = ReadNumber(p);
        }
        if (*p == L'.') {
            ++p;
            if (*p == L'*') {
                ++p;
                spec.precision = va_arg(ap, int);
                spec.precision = spec.precision < 0 ? -1 : std::min(spec.precision, kLimit);
            } else {
                spec.precision = ReadNumber(p);
            }
        }
        if (p[0] == L'h' && p[1] == L'h')
            spec.length = Length::Char, p += 2;
        else if (*p == L'h')
            spec.length = Length::Short, ++p;
        else if (p[0] == L'l' && p[1] == L'l')
            spec.length = Length::LongLong, p += 2;
        else if (*p == L'l')
            spec.length = Length::Long, ++p;
        else if (*p == L'q' || (p[0] == L'I' && p[1] == L'6' && p[2] == L'4'))
            spec.length = Length::LongLong, p += *p == L'q' ? 1 : 3;
        else if (p[0] == L'I' && p[1] == L'3' && p[2] == L'2')
            spec.length = Length::None, p += 3;
        else if (*p == L'I' || *p == L'z')
            spec.length = Length::Size, ++p;
        else if (*p == L'j')
            spec.length = Length::IntMax, ++p;
        else if (*p == L't')
            spec.length = Length::PtrDiff, ++p;
        else if (*p == L'L')
            spec.length = Length::LongDouble, ++p;
        else if (*p == L'w')
            spec.length = Length::Wide, ++p;
        spec.conversion = *p;
        if (*p)
            ++p;
        switch (spec.conversion) {
        case L'%':
            out.push_back(L'%');
            break;
        case L'd':
        case L'i':
            AppendSigned(out, spec, ap);
            break;
        case L'u':
        case L'o':
        case L'x':
        case L'X':
            AppendUnsigned(out, spec, static_cast<char>(spec.conversion), ap);
            break;
        case L'f':
        case L'F':
        case L'e':
        case L'E':
        case L'g':
        case L'G':
        case L'a':
        case L'A':
            AppendFloating(out, spec, static_cast<char>(spec.conversion), ap);
            break;
        case L's':
        case L'S':
            AppendText(out, spec, ap);
            break;
        case L'c':
        case L'C':
            AppendChar(out, spec, ap);
            break;
        case L'p':
            AppendNumber(out, spec, "", 'p', va_arg(ap, void*));
            break;
        case L'n':
            (void)va_arg(ap, void*); // never written through
            break;
        default:
            // Not a conversion: the text stands as written.
            out.append(start, p);
            break;
        }
    }
    va_end(ap);
}

} // namespace mfc::detail
