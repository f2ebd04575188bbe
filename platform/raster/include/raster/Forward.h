#pragma once

#include <cstdint>

namespace raster {

using Pixel = std::uint32_t;

struct Point;
struct Rect;
template <typename T>
class BasicView;
using PixelView = BasicView<Pixel>;
using ConstPixelView = BasicView<const Pixel>;
class Bitmap;
class CharMetrics;
class Font;
struct FontRequest;
struct FontMetrics;
struct LayoutOptions;
struct LayoutLine;

} // namespace raster
