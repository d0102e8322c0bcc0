#include "document/TDRenderingView.h"

#include "document/TDDocument.h"
#include "model/TDGraphic.h"
#include "platform/GraphicsContext.h"

#include <QBuffer>

namespace scrivane {

TDRenderingView::TDRenderingView(const Rect &frame, TDGraphicArray graphics, TDDocument *document)
    : m_graphics(std::move(graphics)), m_printBounds(frame), m_document(document)
{
    if (m_document)
        m_printInfo = &m_document->printInfo();
}

std::unique_ptr<TDRenderingView> TDRenderingView::renderViewWithBounds(const Rect &bounds,
                                                                       const TDGraphicArray &graphics,
                                                                       TDDocument *document)
{
    return std::make_unique<TDRenderingView>(bounds, graphics, document);
}

std::unique_ptr<TDRenderingView> TDRenderingView::renderViewWithGraphics(const TDGraphicArray &graphics,
                                                                         TDDocument *document)
{
    return renderViewWithBounds(TDDocument::drawingBoundsForGraphics(graphics), graphics, document);
}

TDDocumentInterface *TDRenderingView::document() const
{
    return m_document;
}

void TDRenderingView::drawRect(GraphicsContext &context)
{
    context.save();
    if (m_drawBackground) {
        context.setFillColor(Color::calibratedWhite(1));
        context.fillRect(Rect(0, 0, m_printBounds.width(), m_printBounds.height()));
    }
    context.concatCTM(AffineTransform::makeTranslation(-m_printBounds.minX(), -m_printBounds.minY()));
    for (const TDGraphicPtr &graphic : m_graphics) {
        context.save();
        graphic->drawInView(this, context);
        context.restore();
    }
    context.restore();
}

QByteArray TDRenderingView::vectorRepresentation(bool pdf)
{
    if (m_printBounds.isEmpty())
        return QByteArray();
    QByteArray data;
    {
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        const Size page(m_printBounds.width(), m_printBounds.height());
        auto context =
            pdf ? GraphicsContext::forPdf(&buffer, page, true) : GraphicsContext::forEps(&buffer, page, true);
        if (!context)
            return QByteArray();
        drawRect(*context);
        if (!context->finish())
            return QByteArray();
    }
    return data;
}

QByteArray TDRenderingView::PDFRepresentation()
{
    return vectorRepresentation(true);
}

QByteArray TDRenderingView::EPSRepresentation()
{
    return vectorRepresentation(false);
}

} // namespace scrivane
