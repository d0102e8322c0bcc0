#pragma once

// The point of a cubic Bezier segment nearest to a given point: the condition
// that the vector from the point to the curve is perpendicular to the tangent
// is a degree-5 polynomial in Bernstein form, whose roots in [0, 1] are found
// by recursive subdivision of its control polygon.

#include "model/curvefit/VectorMath.h"

#include <span>

namespace scrivane {

// Recursion limit of FindRoots; its flatness tolerance is 2^-(MAXDEPTH + 1).
inline constexpr int MAXDEPTH = 64;

// The highest degree that Bezier and FindRoots handle.
inline constexpr int kMaxBezierDegree = 5;

// The parameter in [0, 1] of the point of the cubic V nearest to P.  Of equally
// near points the first found wins; P equal to V[0] gives 0.
float NearestPointOnCurve(Point2 P, std::span<const Point2, 4> V);

// Roots in [0, 1] of the Bernstein polynomial whose control points are
// w[0..degree] (x = i / degree, y = the coefficient), in increasing order.
// Writes at most t.size() roots (degree of them are the most a polynomial has,
// but rounding may make the subdivision report more) and returns how many it
// wrote.  Callers pass depth 0.  Throws std::invalid_argument unless
// 1 <= degree <= kMaxBezierDegree and w holds degree + 1 points.
int FindRoots(std::span<const Point2> w, int degree, std::span<float> t, int depth = 0);

// The point at t of the Bezier curve of the given degree (0 to
// kMaxBezierDegree) with control points V[0..degree], by de Casteljau.
// Left, when not empty, receives the degree + 1 control points of the part
// from 0 to t, Right those of the part from t to 1.  Throws
// std::invalid_argument when the degree is out of range or a span is too
// short.
Point2 Bezier(std::span<const Point2> V, int degree, float t, std::span<Point2> Left = {},
              std::span<Point2> Right = {});

} // namespace scrivane
