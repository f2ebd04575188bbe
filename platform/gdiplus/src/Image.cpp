#include "Picture.h"
#include "Runtime.h"

#include <algorithm>
#include <cstring>
#include <gdiplus/Image.h>
#include <new>
#include <raster/Ops.h>
#include <raster/Png.h>
#include <vector>

namespace Gdiplus {
namespace {

constexpr BYTE kPngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

// Everything from the stream's position to its end.
Status ReadAll(IStream* stream, std::vector<std::uint8_t>& bytes) {
    constexpr ULONG kChunk = 64 * 1024;
    for (;;) {
        const std::size_t used = bytes.size();
        if (used > raster::kMaxPngFileBytes)
            return OutOfMemory;
        bytes.resize(used + kChunk);
        ULONG got = 0;
        const HRESULT hr = stream->Read(bytes.data() + used, kChunk, &got);
        bytes.resize(used + std::min(got, kChunk));
        if (FAILED(hr))
            return Win32Error;
        if (got == 0)
            return Ok;
    }
}

Status Decode(IStream* stream, std::unique_ptr<detail::Picture>& out) {
    std::vector<std::uint8_t> bytes;
    if (const Status read = ReadAll(stream, bytes); read != Ok)
        return read;
    if (bytes.size() < sizeof kPngSignature ||
        std::memcmp(bytes.data(), kPngSignature, sizeof kPngSignature) != 0)
        return UnknownImageFormat;
    auto decoded = raster::DecodePng(bytes);
    if (!decoded || decoded->Width() <= 0 || decoded->Height() <= 0)
        return InvalidParameter;
    raster::Premultiply(decoded->View(), decoded->View().Bounds());
    auto runs = raster::AlphaRuns::Of(decoded->View());
    out = std::make_unique<detail::Picture>(detail::Picture{std::move(*decoded), std::move(runs)});
    return Ok;
}

} // namespace

Image::Image() {
    detail::ObjectCreated();
}

Image::Image(IStream* stream, BOOL) {
    detail::ObjectCreated();
    if (SetStatus(detail::RunningStatus()) != Ok)
        return;
    if (!stream) {
        SetStatus(InvalidParameter);
        return;
    }
    stream->AddRef();
    m_stream = stream;
    try {
        SetStatus(Decode(stream, m_picture));
    } catch (const std::bad_alloc&) {
        m_picture.reset();
        SetStatus(OutOfMemory);
    }
}

Image::~Image() {
    if (m_stream)
        m_stream->Release();
    detail::ObjectDestroyed();
}

UINT Image::GetWidth() const {
    return m_picture ? static_cast<UINT>(m_picture->pixels.Width()) : 0;
}

UINT Image::GetHeight() const {
    return m_picture ? static_cast<UINT>(m_picture->pixels.Height()) : 0;
}

Status Image::GetLastStatus() const {
    const Status last = m_lastStatus;
    m_lastStatus = Ok;
    return last;
}

Status Image::SetStatus(Status status) const {
    if (status != Ok)
        m_lastStatus = status;
    return status;
}

void Image::SetPicture(std::unique_ptr<detail::Picture> picture) {
    m_picture = std::move(picture);
}

} // namespace Gdiplus
