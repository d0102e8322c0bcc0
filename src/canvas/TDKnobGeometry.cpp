#include "canvas/TDKnobGeometry.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace scrivane {

namespace {

constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

// The direction of a vector in degrees, or nothing for the zero vector,
// whose direction is undefined.
bool directionOf(double x, double y, double &degrees)
{
    if (x == 0 && y == 0)
        return false;
    degrees = std::atan2(y, x) * kDegreesPerRadian;
    return std::isfinite(degrees);
}

// translate by `at`, then `middle`, then translate back: the operation
// about a fixed point.
AffineTransform about(Point at, const AffineTransform &middle)
{
    AffineTransform t = AffineTransform::makeTranslation(at.x, at.y);
    t.prepend(middle);
    t.translate(-at.x, -at.y);
    return t;
}

// A factor along an axis whose extent is zero has no meaning: that axis
// keeps its size (factor 1).  Exactly 0 becomes the smallest factor.
float factor(float to, float anchor, float reference, bool &defined)
{
    const double extent = double(reference) - double(anchor);
    const double f = (double(to) - double(anchor)) / extent;
    defined = extent != 0 && std::isfinite(f);
    if (!defined)
        return 1;
    return f == 0 ? TDKnobGeometry::kSmallestFactor : float(f);
}

} // namespace

void TDKnobGeometry::reset(const Rect &bounds)
{
    m_bounds = bounds;
    m_axisLock = -1;
    m_lastRotation = 0;
}

TDKnobGeometry::Operation TDKnobGeometry::operation(Knob knob)
{
    if (isScaleKnob(knob))
        return Operation::Scale;
    switch (knob) {
    case Knob::Body:
    case Knob::FreeMove:
        return Operation::Move;
    case Knob::Rotate:
        return Operation::Rotate;
    case Knob::SkewX:
        return Operation::SkewX;
    case Knob::SkewY:
        return Operation::SkewY;
    default:
        return Operation::None;
    }
}

Point TDKnobGeometry::offsetForKnob(Knob knob, Point start) const
{
    const Rect &b = m_bounds;
    if (knob == Knob::Body || knob == Knob::FreeMove)
        return Point(start.x - b.minX(), start.y - b.minY());
    Point offset;
    if (knob == Knob::TopLeft || knob == Knob::TopMiddle || knob == Knob::TopRight)
        offset.y = start.y - b.minY();
    else if (knob == Knob::BottomLeft || knob == Knob::BottomMiddle || knob == Knob::BottomRight)
        offset.y = start.y - b.maxY();
    if (knob == Knob::TopLeft || knob == Knob::MiddleLeft || knob == Knob::BottomLeft)
        offset.x = start.x - b.minX();
    else if (knob == Knob::TopRight || knob == Knob::MiddleRight || knob == Knob::BottomRight)
        offset.x = start.x - b.maxX();
    return offset;
}

Point TDKnobGeometry::anchor(Knob knob) const
{
    const Rect &b = m_bounds;
    switch (knob) {
    case Knob::TopLeft:
        return Point(b.maxX(), b.maxY());
    case Knob::TopMiddle:
        return Point(b.midX(), b.maxY());
    case Knob::TopRight:
        return Point(b.minX(), b.maxY());
    case Knob::MiddleLeft:
        return Point(b.maxX(), b.midY());
    case Knob::MiddleRight:
        return Point(b.minX(), b.midY());
    case Knob::BottomLeft:
        return Point(b.maxX(), b.minY());
    case Knob::BottomMiddle:
        return Point(b.midX(), b.minY());
    case Knob::BottomRight:
        return Point(b.minX(), b.minY());
    default:
        return centre();
    }
}

Point TDKnobGeometry::reference(Knob knob) const
{
    const Rect &b = m_bounds;
    switch (knob) {
    case Knob::TopLeft:
        return Point(b.minX(), b.minY());
    case Knob::TopMiddle:
        return Point(b.midX(), b.minY());
    case Knob::TopRight:
        return Point(b.maxX(), b.minY());
    case Knob::MiddleLeft:
        return Point(b.minX(), b.midY());
    case Knob::MiddleRight:
        return Point(b.maxX(), b.midY());
    case Knob::BottomLeft:
        return Point(b.minX(), b.maxY());
    case Knob::BottomMiddle:
        return Point(b.midX(), b.maxY());
    case Knob::BottomRight:
        return Point(b.maxX(), b.maxY());
    default:
        return centre();
    }
}

double TDKnobGeometry::roundToFifteenDegrees(double degrees)
{
    return std::trunc((degrees > 0 ? degrees + 7.5 : degrees - 7.5) / 15.0) * 15.0;
}

float TDKnobGeometry::roundToHalf(float factor)
{
    const float twice = factor > 0 ? 2 * factor + 0.5f : 2 * factor - 0.5f;
    const float rounded = std::trunc(twice) / 2;
    return rounded == 0 ? kSmallestFactor : rounded;
}

AffineTransform TDKnobGeometry::transformation(Knob knob, Point start, Point current, bool shiftConstrained,
                                               bool altConstrained)
{
    switch (operation(knob)) {
    case Operation::Move:
        return move(start, current, shiftConstrained && knob != Knob::FreeMove);
    case Operation::Rotate:
        return rotate(start, current, shiftConstrained);
    case Operation::SkewX:
    case Operation::SkewY:
        return skew(knob, start, current, shiftConstrained);
    case Operation::Scale:
        return scale(knob, current, shiftConstrained, altConstrained);
    case Operation::None:
        break;
    }
    return AffineTransform();
}

AffineTransform TDKnobGeometry::move(Point start, Point current, bool shiftConstrained)
{
    float dx = current.x - start.x;
    float dy = current.y - start.y;
    if (shiftConstrained) {
        const float ax = std::abs(dx), ay = std::abs(dy);
        if (m_axisLock == -1)
            m_axisLock = ay > ax ? 1 : 0;
        else if (m_axisLock == 1 && ax > ay && ax > kAxisSwitchDistance)
            m_axisLock = 0;
        else if (m_axisLock == 0 && ay > ax && ay > kAxisSwitchDistance)
            m_axisLock = 1;
        if (m_axisLock == 1)
            dx = 0;
        else
            dy = 0;
    }
    return AffineTransform::makeTranslation(dx, dy);
}

AffineTransform TDKnobGeometry::rotate(Point start, Point current, bool shiftConstrained)
{
    const Point c = centre();
    double from = 0, to = 0;
    // A pointer (or a press) exactly on the centre has no direction: the
    // rotation stays what it was rather than becoming undefined.
    double degrees = m_lastRotation;
    if (directionOf(double(start.x) - c.x, double(start.y) - c.y, from) &&
        directionOf(double(current.x) - c.x, double(current.y) - c.y, to)) {
        degrees = to - from;
        if (shiftConstrained)
            degrees = roundToFifteenDegrees(degrees);
        m_lastRotation = degrees;
    }
    return about(c, AffineTransform::makeRotationByDegrees(float(degrees)));
}

AffineTransform TDKnobGeometry::skew(Knob knob, Point start, Point current, bool shiftConstrained) const
{
    const Point c = centre();
    const bool alongX = knob == Knob::SkewX;
    const double travel = alongX ? double(current.x) - start.x : double(current.y) - start.y;
    const double lever = alongX ? double(start.y) - c.y : double(start.x) - c.x;
    // A handle on the centre line (a selection without height for a skew
    // along x, without width along y) has no lever: no skew.
    if (lever == 0)
        return AffineTransform();
    double degrees = std::atan(travel / lever) * kDegreesPerRadian;
    if (!std::isfinite(degrees))
        return AffineTransform();
    if (shiftConstrained) {
        degrees = roundToFifteenDegrees(degrees);
        // Rounding can reach a right angle, whose shear is infinite: the
        // steps stop one short of it.
        degrees = std::clamp(degrees, -75.0, 75.0);
    }
    const float shear = float(std::tan(degrees / kDegreesPerRadian));
    AffineTransform middle;
    if (alongX)
        middle.shearXBy(shear);
    else
        middle.shearYBy(shear);
    return about(c, middle);
}

AffineTransform TDKnobGeometry::scale(Knob knob, Point current, bool shiftConstrained,
                                      bool altConstrained) const
{
    const Point a = altConstrained ? centre() : anchor(knob);
    const Point r = reference(knob);
    bool xDefined = false, yDefined = false;
    float sx = factor(current.x, a.x, r.x, xDefined);
    float sy = factor(current.y, a.y, r.y, yDefined);
    switch (knob) {
    case Knob::TopMiddle:
    case Knob::BottomMiddle:
        sx = 1;
        if (shiftConstrained && yDefined)
            sy = roundToHalf(sy);
        break;
    case Knob::MiddleLeft:
    case Knob::MiddleRight:
        sy = 1;
        if (shiftConstrained && xDefined)
            sx = roundToHalf(sx);
        break;
    default:
        if (shiftConstrained) {
            // Equal factors; an axis without extent follows the other.
            if (xDefined && yDefined)
                sx = sy = std::max(sx, sy);
            else if (xDefined)
                sy = sx;
            else if (yDefined)
                sx = sy;
        }
        break;
    }
    return about(a, AffineTransform::makeScale(sx, sy));
}

} // namespace scrivane
