#pragma once

// Logical fonts resolved to real ones. A FontObject's face is filled on first
// use from its LOGFONTW; resolved fonts are shared by every font object and
// DC that asks for the same face, size, weight and slant.

#include <memory>
#include <optional>
#include <raster/Font.h>
#include <win32/Gdi.h>

namespace win32::detail {

// What a LOGFONTW asks for: the face name (none: the shell font), the height
// (negative: em pixels, positive: cell pixels, 0: the default), weight 0 as
// normal.
raster::FontRequest RequestFor(const LOGFONTW& font);

// The shared font for a request; null only when the machine has no usable font.
std::shared_ptr<raster::Font> OpenShared(const raster::FontRequest& request);

// The font behind a font handle; null for a handle that is not a font.
std::shared_ptr<raster::Font> FontOf(HFONT font);

// The font selected into a DC, or the system font when the selected one has
// been deleted since; null for an unknown DC.
struct SelectedFont {
    std::shared_ptr<raster::Font> font;
    LONG weight = FW_NORMAL;
    bool italic = false;
    BYTE charSet = DEFAULT_CHARSET;
};
std::optional<SelectedFont> FontOfDc(HDC hdc);

} // namespace win32::detail
