// The gradient edited on the canvas: which press grabs which handle at a
// zoom, Shift's 15 degrees, handles dragged onto each other, Escape (which
// also does what Escape does), where the free radius handle goes, and the
// one undo step a session leaves.

#include "CanvasTestSupport.h"

#include "model/TDBezierGraphic.h"
#include "model/TDBezierPath.h"
#include "model/TDFillStyle.h"
#include "model/TDGroup.h"

#include <QApplication>

using namespace scrivane;
using namespace scrivane::canvastest;

namespace {

class GradientEditingTest : public CanvasTest {
protected:
    std::shared_ptr<TDRectangle> gradientRectangle()
    {
        auto g = filledRectangle(Rect(0, 0, 300, 300), Color::black());
        g->fillStyle()->setStyle(TDFillStyle::GradientFill);
        g->setFillTransformation(AffineTransform());
        g->fillStyle()->setGradientFromPoint(Point(100, 100), Point(200, 100));
        addQuietly(g);
        view->selectGraphic(g);
        document->undoManager()->removeAllActions();
        return g;
    }
    // The handles as the overlay shows them: 0 the end, 1 the start, 2 the
    // radius.
    Point overlayPoint(int index) const
    {
        const auto *overlay = dynamic_cast<const TDBezierGraphic *>(view->creatingGraphic());
        Point points[3];
        if (!overlay || overlay->bezierPath()->elementCount() <= index)
            return Point(NAN, NAN);
        overlay->bezierPath()->elementAtIndex(index, points);
        return points[0];
    }
    Point start(const TDGraphicPtr &g) const { return g->fillTransformation().transformPoint(g->fillStyle()->gradientStart()); }
    Point end(const TDGraphicPtr &g) const { return g->fillTransformation().transformPoint(g->fillStyle()->gradientEnd()); }
};

} // namespace

TEST_F(GradientEditingTest, NoSessionWithoutAGradientFill)
{
    auto plain = filledRectangle(Rect(0, 0, 100, 100), Color::black());
    addQuietly(plain);
    view->selectGraphic(plain);
    EXPECT_FALSE(view->setGradientForGraphics());
    EXPECT_FALSE(view->isTracking());
}

TEST_F(GradientEditingTest, PressGrabsTheEndWithinFiveScreenPixels)
{
    struct Row {
        const char *name;
        float zoom;
        bool grabbed;
    };
    // 3 points from the end: 9 against 25/4 (not grabbed) and 25/2 (grabbed).
    for (const Row row : {Row{"zoom4", 4, false}, Row{"zoom2", 2, true}}) {
        SCOPED_TRACE(row.name);
        view->clearSelection();
        layer().removeGraphics(TDGraphicArray(layerGraphics()));
        const auto g = gradientRectangle();
        scroll->setScaleFactor(row.zoom, true);
        ASSERT_TRUE(view->setGradientForGraphics());
        // The press point gets half a screen pixel added: aim that much short.
        const float half = 0.5f / row.zoom;
        drag(at(Point(200 - half, 103 - half)), at(Point(250 - half, 150 - half)));
        if (row.grabbed) {
            EXPECT_NEAR(end(g).x, 250, 0.01);
            EXPECT_NEAR(start(g).x, 100, 0.01);
        } else {
            // A press on the graphic starts the gradient there instead.
            EXPECT_NEAR(start(g).x, 200, 0.01);
            EXPECT_NEAR(end(g).x, 250, 0.01);
        }
        key(Qt::Key_Return);
        EXPECT_FALSE(view->isTracking());
    }
}

TEST_F(GradientEditingTest, ShiftTurnsTheEndToFifteenDegreesAndKeyEndsAsOneStep)
{
    const auto g = gradientRectangle();
    ASSERT_TRUE(view->setGradientForGraphics());
    press(at(Point(199.5f, 99.5f)));
    move(at(Point(209.5f, 100.5f)), Qt::ShiftModifier);
    release(at(Point(209.5f, 100.5f)), Qt::ShiftModifier);
    // From S = (100, 100) to (210, 101): 110.005 points at 0 degrees.
    EXPECT_NEAR(end(g).x, 100 + std::hypot(110.0, 1.0), 0.01);
    EXPECT_NEAR(end(g).y, 100, 0.01);
    key(Qt::Key_Return);
    EXPECT_FALSE(view->isTracking());
    TDUndoManager *undo = document->undoManager();
    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Set Gradient"));
    undo->undo();
    EXPECT_NEAR(end(g).x, 200, 0.01);
}

TEST_F(GradientEditingTest, HandleDraggedOntoTheOtherKeepsItsPlace)
{
    const auto g = gradientRectangle();
    ASSERT_TRUE(view->setGradientForGraphics());
    press(at(Point(199.5f, 99.5f)));
    move(at(Point(149.5f, 99.5f)));
    move(at(Point(99.5f, 99.5f)));
    release(at(Point(99.5f, 99.5f)));
    EXPECT_EQ(end(g), Point(150, 100));
    EXPECT_TRUE(std::isfinite(g->fillTransformation().m11));
    key(Qt::Key_Escape);
    EXPECT_EQ(end(g), Point(200, 100)) << "Escape gives the gradient back";
}

TEST_F(GradientEditingTest, EscapeRestoresTheGradientAndAlsoLeavesTheGroup)
{
    auto group = std::make_shared<TDGroup>();
    addQuietly(group);
    auto g = filledRectangle(Rect(0, 0, 300, 300), Color::black());
    g->fillStyle()->setStyle(TDFillStyle::GradientFill);
    g->setFillTransformation(AffineTransform());
    g->fillStyle()->setGradientFromPoint(Point(100, 100), Point(200, 100));
    group->addGraphic(g);
    group->calculateBounds();
    view->selectGraphic(group);
    view->setFocus();
    key(Qt::Key_Return);
    ASSERT_TRUE(view->editingGroup());
    view->selectGraphics({g});
    document->undoManager()->removeAllActions();

    ASSERT_TRUE(view->setGradientForGraphics());
    drag(at(Point(199.5f, 99.5f)), at(Point(249.5f, 99.5f)));
    EXPECT_EQ(end(g), Point(250, 100));
    key(Qt::Key_Escape);
    EXPECT_FALSE(view->isTracking());
    EXPECT_EQ(end(g), Point(200, 100));
    // A cancelled session leaves no gradient step (leaving the group may
    // leave its selection's).
    TDUndoManager *undo = document->undoManager();
    EXPECT_NE(undo->undoActionName(), QStringLiteral("Set Gradient"));
    // The Escape went on to do what it does: out of the group, which stays
    // selected.
    EXPECT_FALSE(view->editingGroup());
    EXPECT_EQ(document->currentLayer(), &layer());
    ASSERT_EQ(view->selection().size(), 1u);
    EXPECT_EQ(view->selection().front(), group);
    while (undo->canUndo())
        undo->undo();
    EXPECT_EQ(end(g), Point(200, 100));
}

TEST_F(GradientEditingTest, TheFreeRadiusHandleTurnsTheAxisThroughTheFillTransformation)
{
    // A radial gradient laid in a moved fill space: in the document it runs
    // from (100, 100) to (200, 100), its radius handle a quarter turn on.
    const auto g = gradientRectangle();
    g->fillStyle()->setGradientStyle(1);
    g->setFillTransformation(AffineTransform(1, 0, 0, 1, 10, 5));
    g->fillStyle()->setGradientFromPoint(Point(90, 95), Point(190, 95));
    ASSERT_TRUE(view->setGradientForGraphics());
    EXPECT_EQ(overlayPoint(2), Point(100, 200));

    // The first step turns the axis and takes it once more through the fill
    // transformation the graphic has before the step...
    press(at(Point(199.5f, 99.5f)));
    EXPECT_EQ(overlayPoint(2), Point(110, 205));
    // ...which the plain gradient set from the two ends makes the identity:
    // from then on the handle is the quarter turn itself.
    EXPECT_TRUE(g->fillTransformation().isIdentity());
    move(at(Point(199.5f, 149.5f)));
    release(at(Point(199.5f, 149.5f)));
    EXPECT_EQ(end(g), Point(200, 150));
    EXPECT_EQ(overlayPoint(2), Point(50, 200));
    key(Qt::Key_Return);
    EXPECT_FALSE(view->isTracking());
}
