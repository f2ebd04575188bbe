#include <raster/Png.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <new>

#include "PngCodec.h"

namespace raster {

namespace {

class ReadStruct {
public:
    explicit ReadStruct(RasterPngIo& io) : m_png(raster_png_create_read(&io)) {
        if (m_png) {
            m_info = png_create_info_struct(m_png);
        }
    }
    ~ReadStruct() { png_destroy_read_struct(&m_png, m_info ? &m_info : nullptr, nullptr); }
    ReadStruct(const ReadStruct&) = delete;
    ReadStruct& operator=(const ReadStruct&) = delete;

    bool Ok() const { return m_png && m_info; }
    png_structp Png() const { return m_png; }
    png_infop Info() const { return m_info; }

private:
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

class WriteStruct {
public:
    explicit WriteStruct(RasterPngIo& io) : m_png(raster_png_create_write(&io)) {
        if (m_png) {
            m_info = png_create_info_struct(m_png);
        }
    }
    ~WriteStruct() { png_destroy_write_struct(&m_png, m_info ? &m_info : nullptr); }
    WriteStruct(const WriteStruct&) = delete;
    WriteStruct& operator=(const WriteStruct&) = delete;

    bool Ok() const { return m_png && m_info; }
    png_structp Png() const { return m_png; }
    png_infop Info() const { return m_info; }

private:
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

std::optional<Bitmap> Fail(std::string* error, std::string why) {
    if (error) {
        *error = std::move(why);
    }
    return std::nullopt;
}

} // namespace

std::optional<Bitmap> DecodePng(std::span<const std::uint8_t> bytes, std::string* error) {
    if (bytes.size() < 8 || png_sig_cmp(bytes.data(), 0, 8) != 0) {
        return Fail(error, "not PNG data");
    }
    RasterPngIo io{};
    io.data = bytes.data();
    io.size = bytes.size();
    ReadStruct png(io);
    if (!png.Ok()) {
        return Fail(error, "out of memory");
    }
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    if (!raster_png_read_header(png.Png(), png.Info(), kMaxPngSide, &width, &height)) {
        return Fail(error, io.message);
    }
    auto image = Bitmap::Create(static_cast<int>(width), static_cast<int>(height));
    if (!image) {
        return Fail(error, "image too large");
    }
    std::vector<png_bytep> rows;
    try {
        rows.resize(height);
    } catch (const std::bad_alloc&) {
        return Fail(error, "out of memory");
    }
    // B, G, R, A bytes are the little-endian form of 0xAARRGGBB.
    for (png_uint_32 y = 0; y < height; ++y) {
        rows[y] = reinterpret_cast<png_bytep>(image->Data() + static_cast<std::size_t>(y) * width);
    }
    if (!raster_png_read_image(png.Png(), png.Info(), rows.data())) {
        return Fail(error, io.message);
    }
    return image;
}

std::optional<Bitmap> ReadPngFile(const std::filesystem::path& path, std::string* error) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (!ec && size > kMaxPngFileBytes) {
        return Fail(error, "file too large");
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        return Fail(error, "cannot open " + path.string());
    }
    // Still bounded while reading: the file may grow, or not be a regular file.
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[65536];
    while (file) {
        file.read(reinterpret_cast<char*>(chunk), sizeof chunk);
        const auto got = static_cast<std::size_t>(file.gcount());
        if (bytes.size() + got > kMaxPngFileBytes) {
            return Fail(error, "file too large");
        }
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    if (file.bad()) {
        return Fail(error, "cannot read " + path.string());
    }
    return DecodePng(bytes, error);
}

std::optional<std::vector<std::uint8_t>> EncodePng(ConstPixelView image, Alpha alpha) {
    if (image.Empty() || image.Width() > kMaxPngSide || image.Height() > kMaxPngSide) {
        return std::nullopt;
    }
    const auto width = static_cast<std::size_t>(image.Width());
    std::vector<std::uint8_t> rgba(width * 4 * image.Height());
    std::vector<png_bytep> rows(image.Height());
    for (int y = 0; y < image.Height(); ++y) {
        std::uint8_t* out = rgba.data() + y * width * 4;
        rows[y] = out;
        const Pixel* in = image.Row(y);
        for (std::size_t x = 0; x < width; ++x) {
            const Pixel p = alpha == Alpha::Premultiplied ? Unpremultiplied(in[x]) : in[x];
            out[4 * x] = static_cast<std::uint8_t>(RedOf(p));
            out[4 * x + 1] = static_cast<std::uint8_t>(GreenOf(p));
            out[4 * x + 2] = static_cast<std::uint8_t>(BlueOf(p));
            out[4 * x + 3] = static_cast<std::uint8_t>(AlphaOf(p));
        }
    }
    RasterPngIo io{};
    std::optional<std::vector<std::uint8_t>> result;
    {
        WriteStruct png(io);
        if (png.Ok() && raster_png_write_rgba(png.Png(), png.Info(), image.Width(), image.Height(),
                                              rows.data())) {
            result.emplace(io.out, io.out + io.outSize);
        }
    }
    std::free(io.out);
    return result;
}

bool WritePngFile(const std::filesystem::path& path, ConstPixelView image, Alpha alpha) {
    const auto bytes = EncodePng(image, alpha);
    if (!bytes) {
        return false;
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes->data()),
               static_cast<std::streamsize>(bytes->size()));
    file.close();
    return static_cast<bool>(file);
}

} // namespace raster
