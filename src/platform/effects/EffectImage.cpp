#include "EffectImage.h"

#include "platform/effects/RasterOps.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

namespace scrivane {

namespace {

bool usableScale(double scale)
{
    return std::isfinite(scale) && scale > 0;
}

class ComputedImage final : public EffectImage {
public:
    ComputedImage(const EffectRect &extent, Renderer renderer)
        : EffectImage(extent), m_renderer(std::move(renderer))
    {
    }

protected:
    bool renderInto(FloatRaster &out, double scale) const override { return m_renderer(out, scale); }

private:
    Renderer m_renderer;
};

class ConstantImage final : public EffectImage {
public:
    explicit ConstantImage(const EffectColor &color)
        : EffectImage(EffectRect::infinite()), m_pixel(RasterOps::premultiplied(color))
    {
    }

protected:
    bool renderInto(FloatRaster &out, double) const override
    {
        const PixelRect &r = out.rect();
        for (int y = r.y; y < r.bottom(); ++y) {
            float *p = out.row(y);
            for (int x = 0; x < r.width; ++x, p += 4) {
                p[0] = m_pixel.r;
                p[1] = m_pixel.g;
                p[2] = m_pixel.b;
                p[3] = m_pixel.a;
            }
        }
        return true;
    }

private:
    Rgba m_pixel;
};

class EmptyImage final : public EffectImage {
public:
    EmptyImage() : EffectImage(EffectRect()) {}

protected:
    bool renderInto(FloatRaster &out, double) const override
    {
        out.clear();
        return true;
    }
};

// A copy of 8-bit pixels; one pixel is one effect unit.
class BitmapImage final : public EffectImage {
public:
    BitmapImage(PixelBuffer pixels, EffectPoint origin)
        : EffectImage(EffectRect(origin.x, origin.y, pixels.width(), pixels.height())),
          m_pixels(std::move(pixels)), m_origin(origin)
    {
    }

protected:
    bool renderInto(FloatRaster &out, double scale) const override
    {
        const bool aligned =
            scale == 1 && m_origin.x == std::floor(m_origin.x) && m_origin.y == std::floor(m_origin.y);
        if (aligned) {
            // The output lies inside the bitmap: every pixel is written.
            RasterOps::convertPixels(m_pixels, int(m_origin.x), int(m_origin.y), out);
            return true;
        }
        // Resample: the source pixels under the output area, in the
        // bitmap's own pixel grid.  Samples are clamped to the outer pixel
        // centres, so that an enlarged bitmap keeps crisp borders instead of
        // fading into the transparency around it.
        const EffectTransform toSource = EffectTransform::scaling(1 / scale, 1 / scale)
                                             .then(EffectTransform::translation(-m_origin.x, -m_origin.y));
        const double width = m_pixels.width(), height = m_pixels.height();
        const EffectRect needed = toSource.mapRect(out.rect().toEffect(1)).grown(2, 2);
        const PixelRect sourceRect =
            PixelRect::covering(needed, 1).intersected(PixelRect(0, 0, m_pixels.width(), m_pixels.height()));
        if (sourceRect.isEmpty()) {
            out.clear();
            return true;
        }
        std::optional<FloatRaster> source = FloatRaster::allocate(sourceRect, false);
        if (!source)
            return false;
        RasterOps::convertPixels(m_pixels, 0, 0, *source);
        RasterOps::resampleMapped(
            *source, out,
            [&](double &x, double &y) {
                const EffectPoint p = toSource.map(EffectPoint(x, y));
                if (p.x < 0 || p.y < 0 || p.x > width || p.y > height)
                    return false;
                x = std::clamp(p.x, 0.5, width - 0.5);
                y = std::clamp(p.y, 0.5, height - 0.5);
                return true;
            },
            RasterOps::supersampling(toSource));
        return true;
    }

private:
    PixelBuffer m_pixels;
    EffectPoint m_origin;
};

class KernelImage final : public EffectImage {
public:
    KernelImage(ImageRef input, ColorKernel kernel)
        : EffectImage(input->extent()), m_input(std::move(input)), m_kernel(std::move(kernel))
    {
    }

protected:
    bool renderInto(FloatRaster &out, double scale) const override
    {
        std::optional<FloatRaster> source = m_input->renderRaster(out.rect(), scale);
        if (!source)
            return false;
        out = std::move(*source);
        const PixelRect &r = out.rect();
        for (int y = r.y; y < r.bottom(); ++y) {
            float *p = out.row(y);
            const double ey = (y + 0.5) / scale;
            for (int x = r.x; x < r.right(); ++x, p += 4) {
                Rgba pixel{p[0], p[1], p[2], p[3]};
                m_kernel(pixel, EffectPoint((x + 0.5) / scale, ey));
                p[0] = pixel.r;
                p[1] = pixel.g;
                p[2] = pixel.b;
                p[3] = pixel.a;
            }
        }
        return true;
    }

private:
    ImageRef m_input;
    ColorKernel m_kernel;
};

} // namespace

EffectImage::EffectImage(const EffectRect &extent) : m_extent(extent) {}

EffectImage::~EffectImage() = default;

PixelRect EffectImage::deviceExtent(double scale) const
{
    return PixelRect::covering(m_extent, scale);
}

std::optional<FloatRaster> EffectImage::renderRaster(const PixelRect &rect, double scale) const
{
    if (!usableScale(scale))
        return std::nullopt;
    const PixelRect inner = rect.intersected(deviceExtent(scale));
    // Renderers write every pixel, so the raster is only cleared when part
    // of it lies outside the extent.
    std::optional<FloatRaster> out = FloatRaster::allocate(rect, inner != rect);
    if (!out)
        return std::nullopt;
    if (inner.isEmpty())
        return out;
    if (inner == rect) {
        try {
            if (!renderInto(*out, scale))
                return std::nullopt;
        } catch (const std::bad_alloc &) {
            return std::nullopt;
        }
        return out;
    }
    std::optional<FloatRaster> part = renderRaster(inner, scale);
    if (!part)
        return std::nullopt;
    out->copyFrom(*part);
    return out;
}

std::optional<FloatRaster> EffectImage::renderClipped(const PixelRect &rect, double scale) const
{
    if (!usableScale(scale))
        return std::nullopt;
    const PixelRect inner = rect.intersected(deviceExtent(scale));
    if (inner.isEmpty())
        return FloatRaster();
    return renderRaster(inner, scale);
}

RenderedImage EffectImage::render(const EffectRect &region, double scale) const
{
    RenderedImage result;
    result.scale = scale;
    if (!usableScale(scale))
        return result;
    const PixelRect rect = PixelRect::covering(region.intersected(m_extent), scale);
    if (rect.isEmpty() || rect.area() > FloatRaster::kMaxPixels)
        return result;
    std::optional<FloatRaster> raster = renderRaster(rect, scale);
    if (!raster)
        return result;
    result.pixels = RasterOps::toPixels(*raster);
    if (result.pixels.isNull())
        return result;
    result.deviceRect = rect;
    result.placement = rect.toEffect(scale);
    return result;
}

ImageRef EffectImage::fromSurface(cairo_surface_t *surface, EffectPoint origin)
{
    PixelBuffer copy = PixelBuffer::fromSurface(surface);
    if (copy.isNull())
        return nullptr;
    return fromPixels(std::move(copy), origin);
}

ImageRef EffectImage::fromPixels(PixelBuffer pixels, EffectPoint origin)
{
    if (pixels.isNull() || !std::isfinite(origin.x) || !std::isfinite(origin.y))
        return nullptr;
    return std::make_shared<BitmapImage>(std::move(pixels), origin);
}

ImageRef EffectImage::constantColor(const EffectColor &color)
{
    return std::make_shared<ConstantImage>(color);
}

ImageRef EffectImage::empty()
{
    return std::make_shared<EmptyImage>();
}

ImageRef EffectImage::make(const EffectRect &extent, Renderer renderer)
{
    return std::make_shared<ComputedImage>(extent, std::move(renderer));
}

ImageRef EffectImage::applyKernel(const ImageRef &input, ColorKernel kernel)
{
    if (!input || !kernel)
        return input;
    return std::make_shared<KernelImage>(input, std::move(kernel));
}

} // namespace scrivane
