#include "app/TDCloseButton.h"

#include "app/TDPanelImages.h"

#include <QMouseEvent>
#include <QPainter>

namespace scrivane {

TDCloseButton::TDCloseButton(QWidget *parent) : QWidget(parent)
{
    setFixedSize(13, 14);
    setAttribute(Qt::WA_Hover);
    setToolTip(tr("Close"));
}

QString TDCloseButton::imageName() const
{
    if (m_highlight && m_click)
        return QStringLiteral("close_blue_highlight");
    if (m_highlight != m_click)
        return QStringLiteral("close_blue_over");
    return QStringLiteral("close_blue");
}

void TDCloseButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.drawImage(QPoint(0, 0), TDPanelImages::imageNamed(imageName()));
}

void TDCloseButton::setHighlight(bool on)
{
    if (on == m_highlight)
        return;
    m_highlight = on;
    update();
}

void TDCloseButton::enterEvent(QEnterEvent *)
{
    setHighlight(true);
}

void TDCloseButton::leaveEvent(QEvent *)
{
    setHighlight(false);
}

void TDCloseButton::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_click = true;
    setHighlight(rect().contains(event->position().toPoint()));
    update();
}

void TDCloseButton::mouseMoveEvent(QMouseEvent *event)
{
    if (m_click)
        setHighlight(rect().contains(event->position().toPoint()));
}

void TDCloseButton::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_click)
        return;
    m_click = false;
    const bool inside = rect().contains(event->position().toPoint());
    update();
    if (inside)
        Q_EMIT clicked();
}

} // namespace scrivane
