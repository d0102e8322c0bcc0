#include "model/TDBezierPath.h"

#include <algorithm>
#include <cmath>

namespace scrivane {

namespace {

// A node of the target where the direction jumps: shapes are split there so
// that no mapped curve has to turn the corner.
struct Corner {
    float x = 0;     // overall fraction of the node
    int element = 0; // the element that ends at the node
};

struct MappingContext {
    const TDBezierPath &target;
    TDBezierPath &result;
    std::vector<Corner> corners; // in element order, so also by x
};

constexpr float CornerThreshold = 0.001f; // squared difference of unit tangents
constexpr float MaxError = 1.0f;          // square points over three samples
constexpr int MaxDepth = 20;
constexpr float MinWidth = 0.001f;      // of the target's length
constexpr float MinChordSquared = 0.5f; // square points
constexpr float JoinReach = 1000.0f;

Point unit(Point p)
{
    V2Normalize(p);
    return p;
}

float squaredDistance(Point a, Point b)
{
    const float dx = a.x - b.x;
    const float dy = a.y - b.y;
    return dx * dx + dy * dy;
}

std::vector<Corner> findCorners(const TDBezierPath &target)
{
    std::vector<Corner> corners;
    const int n = target.elementCount();
    const float total = target.length();
    for (int i = 1; i + 1 < n; ++i) {
        if (target.elementAtIndex(i) == PathElementType::MoveTo ||
            target.elementAtIndex(i + 1) == PathElementType::MoveTo)
            continue;
        const Point g1 = unit(target.gradientAt(1.0f, i));
        const Point g2 = unit(target.gradientAt(0.0f, i + 1));
        // A node next to an element without direction is no corner: there
        // is nothing to compare.
        if (TDPointSqrLength(g1) == 0.0f || TDPointSqrLength(g2) == 0.0f)
            continue;
        const Point d(g1.x - g2.x, g1.y - g2.y);
        if (d.x * d.x + d.y * d.y > CornerThreshold)
            corners.push_back({target.lengthToElement(i + 1) / total, i});
    }
    return corners;
}

void recursiveSubdivideCurve(const SegmentPoints &Q, MappingContext &context, int a, int b, int depth)
{
    const TDBezierPath &target = context.target;
    TDBezierPath &result = context.result;
    const float w = target.lineWidth();
    const PressureSource *pressure = target.pressure();
    const auto offset = [&](Point p) {
        const float k = pressure ? pressure->pressureAt(p.x) : 1.0f;
        return k * p.y * w;
    };

    // Ends, mapped inside the bounding element when there is one.
    const auto end = [&](Point q, int bound, Point &mapped, Point &derivative) {
        if (bound >= 1) {
            mapped = target.transformedTotalCoordinate(q, bound);
            derivative = target.myGradientAt(target.elementPercentageFromElement(bound, q.x), bound);
        } else {
            mapped = target.transformedCoordinate(q);
            derivative = target.myGradientAt(q.x);
        }
    };
    Point P0, G0, P3, G3;
    end(Q[0], a, P0, G0);
    end(Q[3], b, P3, G3);

    // Handles follow the target's direction, shortened or lengthened by how
    // far the offset curve lies inside or outside the bend.
    const Point N0 = unit(Point(-G0.y, G0.x));
    const Point N3 = unit(Point(-G3.y, G3.x));
    const float c0 = target.curvatureAt(Q[0].x);
    const float c3 = target.curvatureAt(Q[3].x);
    const float o0 = offset(Q[0]), o1 = offset(Q[1]), o2 = offset(Q[2]), o3 = offset(Q[3]);
    const float s1 = (Q[1].x - Q[0].x) * (1.0f - o0 * c0);
    const float s2 = (Q[2].x - Q[3].x) * (1.0f - o3 * c3);
    const Point C1(P0.x + s1 * G0.x + (o1 - o0) * N0.x, P0.y + s1 * G0.y + (o1 - o0) * N0.y);
    const Point C2(P3.x + s2 * G3.x + (o2 - o3) * N3.x, P3.y + s2 * G3.y + (o2 - o3) * N3.y);

    float error = 0.0f;
    if (depth == 0 || (depth < MaxDepth && std::fabs(Q[0].x - Q[3].x) > MinWidth &&
                       squaredDistance(P0, P3) > MinChordSquared)) {
        const Point candidate[4] = {P0, C1, C2, P3};
        for (float t : {0.25f, 0.75f, 0.5f})
            error += squaredDistance(TDPointOnCurve(candidate, t),
                                     target.transformedCoordinate(TDPointOnCurve(Q, t)));
    }
    if (error > MaxError) {
        recursiveSubdivideCurve(curveBetween(Q, 0.0f, 0.5f), context, a, -1, depth + 1);
        recursiveSubdivideCurve(curveBetween(Q, 0.5f, 1.0f), context, -1, b, depth + 1);
        return;
    }

    if (a > 0) {
        // The piece begins just after a corner: bridge the gap from where
        // the result stands, through the meeting point of the piece's
        // tangent with the gap's perpendicular bisector when the piece heads
        // away from the gap.
        const Point cp = result.currentPoint();
        const Point m((cp.x + P0.x) / 2.0f, (cp.y + P0.y) / 2.0f);
        const Point d(P0.x - cp.x, P0.y - cp.y);
        if (TDPointDot(Point(C1.x - P0.x, C1.y - P0.y), d) > 0.0f) {
            const LineSegment tangent{P0.x - JoinReach * G0.x, P0.y - JoinReach * G0.y,
                                      P0.x + JoinReach * G0.x, P0.y + JoinReach * G0.y};
            const LineSegment bisector{m.x - 5.0f * d.y, m.y + 5.0f * d.x, m.x + 5.0f * d.y,
                                       m.y - 5.0f * d.x};
            Point meeting;
            float t = 0;
            if (lineIntersectsLine(tangent, bisector, &meeting, t))
                result.lineTo(meeting);
        }
        result.lineTo(P0);
    }
    result.curveTo(P3, C1, C2);
}

void recursiveSubdivideCurveSplit(const SegmentPoints &piece, MappingContext &context)
{
    // Only a corner strictly inside the piece's x range can cross it: the
    // crossing test looks for control points on both sides of the corner.
    float minX = piece[0].x, maxX = piece[0].x;
    for (const Point &p : piece) {
        minX = std::min(minX, p.x);
        maxX = std::max(maxX, p.x);
    }
    const auto first = std::upper_bound(context.corners.begin(), context.corners.end(), minX,
                                        [](float x, const Corner &c) { return x < c.x; });
    std::vector<TDIntersection> crossings;
    for (auto c = first; c != context.corners.end() && c->x < maxX; ++c)
        lineIntersectsElementWithSegment(LineSegment{c->x, -100.0f, c->x, 100.0f}, piece,
                                         PathElementType::CurveTo, &crossings, c->element);
    if (crossings.empty()) {
        recursiveSubdivideCurve(piece, context, -1, -1, 0);
        return;
    }
    crossings.emplace_back(-1, 1.0f, Point(1000.0f, 0.0f));
    sortIntersectionsByT(crossings);
    float t0 = 0.0f;
    int pending = -1;
    for (const TDIntersection &crossing : crossings) {
        SegmentPoints part = piece;
        cutSegment(part, PathElementType::CurveTo, t0, crossing.t);
        if (part[0].x > crossing.point.x) {
            // The shape runs backwards along the target here.
            recursiveSubdivideCurve(part, context, pending, crossing.segment + 1, 0);
            pending = crossing.segment;
        } else {
            recursiveSubdivideCurve(part, context, pending, crossing.segment, 0);
            pending = crossing.segment + 1;
        }
        t0 = crossing.t;
    }
}

} // namespace

TDBezierPath TDBezierPath::mappedToPath(TDBezierPath &target, float width,
                                        const PressureSource *pressure) const
{
    target.setPressure(pressure);
    TDBezierPath result = recursiveSubdivideOntoPath(target, width);
    target.setPressure(nullptr);
    return result;
}

TDBezierPath TDBezierPath::mappedToPath(TDBezierPath &target, float width) const
{
    return mappedToPath(target, width, nullptr);
}

TDBezierPath TDBezierPath::mappedToPath(TDBezierPath &target, float width, float start, float end) const
{
    TDBezierPath placed = bezierPathWithPath(*this);
    placed.transform(AffineTransform(end - start, 0, 0, 1, start, 0));
    return placed.mappedToPath(target, width, nullptr);
}

AffineTransform TDBezierPath::unitBoxTransform(const Rect &box)
{
    AffineTransform transform = AffineTransform::makeTranslation(-box.minX(), -(box.minY() + box.height() / 2));
    transform.append(AffineTransform::makeScale(1 / box.width(), 1 / box.height()));
    return transform;
}

TDBezierPath TDBezierPath::recursiveSubdivideOntoPath(TDBezierPath &target, float width) const
{
    target.setLineWidth(width);
    TDBezierPath result;
    // Every mapped point comes from a position along the target; without a
    // length there is nowhere to put the shape.
    const float total = target.length();
    if (!(total > 0.0f) || !std::isfinite(total))
        return result;
    MappingContext context{target, result, findCorners(target)};

    Point S, M;
    const auto mapLine = [&](Point p) {
        if (TDEqualPoints(p, S))
            return;
        const SegmentPoints piece{S, Point(S.x + 0.33f * (p.x - S.x), S.y + 0.33f * (p.y - S.y)),
                                  Point(S.x + 0.66f * (p.x - S.x), S.y + 0.66f * (p.y - S.y)), p};
        recursiveSubdivideCurveSplit(piece, context);
        S = p;
    };
    for (const Element &e : elements()) {
        switch (e.type) {
        case PathElementType::MoveTo:
            result.moveTo(target.transformedCoordinate(e.points[0]));
            S = M = e.points[0];
            break;
        case PathElementType::LineTo:
            mapLine(e.points[0]);
            break;
        case PathElementType::CurveTo:
            recursiveSubdivideCurveSplit({S, e.points[0], e.points[1], e.points[2]}, context);
            S = e.points[2];
            break;
        case PathElementType::ClosePath:
            mapLine(M);
            result.close();
            break;
        }
    }
    return result;
}

} // namespace scrivane
