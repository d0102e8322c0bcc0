#include "platform/PathBase.h"

#include "PathBaseTestSupport.h"

#include <cairo.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace scrivane;
using namespace scrivane::test;

namespace {

Point cubicAt(Point p0, Point p1, Point p2, Point p3, double t)
{
    const double u = 1 - t;
    const double b0 = u * u * u, b1 = 3 * u * u * t, b2 = 3 * u * t * t, b3 = t * t * t;
    return Point(static_cast<float>(b0 * p0.x + b1 * p1.x + b2 * p2.x + b3 * p3.x),
                 static_cast<float>(b0 * p0.y + b1 * p1.y + b2 * p2.y + b3 * p3.y));
}

double distanceToSegment(Point p, Point a, Point b)
{
    const double dx = double(b.x) - a.x, dy = double(b.y) - a.y;
    const double l2 = dx * dx + dy * dy;
    const double t = l2 > 0 ? std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / l2, 0.0, 1.0) : 0.0;
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

// Records what the base reports to subclasses.
class RecordingPath : public PathBase {
public:
    struct Call {
        ElementChange change;
        int index;
        int countAfter;
    };
    std::vector<Call> calls;

protected:
    void elementsDidChange(ElementChange change, int index) override
    {
        calls.push_back({change, index, elementCount()});
    }

public:
    using PathBase::ElementChange;
};

// The signed angle swept by an arc built on an empty path, read back from
// the curve end points (each curve spans at most 90 degrees).
double sweptDegrees(const PathBase &path, Point centre)
{
    double total = 0;
    Point previous;
    path.elementAtIndex(0, &previous);
    for (int i = 1; i < path.elementCount(); ++i) {
        Point pts[3];
        EXPECT_EQ(path.elementAtIndex(i, pts), Type::CurveTo);
        const double a0 = std::atan2(previous.y - centre.y, previous.x - centre.x);
        const double a1 = std::atan2(pts[2].y - centre.y, pts[2].x - centre.x);
        double step = (a1 - a0) * 180 / M_PI;
        while (step > 180)
            step -= 360;
        while (step < -180)
            step += 360;
        if (std::abs(std::abs(step) - 180) < 1e-3) // a half turn in one piece cannot happen
            ADD_FAILURE() << "curve spans half a turn";
        total += step;
        previous = pts[2];
    }
    return total;
}

} // namespace

TEST(PathBase, ElementsAndTheirPoints)
{
    PathBase path;
    EXPECT_TRUE(path.isEmpty());
    EXPECT_EQ(path.currentPoint(), Point(0, 0));
    path.moveTo(Point(1, 2));
    path.lineTo(Point(3, 4));
    path.curveTo(Point(9, 9), Point(5, 6), Point(7, 8));
    path.close();
    ASSERT_EQ(path.elementCount(), 4);
    const auto seen = elementsOf(path);
    EXPECT_EQ(seen[0].points, std::vector<Point>{Point(1, 2)});
    EXPECT_EQ(seen[1].points, std::vector<Point>{Point(3, 4)});
    EXPECT_EQ(seen[2].type, Type::CurveTo);
    EXPECT_EQ(seen[2].points, (std::vector<Point>{Point(5, 6), Point(7, 8), Point(9, 9)}));
    EXPECT_EQ(seen[3].type, Type::ClosePath);
    EXPECT_EQ(path.currentPoint(), Point(1, 2)) << "after a close the subpath's start";

    Point untouched[3] = {Point(-1, -1), Point(-1, -1), Point(-1, -1)};
    EXPECT_EQ(path.elementAtIndex(4, untouched), Type::ClosePath);
    EXPECT_EQ(path.elementAtIndex(-1, untouched), Type::ClosePath);
    EXPECT_EQ(untouched[0], Point(-1, -1));

    const Point replacement[3] = {Point(0, 0), Point(1, 1), Point(2, 2)};
    path.setAssociatedPoints(replacement, 2);
    EXPECT_EQ(elementsOf(path)[2].points, (std::vector<Point>{Point(0, 0), Point(1, 1), Point(2, 2)}));
    path.setAssociatedPoints(replacement, 1);
    EXPECT_EQ(elementsOf(path)[1].points, std::vector<Point>{Point(0, 0)});
    path.setAssociatedPoints(replacement, 17); // ignored
    EXPECT_EQ(path.elementCount(), 4);
}

TEST(PathBase, SameElementsComparesKindsAndPointsNotAttributes)
{
    const PathBase rect = PathBase::withRect(Rect{0, 0, 10, 5});
    PathBase evenOdd = rect;
    evenOdd.setWindingRule(WindingRule::EvenOdd);
    EXPECT_TRUE(rect.sameElements(evenOdd));

    PathBase moved = PathBase::withRect(Rect{0, 0, 10, 6});
    EXPECT_FALSE(rect.sameElements(moved));

    PathBase open = rect;
    open.lineTo(Point{1, 1});
    EXPECT_FALSE(rect.sameElements(open));
    EXPECT_TRUE(PathBase().sameElements(PathBase()));
}

TEST(PathBase, DrawingAfterACloseStartsANewSubpathAtTheOldStart)
{
    PathBase path;
    path.moveTo(Point(1, 1));
    path.lineTo(Point(5, 1));
    path.close();
    path.close(); // a second close adds nothing
    path.lineTo(Point(5, 5));
    EXPECT_EQ(typesOf(path),
              (std::vector<Type>{Type::MoveTo, Type::LineTo, Type::ClosePath, Type::MoveTo, Type::LineTo}));
    EXPECT_EQ(elementsOf(path)[3].points, std::vector<Point>{Point(1, 1)});
    path.close();
    path.relativeLineTo(Point(0, -1));
    EXPECT_EQ(elementsOf(path).back().points, std::vector<Point>{Point(1, 0)});
}

TEST(PathBase, DrawingOnAnEmptyPathFirstMoves)
{
    PathBase line;
    line.lineTo(Point(3, 4));
    EXPECT_EQ(typesOf(line), std::vector<Type>{Type::MoveTo});
    EXPECT_EQ(line.currentPoint(), Point(3, 4));

    PathBase curve;
    curve.curveTo(Point(9, 0), Point(1, 2), Point(8, 2));
    EXPECT_EQ(typesOf(curve), (std::vector<Type>{Type::MoveTo, Type::CurveTo}));
    EXPECT_EQ(elementsOf(curve)[0].points, std::vector<Point>{Point(1, 2)});

    PathBase relative;
    relative.relativeMoveTo(Point(2, 3));
    relative.relativeLineTo(Point(1, 1));
    relative.relativeCurveTo(Point(2, 0), Point(1, 0), Point(2, 1));
    EXPECT_EQ(elementsOf(relative)[0].points, std::vector<Point>{Point(2, 3)});
    EXPECT_EQ(elementsOf(relative)[1].points, std::vector<Point>{Point(3, 4)});
    EXPECT_EQ(elementsOf(relative)[2].points, (std::vector<Point>{Point(4, 4), Point(5, 5), Point(5, 4)}));

    PathBase closed;
    closed.close();
    EXPECT_TRUE(closed.isEmpty());
}

TEST(PathBase, SubclassesHearOfEveryMutationOnce)
{
    using Change = RecordingPath::ElementChange;
    RecordingPath path;
    path.moveTo(Point(0, 0));
    path.lineTo(Point(1, 0));
    path.appendRect(Rect(0, 0, 2, 2));
    path.close(); // the rectangle is closed already: nothing happens, nothing is reported
    path.appendOvalInRect(Rect(0, 0, 1, 1));
    const Point p(3, 3);
    path.setAssociatedPoints(&p, 1);
    path.transform(AffineTransform::makeScale(2, 2));
    path.appendPath(path);
    path.removeAllPoints();
    ASSERT_EQ(path.calls.size(), 8u);
    const std::vector<std::pair<Change, int>> expected = {
        {Change::Appended, 0},  {Change::Appended, 1}, {Change::Appended, 2},  {Change::Appended, 7},
        {Change::PointsSet, 1}, {Change::Rebuilt, 0},  {Change::Appended, 13}, {Change::Cleared, 0},
    };
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(path.calls[i].change, expected[i].first) << i;
        EXPECT_EQ(path.calls[i].index, expected[i].second) << i;
    }
    EXPECT_EQ(path.calls[6].countAfter, 26) << "the hook runs after the elements are in place";
}

TEST(PathBase, RectangleIsAMoveThreeLinesAndAClose)
{
    const PathBase path = PathBase::withRect(Rect(1, 2, 3, 4));
    const auto seen = elementsOf(path);
    ASSERT_EQ(seen.size(), 5u);
    EXPECT_EQ(seen[0].points[0], Point(1, 2));
    EXPECT_EQ(seen[1].points[0], Point(4, 2));
    EXPECT_EQ(seen[2].points[0], Point(4, 6));
    EXPECT_EQ(seen[3].points[0], Point(1, 6));
    EXPECT_EQ(seen[4].type, Type::ClosePath);
    EXPECT_EQ(path.bounds(), Rect(1, 2, 3, 4));
}

TEST(PathBase, OvalFillsItsRectangle)
{
    const Rect r(10, 20, 40, 10);
    const PathBase oval = PathBase::withOvalInRect(r);
    EXPECT_EQ(typesOf(oval), (std::vector<Type>{Type::MoveTo, Type::CurveTo, Type::CurveTo, Type::CurveTo,
                                                Type::CurveTo, Type::ClosePath}));
    EXPECT_EQ(elementsOf(oval)[0].points[0], Point(50, 25));
    EXPECT_EQ(oval.bounds(), r);
    EXPECT_EQ(oval.controlPointBounds(), r);
    // Every curve stays within the kappa approximation's 0.03 % of the ellipse.
    const PathBase circle = PathBase::withOvalInRect(Rect(-100, -100, 200, 200));
    Point start = elementsOf(circle)[0].points[0];
    for (int i = 1; i <= 4; ++i) {
        const auto e = elementsOf(circle)[i];
        for (double t = 0; t <= 1; t += 0.05)
            EXPECT_NEAR(distance(cubicAt(start, e.points[0], e.points[1], e.points[2], t), Point(0, 0)), 100,
                        0.03);
        start = e.points[2];
    }
    // Counter-clockwise: the first quarter runs through the top.
    EXPECT_EQ(elementsOf(circle)[1].points[2], Point(0, 100));
}

TEST(PathBase, ArcSweepIsNormalised)
{
    struct Case {
        float start, end;
        bool clockwise;
        double sweep;
    };
    const Case cases[] = {
        {0, 90, false, 90},   {0, -90, false, 270},  {-90, 0, false, 90},   {180, -90, false, 90},
        {0, 90, true, -270},  {90, 0, true, -90},    {0, -90, true, -90},   {0, 360, false, 360},
        {0, 720, false, 360}, {0, 450, false, 360},  {0, -450, false, 270}, {0, -360, false, 0},
        {0, 450, true, -270}, {0, -800, true, -360}, {30, 30, false, 0},    {30, 30, true, 0},
        {350, 10, false, 20}, {10, 350, true, -20},  {-45, 45, false, 90},  {720, 0, false, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " to " << c.end << (c.clockwise ? " clockwise" : ""));
        PathBase arc;
        const Point centre(5, -5);
        arc.appendArcWithCenter(centre, 2, c.start, c.end, c.clockwise);
        ASSERT_GE(arc.elementCount(), 1);
        EXPECT_EQ(arc.elementAtIndex(0), Type::MoveTo);
        EXPECT_NEAR(sweptDegrees(arc, centre), c.sweep, 1e-3);
        EXPECT_EQ(arc.elementCount() - 1, static_cast<int>(std::ceil(std::abs(c.sweep) / 90 - 1e-9)))
            << "at most 90 degrees per curve, as few curves as that allows";
        Point first;
        arc.elementAtIndex(0, &first);
        EXPECT_NEAR(first.x, centre.x + 2 * std::cos(c.start * M_PI / 180), 1e-5);
        EXPECT_NEAR(first.y, centre.y + 2 * std::sin(c.start * M_PI / 180), 1e-5);
    }
}

TEST(PathBase, ArcCurvesStayOnTheCircle)
{
    PathBase arc;
    arc.appendArcWithCenter(Point(0, 0), 50, 10, 300);
    Point start = elementsOf(arc)[0].points[0];
    for (int i = 1; i < arc.elementCount(); ++i) {
        const auto e = elementsOf(arc)[i];
        for (double t = 0; t <= 1; t += 0.1)
            EXPECT_NEAR(distance(cubicAt(start, e.points[0], e.points[1], e.points[2], t), Point(0, 0)), 50,
                        0.02);
        start = e.points[2];
    }
}

TEST(PathBase, QuarterArcsOfARoundedCornerAreExact)
{
    PathBase path;
    path.appendArcWithCenter(Point(2, 2), 2, 180, -90);
    const auto seen = elementsOf(path);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].points[0], Point(0, 2));
    EXPECT_EQ(seen[1].points[2], Point(2, 0));
    // On a path with a current point, the arc is joined by a line.
    path.appendArcWithCenter(Point(8, 2), 2, -90, 0);
    EXPECT_EQ(typesOf(path), (std::vector<Type>{Type::MoveTo, Type::CurveTo, Type::LineTo, Type::CurveTo}));
    EXPECT_EQ(elementsOf(path)[2].points[0], Point(8, 0));
    EXPECT_EQ(elementsOf(path)[3].points[2], Point(10, 2));
}

TEST(PathBase, NonFiniteArcsAppendNothing)
{
    PathBase path;
    path.appendArcWithCenter(Point(0, 0), NAN, 0, 90);
    path.appendArcWithCenter(Point(0, INFINITY), 1, 0, 90);
    path.appendArcWithCenter(Point(0, 0), 1, 0, INFINITY);
    EXPECT_TRUE(path.isEmpty());
    path.appendArcWithCenter(Point(0, 0), 1, 1e30f, -1e30f); // huge but finite: no endless normalising
    EXPECT_FALSE(path.isEmpty());
}

TEST(PathBase, ArcFromPointRoundsTheCorner)
{
    PathBase path;
    path.moveTo(Point(0, 0));
    path.appendArcFromPoint(Point(10, 0), Point(10, 10), 2);
    const auto seen = elementsOf(path);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[1].type, Type::LineTo);
    EXPECT_NEAR(seen[1].points[0].x, 8, 1e-5);
    EXPECT_NEAR(seen[1].points[0].y, 0, 1e-5);
    ASSERT_EQ(seen[2].type, Type::CurveTo);
    EXPECT_NEAR(seen[2].points[2].x, 10, 1e-5);
    EXPECT_NEAR(seen[2].points[2].y, 2, 1e-5);
    for (double t = 0; t <= 1; t += 0.25)
        EXPECT_NEAR(
            distance(cubicAt(seen[1].points[0], seen[2].points[0], seen[2].points[1], seen[2].points[2], t),
                     Point(8, 2)),
            2, 1e-3);

    // Turning right runs the arc clockwise.
    PathBase right;
    right.moveTo(Point(0, 0));
    right.appendArcFromPoint(Point(10, 0), Point(10, -10), 2);
    EXPECT_NEAR(elementsOf(right).back().points[2].y, -2, 1e-5);

    PathBase straight;
    straight.moveTo(Point(0, 0));
    straight.appendArcFromPoint(Point(5, 0), Point(10, 0), 2);
    EXPECT_EQ(typesOf(straight), (std::vector<Type>{Type::MoveTo, Type::LineTo}));
    EXPECT_EQ(elementsOf(straight)[1].points[0], Point(5, 0));

    PathBase empty;
    empty.appendArcFromPoint(Point(5, 0), Point(5, 5), 1);
    EXPECT_EQ(typesOf(empty), std::vector<Type>{Type::MoveTo});
}

TEST(PathBase, AppendPointsMovesOnlyOnAnEmptyPath)
{
    const Point points[] = {Point(0, 0), Point(1, 0), Point(1, 1)};
    PathBase path;
    path.appendPoints(points);
    EXPECT_EQ(typesOf(path), (std::vector<Type>{Type::MoveTo, Type::LineTo, Type::LineTo}));
    path.appendPoints(points);
    EXPECT_EQ(path.elementCount(), 6);
    EXPECT_EQ(path.elementAtIndex(3), Type::LineTo);
    path.appendPoints({});
    EXPECT_EQ(path.elementCount(), 6);
}

TEST(PathBase, FlatteningStaysWithinTheFlatness)
{
    const Point p0(0, 0), c1(0, 100), c2(150, -80), p3(100, 20);
    for (float flatness : {10.0f, 0.6f, 0.1f, 0.01f}) {
        SCOPED_TRACE(flatness);
        PathBase path;
        path.moveTo(p0);
        path.curveTo(p3, c1, c2);
        path.close();
        path.setLineWidth(3);
        const PathBase flat = path.flattened(flatness);
        EXPECT_EQ(flat.lineWidth(), 3) << "attributes travel with the result";
        const auto seen = elementsOf(flat);
        ASSERT_GE(seen.size(), 3u);
        EXPECT_EQ(seen.front().type, Type::MoveTo);
        EXPECT_EQ(seen.back().type, Type::ClosePath);
        EXPECT_EQ(seen[seen.size() - 2].points[0], p3) << "ends exactly on the curve's end";
        std::vector<Point> polyline;
        for (const ElementView &s : seen) {
            ASSERT_NE(s.type, Type::CurveTo);
            if (s.type != Type::ClosePath)
                polyline.push_back(s.points[0]);
        }
        double worst = 0;
        for (double t = 0; t <= 1; t += 1.0 / 2048) {
            const Point q = cubicAt(p0, c1, c2, p3, t);
            double nearest = INFINITY;
            for (std::size_t i = 1; i < polyline.size(); ++i)
                nearest = std::min(nearest, distanceToSegment(q, polyline[i - 1], polyline[i]));
            worst = std::max(worst, nearest);
        }
        EXPECT_LE(worst, flatness + 1e-4);
        EXPECT_LT(polyline.size(), 2000u);
    }
}

TEST(PathBase, FlatteningWithoutAUsableFlatnessStillEnds)
{
    PathBase path;
    path.moveTo(Point(0, 0));
    path.curveTo(Point(1e6f, 0), Point(0, 1e6f), Point(1e6f, 1e6f));
    for (float flatness : {0.0f, -1.0f, NAN}) {
        const PathBase flat = path.flattened(flatness);
        EXPECT_GT(flat.elementCount(), 2);
        EXPECT_LE(flat.elementCount(), 65538);
    }
    PathBase lines = PathBase::withRect(Rect(0, 0, 1, 1));
    EXPECT_EQ(elementsOf(lines.flattened(0.6f)).size(), elementsOf(lines).size());
}

TEST(PathBase, ReversingWalksBackwardsAndKeepsCloses)
{
    PathBase path;
    path.moveTo(Point(0, 0));
    path.lineTo(Point(10, 0));
    path.curveTo(Point(20, 10), Point(12, 0), Point(20, 5));
    path.moveTo(Point(50, 50));
    path.lineTo(Point(60, 50));
    path.lineTo(Point(60, 60));
    path.close();
    path.setLineJoinStyle(LineJoinStyle::Round);

    const PathBase reversed = path.reversed();
    EXPECT_EQ(reversed.lineJoinStyle(), LineJoinStyle::Round);
    const auto seen = elementsOf(reversed);
    ASSERT_EQ(seen.size(), 7u);
    // The closed subpath comes first, starting where it ended, still closed.
    EXPECT_EQ(seen[0].type, Type::MoveTo);
    EXPECT_EQ(seen[0].points[0], Point(60, 60));
    EXPECT_EQ(seen[1].points[0], Point(60, 50));
    EXPECT_EQ(seen[2].points[0], Point(50, 50));
    EXPECT_EQ(seen[3].type, Type::ClosePath);
    // Then the open one, its curve with the control points swapped.
    EXPECT_EQ(seen[4].points[0], Point(20, 10));
    EXPECT_EQ(seen[5].type, Type::CurveTo);
    EXPECT_EQ(seen[5].points, (std::vector<Point>{Point(20, 5), Point(12, 0), Point(10, 0)}));
    EXPECT_EQ(seen[6].type, Type::LineTo);
    EXPECT_EQ(seen[6].points[0], Point(0, 0));
}

TEST(PathBase, ReversingTwiceGivesTheOpenPathBack)
{
    PathBase path;
    path.moveTo(Point(1, 1));
    path.curveTo(Point(4, 1), Point(2, 3), Point(3, 3));
    path.lineTo(Point(6, 0));
    path.moveTo(Point(9, 9)); // a lone move survives as a subpath of its own
    const PathBase twice = path.reversed().reversed();
    EXPECT_EQ(typesOf(twice), typesOf(path));
    const auto a = elementsOf(path), b = elementsOf(twice);
    for (std::size_t i = 0; i < a.size(); ++i)
        EXPECT_EQ(a[i].points, b[i].points) << i;
    EXPECT_TRUE(PathBase().reversed().isEmpty());
}

TEST(PathBase, TransformMapsControlPointsToo)
{
    PathBase path;
    path.moveTo(Point(1, 1));
    path.curveTo(Point(4, 4), Point(2, 1), Point(3, 4));
    path.close();
    path.transform(AffineTransform(2, 0, 0, 3, 10, 0));
    const auto seen = elementsOf(path);
    EXPECT_EQ(seen[0].points[0], Point(12, 3));
    EXPECT_EQ(seen[1].points, (std::vector<Point>{Point(14, 3), Point(16, 12), Point(18, 12)}));
    EXPECT_EQ(seen[2].type, Type::ClosePath);
}

TEST(PathBase, BoundsFollowTheCurveControlPointBoundsTheHandles)
{
    PathBase path;
    path.moveTo(Point(0, 0));
    path.curveTo(Point(10, 0), Point(0, 10), Point(10, 10));
    const Rect bounds = path.bounds();
    EXPECT_EQ(bounds.origin, Point(0, 0));
    EXPECT_FLOAT_EQ(bounds.width(), 10);
    EXPECT_FLOAT_EQ(bounds.height(), 7.5f);
    EXPECT_EQ(path.controlPointBounds(), Rect(0, 0, 10, 10));
    EXPECT_EQ(PathBase().bounds(), Rect());
    EXPECT_EQ(PathBase().controlPointBounds(), Rect());

    PathBase s;
    s.moveTo(Point(0, 0));
    s.curveTo(Point(30, 0), Point(10, 20), Point(20, -20));
    const Rect sb = s.bounds();
    EXPECT_NEAR(sb.maxY(), 5.7735f, 1e-3); // extremes at t = 0.5 ± √3/6
    EXPECT_NEAR(sb.minY(), -5.7735f, 1e-3);
}

TEST(PathBase, EvenOddAndNonZeroDifferOnOverlaps)
{
    // Two overlapping squares drawn the same way round.
    PathBase path = PathBase::withRect(Rect(0, 0, 10, 10));
    path.appendRect(Rect(5, 5, 10, 10));
    const Point overlap(7, 7), single(2, 2), outside(12, 2);
    EXPECT_TRUE(path.containsPoint(overlap));
    EXPECT_TRUE(path.containsPoint(single));
    EXPECT_FALSE(path.containsPoint(outside));
    path.setWindingRule(WindingRule::EvenOdd);
    EXPECT_FALSE(path.containsPoint(overlap));
    EXPECT_TRUE(path.containsPoint(single));

    // A five-pointed star drawn in one stroke: its centre is wound twice.
    PathBase star;
    for (int i = 0; i < 5; ++i) {
        const double a = M_PI / 2 + i * 4 * M_PI / 5;
        const Point p(static_cast<float>(10 * std::cos(a)), static_cast<float>(10 * std::sin(a)));
        if (i == 0)
            star.moveTo(p);
        else
            star.lineTo(p);
    } // left open: filling closes it
    EXPECT_TRUE(star.containsPoint(Point(0, 0)));
    EXPECT_TRUE(star.containsPoint(Point(0, 8)));
    star.setWindingRule(WindingRule::EvenOdd);
    EXPECT_FALSE(star.containsPoint(Point(0, 0)));
    EXPECT_TRUE(star.containsPoint(Point(0, 8)));
}

TEST(PathBase, ContainmentFollowsCurves)
{
    const PathBase oval = PathBase::withOvalInRect(Rect(0, 0, 100, 100));
    EXPECT_TRUE(oval.containsPoint(Point(50, 50)));
    EXPECT_TRUE(oval.containsPoint(Point(50, 0.5f)));
    EXPECT_TRUE(oval.containsPoint(Point(85, 85)));
    EXPECT_FALSE(oval.containsPoint(Point(86, 86)));
    EXPECT_FALSE(oval.containsPoint(Point(5, 5))) << "inside the bounds, outside the oval";
    EXPECT_FALSE(PathBase().containsPoint(Point(0, 0)));

    // A hole drawn the other way round is a hole under both rules.
    PathBase ring = PathBase::withOvalInRect(Rect(0, 0, 100, 100));
    ring.appendPath(PathBase::withOvalInRect(Rect(25, 25, 50, 50)).reversed());
    EXPECT_FALSE(ring.containsPoint(Point(50, 50)));
    EXPECT_TRUE(ring.containsPoint(Point(10, 50)));
}

TEST(PathBase, CopiesAreIndependent)
{
    PathBase path = PathBase::withRect(Rect(0, 0, 1, 1));
    path.setLineWidth(4);
    path.setLineCapStyle(LineCapStyle::Round);
    path.setMiterLimit(3);
    const float dash[] = {4, 2};
    path.setLineDash(dash, 1);
    path.setWindingRule(WindingRule::EvenOdd);
    PathBase copy = path;
    EXPECT_EQ(typesOf(copy), typesOf(path));
    EXPECT_EQ(copy.lineWidth(), 4);
    EXPECT_EQ(copy.lineCapStyle(), LineCapStyle::Round);
    EXPECT_EQ(copy.miterLimit(), 3);
    EXPECT_EQ(copy.lineDash(), (std::vector<float>{4, 2}));
    EXPECT_EQ(copy.lineDashPhase(), 1);
    EXPECT_EQ(copy.windingRule(), WindingRule::EvenOdd);
    copy.lineTo(Point(5, 5));
    copy.setLineWidth(1);
    EXPECT_EQ(path.elementCount(), 5);
    EXPECT_EQ(path.lineWidth(), 4);
}

TEST(PathBase, DefaultsOfANewPath)
{
    const PathBase path;
    EXPECT_EQ(path.lineWidth(), 1);
    EXPECT_EQ(path.lineCapStyle(), LineCapStyle::Butt);
    EXPECT_EQ(path.lineJoinStyle(), LineJoinStyle::Miter);
    EXPECT_EQ(path.miterLimit(), 10);
    EXPECT_EQ(path.windingRule(), WindingRule::NonZero);
    EXPECT_TRUE(path.lineDash().empty());
}

TEST(PathBase, AppendingAPathToItselfDoublesIt)
{
    PathBase path = PathBase::withOvalInRect(Rect(0, 0, 2, 2));
    path.appendPath(path);
    EXPECT_EQ(path.elementCount(), 12);
    const auto seen = elementsOf(path);
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(seen[i].type, seen[i + 6].type);
        EXPECT_EQ(seen[i].points, seen[i + 6].points);
    }
}

namespace {

struct CairoCanvas {
    cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 16, 16);
    cairo_t *cr = cairo_create(surface);
    ~CairoCanvas()
    {
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
};

} // namespace

TEST(PathBase, ReplaysIntoCairo)
{
    PathBase path;
    path.moveTo(Point(1, 2));
    path.lineTo(Point(3, 4));
    path.curveTo(Point(9, 9), Point(5, 6), Point(7, 8));
    path.close();
    CairoCanvas canvas;
    EXPECT_TRUE(path.addToCairo(canvas.cr));
    cairo_path_t *replayed = cairo_copy_path(canvas.cr);
    std::vector<cairo_path_data_type_t> kinds;
    for (int i = 0; i < replayed->num_data; i += replayed->data[i].header.length)
        kinds.push_back(replayed->data[i].header.type);
    cairo_path_destroy(replayed);
    // cairo adds a move to the subpath's start after a close.
    EXPECT_EQ(kinds, (std::vector<cairo_path_data_type_t>{CAIRO_PATH_MOVE_TO, CAIRO_PATH_LINE_TO,
                                                          CAIRO_PATH_CURVE_TO, CAIRO_PATH_CLOSE_PATH,
                                                          CAIRO_PATH_MOVE_TO}));
    EXPECT_EQ(cairo_status(canvas.cr), CAIRO_STATUS_SUCCESS);
}

TEST(PathBase, NonFiniteCoordinatesNeverReachCairo)
{
    PathBase path;
    path.moveTo(Point(0, 0));
    path.lineTo(Point(NAN, 1));
    CairoCanvas canvas;
    EXPECT_FALSE(path.addToCairo(canvas.cr));
    EXPECT_FALSE(cairo_has_current_point(canvas.cr));
    EXPECT_EQ(cairo_status(canvas.cr), CAIRO_STATUS_SUCCESS);
}

TEST(PathBase, StrokeSettingsReachCairoSafely)
{
    CairoCanvas canvas;
    cairo_scale(canvas.cr, 4, 4);
    PathBase path;
    path.setLineWidth(0);
    path.setLineCapStyle(LineCapStyle::Square);
    path.setLineJoinStyle(LineJoinStyle::Bevel);
    path.setMiterLimit(4);
    const float dash[] = {3, 1};
    path.setLineDash(dash, 0.5f);
    path.applyStrokeSettings(canvas.cr);
    EXPECT_DOUBLE_EQ(cairo_get_line_width(canvas.cr), 0.25) << "one device pixel";
    EXPECT_EQ(cairo_get_line_cap(canvas.cr), CAIRO_LINE_CAP_SQUARE);
    EXPECT_EQ(cairo_get_line_join(canvas.cr), CAIRO_LINE_JOIN_BEVEL);
    EXPECT_DOUBLE_EQ(cairo_get_miter_limit(canvas.cr), 4);
    ASSERT_EQ(cairo_get_dash_count(canvas.cr), 2);

    // Dashes cairo would refuse (and then draw nothing more) are drawn solid.
    for (std::vector<float> bad :
         {std::vector<float>{0, 0}, std::vector<float>{3, -1}, std::vector<float>{NAN}}) {
        path.setLineDash(bad, 0);
        path.applyStrokeSettings(canvas.cr);
        EXPECT_EQ(cairo_get_dash_count(canvas.cr), 0);
        EXPECT_EQ(cairo_status(canvas.cr), CAIRO_STATUS_SUCCESS);
    }
    path.setWindingRule(WindingRule::EvenOdd);
    path.applyFillRule(canvas.cr);
    EXPECT_EQ(cairo_get_fill_rule(canvas.cr), CAIRO_FILL_RULE_EVEN_ODD);
}
