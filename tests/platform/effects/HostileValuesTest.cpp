#include "EffectTestSupport.h"

#include <gtest/gtest.h>

using namespace scrivane;
using namespace scrivane::test;

// Documents are untrusted: any finite value may be stored in an input.  Such
// values must neither crash nor hang nor exhaust memory, and whatever is
// drawn must be valid premultiplied pixels.
TEST(HostileValues, AbsurdFiniteInputsStillRenderSafely)
{
    const double huge = 1e300, tiny = 1e-300;
    struct Case {
        const char *filter;
        std::initializer_list<std::pair<const char *, EffectValue>> values;
    } cases[] = {
        {"CIGaussianBlur", {{"inputRadius", huge}}},
        {"CIGaussianBlur", {{"inputRadius", 5000.0}}},
        {"CIBoxBlur", {{"inputRadius", huge}}},
        {"CIMotionBlur", {{"inputRadius", huge}, {"inputAngle", huge}}},
        {"CIZoomBlur", {{"inputAmount", tiny}, {"inputCenter", EffectVector(huge, -huge)}}},
        {"CIZoomBlur", {{"inputAmount", huge}}},
        {"CIPixellate", {{"inputScale", huge}, {"inputCenter", EffectVector(huge, huge)}}},
        {"CIPixellate", {{"inputScale", 1.5}, {"inputCenter", EffectVector(1e12, -1e12)}}},
        {"CIColorMatrix",
         {{"inputRVector", EffectVector(1e308, -1e308, 1e308, 0)},
          {"inputBiasVector", EffectVector(-1e308, 0, 0, 1e308)}}},
        {"CIAffineTransform", {{"inputTransform", EffectTransform(1e308, 1e308, 1e308, -1e308, 1e308, 0)}}},
        {"CIAffineTransform", {{"inputTransform", EffectTransform(tiny, 0, 0, tiny, 0, 0)}}},
        {"CITwirlDistortion", {{"inputRadius", huge}, {"inputAngle", huge}}},
        {"CIBumpDistortion", {{"inputRadius", tiny}, {"inputScale", huge}}},
        {"CIPerspectiveTransform",
         {{"inputTopLeft", EffectVector(huge, 0)}, {"inputTopRight", EffectVector(0, huge)}}},
        {"CICrop", {{"inputRectangle", EffectVector(-huge, 3, huge, tiny)}}},
        {"CIExposureAdjust", {{"inputEV", huge}}},
        {"CIGammaAdjust", {{"inputPower", -huge}}},
        {"CIColorPosterize", {{"inputLevels", huge}}},
        {"CIUnsharpMask", {{"inputRadius", huge}, {"inputIntensity", huge}}},
        {"CIBloom", {{"inputRadius", huge}, {"inputIntensity", -huge}}},
        {"CICheckerboardGenerator", {{"inputWidth", tiny}, {"inputCenter", EffectVector(huge, huge)}}},
        {"CIRadialGradient", {{"inputRadius0", huge}, {"inputRadius1", -huge}}},
        {"CILinearGradient",
         {{"inputPoint0", EffectVector(huge, huge)}, {"inputPoint1", EffectVector(-huge, -huge)}}},
        {"CIDissolveTransition", {{"inputTime", huge}}},
    };
    const ImageRef source = imageOf(16, 16, [](int x, int y) { return Rgba{x / 16.0f, y / 16.0f, 0.5f, 1}; });
    for (const Case &c : cases) {
        auto f = makeFilter(c.filter, c.values);
        if (f->hasInput("inputImage"))
            f->setValue("inputImage", source);
        const ImageRef out = f->outputImage();
        ASSERT_TRUE(out) << c.filter;
        const RenderedImage r = out->render(EffectRect(0, 0, 16, 16), 1);
        if (r.isNull())
            continue;
        for (int y = 0; y < r.pixels.height(); ++y)
            for (int x = 0; x < r.pixels.width(); ++x) {
                const std::uint32_t p = r.pixels.pixel(x, y);
                const std::uint32_t a = p >> 24;
                EXPECT_TRUE(((p >> 16) & 0xff) <= a && ((p >> 8) & 0xff) <= a && (p & 0xff) <= a) << c.filter;
            }
    }
}
