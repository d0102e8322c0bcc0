#include "document/TDPdfPicture.h"

#include <poppler.h>

#include <cairo.h>
#include <dlfcn.h>

#include <cmath>

namespace scrivane {

namespace {

// The same bound on a page's sides as the importer's.
constexpr double MaximumSide = 1e7;

// poppler and the ~30 libraries it pulls in are loaded the first time a PDF
// picture is drawn, not when the program or a plug-in starts: most drawings
// have none, and linking them costs a thumbnail process most of its time.
struct Poppler {
    decltype(&g_bytes_new) bytesNew = nullptr;
    decltype(&g_bytes_unref) bytesUnref = nullptr;
    decltype(&g_error_free) errorFree = nullptr;
    decltype(&g_object_unref) objectUnref = nullptr;
    decltype(&poppler_document_new_from_bytes) documentNewFromBytes = nullptr;
    decltype(&poppler_document_get_n_pages) documentGetNPages = nullptr;
    decltype(&poppler_document_get_page) documentGetPage = nullptr;
    decltype(&poppler_page_get_size) pageGetSize = nullptr;
    decltype(&poppler_page_render_for_printing) pageRenderForPrinting = nullptr;
    QString failure;

    Poppler()
    {
        // Never unloaded: glib's type system does not survive it.
        void *library = dlopen(SCRIVANE_POPPLER_GLIB_LIBRARY, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (!library) {
            const char *reason = dlerror();
            failure = QStringLiteral("poppler cannot be loaded (%1).").arg(QString::fromLocal8Bit(reason ? reason : ""));
            return;
        }
        const bool found = resolve(library, "g_bytes_new", &bytesNew) && resolve(library, "g_bytes_unref", &bytesUnref)
            && resolve(library, "g_error_free", &errorFree) && resolve(library, "g_object_unref", &objectUnref)
            && resolve(library, "poppler_document_new_from_bytes", &documentNewFromBytes)
            && resolve(library, "poppler_document_get_n_pages", &documentGetNPages)
            && resolve(library, "poppler_document_get_page", &documentGetPage)
            && resolve(library, "poppler_page_get_size", &pageGetSize)
            && resolve(library, "poppler_page_render_for_printing", &pageRenderForPrinting);
        if (!found)
            failure = QStringLiteral("the poppler library lacks a function it needs.");
    }

    template <typename Function>
    static bool resolve(void *library, const char *name, Function *function)
    {
        *function = reinterpret_cast<Function>(dlsym(library, name));
        return *function != nullptr;
    }

    static const Poppler &shared()
    {
        static const Poppler poppler;
        return poppler;
    }
};

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

    const Poppler &poppler = Poppler::shared();
    if (!poppler.failure.isEmpty())
        return fail(poppler.failure);
    GBytes *bytes = poppler.bytesNew(pdf.constData(), size_t(pdf.size()));
    GError *failure = nullptr;
    PopplerDocument *document = poppler.documentNewFromBytes(bytes, nullptr, &failure);
    poppler.bytesUnref(bytes);
    if (!document) {
        why = QStringLiteral("poppler cannot read it (%1).")
                  .arg(QString::fromUtf8(failure ? failure->message : "no reason given"));
        if (failure)
            poppler.errorFree(failure);
        return fail(why);
    }
    PopplerPage *page = poppler.documentGetNPages(document) > 0 ? poppler.documentGetPage(document, 0) : nullptr;
    std::shared_ptr<cairo_surface_t> picture;
    if (!page) {
        why = QStringLiteral("it has no page.");
    } else {
        double width = 0, height = 0;
        poppler.pageGetSize(page, &width, &height);
        if (!(width > 0 && height > 0 && width <= MaximumSide && height <= MaximumSide)) {
            why = QStringLiteral("its first page has no usable size.");
        } else {
            const cairo_rectangle_t extents{0, 0, width, height};
            cairo_surface_t *surface = cairo_recording_surface_create(CAIRO_CONTENT_COLOR_ALPHA, &extents);
            cairo_t *cr = cairo_create(surface);
            // Drawn as for print: images keep their own pixels instead of
            // being cut down to one pixel a point, which would blur them
            // as soon as the picture is zoomed or scaled up.
            poppler.pageRenderForPrinting(page, cr);
            cairo_destroy(cr);
            if (cairo_surface_status(surface) == CAIRO_STATUS_SUCCESS) {
                picture.reset(surface, &cairo_surface_destroy);
            } else {
                why = QStringLiteral("cairo could not record it (%1).")
                          .arg(QString::fromUtf8(cairo_status_to_string(cairo_surface_status(surface))));
                cairo_surface_destroy(surface);
            }
        }
        poppler.objectUnref(page);
    }
    poppler.objectUnref(document);
    if (!picture)
        return fail(why);
    return picture;
}

} // namespace scrivane
