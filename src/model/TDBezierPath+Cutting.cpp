#include "model/TDBezierPath.h"

#include <cmath>

namespace scrivane {

namespace {

// The borders of the other path's elements are widened by this fraction on
// either side, so that a piece ending on a border is not cut again there.
constexpr float BorderTolerance = 0.0001f;
// The flatness of the path whose element borders cut the receiver.
constexpr float CutFlatness = 10.0f;

void appendAsCurve(TDBezierPath &path, const SegmentPoints &piece, PathElementType type)
{
    if (type == PathElementType::CurveTo) {
        path.curveTo(piece[3], piece[1], piece[2]);
        return;
    }
    const Point s = piece[0], e = piece[1];
    const Point c1(s.x + 0.33f * (e.x - s.x), s.y + 0.33f * (e.y - s.y));
    const Point c2(s.x + 0.66f * (e.x - s.x), s.y + 0.66f * (e.y - s.y));
    path.curveTo(e, c1, c2);
}

// The smallest parameter at which the vertical line x = border crosses the
// element, or 2 when it does not.
float firstCrossing(const SegmentPoints &segment, PathElementType type, float border)
{
    std::vector<TDIntersection> crossings;
    if (!lineIntersectsElement(LineSegment{border, 1000.0f, border, -1000.0f}, segment, type, &crossings))
        return 2.0f;
    sortIntersectionsByT(crossings);
    return crossings.front().t;
}

} // namespace

void TDBezierPath::cutSegment(SegmentPoints &segment, PathElementType type, float t0, float t1)
{
    scrivane::cutSegment(segment, type, t0, t1);
}

void TDBezierPath::cutStartOfSegment(SegmentPoints &segment, PathElementType type, const LineSegment &line)
{
    cutStartOfSegmentOnLine(segment, type, line);
}

void TDBezierPath::transformSegment(SegmentPoints &segment, PathElementType type, const AffineTransform &t)
{
    int count = 0;
    if (type == PathElementType::LineTo)
        count = 2;
    else if (type == PathElementType::CurveTo)
        count = 4;
    for (int i = 0; i < count; ++i)
        segment[static_cast<std::size_t>(i)] = t.transformPoint(segment[static_cast<std::size_t>(i)]);
}

void TDBezierPath::appendSegment(const SegmentPoints &segment, PathElementType type)
{
    if (type != PathElementType::LineTo && type != PathElementType::CurveTo)
        return;
    if (isEmpty())
        moveTo(segment[0]);
    if (type == PathElementType::LineTo)
        lineTo(segment[1]);
    else
        curveTo(segment[3], segment[1], segment[2]);
}

// --- Shortening -------------------------------------------------------------------

TDBezierPath TDBezierPath::shortenStartTo(float f) const
{
    float t = 0;
    const int e = elementPercentage(t, f);
    m_lastElementPercentage = t;
    const int n = elementCount();
    TDBezierPath result;
    if (n == 0)
        return result;
    const PathElementType type = elementAtIndex(e);
    if (type == PathElementType::MoveTo) {
        // Nothing along the path has a length.
        result.appendBezierPath(*this, e, n);
        return result;
    }

    // The element holding f, from f on.  A closing line is cut like any
    // line.
    const Element &element = elements()[static_cast<std::size_t>(e)];
    SegmentPoints segment{startPointOfElement(e), element.points[0], element.points[1], element.points[2]};
    PathElementType cutType = type;
    if (type == PathElementType::ClosePath) {
        segment[1] = endPointOfElement(e);
        cutType = PathElementType::LineTo;
    }
    scrivane::cutSegment(segment, cutType, t, 1.0f);
    result.moveTo(segment[0]);
    if (cutType == PathElementType::LineTo)
        result.lineTo(segment[1]);
    else
        result.curveTo(segment[3], segment[1], segment[2]);

    // The subpath that was cut no longer begins at its move, so its close
    // becomes a line back to that point; later subpaths are whole and keep
    // theirs.
    bool inCutSubpath = type != PathElementType::ClosePath;
    for (int i = e + 1; i < n; ++i) {
        const Element &next = elements()[static_cast<std::size_t>(i)];
        switch (next.type) {
        case PathElementType::MoveTo:
            result.moveTo(next.points[0]);
            inCutSubpath = false;
            break;
        case PathElementType::LineTo:
            result.lineTo(next.points[0]);
            break;
        case PathElementType::CurveTo:
            result.curveTo(next.points[2], next.points[0], next.points[1]);
            break;
        case PathElementType::ClosePath:
            if (inCutSubpath) {
                result.lineTo(endPointOfElement(i));
                inCutSubpath = false;
            } else {
                result.close();
            }
            break;
        }
    }
    return result;
}

TDBezierPath TDBezierPath::shortenEndTo(float f) const
{
    float t = 0;
    const int e = elementPercentage(t, f);
    TDBezierPath result;
    if (isEmpty())
        return result;
    result.appendBezierPath(*this, 0, e);
    const PathElementType type = elementAtIndex(e);
    const Element &element = elements()[static_cast<std::size_t>(e)];
    switch (type) {
    case PathElementType::MoveTo:
        // Nothing along the path has a length.
        result.moveTo(element.points[0]);
        break;
    case PathElementType::LineTo:
    case PathElementType::CurveTo: {
        SegmentPoints segment{startPointOfElement(e), element.points[0], element.points[1],
                              element.points[2]};
        scrivane::cutSegment(segment, type, 0.0f, t);
        if (type == PathElementType::CurveTo)
            result.curveTo(segment[3], segment[1], segment[2]);
        else
            result.lineTo(segment[1]);
        break;
    }
    case PathElementType::ClosePath:
        result.lineTo(endPointOfElement(e));
        break;
    }
    return result;
}

// --- Cutting at the borders of another path's elements ---------------------------

TDBezierPath TDBezierPath::cutOnPath(const TDBezierPath &other) const
{
    const TDBezierPath borders = other.bezierPathByFlatteningPath(CutFlatness);
    const int borderCount = borders.elementCount();
    TDBezierPath result;
    const int n = elementCount();
    for (int i = 0; i < n; ++i) {
        const Element &element = elements()[static_cast<std::size_t>(i)];
        if (element.type == PathElementType::MoveTo) {
            result.moveTo(element.points[0]);
            continue;
        }
        if (element.type == PathElementType::ClosePath) {
            result.close();
            continue;
        }
        SegmentPoints segment{startPointOfElement(i), element.points[0], element.points[1],
                              element.points[2]};
        float unused = 0;
        int e = borders.elementPercentage(unused, segment[0].x);
        float used = 0.0f;
        float left = 1.0f;
        // Each step cuts the piece at a border of the other path or ends it.
        // A piece can meet every border only a few times (a curve crosses a
        // line at most three times), so a walk that goes on beyond that is
        // stuck on rounding and ends with the rest of the piece.
        const long maxSteps = 8L * (borderCount + 2);
        long steps = 0;
        do {
            const float lo = borders.overallPercentageForElementPercentage(0.0f, e) - BorderTolerance;
            const float hi = borders.overallPercentageForElementPercentage(1.0f, e) + BorderTolerance;
            const float tA = e > 1 ? firstCrossing(segment, element.type, lo) : 2.0f;
            const float tB = e < borderCount - 1 ? firstCrossing(segment, element.type, hi) : 2.0f;
            float c = 1.0f;
            if ((tA <= 1.0f || tB <= 1.0f) && ++steps < maxSteps) {
                if (tA < tB) {
                    c = tA;
                    --e;
                } else {
                    c = tB;
                    ++e;
                }
            }
            SegmentPoints piece = segment;
            scrivane::cutSegment(piece, element.type, 0.0f, c);
            appendAsCurve(result, piece, element.type);
            used += left * c;
            left -= left * c;
            scrivane::cutSegment(segment, element.type, c, 1.0f);
            if (c == 1.0f)
                break;
        } while (used < 0.9999f);
    }
    return result;
}

// --- Smoothing a node --------------------------------------------------------------

void TDBezierPath::smoothJoint(int i)
{
    if (i < 1 || i >= elementCount() || elementAtIndex(i - 1) != PathElementType::CurveTo ||
        elementAtIndex(i) != PathElementType::CurveTo)
        return;
    Point before[3], after[3];
    elementAtIndex(i - 1, before);
    elementAtIndex(i, after);
    const Point J = before[2];
    const Point H1 = before[1];
    const Point H2 = after[0];
    const Point in(H1.x - J.x, H1.y - J.y);
    const Point out(J.x - H2.x, J.y - H2.y);
    // A handle of zero length has no direction to align with.
    if (TDPointSqrLength(in) == 0.0f || TDPointSqrLength(out) == 0.0f)
        return;
    Point u = in, w = out;
    V2Normalize(u);
    V2Normalize(w);
    Point m((u.x + w.x) / 2.0f, (u.y + w.y) / 2.0f);
    // Handles pointing the same way (a cusp) have no bisecting direction.
    const float ml = V2Length(m);
    if (!(ml > 0.0f) || !std::isfinite(ml))
        return;
    V2Normalize(m);
    const float a = TDPointDot(in, m);
    const float b = TDPointDot(out, m);
    before[1] = Point(J.x + m.x * a, J.y + m.y * a);
    after[0] = Point(J.x - m.x * b, J.y - m.y * b);
    if (!std::isfinite(before[1].x) || !std::isfinite(before[1].y) || !std::isfinite(after[0].x) ||
        !std::isfinite(after[0].y))
        return;
    setAssociatedPoints(before, i - 1);
    setAssociatedPoints(after, i);
}

} // namespace scrivane
