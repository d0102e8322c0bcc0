// Curve re-fitting: runs of commands become few cubics within the
// threshold, what must stay stays, and a distance oracle on random walks.

#include "EngineTestSupport.h"

#include "geometry/CommandPath.h"
#include "geometry/PathPipelines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace scrivane {
namespace {

using test::polylinesOf;

int countOf(const CommandPath &p, int type)
{
    int n = 0;
    for (const PathCommand &c : p.commands())
        n += c.type() == type;
    return n;
}

TEST(Refit, ShortPathsAndUnusableThresholdsStayAsTheyAre)
{
    CommandPath two;
    two.moveTo(0, 0);
    two.lineTo(5, 5);
    two.coalesce(1.0f);
    EXPECT_EQ(two.commandCount(), 2);
    EXPECT_EQ(two.pointCount(), 0) << "not even flattened";

    for (const float threshold : {0.0f, -1.0f, std::nanf(""), INFINITY}) {
        CommandPath p;
        p.moveTo(0, 0);
        p.lineTo(10, 0);
        p.lineTo(20, 0);
        p.lineTo(30, 0);
        EXPECT_FALSE(refitCommandPath(p, threshold)) << threshold;
        EXPECT_EQ(p.commandCount(), 4) << threshold;
        EXPECT_EQ(p.command(1).type(), kPathLineTo);
    }
}

TEST(Refit, AStraightRunBecomesOneCubicAlongTheLine)
{
    CommandPath p;
    p.moveTo(0, 0);
    for (int i = 1; i <= 10; ++i)
        p.lineTo(float(5 * i), 0);
    p.coalesce(0.5f);
    ASSERT_EQ(p.commandCount(), 2);
    const PathCommand &c = p.command(1);
    EXPECT_EQ(c.type(), kPathCubicTo);
    EXPECT_FLOAT_EQ(c.x, 50);
    EXPECT_NEAR(c.y, 0, 1e-4);
    EXPECT_GT(c.startTangentX, 0);
    EXPECT_NEAR(c.startTangentY, 0, 1e-3);
    EXPECT_GT(c.endTangentX, 0);
    EXPECT_NEAR(c.endTangentY, 0, 1e-3);
}

TEST(Refit, CornersClosesMovesAndBeziersStay)
{
    CommandPath p;
    p.moveTo(0, 0);
    p.lineTo(10, 0);
    p.lineTo(20, 0);
    p.forcePoint();
    p.lineTo(20, 10);
    p.lineTo(20, 20);
    p.close();
    p.moveTo(100, 100);
    p.bezierTo(120, 100);
    p.intermBezierTo(105, 110);
    p.intermBezierTo(115, 110);
    p.finishBezier();
    p.coalesce(1.0f);
    // The corner at (20, 0) holds: one cubic up to it, one after it.
    ASSERT_GE(p.commandCount(), 4);
    EXPECT_EQ(p.command(0).type(), kPathMoveTo);
    EXPECT_EQ(p.command(1).type(), kPathCubicTo);
    EXPECT_FLOAT_EQ(p.command(1).x, 20);
    EXPECT_FLOAT_EQ(p.command(1).y, 0);
    EXPECT_EQ(countOf(p, kPathClose), 1);
    EXPECT_EQ(countOf(p, kPathMoveTo), 2);
    EXPECT_EQ(countOf(p, kPathBezierTo), 1);
    EXPECT_EQ(countOf(p, kPathIntermediatePoint), 2);
    EXPECT_EQ(countOf(p, kPathForcedPoint), 0);
}

TEST(Refit, FitsOfFewPoints)
{
    CommandPath p;
    p.setBackData(false);
    p.addPointPlain(0, 0, true);
    p.addPointPlain(3, 4, false);
    p.addPointPlain(6, 0, false);
    p.addPointPlain(6, 0.0f, false);
    CommandPath::CubicFit fit;
    // Two points: the straight cubic.
    ASSERT_TRUE(p.fitCubicToPoints(0, 1, 1.0f, fit));
    EXPECT_FLOAT_EQ(fit.end.x, 3);
    EXPECT_FLOAT_EQ(fit.startTangent.x, 3);
    EXPECT_FLOAT_EQ(fit.startTangent.y, 4);
    EXPECT_FLOAT_EQ(fit.endTangent.x, 3);
    EXPECT_FLOAT_EQ(fit.endTangent.y, 4);
    // Three points: a sharp corner is no curve within a small threshold.
    EXPECT_FALSE(p.fitCubicToPoints(0, 2, 0.5f, fit));
    EXPECT_TRUE(p.fitCubicToPoints(0, 2, 10.0f, fit));
    // Points that do not span a length.
    CommandPath same;
    for (int i = 0; i < 5; ++i)
        same.addPointPlain(2, 2, i == 0);
    EXPECT_EQ(same.pointCount(), 1) << "the point store drops repeats";
    CommandPath q;
    q.addPointPlain(1, 1, true);
    q.addPointPlain(1, 1, true);
    q.addPointPlain(1, 1, true);
    q.addPointPlain(1, 1, true);
    EXPECT_FALSE(q.fitCubicToPoints(0, 3, 1.0f, fit));
}

TEST(Refit, NewtonStepMovesTowardTheNearestPoint)
{
    const EnginePoint cubic[4] = {{0, 0}, {10, 20}, {20, 20}, {30, 0}};
    float u = 0.2f;
    for (int i = 0; i < 6; ++i)
        u = nearestParameterStep({15, 15}, cubic, u);
    EXPECT_NEAR(u, 0.5f, 1e-4);
    // Where the step is undefined, the parameter stays.
    const EnginePoint flat[4] = {{1, 1}, {1, 1}, {1, 1}, {1, 1}};
    EXPECT_EQ(nearestParameterStep({5, 5}, flat, 0.3f), 0.3f);
}

// Random walks of many short lines, as a freehand stroke gives: the fit
// stays within the threshold of the walk, and the walk within it of the fit.
TEST(Refit, FitFollowsRandomWalksWithinTheThreshold)
{
    std::mt19937 rng(99);
    std::normal_distribution<float> step(0.0f, 2.0f);
    for (int round = 0; round < 20; ++round) {
        const float threshold = round % 2 ? 0.75f : 3.0f;
        CommandPath walk;
        float x = 0, y = 0, dx = 1, dy = 0;
        walk.moveTo(x, y);
        for (int i = 0; i < 200; ++i) {
            dx += 0.3f * step(rng);
            dy += 0.3f * step(rng);
            const float l = std::hypot(dx, dy);
            dx /= l;
            dy /= l;
            x += 2 * dx;
            y += 2 * dy;
            walk.lineTo(x, y);
        }
        CommandPath fitted = walk;
        fitted.coalesce(threshold);
        EXPECT_LT(fitted.commandCount(), walk.commandCount() / 2) << round;
        const auto walkLines = polylinesOf(walk), fitLines = polylinesOf(fitted, 0.01f);
        double worst = 0;
        for (const auto &pt : walkLines[0])
            worst = std::max(worst, test::distanceToPolylines(fitLines, pt.first, pt.second));
        for (const auto &pt : fitLines[0])
            worst = std::max(worst, test::distanceToPolylines(walkLines, pt.first, pt.second));
        EXPECT_LE(worst, 1.5 * threshold) << round;
    }
}

TEST(Refit, PolylineSimplification)
{
    CommandPath p;
    for (int i = 0; i <= 40; ++i) {
        const double a = i * 2 * 3.14159265358979 / 40;
        p.addPointPlain(float(50 * std::cos(a)), float(50 * std::sin(a)), i == 0);
    }
    p.addPointPlain(200, 200, true);
    p.addPointPlain(210, 200, false);
    p.simplifyPolyline(0.5f);
    EXPECT_EQ(countOf(p, kPathMoveTo), 2);
    EXPECT_EQ(countOf(p, kPathClose), 1) << "the circle ends where it began";
    EXPECT_LT(p.commandCount(), 12);
    const auto lines = polylinesOf(p, 0.01f);
    for (int i = 0; i < 40; ++i) {
        const double a = (i + 0.5) * 2 * 3.14159265358979 / 40;
        EXPECT_LT(std::fabs(test::distanceToPolylines(lines, 50 * std::cos(a), 50 * std::sin(a))), 1.0);
    }
}

} // namespace
} // namespace scrivane
