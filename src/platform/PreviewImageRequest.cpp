#include "PreviewImageRequest.h"

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {
cairo_status_t appendToByteArray(void *closure, const unsigned char *data, unsigned int length)
{
    static_cast<QByteArray *>(closure)->append(reinterpret_cast<const char *>(data), qsizetype(length));
    return CAIRO_STATUS_SUCCESS;
}
} // namespace

const PreviewRequestFunctions PreviewImageRequest::s_functions{&PreviewImageRequest::createContext,
                                                               &PreviewImageRequest::flushContext,
                                                               &PreviewImageRequest::reportFailure};

PreviewImageRequest::PreviewImageRequest(Mode mode, int maxSide)
    : PreviewRequest{&s_functions}, m_mode(mode), m_maxSide(maxSide <= 0 ? 0 : std::min(maxSide, int(LargestSide)))
{
}

PreviewImageRequest::~PreviewImageRequest()
{
    if (m_surface)
        cairo_surface_destroy(m_surface);
}

cairo_t *PreviewImageRequest::createContext(PreviewRequest *base, double width, double height, int isBitmap)
{
    auto *self = static_cast<PreviewImageRequest *>(base);
    self->m_requestedSize = Size(float(width), float(height));
    self->m_requestedBitmap = isBitmap != 0;
    if (self->m_surface || !std::isfinite(width) || !std::isfinite(height) || !(width > 0) || !(height > 0))
        return nullptr;

    const double longer = std::max(width, height);
    double scale = 1;
    if (self->m_mode == Mode::Thumbnail || self->m_maxSide > 0)
        scale = (self->m_maxSide > 0 ? self->m_maxSide : LargestSide) / longer;
    if (longer * scale > LargestSide)
        scale = LargestSide / longer;
    if (!std::isfinite(scale) || !(scale > 0))
        return nullptr;
    const auto pixels = [scale](double points) {
        return int(std::clamp(std::lround(points * scale), 1L, long(LargestSide)));
    };
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, pixels(width), pixels(height));
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    self->m_surface = surface;
    self->m_scale = scale;
    // Points, y up from the bottom-left corner.
    cairo_t *cr = cairo_create(surface);
    cairo_scale(cr, scale, scale);
    cairo_translate(cr, 0, height);
    cairo_scale(cr, 1, -1);
    return cr;
}

void PreviewImageRequest::flushContext(PreviewRequest *base, cairo_t *context)
{
    auto *self = static_cast<PreviewImageRequest *>(base);
    if (!context || !self->m_surface || cairo_get_target(context) != self->m_surface)
        return;
    cairo_surface_flush(self->m_surface);
    self->m_flushed = true;
}

void PreviewImageRequest::reportFailure(PreviewRequest *base, const char *message)
{
    auto *self = static_cast<PreviewImageRequest *>(base);
    self->m_failure = message ? QString::fromUtf8(message) : QString();
}

QImage PreviewImageRequest::image() const
{
    if (!m_flushed)
        return QImage();
    const QImage view(cairo_image_surface_get_data(m_surface), cairo_image_surface_get_width(m_surface),
                      cairo_image_surface_get_height(m_surface), cairo_image_surface_get_stride(m_surface),
                      QImage::Format_ARGB32_Premultiplied);
    return view.copy();
}

QByteArray PreviewImageRequest::pngData() const
{
    QByteArray png;
    if (m_flushed && cairo_surface_write_to_png_stream(m_surface, &appendToByteArray, &png) != CAIRO_STATUS_SUCCESS)
        png.clear();
    return png;
}

} // namespace scrivane
