#include <raster/Png.h>

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstring>
#include <filesystem>
#include <unistd.h>
#include <vector>

namespace raster {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A PNG written by libpng itself, so the decoder is checked against the reference writer.
struct PngSpec {
    int width = 2;
    int height = 2;
    int colourType = PNG_COLOR_TYPE_RGB_ALPHA;
    int bitDepth = 8;
    bool interlaced = false;
    Bytes samples; // packed rows, as the PNG stores them
    std::vector<png_color> palette;
    Bytes paletteAlpha;
    std::optional<png_color_16> transparentColour;
};

void AppendBytes(png_structp png, png_bytep data, size_t length) {
    auto* out = static_cast<Bytes*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

Bytes Write(const PngSpec& spec) {
    Bytes out;
    out.reserve(4096);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(png, &out, AppendBytes, nullptr);
    png_set_IHDR(png, info, spec.width, spec.height, spec.bitDepth, spec.colourType,
                 spec.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!spec.palette.empty()) {
        png_set_PLTE(png, info, spec.palette.data(), static_cast<int>(spec.palette.size()));
    }
    if (!spec.paletteAlpha.empty()) {
        png_set_tRNS(png, info, spec.paletteAlpha.data(),
                     static_cast<int>(spec.paletteAlpha.size()), nullptr);
    }
    if (spec.transparentColour) {
        png_color_16 c = *spec.transparentColour;
        png_set_tRNS(png, info, nullptr, 0, &c);
    }
    png_write_info(png, info);
    if (spec.bitDepth == 16) {
        png_set_swap(png); // our samples are little-endian 16-bit words
    }
    const std::size_t rowBytes = spec.samples.size() / spec.height;
    std::vector<png_bytep> rows;
    for (int y = 0; y < spec.height; ++y) {
        rows.push_back(const_cast<png_bytep>(spec.samples.data() + y * rowBytes));
    }
    png_write_image(png, rows.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

Bytes Le16(std::initializer_list<unsigned> words) {
    Bytes out;
    for (unsigned w : words) {
        out.push_back(static_cast<std::uint8_t>(w & 0xFF));
        out.push_back(static_cast<std::uint8_t>(w >> 8));
    }
    return out;
}

PngSpec Spec(int width, int height, int colourType, int bitDepth, Bytes samples) {
    PngSpec spec;
    spec.width = width;
    spec.height = height;
    spec.colourType = colourType;
    spec.bitDepth = bitDepth;
    spec.samples = std::move(samples);
    return spec;
}

PngSpec WithPalette(PngSpec spec, std::vector<png_color> palette, Bytes alpha) {
    spec.palette = std::move(palette);
    spec.paletteAlpha = std::move(alpha);
    return spec;
}

PngSpec WithKey(PngSpec spec, png_color_16 key) {
    spec.transparentColour = key;
    return spec;
}

struct DecodeCase {
    const char* name;
    PngSpec spec;
    std::vector<Pixel> pixels; // straight ARGB, row by row
};

TEST(DecodePng, EveryColourTypeGivesStraightArgb) {
    png_color_16 key{};
    key.red = 10;
    key.green = 20;
    key.blue = 30;
    const png_color rgb3[] = {{255, 0, 0}, {0, 255, 0}, {1, 2, 3}};
    const std::vector<png_color> palette(std::begin(rgb3), std::end(rgb3));
    const int rgba = PNG_COLOR_TYPE_RGB_ALPHA;
    const int rgb = PNG_COLOR_TYPE_RGB;
    const int grey = PNG_COLOR_TYPE_GRAY;
    const int indexed = PNG_COLOR_TYPE_PALETTE;
    const DecodeCase cases[] = {
        {"rgba",
         Spec(2, 2, rgba, 8, {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 10, 20, 30, 40}),
         {0xFFFF0000, 0x8000FF00, 0x000000FF, 0x280A141E}},
        {"rgb", Spec(2, 1, rgb, 8, {1, 2, 3, 250, 251, 252}), {0xFF010203, 0xFFFAFBFC}},
        {"rgb with a transparent colour",
         WithKey(Spec(2, 1, rgb, 8, {10, 20, 30, 10, 20, 31}), key),
         {0x000A141E, 0xFF0A141F}},
        {"grey", Spec(3, 1, grey, 8, {0, 128, 255}), {0xFF000000, 0xFF808080, 0xFFFFFFFF}},
        {"grey 1-bit", Spec(3, 1, grey, 1, {0b10100000}), {0xFFFFFFFF, 0xFF000000, 0xFFFFFFFF}},
        {"grey 4-bit", Spec(2, 1, grey, 4, {0x3F}), {0xFF333333, 0xFFFFFFFF}},
        {"grey alpha",
         Spec(2, 1, PNG_COLOR_TYPE_GRAY_ALPHA, 8, {200, 0, 50, 255}),
         {0x00C8C8C8, 0xFF323232}},
        {"palette",
         WithPalette(Spec(3, 1, indexed, 8, {2, 0, 1}), palette, {}),
         {0xFF010203, 0xFFFF0000, 0xFF00FF00}},
        {"palette 2-bit with tRNS",
         WithPalette(Spec(3, 1, indexed, 2, {0b00011000}), palette, {0, 128}),
         {0x00FF0000, 0x8000FF00, 0xFF010203}},
        {"rgba 16-bit",
         Spec(2, 1, rgba, 16,
              Le16({0xFFFF, 0x0000, 0x8080, 0xFFFF, 0x1234, 0xFFFF, 0x0000, 0x8080})),
         {0xFFFF0080, 0x8012FF00}},
        {"grey 16-bit", Spec(1, 1, grey, 16, Le16({0xFFFF})), {0xFFFFFFFF}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string why;
        const auto image = DecodePng(Write(c.spec), &why);
        ASSERT_TRUE(image) << why;
        ASSERT_EQ(image->Width(), c.spec.width);
        ASSERT_EQ(image->Height(), c.spec.height);
        for (int i = 0; i < c.spec.width * c.spec.height; ++i) {
            EXPECT_EQ(image->Data()[i], c.pixels[i]) << std::hex << i;
        }
    }
}

TEST(DecodePng, InterlacedImageComesOutWhole) {
    PngSpec spec;
    spec.width = 13;
    spec.height = 11;
    spec.interlaced = true;
    for (int y = 0; y < spec.height; ++y) {
        for (int x = 0; x < spec.width; ++x) {
            spec.samples.insert(spec.samples.end(), {static_cast<std::uint8_t>(x * 19),
                                                     static_cast<std::uint8_t>(y * 23),
                                                     static_cast<std::uint8_t>(x ^ y), 255});
        }
    }
    const auto image = DecodePng(Write(spec));
    ASSERT_TRUE(image);
    for (int y = 0; y < spec.height; ++y) {
        for (int x = 0; x < spec.width; ++x) {
            EXPECT_EQ(image->At(x, y), Argb(255, x * 19, y * 23, x ^ y)) << x << "," << y;
        }
    }
}

void FixCrc(Bytes& png, std::size_t chunkStart) {
    const std::uint32_t length = png[chunkStart] << 24 | png[chunkStart + 1] << 16 |
                                 png[chunkStart + 2] << 8 | png[chunkStart + 3];
    const std::uint32_t crc = static_cast<std::uint32_t>(
        crc32(0, png.data() + chunkStart + 4, static_cast<uInt>(length + 4)));
    for (int i = 0; i < 4; ++i) {
        png[chunkStart + 8 + length + i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    }
}

PngSpec Small() {
    PngSpec spec;
    spec.width = 4;
    spec.height = 3;
    spec.samples.assign(4 * 4 * 3, 0x5A);
    return spec;
}

TEST(DecodePng, EveryTruncationFailsCleanly) {
    const Bytes good = Write(Small());
    ASSERT_TRUE(DecodePng(good));
    for (std::size_t n = 0; n < good.size(); ++n) {
        std::string why;
        EXPECT_FALSE(DecodePng({good.data(), n}, &why)) << n;
        EXPECT_FALSE(why.empty()) << n;
    }
}

TEST(DecodePng, CorruptDataFailsCleanly) {
    const Bytes good = Write(Small());
    constexpr std::size_t kIhdr = 8;
    const std::size_t idat = kIhdr + 25;
    ASSERT_EQ(std::memcmp(good.data() + idat + 4, "IDAT", 4), 0);

    Bytes badCrc = good;
    badCrc[kIhdr + 10] ^= 1; // inside IHDR's width, CRC left as it was
    Bytes badZlib = good;
    badZlib[idat + 8 + 3] ^= 0xFF; // inside the compressed data, CRC made to match
    FixCrc(badZlib, idat);
    Bytes huge = good;
    huge[kIhdr + 8] = 0x00; // width 0x00FFFFFF
    huge[kIhdr + 9] = 0xFF;
    huge[kIhdr + 10] = 0xFF;
    huge[kIhdr + 11] = 0xFF;
    FixCrc(huge, kIhdr);
    Bytes badDepth = good;
    badDepth[kIhdr + 16] = 3; // RGBA at 3 bits
    FixCrc(badDepth, kIhdr);
    const Bytes garbage(100, 0x42);

    for (const Bytes& bytes : {badCrc, badZlib, huge, badDepth, garbage}) {
        std::string why;
        EXPECT_FALSE(DecodePng(bytes, &why));
        EXPECT_FALSE(why.empty());
    }
}

// A header that claims 8192 x 8192 over a few bytes of data made the decoder
// allocate and clear 256 MiB (seconds under a sanitizer) before it found the
// data short. Such data now fails at once; a picture that really packs that
// well still decodes.
TEST(DecodePng, DataFarTooShortForItsSizeFailsBeforeTheImageIsMade) {
    constexpr std::size_t kIhdr = 8;
    Bytes huge = Write(Small());
    for (std::size_t at : {kIhdr + 8, kIhdr + 12}) { // width, height: 0x00002000
        huge[at] = 0;
        huge[at + 1] = 0;
        huge[at + 2] = 0x20;
        huge[at + 3] = 0;
    }
    FixCrc(huge, kIhdr);
    std::string why;
    EXPECT_FALSE(DecodePng(huge, &why));
    EXPECT_EQ(why, "PNG data too short for its size");

    // 1024 rows of 1024 black one-bit pixels: about a thousand bytes to one.
    const Bytes flat = Write(Spec(1024, 1024, PNG_COLOR_TYPE_GRAY, 1, Bytes(1024 * 128, 0)));
    const auto image = DecodePng(flat, &why);
    ASSERT_TRUE(image) << why << " (" << flat.size() << " bytes)";
    EXPECT_EQ(image->Width(), 1024);
    EXPECT_EQ(image->Data()[1024 * 1024 - 1], 0xFF000000u);
}

TEST(EncodePng, RoundTripsStraightAndPremultipliedPixels) {
    auto image = *Bitmap::Create(3, 2);
    const Pixel straight[] = {0xFFFF0000, 0x80FF8000, 0x00000000,
                              0x01FFFFFF, 0xFF123456, 0x40804020};
    std::copy(std::begin(straight), std::end(straight), image.Data());

    const auto bytes = EncodePng(image.View(), Alpha::Straight);
    ASSERT_TRUE(bytes);
    const auto back = DecodePng(*bytes);
    ASSERT_TRUE(back);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(back->Data()[i], straight[i]) << i;
    }

    // A premultiplied bottom-up DIB comes out straight and the right way up.
    std::vector<Pixel> dib = {0xFF0000FF, 0x80400000, 0xFFFFFFFF, 0x00000000};
    const auto view = ConstPixelView::BottomUp(dib.data(), 2, 2);
    const auto decoded = DecodePng(*EncodePng(view, Alpha::Premultiplied));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->At(0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(decoded->At(1, 0), 0x00000000u);
    EXPECT_EQ(decoded->At(0, 1), 0xFF0000FFu);
    EXPECT_EQ(decoded->At(1, 1), 0x80800000u);

    EXPECT_FALSE(EncodePng(ConstPixelView{}, Alpha::Straight));
}

TEST(PngFile, WritesReadsAndBoundsFiles) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("raster-png-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto image = *Bitmap::Create(5, 4, 0xFF204060);
    ASSERT_TRUE(WritePngFile(dir / "shot.png", image.View(), Alpha::Premultiplied));
    const auto back = ReadPngFile(dir / "shot.png");
    ASSERT_TRUE(back);
    EXPECT_EQ(back->At(4, 3), 0xFF204060u);

    std::string why;
    EXPECT_FALSE(ReadPngFile(dir / "missing.png", &why));
    EXPECT_FALSE(why.empty());
    std::filesystem::copy_file(dir / "shot.png", dir / "big.png");
    std::filesystem::resize_file(dir / "big.png", kMaxPngFileBytes + 1); // sparse
    EXPECT_FALSE(ReadPngFile(dir / "big.png", &why));
    EXPECT_EQ(why, "file too large");
    EXPECT_FALSE(WritePngFile(dir / "no-such-dir" / "x.png", image.View(), Alpha::Straight));
    std::filesystem::remove_all(dir);
}

} // namespace
} // namespace raster
