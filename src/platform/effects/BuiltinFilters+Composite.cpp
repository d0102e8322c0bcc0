#include "BuiltinFilters.h"

#include "platform/effects/EffectRegistry.h"
#include "platform/effects/ImageOps.h"

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

// A separable blend mode on premultiplied pixels: the top (source) image
// over the background with the mode's mixing function B(background,
// source) applied where both cover:
//   colour = top·(1 − αb) + background·(1 − αt) + αt·αb·B(Cb, Ct)
//   alpha  = αt + αb − αt·αb
template <typename Mode> Rgba blend(const Rgba &top, const Rgba &bottom, Mode mode)
{
    const Rgba t = top, b = bottom;
    const float ta = t.a, ba = b.a;
    auto channel = [&](float tc, float bc) {
        const float ct = ta > 0 ? tc / ta : 0;
        const float cb = ba > 0 ? bc / ba : 0;
        return tc * (1 - ba) + bc * (1 - ta) + ta * ba * mode(cb, ct);
    };
    return {channel(t.r, b.r), channel(t.g, b.g), channel(t.b, b.b), ta + ba - ta * ba};
}

BuiltinFilters::Output composite(ImageOps::Blend op)
{
    return [op](const EffectFilter &f) -> ImageRef {
        const ImageRef top = f.image(QStringLiteral("inputImage"));
        if (!top)
            return nullptr;
        // No background composites over nothing.
        const ImageRef bottom = f.image(QStringLiteral("inputBackgroundImage"));
        if (!bottom)
            return top;
        return ImageOps::combined(top, bottom, op, top->extent().united(bottom->extent()));
    };
}

} // namespace

void BuiltinFilters::registerCompositeFilters(EffectRegistry &registry)
{
    const QStringList composite{QString::fromLatin1(FilterCategory::CompositeOperation),
                                QString::fromLatin1(FilterCategory::NonSquarePixels)};
    const std::vector<InputAttribute> images{imageInput("inputImage", "Image"),
                                             imageInput("inputBackgroundImage", "Background Image")};

    add(registry, "CIDifferenceBlendMode", composite, images,
        ::scrivane::composite([](const Rgba &t, const Rgba &b) {
            return blend(t, b, [](float cb, float ct) { return std::abs(cb - ct); });
        }));
    add(registry, "CIMultiplyBlendMode", composite, images,
        ::scrivane::composite([](const Rgba &t, const Rgba &b) {
            return blend(t, b, [](float cb, float ct) { return cb * ct; });
        }));
    add(registry, "CIScreenBlendMode", composite, images,
        ::scrivane::composite([](const Rgba &t, const Rgba &b) {
            return blend(t, b, [](float cb, float ct) { return cb + ct - cb * ct; });
        }));
    // Porter-Duff over: top + background × (1 − top alpha).
    add(registry, "CISourceOverCompositing", composite, images,
        ::scrivane::composite([](const Rgba &t, const Rgba &b) {
            const float k = 1 - t.a;
            return Rgba{t.r + b.r * k, t.g + b.g * k, t.b + b.b * k, t.a + b.a * k};
        }));

    // The image fading into the target as the time runs from 0 to 1.
    add(registry, "CIDissolveTransition", {QString::fromLatin1(FilterCategory::Transition)},
        {imageInput("inputImage", "Image"), imageInput("inputTargetImage", "Target Image"),
         numberInput("inputTime", "Time", InputType::Time, 0,
                     {.minimum = 0, .maximum = 1, .sliderMinimum = 0, .sliderMaximum = 1}, 0)},
        [](const EffectFilter &f) -> ImageRef {
            const ImageRef image = f.image(QStringLiteral("inputImage"));
            if (!image)
                return nullptr;
            const ImageRef target = f.image(QStringLiteral("inputTargetImage"));
            const float t = float(std::clamp(f.number(QStringLiteral("inputTime")), 0.0, 1.0));
            if (t == 0)
                return image;
            const EffectRect extent = target ? image->extent().united(target->extent()) : image->extent();
            return ImageOps::combined(
                image, target,
                [t](const Rgba &a, const Rgba &b) {
                    return Rgba{a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t,
                                a.a + (b.a - a.a) * t};
                },
                extent);
        });
}

} // namespace scrivane
