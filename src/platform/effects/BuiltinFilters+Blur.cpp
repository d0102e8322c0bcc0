#include "BuiltinFilters.h"

#include "platform/effects/EffectRegistry.h"
#include "platform/effects/ImageOps.h"
#include "platform/effects/RasterOps.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace scrivane {

namespace {

ImageRef boxBlur(const EffectFilter &f)
{
    const ImageRef input = f.image(QStringLiteral("inputImage"));
    if (!input)
        return nullptr;
    // A square of 2·radius − 1 pixels each way: radius 1 (the smallest)
    // leaves the image as it is.
    const double radius = f.number(QStringLiteral("inputRadius"));
    if (!(radius > 1))
        return input;
    return EffectImage::make(
        input->extent().grown(radius, radius), [input, radius](FloatRaster &out, double scale) {
            RasterOps::BlurBox box;
            box.radius = int(std::lround(std::min(radius * scale, 3 * RasterOps::kMaxBlurDeviation))) - 1;
            if (box.radius <= 0) {
                std::optional<FloatRaster> source = input->renderRaster(out.rect(), scale);
                if (source)
                    out = std::move(*source);
                return source.has_value();
            }
            const std::vector<RasterOps::BlurBox> boxes{box};
            std::optional<FloatRaster> source =
                input->renderClipped(out.rect().grown(box.radius, box.radius), scale);
            if (!source)
                return false;
            std::optional<FloatRaster> blurred = RasterOps::separableBlur(*source, boxes, out.rect());
            if (!blurred)
                return false;
            out = std::move(*blurred);
            return true;
        });
}

// The average of the input along a segment of 2·radius through each pixel,
// in the direction of the angle.
ImageRef motionBlur(const EffectFilter &f)
{
    const ImageRef input = f.image(QStringLiteral("inputImage"));
    if (!input)
        return nullptr;
    const double radius = f.number(QStringLiteral("inputRadius"));
    const double angle = f.number(QStringLiteral("inputAngle"));
    if (!(radius > 0))
        return input;
    const double dx = radius * std::cos(angle), dy = radius * std::sin(angle);
    return EffectImage::make(
        input->extent().grown(std::abs(dx) + 1, std::abs(dy) + 1),
        [input, dx, dy, radius](FloatRaster &out, double scale) {
            const double ddx = dx * scale, ddy = dy * scale;
            const int steps = int(std::clamp(std::ceil(radius * scale), 1.0, 256.0));
            auto reach = [](double d) { return int(std::min(std::ceil(std::abs(d)), double(1 << 29))) + 1; };
            const PixelRect needed = out.rect().grown(reach(ddx), reach(ddy));
            std::optional<FloatRaster> source = input->renderClipped(needed, scale);
            if (!source)
                return false;
            const float weight = 1.0f / float(2 * steps + 1);
            const PixelRect &r = out.rect();
            for (int y = r.y; y < r.bottom(); ++y) {
                float *o = out.row(y);
                for (int x = r.x; x < r.right(); ++x, o += 4) {
                    Rgba sum;
                    for (int i = -steps; i <= steps; ++i) {
                        const double t = double(i) / steps;
                        const Rgba s = RasterOps::sample(*source, x + 0.5 + ddx * t, y + 0.5 + ddy * t);
                        sum.r += s.r;
                        sum.g += s.g;
                        sum.b += s.b;
                        sum.a += s.a;
                    }
                    o[0] = sum.r * weight;
                    o[1] = sum.g * weight;
                    o[2] = sum.b * weight;
                    o[3] = sum.a * weight;
                }
            }
            return true;
        });
}

// The average of the input enlarged about the centre by every factor from 1
// to 1 + amount/100: streaks that point away from the centre and grow with
// the distance to it, as when a camera zooms during the exposure.  The amount
// is relative, so a change of resolution leaves it as it is.
ImageRef zoomBlur(const EffectFilter &f)
{
    const ImageRef input = f.image(QStringLiteral("inputImage"));
    if (!input)
        return nullptr;
    const double amount = f.number(QStringLiteral("inputAmount"));
    if (!(amount > 0))
        return input;
    const EffectVector cv = f.vector(QStringLiteral("inputCenter"));
    const EffectPoint c(cv.x, cv.y);
    const double k = 1 + amount / 100;
    const EffectRect e = input->extent();
    const EffectRect grownExtent =
        e.isInfinite()
            ? e
            : e.united(EffectRect(c.x + (e.x - c.x) * k, c.y + (e.y - c.y) * k, e.width * k, e.height * k));
    return EffectImage::make(grownExtent, [input, c, k](FloatRaster &out, double scale) {
        const EffectPoint cd(c.x * scale, c.y * scale);
        const PixelRect &r = out.rect();
        const EffectRect outRect = r.toEffect(1);
        const EffectRect inner(cd.x + (outRect.x - cd.x) / k, cd.y + (outRect.y - cd.y) / k,
                               outRect.width / k, outRect.height / k);
        std::optional<FloatRaster> source =
            input->renderClipped(PixelRect::covering(outRect.united(inner), 1).grown(2, 2), scale);
        if (!source)
            return false;
        double farthest = 0;
        for (double px : {outRect.x, outRect.maxX()})
            for (double py : {outRect.y, outRect.maxY()})
                farthest = std::max(farthest, std::hypot(px - cd.x, py - cd.y));
        const double streak = farthest * (1 - 1 / k);
        const int steps = streak > 1 ? int(std::min(std::ceil(streak), 128.0)) : 1;
        const float weight = 1.0f / float(steps + 1);
        for (int y = r.y; y < r.bottom(); ++y) {
            float *o = out.row(y);
            for (int x = r.x; x < r.right(); ++x, o += 4) {
                const double px = x + 0.5 - cd.x, py = y + 0.5 - cd.y;
                Rgba sum;
                for (int i = 0; i <= steps; ++i) {
                    const double inv = 1 / (1 + (k - 1) * i / steps);
                    const Rgba s = RasterOps::sample(*source, cd.x + px * inv, cd.y + py * inv);
                    sum.r += s.r;
                    sum.g += s.g;
                    sum.b += s.b;
                    sum.a += s.a;
                }
                o[0] = sum.r * weight;
                o[1] = sum.g * weight;
                o[2] = sum.b * weight;
                o[3] = sum.a * weight;
            }
        }
        return true;
    });
}

} // namespace

void BuiltinFilters::registerBlurFilters(EffectRegistry &registry)
{
    const QStringList blur{QString::fromLatin1(FilterCategory::Blur)};

    add(registry, "CIBoxBlur", blur,
        {imageInput("inputImage", "Image"),
         numberInput("inputRadius", "Radius", InputType::Distance, 10,
                     {.minimum = 1, .maximum = 100, .sliderMinimum = 1, .sliderMaximum = 100}, 1)},
        boxBlur);

    // The radius is the standard deviation of the Gaussian, in pixels.
    add(registry, "CIGaussianBlur", blur,
        {imageInput("inputImage", "Image"),
         numberInput("inputRadius", "Radius", InputType::Distance, 10,
                     {.minimum = 0, .sliderMinimum = 0, .sliderMaximum = 100}, 0)},
        [](const EffectFilter &f) {
            const ImageRef input = f.image(QStringLiteral("inputImage"));
            return input ? ImageOps::gaussianBlurred(input, f.number(QStringLiteral("inputRadius")))
                         : nullptr;
        });

    add(registry, "CIMotionBlur", blur,
        {imageInput("inputImage", "Image"),
         numberInput("inputRadius", "Radius", InputType::Distance, 20,
                     {.minimum = 0, .sliderMinimum = 0, .sliderMaximum = 100}, 0),
         numberInput("inputAngle", "Angle", InputType::Angle, 0,
                     {.sliderMinimum = -std::numbers::pi, .sliderMaximum = std::numbers::pi}, 0)},
        motionBlur);

    add(registry, "CIZoomBlur", blur,
        {imageInput("inputImage", "Image"),
         vectorInput("inputCenter", "Center", InputType::Position, EffectVector(150, 150)),
         numberInput("inputAmount", "Amount", InputType::Distance, 20,
                     {.minimum = 0, .sliderMinimum = 0, .sliderMaximum = 200}, 0)},
        zoomBlur);

    // The input plus intensity × (input − input blurred by the radius): edges
    // gain contrast; the result stays inside the input's extent.
    add(registry, "CIUnsharpMask", {QString::fromLatin1(FilterCategory::Sharpen)},
        {imageInput("inputImage", "Image"),
         numberInput("inputRadius", "Radius", InputType::Distance, 2.5,
                     {.minimum = 0, .sliderMinimum = 0, .sliderMaximum = 100}, 0),
         numberInput("inputIntensity", "Intensity", InputType::Scalar, 0.5,
                     {.minimum = 0, .sliderMinimum = 0, .sliderMaximum = 1}, 0)},
        [](const EffectFilter &f) -> ImageRef {
            const ImageRef input = f.image(QStringLiteral("inputImage"));
            if (!input)
                return nullptr;
            const float k = float(f.number(QStringLiteral("inputIntensity")));
            const ImageRef blurred =
                ImageOps::gaussianBlurred(input, f.number(QStringLiteral("inputRadius")));
            if (blurred == input || k == 0)
                return input;
            return ImageOps::combined(
                input, blurred,
                [k](const Rgba &p, const Rgba &b) {
                    return Rgba{p.r + k * (p.r - b.r), p.g + k * (p.g - b.g), p.b + k * (p.b - b.b),
                                p.a + k * (p.a - b.a)};
                },
                input->extent());
        });
}

} // namespace scrivane
