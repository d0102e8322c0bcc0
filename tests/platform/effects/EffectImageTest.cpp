#include "EffectTestSupport.h"

#include "platform/effects/ImageOps.h"

#include <gtest/gtest.h>

#include <cairo.h>

#include <cstring>

using namespace scrivane;
using namespace scrivane::test;

namespace {

// A 4 × 3 surface with a distinct pixel at each place.
cairo_surface_t *patternSurface()
{
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 4, 3);
    unsigned char *data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const std::uint32_t alpha = 0x40 + 0x10 * std::uint32_t(x + 4 * y);
            const std::uint32_t v =
                alpha << 24 | std::uint32_t(x * 0x20) << 16 | std::uint32_t(y * 0x30) << 8 | 0x10;
            std::memcpy(data + y * stride + x * 4, &v, 4);
        }
    cairo_surface_mark_dirty(surface);
    return surface;
}

std::uint32_t surfacePixel(cairo_surface_t *surface, int x, int y)
{
    std::uint32_t v;
    std::memcpy(
        &v, cairo_image_surface_get_data(surface) + y * cairo_image_surface_get_stride(surface) + x * 4, 4);
    return v;
}

} // namespace

TEST(EffectImage, RendersASurfaceBackUnchangedAtScaleOne)
{
    cairo_surface_t *surface = patternSurface();
    const ImageRef image = EffectImage::fromSurface(surface);
    ASSERT_TRUE(image);
    EXPECT_EQ(image->extent(), EffectRect(0, 0, 4, 3));
    const RenderedImage rendered = image->render(image->extent(), 1);
    ASSERT_FALSE(rendered.isNull());
    EXPECT_EQ(rendered.placement, EffectRect(0, 0, 4, 3));
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(rendered.pixels.pixel(x, y), surfacePixel(surface, x, y)) << x << "," << y;
    // The image is a copy: drawing on the surface afterwards changes nothing.
    cairo_t *cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 0, 1, 0);
    cairo_paint(cr);
    cairo_destroy(cr);
    EXPECT_EQ(image->render(image->extent(), 1).pixels.pixel(0, 0), rendered.pixels.pixel(0, 0));
    cairo_surface_destroy(surface);

    EXPECT_EQ(EffectImage::fromSurface(nullptr), nullptr);
}

TEST(EffectImage, RendersTheRequestedRegionClippedToTheExtent)
{
    const ImageRef image = solidImage(10, 10, EffectColor(0, 0, 1), EffectPoint(5, 5));
    struct Case {
        EffectRect region;
        double scale;
        EffectRect placement;
        int width, height;
    } cases[] = {
        {EffectRect(0, 0, 100, 100), 1, EffectRect(5, 5, 10, 10), 10, 10}, // clipped to the extent
        {EffectRect(6.5, 7.25, 2, 2), 1, EffectRect(6, 7, 3, 3), 3, 3},    // rounded outwards
        {EffectRect(5, 5, 10, 10), 2, EffectRect(5, 5, 10, 10), 20, 20},   // twice the pixels
        {EffectRect(5, 5, 10, 10), 0.5, EffectRect(4, 4, 12, 12), 6, 6},   // device pixels of 2 units
    };
    for (const Case &c : cases) {
        const RenderedImage r = image->render(c.region, c.scale);
        ASSERT_FALSE(r.isNull());
        EXPECT_EQ(r.placement, c.placement);
        EXPECT_EQ(r.pixels.width(), c.width);
        EXPECT_EQ(r.pixels.height(), c.height);
    }
    EXPECT_TRUE(image->render(EffectRect(50, 50, 5, 5), 1).isNull()) << "nothing of the image lies there";
    EXPECT_TRUE(image->render(image->extent(), 0).isNull());
}

TEST(EffectImage, ScalesSourcesAndFilterLengthsTogether)
{
    // A 2 × 2 checkerboard of 1-pixel squares rendered at scale 3 shows
    // squares of 3 device pixels.
    const ImageRef image = imageOf(2, 2, [](int x, int y) {
        return (x + y) % 2 ? Rgba{0, 0, 0, 1} : Rgba{1, 1, 1, 1};
    });
    const FloatRaster big = renderFloat(image, PixelRect(0, 0, 6, 6), 3);
    EXPECT_NEAR(big.at(1, 1).r, 1, 1e-6);
    EXPECT_NEAR(big.at(4, 1).r, 0, 1e-6);
    EXPECT_NEAR(big.at(4, 4).r, 1, 1e-6);
    // A blur at scale 2 looks like the blur at scale 1, enlarged.
    auto blur = makeFilter("CIGaussianBlur",
                           {{"inputImage", solidImage(8, 8, EffectColor(1, 1, 1))}, {"inputRadius", 2.0}});
    const ImageRef out = blur->outputImage();
    const FloatRaster one = renderFloat(out, PixelRect(-4, -4, 16, 16), 1);
    const FloatRaster two = renderFloat(out, PixelRect(-8, -8, 32, 32), 2);
    for (int x = -4; x < 12; ++x) {
        const float coarse = one.at(x, 4).a;
        const float fine = (two.at(2 * x, 8).a + two.at(2 * x + 1, 8).a) / 2;
        EXPECT_NEAR(coarse, fine, 0.03) << x;
    }
}

TEST(EffectImage, ExtentsComeFromTheGraphNotFromRendering)
{
    const ImageRef source = solidImage(100, 40, EffectColor(1, 0, 0));
    auto shift = makeFilter("CIAffineTransform", {{"inputImage", source},
                                                  {"inputTransform", EffectTransform::translation(50, 50)}});
    auto blur = makeFilter("CIGaussianBlur", {{"inputImage", shift->outputImage()}, {"inputRadius", 10.0}});
    const double margin = ImageOps::gaussianMargin(10);
    EXPECT_EQ(blur->outputImage()->extent(),
              EffectRect(50 - margin, 50 - margin, 100 + 2 * margin, 40 + 2 * margin));
    auto generator = makeFilter("CICheckerboardGenerator", {});
    EXPECT_TRUE(generator->outputImage()->extent().isInfinite());
    auto crop = makeFilter(
        "CICrop", {{"inputImage", generator->outputImage()}, {"inputRectangle", EffectVector(3, 4, 5, 6)}});
    EXPECT_EQ(crop->outputImage()->extent(), EffectRect(3, 4, 5, 6));
}

TEST(EffectImage, RefusesRendersBeyondTheMemoryCap)
{
    const ImageRef plane = EffectImage::constantColor(EffectColor(1, 1, 1));
    const RenderedImage huge = plane->render(EffectRect(0, 0, 1e6, 1e6), 1);
    EXPECT_TRUE(huge.isNull());
    EXPECT_FALSE(plane->renderRaster(PixelRect(0, 0, 100000, 100000), 1).has_value());
    // A filter whose input cannot be rendered fails instead of crashing.
    auto blur = makeFilter("CIGaussianBlur", {{"inputImage", plane}, {"inputRadius", 1e7}});
    EXPECT_TRUE(blur->outputImage()->render(EffectRect(0, 0, 4, 4), 1).isNull());
}

TEST(EffectImage, KernelsSeeTheEffectSpacePositionOfEachPixel)
{
    const ImageRef image = solidImage(4, 2, EffectColor(1, 1, 1), EffectPoint(10, 20));
    const ImageRef fade = EffectImage::applyKernel(image, [](Rgba &p, EffectPoint where) {
        const float k = float(where.x - 10) / 4;
        p = {p.r * k, p.g * k, p.b * k, p.a * k};
        EXPECT_GE(where.y, 20);
        EXPECT_LE(where.y, 22);
    });
    EXPECT_EQ(fade->extent(), image->extent());
    const FloatRaster at1 = renderFloat(fade, PixelRect(10, 20, 4, 2), 1);
    EXPECT_NEAR(at1.at(10, 20).a, 0.125, 1e-6);
    EXPECT_NEAR(at1.at(13, 21).a, 0.875, 1e-6);
    // At scale 2 the kernel runs on each of the finer pixels at their own place.
    const FloatRaster at2 = renderFloat(fade, PixelRect(20, 40, 8, 4), 2);
    EXPECT_NEAR(at2.at(20, 40).a, 0.0625, 1e-6);
}
