#include "document/TDPdfImporter.h"

#include "document/TDDocument.h"
#include "document/TDGlobalImageStore.h"
#include "document/TDPdfPageScanner.h"
#include "model/TDFillStyle.h"
#include "model/TDGroup.h"
#include "platform/StringTable.h"

#include "document/TDQpdf.h"

#include <QDebug>

#include <cmath>
#include <memory>

namespace scrivane {

namespace {

using Matrix = TDPdfPageScanner::Matrix;

// The first page of a PDF and how it is shown.
struct FirstPage {
    std::unique_ptr<QPDF> pdf;
    QPDFObjectHandle page;
    // The visible part in page space.
    Rect box;
    // Page space → the shown page, y down, its top left corner at 0.
    Matrix toShown;
    Size shownSize;
};

std::optional<FirstPage> openFirstPage(const QByteArray &data, QString *error)
{
    const auto fail = [error](const QString &reason) -> std::optional<FirstPage> {
        if (error)
            *error = reason;
        return std::nullopt;
    };
    FirstPage first;
    first.pdf = std::make_unique<QPDF>();
    first.pdf->setSuppressWarnings(true);
    first.pdf->processMemoryFile("picture", data.constData(), size_t(data.size()));
    const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(*first.pdf).getAllPages();
    if (pages.empty())
        return fail(QStringLiteral("The PDF has no pages."));
    QPDFPageObjectHelper page = pages.front();
    first.page = page.getObjectHandle();
    QPDFObjectHandle box = page.getCropBox(false, false);
    if (!box.isRectangle())
        return fail(QStringLiteral("The PDF's first page has no size."));
    const QPDFObjectHandle::Rectangle r = box.getArrayAsRectangle();
    const double llx = std::min(r.llx, r.urx);
    const double lly = std::min(r.lly, r.ury);
    const double urx = std::max(r.llx, r.urx);
    const double ury = std::max(r.lly, r.ury);
    const double w = urx - llx;
    const double h = ury - lly;
    if (!(w > 0 && h > 0) || !std::isfinite(w) || !std::isfinite(h) || w > 1e7 || h > 1e7)
        return fail(QStringLiteral("The PDF's first page has no usable size."));
    first.box = Rect(float(llx), float(lly), float(w), float(h));
    int rotation = 0;
    if (QPDFObjectHandle rotate = page.getAttribute("/Rotate", false); rotate.isInteger())
        rotation = int(((rotate.getIntValue() % 360) + 360) % 360);
    switch (rotation) {
    case 90:
        first.toShown = Matrix{0, 1, 1, 0, -lly, -llx};
        first.shownSize = Size(float(h), float(w));
        break;
    case 180:
        first.toShown = Matrix{-1, 0, 0, 1, urx, -lly};
        first.shownSize = Size(float(w), float(h));
        break;
    case 270:
        first.toShown = Matrix{0, -1, -1, 0, ury, urx};
        first.shownSize = Size(float(h), float(w));
        break;
    default:
        first.toShown = Matrix{1, 0, 0, -1, -llx, ury};
        first.shownSize = Size(float(w), float(h));
        break;
    }
    return first;
}

QString describe(const std::exception &e)
{
    return QStringLiteral("The PDF cannot be read: %1").arg(QString::fromUtf8(e.what()));
}

} // namespace

std::optional<Size> TDPdfImporter::pageSize(const QByteArray &pdf)
{
    try {
        const std::optional<FirstPage> first = openFirstPage(pdf, nullptr);
        if (!first)
            return std::nullopt;
        return first->shownSize;
    } catch (const std::exception &) {
        return std::nullopt;
    }
}

std::optional<TDGraphicArray> TDPdfImporter::graphicsForFirstPage(const QByteArray &pdf,
                                                                  const AffineTransform &placement, QString *error,
                                                                  QStringList *notes)
{
    // Images of the page go to the image store, which may not exist yet
    // when no document was ever made.
    TDGlobalImageStore::instance();
    try {
        std::optional<FirstPage> first = openFirstPage(pdf, error);
        if (!first)
            return std::nullopt;
        const Matrix unit{1.0 / first->shownSize.width, 0, 0, 1.0 / first->shownSize.height, 0, 0};
        const Matrix place{placement.m11, placement.m12, placement.m21, placement.m22, placement.tX, placement.tY};
        TDPdfPageScanner scanner(*first->pdf, first->toShown.then(unit).then(place), first->box,
                                 TDPdfPageScanner::Limits());
        const bool scanned = scanner.scanPage(first->page, error);
        if (notes)
            *notes += scanner.messages();
        if (!scanned)
            return std::nullopt;
        return scanner.takeGraphics();
    } catch (const std::exception &e) {
        if (error)
            *error = describe(e);
        return std::nullopt;
    }
}

bool TDPdfImporter::canImport(const TDGraphic &graphic)
{
    const TDFillStyle &fill = *graphic.fillStyle();
    if (fill.style() != TDFillStyle::ImageFill)
        return false;
    const TDGlobalImageStore::Entry *entry = TDGlobalImageStore::instance().entry(fill.imageKey());
    return entry && TDGlobalImageStore::isVectorExtension(entry->extension);
}

bool TDPdfImporter::replaceWithPage(TDDocument &document, TDGraphic &graphic, QString *error)
{
    const auto fail = [error](const QString &reason) {
        if (error)
            *error = reason;
        return false;
    };
    if (!canImport(graphic))
        return fail(QStringLiteral("The graphic shows no PDF or EPS picture."));
    QString why;
    const std::optional<QByteArray> pdf = TDGlobalImageStore::instance().pdfData(graphic.fillStyle()->imageKey(), &why);
    if (!pdf)
        return fail(why);
    std::optional<TDGraphicArray> graphics = graphicsForFirstPage(*pdf, graphic.fillTransformation(), error);
    if (!graphics)
        return false;
    if (graphics->empty())
        return fail(QStringLiteral("The picture's first page draws nothing that can be imported."));
    TDGroup *layer = document.currentLayer();
    TDUndoManager *undo = document.undoManager();
    if (!layer || !undo)
        return fail(QStringLiteral("The document has no layer to import into."));
    // The picture is kept alive until the step is made: the removal below
    // may drop the last other owner.
    const TDGraphicPtr source = graphic.shared_from_this();
    undo->beginUndoGrouping();
    layer->addGraphics(*graphics);
    document.removeGraphic(source.get());
    undo->setActionName(StringTable::lookup(QStringLiteral("UndoStrings"), QStringLiteral("Import PDF")));
    undo->endUndoGrouping();
    return true;
}

} // namespace scrivane
