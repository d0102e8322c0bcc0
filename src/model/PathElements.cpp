#include "model/PathElements.h"

#include <cmath>

namespace scrivane {

namespace {

// Clipping narrows the parameter range by at least a fifth or halves it, so
// a well-formed curve needs some 45 levels to reach the 0.0001 tolerance.
// Rounding in extreme coordinates could stall the narrowing; this bound ends
// it with the midpoint of what is left.
constexpr int MaxClipDepth = 64;

bool oppositeSigns(float a, float b)
{
    return (a < 0.0f && b > 0.0f) || (a > 0.0f && b < 0.0f);
}

} // namespace

SegmentPoints curveBetween(std::span<const Point, 4> P, float t0, float t1)
{
    return {ff(P, t0, t0, t0), ff(P, t0, t0, t1), ff(P, t0, t1, t1), ff(P, t1, t1, t1)};
}

void cutSegment(SegmentPoints &segment, PathElementType type, float t0, float t1)
{
    switch (type) {
    case PathElementType::LineTo: {
        const Point s = segment[0];
        const Point p = segment[1];
        const float dx = p.x - s.x;
        const float dy = p.y - s.y;
        segment[0] = Point(s.x + t0 * dx, s.y + t0 * dy);
        segment[1] = Point(s.x + t1 * dx, s.y + t1 * dy);
        break;
    }
    case PathElementType::CurveTo:
        segment = curveBetween(segment, t0, t1);
        break;
    case PathElementType::MoveTo:
    case PathElementType::ClosePath:
        break;
    }
}

void curveIntersectLineR(const std::array<Point, 4> &Q, const std::array<Point, 4> &V, float w,
                         std::vector<float> &roots, int depth)
{
    float tmin = 2.0f;
    float tmax = -1.0f;
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j) {
            const float di = V[i].y;
            const float dj = V[j].y;
            if (!oppositeSigns(di, dj))
                continue;
            const float x = V[i].x - di * (V[j].x - V[i].x) / (dj - di);
            if (x < tmin)
                tmin = x;
            if (x > tmax)
                tmax = x;
        }
    }
    if (!(tmin <= 1.0f))
        return;
    if (tmax - tmin < 0.0001f || depth >= MaxClipDepth) {
        roots.push_back((tmin + tmax) / 2.0f);
        return;
    }
    if (tmax - tmin < 0.8f * w) {
        curveIntersectLineR(Q, curveBetween(Q, tmin, tmax), tmax - tmin, roots, depth + 1);
        return;
    }
    const float m = (tmin + tmax) / 2.0f;
    curveIntersectLineR(Q, curveBetween(Q, tmin, m), m - tmin, roots, depth + 1);
    curveIntersectLineR(Q, curveBetween(Q, m, tmax), tmax - m, roots, depth + 1);
}

std::vector<float> curveIntersectLine(std::span<const Point, 4> curve, const LineSegment &line)
{
    std::vector<float> roots;
    const float lineLength = TDPointLength(Point(line.x1 - line.x0, line.y1 - line.y0));
    if (!(lineLength > 0.0f) || !std::isfinite(lineLength))
        return roots;
    const float nx = (line.y1 - line.y0) / lineLength;
    const float ny = (line.x0 - line.x1) / lineLength;
    const float c = -(nx * line.x1 + ny * line.y1);
    const auto distance = [&](Point p) { return nx * p.x + ny * p.y + c; };
    const std::array<Point, 4> Q{Point(0.0f, distance(curve[0])), Point(1.0f / 3.0f, distance(curve[1])),
                                 Point(2.0f / 3.0f, distance(curve[2])), Point(1.0f, distance(curve[3]))};
    curveIntersectLineR(Q, Q, 1.0f, roots);

    // The clipping finds where the curve crosses the whole line; keep the
    // crossings that lie on the segment.
    const Point start(line.x0, line.y0);
    const Point span(line.x1 - line.x0, line.y1 - line.y0);
    const float spanLength = TDPointLength(span);
    std::erase_if(roots, [&](float t) {
        const Point p = TDPointOnCurve(curve, t);
        const Point offset(p.x - start.x, p.y - start.y);
        const bool sameSide = offset.x * span.x >= 0.0f && offset.y * span.y >= 0.0f;
        return !(sameSide && TDPointLength(offset) <= spanLength);
    });
    return roots;
}

bool lineIntersectsElementWithSegment(const LineSegment &line, const SegmentPoints &points, PathElementType type,
                                      std::vector<TDIntersection> *intersections, int segment)
{
    bool found = false;
    const auto record = [&](float t, Point p) {
        found = true;
        if (intersections)
            intersections->emplace_back(segment, t, p);
    };
    if (type == PathElementType::LineTo) {
        const Point S = points[0];
        const float Dx = points[1].x - S.x;
        const float Dy = points[1].y - S.y;
        const float Ex = line.x1 - line.x0;
        const float Ey = line.y1 - line.y0;
        const float sDenominator = Dx * Ey - Dy * Ex;
        const float uDenominator = Dy * Ex - Dx * Ey;
        // Parallel (or zero-length) segments do not cross.
        if (sDenominator != 0.0f && uDenominator != 0.0f) {
            const float s = ((S.y - line.y0) * Dx + (line.x0 - S.x) * Dy) / sDenominator;
            const float u = ((line.y0 - S.y) * Ex + Ey * (S.x - line.x0)) / uDenominator;
            if (s >= 0.0f && s < 1.0f && u >= 0.0f && u < 1.0f)
                record(u, Point(S.x + u * Dx, S.y + u * Dy));
        }
    } else if (type == PathElementType::CurveTo) {
        for (float t : curveIntersectLine(points, line))
            record(t, TDPointOnCurve(points, t));
    }
    if (intersections)
        return !intersections->empty();
    return found;
}

bool lineIntersectsElement(const LineSegment &line, const SegmentPoints &points, PathElementType type,
                           std::vector<TDIntersection> *intersections)
{
    return lineIntersectsElementWithSegment(line, points, type, intersections, -1);
}

bool cutStartOfSegmentOnLine(SegmentPoints &points, PathElementType type, const LineSegment &line)
{
    std::vector<TDIntersection> crossings;
    if (!lineIntersectsElement(line, points, type, &crossings))
        return false;
    sortIntersectionsByT(crossings);
    cutSegment(points, type, crossings.front().t, 1.0f);
    return true;
}

bool cutEndOfSegmentOnLine(SegmentPoints &points, PathElementType type, const LineSegment &line)
{
    std::vector<TDIntersection> crossings;
    if (!lineIntersectsElement(line, points, type, &crossings))
        return false;
    sortIntersectionsByT(crossings);
    cutSegment(points, type, 0.0f, crossings.back().t);
    return true;
}

} // namespace scrivane
