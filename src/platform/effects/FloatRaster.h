#pragma once

#include "platform/effects/PixelRect.h"

#include <cstddef>
#include <memory>
#include <optional>

namespace scrivane {

// One premultiplied pixel of a working raster.
struct Rgba {
    float r = 0;
    float g = 0;
    float b = 0;
    float a = 0;

    friend constexpr bool operator==(const Rgba &, const Rgba &) = default;
};

// The working raster of the effects engine: premultiplied red, green, blue
// and alpha as floats, four per pixel, over a rectangle of device pixels;
// row 0 is the rectangle's smallest y.  Filters compute in floats so that a
// chain of colour adjustments does not band; rendered results are turned into
// 8-bit buffers for cairo only at the end (EffectImage::render).
class FloatRaster {
public:
    // A raster never holds more pixels than this (256 MB); asking for more
    // fails instead of exhausting memory.
    static constexpr std::int64_t kMaxPixels = std::int64_t(1) << 24;

    FloatRaster() = default;
    FloatRaster(FloatRaster &&) noexcept = default;
    FloatRaster &operator=(FloatRaster &&) noexcept = default;

    // A transparent raster over `rect`, or nothing when it is empty, too
    // large or memory runs out.  `clear` false leaves the pixels undefined for
    // callers that write every one of them.
    static std::optional<FloatRaster> allocate(const PixelRect &rect, bool clear = true);

    const PixelRect &rect() const { return m_rect; }
    std::size_t floatsPerRow() const { return std::size_t(m_rect.width) * 4; }

    // The row at device y (inside rect()).
    float *row(int y) { return m_data.get() + std::size_t(y - m_rect.y) * floatsPerRow(); }
    const float *row(int y) const { return m_data.get() + std::size_t(y - m_rect.y) * floatsPerRow(); }
    float *pixel(int x, int y) { return row(y) + std::size_t(x - m_rect.x) * 4; }
    const float *pixel(int x, int y) const { return row(y) + std::size_t(x - m_rect.x) * 4; }

    // The pixel at device (x, y); transparent outside the raster.
    Rgba at(int x, int y) const;
    void set(int x, int y, const Rgba &value);

    void clear();
    // Copies the pixels of `source` that lie inside this raster.
    void copyFrom(const FloatRaster &source);

private:
    struct Release {
        void operator()(float *data) const;
    };

    PixelRect m_rect;
    std::unique_ptr<float[], Release> m_data;
};

} // namespace scrivane
