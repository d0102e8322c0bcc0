#include "canvas/TDToolStrip.h"

#include "canvas/TDGraphicView.h"
#include "document/TDDocument.h"
#include "platform/UserDefaults.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <array>
#include <cmath>

namespace scrivane {

namespace {

// The select and the node-edit tools share the arrow's outline.
QPainterPath selectionArrow()
{
    QPainterPath arrow;
    arrow.moveTo(9, 5);
    arrow.lineTo(9, 21);
    arrow.lineTo(13, 17);
    arrow.lineTo(16, 23);
    arrow.lineTo(18, 22);
    arrow.lineTo(15, 16);
    arrow.lineTo(20, 16);
    arrow.closeSubpath();
    return arrow;
}

// One tool icon of 28 × 28 pixels, drawn in `ink`.
void drawToolIcon(QPainter &p, int tool, const QColor &ink)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(ink, 1.6);
    pen.setJoinStyle(Qt::RoundJoin);
    pen.setCapStyle(Qt::RoundCap);
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    switch (tool) {
    case 0: { // an arrow
        const QPainterPath arrow = selectionArrow();
        p.setBrush(ink);
        p.drawPath(arrow);
        break;
    }
    case 1: { // a hollow arrow over a node
        const QPainterPath arrow = selectionArrow();
        p.drawPath(arrow);
        p.fillRect(QRectF(19, 5, 4, 4), ink);
        break;
    }
    case 2: { // a freehand stroke
        QPainterPath stroke;
        stroke.moveTo(5, 20);
        stroke.cubicTo(9, 4, 14, 26, 18, 12);
        stroke.cubicTo(20, 6, 23, 8, 23, 10);
        p.drawPath(stroke);
        break;
    }
    case 3: { // a polygon
        const QPointF points[] = {{6, 20}, {10, 7}, {20, 6}, {23, 17}, {14, 22}};
        p.drawPolygon(points, 5);
        break;
    }
    case 4:
        p.drawRect(QRectF(6, 8, 16, 12));
        break;
    case 5:
        p.drawEllipse(QRectF(5, 8, 18, 12));
        break;
    case 6: { // the letter T
        QFont font = p.font();
        font.setPixelSize(18);
        font.setBold(true);
        p.setFont(font);
        p.drawText(QRectF(0, 0, 28, 28), Qt::AlignCenter, QStringLiteral("T"));
        break;
    }
    case 7: // a magnifier
        p.drawEllipse(QRectF(6, 6, 11, 11));
        p.drawLine(QPointF(15.5, 15.5), QPointF(22, 22));
        break;
    case 8: { // an open hand, simplified
        p.drawRoundedRect(QRectF(8, 12, 12, 11), 4, 4);
        for (int i = 0; i < 4; ++i)
            p.drawLine(QPointF(9.5 + i * 3, 13), QPointF(9.5 + i * 3, 6 + (i == 0 || i == 3 ? 2 : 0)));
        break;
    }
    case 9: // a dropper
        p.drawLine(QPointF(7, 21), QPointF(17, 11));
        p.drawEllipse(QRectF(16, 6, 6, 6));
        p.drawLine(QPointF(7, 21), QPointF(6, 22));
        break;
    default:
        break;
    }
    p.restore();
}

// The lock badge of a selected tool that is used once.
void drawLockBadge(QPainter &p, QPointF at)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(60, 60, 60), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(at.x() + 1.5, at.y(), 5, 6), 0, 180 * 16);
    p.setBrush(QColor(230, 190, 60));
    p.drawRect(QRectF(at.x(), at.y() + 3, 8, 5));
    p.restore();
}

struct CellImages {
    std::array<std::array<QImage, 3>, TDToolStrip::toolCount> images;
};

const CellImages &cellImages()
{
    static const CellImages table = [] {
        CellImages result;
        const QImage tools = TDToolStrip::toolsImage();
        const int n = TDToolStrip::toolCount;
        for (int i = 0; i < n; ++i) {
            for (int index = 0; index < 3; ++index) {
                QImage image(28, 28, QImage::Format_ARGB32_Premultiplied);
                image.fill(Qt::transparent);
                QPainter p(&image);
                // Inner edges of the frame fall outside the image: the row
                // of cells reads as one framed strip.
                const int x = i == 0 ? 0 : -1;
                const int w = i == n - 1 ? 29 : 31;
                p.setPen(QPen(QColor(120, 120, 120), 1.0));
                p.drawRect(QRectF(x + 0.5, 0.5, w - 1, 27));
                const int row = index == 0 ? 0 : 28;
                p.drawImage(QRectF(2, 2, 24, 24), tools, QRectF(i * 28.25 + 2, row + 2, 24, 24));
                if (index == 1)
                    drawLockBadge(p, QPointF(16, 4));
                p.end();
                result.images[i][index] = image;
            }
        }
        return result;
    }();
    return table;
}

} // namespace

QImage TDToolStrip::toolsImage()
{
    static const QImage sheet = [] {
        QImage image(int(std::ceil(toolCount * 28.25)), 56, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        for (int i = 0; i < toolCount; ++i) {
            p.save();
            p.translate(i * 28.25, 0);
            drawToolIcon(p, i, QColor(40, 40, 40));
            p.translate(0, 28);
            p.fillRect(QRectF(1, 1, 26, 26), QColor(70, 110, 190));
            drawToolIcon(p, i, Qt::white);
            p.restore();
        }
        return image;
    }();
    return sheet;
}

QImage TDToolStrip::cellImage(int column, int index)
{
    if (column < 0 || column >= toolCount || index < 0 || index > 2)
        return QImage();
    return cellImages().images[column][index];
}

TDToolStrip::TDToolStrip(QWidget *parent) : QWidget(parent)
{
    setFixedSize(sizeHint());
    setFocusPolicy(Qt::NoFocus);
    m_imageIndex[0] = 1;
}

TDToolStrip::~TDToolStrip() = default;

QSize TDToolStrip::sizeHint() const
{
    return QSize(toolCount * cellSize, cellSize);
}

QSize TDToolStrip::minimumSizeHint() const
{
    return sizeHint();
}

void TDToolStrip::setDocument(TDDocument *document)
{
    m_document = document;
}

void TDToolStrip::setGraphicView(TDGraphicView *view)
{
    m_graphicView = view;
}

void TDToolStrip::selectCell(int n)
{
    if (n < 1 || n > toolCount)
        return;
    m_selected = toolFromTag(n - 1);
    changeMode();
}

void TDToolStrip::select(Tool tool)
{
    m_selected = tool;
    changeMode();
}

void TDToolStrip::changeMode()
{
    const Tool oldMode = m_mode;
    const Tool newMode = drawMode();
    m_mode = newMode;
    if (m_document)
        m_document->setDrawMode(newMode);
    if (m_graphicView)
        m_graphicView->changeMode(newMode, oldMode);

    bool lock = true;
    if (oldMode != newMode) {
        m_imageIndex[tagOfTool(oldMode)] = 0;
        m_imageIndex[tagOfTool(newMode)] = 1;
        m_toggleLocked = false;
        lock = newMode == Tool::Select || newMode == Tool::Edit ||
               UserDefaults::standard().boolean(QStringLiteral("autolockTools"));
    }
    if (lock && !m_toggleLocked) {
        m_imageIndex[tagOfTool(newMode)] = 2;
        m_toggleLocked = true;
    }
    update();
    Q_EMIT modeChanged(newMode);
}

void TDToolStrip::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    for (int i = 0; i < toolCount; ++i)
        p.drawImage(QPoint(i * cellSize, 0), cellImage(i, m_imageIndex[i]));
}

void TDToolStrip::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const int column = int(event->position().x()) / cellSize;
    if (column >= 0 && column < toolCount)
        select(toolFromTag(column));
}

} // namespace scrivane
