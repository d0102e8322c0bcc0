#include "app/FilterPointPick.h"

#include "app/CIVectorWrapper.h"
#include "canvas/TDGraphicView.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

namespace scrivane {

FilterPointPick::FilterPointPick(CIVectorWrapper *wrapper, TDGraphicView *canvas, Point origin, int scale,
                                 std::function<void()> finished)
    : m_wrapper(wrapper), m_canvas(canvas), m_origin(origin), m_scale(scale), m_oldX(wrapper->X()),
      m_oldY(wrapper->Y()), m_finished(std::move(finished))
{
    qApp->installEventFilter(this);
    if (QWidget *window = canvas->window()) {
        window->raise();
        window->activateWindow();
    }
}

FilterPointPick::~FilterPointPick()
{
    if (qApp)
        qApp->removeEventFilter(this);
}

void FilterPointPick::finish()
{
    if (!m_active)
        return;
    m_active = false;
    if (qApp)
        qApp->removeEventFilter(this);
    if (m_finished)
        m_finished();
}

bool FilterPointPick::isEventEscape(const QKeyEvent &event)
{
    if (event.type() != QEvent::KeyPress && event.type() != QEvent::KeyRelease)
        return false;
    if (event.key() == Qt::Key_Escape)
        return true;
    return event.key() == Qt::Key_Period && (event.modifiers() & Qt::ControlModifier);
}

bool FilterPointPick::eventFilter(QObject *watched, QEvent *event)
{
    if (!m_active)
        return false;
    const QEvent::Type type = event->type();
    const bool mouse = type == QEvent::MouseButtonPress || type == QEvent::MouseButtonRelease ||
                       type == QEvent::MouseMove || type == QEvent::MouseButtonDblClick;
    const bool key = type == QEvent::KeyPress || type == QEvent::KeyRelease;
    if (!mouse && !key)
        return false;
    // Only events for widgets count (Qt also shows them to the windows'
    // own handles on the way).
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget)
        return false;
    if (!m_canvas) {
        finish();
        return false;
    }
    if (mouse) {
        auto *press = static_cast<QMouseEvent *>(event);
        const bool leftDown = (press->buttons() & Qt::LeftButton) || press->button() == Qt::LeftButton;
        if (type == QEvent::MouseMove && !leftDown)
            return false;
        if (widget->window() != m_canvas->window()) {
            finish();
            return false;
        }
        if (type == QEvent::MouseButtonRelease) {
            if (press->button() != Qt::LeftButton)
                return false;
            finish();
            return false;
        }
        if (press->button() != Qt::LeftButton && !(press->buttons() & Qt::LeftButton))
            return false;
        pick(press->globalPosition());
        return true;
    }
    auto *keyEvent = static_cast<QKeyEvent *>(event);
    const bool escape = isEventEscape(*keyEvent);
    if (type == QEvent::KeyRelease && !escape)
        return false;
    if (escape)
        m_wrapper->setXY(m_oldX, m_oldY);
    finish();
    return false;
}

void FilterPointPick::pick(QPointF globalPosition)
{
    const QPointF local = m_canvas->mapFromGlobal(globalPosition) + QPointF(0.5, 0.5);
    const Point point = m_canvas->documentPointFromWidget(local);
    m_wrapper->setXY((double(point.x) - double(m_origin.x)) * m_scale,
                     (double(point.y) - double(m_origin.y)) * m_scale);
}

} // namespace scrivane
