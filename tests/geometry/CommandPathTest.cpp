#include "geometry/CommandPath.h"
#include "geometry/PolyGraph.h"

#include <gtest/gtest.h>

namespace scrivane {
namespace {

TEST(CommandPath, LineToOnAnEmptyPathStartsASubpath)
{
    CommandPath p;
    EXPECT_EQ(p.lineTo(1, 2), 0);
    EXPECT_EQ(p.command(0).type(), kPathMoveTo);
    EXPECT_TRUE(p.flags() & CommandPath::kSubpathOpen);
    EXPECT_EQ(p.lineTo(3, 4), 1);
    EXPECT_EQ(p.command(1).type(), kPathLineTo);
    EXPECT_EQ(p.command(1).associatedPoint, -1);
    EXPECT_EQ(p.command(1).tStart, 0.0f);
    EXPECT_EQ(p.command(1).tEnd, 1.0f);
}

TEST(CommandPath, SubpathLengthsAreRecorded)
{
    CommandPath p;
    p.moveTo(0, 0);
    p.lineTo(1, 0);
    p.lineTo(1, 1);
    EXPECT_EQ(p.close(), 3);
    EXPECT_EQ(p.command(0).count, 4);
    EXPECT_EQ(p.close(), -1) << "no subpath is open";

    CommandPath q;
    q.moveTo(0, 0);
    q.lineTo(1, 0);
    q.moveTo(5, 5);
    EXPECT_EQ(q.command(0).count, 2);
    EXPECT_EQ(q.pendingMoveTo(), 2);
}

TEST(CommandPath, MultiPointBezierCollectsItsIntermediatePoints)
{
    CommandPath p;
    p.moveTo(0, 0);
    const int b = p.bezierTo(10, 0);
    p.intermBezierTo(2, 5);
    p.intermBezierTo(8, 5);
    p.lineTo(20, 0);
    ASSERT_EQ(p.commandCount(), 5);
    EXPECT_EQ(p.command(b).count, 2);
    EXPECT_EQ(p.command(b).x, 10.0f);
    EXPECT_EQ(p.command(b + 1).type(), kPathIntermediatePoint);
    EXPECT_EQ(p.command(4).type(), kPathLineTo);
    EXPECT_EQ(p.pendingBezier(), -1);
}

TEST(CommandPath, DelayedBezierIsEndedOrDropped)
{
    CommandPath p;
    p.moveTo(0, 0);
    const int b = p.delayedBezierTo();
    p.intermBezierTo(3, 3);
    p.endBezier(6, 0);
    EXPECT_EQ(p.command(b).x, 6.0f);
    EXPECT_EQ(p.commandCount(), 3);

    CommandPath q;
    q.moveTo(0, 0);
    q.delayedBezierTo();
    q.intermBezierTo(3, 3);
    EXPECT_EQ(q.finishBezier(), -1);
    EXPECT_EQ(q.commandCount(), 1);

    CommandPath r;
    r.moveTo(0, 0);
    r.bezierTo(4, 4);
    r.intermBezierTo(1, 3);
    r.close();
    ASSERT_EQ(r.commandCount(), 2) << "close drops the open bezier";
    EXPECT_EQ(r.command(1).type(), kPathClose);
}

TEST(CommandPath, PolylinePointsDropExactRepeats)
{
    CommandPath p;
    EXPECT_EQ(p.addPointPlain(3, 4, false), 0);
    EXPECT_EQ(p.addPointPlain(3, 4, false), -1);
    EXPECT_EQ(p.addPointPlain(3, 4, true), 1);
    EXPECT_EQ(p.addForcedPoint(), -1) << "a moveto point is not repeated";
    p.setBackData(true);
    EXPECT_EQ(p.pointCount(), 0) << "switching the layout empties the polyline";
    p.addPointBack(1, 1, 7, 0.5f, false);
    EXPECT_EQ(p.addForcedPoint(), 1);
    EXPECT_EQ(p.point(1).kind, kPolylineForced);
    EXPECT_EQ(p.point(1).command, 7);
    EXPECT_EQ(p.point(1).t, 0.5f);
}

TEST(CommandPath, ArcAndCubicPayloads)
{
    CommandPath p;
    p.moveTo(0, 0);
    p.cubicTo(3, 0, 1, 2, 1, -2);
    p.arcTo(6, 0, 1.5f, 1.5f, 0.25f, true, false);
    EXPECT_EQ(p.command(1).startTangentY, 2.0f);
    EXPECT_EQ(p.command(1).endTangentY, -2.0f);
    EXPECT_EQ(p.command(2).radiusX, 1.5f);
    EXPECT_TRUE(p.command(2).largeArc);
    EXPECT_FALSE(p.command(2).clockwise);
    p.lineToWeighted(7, 7, 0.5f);
    EXPECT_TRUE(p.command(3).weighted());
    EXPECT_EQ(p.command(3).weight, 0.5f);
}

} // namespace
} // namespace scrivane
