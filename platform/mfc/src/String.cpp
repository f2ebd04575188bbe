#include "Format.h"
#include "Utf8.h"

#include <algorithm>
#include <cwctype>
#include <mfc/String.h>

using mfc::detail::NarrowUtf8;
using mfc::detail::WidenUtf8;

namespace {

std::size_t Clamp(int value, std::size_t size) {
    return value <= 0 ? 0 : std::min(static_cast<std::size_t>(value), size);
}

} // namespace

CString::CString(const wchar_t* pch, int nLength) {
    if (pch && nLength > 0)
        m_str.assign(pch, static_cast<std::size_t>(nLength));
}

CString::CString(wchar_t ch, int nRepeat) : m_str(Clamp(nRepeat, SIZE_MAX), ch) {}

CString::CString(const char* pszUtf8) : m_str(pszUtf8 ? WidenUtf8(pszUtf8) : std::wstring()) {}

CString::CString(const std::string& utf8) : m_str(WidenUtf8(utf8)) {}

CString& CString::operator=(const wchar_t* psz) {
    m_str = psz ? psz : L"";
    return *this;
}

CString& CString::operator=(wchar_t ch) {
    m_str.assign(1, ch);
    return *this;
}

CString& CString::operator=(const char* pszUtf8) {
    m_str = pszUtf8 ? WidenUtf8(pszUtf8) : std::wstring();
    return *this;
}

void CString::Format(const wchar_t* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

void CString::AppendFormat(const wchar_t* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    AppendFormatV(pszFormat, args);
    va_end(args);
}

void CString::FormatV(const wchar_t* pszFormat, va_list args) {
    // Built aside, so that the string's own text may be an argument.
    std::wstring out;
    mfc::detail::AppendFormatted(out, pszFormat, args);
    m_str = std::move(out);
}

void CString::AppendFormatV(const wchar_t* pszFormat, va_list args) {
    std::wstring out;
    mfc::detail::AppendFormatted(out, pszFormat, args);
    m_str += out;
}

CString& CString::operator+=(const CString& str) {
    m_str += str.m_str;
    return *this;
}

CString& CString::operator+=(const wchar_t* psz) {
    if (psz)
        m_str += psz;
    return *this;
}

CString& CString::operator+=(wchar_t ch) {
    m_str.push_back(ch);
    return *this;
}

wchar_t CString::GetAt(int iChar) const {
    return iChar >= 0 && static_cast<std::size_t>(iChar) < m_str.size()
               ? m_str[static_cast<std::size_t>(iChar)]
               : L'\0';
}

void CString::SetAt(int iChar, wchar_t ch) {
    if (iChar >= 0 && static_cast<std::size_t>(iChar) < m_str.size())
        m_str[static_cast<std::size_t>(iChar)] = ch;
}

int CString::Find(const wchar_t* pszSub, int iStart) const {
    const std::size_t start = Clamp(iStart, SIZE_MAX);
    if (!pszSub || start > m_str.size())
        return -1;
    const std::size_t at = m_str.find(pszSub, start);
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CString::Find(wchar_t ch, int iStart) const {
    const std::size_t at = m_str.find(ch, Clamp(iStart, SIZE_MAX));
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

int CString::ReverseFind(wchar_t ch) const {
    const std::size_t at = m_str.rfind(ch);
    return at == std::wstring::npos ? -1 : static_cast<int>(at);
}

CString CString::Mid(int iFirst) const {
    return Mid(iFirst, GetLength());
}

CString CString::Mid(int iFirst, int nCount) const {
    const std::size_t first = Clamp(iFirst, m_str.size());
    return CString(m_str.substr(first, Clamp(nCount, m_str.size() - first)));
}

CString CString::Left(int nCount) const {
    return CString(m_str.substr(0, Clamp(nCount, m_str.size())));
}

CString CString::Right(int nCount) const {
    const std::size_t n = Clamp(nCount, m_str.size());
    return CString(m_str.substr(m_str.size() - n));
}

CString& CString::Trim() {
    return TrimRight().TrimLeft();
}

CString& CString::TrimLeft() {
    const auto first = std::find_if(m_str.begin(), m_str.end(), [](wchar_t c) {
        return !std::iswspace(static_cast<wint_t>(c));
    });
    m_str.erase(m_str.begin(), first);
    return *this;
}

CString& CString::TrimRight() {
    const auto last = std::find_if(m_str.rbegin(), m_str.rend(), [](wchar_t c) {
        return !std::iswspace(static_cast<wint_t>(c));
    });
    m_str.erase(last.base(), m_str.end());
    return *this;
}

int CString::Replace(const wchar_t* pszOld, const wchar_t* pszNew) {
    if (!pszOld || !*pszOld)
        return 0;
    const std::wstring from = pszOld;
    const std::wstring to = pszNew ? pszNew : L"";
    int count = 0;
    for (std::size_t at = m_str.find(from); at != std::wstring::npos;
         at = m_str.find(from, at + to.size())) {
        m_str.replace(at, from.size(), to);
        ++count;
    }
    return count;
}

int CString::Compare(const wchar_t* psz) const {
    const int c = m_str.compare(psz ? psz : L"");
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

LPWSTR CString::GetBuffer(int nMinBufferLength) {
    if (nMinBufferLength > 0 && static_cast<std::size_t>(nMinBufferLength) > m_str.size())
        m_str.resize(static_cast<std::size_t>(nMinBufferLength));
    return m_str.data();
}

void CString::ReleaseBuffer(int nNewLength) {
    if (nNewLength < 0)
        m_str.resize(std::wcslen(m_str.c_str()));
    else
        m_str.resize(std::min(static_cast<std::size_t>(nNewLength), m_str.size()));
}

std::string CString::ToUtf8() const {
    return NarrowUtf8(m_str);
}

CString operator+(const CString& a, const CString& b) {
    return CString(a.m_str + b.m_str);
}

CString operator+(const CString& a, const wchar_t* b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(const wchar_t* a, const CString& b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(const CString& a, wchar_t b) {
    CString r(a);
    r += b;
    return r;
}

CString operator+(wchar_t a, const CString& b) {
    return CString(std::wstring(1, a) + b.m_str);
}
