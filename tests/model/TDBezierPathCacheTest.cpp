#include "PathTestSupport.h"

#include "model/curvefit/ArcLength.h"

#include <gtest/gtest.h>

using namespace scrivane;
using namespace scrivane::test;

namespace {

TDBezierPath triangleOpenAndClosed()
{
    TDBezierPath path;
    path.moveTo(Point(0, 0));
    path.lineTo(Point(3, 4));
    path.close();
    return path;
}

// What every length would be if measured from scratch.
void expectMeasuredFromScratch(const TDBezierPathCache &path)
{
    const TDBezierPathCache fresh(static_cast<const PathBase &>(path));
    ASSERT_EQ(path.elementCount(), fresh.elementCount());
    for (int i = 0; i < path.elementCount(); ++i)
        EXPECT_EQ(path.lengthOfElement(i), fresh.lengthOfElement(i)) << "element " << i;
    EXPECT_EQ(path.length(), fresh.length());
    for (int i = 0; i <= path.elementCount(); ++i)
        EXPECT_EQ(path.lengthToElement(i), fresh.lengthToElement(i)) << "up to element " << i;
}

} // namespace

TEST(TDBezierPathCache, EmptyPathHasNoLengthAndNoSubpaths)
{
    TDBezierPath path;
    EXPECT_EQ(path.elementCount(), 0);
    EXPECT_EQ(path.length(), 0.0f);
    EXPECT_TRUE(path.split().empty());
    EXPECT_EQ(path.lengthToElement(3), 0.0f);
}

TEST(TDBezierPathCache, LineAndCloseLengths)
{
    const TDBezierPath path = triangleOpenAndClosed();
    EXPECT_EQ(path.lengthOfElement(0), 0.0f);
    EXPECT_EQ(path.lengthOfElement(1), 5.0f);
    EXPECT_EQ(path.lengthOfElement(2), 5.0f);
    EXPECT_EQ(path.length(), 10.0f);
    EXPECT_EQ(path.nextElementFrom(2), 0);
    EXPECT_EQ(path.nextElementFrom(1), 2);
    EXPECT_EQ(path.lengthToElement(2), 5.0f);
}

TEST(TDBezierPathCache, CurveLengthIsArcLengthWithinTheTenthTolerance)
{
    TDBezierPath path;
    path.moveTo(Point(0, 0));
    path.curveTo(Point(100, 0), Point(0, 100), Point(100, 100));
    const Point V[4] = {Point(0, 0), Point(0, 100), Point(100, 100), Point(100, 0)};
    EXPECT_EQ(path.lengthOfElement(1), arclen(V, 0.1f));
}

TEST(TDBezierPathCache, IndexesOutOfRangeAnswerZero)
{
    const TDBezierPath path = triangleOpenAndClosed();
    EXPECT_EQ(path.lengthOfElement(-1), 0.0f);
    EXPECT_EQ(path.lengthOfElement(3), 0.0f);
    EXPECT_EQ(path.calculateLengthOfElement(99), 0.0f);
    EXPECT_EQ(path.nextElementFrom(-5), -4);
    EXPECT_EQ(path.lengthToElement(99), 10.0f);
    EXPECT_EQ(path.controlBoundsOfElement(7), Rect());
}

TEST(TDBezierPathCache, AppendingMeasuresAsAFullRebuildWould)
{
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        TDBezierPath path;
        const TDBezierPath source = randomPath(random, 40);
        // Built element by element, in chunks, and through every appending
        // operation.
        path.appendBezierPath(source, 0, 13);
        path.appendBezierPath(source, 13, 40);
        path.appendRect(Rect(10, 10, 30, 20));
        path.appendOvalInRect(Rect(50, 50, 40, 30));
        path.lineTo(Point(5, 5));
        path.appendArcWithCenter(Point(100, 100), 30, 0, 200);
        path.relativeCurveTo(Point(10, 0), Point(3, 5), Point(7, 5));
        const Point points[] = {Point(1, 2), Point(3, 4), Point(5, 9)};
        path.appendPoints(points);
        path.appendArcFromPoint(Point(40, 9), Point(40, 40), 5);
        path.appendPath(path);
        expectMeasuredFromScratch(path);
    }
}

TEST(TDBezierPathCache, TransformMeasuresEveryElementAgain)
{
    TDBezierPath path;
    path.moveTo(Point(0, 0));
    path.lineTo(Point(30, 40));
    path.curveTo(Point(100, 0), Point(50, 60), Point(90, 60));
    path.close();
    const TDBezierPath before = path;
    path.transform(AffineTransform::makeScale(2, 2));
    EXPECT_EQ(path.lengthOfElement(1), 2 * before.lengthOfElement(1));
    // Curves are measured within 0.1 per flat piece, at either scale.
    EXPECT_NEAR(path.lengthOfElement(2), 2 * before.lengthOfElement(2), 0.5);
    EXPECT_EQ(path.lengthOfElement(3), 2 * before.lengthOfElement(3));
    EXPECT_NEAR(path.length(), 2 * before.length(), 0.5);
    expectMeasuredFromScratch(path);
}

// Replacing the points of an element used to leave the old element length
// in place (and, on the program's path type, a total of 0), so that every
// position along the path was wrong after a node drag.
TEST(TDBezierPathCache, SettingPointsKeepsLengthsAndTotalRight)
{
    struct Case {
        const char *name;
        int index;
        std::vector<Point> points;
    };
    const std::vector<Case> cases = {
        {"line end", 1, {Point(0, 50)}},
        {"curve", 2, {Point(10, 80), Point(60, 90), Point(70, 10)}},
        {"move of a closed subpath", 0, {Point(-20, -20)}},
        {"element before the close", 3, {Point(5, 5)}},
    };
    for (const Case &c : cases) {
        TDBezierPath path;
        path.moveTo(Point(0, 0));
        path.lineTo(Point(30, 40));
        path.curveTo(Point(100, 0), Point(50, 60), Point(90, 60));
        path.lineTo(Point(100, 10));
        path.close();
        path.moveTo(Point(200, 200));
        path.lineTo(Point(210, 200));
        path.setAssociatedPoints(c.points.data(), c.index);
        SCOPED_TRACE(c.name);
        expectMeasuredFromScratch(path);
        EXPECT_GT(path.length(), 0.0f);
    }
}

TEST(TDBezierPathCache, RemoveAllPointsEmptiesTheCache)
{
    TDBezierPath path = triangleOpenAndClosed();
    path.removeAllPoints();
    EXPECT_EQ(path.elementCount(), 0);
    EXPECT_EQ(path.length(), 0.0f);
    path.moveTo(Point(1, 1));
    path.lineTo(Point(1, 3));
    EXPECT_EQ(path.length(), 2.0f);
}

TEST(TDBezierPathCache, ClassConstructorsAreMeasured)
{
    const TDBezierPathCache rect = TDBezierPathCache::bezierPathWithRect(Rect(0, 0, 10, 20));
    EXPECT_EQ(rect.length(), 60.0f);
    const TDBezierPathCache oval = TDBezierPathCache::bezierPathWithOvalInRect(Rect(0, 0, 100, 100));
    EXPECT_NEAR(oval.length(), 314.16, 1.0);
    EXPECT_EQ(TDBezierPathCache::bezierPath().elementCount(), 0);
}

TEST(TDBezierPath, CopyHasTheElementsAndLengthsButDefaultAttributes)
{
    struct Half : PressureSource {
        float pressureAt(float) const override { return 0.5f; }
    } half;
    TDBezierPath path = triangleOpenAndClosed();
    path.setLineWidth(7);
    path.setWindingRule(WindingRule::EvenOdd);
    path.setPressure(&half);
    const TDBezierPath copy = path.copy();
    EXPECT_EQ(elementsOf(copy), elementsOf(path));
    EXPECT_EQ(copy.length(), path.length());
    EXPECT_EQ(copy.lineWidth(), 1.0f);
    EXPECT_EQ(copy.windingRule(), WindingRule::NonZero);
    EXPECT_EQ(copy.pressure(), nullptr);
}

TEST(TDBezierPath, PathWithPathTakesJoinAndCapOnly)
{
    PathBase base;
    base.moveTo(Point(0, 0));
    base.lineTo(Point(1, 0));
    base.setLineJoinStyle(LineJoinStyle::Bevel);
    base.setLineCapStyle(LineCapStyle::Round);
    base.setLineWidth(9);
    base.setWindingRule(WindingRule::EvenOdd);
    const TDBezierPath path = TDBezierPath::bezierPathWithPath(base);
    EXPECT_EQ(elementsOf(path), elementsOf(base));
    EXPECT_EQ(path.lineJoinStyle(), LineJoinStyle::Bevel);
    EXPECT_EQ(path.lineCapStyle(), LineCapStyle::Round);
    EXPECT_EQ(path.lineWidth(), 1.0f);
    EXPECT_EQ(path.windingRule(), WindingRule::NonZero);
    EXPECT_EQ(path.length(), 1.0f);
}

TEST(TDBezierPath, ReversedAndFlattenedPathsAreMeasured)
{
    TDBezierPath path;
    path.setLineJoinStyle(LineJoinStyle::Round);
    path.moveTo(Point(0, 0));
    path.curveTo(Point(100, 0), Point(0, 100), Point(100, 100));
    path.lineTo(Point(100, -20));
    const TDBezierPath reversed = path.bezierPathByReversingPath();
    EXPECT_EQ(reversed.lineJoinStyle(), LineJoinStyle::Round);
    EXPECT_NEAR(reversed.length(), path.length(), 0.05);
    expectMeasuredFromScratch(reversed);
    const TDBezierPath flat = path.bezierPathByFlatteningPath();
    EXPECT_GT(flat.elementCount(), 3);
    EXPECT_NEAR(flat.length(), path.length(), 1.0);
    expectMeasuredFromScratch(flat);
}

TEST(TDBezierPath, AppendCurveSkipsACurveThatEndsWhereItStarts)
{
    const Point closedLoop[4] = {Point(5, 5), Point(50, 0), Point(0, 50), Point(5, 5)};
    TDBezierPath empty;
    empty.appendCurve(closedLoop);
    EXPECT_EQ(typesOf(empty), std::vector<Type>{Type::MoveTo});

    TDBezierPath path;
    path.moveTo(Point(0, 0));
    path.appendCurve(closedLoop);
    EXPECT_EQ(path.elementCount(), 1);

    // The current point is not compared with P0.
    const Point open[4] = {Point(5, 5), Point(6, 0), Point(7, 0), Point(9, 9)};
    path.appendCurve(open);
    ASSERT_EQ(path.elementCount(), 2);
    EXPECT_EQ(elementsOf(path)[1], (ElementView{Type::CurveTo, {Point(6, 0), Point(7, 0), Point(9, 9)}}));
}

TEST(TDBezierPath, AppendElementRange)
{
    const TDBezierPath source = [] {
        TDBezierPath p;
        p.moveTo(Point(0, 0));
        p.lineTo(Point(10, 0));
        p.curveTo(Point(20, 10), Point(12, 0), Point(20, 2));
        p.close();
        return p;
    }();
    TDBezierPath path;
    path.moveTo(Point(-5, -5));
    path.appendBezierPath(source, 1, 4);
    EXPECT_EQ(typesOf(path), (std::vector<Type>{Type::MoveTo, Type::LineTo, Type::CurveTo, Type::ClosePath}));
    // Nothing for an empty or reversed range; clamped to the source.
    path.appendBezierPath(source, 3, 3).appendBezierPath(source, 4, 1);
    EXPECT_EQ(path.elementCount(), 4);
    TDBezierPath clamped;
    clamped.appendBezierPath(source, -3, 99);
    EXPECT_EQ(elementsOf(clamped), elementsOf(source));
    // From the receiver itself.
    clamped.appendBezierPath(clamped, 0, 2);
    EXPECT_EQ(clamped.elementCount(), 6);
    expectMeasuredFromScratch(clamped);
}

TEST(TDBezierPath, SplitYieldsOnePathPerDrawingSubpath)
{
    TDBezierPath path;
    path.moveTo(Point(0, 0));
    path.lineTo(Point(1, 0));
    path.moveTo(Point(5, 5));
    path.moveTo(Point(6, 6));
    path.lineTo(Point(7, 6));
    path.close();
    path.moveTo(Point(9, 9));
    const std::vector<TDBezierPath> parts = path.split();
    ASSERT_EQ(parts.size(), 2u);
    EXPECT_EQ(elementsOf(parts[0]),
              (std::vector<ElementView>{{Type::MoveTo, {Point(0, 0)}}, {Type::LineTo, {Point(1, 0)}}}));
    EXPECT_EQ(typesOf(parts[1]), (std::vector<Type>{Type::MoveTo, Type::LineTo, Type::ClosePath}));
    EXPECT_EQ(parts[1].length(), 2.0f);
}
