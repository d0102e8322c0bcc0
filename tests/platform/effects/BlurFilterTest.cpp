#include "EffectTestSupport.h"

#include "platform/effects/RasterOps.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;
using namespace scrivane::test;

namespace {

// One opaque white pixel at (0, 0).
ImageRef dot()
{
    return solidImage(1, 1, EffectColor(1, 1, 1));
}

struct Moments {
    double total = 0, meanX = 0, meanY = 0, varianceX = 0, varianceY = 0;
};

Moments moments(const FloatRaster &r)
{
    Moments m;
    for (int y = r.rect().y; y < r.rect().bottom(); ++y)
        for (int x = r.rect().x; x < r.rect().right(); ++x) {
            const double a = r.at(x, y).a;
            m.total += a;
            m.meanX += a * x;
            m.meanY += a * y;
        }
    m.meanX /= m.total;
    m.meanY /= m.total;
    for (int y = r.rect().y; y < r.rect().bottom(); ++y)
        for (int x = r.rect().x; x < r.rect().right(); ++x) {
            const double a = r.at(x, y).a;
            m.varianceX += a * (x - m.meanX) * (x - m.meanX);
            m.varianceY += a * (y - m.meanY) * (y - m.meanY);
        }
    m.varianceX /= m.total;
    m.varianceY /= m.total;
    return m;
}

} // namespace

TEST(BlurFilters, GaussianBlurIsSymmetricKeepsTheTotalAndHasTheRadiusAsDeviation)
{
    for (double radius : {0.7, 3.0, 10.0, 10.4}) {
        auto blur = makeFilter("CIGaussianBlur", {{"inputImage", dot()}, {"inputRadius", radius}});
        const ImageRef out = blur->outputImage();
        const PixelRect area = out->deviceExtent(1);
        const FloatRaster r = renderFloat(out, area);
        const Moments m = moments(r);
        EXPECT_NEAR(m.total, 1, 1e-3) << radius;
        EXPECT_NEAR(m.meanX, 0, 1e-3) << radius;
        EXPECT_NEAR(m.meanY, 0, 1e-3) << radius;
        EXPECT_NEAR(std::sqrt(m.varianceX), radius, 0.02 * radius + 0.02) << radius;
        EXPECT_NEAR(std::sqrt(m.varianceY), radius, 0.02 * radius + 0.02) << radius;
        for (int d = 1; d < area.right(); ++d) {
            EXPECT_NEAR(r.at(d, 0).a, r.at(-d, 0).a, 1e-5) << radius << " at " << d;
            EXPECT_NEAR(r.at(0, d).a, r.at(0, -d).a, 1e-5) << radius << " at " << d;
            EXPECT_NEAR(r.at(d, 0).a, r.at(0, d).a, 1e-5) << radius << " at " << d;
        }
        // Nothing spreads past the extent.
        const FloatRaster wider = renderFloat(out, area.grown(4, 4));
        EXPECT_NEAR(moments(wider).total, m.total, 1e-6);
    }
    // A radius of 0 is the input itself.
    auto none = makeFilter("CIGaussianBlur", {{"inputImage", dot()}, {"inputRadius", 0.0}});
    EXPECT_EQ(none->outputImage(), none->image("inputImage"));
}

TEST(BlurFilters, GaussianBlurKeepsAFlatAreaFlat)
{
    auto blur = makeFilter("CIGaussianBlur", {{"inputImage", solidImage(60, 60, EffectColor(0.2, 0.4, 0.6))},
                                              {"inputRadius", 5.0}});
    const FloatRaster r = renderFloat(blur->outputImage(), PixelRect(20, 20, 20, 20));
    for (int y = 20; y < 40; ++y)
        for (int x = 20; x < 40; ++x)
            EXPECT_LT(difference(r.at(x, y), Rgba{0.2f, 0.4f, 0.6f, 1}), 2e-3f) << x << "," << y;
}

TEST(BlurFilters, BoxBlurAveragesASquare)
{
    // Radius 2: a square of 3 × 3 pixels.
    auto box = makeFilter("CIBoxBlur", {{"inputImage", dot()}, {"inputRadius", 2.0}});
    const FloatRaster r = renderFloat(box->outputImage(), PixelRect(-3, -3, 7, 7));
    for (int y = -3; y < 4; ++y)
        for (int x = -3; x < 4; ++x)
            EXPECT_NEAR(r.at(x, y).a, std::abs(x) <= 1 && std::abs(y) <= 1 ? 1.0 / 9 : 0.0, 1e-5)
                << x << "," << y;
    // Radius 1, the identity of the filter, changes nothing.
    auto identity = makeFilter("CIBoxBlur", {{"inputImage", dot()}, {"inputRadius", 1.0}});
    EXPECT_NEAR(renderFloat(identity->outputImage(), PixelRect(0, 0, 1, 1)).at(0, 0).a, 1, 1e-6);
}

TEST(BlurFilters, MotionBlurSpreadsAlongItsAngleOnly)
{
    auto horizontal =
        makeFilter("CIMotionBlur", {{"inputImage", dot()}, {"inputRadius", 4.0}, {"inputAngle", 0.0}});
    const FloatRaster h = renderFloat(horizontal->outputImage(), PixelRect(-6, -6, 13, 13));
    Moments m = moments(h);
    EXPECT_NEAR(m.total, 1, 1e-3);
    EXPECT_NEAR(m.varianceY, 0, 1e-6);
    EXPECT_GT(m.varianceX, 4);
    for (int d = 1; d <= 5; ++d)
        EXPECT_NEAR(h.at(d, 0).a, h.at(-d, 0).a, 1e-5);

    auto vertical =
        makeFilter("CIMotionBlur", {{"inputImage", dot()}, {"inputRadius", 4.0}, {"inputAngle", M_PI / 2}});
    m = moments(renderFloat(vertical->outputImage(), PixelRect(-6, -6, 13, 13)));
    EXPECT_NEAR(m.varianceX, 0, 1e-3);
    EXPECT_GT(m.varianceY, 4);
}

TEST(BlurFilters, ZoomBlurStreaksAwayFromTheCentre)
{
    // A ring of pixels around the centre stays symmetric; the centre itself
    // does not move.
    const ImageRef square = imageOf(21, 21, [](int x, int y) {
        return (x == 10 && y == 10) || x == 3 || x == 17 ? Rgba{1, 1, 1, 1} : Rgba{};
    });
    auto zoom = makeFilter(
        "CIZoomBlur",
        {{"inputImage", square}, {"inputCenter", EffectVector(10.5, 10.5)}, {"inputAmount", 50.0}});
    const ImageRef out = zoom->outputImage();
    EXPECT_TRUE(out->extent().united(square->extent()) == out->extent());
    EXPECT_GT(out->extent().width, 21);
    const FloatRaster r = renderFloat(out, out->deviceExtent(1));
    EXPECT_NEAR(r.at(10, 10).a, 1, 1e-5);
    for (int d = 1; d < 14; ++d)
        EXPECT_NEAR(r.at(10 + d, 10).a, r.at(10 - d, 10).a, 1e-4) << d;
    // The outer columns smear outwards (to larger distances), not inwards.
    EXPECT_GT(r.at(19, 10).a, 0.01);
    EXPECT_NEAR(r.at(15, 10).a, 0, 1e-5);
}

TEST(BlurFilters, UnsharpMaskSteepensEdgesAndKeepsFlatAreas)
{
    const ImageRef step = imageOf(40, 30, [](int x, int) {
        return x < 20 ? Rgba{0.25f, 0.25f, 0.25f, 1} : Rgba{0.75f, 0.75f, 0.75f, 1};
    });
    auto sharpen =
        makeFilter("CIUnsharpMask", {{"inputImage", step}, {"inputRadius", 2.0}, {"inputIntensity", 1.0}});
    const ImageRef out = sharpen->outputImage();
    EXPECT_EQ(out->extent(), step->extent());
    const FloatRaster r = renderFloat(out, PixelRect(0, 0, 40, 30));
    // Far (three radii and more) from the edge and from the image's border.
    EXPECT_NEAR(r.at(10, 15).r, 0.25, 3e-3);
    EXPECT_NEAR(r.at(30, 15).r, 0.75, 3e-3);
    EXPECT_LT(r.at(19, 15).r, 0.2);
    EXPECT_GT(r.at(20, 15).r, 0.8);
}
