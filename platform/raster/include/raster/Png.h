#pragma once

// PNG through libpng. Decoded images are straight (not premultiplied) ARGB of
// the image's own size; every failure is an empty result and a reason, never a
// partial image.

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include <raster/Bitmap.h>

namespace raster {

inline constexpr int kMaxPngSide = 16384;
inline constexpr std::size_t kMaxPngFileBytes = 64 * 1024 * 1024;

enum class Alpha { Straight, Premultiplied };

// Any colour type and depth, interlaced or not. Truncated, corrupt or empty
// data, or a side beyond kMaxPngSide, fails; `error` (if given) says why.
std::optional<Bitmap> DecodePng(std::span<const std::uint8_t> bytes, std::string* error = nullptr);
// At most kMaxPngFileBytes are read; a longer file fails.
std::optional<Bitmap> ReadPngFile(const std::filesystem::path& path, std::string* error = nullptr);

// An 8-bit RGBA PNG of the view; premultiplied pixels are made straight first.
// An empty view has no PNG form and fails.
std::optional<std::vector<std::uint8_t>> EncodePng(ConstPixelView image, Alpha alpha);
bool WritePngFile(const std::filesystem::path& path, ConstPixelView image, Alpha alpha);

} // namespace raster
