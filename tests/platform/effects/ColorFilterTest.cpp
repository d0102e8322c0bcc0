#include "EffectTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;
using namespace scrivane::test;

namespace {

// A small image with a spread of colours and alphas (premultiplied).
const Rgba kSamples[] = {
    {0.8f, 0.4f, 0.2f, 1}, {0.1f, 0.5f, 0.9f, 1}, {0.3f, 0.15f, 0.05f, 0.5f},
    {0, 0, 0, 0},          {0.5f, 0.5f, 0.5f, 1}, {1, 1, 1, 1},
};

ImageRef samples()
{
    return imageOf(6, 1, [](int x, int) { return kSamples[x]; });
}

// The straight colour of each sample after `filter` with `values`.
std::vector<Rgba> apply(const char *filter,
                        std::initializer_list<std::pair<const char *, EffectValue>> values,
                        ImageRef input = samples())
{
    auto f = makeFilter(filter, values);
    EXPECT_EQ(f->setValue("inputImage", input), ValueCheck::Accepted);
    const FloatRaster r = renderFloat(f->outputImage(), PixelRect(0, 0, 6, 1));
    std::vector<Rgba> out;
    for (int x = 0; x < 6; ++x) {
        const Rgba p = r.at(x, 0);
        out.push_back(p.a > 0 ? Rgba{p.r / p.a, p.g / p.a, p.b / p.a, p.a} : Rgba{});
    }
    return out;
}

std::vector<Rgba> original()
{
    return apply("CIColorControls", {});
}

void expectSame(const std::vector<Rgba> &a, const std::vector<Rgba> &b, float tolerance, const char *what)
{
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_LT(difference(a[i], b[i]), tolerance) << what << " sample " << i;
}

} // namespace

TEST(ColorFilters, DefaultsAndIdentitiesChangeNothing)
{
    const std::vector<Rgba> in = original();
    struct Case {
        const char *filter;
        std::initializer_list<std::pair<const char *, EffectValue>> values;
    } cases[] = {
        {"CIColorMatrix", {}},
        {"CIExposureAdjust", {}},
        {"CIGammaAdjust", {}},
        {"CIHueAdjust", {}},
        {"CIHueAdjust", {{"inputAngle", 2 * M_PI}}},
        {"CIColorMonochrome", {{"inputIntensity", 0.0}}},
        {"CISepiaTone", {{"inputIntensity", 0.0}}},
        {"CIColorPosterize", {{"inputLevels", 256.0}}},
    };
    for (const Case &c : cases)
        expectSame(apply(c.filter, c.values), in, 3e-3f, c.filter);
    // Inverting twice is the identity.
    auto invert = makeFilter("CIColorInvert", {{"inputImage", samples()}});
    auto again = makeFilter("CIColorInvert", {{"inputImage", invert->outputImage()}});
    const FloatRaster twice = renderFloat(again->outputImage(), PixelRect(0, 0, 6, 1));
    const FloatRaster once = renderFloat(samples(), PixelRect(0, 0, 6, 1));
    for (int x = 0; x < 6; ++x)
        EXPECT_LT(difference(twice.at(x, 0), once.at(x, 0)), 1e-5f) << x;
}

TEST(ColorFilters, ColorMatrixWeighsStraightComponents)
{
    const std::vector<Rgba> in = original();
    // Swap red and blue, halve alpha, add 0.1 green.
    const std::vector<Rgba> out = apply("CIColorMatrix", {{"inputRVector", EffectVector(0, 0, 1, 0)},
                                                          {"inputBVector", EffectVector(1, 0, 0, 0)},
                                                          {"inputAVector", EffectVector(0, 0, 0, 0.5)},
                                                          {"inputBiasVector", EffectVector(0, 0.1, 0, 0)}});
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i].a == 0) {
            EXPECT_EQ(out[i].a, 0) << "transparent stays transparent";
            continue;
        }
        EXPECT_NEAR(out[i].r, in[i].b, 3e-3) << i;
        EXPECT_NEAR(out[i].b, in[i].r, 3e-3) << i;
        EXPECT_NEAR(out[i].g, std::min(1.0f, in[i].g + 0.1f), 3e-3) << i;
        EXPECT_NEAR(out[i].a, in[i].a / 2, 3e-3) << i;
    }
    // An alpha bias colours the plane around the image: the extent has no end.
    auto fill = makeFilter("CIColorMatrix",
                           {{"inputImage", samples()}, {"inputBiasVector", EffectVector(0, 0, 1, 1)}});
    EXPECT_TRUE(fill->outputImage()->extent().isInfinite());
    const FloatRaster far = renderFloat(fill->outputImage(), PixelRect(100, 100, 1, 1));
    EXPECT_EQ(far.at(100, 100), (Rgba{0, 0, 1, 1}));
}

TEST(ColorFilters, AdjustmentsFollowTheirFormulas)
{
    const std::vector<Rgba> in = original();
    const std::vector<Rgba> grey = apply("CIColorControls", {{"inputSaturation", 0.0}});
    const std::vector<Rgba> brighter = apply("CIColorControls", {{"inputBrightness", 0.1}});
    const std::vector<Rgba> contrast = apply("CIColorControls", {{"inputContrast", 2.0}});
    const std::vector<Rgba> exposure = apply("CIExposureAdjust", {{"inputEV", -1.0}});
    const std::vector<Rgba> gamma = apply("CIGammaAdjust", {{"inputPower", 2.0}});
    const std::vector<Rgba> hue = apply("CIHueAdjust", {{"inputAngle", 2 * M_PI / 3}});
    const std::vector<Rgba> poster = apply("CIColorPosterize", {{"inputLevels", 2.0}});
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i].a == 0)
            continue;
        const Rgba c = in[i];
        const float luma = 0.2125f * c.r + 0.7154f * c.g + 0.0721f * c.b;
        EXPECT_NEAR(grey[i].r, luma, 3e-3) << i;
        EXPECT_NEAR(grey[i].b, luma, 3e-3) << i;
        EXPECT_NEAR(brighter[i].g, std::min(1.0f, c.g + 0.1f), 3e-3) << i;
        EXPECT_NEAR(contrast[i].r, std::clamp((c.r - 0.5f) * 2 + 0.5f, 0.0f, 1.0f), 6e-3) << i;
        EXPECT_NEAR(exposure[i].r, c.r / 2, 3e-3) << i;
        EXPECT_NEAR(gamma[i].g, c.g * c.g, 3e-3) << i;
        // A third of a turn about the grey axis moves red to green, green to
        // blue and blue to red.
        EXPECT_NEAR(hue[i].g, c.r, 3e-3) << i;
        EXPECT_NEAR(hue[i].b, c.g, 3e-3) << i;
        EXPECT_NEAR(hue[i].r, c.b, 3e-3) << i;
        for (float v : {poster[i].r, poster[i].g, poster[i].b})
            EXPECT_TRUE(v == 0 || v == 1) << i;
        EXPECT_EQ(grey[i].a, c.a) << "alpha is kept";
    }
}

TEST(ColorFilters, EffectsMapOntoTheirTones)
{
    const std::vector<Rgba> in = original();
    const std::vector<Rgba> sepia = apply("CISepiaTone", {});
    const std::vector<Rgba> mono = apply("CIColorMonochrome", {});
    const std::vector<Rgba> invert = apply("CIColorInvert", {});
    // White becomes the sepia matrix's row sums (clamped); middle grey maps
    // onto the monochrome colour itself; black and white stay.
    EXPECT_NEAR(sepia[5].r, 1, 1e-3);
    EXPECT_NEAR(sepia[5].b, 0.272 + 0.534 + 0.131, 3e-3);
    EXPECT_NEAR(mono[4].r, 0.6, 6e-3);
    EXPECT_NEAR(mono[4].g, 0.45, 6e-3);
    EXPECT_NEAR(mono[4].b, 0.3, 6e-3);
    EXPECT_NEAR(mono[5].r, 1, 1e-3);
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i].a > 0) {
            EXPECT_NEAR(invert[i].g, 1 - in[i].g, 3e-3) << i;
        }
    }
}
