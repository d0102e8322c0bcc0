#pragma once

#include "model/TDModelTypes.h"

#include <QRect>
#include <QTreeView>

namespace scrivane {

class TDLayerController;

// The outline of the layers panel.  A press in the editing column (column
// 1) selects graphics on the canvas: dragging over rows applies the first
// row's decision to every row passed; a double press there makes a group
// current.  Presses in the other columns are the tree's own (row
// selection, renaming, check boxes, disclosure, dragging rows).  Rows
// dragged within the outline drop between rows, never onto one.
class TDLayerOutline : public QTreeView {
    Q_OBJECT
public:
    explicit TDLayerOutline(TDLayerController *controller, QWidget *parent = nullptr);

    // Where a drop at a point of the viewport goes: into a group (null:
    // between layers) at the outline's child index, or onto a row (index
    // below 0, refused).  `line` is where the insertion mark is drawn.
    struct DropTarget {
        TDGraphicPtr into;
        int childIndex = -1;
        QRect line;
    };
    DropTarget dropTargetAt(const QPoint &point) const;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool acceptsDrag(const QDropEvent *event) const;
    TDGraphicPtr itemAt(const QPoint &point) const;

    TDLayerController *m_controller;
    bool m_pressSelecting = false;
    const TDGraphic *m_lastPressed = nullptr;
    QRect m_dropLine;
};

} // namespace scrivane
