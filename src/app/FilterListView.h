#pragma once

#include <QPoint>
#include <QPointer>
#include <QWidget>

class QMimeData;

namespace scrivane {

class CIController;

// The list that holds the filter views, top to bottom in effect order.  A
// filter view dragged by its header can be dropped between two others: an
// insertion mark shows where it will go, unless dropping there leaves the
// order as it is.  Only the list's own drags are taken; anything else
// dropped on it is refused, and so is a drag whose view has left the list.
class FilterListView : public QWidget {
    Q_OBJECT
public:
    // The MIME type of a filter view dragged inside the program.
    static const QString DraggedFilterType;

    explicit FilterListView(QWidget *parent = nullptr);

    void setController(CIController *controller) { m_controller = controller; }
    CIController *controller() const { return m_controller; }

    bool isDragging() const { return m_isDragging; }
    // The index a drop at `y` (in the list) would move the dragged view to:
    // that of the first view whose middle lies below y, else the count.
    int dropIndex(int y) const;
    // The insertion mark's y for a drop index, and whether it is drawn
    // (not where the dragged view already is).
    int markY(int index) const;
    bool showsMark() const;

protected:
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dragLeaveEvent(QDragLeaveEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    bool accepts(const QMimeData *data) const;

    CIController *m_controller = nullptr; // cleared by the controller when it goes
    bool m_isDragging = false;
    QPoint m_dragLocation;
};

} // namespace scrivane
