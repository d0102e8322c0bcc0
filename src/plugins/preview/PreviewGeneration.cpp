#include "PreviewGeneration.h"

#include "document/TDDocument.h"
#include "document/TDPackageWrapper.h"
#include "model/TDBezierPath.h"
#include "model/TDGraphic.h"
#include "model/TDGroup.h"
#include "platform/GraphicsContext.h"
#include "platform/WorkBudget.h"

#include <QFileInfo>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {
void reportFailure(PreviewRequest *request, const QString &message)
{
    if (request->functions->reportFailure)
        request->functions->reportFailure(request, message.toUtf8().constData());
}

QString overBudget(const WorkBudget &budget)
{
    return QStringLiteral("The drawing is not drawn: %1.").arg(budget.failure());
}

// Every graphic that draws a path of its own: the visible graphics and,
// inside groups, their children.
template <class Visit>
bool forEachDrawnGraphic(const TDGraphicArray &graphics, const Visit &visit)
{
    for (const TDGraphicPtr &graphic : graphics) {
        if (const auto group = std::dynamic_pointer_cast<TDGroup>(graphic)) {
            if (!forEachDrawnGraphic(group->graphics(), visit))
                return false;
        } else if (!visit(*graphic)) {
            return false;
        }
    }
    return true;
}

// Draws the document into a context of `area`'s size that the request
// hands out: `flip` maps the document's y-down points into the context's
// y-up ones.
void drawInto(PreviewRequest *request, TDDocument &document, const Rect &area, bool isBitmap,
              const cairo_matrix_t &flip, const char *what, WorkBudget &budget)
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
    double dx = 0, dy = 1;
    cairo_user_to_device_distance(cr, &dx, &dy);
    bool drawn = PreviewGeneration::chargeRasterRows(document, std::hypot(dx, dy), budget);
    if (drawn) {
        GraphicsContext context(cr, true);
        drawn = PreviewGeneration::drawDocument(document, context, &budget);
    }
    cairo_restore(cr);
    // Nothing is handed back of a drawing that stopped half-way.
    if (drawn)
        request->functions->flushContext(request, cr);
    else
        reportFailure(request, overBudget(budget));
    cairo_destroy(cr);
}

// A document read within the budget whose paths stay within it too.
std::unique_ptr<TDDocument> loadWithinBudget(PreviewRequest *request, const QString &url,
                                             const QString &contentType, const std::shared_ptr<WorkBudget> &budget)
{
    QString error;
    auto document = PreviewGeneration::loadDocument(url, contentType, budget, &error);
    if (!document) {
        reportFailure(request, error);
        return nullptr;
    }
    if (budget->exhausted() || !PreviewGeneration::chargePathElements(*document, *budget)) {
        reportFailure(request, overBudget(*budget));
        return nullptr;
    }
    return document;
}
} // namespace

std::unique_ptr<TDDocument> PreviewGeneration::loadDocument(const QString &url, const QString &contentType,
                                                            const std::shared_ptr<WorkBudget> &budget,
                                                            QString *error)
{
    // Older packages keep their drawing as YAML; the YAML reader is part of
    // the runtime services linked into this module, so there is nothing
    // to load before reading.
    auto document = std::make_unique<TDDocument>();
    document->setWorkBudget(budget);
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

bool PreviewGeneration::chargePathElements(const TDDocument &document, WorkBudget &budget)
{
    // The paths as stored, before any is copied into document coordinates.
    qint64 total = 0;
    forEachDrawnGraphic(document.graphics(), [&total](const TDGraphic &graphic) {
        if (const auto path = graphic.bezierPath())
            total += path->elementCount();
        return true;
    });
    return budget.chargePathElementsInAll(total);
}

bool PreviewGeneration::chargeRasterRows(const TDDocument &document, double scale, WorkBudget &budget)
{
    return forEachDrawnGraphic(document.visibleGraphics(), [&](TDGraphic &graphic) {
        const auto path = graphic.cachedBezierPath();
        if (!path)
            return true;
        double rows = 0;
        Point current, start;
        for (const PathBase::Element &element : path->elements()) {
            float low = current.y, high = current.y;
            switch (element.type) {
            case PathElementType::MoveTo:
                current = start = element.points[0];
                continue;
            case PathElementType::LineTo:
                low = std::min(low, element.points[0].y);
                high = std::max(high, element.points[0].y);
                current = element.points[0];
                break;
            case PathElementType::CurveTo:
                for (const Point &p : element.points) {
                    low = std::min(low, p.y);
                    high = std::max(high, p.y);
                }
                current = element.points[2];
                break;
            case PathElementType::ClosePath:
                low = std::min(low, start.y);
                high = std::max(high, start.y);
                current = start;
                break;
            }
            const double swept = (double(high) - double(low)) * scale + 1;
            rows += std::isfinite(swept) ? swept : 1e18;
        }
        return budget.chargeRasterRows(qint64(std::min(rows, 9e18)));
    });
}

bool PreviewGeneration::drawDocument(TDDocument &document, GraphicsContext &context, WorkBudget *budget)
{
    context.save();
    context.setFillColor(Color::white());
    context.fillRect(document.paperBounds(), CompositeOperation::Copy);
    context.restore();
    for (const TDGraphicPtr &graphic : document.visibleGraphics()) {
        if (budget && !budget->checkTime())
            return false;
        context.save();
        graphic->drawInView(&document, context);
        context.restore();
    }
    return true;
}

void PreviewGeneration::generatePreview(PreviewRequest *request, const QString &url, const QString &contentType)
{
    const auto budget = std::make_shared<WorkBudget>();
    const auto document = loadWithinBudget(request, url, contentType, budget);
    if (!document)
        return;
    const Rect r = document->paperBounds();
    // (x, y) -> (x, r.height - y): a scale by (1, -1) after a translation
    // by (0, -r.height).
    cairo_matrix_t flip;
    cairo_matrix_init(&flip, 1, 0, 0, -1, 0, double(r.height()));
    drawInto(request, *document, r, true, flip, "preview", *budget);
}

void PreviewGeneration::generateThumbnail(PreviewRequest *request, const QString &url,
                                          const QString &contentType)
{
    const auto budget = std::make_shared<WorkBudget>();
    const auto document = loadWithinBudget(request, url, contentType, budget);
    if (!document)
        return;
    const Rect b = TDDocument::drawingBoundsForGraphics(document->graphics());
    if (b.isEmpty()) {
        reportFailure(request, QStringLiteral("The drawing is empty."));
        return;
    }
    // (x, y) -> (x - b.x, b.height - (y - b.y)): a translation by (-b.x,
    // -b.y), a scale by (1, -1), a translation by (0, b.height).
    cairo_matrix_t flip;
    cairo_matrix_init(&flip, 1, 0, 0, -1, -double(b.minX()), double(b.height()) + double(b.minY()));
    drawInto(request, *document, b, false, flip, "thumbnail", *budget);
}

} // namespace scrivane
