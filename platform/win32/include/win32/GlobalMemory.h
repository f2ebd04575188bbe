#pragma once

// Global memory blocks: what streams on global memory are made over. Every
// live block is counted (see win32::GlobalBlockCount).

#include <cstddef>
#include <win32/Types.h>

inline constexpr UINT GMEM_FIXED = 0x0000;
inline constexpr UINT GMEM_MOVEABLE = 0x0002;
inline constexpr UINT GMEM_ZEROINIT = 0x0040;
inline constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
inline constexpr UINT GPTR = GMEM_FIXED | GMEM_ZEROINIT;

// A fixed block's handle is its address; a moveable block's is not, and only
// GlobalLock gives the address. A block of 0 bytes is a live block too.
HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
// Resizes in place for a fixed block (so never beyond its first size) and
// moves a moveable one that is not locked; the handle stays the same. Null on
// failure, and the block is then left as it was.
HGLOBAL GlobalReAlloc(HGLOBAL block, SIZE_T bytes, UINT flags);
LPVOID GlobalLock(HGLOBAL block);
// TRUE while the block is still locked afterwards; FALSE with ERROR_SUCCESS
// when it is now unlocked, FALSE with ERROR_NOT_LOCKED when it was not locked.
BOOL GlobalUnlock(HGLOBAL block);
// Null on success, the handle itself when it names no live block.
HGLOBAL GlobalFree(HGLOBAL block);
// 0 (with ERROR_INVALID_HANDLE) for a handle that names no live block.
SIZE_T GlobalSize(HGLOBAL block);

inline constexpr DWORD ERROR_NOT_LOCKED = 158;

namespace win32 {

// Number of live global memory blocks.
std::size_t GlobalBlockCount();

} // namespace win32
