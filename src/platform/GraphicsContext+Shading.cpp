#include "platform/GraphicsContext.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace scrivane {

namespace {

constexpr double MaxRasterPixels = 4096.0 * 4096.0;

// Distance below which the colour on each side of a stop counts as one.
constexpr float EdgeTolerance = 1.0f / 1024.0f;

std::array<float, 4> clampedColor(const ShadingFunction &function, double t)
{
    std::array<float, 4> c = function(static_cast<float>(t));
    for (float &v : c)
        v = std::isnan(v) ? 0.0f : std::clamp(v, 0.0f, 1.0f);
    return c;
}

bool differ(const std::array<float, 4> &a, const std::array<float, 4> &b)
{
    for (std::size_t i = 0; i < 4; ++i) {
        if (std::fabs(a[i] - b[i]) > EdgeTolerance)
            return true;
    }
    return false;
}

bool isFinitePoint(Point p)
{
    return std::isfinite(p.x) && std::isfinite(p.y);
}

} // namespace

std::vector<GraphicsContext::ShadingSample> GraphicsContext::sampleShading(const Shading &shading)
{
    std::vector<ShadingSample> samples;
    const ShadingFunction &f = shading.function;
    if (shading.breakpoints.empty()) {
        constexpr int Count = 256;
        samples.reserve(Count);
        for (int i = 0; i < Count; ++i) {
            const double t = static_cast<double>(i) / (Count - 1);
            samples.push_back({t, clampedColor(f, t)});
        }
        return samples;
    }
    std::vector<double> positions{0.0, 1.0};
    for (float b : shading.breakpoints) {
        if (std::isfinite(b))
            positions.push_back(std::clamp(static_cast<double>(b), 0.0, 1.0));
    }
    std::sort(positions.begin(), positions.end());
    positions.erase(std::unique(positions.begin(), positions.end()), positions.end());

    // Between breakpoints cairo interpolates straight alpha linearly, which is
    // what the function does there.  At a breakpoint the colours just before
    // and just after may differ (two stops at one place): both are kept, at
    // the same offset, which cairo draws as a hard edge.
    constexpr double Step = 1e-6;
    for (double x : positions) {
        const std::array<float, 4> at = clampedColor(f, x);
        const std::array<float, 4> before = x > 0 ? clampedColor(f, x - Step) : at;
        const std::array<float, 4> after = x < 1 ? clampedColor(f, x + Step) : at;
        if (x <= 0) {
            samples.push_back({0.0, at});
            if (differ(at, after))
                samples.push_back({0.0, after});
        } else if (x >= 1) {
            if (differ(before, at))
                samples.push_back({1.0, before});
            samples.push_back({1.0, at});
        } else if (differ(before, after)) {
            samples.push_back({x, before});
            samples.push_back({x, after});
        } else {
            samples.push_back({x, at});
        }
    }
    return samples;
}

std::array<float, 4> GraphicsContext::colorAt(const std::vector<ShadingSample> &samples, double t)
{
    if (samples.empty())
        return {0, 0, 0, 0};
    // The first sample beyond t; at a hard edge t takes the colour after it.
    auto upper = std::upper_bound(samples.begin(), samples.end(), t,
                                  [](double value, const ShadingSample &s) { return value < s.t; });
    if (upper == samples.begin())
        return samples.front().rgba;
    if (upper == samples.end())
        return samples.back().rgba;
    const ShadingSample &a = *(upper - 1);
    const ShadingSample &b = *upper;
    if (!(b.t > a.t))
        return a.rgba;
    const double f = (t - a.t) / (b.t - a.t);
    std::array<float, 4> c{};
    for (std::size_t i = 0; i < 4; ++i)
        c[i] = static_cast<float>((1 - f) * a.rgba[i] + f * b.rgba[i]);
    return c;
}

cairo_pattern_t *GraphicsContext::nativeShadingPattern(const Shading &shading,
                                                       const std::vector<ShadingSample> &samples,
                                                       bool roundOpaque) const
{
    cairo_pattern_t *pattern =
        shading.kind == Shading::Kind::Axial
            ? cairo_pattern_create_linear(shading.start.x, shading.start.y, shading.end.x, shading.end.y)
            : cairo_pattern_create_radial(shading.start.x, shading.start.y, shading.startRadius,
                                          shading.end.x, shading.end.y, shading.endRadius);
    for (const ShadingSample &s : samples) {
        double alpha = s.rgba[3];
        if (roundOpaque && alpha >= 0.99)
            alpha = 1;
        cairo_pattern_add_color_stop_rgba(pattern, s.t, s.rgba[0], s.rgba[1], s.rgba[2], alpha);
    }
    cairo_pattern_set_extend(pattern,
                             shading.extendStart || shading.extendEnd ? CAIRO_EXTEND_PAD : CAIRO_EXTEND_NONE);
    return pattern;
}

void GraphicsContext::clipToAxialHalfPlane(cairo_t *cr, const Shading &shading, bool keepStartSide) const
{
    // An axial shading extended at one end only is the padded shading cut
    // off at the line through the other end, square to the axis.
    const double ax = shading.end.x - shading.start.x;
    const double ay = shading.end.y - shading.start.y;
    const double length = std::hypot(ax, ay);
    const double ux = ax / length, uy = ay / length;
    const double nx = -uy, ny = ux;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cairo_clip_extents(cr, &x1, &y1, &x2, &y2);
    double reach = length;
    const double xs[] = {x1, x2};
    const double ys[] = {y1, y2};
    for (double x : xs) {
        for (double y : ys)
            reach = std::max(reach, std::hypot(x - shading.start.x, y - shading.start.y) + length);
    }
    // From the cut line, a rectangle of that reach towards the kept side.
    const double bx = keepStartSide ? shading.end.x : shading.start.x;
    const double by = keepStartSide ? shading.end.y : shading.start.y;
    const double dir = keepStartSide ? -1 : 1;
    cairo_new_path(cr);
    cairo_move_to(cr, bx + nx * reach, by + ny * reach);
    cairo_line_to(cr, bx - nx * reach, by - ny * reach);
    cairo_line_to(cr, bx - nx * reach + dir * ux * 2 * reach, by - ny * reach + dir * uy * 2 * reach);
    cairo_line_to(cr, bx + nx * reach + dir * ux * 2 * reach, by + ny * reach + dir * uy * 2 * reach);
    cairo_close_path(cr);
    cairo_clip(cr);
}

cairo_surface_t *GraphicsContext::rasteriseShading(const Shading &shading,
                                                   const std::vector<ShadingSample> &samples, Rect &baseRect,
                                                   double &scale) const
{
    const Rect clip = clipBoxInBase();
    if (clip.isEmpty())
        return nullptr;
    double k = pixelsPerBaseUnit();
    const double area = static_cast<double>(clip.width()) * clip.height();
    if (area * k * k > MaxRasterPixels)
        k = std::sqrt(MaxRasterPixels / area) * 0.999;
    const double px0 = std::floor(clip.minX() * k);
    const double py0 = std::floor(clip.minY() * k);
    const int width = static_cast<int>(std::ceil(clip.maxX() * k) - px0);
    const int height = static_cast<int>(std::ceil(clip.maxY() * k) - py0);
    if (width <= 0 || height <= 0)
        return nullptr;
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_flush(surface);
    unsigned char *data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);

    cairo_matrix_t toUser;
    cairo_get_matrix(m_cr, &toUser);
    cairo_matrix_invert(&toUser);

    const double sx = shading.start.x, sy = shading.start.y;
    const double cdx = shading.end.x - shading.start.x, cdy = shading.end.y - shading.start.y;
    const double r0 = shading.startRadius;
    const double dr = static_cast<double>(shading.endRadius) - shading.startRadius;
    const double axisLength2 = cdx * cdx + cdy * cdy;
    const double a = cdx * cdx + cdy * cdy - dr * dr;
    const bool axial = shading.kind == Shading::Kind::Axial;

    // The parameter of a point, or NaN where nothing is painted.  Radial
    // shadings take the largest t whose circle passes through the point
    // with a radius that is not negative.
    auto parameter = [&](double x, double y) -> double {
        const double px = x - sx, py = y - sy;
        auto allowed = [&](double t) {
            return (t >= 0 || shading.extendStart) && (t <= 1 || shading.extendEnd);
        };
        if (axial) {
            const double t = (px * cdx + py * cdy) / axisLength2;
            return allowed(t) ? std::clamp(t, 0.0, 1.0) : NAN;
        }
        const double b = px * cdx + py * cdy + r0 * dr;
        const double c = px * px + py * py - r0 * r0;
        double candidates[2] = {NAN, NAN};
        if (std::fabs(a) < 1e-12 * std::max(1.0, axisLength2)) {
            if (b != 0)
                candidates[0] = c / (2 * b);
        } else {
            const double disc = b * b - a * c;
            if (disc < 0)
                return NAN;
            const double root = std::sqrt(disc);
            const double t1 = (b + root) / a, t2 = (b - root) / a;
            candidates[0] = std::max(t1, t2);
            candidates[1] = std::min(t1, t2);
        }
        for (double t : candidates) {
            if (std::isnan(t) || r0 + t * dr < 0 || !allowed(t))
                continue;
            return std::clamp(t, 0.0, 1.0);
        }
        return NAN;
    };

    for (int j = 0; j < height; ++j) {
        auto *row = reinterpret_cast<std::uint32_t *>(data + static_cast<std::ptrdiff_t>(j) * stride);
        for (int i = 0; i < width; ++i) {
            double x = (px0 + i + 0.5) / k, y = (py0 + j + 0.5) / k;
            cairo_matrix_transform_point(&toUser, &x, &y);
            const double t = parameter(x, y);
            if (std::isnan(t)) {
                row[i] = 0;
                continue;
            }
            const std::array<float, 4> c = colorAt(samples, t);
            const double alpha = c[3];
            auto channel = [alpha](float v) {
                return static_cast<std::uint32_t>(std::lround(std::clamp(v * alpha, 0.0, 1.0) * 255));
            };
            row[i] = (static_cast<std::uint32_t>(std::lround(alpha * 255)) << 24) | (channel(c[0]) << 16) |
                     (channel(c[1]) << 8) | channel(c[2]);
        }
    }
    cairo_surface_mark_dirty(surface);
    baseRect = Rect(static_cast<float>(px0 / k), static_cast<float>(py0 / k), static_cast<float>(width / k),
                    static_cast<float>(height / k));
    scale = k;
    return surface;
}

bool GraphicsContext::fillPathWithShading(const PathBase &path, const Shading &shading,
                                          const AffineTransform &space)
{
    const bool radial = shading.kind == Shading::Kind::Radial;
    const State &s = state();
    if (!canDraw() || m_kind != SurfaceKind::Raster || s.shadow || s.alpha < 1 ||
        shading.extendStart != shading.extendEnd || !shading.function || !isFinitePoint(shading.start) ||
        !isFinitePoint(shading.end) ||
        (radial && (!(shading.startRadius >= 0) || !(shading.endRadius >= 0) ||
                    !std::isfinite(shading.startRadius) || !std::isfinite(shading.endRadius))) ||
        !path.hasFinitePoints())
        return false;
    const std::optional<cairo_matrix_t> toUser = concatenable(space);
    if (!toUser)
        return false;
    // A shading without extent paints nothing.
    if (shading.start == shading.end && (!radial || shading.startRadius == shading.endRadius))
        return true;
    cairo_pattern_t *pattern = nativeShadingPattern(shading, sampleShading(shading), false);
    cairo_matrix_t toSpace = *toUser;
    cairo_matrix_invert(&toSpace);
    cairo_pattern_set_matrix(pattern, &toSpace);
    Operation operation;
    operation.paint = [&path, pattern](cairo_t *cr, double) {
        cairo_new_path(cr);
        path.addToCairo(cr);
        path.applyFillRule(cr);
        cairo_set_source(cr, pattern);
        cairo_fill(cr);
    };
    const bool drawn = perform(operation);
    cairo_pattern_destroy(pattern);
    return drawn;
}

bool GraphicsContext::drawShading(const Shading &shading)
{
    if (!canDraw())
        return false;
    const bool radial = shading.kind == Shading::Kind::Radial;
    if (!shading.function || !isFinitePoint(shading.start) || !isFinitePoint(shading.end) ||
        (radial && (!(shading.startRadius >= 0) || !(shading.endRadius >= 0) ||
                    !std::isfinite(shading.startRadius) || !std::isfinite(shading.endRadius)))) {
        warnOnce(WarnShading, "a shading without a colour function or with bad geometry was refused");
        return false;
    }
    // A shading without extent paints nothing.
    if (shading.start == shading.end && (!radial || shading.startRadius == shading.endRadius))
        return true;

    const std::vector<ShadingSample> samples = sampleShading(shading);
    const bool opaque = std::all_of(samples.begin(), samples.end(),
                                    [](const ShadingSample &s) { return s.rgba[3] >= 0.99f; });
    const bool oneSided = shading.extendStart != shading.extendEnd;
    const bool rasterise = (radial && oneSided) || (isVectorTarget() && !opaque);

    Operation operation;
    operation.fillsClip = true;
    if (!rasterise) {
        cairo_pattern_t *pattern = nativeShadingPattern(shading, samples, isVectorTarget());
        const bool cut = !radial && oneSided;
        operation.paint = [this, pattern, cut, &shading](cairo_t *cr, double alpha) {
            cairo_save(cr);
            if (cut)
                clipToAxialHalfPlane(cr, shading, shading.extendStart);
            cairo_set_source(cr, pattern);
            cairo_paint_with_alpha(cr, alpha);
            cairo_restore(cr);
        };
        const bool drawn = perform(operation);
        cairo_pattern_destroy(pattern);
        return drawn;
    }

    Rect baseRect;
    double scale = 1;
    cairo_surface_t *image = rasteriseShading(shading, samples, baseRect, scale);
    if (!image)
        return true;
    // User space to the image's pixels: through base space, then the
    // image's own offset and scale.
    cairo_matrix_t toImage;
    cairo_get_matrix(m_cr, &toImage);
    cairo_matrix_t place;
    cairo_matrix_init(&place, scale, 0, 0, scale, -baseRect.minX() * scale, -baseRect.minY() * scale);
    cairo_matrix_multiply(&toImage, &toImage, &place);
    operation.paint = [image, toImage](cairo_t *cr, double alpha) {
        cairo_pattern_t *pattern = cairo_pattern_create_for_surface(image);
        cairo_pattern_set_matrix(pattern, &toImage);
        cairo_pattern_set_extend(pattern, CAIRO_EXTEND_PAD);
        cairo_set_source(cr, pattern);
        cairo_paint_with_alpha(cr, alpha);
        cairo_pattern_destroy(pattern);
    };
    operation.bounds = [baseRect]() -> std::optional<Rect> { return baseRect; };
    const bool drawn = perform(operation);
    cairo_surface_destroy(image);
    return drawn;
}

} // namespace scrivane
