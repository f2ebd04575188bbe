#pragma once

// An image: a picture decoded from a stream, or (through Bitmap) copied from
// a GDI bitmap. Held as premultiplied 32-bit ARGB.

#include <gdiplus/Types.h>
#include <memory>
#include <win32/Com.h>

namespace Gdiplus {

namespace detail {
struct Picture;
}

class Graphics;

class Image {
public:
    // Decodes what the stream holds from its current position; the format is
    // recognised from the data (PNG). The image keeps a reference to the
    // stream until it is destroyed. Failures leave an image without a picture
    // (0 × 0) and a status: InvalidParameter for a null stream or a PNG that
    // does not decode, UnknownImageFormat for data that is no PNG (an empty
    // stream among them), Win32Error for a failing read, OutOfMemory for data
    // beyond what a picture may take. Colour management does not apply here.
    explicit Image(IStream* stream, BOOL useEmbeddedColorManagement = FALSE);
    virtual ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    // 0 for an image without a picture.
    UINT GetWidth() const;
    UINT GetHeight() const;
    // The most recent failure since the previous call, or Ok; reading resets it.
    Status GetLastStatus() const;

protected:
    Image(); // without a picture, for derived images to fill
    Status SetStatus(Status status) const;
    void SetPicture(std::unique_ptr<detail::Picture> picture);
    const detail::Picture* GetPicture() const { return m_picture.get(); }

private:
    friend class Graphics;

    std::unique_ptr<detail::Picture> m_picture;
    IStream* m_stream = nullptr;
    mutable Status m_lastStatus = Ok;
};

} // namespace Gdiplus
