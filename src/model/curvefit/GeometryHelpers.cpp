#include "model/curvefit/GeometryHelpers.h"

#include <climits>
#include <cmath>

namespace scrivane {

float TDPointLength(Point p)
{
    return std::sqrt(TDPointSqrLength(p));
}

float TDPointSqrLength(Point p)
{
    return p.x * p.x + p.y * p.y;
}

float TDPointDot(Point a, Point b)
{
    return a.x * b.x + a.y * b.y;
}

float TDPointDistanceBetween(Point a, Point b)
{
    return TDPointLength(Point(b.x - a.x, b.y - a.y));
}

bool TDEqualPoints(Point a, Point b)
{
    return a.x == b.x && a.y == b.y;
}

Point TDPointMultiply(Point p, float s)
{
    return {p.x * s, p.y * s};
}

Point TDPointUnit(Point p)
{
    const float length = TDPointLength(p);
    if (length == 0.0f)
        return {};
    return TDPointMultiply(p, 1.0f / length);
}

bool isnanPoint(Point p)
{
    return std::isnan(p.x) || std::isnan(p.y);
}

Point F(std::span<const Point, 4> P, float a0, float b0, float a1, float b1, float a2, float b2)
{
    const auto coordinate = [&](float p0, float p1, float p2, float p3) {
        return a0 * (a1 * (a2 * p0 + b2 * p1) + b1 * (a2 * p1 + b2 * p2)) +
               b0 * (a1 * (a2 * p1 + b2 * p2) + b1 * (a2 * p2 + b2 * p3));
    };
    return {coordinate(P[0].x, P[1].x, P[2].x, P[3].x), coordinate(P[0].y, P[1].y, P[2].y, P[3].y)};
}

Point ff(std::span<const Point, 4> P, float u, float v, float w)
{
    return F(P, 1.0f - u, u, 1.0f - v, v, 1.0f - w, w);
}

Point TDPointOnCurve(std::span<const Point, 4> P, float t)
{
    const float s = 1.0f - t;
    const float b0 = s * s * s;
    const float b1 = 3.0f * s * s * t;
    const float b2 = 3.0f * s * t * t;
    const float b3 = t * t * t;
    return {b0 * P[0].x + b1 * P[1].x + b2 * P[2].x + b3 * P[3].x,
            b0 * P[0].y + b1 * P[1].y + b2 * P[2].y + b3 * P[3].y};
}

Point TDGradientOnCurve(std::span<const Point, 4> P, float t)
{
    const float s = 1.0f - t;
    const float g0 = -3.0f * s * s;
    const float g1 = 3.0f * (1.0f - 4.0f * t + 3.0f * t * t);
    const float g2 = 3.0f * t * (2.0f - 3.0f * t);
    const float g3 = 3.0f * t * t;
    return {g0 * P[0].x + g1 * P[1].x + g2 * P[2].x + g3 * P[3].x,
            g0 * P[0].y + g1 * P[1].y + g2 * P[2].y + g3 * P[3].y};
}

bool lineIntersectsLine(const LineSegment &A, const LineSegment &B, Point *point, float &t)
{
    const float dAx = A.x1 - A.x0;
    const float dAy = A.y1 - A.y0;
    const float dBx = B.x1 - B.x0;
    const float dBy = B.y1 - B.y0;
    const float denominator = dAx * dBy - dAy * dBx;
    if (denominator == 0.0f)
        return false; // parallel, or a segment of zero length
    const float u = (dAx * (A.y0 - B.y0) + dAy * (B.x0 - A.x0)) / denominator;
    if (!(u >= 0.0f && u < 1.0f))
        return false;
    const float s = (dBx * (B.y0 - A.y0) + dBy * (A.x0 - B.x0)) / (dAy * dBx - dAx * dBy);
    t = s;
    if (!(s >= 0.0f && s < 1.0f))
        return false;
    if (point)
        *point = Point(A.x0 + s * dAx, A.y0 + s * dAy);
    return true;
}

bool intersectsLine(Point a0, Point a1, Point b0, Point b1, Point *point, bool unbounded)
{
    const float dAx = a1.x - a0.x;
    const float dAy = a1.y - a0.y;
    const float dBx = b1.x - b0.x;
    const float dBy = b1.y - b0.y;
    // Parallel lines meet nowhere (or everywhere): there is no point to give.
    const float denominator = dAx * dBy - dAy * dBx;
    if (denominator == 0.0f)
        return false;
    const float s = (dBx * (b0.y - a0.y) + dBy * (a0.x - b0.x)) / (dAy * dBx - dAx * dBy);
    const float u = (dAx * (a0.y - b0.y) + dAy * (b0.x - a0.x)) / denominator;
    if (!std::isfinite(s) || !std::isfinite(u))
        return false; // so nearly parallel that the crossing is out of range
    if (!unbounded && !(s > 0.0f && s < 1.0f && u > 0.0f && u < 1.0f))
        return false;
    if (point)
        *point = Point(a0.x + s * dAx, a0.y + s * dAy);
    return true;
}

float distanceToPointFromLine(const LineSegment &line, Point p)
{
    const float dx = line.x1 - line.x0;
    const float dy = line.y1 - line.y0;
    const float length = std::sqrt(dx * dx + dy * dy);
    if (length == 0.0f)
        return TDPointDistanceBetween(Point(line.x1, line.y1), p);
    return (dy * (p.x - line.x1) - dx * (p.y - line.y1)) / length;
}

Rect PointUnionRect(Rect r, Point p)
{
    const float x = std::fmin(r.origin.x, p.x);
    const float y = std::fmin(r.origin.y, p.y);
    const float maxX = std::fmax(r.origin.x + r.size.width, p.x);
    const float maxY = std::fmax(r.origin.y + r.size.height, p.y);
    return Rect(x, y, maxX - x, maxY - y);
}

Rect NSRectAddPoint(Rect r, Point p)
{
    if (p.x < r.origin.x) {
        r.size.width += r.origin.x - p.x;
        r.origin.x = p.x;
    } else if (p.x > r.origin.x + r.size.width) {
        r.size.width += p.x - (r.origin.x + r.size.width);
    }
    if (p.y < r.origin.y) {
        r.size.height += r.origin.y - p.y;
        r.origin.y = p.y;
    } else if (p.y > r.origin.y + r.size.height) {
        r.size.height += p.y - (r.origin.y + r.size.height);
    }
    return r;
}

namespace {

// Converting a float outside the range of int is undefined behaviour, so
// out-of-range values are clamped first.
int truncatedToInt(float value)
{
    if (std::isnan(value))
        return 0;
    if (value >= 2147483648.0f)
        return INT_MAX;
    if (value <= -2147483648.0f)
        return INT_MIN;
    return static_cast<int>(value);
}

} // namespace

QString MYRectToString(Rect r)
{
    return QStringLiteral("%1, %2, %3, %4")
        .arg(truncatedToInt(r.origin.x))
        .arg(truncatedToInt(r.origin.y))
        .arg(truncatedToInt(r.size.width))
        .arg(truncatedToInt(r.size.height));
}

} // namespace scrivane
