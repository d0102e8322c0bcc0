#include "document/TDPdfPicture.h"

#include <poppler.h>

#include <cairo.h>

#include <cmath>

namespace scrivane {

namespace {

// The same bound on a page's sides as the importer's.
constexpr double MaximumSide = 1e7;

} // namespace

std::shared_ptr<cairo_surface_t> TDPdfPicture::firstPage(const QByteArray &pdf, QString *error,
                                                         const TDPdfLimits &limits)
{
    const auto fail = [error](const QString &reason) -> std::shared_ptr<cairo_surface_t> {
        if (error)
            *error = QStringLiteral("The PDF picture is not drawn: %1").arg(reason);
        return nullptr;
    };
    if (pdf.isEmpty())
        return fail(QStringLiteral("it holds no data."));
    QString why;
    if (!withinLimits(pdf, limits, &why))
        return fail(why);

    GBytes *bytes = g_bytes_new(pdf.constData(), size_t(pdf.size()));
    GError *failure = nullptr;
    PopplerDocument *document = poppler_document_new_from_bytes(bytes, nullptr, &failure);
    g_bytes_unref(bytes);
    if (!document) {
        why = QStringLiteral("poppler cannot read it (%1).")
                  .arg(QString::fromUtf8(failure ? failure->message : "no reason given"));
        if (failure)
            g_error_free(failure);
        return fail(why);
    }
    PopplerPage *page = poppler_document_get_n_pages(document) > 0 ? poppler_document_get_page(document, 0) : nullptr;
    std::shared_ptr<cairo_surface_t> picture;
    if (!page) {
        why = QStringLiteral("it has no page.");
    } else {
        double width = 0, height = 0;
        poppler_page_get_size(page, &width, &height);
        if (!(width > 0 && height > 0 && width <= MaximumSide && height <= MaximumSide)) {
            why = QStringLiteral("its first page has no usable size.");
        } else {
            const cairo_rectangle_t extents{0, 0, width, height};
            cairo_surface_t *surface = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents);
            cairo_t *cr = cairo_create(surface);
            // Drawn as for print: images keep their own pixels instead of
            // being cut down to one pixel a point, which would blur them
            // as soon as the picture is zoomed or scaled up.
            poppler_page_render_for_printing(page, cr);
            cairo_destroy(cr);
            if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
                picture.reset(surface, &cairo_surface_destroy);
            } else {
                why = QStringLiteral("cairo could not record it (%1).")
                          .arg(QString::fromUtf8(cairo_status_to_string(cairo_surface_status(surface))));
                cairo_surface_destroy(surface);
            }
        }
        g_object_unref(page);
    }
    g_object_unref(document);
    if (!picture)
        return fail(why);
    return picture;
}

} // namespace scrivane
