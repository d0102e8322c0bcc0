#include "BuiltinFilters.h"

#include "platform/effects/EffectRegistry.h"
#include "platform/effects/ImageOps.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace scrivane {

namespace {

// A projective map of the plane: (x, y) → ((a x + b y + c) / w, (d x + e y + f) / w)
// with w = g x + h y + 1 (the last element normalised to 1 where possible).
struct Homography {
    std::array<double, 9> m{};

    bool map(double &x, double &y) const
    {
        const double w = m[6] * x + m[7] * y + m[8];
        if (!(w > 1e-12))
            return false;
        const double nx = (m[0] * x + m[1] * y + m[2]) / w;
        const double ny = (m[3] * x + m[4] * y + m[5]) / w;
        x = nx;
        y = ny;
        return std::isfinite(x) && std::isfinite(y);
    }

    std::optional<Homography> inverted() const
    {
        const auto &a = m;
        Homography inv;
        inv.m = {a[4] * a[8] - a[5] * a[7], a[2] * a[7] - a[1] * a[8], a[1] * a[5] - a[2] * a[4],
                 a[5] * a[6] - a[3] * a[8], a[0] * a[8] - a[2] * a[6], a[2] * a[3] - a[0] * a[5],
                 a[3] * a[7] - a[4] * a[6], a[1] * a[6] - a[0] * a[7], a[0] * a[4] - a[1] * a[3]};
        const double det = a[0] * inv.m[0] + a[1] * inv.m[3] + a[2] * inv.m[6];
        if (!std::isfinite(det) || std::abs(det) < 1e-12)
            return std::nullopt;
        // The exact inverse (not a multiple of it): w then stays positive for
        // the points the square maps to.
        for (double &v : inv.m)
            v /= det;
        return inv;
    }
};

// The map of the unit square onto the quadrilateral p0 (0, 0), p1 (1, 0),
// p2 (1, 1), p3 (0, 1).
std::optional<Homography> squareToQuad(const EffectPoint p[4])
{
    const double sx = p[0].x - p[1].x + p[2].x - p[3].x;
    const double sy = p[0].y - p[1].y + p[2].y - p[3].y;
    double g = 0, h = 0;
    if (std::abs(sx) > 1e-12 || std::abs(sy) > 1e-12) {
        const double dx1 = p[1].x - p[2].x, dx2 = p[3].x - p[2].x;
        const double dy1 = p[1].y - p[2].y, dy2 = p[3].y - p[2].y;
        const double den = dx1 * dy2 - dx2 * dy1;
        if (std::abs(den) < 1e-12)
            return std::nullopt;
        g = (sx * dy2 - dx2 * sy) / den;
        h = (dx1 * sy - sx * dy1) / den;
    }
    Homography H;
    H.m = {p[1].x - p[0].x + g * p[1].x,
           p[3].x - p[0].x + h * p[3].x,
           p[0].x,
           p[1].y - p[0].y + g * p[1].y,
           p[3].y - p[0].y + h * p[3].y,
           p[0].y,
           g,
           h,
           1};
    return H;
}

ImageRef perspective(const EffectFilter &f)
{
    const ImageRef input = f.image(QStringLiteral("inputImage"));
    if (!input)
        return nullptr;
    const EffectRect e = input->extent();
    // An unbounded image has no corners to move.
    if (e.isInfinite())
        return input;
    if (e.isEmpty())
        return EffectImage::empty();
    auto corner = [&](const char *key) {
        const EffectVector v = f.vector(QString::fromLatin1(key));
        return EffectPoint(v.x, v.y);
    };
    // The corners with the smaller y are the "bottom" ones, as in the
    // documents' y-up terms.
    const EffectPoint quad[4] = {corner("inputBottomLeft"), corner("inputBottomRight"),
                                 corner("inputTopRight"), corner("inputTopLeft")};
    const std::optional<Homography> forward = squareToQuad(quad);
    const std::optional<Homography> back = forward ? forward->inverted() : std::nullopt;
    if (!back)
        return EffectImage::empty();
    const EffectRect extent = EffectRect::bounding(quad, 4);
    const double shrink = std::sqrt((e.width * e.height) / std::max(extent.width * extent.height, 1e-9));
    const int samples = int(std::clamp(std::ceil(shrink), 1.0, 4.0));
    const Homography inverse = *back;
    return ImageOps::warped(
        input, extent,
        [inverse, e](EffectPoint &p) {
            double u = p.x, v = p.y;
            if (!inverse.map(u, v) || u < -0.01 || u > 1.01 || v < -0.01 || v > 1.01)
                return false;
            p = EffectPoint(e.x + u * e.width, e.y + v * e.height);
            return true;
        },
        [e](const EffectRect &) { return e; }, samples);
}

} // namespace

void BuiltinFilters::registerGeometryFilters(EffectRegistry &registry)
{
    const QStringList geometry{QString::fromLatin1(FilterCategory::GeometryAdjustment)};

    add(registry, "CIAffineTransform", geometry,
        {imageInput("inputImage", "Image"), transformInput("inputTransform", "Transform")},
        [](const EffectFilter &f) {
            const ImageRef input = f.image(QStringLiteral("inputImage"));
            return input ? ImageOps::transformed(input, f.transform(QStringLiteral("inputTransform")))
                         : nullptr;
        });

    // The default rectangle is the whole plane: cropping nothing away.
    add(registry, "CICrop", geometry,
        {imageInput("inputImage", "Image"),
         vectorInput("inputRectangle", "Rectangle", InputType::Rectangle,
                     EffectVector(-8.98847e307, -8.98847e307, 1.79769e308, 1.79769e308))},
        [](const EffectFilter &f) -> ImageRef {
            const ImageRef input = f.image(QStringLiteral("inputImage"));
            if (!input)
                return nullptr;
            const EffectVector r = f.vector(QStringLiteral("inputRectangle"));
            return ImageOps::cropped(input, EffectRect(r.x, r.y, r.z, r.w));
        });

    add(registry, "CIPerspectiveTransform", geometry,
        {imageInput("inputImage", "Image"),
         vectorInput("inputTopLeft", "Top Left", InputType::Position, EffectVector(118, 484)),
         vectorInput("inputTopRight", "Top Right", InputType::Position, EffectVector(646, 507)),
         vectorInput("inputBottomRight", "Bottom Right", InputType::Position, EffectVector(548, 140)),
         vectorInput("inputBottomLeft", "Bottom Left", InputType::Position, EffectVector(155, 153))},
        perspective);
}

} // namespace scrivane
