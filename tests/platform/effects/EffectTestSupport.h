#pragma once

#include "platform/effects/EffectFilter.h"
#include "platform/effects/EffectImage.h"
#include "platform/effects/EffectRegistry.h"

#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>

#include <ostream>

namespace scrivane {

inline void PrintTo(const Rgba &p, std::ostream *os)
{
    *os << "(" << p.r << ", " << p.g << ", " << p.b << ", " << p.a << ")";
}

} // namespace scrivane

namespace scrivane::test {

// An image of `width` × `height` pixels whose pixel (x, y) (y growing with
// the row) has the premultiplied colour `pixel(x, y)`, quantised to 8 bits.
ImageRef imageOf(int width, int height, const std::function<Rgba(int x, int y)> &pixel,
                 EffectPoint origin = {});
// An image of one straight colour.
ImageRef solidImage(int width, int height, const EffectColor &color, EffectPoint origin = {});

// A built-in filter with the given inputs set (each must be accepted).
std::unique_ptr<EffectFilter> makeFilter(const char *name,
                                         std::initializer_list<std::pair<const char *, EffectValue>> values);

// The float pixels of `rect` (device pixels) at `scale`; fails the test when
// rendering fails.
FloatRaster renderFloat(const ImageRef &image, const PixelRect &rect, double scale = 1);

// Per-component distance of two pixels.
float difference(const Rgba &a, const Rgba &b);

} // namespace scrivane::test
