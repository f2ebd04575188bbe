#pragma once

namespace raster {

// What text layout needs to know of a font, in whole pixels.
class CharMetrics {
public:
    virtual ~CharMetrics() = default;
    virtual int Advance(wchar_t ch) const = 0;
    virtual int AverageCharWidth() const = 0;
};

} // namespace raster
