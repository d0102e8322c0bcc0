#include "BuiltinFilters.h"

#include "platform/effects/EffectRegistry.h"
#include "platform/effects/ImageOps.h"

#include <cmath>
#include <numbers>

namespace scrivane {

namespace {

// Both distortions move pixels inside a circle only: the output may reach
// anywhere in the circle, and an output rectangle that meets the circle may
// take its pixels from anywhere in it.
struct Circle {
    EffectPoint center;
    double radius = 0;

    EffectRect bounds() const
    {
        return EffectRect(center.x - radius, center.y - radius, 2 * radius, 2 * radius);
    }
    EffectRect reach(const EffectRect &output) const
    {
        return output.intersected(bounds()).isEmpty() ? output : output.united(bounds());
    }
};

ImageRef circularWarp(const EffectFilter &f, std::function<double(double d, double r)> factor, bool rotate)
{
    const ImageRef input = f.image(QStringLiteral("inputImage"));
    if (!input)
        return nullptr;
    const EffectVector c = f.vector(QStringLiteral("inputCenter"));
    const Circle circle{EffectPoint(c.x, c.y), f.number(QStringLiteral("inputRadius"))};
    if (!(circle.radius > 0))
        return input;
    const EffectRect extent = input->extent().united(circle.bounds());
    return ImageOps::warped(
        input, extent,
        [circle, factor, rotate](EffectPoint &p) {
            const double dx = p.x - circle.center.x, dy = p.y - circle.center.y;
            const double d = std::hypot(dx, dy);
            if (d >= circle.radius)
                return true;
            const double k = factor(d, circle.radius);
            if (rotate) {
                // Output point p shows the input point turned back by the angle.
                const double cs = std::cos(-k), sn = std::sin(-k);
                p = EffectPoint(circle.center.x + cs * dx - sn * dy, circle.center.y + sn * dx + cs * dy);
            } else {
                p = EffectPoint(circle.center.x + dx * k, circle.center.y + dy * k);
            }
            return true;
        },
        [circle](const EffectRect &output) { return circle.reach(output); }, 1);
}

} // namespace

void BuiltinFilters::registerDistortionFilters(EffectRegistry &registry)
{
    const QStringList distortion{QString::fromLatin1(FilterCategory::DistortionEffect)};

    // Inside the radius a pixel at distance d from the centre shows the input
    // at distance d · (1 − scale · (1 − (d/r)²)²): a positive scale magnifies
    // the middle, a negative one pinches it; the factor meets 1 smoothly at
    // the rim.
    add(registry, "CIBumpDistortion", distortion,
        {imageInput("inputImage", "Image"),
         vectorInput("inputCenter", "Center", InputType::Position, EffectVector(150, 150)),
         numberInput("inputRadius", "Radius", InputType::Distance, 300,
                     {.minimum = 0, .sliderMinimum = 0, .sliderMaximum = 600}),
         numberInput("inputScale", "Scale", InputType::Scalar, 0.5,
                     {.minimum = -1, .maximum = 1, .sliderMinimum = -1, .sliderMaximum = 1}, 0)},
        [](const EffectFilter &f) {
            const double scale = f.number(QStringLiteral("inputScale"));
            return circularWarp(
                f,
                [scale](double d, double r) {
                    const double q = 1 - (d / r) * (d / r);
                    return 1 - scale * q * q;
                },
                false);
        });

    // Inside the radius a pixel at distance d from the centre is turned by
    // angle · ((r − d) / r)²: the full angle at the centre, fading smoothly to
    // nothing at the rim.
    add(registry, "CITwirlDistortion", distortion,
        {imageInput("inputImage", "Image"),
         vectorInput("inputCenter", "Center", InputType::Position, EffectVector(150, 150)),
         numberInput("inputRadius", "Radius", InputType::Distance, 300,
                     {.minimum = 0, .sliderMinimum = 0, .sliderMaximum = 500}),
         numberInput("inputAngle", "Angle", InputType::Angle, std::numbers::pi,
                     {.sliderMinimum = -4 * std::numbers::pi, .sliderMaximum = 4 * std::numbers::pi}, 0)},
        [](const EffectFilter &f) {
            const double angle = f.number(QStringLiteral("inputAngle"));
            return circularWarp(
                f,
                [angle](double d, double r) {
                    const double q = (r - d) / r;
                    return angle * q * q;
                },
                true);
        });
}

} // namespace scrivane
