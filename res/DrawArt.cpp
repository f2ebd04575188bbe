// tarvik-artgen: draws the skin picture and the application icon.
//
//   tarvik-artgen <skin.png> <tarvik.ico>
//
// Both files are committed; `cmake --build <dir> --target regenerate-res`
// runs this on the ones in the source tree. Shapes are signed distance
// functions, so every edge is anti-aliased by its coverage of the pixel.

#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Sdf = std::function<float(float, float)>; // < 0 inside, in pixels

struct Rgb {
    float r, g, b;
};

Rgb Mix(Rgb a, Rgb b, float t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

float Clamp01(float v) {
    return std::clamp(v, 0.0f, 1.0f);
}

float SmoothStep(float edge0, float edge1, float x) {
    float t = Clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

// ---- shapes ----

// A box from (x0, y0) to (x1, y1) with rounded corners.
Sdf Box(float x0, float y0, float x1, float y1, float radius = 0) {
    float cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    float hx = (x1 - x0) / 2 - radius, hy = (y1 - y0) / 2 - radius;
    return [=](float x, float y) {
        float qx = std::abs(x - cx) - hx, qy = std::abs(y - cy) - hy;
        float outside = std::hypot(std::max(qx, 0.0f), std::max(qy, 0.0f));
        return outside + std::min(std::max(qx, qy), 0.0f) - radius;
    };
}

Sdf Circle(float cx, float cy, float radius) {
    return [=](float x, float y) { return std::hypot(x - cx, y - cy) - radius; };
}

Sdf Minus(Sdf a, Sdf b) {
    return [=](float x, float y) { return std::max(a(x, y), -b(x, y)); };
}

Sdf Within(Sdf a, Sdf clip) {
    return [=](float x, float y) { return std::max(a(x, y), clip(x, y)); };
}

Sdf Shifted(Sdf a, float dx, float dy) {
    return [=](float x, float y) { return a(x - dx, y - dy); };
}

// ---- canvas: premultiplied RGBA in floats, 0 to 255 ----

class Canvas {
public:
    Canvas(int width, int height) : m_w(width), m_h(height), m_px(std::size_t(width) * height) {}

    // Paints colour(x, y) at opacity alpha(d) over the pixels, where d is the
    // shape's distance at the pixel's centre.
    void Paint(const Sdf& shape, const std::function<Rgb(float, float)>& colour,
               const std::function<float(float)>& alpha) {
        for (int y = 0; y < m_h; ++y) {
            for (int x = 0; x < m_w; ++x) {
                float cx = x + 0.5f, cy = y + 0.5f;
                float a = alpha(shape(cx, cy));
                if (a <= 0)
                    continue;
                Rgb c = colour(cx, cy);
                Pixel& p = m_px[std::size_t(y) * m_w + x];
                p.r = c.r * a + p.r * (1 - a);
                p.g = c.g * a + p.g * (1 - a);
                p.b = c.b * a + p.b * (1 - a);
                p.a = a + p.a * (1 - a);
            }
        }
    }

    void Fill(const Sdf& shape, const std::function<Rgb(float, float)>& colour, float opacity = 1) {
        Paint(shape, colour, [opacity](float d) { return Clamp01(0.5f - d) * opacity; });
    }
    void Fill(const Sdf& shape, Rgb colour, float opacity = 1) {
        Fill(
            shape, [colour](float, float) { return colour; }, opacity);
    }

    // Straight (not premultiplied) 8-bit RGBA, rows top to bottom.
    Bytes Rgba() const {
        Bytes out;
        out.reserve(m_px.size() * 4);
        for (const Pixel& p : m_px) {
            std::uint8_t a = static_cast<std::uint8_t>(std::lround(Clamp01(p.a) * 255));
            auto channel = [&](float v) {
                return a == 0 ? std::uint8_t{0}
                              : static_cast<std::uint8_t>(
                                    std::lround(std::clamp(v / p.a, 0.0f, 255.0f)));
            };
            out.insert(out.end(), {channel(p.r), channel(p.g), channel(p.b), a});
        }
        return out;
    }

    int Width() const { return m_w; }
    int Height() const { return m_h; }

private:
    struct Pixel {
        float r = 0, g = 0, b = 0, a = 0;
    };
    int m_w, m_h;
    std::vector<Pixel> m_px;
};

// A fixed pseudo-random value in [0, 1) per pixel, for the board's grain.
float Grain(float x, float y) {
    std::uint32_t h = static_cast<std::uint32_t>(int(x)) * 374761393u +
                      static_cast<std::uint32_t>(int(y)) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return float((h ^ (h >> 16)) & 0xFFFF) / 65536.0f;
}

// ---- the skin ----

constexpr int kSkinW = 195, kSkinH = 413;

// The board, and the grey field where the text panels lie. The field's
// colour must stay flat: the panels draw their text straight onto it.
constexpr float kBoardX0 = 14, kBoardY0 = 4, kBoardX1 = 190, kBoardY1 = 400;
constexpr int kFieldX0 = 43, kFieldY0 = 65, kFieldX1 = 167, kFieldY1 = 363; // exclusive ends
constexpr Rgb kField{151, 149, 137};
constexpr float kShadowAlpha = 168.0f / 255.0f;

// The connector's notch splits the contact fingers into two groups.
constexpr float kNotchY0 = 243, kNotchY1 = 255, kNotchDepth = 7;

const Rgb kSolderMask{26, 96, 56}, kSolderMaskDark{18, 74, 43}, kBoardEdge{10, 46, 27};
const Rgb kTrace{36, 118, 70};
const Rgb kGoldLight{255, 226, 140}, kGold{222, 176, 72}, kGoldDark{168, 122, 38};
const Rgb kChip{30, 31, 34}, kChipTop{52, 54, 58}, kTin{196, 198, 204};

Sdf BoardShape() {
    Sdf board = Box(kBoardX0, kBoardY0, kBoardX1, kBoardY1, 5);
    board = Minus(board, Box(kBoardX0 - 4, kNotchY0, kBoardX0 + kNotchDepth, kNotchY1, 3));
    // The latch notches on the two short edges, near the connector.
    board = Minus(board, Circle(32, kBoardY0, 4.5f));
    board = Minus(board, Circle(32, kBoardY1, 4.5f));
    return board;
}

// A chip package: body, gull-wing legs along its long sides, a pin-one dot.
void DrawChip(Canvas& c, float x0, float y0, float x1, float y1, bool legsTopBottom) {
    float pitch = 3.0f;
    if (legsTopBottom) {
        for (float x = x0 + 2; x + 1.5f <= x1 - 1; x += pitch) {
            c.Fill(Box(x, y0 - 2.5f, x + 1.5f, y0 + 1), kTin);
            c.Fill(Box(x, y1 - 1, x + 1.5f, y1 + 2.5f), kTin);
        }
    } else {
        for (float y = y0 + 2; y + 1.5f <= y1 - 1; y += pitch) {
            c.Fill(Box(x0 - 2.5f, y, x0 + 1, y + 1.5f), kTin);
            c.Fill(Box(x1 - 1, y, x1 + 2.5f, y + 1.5f), kTin);
        }
    }
    c.Fill(Box(x0, y0, x1, y1, 1), [=](float, float y) {
        return Mix(kChipTop, kChip, Clamp01((y - y0) / std::max(1.0f, y1 - y0)));
    });
    c.Fill(Circle(x0 + 2.8f, y0 + 2.8f, 1.1f), Rgb{70, 72, 78});
}

// A surface-mount resistor or capacitor: a body with tinned ends.
void DrawPassive(Canvas& c, float x, float y, float w, float h, Rgb body) {
    bool across = w >= h;
    float end = (across ? w : h) * 0.25f;
    c.Fill(Box(x, y, x + w, y + h, 0.6f), kTin);
    if (across)
        c.Fill(Box(x + end, y, x + w - end, y + h), body);
    else
        c.Fill(Box(x, y + end, x + w, y + h - end), body);
}

void DrawSkin(Canvas& c) {
    const Sdf board = BoardShape();

    // Shadow: the board cast down and to the left, a flat core with a soft rim.
    c.Paint(
        Shifted(Box(kBoardX0, kBoardY0, kBoardX1, kBoardY1, 8), -8, 8),
        [](float, float) {
            return Rgb{0, 0, 0};
        },
        [](float d) { return kShadowAlpha * (1 - SmoothStep(-2.5f, 3.0f, d)); });

    // Board: a dark rim, then the solder mask with a gentle light from the top left.
    c.Fill(board, kBoardEdge);
    c.Fill([board](float x, float y) { return board(x, y) + 1.2f; },
           [](float x, float y) {
               float t = Clamp01((x - kBoardX0) / 300.0f + (y - kBoardY0) / 700.0f);
               Rgb base = Mix(kSolderMask, kSolderMaskDark, t);
               float g = (Grain(x, y) - 0.5f) * 3.0f;
               return Rgb{base.r + g, base.g + g, base.b + g};
           });

    // Contact fingers, and the traces that leave them towards the chips.
    auto fingers = [&](float from, float to) {
        for (float y = from; y + 5 <= to; y += 8) {
            if (int(y) % 16 < 8) {
                float via = int(y) % 32 < 16 ? 29.5f : 33.0f;
                c.Fill(Box(kBoardX0 + 12, y + 2, via, y + 3.2f), kTrace);
                c.Fill(Circle(via, y + 2.6f, 1.7f), kGold);
                c.Fill(Circle(via, y + 2.6f, 0.8f), kSolderMaskDark);
            }
            c.Fill(Within(Box(kBoardX0 - 2, y, kBoardX0 + 13, y + 5.2f, 1.5f), board),
                   [y](float x, float yy) {
                       float across = Clamp01((x - kBoardX0) / 13.0f);
                       float down = Clamp01((yy - y) / 5.2f);
                       Rgb g = Mix(kGoldLight, kGold, std::min(1.0f, down * 1.6f));
                       return Mix(g, kGoldDark, 0.55f * down * down + 0.25f * across);
                   });
        }
    };
    fingers(12, kNotchY0 - 2);
    fingers(kNotchY1 + 3, kBoardY1 - 6);

    // Faint routing under the mask, light enough to keep text over it readable.
    const Rgb faint{31, 106, 62};
    for (int k = 0; k < 4; ++k) {
        float y = 38 + k * 4.5f;
        c.Fill(Box(40 + k * 6, y, 172 - k * 3, y + 1.1f, 0.5f), faint);
        c.Fill(Box(40 + k * 6, y, 41.1f + k * 6, 58, 0.5f), faint);
    }

    // Parts on the top edge, kept above y 34 so the band where the first
    // panel lines fall stays calm.
    DrawChip(c, 132, 11, 160, 27, true);
    DrawChip(c, 48, 12, 66, 26, true);
    for (int k = 0; k < 6; ++k)
        DrawPassive(c, 76 + k * 8.5f, 14, 4, 8, k % 2 ? Rgb{150, 112, 70} : Rgb{28, 28, 30});
    DrawPassive(c, 167, 14, 8, 4, Rgb{28, 28, 30});
    DrawPassive(c, 167, 22, 8, 4, Rgb{150, 112, 70});

    // Decoupling capacitors down the right edge.
    for (float y = 76; y + 8 < kFieldY1; y += 34)
        DrawPassive(c, 178, y, 5, 9, Rgb{150, 112, 70});
    for (float y = 93; y + 8 < kFieldY1; y += 68)
        c.Fill(Box(185, y, 186.2f, y + 20), kTrace);

    // Parts on the bottom edge.
    DrawChip(c, 60, 374, 84, 392, true);
    DrawChip(c, 124, 375, 140, 391, false);
    for (int k = 0; k < 4; ++k)
        DrawPassive(c, 92 + k * 7.5f, 379, 4, 8, k % 2 ? Rgb{28, 28, 30} : Rgb{150, 112, 70});
    DrawPassive(c, 152, 377, 8, 4, Rgb{28, 28, 30});
    DrawPassive(c, 152, 385, 8, 4, Rgb{150, 112, 70});

    // The dark frame, lit on its upper and left outer edge.
    c.Fill(Box(36, 58, 174, 370, 4.5f), Rgb{88, 94, 90});
    c.Fill(Box(37, 59, 174, 370, 4), [](float, float y) {
        return Mix(Rgb{40, 42, 44}, Rgb{26, 27, 29}, Clamp01((y - 59) / 311));
    });

    // The field: flat, on whole pixels, with a pale strip down its left edge.
    c.Fill(Box(kFieldX0, kFieldY0, kFieldX1, kFieldY1), kField);
    const std::array<Rgb, 3> strip{Rgb{214, 212, 200}, Rgb{192, 190, 178}, Rgb{168, 166, 155}};
    for (int k = 0; k < 3; ++k)
        c.Fill(Box(kFieldX0 + k, kFieldY0, kFieldX0 + k + 1, kFieldY1), strip[k]);
}

// ---- the icon: a memory module's silhouette, lying diagonally ----

// Whether (u, v) of a module of size s lies on it: u runs along the module,
// v across it, the connector's edge at v > 0.
bool OnModule(float u, float v, float s) {
    float hl = 0.5f * s, hw = 0.165f * s, r = 0.03f * s;
    if (Box(-hl, -hw, hl, hw, r)(u, v) > 0)
        return false;
    if (std::abs(u - 0.12f * hl) < 0.045f * s && v > hw - 0.09f * s)
        return false; // the notch
    for (float end : {-hl, hl})
        if (std::hypot(u - end, v - 0.25f * hw) < 0.06f * s)
            return false; // latch notches
    if (s >= 32) {
        float pitch = 3; // pixels, so that each gap is one pixel wide
        float phase = std::fmod(u + hl, pitch);
        if (v > hw - 0.085f * s && phase < pitch * 0.34f)
            return false; // gaps between the fingers
        for (int k = 0; k < 4; ++k) {
            float cu = -0.6f * hl + k * 0.4f * hl + (k >= 2 ? 0.06f * hl : 0), cv = -0.035f * s;
            float dx = std::abs(u - cu), dy = std::abs(v - cv);
            float ox = 0.085f * s, oy = 0.075f * s, line = std::max(0.024f * s, 1.0f);
            if (dx < ox && dy < oy && (dx > ox - line || dy > oy - line))
                return false; // a chip's outline
        }
    }
    return true;
}

// Coverage of each pixel, rows top to bottom, 8 x 8 samples per pixel.
std::vector<float> IconCoverage(int s) {
    std::vector<float> out(std::size_t(s) * s);
    const float c = s / 2.0f, k = std::sqrt(0.5f);
    constexpr int n = 8;
    for (int y = 0; y < s; ++y)
        for (int x = 0; x < s; ++x) {
            int hits = 0;
            for (int j = 0; j < n; ++j)
                for (int i = 0; i < n; ++i) {
                    float dx = x + (i + 0.5f) / n - c, dy = y + (j + 0.5f) / n - c;
                    hits += OnModule(k * (dx - dy), k * (dx + dy), float(s));
                }
            out[std::size_t(y) * s + x] = float(hits) / (n * n);
        }
    return out;
}

void Put16(Bytes& b, std::uint32_t v) {
    b.insert(b.end(), {std::uint8_t(v), std::uint8_t(v >> 8)});
}
void Put32(Bytes& b, std::uint32_t v) {
    Put16(b, v & 0xFFFF);
    Put16(b, v >> 16);
}

// One icon image as the .ico file stores it: a BITMAPINFOHEADER of twice the
// height (colour bits and AND mask), the palette, the colour bits and the
// mask, both bottom-up with rows padded to 32 bits.
Bytes IconImage(int s, int bits) {
    std::vector<float> cover = IconCoverage(s);
    auto opaque = [&](int x, int y) { return cover[std::size_t(y) * s + x] >= 0.5f; };
    const std::size_t colourRow = (std::size_t(s) * bits + 31) / 32 * 4;
    const std::size_t maskRow = (std::size_t(s) + 31) / 32 * 4;
    const std::size_t paletteSize = bits <= 8 ? std::size_t(1) << bits : 0;

    Bytes b;
    Put32(b, 40);
    Put32(b, std::uint32_t(s));
    Put32(b, std::uint32_t(2 * s));
    Put16(b, 1);
    Put16(b, std::uint32_t(bits));
    Put32(b, 0); // BI_RGB
    Put32(b, std::uint32_t((colourRow + maskRow) * s));
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    Put32(b, 0);
    for (std::size_t i = 0; i < paletteSize; ++i) {
        // Index 0 is black, the only colour used; the rest is a grey ramp.
        auto v = std::uint8_t(i * 255 / (paletteSize - 1));
        b.insert(b.end(), {v, v, v, 0});
    }
    for (int y = s - 1; y >= 0; --y) {
        Bytes row(colourRow, 0);
        if (bits == 32) {
            for (int x = 0; x < s; ++x)
                row[std::size_t(x) * 4 + 3] =
                    std::uint8_t(std::lround(cover[std::size_t(y) * s + x] * 255));
        } // palette images: index 0, black, everywhere; the mask cuts the shape
        b.insert(b.end(), row.begin(), row.end());
    }
    for (int y = s - 1; y >= 0; --y) {
        Bytes row(maskRow, 0);
        for (int x = 0; x < s; ++x) {
            bool clear =
                bits == 32 ? std::lround(cover[std::size_t(y) * s + x] * 255) == 0 : !opaque(x, y);
            if (clear)
                row[std::size_t(x) / 8] |= std::uint8_t(0x80 >> (x % 8));
        }
        b.insert(b.end(), row.begin(), row.end());
    }
    return b;
}

Bytes IconFile() {
    struct Format {
        int size, bits;
    };
    const std::array<Format, 9> formats{
        {{48, 4}, {32, 4}, {16, 4}, {48, 8}, {32, 8}, {16, 8}, {48, 32}, {32, 32}, {16, 32}}};
    std::vector<Bytes> images;
    for (const Format& s : formats)
        images.push_back(IconImage(s.size, s.bits));
    Bytes f;
    Put16(f, 0);
    Put16(f, 1);
    Put16(f, formats.size());
    std::uint32_t offset = 6 + 16 * formats.size();
    for (std::size_t k = 0; k < formats.size(); ++k) {
        f.push_back(std::uint8_t(formats[k].size));
        f.push_back(std::uint8_t(formats[k].size));
        f.push_back(formats[k].bits == 4 ? 16 : 0);
        f.push_back(0);
        Put16(f, 1);
        Put16(f, std::uint32_t(formats[k].bits));
        Put32(f, std::uint32_t(images[k].size()));
        Put32(f, offset);
        offset += std::uint32_t(images[k].size());
    }
    for (const Bytes& image : images)
        f.insert(f.end(), image.begin(), image.end());
    return f;
}

// ---- output ----

bool WritePng(const std::filesystem::path& path, const Canvas& c) {
    Bytes rgba = c.Rgba();
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    volatile bool ok = false; // set after setjmp, read after a longjmp
    if (info && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_compression_level(png, 9);
        png_set_IHDR(png, info, png_uint_32(c.Width()), png_uint_32(c.Height()), 8,
                     PNG_COLOR_TYPE_RGB_ALPHA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                     PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < c.Height(); ++y)
            png_write_row(png, rgba.data() + std::size_t(y) * c.Width() * 4);
        png_write_end(png, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0 && ok;
}

bool WriteBytes(const std::filesystem::path& path, const Bytes& b) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(b.data()), std::streamsize(b.size()));
    return bool(out.flush());
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tarvik-artgen <skin.png> <tarvik.ico>\n");
        return 2;
    }
    Canvas skin(kSkinW, kSkinH);
    DrawSkin(skin);
    if (!WritePng(argv[1], skin)) {
        std::fprintf(stderr, "tarvik-artgen: cannot write %s\n", argv[1]);
        return 1;
    }
    if (!WriteBytes(argv[2], IconFile())) {
        std::fprintf(stderr, "tarvik-artgen: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
