#pragma once

#include "model/TDCanvasTypes.h"
#include "platform/AffineTransform.h"
#include "platform/Geometry.h"

namespace scrivane {

// The geometry of a knob drag: which transformation moving one handle of
// the selection bounds (Knob) from a start point to the pointer stands for.
//
// One object lives for one drag: it keeps the bounds taken at the start,
// the axis lock of a Shift-constrained move, the last well-defined rotation
// and the last pointer position, which key and modifier events reuse.
// Every result is a finite transformation.
class TDKnobGeometry {
public:
    enum class Operation { None, Move, Scale, Rotate, SkewX, SkewY };

    // A scale factor that comes out exactly 0 becomes this, so that a
    // graphic is never collapsed to a degenerate transformation.
    static constexpr float kSmallestFactor = 0.0001f;
    // How far a Shift-constrained move must go along the other axis before
    // the axis lock changes sides (points).
    static constexpr float kAxisSwitchDistance = 20;

    explicit TDKnobGeometry(const Rect &bounds = Rect()) : m_bounds(bounds) {}

    const Rect &bounds() const { return m_bounds; }
    // Other bounds for the same drag: the axis lock and rotation stay.
    void setBounds(const Rect &bounds) { m_bounds = bounds; }
    // A new drag: new bounds, the axis lock undecided, no rotation yet.
    void reset(const Rect &bounds);

    static Operation operation(Knob knob);

    // The offset of the knob from the start point: the distance from the
    // handle's own edges (knobs 1 to 8) or from the bounds' origin (moves),
    // so that the handle, not the pointer, is what snaps.  Rotation and
    // skew snap the pointer itself (no offset).
    Point offsetForKnob(Knob knob, Point start) const;

    // The transformation that takes `knob` from `start` to `current`, both
    // already made relative to the knob (the offset taken off); `current`
    // is already snapped.  Shift constrains (axis, 15-degree steps, equal
    // factors, half steps); Option scales from the centre.
    AffineTransform transformation(Knob knob, Point start, Point current, bool shiftConstrained,
                                   bool altConstrained);

    // -1 undecided, 0 horizontal only, 1 vertical only.
    int axisLock() const { return m_axisLock; }

    // The pointer at the last mouse event of the drag (document points).
    Point lastPointer() const { return m_lastPointer; }
    void setLastPointer(Point pointer) { m_lastPointer = pointer; }

    // Angles: rounded to a multiple of 15 degrees, halves away from zero.
    static double roundToFifteenDegrees(double degrees);
    // Middle-handle factors under Shift: a multiple of 0.5, halves away from
    // zero; 0 becomes kSmallestFactor.
    static float roundToHalf(float factor);

    // The anchor (fixed point) and the moving reference of a resize knob.
    Point anchor(Knob knob) const;
    Point reference(Knob knob) const;
    Point centre() const { return Point(m_bounds.midX(), m_bounds.midY()); }

private:
    AffineTransform move(Point start, Point current, bool shiftConstrained);
    AffineTransform rotate(Point start, Point current, bool shiftConstrained);
    AffineTransform skew(Knob knob, Point start, Point current, bool shiftConstrained) const;
    AffineTransform scale(Knob knob, Point current, bool shiftConstrained, bool altConstrained) const;

    Rect m_bounds;
    int m_axisLock = -1;
    double m_lastRotation = 0;
    Point m_lastPointer;
};

} // namespace scrivane
