#pragma once

#include <array>
#include <cstdint>

namespace scrivane {

// Blurs of 8-bit alpha planes, for context shadows.
class RasterBlur {
public:
    // Blurs the plane in place with a Gaussian of standard deviation `sigma`
    // pixels, approximated by three box blurs in each direction.  Each pass
    // takes the pixels outside the plane as transparent, so within the blur's
    // reach (at most 3 · sigma + 3 pixels) of the plane's border the result
    // is darker than a Gaussian would make it: callers leave that much margin
    // around what they want blurred right.  A sigma below 0.5 (or not
    // finite) leaves the plane as it is.
    static void gaussianAlpha(std::uint8_t *data, int width, int height, int stride, double sigma);

    // The widths (odd, at least 1) of the three boxes whose succession comes
    // closest to a Gaussian of standard deviation `sigma`.
    static std::array<int, 3> boxWidths(double sigma);
};

} // namespace scrivane
