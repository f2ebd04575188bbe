// PNG data into an image, as the skin and every GDI+ stream image is decoded.
#include "Check.h"

#include <raster/Png.h>

#include <zlib.h>

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

namespace {

std::uint32_t Big32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

} // namespace

// libpng refuses a chunk whose CRC does not match, which would stop almost
// every mutation at the first chunk: mend the CRCs after each one.
extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t maxSize, unsigned int) {
    size = LLVMFuzzerMutate(data, size, maxSize);
    for (std::size_t at = 8; at + 12 <= size;) {
        const std::uint32_t length = Big32(data + at);
        if (length > size - at - 12)
            break;
        const uLong crc = crc32(0, data + at + 4, static_cast<uInt>(length + 4));
        std::uint8_t* out = data + at + 8 + length;
        for (int i = 0; i < 4; ++i)
            out[i] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
        at += 12 + length;
    }
    return size;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string error;
    const auto image = raster::DecodePng({data, size}, &error);
    if (!image) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(image->Width() > 0 && image->Width() <= raster::kMaxPngSide);
    FUZZ_CHECK(image->Height() > 0 && image->Height() <= raster::kMaxPngSide);
    // Touch the last pixel: the buffer is as big as the image says.
    volatile auto last = image->Data()[static_cast<std::size_t>(image->Width()) *
                                           static_cast<std::size_t>(image->Height()) -
                                       1];
    (void)last;
    return 0;
}
