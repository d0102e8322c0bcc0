#include "ShapeTestDoubles.h"

#include "model/TDBezierGraphic.h"
#include "model/TDFillStyle.h"
#include "model/TDModelArchiving.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;
using namespace scrivane::test;

namespace {

// 0 move (0, 0); 1 line (100, 0); 2 curve (120, -50) (180, -50) (200, 0);
// 3 curve (220, 50) (280, 50) (300, 0); 4 line (400, 0).
PathBase wave()
{
    PathBase p;
    p.moveTo(Point(0, 0));
    p.lineTo(Point(100, 0));
    p.curveTo(Point(200, 0), Point(120, -50), Point(180, -50));
    p.curveTo(Point(300, 0), Point(220, 50), Point(280, 50));
    p.lineTo(Point(400, 0));
    return p;
}

Point pointOf(const TDBezierGraphic &g, int element, int k)
{
    Point p[3];
    g.bezierPath()->elementAtIndex(element, p);
    return p[k];
}

void expectNear(Point actual, Point expected, float tolerance = 1e-3f)
{
    EXPECT_NEAR(actual.x, expected.x, tolerance);
    EXPECT_NEAR(actual.y, expected.y, tolerance);
}

float length(Point v)
{
    return std::hypot(v.x, v.y);
}

Point minus(Point a, Point b)
{
    return Point(a.x - b.x, a.y - b.y);
}

// Each element's kind and the points it carries.
std::vector<std::pair<int, std::vector<Point>>> elementsOf(const PathBase &path)
{
    std::vector<std::pair<int, std::vector<Point>>> elements;
    for (const PathBase::Element &e : path.elements()) {
        const int count = e.type == PathElementType::CurveTo     ? 3
                          : e.type == PathElementType::ClosePath ? 0
                                                                 : 1;
        elements.emplace_back(int(e.type), std::vector<Point>(e.points.begin(), e.points.begin() + count));
    }
    return elements;
}

} // namespace

TEST(TDBezierGraphic, CopiesItsPathAndTakesItsBounds)
{
    PathBase source = wave();
    auto g = TDBezierGraphic::graphicWithBezierPath(source);
    EXPECT_EQ(g->bezierPath()->windingRule(), WindingRule::EvenOdd);
    EXPECT_EQ(g->bounds(), source.bounds());
    source.lineTo(Point(500, 0));
    EXPECT_EQ(g->bezierPath()->elementCount(), 5);
    EXPECT_EQ(g->convertToBezier(), g);

    auto empty = std::make_shared<TDBezierGraphic>();
    EXPECT_FALSE(empty->bezierPath());
    EXPECT_FALSE(empty->cachedBezierPath());
    EXPECT_EQ(empty->node(0), Point());
}

TEST(TDBezierGraphic, NodeNumbersOfCurvesAndControls)
{
    ShapeScene scene;
    auto g = scene.add(TDBezierGraphic::graphicWithBezierPath(wave()));
    DrawingCanvas &canvas = scene.canvas;

    EXPECT_EQ(g->nodeUnderPoint(Point(1, 1), &canvas), 0);
    EXPECT_EQ(g->nodeUnderPoint(Point(101, 0), &canvas), 1);
    EXPECT_EQ(g->nodeUnderPoint(Point(200, -3), &canvas), 2);
    EXPECT_EQ(g->nodeUnderPoint(Point(399, 2), &canvas), 4);
    // Controls only of selected nodes: control 1 of curve 3 leaves node 2.
    EXPECT_EQ(g->nodeUnderPoint(Point(220, 50), &canvas), TDNotFound);
    canvas.selectedNodes[g.get()] = {2};
    EXPECT_EQ(g->nodeUnderPoint(Point(220, 50), &canvas), -12);
    EXPECT_EQ(g->nodeUnderPoint(Point(180, -50), &canvas), -9); // control 2 of curve 2 enters node 2
    EXPECT_EQ(g->nodeUnderPoint(Point(280, 50), &canvas), TDNotFound);
    canvas.selectedNodes[g.get()] = {3};
    EXPECT_EQ(g->nodeUnderPoint(Point(280, 50), &canvas), -13);
    EXPECT_EQ(g->nodeUnderPoint(Point(220, 50), &canvas), TDNotFound);
    // Numbers of a selection the path no longer has change nothing.
    canvas.selectedNodes[g.get()] = {-7, 99};
    EXPECT_EQ(g->nodeUnderPoint(Point(220, 50), &canvas), TDNotFound);
    EXPECT_EQ(g->nodeUnderPoint(Point(1, 1), nullptr), TDNotFound);

    EXPECT_EQ(g->nodesUnderRect(Rect(90, -10, 120, 20), &canvas), (QList<int>{1, 2}));
    EXPECT_EQ(g->boundsForNodes({1, 4, 99, -12}), Rect(100, 0, 300, 0));
    EXPECT_EQ(g->boundsForNodes({2}), Rect(200, 0, 0, 0));
    EXPECT_EQ(g->boundsForNodes({}), Rect());
    expectNear(g->node(3), Point(300, 0));
    EXPECT_EQ(g->node(5), Point());
    EXPECT_EQ(g->node(-12), Point());
}

TEST(TDBezierGraphic, ClosesAndTrailingMovesAreNoNodes)
{
    PathBase p;
    p.moveTo(Point(0, 0));
    p.lineTo(Point(10, 0));
    p.lineTo(Point(0, 0)); // back on the start
    p.close();
    p.moveTo(Point(50, 50));
    p.lineTo(Point(60, 50));
    p.moveTo(Point(80, 80)); // nothing follows
    ShapeScene scene;
    auto g = scene.add(TDBezierGraphic::graphicWithBezierPath(p));
    EXPECT_EQ(g->nodesUnderRect(Rect(-10, -10, 100, 100), &scene.canvas), (QList<int>{0, 1, 2, 4, 5}));
    EXPECT_EQ(g->node(3), Point());
    EXPECT_EQ(g->nodeUnderPoint(Point(80, 80), &scene.canvas), TDNotFound);
    // Where two nodes meet, the first wins, or the last when reversed.
    EXPECT_EQ(g->nodeUnderPoint(Point(0, 0), &scene.canvas, false), 0);
    EXPECT_EQ(g->nodeUnderPoint(Point(0, 0), &scene.canvas, true), 2);

    scene.canvas.drawEditing(*g, 100, 100);
    std::vector<HandleType> types;
    for (const auto &handle : scene.canvas.handles)
        types.push_back(handle.second);
    EXPECT_EQ(types, std::vector<HandleType>(5, HandleType::LineNode));

    // A lone move shows nothing and hits nothing.
    PathBase lone;
    lone.moveTo(Point(5, 5));
    auto single = scene.add(TDBezierGraphic::graphicWithBezierPath(lone));
    scene.canvas.handles.clear();
    scene.canvas.drawEditing(*single, 20, 20);
    EXPECT_TRUE(scene.canvas.handles.empty());
    EXPECT_EQ(single->nodeUnderPoint(Point(5, 5), &scene.canvas), TDNotFound);
}

TEST(TDBezierGraphic, HandlesOfSelectedAndUnselectedNodes)
{
    ShapeScene scene;
    auto g = scene.add(TDBezierGraphic::graphicWithBezierPath(wave()));
    scene.canvas.selectedNodes[g.get()] = {2};
    scene.canvas.drawEditing(*g, 420, 120);
    constexpr HandleType control = HandleType::CurveControl, line = HandleType::LineNode,
                         lineSelected = HandleType::LineNodeSelected, curve = HandleType::CurveNode,
                         curveSelected = HandleType::CurveNodeSelected;
    const std::vector<std::pair<Point, HandleType>> expected = {
        {Point(180, -50), control}, {Point(220, 50), control}, // the controls of node 2
        {Point(0, 0), line},        {Point(100, 0), line},     {Point(200, 0), curveSelected},
        {Point(300, 0), curve},     {Point(400, 0), line},
    };
    EXPECT_EQ(scene.canvas.handles, expected);

    scene.canvas.handles.clear();
    scene.canvas.selectedNodes[g.get()] = {1, 4};
    scene.canvas.drawEditing(*g, 420, 120);
    const std::vector<std::pair<Point, HandleType>> lines = {
        {Point(120, -50), control}, // control 1 of curve 2 leaves node 1
        {Point(0, 0), line},        {Point(100, 0), lineSelected}, {Point(200, 0), curve},
        {Point(300, 0), curve},     {Point(400, 0), lineSelected},
    };
    EXPECT_EQ(scene.canvas.handles, lines);
}

TEST(TDBezierGraphic, MovingNodesTakesTheirControlsAlong)
{
    const AffineTransform down = AffineTransform::makeTranslation(0, 10);
    {
        auto g = TDBezierGraphic::graphicWithBezierPath(wave());
        g->startManipulation();
        g->transformNodes({2}, down);
        expectNear(pointOf(*g, 2, 0), Point(120, -50)); // leaves node 1, which stays
        expectNear(pointOf(*g, 2, 1), Point(180, -40));
        expectNear(pointOf(*g, 2, 2), Point(200, 10));
        expectNear(pointOf(*g, 3, 0), Point(220, 60)); // leaves node 2
        expectNear(pointOf(*g, 3, 1), Point(280, 50));
        // The drag is always the total one: a second step starts again from
        // the start of the drag.
        g->transformNodes({2}, AffineTransform::makeTranslation(0, 20));
        expectNear(pointOf(*g, 3, 0), Point(220, 70));
        g->stopManipulation();
    }
    {
        auto g = TDBezierGraphic::graphicWithBezierPath(wave());
        g->startManipulation();
        g->transformNodes({3, 2, 2}, down); // in any order, once each
        expectNear(pointOf(*g, 3, 0), Point(220, 60));
        expectNear(pointOf(*g, 3, 2), Point(300, 10));
        expectNear(pointOf(*g, 4, 0), Point(400, 0));
        g->stopManipulation();
    }
    {
        // Numbers the path does not have are ignored.
        auto g = TDBezierGraphic::graphicWithBezierPath(wave());
        g->startManipulation();
        g->transformNodes({-12, 17, 99}, down);
        g->stopManipulation();
        EXPECT_EQ(elementsOf(*g->bezierPath()), elementsOf(wave()));
    }
}

TEST(TDBezierGraphic, DraggingAControlKeepsTheNodeAsTheModifiersSay)
{
    // Control 2 of curve 2 (-9) enters node 2 at (200, 0); across the node
    // lies control 1 of curve 3 at (220, 50).
    const Point node(200, 0);
    const Point across(220, 50);
    const AffineTransform drag = AffineTransform::makeTranslation(-20, 0); // to (160, -50)

    {
        SCOPED_TRACE("no modifiers: smooth");
        auto g = TDBezierGraphic::graphicWithBezierPath(wave());
        g->startManipulation();
        g->transformControl(-9, drag, 0);
        const Point dragged = pointOf(*g, 2, 1);
        expectNear(dragged, Point(160, -50));
        const Point mirrored = pointOf(*g, 3, 0);
        EXPECT_NEAR(length(minus(mirrored, node)), length(minus(across, node)), 1e-3);
        const Point a = minus(mirrored, node);
        const Point b = minus(node, dragged);
        EXPECT_NEAR(a.x * b.y - a.y * b.x, 0, 1e-2); // collinear through the node
        EXPECT_GT(a.x * b.x + a.y * b.y, 0);
    }
    {
        SCOPED_TRACE("Option: the other side stays");
        auto g = TDBezierGraphic::graphicWithBezierPath(wave());
        g->startManipulation();
        g->transformControl(-9, AffineTransform::makeTranslation(-20, 0), 0); // smooth first
        g->transformControl(-9, drag, TDEvent::Alternate);
        expectNear(pointOf(*g, 2, 1), Point(160, -50));
        expectNear(pointOf(*g, 3, 0), across);
    }
    {
        SCOPED_TRACE("Command: along the line through the node");
        auto g = TDBezierGraphic::graphicWithBezierPath(wave());
        g->startManipulation();
        g->transformControl(-9, drag, TDEvent::Command | TDEvent::Shift);
        const Point dragged = pointOf(*g, 2, 1);
        const Point u = minus(across, node);
        const Point v = minus(dragged, node);
        EXPECT_NEAR(u.x * v.y - u.y * v.x, 0, 1e-2);
        expectNear(dragged, Point(200 - 20 * 3300.0f / 2900, -50 * 3300.0f / 2900));
        expectNear(pointOf(*g, 3, 0), across);
    }
    {
        SCOPED_TRACE("Shift: 50 degrees around the node becomes 45");
        auto g = TDBezierGraphic::graphicWithBezierPath(wave());
        g->startManipulation();
        const double a = 50 / 57.29577951308232;
        const Point target(float(200 + 60 * std::cos(a)), float(60 * std::sin(a)));
        g->transformControl(-9, AffineTransform::makeTranslation(target.x - 180, target.y + 50),
                            TDEvent::Shift);
        const float s = 60 * std::sqrt(0.5f);
        expectNear(pointOf(*g, 2, 1), Point(200 + s, s));
    }
}

TEST(TDBezierGraphic, AControlDraggedOntoItsNodeWithShiftStaysFinite)
{
    // Control 2 of curve 2 (-9) at (180, -50) dropped on its node (200, 0):
    // there is no angle to round and no direction to mirror along.
    const unsigned shift = TDEvent::Shift;
    for (const unsigned flags : {shift, shift | TDEvent::Alternate, shift | TDEvent::Command}) {
        SCOPED_TRACE(flags);
        auto g = TDBezierGraphic::graphicWithBezierPath(wave());
        g->startManipulation();
        g->transformControl(-9, AffineTransform::makeTranslation(20, 50), flags);
        expectNear(pointOf(*g, 2, 1), Point(200, 0));
        for (int e = 0; e < g->bezierPath()->elementCount(); ++e)
            for (int k = 0; k < 3; ++k) {
                const Point p = pointOf(*g, e, k);
                EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y)) << e << " " << k;
            }
        expectNear(pointOf(*g, 3, 0), Point(220, 50));
    }
}

TEST(TDBezierGraphic, AControlBesideALineStaysTangentToIt)
{
    // Control 1 of curve 2 (-8) leaves node 1, reached by a line along y = 0.
    PathBase p;
    p.moveTo(Point(0, 0));
    p.lineTo(Point(100, 0));
    p.curveTo(Point(200, 0), Point(120, 30), Point(180, 30));
    auto g = TDBezierGraphic::graphicWithBezierPath(p);
    g->startManipulation();
    g->transformControl(-8, AffineTransform::makeTranslation(10, 5), 0);
    expectNear(pointOf(*g, 2, 0), Point(130, 0));
    g->transformControl(-8, AffineTransform::makeTranslation(10, 5), TDEvent::Alternate);
    expectNear(pointOf(*g, 2, 0), Point(130, 35));
}

TEST(TDBezierGraphic, ControlNumbersThatNameNoCurveControlAreIgnored)
{
    auto g = TDBezierGraphic::graphicWithBezierPath(wave());
    g->startManipulation();
    const AffineTransform drag = AffineTransform::makeTranslation(5, 5);
    for (int control : {-4, -6, -7, -400, -3, 2, TDNotFound, std::numeric_limits<int>::min()})
        g->transformControl(control, drag, 0);
    g->stopManipulation();
    EXPECT_EQ(elementsOf(*g->bezierPath()), elementsOf(wave()));

    EXPECT_EQ(g->oppositeControl(-8), 0);   // behind it a line
    EXPECT_EQ(g->oppositeControl(-9), -12); // control 1 of curve 3
    EXPECT_EQ(g->oppositeControl(-12), -9);
    EXPECT_EQ(g->oppositeControl(-13), 0); // after it a line
    EXPECT_EQ(g->oppositeControl(-400), 0);
    EXPECT_EQ(g->oppositeControl(-6), 0);
}

TEST(TDBezierGraphic, OneUndoRestoresThePathOfBeforeTheDrag)
{
    ShapeScene scene;
    auto g = scene.add(TDBezierGraphic::graphicWithBezierPath(wave()));
    TDUndoManager &undo = scene.document.undo();
    undo.beginUndoGrouping();
    g->startManipulation();
    g->transformNodes({2}, AffineTransform::makeTranslation(0, 10));
    g->transformControl(-9, AffineTransform::makeTranslation(0, 10), 0);
    g->stopManipulation();
    undo.endUndoGrouping();
    const auto dragged = elementsOf(*g->bezierPath());
    EXPECT_NE(dragged, elementsOf(wave()));
    undo.undo();
    EXPECT_EQ(elementsOf(*g->bezierPath()), elementsOf(wave()));
    EXPECT_EQ(elementsOf(*g->cachedBezierPath()), elementsOf(wave()));
    EXPECT_FALSE(undo.canUndo());
    undo.redo();
    EXPECT_EQ(elementsOf(*g->bezierPath()), dragged);
}

TEST(TDBezierGraphic, AMoveEndsInThePathWithTheIdentityShape)
{
    ShapeScene scene;
    auto g = scene.add(TDBezierGraphic::graphicWithBezierPath(wave()));
    TDUndoManager &undo = scene.document.undo();
    undo.beginUndoGrouping();
    g->startManipulation();
    g->transformWithTransformation(AffineTransform::makeTranslation(10, 20));
    expectNear(pointOf(*g, 0, 0), Point(0, 0)); // the path itself waits
    EXPECT_EQ(g->bounds(), wave().bounds().offsetBy(10, 20));
    g->stopManipulation();
    undo.endUndoGrouping();
    EXPECT_TRUE(g->transformation().isIdentity());
    expectNear(pointOf(*g, 0, 0), Point(10, 20));
    EXPECT_EQ(g->bounds(), wave().bounds().offsetBy(10, 20));
    undo.undo();
    expectNear(pointOf(*g, 0, 0), Point(0, 0));
    EXPECT_TRUE(g->transformation().isIdentity());
}

TEST(TDBezierGraphic, ElementPointsThroughTheirDictionary)
{
    ShapeScene scene;
    auto g = scene.add(TDBezierGraphic::graphicWithBezierPath(wave()));
    TDUndoManager &undo = scene.document.undo();
    const Point points[3] = {Point(1, 2), Point(3, 4), Point(5, 6)};
    g->setAssociatedPoints(points, 3);
    expectNear(pointOf(*g, 3, 2), Point(5, 6));
    undo.undo();
    expectNear(pointOf(*g, 3, 2), Point(300, 0));
    g->setAssociatedPoints(points, 9);
    g->setAssociatedPoints(points, -1);
    g->setAssociatedPointsDict(
        PropertyList(PropertyList::Dictionary{{QStringLiteral("i"), QStringLiteral("two")}}));
    EXPECT_FALSE(undo.canUndo());
    EXPECT_EQ(elementsOf(*g->bezierPath()), elementsOf(wave()));
}

TEST(TDBezierGraphic, SettingAPathRegistersTheOldOneOncePerGroup)
{
    ShapeScene scene;
    auto g = scene.add(TDBezierGraphic::graphicWithBezierPath(wave()));
    TDUndoManager &undo = scene.document.undo();
    PathBase one;
    one.moveTo(Point(0, 0));
    one.lineTo(Point(1, 1));
    undo.beginUndoGrouping();
    g->setBezierPath(std::make_shared<TDBezierPath>(one));
    g->setBezierPath(nullptr);
    undo.endUndoGrouping();
    EXPECT_EQ(g->bezierPath()->elementCount(), 0);
    undo.undo();
    EXPECT_EQ(elementsOf(*g->bezierPath()), elementsOf(wave()));
    g->reverse();
    EXPECT_EQ(pointOf(*g, 0, 0), Point(400, 0));
}

TEST(TDBezierGraphic, DictionaryArchiveAndOlderForms)
{
    TDModelArchiving::registerClasses();
    auto g = TDBezierGraphic::graphicWithBezierPath(wave());
    g->setName(QStringLiteral("Wave"));
    g->strokeStyle()->setStrokeWidth(2);
    const PropertyList d = g->toYAML();
    ASSERT_TRUE(d.value(QStringLiteral("Path")).objectAs<TDBezierPath>());
    const auto copy = TDBezierGraphic::objectWithYAML(d);
    EXPECT_EQ(copy->toYAML(), d);
    EXPECT_NE(copy->bezierPath(), g->bezierPath()); // a path of its own

    const auto data =
        KeyedArchiver::archivedData(PropertyList(PropertyList::Array{PropertyList(g), PropertyList(g)}));
    ASSERT_TRUE(data);
    const auto root = KeyedUnarchiver::unarchive(*data);
    ASSERT_TRUE(root);
    const auto back = root->at(0).objectAs<TDBezierGraphic>();
    ASSERT_TRUE(back);
    EXPECT_EQ(back->toYAML(), d);
    EXPECT_EQ(back->bounds(), g->bounds());

    // The element list of older text documents, and their pressures, which
    // become the stroke's pressure curve.
    PropertyList old{PropertyList::Dictionary()};
    old.insert(QStringLiteral("Name"), QStringLiteral("Old"));
    PropertyList elements{PropertyList::Array()};
    elements.append(PropertyList(PropertyList::Array{QStringLiteral("moveto"), 0.0, 0.0}));
    elements.append(PropertyList(PropertyList::Array{QStringLiteral("lineto"), 10.0, 5.0}));
    old.insert(QStringLiteral("Path"), elements);
    const PropertyList pressure(PropertyList::Array{1.0, 2.0, 3.0});
    old.insert(QStringLiteral("Pressure"), pressure);
    const auto legacy = TDBezierGraphic::objectWithYAML(old);
    ASSERT_TRUE(legacy->bezierPath());
    EXPECT_EQ(legacy->bezierPath()->elementCount(), 2);
    EXPECT_EQ(legacy->bounds(), Rect(0, 0, 10, 5));
    EXPECT_TRUE(legacy->strokeStyle()->usesPressure());
    EXPECT_EQ(legacy->strokeStyle()->pressureArray().size(), 3u);

    old.insert(QStringLiteral("Path"), QStringLiteral("M 0 0"));
    EXPECT_FALSE(TDBezierGraphic::objectWithYAML(old)->bezierPath());
}

TEST(TDBezierGraphic, ShapesConvertToPathsInTheirPlace)
{
    ShapeScene scene;
    auto first = scene.add(std::make_shared<TDRectangle>());
    auto r = std::make_shared<TDRectangle>();
    r->setTransformation(TDGraphic::transformForBounds(Rect(10, 20, 100, 40)));
    r->setRoundness(0.25f);
    r->fillStyle()->setStyle(TDFillColor);
    r->fillStyle()->setColor(Color::red());
    r->setFillTransformation(AffineTransform::makeScale(2, 3));
    scene.add(r);
    TDUndoManager &undo = scene.document.undo();

    undo.beginUndoGrouping();
    const auto converted = std::dynamic_pointer_cast<TDBezierGraphic>(r->convertToBezier());
    undo.endUndoGrouping();
    ASSERT_TRUE(converted);
    ASSERT_EQ(scene.layer->graphics().size(), 2u);
    EXPECT_EQ(scene.layer->graphics()[1], converted);
    EXPECT_EQ(converted->layer(), scene.layer);
    EXPECT_TRUE(converted->transformation().isIdentity());
    EXPECT_EQ(elementsOf(*converted->bezierPath()), elementsOf(*r->cachedBezierPath()));
    EXPECT_EQ(converted->fillStyle()->color(), Color::red());
    EXPECT_EQ(converted->fillTransformation(), AffineTransform::makeScale(2, 3));
    undo.undo();
    EXPECT_EQ(scene.layer->graphics()[1], r);

    const auto reversed = std::dynamic_pointer_cast<TDBezierGraphic>(r->reverse());
    ASSERT_TRUE(reversed);
    EXPECT_EQ(scene.layer->graphics()[1], reversed);
    EXPECT_EQ(elementsOf(*reversed->bezierPath()),
              elementsOf(r->cachedBezierPath()->bezierPathByReversingPath()));

    // Outside any group it converts all the same; a graphic without a path
    // has nothing to convert.
    EXPECT_TRUE(std::make_shared<TDRectangle>()->convertToBezier());
    EXPECT_FALSE(std::make_shared<TDGraphic>()->convertToBezier());
    EXPECT_FALSE(std::make_shared<TDGraphic>()->convertToOutline());
    EXPECT_TRUE(std::dynamic_pointer_cast<TDBezierGraphic>(first->convertToOutline()));
}
