#include "BuiltinFilters.h"

#include "platform/effects/EffectRegistry.h"
#include "platform/effects/ImageOps.h"
#include "platform/effects/RasterOps.h"

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

Rgba mixPixels(const Rgba &a, const Rgba &b, float t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

// One axis of a checkerboard: +1 inside even squares, −1 inside odd ones,
// with a linear ramp of `ramp` (in squares) across each edge.
double checkerAxis(double u, double ramp)
{
    const double cell = std::floor(u);
    const double sign = std::fmod(std::abs(cell), 2.0) == 0 ? 1 : -1;
    if (ramp <= 0)
        return sign;
    const double edgeDistance = std::min(u - cell, cell + 1 - u);
    return sign * std::min(1.0, edgeDistance / (ramp / 2));
}

} // namespace

void BuiltinFilters::registerGeneratorFilters(EffectRegistry &registry)
{
    const QStringList generator{QString::fromLatin1(FilterCategory::Generator)};
    const QStringList gradient{QString::fromLatin1(FilterCategory::Gradient)};

    // Squares of `width` with a corner at the centre; the square to the right
    // of and below the centre (larger x and y) has the first colour.
    // Sharpness 1 gives edges as hard as the pixels allow; lower values blend
    // the colours across a band of (1 − sharpness) of a square.
    add(registry, "CICheckerboardGenerator", generator,
        {vectorInput("inputCenter", "Center", InputType::Position, EffectVector(150, 150)),
         colorInput("inputColor0", "Color 1", EffectColor(1, 1, 1, 1)),
         colorInput("inputColor1", "Color 2", EffectColor(0, 0, 0, 1)),
         numberInput("inputWidth", "Width", InputType::Distance, 80,
                     {.minimum = 0, .sliderMinimum = 0, .sliderMaximum = 800}),
         numberInput("inputSharpness", "Sharpness", InputType::Scalar, 1,
                     {.minimum = 0, .maximum = 1, .sliderMinimum = 0, .sliderMaximum = 1})},
        [](const EffectFilter &f) -> ImageRef {
            const EffectVector c = f.vector(QStringLiteral("inputCenter"));
            const Rgba color0 = RasterOps::premultiplied(f.color(QStringLiteral("inputColor0")));
            const Rgba color1 = RasterOps::premultiplied(f.color(QStringLiteral("inputColor1")));
            const double width = f.number(QStringLiteral("inputWidth"));
            const double softness = 1 - std::clamp(f.number(QStringLiteral("inputSharpness")), 0.0, 1.0);
            if (!(width > 0))
                return EffectImage::constantColor(f.color(QStringLiteral("inputColor0")));
            return ImageOps::generated(EffectRect::infinite(), [=](EffectPoint p, double scale) {
                // Never narrower than one device pixel: hard edges that fall
                // inside a pixel are smoothed, edges on pixel borders stay.
                const double ramp = std::max(softness, 1 / (width * scale));
                const double v =
                    checkerAxis((p.x - c.x) / width, ramp) * checkerAxis((p.y - c.y) / width, ramp);
                return mixPixels(color0, color1, float((1 - v) / 2));
            });
        });

    add(registry, "CIConstantColorGenerator", generator,
        {colorInput("inputColor", "Color", EffectColor(1, 0, 0, 1))}, [](const EffectFilter &f) {
            return EffectImage::constantColor(f.color(QStringLiteral("inputColor")));
        });

    // The first colour at point 0, the second at point 1, blended between
    // them along the line through both (premultiplied, so that a transparent
    // end does not darken the middle) and constant beyond.
    add(registry, "CILinearGradient", gradient,
        {vectorInput("inputPoint0", "Point 1", InputType::Position, EffectVector(0, 0)),
         vectorInput("inputPoint1", "Point 2", InputType::Position, EffectVector(200, 200)),
         colorInput("inputColor0", "Color 1", EffectColor(1, 1, 1, 1)),
         colorInput("inputColor1", "Color 2", EffectColor(0, 0, 0, 1))},
        [](const EffectFilter &f) {
            const EffectVector p0 = f.vector(QStringLiteral("inputPoint0"));
            const EffectVector p1 = f.vector(QStringLiteral("inputPoint1"));
            const Rgba color0 = RasterOps::premultiplied(f.color(QStringLiteral("inputColor0")));
            const Rgba color1 = RasterOps::premultiplied(f.color(QStringLiteral("inputColor1")));
            const double dx = p1.x - p0.x, dy = p1.y - p0.y;
            const double length2 = dx * dx + dy * dy;
            return ImageOps::generated(EffectRect::infinite(), [=](EffectPoint p, double) {
                const double t = length2 > 0 ? ((p.x - p0.x) * dx + (p.y - p0.y) * dy) / length2 : 0;
                return mixPixels(color0, color1, float(std::clamp(t, 0.0, 1.0)));
            });
        });

    // The first colour inside radius 0, the second outside radius 1, blended
    // in between.
    add(registry, "CIRadialGradient", gradient,
        {vectorInput("inputCenter", "Center", InputType::Position, EffectVector(150, 150)),
         numberInput("inputRadius0", "Radius 1", InputType::Distance, 5,
                     {.minimum = 0, .sliderMinimum = 0, .sliderMaximum = 800}),
         numberInput("inputRadius1", "Radius 2", InputType::Distance, 100,
                     {.minimum = 0, .sliderMinimum = 0, .sliderMaximum = 800}),
         colorInput("inputColor0", "Color 1", EffectColor(1, 1, 1, 1)),
         colorInput("inputColor1", "Color 2", EffectColor(0, 0, 0, 1))},
        [](const EffectFilter &f) {
            const EffectVector c = f.vector(QStringLiteral("inputCenter"));
            const double r0 = f.number(QStringLiteral("inputRadius0"));
            const double r1 = f.number(QStringLiteral("inputRadius1"));
            const Rgba color0 = RasterOps::premultiplied(f.color(QStringLiteral("inputColor0")));
            const Rgba color1 = RasterOps::premultiplied(f.color(QStringLiteral("inputColor1")));
            return ImageOps::generated(EffectRect::infinite(), [=](EffectPoint p, double) {
                const double d = std::hypot(p.x - c.x, p.y - c.y);
                const double t = r1 != r0 ? (d - r0) / (r1 - r0) : (d < r0 ? 0 : 1);
                return mixPixels(color0, color1, float(std::clamp(t, 0.0, 1.0)));
            });
        });
}

} // namespace scrivane
