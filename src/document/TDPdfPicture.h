#pragma once

#include "document/TDPdfLimits.h"

#include <QByteArray>
#include <QString>

#include <memory>

typedef struct _cairo_surface cairo_surface_t;

namespace scrivane {

// The first page of a PDF as a picture that an image fill can show: the
// page drawn by poppler into a cairo recording surface whose extents are
// the page as it is shown (its crop box, turned by its rotation), so that
// it draws as sharp vectors at any zoom and into PDF output.
//
// poppler runs in our process on a stranger's data, so the page is first
// measured against the importer's limits: the data's size, the page's
// size, the pixels of every image it reaches (inline ones too), the
// decoded size of its streams, and the operators its content runs with
// every form counted each time it is drawn.
class TDPdfPicture {
public:
    // Null, with the reason, when the data passes a limit, poppler cannot
    // read it, or it has no page.
    static std::shared_ptr<cairo_surface_t> firstPage(const QByteArray &pdf, QString *error,
                                                      const TDPdfLimits &limits = TDPdfLimits());
    // Whether the first page stays within the limits; false, with the
    // reason, otherwise (also when qpdf cannot read the data).
    static bool withinLimits(const QByteArray &pdf, const TDPdfLimits &limits, QString *error);
};

} // namespace scrivane
