#pragma once

#include "model/TDGraphic.h"

namespace scrivane {

// The ellipse, which can also be an open arc or a pie slice.  Its shape lies
// in the unit square and the shape transformation places it, as with the
// rectangle.  Two angles in degrees cut the ellipse: the shape starts at
// angle B and ends at angle A (angles grow counter-clockwise on the screen,
// 0 pointing along +x of the unit square); equal angles mean the full
// ellipse.  When joined, the cut ends meet at the centre (a pie), otherwise
// the shape is an open arc.
//
// On the canvas it shows four handles: the angle-A (-1) and angle-B (-2)
// handles on the rim and two size handles at the middles of the y = 0 edge
// (-3, height) and of the x = 0 edge (-4, width) of the unit square.
//
// Stored under "angleA", "angleB" and "joined" besides the keys of every
// graphic.
class TDOval : public TDGraphic {
public:
    TDOval();

    float angleA() const { return m_angleA; }
    float angleB() const { return m_angleB; }
    bool joined() const { return m_joined; }
    // Nothing when unchanged (or not a finite number); undoable (skippable)
    // outside a manipulation.
    void setAngleA(float degrees);
    void setAngleB(float degrees);
    void setJoined(bool joined);

    // The full ellipse is one path shared by every oval; arcs and pies are
    // made each time.
    std::shared_ptr<TDBezierPath> bezierPath() const override;
    // "ellipse" for a whole ellipse that is only scaled and moved (mirrored
    // too), else the path.
    XmlElement svgShape() override;

    // Handle points in document coordinates; `original` reads the state at
    // the start of the manipulation.  The zero point for any other number.
    Point node(int n) const override { return node(n, false); }
    Point node(int n, bool original) const;
    int oppositeControl(int) const { return 0; }
    // -1, -2, -3 or -4, the first whose handle holds the point; else
    // TDNotFound.
    using TDGraphic::nodeUnderPoint;
    int nodeUnderPoint(Point point, TDGraphicViewInterface *view) override;

    void startManipulation() override;
    // Registers one undo for each of the angles and the flag that changed.
    void stopManipulation() override;
    // Drags a handle by the total drag transformation since the
    // manipulation started.  Angle handles: inside the ellipse they make a
    // pie, outside an arc; Shift rounds the angle to 15 degrees; within 3
    // degrees of the other angle the shape closes into the full ellipse
    // unless Option is held.  Size handles scale about the centre line.  The
    // new values are shown in the status line.  A drag that needs to invert
    // a singular shape transformation changes nothing.
    void transformControl(int control, const AffineTransform &transform) override
    {
        transformControl(control, transform, 0);
    }
    void transformControl(int control, const AffineTransform &transform, unsigned modifierFlags) override;
    // The nearest multiple of 15 degrees; half way, the one farther from 0.
    static float roundedAngle(float degrees);

    // Also covers the part of the ellipse an arc leaves out, where its
    // handles can lie.
    Rect editingBounds() const override;

    void drawEditingInView(TDDrawProtocol *view, GraphicsContext &context) override;
    // The shape dashed, the part left out dashed in light gray, and the
    // four handles (the handles only when drawn for a canvas).
    void drawHandlesInView(TDGraphicViewInterface *view, GraphicsContext &context);

    // --- Dictionary form ------------------------------------------------------------
    PropertyList toYAML() const override;
    // The graphic's keys, then the oval's through their setters.
    static std::shared_ptr<TDOval> objectWithYAML(const PropertyList &dictionary);
    QString archiveClassName() const override { return QStringLiteral("TDOval"); }
    QStringList archiveClassHierarchy() const override;
    static std::shared_ptr<Archivable> decode(KeyedUnarchiver &unarchiver);
    QString defaultNameFormat() const override;

private:
    void setAngle(float &angle, float degrees, const QString &operation, void (TDOval::*setter)(float));

    float m_angleA = 0;
    float m_angleB = 0;
    float m_originalAngleA = 0;
    float m_originalAngleB = 0;
    bool m_joined = false;
    bool m_originalJoined = false;
};

} // namespace scrivane
