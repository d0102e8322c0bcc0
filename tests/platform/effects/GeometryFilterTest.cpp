#include "EffectTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;
using namespace scrivane::test;

namespace {

// 3 × 2 pixels of distinct colours.
Rgba patternPixel(int x, int y)
{
    return {float(x) / 4, float(y) / 2, 0.5f, 1};
}

ImageRef pattern()
{
    return imageOf(3, 2, patternPixel);
}

} // namespace

TEST(GeometryFilters, AffineTransformMovesScalesAndTurnsPixels)
{
    const FloatRaster source = renderFloat(pattern(), PixelRect(0, 0, 3, 2));
    // A whole-pixel move keeps every pixel exactly.
    auto move = makeFilter("CIAffineTransform", {{"inputImage", pattern()},
                                                 {"inputTransform", EffectTransform::translation(5, -2)}});
    EXPECT_EQ(move->outputImage()->extent(), EffectRect(5, -2, 3, 2));
    const FloatRaster moved = renderFloat(move->outputImage(), PixelRect(5, -2, 3, 2));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_EQ(moved.at(x + 5, y - 2), source.at(x, y));

    // A quarter turn: (x, y) → (−y, x).
    auto turn = makeFilter("CIAffineTransform", {{"inputImage", pattern()},
                                                 {"inputTransform", EffectTransform(0, 1, -1, 0, 0, 0)}});
    EXPECT_EQ(turn->outputImage()->extent(), EffectRect(-2, 0, 2, 3));
    const FloatRaster turned = renderFloat(turn->outputImage(), PixelRect(-2, 0, 2, 3));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_LT(difference(turned.at(-y - 1, x), source.at(x, y)), 1e-5f) << x << "," << y;

    // Twice the size: the extent doubles and device pixel (2, 1), whose
    // centre falls on source point (1.25, 0.75), mixes its four neighbours
    // bilinearly.
    auto grow = makeFilter("CIAffineTransform",
                           {{"inputImage", pattern()}, {"inputTransform", EffectTransform::scaling(2, 2)}});
    EXPECT_EQ(grow->outputImage()->extent(), EffectRect(0, 0, 6, 4));
    const FloatRaster grown = renderFloat(grow->outputImage(), PixelRect(0, 0, 6, 4));
    EXPECT_LT(difference(grown.at(2, 1), Rgba{0.75f * 0.25f, 0.25f * 0.5f, 0.5f, 1}), 3e-3f);

    // A transform that flattens the plane leaves nothing.
    auto flat = makeFilter("CIAffineTransform", {{"inputImage", pattern()},
                                                 {"inputTransform", EffectTransform(1, 1, 1, 1, 0, 0)}});
    EXPECT_TRUE(flat->outputImage()->extent().isEmpty());
}

TEST(GeometryFilters, CropKeepsTheRectangleAndCoversCutPixelsByArea)
{
    auto crop =
        makeFilter("CICrop", {{"inputImage", pattern()}, {"inputRectangle", EffectVector(1, 0, 5, 1)}});
    EXPECT_EQ(crop->outputImage()->extent(), EffectRect(1, 0, 2, 1));
    const FloatRaster r = renderFloat(crop->outputImage(), PixelRect(0, 0, 3, 2));
    EXPECT_EQ(r.at(0, 0), Rgba{});
    EXPECT_EQ(r.at(1, 1), Rgba{});
    EXPECT_LT(difference(r.at(2, 0), patternPixel(2, 0)), 3e-3f);

    auto half =
        makeFilter("CICrop", {{"inputImage", pattern()}, {"inputRectangle", EffectVector(0.5, 0, 1, 1)}});
    const FloatRaster h = renderFloat(half->outputImage(), PixelRect(0, 0, 2, 1));
    EXPECT_NEAR(h.at(0, 0).a, 0.5, 1e-6);
    EXPECT_NEAR(h.at(1, 0).a, 0.5, 1e-6);
}

TEST(GeometryFilters, PerspectiveTransformMapsTheCorners)
{
    const ImageRef square = solidImage(10, 10, EffectColor(1, 1, 1));
    // Corners on the image's own corners: nothing moves.
    auto same = makeFilter("CIPerspectiveTransform", {{"inputImage", square},
                                                      {"inputBottomLeft", EffectVector(0, 0)},
                                                      {"inputBottomRight", EffectVector(10, 0)},
                                                      {"inputTopRight", EffectVector(10, 10)},
                                                      {"inputTopLeft", EffectVector(0, 10)}});
    const FloatRaster r = renderFloat(same->outputImage(), PixelRect(0, 0, 10, 10));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_NEAR(r.at(x, y).a, 1, 1e-4) << x << "," << y;

    // A trapezoid narrower at the larger y: the extent is the corners' box,
    // the narrow end keeps its corners and the outside stays transparent.
    auto taper = makeFilter("CIPerspectiveTransform", {{"inputImage", square},
                                                       {"inputBottomLeft", EffectVector(0, 0)},
                                                       {"inputBottomRight", EffectVector(40, 0)},
                                                       {"inputTopRight", EffectVector(30, 20)},
                                                       {"inputTopLeft", EffectVector(10, 20)}});
    const ImageRef out = taper->outputImage();
    EXPECT_EQ(out->extent(), EffectRect(0, 0, 40, 20));
    const FloatRaster t = renderFloat(out, PixelRect(0, 0, 40, 20));
    EXPECT_NEAR(t.at(20, 10).a, 1, 1e-4);
    EXPECT_NEAR(t.at(15, 16).a, 1, 1e-4);
    EXPECT_NEAR(t.at(2, 18).a, 0, 1e-4);
    EXPECT_NEAR(t.at(38, 18).a, 0, 1e-4);
}
