#include "EngineTestSupport.h"

#include "geometry/CommandPath.h"
#include "geometry/PathEvaluators.h"
#include "geometry/PolyGraph.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace scrivane {
namespace {

bool allFinite(const CommandPath &p)
{
    for (const PolylinePoint &q : p.points()) {
        if (!std::isfinite(q.x) || !std::isfinite(q.y) || !std::isfinite(q.t))
            return false;
    }
    return true;
}

TEST(Flatten, ClosedSquareWithBackDataFillsFourEdges)
{
    CommandPath p = test::pathOf({test::rect(0, 0, 10, 10)});
    p.convertToPolylineBack(1.0f);
    ASSERT_EQ(p.pointCount(), 5);
    EXPECT_EQ(p.point(4).x, 0.0f);
    EXPECT_EQ(p.point(4).command, 4);
    EXPECT_EQ(p.point(4).t, 1.0f);
    PolyGraph g;
    p.fill(&g, 0, false, true, false);
    EXPECT_EQ(g.edgeCount(), 4);
    EXPECT_TRUE(g.isEulerian(true));
    EXPECT_EQ(g.edge(3).end, 0) << "the last edge is re-attached to the first point";
    EXPECT_EQ(g.backData(3).piece, 4);
}

TEST(Flatten, SingleMovetoGivesOnePointAndNoEdge)
{
    CommandPath p;
    p.moveTo(1, 1);
    p.convertToPolylineBack(1.0f);
    EXPECT_EQ(p.pointCount(), 1);
    PolyGraph g;
    p.fill(&g, 0, false, true, false);
    EXPECT_EQ(g.edgeCount(), 0);
}

TEST(Flatten, OpenPolylineIsClosedWithBackDataOfTheMoveto)
{
    CommandPath p;
    p.moveTo(0, 0);
    p.lineTo(5, 0);
    p.lineTo(5, 5);
    p.convertToPolylineBack(1.0f);
    PolyGraph g;
    p.fill(&g, 3, false, true, false);
    ASSERT_EQ(g.edgeCount(), 3);
    EXPECT_EQ(g.backData(2).pathId, 3);
    EXPECT_EQ(g.backData(2).piece, 0);
    EXPECT_EQ(g.backData(2).tStart, 0.0f);
    EXPECT_EQ(g.backData(2).tEnd, 1.0f);
}

TEST(Flatten, CubicsSubdivideByFlatness)
{
    CommandPath straight;
    straight.moveTo(0, 0);
    straight.cubicTo(30, 0, 30, 0, 30, 0);
    straight.convertToPolylineBack(1.0f);
    EXPECT_EQ(straight.pointCount(), 2);

    // A quarter circle of radius 100.
    const float k = 100 * 0.5523f * 3;
    CommandPath quarter;
    quarter.moveTo(100, 0);
    quarter.cubicTo(0, 100, 0, k, -k, 0);
    quarter.convertToPolylineBack(1.0f);
    EXPECT_GT(quarter.pointCount(), 2);
    for (int i = 1; i + 1 < quarter.pointCount(); ++i) {
        const float t = quarter.point(i).t * 256;
        EXPECT_EQ(t, std::round(t)) << "interior parameters are dyadic";
        EXPECT_NEAR(std::hypot(quarter.point(i).x, quarter.point(i).y), 100.0, 1.0);
    }
}

TEST(Flatten, ArcsStepByATenthOfARadian)
{
    CommandPath half;
    half.moveTo(10, 0);
    half.arcTo(-10, 0, 10, 10, 0, false, false);
    half.convertToPolylineBack(1.0f);
    EXPECT_EQ(half.pointCount(), 2 + 31); // ends plus the points inside pi
    CommandPath tiny;
    tiny.moveTo(0, 0);
    tiny.arcTo(1, 0, 0.0001f, 0.0001f, 0, false, false);
    tiny.convertToPolylineBack(1.0f);
    EXPECT_EQ(tiny.pointCount(), 2);
}

TEST(Flatten, LinesAreSplitAtFourTolerances)
{
    CommandPath p;
    p.moveTo(0, 0);
    p.lineTo(10, 0);
    p.convertToPolyline(1.0f);
    ASSERT_EQ(p.pointCount(), 4);
    EXPECT_EQ(p.point(1).x, 4.0f);
    EXPECT_EQ(p.point(2).x, 8.0f);
    EXPECT_EQ(p.command(1).associatedPoint, 3);
}

TEST(Flatten, NearlyRepeatedPointsGetNoEdge)
{
    CommandPath p;
    p.addPointPlain(0, 0, true);
    p.addPointPlain(0.000005f, 0.000005f, false);
    p.addPointPlain(5, 0, false);
    p.addPointPlain(0, 5, false);
    PolyGraph g;
    p.fill(&g, 0, false, true, false);
    EXPECT_EQ(g.edgeCount(), 3);
}

// Mended: a tolerance of zero or less, or one that is not a number, and arcs
// without a chord or a radius neither loop nor produce NaN.
TEST(Flatten, DegenerateTolerancesAndArcsStayFiniteAndBounded)
{
    for (float tolerance : {0.0f, -1.0f, std::numeric_limits<float>::quiet_NaN(), 1e-30f}) {
        CommandPath p;
        p.moveTo(0, 0);
        p.lineTo(1000, 0);
        p.cubicTo(0, 100, 0, 300, 0, 300);
        p.arcTo(0, 0, 5, 5, 0, true, true);        // ends where it starts
        p.arcTo(10, 10, 0, 0, 0, false, false);    // zero radius
        p.arcTo(20, 20, std::numeric_limits<float>::quiet_NaN(), 3, 0, false, false);
        p.close();
        p.convertToPolyline(tolerance);
        EXPECT_TRUE(allFinite(p)) << tolerance;
        EXPECT_LT(p.pointCount(), 2 * 65536 + 300) << tolerance; // two straight commands
        p.convertToPolylineBack(tolerance);
        EXPECT_TRUE(allFinite(p)) << tolerance;
        EXPECT_LE(p.pointCount(), 300) << tolerance;
    }
}

TEST(Flatten, ArcCentreSidesFollowTheFlags)
{
    const EnginePoint start{0, 0};
    auto centreOf = [&](bool large, bool clockwise) {
        EnginePoint c;
        float a0, a1;
        EXPECT_TRUE(arcCentreAndAngles(start, {{10, 0}, 8, 8, 0, large, clockwise}, true, c, a0, a1));
        return c;
    };
    const EnginePoint bothClear = centreOf(false, false), largeOnly = centreOf(true, false);
    EXPECT_GT(bothClear.y * largeOnly.y, -1e30f);
    EXPECT_LT(bothClear.y * largeOnly.y, 0.0f) << "flipping the large-arc flag moves the centre across the chord";
}

// Mended: pointAt on a moveto followed by a close resolves without bouncing
// between the two.
TEST(Flatten, PointEvaluationOnEveryKind)
{
    CommandPath p;
    p.moveTo(0, 0);
    p.lineTo(10, 0);
    p.cubicTo(10, 10, 0, 30, 0, 30);
    p.bezierTo(0, 20);
    p.intermBezierTo(5, 15);
    p.intermBezierTo(0, 15);
    p.close();
    p.forcePoint();
    EXPECT_EQ(p.pointAt(1, 0.5f).x, 5.0f);
    EXPECT_NEAR(p.pointAt(2, 1.0f).y, 10.0f, 1e-5);
    EXPECT_EQ(p.pointAt(0, 0.3f).x, 0.0f) << "a moveto answers for the start of its next command";
    const EnginePoint q = p.pointAt(3, 0.0f);
    EXPECT_NEAR(q.x, 10.0f, 1e-5);
    EXPECT_EQ(p.pointAt(99, 0.5f).x, 0.0f);
    CommandPath lone;
    lone.moveTo(4, 4);
    lone.close();
    EXPECT_EQ(lone.pointAt(1, 0.5f).x, 4.0f);
    EXPECT_EQ(lone.pointAt(0, 0.5f).x, 4.0f);
    const CurveSample s = tangentOnCubicAt(0.0f, {0, 0}, {10, 0}, {0, 0}, {0, 0}, false);
    EXPECT_TRUE(std::isfinite(s.tangent.x));
}

} // namespace
} // namespace scrivane
