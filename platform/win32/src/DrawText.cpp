// Formatted text in a rectangle: alignment, tabs, word wrapping, prefixes.

#include "Canvas.h"
#include "FontCache.h"
#include "Gdi.h"

#include <algorithm>
#include <climits>
#include <cwchar>
#include <string>

using namespace win32::detail;

namespace {

// "&x" shows "x" and "&&" shows "&"; nothing is underlined.
std::wstring WithoutPrefixes(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == L'&') {
            if (i + 1 < text.size() && text[i + 1] == L'&')
                out += text[++i];
            continue;
        }
        out += text[i];
    }
    return out;
}

LONG Saturate(long long v) {
    return static_cast<LONG>(std::clamp<long long>(v, INT_MIN, INT_MAX));
}

} // namespace

int DrawTextW(HDC hdc, LPCWSTR text, int count, LPRECT rect, UINT format) {
    if (!rect || count < -1 || (!text && count != 0))
        return 0;
    const std::size_t length = count == -1 ? std::wcslen(text) : static_cast<std::size_t>(count);
    const std::wstring_view raw(text ? text : L"", length);
    const std::wstring shown = (format & DT_NOPREFIX) ? std::wstring(raw) : WithoutPrefixes(raw);

    auto state = StateOf(hdc);
    auto selected = FontOfDc(hdc);
    if (!state || !selected || !selected->font)
        return 0;
    const raster::Font& font = *selected->font;
    const int lineHeight = font.Metrics().height;

    const RECT box = *rect;
    const long long boxWidth = std::max(0LL, static_cast<long long>(box.right) - box.left);
    const long long boxHeight = static_cast<long long>(box.bottom) - box.top;
    const bool singleLine = (format & DT_SINGLELINE) != 0;
    raster::LayoutOptions options;
    options.singleLine = singleLine;
    options.expandTabs = (format & DT_EXPANDTABS) != 0;
    options.wordBreak = (format & DT_WORDBREAK) != 0;
    // Unwrapped lines keep their whole width: the clip cuts them, and
    // centring and DT_CALCRECT see how wide they really are.
    if (options.wordBreak)
        options.width = static_cast<int>(std::min<long long>(boxWidth, INT_MAX));
    const std::vector<raster::LayoutLine> lines = raster::LayoutText(shown, options, font);

    const long long height = static_cast<long long>(lines.size()) * lineHeight;
    int widest = 0;
    for (const auto& line : lines)
        widest = std::max(widest, line.width);

    if (format & DT_CALCRECT) {
        rect->right = Saturate(static_cast<long long>(box.left) + widest);
        rect->bottom = Saturate(static_cast<long long>(box.top) + height);
        return static_cast<int>(std::min<long long>(height, INT_MAX));
    }

    long long top = box.top;
    if (singleLine && (format & DT_VCENTER))
        top += (boxHeight - lineHeight) / 2;
    else if (singleLine && (format & DT_BOTTOM))
        top += boxHeight - lineHeight;

    const RECT* limit = (format & DT_NOCLIP) ? nullptr : &box;
    Canvas canvas(hdc);
    if (!canvas.Valid())
        return 0;
    long long y = top;
    for (const auto& line : lines) {
        long long x = box.left;
        if (format & DT_CENTER)
            x += (boxWidth - line.width) / 2;
        else if (format & DT_RIGHT)
            x = static_cast<long long>(box.right) - line.width;
        const POINT at{Saturate(x), Saturate(y)};
        if (state->bkMode == OPAQUE && line.width > 0)
            canvas.Fill(RECT{at.x, at.y, Saturate(x + line.width), Saturate(y + lineHeight)},
                        state->bkColor, limit);
        canvas.Text(font, at, line, state->textColor, limit);
        y += lineHeight;
    }
    // With vertical alignment the answer reaches from the rectangle's top to the text's bottom.
    return static_cast<int>(std::clamp<long long>(y - box.top, 0, INT_MAX));
}
