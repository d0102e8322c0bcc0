#pragma once

#include "platform/Geometry.h"

#include <QObject>
#include <QPointer>

#include <functional>

class QKeyEvent;

namespace scrivane {

class CIVectorWrapper;
class TDGraphicView;

// Picking a position for a filter on the canvas: from the start, presses
// and drags of the left button on the canvas's window set the wrapper's X
// and Y, measured from `origin` (document units) and multiplied by
// `scale`; those events go no further.  A release, a key press or any
// event of another window ends the pick and is delivered as usual; Escape
// (or Ctrl+.) also puts the old X and Y back.  A canvas that goes away ends
// it too.
class FilterPointPick : public QObject {
    Q_OBJECT
public:
    // `finished` runs once when the pick ends.
    FilterPointPick(CIVectorWrapper *wrapper, TDGraphicView *canvas, Point origin, int scale,
                    std::function<void()> finished);
    ~FilterPointPick() override;

    bool isActive() const { return m_active; }
    // Ends the pick (keeping what was picked).
    void finish();

    static bool isEventEscape(const QKeyEvent &event);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void pick(QPointF globalPosition);

    CIVectorWrapper *m_wrapper;
    QPointer<TDGraphicView> m_canvas;
    Point m_origin;
    int m_scale;
    double m_oldX;
    double m_oldY;
    std::function<void()> m_finished;
    bool m_active = true;
};

} // namespace scrivane
