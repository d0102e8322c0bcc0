#include "EffectTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;
using namespace scrivane::test;

TEST(DistortionFilters, TwirlTurnsTheInsideOfItsCircleOnly)
{
    const ImageRef stripes = imageOf(41, 41, [](int x, int) {
        return x % 4 < 2 ? Rgba{1, 1, 1, 1} : Rgba{0, 0, 0, 1};
    });
    const FloatRaster in = renderFloat(stripes, PixelRect(0, 0, 41, 41));
    auto still = makeFilter("CITwirlDistortion", {{"inputImage", stripes},
                                                  {"inputCenter", EffectVector(20.5, 20.5)},
                                                  {"inputRadius", 15.0},
                                                  {"inputAngle", 0.0}});
    auto twirl = makeFilter("CITwirlDistortion", {{"inputImage", stripes},
                                                  {"inputCenter", EffectVector(20.5, 20.5)},
                                                  {"inputRadius", 15.0},
                                                  {"inputAngle", M_PI / 2}});
    const FloatRaster s = renderFloat(still->outputImage(), PixelRect(0, 0, 41, 41));
    const FloatRaster t = renderFloat(twirl->outputImage(), PixelRect(0, 0, 41, 41));
    int changedInside = 0;
    for (int y = 0; y < 41; ++y)
        for (int x = 0; x < 41; ++x) {
            EXPECT_LT(difference(s.at(x, y), in.at(x, y)), 1e-5f);
            const double d = std::hypot(x + 0.5 - 20.5, y + 0.5 - 20.5);
            if (d >= 15) {
                EXPECT_LT(difference(t.at(x, y), in.at(x, y)), 1e-5f) << x << "," << y;
            } else if (difference(t.at(x, y), in.at(x, y)) > 0.2f) {
                ++changedInside;
            }
        }
    EXPECT_GT(changedInside, 50);
}

TEST(DistortionFilters, BumpMagnifiesAroundAFixedCentre)
{
    const ImageRef ramp = imageOf(40, 1, [](int x, int) { return Rgba{float(x) / 40, 0, 0, 1}; });
    auto bump = makeFilter("CIBumpDistortion", {{"inputImage", ramp},
                                                {"inputCenter", EffectVector(20, 0.5)},
                                                {"inputRadius", 10.0},
                                                {"inputScale", 0.5}});
    const FloatRaster r = renderFloat(bump->outputImage(), PixelRect(0, 0, 40, 1));
    // Near the centre the ramp is flatter (magnified), far out untouched.
    EXPECT_LT(r.at(21, 0).r - r.at(19, 0).r, 2.0f / 40 * 0.75f);
    EXPECT_NEAR(r.at(5, 0).r, 5.0f / 40, 3e-3);
    EXPECT_NEAR(r.at(20, 0).r + r.at(19, 0).r, 39.0f / 40, 3e-3) << "symmetric about the centre";
    auto flat = makeFilter("CIBumpDistortion", {{"inputImage", ramp}, {"inputScale", 0.0}});
    EXPECT_NEAR(renderFloat(flat->outputImage(), PixelRect(0, 0, 40, 1)).at(13, 0).r, 13.0f / 40, 3e-3);
}

TEST(StylizeFilters, PixellateFillsCellsWithTheirAverage)
{
    const ImageRef ramp = imageOf(8, 4, [](int x, int) { return Rgba{float(x) / 8, 0, 0, 1}; });
    auto pixellate = makeFilter(
        "CIPixellate", {{"inputImage", ramp}, {"inputCenter", EffectVector(0, 0)}, {"inputScale", 4.0}});
    const ImageRef out = pixellate->outputImage();
    EXPECT_EQ(out->extent(), EffectRect(0, 0, 8, 4));
    const FloatRaster r = renderFloat(out, PixelRect(0, 0, 8, 4));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 8; ++x)
            EXPECT_NEAR(r.at(x, y).r, x < 4 ? 1.5f / 8 : 5.5f / 8, 3e-3) << x << "," << y;
    // Cells that the image only partly covers average in the transparency
    // around it, and the extent grows to whole cells.
    ASSERT_EQ(pixellate->setValue("inputCenter", EffectVector(2, 0)), ValueCheck::Accepted);
    EXPECT_EQ(pixellate->outputImage()->extent(), EffectRect(-2, 0, 12, 4));
    EXPECT_NEAR(renderFloat(pixellate->outputImage(), PixelRect(-2, 0, 1, 1)).at(-2, 0).a, 0.5, 1e-5);
}

TEST(StylizeFilters, BloomGlowsPastTheImage)
{
    const ImageRef square = solidImage(10, 10, EffectColor(1, 1, 1));
    auto bloom =
        makeFilter("CIBloom", {{"inputImage", square}, {"inputRadius", 3.0}, {"inputIntensity", 1.0}});
    const ImageRef out = bloom->outputImage();
    EXPECT_GT(out->extent().width, 10);
    const FloatRaster r = renderFloat(out, PixelRect(-5, 0, 20, 1));
    EXPECT_GT(r.at(-2, 0).a, 0.05);
    EXPECT_NEAR(r.at(5, 0).a, 1, 1e-5);
    auto off = makeFilter("CIBloom", {{"inputImage", square}, {"inputIntensity", 0.0}});
    EXPECT_EQ(off->outputImage(), square);
}
