#include "document/TDRenderingView.h"

#include "document/TDDocument.h"
#include "document/TDPrintInfo.h"
#include "model/TDGraphic.h"
#include "platform/GraphicsContext.h"

#include <QBuffer>

#include <cairo.h>

#include <algorithm>
#include <cmath>

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

// --- Printing ---------------------------------------------------------------------------------

namespace {

// Pieces of `piece` needed for `length`; a sliver left by rounding is no
// page of its own.
int piecesFor(float length, float piece)
{
    if (!(length > 0) || !(piece > 0) || !std::isfinite(length / piece))
        return 1;
    return std::clamp(int(std::ceil(double(length) / double(piece) - 1e-3)), 1, 10000);
}

} // namespace

Size TDRenderingView::sheetSize() const
{
    return m_printInfo ? m_printInfo->paperSize() : m_printBounds.size;
}

Rect TDRenderingView::imageableRect() const
{
    if (!m_printInfo)
        return Rect(0, 0, m_printBounds.width(), m_printBounds.height());
    const Size paper = m_printInfo->paperSize();
    return Rect(m_printInfo->leftMargin(), m_printInfo->topMargin(),
                paper.width - m_printInfo->leftMargin() - m_printInfo->rightMargin(),
                paper.height - m_printInfo->topMargin() - m_printInfo->bottomMargin());
}

int TDRenderingView::pagesAcross() const
{
    return piecesFor(m_printBounds.width(), imageableRect().width());
}

int TDRenderingView::pagesDown() const
{
    return piecesFor(m_printBounds.height(), imageableRect().height());
}

Rect TDRenderingView::rectForPage(int index) const
{
    const int across = pagesAcross();
    const Rect area = imageableRect();
    const int column = index % across;
    const int row = index / across;
    return Rect(float(column) * area.width(), float(row) * area.height(), area.width(), area.height());
}

void TDRenderingView::drawPage(int index, GraphicsContext &context)
{
    if (index < 0 || index >= pageCount())
        return;
    const Rect area = imageableRect();
    const Rect piece = rectForPage(index);
    context.save();
    context.addClipRect(area);
    context.concatCTM(AffineTransform::makeTranslation(area.minX() - piece.minX(), area.minY() - piece.minY()));
    context.addClipRect(piece);
    drawRect(context);
    context.restore();
}

bool TDRenderingView::writePages(QIODevice *device)
{
    const Size sheet = sheetSize();
    if (!device || !(sheet.width > 0) || !(sheet.height > 0))
        return false;
    auto context = GraphicsContext::forPdf(device, sheet, true);
    if (!context)
        return false;
    const int pages = pageCount();
    for (int page = 0; page < pages; ++page) {
        if (page > 0)
            cairo_show_page(context->cairo());
        drawPage(page, *context);
    }
    return context->finish();
}

} // namespace scrivane
