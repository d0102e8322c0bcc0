#include "canvas/TDGraphicView.h"

#include "canvas/TDCommandStep.h"

#include "document/TDDocument.h"
#include "document/TDGlobalImageStore.h"
#include "model/TDBezierGraphic.h"
#include "model/TDFillStyle.h"
#include "model/TDGroup.h"
#include "model/TDLinkBackGraphic.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"
#include "platform/DragService.h"
#include "platform/LinkService.h"
#include "platform/Pasteboard.h"
#include "platform/StringTable.h"

#include <QCursor>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageReader>

#include <cmath>

namespace scrivane {

namespace {

TDGraphicView::SVGImporter &svgImporter()
{
    static TDGraphicView::SVGImporter importer;
    return importer;
}

std::optional<QByteArray> contentsOfFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("Cannot read %s: %s", qPrintable(path), qPrintable(file.errorString()));
        return std::nullopt;
    }
    return file.readAll();
}

// Only files on this machine are read: fetching from the network would
// hold the program up until the server answers.
std::optional<QByteArray> contentsOfURL(const QUrl &url)
{
    if (!url.isLocalFile())
        return std::nullopt;
    return contentsOfFile(url.toLocalFile());
}

bool isImageData(const QByteArray &data)
{
    if (data.isEmpty())
        return false;
    // PDF and EPS pictures are placed too: their first page is the picture.
    return TDGlobalImageStore::isVectorExtension(TDGlobalImageStore::sniffExtension(data)) ||
           !QImage::fromData(data).isNull();
}

} // namespace

// --- Delete, copy, cut ---------------------------------------------------------------------------

void TDGraphicView::deleteSelection()
{
    // In the edit tool the selected nodes are what a deletion removes; the
    // node numbers name other nodes afterwards, so none stays selected.
    if (m_mode == EditState::EditTool) {
        if (!someSelectedGraphicHasSelectedNodes())
            return;
        TDCommandStep step(m_document ? m_document->undoManager() : nullptr);
        actNodes(&TDBezierGraphic::deleteNodes, QStringLiteral("Delete Nodes"));
        setGraphicNodes({});
        step.name(QStringLiteral("Delete Nodes"));
        updateStatusText();
        return;
    }
    if (!m_selectedGraphics.empty() && m_document) {
        TDCommandStep step(m_document ? m_document->undoManager() : nullptr);
        invalidateSelection();
        for (const TDGraphicPtr &graphic : TDGraphicArray(m_selectedGraphics))
            m_document->removeGraphic(graphic.get());
        step.name(QStringLiteral("Delete"));
    }
    clearSelection();
    updateStatusText();
}

bool TDGraphicView::copyDataToPasteBoard(Pasteboard &pasteboard)
{
    return TDDocument::copy(orderedSelectedGraphics(), pasteboard);
}

void TDGraphicView::copy()
{
    Pasteboard &general = Pasteboard::general();
    if (!copyDataToPasteBoard(general))
        return;
    m_pasteCascadeNumber = 0;
    m_pasteboardChangeCount = general.changeCount();
    m_pasteboardWasUnique = false;
}

void TDGraphicView::cut()
{
    TDCommandStep step(m_document ? m_document->undoManager() : nullptr);
    copy();
    deleteSelection();
    step.name(QStringLiteral("Cut"));
}

// --- Paste and duplicate --------------------------------------------------------------------------

void TDGraphicView::paste(bool inPlace)
{
    paste(Pasteboard::general(), nullptr, inPlace, false);
}

void TDGraphicView::duplicate(bool inPlace)
{
    const std::shared_ptr<Pasteboard> pasteboard = Pasteboard::withUniqueName();
    if (copyDataToPasteBoard(*pasteboard))
        paste(*pasteboard, nullptr, inPlace, true);
}

void TDGraphicView::setSVGImporter(SVGImporter importer)
{
    svgImporter() = std::move(importer);
}

void TDGraphicView::paste(Pasteboard &pasteboard, const DragInfo *dragInfo, bool inPlace, bool duplicating)
{
    if (!m_document)
        return;
    TDCommandStep step(m_document ? m_document->undoManager() : nullptr);
    // Images have no place of their own: a drop puts them where the dragged
    // image lies, a paste centres them like graphics, on the pointer (in
    // place, on the visible area).
    Point point;
    Point imagePoint;
    ImageAnchor anchor = ImageAnchor::Corner;
    if (dragInfo) {
        point = dragInfo->location;
        imagePoint = dragInfo->imageLocation;
    } else {
        const Rect visible = visibleRect();
        point = inPlace ? Point(visible.midX(), visible.midY()) : pasteCentre(nullptr);
        imagePoint = point;
        anchor = ImageAnchor::Centre;
    }

    const QString type = pasteboard.availableTypeFromArray(
        {Pasteboard::GraphicsType, Pasteboard::SVGType, Pasteboard::ColorType, Pasteboard::URIListType});

    if (type.isEmpty()) {
        makeNewImageFromData(std::nullopt, QString(), &pasteboard, imagePoint, anchor);
        step.name(QStringLiteral("Paste"));
        return;
    }

    if (type == Pasteboard::ColorType) {
        const std::optional<QColor> color = pasteboard.color();
        const TDGraphicPtr graphic = graphicUnderPoint(point);
        if (!color || !graphic)
            return;
        graphic->fillStyle()->setStyle(TDFillColor);
        graphic->fillStyle()->setColor(Color::calibratedRGB(float(color->redF()), float(color->greenF()),
                                                            float(color->blueF()), float(color->alphaF())));
        return;
    }

    if (type == Pasteboard::GraphicsType || type == Pasteboard::SVGType) {
        const int changeCount = pasteboard.changeCount();
        const std::optional<QByteArray> data = pasteboard.dataForType(type);
        TDGraphicArray graphics;
        if (data && type == Pasteboard::GraphicsType)
            graphics = TDDocument::graphicsWithArchivedData(*data);
        else if (data && svgImporter())
            graphics = svgImporter()(*data);
        if (!dragInfo) {
            // Every pasteboard made for a duplicate counts as one: their
            // change counts say nothing about each other, nor about the
            // general pasteboard's.
            if (changeCount != m_pasteboardChangeCount ||
                pasteboard.isUniquelyNamed() != m_pasteboardWasUnique) {
                m_pasteboardChangeCount = changeCount;
                m_pasteboardWasUnique = pasteboard.isUniquelyNamed();
                m_pasteCascadeNumber = 0;
            }
        }
        std::erase(graphics, nullptr);
        TDGroup *layer = m_document->currentLayer();
        if (graphics.empty() || !layer)
            return;

        int cascade = m_pasteCascadeNumber;
        std::optional<AffineTransform> transform;
        if (inPlace) {
        } else if (duplicating) {
            if (cascade == 0) {
                m_pasteDx = 20;
                m_pasteDy = 20;
                cascade = 1;
            }
            transform = AffineTransform::makeTranslation(m_pasteDx, m_pasteDy);
        } else {
            const Point centre = pasteCentre(dragInfo);
            const Rect bounds = boundsFor(graphics, false);
            transform =
                AffineTransform::makeTranslation(std::trunc(centre.x - bounds.width() / 2) - bounds.minX(),
                                                 std::trunc(centre.y - bounds.height() / 2) - bounds.minY());
        }
        for (const TDGraphicPtr &graphic : graphics) {
            graphic->startManipulation();
            if (transform)
                graphic->transformWithTransformation(*transform);
            graphic->stopManipulation();
        }
        layer->addGraphicsQuietly(graphics);
        invalidateGraphics(graphics);
        selectGraphics(graphics);
        if (!dragInfo)
            m_pasteCascadeNumber = cascade + 1;
        step.name(QStringLiteral("Paste"));
        return;
    }

    // A URL list: the files it names, else its first URL.
    const QStringList files = pasteboard.fileNames();
    if (!files.isEmpty()) {
        for (const QString &path : files) {
            makeNewImageFromContentsOfFile(path, &pasteboard, point, anchor);
            point = Point(point.x + 20, point.y + 20);
        }
    } else {
        const QList<QUrl> urls = pasteboard.urls();
        makeNewImageFromContentsOfURL(urls.isEmpty() ? QUrl() : urls.first(), &pasteboard, point, anchor);
    }
    step.name(QStringLiteral("Paste"));
}

Point TDGraphicView::pasteCentre(const DragInfo *dragInfo) const
{
    const Rect visible = visibleRect();
    const Point pointer =
        dragInfo ? dragInfo->location : documentPointFromWidget(QPointF(mapFromGlobal(QCursor::pos())));
    return visible.contains(pointer) ? pointer : Point(visible.midX(), visible.midY());
}

// --- Drops -------------------------------------------------------------------------------------------

TDGraphicView::DragOperation TDGraphicView::dragOperationForDraggingInfo(Pasteboard &pasteboard,
                                                                         const DragInfo &info) const
{
    const QStringList offered = pasteboard.types();
    if (offered.contains(Pasteboard::ColorType)) {
        if (graphicUnderPoint(info.location))
            return DragOperationGeneric;
    } else if ((offered.contains(Pasteboard::URIListType) && !pasteboard.fileNames().isEmpty()) ||
               offered.contains(Pasteboard::GraphicsType)) {
        return DragOperationCopy;
    }
    return pasteboard.availableTypeFromArray(imagePasteboardTypes()).isEmpty() ? DragOperationNone
                                                                               : DragOperationCopy;
}

void TDGraphicView::concludeDragOperation(Pasteboard &pasteboard, const DragInfo &info)
{
    paste(pasteboard, &info, false, false);
}

TDGraphicView::DragInfo TDGraphicView::dragInfoForEvent(const QDropEvent &event) const
{
    // The platform does not say where a dragged image lies: images land
    // at the pointer.
    const Point location = documentPointFromWidget(event.position());
    return DragInfo{location, location};
}

void TDGraphicView::dragEnterEvent(QDragEnterEvent *event)
{
    // Accepted for anything the canvas may take somewhere: a colour is
    // refused over empty canvas only once the pointer is there.
    const auto pasteboard = Pasteboard::withMimeData(event->mimeData());
    const QStringList offered = pasteboard->types();
    const bool takes = offered.contains(Pasteboard::ColorType) ||
                       offered.contains(Pasteboard::GraphicsType) || !pasteboard->fileNames().isEmpty() ||
                       !pasteboard->availableTypeFromArray(imagePasteboardTypes()).isEmpty();
    if (!takes) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void TDGraphicView::dragMoveEvent(QDragMoveEvent *event)
{
    const auto pasteboard = Pasteboard::withMimeData(event->mimeData());
    if (dragOperationForDraggingInfo(*pasteboard, dragInfoForEvent(*event)) == DragOperationNone) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void TDGraphicView::dragLeaveEvent(QDragLeaveEvent *event)
{
    event->accept();
}

void TDGraphicView::dropEvent(QDropEvent *event)
{
    const auto pasteboard = Pasteboard::withMimeData(event->mimeData());
    const DragInfo info = dragInfoForEvent(*event);
    if (dragOperationForDraggingInfo(*pasteboard, info) == DragOperationNone) {
        event->ignore();
        return;
    }
    concludeDragOperation(*pasteboard, info);
    event->setDropAction(Qt::CopyAction);
    event->accept();
    eventHandled();
}

// --- The Option-drag copy -----------------------------------------------------------------------------

void TDGraphicView::copyWithEvent(const TDEvent &event)
{
    if (!m_document)
        return;
    Pasteboard &pasteboard = Pasteboard::drag();
    if (!copyDataToPasteBoard(pasteboard))
        return;
    const TDGraphicArray graphics = m_document->sortedSelectedGraphics();
    const Rect bounds = TDDocument::drawingBoundsForGraphics(graphics);
    DragService::Request request;
    request.source = this;
    request.pasteboard = &pasteboard;
    request.image = TDDocument::imageForGraphics(graphics, zoom(), false, bounds);
    // The image's corner is the bounds' corner on whole points: the press
    // keeps its place on the image.
    const QPointF corner =
        widgetPointFromDocument(Point(std::trunc(bounds.minX()), std::trunc(bounds.minY())));
    const QPointF press = widgetPointFromDocument(convertPointFromWindow(event.locationInWindow));
    request.hotSpot = (press - corner).toPoint();
    request.actions = Qt::CopyAction;
    DragService::startDrag(request);
}

// --- Images ---------------------------------------------------------------------------------------------

QStringList TDGraphicView::imagePasteboardTypes()
{
    static const QStringList types = [] {
        const QList<QByteArray> readable = QImageReader::supportedMimeTypes();
        QStringList result;
        for (const QString &type : {Pasteboard::TIFFType, Pasteboard::PNGType, Pasteboard::JPEGType,
                                    Pasteboard::GIFType, Pasteboard::BMPType})
            if (readable.contains(type.toLatin1()))
                result.append(type);
        return result;
    }();
    return types;
}

QStringList TDGraphicView::imageFileTypes()
{
    static const QStringList types = [] {
        QStringList result;
        for (const QByteArray &format : QImageReader::supportedImageFormats())
            result.append(QString::fromLatin1(format).toLower());
        for (const QString &vector : {QStringLiteral("pdf"), QStringLiteral("ai"), QStringLiteral("eps"),
                                      QStringLiteral("epsf"), QStringLiteral("ps")})
            if (!result.contains(vector))
                result.append(vector);
        return result;
    }();
    return types;
}

QString TDGraphicView::extensionForPasteboardType(const QString &type)
{
    static const QHash<QString, QString> extensions{
        {Pasteboard::PostScriptType, QStringLiteral("ps")}, {Pasteboard::TIFFType, QStringLiteral("tif")},
        {Pasteboard::PDFType, QStringLiteral("pdf")},       {Pasteboard::PNGType, QStringLiteral("png")},
        {Pasteboard::JPEGType, QStringLiteral("jpg")},      {Pasteboard::GIFType, QStringLiteral("gif")},
        {Pasteboard::BMPType, QStringLiteral("bmp")},
    };
    return extensions.value(type);
}

std::optional<QByteArray> TDGraphicView::fileDataFromPasteboard(Pasteboard &pasteboard, QString *extension)
{
    if (!pasteboard.hasType(Pasteboard::URIListType))
        return std::nullopt;
    const QStringList files = pasteboard.fileNames();
    if (!files.isEmpty()) {
        if (extension)
            *extension = QFileInfo(files.first()).suffix();
        return contentsOfFile(files.first());
    }
    const QList<QUrl> urls = pasteboard.urls();
    if (urls.isEmpty())
        return std::nullopt;
    if (extension)
        *extension = QFileInfo(urls.first().path()).suffix();
    return contentsOfURL(urls.first());
}

std::optional<QByteArray> TDGraphicView::imageDataFromPasteboard(Pasteboard *pasteboard, QString *extension)
{
    if (!pasteboard)
        return std::nullopt;
    const QString type = pasteboard->availableTypeFromArray(imagePasteboardTypes());
    if (!type.isEmpty()) {
        const std::optional<QByteArray> data = pasteboard->dataForType(type);
        if (data && !data->isEmpty()) {
            if (extension)
                *extension = extensionForPasteboardType(type);
            return data;
        }
    }
    QString fileExtension;
    const std::optional<QByteArray> data = fileDataFromPasteboard(*pasteboard, &fileExtension);
    if (!data || !isImageData(*data))
        return std::nullopt;
    if (extension)
        *extension = fileExtension;
    return data;
}

bool TDGraphicView::makeNewImageFromContentsOfFile(const QString &path, Pasteboard *pasteboard, Point point,
                                                   ImageAnchor anchor)
{
    return makeNewImageFromContentsOfURL(QUrl::fromLocalFile(path), pasteboard, point, anchor);
}

bool TDGraphicView::makeNewImageFromContentsOfURL(const QUrl &url, Pasteboard *pasteboard, Point point,
                                                  ImageAnchor anchor)
{
    std::optional<QByteArray> data;
    QString extension;
    if (url.isValid()) {
        data = contentsOfURL(url);
        extension = QFileInfo(url.path()).suffix();
    }
    return makeNewImageFromData(data, extension, pasteboard, point, anchor);
}

std::optional<PropertyList> TDGraphicView::linkDataFromPasteboard(Pasteboard &pasteboard)
{
    if (!pasteboard.hasType(Pasteboard::LinkType))
        return std::nullopt;
    const auto bytes = pasteboard.dataForType(Pasteboard::LinkType);
    if (!bytes || bytes->size() > LinkService::MaximumMessageSize)
        return std::nullopt;
    // Another program's data: read within the limits of untrusted input.
    PropertyListLimits limits;
    limits.maxInputSize = LinkService::MaximumMessageSize;
    limits.maxDepth = 64;
    auto data = PropertyList::fromData(*bytes, limits);
    if (!data || !data->isDictionary() || LinkService::serverName(*data).isEmpty())
        return std::nullopt;
    return data;
}

bool TDGraphicView::makeNewImageFromData(const std::optional<QByteArray> &data, const QString &extension,
                                         Pasteboard *pasteboard, Point point, ImageAnchor anchor)
{
    std::optional<QByteArray> bytes = data;
    QString ext = extension.toLower();
    // A file without the extension of its kind is known by its contents:
    // otherwise every such file of a drop would become the pasteboard's
    // first image.
    if (bytes && !imageFileTypes().contains(ext) && isImageData(*bytes))
        ext = TDGlobalImageStore::sniffExtension(*bytes);
    if (!bytes || !imageFileTypes().contains(ext))
        bytes = imageDataFromPasteboard(pasteboard, &ext);
    if (!bytes)
        return false;
    // The data must really be an image: a graphic without one shows nothing
    // and cannot be sized.
    TDGroup *layer = m_document ? m_document->currentLayer() : nullptr;
    if (!layer)
        return false;
    Size size;
    if (TDGlobalImageStore::isVectorExtension(ext)) {
        // A PDF or EPS picture has the size of its first page.
        const TDGlobalImageStore::Entry *entry =
            TDGlobalImageStore::instance().entry(m_document->addImage(*bytes, ext));
        if (!entry || !(entry->size.width > 0 && entry->size.height > 0))
            return false;
        size = entry->size;
    } else {
        const QImage image = QImage::fromData(*bytes);
        if (image.isNull())
            return false;
        size = Size(float(image.width()), float(image.height()));
    }

    // An item another program can edit again keeps its link data.
    TDGraphicPtr graphic;
    if (const auto linkData = pasteboard ? linkDataFromPasteboard(*pasteboard) : std::nullopt)
        graphic = TDLinkBackGraphic::withLinkData(*linkData);
    else
        graphic = std::make_shared<TDRectangle>();
    m_document->addGraphic(graphic);
    graphic->fillStyle()->setStyle(TDFillImage);
    graphic->fillStyle()->setImageData(*bytes, ext);
    graphic->strokeStyle()->setStyle(TDStrokeNone);
    const Point corner = anchor == ImageAnchor::Centre ? Point(std::trunc(point.x - size.width / 2),
                                                               std::trunc(point.y - size.height / 2))
                                                       : point;
    const AffineTransform placed = TDGraphic::transformForBounds(Rect(corner, size));
    graphic->setTransformation(placed);
    graphic->setFillTransformation(placed);
    clearSelection();
    selectGraphic(graphic);
    zoomToFitRect(graphic->drawingBounds());
    return true;
}

// --- Import ------------------------------------------------------------------------------------------

QStringList TDGraphicView::importFileTypes()
{
    QStringList types = imageFileTypes();
    types << QStringLiteral("svg");
    return types;
}

int TDGraphicView::importFiles(const QStringList &paths)
{
    if (!m_document)
        return 0;
    TDCommandStep step(m_document->undoManager());
    int added = 0;
    Point offset(0, 0);
    for (const QString &path : paths) {
        if (QFileInfo(path).suffix().compare(QLatin1String("svg"), Qt::CaseInsensitive) != 0) {
            if (makeNewImageFromContentsOfFile(path, nullptr, offset))
                ++added;
        } else if (svgImporter()) {
            // Without an SVG reader an SVG file adds nothing.
            const std::optional<QByteArray> data = contentsOfURL(QUrl::fromLocalFile(path));
            const TDGraphicArray graphics = data ? svgImporter()(*data) : TDGraphicArray();
            TDGroup *layer = m_document->currentLayer();
            if (!graphics.empty() && layer) {
                for (const TDGraphicPtr &graphic : graphics) {
                    graphic->startManipulation();
                    graphic->transformWithTransformation(AffineTransform::makeTranslation(offset.x, offset.y));
                    graphic->stopManipulation();
                }
                layer->addGraphics(graphics);
                ++added;
            }
        }
        offset = Point(offset.x + 25, offset.y + 25);
    }
    if (added > 0)
        step.name(QStringLiteral("Import"));
    return added;
}

} // namespace scrivane
