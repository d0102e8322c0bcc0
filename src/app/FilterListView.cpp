#include "app/FilterListView.h"

#include "app/CIController.h"
#include "app/FilterView.h"

#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>

namespace scrivane {

const QString FilterListView::DraggedFilterType = QStringLiteral("application/x-scrivane-dragged-filter");

FilterListView::FilterListView(QWidget *parent) : QWidget(parent)
{
    setAcceptDrops(true);
    setAutoFillBackground(true);
}

bool FilterListView::accepts(const QMimeData *data) const
{
    return m_controller && data && data->hasFormat(DraggedFilterType) && m_controller->isDragOfThisList(*data);
}

int FilterListView::dropIndex(int y) const
{
    if (!m_controller)
        return 0;
    const auto &views = m_controller->filterViewArray();
    for (size_t i = 0; i < views.size(); ++i) {
        const QRect frame = views[i]->geometry();
        if (frame.y() + frame.height() / 2.0 > y)
            return int(i);
    }
    return int(views.size());
}

int FilterListView::markY(int index) const
{
    if (!m_controller || m_controller->filterViewArray().empty())
        return 0;
    const auto &views = m_controller->filterViewArray();
    if (index < int(views.size()))
        return views[size_t(index)]->geometry().y() - 2;
    const QRect last = views.back()->geometry();
    return last.y() + last.height();
}

bool FilterListView::showsMark() const
{
    if (!m_isDragging || !m_controller)
        return false;
    const int index = dropIndex(m_dragLocation.y());
    const int dragging = m_controller->draggingIndex();
    return index != dragging && index != dragging + 1;
}

void FilterListView::dragEnterEvent(QDragEnterEvent *event)
{
    if (!accepts(event->mimeData())) {
        event->ignore();
        return;
    }
    m_isDragging = true;
    m_dragLocation = event->position().toPoint();
    event->setDropAction(Qt::MoveAction);
    event->accept();
    QWidget::update();
}

void FilterListView::dragMoveEvent(QDragMoveEvent *event)
{
    if (!accepts(event->mimeData())) {
        event->ignore();
        return;
    }
    m_dragLocation = event->position().toPoint();
    event->setDropAction(Qt::MoveAction);
    event->accept();
    QWidget::update();
}

void FilterListView::dragLeaveEvent(QDragLeaveEvent *)
{
    m_isDragging = false;
    QWidget::update();
}

void FilterListView::dropEvent(QDropEvent *event)
{
    m_isDragging = false;
    QWidget::update();
    if (!accepts(event->mimeData())) {
        event->ignore();
        return;
    }
    const int index = dropIndex(event->position().toPoint().y());
    event->setDropAction(Qt::MoveAction);
    event->accept();
    m_controller->moveFilterToIndex(index);
}

void FilterListView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    if (!showsMark())
        return;
    const int y = markY(dropIndex(m_dragLocation.y()));
    painter.fillRect(QRect(0, y, FilterView::Width, 2), Qt::black);
}

} // namespace scrivane
