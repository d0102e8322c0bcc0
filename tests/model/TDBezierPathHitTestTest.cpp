#include "PathTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace scrivane;
using namespace scrivane::test;

namespace {

struct Hit {
    bool hit = false;
    Point nearPoint;
    float t = 0;
    int element = 0;
    friend bool operator==(const Hit &, const Hit &) = default;
};

// The point test as a plain walk over every element, with no element ever
// skipped.
Hit referenceIntersectsPoint(const TDBezierPath &path, Point p, float width)
{
    Hit h{false, Point(-1e8f, -1e8f), 0.0f, 0};
    const float threshold = (width / 2 + 1) * (width / 2 + 1);
    const int n = path.elementCount();
    if (n == 0)
        return h;
    Point s, m;
    for (int i = 0; i < n; ++i) {
        h.element = i;
        Point pts[3];
        switch (path.elementAtIndex(i, pts)) {
        case Type::MoveTo:
            s = m = pts[0];
            break;
        case Type::LineTo:
            TDBezierPath::line(s, pts[0], p, h.nearPoint, h.t);
            s = pts[0];
            break;
        case Type::CurveTo: {
            const Point V[4] = {s, pts[0], pts[1], pts[2]};
            TDBezierPath::curve(V, p, h.nearPoint, h.t);
            s = pts[2];
            break;
        }
        case Type::ClosePath:
            TDBezierPath::line(s, m, p, h.nearPoint, h.t);
            s = m;
            break;
        }
        const float dx = p.x - h.nearPoint.x, dy = p.y - h.nearPoint.y;
        if (dx * dx + dy * dy <= threshold) {
            h.hit = true;
            return h;
        }
    }
    h.element = n;
    return h;
}

Hit intersectsPoint(const TDBezierPath &path, Point p, float width)
{
    Hit h;
    h.hit = path.intersectsPoint(p, width, &h.nearPoint, &h.t, &h.element);
    return h;
}

// Crossings of every element in turn, no element skipped.
std::vector<TDIntersection> referenceCrossings(const TDBezierPath &path, const LineSegment &segment)
{
    std::vector<TDIntersection> all;
    for (int i = 1; i < path.elementCount(); ++i) {
        Point pts[3];
        Type type = path.elementAtIndex(i, pts);
        if (type == Type::MoveTo)
            continue;
        SegmentPoints points{path.startPointOfElement(i), pts[0], pts[1], pts[2]};
        if (type == Type::ClosePath) {
            points[1] = path.endPointOfElement(i);
            type = Type::LineTo;
        }
        lineIntersectsElementWithSegment(segment, points, type, &all, i);
    }
    return all;
}

// The distance from p to the path by dense sampling of every element.
double sampledDistance(const TDBezierPath &path, Point p, int samples = 2000)
{
    double best = std::numeric_limits<double>::infinity();
    for (int i = 1; i < path.elementCount(); ++i) {
        if (path.elementAtIndex(i) == Type::MoveTo)
            continue;
        for (int k = 0; k <= samples; ++k)
            best = std::min(best, distance(path.pointAt(float(k) / samples, i), p));
    }
    return best;
}

} // namespace

TEST(TDBezierPathHitTest, ReachIsHalfTheWidthPlusOne)
{
    const TDBezierPath path = polyline({Point(0, 0), Point(100, 0)});
    EXPECT_TRUE(intersectsPoint(path, Point(50, 3), 4).hit);
    EXPECT_FALSE(intersectsPoint(path, Point(50, 3.001f), 4).hit);
    const Hit h = intersectsPoint(path, Point(25, -2), 4);
    EXPECT_EQ(h, (Hit{true, Point(25, 0), 0.25f, 1}));
    // A miss reports the element count.
    EXPECT_EQ(intersectsPoint(path, Point(50, 30), 4).element, 2);
    EXPECT_FALSE(intersectsPoint(TDBezierPath(), Point(0, 0), 4).hit);
}

TEST(TDBezierPathHitTest, TheFirstElementWithinReachAnswersNotTheNearest)
{
    TDBezierPath path = polyline({Point(0, 0), Point(100, 0)});
    path.moveTo(Point(0, 4));
    path.lineTo(Point(100, 4));
    const Hit h = intersectsPoint(path, Point(50, 3.5f), 10);
    EXPECT_TRUE(h.hit);
    EXPECT_EQ(h.element, 1);
    EXPECT_EQ(h.nearPoint, Point(50, 0));
}

// Projecting onto a segment of zero length divided by zero.
TEST(TDBezierPathHitTest, NearestPointOnAZeroLengthSegmentIsItsStart)
{
    Point nearPoint(-1, -1);
    float t = -1;
    TDBezierPath::line(Point(3, 4), Point(3, 4), Point(10, 10), nearPoint, t);
    EXPECT_EQ(nearPoint, Point(3, 4));
    EXPECT_EQ(t, 0.0f);

    const TDBezierPath dot = polyline({Point(3, 4), Point(3, 4)});
    const Hit h = intersectsPoint(dot, Point(3.5f, 4), 1);
    EXPECT_EQ(h, (Hit{true, Point(3, 4), 0.0f, 1}));
}

TEST(TDBezierPathHitTest, NearestPointOnCurve)
{
    const Point V[4] = {Point(0, 0), Point(0, 100), Point(100, 100), Point(100, 0)};
    Point nearPoint;
    float t = 0;
    TDBezierPath::curve(V, Point(50, 120), nearPoint, t);
    EXPECT_NEAR(t, 0.5, 1e-4);
    EXPECT_NEAR(nearPoint.x, 50, 1e-3);
    EXPECT_NEAR(nearPoint.y, 75, 1e-3);
}

TEST(TDBezierPathHitTest, PointHitsAgreeWithAWalkOverEveryElementAndWithSampling)
{
    std::mt19937 random(3);
    std::uniform_real_distribution<float> coordinate(-20.0f, 520.0f);
    std::uniform_real_distribution<float> widths(0.0f, 30.0f);
    int hits = 0, misses = 0;
    for (int round = 0; round < 30; ++round) {
        const TDBezierPath path = randomPath(random, 12);
        for (int k = 0; k < 40; ++k) {
            const Point p(coordinate(random), coordinate(random));
            const float width = widths(random);
            const Hit h = intersectsPoint(path, p, width);
            ASSERT_EQ(h, referenceIntersectsPoint(path, p, width));
            const double reach = width / 2 + 1;
            const double sampled = sampledDistance(path, p, 400);
            if (sampled < reach - 0.5) {
                EXPECT_TRUE(h.hit) << "sampled distance " << sampled << ", reach " << reach;
            }
            if (sampled > reach + 0.01) {
                EXPECT_FALSE(h.hit) << "sampled distance " << sampled << ", reach " << reach;
            }
            (h.hit ? hits : misses)++;
        }
    }
    EXPECT_GT(hits, 50);
    EXPECT_GT(misses, 50);
}

TEST(TDBezierPathHitTest, RectanglesHitByNodesOrCrossingsOnly)
{
    TDBezierPath square = polyline({Point(0, 0), Point(100, 0), Point(100, 100), Point(0, 100)});
    square.close();
    EXPECT_FALSE(square.intersectsRect(Rect(40, 40, 20, 20))); // wholly inside
    EXPECT_TRUE(square.intersectsRect(Rect(90, 90, 20, 20)));  // holds a node
    EXPECT_TRUE(square.intersectsRect(Rect(40, -10, 20, 20))); // crosses an edge
    EXPECT_TRUE(square.intersectsRect(Rect(-10, 40, 20, 20))); // crosses the closing line
    EXPECT_FALSE(square.intersectsRect(Rect(-50, -50, 20, 20)));
    // The maximum edges of the rectangle are outside it.
    EXPECT_FALSE(polyline({Point(10, 10), Point(10, 10)}).intersectsRect(Rect(0, 0, 10, 10)));
    EXPECT_TRUE(polyline({Point(0, 0), Point(0, 0)}).intersectsRect(Rect(0, 0, 10, 10)));

    TDBezierPath curve;
    curve.moveTo(Point(0, 0));
    curve.curveTo(Point(100, 0), Point(0, 100), Point(100, 100)); // reaches y = 75 at x = 50
    EXPECT_TRUE(curve.intersectsRect(Rect(45, 70, 10, 10)));
    EXPECT_FALSE(curve.intersectsRect(Rect(45, 80, 10, 10)));
}

TEST(TDBezierPathHitTest, CrossingsCountTheStartOfASegmentButNotItsEnd)
{
    const TDBezierPath path = polyline({Point(0, 0), Point(10, 0), Point(20, 0)});
    std::vector<TDIntersection> crossings;
    // Ending on the path: not reported; starting on it: reported.
    EXPECT_FALSE(path.intersectsLine(LineSegment{5, 5, 5, 0}, &crossings));
    EXPECT_TRUE(path.intersectsLine(LineSegment{5, 0, 5, 5}, &crossings));
    ASSERT_EQ(crossings.size(), 1u);
    EXPECT_EQ(crossings[0], TDIntersection(1, 0.5f, Point(5, 0)));
    // At the node between two lines: the later line, at its start.
    EXPECT_TRUE(path.intersectsLine(LineSegment{10, -5, 10, 5}, &crossings));
    ASSERT_EQ(crossings.size(), 1u);
    EXPECT_EQ(crossings[0], TDIntersection(2, 0.0f, Point(10, 0)));
    EXPECT_TRUE(path.intersectsLine(LineSegment{10, -5, 10, 5}, nullptr));
    // Parallel segments do not cross.
    EXPECT_FALSE(path.intersectsLine(LineSegment{0, 0, 20, 0}, nullptr));
}

TEST(TDBezierPathHitTest, ThreeCrossingsOfAnSCurveSortByParameter)
{
    TDBezierPath path;
    path.moveTo(Point(0, -50));
    path.curveTo(Point(90, 50), Point(30, 150), Point(60, -150));
    std::vector<TDIntersection> crossings;
    ASSERT_TRUE(path.intersectsLine(LineSegment{-10, 0.5f, 100, 0.5f}, &crossings));
    ASSERT_EQ(crossings.size(), 3u);
    sortIntersectionsByT(crossings);
    for (std::size_t i = 0; i < crossings.size(); ++i) {
        EXPECT_NEAR(crossings[i].point.y, 0.5, 0.05);
        EXPECT_EQ(crossings[i].segment, 1);
        if (i > 0) {
            EXPECT_LT(crossings[i - 1].t, crossings[i].t);
        }
    }
    EXPECT_EQ(intersectionTSort(crossings[0], crossings[1]), -1);
    EXPECT_EQ(intersectionTSort(crossings[1], crossings[0]), 1);
    EXPECT_EQ(intersectionTSort(crossings[1], crossings[1]), 0);
}

TEST(TDBezierPathHitTest, LineCrossingsAgreeWithAWalkOverEveryElementAndWithSampling)
{
    std::mt19937 random(5);
    std::uniform_real_distribution<float> coordinate(-20.0f, 520.0f);
    int crossingsSeen = 0;
    for (int round = 0; round < 40; ++round) {
        const TDBezierPath path = randomPath(random, 10);
        for (int k = 0; k < 20; ++k) {
            const LineSegment segment{coordinate(random), coordinate(random), coordinate(random),
                                      coordinate(random)};
            std::vector<TDIntersection> crossings;
            const bool any = path.intersectsLine(segment, &crossings);
            ASSERT_EQ(crossings, referenceCrossings(path, segment));
            ASSERT_EQ(any, !crossings.empty());
            ASSERT_EQ(path.intersectsLine(segment, nullptr), any);
            crossingsSeen += int(crossings.size());

            // Every crossing lies on the segment and on its element.
            const double length = std::hypot(segment.x1 - segment.x0, segment.y1 - segment.y0);
            for (const TDIntersection &c : crossings) {
                const double cross = ((segment.x1 - segment.x0) * (c.point.y - segment.y0) -
                                      (segment.y1 - segment.y0) * (c.point.x - segment.x0)) /
                                     length;
                EXPECT_LT(std::fabs(cross), 0.05);
                EXPECT_LT(distance(path.pointAt(c.t, c.segment), c.point), 0.05);
            }
            // Every crossing seen by sampling each element densely is
            // reported near where it was seen.
            for (int i = 1; i < path.elementCount(); ++i) {
                if (path.elementAtIndex(i) == Type::MoveTo)
                    continue;
                const auto side = [&](Point p) {
                    return (segment.x1 - segment.x0) * (double(p.y) - segment.y0) -
                           (segment.y1 - segment.y0) * (double(p.x) - segment.x0);
                };
                const auto along = [&](Point p) {
                    return ((double(p.x) - segment.x0) * (segment.x1 - segment.x0) +
                            (double(p.y) - segment.y0) * (segment.y1 - segment.y0)) /
                           (length * length);
                };
                const int samples = 1000;
                Point previous = path.pointAt(0.0f, i);
                for (int s = 1; s <= samples; ++s) {
                    const Point p = path.pointAt(float(s) / samples, i);
                    const double a = side(previous), b = side(p);
                    // A clear crossing, well inside the segment.
                    if (a * b < 0 && std::fabs(a - b) > 1e-3 * length) {
                        const double u = along(previous) + (along(p) - along(previous)) * a / (a - b);
                        if (u > 0.01 && u < 0.99) {
                            const bool reported =
                                std::any_of(crossings.begin(), crossings.end(), [&](const auto &c) {
                                    return c.segment == i && distance(c.point, p) < 2.0;
                                });
                            EXPECT_TRUE(reported) << "element " << i << " sample " << s;
                        }
                    }
                    previous = p;
                }
            }
        }
    }
    EXPECT_GT(crossingsSeen, 100);
}

TEST(TDBezierPathHitTest, StrokeBoundsGrowByHalfTheWidthAndHoldMiterTips)
{
    TDBezierPath corner = polyline({Point(0, 0), Point(100, 0), Point(100, 100)});
    corner.setMiterLimit(10);
    const Rect b = corner.strokeBoundsWithWidth(10);
    // The tip of the right angle lies w/2 * sqrt(2) from the corner, at
    // (105, -5).
    EXPECT_NEAR(b.minX(), -5, 1e-4);
    EXPECT_NEAR(b.minY(), -5, 1e-4);
    EXPECT_NEAR(b.maxX(), 105, 1e-3);
    EXPECT_NEAR(b.maxY(), 105, 1e-4);

    // Without miter joins only the grown bounds.
    corner.setLineJoinStyle(LineJoinStyle::Round);
    EXPECT_EQ(corner.strokeBoundsWithWidth(10), Rect(-5, -5, 110, 110));

    // A 10-degree spike goes beyond the limit and adds no tip.
    const float a = 10.0f * 3.14159265f / 180.0f;
    TDBezierPath spike =
        polyline({Point(0, 0), Point(100, 0), Point(100 - 100 * std::cos(a), 100 * std::sin(a))});
    spike.setMiterLimit(10);
    const Rect grown = spike.bounds().insetBy(-5, -5);
    EXPECT_EQ(spike.strokeBoundsWithWidth(10), grown);

    // The closing node of a closed square is a joint too.
    TDBezierPath square = polyline({Point(0, 0), Point(10, 0), Point(10, 10), Point(0, 10)});
    square.close();
    const Rect s = square.strokeBoundsWithWidth(2);
    EXPECT_NEAR(s.minX(), -1, 1e-4);
    EXPECT_NEAR(s.maxY(), 11, 1e-4);
    EXPECT_EQ(TDBezierPath().strokeBoundsWithWidth(4), Rect(-2, -2, 4, 4));
}

TEST(TDIntersection, Description)
{
    EXPECT_EQ(TDIntersection::intersectionOnSegment(3, 0.5f, Point(1, 2)).description(),
              QStringLiteral("(3, 0.50, (1.00,2.00))"));
}
