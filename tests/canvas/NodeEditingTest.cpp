// The edit tool on the canvas: pressing nodes selects them by the node-set
// rules, dragging moves every selected node (one step, "Node alter"),
// control handles move alone ("Control alter"), a band selects nodes
// (Shift adds), Ctrl+Alt inserts a node, and node selections change no
// document.

#include "CanvasTestSupport.h"

#include "model/TDBezierGraphic.h"
#include "model/TDBezierPath.h"
#include "model/TDGroup.h"
#include "model/TDRectangle.h"

#include <QApplication>
#include <QPaintEvent>

using namespace scrivane;
using namespace scrivane::canvastest;

namespace {

class NodeEditingTest : public CanvasTest {
protected:
    // Move (100, 100), line (200, 100), curve to (300, 200), line (300, 300).
    std::shared_ptr<TDBezierGraphic> addPath()
    {
        TDBezierPath path;
        path.moveTo(Point(100, 100));
        path.lineTo(Point(200, 100));
        path.curveTo(Point(300, 200), Point(250, 100), Point(300, 150));
        path.lineTo(Point(300, 300));
        auto graphic = TDBezierGraphic::graphicWithBezierPath(path);
        addQuietly(graphic);
        view->selectGraphic(graphic);
        chooseTool(Tool::Edit);
        document->undoManager()->removeAllActions();
        return graphic;
    }
    QList<int> nodesOf(const TDGraphicPtr &g) const { return view->selectedNodesForGraphic(g.get()); }
    // A point of the path as the press finds it (the press adds no offset).
    Point node(const std::shared_ptr<TDBezierGraphic> &g, int n) const { return g->node(n); }
};

} // namespace

TEST_F(NodeEditingTest, PressingNodesFollowsTheNodeSetRules)
{
    const auto path = addPath();
    struct Row {
        const char *name;
        int node;
        Qt::KeyboardModifiers modifiers;
        QList<int> expected;
    };
    // Each row starts from the nodes the row before left.
    const Row rows[] = {
        {"clickSelectsOnlyIt", 1, Qt::NoModifier, {1}},
        {"clickAnotherReplaces", 3, Qt::NoModifier, {3}},
        {"shiftAdds", 1, Qt::ShiftModifier, {3, 1}},
        {"clickSelectedKeepsTheSet", 1, Qt::NoModifier, {3, 1}},
        {"shiftOnSelectedRemoves", 3, Qt::ShiftModifier, {1}},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        click(at(node(path, row.node)), row.modifiers);
        EXPECT_EQ(nodesOf(path), row.expected);
    }
    // Selecting nodes is undoable but changes no document.
    EXPECT_TRUE(document->undoManager()->canUndo());
    EXPECT_FALSE(document->isDocumentEdited());
}

TEST_F(NodeEditingTest, DraggingASelectedNodeMovesEverySelectedNodeAsOneStep)
{
    const auto path = addPath();
    click(at(node(path, 1)));
    click(at(node(path, 3)), Qt::ShiftModifier);
    drag(at(node(path, 3)), at(Point(320, 330)));
    const TDBezierPath &p = *path->bezierPath();
    EXPECT_EQ(p.elements()[3].points[0], Point(320, 330));
    EXPECT_EQ(p.elements()[1].points[0], Point(220, 130));
    // The control leaving node 1 went with it; node 2 stayed.
    EXPECT_EQ(p.elements()[2].points[0], Point(270, 130));
    EXPECT_EQ(p.elements()[2].points[2], Point(300, 200));
    TDUndoManager *undo = document->undoManager();
    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Node alter"));
    undo->undo();
    EXPECT_EQ(path->bezierPath()->elements()[3].points[0], Point(300, 300));
    EXPECT_EQ(path->bezierPath()->elements()[1].points[0], Point(200, 100));
}

TEST_F(NodeEditingTest, EscapePutsTheNodesBack)
{
    const auto path = addPath();
    click(at(node(path, 1)));
    press(at(node(path, 1)));
    move(at(Point(240, 160)));
    key(Qt::Key_Escape);
    release(at(Point(240, 160)));
    EXPECT_EQ(path->bezierPath()->elements()[1].points[0], Point(200, 100));
    EXPECT_FALSE(view->isTracking());
}

TEST_F(NodeEditingTest, ControlHandleOfASelectedNodeMovesAlone)
{
    const auto path = addPath();
    click(at(node(path, 2)));
    // Control 2 of curve 2 enters node 2: number -(4*2 + 1).
    const Point control(300, 150);
    EXPECT_EQ(path->nodeUnderPoint(control, view, false), -9);
    // The next segment is straight: the control stays on its line (x = 300).
    drag(at(control), at(Point(330, 130)));
    const TDBezierPath &p = *path->bezierPath();
    EXPECT_EQ(p.elements()[2].points[1], Point(300, 130));
    // The node and the other nodes stayed; the node set too.
    EXPECT_EQ(p.elements()[2].points[2], Point(300, 200));
    EXPECT_EQ(nodesOf(path), QList<int>{2});
    EXPECT_EQ(document->undoManager()->undoActionName(), QStringLiteral("Control alter"));
}

TEST_F(NodeEditingTest, RoundedCornerIsAControlHandleOfTheRectangle)
{
    auto rect = filledRectangle(Rect(100, 100, 200, 100), Color::calibratedRGB(1, 0, 0));
    addQuietly(rect);
    view->selectGraphic(rect);
    chooseTool(Tool::Edit);
    document->undoManager()->removeAllActions();
    // Handle -1: the centre of the corner arc, at the corner while square.
    const Point handle = rect->node(-1);
    ASSERT_EQ(rect->nodeUnderPoint(handle, view), -1);
    drag(at(handle), at(Point(handle.x + 20, handle.y + 20)));
    EXPECT_GT(rect->roundness(), 0);
    EXPECT_EQ(document->undoManager()->undoActionName(), QStringLiteral("Control alter"));
}

TEST_F(NodeEditingTest, BandSelectsNodesAndShiftAddsToThem)
{
    const auto path = addPath();
    click(at(node(path, 3)));
    ASSERT_EQ(nodesOf(path), QList<int>{3});
    // A band over nodes 0 and 1 only.
    drag(at(Point(90, 90)), at(Point(210, 110)));
    EXPECT_EQ(nodesOf(path), (QList<int>{0, 1}));
    drag(at(Point(290, 190)), at(Point(310, 210)), Qt::ShiftModifier);
    EXPECT_EQ(nodesOf(path), (QList<int>{0, 1, 2}));
    // Escape leaves the selection as it was.
    press(at(Point(90, 90)));
    move(at(Point(400, 400)));
    key(Qt::Key_Escape);
    release(at(Point(400, 400)));
    EXPECT_EQ(nodesOf(path), (QList<int>{0, 1, 2}));
    EXPECT_EQ(view->editState(), TDGraphicView::EditState::EditTool);
}

TEST_F(NodeEditingTest, CtrlAltClickInsertsANodeIntoThePath)
{
    const auto path = addPath();
    click(at(Point(130, 100)), Qt::ControlModifier | Qt::AltModifier);
    const TDBezierPath &p = *path->bezierPath();
    ASSERT_EQ(p.elementCount(), 5);
    EXPECT_NEAR(p.elements()[1].points[0].x, 130, 0.5);
    EXPECT_EQ(nodesOf(path), QList<int>{1});
    EXPECT_EQ(document->undoManager()->undoActionName(), QStringLiteral("Add Node"));
}

TEST_F(NodeEditingTest, GraphicsThatLoseTheirSelectedNodesAreRedrawnInsideGroupsToo)
{
    // Two paths far apart, one inside a group: the handles of the nodes a
    // graphic loses must go from the screen as well as those it gains.
    const auto loose = addPath();
    TDBezierPath inner;
    inner.moveTo(Point(500, 400));
    inner.lineTo(Point(600, 450));
    const auto grouped = TDBezierGraphic::graphicWithBezierPath(inner);
    addQuietly(TDGroup::groupWithGraphics({grouped}));
    view->setGraphicNodes({{grouped->IDint(), {1}}});
    QApplication::processEvents();

    PaintRecorder recorder;
    view->installEventFilter(&recorder);
    view->setGraphicNodes({{loose->IDint(), {0}}});
    QApplication::processEvents();
    view->removeEventFilter(&recorder);
    const auto shown = [this](const TDGraphicPtr &g) {
        const QRect area = view->widgetRectFromDocument(view->insetRectForEditHandles(g->editingBounds()))
                               .intersected(view->rect());
        EXPECT_FALSE(area.isEmpty());
        return area;
    };
    const auto painted = [&recorder](const QRect &area) {
        return (QRegion(area) - recorder.painted).isEmpty();
    };
    EXPECT_TRUE(painted(shown(grouped))) << "the graphic that lost its node";
    EXPECT_TRUE(painted(shown(loose))) << "the graphic that gained one";
    EXPECT_FALSE(document->isDocumentEdited());
}
