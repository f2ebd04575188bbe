#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "FontMatch.h"

typedef struct FT_LibraryRec_* FT_Library;
typedef struct FT_FaceRec_* FT_Face;

namespace raster {

// A rendered glyph: coverage rows (one byte a pixel, `width` bytes a row)
// placed relative to the pen on the baseline.
struct Glyph {
    int advance = 0;
    int left = 0; // from the pen to the first column
    int top = 0;  // from the baseline up to the first row
    int width = 0;
    int height = 0;
    bool found = false; // false: the missing-glyph shape, or nothing for a control character
    std::vector<std::uint8_t> coverage;
};

// The FreeType side of one Font: its own FT_Library, the faces of its sorted
// set (opened when first needed) and the glyph cache. Not thread-safe; Font
// locks around it.
class GlyphSource {
public:
    static std::unique_ptr<GlyphSource> Create(std::vector<MatchedFace> faces, int height,
                                               bool cellHeight);
    ~GlyphSource();
    GlyphSource(const GlyphSource&) = delete;
    GlyphSource& operator=(const GlyphSource&) = delete;

    // Valid until the next call.
    const Glyph& Get(char32_t ch);

    FontMetrics Metrics();
    const std::string& PrimaryFamily() const { return m_faces.front().match.family; }
    int EmPixels() const { return m_em; }
    std::uint64_t Rendered() const { return m_rendered; }

private:
    struct Slot {
        MatchedFace match;
        FT_Face face = nullptr;
        bool failed = false;
    };

    GlyphSource() = default;
    FT_Face Open(Slot& slot);
    Glyph Render(char32_t ch);

    FT_Library m_library = nullptr;
    std::vector<Slot> m_faces;
    int m_em = 0;
    std::unordered_map<char32_t, Glyph> m_cache;
    std::uint64_t m_rendered = 0;
};

} // namespace raster
