#include "Gdi.h"

#include <cstdint>
#include <cstring>
#include <mutex>
#include <win32/Bitmaps.h>
#include <win32/Gdi.h>
#include <win32/Kernel.h>

namespace {

struct Layout {
    int width = 0;
    int height = 0;
    bool bottomUp = true;
    int bytesPerPixel = 0;
    std::size_t stride = 0;
    const BYTE* pixels = nullptr;
};

// Checks the header against the bytes that follow it; every size is worked
// out in 64 bits before anything is read.
bool Parse(const BYTE* data, DWORD size, Layout& out) {
    BITMAPINFOHEADER h{};
    if (!data || size < sizeof h)
        return false;
    std::memcpy(&h, data, sizeof h);
    if (h.biSize < sizeof h || h.biSize > size || h.biPlanes != 1 || h.biCompression != BI_RGB ||
        (h.biBitCount != 24 && h.biBitCount != 32) || h.biClrUsed > 256)
        return false;
    if (h.biWidth <= 0 || h.biWidth > 32768 || h.biHeight == 0 || h.biHeight > 32768 ||
        h.biHeight < -32768)
        return false;
    out.width = h.biWidth;
    out.height = h.biHeight > 0 ? h.biHeight : -h.biHeight;
    out.bottomUp = h.biHeight > 0;
    out.bytesPerPixel = h.biBitCount / 8;
    out.stride = ((static_cast<std::size_t>(out.width) * h.biBitCount + 31) / 32) * 4;
    const std::uint64_t offset = static_cast<std::uint64_t>(h.biSize) + h.biClrUsed * 4ull;
    if (offset + static_cast<std::uint64_t>(out.stride) * out.height > size)
        return false;
    out.pixels = data + offset;
    return true;
}

} // namespace

HBITMAP LoadBitmapW(HINSTANCE instance, LPCWSTR name) {
    if (!instance)
        return nullptr;
    HRSRC resource = FindResourceW(instance, name, RT_BITMAP);
    const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(instance, resource)));
    Layout layout;
    if (!resource || !Parse(data, SizeofResource(instance, resource), layout))
        return nullptr;
    HBITMAP bitmap = CreateCompatibleBitmap(nullptr, layout.width, layout.height);
    if (!bitmap)
        return nullptr;
    auto& gdi = win32::detail::Gdi();
    std::lock_guard lock(gdi.mutex);
    auto* target = gdi.Find<win32::detail::BitmapObject>(bitmap, win32::detail::GdiKind::Bitmap);
    for (int y = 0; y < layout.height; ++y) {
        const int fileRow = layout.bottomUp ? layout.height - 1 - y : y;
        const BYTE* src = layout.pixels + layout.stride * static_cast<std::size_t>(fileRow);
        std::uint32_t* dst = target->Row(y);
        for (int x = 0; x < layout.width; ++x, src += layout.bytesPerPixel)
            dst[x] = 0xFF000000u | static_cast<std::uint32_t>(src[2]) << 16 |
                     static_cast<std::uint32_t>(src[1]) << 8 | src[0];
    }
    return bitmap;
}
