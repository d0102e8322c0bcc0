#pragma once

#include "platform/Geometry.h"

#include <QWidget>

namespace scrivane {

// The transform pane's three-by-three picker of the reference point about
// which typed moves, sizes, rotations and skews act.  Rows and columns
// read as they show: the top row is the top of the selection (the
// smallest y, document coordinates growing downwards).
class TDTransformCentreView : public QWidget {
    Q_OBJECT
public:
    enum class Column { Left = 0, Centre = 1, Right = 2 };
    enum class Row { Top = 0, Centre = 1, Bottom = 2 };

    explicit TDTransformCentreView(QWidget *parent = nullptr);

    QSize sizeHint() const override { return QSize(32, 32); }
    QSize minimumSizeHint() const override { return sizeHint(); }

    Column modeX() const { return m_modeX; }
    Row modeY() const { return m_modeY; }
    void setModes(Column x, Row y);
    // The reference point of the bounds.
    Point originFromBounds(const Rect &bounds) const;

Q_SIGNALS:
    // The person picked another square.
    void modesChanged();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void track(QPointF position);

    Column m_modeX = Column::Centre;
    Row m_modeY = Row::Centre;
};

} // namespace scrivane
