// Where the drawing's paths meet the polygon engine: the conversions both
// ways, the path's outline and the outline of its stroke, smoothing, and
// the path graphic's outline conversion, node alignment and split.

#include "ShapeTestDoubles.h"

#include "geometry/CommandPath.h"
#include "model/PathEngineBridge.h"
#include "model/TDBezierGraphic.h"
#include "model/TDFillStyle.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace scrivane;
using namespace scrivane::test;

namespace {

// The area a path fills (each subpath closed, even-odd) and its number of
// subpaths, from a fine flattening.
double areaOf(const PathBase &path, int *subpaths = nullptr)
{
    const PathBase flat = path.flattened(0.01f);
    double sum = 0;
    Point start, previous;
    int count = 0;
    for (const PathBase::Element &e : flat.elements()) {
        if (e.type == PathElementType::MoveTo) {
            sum += double(previous.x) * start.y - double(start.x) * previous.y;
            start = previous = e.points[0];
            ++count;
        } else if (e.type == PathElementType::LineTo) {
            sum += double(previous.x) * e.points[0].y - double(e.points[0].x) * previous.y;
            previous = e.points[0];
        }
    }
    sum += double(previous.x) * start.y - double(start.x) * previous.y;
    if (subpaths)
        *subpaths = count;
    return std::fabs(sum / 2);
}

TEST(PathEngineBridge, PathsGoThroughCommandsAndBackUnchanged)
{
    PathBase path;
    path.moveTo(Point(0, 0));
    path.lineTo(Point(10, 0));
    path.curveTo(Point(20, 10), Point(15, 0), Point(20, 5));
    path.close();
    // Drawing on after a close starts at the closed subpath's start.
    path.curveTo(Point(-10, -10), Point(0, -5), Point(-5, -10));
    const CommandPath commands = commandPathFromBezierPath(path);
    EXPECT_FLOAT_EQ(commands.command(5).startTangentX, 0) << "three times the arm from the subpath's start";
    EXPECT_FLOAT_EQ(commands.command(5).startTangentY, -15);
    const TDBezierPath back = bezierPathFromCommandPath(commands);
    ASSERT_EQ(back.elementCount(), path.elementCount());
    for (int i = 0; i < path.elementCount(); ++i) {
        Point a[3], b[3];
        ASSERT_EQ(path.elementAtIndex(i, a), back.elementAtIndex(i, b)) << i;
        for (int k = 0; k < PathBase::pointCount(path.elementAtIndex(i)); ++k) {
            EXPECT_NEAR(a[k].x, b[k].x, 1e-4) << i;
            EXPECT_NEAR(a[k].y, b[k].y, 1e-4) << i;
        }
    }
}

// Elliptic arcs of the engine become cubics on the same ellipse.
TEST(PathEngineBridge, ArcsBecomeCubicsOnTheirEllipse)
{
    const struct {
        const char *name;
        float rx, ry, angle;
        bool large, clockwise;
    } cases[] = {
        {"small, counter-clockwise", 10, 10, 0, false, false},
        {"small, clockwise", 10, 10, 0, false, true},
        {"large, counter-clockwise", 10, 10, 0, true, false},
        {"large, clockwise", 10, 10, 0, true, true},
        {"turned ellipse", 20, 10, 0.5f, true, false},
    };
    for (const auto &c : cases) {
        CommandPath commands;
        commands.moveTo(0, 0);
        commands.arcTo(12, 4, c.rx, c.ry, c.angle, c.large, c.clockwise);
        const TDBezierPath path = bezierPathFromCommandPath(commands);
        EnginePoint centre;
        float a0 = 0, a1 = 0;
        ASSERT_TRUE(arcCentreAndAngles({0, 0}, commands.command(1).arc(), true, centre, a0, a1));
        EXPECT_EQ(path.currentPoint(), Point(12, 4)) << c.name;
        const float cs = std::cos(c.angle), sn = std::sin(c.angle);
        const PathBase flat = path.flattened(0.01f);
        for (const PathBase::Element &e : flat.elements()) {
            // In the ellipse's own frame every point lies on the unit circle.
            const float dx = e.points[0].x - centre.x, dy = e.points[0].y - centre.y;
            const float u = (dx * cs + dy * sn) / c.rx, v = (dy * cs - dx * sn) / c.ry;
            EXPECT_NEAR(std::hypot(u, v), 1, 0.01) << c.name;
        }
        // The large arcs sweep more than half the ellipse, the small less.
        const double area = areaOf(path);
        const double half = std::numbers::pi * c.rx * c.ry / 2;
        EXPECT_EQ(area > half, c.large) << c.name;
    }
    // A radius of zero draws a line, an arc ending where it starts nothing.
    CommandPath degenerate;
    degenerate.moveTo(0, 0);
    degenerate.arcTo(10, 0, 0, 5, 0, false, false);
    degenerate.arcTo(10, 0, 5, 5, 0, true, false);
    const TDBezierPath line = bezierPathFromCommandPath(degenerate);
    ASSERT_EQ(line.elementCount(), 2);
    EXPECT_EQ(line.elementAtIndex(1), PathElementType::LineTo);
    // Radii too small for the chord grow until the arc joins its ends.
    CommandPath tooSmall;
    tooSmall.moveTo(0, 0);
    tooSmall.arcTo(100, 0, 5, 5, 0, false, true);
    EXPECT_EQ(bezierPathFromCommandPath(tooSmall).currentPoint(), Point(100, 0));
}

TEST(PathEngineBridge, QuadraticChainsBecomeCubics)
{
    CommandPath commands;
    commands.moveTo(0, 0);
    commands.bezierTo(40, 0);
    commands.intermBezierTo(10, 20);
    commands.intermBezierTo(30, 20);
    commands.finishBezier();
    commands.bezierTo(50, 0);
    commands.finishBezier();
    const TDBezierPath path = bezierPathFromCommandPath(commands);
    // Two quadratic pieces meeting at (20, 20), then a straight piece.
    ASSERT_EQ(path.elementCount(), 4);
    Point p[3];
    ASSERT_EQ(path.elementAtIndex(1, p), PathElementType::CurveTo);
    EXPECT_EQ(p[2], Point(20, 20));
    EXPECT_NEAR(p[0].x, 20.0f / 3, 1e-4);
    EXPECT_NEAR(p[0].y, 40.0f / 3, 1e-4);
    ASSERT_EQ(path.elementAtIndex(2, p), PathElementType::CurveTo);
    EXPECT_EQ(p[2], Point(40, 0));
    EXPECT_EQ(path.elementAtIndex(3, p), PathElementType::LineTo);
    EXPECT_EQ(p[0], Point(50, 0));
}

TEST(PathEngineBridge, OutlinesOfPathsAndOfTheirStrokes)
{
    TDBezierPath eight;
    eight.moveTo(Point(0, 0));
    eight.lineTo(Point(100, 100));
    eight.lineTo(Point(100, 0));
    eight.lineTo(Point(0, 100));
    eight.close();
    for (const WindingRule rule : {WindingRule::NonZero, WindingRule::EvenOdd}) {
        eight.setWindingRule(rule);
        const std::optional<TDBezierPath> loops = eight.outline();
        ASSERT_TRUE(loops);
        int subpaths = 0;
        EXPECT_NEAR(areaOf(*loops, &subpaths), 5000, 1);
        EXPECT_EQ(subpaths, 2);
    }
    TDBezierPath line;
    line.moveTo(Point(0, 0));
    line.lineTo(Point(100, 0));
    line.setLineWidth(10);
    line.setLineCapStyle(LineCapStyle::Square);
    const std::optional<TDBezierPath> stroke = line.outlineOfPath();
    ASSERT_TRUE(stroke);
    EXPECT_NEAR(areaOf(*stroke), 110 * 10, 0.5);
    // What the engine refuses is said, not an empty path.
    QString error;
    line.setLineWidth(0);
    EXPECT_FALSE(line.outlineOfPath(&error));
    EXPECT_FALSE(error.isEmpty());
    TDBezierPath far;
    far.appendRect(Rect(0, 0, 3e7f, 10));
    error.clear();
    EXPECT_FALSE(far.outline(&error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(PathEngineBridge, SmoothingRefitsTheFreehandPathAsOneStep)
{
    ShapeScene scene;
    PathBase wobbly;
    wobbly.moveTo(Point(0, 0));
    for (int i = 1; i <= 100; ++i)
        wobbly.lineTo(Point(float(2 * i), 20 * std::sin(float(i) / 10)));
    auto g = scene.add(TDBezierGraphic::graphicWithBezierPath(wobbly));
    EXPECT_FALSE(g->smoothWithThreshold(0));
    EXPECT_FALSE(g->smoothWithThreshold(std::nanf("")));
    EXPECT_EQ(g->bezierPath()->elementCount(), 101);
    EXPECT_FALSE(scene.document.undo().canUndo());
    scene.document.undo().beginUndoGrouping();
    EXPECT_TRUE(g->smoothWithThreshold(1.0f));
    scene.document.undo().endUndoGrouping();
    EXPECT_LT(g->bezierPath()->elementCount(), 20);
    EXPECT_EQ(g->bezierPath()->currentPoint(), Point(200, 20 * std::sin(10.0f)));
    scene.document.undo().undo();
    EXPECT_EQ(g->bezierPath()->elementCount(), 101);
}

TEST(PathEngineBridge, APathGraphicTurnsItsStrokeIntoItsShape)
{
    ShapeScene scene;
    PathBase open;
    open.moveTo(Point(0, 0));
    open.lineTo(Point(100, 0));
    open.lineTo(Point(100, 100));
    auto g = scene.add(TDBezierGraphic::graphicWithBezierPath(open));
    g->strokeStyle()->setStyle(TDStrokeLine);
    g->strokeStyle()->setStrokeWidth(10);
    g->strokeStyle()->setJoinStyle(int(LineJoinStyle::Miter));
    g->strokeStyle()->setEndArrowStyle(2);
    g->setFillTransformation(AffineTransform::makeScale(2, 2));
    scene.document.undo().removeAllActions();
    const PathBase before = *g->bezierPath();

    scene.document.undo().beginUndoGrouping();
    EXPECT_EQ(g->convertToOutline(), g);
    scene.document.undo().endUndoGrouping();
    // Two bands of 100 by 10 and the miter square at the corner.
    EXPECT_NEAR(areaOf(*g->bezierPath()), 100 * 10 + 100 * 10, 1);
    EXPECT_FLOAT_EQ(g->strokeStyle()->strokeWidth(), 1);
    EXPECT_EQ(g->strokeStyle()->endArrowStyle(), 0);
    EXPECT_FALSE(g->fillTransformation() == AffineTransform::makeScale(2, 2)) << "the fill follows the shape again";
    scene.document.undo().undo();
    EXPECT_FLOAT_EQ(g->strokeStyle()->strokeWidth(), 10);
    EXPECT_EQ(g->bezierPath()->elementCount(), before.elementCount());

    // A stroke without width has no outline: nothing changes.
    g->strokeStyle()->setStrokeWidth(0);
    QString error;
    EXPECT_EQ(g->convertToOutline(&error), nullptr);
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(g->bezierPath()->elementCount(), before.elementCount());
    // Nor does a shape whose outline the engine refuses stop being itself.
    auto far = std::make_shared<TDRectangle>();
    far->setTransformation(TDGraphic::transformForBounds(Rect(0, 0, 3e7f, 10)));
    scene.add(far);
    EXPECT_EQ(far->convertToOutline(), nullptr);
    EXPECT_EQ(scene.layer->graphics().back(), far);
}

// Node alignment: every selected node onto the mean line, its controls
// with it, and the control that leaves a selected node followed by one
// that is not.
TEST(PathEngineBridge, AligningNodes)
{
    ShapeScene scene;
    PathBase p;
    p.moveTo(Point(0, 0));                                  // 0
    p.lineTo(Point(10, 30));                                // 1
    p.curveTo(Point(20, 60), Point(12, 40), Point(18, 50)); // 2
    p.curveTo(Point(30, 0), Point(22, 70), Point(28, 10));  // 3
    auto g = scene.add(TDBezierGraphic::graphicWithBezierPath(p));
    g->alignNodes({1, 2}, true);
    Point points[3];
    g->bezierPath()->elementAtIndex(1, points);
    EXPECT_FLOAT_EQ(points[0].y, 45);
    EXPECT_FLOAT_EQ(points[0].x, 10);
    g->bezierPath()->elementAtIndex(2, points);
    EXPECT_FLOAT_EQ(points[2].y, 45);
    EXPECT_FLOAT_EQ(points[1].y, 45) << "the control entering the node";
    EXPECT_FLOAT_EQ(points[0].y, 45) << "the control leaving node 1, which moved too";
    g->bezierPath()->elementAtIndex(3, points);
    EXPECT_FLOAT_EQ(points[0].y, 45) << "the control leaving node 2";
    EXPECT_FLOAT_EQ(points[2].y, 0) << "node 3 stays";
    g->alignNodes({0, 3}, false);
    g->bezierPath()->elementAtIndex(0, points);
    EXPECT_FLOAT_EQ(points[0].x, 15);
    // Numbers that name no node change nothing.
    const PathBase aligned = *g->bezierPath();
    g->alignNodes({99, -3}, true);
    EXPECT_EQ(g->bezierPath()->elements().size(), aligned.elements().size());
}

TEST(PathEngineBridge, SplittingAPathIntoItsSubpaths)
{
    ShapeScene scene;
    PathBase two;
    two.appendRect(Rect(0, 0, 10, 10));
    two.appendRect(Rect(20, 0, 10, 10));
    auto above = scene.add(std::make_shared<TDRectangle>());
    auto g = scene.add(TDBezierGraphic::graphicWithBezierPath(two));
    scene.layer->moveGraphic(above, 1);
    g->fillStyle()->setStyle(TDFillColor);
    const TDGraphicArray pieces = g->split();
    ASSERT_EQ(pieces.size(), 2u);
    const TDGraphicArray &children = scene.layer->graphics();
    ASSERT_EQ(children.size(), 4u);
    EXPECT_EQ(children[0], pieces[0]);
    EXPECT_EQ(children[1], pieces[1]);
    EXPECT_EQ(children[2], g);
    EXPECT_EQ(pieces[1]->fillStyle()->style(), int(TDFillColor));
    auto single = scene.add(TDBezierGraphic::graphicWithBezierPath(PathBase::withRect(Rect(0, 0, 5, 5))));
    EXPECT_TRUE(single->split().empty());
}

// A manipulation works on a path of its own: the path installed before it,
// which an undo step or a copy may hold, stays as it was.
TEST(PathEngineBridge, AManipulationLeavesTheInstalledPathAlone)
{
    ShapeScene scene;
    auto g = scene.add(TDBezierGraphic::graphicWithBezierPath(PathBase::withRect(Rect(0, 0, 10, 10))));
    const std::shared_ptr<TDBezierPath> installed = g->bezierPath();
    g->startManipulation();
    g->transformWithTransformation(AffineTransform::makeTranslation(50, 0));
    g->stopManipulation();
    EXPECT_EQ(installed->bounds(), Rect(0, 0, 10, 10));
    EXPECT_EQ(g->bezierPath()->bounds(), Rect(50, 0, 10, 10));
}

} // namespace
