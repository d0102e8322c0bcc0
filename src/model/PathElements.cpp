#include "model/PathElements.h"

#include <algorithm>
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

namespace {

// Crossings are placed to this parameter tolerance.
constexpr float RootTolerance = 0.0001f;

// How far, as a parameter, a crossing may lie beyond the end of a narrowed
// range and still be taken as lying on it.
constexpr float EdgeReach = 1e-5f;

// Whether the crossing of a narrowed range's end with the line lies right at
// or just beyond that end: the end's distance is zero (or within rounding
// of it) and the control polygon heads towards the line there.  `d` is the
// end's distance, `slope` the polygon's slope at the end taken outwards.
bool crossingAtEdge(float d, float slope, float tolerance)
{
    if (d == 0.0f)
        return true;
    // Heading away from the line outwards: the crossing, if any, is inside.
    if (!(d * slope < 0.0f))
        return std::fabs(d) <= tolerance && slope == 0.0f;
    return std::fabs(d) <= tolerance || std::fabs(d) <= std::fabs(slope) * EdgeReach;
}

// Roots come out in increasing order; one closer than the tolerance to the
// one before is the same crossing found again (on both sides of a split, or
// at the end of one range and inside the next).
void addRoot(std::vector<float> &roots, float t)
{
    if (!roots.empty() && std::fabs(roots.back() - t) < RootTolerance)
        return;
    roots.push_back(t);
}

void clip(const std::array<Point, 4> &Q, const std::array<Point, 4> &V, float w, bool startIsBound,
          bool endIsBound, std::vector<float> &roots, int depth)
{
    // Distances are computed in single precision from the whole polygon, so
    // their rounding is relative to its largest distance.
    float low = Q[0].y, high = Q[0].y;
    for (const Point &q : Q) {
        low = std::min(low, q.y);
        high = std::max(high, q.y);
    }
    const float tolerance = 4e-6f * std::max(std::fabs(low), std::fabs(high));

    // The ends of a narrowed range are where the range it came from placed
    // its outermost crossing.  When a crossing lies right at such an end,
    // rounding may leave it just outside the range, and no sign change
    // inside shows it: it is taken at the end.
    const auto slope = [&](int from, int to) {
        const float dx = V[to].x - V[from].x;
        return dx != 0.0f ? (V[to].y - V[from].y) / dx : 0.0f;
    };
    const bool startOnLine = startIsBound && crossingAtEdge(V[0].y, -slope(0, 1), tolerance);
    const bool endOnLine = endIsBound && crossingAtEdge(V[3].y, slope(2, 3), tolerance);

    float tmin = 2.0f;
    float tmax = -1.0f;
    const auto include = [&](float x) {
        if (x < tmin)
            tmin = x;
        if (x > tmax)
            tmax = x;
    };
    for (int i = 0; i < 4; ++i) {
        for (int j = i + 1; j < 4; ++j) {
            const float di = V[i].y;
            const float dj = V[j].y;
            if (oppositeSigns(di, dj))
                include(V[i].x - di * (V[j].x - V[i].x) / (dj - di));
        }
    }
    // A control point on the line is where the polygon meets it.  The ends
    // of the whole curve are left out: a curve that only starts or ends on
    // the line does not cross it there.
    for (int i = 0; i < 4; ++i) {
        const bool curveEnd = depth == 0 && (i == 0 || i == 3);
        if (V[i].y == 0.0f && !curveEnd)
            include(V[i].x);
    }

    if (startOnLine)
        addRoot(roots, V[0].x);
    if (tmin <= 1.0f) {
        if (tmax - tmin < RootTolerance || depth >= MaxClipDepth) {
            // The hull may pinch the line where a control point only just
            // pokes across it while the curve stays away; at a crossing the
            // curve itself is on the line.
            const float t = (tmin + tmax) / 2.0f;
            const float d = TDPointOnCurve(Q, t).y;
            const float reach = 3.0f * (high - low) * (tmax - tmin + RootTolerance) + tolerance;
            if (std::fabs(d) <= reach)
                addRoot(roots, t);
        } else if (tmax - tmin < 0.8f * w) {
            clip(Q, curveBetween(Q, tmin, tmax), tmax - tmin, true, true, roots, depth + 1);
        } else {
            const float m = (tmin + tmax) / 2.0f;
            clip(Q, curveBetween(Q, tmin, m), m - tmin, true, false, roots, depth + 1);
            clip(Q, curveBetween(Q, m, tmax), tmax - m, false, true, roots, depth + 1);
        }
    }
    if (endOnLine)
        addRoot(roots, V[3].x);
}

} // namespace

void curveIntersectLineR(const std::array<Point, 4> &Q, const std::array<Point, 4> &V, float w,
                         std::vector<float> &roots, int depth)
{
    clip(Q, V, w, depth > 0, depth > 0, roots, depth);
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
    // crossings that lie on the segment.  A crossing point found to the
    // parameter tolerance may stand a little off the line, so it is placed
    // along the segment by projection, which such an offset hardly moves.
    const Point start(line.x0, line.y0);
    const Point span(line.x1 - line.x0, line.y1 - line.y0);
    const float spanSquared = TDPointSqrLength(span);
    std::erase_if(roots, [&](float t) {
        const Point p = TDPointOnCurve(curve, t);
        const float along = TDPointDot(Point(p.x - start.x, p.y - start.y), span);
        return !(along >= 0.0f && along <= spanSquared);
    });
    return roots;
}

bool lineIntersectsElementWithSegment(const LineSegment &line, const SegmentPoints &points,
                                      PathElementType type, std::vector<TDIntersection> *intersections,
                                      int segment)
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
