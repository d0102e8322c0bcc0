#include "PreviewGeneration.h"

#include "document/TDDocument.h"
#include "document/TDPackageWrapper.h"
#include "model/TDGraphic.h"
#include "platform/GraphicsContext.h"

#include <QFileInfo>
#include <QUrl>

namespace scrivane {

namespace {
void reportFailure(PreviewRequest *request, const QString &message)
{
    if (request->functions->reportFailure)
        request->functions->reportFailure(request, message.toUtf8().constData());
}

// Draws the document into a context of `area`'s size that the request
// hands out: `flip` maps the document's y-down points into the context's
// y-up ones.
void drawInto(PreviewRequest *request, TDDocument &document, const Rect &area, bool isBitmap,
              const cairo_matrix_t &flip, const char *what)
{
    cairo_t *cr = request->functions->createContext(request, area.width(), area.height(), isBitmap);
    if (!cr) {
        reportFailure(request, QStringLiteral("The %1 of %2 × %3 points cannot be drawn.")
                                   .arg(QLatin1String(what))
                                   .arg(double(area.width()))
                                   .arg(double(area.height())));
        return;
    }
    cairo_save(cr);
    cairo_transform(cr, &flip);
    {
        GraphicsContext context(cr, true);
        PreviewGeneration::drawDocument(document, context);
    }
    cairo_restore(cr);
    request->functions->flushContext(request, cr);
    cairo_destroy(cr);
}
} // namespace

std::unique_ptr<TDDocument> PreviewGeneration::loadDocument(const QString &url, const QString &contentType,
                                                            QString *error)
{
    // Older packages keep their drawing as YAML; the YAML reader is part of
    // the runtime services linked into this module, so there is nothing
    // to load before reading.
    auto document = std::make_unique<TDDocument>();
    const QUrl location(url);
    if (!location.isLocalFile()) {
        *error = QStringLiteral("“%1” is not a file.").arg(url);
        return nullptr;
    }
    const QString path = QFileInfo(location.toLocalFile()).canonicalFilePath();
    if (path.isEmpty()) {
        *error = QStringLiteral("“%1” does not exist.").arg(location.toLocalFile());
        return nullptr;
    }
    const auto wrapper = TDPackageWrapper::read(path, error);
    if (!wrapper)
        return nullptr;
    if (!document->loadFileWrapperRepresentation(*wrapper, contentType)) {
        *error = document->lastError();
        return nullptr;
    }
    return document;
}

void PreviewGeneration::drawDocument(TDDocument &document, GraphicsContext &context)
{
    context.save();
    context.setFillColor(Color::white());
    context.fillRect(document.paperBounds(), CompositeOperation::Copy);
    context.restore();
    for (const TDGraphicPtr &graphic : document.visibleGraphics()) {
        context.save();
        graphic->drawInView(&document, context);
        context.restore();
    }
}

void PreviewGeneration::generatePreview(PreviewRequest *request, const QString &url, const QString &contentType)
{
    QString error;
    const auto document = loadDocument(url, contentType, &error);
    if (!document) {
        reportFailure(request, error);
        return;
    }
    const Rect r = document->paperBounds();
    // (x, y) -> (x, r.height - y): a scale by (1, -1) after a translation
    // by (0, -r.height).
    cairo_matrix_t flip;
    cairo_matrix_init(&flip, 1, 0, 0, -1, 0, double(r.height()));
    drawInto(request, *document, r, true, flip, "preview");
}

void PreviewGeneration::generateThumbnail(PreviewRequest *request, const QString &url,
                                          const QString &contentType)
{
    QString error;
    const auto document = loadDocument(url, contentType, &error);
    if (!document) {
        reportFailure(request, error);
        return;
    }
    const Rect b = TDDocument::drawingBoundsForGraphics(document->graphics());
    if (b.isEmpty()) {
        reportFailure(request, QStringLiteral("The drawing is empty."));
        return;
    }
    // (x, y) -> (x - b.x, b.height - (y - b.y)): a translation by (-b.x,
    // -b.y), a scale by (1, -1), a translation by (0, b.height).
    cairo_matrix_t flip;
    cairo_matrix_init(&flip, 1, 0, 0, -1, -double(b.minX()), double(b.height()) + double(b.minY()));
    drawInto(request, *document, b, false, flip, "thumbnail");
}

} // namespace scrivane
