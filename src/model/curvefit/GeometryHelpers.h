#pragma once

// Point, cubic, segment and rectangle helpers shared by the curve code and the
// path and shape classes.  Single precision throughout.

#include "model/curvefit/VectorMath.h"
#include "platform/Geometry.h"

#include <QString>

#include <span>

namespace scrivane {

// --- Points ---------------------------------------------------------------

float TDPointLength(Point p);
float TDPointSqrLength(Point p);
float TDPointDot(Point a, Point b);
float TDPointDistanceBetween(Point a, Point b);
// Exact comparison of both coordinates.
bool TDEqualPoints(Point a, Point b);
Point TDPointMultiply(Point p, float s);
// p scaled to length 1.  A zero-length p has no direction: the answer is then
// (0, 0), which no unit vector equals, so callers test for it with
// TDEqualPoints(result, Point()) or TDPointSqrLength(result) == 0.
Point TDPointUnit(Point p);
bool isnanPoint(Point p);

// --- Cubics (P0 start, P1 and P2 control points, P3 end) ------------------

// The polar form (blossom) of the cubic with homogeneous weight pairs
// (a0, b0), (a1, b1), (a2, b2).  With pairs (1 - t0, t0) and (1 - t1, t1) it
// yields the control points of the part of the curve between t0 and t1.
Point F(std::span<const Point, 4> P, float a0, float b0, float a1, float b1, float a2, float b2);
// The blossom at parameters u, v, w; ff(P, t, t, t) is the point at t.
Point ff(std::span<const Point, 4> P, float u, float v, float w);
Point TDPointOnCurve(std::span<const Point, 4> P, float t);
// The derivative at t (not normalised).
Point TDGradientOnCurve(std::span<const Point, 4> P, float t);

// --- Segments -------------------------------------------------------------

// A segment (or line) from (x0, y0) to (x1, y1).
struct LineSegment {
    float x0 = 0;
    float y0 = 0;
    float x1 = 0;
    float y1 = 0;
};

// Where segment A crosses segment B.  Both parameter ranges are [0, 1): a
// crossing exactly at the far end of either segment does not count.  When the
// crossing lies on B, t receives its parameter on A (also when that parameter
// is then found outside A); point, when given, receives the crossing.
// Parallel or zero-length segments never cross.
bool lineIntersectsLine(const LineSegment &A, const LineSegment &B, Point *point, float &t);

// Where the line through a0, a1 crosses the line through b0, b1.  Bounded, the
// crossing must lie strictly inside both segments.  Parallel lines (and
// zero-length segments) have no crossing, bounded or not: the answer is false
// and point is left alone.
bool intersectsLine(Point a0, Point a1, Point b0, Point b1, Point *point, bool unbounded);

// Signed distance from p to the line through (x0, y0) and (x1, y1), positive
// on the right of the direction from the first point to the second when y
// grows upwards.  A zero-length line has no side: the answer is then the
// plain (non-negative) distance from p to that point.
float distanceToPointFromLine(const LineSegment &line, Point p);

// --- Rectangles -----------------------------------------------------------

// The smallest rectangle holding r and p; a NaN coordinate on either side
// gives way to the other.
Rect PointUnionRect(Rect r, Point p);
// r grown just enough to hold p; a point inside leaves r unchanged.
Rect NSRectAddPoint(Rect r, Point p);
// "x, y, width, height" as whole numbers truncated toward zero.  Values beyond
// the range of int are clamped to it and NaN is written as 0.
QString MYRectToString(Rect r);

} // namespace scrivane
