#include "model/curvefit/GeometryHelpers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>

using namespace scrivane;

namespace {

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();

const std::array<Point, 4> kCurve{Point(0, 0), Point(10, 30), Point(40, -20), Point(50, 10)};

} // namespace

TEST(GeometryHelpers, UnitOfAZeroVectorIsTheZeroVector)
{
    const Point unit = TDPointUnit(Point(0, 0));
    EXPECT_TRUE(std::isfinite(unit.x) && std::isfinite(unit.y));
    EXPECT_TRUE(TDEqualPoints(unit, Point()));
    EXPECT_FALSE(isnanPoint(unit));
    EXPECT_EQ(TDPointUnit(Point(-3, 4)), Point(-0.6f, 0.8f));
    EXPECT_TRUE(isnanPoint(Point(1, kNaN)));
}

TEST(GeometryHelpers, BlossomGivesPointsAndSubCurves)
{
    for (float t : {0.0f, 0.3f, 0.5f, 1.0f}) {
        const Point a = ff(kCurve, t, t, t);
        const Point b = TDPointOnCurve(kCurve, t);
        EXPECT_NEAR(a.x, b.x, 1e-4f);
        EXPECT_NEAR(a.y, b.y, 1e-4f);
    }
    // The part between t0 and t1, built from the blossom as the path classes
    // do, runs over the same points.
    const float t0 = 0.2f, t1 = 0.7f;
    const std::array<Point, 4> part{ff(kCurve, t0, t0, t0), ff(kCurve, t0, t0, t1), ff(kCurve, t0, t1, t1),
                                    ff(kCurve, t1, t1, t1)};
    for (float s : {0.0f, 0.25f, 0.6f, 1.0f}) {
        const Point onPart = TDPointOnCurve(part, s);
        const Point onWhole = TDPointOnCurve(kCurve, t0 + s * (t1 - t0));
        EXPECT_NEAR(onPart.x, onWhole.x, 1e-4f);
        EXPECT_NEAR(onPart.y, onWhole.y, 1e-4f);
    }
}

TEST(GeometryHelpers, GradientIsTheDerivative)
{
    for (float t : {0.0f, 0.3f, 0.5f, 0.9f}) {
        const double h = 1e-3;
        const Point before = TDPointOnCurve(kCurve, float(t - h));
        const Point after = TDPointOnCurve(kCurve, float(t + h));
        const Point gradient = TDGradientOnCurve(kCurve, t);
        EXPECT_NEAR(gradient.x, (after.x - before.x) / (2 * h), 0.05);
        EXPECT_NEAR(gradient.y, (after.y - before.y) / (2 * h), 0.05);
    }
}

TEST(GeometryHelpers, LineIntersectsLineCountsStartsButNotEnds)
{
    struct Case {
        const char *what;
        LineSegment a, b;
        bool crosses;
        float t;
    };
    const Case cases[] = {
        {"cross in the middle", {0, 0, 10, 0}, {4, -5, 4, 5}, true, 0.4f},
        {"meet at the start of both", {0, 0, 10, 0}, {0, 0, 0, 10}, true, 0.0f},
        {"meet at the end of A", {0, 0, 10, 0}, {10, -5, 10, 5}, false, 1.0f},
        {"meet at the end of B", {0, 0, 10, 0}, {5, 5, 5, 0}, false, -1.0f},
        {"parallel", {0, 0, 10, 0}, {0, 1, 10, 1}, false, -1.0f},
        {"collinear", {0, 0, 10, 0}, {2, 0, 8, 0}, false, -1.0f},
        {"A of zero length", {3, 0, 3, 0}, {3, -5, 3, 5}, false, -1.0f},
        {"crossing B beyond A", {0, 0, 10, 0}, {15, -5, 15, 5}, false, 1.5f},
    };
    for (const Case &c : cases) {
        float t = -1.0f; // left alone unless the crossing lies on B
        Point point(-99, -99);
        EXPECT_EQ(lineIntersectsLine(c.a, c.b, &point, t), c.crosses) << c.what;
        EXPECT_FLOAT_EQ(t, c.t) << c.what;
        if (c.crosses) {
            EXPECT_FLOAT_EQ(point.x, c.a.x0 + c.t * (c.a.x1 - c.a.x0)) << c.what;
            EXPECT_FLOAT_EQ(point.y, c.a.y0 + c.t * (c.a.y1 - c.a.y0)) << c.what;
        } else {
            EXPECT_EQ(point, Point(-99, -99)) << c.what;
        }
    }
    float t = 0;
    EXPECT_TRUE(lineIntersectsLine({0, 0, 10, 10}, {0, 10, 10, 0}, nullptr, t));
    EXPECT_FLOAT_EQ(t, 0.5f);
}

TEST(GeometryHelpers, IntersectsLineBoundedAndUnbounded)
{
    Point point;
    EXPECT_TRUE(intersectsLine(Point(0, 0), Point(10, 10), Point(0, 10), Point(10, 0), &point, false));
    EXPECT_EQ(point, Point(5, 5));
    // Touching at an end point is not a crossing of bounded segments.
    EXPECT_FALSE(intersectsLine(Point(0, 0), Point(10, 0), Point(10, 0), Point(10, 10), &point, false));
    EXPECT_FALSE(intersectsLine(Point(0, 0), Point(10, 0), Point(0, 0), Point(0, 10), &point, false));
    // Unbounded, the lines through the segments meet beyond them.
    EXPECT_TRUE(intersectsLine(Point(0, 0), Point(1, 0), Point(5, 3), Point(5, 4), &point, true));
    EXPECT_EQ(point, Point(5, 0));
    // Parallel lines never meet, bounded or not, and the point stays as it was.
    point = Point(-1, -1);
    EXPECT_FALSE(intersectsLine(Point(0, 0), Point(10, 0), Point(0, 1), Point(10, 1), &point, true));
    EXPECT_FALSE(intersectsLine(Point(0, 0), Point(10, 0), Point(2, 0), Point(5, 0), &point, true));
    EXPECT_FALSE(intersectsLine(Point(0, 0), Point(0, 0), Point(0, 1), Point(10, 1), &point, true));
    EXPECT_EQ(point, Point(-1, -1));
}

TEST(GeometryHelpers, SignedDistanceFromALine)
{
    const LineSegment rightward{0, 0, 10, 0};
    EXPECT_FLOAT_EQ(distanceToPointFromLine(rightward, Point(5, -3)), 3.0f); // right of the direction
    EXPECT_FLOAT_EQ(distanceToPointFromLine(rightward, Point(5, 3)), -3.0f);
    EXPECT_FLOAT_EQ(distanceToPointFromLine(rightward, Point(20, 0)), 0.0f);
    // A line of zero length has no side: the plain distance to its point.
    const LineSegment dot{1, 1, 1, 1};
    EXPECT_FLOAT_EQ(distanceToPointFromLine(dot, Point(4, 5)), 5.0f);
    EXPECT_FLOAT_EQ(distanceToPointFromLine(dot, Point(1, 1)), 0.0f);
}

TEST(GeometryHelpers, GrowingARectangleByAPointBothWaysAgree)
{
    std::mt19937 random(11);
    std::uniform_real_distribution<float> coordinate(-100, 100);
    std::uniform_real_distribution<float> extent(0, 50);
    for (int i = 0; i < 500; ++i) {
        const Rect r(coordinate(random), coordinate(random), extent(random), extent(random));
        const Point p(coordinate(random), coordinate(random));
        const Rect grown = NSRectAddPoint(r, p);
        const Rect united = PointUnionRect(r, p);
        EXPECT_FLOAT_EQ(grown.origin.x, united.origin.x);
        EXPECT_FLOAT_EQ(grown.origin.y, united.origin.y);
        EXPECT_NEAR(grown.size.width, united.size.width, 1e-4f);
        EXPECT_NEAR(grown.size.height, united.size.height, 1e-4f);
    }
    const Rect r(0, 0, 10, 10);
    EXPECT_EQ(NSRectAddPoint(r, Point(5, 5)), r);
    EXPECT_EQ(NSRectAddPoint(r, Point(-2, 15)), Rect(-2, 0, 12, 15));
    EXPECT_EQ(PointUnionRect(r, Point(kNaN, 15)), Rect(0, 0, 10, 15));
}

TEST(GeometryHelpers, RectangleTextTruncatesTowardZero)
{
    EXPECT_EQ(MYRectToString(Rect(10.7f, -2.5f, 100, 50)), QStringLiteral("10, -2, 100, 50"));
    EXPECT_EQ(MYRectToString(Rect(-0.9f, 0.9f, 1e-3f, 3.99f)), QStringLiteral("0, 0, 0, 3"));
    // Out of the range of int: clamped, never undefined.
    EXPECT_EQ(MYRectToString(Rect(kNaN, 1e20f, -1e20f, std::numeric_limits<float>::infinity())),
              QStringLiteral("0, 2147483647, -2147483648, 2147483647"));
}
