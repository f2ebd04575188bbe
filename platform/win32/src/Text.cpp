// Logical fonts and single runs of text.

#include "Canvas.h"
#include "FontCache.h"
#include "Gdi.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>

using namespace win32::detail;

namespace {

// One run placed by the font's advances, or by the caller's when given.
raster::LayoutLine Run(const raster::Font& font, std::wstring_view text, const INT* dx) {
    raster::LayoutLine line;
    line.chars.reserve(text.size());
    long long x = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const int advance = dx ? dx[i] : font.Advance(text[i]);
        line.chars.push_back({text[i], i, static_cast<int>(x), advance});
        x = std::clamp(x + advance, static_cast<long long>(INT_MIN) / 2,
                       static_cast<long long>(INT_MAX) / 2);
    }
    line.width = static_cast<int>(std::max(0LL, x));
    return line;
}

} // namespace

HFONT CreateFontIndirectW(const LOGFONTW* font) {
    if (!font)
        return nullptr;
    auto object = std::make_shared<FontObject>();
    object->logFont = *font;
    object->logFont.lfFaceName[LF_FACESIZE - 1] = 0;
    auto& gdi = Gdi();
    std::lock_guard lock(gdi.mutex);
    return static_cast<HFONT>(gdi.Add(object));
}

HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCWSTR face) {
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = static_cast<BYTE>(italic);
    lf.lfUnderline = static_cast<BYTE>(underline);
    lf.lfStrikeOut = static_cast<BYTE>(strikeOut);
    lf.lfCharSet = static_cast<BYTE>(charSet);
    lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    lf.lfQuality = static_cast<BYTE>(quality);
    lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (face)
        std::wcsncpy(lf.lfFaceName, face, LF_FACESIZE - 1);
    return CreateFontIndirectW(&lf);
}

BOOL GetTextMetricsW(HDC hdc, TEXTMETRICW* metrics) {
    if (!metrics)
        return FALSE;
    auto selected = FontOfDc(hdc);
    if (!selected || !selected->font)
        return FALSE;
    const raster::FontMetrics& m = selected->font->Metrics();
    *metrics = TEXTMETRICW{};
    metrics->tmHeight = m.height;
    metrics->tmAscent = m.ascent;
    metrics->tmDescent = m.descent;
    metrics->tmInternalLeading = m.internalLeading;
    metrics->tmExternalLeading = m.externalLeading;
    metrics->tmAveCharWidth = m.averageCharWidth;
    metrics->tmMaxCharWidth = m.maxCharWidth;
    metrics->tmWeight = selected->weight;
    metrics->tmDigitizedAspectX = 96;
    metrics->tmDigitizedAspectY = 96;
    metrics->tmFirstChar = L' ';
    metrics->tmLastChar = 0xFFFF;
    metrics->tmDefaultChar = L'?';
    metrics->tmBreakChar = L' ';
    metrics->tmItalic = selected->italic ? 1 : 0;
    // Variable pitch (the bit's name says the opposite), outline, TrueType, sans-serif.
    metrics->tmPitchAndFamily = 0x01 | 0x02 | 0x04 | 0x20;
    metrics->tmCharSet = selected->charSet;
    return TRUE;
}

BOOL GetTextExtentPoint32W(HDC hdc, LPCWSTR text, int count, SIZE* size) {
    if (!size || count < 0 || (!text && count > 0))
        return FALSE;
    auto selected = FontOfDc(hdc);
    if (!selected || !selected->font)
        return FALSE;
    const std::wstring_view run(text ? text : L"", static_cast<std::size_t>(count));
    *size = SIZE{selected->font->TextWidth(run), selected->font->Metrics().height};
    return TRUE;
}

BOOL TextOutW(HDC hdc, int x, int y, LPCWSTR text, int count) {
    if (count < 0)
        return FALSE;
    return ExtTextOutW(hdc, x, y, 0, nullptr, text, static_cast<UINT>(count), nullptr);
}

BOOL ExtTextOutW(HDC hdc, int x, int y, UINT options, const RECT* rect, LPCWSTR text, UINT count,
                 const INT* dx) {
    // A count that was negative before it became unsigned is no length.
    if (count > static_cast<UINT>(INT_MAX) || (!text && count > 0))
        return FALSE;
    auto state = StateOf(hdc);
    auto selected = FontOfDc(hdc);
    if (!state || !selected || !selected->font)
        return FALSE;
    const raster::Font& font = *selected->font;
    const raster::LayoutLine line = Run(font, std::wstring_view(text ? text : L"", count), dx);
    const RECT* limit = (options & ETO_CLIPPED) && rect ? rect : nullptr;

    Canvas canvas(hdc);
    if (!canvas.Valid())
        return FALSE;
    if ((options & ETO_OPAQUE) && rect)
        canvas.Fill(*rect, state->bkColor);
    if (state->bkMode == OPAQUE && !line.chars.empty()) {
        const RECT cell{
            x, y,
            static_cast<LONG>(std::min<long long>(static_cast<long long>(x) + line.width, INT_MAX)),
            static_cast<LONG>(
                std::min<long long>(static_cast<long long>(y) + font.Metrics().height, INT_MAX))};
        canvas.Fill(cell, state->bkColor, limit);
    }
    canvas.Text(font, POINT{x, y}, line, state->textColor, limit);
    return TRUE;
}
