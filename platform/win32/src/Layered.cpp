#include "Gdi.h"
#include "Internal.h"
#include "WindowTable.h"

using namespace win32::detail;

namespace {

// The buffer of the picture a window held before its latest one, kept for
// the next composition on this thread instead of being freed and allocated
// again each time.
std::vector<std::uint32_t>& SparePicture() {
    thread_local std::vector<std::uint32_t> spare;
    return spare;
}

} // namespace

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF, BYTE alpha, DWORD flags) {
    {
        auto& table = Windows();
        std::lock_guard lock(table.mutex);
        Window* w = table.Find(hwnd);
        if (!w || !(w->exStyle & WS_EX_LAYERED))
            return FALSE;
        w->layeredAttributes = true;
        w->layeredFlags = flags;
        w->layeredAlpha = (flags & LWA_ALPHA) ? alpha : 255;
        // A window uses one way of layering at a time.
        w->layeredPicture = false;
    }
    NotifyWindowChanged(hwnd);
    return TRUE;
}

BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, BYTE* alpha, DWORD* flags) {
    auto& table = Windows();
    std::lock_guard lock(table.mutex);
    Window* w = table.Find(hwnd);
    if (!w || !(w->exStyle & WS_EX_LAYERED) || !w->layeredAttributes)
        return FALSE;
    if (key)
        *key = 0;
    if (alpha)
        *alpha = w->layeredAlpha;
    if (flags)
        *flags = w->layeredFlags;
    return TRUE;
}

BOOL UpdateLayeredWindow(HWND hwnd, HDC, POINT* destination, SIZE* size, HDC sourceDC,
                         POINT* source, COLORREF, BLENDFUNCTION* blend, DWORD flags) {
    RECT rect{};
    {
        auto& table = Windows();
        std::lock_guard lock(table.mutex);
        Window* w = table.Find(hwnd);
        if (!w || !(w->exStyle & WS_EX_LAYERED) || w->parent)
            return FALSE;
        rect = w->rect;
    }
    std::vector<std::uint32_t> pixels = std::move(SparePicture());
    int width = rect.right - rect.left;
    int height = rect.bottom - rect.top;
    if (size) {
        width = size->cx;
        height = size->cy;
    }
    if (sourceDC) {
        if (width <= 0 || height <= 0)
            return FALSE;
        const POINT from = source ? *source : POINT{0, 0};
        if (!ReadPixels(sourceDC, from.x, from.y, width, height, pixels))
            return FALSE;
        if (!(blend && (blend->AlphaFormat & AC_SRC_ALPHA)) || (flags & ULW_OPAQUE))
            for (auto& p : pixels)
                p |= 0xFF000000u;
    }
    const int x = destination ? destination->x : rect.left;
    const int y = destination ? destination->y : rect.top;
    if (x != rect.left || y != rect.top || width != rect.right - rect.left ||
        height != rect.bottom - rect.top)
        SetWindowPos(hwnd, nullptr, x, y, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    {
        auto& table = Windows();
        std::lock_guard lock(table.mutex);
        Window* w = table.Find(hwnd);
        if (!w)
            return FALSE;
        w->layeredAttributes = false;
        w->pictureAlpha = blend && !(flags & ULW_OPAQUE) ? blend->SourceConstantAlpha : 255;
        if (sourceDC) {
            w->picture.width = width;
            w->picture.height = height;
            w->picture.pixels.swap(pixels);
            w->layeredPicture = true;
        }
    }
    SparePicture() = std::move(pixels);
    NotifyContentChanged(hwnd);
    return TRUE;
}
