// Knob drags on the canvas with simulated mouse and key events: each
// handle's drag, Shift, one undo step per drag, Escape, a lost release and
// snapping to the grid.

#include "SelectionTestSupport.h"

#include "model/TDStrokeStyle.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;
using namespace scrivane::selectiontest;

namespace {

constexpr Rect kRect(100, 100, 200, 100);

struct TransformFixture : ::testing::Test, CanvasHarness {
    TransformFixture()
    {
        graphic = addRect(layer(), kRect);
        view.selectGraphic(graphic);
        settle();
    }

    // After a drag: the bounds, one undo step named "Transform" that puts
    // everything back and leaves the document clean.
    void check(const char *label, const Rect &expected);

    std::shared_ptr<TDRectangle> graphic;
};

void expectRect(const Rect &actual, const Rect &expected, const std::string &label)
{
    EXPECT_NEAR(actual.minX(), expected.minX(), 1e-3) << label;
    EXPECT_NEAR(actual.minY(), expected.minY(), 1e-3) << label;
    EXPECT_NEAR(actual.width(), expected.width(), 1e-3) << label;
    EXPECT_NEAR(actual.height(), expected.height(), 1e-3) << label;
}

} // namespace

TEST_F(TransformFixture, EachKnobDragGivesItsTransformationAsOneUndoStep)
{
    // The handles sit 10 screen pixels outside the bounds (zoom 1).
    struct Case {
        const char *label;
        Point press;
        Point delta;
        unsigned flags;
        Rect expected;
    };
    const Case cases[] = {
        {"1 top left", {90, 90}, {-50, -20}, 0, {50, 80, 250, 120}},
        {"2 top middle", {200, 90}, {30, -50}, 0, {100, 50, 200, 150}},
        {"3 top right", {310, 90}, {100, 50}, 0, {100, 150, 300, 50}},
        {"4 middle left", {90, 150}, {50, 20}, 0, {150, 100, 150, 100}},
        {"5 middle right", {310, 150}, {200, -150}, 0, {100, 100, 400, 100}},
        {"6 bottom left", {90, 210}, {-100, 100}, 0, {0, 100, 300, 200}},
        {"7 bottom middle", {200, 210}, {-200, 50}, 0, {100, 100, 200, 150}},
        {"8 bottom right", {310, 210}, {50, -50}, 0, {100, 100, 250, 50}},
        {"8 from the centre", {310, 210}, {100, 50}, TDEvent::Alternate, {0, 50, 400, 200}},
        {"9 the centre handle", {200, 150}, {20, -20}, 0, {120, 80, 200, 100}},
        {"the body", {150, 120}, {20, -20}, 0, {120, 80, 200, 100}},
        // Shift: the corner takes the larger factor (2 over 1.2) for both.
        {"8 with Shift", {310, 210}, {200, 20}, TDEvent::Shift, {100, 100, 400, 200}},
        // Shift: a middle handle in half steps (1.3 becomes 1.5).
        {"7 with Shift", {200, 210}, {0, 30}, TDEvent::Shift, {100, 100, 200, 150}},
    };
    for (const Case &c : cases) {
        drag(c.press, Point(c.press.x + c.delta.x, c.press.y + c.delta.y), c.flags);
        check(c.label, c.expected);
    }
    // Shift held from the press would take the graphic out of the
    // selection: it comes once the drag runs.  A move that starts mostly
    // vertical stays vertical.
    press(Point(150, 120));
    dragTo(Point(151, 130));
    dragTo(Point(155, 160), TDEvent::Shift);
    release(Point(155, 160), TDEvent::Shift);
    check("the body with Shift", Rect(100, 140, 200, 100));
}

void TransformFixture::check(const char *label, const Rect &expected)
{
    EXPECT_FALSE(view.isTracking()) << label;
    expectRect(graphic->bounds(), expected, label);
    TDUndoManager *undo = document.undoManager();
    EXPECT_EQ(undo->undoActionName(), "Transform") << label;
    EXPECT_TRUE(document.isDocumentEdited()) << label;
    undo->undo();
    expectRect(graphic->bounds(), kRect, std::string(label) + ", undone");
    EXPECT_FALSE(undo->canUndo()) << label << ": the drag is one step";
    EXPECT_FALSE(document.isDocumentEdited()) << label;
    undo->removeAllActions();
    EXPECT_TRUE(view.graphicIsSelected(graphic.get())) << label;
}

TEST_F(TransformFixture, EscapeAndCtrlPeriodRestoreTheStartExactly)
{
    graphic->strokeStyle()->setStyle(TDStrokeLine);
    graphic->strokeStyle()->setStrokeWidth(3);
    graphic->setTransformation(AffineTransform(200, 0.25f, -0.5f, 100, 100.125f, 100.375f));
    settle();
    const AffineTransform shape = graphic->transformation();
    const AffineTransform fill = graphic->fillTransformation();
    const Rect bounds = graphic->bounds();
    const Rect handles = view.selectedBounds();

    struct Cancel {
        const char *label;
        int key;
        Qt::KeyboardModifiers modifiers;
        QString text;
    };
    for (const Cancel &c : {Cancel{"Escape", Qt::Key_Escape, Qt::NoModifier, QString(QChar(27))},
                            Cancel{"Ctrl+.", Qt::Key_Period, Qt::ControlModifier, QStringLiteral(".")}}) {
        const Point corner(handles.maxX() + 10, handles.maxY() + 10);
        press(corner);
        dragTo(Point(corner.x + 40, corner.y + 70));
        dragTo(Point(corner.x + 80, corner.y + 90));
        ASSERT_TRUE(view.isTracking()) << c.label;
        EXPECT_NE(graphic->transformation(), shape) << c.label;
        key(c.key, c.modifiers, c.text);
        EXPECT_FALSE(view.isTracking()) << c.label;
        release(Point(corner.x + 80, corner.y + 90));
        EXPECT_EQ(graphic->transformation(), shape) << c.label;
        EXPECT_EQ(graphic->fillTransformation(), fill) << c.label;
        EXPECT_EQ(graphic->bounds(), bounds) << c.label;
        EXPECT_EQ(graphic->strokeStyle()->strokeWidth(), 3.0f) << c.label;
        EXPECT_FALSE(graphic->manipulating()) << c.label;
        EXPECT_FALSE(view.isTrackingKnobs()) << c.label;
        // Nothing to undo, and the document is as clean as before.
        EXPECT_FALSE(document.undoManager()->canUndo()) << c.label;
        EXPECT_FALSE(document.isDocumentEdited()) << c.label;
    }
}

TEST_F(TransformFixture, ALostReleaseEndsTheDragLikeARelease)
{
    press(Point(150, 120));
    dragTo(Point(160, 130));
    dragTo(Point(180, 150));
    ASSERT_TRUE(view.isTrackingKnobs());
    loseFocus();
    EXPECT_FALSE(view.isTracking());
    EXPECT_FALSE(view.isTrackingKnobs());
    EXPECT_FALSE(graphic->manipulating());
    expectRect(graphic->bounds(), Rect(130, 130, 200, 100), "after the focus went");
    EXPECT_EQ(document.undoManager()->undoActionName(), "Transform");
    // The release that comes late changes nothing more.
    release(Point(400, 400));
    expectRect(graphic->bounds(), Rect(130, 130, 200, 100), "after the late release");
    document.undoManager()->undo();
    expectRect(graphic->bounds(), kRect, "undone");
}

TEST_F(TransformFixture, AClickWithoutARealMoveChangesNothing)
{
    // 2 pixels at zoom 1 is no move.
    press(Point(150, 120));
    dragTo(Point(152, 120));
    release(Point(152, 120));
    EXPECT_EQ(graphic->bounds(), kRect);
    EXPECT_FALSE(document.undoManager()->canUndo());
    EXPECT_FALSE(document.isDocumentEdited());
}

TEST_F(TransformFixture, MovesSnapTheBoundsOriginToTheGrid)
{
    document.setGridSnap(true);
    document.setGridSpacing(10);
    document.setNumberOfSubGrids(1);
    // The origin would land on (113, 106): it snaps to (110, 110).
    drag(Point(150, 120), Point(163, 126));
    expectRect(graphic->bounds(), Rect(110, 110, 200, 100), "snapped move");
    document.undoManager()->undo();
    // A corner's own place snaps, wherever on the handle the press was.
    drag(Point(312, 213), Point(358, 244));
    expectRect(graphic->bounds(), Rect(100, 100, 250, 130), "snapped corner");
}

TEST_F(TransformFixture, FlatSelectionsScaleWithoutBecomingNotANumber)
{
    // A vertical line: the middle handles scale it; Shift and Option add
    // nothing that divides by its zero width.
    auto line = std::make_shared<TDRectangle>();
    line->setTransformation(TDGraphic::transformForBounds(Rect(400, 100, 0, 80)));
    layer().addGraphic(line);
    view.selectGraphics({line});
    for (unsigned flags : {0u, unsigned(TDEvent::Shift), unsigned(TDEvent::Shift | TDEvent::Alternate)}) {
        drag(Point(400, 190), Point(437, 231), flags);
        const AffineTransform t = line->transformation();
        for (float v : {t.m11, t.m12, t.m21, t.m22, t.tX, t.tY})
            EXPECT_TRUE(std::isfinite(v)) << flags;
        EXPECT_EQ(line->bounds().width(), 0) << flags;
        EXPECT_GT(line->bounds().height(), 80) << flags;
        document.undoManager()->undo();
        expectRect(line->bounds(), Rect(400, 100, 0, 80), "undone");
    }
}

TEST_F(TransformFixture, TheStatusLineFollowsTheDrag)
{
    QString shown;
    document.setStatusSink([&shown](const QString &text) { shown = text; });
    press(Point(310, 210));
    dragTo(Point(360, 260));
    EXPECT_TRUE(shown.contains(QStringLiteral("Scale: 250 x 150 (125.00% x 150.00%)"))) << shown.toStdString();
    release(Point(360, 260));
    document.undoManager()->undo();
    press(Point(150, 120));
    dragTo(Point(170, 100));
    EXPECT_TRUE(shown.contains(QStringLiteral("Translate: 20 x -20"))) << shown.toStdString();
    release(Point(170, 100));
    document.setStatusSink(nullptr);
}

TEST_F(TransformFixture, ResettingFillAndStrokeTransformationsIsOneStepForTheSelection)
{
    auto second = addRect(layer(), Rect(400, 100, 50, 80));
    view.selectGraphics({graphic, second});
    const AffineTransform skewed(2, 0.5f, 0, 3, 7, 9);
    for (const auto &g : {graphic, second}) {
        g->setFillTransformation(skewed);
        g->setStrokeTransformation(skewed);
    }
    settle();
    TDUndoManager *undo = document.undoManager();

    view.resetFillTransform();
    undo->eventHandled();
    EXPECT_EQ(graphic->fillTransformation(), TDGraphic::transformForBounds(kRect));
    EXPECT_EQ(second->fillTransformation(), TDGraphic::transformForBounds(Rect(400, 100, 50, 80)));
    EXPECT_EQ(undo->undoActionName(), "Reset Fill Transform");

    view.resetStrokeTransform();
    undo->eventHandled();
    EXPECT_TRUE(graphic->strokeTransformation().isIdentity());
    EXPECT_TRUE(second->strokeTransformation().isIdentity());
    EXPECT_EQ(undo->undoActionName(), "Reset Stroke Transform");

    undo->undo();
    EXPECT_EQ(second->strokeTransformation(), skewed);
    undo->undo();
    EXPECT_EQ(graphic->fillTransformation(), skewed);
    EXPECT_EQ(second->fillTransformation(), skewed);
    EXPECT_FALSE(undo->canUndo());
}
