// tarvik-icons: writes the 32-bit pictures of the icon group (res/tarvik.ico)
// as PNG files for the desktop's icon theme: `tarvik-icons ICO OUTDIR`
// makes OUTDIR/<size>/tarvik.png for each size the icon holds.

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <raster/Png.h>
#include <vector>

namespace {

std::uint32_t Le(const std::vector<unsigned char>& d, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | d[at + static_cast<std::size_t>(i)];
    return v;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tarvik-icons ICO OUTDIR\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    const std::vector<unsigned char> d((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
    if (d.size() < 6 || Le(d, 2, 2) != 1) {
        std::fprintf(stderr, "tarvik-icons: %s is no icon file\n", argv[1]);
        return 1;
    }
    const std::uint32_t count = Le(d, 4, 2);
    int written = 0;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::size_t entry = 6 + 16 * static_cast<std::size_t>(i);
        if (entry + 16 > d.size())
            break;
        const std::uint32_t bytes = Le(d, entry + 8, 4);
        const std::uint32_t offset = Le(d, entry + 12, 4);
        if (offset + 40 > d.size() || bytes > d.size() - offset || Le(d, offset, 4) != 40)
            continue; // PNG-compressed or broken entries: the DIB ones carry every size
        const int width = static_cast<int>(Le(d, offset + 4, 4));
        const int height = static_cast<int>(Le(d, offset + 8, 4)) / 2; // colour and mask
        if (Le(d, offset + 14, 2) != 32 || width <= 0 || width > 256 || height != width)
            continue;
        const std::size_t pixels = offset + 40;
        if (pixels + static_cast<std::size_t>(width) * height * 4 > d.size())
            continue;
        // Bottom-up BGRA rows, straight alpha.
        std::vector<std::uint32_t> image(static_cast<std::size_t>(width) * height);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                image[static_cast<std::size_t>(height - 1 - y) * width + x] =
                    Le(d, pixels + (static_cast<std::size_t>(y) * width + x) * 4, 4);
        const auto dir = std::filesystem::path(argv[2]) / std::to_string(width);
        std::filesystem::create_directories(dir);
        if (!raster::WritePngFile(dir / "tarvik.png",
                                  raster::ConstPixelView::TopDown(image.data(), width, height),
                                  raster::Alpha::Straight)) {
            std::fprintf(stderr, "tarvik-icons: cannot write %s\n", (dir / "tarvik.png").c_str());
            return 1;
        }
        ++written;
    }
    if (written == 0) {
        std::fprintf(stderr, "tarvik-icons: %s holds no 32-bit picture\n", argv[1]);
        return 1;
    }
    return 0;
}
