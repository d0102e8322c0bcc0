#include "model/TDBezierPath.h"

#include "model/curvefit/NearestPoint.h"

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

float squaredDistance(Point a, Point b)
{
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    return dx * dx + dy * dy;
}

float squaredDistanceToRect(Point p, const Rect &r)
{
    const float dx = std::max({r.minX() - p.x, 0.0f, p.x - r.maxX()});
    const float dy = std::max({r.minY() - p.y, 0.0f, p.y - r.maxY()});
    return dx * dx + dy * dy;
}

// Nearest points are computed in single precision and may stray a little
// outside the control points' bounds; a box rejects an element only when it
// is clearly out of reach, so that skipping never changes an answer.
float rejectionSlack(const Rect &r, Point p)
{
    const float magnitude = std::max({std::fabs(r.minX()), std::fabs(r.maxX()), std::fabs(r.minY()),
                                      std::fabs(r.maxY()), std::fabs(p.x), std::fabs(p.y)});
    return 0.001f + magnitude * 1e-5f;
}

bool outOfReach(const Rect &box, Point p, float reach)
{
    const float slack = rejectionSlack(box, p);
    const float limit = reach + slack;
    return squaredDistanceToRect(p, box) > limit * limit;
}

// Boxes that stay apart by more than rounding cannot hold a crossing.
bool boxesApart(const Rect &a, const Rect &b, float margin)
{
    return a.maxX() + margin < b.minX() || b.maxX() + margin < a.minX() || a.maxY() + margin < b.minY() ||
           b.maxY() + margin < a.minY();
}

Rect segmentBox(const LineSegment &s)
{
    const float x0 = std::min(s.x0, s.x1), x1 = std::max(s.x0, s.x1);
    const float y0 = std::min(s.y0, s.y1), y1 = std::max(s.y0, s.y1);
    return Rect(x0, y0, x1 - x0, y1 - y0);
}

} // namespace

// --- Points ---------------------------------------------------------------------------

void TDBezierPath::line(Point a, Point b, Point p, Point &nearPoint, float &t)
{
    const float dx = b.x - a.x;
    const float dy = b.y - a.y;
    const float lengthSquared = dx * dx + dy * dy;
    // A segment of zero length is its start point.
    if (!(lengthSquared > 0.0f)) {
        t = 0.0f;
        nearPoint = a;
        return;
    }
    const float u = ((p.x - a.x) * dx + (p.y - a.y) * dy) / lengthSquared;
    if (u < 0.0f) {
        t = 0.0f;
        nearPoint = a;
    } else if (u > 1.0f) {
        t = 1.0f;
        nearPoint = b;
    } else {
        t = u;
        nearPoint = Point(a.x + u * dx, a.y + u * dy);
    }
}

void TDBezierPath::curve(std::span<const Point, 4> V, Point p, Point &nearPoint, float &t)
{
    t = NearestPointOnCurve(p, V);
    nearPoint = Bezier(V, 3, t);
}

bool TDBezierPath::intersectsPoint(Point p) const
{
    return intersectsPoint(p, lineWidth(), nullptr, nullptr, nullptr);
}

bool TDBezierPath::intersectsPoint(Point p, float width, Point *nearPointOut, float *tOut,
                                   int *elementOut) const
{
    Point nearPoint(-1e8f, -1e8f);
    float t = 0.0f;
    const float reach = width / 2.0f + 1.0f;
    const float threshold = reach * reach;
    const int n = elementCount();
    const auto answer = [&](bool hit, int element) {
        if (nearPointOut)
            *nearPointOut = nearPoint;
        if (tOut)
            *tOut = t;
        if (elementOut)
            *elementOut = element;
        return hit;
    };
    if (n == 0)
        return answer(false, 0);

    // The nearest point of an element is looked for only when the element's
    // control points come within reach; the first element in path order
    // whose nearest point is within reach answers.
    const auto nearestOn = [&](int i) {
        const Element &e = elements()[static_cast<std::size_t>(i)];
        const Point s = startPointOfElement(i);
        switch (e.type) {
        case PathElementType::MoveTo:
            break;
        case PathElementType::LineTo:
            line(s, e.points[0], p, nearPoint, t);
            break;
        case PathElementType::CurveTo: {
            const Point V[4] = {s, e.points[0], e.points[1], e.points[2]};
            curve(V, p, nearPoint, t);
            break;
        }
        case PathElementType::ClosePath:
            line(s, endPointOfElement(i), p, nearPoint, t);
            break;
        }
    };
    int lastMeasured = -1;
    for (int i = 0; i < n; ++i) {
        if (elementAtIndex(i) != PathElementType::MoveTo) {
            if (outOfReach(controlBoundsOfElement(i), p, reach))
                continue;
            nearestOn(i);
            lastMeasured = i;
        }
        if (squaredDistance(p, nearPoint) <= threshold)
            return answer(true, i);
    }
    // A miss reports the nearest point of the last element that draws, as a
    // walk over every element would.
    for (int i = n - 1; i > lastMeasured; --i) {
        if (elementAtIndex(i) != PathElementType::MoveTo) {
            nearestOn(i);
            break;
        }
    }
    return answer(false, n);
}

// --- Rectangles and lines ------------------------------------------------------------

bool TDBezierPath::intersectsRect(const Rect &rect) const
{
    for (const Element &e : elements()) {
        switch (e.type) {
        case PathElementType::MoveTo:
        case PathElementType::LineTo:
            if (rect.contains(e.points[0]))
                return true;
            break;
        case PathElementType::CurveTo:
            if (rect.contains(e.points[2]))
                return true;
            break;
        case PathElementType::ClosePath:
            break;
        }
    }
    const float x = rect.minX(), y = rect.minY(), w = rect.width(), h = rect.height();
    const LineSegment edges[4] = {
        {x, y, x + w, y},
        {x + w, y, x + w, y + h},
        {x + w, y + h, x, y + h},
        {x, y + h, x, y},
    };
    for (const LineSegment &edge : edges) {
        if (intersectsLine(edge, nullptr))
            return true;
    }
    return false;
}

bool TDBezierPath::intersectsLine(const LineSegment &segment,
                                  std::vector<TDIntersection> *intersections) const
{
    if (intersections)
        intersections->clear();
    const Rect box = segmentBox(segment);
    const int n = elementCount();
    bool found = false;
    for (int i = 1; i < n; ++i) {
        const Element &e = elements()[static_cast<std::size_t>(i)];
        if (e.type == PathElementType::MoveTo)
            continue;
        const Rect elementBox = controlBoundsOfElement(i);
        // A curve's crossings are found to a parameter tolerance, so a
        // crossing point may stand a little off the line; allow for it.
        const float diameter = std::max(elementBox.width(), elementBox.height());
        const float margin =
            0.001f * diameter + std::max(rejectionSlack(elementBox, Point(segment.x0, segment.y0)),
                                         rejectionSlack(elementBox, Point(segment.x1, segment.y1)));
        if (boxesApart(box, elementBox, margin))
            continue;
        SegmentPoints points{startPointOfElement(i), e.points[0], e.points[1], e.points[2]};
        PathElementType type = e.type;
        if (e.type == PathElementType::ClosePath) {
            points[1] = endPointOfElement(i);
            type = PathElementType::LineTo;
        }
        const bool crosses = lineIntersectsElementWithSegment(segment, points, type, intersections, i);
        if (!intersections && crosses)
            return true;
        found = found || crosses;
    }
    return found;
}

bool TDBezierPath::line(const LineSegment &segment, const SegmentPoints &points, PathElementType type,
                        std::vector<TDIntersection> *intersections)
{
    return lineIntersectsElementWithSegment(segment, points, type, intersections, -1);
}

// --- Stroke bounds ----------------------------------------------------------------------

Rect TDBezierPath::strokeBoundsWithWidth(float width) const
{
    return strokeBoundsWithWidth(width, lineJoinStyle(), lineCapStyle(), !lineDash().empty());
}

namespace {

bool hasDirection(Point g)
{
    return g.x != 0.0f || g.y != 0.0f;
}

// The corners of a square cap at `p` whose line leaves the point along the
// unit vector `out`: half a width ahead and half a width to either side.
Rect addSquareCap(Rect r, Point p, Point out, float half)
{
    const Point ahead(p.x + out.x * half, p.y + out.y * half);
    r = NSRectAddPoint(r, Point(ahead.x - out.y * half, ahead.y + out.x * half));
    return NSRectAddPoint(r, Point(ahead.x + out.y * half, ahead.y - out.x * half));
}

} // namespace

Rect TDBezierPath::strokeBoundsWithWidth(float width, LineJoinStyle join, LineCapStyle cap, bool dashed) const
{
    const float half = width / 2.0f;
    Rect result = bounds().insetBy(-half, -half);
    const int n = elementCount();

    if (cap == LineCapStyle::Square && dashed) {
        // Every dash end gets a cap, anywhere along the path: allow for a
        // cap corner turned any way.
        const float corner = half * std::sqrt(2.0f);
        result = bounds().insetBy(-corner, -corner);
    } else if (cap == LineCapStyle::Square) {
        // A slanted end's square cap reaches beyond half a width of the
        // end point.  Ends of elements that have no direction take the
        // direction of their drawn neighbours; a subpath without any
        // direction gets an upright square, which the growth above holds.
        int first = -1;
        int last = -1;
        const auto capRun = [&] {
            if (first >= 0) {
                const Point in = gradientAt(0.0f, first);
                result = addSquareCap(result, pointAt(0.0f, first), Point(-in.x, -in.y), half);
                result = addSquareCap(result, pointAt(1.0f, last), gradientAt(1.0f, last), half);
            }
            first = last = -1;
        };
        for (int i = 0; i < n; ++i) {
            const PathElementType type = elementAtIndex(i);
            if (type == PathElementType::MoveTo) {
                capRun();
                continue;
            }
            if (type == PathElementType::ClosePath) {
                // A closed subpath has joins all round and no caps.
                first = last = -1;
                continue;
            }
            if (!hasDirection(gradientAt(0.0f, i)) || !hasDirection(gradientAt(1.0f, i)))
                continue;
            if (first < 0)
                first = i;
            last = i;
        }
        capRun();
    }

    if (join != LineJoinStyle::Miter)
        return result;
    const float ownLimit = miterLimit();
    // A limit the context cannot use is drawn with the usual 10.
    const float limit = std::isfinite(ownLimit) && ownLimit >= 1.0f ? ownLimit : 10.0f;
    // The line leaving a joint: elements without direction are passed
    // over, since the line is joined to the next one that has some.
    const auto outgoing = [&](int j, Point &g) {
        for (int steps = 0; steps <= n && j < n; ++steps) {
            const PathElementType type = elementAtIndex(j);
            if (type == PathElementType::MoveTo)
                return false;
            g = gradientAt(0.0f, j);
            if (hasDirection(g))
                return true;
            j = type == PathElementType::ClosePath ? nextElementFrom(j) + 1 : j + 1;
        }
        return false;
    };
    for (int i = 0; i < n; ++i) {
        const PathElementType type = elementAtIndex(i);
        if (type == PathElementType::MoveTo)
            continue;
        const int next = type == PathElementType::ClosePath ? nextElementFrom(i) + 1 : i + 1;
        const Point g1 = gradientAt(1.0f, i);
        Point g2;
        if (!hasDirection(g1) || !outgoing(next, g2))
            continue;
        const Point p = pointAt(1.0f, i);
        Point d(g1.x - g2.x, g1.y - g2.y);
        V2Normalize(d);
        // Where the tangent does not turn there is no tip.
        const float sine = g2.y * d.x - g2.x * d.y;
        if (sine == 0.0f)
            continue;
        const float r = 1.0f / sine;
        // The context draws the tip up to the limit itself; single
        // precision tangents must not lose a tip standing right at it.
        if (r * r <= limit * limit * 1.001f) {
            result = NSRectAddPoint(result, Point(p.x + d.x * r * half, p.y + d.y * r * half));
            result = NSRectAddPoint(result, Point(p.x - d.x * r * half, p.y - d.y * r * half));
        }
    }
    return result;
}

} // namespace scrivane
