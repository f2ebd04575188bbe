#pragma once

// The basic Windows-style value and handle types that the system's code and
// the rest of the layer are written in. Wide characters are the platform's
// wchar_t (UTF-32 on Linux): every text the system handles is in the Basic
// Multilingual Plane, so a character is one code unit, as it was in UTF-16.

#include <cstddef>
#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using ULONG = std::uint32_t;
using SHORT = std::int16_t;
using USHORT = std::uint16_t;
using INT = int;
using UINT = unsigned int;
using BOOL = int;
using CHAR = char;
using WCHAR = wchar_t;
using TCHAR = wchar_t;
using LONGLONG = std::int64_t;
using ULONGLONG = std::uint64_t;
using FLOAT = float;

using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;
using LONG_PTR = std::intptr_t;
using ULONG_PTR = std::uintptr_t;
using DWORD_PTR = std::uintptr_t;
using SIZE_T = std::size_t;

using WPARAM = UINT_PTR;
using LPARAM = LONG_PTR;
using LRESULT = LONG_PTR;

using LPSTR = char*;
using LPCSTR = const char*;
using LPWSTR = wchar_t*;
using LPCWSTR = const wchar_t*;
using LPTSTR = wchar_t*;
using LPCTSTR = const wchar_t*;
using LPVOID = void*;
using LPCVOID = const void*;
using PVOID = void*;
using LPDWORD = DWORD*;
using LPBYTE = BYTE*;

using ATOM = WORD;
using COLORREF = DWORD;
using HRESULT = LONG;

// The calling-convention words of the original code. On Linux every entry is
// the platform's C convention.
#define WINAPI
#define CALLBACK
#define APIENTRY

// Distinct pointer types per kind of handle, so that the compiler tells an
// HWND from an HDC. The structures are never defined.
#define TARVIK_HANDLE(name)                                                                        \
    struct name##__;                                                                               \
    using name = name##__*
TARVIK_HANDLE(HWND);
TARVIK_HANDLE(HINSTANCE);
TARVIK_HANDLE(HDC);
TARVIK_HANDLE(HBITMAP);
TARVIK_HANDLE(HBRUSH);
TARVIK_HANDLE(HFONT);
TARVIK_HANDLE(HPEN);
TARVIK_HANDLE(HICON);
TARVIK_HANDLE(HMENU);
TARVIK_HANDLE(HRSRC);
TARVIK_HANDLE(HPALETTE);
TARVIK_HANDLE(HRGN);
#undef TARVIK_HANDLE
using HANDLE = void*;
using HGDIOBJ = void*;
using HGLOBAL = void*;
using HMODULE = HINSTANCE;
using HCURSOR = HICON;

inline constexpr BOOL TRUE = 1;
inline constexpr BOOL FALSE = 0;

struct POINT {
    LONG x;
    LONG y;
};
using LPPOINT = POINT*;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};
using LPRECT = RECT*;
using LPCRECT = const RECT*;

struct SIZE {
    LONG cx;
    LONG cy;
};

inline constexpr WORD LOWORD(DWORD_PTR v) {
    return static_cast<WORD>(v & 0xFFFF);
}
inline constexpr WORD HIWORD(DWORD_PTR v) {
    return static_cast<WORD>((v >> 16) & 0xFFFF);
}
inline constexpr BYTE LOBYTE(DWORD_PTR v) {
    return static_cast<BYTE>(v & 0xFF);
}
inline constexpr LONG MAKELONG(WORD lo, WORD hi) {
    return static_cast<LONG>(static_cast<DWORD>(lo) | (static_cast<DWORD>(hi) << 16));
}
inline constexpr WPARAM MAKEWPARAM(WORD lo, WORD hi) {
    return static_cast<WPARAM>(static_cast<DWORD>(MAKELONG(lo, hi)));
}
inline constexpr LPARAM MAKELPARAM(WORD lo, WORD hi) {
    return static_cast<LPARAM>(static_cast<DWORD>(MAKELONG(lo, hi)));
}
// Signed coordinates packed in an LPARAM (mouse and move messages).
inline constexpr int GET_X_LPARAM(LPARAM lp) {
    return static_cast<SHORT>(LOWORD(lp));
}
inline constexpr int GET_Y_LPARAM(LPARAM lp) {
    return static_cast<SHORT>(HIWORD(lp));
}

inline constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r | (g << 8) | (b << 16));
}
inline constexpr BYTE GetRValue(COLORREF c) {
    return static_cast<BYTE>(c & 0xFF);
}
inline constexpr BYTE GetGValue(COLORREF c) {
    return static_cast<BYTE>((c >> 8) & 0xFF);
}
inline constexpr BYTE GetBValue(COLORREF c) {
    return static_cast<BYTE>((c >> 16) & 0xFF);
}

// Integer resource names and types travel in a string pointer whose high bits
// are zero.
inline LPWSTR MAKEINTRESOURCEW(UINT_PTR id) {
    return reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(id)));
}
inline bool IS_INTRESOURCE(LPCWSTR p) {
    return (reinterpret_cast<ULONG_PTR>(p) >> 16) == 0;
}
#define MAKEINTRESOURCE MAKEINTRESOURCEW
