#include "BuiltinFilters.h"

#include "platform/effects/EffectRegistry.h"
#include "platform/effects/ImageOps.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace scrivane {

namespace {

// Rec. 709 luma weights.
constexpr float kLumaR = 0.2125f, kLumaG = 0.7154f, kLumaB = 0.0721f;

float luma(const Rgba &c)
{
    return kLumaR * c.r + kLumaG * c.g + kLumaB * c.b;
}

float mix(float a, float b, float t)
{
    return a + (b - a) * t;
}

// A 3×3 colour matrix applied to the straight colour, alpha kept.
struct Matrix3 {
    float m[9];
    Rgba apply(const Rgba &c) const
    {
        return {m[0] * c.r + m[1] * c.g + m[2] * c.b, m[3] * c.r + m[4] * c.g + m[5] * c.b,
                m[6] * c.r + m[7] * c.g + m[8] * c.b, c.a};
    }
};

ImageRef colorFilter(const EffectFilter &f, ImageOps::ColorMap map)
{
    const ImageRef input = f.image(QStringLiteral("inputImage"));
    return input ? ImageOps::mapColors(input, std::move(map)) : nullptr;
}

QStringList adjustment()
{
    return {QString::fromLatin1(FilterCategory::ColorAdjustment),
            QString::fromLatin1(FilterCategory::NonSquarePixels)};
}

QStringList effect()
{
    return {QString::fromLatin1(FilterCategory::ColorEffect),
            QString::fromLatin1(FilterCategory::NonSquarePixels)};
}

} // namespace

void BuiltinFilters::registerColorFilters(EffectRegistry &registry)
{
    // Saturation mixes each colour with its luma (0 grey, 1 unchanged, more
    // than 1 stronger), brightness is then added and contrast stretches the
    // values about the middle grey.
    add(registry, "CIColorControls", adjustment(),
        {imageInput("inputImage", "Image"),
         numberInput("inputSaturation", "Saturation", InputType::Scalar, 1,
                     {.minimum = 0, .sliderMinimum = 0, .sliderMaximum = 2}, 1),
         numberInput("inputBrightness", "Brightness", InputType::Scalar, 0,
                     {.minimum = -1, .sliderMinimum = -1, .sliderMaximum = 1}, 0),
         numberInput("inputContrast", "Contrast", InputType::Scalar, 1,
                     {.minimum = 0, .sliderMinimum = 0.25, .sliderMaximum = 4}, 1)},
        [](const EffectFilter &f) {
            const float saturation = float(f.number(QStringLiteral("inputSaturation")));
            const float brightness = float(f.number(QStringLiteral("inputBrightness")));
            const float contrast = float(f.number(QStringLiteral("inputContrast")));
            return colorFilter(f, [=](const Rgba &c) {
                const float l = luma(c);
                auto adjust = [&](float v) {
                    return (mix(l, v, saturation) + brightness - 0.5f) * contrast + 0.5f;
                };
                return Rgba{adjust(c.r), adjust(c.g), adjust(c.b), c.a};
            });
        });

    // Each output component is the dot product of the straight input colour
    // (r, g, b, a) with its vector, plus the bias.  A bias with alpha above 0
    // colours the transparent plane around the image too, so the extent is
    // then unbounded.
    add(registry, "CIColorMatrix", adjustment(),
        {imageInput("inputImage", "Image"),
         vectorInput("inputRVector", "Red Vector", InputType::Unspecified, EffectVector(1, 0, 0, 0)),
         vectorInput("inputGVector", "Green Vector", InputType::Unspecified, EffectVector(0, 1, 0, 0)),
         vectorInput("inputBVector", "Blue Vector", InputType::Unspecified, EffectVector(0, 0, 1, 0)),
         vectorInput("inputAVector", "Alpha Vector", InputType::Unspecified, EffectVector(0, 0, 0, 1)),
         vectorInput("inputBiasVector", "Bias Vector", InputType::Unspecified, EffectVector(0, 0, 0, 0))},
        [](const EffectFilter &f) -> ImageRef {
            const ImageRef input = f.image(QStringLiteral("inputImage"));
            if (!input)
                return nullptr;
            const EffectVector rows[4] = {
                f.vector(QStringLiteral("inputRVector")), f.vector(QStringLiteral("inputGVector")),
                f.vector(QStringLiteral("inputBVector")), f.vector(QStringLiteral("inputAVector"))};
            const EffectVector bias = f.vector(QStringLiteral("inputBiasVector"));
            float m[4][4], b[4];
            for (int i = 0; i < 4; ++i) {
                for (int j = 0; j < 4; ++j)
                    m[i][j] = float(rows[i].at(j));
                b[i] = float(bias.at(i));
            }
            const EffectRect extent = bias.w > 0 ? EffectRect::infinite() : input->extent();
            return ImageOps::mapColors(
                input,
                [m, b](const Rgba &c) {
                    float out[4];
                    for (int i = 0; i < 4; ++i)
                        out[i] = m[i][0] * c.r + m[i][1] * c.g + m[i][2] * c.b + m[i][3] * c.a + b[i];
                    return Rgba{out[0], out[1], out[2], out[3]};
                },
                extent);
        });

    // Colour × 2^EV, as opening the lens by EV stops.
    add(registry, "CIExposureAdjust", adjustment(),
        {imageInput("inputImage", "Image"),
         numberInput("inputEV", "EV", InputType::Scalar, 0, {.sliderMinimum = -10, .sliderMaximum = 10}, 0)},
        [](const EffectFilter &f) {
            const float gain = float(std::exp2(std::clamp(f.number(QStringLiteral("inputEV")), -64.0, 64.0)));
            return colorFilter(f, [gain](const Rgba &c) {
                return Rgba{c.r * gain, c.g * gain, c.b * gain, c.a};
            });
        });

    // Each colour component raised to the power.
    add(registry, "CIGammaAdjust", adjustment(),
        {imageInput("inputImage", "Image"),
         numberInput("inputPower", "Power", InputType::Scalar, 1,
                     {.minimum = 0, .sliderMinimum = 0.25, .sliderMaximum = 4}, 1)},
        [](const EffectFilter &f) {
            const float power = float(f.number(QStringLiteral("inputPower")));
            return colorFilter(f, [power](const Rgba &c) {
                auto g = [power](float v) { return v > 0 ? std::pow(v, power) : 0.0f; };
                return Rgba{g(c.r), g(c.g), g(c.b), c.a};
            });
        });

    // A rotation of the colour cube about its grey diagonal: greys stay.
    add(registry, "CIHueAdjust", adjustment(),
        {imageInput("inputImage", "Image"),
         numberInput("inputAngle", "Angle", InputType::Angle, 0,
                     {.sliderMinimum = -std::numbers::pi, .sliderMaximum = std::numbers::pi}, 0)},
        [](const EffectFilter &f) {
            const double angle = f.number(QStringLiteral("inputAngle"));
            const float cs = float(std::cos(angle)), sn = float(std::sin(angle));
            const float a = cs + (1 - cs) / 3;
            const float b = (1 - cs) / 3 - sn / std::numbers::sqrt3_v<float>;
            const float c = (1 - cs) / 3 + sn / std::numbers::sqrt3_v<float>;
            const Matrix3 rotation{{a, b, c, c, a, b, b, c, a}};
            return colorFilter(f, [rotation](const Rgba &in) { return rotation.apply(in); });
        });

    add(registry, "CIColorInvert", effect(), {imageInput("inputImage", "Image")}, [](const EffectFilter &f) {
        return colorFilter(f, [](const Rgba &c) { return Rgba{1 - c.r, 1 - c.g, 1 - c.b, c.a}; });
    });

    // The luma of each pixel mapped onto a ramp from black through the colour
    // (at middle grey) to white, mixed with the input by the intensity.
    add(registry, "CIColorMonochrome", effect(),
        {imageInput("inputImage", "Image"),
         colorInput("inputColor", "Color", EffectColor(0.6, 0.45, 0.3, 1), InputType::OpaqueColor),
         numberInput("inputIntensity", "Intensity", InputType::Scalar, 1,
                     {.minimum = 0, .maximum = 1, .sliderMinimum = 0, .sliderMaximum = 1}, 0)},
        [](const EffectFilter &f) {
            const EffectColor tint = f.color(QStringLiteral("inputColor"));
            const float t[3] = {float(tint.red), float(tint.green), float(tint.blue)};
            const float k = float(f.number(QStringLiteral("inputIntensity")));
            return colorFilter(f, [t, k](const Rgba &c) {
                const float l = std::clamp(luma(c), 0.0f, 1.0f);
                float mono[3];
                for (int i = 0; i < 3; ++i)
                    mono[i] = l < 0.5f ? 2 * l * t[i] : 1 - 2 * (1 - l) * (1 - t[i]);
                return Rgba{mix(c.r, mono[0], k), mix(c.g, mono[1], k), mix(c.b, mono[2], k), c.a};
            });
        });

    // Each component rounded to the nearest of `levels` steps from 0 to 1
    // (black and white stay).
    add(registry, "CIColorPosterize", effect(),
        {imageInput("inputImage", "Image"),
         numberInput("inputLevels", "Levels", InputType::Scalar, 6,
                     {.minimum = 2, .sliderMinimum = 2, .sliderMaximum = 30}, 300)},
        [](const EffectFilter &f) {
            const float steps =
                float(std::max(2.0, std::min(f.number(QStringLiteral("inputLevels")), 65536.0))) - 1;
            return colorFilter(f, [steps](const Rgba &c) {
                auto q = [steps](float v) { return std::round(std::clamp(v, 0.0f, 1.0f) * steps) / steps; };
                return Rgba{q(c.r), q(c.g), q(c.b), c.a};
            });
        });

    // The classic sepia matrix, mixed with the input by the intensity.
    add(registry, "CISepiaTone", effect(),
        {imageInput("inputImage", "Image"),
         numberInput("inputIntensity", "Intensity", InputType::Scalar, 1,
                     {.minimum = 0, .maximum = 1, .sliderMinimum = 0, .sliderMaximum = 1}, 0)},
        [](const EffectFilter &f) {
            const float k = float(f.number(QStringLiteral("inputIntensity")));
            const Matrix3 sepia{{0.393f, 0.769f, 0.189f, 0.349f, 0.686f, 0.168f, 0.272f, 0.534f, 0.131f}};
            return colorFilter(f, [k, sepia](const Rgba &c) {
                const Rgba s = sepia.apply(c);
                return Rgba{mix(c.r, s.r, k), mix(c.g, s.g, k), mix(c.b, s.b, k), c.a};
            });
        });
}

} // namespace scrivane
