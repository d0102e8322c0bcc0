#include "app/TDTransformCentreView.h"

#include <QMouseEvent>
#include <QPainter>

namespace scrivane {

namespace {

// Squares of side 6 at 0.5, 12.5 and 24.5 inside a frame at 3.5 of side 24.
constexpr double SquareOrigins[3] = {0.5, 12.5, 24.5};
constexpr double SquareSide = 6;

int modeForCoordinate(double v)
{
    if (v < 11.5)
        return 0;
    if (v > 23.5)
        return 2;
    return 1;
}

} // namespace

TDTransformCentreView::TDTransformCentreView(QWidget *parent) : QWidget(parent)
{
    setFixedSize(sizeHint());
    setToolTip(tr("The point the typed values refer to"));
}

void TDTransformCentreView::setModes(Column x, Row y)
{
    m_modeX = x;
    m_modeY = y;
    update();
}

Point TDTransformCentreView::originFromBounds(const Rect &b) const
{
    const float x = m_modeX == Column::Left ? b.minX() : m_modeX == Column::Right ? b.maxX() : b.midX();
    const float y = m_modeY == Row::Top ? b.minY() : m_modeY == Row::Bottom ? b.maxY() : b.midY();
    return Point(x, y);
}

void TDTransformCentreView::track(QPointF position)
{
    const Column x = Column(modeForCoordinate(position.x()));
    const Row y = Row(modeForCoordinate(position.y()));
    if (x == m_modeX && y == m_modeY)
        return;
    setModes(x, y);
    Q_EMIT modesChanged();
}

void TDTransformCentreView::mousePressEvent(QMouseEvent *event)
{
    track(event->position());
}

void TDTransformCentreView::mouseMoveEvent(QMouseEvent *event)
{
    if (event->buttons() & Qt::LeftButton)
        track(event->position());
}

void TDTransformCentreView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QColor ink = isEnabled() ? QColor(Qt::black) : palette().color(QPalette::Mid);
    painter.setPen(ink);
    painter.drawRect(QRectF(3.5, 3.5, 24, 24));
    for (double y : SquareOrigins)
        for (double x : SquareOrigins) {
            painter.setBrush(Qt::white);
            painter.drawRect(QRectF(x, y, SquareSide, SquareSide));
        }
    painter.setBrush(ink);
    painter.drawRect(QRectF(SquareOrigins[int(m_modeX)], SquareOrigins[int(m_modeY)], SquareSide, SquareSide));
}

} // namespace scrivane
