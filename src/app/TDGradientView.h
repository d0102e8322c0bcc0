#pragma once

#include "model/TDModelTypes.h"

#include <QWidget>

#include <memory>
#include <optional>
#include <vector>

namespace scrivane {

class TDGradient;
class TDGradientColorWell;

// The fill pane's gradient editor: a strip showing the gradient over a
// checkerboard, with a small colour well under each stop.  A click in the
// band of the wells adds a stop of the colour the gradient already has
// there; a press picks the nearest stop, which a drag moves along the
// strip, or out of the control to take it away (the last stop left in the
// strip always stays); Escape puts a dragged stop back.  A well recolours
// its stop through the shared colour dialog.
//
// Every change is reported with `gradientChanged`; while a stop is being
// dragged `selectedMarker` names it, and at the release the editor reports
// the state before the gesture and then the final one, so that a listener
// can change the drawing live and record one undoable change at the end.
// Installing a gradient with setGradient reports nothing.
//
// Geometry (widget coordinates, y downwards): stops map to x = 10 + p ·
// (width − 20); the strip spans x 10 .. width − 10 and y 20 .. height − 15;
// the wells sit at the bottom, 15 by 20, centred on their stop; a press
// below height − 15 adds a stop.  A control 20 pixels wide or narrower has
// no usable strip and ignores the mouse.
class TDGradientView : public QWidget {
    Q_OBJECT
public:
    static constexpr int Margin = 10;
    static constexpr int WellBand = 15;
    static constexpr int TopBand = 20;

    explicit TDGradientView(QWidget *parent = nullptr);
    ~TDGradientView() override;

    QSize sizeHint() const override { return QSize(220, 64); }

    // A copy of `gradient` (nothing: the default dark to light grey) is
    // edited from now on; nothing is reported.
    void setGradient(const std::shared_ptr<const TDGradient> &gradient);
    const std::shared_ptr<TDGradient> &gradient() const { return m_gradient; }
    // The list index of the stop being dragged, -1 when none.
    int selectedMarker() const { return m_selectedMarker; }

    // The stop position at a widget x; nothing without a usable strip.
    std::optional<float> positionAt(double x) const;
    double xForPosition(float position) const;
    const std::vector<TDGradientColorWell *> &wells() const { return m_wells; }

    // The gestures, as the mouse and Escape run them (public for tests).
    void pressAt(QPointF point);
    void dragTo(QPointF point);
    void release();
    void cancelOperation();

Q_SIGNALS:
    void gradientChanged();
    // A press to its release: one gesture.
    void pressed();
    void released();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    // Lays the wells out and reports the change unless installing.
    void changed();
    void setupMarkers();
    void setColor(TDGradientColorWell *well);
    int visibleStops() const;
    QRectF stripRect() const;

    std::shared_ptr<TDGradient> m_gradient;
    std::shared_ptr<TDGradient> m_beforeGesture;
    std::vector<TDGradientColorWell *> m_wells;
    float m_originalPosition = 0;
    int m_selectedMarker = -1;
    bool m_setting = false;
    bool m_tracking = false;
};

} // namespace scrivane
