#include "GlyphSource.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H
#include <fontconfig/fontconfig.h>

#include <cmath>
#include <cstring>

namespace raster {

namespace {

// Beyond this many cached glyphs the cache starts over: text of a few
// hundred distinct characters never gets there, a stream of random ones cannot
// grow memory without bound.
constexpr std::size_t kMaxCachedGlyphs = 4096;

// FreeType's 26.6 fixed point to whole pixels.
int Round26(long v) {
    return static_cast<int>((v + 32) >> 6);
}
int Ceil26(long v) {
    return static_cast<int>((v + 63) >> 6);
}

bool IsControl(char32_t ch) {
    return ch < 0x20 || (ch >= 0x7F && ch < 0xA0);
}

} // namespace

std::unique_ptr<GlyphSource> GlyphSource::Create(std::vector<MatchedFace> faces, int height,
                                                 bool cellHeight) {
    if (faces.empty() || height <= 0) {
        return nullptr;
    }
    std::unique_ptr<GlyphSource> source(new GlyphSource());
    if (FT_Init_FreeType(&source->m_library) != 0) {
        source->m_library = nullptr;
        return nullptr;
    }
    source->m_em = height;
    for (auto& face : faces) {
        source->m_faces.push_back({std::move(face), nullptr, false});
    }
    // The first face that opens is the primary one: metrics and missing glyphs come from it.
    while (!source->m_faces.empty() && !source->Open(source->m_faces.front())) {
        source->m_faces.erase(source->m_faces.begin());
    }
    if (source->m_faces.empty()) {
        return nullptr;
    }
    if (cellHeight) {
        const FT_Face primary = source->m_faces.front().face;
        const long cell = static_cast<long>(primary->ascender) - primary->descender;
        if (cell > 0) {
            source->m_em = std::max(1, static_cast<int>(std::lround(static_cast<double>(height) *
                                                                    primary->units_per_EM / cell)));
        }
        for (auto& slot : source->m_faces) {
            if (slot.face) {
                FT_Set_Pixel_Sizes(slot.face, 0, static_cast<FT_UInt>(source->m_em));
            }
        }
    }
    return source;
}

GlyphSource::~GlyphSource() {
    for (auto& slot : m_faces) {
        if (slot.face) {
            FT_Done_Face(slot.face);
        }
    }
    if (m_library) {
        FT_Done_FreeType(m_library);
    }
}

FT_Face GlyphSource::Open(Slot& slot) {
    if (slot.face || slot.failed) {
        return slot.face;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(m_library, slot.match.file.c_str(), slot.match.index, &face) != 0) {
        slot.failed = true;
        return nullptr;
    }
    if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(m_em)) != 0) {
        FT_Done_Face(face);
        slot.failed = true;
        return nullptr;
    }
    slot.face = face;
    return face;
}

const Glyph& GlyphSource::Get(char32_t ch) {
    if (auto it = m_cache.find(ch); it != m_cache.end()) {
        return it->second;
    }
    if (m_cache.size() >= kMaxCachedGlyphs) {
        m_cache.clear();
    }
    return m_cache.emplace(ch, Render(ch)).first->second;
}

Glyph GlyphSource::Render(char32_t ch) {
    Glyph glyph;
    if (IsControl(ch)) {
        return glyph;
    }
    Slot* chosen = &m_faces.front();
    FT_UInt index = 0;
    for (auto& slot : m_faces) {
        if (!slot.match.charset || !FcCharSetHasChar(slot.match.charset.get(), ch)) {
            continue;
        }
        FT_Face face = Open(slot);
        const FT_UInt i = face ? FT_Get_Char_Index(face, ch) : 0;
        if (i != 0) {
            chosen = &slot;
            index = i;
            glyph.found = true;
            break;
        }
    }
    FT_Face face = chosen->face;
    // Outlines only: some CJK fonts carry one-bit strikes at small sizes.
    if (FT_Load_Glyph(face, index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL) != 0) {
        glyph.found = false;
        return glyph;
    }
    FT_GlyphSlot slot = face->glyph;
    if (chosen->match.oblique) {
        FT_GlyphSlot_Oblique(slot);
    }
    if (chosen->match.embolden) {
        FT_GlyphSlot_Embolden(slot);
    }
    glyph.advance = Round26(slot->advance.x);
    if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) {
        return glyph;
    }
    ++m_rendered;
    const FT_Bitmap& bitmap = slot->bitmap;
    const bool gray = bitmap.pixel_mode == FT_PIXEL_MODE_GRAY;
    if ((!gray && bitmap.pixel_mode != FT_PIXEL_MODE_MONO) || bitmap.width == 0 ||
        bitmap.rows == 0) {
        return glyph;
    }
    glyph.left = slot->bitmap_left;
    glyph.top = slot->bitmap_top;
    glyph.width = static_cast<int>(bitmap.width);
    glyph.height = static_cast<int>(bitmap.rows);
    glyph.coverage.resize(static_cast<std::size_t>(glyph.width) * glyph.height);
    for (int y = 0; y < glyph.height; ++y) {
        const unsigned char* row = bitmap.buffer + static_cast<std::ptrdiff_t>(y) * bitmap.pitch;
        std::uint8_t* out = glyph.coverage.data() + static_cast<std::size_t>(y) * glyph.width;
        if (gray) {
            std::memcpy(out, row, glyph.width);
        } else {
            for (int x = 0; x < glyph.width; ++x) {
                out[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
            }
        }
    }
    return glyph;
}

FontMetrics GlyphSource::Metrics() {
    const FT_Face face = m_faces.front().face;
    const FT_Size_Metrics& size = face->size->metrics;
    FontMetrics m;
    m.ascent = Ceil26(size.ascender);
    m.descent = Ceil26(-size.descender);
    m.height = m.ascent + m.descent;
    m.internalLeading = std::max(0, m.height - m_em);
    m.externalLeading = std::max(0, Round26(size.height) - m.height);
    m.maxCharWidth = Ceil26(size.max_advance);
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->xAvgCharWidth > 0 && face->units_per_EM > 0) {
        m.averageCharWidth = static_cast<int>(
            std::lround(static_cast<double>(os2->xAvgCharWidth) * m_em / face->units_per_EM));
    } else {
        m.averageCharWidth = Get(U'x').advance;
    }
    int letters = 0;
    for (char32_t c = U'A'; c <= U'Z'; ++c) {
        letters += Get(c).advance + Get(c + (U'a' - U'A')).advance;
    }
    m.letterAverageWidth = (letters + 26) / 52;
    return m;
}

} // namespace raster
