#include "platform/GraphicsContext.h"

#include "platform/CairoLine.h"
#include "platform/RasterBlur.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace scrivane {

namespace {

// Shadow buffers and rasterised shadings never take more pixels than this;
// past it their resolution drops instead.
constexpr double MaxRasterPixels = 4096.0 * 4096.0;

cairo_operator_t operatorFor(BlendMode mode)
{
    switch (mode) {
    case BlendMode::Normal:
        return CAIRO_OPERATOR_OVER;
    case BlendMode::Multiply:
        return CAIRO_OPERATOR_MULTIPLY;
    case BlendMode::Screen:
        return CAIRO_OPERATOR_SCREEN;
    case BlendMode::Overlay:
        return CAIRO_OPERATOR_OVERLAY;
    case BlendMode::Darken:
        return CAIRO_OPERATOR_DARKEN;
    case BlendMode::Lighten:
        return CAIRO_OPERATOR_LIGHTEN;
    case BlendMode::ColorDodge:
        return CAIRO_OPERATOR_COLOR_DODGE;
    case BlendMode::ColorBurn:
        return CAIRO_OPERATOR_COLOR_BURN;
    case BlendMode::SoftLight:
        return CAIRO_OPERATOR_SOFT_LIGHT;
    case BlendMode::HardLight:
        return CAIRO_OPERATOR_HARD_LIGHT;
    case BlendMode::Difference:
        return CAIRO_OPERATOR_DIFFERENCE;
    case BlendMode::Exclusion:
        return CAIRO_OPERATOR_EXCLUSION;
    case BlendMode::Hue:
        return CAIRO_OPERATOR_HSL_HUE;
    case BlendMode::Saturation:
        return CAIRO_OPERATOR_HSL_SATURATION;
    case BlendMode::Color:
        return CAIRO_OPERATOR_HSL_COLOR;
    case BlendMode::Luminosity:
        return CAIRO_OPERATOR_HSL_LUMINOSITY;
    }
    return CAIRO_OPERATOR_OVER;
}

void setSource(cairo_t *cr, const scrivane::Color &color, double alpha)
{
    const scrivane::Color rgb = color.toCalibratedRGB();
    const auto &c = rgb.components();
    cairo_set_source_rgba(cr, c[0], c[1], c[2], rgb.alpha() * alpha);
}

bool isFiniteRect(const Rect &r)
{
    return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
           std::isfinite(r.size.height);
}

void applyLineStyle(cairo_t *cr, const LineStyle &style, double width)
{
    setCairoLineSettings(cr, width, style.cap, style.join,
                         std::isfinite(style.miterLimit) && style.miterLimit >= 1 ? style.miterLimit : 10.0,
                         style.dash, style.dashPhase);
}

} // namespace

// --- Pipeline ------------------------------------------------------------------------

Rect GraphicsContext::clipBoxInBase() const
{
    // Only the matrix changes for the question: a cairo save would copy
    // the clip too.
    cairo_matrix_t current;
    cairo_get_matrix(m_cr, &current);
    cairo_identity_matrix(m_cr);
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cairo_clip_extents(m_cr, &x1, &y1, &x2, &y2);
    cairo_set_matrix(m_cr, &current);
    return Rect(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2 - x1),
                static_cast<float>(y2 - y1));
}

Rect GraphicsContext::userRectToBase(double x1, double y1, double x2, double y2) const
{
    if (!(x2 > x1) || !(y2 > y1))
        return Rect();
    cairo_matrix_t m;
    cairo_get_matrix(m_cr, &m);
    double xs[4] = {x1, x2, x2, x1};
    double ys[4] = {y1, y1, y2, y2};
    double minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    for (int i = 0; i < 4; ++i) {
        cairo_matrix_transform_point(&m, &xs[i], &ys[i]);
        minX = std::min(minX, xs[i]);
        maxX = std::max(maxX, xs[i]);
        minY = std::min(minY, ys[i]);
        maxY = std::max(maxY, ys[i]);
    }
    return Rect(static_cast<float>(minX), static_cast<float>(minY), static_cast<float>(maxX - minX),
                static_cast<float>(maxY - minY));
}

double GraphicsContext::hairlineWidth() const
{
    // One device pixel, measured along the user space's x axis.
    cairo_matrix_t m;
    cairo_get_matrix(m_cr, &m);
    if (cairo_matrix_invert(&m) != CAIRO_STATUS_SUCCESS)
        return 1;
    double dx = 1 / pixelsPerBaseUnit(), dy = 0;
    cairo_matrix_transform_distance(&m, &dx, &dy);
    const double width = std::hypot(dx, dy);
    return width > 0 && std::isfinite(width) ? width : 1;
}

bool GraphicsContext::perform(const Operation &operation)
{
    if (!canDraw())
        return false;
    const State &s = state();
    const cairo_operator_t op = operation.copy ? CAIRO_OPERATOR_SOURCE : operatorFor(s.blend);
    const double alpha = s.alpha;
    m_pathInCairo.path = nullptr;
    if (alpha <= 0 && !operation.copy)
        return true; // nothing would show
    if (s.shadow && s.shadow->color.alpha() > 0 && alpha > 0)
        drawShadow(operation, operation.copy ? CAIRO_OPERATOR_OVER : op, alpha);
    // No cairo save around the paint (it would copy the clip for every
    // operation): a paint leaves cairo's matrix and clip as it found them,
    // sets the source, fill rule and line it uses, and the operator goes
    // back to the one everything else expects.
    if (op != CAIRO_OPERATOR_OVER)
        cairo_set_operator(m_cr, op);
    operation.paint(m_cr, alpha);
    if (op != CAIRO_OPERATOR_OVER)
        cairo_set_operator(m_cr, CAIRO_OPERATOR_OVER);
    // A group or an image is not kept alive by the source it was drawn
    // from.
    if (cairo_pattern_get_type(cairo_get_source(m_cr)) != CAIRO_PATTERN_TYPE_SOLID)
        cairo_set_source_rgb(m_cr, 0, 0, 0);
    if (!operation.keepsPath)
        cairo_new_path(m_cr);
    checkStatus();
    return true;
}

void GraphicsContext::drawShadow(const Operation &operation, cairo_operator_t cairoOperator, double alpha)
{
    const ContextShadow &shadow = *state().shadow;
    const double sigma = shadow.blur / 2.0;
    const double offsetX = shadow.offset.width;
    const double offsetY = -static_cast<double>(shadow.offset.height); // base space runs y-down in cairo
    double k = pixelsPerBaseUnit();

    // Only content whose shadow can land inside the clip is rendered: the
    // clip moved back by the offset, grown by the reach of the blur.
    const Rect clip = clipBoxInBase();
    if (clip.isEmpty())
        return;
    // The blur reaches 3 · sigma + 3 pixels; one pixel more for rounding.
    const double margin = 3 * sigma + 4 / k;
    double x1 = clip.minX() - offsetX - margin;
    double y1 = clip.minY() - offsetY - margin;
    double x2 = clip.maxX() - offsetX + margin;
    double y2 = clip.maxY() - offsetY + margin;
    if (operation.bounds) {
        const std::optional<Rect> bounds = operation.bounds();
        if (bounds) {
            if (bounds->isEmpty())
                return;
            x1 = std::max(x1, static_cast<double>(bounds->minX()) - margin);
            y1 = std::max(y1, static_cast<double>(bounds->minY()) - margin);
            x2 = std::min(x2, static_cast<double>(bounds->maxX()) + margin);
            y2 = std::min(y2, static_cast<double>(bounds->maxY()) + margin);
        }
    }
    if (!(x2 > x1) || !(y2 > y1))
        return;
    if ((x2 - x1) * (y2 - y1) * k * k > MaxRasterPixels)
        k = std::sqrt(MaxRasterPixels / ((x2 - x1) * (y2 - y1))) * 0.999;
    const double px0 = std::floor(x1 * k);
    const double py0 = std::floor(y1 * k);
    const int width = static_cast<int>(std::ceil(x2 * k) - px0);
    const int height = static_cast<int>(std::ceil(y2 * k) - py0);
    if (width <= 0 || height <= 0)
        return;

    cairo_surface_t *buffer = cairo_image_surface_create(CAIRO_FORMAT_A8, width, height);
    if (cairo_surface_status(buffer) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(buffer);
        return;
    }
    cairo_t *bc = cairo_create(buffer);
    cairo_translate(bc, -px0, -py0);
    cairo_scale(bc, k, k);
    if (operation.fillsClip) {
        cairo_rectangle_list_t *list = nullptr;
        cairo_save(m_cr);
        cairo_identity_matrix(m_cr);
        list = cairo_copy_clip_rectangle_list(m_cr);
        cairo_restore(m_cr);
        if (list->status == CAIRO_STATUS_SUCCESS) {
            for (int i = 0; i < list->num_rectangles; ++i) {
                const cairo_rectangle_t &r = list->rectangles[i];
                cairo_rectangle(bc, r.x, r.y, r.width, r.height);
            }
        } else {
            cairo_rectangle(bc, clip.minX(), clip.minY(), clip.width(), clip.height());
        }
        cairo_rectangle_list_destroy(list);
        cairo_clip(bc);
    }
    cairo_matrix_t ctm;
    cairo_get_matrix(m_cr, &ctm);
    cairo_transform(bc, &ctm);
    operation.paint(bc, 1.0);
    cairo_destroy(bc);
    cairo_surface_flush(buffer);
    RasterBlur::gaussianAlpha(cairo_image_surface_get_data(buffer), width, height,
                              cairo_image_surface_get_stride(buffer), sigma * k);
    cairo_surface_mark_dirty(buffer);

    cairo_save(m_cr);
    cairo_identity_matrix(m_cr);
    cairo_set_operator(m_cr, cairoOperator);
    setSource(m_cr, shadow.color, alpha);
    cairo_translate(m_cr, px0 / k + offsetX, py0 / k + offsetY);
    cairo_scale(m_cr, 1 / k, 1 / k);
    cairo_mask_surface(m_cr, buffer, 0, 0);
    cairo_restore(m_cr);
    cairo_surface_destroy(buffer);
}

// --- Paths ---------------------------------------------------------------------------------

bool GraphicsContext::isPathInCairo(const PathBase &path) const
{
    if (m_pathInCairo.path != &path || m_pathInCairo.stamp != path.stamp())
        return false;
    cairo_matrix_t m;
    cairo_get_matrix(m_cr, &m);
    const cairo_matrix_t &t = m_pathInCairo.ctm;
    return m.xx == t.xx && m.yx == t.yx && m.xy == t.xy && m.yy == t.yy && m.x0 == t.x0 && m.y0 == t.y0;
}

bool GraphicsContext::fillPath(const PathBase &path)
{
    if (!canDraw())
        return false;
    if (!path.hasFinitePoints()) {
        warnOnce(WarnPath, "a path with coordinates that are not finite was refused");
        return false;
    }
    struct Fill {
        const PathBase &path;
        const scrivane::Color &color;
        GraphicsContext &context;
    };
    // One reference in the paint: it fits in the function object, no
    // allocation per fill.
    const Fill fill{path, state().fill, *this};
    Operation operation;
    operation.keepsPath = true;
    operation.paint = [&fill](cairo_t *cr, double alpha) {
        cairo_new_path(cr);
        fill.path.addToCairo(cr);
        fill.path.applyFillRule(cr);
        setSource(cr, fill.color, alpha);
        if (cr != fill.context.m_cr) {
            cairo_fill(cr);
            return;
        }
        cairo_fill_preserve(cr);
        PathInCairo &left = fill.context.m_pathInCairo;
        left.path = &fill.path;
        left.stamp = fill.path.stamp();
        cairo_get_matrix(cr, &left.ctm);
    };
    operation.bounds = [this, &path]() -> std::optional<Rect> {
        cairo_new_path(m_cr);
        path.addToCairo(m_cr);
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        cairo_path_extents(m_cr, &x1, &y1, &x2, &y2);
        cairo_new_path(m_cr);
        return userRectToBase(x1, y1, x2, y2);
    };
    return perform(operation);
}

bool GraphicsContext::showGlyphs(cairo_font_face_t *face, double size, std::span<const cairo_glyph_t> glyphs)
{
    if (!canDraw() || !face || glyphs.empty())
        return false;
    if (!std::isfinite(size) || size <= 0) {
        warnOnce(WarnNumber, "glyphs of a size that is not a positive number were refused");
        return false;
    }
    for (const cairo_glyph_t &g : glyphs) {
        if (!std::isfinite(g.x) || !std::isfinite(g.y)) {
            warnOnce(WarnPath, "glyphs at coordinates that are not finite were refused");
            return false;
        }
    }
    const scrivane::Color color = state().fill;
    const bool flipped = m_flipped;
    auto setFont = [face, size, flipped](cairo_t *cr) {
        cairo_set_font_face(cr, face);
        // Glyphs stand upright whichever way the user space runs.
        cairo_matrix_t m;
        cairo_matrix_init_scale(&m, size, flipped ? size : -size);
        cairo_set_font_matrix(cr, &m);
        cairo_font_options_t *options = cairo_font_options_create();
        cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_NONE);
        cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
        cairo_set_font_options(cr, options);
        cairo_font_options_destroy(options);
    };
    Operation operation;
    operation.paint = [glyphs, color, setFont](cairo_t *cr, double alpha) {
        cairo_new_path(cr);
        setFont(cr);
        setSource(cr, color, alpha);
        cairo_show_glyphs(cr, glyphs.data(), int(glyphs.size()));
    };
    operation.bounds = [this, glyphs, setFont]() -> std::optional<Rect> {
        cairo_save(m_cr);
        setFont(m_cr);
        cairo_text_extents_t e;
        cairo_glyph_extents(m_cr, glyphs.data(), int(glyphs.size()), &e);
        cairo_restore(m_cr);
        // A margin for antialiasing at the ink's edges.
        return userRectToBase(e.x_bearing - 1, e.y_bearing - 1, e.x_bearing + e.width + 1,
                              e.y_bearing + e.height + 1);
    };
    return perform(operation);
}

bool GraphicsContext::strokePath(const PathBase &path, LineSource source)
{
    return strokeWithStyle(path, source == LineSource::Path ? LineStyle::of(path) : state().line);
}

bool GraphicsContext::strokeWithStyle(const PathBase &path, const LineStyle &style)
{
    if (!canDraw())
        return false;
    if (!path.hasFinitePoints()) {
        warnOnce(WarnPath, "a path with coordinates that are not finite was refused");
        return false;
    }
    if (!LineStyle::isValidDash(style.dash, style.dashPhase))
        warnOnce(WarnDash, "a bad dash pattern was drawn as a solid line");
    struct Stroke {
        const PathBase &path;
        const LineStyle &style;
        double width;
        const scrivane::Color &color;
        // The cairo context that holds the path already, or null.
        cairo_t *built;
    };
    // A shadow's measure would clear the path the fill left.
    const bool built = !state().shadow && isPathInCairo(path);
    // One reference in the paint: it fits in the function object.
    const Stroke stroke{path, style,
                        style.width > 0 && std::isfinite(style.width) ? style.width : hairlineWidth(),
                        state().stroke, built ? m_cr : nullptr};
    Operation operation;
    operation.paint = [&stroke](cairo_t *cr, double alpha) {
        if (cr != stroke.built) {
            cairo_new_path(cr);
            stroke.path.addToCairo(cr);
        }
        applyLineStyle(cr, stroke.style, stroke.width);
        setSource(cr, stroke.color, alpha);
        cairo_stroke(cr);
    };
    operation.bounds = [this, &stroke]() -> std::optional<Rect> {
        cairo_save(m_cr);
        cairo_new_path(m_cr);
        stroke.path.addToCairo(m_cr);
        applyLineStyle(m_cr, stroke.style, stroke.width);
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        cairo_stroke_extents(m_cr, &x1, &y1, &x2, &y2);
        cairo_new_path(m_cr);
        cairo_restore(m_cr);
        return userRectToBase(x1, y1, x2, y2);
    };
    return perform(operation);
}

bool GraphicsContext::fillRect(const Rect &rect, CompositeOperation compositeOperation)
{
    if (!canDraw())
        return false;
    if (!isFiniteRect(rect)) {
        warnOnce(WarnPath, "a rectangle with numbers that are not finite was refused");
        return false;
    }
    if (rect.isEmpty())
        return true;
    const scrivane::Color color = state().fill;
    const bool copy = compositeOperation == CompositeOperation::Copy;
    Operation operation;
    operation.copy = copy;
    operation.paint = [rect, color, copy](cairo_t *cr, double alpha) {
        cairo_new_path(cr);
        cairo_rectangle(cr, rect.minX(), rect.minY(), rect.width(), rect.height());
        setSource(cr, color, alpha);
        if (copy) {
            cairo_save(cr);
            cairo_clip(cr);
            cairo_paint(cr);
            cairo_restore(cr);
        } else {
            cairo_fill(cr);
        }
    };
    operation.bounds = [this, rect]() -> std::optional<Rect> {
        return userRectToBase(rect.minX(), rect.minY(), rect.maxX(), rect.maxY());
    };
    return perform(operation);
}

// --- Images ----------------------------------------------------------------------------------

namespace {

const cairo_user_data_key_t HeldImageKey{};

// An image surface over the pixels of a QImage, which it keeps alive (an
// implicitly shared copy, so later changes to the caller's image do not
// reach it).
cairo_surface_t *surfaceForImage(const QImage &image)
{
    QImage held = image;
    cairo_format_t format = CAIRO_FORMAT_ARGB32;
    if (held.format() == QImage::Format_RGB32)
        format = CAIRO_FORMAT_RGB24;
    else if (held.format() != QImage::Format_ARGB32_Premultiplied)
        held = held.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    auto *owner = new QImage(held);
    cairo_surface_t *surface =
        cairo_image_surface_create_for_data(const_cast<uchar *>(owner->constBits()), format, owner->width(),
                                            owner->height(), static_cast<int>(owner->bytesPerLine()));
    if (cairo_surface_set_user_data(surface, &HeldImageKey, owner, [](void *data) {
            delete static_cast<QImage *>(data);
        }) != CAIRO_STATUS_SUCCESS)
        delete owner;
    return surface;
}

} // namespace

bool GraphicsContext::drawImage(const QImage &image, const Rect &destination, const Rect &source,
                                CompositeOperation operation, float fraction, ImageOrigin origin)
{
    if (!canDraw())
        return false;
    if (image.isNull()) {
        warnOnce(WarnImage, "an empty image was not drawn");
        return false;
    }
    cairo_surface_t *surface = surfaceForImage(image);
    const bool drawn = drawImage(surface, destination, source, operation, fraction, origin);
    cairo_surface_destroy(surface);
    return drawn;
}

bool GraphicsContext::drawImage(cairo_surface_t *image, const Rect &destination, const Rect &source,
                                CompositeOperation operation, float fraction, ImageOrigin origin)
{
    if (!canDraw())
        return false;
    if (!image || cairo_surface_status(image) != CAIRO_STATUS_SUCCESS) {
        warnOnce(WarnImage, "an image that cairo cannot read was not drawn");
        return false;
    }
    double width = 0, height = 0;
    if (cairo_surface_get_type(image) == CAIRO_SURFACE_TYPE_IMAGE) {
        width = cairo_image_surface_get_width(image);
        height = cairo_image_surface_get_height(image);
    } else if (cairo_surface_get_type(image) == CAIRO_SURFACE_TYPE_RECORDING) {
        cairo_rectangle_t extents;
        if (cairo_recording_surface_get_extents(image, &extents) && extents.x == 0 && extents.y == 0) {
            width = extents.width;
            height = extents.height;
        }
    }
    if (!(width > 0) || !(height > 0)) {
        warnOnce(WarnImage, "an image without bounded extents was not drawn");
        return false;
    }
    return drawSurface(image, width, height, destination, source, operation, fraction, origin);
}

bool GraphicsContext::drawSurface(cairo_surface_t *image, double width, double height,
                                  const Rect &destination, const Rect &source,
                                  CompositeOperation compositeOperation, float fraction, ImageOrigin origin)
{
    if (!isFiniteRect(destination) || !isFiniteRect(source) || std::isnan(fraction)) {
        warnOnce(WarnImage, "an image placement with numbers that are not finite was refused");
        return false;
    }
    if (destination.isEmpty())
        return true;
    Rect src = source.isEmpty() ? Rect(0, 0, static_cast<float>(width), static_cast<float>(height)) : source;
    const double f = std::clamp(static_cast<double>(fraction), 0.0, 1.0);

    // A source of whole pixels inside an image is cut out of it, so that
    // smoothing at its border does not take in the pixels around it.
    cairo_surface_t *part = nullptr;
    const bool inside = src.minX() >= 0 && src.minY() >= 0 && src.maxX() <= width && src.maxY() <= height;
    const bool whole = src == Rect(0, 0, static_cast<float>(width), static_cast<float>(height));
    auto integral = [](float v) { return v == std::floor(v); };
    if (inside && !whole && cairo_surface_get_type(image) == CAIRO_SURFACE_TYPE_IMAGE &&
        integral(src.minX()) && integral(src.minY()) && integral(src.width()) && integral(src.height())) {
        const double top = origin == ImageOrigin::TopLeft ? src.minY() : height - src.maxY();
        part = cairo_surface_create_for_rectangle(image, src.minX(), top, src.width(), src.height());
        image = part;
        width = src.width();
        height = src.height();
        src = Rect(0, 0, src.width(), src.height());
    }

    // User space to image pixels.
    const double a = src.width() / destination.width();
    const double d = src.height() / destination.height();
    cairo_matrix_t toImage;
    if (origin == ImageOrigin::TopLeft)
        cairo_matrix_init(&toImage, a, 0, 0, d, src.minX() - destination.minX() * a,
                          src.minY() - destination.minY() * d);
    else
        cairo_matrix_init(&toImage, a, 0, 0, -d, src.minX() - destination.minX() * a,
                          (height - src.minY()) + destination.minY() * d);
    // Inside the image the edge pixels go on to the border of the
    // destination instead of fading into transparency.
    const bool pad = inside && (part || cairo_surface_get_type(image) == CAIRO_SURFACE_TYPE_IMAGE);
    const bool copy = compositeOperation == CompositeOperation::Copy;

    Operation operation;
    operation.copy = copy;
    operation.paint = [image, toImage, pad, copy, f, destination](cairo_t *cr, double alpha) {
        cairo_pattern_t *pattern = cairo_pattern_create_for_surface(image);
        cairo_pattern_set_matrix(pattern, &toImage);
        cairo_pattern_set_extend(pattern, pad ? CAIRO_EXTEND_PAD : CAIRO_EXTEND_NONE);
        cairo_save(cr);
        cairo_new_path(cr);
        cairo_rectangle(cr, destination.minX(), destination.minY(), destination.width(),
                        destination.height());
        cairo_clip(cr);
        const double total = alpha * f;
        if (copy) {
            // Replacing by the image times the alpha: cairo's own copy with
            // an alpha would mix with what was there instead.
            if (total < 1) {
                cairo_push_group(cr);
                cairo_set_source(cr, pattern);
                cairo_paint_with_alpha(cr, total);
                cairo_pop_group_to_source(cr);
            } else {
                cairo_set_source(cr, pattern);
            }
            cairo_paint(cr);
        } else {
            cairo_set_source(cr, pattern);
            cairo_paint_with_alpha(cr, total);
        }
        cairo_restore(cr);
        cairo_pattern_destroy(pattern);
    };
    operation.bounds = [this, destination]() -> std::optional<Rect> {
        return userRectToBase(destination.minX(), destination.minY(), destination.maxX(), destination.maxY());
    };
    const bool drawn = perform(operation);
    if (part)
        cairo_surface_destroy(part);
    return drawn;
}

// --- Transparency layers --------------------------------------------------------------

namespace {

// Where a layer's surface was painted on, in base space; nothing when that
// cannot be told.
std::optional<Rect> inkBounds(cairo_surface_t *surface)
{
    double scaleX = 1, scaleY = 1, offsetX = 0, offsetY = 0;
    cairo_surface_get_device_scale(surface, &scaleX, &scaleY);
    cairo_surface_get_device_offset(surface, &offsetX, &offsetY);
    auto toBase = [&](double x1, double y1, double x2, double y2) {
        if (!(x2 > x1) || !(y2 > y1))
            return Rect();
        return Rect(static_cast<float>((x1 - offsetX) / scaleX), static_cast<float>((y1 - offsetY) / scaleY),
                    static_cast<float>((x2 - x1) / scaleX), static_cast<float>((y2 - y1) / scaleY));
    };
    if (cairo_surface_get_type(surface) == CAIRO_SURFACE_TYPE_RECORDING) {
        double x = 0, y = 0, w = 0, h = 0;
        cairo_recording_surface_ink_extents(surface, &x, &y, &w, &h);
        return toBase(x, y, x + w, y + h);
    }
    if (cairo_surface_get_type(surface) != CAIRO_SURFACE_TYPE_IMAGE)
        return std::nullopt;
    const cairo_format_t format = cairo_image_surface_get_format(surface);
    if (format != CAIRO_FORMAT_ARGB32 && format != CAIRO_FORMAT_A8)
        return std::nullopt;
    cairo_surface_flush(surface);
    const unsigned char *data = cairo_image_surface_get_data(surface);
    const int width = cairo_image_surface_get_width(surface);
    const int height = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    if (!data)
        return std::nullopt;
    int minX = width, minY = height, maxX = -1, maxY = -1;
    for (int y = 0; y < height; ++y) {
        const unsigned char *row = data + static_cast<std::ptrdiff_t>(y) * stride;
        int first = -1, last = -1;
        if (format == CAIRO_FORMAT_ARGB32) {
            const auto *pixels = reinterpret_cast<const std::uint32_t *>(row);
            for (int x = 0; x < width; ++x) {
                if (pixels[x] != 0) {
                    first = first < 0 ? x : first;
                    last = x;
                }
            }
        } else {
            for (int x = 0; x < width; ++x) {
                if (row[x] != 0) {
                    first = first < 0 ? x : first;
                    last = x;
                }
            }
        }
        if (first < 0)
            continue;
        minX = std::min(minX, first);
        maxX = std::max(maxX, last);
        minY = std::min(minY, y);
        maxY = y;
    }
    if (maxY < 0)
        return Rect();
    return toBase(minX, minY, maxX + 1.0, maxY + 1.0);
}

} // namespace

void GraphicsContext::beginTransparencyLayer()
{
    beginLayer(std::nullopt);
}

void GraphicsContext::beginTransparencyLayer(const Rect &bounds)
{
    beginLayer(bounds);
}

void GraphicsContext::beginLayer(const std::optional<Rect> &bounds)
{
    m_pathInCairo.path = nullptr;
    save();
    m_layerDepths.push_back(stateDepth());
    State &s = state();
    s.alpha = 1;
    s.blend = BlendMode::Normal;
    s.shadow.reset();
    // cairo sizes the group's surface from the clip; the clip is undone by
    // the restore at the layer's end, before the layer is composited.
    // Vector targets record the group instead of clearing pixels, so they
    // keep their output as it was.
    if (bounds && m_kind == SurfaceKind::Raster && canDraw() && isFiniteRect(*bounds) &&
        bounds->size.width >= 0 && bounds->size.height >= 0)
        clipToPixelsAround(*bounds);
    cairo_push_group(m_cr);
}

void GraphicsContext::clipToPixelsAround(const Rect &bounds)
{
    cairo_matrix_t m;
    cairo_get_matrix(m_cr, &m);
    double xs[4] = {bounds.minX(), bounds.maxX(), bounds.maxX(), bounds.minX()};
    double ys[4] = {bounds.minY(), bounds.minY(), bounds.maxY(), bounds.maxY()};
    double x1 = INFINITY, y1 = INFINITY, x2 = -INFINITY, y2 = -INFINITY;
    for (int i = 0; i < 4; ++i) {
        cairo_matrix_transform_point(&m, &xs[i], &ys[i]);
        x1 = std::min(x1, xs[i]);
        x2 = std::max(x2, xs[i]);
        y1 = std::min(y1, ys[i]);
        y2 = std::max(y2, ys[i]);
    }
    const Rect clip = clipBoxInBase();
    x1 = std::max(x1, static_cast<double>(clip.minX()));
    y1 = std::max(y1, static_cast<double>(clip.minY()));
    x2 = std::min(x2, static_cast<double>(clip.maxX()));
    y2 = std::min(y2, static_cast<double>(clip.maxY()));
    if (!std::isfinite(x1) || !std::isfinite(y1) || !std::isfinite(x2) || !std::isfinite(y2))
        return;
    // Whole device pixels, with one more on each side for antialiasing, so
    // that the clip's own edge never softens what is painted inside: the
    // pixels inside it come out exactly as over an unclipped layer.
    double scaleX = 1, scaleY = 1;
    cairo_surface_get_device_scale(m_surface, &scaleX, &scaleY);
    if (!(scaleX > 0) || !(scaleY > 0))
        return;
    const double px1 = std::floor(x1 * scaleX) - 1, py1 = std::floor(y1 * scaleY) - 1;
    const double px2 = std::ceil(x2 * scaleX) + 1, py2 = std::ceil(y2 * scaleY) + 1;
    cairo_save(m_cr);
    cairo_identity_matrix(m_cr);
    cairo_new_path(m_cr);
    if (px2 > px1 && py2 > py1)
        cairo_rectangle(m_cr, px1 / scaleX, py1 / scaleY, (px2 - px1) / scaleX, (py2 - py1) / scaleY);
    cairo_restore(m_cr); // the path stays; the matrix comes back
    m_pathInCairo.path = nullptr;
    saveCairoState();
    cairo_clip(m_cr);
    state().clipBox.reset();
}

bool GraphicsContext::endTransparencyLayer()
{
    if (m_layerDepths.empty()) {
        warnOnce(WarnStack, "the end of a transparency layer that was not begun was ignored");
        return false;
    }
    const int depth = m_layerDepths.back();
    if (stateDepth() > depth)
        warnOnce(WarnStack, "states saved inside a transparency layer were restored at its end");
    while (stateDepth() > depth)
        popState();
    cairo_pattern_t *group = cairo_pop_group(m_cr);
    m_layerDepths.pop_back();
    popState();

    // The layer is one painting operation under the alpha, blend mode and
    // shadow that were in effect when it began.
    Operation operation;
    operation.paint = [group](cairo_t *cr, double alpha) {
        cairo_set_source(cr, group);
        cairo_paint_with_alpha(cr, alpha);
    };
    // A shadow needs only the part of the layer that was painted on, which
    // is usually far smaller than the clip.
    operation.bounds = [group]() -> std::optional<Rect> {
        cairo_surface_t *surface = nullptr;
        if (cairo_pattern_get_surface(group, &surface) != CAIRO_STATUS_SUCCESS)
            return std::nullopt;
        return inkBounds(surface);
    };
    perform(operation);
    cairo_pattern_destroy(group);
    return true;
}

} // namespace scrivane
