#pragma once

// Length of a cubic Bezier segment, and the parameter at a given length along
// it, by adaptive subdivision of the control polygon: a piece counts as flat
// once its control polygon is at most `error` longer than its chord, and a
// flat piece measures as its control polygon.

#include "model/curvefit/VectorMath.h"

#include <array>
#include <span>
#include <utility>

namespace scrivane {

// The four points of a cubic: start, first control point, second control
// point, end.
using CubicPoints = std::array<Point2, 4>;

// Subdivision never goes deeper than this.  Well-formed curves in drawing
// coordinates need far fewer levels; the cap stops curves whose flatness test
// cannot settle (huge or non-finite coordinates, where rounding keeps the
// polygon longer than the chord) and a tolerance that is not above 0.  A piece
// at the cap is measured as if it were flat.
inline constexpr int kArcLengthMaxDepth = 20;

// The two halves of V at t = 0.5 (de Casteljau); they share the midpoint.
std::pair<CubicPoints, CubicPoints> bezsplit(std::span<const Point2, 4> V);

// Recursive step of arclen: adds the length of V to `length`.
void addifclose(std::span<const Point2, 4> V, float &length, float error, int depth = 0);

// Length of V; `error` is the flatness tolerance and must be above 0 (the path
// classes use 0.1).  Coordinates that are not finite give a length that is not
// finite either.
float arclen(std::span<const Point2, 4> V, float error);

// Recursive step of arcdistance: V spans [t0, t1] of the whole curve and
// `length` holds the length measured before it.  Returns the parameter, or -1
// when the distance lies beyond V (then `length` has grown by V's length).
float addifclosedistance(std::span<const Point2, 4> V, float &length, float t0, float t1, float error,
                         float distance, int depth = 0);

// The parameter in [0, 1] at which the length measured from V's start equals
// `distance`, or -1 when distance is not above 0 or not below the length that
// arclen(V, error) measures.  Within a flat piece the parameter is
// interpolated linearly.
float arcdistance(std::span<const Point2, 4> V, float error, float distance);

} // namespace scrivane
