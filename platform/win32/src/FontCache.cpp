#include "FontCache.h"

#include "Gdi.h"

#include <algorithm>
#include <list>
#include <mutex>
#include <tuple>

namespace win32::detail {
namespace {

// 9 points at 96 dpi: what a font of height 0 gets.
constexpr int kDefaultEm = 12;

std::string Utf8(const wchar_t* text, std::size_t max) {
    std::string out;
    for (std::size_t i = 0; i < max && text[i]; ++i) {
        const auto c = static_cast<char32_t>(text[i]);
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += static_cast<char>(0xE0 | (c >> 12));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x110000) {
            out += static_cast<char>(0xF0 | (c >> 18));
            out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// The fonts handed out recently, most recent first. Fonts still held by font
// objects stay alive through them; the cache only spares the next composition
// the fontconfig match and the glyph rendering.
class FontCache {
public:
    std::shared_ptr<raster::Font> Get(const raster::FontRequest& request) {
        const Key key{request.family, request.height, request.cellHeight, request.weight,
                      request.italic};
        {
            std::lock_guard lock(m_mutex);
            if (auto it = Find(key); it != m_entries.end()) {
                m_entries.splice(m_entries.begin(), m_entries, it);
                return it->second;
            }
        }
        // Opened outside the lock: a fontconfig match takes a while.
        std::shared_ptr<raster::Font> font = raster::Font::Open(request);
        if (!font)
            return nullptr;
        std::lock_guard lock(m_mutex);
        if (auto it = Find(key); it != m_entries.end())
            return it->second; // another thread was quicker
        m_entries.emplace_front(key, font);
        if (m_entries.size() > kCapacity)
            m_entries.pop_back();
        return font;
    }

private:
    using Key = std::tuple<std::string, int, bool, int, bool>;
    static constexpr std::size_t kCapacity = 32;

    std::list<std::pair<Key, std::shared_ptr<raster::Font>>>::iterator Find(const Key& key) {
        return std::find_if(m_entries.begin(), m_entries.end(),
                            [&](const auto& e) { return e.first == key; });
    }

    std::mutex m_mutex;
    std::list<std::pair<Key, std::shared_ptr<raster::Font>>> m_entries;
};

FontCache& Cache() {
    static FontCache* cache = new FontCache;
    return *cache;
}

} // namespace

raster::FontRequest RequestFor(const LOGFONTW& font) {
    raster::FontRequest request;
    std::string face = Utf8(font.lfFaceName, LF_FACESIZE);
    if (!face.empty())
        request.family = std::move(face);
    const long long height = font.lfHeight;
    request.cellHeight = height > 0;
    request.height = height == 0
                         ? kDefaultEm
                         : static_cast<int>(std::clamp(height < 0 ? -height : height, 1LL, 4096LL));
    request.weight = font.lfWeight <= 0 ? FW_NORMAL : std::clamp<LONG>(font.lfWeight, 100, 900);
    request.italic = font.lfItalic != 0;
    return request;
}

std::shared_ptr<raster::Font> OpenShared(const raster::FontRequest& request) {
    return Cache().Get(request);
}

std::shared_ptr<raster::Font> FontOf(HFONT handle) {
    LOGFONTW logFont{};
    {
        auto& gdi = Gdi();
        std::lock_guard lock(gdi.mutex);
        auto* font = gdi.Find<FontObject>(handle, GdiKind::Font);
        if (!font)
            return nullptr;
        if (font->face)
            return std::static_pointer_cast<raster::Font>(font->face);
        logFont = font->logFont;
    }
    std::shared_ptr<raster::Font> resolved = OpenShared(RequestFor(logFont));
    if (!resolved)
        return nullptr;
    auto& gdi = Gdi();
    std::lock_guard lock(gdi.mutex);
    if (auto* font = gdi.Find<FontObject>(handle, GdiKind::Font); font && !font->face)
        font->face = resolved;
    return resolved;
}

std::optional<SelectedFont> FontOfDc(HDC hdc) {
    auto state = StateOf(hdc);
    if (!state)
        return std::nullopt;
    HFONT handle = state->font;
    LOGFONTW logFont{};
    if (GetObjectType(handle) != OBJ_FONT)
        handle = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    GetObjectW(handle, sizeof logFont, &logFont);
    SelectedFont selected;
    selected.font = FontOf(handle);
    selected.weight = logFont.lfWeight <= 0 ? FW_NORMAL : logFont.lfWeight;
    selected.italic = logFont.lfItalic != 0;
    selected.charSet = logFont.lfCharSet;
    return selected;
}

} // namespace win32::detail
