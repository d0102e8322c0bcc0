// The canvas's keys: tool letters and digits, nudging by 1 and 10 and by a
// screen pixel with Alt, the temporary hand and zoom tools, Return and
// Escape into and out of groups, the stacking commands, and the status
// hint and cursor each tool shows.

#include "CanvasTestSupport.h"

#include "canvas/TDCursors.h"
#include "model/TDBezierGraphic.h"
#include "model/TDBezierPath.h"
#include "model/TDGroup.h"
#include "model/TDOval.h"

#include <QApplication>
#include <QTest>

using namespace scrivane;
using namespace scrivane::canvastest;

namespace {

class KeyboardTest : public CanvasTest {
protected:
    std::shared_ptr<TDRectangle> addRect(const Rect &r)
    {
        auto g = filledRectangle(r, Color::calibratedRGB(1, 0, 0));
        addQuietly(g);
        return g;
    }
    void tap(Qt::Key k, Qt::KeyboardModifiers modifiers = Qt::NoModifier) { QTest::keyClick(view, k, modifiers); }
};

} // namespace

TEST_F(KeyboardTest, ToolLettersPickTheirToolWhenLetGo)
{
    struct Row {
        Qt::Key key;
        Tool tool;
    };
    const Row rows[] = {
        {Qt::Key_A, Tool::Edit},      {Qt::Key_B, Tool::Paint}, {Qt::Key_P, Tool::Polygon},
        {Qt::Key_M, Tool::Rectangle}, {Qt::Key_N, Tool::Oval},  {Qt::Key_T, Tool::Text},
        {Qt::Key_Z, Tool::Zoom},      {Qt::Key_H, Tool::Hand},  {Qt::Key_I, Tool::Dropper},
        {Qt::Key_V, Tool::Select},
    };
    view->setFocus();
    for (const Row &row : rows) {
        SCOPED_TRACE(int(row.tool));
        const Tool before = view->drawMode();
        QTest::keyPress(view, row.key);
        EXPECT_EQ(view->drawMode(), before) << "nothing happens before the release";
        QTest::keyRelease(view, row.key);
        EXPECT_EQ(view->drawMode(), row.tool);
    }
}

TEST_F(KeyboardTest, DigitsPickTheCellsAndZeroTheTenth)
{
    view->setFocus();
    tap(Qt::Key_3);
    EXPECT_EQ(view->drawMode(), Tool::Paint);
    tap(Qt::Key_0);
    EXPECT_EQ(view->drawMode(), Tool::Dropper);
    tap(Qt::Key_1);
    EXPECT_EQ(view->drawMode(), Tool::Select);
}

TEST_F(KeyboardTest, ArrowsNudgeByOneTenOrAScreenPixel)
{
    const auto g = addRect(Rect(100, 100, 50, 50));
    view->selectGraphic(g);
    scroll->setScaleFactor(4, true);
    struct Row {
        const char *name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        Point moved;
    };
    const Row rows[] = {
        {"right", Qt::Key_Right, Qt::NoModifier, Point(1, 0)},
        {"shiftDown", Qt::Key_Down, Qt::ShiftModifier, Point(0, 10)},
        {"altLeftAt400", Qt::Key_Left, Qt::AltModifier, Point(-0.25f, 0)},
        {"shiftAltUpAt400", Qt::Key_Up, Qt::ShiftModifier | Qt::AltModifier, Point(0, -2.5f)},
    };
    view->setFocus();
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        const Rect before = g->bounds();
        document->undoManager()->removeAllActions();
        tap(row.key, row.modifiers);
        EXPECT_NEAR(g->bounds().minX() - before.minX(), row.moved.x, 1e-4);
        EXPECT_NEAR(g->bounds().minY() - before.minY(), row.moved.y, 1e-4);
        ASSERT_TRUE(document->undoManager()->canUndo());
        document->undoManager()->undo();
        EXPECT_EQ(g->bounds(), before) << "the nudge is one undo step";
        tap(row.key, row.modifiers);
    }
}

TEST_F(KeyboardTest, ArrowsInTheEditToolMoveOnlyTheSelectedNodes)
{
    TDBezierPath path;
    path.moveTo(Point(100, 100));
    path.lineTo(Point(200, 100));
    path.lineTo(Point(200, 200));
    auto g = TDBezierGraphic::graphicWithBezierPath(path);
    addQuietly(g);
    view->selectGraphic(g);
    chooseTool(Tool::Edit);
    view->setGraphicNodes({{g->IDint(), {1}}});
    view->setFocus();
    tap(Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_EQ(g->bezierPath()->elements()[1].points[0], Point(210, 100));
    EXPECT_EQ(g->bezierPath()->elements()[0].points[0], Point(100, 100));
    EXPECT_EQ(g->bezierPath()->elements()[2].points[0], Point(200, 200));
}

TEST_F(KeyboardTest, SpaceHoldsTheHandAndCtrlSpaceTakesTheZoomForOnePress)
{
    chooseTool(Tool::Rectangle);
    chooseTool(Tool::Rectangle); // locked
    ASSERT_TRUE(view->toolLocked());
    view->setFocus();
    QTest::keyPress(view, Qt::Key_Space);
    EXPECT_EQ(view->drawMode(), Tool::Hand);
    // The held key repeats, as X sends it: a release and a press, both
    // marked as repeats; nothing more happens.
    QKeyEvent repeatUp(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QApplication::sendEvent(view, &repeatUp);
    EXPECT_EQ(view->drawMode(), Tool::Hand);
    QKeyEvent repeat(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), true);
    QApplication::sendEvent(view, &repeat);
    EXPECT_EQ(view->drawMode(), Tool::Hand);
    QTest::keyRelease(view, Qt::Key_Space);
    EXPECT_EQ(view->drawMode(), Tool::Rectangle);
    EXPECT_TRUE(view->toolLocked()) << "the locked tool comes back locked";

    chooseTool(Tool::Oval);
    tap(Qt::Key_Space, Qt::ControlModifier);
    EXPECT_EQ(view->drawMode(), Tool::Zoom);
    click(at(Point(200, 200)));
    EXPECT_EQ(view->drawMode(), Tool::Oval) << "the zoom returns after one press";
}

TEST_F(KeyboardTest, ReturnEntersAGroupAndEscapeLeavesItSelected)
{
    auto group = std::make_shared<TDGroup>();
    addQuietly(group);
    auto inner = addRect(Rect(10, 10, 20, 20));
    layer().removeGraphic(inner.get());
    group->addGraphic(inner);
    group->calculateBounds();
    view->selectGraphic(group);
    view->setFocus();
    tap(Qt::Key_Return);
    EXPECT_EQ(document->currentLayer(), group.get());
    EXPECT_TRUE(view->editingGroup());
    tap(Qt::Key_Escape);
    EXPECT_EQ(document->currentLayer(), &layer());
    ASSERT_EQ(view->selection().size(), 1u);
    EXPECT_EQ(view->selection().front(), group);

    // Return with a plain graphic takes the edit tool; Escape ends it.
    const auto r = addRect(Rect(200, 200, 20, 20));
    view->selectGraphics({r});
    tap(Qt::Key_Return);
    EXPECT_EQ(view->drawMode(), Tool::Edit);
    tap(Qt::Key_Escape);
    EXPECT_EQ(view->drawMode(), Tool::Select);
}

TEST_F(KeyboardTest, StackingCommandsKeepTheSelectionsOrderAsOneNamedStep)
{
    const auto a = addRect(Rect(0, 0, 10, 10));
    const auto b = addRect(Rect(0, 0, 10, 10));
    const auto c = addRect(Rect(0, 0, 10, 10));
    const auto d = addRect(Rect(0, 0, 10, 10));
    const auto order = [this] {
        QString s;
        for (const auto &g : layerGraphics())
            s += QString::number(g->IDint());
        return s;
    };
    const auto ids = [](std::initializer_list<TDGraphicPtr> gs) {
        QString s;
        for (const auto &g : gs)
            s += QString::number(g->IDint());
        return s;
    };
    TDUndoManager *undo = document->undoManager();

    // Each command is one input event's step.
    const auto run = [undo](void (TDGraphicView::*command)(), TDGraphicView *v) {
        (v->*command)();
        undo->eventHandled();
    };
    view->selectGraphics({c, d});
    undo->eventHandled();
    undo->removeAllActions();
    run(&TDGraphicView::bringForward, view);
    EXPECT_EQ(order(), ids({a, b, c, d})) << "two selected at the top move neither";
    EXPECT_FALSE(undo->canUndo());

    view->selectGraphics({a, c});
    undo->eventHandled();
    run(&TDGraphicView::bringForward, view);
    EXPECT_EQ(order(), ids({b, a, d, c}));
    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Bring Forward"));
    run(&TDGraphicView::sendToBack, view);
    EXPECT_EQ(order(), ids({a, c, b, d}));
    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Send To Back"));
    run(&TDGraphicView::bringToFront, view);
    EXPECT_EQ(order(), ids({b, d, a, c}));
    run(&TDGraphicView::sendBackward, view);
    EXPECT_EQ(order(), ids({b, a, c, d}));
    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Send Backward"));
    undo->undo();
    EXPECT_EQ(order(), ids({b, d, a, c}));
}

TEST_F(KeyboardTest, SendToBackGathersGraphicsOfTwoLayersIntoTheTopmostOnesLayer)
{
    const auto a = addRect(Rect(0, 0, 10, 10));
    const auto b = addRect(Rect(0, 0, 10, 10));
    auto second = std::make_shared<TDLayer>();
    const std::shared_ptr<TDLayer> first = document->layers().front();
    document->setLayers({first, second});
    document->setCurrentLayer(first.get());
    const auto c = filledRectangle(Rect(0, 0, 10, 10), Color::black());
    c->setDocument(document.get());
    second->addGraphic(c);
    view->selectGraphics({b, c});
    view->sendToBack();
    ASSERT_EQ(second->graphics().size(), 2u);
    EXPECT_EQ(second->graphics()[0], b);
    EXPECT_EQ(second->graphics()[1], c);
    EXPECT_EQ(layerGraphics().size(), 1u);
    EXPECT_EQ(layerGraphics().front(), a);
}

TEST_F(KeyboardTest, StatusHintFollowsToolSelectionAndModifiers)
{
    QString status;
    document->setStatusSink([&status](const QString &text) { status = text; });
    struct Row {
        const char *name;
        Tool tool;
        unsigned modifiers;
        const char *hint;
    };
    const Row rows[] = {
        {"selectNothing", Tool::Select, 0, "Click/drag to select graphics.  *S toggle  *M underneath"},
        {"rectangle", Tool::Rectangle, 0, "Drag to create a rectangle.  *S square  *A from center"},
        {"rectangleShift", Tool::Rectangle, TDEvent::Shift, "Drag to create a square."},
        {"rectangleShiftAlt", Tool::Rectangle, TDEvent::Shift | TDEvent::Alternate,
         "Drag to create a square from the center."},
        {"ovalAlt", Tool::Oval, TDEvent::Alternate, "Drag to create an oval from the center."},
        {"zoomAlt", Tool::Zoom, TDEvent::Alternate, "Click to zoom out."},
        {"dropperShiftCtrl", Tool::Dropper, TDEvent::Shift | TDEvent::Command, "Click to pickup Fill and Effects styles."},
        {"dropperAlt", Tool::Dropper, TDEvent::Alternate, "Click to pickup Stroke styles."},
        {"polygon", Tool::Polygon, 0, "Click to start a polygon. Click on nodes to join to other paths."},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        view->selectTool(row.tool);
        EXPECT_EQ(view->statusHint(row.modifiers), QString::fromUtf8(row.hint));
    }
    // With the Shift key held, the next update shows the square.
    chooseTool(Tool::Rectangle);
    view->setFocus();
    // As the window system sends it: the state before the key (Qt's event
    // answers the state after it).
    QKeyEvent shiftDown(QEvent::KeyPress, Qt::Key_Shift, Qt::NoModifier);
    QApplication::sendEvent(view, &shiftDown);
    EXPECT_TRUE(status.contains(QStringLiteral("Drag to create a square."))) << status.toStdString();
    QKeyEvent shiftUp(QEvent::KeyRelease, Qt::Key_Shift, Qt::ShiftModifier);
    QApplication::sendEvent(view, &shiftUp);
    EXPECT_FALSE(status.contains(QStringLiteral("Drag to create a square."))) << status.toStdString();
}

TEST_F(KeyboardTest, OneSelectedGraphicShowsItsNameEscapedAndTheGroupPrefix)
{
    const auto r = addRect(Rect(0, 0, 10, 10));
    r->setName(QStringLiteral("*S <b>x"));
    view->selectGraphic(r);
    chooseTool(Tool::Select);
    EXPECT_EQ(view->statusHint(0),
              QStringLiteral("<b>\\*S \\<b\\>x selected.</b> Drag handles to resize.  *C rotate/skew"));
    const auto o = std::make_shared<TDOval>();
    addQuietly(o);
    view->selectGraphics({r, o});
    EXPECT_EQ(view->statusHint(0),
              QStringLiteral("<b>2 graphics selected.</b> Drag handles to resize.  *C rotate/skew"));
}

TEST_F(KeyboardTest, EachToolShowsItsCursorWithItsHotSpot)
{
    struct Row {
        Tool tool;
        TDCursors::Kind kind;
        QPoint hotSpot;
    };
    const Row rows[] = {
        {Tool::Edit, TDCursors::Kind::EditArrow, QPoint(12, 8)},
        {Tool::Paint, TDCursors::Kind::Paintbrush, QPoint(7, 19)},
        {Tool::Polygon, TDCursors::Kind::Crosshair, QPoint(7, 7)},
        {Tool::Zoom, TDCursors::Kind::ZoomIn, QPoint(6, 6)},
        {Tool::Hand, TDCursors::Kind::HandOpen, QPoint(8, 8)},
        {Tool::Dropper, TDCursors::Kind::Dropper, QPoint(2, 16)},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(int(row.tool));
        view->selectTool(row.tool);
        EXPECT_EQ(view->cursor().shape(), Qt::BitmapCursor);
        EXPECT_EQ(view->cursor().hotSpot(), row.hotSpot);
        EXPECT_EQ(TDCursors::hotSpot(row.kind), row.hotSpot);
    }
    view->selectTool(Tool::Select);
    EXPECT_EQ(view->cursor().shape(), Qt::ArrowCursor);
}

TEST_F(KeyboardTest, ThePressThatActivatesTheApplicationDoesNotReachTheTool)
{
    chooseTool(Tool::Rectangle);
    TDGraphicView::setApplicationWasActive(false);
    drag(at(Point(100, 100)), at(Point(200, 200)));
    EXPECT_TRUE(layerGraphics().empty());
    drag(at(Point(100, 100)), at(Point(200, 200)));
    EXPECT_EQ(layerGraphics().size(), 1u);
}

TEST_F(KeyboardTest, KeysWithoutTextAreIgnoredAndDeleteGoesByItsKey)
{
    const auto g = addRect(Rect(100, 100, 50, 50));
    view->selectGraphic(g);
    chooseTool(Tool::Select);
    document->undoManager()->removeAllActions();
    view->setFocus();
    const auto send = [this](QEvent::Type type, int code, const QString &text) {
        QKeyEvent event(type, code, Qt::NoModifier, text);
        QApplication::sendEvent(view, &event);
    };
    const auto pressAndRelease = [&send](int code, const QString &text) {
        send(QEvent::KeyPress, code, text);
        send(QEvent::KeyRelease, code, text);
    };

    // A dead key types nothing: no tool changes, nothing is deleted.
    pressAndRelease(Qt::Key_Dead_Acute, QString());
    // The character Delete gives on some keyboards, under another key.
    pressAndRelease(Qt::Key_unknown, QStringLiteral("\x7f"));
    pressAndRelease(Qt::Key_unknown, QStringLiteral("\b"));
    EXPECT_EQ(view->drawMode(), Tool::Select);
    ASSERT_EQ(layerGraphics().size(), 1u);
    EXPECT_FALSE(document->undoManager()->canUndo());

    // Delete and Backspace delete by their keys, whatever text they bring.
    for (const int code : {int(Qt::Key_Delete), int(Qt::Key_Backspace)}) {
        SCOPED_TRACE(code);
        view->selectGraphic(g);
        pressAndRelease(code, QString());
        EXPECT_TRUE(layerGraphics().empty());
        ASSERT_TRUE(document->undoManager()->canUndo());
        document->undoManager()->undo();
        ASSERT_EQ(layerGraphics().size(), 1u);
    }
}
