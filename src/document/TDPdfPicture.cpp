#include "document/TDPdfPicture.h"

#include <poppler.h>

#include <QDebug>

#include <cairo.h>

#include <cmath>

namespace scrivane {

std::shared_ptr<cairo_surface_t> TDPdfPicture::firstPage(const QByteArray &pdf)
{
    if (pdf.isEmpty())
        return nullptr;
    GBytes *bytes = g_bytes_new(pdf.constData(), size_t(pdf.size()));
    GError *error = nullptr;
    PopplerDocument *document = poppler_document_new_from_bytes(bytes, nullptr, &error);
    g_bytes_unref(bytes);
    if (!document) {
        qWarning().noquote() << QStringLiteral("The PDF picture cannot be read: %1")
                                    .arg(QString::fromUtf8(error ? error->message : "no reason given"));
        if (error)
            g_error_free(error);
        return nullptr;
    }
    PopplerPage *page = poppler_document_get_n_pages(document) > 0 ? poppler_document_get_page(document, 0) : nullptr;
    std::shared_ptr<cairo_surface_t> picture;
    if (page) {
        double width = 0, height = 0;
        poppler_page_get_size(page, &width, &height);
        if (width > 0 && height > 0 && std::isfinite(width) && std::isfinite(height)) {
            const cairo_rectangle_t extents{0, 0, width, height};
            cairo_surface_t *surface = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents);
            cairo_t *cr = cairo_create(surface);
            poppler_page_render(page, cr);
            cairo_destroy(cr);
            if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS)
                picture.reset(surface, &cairo_surface_destroy);
            else
                cairo_surface_destroy(surface);
        }
        g_object_unref(page);
    }
    g_object_unref(document);
    return picture;
}

} // namespace scrivane
