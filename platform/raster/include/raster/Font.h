#pragma once

// Fonts found by fontconfig and drawn with FreeType. A family the machine has
// no file for ("MS Shell Dlg" among them) becomes the sans-serif fontconfig
// sorts first for Chinese; each character is then taken from the first font
// of that sorted set that has it, so CJK and symbols such as U+2103 are real
// glyphs. A Font may be used from any thread: it locks its own FreeType state.

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>

#include <raster/CharMetrics.h>
#include <raster/Forward.h>
#include <raster/PixelView.h>
#include <raster/Rect.h>

namespace raster {

class GlyphSource;

struct FontRequest {
    std::string family = "MS Shell Dlg";
    // The em size in pixels, or with cellHeight the ascent plus descent (the two
    // signs of a GDI lfHeight).
    int height = 12;
    bool cellHeight = false;
    int weight = 400; // 100 to 900, 400 normal, 700 bold
    bool italic = false;

    // 9 pt at 96 dpi is 12 px.
    static int PixelsFromPoints(double points, int dpi = 96);
};

struct FontMetrics {
    int ascent = 0;  // above the baseline
    int descent = 0; // below it, positive
    int height = 0;  // ascent + descent
    int internalLeading = 0;
    int externalLeading = 0;
    int averageCharWidth = 0;
    int maxCharWidth = 0;
    // The average advance of A-Z and a-z, rounded: the horizontal dialog base unit.
    int letterAverageWidth = 0;
};

class Font final : public CharMetrics {
public:
    // Null when fontconfig finds no usable font file at all, or the height is not in 1..4096.
    static std::shared_ptr<Font> Open(const FontRequest& request);
    ~Font() override;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    const FontMetrics& Metrics() const { return m_metrics; }
    // The family of the font the metrics come from.
    const std::string& FamilyName() const { return m_family; }
    int EmPixels() const { return m_em; }

    // Control characters have no glyph and no advance.
    int Advance(wchar_t ch) const override;
    int AverageCharWidth() const override { return m_metrics.averageCharWidth; }
    int TextWidth(std::wstring_view text) const;
    // Whether some font of the set has a glyph for ch (otherwise the primary
    // font's missing-glyph shape is drawn).
    bool HasGlyph(wchar_t ch) const;

    // Anti-aliased text in a premultiplied colour blended over dst, the top of
    // the character cell at topLeft.y (the baseline is `ascent` below it).
    void Draw(PixelView dst, const Rect& clip, Point topLeft, std::wstring_view text,
              Pixel colour) const;
    // A laid-out line, each character at topLeft.x plus its x.
    void Draw(PixelView dst, const Rect& clip, Point topLeft, const LayoutLine& line,
              Pixel colour) const;

    // How many glyphs have been rendered so far: a cached glyph is not rendered again.
    std::uint64_t GlyphsRendered() const;

private:
    Font(std::unique_ptr<GlyphSource> source, int em);

    mutable std::mutex m_lock; // guards m_source: FreeType objects are not thread-safe
    std::unique_ptr<GlyphSource> m_source;
    FontMetrics m_metrics;
    std::string m_family;
    int m_em;
};

} // namespace raster
