#include "ImageOps.h"

#include "platform/effects/RasterOps.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

namespace scrivane {

ImageRef ImageOps::transformed(const ImageRef &input, const EffectTransform &transform)
{
    if (!input || transform.isIdentity())
        return input;
    if (!transform.inverted())
        return EffectImage::empty();
    return EffectImage::make(
        transform.mapRect(input->extent()), [input, transform](FloatRaster &out, double scale) {
            const EffectTransform device(transform.m11, transform.m12, transform.m21, transform.m22,
                                         transform.tX * scale, transform.tY * scale);
            const PixelRect &r = out.rect();
            const bool shiftOnly = device.m11 == 1 && device.m12 == 0 && device.m21 == 0 && device.m22 == 1 &&
                                   device.tX == std::floor(device.tX) && device.tY == std::floor(device.tY) &&
                                   std::abs(device.tX) < (1 << 29) && std::abs(device.tY) < (1 << 29);
            if (shiftOnly) {
                const int dx = int(device.tX), dy = int(device.tY);
                std::optional<FloatRaster> source =
                    input->renderRaster(PixelRect(r.x - dx, r.y - dy, r.width, r.height), scale);
                if (!source)
                    return false;
                for (int y = r.y; y < r.bottom(); ++y)
                    std::memcpy(out.row(y), source->row(y - dy), out.floatsPerRow() * sizeof(float));
                return true;
            }
            const EffectTransform back = *device.inverted();
            const PixelRect needed = PixelRect::covering(back.mapRect(r.toEffect(1)).grown(2, 2), 1);
            std::optional<FloatRaster> source = input->renderClipped(needed, scale);
            if (!source)
                return false;
            RasterOps::resampleAffine(*source, out, back, RasterOps::supersampling(back));
            return true;
        });
}

ImageRef ImageOps::cropped(const ImageRef &input, const EffectRect &rect)
{
    if (!input || rect.isInfinite())
        return input;
    if (rect.isEmpty())
        return EffectImage::empty();
    return EffectImage::make(
        input->extent().intersected(rect), [input, rect](FloatRaster &out, double scale) {
            std::optional<FloatRaster> source = input->renderRaster(out.rect(), scale);
            if (!source)
                return false;
            out = std::move(*source);
            const double left = rect.x * scale, right = rect.maxX() * scale;
            const double top = rect.y * scale, bottom = rect.maxY() * scale;
            auto coverage = [](int p, double lo, double hi) {
                return float(std::clamp(std::min(p + 1.0, hi) - std::max(double(p), lo), 0.0, 1.0));
            };
            const PixelRect &r = out.rect();
            for (int y = r.y; y < r.bottom(); ++y) {
                const float cy = coverage(y, top, bottom);
                float *p = out.row(y);
                for (int x = r.x; x < r.right(); ++x, p += 4) {
                    const float c = cy * coverage(x, left, right);
                    if (c < 1)
                        for (int k = 0; k < 4; ++k)
                            p[k] *= c;
                }
            }
            return true;
        });
}

double ImageOps::gaussianMargin(double radius)
{
    // The three boxes reach at most 3σ + 3 device pixels.
    return radius > 0 ? 3 * radius + 3 : 0;
}

ImageRef ImageOps::gaussianBlurred(const ImageRef &input, double radius)
{
    if (!input || !(radius > 0))
        return input;
    const double margin = gaussianMargin(radius);
    return EffectImage::make(
        input->extent().grown(margin, margin), [input, radius](FloatRaster &out, double scale) {
            const std::vector<RasterOps::BlurBox> boxes = RasterOps::gaussianBoxes(radius * scale);
            const int spread = RasterOps::reach(boxes);
            std::optional<FloatRaster> source = input->renderClipped(out.rect().grown(spread, spread), scale);
            if (!source)
                return false;
            std::optional<FloatRaster> blurred = RasterOps::separableBlur(*source, boxes, out.rect());
            if (!blurred)
                return false;
            out = std::move(*blurred);
            return true;
        });
}

ImageRef ImageOps::mapColors(const ImageRef &input, ColorMap map)
{
    return input ? mapColors(input, std::move(map), input->extent()) : nullptr;
}

ImageRef ImageOps::mapColors(const ImageRef &input, ColorMap map, const EffectRect &extent)
{
    if (!input)
        return nullptr;
    return EffectImage::make(extent, [input, map = std::move(map)](FloatRaster &out, double scale) {
        std::optional<FloatRaster> source = input->renderRaster(out.rect(), scale);
        if (!source)
            return false;
        out = std::move(*source);
        const PixelRect &r = out.rect();
        for (int y = r.y; y < r.bottom(); ++y) {
            float *p = out.row(y);
            for (int x = 0; x < r.width; ++x, p += 4) {
                const Rgba result =
                    RasterOps::premultiply(map(RasterOps::unpremultiply({p[0], p[1], p[2], p[3]})));
                p[0] = result.r;
                p[1] = result.g;
                p[2] = result.b;
                p[3] = result.a;
            }
        }
        return true;
    });
}

ImageRef ImageOps::combined(const ImageRef &top, const ImageRef &bottom, Blend blend,
                            const EffectRect &extent)
{
    return EffectImage::make(extent, [top, bottom, blend = std::move(blend)](FloatRaster &out, double scale) {
        std::optional<FloatRaster> a =
            top ? top->renderRaster(out.rect(), scale) : FloatRaster::allocate(out.rect());
        if (!a)
            return false;
        std::optional<FloatRaster> b =
            bottom ? bottom->renderRaster(out.rect(), scale) : FloatRaster::allocate(out.rect());
        if (!b)
            return false;
        const PixelRect &r = out.rect();
        for (int y = r.y; y < r.bottom(); ++y) {
            const float *pa = a->row(y);
            const float *pb = b->row(y);
            float *o = out.row(y);
            for (int x = 0; x < r.width; ++x, pa += 4, pb += 4, o += 4) {
                const Rgba v = RasterOps::clampPremultiplied(
                    blend({pa[0], pa[1], pa[2], pa[3]}, {pb[0], pb[1], pb[2], pb[3]}));
                o[0] = v.r;
                o[1] = v.g;
                o[2] = v.b;
                o[3] = v.a;
            }
        }
        return true;
    });
}

ImageRef ImageOps::generated(const EffectRect &extent, Shader shade)
{
    return EffectImage::make(extent, [shade = std::move(shade)](FloatRaster &out, double scale) {
        const PixelRect &r = out.rect();
        for (int y = r.y; y < r.bottom(); ++y) {
            float *o = out.row(y);
            const double ey = (y + 0.5) / scale;
            for (int x = r.x; x < r.right(); ++x, o += 4) {
                const Rgba v = shade(EffectPoint((x + 0.5) / scale, ey), scale);
                o[0] = v.r;
                o[1] = v.g;
                o[2] = v.b;
                o[3] = v.a;
            }
        }
        return true;
    });
}

ImageRef ImageOps::warped(const ImageRef &input, const EffectRect &extent, PointMap map, Reach reach,
                          int samples)
{
    if (!input)
        return nullptr;
    return EffectImage::make(extent, [input, map = std::move(map), reach = std::move(reach),
                                      samples](FloatRaster &out, double scale) {
        const EffectRect needed = reach(out.rect().toEffect(scale));
        std::optional<FloatRaster> source =
            input->renderClipped(PixelRect::covering(needed, scale).grown(2, 2), scale);
        if (!source)
            return false;
        if (source->rect().isEmpty()) {
            out.clear();
            return true;
        }
        RasterOps::resampleMapped(
            *source, out,
            [&](double &x, double &y) {
                EffectPoint p(x / scale, y / scale);
                if (!map(p))
                    return false;
                x = p.x * scale;
                y = p.y * scale;
                return true;
            },
            samples);
        return true;
    });
}

} // namespace scrivane
