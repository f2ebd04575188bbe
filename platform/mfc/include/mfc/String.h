#pragma once

// The framework's wide string. Characters are wchar_t; texts given as
// `const char*` or std::string are UTF-8 (the hardware library's texts).
// Indices out of range are clamped: no operation reads or writes outside the
// text.

#include <compare>
#include <cstdarg>
#include <string>
#include <win32/Types.h>

class CString {
public:
    CString() = default;
    CString(const wchar_t* psz) : m_str(psz ? psz : L"") {}
    CString(const wchar_t* pch, int nLength);
    CString(wchar_t ch, int nRepeat = 1);
    CString(const char* pszUtf8);
    CString(const std::string& utf8);
    CString(std::wstring str) : m_str(std::move(str)) {}
    CString(const CString&) = default;
    CString(CString&&) noexcept = default;
    CString& operator=(const CString&) = default;
    CString& operator=(CString&&) noexcept = default;
    CString& operator=(const wchar_t* psz);
    CString& operator=(wchar_t ch);
    CString& operator=(const char* pszUtf8);

    // printf-style, always in the C locale (a point as decimal separator).
    // As the framework's wide strings do: %s and %c take wide arguments,
    // %hs/%S and %hc/%C narrow (UTF-8) ones, %ls/%lc wide ones. %n writes
    // nothing.
    void Format(const wchar_t* pszFormat, ...);
    void AppendFormat(const wchar_t* pszFormat, ...);
    void FormatV(const wchar_t* pszFormat, va_list args);
    void AppendFormatV(const wchar_t* pszFormat, va_list args);

    CString& operator+=(const CString& str);
    CString& operator+=(const wchar_t* psz);
    CString& operator+=(wchar_t ch);

    operator LPCWSTR() const { return m_str.c_str(); }
    LPCWSTR GetString() const { return m_str.c_str(); }
    int GetLength() const { return static_cast<int>(m_str.size()); }
    bool IsEmpty() const { return m_str.empty(); }
    void Empty() { m_str.clear(); }

    // L'\0' outside the text.
    wchar_t GetAt(int iChar) const;
    wchar_t operator[](int iChar) const { return GetAt(iChar); }
    // Does nothing outside the text.
    void SetAt(int iChar, wchar_t ch);

    // Position of the first match at or after iStart, or -1. A negative
    // start counts as 0; an empty needle matches at the start.
    int Find(const wchar_t* pszSub, int iStart = 0) const;
    int Find(wchar_t ch, int iStart = 0) const;
    int ReverseFind(wchar_t ch) const;

    CString Mid(int iFirst) const;
    CString Mid(int iFirst, int nCount) const;
    CString Left(int nCount) const;
    CString Right(int nCount) const;

    CString& Trim();
    CString& TrimLeft();
    CString& TrimRight();
    // Number of replacements; an empty or null needle replaces nothing.
    int Replace(const wchar_t* pszOld, const wchar_t* pszNew);
    int Compare(const wchar_t* psz) const;

    // A writable buffer of at least nMinBufferLength characters plus the
    // terminator; ReleaseBuffer(-1) takes the length up to the first L'\0'.
    LPWSTR GetBuffer(int nMinBufferLength = 0);
    void ReleaseBuffer(int nNewLength = -1);

    const std::wstring& Str() const { return m_str; }
    std::string ToUtf8() const;

    friend bool operator==(const CString& a, const CString& b) { return a.m_str == b.m_str; }
    friend bool operator==(const CString& a, const wchar_t* b) { return a.m_str == (b ? b : L""); }
    friend std::strong_ordering operator<=>(const CString& a, const CString& b) {
        return a.m_str.compare(b.m_str) <=> 0;
    }

    friend CString operator+(const CString& a, const CString& b);
    friend CString operator+(const CString& a, const wchar_t* b);
    friend CString operator+(const wchar_t* a, const CString& b);
    friend CString operator+(const CString& a, wchar_t b);
    friend CString operator+(wchar_t a, const CString& b);

private:
    std::wstring m_str;
};

using CStringW = CString;
