// The paint and polygon tools: a freehand stroke becomes a smooth path as
// one undo step, a stroke from the end of a selected open path extends it,
// a tablet pen leaves its pressure, and the polygon tool's clicks, drags,
// keys, closing and constraints.

#include "CanvasTestSupport.h"

#include "model/TDBezierGraphic.h"
#include "model/TDBezierPath.h"
#include "model/TDStrokeStyle.h"

#include <QApplication>
#include <QTest>

#include <cmath>

using namespace scrivane;
using namespace scrivane::canvastest;

namespace {

class PathCreationTest : public CanvasTest {
protected:
    std::shared_ptr<TDBezierGraphic> onlyPath() const
    {
        if (layerGraphics().size() != 1)
            return nullptr;
        return std::dynamic_pointer_cast<TDBezierGraphic>(layerGraphics().front());
    }
    // A freehand stroke along the points, in document coordinates.
    void stroke(const std::vector<Point> &points, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        press(at(points.front()), modifiers);
        for (size_t i = 1; i < points.size(); ++i)
            move(at(points[i]), modifiers);
        release(at(points.back()), modifiers);
        QApplication::processEvents();
    }
    std::shared_ptr<TDBezierGraphic> openPath()
    {
        TDBezierPath path;
        path.moveTo(Point(100, 100));
        path.lineTo(Point(200, 100));
        auto graphic = TDBezierGraphic::graphicWithBezierPath(path);
        addQuietly(graphic);
        view->selectGraphic(graphic);
        document->undoManager()->removeAllActions();
        return graphic;
    }
    // Removes every graphic (and its selection: a selected path's ends
    // would catch the next stroke).
    void clearDrawing()
    {
        view->clearSelection();
        layer().removeGraphics(TDGraphicArray(layerGraphics()));
    }
    static bool allFinite(const TDBezierPath &path)
    {
        return path.hasFinitePoints();
    }
};

std::vector<Point> wave()
{
    std::vector<Point> points;
    for (int i = 0; i <= 40; ++i)
        points.emplace_back(100 + 5 * i, 200 + 40 * std::sin(i * 0.3));
    return points;
}

} // namespace

TEST_F(PathCreationTest, FreehandStrokeBecomesOneSmoothPathAsOneUndoStep)
{
    chooseTool(Tool::Paint);
    stroke(wave());
    const auto path = onlyPath();
    ASSERT_TRUE(path);
    const TDBezierPath &p = *path->bezierPath();
    // Refitted into a few curves, not a line per pointer position.
    EXPECT_GE(p.elementCount(), 2);
    EXPECT_LT(p.elementCount(), 20);
    EXPECT_EQ(p.elementAtIndex(1), PathElementType::CurveTo);
    EXPECT_TRUE(allFinite(p));
    EXPECT_NEAR(path->bounds().minX(), 100, 2);
    EXPECT_NEAR(path->bounds().maxX(), 300, 2);
    EXPECT_FALSE(path->creating());
    EXPECT_FALSE(path->manipulating());
    EXPECT_EQ(view->creatingGraphic(), nullptr);

    TDUndoManager *undo = document->undoManager();
    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Create Paint"));
    undo->undo();
    EXPECT_TRUE(layerGraphics().empty());
    EXPECT_FALSE(undo->canUndo()) << "the stroke took more than one undo step";
}

TEST_F(PathCreationTest, FreehandClickOrEscapeMakesNothing)
{
    chooseTool(Tool::Paint);
    click(at(Point(150, 150)));
    EXPECT_TRUE(layerGraphics().empty());

    chooseTool(Tool::Paint);
    // Moves of less than a screen pixel are passed over: still a click.
    press(at(Point(150, 150)));
    move(at(Point(150.5f, 150)));
    release(at(Point(150.5f, 150)));
    EXPECT_TRUE(layerGraphics().empty());

    chooseTool(Tool::Paint);
    press(at(Point(150, 150)));
    move(at(Point(200, 180)));
    key(Qt::Key_Escape);
    release(at(Point(200, 180)));
    EXPECT_TRUE(layerGraphics().empty());
    EXPECT_FALSE(document->undoManager()->canUndo());
    EXPECT_FALSE(view->isTracking());
}

TEST_F(PathCreationTest, StrokeBackOnItselfLeavesNoNaN)
{
    chooseTool(Tool::Paint);
    // A cusp: out and straight back.
    stroke({Point(100, 100), Point(150, 100), Point(200, 100), Point(150, 100.2f), Point(100, 100.4f)});
    const auto path = onlyPath();
    ASSERT_TRUE(path);
    EXPECT_TRUE(allFinite(*path->bezierPath()));
}

TEST_F(PathCreationTest, StrokeFromTheEndOfASelectedOpenPathExtendsIt)
{
    const auto target = openPath();
    chooseTool(Tool::Paint);
    // Starts 2 points from the end (200, 100): within the capture distance.
    stroke({Point(202, 101), Point(230, 130), Point(260, 160), Point(300, 200)});
    ASSERT_EQ(layerGraphics().size(), 1u) << "the stroke made a graphic of its own";
    const TDBezierPath &p = *target->bezierPath();
    EXPECT_GT(p.elementCount(), 2);
    EXPECT_EQ(p.elements()[0].points[0], Point(100, 100));
    EXPECT_EQ(p.elements()[1].points[0], Point(200, 100));
    EXPECT_NEAR(p.currentPoint().x, 300, 1);

    TDUndoManager *undo = document->undoManager();
    undo->undo();
    EXPECT_EQ(target->bezierPath()->elementCount(), 2);
    EXPECT_FALSE(undo->canUndo()) << "the extension took more than one undo step";
}

TEST_F(PathCreationTest, StrokeFromTheStartGoesBeforeItWalkedBackwards)
{
    const auto target = openPath();
    chooseTool(Tool::Paint);
    stroke({Point(99, 99), Point(80, 80), Point(60, 60), Point(40, 40)});
    ASSERT_EQ(layerGraphics().size(), 1u);
    const TDBezierPath &p = *target->bezierPath();
    EXPECT_NEAR(p.elements()[0].points[0].x, 40, 1);
    EXPECT_EQ(p.currentPoint(), Point(200, 100));
}

TEST_F(PathCreationTest, AltOrAClosedPathMakesANewGraphicInstead)
{
    const auto target = openPath();
    chooseTool(Tool::Paint);
    stroke({Point(200, 100), Point(230, 130), Point(260, 160)}, Qt::AltModifier);
    EXPECT_EQ(layerGraphics().size(), 2u);
    EXPECT_EQ(target->bezierPath()->elementCount(), 2);

    clearDrawing();
    TDBezierPath closed;
    closed.moveTo(Point(100, 100));
    closed.lineTo(Point(200, 100));
    closed.lineTo(Point(200, 200));
    closed.close();
    auto square = TDBezierGraphic::graphicWithBezierPath(closed);
    addQuietly(square);
    view->selectGraphic(square);
    chooseTool(Tool::Paint);
    stroke({Point(100, 100), Point(130, 60), Point(160, 30)});
    EXPECT_EQ(layerGraphics().size(), 2u);
    EXPECT_EQ(square->bezierPath()->elementCount(), 4);
}

TEST_F(PathCreationTest, TabletStrokeKeepsThePensPressure)
{
    chooseTool(Tool::Paint);
    pen(QEvent::TabletPress, at(Point(100, 100)), 0.2);
    pen(QEvent::TabletMove, at(Point(150, 110)), 0.4);
    pen(QEvent::TabletMove, at(Point(200, 100)), 0.6);
    pen(QEvent::TabletMove, at(Point(250, 110)), 0.8);
    // The pen lifts a little further on, pressing no more.
    pen(QEvent::TabletRelease, at(Point(300, 100)), 0.0);
    QApplication::processEvents();
    const auto path = onlyPath();
    ASSERT_TRUE(path);
    const TDStrokeStyle &style = *path->strokeStyle();
    EXPECT_TRUE(style.usesPressure());
    const std::vector<Point> &curve = style.pressureArray();
    ASSERT_GE(curve.size(), 2u);
    EXPECT_FLOAT_EQ(curve.front().x, 0);
    EXPECT_FLOAT_EQ(curve.back().x, 1);
    // The lift's pressure (0) is not used: the last keeps the one before.
    EXPECT_NEAR(curve.back().y, 1.6, 1e-3);
    EXPECT_NEAR(curve[curve.size() - 2].y, 1.6, 1e-3);
}

// --- The polygon tool ---------------------------------------------------------------------------

TEST_F(PathCreationTest, PolygonClicksMakeLinesAndReturnFinishes)
{
    chooseTool(Tool::Polygon);
    click(at(Point(100, 100)));
    EXPECT_TRUE(view->isTracking());
    hover(at(Point(150, 120)));
    click(at(Point(200, 100)));
    click(at(Point(200, 200)));
    key(Qt::Key_Return);
    EXPECT_FALSE(view->isTracking());
    const auto path = onlyPath();
    ASSERT_TRUE(path);
    const TDBezierPath &p = *path->bezierPath();
    ASSERT_EQ(p.elementCount(), 3);
    EXPECT_EQ(p.elementAtIndex(1), PathElementType::LineTo);
    EXPECT_EQ(p.elements()[2].points[0], Point(200.5f, 200.5f));
    EXPECT_FALSE(path->creating());
    EXPECT_FALSE(path->construction());
    EXPECT_EQ(document->undoManager()->undoActionName(), QStringLiteral("Create Polygon"));
    document->undoManager()->undo();
    EXPECT_TRUE(layerGraphics().empty());
}

TEST_F(PathCreationTest, PolygonClickOnTheFirstNodeClosesUnlessAlt)
{
    QString status;
    document->setStatusSink([&status](const QString &text) { status = text; });
    chooseTool(Tool::Polygon);
    click(at(Point(100, 100)));
    click(at(Point(200, 100)));
    click(at(Point(200, 200)));
    // 4 points from the first node: 16 under 25, highlighted.
    hover(at(Point(103.2f, 102.9f)));
    ASSERT_TRUE(view->creatingGraphic());
    auto *building = static_cast<TDBezierGraphic *>(view->creatingGraphic());
    ASSERT_TRUE(building->construction());
    EXPECT_TRUE(building->construction()->firstNodeHighlighted);
    EXPECT_TRUE(building->constructionNodes().contains(0));
    EXPECT_TRUE(status.contains(QStringLiteral("Click to close polygon."))) << status.toStdString();
    click(at(Point(103.2f, 102.9f)));
    EXPECT_FALSE(view->isTracking());
    auto path = onlyPath();
    ASSERT_TRUE(path);
    EXPECT_EQ(path->bezierPath()->elements().back().type, PathElementType::ClosePath);

    clearDrawing();
    chooseTool(Tool::Polygon);
    click(at(Point(100, 100)));
    click(at(Point(200, 100)));
    hover(at(Point(103, 103)), Qt::AltModifier);
    EXPECT_FALSE(static_cast<TDBezierGraphic *>(view->creatingGraphic())->construction()->firstNodeHighlighted);
    click(at(Point(103, 103)), Qt::AltModifier);
    EXPECT_TRUE(view->isTracking()) << "Alt added a node instead of closing";
    key(Qt::Key_Return);
    path = onlyPath();
    ASSERT_TRUE(path);
    EXPECT_EQ(path->bezierPath()->elementCount(), 3);
    EXPECT_NE(path->bezierPath()->elements().back().type, PathElementType::ClosePath);
}

TEST_F(PathCreationTest, PolygonFirstPressMustMoveOverTwoPixelsToBeSmooth)
{
    struct Row {
        const char *name;
        float moved;
        bool curve;
    };
    // 3 points: 9 under 16, a corner; 5 points: 25 over 16, smooth.
    for (const Row row : {Row{"corner", 3, false}, Row{"smooth", 5, true}}) {
        SCOPED_TRACE(row.name);
        clearDrawing();
        chooseTool(Tool::Polygon);
        drag(at(Point(100, 100)), at(Point(100 + row.moved, 100)));
        click(at(Point(200, 150)));
        key(Qt::Key_Return);
        const auto path = onlyPath();
        ASSERT_TRUE(path);
        EXPECT_EQ(path->bezierPath()->elementAtIndex(1) == PathElementType::CurveTo, row.curve);
    }
}

TEST_F(PathCreationTest, PolygonDragMakesASmoothNodeAndAltKeepsTheIncomingSide)
{
    struct Row {
        const char *name;
        Qt::KeyboardModifiers modifiers;
        // Alt from the start leaves both controls on the segment's ends: a line.
        bool curveIn;
        float incomingX;
    };
    const Row rows[] = {
        {"mirrored", Qt::NoModifier, true, 180.5f},
        {"altCorner", Qt::AltModifier, false, 0},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        clearDrawing();
        chooseTool(Tool::Polygon);
        click(at(Point(100, 100)));
        drag(at(Point(200, 100)), at(Point(220, 100)), row.modifiers);
        click(at(Point(300, 200)));
        key(Qt::Key_Return);
        const auto path = onlyPath();
        ASSERT_TRUE(path);
        const TDBezierPath &p = *path->bezierPath();
        ASSERT_EQ(p.elementCount(), 3);
        ASSERT_EQ(p.elementAtIndex(1) == PathElementType::CurveTo, row.curveIn);
        if (row.curveIn) {
            EXPECT_NEAR(p.elements()[1].points[1].x, row.incomingX, 0.01);
            EXPECT_NEAR(p.elements()[1].points[1].y, 100.5f, 0.01);
        }
        // The next segment leaves along the dragged handle.
        ASSERT_EQ(p.elementAtIndex(2), PathElementType::CurveTo);
        EXPECT_NEAR(p.elements()[2].points[0].x, 220.5f, 0.01);
        EXPECT_NEAR(p.elements()[2].points[0].y, 100.5f, 0.01);
    }
}

TEST_F(PathCreationTest, PolygonShiftTurnsTheSegmentToFifteenDegrees)
{
    chooseTool(Tool::Polygon);
    click(at(Point(100, 100)));
    // 10 right and 3 down: 16.7 degrees becomes 15 at the same 10.44 points.
    click(at(Point(110, 103)), Qt::ShiftModifier);
    key(Qt::Key_Return);
    const auto path = onlyPath();
    ASSERT_TRUE(path);
    const Point node = path->bezierPath()->elements()[1].points[0];
    EXPECT_NEAR(node.x - 100.5f, 10.08, 0.01);
    EXPECT_NEAR(node.y - 100.5f, 2.70, 0.01);

    // On the last node itself there is no direction to turn: the node
    // lands where the pointer is, never on a point that is no number.
    clearDrawing();
    chooseTool(Tool::Polygon);
    click(at(Point(100, 100)));
    click(at(Point(200, 100)));
    hover(at(Point(200, 100)), Qt::ShiftModifier);
    click(at(Point(200, 100)), Qt::ShiftModifier);
    key(Qt::Key_Return);
    const auto again = onlyPath();
    ASSERT_TRUE(again);
    ASSERT_EQ(again->bezierPath()->elementCount(), 3);
    for (const auto &element : again->bezierPath()->elements())
        EXPECT_TRUE(std::isfinite(element.points[0].x) && std::isfinite(element.points[0].y));
    EXPECT_EQ(again->bezierPath()->elements()[2].points[0], again->bezierPath()->elements()[1].points[0]);
    EXPECT_TRUE(std::isfinite(again->bounds().width()));
}

TEST_F(PathCreationTest, PolygonBackspaceTakesBackSegmentsAndThenCancels)
{
    chooseTool(Tool::Polygon);
    click(at(Point(100, 100)));
    click(at(Point(200, 100)));
    click(at(Point(200, 200)));
    key(Qt::Key_Backspace);
    ASSERT_TRUE(view->creatingGraphic());
    EXPECT_EQ(static_cast<TDBezierGraphic *>(view->creatingGraphic())->bezierPath()->elementCount(), 2);
    key(Qt::Key_Delete);
    EXPECT_TRUE(view->isTracking());
    key(Qt::Key_Backspace);
    EXPECT_FALSE(view->isTracking());
    EXPECT_TRUE(layerGraphics().empty());
    EXPECT_FALSE(document->undoManager()->canUndo());
}

TEST_F(PathCreationTest, PolygonOfALoneNodeIsNotKept)
{
    struct Row {
        const char *name;
        Qt::Key end;
    };
    const Row rows[] = {
        {"returnAfterFirstClick", Qt::Key_Return},
        {"escape", Qt::Key_Escape},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        chooseTool(Tool::Polygon);
        click(at(Point(100, 100)));
        key(row.end);
        EXPECT_FALSE(view->isTracking());
        EXPECT_TRUE(layerGraphics().empty());
        EXPECT_FALSE(document->undoManager()->canUndo());
    }
}

TEST_F(PathCreationTest, PolygonDoubleClickFinishesWithTheNodeOfTheFirstClick)
{
    chooseTool(Tool::Polygon);
    click(at(Point(100, 100)));
    click(at(Point(200, 100)));
    doubleClick(at(Point(200, 100)));
    EXPECT_FALSE(view->isTracking());
    const auto path = onlyPath();
    ASSERT_TRUE(path);
    EXPECT_EQ(path->bezierPath()->elementCount(), 2);
}
