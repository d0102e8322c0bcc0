#pragma once

#include "platform/PluginInterface.h"

#include <QString>

#include <memory>

namespace scrivane {

class GraphicsContext;
class TDDocument;
class WorkBudget;

// What the preview plug-in does for a request: it reads the document
// package at a file URL with the program's own document code and draws it
// into the context the request hands out.  The preview shows the whole
// paper, the thumbnail the area the graphics cover.  Failures draw nothing
// and say why through the request.
//
// Packages reach this code unasked (a file manager shows a folder), so
// every request works within a WorkBudget: what it reads, decodes and
// draws is counted, and a drawing that would pass the budget is not drawn
// at all.
class PreviewGeneration {
public:
    // The document at `url` (a file URL) read as `contentType` ("Scrivane
    // Document", "Verdane Document" or the type identifier) within
    // `budget`, or nothing with a message.
    static std::unique_ptr<TDDocument> loadDocument(const QString &url, const QString &contentType,
                                                    const std::shared_ptr<WorkBudget> &budget, QString *error);
    // Charges the budget with the path elements of all graphics (hidden
    // ones too: their bounds frame a thumbnail), counting those charged
    // while the drawing was read; false (with the budget's reason) when
    // they are more than it allows.
    static bool chargePathElements(const TDDocument &document, WorkBudget &budget);
    // Charges the budget with the rows of pixels the visible graphics' path
    // segments sweep at `scale` pixels a point: what a rasteriser's work
    // grows with (long crossing lines cost far more than their number).
    static bool chargeRasterRows(const TDDocument &document, double scale, WorkBudget &budget);
    // Erases the paper to white, then draws the visible graphics with the
    // document as their drawing target; false when the budget's time ran
    // out before every graphic was drawn.
    static bool drawDocument(TDDocument &document, GraphicsContext &context, WorkBudget *budget = nullptr);

    static void generatePreview(PreviewRequest *request, const QString &url, const QString &contentType);
    static void generateThumbnail(PreviewRequest *request, const QString &url, const QString &contentType);
};

} // namespace scrivane
