#include <raster/Font.h>

#include <climits>
#include <cmath>

#include <raster/Ops.h>
#include <raster/TextLayout.h>

#include "GlyphSource.h"

namespace raster {

static_assert(sizeof(wchar_t) == 4, "wide text is UTF-32");

namespace {

void DrawGlyph(PixelView dst, const Rect& clip, long long penX, long long baseline,
               const Glyph& glyph, Pixel colour) {
    if (glyph.coverage.empty()) {
        return;
    }
    const long long x = penX + glyph.left;
    const long long y = baseline - glyph.top;
    // Far outside any view: nothing to draw, and the int casts below stay exact.
    if (x < -(1LL << 30) || x > (1LL << 30) || y < -(1LL << 30) || y > (1LL << 30)) {
        return;
    }
    BlendCoverage(dst, clip, {static_cast<int>(x), static_cast<int>(y)}, glyph.coverage.data(),
                  glyph.width, glyph.height, glyph.width, colour);
}

} // namespace

int FontRequest::PixelsFromPoints(double points, int dpi) {
    return static_cast<int>(std::lround(points * dpi / 72.0));
}

std::shared_ptr<Font> Font::Open(const FontRequest& request) {
    if (request.height <= 0 || request.height > 4096) {
        return nullptr;
    }
    auto source = GlyphSource::Create(MatchFonts(request, request.height), request.height,
                                      request.cellHeight);
    if (!source) {
        return nullptr;
    }
    const int em = source->EmPixels();
    return std::shared_ptr<Font>(new Font(std::move(source), em));
}

Font::Font(std::unique_ptr<GlyphSource> source, int em)
    : m_source(std::move(source)), m_metrics(m_source->Metrics()),
      m_family(m_source->PrimaryFamily()), m_em(em) {}

Font::~Font() = default;

int Font::Advance(wchar_t ch) const {
    std::lock_guard guard(m_lock);
    return m_source->Get(static_cast<char32_t>(ch)).advance;
}

int Font::TextWidth(std::wstring_view text) const {
    std::lock_guard guard(m_lock);
    long long width = 0;
    for (wchar_t ch : text) {
        width += m_source->Get(static_cast<char32_t>(ch)).advance;
    }
    return width > INT_MAX ? INT_MAX : static_cast<int>(width);
}

bool Font::HasGlyph(wchar_t ch) const {
    std::lock_guard guard(m_lock);
    return m_source->Get(static_cast<char32_t>(ch)).found;
}

void Font::Draw(PixelView dst, const Rect& clip, Point topLeft, std::wstring_view text,
                Pixel colour) const {
    std::lock_guard guard(m_lock);
    const long long baseline = static_cast<long long>(topLeft.y) + m_metrics.ascent;
    long long pen = topLeft.x;
    for (wchar_t ch : text) {
        const Glyph& glyph = m_source->Get(static_cast<char32_t>(ch));
        DrawGlyph(dst, clip, pen, baseline, glyph, colour);
        pen += glyph.advance;
    }
}

void Font::Draw(PixelView dst, const Rect& clip, Point topLeft, const LayoutLine& line,
                Pixel colour) const {
    std::lock_guard guard(m_lock);
    const long long baseline = static_cast<long long>(topLeft.y) + m_metrics.ascent;
    for (const PlacedChar& c : line.chars) {
        DrawGlyph(dst, clip, static_cast<long long>(topLeft.x) + c.x, baseline,
                  m_source->Get(static_cast<char32_t>(c.ch)), colour);
    }
}

std::uint64_t Font::GlyphsRendered() const {
    std::lock_guard guard(m_lock);
    return m_source->Rendered();
}

} // namespace raster
