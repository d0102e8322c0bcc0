#include "PathTestSupport.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;
using namespace scrivane::test;

namespace {

TDBezierPath openMixedPath()
{
    TDBezierPath path;
    path.moveTo(Point(0, 0));
    path.lineTo(Point(40, 0));
    path.curveTo(Point(80, 40), Point(60, 0), Point(80, 20));
    path.lineTo(Point(80, 100));
    return path;
}

} // namespace

TEST(TDBezierPathCutting, ShorteningToTheWholePathKeepsEveryElement)
{
    const TDBezierPath path = openMixedPath();
    EXPECT_EQ(elementsOf(path.shortenEndTo(1.0f)), elementsOf(path));
    EXPECT_EQ(elementsOf(path.shortenStartTo(0.0f)), elementsOf(path));
}

TEST(TDBezierPathCutting, ShortenEndOfALine)
{
    const TDBezierPath line = polyline({Point(0, 0), Point(10, 0)});
    EXPECT_EQ(elementsOf(line.shortenEndTo(0.5f)),
              (std::vector<ElementView>{{Type::MoveTo, {Point(0, 0)}}, {Type::LineTo, {Point(5, 0)}}}));
    EXPECT_EQ(elementsOf(line.shortenStartTo(0.25f)),
              (std::vector<ElementView>{{Type::MoveTo, {Point(2.5f, 0)}}, {Type::LineTo, {Point(10, 0)}}}));
    EXPECT_EQ(line.lastElementPercentage(), 0.25f);
}

TEST(TDBezierPathCutting, ShortenInsideACurveFollowsTheCurve)
{
    const TDBezierPath path = openMixedPath();
    const float f = 0.4f;
    const Point cut = path.pointAt(f);
    const TDBezierPath start = path.shortenStartTo(f);
    const TDBezierPath end = path.shortenEndTo(f);
    EXPECT_EQ(typesOf(start), (std::vector<Type>{Type::MoveTo, Type::CurveTo, Type::LineTo}));
    EXPECT_EQ(typesOf(end), (std::vector<Type>{Type::MoveTo, Type::LineTo, Type::CurveTo}));
    EXPECT_LT(distance(start.elements()[0].points[0], cut), 1e-3);
    EXPECT_LT(distance(end.currentPoint(), cut), 1e-3);
    EXPECT_NEAR(start.length() + end.length(), path.length(), 0.2);
}

TEST(TDBezierPathCutting, ShortenStartOfAClosedSubpathEndsWithALineBack)
{
    TDBezierPath square = polyline({Point(0, 0), Point(10, 0), Point(10, 10), Point(0, 10)});
    square.close();
    const TDBezierPath cut = square.shortenStartTo(0.125f);
    EXPECT_EQ(elementsOf(cut), (std::vector<ElementView>{{Type::MoveTo, {Point(5, 0)}},
                                                         {Type::LineTo, {Point(10, 0)}},
                                                         {Type::LineTo, {Point(10, 10)}},
                                                         {Type::LineTo, {Point(0, 10)}},
                                                         {Type::LineTo, {Point(0, 0)}}}));
    // Starting on the closing line itself: that line from the fraction on.
    EXPECT_EQ(elementsOf(square.shortenStartTo(0.875f)),
              (std::vector<ElementView>{{Type::MoveTo, {Point(0, 5)}}, {Type::LineTo, {Point(0, 0)}}}));
    // Ending on it: the whole closing line, as a line.
    EXPECT_EQ(typesOf(square.shortenEndTo(0.875f)),
              (std::vector<Type>{Type::MoveTo, Type::LineTo, Type::LineTo, Type::LineTo, Type::LineTo}));
    EXPECT_EQ(square.shortenEndTo(0.875f).currentPoint(), Point(0, 0));
}

// Only the subpath that lost its start needs a line back instead of its
// close; a later closed subpath is whole and stays closed.
TEST(TDBezierPathCutting, ShortenStartKeepsTheCloseOfLaterSubpaths)
{
    TDBezierPath path = polyline({Point(0, 0), Point(100, 0)});
    path.moveTo(Point(0, 10));
    path.lineTo(Point(10, 10));
    path.lineTo(Point(10, 20));
    path.close();
    const TDBezierPath cut = path.shortenStartTo(0.1f);
    EXPECT_EQ(typesOf(cut), (std::vector<Type>{Type::MoveTo, Type::LineTo, Type::MoveTo, Type::LineTo,
                                               Type::LineTo, Type::ClosePath}));
}

TEST(TDBezierPathCutting, ShorteningAPathWithoutLengthGivesNoNaN)
{
    TDBezierPath dot;
    dot.moveTo(Point(3, 3));
    for (const TDBezierPath &p :
         {dot.shortenStartTo(0.5f), dot.shortenEndTo(0.5f), TDBezierPath().shortenEndTo(0.5f)}) {
        EXPECT_TRUE(finitePath(p));
        EXPECT_LE(p.elementCount(), 1);
    }
}

TEST(TDBezierPathCutting, SegmentBuffers)
{
    TDBezierPath path;
    path.appendSegment({Point(1, 1), Point(2, 2), Point(3, 3), Point(4, 1)}, Type::CurveTo);
    path.appendSegment({Point(4, 1), Point(9, 9), Point(), Point()}, Type::LineTo);
    path.appendSegment({Point(4, 1), Point(9, 9), Point(), Point()}, Type::ClosePath);
    EXPECT_EQ(elementsOf(path),
              (std::vector<ElementView>{{Type::MoveTo, {Point(1, 1)}},
                                        {Type::CurveTo, {Point(2, 2), Point(3, 3), Point(4, 1)}},
                                        {Type::LineTo, {Point(9, 9)}}}));
    SegmentPoints segment{Point(1, 1), Point(2, 2), Point(3, 3), Point(4, 4)};
    TDBezierPath::transformSegment(segment, Type::LineTo, AffineTransform::makeScale(2, 3));
    EXPECT_EQ(segment, (SegmentPoints{Point(2, 3), Point(4, 6), Point(3, 3), Point(4, 4)}));
    SegmentPoints line{Point(0, 0), Point(10, 0), Point(), Point()};
    TDBezierPath::cutStartOfSegment(line, Type::LineTo, LineSegment{3, -1, 3, 1});
    EXPECT_EQ(line[0], Point(3, 0));
}

TEST(TDBezierPathCutting, CutOnPathCutsAtTheOtherPathsElementBorders)
{
    const TDBezierPath shape = polyline({Point(0, 0), Point(1, 0)});
    const TDBezierPath target =
        polyline({Point(0, 0), Point(10, 0), Point(10, 10), Point(0, 10), Point(0, 20)});
    const TDBezierPath cut = shape.cutOnPath(target);
    ASSERT_EQ(typesOf(cut),
              (std::vector<Type>{Type::MoveTo, Type::CurveTo, Type::CurveTo, Type::CurveTo, Type::CurveTo}));
    const float ends[] = {0.25f, 0.5f, 0.75f, 1.0f};
    for (int i = 0; i < 4; ++i) {
        // Cut on the borders widened by 0.0001 (and its rounding).
        EXPECT_NEAR(cut.elements()[std::size_t(i) + 1].points[2].x, ends[i], 1.1e-4) << "curve " << i;
        EXPECT_EQ(cut.elements()[std::size_t(i) + 1].points[2].y, 0.0f);
    }
    // Backwards along the target; a close is copied as it is.
    TDBezierPath back = polyline({Point(1, 0.5f), Point(0, 0.5f)});
    back.close();
    const TDBezierPath backCut = back.cutOnPath(target);
    ASSERT_EQ(backCut.elementCount(), 1 + 4 + 1);
    EXPECT_NEAR(backCut.elements()[1].points[2].x, 0.75f, 1.1e-4);
    EXPECT_EQ(backCut.elements().back().type, Type::ClosePath);
}

// A piece that starts right on a border (or lies along one) is cut and the
// walk ends, whichever way it runs.
TEST(TDBezierPathCutting, CutOnPathEndsForPiecesStartingOnBorders)
{
    // Zero-length elements make borders of neighbouring elements coincide.
    const TDBezierPath target =
        polyline({Point(0, 0), Point(10, 0), Point(10, 0), Point(10, 0), Point(10, 10), Point(0, 10)});
    const TDBezierPath flat = target.bezierPathByFlatteningPath(10);
    std::vector<float> borders;
    for (int e = 1; e < flat.elementCount(); ++e) {
        for (float t : {0.0f, 1.0f}) {
            const float x = flat.overallPercentageForElementPercentage(t, e);
            borders.insert(borders.end(), {x, x - 0.0001f, x + 0.0001f});
        }
    }
    for (float x : borders) {
        for (float toX : {x, -0.2f, 0.1f, 0.6f, 1.2f}) {
            TDBezierPath shape;
            shape.moveTo(Point(x, 0));
            shape.lineTo(Point(toX, 0.3f));
            shape.curveTo(Point(x, -0.2f), Point(toX, 1), Point(0.5f, -1));
            const TDBezierPath cut = shape.cutOnPath(target);
            ASSERT_TRUE(finitePath(cut));
            // The last piece ends where the shape ends.
            EXPECT_LT(distance(cut.currentPoint(), Point(x, -0.2f)), 1e-3) << x << " to " << toX;
        }
    }
}

TEST(TDBezierPathCutting, SmoothJointAlignsBothHandlesOnTheBisector)
{
    TDBezierPath path;
    path.moveTo(Point(0, 0));
    path.curveTo(Point(100, 0), Point(30, 0), Point(100, -50)); // enters the node from below
    path.curveTo(Point(200, 0), Point(150, 0), Point(170, 0));  // leaves it to the right
    path.smoothJoint(2);
    Point a[3], b[3];
    path.elementAtIndex(1, a);
    path.elementAtIndex(2, b);
    const Point j(100, 0);
    // Handles opposite each other through the node, each keeping its
    // projection on the common direction.
    const Point in(a[1].x - j.x, a[1].y - j.y), out(b[0].x - j.x, b[0].y - j.y);
    EXPECT_NEAR(in.x * out.y - in.y * out.x, 0.0, 1e-2);
    EXPECT_LT(in.x * out.x + in.y * out.y, 0.0f);
    EXPECT_NEAR(std::hypot(in.x, in.y), 50 * std::cos(3.14159265 / 4), 1e-3);
    EXPECT_NEAR(std::hypot(out.x, out.y), 50 * std::cos(3.14159265 / 4), 1e-3);
    // The lengths were measured again.
    const TDBezierPath fresh(static_cast<const PathBase &>(path));
    EXPECT_EQ(path.length(), fresh.length());

    // Collinear handles stay where they are.
    TDBezierPath smooth;
    smooth.moveTo(Point(0, 0));
    smooth.curveTo(Point(100, 0), Point(30, 40), Point(80, 0));
    smooth.curveTo(Point(200, 0), Point(130, 0), Point(170, 40));
    const auto before = elementsOf(smooth);
    smooth.smoothJoint(2);
    EXPECT_EQ(elementsOf(smooth), before);
}

// A handle of zero length or handles pointing the same way used to write
// NaN control points into the path.
TEST(TDBezierPathCutting, SmoothJointNeverWritesNaN)
{
    struct Case {
        const char *name;
        Point in, out; // second control point of curve 1, first of curve 2
    };
    const Point node(100, 0);
    for (const Case &c : {Case{"zero incoming handle", node, Point(150, 10)},
                          Case{"zero outgoing handle", Point(50, 10), node}, Case{"both zero", node, node},
                          Case{"cusp", Point(50, 0), Point(40, 0)}}) {
        TDBezierPath path;
        path.moveTo(Point(0, 0));
        path.curveTo(node, Point(30, 40), c.in);
        path.curveTo(Point(200, 0), c.out, Point(170, 40));
        const auto before = elementsOf(path);
        path.smoothJoint(2);
        EXPECT_TRUE(finitePath(path)) << c.name;
        EXPECT_EQ(elementsOf(path), before) << c.name;
    }
}

TEST(TDBezierPathCutting, SmoothJointChecksItsElement)
{
    TDBezierPath path = polyline({Point(0, 0), Point(10, 0), Point(10, 10)});
    path.curveTo(Point(30, 10), Point(15, 20), Point(25, 20));
    const auto before = elementsOf(path);
    for (int i : {-1, 0, 1, 2, 3, 4, 100})
        path.smoothJoint(i);
    EXPECT_EQ(elementsOf(path), before);
}
