#pragma once

#include <QByteArray>

#include <memory>

typedef struct _cairo_surface cairo_surface_t;

namespace scrivane {

// The first page of a PDF as a picture that an image fill can show: the
// page drawn by poppler into a cairo recording surface whose extents are
// the page as it is shown (its crop box, turned by its rotation), so that
// it draws as sharp vectors at any zoom and into PDF output.
class TDPdfPicture {
public:
    // Null when poppler cannot read the data or it has no page.
    static std::shared_ptr<cairo_surface_t> firstPage(const QByteArray &pdf);
};

} // namespace scrivane
