#pragma once

// Pixel storage whose new elements are left uninitialised, for buffers that
// their producer fills whole right away: a bitmap made for one composition
// is written once, not cleared first and then written.

#include <memory>
#include <type_traits>
#include <utility>
#include <vector>

#include <raster/Forward.h>

namespace raster {

template <class T>
class UninitializedAllocator : public std::allocator<T> {
public:
    template <class U>
    struct rebind {
        using other = UninitializedAllocator<U>;
    };
    UninitializedAllocator() = default;
    template <class U>
    UninitializedAllocator(const UninitializedAllocator<U>&) noexcept {}

    template <class U>
    void construct(U* p) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(p)) U;
    }
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
};

using PixelBuffer = std::vector<Pixel, UninitializedAllocator<Pixel>>;

} // namespace raster
