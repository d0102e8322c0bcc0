#pragma once

// Angle arithmetic the transformation and path code of this library share.

#include <cmath>
#include <numbers>

namespace scrivane {

// Sine and cosine of an angle in degrees, exact at the multiples of 90 so
// that quarter turns and flips leave no residue in the coefficients.
inline void sinCosDegrees(double degrees, double &sine, double &cosine)
{
    const double turns = degrees / 90.0;
    if (std::isfinite(turns) && turns == std::floor(turns)) {
        const auto quarter = static_cast<long long>(std::fmod(turns, 4.0) + 4.0) % 4;
        static constexpr double sines[4] = {0, 1, 0, -1};
        static constexpr double cosines[4] = {1, 0, -1, 0};
        sine = sines[quarter];
        cosine = cosines[quarter];
        return;
    }
    const double radians = degrees * std::numbers::pi / 180.0;
    sine = std::sin(radians);
    cosine = std::cos(radians);
}

} // namespace scrivane
