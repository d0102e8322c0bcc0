#include "EffectTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace scrivane::test {

ImageRef imageOf(int width, int height, const std::function<Rgba(int x, int y)> &pixel, EffectPoint origin)
{
    PixelBuffer buffer(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgba p = pixel(x, y);
            auto byte = [](float v) { return std::uint32_t(std::lround(std::clamp(v, 0.0f, 1.0f) * 255)); };
            buffer.setPixel(x, y, byte(p.a) << 24 | byte(p.r) << 16 | byte(p.g) << 8 | byte(p.b));
        }
    }
    return EffectImage::fromPixels(std::move(buffer), origin);
}

ImageRef solidImage(int width, int height, const EffectColor &color, EffectPoint origin)
{
    const float a = float(color.alpha);
    const Rgba p{float(color.red) * a, float(color.green) * a, float(color.blue) * a, a};
    return imageOf(
        width, height, [p](int, int) { return p; }, origin);
}

std::unique_ptr<EffectFilter> makeFilter(const char *name,
                                         std::initializer_list<std::pair<const char *, EffectValue>> values)
{
    std::unique_ptr<EffectFilter> filter = EffectRegistry::shared().create(QString::fromLatin1(name));
    EXPECT_TRUE(filter) << name;
    if (!filter)
        return filter;
    for (const auto &[key, value] : values)
        EXPECT_EQ(filter->setValue(QString::fromLatin1(key), value), ValueCheck::Accepted)
            << name << " " << key;
    return filter;
}

FloatRaster renderFloat(const ImageRef &image, const PixelRect &rect, double scale)
{
    EXPECT_TRUE(image);
    if (!image)
        return {};
    std::optional<FloatRaster> raster = image->renderRaster(rect, scale);
    EXPECT_TRUE(raster.has_value());
    return raster ? std::move(*raster) : FloatRaster();
}

float difference(const Rgba &a, const Rgba &b)
{
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b), std::abs(a.a - b.a)});
}

} // namespace scrivane::test
