// The canvas's path commands: Add, Subtract, Intersect, XOR, Cut, Divide
// and Outline on real documents, each one undo step that restores the tree.

#include "CommandTestSupport.h"

#include "model/TDFillStyle.h"
#include "model/TDStrokeStyle.h"

#include <cmath>
#include <numbers>

using namespace scrivane;
using namespace scrivane::canvastest;

namespace {

// The area a path fills, every subpath closed (even-odd), from a fine
// flattening; its subpaths count.
double areaOf(const PathBase &path, int *subpaths = nullptr)
{
    const PathBase flat = path.flattened(0.01f);
    double sum = 0;
    Point start, previous;
    int count = 0;
    for (const PathBase::Element &e : flat.elements()) {
        switch (e.type) {
        case PathElementType::MoveTo:
            sum += double(previous.x) * start.y - double(start.x) * previous.y;
            start = previous = e.points[0];
            ++count;
            break;
        case PathElementType::LineTo:
            sum += double(previous.x) * e.points[0].y - double(e.points[0].x) * previous.y;
            previous = e.points[0];
            break;
        default: break;
        }
    }
    sum += double(previous.x) * start.y - double(start.x) * previous.y;
    if (subpaths)
        *subpaths = count;
    return std::fabs(sum / 2);
}

using PathCommandsTest = CommandTest;

TEST_F(PathCommandsTest, AddIsOneStepInTheFirstGraphicsPlace)
{
    const auto a = filledRectangle(Rect(0, 0, 100, 100), Color::calibratedRGB(1, 0, 0));
    const auto b = filledRectangle(Rect(50, 50, 100, 100), Color::calibratedRGB(0, 0, 1));
    const auto top = filledRectangle(Rect(500, 500, 10, 10), Color::calibratedRGB(0, 1, 0));
    addQuietly(top);
    prepare({a, b});
    // a at the bottom, then top, then b.
    layer().moveGraphic(a, 0);
    document->undoManager()->removeAllActions();
    const TreeSnapshot before = snapshotOf(*document);

    ASSERT_TRUE(view->boolean(TDGraphicView::PathOperation::Add));
    endEvent();
    ASSERT_EQ(layerGraphics().size(), 2u);
    const auto result = std::dynamic_pointer_cast<TDBezierGraphic>(layerGraphics()[0]);
    ASSERT_TRUE(result) << "the union takes the first graphic's place";
    EXPECT_EQ(result->fillStyle()->color(), Color::calibratedRGB(1, 0, 0));
    EXPECT_NEAR(areaOf(*result->cachedBezierPath()), 17500, 1);
    EXPECT_EQ(view->selection(), TDGraphicArray{result});
    EXPECT_EQ(undoName(), QStringLiteral("Add"));

    undo();
    EXPECT_EQ(snapshotOf(*document), before);
    EXPECT_EQ(view->selection(), (TDGraphicArray{a, b}));
    redo();
    EXPECT_EQ(layerGraphics().size(), 2u);
}

TEST_F(PathCommandsTest, OperationsTakeTheSelectionOrder)
{
    const struct {
        const char *name;
        TDGraphicView::PathOperation operation;
        std::vector<int> order;
        double area;
    } cases[] = {
        {"A minus B minus C", TDGraphicView::PathOperation::Subtract, {0, 1, 2}, 10000 - 2500 - 2500},
        {"C minus A minus B", TDGraphicView::PathOperation::Subtract, {2, 0, 1}, 10000 - 2500},
        {"intersection", TDGraphicView::PathOperation::Intersect, {0, 1}, 2500},
        {"exclusive or", TDGraphicView::PathOperation::XOR, {0, 1}, 15000},
        {"cut is the union", TDGraphicView::PathOperation::Cut, {1, 0}, 17500},
    };
    for (const auto &c : cases) {
        const TDGraphicArray squares = {filledRectangle(Rect(0, 0, 100, 100), Color()),
                                        filledRectangle(Rect(50, 50, 100, 100), Color()),
                                        filledRectangle(Rect(-50, -50, 100, 100), Color())};
        TDGraphicArray selection;
        for (int i : c.order)
            selection.push_back(squares[std::size_t(i)]);
        layer().removeAllGraphics();
        prepare(selection);
        ASSERT_TRUE(view->boolean(c.operation)) << c.name;
        ASSERT_EQ(view->selection().size(), 1u) << c.name;
        EXPECT_NEAR(areaOf(*view->selection().front()->cachedBezierPath()), c.area, 1) << c.name;
    }
}

TEST_F(PathCommandsTest, ADisjointIntersectionLeavesNothing)
{
    const auto a = filledRectangle(Rect(0, 0, 10, 10), Color()), b = filledRectangle(Rect(50, 0, 10, 10), Color());
    prepare({a, b});
    const TreeSnapshot before = snapshotOf(*document);
    view->boolIntersect();
    endEvent();
    EXPECT_TRUE(layerGraphics().empty());
    EXPECT_TRUE(view->selection().empty());
    EXPECT_EQ(undoName(), QStringLiteral("Intersect"));
    undo();
    EXPECT_EQ(snapshotOf(*document), before);
}

TEST_F(PathCommandsTest, DivideHoldsTheLensAndTheRestInOneGraphic)
{
    const auto a = circleGraphic(Point(100, 100), 50), b = circleGraphic(Point(150, 100), 50);
    prepare({a, b});
    view->boolDivide();
    endEvent();
    ASSERT_EQ(layerGraphics().size(), 1u);
    EXPECT_EQ(layerGraphics()[0], a);
    int subpaths = 0;
    const double area = areaOf(*a->cachedBezierPath(), &subpaths);
    EXPECT_EQ(subpaths, 2);
    EXPECT_NEAR(area, std::numbers::pi * 2500, 60);
    EXPECT_EQ(undoName(), QStringLiteral("Divide"));
}

TEST_F(PathCommandsTest, OutlineUncrossesAndReplacesInTheSelection)
{
    for (int winding : {0, 1}) {
        layer().removeAllGraphics();
        const auto eight = pathGraphic({Point(0, 0), Point(100, 100), Point(100, 0), Point(0, 100)}, true);
        eight->fillStyle()->setWinding(winding);
        const auto square = filledRectangle(Rect(200, 0, 50, 50), Color());
        prepare({eight, square});
        const TreeSnapshot before = snapshotOf(*document);
        view->boolOutline();
        endEvent();
        int subpaths = 0;
        EXPECT_NEAR(areaOf(*eight->bezierPath(), &subpaths), 5000, 1) << winding;
        EXPECT_EQ(subpaths, 2) << winding;
        // The rectangle became a path graphic, in its place and in the selection.
        ASSERT_EQ(view->selection().size(), 2u);
        EXPECT_EQ(view->selection()[0], eight);
        EXPECT_NE(view->selection()[1], square);
        EXPECT_EQ(view->selection()[1], layerGraphics()[1]);
        EXPECT_EQ(undoName(), QStringLiteral("Outline"));
        undo();
        EXPECT_EQ(snapshotOf(*document), before);
        EXPECT_EQ(view->selection(), (TDGraphicArray{eight, square}));
    }
}

TEST_F(PathCommandsTest, TooFewGraphicsChangeNothingAndRenameNothing)
{
    const auto a = filledRectangle(Rect(0, 0, 10, 10), Color());
    prepare({a});
    a->setName(QStringLiteral("named"));
    endEvent();
    ASSERT_EQ(undoName(), QStringLiteral("Set name"));
    const TreeSnapshot before = snapshotOf(*document);
    EXPECT_FALSE(view->boolean(TDGraphicView::PathOperation::Add));
    view->boolSubtract();
    view->boolDivide();
    endEvent();
    EXPECT_EQ(snapshotOf(*document), before);
    EXPECT_EQ(undoName(), QStringLiteral("Set name"));
}

TEST_F(PathCommandsTest, ARefusalLeavesTheDocumentUntouched)
{
    const auto a = filledRectangle(Rect(0, 0, 10, 10), Color());
    const auto far = filledRectangle(Rect(0, 0, 2e7f, 10), Color());
    prepare({a, far});
    QString status;
    document->setStatusSink([&status](const QString &text) { status = text; });
    const TreeSnapshot before = snapshotOf(*document);
    for (const auto operation : {TDGraphicView::PathOperation::Add, TDGraphicView::PathOperation::Intersect}) {
        EXPECT_FALSE(view->boolean(operation));
        endEvent();
        EXPECT_EQ(snapshotOf(*document), before);
        EXPECT_FALSE(canUndo());
        EXPECT_FALSE(status.isEmpty());
    }
    view->boolOutline();
    view->boolDivide();
    endEvent();
    EXPECT_EQ(snapshotOf(*document), before);
    EXPECT_FALSE(canUndo());
    document->setStatusSink(nullptr);
}

// A path graphic whose shape transformation is not the identity: its
// outline as drawn takes part, and the result lands where it was drawn.
TEST_F(PathCommandsTest, AShapeTransformationIsAppliedOnce)
{
    const auto turned = pathGraphic({Point(0, 0), Point(100, 0), Point(100, 20), Point(0, 20)}, true);
    AffineTransform rotation = AffineTransform::makeTranslation(300, 300);
    rotation.rotateByDegrees(90);
    turned->setTransformation(rotation);
    const auto other = filledRectangle(Rect(0, 0, 10, 10), Color());
    prepare({turned, other});
    const Rect drawn = turned->cachedBezierPath()->bounds();
    ASSERT_TRUE(view->boolean(TDGraphicView::PathOperation::Add));
    const Rect combined = turned->cachedBezierPath()->bounds();
    EXPECT_NEAR(combined.minX(), 0, 0.1);
    EXPECT_NEAR(combined.minY(), 0, 0.1);
    EXPECT_NEAR(combined.maxX(), drawn.maxX(), 0.1);
    EXPECT_NEAR(combined.maxY(), drawn.maxY(), 0.1);
    EXPECT_NEAR(areaOf(*turned->cachedBezierPath()), 2000 + 100, 1);
}

TEST_F(PathCommandsTest, GroupsTakePartWithTheirChildren)
{
    const auto inner1 = filledRectangle(Rect(0, 0, 10, 10), Color()), inner2 = filledRectangle(Rect(20, 0, 10, 10), Color());
    const auto group = TDGroup::groupWithGraphics({inner1, inner2});
    const auto square = filledRectangle(Rect(5, 5, 20, 2), Color());
    prepare({group, square});
    const TreeSnapshot before = snapshotOf(*document);
    ASSERT_TRUE(view->boolean(TDGraphicView::PathOperation::Add));
    endEvent();
    ASSERT_EQ(layerGraphics().size(), 1u);
    EXPECT_TRUE(std::dynamic_pointer_cast<TDBezierGraphic>(layerGraphics()[0]));
    EXPECT_NEAR(areaOf(*layerGraphics()[0]->cachedBezierPath()), 200 + 40 - 2 * 10, 1);
    undo();
    EXPECT_EQ(snapshotOf(*document), before);
}

} // namespace
