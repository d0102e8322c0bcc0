#include "app/TDLayerOutline.h"

#include "app/TDLayerController.h"
#include "app/TDLayerModel.h"
#include "model/TDGroup.h"

#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>

namespace scrivane {

TDLayerOutline::TDLayerOutline(TDLayerController *controller, QWidget *parent)
    : QTreeView(parent), m_controller(controller)
{
    setObjectName(QStringLiteral("layerOutline"));
    setIndentation(10);
    setUniformRowHeights(true);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDropIndicatorShown(false);
    setAllColumnsShowFocus(true);
    header()->setStretchLastSection(false);
    header()->setSectionsMovable(false);
    header()->setMinimumSectionSize(20);
}

TDGraphicPtr TDLayerOutline::itemAt(const QPoint &point) const
{
    const auto *layers = qobject_cast<const TDLayerModel *>(model());
    return layers ? layers->graphicAt(indexAt(point)) : nullptr;
}

// --- Presses ------------------------------------------------------------------------------------------------

void TDLayerOutline::mousePressEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    if (event->button() != Qt::LeftButton || columnAt(point.x()) != TDLayerModel::EditingColumn) {
        QTreeView::mousePressEvent(event);
        return;
    }
    // Below the last row, or without a document, there is nothing to select.
    const TDGraphicPtr item = itemAt(point);
    m_lastPressed = item.get();
    m_pressSelecting = m_controller->beginPressSelection(item, event->modifiers() & Qt::ShiftModifier,
                                                         event->modifiers() & Qt::ControlModifier);
}

void TDLayerOutline::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressSelecting) {
        QTreeView::mouseMoveEvent(event);
        return;
    }
    QPoint point = event->position().toPoint();
    // Past the edges the outline scrolls a row at a time.
    if (point.y() < 0 || point.y() >= viewport()->height()) {
        QScrollBar *bar = verticalScrollBar();
        bar->setValue(bar->value() + (point.y() < 0 ? -bar->singleStep() : bar->singleStep()));
        point.setY(std::clamp(point.y(), 0, viewport()->height() - 1));
    }
    const TDGraphicPtr item = itemAt(point);
    if (item.get() == m_lastPressed)
        return;
    m_lastPressed = item.get();
    m_pressSelecting = m_controller->continuePressSelection(item);
}

void TDLayerOutline::mouseReleaseEvent(QMouseEvent *event)
{
    if (!m_pressSelecting && columnAt(event->position().toPoint().x()) != TDLayerModel::EditingColumn) {
        QTreeView::mouseReleaseEvent(event);
        return;
    }
    m_pressSelecting = false;
    m_lastPressed = nullptr;
    m_controller->endPressSelection();
}

void TDLayerOutline::mouseDoubleClickEvent(QMouseEvent *event)
{
    const QPoint point = event->position().toPoint();
    if (event->button() == Qt::LeftButton && columnAt(point.x()) == TDLayerModel::EditingColumn) {
        m_controller->doublePress(itemAt(point));
        return;
    }
    QTreeView::mouseDoubleClickEvent(event);
}

// --- Dragging rows --------------------------------------------------------------------------------------------

void TDLayerOutline::startDrag(Qt::DropActions)
{
    // The drop does the whole move; nothing is removed here afterwards.
    const QModelIndexList rows = selectionModel()->selectedRows(TDLayerModel::NameColumn);
    QMimeData *data = model()->mimeData(rows);
    if (!data)
        return;
    auto *drag = new QDrag(this);
    drag->setMimeData(data);
    drag->exec(Qt::MoveAction | Qt::CopyAction, Qt::MoveAction);
    m_dropLine = QRect();
    viewport()->update();
}

bool TDLayerOutline::acceptsDrag(const QDropEvent *event) const
{
    // Only rows of this outline, in the private type.
    return event->source() == this && event->mimeData() && event->mimeData()->hasFormat(TDLayerModel::MimeType);
}

TDLayerOutline::DropTarget TDLayerOutline::dropTargetAt(const QPoint &point) const
{
    const auto *layers = qobject_cast<const TDLayerModel *>(model());
    DropTarget target;
    if (!layers)
        return target;
    const QModelIndex index = indexAt(point).siblingAtColumn(TDLayerModel::NameColumn);
    const int width = viewport()->width();
    if (!index.isValid()) {
        // Below the last row: at the bottom of the layer list.
        target.childIndex = layers->rowCount();
        const QModelIndex last = layers->rowCount() > 0 ? layers->index(layers->rowCount() - 1, 0) : QModelIndex();
        int y = 0;
        for (QModelIndex below = last; below.isValid();) {
            y = visualRect(below).bottom() + 1;
            const int children = isExpanded(below) ? layers->rowCount(below) : 0;
            below = children > 0 ? layers->index(children - 1, 0, below) : QModelIndex();
        }
        target.line = QRect(0, y - 1, width, 2);
        return target;
    }
    const QRect row = visualRect(index);
    const int margin = std::max(2, row.height() / 4);
    const TDGraphicPtr parentItem = layers->graphicAt(index.parent());
    if (point.y() < row.top() + margin) {
        target.into = parentItem;
        target.childIndex = index.row();
        target.line = QRect(row.left(), row.top() - 1, width - row.left(), 2);
    } else if (point.y() >= row.bottom() - margin) {
        if (isExpanded(index) && layers->rowCount(index) > 0) {
            // Below an open group: its first row.
            target.into = layers->graphicAt(index);
            target.childIndex = 0;
            target.line = QRect(row.left() + indentation(), row.bottom(), width - row.left(), 2);
        } else {
            target.into = parentItem;
            target.childIndex = index.row() + 1;
            target.line = QRect(row.left(), row.bottom(), width - row.left(), 2);
        }
    } else {
        target.into = layers->graphicAt(index);
        target.childIndex = -1;
    }
    return target;
}

void TDLayerOutline::dragEnterEvent(QDragEnterEvent *event)
{
    if (!acceptsDrag(event)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void TDLayerOutline::dragMoveEvent(QDragMoveEvent *event)
{
    const DropTarget target = dropTargetAt(event->position().toPoint());
    const bool valid = acceptsDrag(event) && m_controller->validateDrop(target.into, target.childIndex);
    m_dropLine = valid ? target.line : QRect();
    viewport()->update();
    if (!valid) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void TDLayerOutline::dragLeaveEvent(QDragLeaveEvent *event)
{
    m_dropLine = QRect();
    viewport()->update();
    QTreeView::dragLeaveEvent(event);
}

void TDLayerOutline::dropEvent(QDropEvent *event)
{
    m_dropLine = QRect();
    viewport()->update();
    const DropTarget target = dropTargetAt(event->position().toPoint());
    if (!acceptsDrag(event) || !m_controller->validateDrop(target.into, target.childIndex)) {
        event->ignore();
        return;
    }
    // Ctrl (the desktop's copy key) or Alt copies.
    const bool copy = event->dropAction() == Qt::CopyAction || (event->modifiers() & Qt::AltModifier);
    event->setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
    event->accept();
    m_controller->acceptDrop(target.into, target.childIndex, copy);
}

void TDLayerOutline::paintEvent(QPaintEvent *event)
{
    QTreeView::paintEvent(event);
    if (m_dropLine.isNull())
        return;
    QPainter painter(viewport());
    painter.fillRect(m_dropLine, palette().highlight());
}

} // namespace scrivane
