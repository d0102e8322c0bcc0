#include "model/curvefit/NearestPoint.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <stdexcept>

namespace scrivane {

namespace {

// Products of the Bernstein weights of degrees 2 and 3 divided by those of
// degree 5: they turn the products of derivative and offset polygons into
// the coefficients of the degree-5 polynomial.
constexpr float z[3][4] = {
    {1.0f, 0.6f, 0.3f, 0.1f},
    {0.4f, 0.6f, 0.6f, 0.4f},
    {0.1f, 0.3f, 0.6f, 1.0f},
};

int crossingCount(std::span<const Point2> w, int degree)
{
    int count = 0;
    int previous = w[0].y < 0.0f ? -1 : 1;
    for (int i = 1; i <= degree; ++i) {
        const int sign = w[i].y < 0.0f ? -1 : 1;
        if (sign != previous)
            ++count;
        previous = sign;
    }
    return count;
}

// The polynomial's graph lies in the convex hull of its control points, so
// its root lies between the x-intercepts of the two lines parallel to the
// chord w[0]w[degree] that enclose the interior points.  The polygon is flat
// enough when half the distance between those intercepts is below
// 2^-(MAXDEPTH + 1).
//
// The offsets are kept as plain values of a x + b y + c and the half width
// computed from their spread directly: with squared offsets, or with the
// intercepts formed first, single precision lets the large constant c absorb
// the offsets, the test passes at once and the root lands far from its place.
// With exactly one sign change w[0] and w[degree] lie on opposite sides of the
// x-axis, so a is never 0 here.
bool controlPolygonFlatEnough(std::span<const Point2> w, int degree)
{
    const Point2 first = w[0];
    const Point2 last = w[degree];
    const float a = first.y - last.y;
    const float b = last.x - first.x;
    const float c = first.x * last.y - last.x * first.y;

    float above = 0.0f;
    float below = 0.0f;
    for (int i = 1; i < degree; ++i) {
        const float e = a * w[i].x + b * w[i].y + c;
        above = std::max(above, e);
        below = std::min(below, e);
    }
    const float half = 0.5f * (above - below) / std::fabs(a);
    return half < std::ldexp(1.0f, -(MAXDEPTH + 1));
}

// With one sign change dy is never 0.
float xIntercept(std::span<const Point2> w, int degree)
{
    const float dx = w[degree].x - w[0].x;
    const float dy = w[degree].y - w[0].y;
    return (dx * w[0].y - dy * w[0].x) / -dy;
}

void requireDegree(bool ok)
{
    if (!ok)
        throw std::invalid_argument("Bezier degree or control point count out of range");
}

} // namespace

Point2 Bezier(std::span<const Point2> V, int degree, float t, std::span<Point2> Left, std::span<Point2> Right)
{
    requireDegree(degree >= 0 && degree <= kMaxBezierDegree && V.size() > std::size_t(degree));
    const std::size_t count = std::size_t(degree) + 1;
    requireDegree(Left.empty() || Left.size() >= count);
    requireDegree(Right.empty() || Right.size() >= count);

    Point2 row[kMaxBezierDegree + 1][kMaxBezierDegree + 1];
    for (int j = 0; j <= degree; ++j)
        row[0][j] = V[j];
    for (int i = 1; i <= degree; ++i) {
        for (int j = 0; j <= degree - i; ++j) {
            row[i][j].x = (1.0f - t) * row[i - 1][j].x + t * row[i - 1][j + 1].x;
            row[i][j].y = (1.0f - t) * row[i - 1][j].y + t * row[i - 1][j + 1].y;
        }
    }
    if (!Left.empty())
        for (int j = 0; j <= degree; ++j)
            Left[j] = row[j][0];
    if (!Right.empty())
        for (int j = 0; j <= degree; ++j)
            Right[j] = row[degree - j][j];
    return row[degree][0];
}

int FindRoots(std::span<const Point2> w, int degree, std::span<float> t, int depth)
{
    requireDegree(degree >= 1 && degree <= kMaxBezierDegree && w.size() > std::size_t(degree));

    switch (crossingCount(w, degree)) {
    case 0:
        return 0;
    case 1:
        if (depth >= MAXDEPTH) {
            // A tangent root or a cluster of roots: settle for the middle.
            if (t.empty())
                return 0;
            t[0] = (w[0].x + w[degree].x) / 2.0f;
            return 1;
        }
        if (controlPolygonFlatEnough(w, degree)) {
            if (t.empty())
                return 0;
            t[0] = xIntercept(w, degree);
            return 1;
        }
        break;
    default:
        break;
    }

    std::array<Point2, kMaxBezierDegree + 1> left;
    std::array<Point2, kMaxBezierDegree + 1> right;
    Bezier(w, degree, 0.5f, left, right);
    const int leftCount = FindRoots(left, degree, t, depth + 1);
    const int rightCount = FindRoots(right, degree, t.subspan(std::size_t(leftCount)), depth + 1);
    return leftCount + rightCount;
}

float NearestPointOnCurve(Point2 P, std::span<const Point2, 4> V)
{
    constexpr int degree = 5;

    Vector2 c[4];
    for (int i = 0; i < 4; ++i)
        c[i] = V2Sub(V[i], P);
    Vector2 d[3];
    for (int i = 0; i < 3; ++i) {
        const Vector2 delta = V2Sub(V[i + 1], V[i]);
        d[i] = Vector2(delta.x * 3.0f, delta.y * 3.0f);
    }
    float cd[3][4];
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 4; ++col)
            cd[row][col] = V2Dot(d[row], c[col]);

    std::array<Point2, degree + 1> w;
    for (int i = 0; i <= degree; ++i)
        w[i] = Point2(float(i) / float(degree), 0.0f);
    for (int k = 0; k <= degree; ++k) {
        const int lb = std::max(0, k - 2);
        const int ub = std::min(k, 3);
        for (int i = lb; i <= ub; ++i) {
            const int j = k - i;
            w[k].y += cd[j][i] * z[j][i];
        }
    }

    float candidates[degree];
    const int n = FindRoots(w, degree, candidates);

    float best = V2SquaredLength(V2Sub(P, V[0]));
    float t = 0.0f;
    for (int i = 0; i < n; ++i) {
        // Rounding may put an intercept a hair outside [0, 1].
        const float candidate = std::clamp(candidates[i], 0.0f, 1.0f);
        const float dist = V2SquaredLength(V2Sub(P, Bezier(V, 3, candidate)));
        if (dist < best) {
            best = dist;
            t = candidate;
        }
    }
    if (V2SquaredLength(V2Sub(P, V[3])) < best)
        t = 1.0f;
    return t;
}

} // namespace scrivane
