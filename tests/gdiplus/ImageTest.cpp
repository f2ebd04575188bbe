#include "GdiplusFixtures.h"

#include <memory>

namespace {

using namespace Gdiplus;
using gdiplus_test::BlockOf;
using gdiplus_test::Dib;
using gdiplus_test::Png;

using ImageTest = gdiplus_test::Started;

// Straight ARGB: opaque red, half-transparent green, transparent.
const std::vector<std::uint32_t> kPixels = {0xFFFF0000, 0x8000FF00, 0x00000000,
                                            0xFF0000FF, 0x80FFFFFF, 0xFF102030};

// The skin loader's path: a fixed block, a stream that does not own it, the
// stream released once and the block unlocked while the image lives on.
std::unique_ptr<Image> LoadLikeTheSkin(HGLOBAL block) {
    IStream* stream = nullptr;
    EXPECT_EQ(CreateStreamOnHGlobal(block, FALSE, &stream), S_OK);
    auto image = std::make_unique<Image>(stream, FALSE);
    stream->Release();
    GlobalUnlock(block);
    return image;
}

TEST_F(ImageTest, AStreamedPngStaysDrawableAfterItsStreamIsReleased) {
    const auto png = Png(3, 2, kPixels);
    HGLOBAL block = BlockOf(png);
    auto image = LoadLikeTheSkin(block);
    EXPECT_EQ(image->GetLastStatus(), Ok);
    EXPECT_EQ(image->GetWidth(), 3u);
    EXPECT_EQ(image->GetHeight(), 2u);

    Dib picture(3, 2);
    Graphics graphics(picture.Dc());
    ASSERT_EQ(graphics.DrawImage(image.get(), 0, 0, 3, 2), Ok);
    // Premultiplied BGRA, each channel times alpha / 255, rounded.
    const std::uint32_t expected[] = {0xFFFF0000, 0x80008000, 0x00000000,
                                      0xFF0000FF, 0x80808080, 0xFF102030};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(picture.At(i % 3, i / 3), expected[i]) << i;

    image.reset();
    EXPECT_EQ(GlobalSize(block), png.size()) << "the stream never owned the block";
    GlobalFree(block);
}

TEST_F(ImageTest, TheImageHoldsItsStreamUntilItIsDeleted) {
    const std::size_t before = win32::GlobalBlockCount();
    HGLOBAL block = BlockOf(Png(3, 2, kPixels));
    IStream* stream = nullptr;
    ASSERT_EQ(CreateStreamOnHGlobal(block, TRUE, &stream), S_OK);
    auto image = std::make_unique<Image>(stream);
    stream->Release();
    EXPECT_EQ(win32::GlobalBlockCount(), before + 1);
    image.reset();
    EXPECT_EQ(win32::GlobalBlockCount(), before);
}

TEST_F(ImageTest, DataThatIsNoPictureGivesAnEmptyImageAndAStatus) {
    const auto png = Png(3, 2, kPixels);
    struct Case {
        const char* name;
        std::vector<std::uint8_t> bytes;
        Status status;
    };
    const Case cases[] = {
        {"empty", {}, UnknownImageFormat},
        {"truncated",
         {png.begin(), png.begin() + static_cast<long>(png.size() / 2)},
         InvalidParameter},
        {"signature only", {png.begin(), png.begin() + 8}, InvalidParameter},
        {"not a png", {'B', 'M', 0, 0, 0, 0, 0, 0, 0, 0}, UnknownImageFormat},
    };
    Dib picture(2, 2);
    Graphics graphics(picture.Dc());
    for (const Case& c : cases) {
        HGLOBAL block = BlockOf(c.bytes);
        auto image = LoadLikeTheSkin(block);
        EXPECT_EQ(image->GetWidth(), 0u) << c.name;
        EXPECT_EQ(image->GetHeight(), 0u) << c.name;
        EXPECT_EQ(image->GetLastStatus(), c.status) << c.name;
        EXPECT_EQ(image->GetLastStatus(), Ok) << c.name << ": reading the status resets it";
        EXPECT_EQ(graphics.DrawImage(image.get(), 0, 0, 2, 2), InvalidParameter) << c.name;
        image.reset();
        GlobalFree(block);
    }
    Image none(nullptr);
    EXPECT_EQ(none.GetLastStatus(), InvalidParameter);
    EXPECT_EQ(graphics.DrawImage(nullptr, 0, 0), InvalidParameter);
    EXPECT_EQ(picture.At(0, 0), 0u);
}

} // namespace
