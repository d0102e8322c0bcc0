#include "document/TDDocument.h"
#include "document/TDImageExport.h"
#include "document/TDRenderingView.h"
#include "model/TDGraphic.h"
#include "platform/GraphicsContext.h"

#include <QBuffer>
#include <QImageWriter>

#include <cmath>
#include <limits>

namespace scrivane {

namespace {
// Images larger than this many pixels on a side are not rendered (the
// allocation alone would fail).
constexpr double LargestImageSide = 32767;

TDDocument *documentOf(const TDGraphicArray &graphics)
{
    if (graphics.empty())
        return nullptr;
    return dynamic_cast<TDDocument *>(graphics.back()->document());
}
} // namespace

Rect TDDocument::drawingBoundsForGraphics(const TDGraphicArray &graphics)
{
    if (graphics.empty())
        return Rect();
    Rect bounds = graphics.front()->drawingBounds();
    for (size_t i = 1; i < graphics.size(); ++i)
        bounds = bounds.united(graphics[i]->drawingBounds());
    return bounds;
}

QImage TDDocument::imageForGraphics(const TDGraphicArray &graphics, float scale, bool opaque,
                                    const Rect &bounds)
{
    if (bounds.isEmpty() || !std::isfinite(scale) || !(scale > 0))
        return QImage();
    const double width = std::trunc(double(scale) * double(bounds.width()));
    const double height = std::trunc(double(scale) * double(bounds.height()));
    if (!(width >= 1 && height >= 1 && width <= LargestImageSide && height <= LargestImageSide))
        return QImage();
    const double originX = std::trunc(double(bounds.minX()));
    const double originY = std::trunc(double(bounds.minY()));
    if (!std::isfinite(originX) || !std::isfinite(originY))
        return QImage();

    setRenderScale(scale);
    QImage image(int(width), int(height), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        return QImage();
    image.fill(opaque ? QColor(255, 255, 255, 255) : QColor(255, 255, 255, 0));
    {
        auto context = GraphicsContext::forImage(image, true);
        context->concatCTM(AffineTransform::makeScale(scale, scale));
        context->concatCTM(AffineTransform::makeTranslation(float(-originX), float(-originY)));
        for (const TDGraphicPtr &graphic : graphics) {
            context->save();
            graphic->drawInView(graphic->document(), *context);
            context->restore();
        }
        context->flush();
    }
    return image;
}

QImage TDDocument::imageForGraphics(const TDGraphicArray &graphics, float scale, bool opaque)
{
    return imageForGraphics(graphics, scale, opaque, drawingBoundsForGraphics(graphics));
}

QImage TDDocument::imageForGraphics(const TDGraphicArray &graphics)
{
    return imageForGraphics(graphics, 1, false);
}

QImage TDDocument::imageOfGraphics(const TDGraphicArray &graphics, float scale, const Rect &area)
{
    return imageForGraphics(graphics, scale, false, area);
}

QByteArray TDDocument::TIFFRepresentationForGraphics(const TDGraphicArray &graphics)
{
    return TDImageExport::TIFFData(imageForGraphics(graphics));
}

QByteArray TDDocument::PNGRepresentationForGraphics(const TDGraphicArray &graphics)
{
    return TDImageExport::PNGData(imageForGraphics(graphics));
}

QByteArray TDDocument::JPEGRepresentationForGraphics(const TDGraphicArray &graphics)
{
    return TDImageExport::JPEGData(imageForGraphics(graphics));
}

QByteArray TDDocument::BMPRepresentationForGraphics(const TDGraphicArray &graphics)
{
    return TDImageExport::BMPData(imageForGraphics(graphics));
}

QByteArray TDDocument::PDFRepresentationForGraphics(const TDGraphicArray &graphics, bool opaque,
                                                    const Rect &bounds)
{
    const auto view = TDRenderingView::renderViewWithBounds(bounds, graphics, documentOf(graphics));
    view->setTransparent(!opaque);
    return view->PDFRepresentation();
}

QByteArray TDDocument::PDFRepresentationForGraphics(const TDGraphicArray &graphics)
{
    return PDFRepresentationForGraphics(graphics, false, drawingBoundsForGraphics(graphics));
}

QByteArray TDDocument::EPSRepresentationForGraphics(const TDGraphicArray &graphics, bool opaque,
                                                    const Rect &bounds)
{
    const auto view = TDRenderingView::renderViewWithBounds(bounds, graphics, documentOf(graphics));
    view->setTransparent(!opaque);
    return view->EPSRepresentation();
}

QByteArray TDDocument::EPSRepresentationForGraphics(const TDGraphicArray &graphics)
{
    return EPSRepresentationForGraphics(graphics, false, drawingBoundsForGraphics(graphics));
}

QImage renderGraphicsToImage(const TDGraphicArray &graphics, float scale, bool opaque, const Rect &bounds)
{
    return TDDocument::imageForGraphics(graphics, scale, opaque, bounds);
}

} // namespace scrivane
