// The editing commands on real documents: group, ungroup, align,
// distribute, flip, combine and the conversions, each one undo step that
// restores the tree; and every command on every kind of graphic.

#include "CommandTestSupport.h"

#include "model/TDFillStyle.h"
#include "model/TDStrokeStyle.h"

#include <algorithm>
#include <cmath>
#include <functional>

using namespace scrivane;
using namespace scrivane::canvastest;

namespace {

using EditingCommandsTest = CommandTest;

std::shared_ptr<TDRectangle> box(float x, float y, float w, float h)
{
    return filledRectangle(Rect(x, y, w, h), Color::calibratedRGB(0.2f, 0.4f, 0.6f));
}

TEST_F(EditingCommandsTest, GroupGoesWhereTheFirstSelectedGraphicWas)
{
    TDGraphicArray row;
    for (int i = 0; i < 5; ++i)
        row.push_back(box(float(20 * i), 0, 10, 10));
    for (const auto &g : row)
        addQuietly(g);
    prepare({});
    view->selectGraphic(row[2]);
    view->selectGraphic(row[4]);
    view->selectGraphic(row[0]);
    endEvent();
    document->undoManager()->removeAllActions();
    const TreeSnapshot before = snapshotOf(*document);
    view->group();
    endEvent();
    ASSERT_EQ(layerGraphics().size(), 3u);
    EXPECT_EQ(layerGraphics()[0], row[1]);
    EXPECT_EQ(layerGraphics()[2], row[3]);
    const auto group = std::dynamic_pointer_cast<TDGroup>(layerGraphics()[1]);
    ASSERT_TRUE(group);
    EXPECT_EQ(group->graphics(), (TDGraphicArray{row[0], row[2], row[4]})) << "members keep their stacking order";
    EXPECT_EQ(view->selection(), TDGraphicArray{group});
    EXPECT_EQ(undoName(), QStringLiteral("Group"));
    undo();
    EXPECT_EQ(snapshotOf(*document), before);
    redo();
    for (const auto &member : group->graphics())
        EXPECT_EQ(member->layer(), group);
}

TEST_F(EditingCommandsTest, UngroupAddsTheChildrenToTheSelection)
{
    const auto a = box(0, 0, 10, 10), b = box(20, 0, 10, 10), other = box(50, 0, 10, 10);
    const auto group = TDGroup::groupWithGraphics({a, b});
    prepare({group, other});
    const TreeSnapshot before = snapshotOf(*document);
    view->ungroup();
    endEvent();
    EXPECT_EQ(layerGraphics(), (TDGraphicArray{a, b, other}));
    EXPECT_EQ(view->selection(), (TDGraphicArray{other, a, b}));
    EXPECT_EQ(undoName(), QStringLiteral("Ungroup"));
    undo();
    EXPECT_EQ(snapshotOf(*document), before);
}

TEST_F(EditingCommandsTest, AlignOntoTheFirstSelectedGraphic)
{
    const struct {
        int tag;
        Point moved; // the origin the second graphic ends at
    } cases[] = {
        {10, Point(10, 100)}, {11, Point(50, 100)}, {12, Point(40, 20)},
        {13, Point(40, 60)},  {14, Point(30, 100)}, {15, Point(40, 40)},
    };
    for (const auto &c : cases) {
        layer().removeAllGraphics();
        const auto reference = box(10, 20, 60, 60), graphic = box(40, 100, 20, 20), already = box(10, 300, 5, 5);
        prepare({reference, graphic, already});
        view->align(c.tag);
        endEvent();
        EXPECT_NEAR(graphic->bounds().minX(), c.moved.x, 1e-3) << c.tag;
        EXPECT_NEAR(graphic->bounds().minY(), c.moved.y, 1e-3) << c.tag;
        EXPECT_NEAR(reference->bounds().minX(), 10, 1e-3) << c.tag;
        EXPECT_EQ(undoName(), QStringLiteral("Align"));
    }
    // A graphic already in line is not transformed at all.
    layer().removeAllGraphics();
    const auto reference = box(10, 20, 60, 60), inLine = box(10, 200, 5, 5);
    prepare({reference, inLine});
    const TreeSnapshot before = snapshotOf(*document);
    view->align(10);
    endEvent();
    EXPECT_EQ(snapshotOf(*document), before);
    EXPECT_FALSE(canUndo());
}

TEST_F(EditingCommandsTest, DistributeSpacesEvenly)
{
    const struct {
        const char *name;
        std::vector<float> xs;
        std::vector<float> expected;
    } cases[] = {
        {"the example", {0, 50, 30}, {0, 50, 25}},
        {"overlapping", {0, 5, 8}, {0, 4, 8}},
        {"two at one place keep their order", {0, 40, 40, 100}, {0, 10 + 70.0f / 3, 10 + 140.0f / 3 + 10, 100}},
    };
    for (const auto &c : cases) {
        layer().removeAllGraphics();
        TDGraphicArray graphics;
        for (float x : c.xs)
            graphics.push_back(box(x, 0, 10, 10));
        prepare(graphics);
        view->distribute(20);
        endEvent();
        for (std::size_t i = 0; i < graphics.size(); ++i)
            EXPECT_NEAR(graphics[i]->bounds().minX(), c.expected[i], 1e-3) << c.name << " " << i;
        EXPECT_EQ(undoName(), QStringLiteral("Distribute"));
    }
    // Vertically with any other tag.
    layer().removeAllGraphics();
    const auto a = box(0, 0, 10, 10), b = box(0, 70, 10, 10), c = box(0, 20, 10, 10);
    prepare({a, b, c});
    view->distribute(21);
    EXPECT_NEAR(c->bounds().minY(), 35, 1e-3);
}

TEST_F(EditingCommandsTest, FlipMirrorsAboutTheSelectionsCentreInOneStep)
{
    const auto left = box(0, 0, 20, 50), right = box(90, 0, 10, 10);
    prepare({left, right});
    const TreeSnapshot before = snapshotOf(*document);
    view->flip(5);
    endEvent();
    EXPECT_NEAR(left->bounds().minX(), 80, 1e-3);
    EXPECT_NEAR(right->bounds().minX(), 0, 1e-3);
    EXPECT_EQ(undoName(), QStringLiteral("Flip"));
    undo();
    EXPECT_EQ(snapshotOf(*document), before);
    EXPECT_FALSE(canUndo()) << "one step";
    view->flip(6);
    EXPECT_NEAR(right->bounds().minY(), 40, 1e-3);
}

TEST_F(EditingCommandsTest, CombineKeepsEveryOutlineWhereItWas)
{
    const auto turned = pathGraphic({Point(0, 0), Point(100, 0), Point(100, 20), Point(0, 20)}, true);
    AffineTransform rotation = AffineTransform::makeTranslation(300, 300);
    rotation.rotateByDegrees(90);
    turned->setTransformation(rotation);
    const auto square = box(0, 0, 10, 10);
    const auto oval = ovalGraphic(Rect(50, 50, 20, 10));
    prepare({turned, square, oval});
    const Rect turnedBounds = turned->cachedBezierPath()->bounds();
    const TreeSnapshot before = snapshotOf(*document);
    view->combine();
    endEvent();
    EXPECT_EQ(layerGraphics(), TDGraphicArray{turned});
    EXPECT_TRUE(turned->transformation().isIdentity());
    const Rect combined = turned->cachedBezierPath()->bounds();
    EXPECT_NEAR(combined.minX(), 0, 1e-3);
    EXPECT_NEAR(combined.minY(), 0, 1e-3);
    EXPECT_NEAR(combined.maxX(), turnedBounds.maxX(), 1e-3);
    EXPECT_NEAR(combined.maxY(), turnedBounds.maxY(), 1e-3);
    EXPECT_EQ(view->selection(), TDGraphicArray{turned});
    EXPECT_EQ(undoName(), QStringLiteral("Combine"));
    undo();
    EXPECT_EQ(snapshotOf(*document), before);
}

TEST_F(EditingCommandsTest, ConversionsReplaceTheSelection)
{
    const auto rect = box(10, 10, 40, 20);
    const auto line = pathGraphic({Point(100, 100), Point(200, 100)}, false);
    line->fillStyle()->setStyle(TDFillNone);
    line->strokeStyle()->setStyle(TDStrokeLine);
    line->strokeStyle()->setStrokeWidth(10);
    prepare({rect, line});
    const TreeSnapshot before = snapshotOf(*document);

    view->convertToOutline();
    endEvent();
    ASSERT_EQ(view->selection().size(), 2u);
    const auto outlined = std::dynamic_pointer_cast<TDBezierGraphic>(view->selection()[0]);
    ASSERT_TRUE(outlined) << "the rectangle became a path graphic";
    EXPECT_EQ(layerGraphics()[0], outlined);
    EXPECT_EQ(view->selection()[1], line);
    EXPECT_NEAR(line->bezierPath()->bounds().minY(), 95, 0.05);
    EXPECT_NEAR(line->bezierPath()->bounds().maxY(), 105, 0.05);
    EXPECT_FLOAT_EQ(line->strokeStyle()->strokeWidth(), 1);
    EXPECT_EQ(undoName(), QStringLiteral("Convert to outline"));
    undo();
    EXPECT_EQ(snapshotOf(*document), before);

    view->convertToBitmap();
    endEvent();
    ASSERT_EQ(view->selection().size(), 2u);
    const auto bitmap = std::dynamic_pointer_cast<TDRectangle>(view->selection()[1]);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->fillStyle()->style(), int(TDFillImage));
    ASSERT_TRUE(bitmap->fillStyle()->image());
    // Whole points round the line's drawing, where its pixels were drawn.
    const Rect drawn = line->drawingBounds();
    EXPECT_FLOAT_EQ(bitmap->bounds().minX(), std::floor(drawn.minX()));
    EXPECT_FLOAT_EQ(bitmap->bounds().maxY(), std::ceil(drawn.maxY()));
    EXPECT_EQ(undoName(), QStringLiteral("Convert to bitmap"));
    undo();
    EXPECT_EQ(snapshotOf(*document), before);

    view->reversePath();
    endEvent();
    EXPECT_EQ(view->selection()[1], line);
    EXPECT_EQ(line->bezierPath()->elements()[0].points[0], Point(200, 100));
    EXPECT_EQ(undoName(), QStringLiteral("Reverse Path"));
    undo();
    EXPECT_EQ(snapshotOf(*document), before);
}

// Every command on the selection of a rectangle and a graphic of each kind
// (a group and a turned path among them): whatever it changed, one undo
// restores the tree exactly, and nothing is lost on the way.
// Move, line, curve, line: nodes 0 to 3 of an open path.
std::shared_ptr<TDBezierGraphic> cornerAndCurve()
{
    PathBase path;
    path.moveTo(Point(0, 0));
    path.lineTo(Point(60, 0));
    path.curveTo(Point(60, 60), Point(80, 20), Point(80, 40));
    path.lineTo(Point(0, 60));
    auto graphic = TDBezierGraphic::graphicWithBezierPath(path);
    graphic->strokeStyle()->setStyle(TDStrokeLine);
    graphic->recalculatePath();
    return graphic;
}

TEST_F(EditingCommandsTest, NodeCommandsEditOnlyGraphicsWithSelectedNodesInOneStep)
{
    const struct {
        const char *name;
        std::function<void(TDGraphicView &)> run;
        QList<int> nodes;
        int elements; // of the edited path afterwards
        const char *undoName;
    } rows[] = {
        {"curve", [](TDGraphicView &v) { v.curveNodes(); }, {1}, 4, "Curve Nodes"},
        {"flatten", [](TDGraphicView &v) { v.lineNodes(); }, {2}, 4, "Flatten Nodes"},
        {"split", [](TDGraphicView &v) { v.splitNodes(); }, {1}, 5, "Split Nodes"},
        {"cut", [](TDGraphicView &v) { v.cutNodes(); }, {2}, 5, "Cut Nodes"},
        {"connect", [](TDGraphicView &v) { v.connectNodes(); }, {0, 3}, 5, "Connect Nodes"},
        {"delete", [](TDGraphicView &v) { v.deleteSelection(); }, {1}, 3, "Delete Nodes"},
    };
    chooseTool(Tool::Edit);
    for (const auto &row : rows) {
        layer().removeAllGraphics();
        const auto edited = cornerAndCurve(), bystander = cornerAndCurve();
        prepare({edited, bystander});
        view->setNodes(row.nodes, edited.get());
        endEvent();
        document->undoManager()->removeAllActions();
        const TreeSnapshot before = snapshotOf(*document);
        const auto bystanderAt = [](const TreeSnapshot &tree, const TDGraphic *g) {
            return tree.stored[size_t(std::find(tree.graphics.begin(), tree.graphics.end(), g) - tree.graphics.begin())];
        };
        const PropertyList bystanderBefore = bystanderAt(before, bystander.get());

        row.run(*view);
        endEvent();
        EXPECT_EQ(edited->bezierPath()->elementCount(), row.elements) << row.name;
        EXPECT_EQ(bystanderAt(snapshotOf(*document), bystander.get()), bystanderBefore)
            << row.name << ": a graphic without selected nodes";
        EXPECT_EQ(undoName(), QString::fromLatin1(row.undoName)) << row.name;
        undo();
        EXPECT_EQ(differenceOf(snapshotOf(*document), before), "") << row.name;
        EXPECT_FALSE(canUndo()) << row.name << ": more than one step";
    }
    EXPECT_EQ(cornerAndCurve()->bezierPath()->elementAtIndex(2), PathElementType::CurveTo) << "the fixture";
}

TEST_F(EditingCommandsTest, DeletingEveryNodeRemovesThePathAndUndoBringsItBack)
{
    chooseTool(Tool::Edit);
    const auto path = cornerAndCurve();
    prepare({path});
    view->setNodes({0, 1, 2, 3}, path.get());
    endEvent();
    document->undoManager()->removeAllActions();
    view->deleteSelection();
    endEvent();
    EXPECT_TRUE(layerGraphics().empty());
    EXPECT_TRUE(view->graphicNodes().empty() ||
                std::all_of(view->graphicNodes().begin(), view->graphicNodes().end(),
                            [](const auto &entry) { return entry.second.isEmpty(); }))
        << "no node stays selected";
    undo();
    EXPECT_EQ(layerGraphics(), TDGraphicArray{path});
    EXPECT_EQ(path->bezierPath()->elementCount(), 4);
    EXPECT_EQ(view->selectedNodesForGraphic(path.get()), (QList<int>{0, 1, 2, 3})) << "the nodes come back selected";
}

TEST_F(EditingCommandsTest, NodeCommandsWithoutSelectedNodesLeaveNoStep)
{
    chooseTool(Tool::Edit);
    prepare({cornerAndCurve()});
    view->deleteSelection();
    view->curveNodes();
    view->connectNodes();
    endEvent();
    EXPECT_FALSE(canUndo());
    EXPECT_EQ(layerGraphics().size(), 1u);
}

TEST_F(EditingCommandsTest, EveryCommandOnEveryKindOfGraphicIsOneStep)
{
    const std::vector<std::pair<const char *, std::function<void(TDGraphicView &)>>> commands = {
        {"add", [](TDGraphicView &v) { v.boolAdd(); }},
        {"subtract", [](TDGraphicView &v) { v.boolSubtract(); }},
        {"intersect", [](TDGraphicView &v) { v.boolIntersect(); }},
        {"xor", [](TDGraphicView &v) { v.boolXOR(); }},
        {"cut", [](TDGraphicView &v) { v.boolCut(); }},
        {"divide", [](TDGraphicView &v) { v.boolDivide(); }},
        {"outline", [](TDGraphicView &v) { v.boolOutline(); }},
        {"group", [](TDGraphicView &v) { v.group(); }},
        {"ungroup", [](TDGraphicView &v) { v.ungroup(); }},
        {"align", [](TDGraphicView &v) { v.align(14); }},
        {"combine", [](TDGraphicView &v) { v.combine(); }},
        {"convert to path", [](TDGraphicView &v) { v.convertToBezier(); }},
        {"convert to outline", [](TDGraphicView &v) { v.convertToOutline(); }},
        {"convert to bitmap", [](TDGraphicView &v) { v.convertToBitmap(); }},
        {"reverse", [](TDGraphicView &v) { v.reversePath(); }},
        {"flip", [](TDGraphicView &v) { v.flip(5); }},
        {"distribute", [](TDGraphicView &v) { v.distribute(21); }},
    };
    const std::vector<std::pair<const char *, std::function<TDGraphicPtr()>>> kinds = {
        {"rectangle", [] { return box(30, 30, 50, 50); }},
        {"oval", [] { return ovalGraphic(Rect(30, 30, 60, 40)); }},
        {"path", [] { return pathGraphic({Point(30, 30), Point(90, 40), Point(40, 90)}, true); }},
        {"turned path",
         [] {
             auto g = pathGraphic({Point(0, 0), Point(60, 0), Point(60, 20)}, true);
             AffineTransform t = AffineTransform::makeTranslation(60, 30);
             t.rotateByDegrees(30);
             g->setTransformation(t);
             return g;
         }},
        {"group", [] { return TDGroup::groupWithGraphics({box(30, 30, 20, 20), ovalGraphic(Rect(60, 60, 20, 20))}); }},
    };
    for (const auto &[kindName, make] : kinds) {
        for (const auto &[commandName, run] : commands) {
            layer().removeAllGraphics();
            const TDGraphicPtr first = make();
            first->strokeStyle()->setStyle(TDStrokeLine);
            prepare({first, box(0, 0, 50, 50)});
            const TreeSnapshot before = snapshotOf(*document);
            run(*view);
            endEvent();
            for (const TDGraphicPtr &g : view->selection())
                EXPECT_TRUE(g->layer()) << kindName << " " << commandName << ": a selected graphic left the document";
            if (canUndo()) {
                undo();
                EXPECT_EQ(differenceOf(snapshotOf(*document), before), "") << kindName << " " << commandName;
                EXPECT_FALSE(canUndo()) << kindName << " " << commandName << ": more than one step";
            }
        }
    }
}

} // namespace
