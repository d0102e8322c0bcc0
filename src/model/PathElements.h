#pragma once

// One path element handled on its own: its crossings with a straight
// segment, trimming it to a parameter range, the part of a cubic between two
// parameters.  The path classes build their cutting, hit testing and mapping
// on these; the arrowhead and path-editing code call them directly.

#include "model/TDIntersection.h"
#include "model/curvefit/GeometryHelpers.h"
#include "platform/PathBase.h"

#include <array>
#include <span>
#include <vector>

namespace scrivane {

// One element with its start point: S, P1, P2, P3.  A line uses S and P1; a
// curve all four (start, first control point, second control point, end).
using SegmentPoints = std::array<Point, 4>;

// The part of the cubic P between parameters t0 and t1, as a cubic of its
// own: the curve's blossoms at (t0, t0, t0), (t0, t0, t1), (t0, t1, t1) and
// (t1, t1, t1).
SegmentPoints curveBetween(std::span<const Point, 4> P, float t0, float t1);

// Trims the element in place to the parameter range [t0, t1]: a line to
// S + t0 (P1 - S) .. S + t1 (P1 - S), a curve to `curveBetween`.  Other
// kinds are left as they are.
void cutSegment(SegmentPoints &segment, PathElementType type, float t0, float t1);

// The parameters in [0, 1] where the cubic crosses the straight segment
// `line`, found by clipping the cubic against the line; roots on a split
// point may be reported twice.  A segment of zero length crosses nothing.
std::vector<float> curveIntersectLine(std::span<const Point, 4> curve, const LineSegment &line);

// The recursive step: Q is the distance polygon of the whole curve (first
// coordinates 0, 1/3, 2/3, 1; second the signed distances of the control
// points from the line), V the part being narrowed, w its width.  Appends
// the roots found, as parameters of the whole curve.
void curveIntersectLineR(const std::array<Point, 4> &Q, const std::array<Point, 4> &V, float w,
                         std::vector<float> &roots, int depth = 0);

// The crossings of `line` with one element (a line by both parameters in
// [0, 1): the start of either counts, the end does not; a curve by
// `curveIntersectLine`), each recorded with `segment` as its element index.
// With an array the crossings are appended after what it holds and the
// answer is whether it holds any crossing; without, whether there is one.
bool lineIntersectsElementWithSegment(const LineSegment &line, const SegmentPoints &points,
                                      PathElementType type, std::vector<TDIntersection> *intersections,
                                      int segment);

// The same for an element outside any path (segment -1).
bool lineIntersectsElement(const LineSegment &line, const SegmentPoints &points, PathElementType type,
                           std::vector<TDIntersection> *intersections);

// Trims the element to begin at its first crossing with `line` ([t, 1] for
// the smallest parameter t); false, with the element unchanged, when the line
// does not cross it.
bool cutStartOfSegmentOnLine(SegmentPoints &points, PathElementType type, const LineSegment &line);

// Trims the element to end at its last crossing with `line` ([0, t] for the
// largest parameter t); false, with the element unchanged, without a crossing.
bool cutEndOfSegmentOnLine(SegmentPoints &points, PathElementType type, const LineSegment &line);

} // namespace scrivane
