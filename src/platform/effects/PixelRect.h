#pragma once

#include "platform/effects/EffectRect.h"

#include <cstdint>

namespace scrivane {

// A rectangle of whole device pixels.  Device space is effect space times
// the render scale; x grows to the right and y with the row index, like the
// rows of a buffer.
struct PixelRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    constexpr PixelRect() = default;
    constexpr PixelRect(int x_, int y_, int w, int h) : x(x_), y(y_), width(w), height(h) {}

    // The device pixels that `rect` at `scale` touches (rounded outwards, a
    // hair of rounding noise ignored); clamped to ±2^29 so that the infinite
    // rectangle stays representable.
    static PixelRect covering(const EffectRect &rect, double scale);
    // The effect-space rectangle these pixels cover at `scale`.
    EffectRect toEffect(double scale) const;

    int right() const { return x + width; }
    int bottom() const { return y + height; }
    bool isEmpty() const { return width <= 0 || height <= 0; }
    std::int64_t area() const { return isEmpty() ? 0 : std::int64_t(width) * height; }
    bool contains(const PixelRect &other) const;
    PixelRect intersected(const PixelRect &other) const;
    PixelRect united(const PixelRect &other) const;
    PixelRect grown(int dx, int dy) const;

    friend constexpr bool operator==(const PixelRect &, const PixelRect &) = default;
};

} // namespace scrivane
