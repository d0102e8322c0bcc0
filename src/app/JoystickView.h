#pragma once

#include <QWidget>

#include <functional>

namespace scrivane {

// The shadow panel's cross-hair: dragging it around the centre sets the
// shadow's angle (degrees from straight up toward the right, in [0, 360))
// and distance (at most maxOffset points).  Changes made by the person are
// reported through the handlers; the inspector's refresh sets both values
// quietly with setAngle(angle, offset).  A press to its release is one
// gesture (pressed, released), which the inspector makes one undo step.
class JoystickView : public QWidget {
    Q_OBJECT
public:
    explicit JoystickView(QWidget *parent = nullptr);

    QSize sizeHint() const override { return QSize(48, 48); }

    float offset() const { return m_offset; }
    // A changed value is stored, reported and drawn; an equal one changes
    // nothing.
    void setOffset(float offset);
    float angle() const { return m_angle; }
    void setAngle(float degrees);
    // Both stored and drawn, nothing reported.
    void setAngle(float degrees, float offset);
    float maxOffset() const { return m_maxOffset; }
    void setMaxOffset(float maxOffset) { m_maxOffset = maxOffset; }
    // The pointer at a point of the view sets offset and angle.
    void updateForPosition(QPointF position);

Q_SIGNALS:
    void offsetChanged(float offset);
    // Radians.
    void angleChanged(float radians);
    void pressed();
    void released();

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    float m_maxOffset = 15;
    float m_angle = 28;
    float m_offset = 0;
    bool m_tracking = false;
};

} // namespace scrivane
