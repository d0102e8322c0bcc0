#include "FadeKernel.h"

#include <algorithm>

namespace scrivane {

void fadeKernel(Rgba &pixel, EffectPoint where, double slope, double threshold)
{
    const double u = std::clamp((where.y - threshold) / slope, 0.0, 1.0);
    const float k = float(u * u);
    pixel.r *= k;
    pixel.g *= k;
    pixel.b *= k;
    pixel.a *= k;
}

} // namespace scrivane
