#include "EffectTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;
using namespace scrivane::test;

TEST(GeneratorFilters, CheckerboardAlternatesSquaresFromTheCentre)
{
    auto board = makeFilter("CICheckerboardGenerator", {{"inputCenter", EffectVector(0, 0)},
                                                        {"inputWidth", 4.0},
                                                        {"inputColor0", EffectColor(1, 0, 0)},
                                                        {"inputColor1", EffectColor(0, 0, 1)}});
    const ImageRef out = board->outputImage();
    EXPECT_TRUE(out->extent().isInfinite());
    const FloatRaster r = renderFloat(out, PixelRect(-8, -8, 16, 16));
    for (int y = -8; y < 8; ++y)
        for (int x = -8; x < 8; ++x) {
            const bool first = ((x >= 0 ? x / 4 : (x - 3) / 4) + (y >= 0 ? y / 4 : (y - 3) / 4)) % 2 == 0;
            EXPECT_EQ(r.at(x, y), first ? (Rgba{1, 0, 0, 1}) : (Rgba{0, 0, 1, 1})) << x << "," << y;
        }
    // The default board: white at the centre's lower right, black beside it.
    auto standard = makeFilter("CICheckerboardGenerator", {});
    const FloatRaster s = renderFloat(standard->outputImage(), PixelRect(149, 150, 2, 1));
    EXPECT_EQ(s.at(150, 150), (Rgba{1, 1, 1, 1}));
    EXPECT_EQ(s.at(149, 150), (Rgba{0, 0, 0, 1}));
    // Softer edges blend the colours across the border, evenly on both sides.
    ASSERT_EQ(board->setValue("inputSharpness", 0.5), ValueCheck::Accepted);
    const FloatRaster soft = renderFloat(board->outputImage(), PixelRect(-8, 1, 16, 1));
    EXPECT_NEAR(soft.at(1, 1).r, 1 - soft.at(-2, 1).r, 1e-5);
    EXPECT_GT(soft.at(3, 1).b, 0.1);
}

TEST(GeneratorFilters, ConstantColorAndGradients)
{
    auto constant = makeFilter("CIConstantColorGenerator", {{"inputColor", EffectColor(0, 1, 0, 0.5)}});
    EXPECT_EQ(renderFloat(constant->outputImage(), PixelRect(-1000, 7, 1, 1)).at(-1000, 7),
              (Rgba{0, 0.5f, 0, 0.5f}));

    auto linear = makeFilter("CILinearGradient",
                             {{"inputPoint0", EffectVector(0, 0)}, {"inputPoint1", EffectVector(10, 0)}});
    const FloatRaster l = renderFloat(linear->outputImage(), PixelRect(-5, 0, 20, 1));
    EXPECT_NEAR(l.at(-5, 0).r, 1, 1e-6);
    EXPECT_NEAR(l.at(4, 0).r, 0.55, 1e-5);
    EXPECT_NEAR(l.at(14, 0).r, 0, 1e-6);
    EXPECT_NEAR(l.at(4, 0).a, 1, 1e-6);

    auto radial =
        makeFilter("CIRadialGradient",
                   {{"inputCenter", EffectVector(0.5, 0.5)}, {"inputRadius0", 2.0}, {"inputRadius1", 6.0}});
    const FloatRaster g = renderFloat(radial->outputImage(), PixelRect(-10, 0, 21, 1));
    EXPECT_NEAR(g.at(0, 0).r, 1, 1e-6);
    EXPECT_NEAR(g.at(4, 0).r, 0.5, 1e-5);
    EXPECT_NEAR(g.at(-4, 0).r, 0.5, 1e-5);
    EXPECT_NEAR(g.at(9, 0).r, 0, 1e-6);
}
