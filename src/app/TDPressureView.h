#pragma once

#include "model/TDModelTypes.h"
#include "platform/Geometry.h"

#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

class QCheckBox;

namespace scrivane {

class TDUndoManager;

// The small graph of the stroke pane on which the pressure curve of brush
// strokes is drawn with the mouse: the stroke's width factor (0 at the
// bottom, 1 on the dashed middle line, 2 at the top) along its length.  A
// press near a point drags it, anywhere else adds one; dragging a point off
// the graph removes it while two others remain.  Editing the curve switches
// pressure on.
//
// The edit goes to every graphic the pane edits (the canvas's selection of
// the shown graphic's document, else the shown graphic), each getting its
// own copy of the curve; one press to release is one undo step.
class TDPressureView : public QWidget {
    Q_OBJECT
public:
    // The graphics an edit goes to.
    using Targets = std::function<TDGraphicArray()>;

    explicit TDPressureView(QWidget *parent = nullptr);
    ~TDPressureView() override;

    QSize sizeHint() const override { return QSize(210, 51); }

    // The graphic whose curve is shown (null: none); the check box follows
    // its use of pressure.
    void setGraphic(const TDGraphicPtr &graphic);
    const TDGraphicPtr &graphic() const { return m_graphic; }
    // The pane's check box that switches pressure on and off.
    void setToggleCheck(QCheckBox *check);
    void setTargets(Targets targets) { m_targets = std::move(targets); }

    // Pressure on or off for every target (no undo name of its own).
    void toggle(bool on);
    // Back to the flat curve at the plain width, as one undo step "Reset
    // Pressure".
    void reset();

    // The graph: the view less its margins (2 around, 20 more on the right).
    QRectF graphRect() const;
    // Curve coordinates of a point of the view, clamped to the graph.
    Point curvePoint(QPointF position) const;
    QPointF viewPoint(Point curve) const;

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    TDGraphicArray targets() const;
    // Whether the graph has room to be drawn and edited.
    bool usable() const;
    void dragTo(QPointF position);
    // Closes the undo step of the edit in progress, if any.
    void endEdit();

    TDGraphicPtr m_graphic;
    QCheckBox *m_toggle = nullptr;
    Targets m_targets;
    // From a press to the release: the curve being edited, and the point
    // being dragged in it.
    std::optional<std::vector<Point>> m_working;
    std::optional<Point> m_dragged;
    TDUndoManager *m_undo = nullptr;
};

} // namespace scrivane
