#include "app/JoystickView.h"

#include "app/RadiansToDegreesTransformer.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace scrivane {

JoystickView::JoystickView(QWidget *parent) : QWidget(parent)
{
    setFixedSize(48, 48);
    setFocusPolicy(Qt::ClickFocus);
}

void JoystickView::setOffset(float offset)
{
    if (offset == m_offset)
        return;
    m_offset = offset;
    Q_EMIT offsetChanged(offset);
    update();
}

void JoystickView::setAngle(float degrees)
{
    if (degrees == m_angle)
        return;
    m_angle = degrees;
    Q_EMIT angleChanged(float(RadiansToDegreesTransformer::reverseTransformedValue(degrees)));
    update();
}

void JoystickView::setAngle(float degrees, float offset)
{
    m_angle = degrees;
    m_offset = offset;
    update();
}

void JoystickView::updateForPosition(QPointF position)
{
    // The view's y grows downwards; the angle is measured with y upwards.
    const double dx = position.x() - width() / 2.0;
    const double dy = height() / 2.0 - position.y();
    setOffset(float(std::min(std::sqrt(dx * dx + dy * dy), double(m_maxOffset))));
    double degrees = RadiansToDegreesTransformer::transformedValue(std::atan2(dx, dy));
    if (degrees < 0)
        degrees += 360;
    setAngle(float(degrees));
}

void JoystickView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    m_tracking = true;
    Q_EMIT pressed();
    updateForPosition(event->position());
}

void JoystickView::mouseMoveEvent(QMouseEvent *event)
{
    if (m_tracking)
        updateForPosition(event->position());
}

void JoystickView::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_tracking)
        return;
    updateForPosition(event->position());
    m_tracking = false;
    Q_EMIT released();
}

void JoystickView::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::EnabledChange) {
        // A disabled control ends the gesture it was part of.
        if (!isEnabled() && m_tracking) {
            m_tracking = false;
            Q_EMIT released();
        }
        update();
    }
    QWidget::changeEvent(event);
}

void JoystickView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(isEnabled() ? palette().color(QPalette::Mid) : QColor(Qt::white));
    painter.setBrush(palette().color(QPalette::Base));
    painter.drawRect(bounds);
    if (!isEnabled())
        return;
    painter.setClipRect(rect().adjusted(2, 2, -2, -2));
    painter.translate(width() / 2.0 + 0.5, height() / 2.0 + 0.5);
    const double radians = RadiansToDegreesTransformer::reverseTransformedValue(m_angle);
    const QPointF knob(m_offset * std::sin(radians), -m_offset * std::cos(radians));
    painter.setPen(QPen(QColor(170, 170, 170), 1.5));
    painter.drawLine(knob + QPointF(-5, 0), knob + QPointF(5, 0));
    painter.drawLine(knob + QPointF(0, -5), knob + QPointF(0, 5));
    painter.setPen(QPen(Qt::black, 1.0));
    painter.drawLine(QPointF(-5, 0), QPointF(5, 0));
    painter.drawLine(QPointF(0, -5), QPointF(0, 5));
}

} // namespace scrivane
