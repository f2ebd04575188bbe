#include <screen/HeadlessScreen.h>

#include <algorithm>
#include <chrono>
#include <raster/Png.h>
#include <win32/User.h>

namespace screen {
namespace {

// d = s * a + d * (1 - sa * a) per channel, on premultiplied values.
inline std::uint32_t Over(std::uint32_t dst, std::uint32_t src, unsigned alpha) {
    const unsigned sa = ((src >> 24) * alpha + 127) / 255;
    const unsigned inv = 255 - sa;
    std::uint32_t out = 0xFF000000u;
    for (int shift = 0; shift < 24; shift += 8) {
        const unsigned s = (((src >> shift) & 0xFF) * alpha + 127) / 255;
        const unsigned d = (dst >> shift) & 0xFF;
        out |= std::min(255u, s + (d * inv + 127) / 255) << shift;
    }
    return out;
}

} // namespace

HeadlessScreen::HeadlessScreen(int width, int height, std::uint32_t background)
    : m_width(width), m_height(height), m_background(background | 0xFF000000u) {
    win32::InstallScreen(this);
}

HeadlessScreen::~HeadlessScreen() {
    if (win32::InstalledScreen() == this)
        win32::InstallScreen(nullptr);
}

void HeadlessScreen::MessageBoxShown(HWND box, const std::wstring& text,
                                     const std::wstring& caption, UINT type) {
    {
        std::lock_guard lock(m_mutex);
        m_boxes.push_back(MessageBoxRecord{box, text, caption, type});
    }
    m_changed.notify_all();
}

std::vector<std::uint32_t> HeadlessScreen::Compose() const {
    std::vector<std::uint32_t> desktop(static_cast<std::size_t>(m_width) * m_height, m_background);
    for (HWND hwnd : win32::TopLevelWindowsBottomUp()) {
        win32::WindowPicture picture;
        if (!win32::GetWindowPicture(hwnd, picture) || !picture.visible ||
            picture.constantAlpha == 0)
            continue;
        const int w = std::min<int>(picture.width, picture.rect.right - picture.rect.left);
        const int h = std::min<int>(picture.height, picture.rect.bottom - picture.rect.top);
        for (int y = 0; y < h; ++y) {
            const int dy = picture.rect.top + y;
            if (dy < 0 || dy >= m_height)
                continue;
            const std::uint32_t* src =
                picture.pixels.data() + static_cast<std::size_t>(y) * picture.width;
            std::uint32_t* dst = desktop.data() + static_cast<std::size_t>(dy) * m_width;
            for (int x = 0; x < w; ++x) {
                const int dx = picture.rect.left + x;
                if (dx < 0 || dx >= m_width)
                    continue;
                const std::uint32_t s = picture.perPixelAlpha ? src[x] : (src[x] | 0xFF000000u);
                dst[dx] = Over(dst[dx], s, picture.constantAlpha);
            }
        }
    }
    return desktop;
}

std::uint32_t HeadlessScreen::PixelAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
        return 0;
    return Compose()[static_cast<std::size_t>(y) * m_width + x];
}

bool HeadlessScreen::SaveDesktop(const std::filesystem::path& file) const {
    auto desktop = Compose();
    return raster::WritePngFile(file,
                                raster::ConstPixelView::TopDown(desktop.data(), m_width, m_height),
                                raster::Alpha::Straight);
}

bool HeadlessScreen::SaveWindow(HWND hwnd, const std::filesystem::path& file) const {
    win32::WindowPicture picture;
    if (!win32::GetWindowPicture(hwnd, picture) || picture.width <= 0 || picture.height <= 0)
        return false;
    std::vector<std::uint32_t> pixels(picture.pixels.size());
    // The constant alpha scales every premultiplied channel, alpha included.
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const std::uint32_t s =
            picture.perPixelAlpha ? picture.pixels[i] : (picture.pixels[i] | 0xFF000000u);
        const unsigned ca = picture.constantAlpha;
        std::uint32_t out = 0;
        for (int shift = 0; shift < 32; shift += 8)
            out |= ((((s >> shift) & 0xFF) * ca + 127) / 255) << shift;
        pixels[i] = out;
    }
    return raster::WritePngFile(
        file, raster::ConstPixelView::TopDown(pixels.data(), picture.width, picture.height),
        raster::Alpha::Premultiplied);
}

void HeadlessScreen::MoveMouse(int x, int y) {
    win32::InjectMouse(x, y, win32::MouseAction::Move, win32::MouseButton::NoButton);
}

void HeadlessScreen::PressLeft(int x, int y) {
    win32::InjectMouse(x, y, win32::MouseAction::Press, win32::MouseButton::Left);
}

void HeadlessScreen::ReleaseLeft(int x, int y) {
    win32::InjectMouse(x, y, win32::MouseAction::Release, win32::MouseButton::Left);
}

void HeadlessScreen::Click(int x, int y) {
    PressLeft(x, y);
    ReleaseLeft(x, y);
}

void HeadlessScreen::Key(UINT virtualKey) {
    win32::InjectKey(virtualKey, true);
    win32::InjectKey(virtualKey, false);
}

std::vector<MessageBoxRecord> HeadlessScreen::MessageBoxes() const {
    std::lock_guard lock(m_mutex);
    return m_boxes;
}

bool HeadlessScreen::WaitForMessageBoxes(std::size_t n, int timeoutMs) const {
    std::unique_lock lock(m_mutex);
    return m_changed.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_boxes.size() >= n; });
}

bool HeadlessScreen::AnswerMessageBox(HWND box) {
    return PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0) != FALSE;
}

} // namespace screen
