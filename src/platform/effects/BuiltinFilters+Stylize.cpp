#include "BuiltinFilters.h"

#include "platform/effects/EffectRegistry.h"
#include "platform/effects/ImageOps.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace scrivane {

namespace {

// The cells of a pixellation: squares of `size` device pixels whose corners
// lie on the centre's grid.  A device pixel belongs to the cell holding its
// centre.
struct CellGrid {
    double origin = 0;
    double size = 1;

    long long cellOf(int pixel) const
    {
        return (long long)std::clamp(std::floor((pixel + 0.5 - origin) / size), -1e15, 1e15);
    }
    // The first pixel of a cell.
    int firstPixel(long long cell) const
    {
        return int(std::clamp(std::ceil(origin + double(cell) * size - 0.5), -1073741824.0, 1073741824.0));
    }
};

ImageRef pixellate(const EffectFilter &f)
{
    const ImageRef input = f.image(QStringLiteral("inputImage"));
    if (!input)
        return nullptr;
    const EffectVector center = f.vector(QStringLiteral("inputCenter"));
    const double size = f.number(QStringLiteral("inputScale"));
    if (!(size > 1))
        return input;
    // The cells that the input touches.
    const EffectRect e = input->extent();
    EffectRect extent = e;
    if (!e.isInfinite() && !e.isEmpty()) {
        const double left = center.x + std::floor((e.x - center.x) / size) * size;
        const double top = center.y + std::floor((e.y - center.y) / size) * size;
        const double right = center.x + std::ceil((e.maxX() - center.x) / size) * size;
        const double bottom = center.y + std::ceil((e.maxY() - center.y) / size) * size;
        extent = EffectRect(left, top, right - left, bottom - top);
    }
    const double cx = center.x, cy = center.y;
    return EffectImage::make(extent, [input, cx, cy, size](FloatRaster &out, double scale) {
        const CellGrid gx{cx * scale, std::max(size * scale, 1.0)};
        const CellGrid gy{cy * scale, std::max(size * scale, 1.0)};
        const PixelRect &r = out.rect();
        const long long c0 = gx.cellOf(r.x), c1 = gx.cellOf(r.right() - 1);
        const long long d0 = gy.cellOf(r.y), d1 = gy.cellOf(r.bottom() - 1);
        const int left = gx.firstPixel(c0), right = gx.firstPixel(c1 + 1);
        const int top = gy.firstPixel(d0), bottom = gy.firstPixel(d1 + 1);
        std::optional<FloatRaster> source =
            input->renderClipped(PixelRect(left, top, right - left, bottom - top), scale);
        if (!source)
            return false;
        const std::size_t columns = std::size_t(c1 - c0 + 1), rows = std::size_t(d1 - d0 + 1);
        if (columns * rows > std::size_t(FloatRaster::kMaxPixels))
            return false;
        // Sums over the pixels of each cell (transparent outside the input),
        // divided by every pixel the cell has.
        std::vector<double> sums(columns * rows * 4, 0.0);
        const PixelRect &s = source->rect();
        for (int y = s.y; y < s.bottom(); ++y) {
            const std::size_t row = std::size_t(gy.cellOf(y) - d0);
            const float *p = source->row(y);
            for (int x = s.x; x < s.right(); ++x, p += 4) {
                double *cell = &sums[(row * columns + std::size_t(gx.cellOf(x) - c0)) * 4];
                for (int k = 0; k < 4; ++k)
                    cell[k] += p[k];
            }
        }
        for (int y = r.y; y < r.bottom(); ++y) {
            const long long cellY = gy.cellOf(y);
            const double height = gy.firstPixel(cellY + 1) - gy.firstPixel(cellY);
            float *o = out.row(y);
            for (int x = r.x; x < r.right(); ++x, o += 4) {
                const long long cellX = gx.cellOf(x);
                const double area = std::max(1.0, height * (gx.firstPixel(cellX + 1) - gx.firstPixel(cellX)));
                const double *cell = &sums[(std::size_t(cellY - d0) * columns + std::size_t(cellX - c0)) * 4];
                for (int k = 0; k < 4; ++k)
                    o[k] = float(cell[k] / area);
            }
        }
        return true;
    });
}

} // namespace

void BuiltinFilters::registerStylizeFilters(EffectRegistry &registry)
{
    const QStringList stylize{QString::fromLatin1(FilterCategory::Stylize)};

    // A glow: the input blurred by the radius, scaled by the intensity and
    // screened over the input, so that light areas bleed into their
    // surroundings (the glow reaches past the input's extent).
    add(registry, "CIBloom", stylize,
        {imageInput("inputImage", "Image"),
         numberInput("inputRadius", "Radius", InputType::Distance, 10,
                     {.minimum = 0, .sliderMinimum = 0, .sliderMaximum = 100}, 0),
         numberInput("inputIntensity", "Intensity", InputType::Scalar, 0.5,
                     {.minimum = 0, .sliderMinimum = 0, .sliderMaximum = 1}, 0)},
        [](const EffectFilter &f) -> ImageRef {
            const ImageRef input = f.image(QStringLiteral("inputImage"));
            if (!input)
                return nullptr;
            const float k = float(f.number(QStringLiteral("inputIntensity")));
            const ImageRef glow = ImageOps::gaussianBlurred(input, f.number(QStringLiteral("inputRadius")));
            if (!(k > 0))
                return input;
            return ImageOps::combined(
                input, glow,
                [k](const Rgba &p, const Rgba &g) {
                    auto screen = [k](float a, float b) { return a + k * b - a * k * b; };
                    return Rgba{screen(p.r, g.r), screen(p.g, g.g), screen(p.b, g.b), screen(p.a, g.a)};
                },
                glow->extent());
        });

    // Squares of `scale` pixels on a grid through the centre, each in the
    // average colour of the pixels it replaces.
    add(registry, "CIPixellate", stylize,
        {imageInput("inputImage", "Image"),
         vectorInput("inputCenter", "Center", InputType::Position, EffectVector(150, 150)),
         numberInput("inputScale", "Scale", InputType::Distance, 8,
                     {.minimum = 1, .sliderMinimum = 1, .sliderMaximum = 100}, 1)},
        pixellate);
}

} // namespace scrivane
