// The canvas's tools: creating shapes by dragging, what a click or a locked
// layer creates (nothing), the tool lock and the pending created graphics,
// and the knob geometry of a drag.

#include "CanvasTestSupport.h"

#include "canvas/TDKnobGeometry.h"
#include "model/TDFillStyle.h"
#include "model/TDOval.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QTest>

#include <cmath>

using namespace scrivane;
using namespace scrivane::canvastest;

namespace {

struct ShapeTool {
    Tool tool;
    const char *actionName;
    bool (*isKind)(const TDGraphic *);
};

const ShapeTool shapeTools[] = {
    {Tool::Rectangle, "Create Rectangle",
     [](const TDGraphic *g) { return dynamic_cast<const TDRectangle *>(g) != nullptr; }},
    {Tool::Oval, "Create Oval",
     [](const TDGraphic *g) { return dynamic_cast<const TDOval *>(g) != nullptr; }},
};

} // namespace

TEST_F(CanvasTest, DraggingWithEachShapeToolCreatesOneGraphicAsOneUndoStep)
{
    for (const ShapeTool &shape : shapeTools) {
        SCOPED_TRACE(shape.actionName);
        layer().removeGraphics(TDGraphicArray(layerGraphics()));
        document->undoManager()->removeAllActions();
        chooseTool(shape.tool);
        ASSERT_EQ(view->drawMode(), shape.tool);

        drag(at(Point(100, 120)), at(Point(250, 200)));

        ASSERT_EQ(layerGraphics().size(), 1u);
        const TDGraphicPtr created = layerGraphics().front();
        EXPECT_TRUE(shape.isKind(created.get()));
        const Rect bounds = created->bounds();
        EXPECT_NEAR(bounds.minX(), 100.5, 1.0);
        EXPECT_NEAR(bounds.minY(), 120.5, 1.0);
        EXPECT_NEAR(bounds.width(), 150, 1.0);
        EXPECT_NEAR(bounds.height(), 80, 1.0);
        EXPECT_EQ(view->creatingGraphic(), nullptr);
        // The tool was used once: back to select, the new graphic selected.
        EXPECT_EQ(view->drawMode(), Tool::Select);

        TDUndoManager *undo = document->undoManager();
        ASSERT_TRUE(undo->canUndo());
        EXPECT_EQ(undo->undoActionName(), QString::fromLatin1(shape.actionName));
        undo->undo();
        EXPECT_TRUE(layerGraphics().empty());
        EXPECT_TRUE(view->selection().empty());
        EXPECT_FALSE(undo->canUndo()) << "the creation took more than one undo step";
    }
}

TEST_F(CanvasTest, ClickWithoutDragCreatesNothingAndLeavesNoUndo)
{
    for (const ShapeTool &shape : shapeTools) {
        SCOPED_TRACE(shape.actionName);
        chooseTool(shape.tool);
        click(at(Point(150, 150)));
        EXPECT_TRUE(layerGraphics().empty());
        EXPECT_FALSE(document->undoManager()->canUndo());
        EXPECT_EQ(view->creatingGraphic(), nullptr);
        EXPECT_EQ(view->drawMode(), Tool::Select);
    }
}

TEST_F(CanvasTest, EscapeDuringTheDragCreatesNothing)
{
    chooseTool(Tool::Rectangle);
    press(at(Point(100, 100)));
    move(at(Point(150, 150)));
    move(at(Point(200, 180)));
    key(Qt::Key_Escape);
    release(at(Point(200, 180)));
    EXPECT_TRUE(layerGraphics().empty());
    EXPECT_FALSE(document->undoManager()->canUndo());
    EXPECT_FALSE(view->isTracking());
}

TEST_F(CanvasTest, LockedOrHiddenCurrentLayerCreatesNothingAndKeepsTheTool)
{
    struct Case {
        const char *name;
        bool locked;
        bool visible;
    };
    for (const Case c : {Case{"locked", true, true}, Case{"hidden", false, false}}) {
        SCOPED_TRACE(c.name);
        layer().setLockedQuiet(c.locked);
        layer().setVisibleQuiet(c.visible);
        chooseTool(Tool::Oval);
        drag(at(Point(100, 100)), at(Point(200, 200)));
        EXPECT_TRUE(layerGraphics().empty());
        EXPECT_FALSE(document->undoManager()->canUndo());
        EXPECT_EQ(view->drawMode(), Tool::Oval);
        EXPECT_FALSE(view->isTracking());
    }
}

TEST_F(CanvasTest, NewGraphicTakesTheStyleOfTheInspectorSource)
{
    inspector.visible = filledRectangle(Rect(0, 0, 10, 10), Color::calibratedRGB(0, 0, 1));
    chooseTool(Tool::Rectangle);
    drag(at(Point(100, 100)), at(Point(200, 200)));
    ASSERT_EQ(layerGraphics().size(), 1u);
    const Color fill = layerGraphics().front()->fillStyle()->color();
    EXPECT_EQ(layerGraphics().front()->fillStyle()->style(), TDFillColor);
    EXPECT_FLOAT_EQ(fill.blueComponent(), 1.0f);
    EXPECT_EQ(layerGraphics().front()->strokeStyle()->style(), TDStrokeNone);
}

TEST_F(CanvasTest, ChoosingTheCurrentToolAgainLocksIt)
{
    chooseTool(Tool::Rectangle);
    TDToolStrip *strip = toolbar->toolStrip();
    EXPECT_FALSE(strip->toggleLocked());
    EXPECT_EQ(strip->imageIndexOfCell(4), 1);
    chooseTool(Tool::Rectangle);
    EXPECT_TRUE(strip->toggleLocked());
    EXPECT_EQ(strip->imageIndexOfCell(4), 2);

    drag(at(Point(100, 100)), at(Point(150, 150)));
    drag(at(Point(200, 100)), at(Point(250, 150)));
    EXPECT_EQ(layerGraphics().size(), 2u);
    EXPECT_EQ(view->drawMode(), Tool::Rectangle);
}

TEST_F(CanvasTest, SelectAndEditToolsAlwaysLockAndAutolockLocksEveryTool)
{
    chooseTool(Tool::Edit);
    EXPECT_TRUE(toolbar->toolStrip()->toggleLocked());
    chooseTool(Tool::Select);
    EXPECT_TRUE(toolbar->toolStrip()->toggleLocked());
    UserDefaults::standard().registerDefaults({{QStringLiteral("autolockTools"), true}});
    chooseTool(Tool::Hand);
    EXPECT_TRUE(toolbar->toolStrip()->toggleLocked());
    EXPECT_EQ(toolbar->toolStrip()->imageIndexOfCell(8), 2);
    EXPECT_EQ(toolbar->toolStrip()->imageIndexOfCell(0), 0);
    UserDefaults::standard().registerDefaults({{QStringLiteral("autolockTools"), false}});
}

TEST_F(CanvasTest, PendingCreatedGraphicsBecomeTheSelectionOnTheSelectTool)
{
    UserDefaults::standard().registerDefaults(
        {{QStringLiteral("autolockTools"), true}, {QStringLiteral("select new graphics"), false}});
    chooseTool(Tool::Rectangle);
    for (int i = 0; i < 3; ++i)
        drag(at(Point(100 + 60 * i, 100)), at(Point(140 + 60 * i, 140)));
    ASSERT_EQ(layerGraphics().size(), 3u);
    EXPECT_TRUE(view->selection().empty());
    EXPECT_EQ(view->createdGraphics().size(), 3u);

    chooseTool(Tool::Select);
    ASSERT_EQ(view->selection().size(), 3u);
    EXPECT_EQ(view->selection().front(), layerGraphics().back());
    EXPECT_TRUE(view->createdGraphics().empty());
    UserDefaults::standard().registerDefaults(
        {{QStringLiteral("autolockTools"), false}, {QStringLiteral("select new graphics"), true}});
}

TEST_F(CanvasTest, DigitOfTheStripSelectsItsCell)
{
    toolbar->toolStrip()->selectCell(3);
    EXPECT_EQ(view->drawMode(), Tool::Paint);
    EXPECT_EQ(document->drawMode(), Tool::Paint);
    toolbar->toolStrip()->selectCell(0); // no such column
    EXPECT_EQ(view->drawMode(), Tool::Paint);
}

TEST_F(CanvasTest, ShiftConstrainsTheCreatedShapeToASquare)
{
    chooseTool(Tool::Oval);
    drag(at(Point(100, 100)), at(Point(200, 140)), Qt::ShiftModifier);
    ASSERT_EQ(layerGraphics().size(), 1u);
    const Rect b = layerGraphics().front()->bounds();
    EXPECT_NEAR(b.width(), b.height(), 0.01);
    EXPECT_NEAR(b.width(), 100, 1.0);
}

TEST(CanvasKnobGeometry, ConstrainedScaleRotationAndMove)
{
    TDGraphicView view;
    view.setOriginalSelectedBounds(Rect(0, 0, 100, 50));
    TDKnobGeometry drag;
    struct Case {
        const char *name;
        Knob knob;
        Point to;
        bool shift;
        float m11, m22;
    };
    // Corner 8 of (0, 0, 100, 50): the pointer gives the factors directly.
    const Case scales[] = {
        {"corner, larger factor for both", Knob::BottomRight, Point(200, 60), true, 2, 2},
        {"corner, larger of negative and small", Knob::BottomRight, Point(-50, 15), true, 0.3f, 0.3f},
        {"middle rounds 1.3 up to 1.5", Knob::MiddleRight, Point(130, 25), true, 1.5f, 1},
        {"middle rounds 1.2 down to 1", Knob::MiddleRight, Point(120, 25), true, 1, 1},
        {"middle at -0.2 becomes almost 0", Knob::MiddleRight, Point(-20, 25), true, 0.0001f, 1},
        {"from no move a factor of 0 becomes almost 0", Knob::BottomMiddle, Point(50, 0), false, 1, 0.0001f},
    };
    for (const Case &c : scales) {
        SCOPED_TRACE(c.name);
        const Point start = c.knob == Knob::BottomRight   ? Point(100, 50)
                            : c.knob == Knob::MiddleRight ? Point(100, 25)
                                                          : Point(50, 50);
        const AffineTransform t = view.transformationForMovingKnob(drag, c.knob, start, c.to, c.shift, false);
        EXPECT_NEAR(t.m11, c.m11, 1e-5);
        EXPECT_NEAR(t.m22, c.m22, 1e-5);
    }

    struct Rotation {
        float degrees;
        float expected;
    };
    for (const Rotation r : {Rotation{22, 15}, Rotation{23, 30}, Rotation{-8, -15}}) {
        SCOPED_TRACE(r.degrees);
        // From the right of the centre (50, 25), turned by the angle (y down).
        const float a = r.degrees * 3.14159265f / 180;
        const Point to(50 + 40 * std::cos(a), 25 + 40 * std::sin(a));
        const AffineTransform t =
            view.transformationForMovingKnob(drag, Knob::Rotate, Point(90, 25), to, true, false);
        const float got = std::atan2(t.m12, t.m11) * 180 / 3.14159265f;
        EXPECT_NEAR(std::abs(got), std::abs(r.expected), 0.01);
        EXPECT_EQ(got > 0, r.expected > 0);
    }

    // A Shift move that starts vertical stays so until x wins by 20 points.
    const auto move = [&](Point to) {
        return view.transformationForMovingKnob(drag, Knob::Body, Point(10, 10), to, true, false);
    };
    const AffineTransform vertical = move(Point(12, 30));
    EXPECT_EQ(vertical.tX, 0);
    const AffineTransform still = move(Point(25, 20));
    EXPECT_EQ(still.tX, 0);
    const AffineTransform switched = move(Point(40, 20));
    EXPECT_EQ(switched.tY, 0);
    EXPECT_NEAR(switched.tX, 30, 1e-4);
}

namespace {

TDEvent mouseEvent(TDEvent::Type type, QPointF inWindow)
{
    TDEvent event;
    event.type = type;
    event.locationInWindow = Point(float(inWindow.x()), float(inWindow.y()));
    return event;
}

} // namespace

TEST_F(CanvasTest, KnobDragMovesAsOneStepAndEscapeOrAClickLeavesNothing)
{
    const auto graphic = filledRectangle(Rect(100, 100, 50, 50), Color::black());
    addQuietly(graphic);
    view->selectGraphics({graphic});
    document->undoManager()->removeAllActions();
    const AffineTransform before = graphic->transformation();
    const auto windowPoint = [this](Point p) { return view->mapTo(window.get(), at(p)); };

    struct Case {
        const char *name;
        Point to;
        bool escape;
        bool completed;
        bool moved;
    };
    const Case cases[] = {
        {"click without a real move", Point(121, 121), false, false, false},
        {"escape after moving", Point(160, 130), true, false, false},
        {"move", Point(160, 130), false, true, true},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        int completions = 0;
        bool completed = false;
        view->trackKnob(Knob::Body, {graphic},
                        mouseEvent(TDEvent::Type::MouseDown, windowPoint(Point(120, 120))),
                        [&](TDGraphicViewInterface::TrackingResult result) {
                            ++completions;
                            completed = result.completed;
                        });
        // The tracker stands for the press: the events that follow it.
        move(at(Point((120 + c.to.x) / 2, (120 + c.to.y) / 2)));
        move(at(c.to));
        if (c.escape)
            key(Qt::Key_Escape);
        release(at(c.to));
        EXPECT_EQ(completions, 1);
        EXPECT_EQ(completed, c.completed);
        EXPECT_FALSE(view->isTrackingKnobs());
        if (c.moved) {
            EXPECT_NEAR(graphic->bounds().minX(), 140, 0.6);
            EXPECT_NEAR(graphic->bounds().minY(), 110, 0.6);
            ASSERT_TRUE(document->undoManager()->canUndo());
            document->undoManager()->undo();
        } else {
            EXPECT_FALSE(document->undoManager()->canUndo());
        }
        EXPECT_EQ(graphic->transformation(), before);
    }
}
