#include "app/TDResizeView.h"

#include "app/TDPanelImages.h"
#include "app/TDSnapPanel.h"

#include <QMouseEvent>
#include <QPainter>

namespace scrivane {

TDResizeView::TDResizeView(TDSnapPanel *palette) : QWidget(palette), m_palette(palette)
{
    setFixedSize(13, 14);
    setCursor(Qt::SizeVerCursor);
    setToolTip(tr("Drag to change the height"));
}

void TDResizeView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.drawImage(QPoint(0, 0), TDPanelImages::imageNamed(QStringLiteral("resize")));
}

void TDResizeView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_dragging = true;
    m_palette->beginResize(event->globalPosition().toPoint().y());
}

void TDResizeView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_dragging)
        m_palette->resizeTo(event->globalPosition().toPoint().y());
}

void TDResizeView::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_dragging || event->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    m_palette->resizeTo(event->globalPosition().toPoint().y());
    m_palette->endResize();
}

} // namespace scrivane
