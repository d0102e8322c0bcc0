#include "platform/GraphicsContext.h"
#include "platform/CairoLine.h"

#include <QFile>
#include <QIODevice>
#include <QtGlobal>

#include <cairo-pdf.h>
#include <cairo-ps.h>

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

cairo_matrix_t toCairo(const AffineTransform &t)
{
    cairo_matrix_t m;
    cairo_matrix_init(&m, t.m11, t.m12, t.m21, t.m22, t.tX, t.tY);
    return m;
}

AffineTransform fromCairo(const cairo_matrix_t &m)
{
    return AffineTransform(static_cast<float>(m.xx), static_cast<float>(m.yx), static_cast<float>(m.xy),
                           static_cast<float>(m.yy), static_cast<float>(m.x0), static_cast<float>(m.y0));
}

// What cairo would accept without falling into its error state, and a little
// more: the inverse must be finite too, or later conversions overflow.
bool isUsableMatrix(const cairo_matrix_t &m)
{
    const double values[] = {m.xx, m.yx, m.xy, m.yy, m.x0, m.y0};
    for (double v : values) {
        if (!std::isfinite(v))
            return false;
    }
    const double det = m.xx * m.yy - m.yx * m.xy;
    if (det == 0 || !std::isfinite(det) || !std::isfinite(1 / det))
        return false;
    cairo_matrix_t inverse = m;
    if (cairo_matrix_invert(&inverse) != CAIRO_STATUS_SUCCESS)
        return false;
    const double inverted[] = {inverse.xx, inverse.yx, inverse.xy, inverse.yy, inverse.x0, inverse.y0};
    for (double v : inverted) {
        if (!std::isfinite(v))
            return false;
    }
    return true;
}

SurfaceKind kindOf(cairo_surface_t *surface)
{
    switch (cairo_surface_get_type(surface)) {
    case CAIRO_SURFACE_TYPE_PDF:
        return SurfaceKind::Pdf;
    case CAIRO_SURFACE_TYPE_PS:
        return SurfaceKind::PostScript;
    case CAIRO_SURFACE_TYPE_SVG:
    case CAIRO_SURFACE_TYPE_RECORDING:
    case CAIRO_SURFACE_TYPE_SCRIPT:
        return SurfaceKind::OtherVector;
    default:
        return SurfaceKind::Raster;
    }
}

cairo_status_t writeToDevice(void *closure, const unsigned char *data, unsigned int length)
{
    auto *device = static_cast<QIODevice *>(closure);
    if (!device)
        return CAIRO_STATUS_WRITE_ERROR;
    const qint64 written = device->write(reinterpret_cast<const char *>(data), static_cast<qint64>(length));
    return written == static_cast<qint64>(length) ? CAIRO_STATUS_SUCCESS : CAIRO_STATUS_WRITE_ERROR;
}

} // namespace

// --- Line styles -----------------------------------------------------------------

LineStyle LineStyle::of(const PathBase &path)
{
    LineStyle style;
    style.width = path.lineWidth();
    style.cap = path.lineCapStyle();
    style.join = path.lineJoinStyle();
    style.miterLimit = path.miterLimit();
    style.dash = path.lineDash();
    style.dashPhase = path.lineDashPhase();
    return style;
}

bool LineStyle::isValidDash(const std::vector<float> &dash, float phase)
{
    return dash.empty() || (std::isfinite(phase) && cairoAcceptsDash(dash));
}

// --- Construction ----------------------------------------------------------------

GraphicsContext::GraphicsContext(cairo_t *cr, bool flipped, Ownership ownership)
    : m_cr(cr), m_flipped(flipped), m_ownsCairo(ownership == Ownership::Adopt)
{
    m_surface = cairo_surface_reference(cairo_get_target(cr));
    m_kind = kindOf(m_surface);
    m_states.emplace_back();
    // The caller's state is given back on destruction.
    cairo_save(m_cr);
    cairo_get_matrix(m_cr, &m_baseCTM);
    // The clip the caller set is the base that a replaced clip starts from.
    cairo_rectangle_list_t *list = cairo_copy_clip_rectangle_list(m_cr);
    BaseClip base{PathBase(), m_baseCTM};
    if (list->status == CAIRO_STATUS_SUCCESS) {
        for (int i = 0; i < list->num_rectangles; ++i) {
            const cairo_rectangle_t &r = list->rectangles[i];
            base.path.appendRect(Rect(static_cast<float>(r.x), static_cast<float>(r.y),
                                      static_cast<float>(r.width), static_cast<float>(r.height)));
        }
    } else {
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        cairo_clip_extents(m_cr, &x1, &y1, &x2, &y2);
        base.path.appendRect(Rect(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2 - x1),
                                  static_cast<float>(y2 - y1)));
    }
    cairo_rectangle_list_destroy(list);
    base.path.setWindingRule(WindingRule::NonZero);
    m_baseClip.push_back(std::move(base));
}

GraphicsContext::GraphicsContext(cairo_surface_t *surface, SurfaceKind kind, bool flipped,
                                 std::unique_ptr<QIODevice> device)
    : m_cr(cairo_create(surface)), m_surface(cairo_surface_reference(surface)), m_kind(kind),
      m_flipped(flipped), m_ownsCairo(true), m_ownedDevice(std::move(device))
{
    m_states.emplace_back();
    cairo_save(m_cr);
    if (!m_flipped) {
        // y-up from the bottom-left corner of the surface.
        double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
        cairo_clip_extents(m_cr, &x1, &y1, &x2, &y2);
        cairo_translate(m_cr, 0, y1 + y2);
        cairo_scale(m_cr, 1, -1);
    }
    cairo_get_matrix(m_cr, &m_baseCTM);
}

GraphicsContext::~GraphicsContext()
{
    if (!m_finished) {
        if (m_ownsSurface)
            finish();
        else {
            unwind();
            cairo_surface_flush(m_surface);
        }
    }
    cairo_restore(m_cr);
    if (m_ownsCairo)
        cairo_destroy(m_cr);
    cairo_surface_destroy(m_surface);
}

std::unique_ptr<GraphicsContext> GraphicsContext::forImage(QImage &image, bool flipped)
{
    if (image.format() != QImage::Format_ARGB32_Premultiplied)
        image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return nullptr;
    cairo_surface_t *surface =
        cairo_image_surface_create_for_data(image.bits(), CAIRO_FORMAT_ARGB32, image.width(), image.height(),
                                            static_cast<int>(image.bytesPerLine()));
    const double scale = image.devicePixelRatio();
    if (scale > 0 && std::isfinite(scale))
        cairo_surface_set_device_scale(surface, scale, scale);
    std::unique_ptr<GraphicsContext> context(
        new GraphicsContext(surface, SurfaceKind::Raster, flipped, nullptr));
    context->m_ownsSurface = true;
    cairo_surface_destroy(surface);
    return context;
}

std::unique_ptr<GraphicsContext> GraphicsContext::forSurface(cairo_surface_t *surface, bool flipped)
{
    if (!surface || cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS)
        return nullptr;
    return std::unique_ptr<GraphicsContext>(new GraphicsContext(surface, kindOf(surface), flipped, nullptr));
}

std::unique_ptr<GraphicsContext> GraphicsContext::forVector(SurfaceKind kind, QIODevice *device,
                                                            std::unique_ptr<QIODevice> owned, Size pageSize,
                                                            bool flipped)
{
    if (!device || !(pageSize.width > 0) || !(pageSize.height > 0) || !std::isfinite(pageSize.width) ||
        !std::isfinite(pageSize.height))
        return nullptr;
    cairo_surface_t *surface = nullptr;
    if (kind == SurfaceKind::Pdf) {
        surface = cairo_pdf_surface_create_for_stream(writeToDevice, device, pageSize.width, pageSize.height);
    } else {
        surface = cairo_ps_surface_create_for_stream(writeToDevice, device, pageSize.width, pageSize.height);
        cairo_ps_surface_set_eps(surface, 1);
    }
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    std::unique_ptr<GraphicsContext> context(new GraphicsContext(surface, kind, flipped, std::move(owned)));
    context->m_ownsSurface = true;
    cairo_surface_destroy(surface);
    return context;
}

std::unique_ptr<GraphicsContext> GraphicsContext::forVectorFile(SurfaceKind kind, const QString &path,
                                                                Size pageSize, bool flipped, QString *error)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        if (error)
            *error = QStringLiteral("Cannot write \"%1\": %2").arg(path, file->errorString());
        return nullptr;
    }
    QIODevice *device = file.get();
    auto context = forVector(kind, device, std::move(file), pageSize, flipped);
    if (!context && error)
        *error = QStringLiteral("Cannot make a page of that size for \"%1\".").arg(path);
    return context;
}

std::unique_ptr<GraphicsContext> GraphicsContext::forPdf(QIODevice *device, Size pageSize, bool flipped)
{
    return forVector(SurfaceKind::Pdf, device, nullptr, pageSize, flipped);
}

std::unique_ptr<GraphicsContext> GraphicsContext::forPdfFile(const QString &path, Size pageSize, bool flipped,
                                                             QString *error)
{
    return forVectorFile(SurfaceKind::Pdf, path, pageSize, flipped, error);
}

std::unique_ptr<GraphicsContext> GraphicsContext::forEps(QIODevice *device, Size pageSize, bool flipped)
{
    return forVector(SurfaceKind::PostScript, device, nullptr, pageSize, flipped);
}

std::unique_ptr<GraphicsContext> GraphicsContext::forEpsFile(const QString &path, Size pageSize, bool flipped,
                                                             QString *error)
{
    return forVectorFile(SurfaceKind::PostScript, path, pageSize, flipped, error);
}

double GraphicsContext::pixelsPerBaseUnit() const
{
    if (isVectorTarget())
        return m_vectorRasterScale;
    double sx = 1, sy = 1;
    cairo_surface_get_device_scale(m_surface, &sx, &sy);
    const double scale = std::max(sx, sy);
    return scale > 0 && std::isfinite(scale) ? scale : 1.0;
}

void GraphicsContext::setVectorRasterScale(double scale)
{
    if (scale > 0 && std::isfinite(scale))
        m_vectorRasterScale = std::clamp(scale, 0.05, 32.0);
    else
        warnOnce(WarnNumber, "a raster scale that is not a positive number was ignored");
}

void GraphicsContext::flush()
{
    cairo_surface_flush(m_surface);
}

bool GraphicsContext::finish()
{
    if (m_finished)
        return !hasError();
    unwind();
    if (m_ownsSurface && isVectorTarget())
        cairo_show_page(m_cr);
    checkStatus();
    bool ok = cairo_status(m_cr) == CAIRO_STATUS_SUCCESS;
    if (m_ownsSurface)
        cairo_surface_finish(m_surface);
    else
        cairo_surface_flush(m_surface);
    ok = ok && cairo_surface_status(m_surface) == CAIRO_STATUS_SUCCESS;
    if (m_ownedDevice) {
        if (auto *file = qobject_cast<QFileDevice *>(m_ownedDevice.get())) {
            if (!file->flush())
                ok = false;
        }
        m_ownedDevice->close();
    }
    m_finished = true;
    return ok;
}

void GraphicsContext::unwind()
{
    if (!m_layerDepths.empty() || stateDepth() > 0)
        warnOnce(WarnStack, "states or transparency layers were left open and have been closed");
    while (!m_layerDepths.empty())
        endTransparencyLayer();
    while (stateDepth() > 0)
        restore();
}

// --- State ---------------------------------------------------------------------------

void GraphicsContext::save()
{
    // Most levels change only what this context applies itself (colours,
    // alpha, blend mode, line, shadow), and a cairo save copies the clip:
    // cairo's matrix and clip are saved when a level first changes them.
    m_states.push_back(state());
    m_states.back().cairoSaved = false;
}

void GraphicsContext::saveCairoState()
{
    if (stateDepth() > 0 && !state().cairoSaved) {
        cairo_save(m_cr);
        state().cairoSaved = true;
    }
}

void GraphicsContext::popState()
{
    if (state().cairoSaved)
        cairo_restore(m_cr);
    m_states.pop_back();
}

bool GraphicsContext::restore()
{
    if (stateDepth() == 0 || (!m_layerDepths.empty() && m_layerDepths.back() == stateDepth())) {
        warnOnce(WarnStack, "a restore without a matching save was ignored");
        return false;
    }
    popState();
    return true;
}

// --- Transformation ------------------------------------------------------------

AffineTransform GraphicsContext::ctm() const
{
    cairo_matrix_t m;
    cairo_get_matrix(m_cr, &m);
    return fromCairo(m);
}

AffineTransform GraphicsContext::baseCTM() const
{
    return fromCairo(m_baseCTM);
}

bool GraphicsContext::setCTM(const AffineTransform &transform)
{
    const cairo_matrix_t m = toCairo(transform);
    if (!isUsableMatrix(m)) {
        warnOnce(WarnMatrix, "a singular or non-finite transformation was refused");
        return false;
    }
    saveCairoState();
    cairo_set_matrix(m_cr, &m);
    return true;
}

std::optional<cairo_matrix_t> GraphicsContext::concatenable(const AffineTransform &transform) const
{
    const cairo_matrix_t m = toCairo(transform);
    cairo_matrix_t current;
    cairo_get_matrix(m_cr, &current);
    cairo_matrix_t result;
    cairo_matrix_multiply(&result, &m, &current);
    if (!isUsableMatrix(m) || !isUsableMatrix(result))
        return std::nullopt;
    return m;
}

bool GraphicsContext::concatCTM(const AffineTransform &transform)
{
    const cairo_matrix_t m = toCairo(transform);
    cairo_matrix_t current;
    cairo_get_matrix(m_cr, &current);
    cairo_matrix_t result;
    cairo_matrix_multiply(&result, &m, &current);
    if (!isUsableMatrix(m) || !isUsableMatrix(result)) {
        warnOnce(WarnMatrix, "a singular or non-finite transformation was refused");
        return false;
    }
    saveCairoState();
    cairo_set_matrix(m_cr, &result);
    return true;
}

void GraphicsContext::resetCTM()
{
    saveCairoState();
    cairo_set_matrix(m_cr, &m_baseCTM);
}

// --- Clip ------------------------------------------------------------------------------

bool GraphicsContext::addClip(const PathBase &path)
{
    if (!path.hasFinitePoints()) {
        warnOnce(WarnPath, "a path with coordinates that are not finite was refused");
        return false;
    }
    saveCairoState();
    m_pathInCairo.path = nullptr;
    cairo_new_path(m_cr);
    path.addToCairo(m_cr);
    path.applyFillRule(m_cr);
    cairo_clip(m_cr);
    state().clipBox.reset();
    return true;
}

bool GraphicsContext::addClipRect(const Rect &rect)
{
    return addClip(PathBase::withRect(rect));
}

bool GraphicsContext::replaceClip(const PathBase &path)
{
    if (!path.hasFinitePoints()) {
        warnOnce(WarnPath, "a path with coordinates that are not finite was refused");
        return false;
    }
    resetClip();
    return addClip(path);
}

void GraphicsContext::resetClip()
{
    saveCairoState();
    m_pathInCairo.path = nullptr;
    cairo_reset_clip(m_cr);
    state().clipBox.reset();
    if (m_baseClip.empty())
        return;
    cairo_matrix_t current;
    cairo_get_matrix(m_cr, &current);
    const cairo_fill_rule_t rule = cairo_get_fill_rule(m_cr);
    for (const BaseClip &clip : m_baseClip) {
        cairo_set_matrix(m_cr, &clip.ctm);
        cairo_new_path(m_cr);
        clip.path.addToCairo(m_cr);
        clip.path.applyFillRule(m_cr);
        cairo_clip(m_cr);
    }
    cairo_set_fill_rule(m_cr, rule);
    cairo_set_matrix(m_cr, &current);
}

bool GraphicsContext::addBaseClip(const PathBase &path)
{
    if (stateDepth() != 0 || !m_layerDepths.empty()) {
        warnOnce(WarnStack, "a base clip can only be added at the bottom of the state stack");
        return false;
    }
    if (!addClip(path))
        return false;
    BaseClip clip{path, {}};
    cairo_get_matrix(m_cr, &clip.ctm);
    m_baseClip.push_back(std::move(clip));
    return true;
}

Rect GraphicsContext::clipBoundingBox() const
{
    const State &s = state();
    cairo_matrix_t m;
    cairo_get_matrix(m_cr, &m);
    if (s.clipBox && m.xx == s.clipBoxCTM.xx && m.yx == s.clipBoxCTM.yx && m.xy == s.clipBoxCTM.xy &&
        m.yy == s.clipBoxCTM.yy && m.x0 == s.clipBoxCTM.x0 && m.y0 == s.clipBoxCTM.y0)
        return *s.clipBox;
    double x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    cairo_clip_extents(m_cr, &x1, &y1, &x2, &y2);
    s.clipBox = Rect(static_cast<float>(x1), static_cast<float>(y1), static_cast<float>(x2 - x1),
                     static_cast<float>(y2 - y1));
    s.clipBoxCTM = m;
    return *s.clipBox;
}

// --- Paint settings ---------------------------------------------------------------

std::optional<BlendMode> GraphicsContext::blendModeForNumber(int number)
{
    if (number < 0 || number > 15)
        return std::nullopt;
    return static_cast<BlendMode>(number);
}

void GraphicsContext::setBlendModeNumber(int number)
{
    const std::optional<BlendMode> mode = blendModeForNumber(number);
    if (!mode)
        warnOnce(WarnNumber, "an unknown blend mode number draws as normal");
    setBlendMode(mode.value_or(BlendMode::Normal));
}

void GraphicsContext::setAlpha(float alpha)
{
    if (std::isnan(alpha)) {
        warnOnce(WarnNumber, "an alpha that is not a number was ignored");
        return;
    }
    state().alpha = std::clamp(alpha, 0.0f, 1.0f);
}

bool GraphicsContext::setShadow(const ContextShadow &shadow)
{
    if (!std::isfinite(shadow.offset.width) || !std::isfinite(shadow.offset.height) ||
        !std::isfinite(shadow.blur)) {
        warnOnce(WarnNumber, "a shadow with numbers that are not finite was refused");
        return false;
    }
    ContextShadow s = shadow;
    s.blur = std::max(s.blur, 0.0f);
    state().shadow = s;
    return true;
}

ContextShadow GraphicsContext::shadowForGraphic(float angle, float distance, float radius,
                                                const scrivane::Color &color, float zoom) const
{
    // The offset lives in base space, whose y grows upwards: in a flipped
    // user space "down the page" is negative there.
    const double dx = static_cast<double>(zoom) * std::sin(static_cast<double>(angle)) * distance;
    double dy = static_cast<double>(zoom) * std::cos(static_cast<double>(angle)) * distance;
    if (!m_flipped)
        dy = -dy;
    ContextShadow shadow;
    shadow.offset = Size(static_cast<float>(dx), static_cast<float>(dy));
    shadow.blur = zoom * radius;
    shadow.color = color;
    return shadow;
}

void GraphicsContext::setColor(const scrivane::Color &color)
{
    state().fill = color;
    state().stroke = color;
}

bool GraphicsContext::setLineStyle(const LineStyle &style)
{
    if (std::isnan(style.width) || !std::isfinite(style.miterLimit) ||
        !LineStyle::isValidDash(style.dash, style.dashPhase)) {
        warnOnce(WarnDash, "a line style with a bad dash or numbers that are not finite was refused");
        return false;
    }
    state().line = style;
    return true;
}

// --- Errors ------------------------------------------------------------------------------

bool GraphicsContext::hasError() const
{
    return cairo_status(m_cr) != CAIRO_STATUS_SUCCESS ||
           (cairo_surface_status(m_surface) != CAIRO_STATUS_SUCCESS &&
            cairo_surface_status(m_surface) != CAIRO_STATUS_SURFACE_FINISHED);
}

QString GraphicsContext::errorString() const
{
    cairo_status_t status = cairo_status(m_cr);
    if (status == CAIRO_STATUS_SUCCESS)
        status = cairo_surface_status(m_surface);
    if (status == CAIRO_STATUS_SUCCESS || status == CAIRO_STATUS_SURFACE_FINISHED)
        return QString();
    return QString::fromUtf8(cairo_status_to_string(status));
}

bool GraphicsContext::canDraw() const
{
    return !m_finished && cairo_status(m_cr) == CAIRO_STATUS_SUCCESS;
}

void GraphicsContext::warnOnce(Warning kind, const char *message)
{
    if (m_warned & kind)
        return;
    m_warned |= kind;
    qWarning("Drawing: %s.", message);
}

void GraphicsContext::checkStatus()
{
    if (!hasError() || (m_warned & WarnCairo))
        return;
    m_warned |= WarnCairo;
    qWarning("Drawing: cairo stopped drawing (%s); what is drawn from now on may not show.",
             qPrintable(errorString()));
}

} // namespace scrivane
