#include "Internal.h"
#include "WindowTable.h"

#include <atomic>

namespace win32 {
namespace {
std::atomic<ScreenBackend*> g_screen{nullptr};
}

void InstallScreen(ScreenBackend* screen) {
    g_screen.store(screen);
}
ScreenBackend* InstalledScreen() {
    return g_screen.load();
}

std::vector<HWND> TopLevelWindowsBottomUp() {
    auto& table = detail::Windows();
    std::lock_guard lock(table.mutex);
    return table.BottomUp();
}

bool DropWindowSurface(HWND hwnd) {
    auto& table = detail::Windows();
    std::lock_guard lock(table.mutex);
    detail::Window* w = table.Find(hwnd);
    if (!w || w->parent)
        return false;
    w->surface.dropped = true;
    w->surface.Resize(0, 0);
    return true;
}

bool GetWindowPicture(HWND hwnd, WindowPicture& picture) {
    auto& table = detail::Windows();
    std::lock_guard lock(table.mutex);
    detail::Window* w = table.Find(hwnd);
    if (!w)
        return false;
    // The caller's pixel buffer is kept, so that a screen asking again and
    // again for the same window copies into memory it already has.
    std::vector<std::uint32_t> buffer = std::move(picture.pixels);
    picture = WindowPicture{};
    picture.pixels = std::move(buffer);
    const POINT origin = table.ScreenOrigin(*w);
    picture.rect = RECT{origin.x, origin.y, origin.x + (w->rect.right - w->rect.left),
                        origin.y + (w->rect.bottom - w->rect.top)};
    picture.visible = table.IsReallyVisible(*w) && !w->destroying;
    const bool layered = (w->exStyle & WS_EX_LAYERED) != 0;
    if (layered && w->layeredPicture) {
        picture.perPixelAlpha = true;
        picture.constantAlpha = w->pictureAlpha;
        picture.width = w->picture.width;
        picture.height = w->picture.height;
        picture.pixels = w->picture.pixels;
        return true;
    }
    if (layered && !w->layeredAttributes)
        picture.visible = false; // layered, but given nothing to show yet
    picture.constantAlpha = layered ? w->layeredAlpha : 255;
    picture.width = w->surface.width;
    picture.height = w->surface.height;
    picture.pixels = w->surface.pixels;
    return true;
}

} // namespace win32
