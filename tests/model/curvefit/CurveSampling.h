#pragma once

// Reference measurements of cubics by dense sampling in double precision, and
// reproducible random cubics, for checking the subdividing algorithms.

#include "model/curvefit/ArcLength.h"

#include <cmath>
#include <limits>
#include <random>

namespace scrivane::test {

struct PointD {
    double x;
    double y;
};

inline PointD pointOnCubic(const CubicPoints &V, double t)
{
    const double s = 1.0 - t;
    const double b0 = s * s * s, b1 = 3 * s * s * t, b2 = 3 * s * t * t, b3 = t * t * t;
    return {b0 * V[0].x + b1 * V[1].x + b2 * V[2].x + b3 * V[3].x,
            b0 * V[0].y + b1 * V[1].y + b2 * V[2].y + b3 * V[3].y};
}

// Length of the polyline through `samples` + 1 evenly spaced parameters of
// [0, tEnd].
inline double sampledLength(const CubicPoints &V, double tEnd = 1.0, int samples = 20000)
{
    double length = 0;
    PointD previous = pointOnCubic(V, 0);
    for (int i = 1; i <= samples; ++i) {
        const PointD p = pointOnCubic(V, tEnd * i / samples);
        length += std::hypot(p.x - previous.x, p.y - previous.y);
        previous = p;
    }
    return length;
}

inline double distanceTo(const CubicPoints &V, double t, Point P)
{
    const PointD q = pointOnCubic(V, t);
    return std::hypot(q.x - P.x, q.y - P.y);
}

// The least distance from P to the curve over `samples` + 1 parameters.
inline double sampledMinDistance(const CubicPoints &V, Point P, int samples = 20000)
{
    double best = std::numeric_limits<double>::infinity();
    for (int i = 0; i <= samples; ++i)
        best = std::min(best, distanceTo(V, double(i) / samples, P));
    return best;
}

inline CubicPoints randomCubic(std::mt19937 &random, float range)
{
    std::uniform_real_distribution<float> coordinate(-range, range);
    CubicPoints V;
    for (Point &p : V)
        p = Point(coordinate(random), coordinate(random));
    return V;
}

} // namespace scrivane::test
