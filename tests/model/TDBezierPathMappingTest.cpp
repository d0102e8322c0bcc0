#include "PathTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;
using namespace scrivane::test;

namespace {

// The unit box of stroke space: x from 0 to 1 along, y from -0.5 to 0.5.
TDBezierPath unitBox()
{
    TDBezierPath box;
    box.appendRect(Rect(0, -0.5f, 1, 1));
    return box;
}

void expectNear(Point a, Point b, double tolerance = 1e-3)
{
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
}

void expectElement(const TDBezierPath &path, int index, Type type, std::vector<Point> points)
{
    SCOPED_TRACE("element " + std::to_string(index));
    ASSERT_LT(index, path.elementCount());
    const PathBase::Element &e = path.elements()[std::size_t(index)];
    ASSERT_EQ(e.type, type);
    for (std::size_t i = 0; i < points.size(); ++i)
        expectNear(e.points[i], points[i]);
}

struct Doubled : PressureSource {
    float pressureAt(float) const override { return 2.0f; }
};

} // namespace

TEST(TDBezierPathMapping, UnitBoxOnAStraightLineIsARectangleOfSingleCurves)
{
    TDBezierPath target = polyline({Point(0, 0), Point(100, 0)});
    const TDBezierPath mapped = unitBox().mappedToPath(target, 10);
    ASSERT_EQ(mapped.elementCount(), 6);
    expectElement(mapped, 0, Type::MoveTo, {Point(0, -5)});
    expectElement(mapped, 1, Type::CurveTo, {Point(33, -5), Point(66, -5), Point(100, -5)});
    expectElement(mapped, 2, Type::CurveTo, {Point(100, -1.7f), Point(100, 1.6f), Point(100, 5)});
    expectElement(mapped, 3, Type::CurveTo, {Point(67, 5), Point(34, 5), Point(0, 5)});
    expectElement(mapped, 4, Type::CurveTo, {Point(0, 1.7f), Point(0, -1.6f), Point(0, -5)});
    expectElement(mapped, 5, Type::ClosePath, {});
    EXPECT_EQ(target.lineWidth(), 10.0f);
}

TEST(TDBezierPathMapping, OnAnArcBothSidesFollowTheArc)
{
    TDBezierPath target;
    target.appendArcWithCenter(Point(0, 0), 100, 180, 0, true); // over the top, left to right
    const TDBezierPath mapped = unitBox().mappedToPath(target, 10);
    ASSERT_TRUE(finitePath(mapped));
    // Every point of the outline lies on one of the two offset arcs.
    double outer = 0, inner = 0;
    Point previous = mapped.elements()[0].points[0];
    for (int i = 1; i < mapped.elementCount(); ++i) {
        if (mapped.elementAtIndex(i) != Type::CurveTo)
            continue;
        for (int k = 1; k <= 50; ++k) {
            const Point p = mapped.pointAt(k / 50.0f, i);
            const double r = std::hypot(p.x, p.y);
            const bool onSide = std::fabs(r - 105) < 1.0 || std::fabs(r - 95) < 1.0;
            // The ends are drawn across the tangent at 0.001 from either
            // end of the arc.
            const bool onEnd = std::fabs(p.y) < 0.05 && r > 94 && r < 106;
            EXPECT_TRUE(onSide || onEnd) << "element " << i << " at " << p.x << ", " << p.y;
            if (std::fabs(r - 105) < 1.0)
                outer += distance(previous, p);
            else if (std::fabs(r - 95) < 1.0)
                inner += distance(previous, p);
            previous = p;
        }
    }
    // Clockwise over the top the left side is the outer one.
    EXPECT_NEAR(outer, 3.14159 * 105, 3);
    EXPECT_NEAR(inner, 3.14159 * 95, 3);
    EXPECT_GT(outer, inner);
}

TEST(TDBezierPathMapping, CornersSplitTheShapeAndBridgeTheGap)
{
    // Right, then up: a left turn of 90 degrees at x = 0.5.
    TDBezierPath target = polyline({Point(0, 0), Point(100, 0), Point(100, 100)});
    const TDBezierPath mapped = unitBox().mappedToPath(target, 10);
    ASSERT_TRUE(finitePath(mapped));
    std::vector<Type> expectedTypes = {Type::MoveTo,
                                       Type::CurveTo, // right side up to the corner
                                       Type::LineTo,  // to the miter point
                                       Type::LineTo,  // to the start after the corner
                                       Type::CurveTo, // right side after the corner
                                       Type::CurveTo, // the far end
                                       Type::CurveTo, // left side back to the corner
                                       Type::LineTo,  // straight across the inner gap
                                       Type::CurveTo, // left side back to the start
                                       Type::CurveTo, // the near end
                                       Type::ClosePath};
    ASSERT_EQ(typesOf(mapped), expectedTypes);
    expectElement(mapped, 0, Type::MoveTo, {Point(0, -5)});
    // The sides are the halves of straight pieces whose handles lie at 0.33
    // and 0.66, cut where they cross the corner.
    expectElement(mapped, 1, Type::CurveTo, {Point(33.2481f, -5), Point(66.4962f, -5), Point(100, -5)});
    expectElement(mapped, 2, Type::LineTo, {Point(105, -5)});
    expectElement(mapped, 3, Type::LineTo, {Point(105, 0)});
    expectElement(mapped, 4, Type::CurveTo, {Point(105, 33.0037f), Point(105, 66.2556f), Point(105, 100)});
    expectElement(mapped, 5, Type::CurveTo, {Point(101.7f, 100), Point(98.4f, 100), Point(95, 100)});
    expectElement(mapped, 6, Type::CurveTo, {Point(95, 66.7519f), Point(95, 33.5038f), Point(95, 0)});
    expectElement(mapped, 7, Type::LineTo, {Point(100, 5)});
    expectElement(mapped, 8, Type::CurveTo, {Point(66.9962f, 5), Point(33.7444f, 5), Point(0, 5)});
    expectElement(mapped, 9, Type::CurveTo, {Point(0, 1.7f), Point(0, -1.6f), Point(0, -5)});
}

TEST(TDBezierPathMapping, StartAndEndPlaceTheShapeOnAStretch)
{
    TDBezierPath target = polyline({Point(0, 0), Point(100, 0)});
    const TDBezierPath mapped = unitBox().mappedToPath(target, 10, 0.25f, 0.75f);
    ASSERT_EQ(mapped.elementCount(), 6);
    expectElement(mapped, 0, Type::MoveTo, {Point(25, -5)});
    expectElement(mapped, 1, Type::CurveTo, {Point(41.5f, -5), Point(58, -5), Point(75, -5)});
    expectElement(mapped, 3, Type::CurveTo, {Point(58.5f, 5), Point(42, 5), Point(25, 5)});
    EXPECT_EQ(target.pressure(), nullptr);
}

TEST(TDBezierPathMapping, PressureWidensTheStrokeOnlyWhileMapping)
{
    TDBezierPath target = polyline({Point(0, 0), Point(100, 0)});
    const Doubled doubled;
    const TDBezierPath mapped = unitBox().mappedToPath(target, 10, &doubled);
    expectElement(mapped, 0, Type::MoveTo, {Point(0, -10)});
    expectElement(mapped, 2, Type::CurveTo, {Point(100, -3.4f), Point(100, 3.2f), Point(100, 10)});
    EXPECT_EQ(target.pressure(), nullptr);
}

TEST(TDBezierPathMapping, DegenerateShapeElements)
{
    TDBezierPath target = polyline({Point(0, 0), Point(100, 0)});
    TDBezierPath shape = polyline({Point(0.2f, 0), Point(0.2f, 0), Point(0.6f, 0)});
    EXPECT_EQ(typesOf(shape.mappedToPath(target, 10)), (std::vector<Type>{Type::MoveTo, Type::CurveTo}));
    // A close whose closing line has no length appends only the close.
    TDBezierPath loop = polyline({Point(0.2f, 0), Point(0.6f, 0), Point(0.2f, 0)});
    loop.close();
    EXPECT_EQ(typesOf(loop.mappedToPath(target, 10)),
              (std::vector<Type>{Type::MoveTo, Type::CurveTo, Type::CurveTo, Type::ClosePath}));
    EXPECT_EQ(TDBezierPath().mappedToPath(target, 10).elementCount(), 0);
}

// Mapping onto a target without length, or one whose direction vanishes
// somewhere, used to divide by zero lengths and tangents.
TEST(TDBezierPathMapping, DegenerateTargetsNeverGiveNaN)
{
    TDBezierPath dot;
    dot.moveTo(Point(5, 5));
    TDBezierPath zeroLines = polyline({Point(5, 5), Point(5, 5), Point(5, 5)});
    TDBezierPath empty;
    for (TDBezierPath *target : {&dot, &zeroLines, &empty})
        EXPECT_EQ(unitBox().mappedToPath(*target, 10).elementCount(), 0);

    // A zero-length line between two lines, a curve whose handles sit on its
    // ends, and a curve that stops dead in its middle (a cusp).
    TDBezierPath stalls = polyline({Point(0, 0), Point(50, 0), Point(50, 0), Point(50, 50)});
    stalls.curveTo(Point(100, 50), Point(50, 50), Point(100, 50));
    stalls.curveTo(Point(150, 50), Point(150, 100), Point(100, 100));
    stalls.lineTo(Point(100, 100));
    TDBezierPath shape = unitBox();
    shape.moveTo(Point(0, 0));
    shape.curveTo(Point(1, 0), Point(0.3f, 0.4f), Point(0.6f, -0.4f));
    const TDBezierPath mapped = shape.mappedToPath(stalls, 10);
    EXPECT_GT(mapped.elementCount(), 8);
    EXPECT_TRUE(finitePath(mapped));
}

TEST(TDBezierPathMapping, RandomShapesOnRandomTargetsStayFinite)
{
    std::mt19937 random(17);
    std::uniform_real_distribution<float> along(-0.1f, 1.1f);
    std::uniform_real_distribution<float> across(-0.5f, 0.5f);
    for (int round = 0; round < 25; ++round) {
        TDBezierPath target = randomPath(random, 8);
        TDBezierPath shape;
        shape.moveTo(Point(along(random), across(random)));
        for (int i = 0; i < 6; ++i) {
            if (i % 2)
                shape.lineTo(Point(along(random), across(random)));
            else
                shape.curveTo(Point(along(random), across(random)), Point(along(random), across(random)),
                              Point(along(random), across(random)));
        }
        shape.close();
        const TDBezierPath mapped = shape.mappedToPath(target, 6);
        EXPECT_TRUE(finitePath(mapped)) << "round " << round;
        EXPECT_EQ(mapped.elements().front().type, Type::MoveTo);
        EXPECT_EQ(mapped.elements().back().type, Type::ClosePath);
    }
}
