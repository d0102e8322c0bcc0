#pragma once

#include "model/TDModelTypes.h"
#include "platform/AffineTransform.h"
#include "platform/Geometry.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace scrivane {

class TDDocument;
class TDGraphic;

// Turns the first page of a PDF (or of an EPS picture, through
// Ghostscript) into editable graphics: paths with fill and stroke styles,
// clipping groups, groups of forms, image rectangles, gradient-filled
// shapes and text rectangles.  The data is a stranger's: whatever cannot be
// read is skipped and noted, limits bound the work, and a failure changes
// nothing.
class TDPdfImporter {
public:
    // The first page as it is shown (its crop box, turned by its rotation),
    // in points; nothing for data that is no readable PDF.
    static std::optional<Size> pageSize(const QByteArray &pdf);
    // The graphics of the first page, bottom first, placed by `placement`,
    // which maps the unit square of the shown page (y down, the top left
    // corner at the origin) into the document.  Nothing, with the reason in
    // `error`, when the data is no readable PDF or the page passes a limit.
    // What was skipped as unsupported is added to `notes`.
    static std::optional<TDGraphicArray> graphicsForFirstPage(const QByteArray &pdf, const AffineTransform &placement,
                                                              QString *error, QStringList *notes = nullptr);
    // Whether the graphic shows a picture the command below takes: its fill
    // is an image of PDF or EPS data.
    static bool canImport(const TDGraphic &graphic);
    // The command: the graphics of the first page of the graphic's picture
    // join the document's current layer, where the picture lay, and the
    // graphic leaves the document, as one undo step named "Import PDF".
    // False, with the reason and nothing changed, otherwise.
    static bool replaceWithPage(TDDocument &document, TDGraphic &graphic, QString *error);
};

} // namespace scrivane
