#pragma once

// Fitting a chain of cubic Bezier segments to an ordered run of digitised
// points: chord-length parameters, a least-squares cubic with fixed end
// tangents, Newton-Raphson reparameterisation, and splitting at the worst
// point until every piece is within the error.

#include "model/curvefit/ArcLength.h"
#include "model/curvefit/VectorMath.h"

#include <functional>
#include <span>
#include <vector>

namespace scrivane {

// Receives each fitted segment in order along the points; consecutive
// segments share their end and start points.
using FittedCurveSink = std::function<void(const CubicPoints &curve)>;

// Reparameterisation steps tried before a run is split.
inline constexpr int kFitMaxIterations = 4;

// Fits the points d within `error`, which is compared with squared distances
// between a point and the curve.  The first and last points should differ
// from their neighbours for the end tangents to be defined.  Fewer than two
// points give no segment.
void FitCurve(std::span<const Point2> d, float error, const FittedCurveSink &drawBezierCurve);

// Fits the run d[first..last] with unit tangents tHat1 at its start (pointing
// into the run) and tHat2 at its end (pointing back into it).  Does nothing
// unless 0 <= first < last < d.size().
void FitCubic(std::span<const Point2> d, int first, int last, Vector2 tHat1, Vector2 tHat2, float error,
              const FittedCurveSink &drawBezierCurve);

// Least-squares cubic for the run d[first..last] with parameters u (one per
// point of the run) and the given end tangents.
CubicPoints GenerateBezier(std::span<const Point2> d, int first, int last, std::span<const float> u,
                           Vector2 tHat1, Vector2 tHat2);

// The largest squared distance between a point of the run and the curve at
// that point's parameter; splitPoint receives the index (into d) of that
// point, the later one of equal distances.  A distance that is NaN marks its
// point as the split point with the error 1e7, so that such a curve is never
// accepted.
float ComputeMaxError(std::span<const Point2> d, int first, int last, const CubicPoints &curve,
                      std::span<const float> u, int &splitPoint);

// The point at t of the Bezier curve of the given degree (0 to 5) with control
// points V[0..degree].  Throws std::invalid_argument when the degree is out of
// range or V is too short.
Point2 BezierII(int degree, std::span<const Point2> V, float t);

} // namespace scrivane
