// The layers panel against a document: the reversed tree, adding and
// removing layers, moving and copying rows with undo restoring the exact
// tree, the enable rules, the press selection on the canvas, and the
// safety of a tree shown while the document changes under it.

#include "AppTestSupport.h"

#include "app/TDLayerController.h"
#include "app/TDLayerModel.h"
#include "app/TDLayerOutline.h"
#include "canvas/TDGraphicView.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "model/TDRectangle.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMimeData>
#include <QMouseEvent>
#include <QTest>

#include <functional>

using namespace scrivane;
using namespace scrivane::apptest;

namespace {

// Document: layers L1 (bottom), L2, L3 (top).  L1 holds a, then the group
// G (a below it), and G holds b and c; L2 holds d.
class LayersTest : public AppFixture {
public:
    void SetUp() override
    {
        document = controller->newDocument();
        window = controller->windowForDocument(document);
        layers = std::make_unique<TDLayerController>();
        layers->setMainWindow(window);

        l1 = document->layers().front();
        l1->setName(QStringLiteral("L1"));
        l2 = TDLayer::layerWithName(QStringLiteral("L2"), document);
        l3 = TDLayer::layerWithName(QStringLiteral("L3"), document);
        document->setLayers({l1, l2, l3});
        a = rectangle(QStringLiteral("a"));
        b = rectangle(QStringLiteral("b"));
        c = rectangle(QStringLiteral("c"));
        d = rectangle(QStringLiteral("d"));
        g = TDGroup::groupWithGraphics({b, c});
        g->setName(QStringLiteral("G"));
        l1->addGraphic(a);
        l1->addGraphic(g);
        l2->addGraphic(d);
        document->setCurrentLayer(l1.get());
        undo()->removeAllActions();
        layers->reload();
    }
    void TearDown() override { layers.reset(); }

    TDGraphicPtr rectangle(const QString &name)
    {
        auto r = std::make_shared<TDRectangle>();
        r->setInitialTransformation(TDGraphic::transformForBounds(Rect(0, 0, 10, 10)));
        r->setName(name);
        return r;
    }
    TDUndoManager *undo() const { return document->undoManager(); }
    TDGraphicView *view() const { return window->graphicView(); }
    TDLayerModel *model() const { return layers->model(); }
    // The names of a node's rows, top first.
    QStringList rows(const QModelIndex &parent = QModelIndex()) const
    {
        QStringList names;
        for (int r = 0; r < model()->rowCount(parent); ++r)
            names << model()->index(r, 0, parent).data().toString();
        return names;
    }
    QModelIndex row(const TDGraphicPtr &graphic, int column = TDLayerModel::NameColumn) const
    {
        return model()->indexOf(graphic.get(), column);
    }
    // The whole tree as text: "L3[] L2[d] L1[G[c b] a]".
    static QString tree(const TDGraphicArray &graphics)
    {
        QStringList parts;
        for (auto it = graphics.rbegin(); it != graphics.rend(); ++it) {
            QString part = (*it)->name();
            if (const auto group = std::dynamic_pointer_cast<TDGroup>(*it))
                part += QLatin1Char('[') + tree(group->graphics()) + QLatin1Char(']');
            parts << part;
        }
        return parts.join(QLatin1Char(' '));
    }
    QString tree() const { return tree(document->graphics()); }
    // Every graphic's container is the group holding it: nothing is owned twice.
    static void expectOwnedOnce(const TDGraphicArray &graphics, const std::shared_ptr<TDGroup> &parent)
    {
        for (const TDGraphicPtr &graphic : graphics) {
            EXPECT_EQ(graphic->layer(), parent) << graphic->name().toStdString();
            if (const auto group = std::dynamic_pointer_cast<TDGroup>(graphic))
                expectOwnedOnce(group->graphics(), group);
        }
    }
    void expectOwnedOnce() const
    {
        for (const auto &layer : document->layers()) {
            EXPECT_EQ(layer->layer(), nullptr) << layer->name().toStdString();
            expectOwnedOnce(layer->graphics(), layer);
        }
    }
    void step(const std::function<void()> &change)
    {
        change();
        undo()->eventHandled();
    }

    TDDocument *document = nullptr;
    TDDocumentWindow *window = nullptr;
    std::unique_ptr<TDLayerController> layers;
    std::shared_ptr<TDLayer> l1, l2, l3;
    TDGraphicPtr a, b, c, d;
    std::shared_ptr<TDGroup> g;
};

TEST_F(LayersTest, RowsShowTheTopmostFirst)
{
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("L3"), QStringLiteral("L2"), QStringLiteral("L1")}));
    EXPECT_EQ(rows(row(l1)), (QStringList{QStringLiteral("G"), QStringLiteral("a")}));
    EXPECT_EQ(rows(row(g)), (QStringList{QStringLiteral("c"), QStringLiteral("b")}));
    EXPECT_TRUE(model()->hasChildren(row(l3)) == false);
    EXPECT_EQ(model()->graphicAt(model()->index(0, 0)), l3);
}

TEST_F(LayersTest, ManyInvalidatesMakeOneReload)
{
    const int before = layers->reloadCount();
    for (int i = 0; i < 50; ++i)
        layers->invalidate();
    QElapsedTimer waited;
    waited.start();
    while (layers->reloadPending() && waited.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    EXPECT_EQ(layers->reloadCount(), before + 1);
}

TEST_F(LayersTest, AddingALayerPutsItOnTopAsCurrentAndUndoRemovesIt)
{
    document->setLayers({l1, l2});
    undo()->removeAllActions();
    step([&] { layers->addLayer(); });
    ASSERT_EQ(document->layers().size(), 3u);
    EXPECT_EQ(document->layers().back()->name(), QStringLiteral("Layer 3"));
    EXPECT_EQ(document->currentLayer(), document->layers().back().get());
    undo()->undo();
    EXPECT_EQ(document->layers().size(), 2u);
    EXPECT_EQ(tree(), QStringLiteral("L2[d] L1[G[c b] a]"));
}

TEST_F(LayersTest, RemovingTheOnlyLayerLeavesAFreshOneAndUndoRestoresIt)
{
    document->setLayers({l1});
    document->setCurrentLayer(l1.get());
    undo()->removeAllActions();
    layers->reload();
    layers->selectItems({l1});
    EXPECT_TRUE(layers->removeButton()->isEnabled());
    step([&] { layers->removeLayer(); });
    ASSERT_EQ(document->layers().size(), 1u);
    EXPECT_EQ(document->layers().front()->name(), QStringLiteral("Layer 1"));
    EXPECT_EQ(document->currentLayer(), document->layers().front().get());
    EXPECT_EQ(undo()->undoActionName(), QStringLiteral("Remove graphics"));
    EXPECT_FALSE(layers->removeButton()->isEnabled());
    undo()->undo();
    EXPECT_EQ(tree(), QStringLiteral("L1[G[c b] a]"));
    expectOwnedOnce();
}

TEST_F(LayersTest, RemovingTheCurrentLayerMakesTheTopmostCurrent)
{
    layers->selectItems({l1});
    step([&] { layers->removeLayer(); });
    EXPECT_EQ(tree(), QStringLiteral("L3[] L2[d]"));
    EXPECT_EQ(document->currentLayer(), l3.get());
    undo()->undo();
    EXPECT_EQ(tree(), QStringLiteral("L3[] L2[d] L1[G[c b] a]"));
    expectOwnedOnce();
}

TEST_F(LayersTest, RemovingAGroupAndOneOfItsChildrenRemovesBothAndDeselectsThem)
{
    view()->selectGraphics({b, g});
    layers->reload();
    layers->selectItems({g, b});
    step([&] { layers->removeLayer(); });
    EXPECT_EQ(tree(), QStringLiteral("L3[] L2[d] L1[a]"));
    EXPECT_TRUE(view()->selection().empty());
    undo()->undo();
    EXPECT_EQ(tree(), QStringLiteral("L3[] L2[d] L1[G[c b] a]"));
    expectOwnedOnce();
}

struct DropCase {
    const char *name;
    std::function<TDGraphicArray(LayersTest &)> dragged;
    std::function<TDGraphicPtr(LayersTest &)> into;
    int childIndex;
    bool valid;
};

class LayerDrops : public LayersTest, public ::testing::WithParamInterface<DropCase> {};

TEST_P(LayerDrops, DropsAreRefusedWhereTheyWouldBreakTheTree)
{
    const DropCase &c = GetParam();
    layers->setDraggedItems(c.dragged(*this));
    EXPECT_EQ(layers->validateDrop(c.into(*this), c.childIndex), c.valid);
}

INSTANTIATE_TEST_SUITE_P(
    Layers, LayerDrops,
    ::testing::Values(
        DropCase{"groupIntoItsOwnChild", [](LayersTest &t) { return TDGraphicArray{t.l1}; },
                 [](LayersTest &t) -> TDGraphicPtr { return t.g; }, 0, false},
        DropCase{"groupIntoItself", [](LayersTest &t) { return TDGraphicArray{t.g}; },
                 [](LayersTest &t) -> TDGraphicPtr { return t.g; }, 1, false},
        DropCase{"plainGraphicBetweenLayers", [](LayersTest &t) { return TDGraphicArray{t.a}; },
                 [](LayersTest &) -> TDGraphicPtr { return nullptr; }, 1, false},
        DropCase{"ontoARow", [](LayersTest &t) { return TDGraphicArray{t.a}; },
                 [](LayersTest &t) -> TDGraphicPtr { return t.l2; }, -1, false},
        DropCase{"intoAPlainGraphic", [](LayersTest &t) { return TDGraphicArray{t.b}; },
                 [](LayersTest &t) -> TDGraphicPtr { return t.a; }, 0, false},
        DropCase{"nothingDragged", [](LayersTest &) { return TDGraphicArray{}; },
                 [](LayersTest &t) -> TDGraphicPtr { return t.l2; }, 0, false},
        DropCase{"graphicIntoAnotherLayer", [](LayersTest &t) { return TDGraphicArray{t.a}; },
                 [](LayersTest &t) -> TDGraphicPtr { return t.l2; }, 0, true},
        DropCase{"groupBetweenLayers", [](LayersTest &t) { return TDGraphicArray{t.g}; },
                 [](LayersTest &) -> TDGraphicPtr { return nullptr; }, 0, true}),
    [](const ::testing::TestParamInfo<DropCase> &info) { return std::string(info.param.name); });

TEST_F(LayersTest, TheBottomLayerDraggedAboveTheTopGoesOnTopAndIsSelected)
{
    layers->setDraggedItems({l1});
    step([&] { EXPECT_TRUE(layers->acceptDrop(nullptr, 0, false)); });
    EXPECT_EQ(tree(), QStringLiteral("L1[G[c b] a] L3[] L2[d]"));
    EXPECT_EQ(layers->selectedItems(), (TDGraphicArray{l1}));
    EXPECT_TRUE(layers->draggedItems().empty());
    undo()->undo();
    EXPECT_EQ(tree(), QStringLiteral("L3[] L2[d] L1[G[c b] a]"));
}

TEST_F(LayersTest, AGroupMovedToTheRootBecomesALayerAndUndoRestoresTheExactTree)
{
    layers->setDraggedItems({g});
    // Between L3 and L2.
    step([&] { EXPECT_TRUE(layers->acceptDrop(nullptr, 1, false)); });
    EXPECT_EQ(tree(), QStringLiteral("L3[] G[c b] L2[d] L1[a]"));
    expectOwnedOnce();
    undo()->undo();
    EXPECT_EQ(tree(), QStringLiteral("L3[] L2[d] L1[G[c b] a]"));
    EXPECT_EQ(l1->graphics().back(), g);
    EXPECT_EQ(g->graphics(), (TDGraphicArray{b, c}));
    expectOwnedOnce();
    undo()->redo();
    EXPECT_EQ(tree(), QStringLiteral("L3[] G[c b] L2[d] L1[a]"));
    expectOwnedOnce();
}

TEST_F(LayersTest, ALayerMovedIntoAGroupComesBackToTheLayerListOnUndo)
{
    layers->setDraggedItems({l3});
    step([&] { EXPECT_TRUE(layers->acceptDrop(g, 0, false)); });
    EXPECT_EQ(tree(), QStringLiteral("L2[d] L1[G[L3[] c b] a]"));
    expectOwnedOnce();
    undo()->undo();
    EXPECT_EQ(tree(), QStringLiteral("L3[] L2[d] L1[G[c b] a]"));
    expectOwnedOnce();
}

TEST_F(LayersTest, CopiesAreIndependentAndUndoRemovesThem)
{
    layers->setDraggedItems({l2});
    step([&] { EXPECT_TRUE(layers->acceptDrop(nullptr, 0, true)); });
    ASSERT_EQ(document->layers().size(), 4u);
    const auto copy = document->layers().back();
    EXPECT_NE(copy, l2);
    EXPECT_EQ(tree(), QStringLiteral("L2[d] L3[] L2[d] L1[G[c b] a]"));
    copy->graphics().front()->setName(QStringLiteral("copied d"));
    EXPECT_EQ(d->name(), QStringLiteral("d"));
    expectOwnedOnce();
    undo()->eventHandled();
    undo()->undo();
    undo()->undo();
    EXPECT_EQ(tree(), QStringLiteral("L3[] L2[d] L1[G[c b] a]"));

    // A group copied into another layer.
    layers->setDraggedItems({g});
    step([&] { EXPECT_TRUE(layers->acceptDrop(l2, 0, true)); });
    EXPECT_EQ(tree(), QStringLiteral("L3[] L2[G[c b] d] L1[G[c b] a]"));
    EXPECT_NE(l2->graphics().back(), g);
    expectOwnedOnce();
}

TEST_F(LayersTest, AGraphicMovedIntoAnotherLayerGoesWhereItWasDropped)
{
    layers->setDraggedItems({a});
    // Below d, the last row of L2.
    step([&] { EXPECT_TRUE(layers->acceptDrop(l2, 1, false)); });
    EXPECT_EQ(tree(), QStringLiteral("L3[] L2[d a] L1[G[c b]]"));
    undo()->undo();
    EXPECT_EQ(tree(), QStringLiteral("L3[] L2[d] L1[G[c b] a]"));
    expectOwnedOnce();
}

TEST_F(LayersTest, VisibleAndLockedCellsToggleWithUndoAndFollowTheirContainers)
{
    ASSERT_TRUE(model()->setData(row(l1, TDLayerModel::VisibleColumn), Qt::Unchecked, Qt::CheckStateRole));
    undo()->eventHandled();
    EXPECT_FALSE(l1->visible());
    layers->reload();
    // Under a hidden layer the visible box is disabled, the lock box not.
    EXPECT_FALSE(model()->flags(row(b, TDLayerModel::VisibleColumn)) & Qt::ItemIsEnabled);
    EXPECT_TRUE(model()->flags(row(b, TDLayerModel::LockedColumn)) & Qt::ItemIsEnabled);
    EXPECT_TRUE(model()->flags(row(l1, TDLayerModel::VisibleColumn)) & Qt::ItemIsEnabled);
    undo()->undo();
    EXPECT_TRUE(l1->visible());

    ASSERT_TRUE(model()->setData(row(g, TDLayerModel::LockedColumn), Qt::Checked, Qt::CheckStateRole));
    undo()->eventHandled();
    EXPECT_TRUE(g->locked());
    layers->reload();
    EXPECT_FALSE(model()->flags(row(b, TDLayerModel::LockedColumn)) & Qt::ItemIsEnabled);
    EXPECT_TRUE(TDLayerController::graphicIsLocked(b.get()));
    // A press on a row in a locked group selects nothing.
    EXPECT_FALSE(layers->beginPressSelection(b, false, false));
    EXPECT_TRUE(view()->selection().empty());

    ASSERT_TRUE(model()->setData(row(a), QStringLiteral("renamed"), Qt::EditRole));
    EXPECT_EQ(a->name(), QStringLiteral("renamed"));
}

TEST_F(LayersTest, InIsolationRowsOutsideTheGroupAreDisabledAndIgnorePresses)
{
    layers->doublePress(g);
    EXPECT_EQ(document->currentLayer(), g.get());
    ASSERT_TRUE(view()->isolationState());
    layers->reload();
    EXPECT_FALSE(model()->flags(row(d, TDLayerModel::EditingColumn)) & Qt::ItemIsEnabled);
    EXPECT_FALSE(model()->flags(row(a)) & Qt::ItemIsEnabled);
    EXPECT_TRUE(model()->flags(row(b)) & Qt::ItemIsEnabled);
    EXPECT_TRUE(model()->flags(row(l1)) & Qt::ItemIsEnabled);
    EXPECT_FALSE(layers->beginPressSelection(d, false, false));
    EXPECT_TRUE(view()->selection().empty());
    EXPECT_TRUE(layers->beginPressSelection(b, false, false));
    EXPECT_EQ(view()->selection(), (TDGraphicArray{b}));
}

TEST_F(LayersTest, APressDragAppliesTheFirstRowsDecisionToEveryRowPassed)
{
    view()->selectGraphics({d});
    ASSERT_TRUE(layers->beginPressSelection(a, false, false));
    EXPECT_TRUE(layers->continuePressSelection(g));
    layers->endPressSelection();
    // The press cleared the other selection; g, the last row passed, is first.
    EXPECT_EQ(view()->selection().size(), 2u);
    EXPECT_EQ(view()->selection().front(), g);
    EXPECT_EQ(model()->statusImage(g.get()).isNull(), false);

    // A plain press on a selected row deselects, and so does the drag on.
    ASSERT_TRUE(layers->beginPressSelection(a, false, false));
    layers->continuePressSelection(g);
    layers->endPressSelection();
    EXPECT_TRUE(view()->selection().empty());

    // Shift keeps what was selected.
    view()->selectGraphics({d});
    ASSERT_TRUE(layers->beginPressSelection(a, true, false));
    layers->endPressSelection();
    EXPECT_EQ(view()->selection().size(), 2u);
}

TEST_F(LayersTest, TheStatusPicturesFollowTheSelectionAndTheCurrentLayer)
{
    view()->selectGraphics({b});
    layers->reload();
    EXPECT_FALSE(model()->statusImage(b.get()).isNull());
    EXPECT_FALSE(model()->statusImage(g.get()).isNull()); // holds a selected graphic
    EXPECT_FALSE(model()->statusImage(l1.get()).isNull()); // current layer
    EXPECT_TRUE(model()->statusImage(d.get()).isNull());
    EXPECT_TRUE(model()->statusImage(l2.get()).isNull());
    EXPECT_NE(model()->statusImage(l1.get()), model()->statusImage(g.get()));
}

TEST_F(LayersTest, PressesBelowTheLastRowOrWithoutADocumentAreSafe)
{
    TDLayerOutline *outline = layers->outline();
    layers->panel()->resize(300, 400);
    layers->panel()->show();
    const int editing = outline->columnViewportPosition(TDLayerModel::EditingColumn) + 4;
    const QPoint below(editing, outline->viewport()->height() - 3);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, below);
    QTest::mouseDClick(outline->viewport(), Qt::LeftButton, {}, below);
    EXPECT_TRUE(view()->selection().empty());

    layers->setMainWindow(nullptr);
    layers->reload();
    EXPECT_EQ(model()->rowCount(), 0);
    QTest::mouseClick(outline->viewport(), Qt::LeftButton, {}, QPoint(editing, 5));
    layers->addLayer();
    layers->removeLayer();
    layers->setDraggedItems({a});
    EXPECT_FALSE(layers->acceptDrop(l2, 0, false));
    EXPECT_EQ(document->layers().size(), 3u);
}

TEST_F(LayersTest, TheTreeShownStaysSafeWhileTheDocumentChangesAndRowsSurviveAReload)
{
    layers->outline()->setExpanded(row(l1), true);
    layers->outline()->setExpanded(row(g), true);
    layers->selectItems({c});
    // The document changes before the coalesced reload comes.
    const QModelIndex stale = row(c);
    l1->removeGraphic(g.get());
    g.reset();
    b.reset();
    c.reset();
    EXPECT_EQ(stale.data().toString(), QStringLiteral("c"));
    EXPECT_EQ(model()->statusImage(model()->graphicAt(stale).get()).isNull(), true);
    layers->reload();
    EXPECT_EQ(rows(row(l1)), (QStringList{QStringLiteral("a")}));

    // Selection and disclosure come back after a reset.
    auto group = TDGroup::groupWithGraphics({rectangle(QStringLiteral("e"))});
    group->setName(QStringLiteral("H"));
    l2->addGraphic(group);
    layers->reload();
    layers->outline()->setExpanded(row(group), true);
    EXPECT_TRUE(group->expanded());
    layers->selectItems({group, a});
    layers->reload();
    EXPECT_TRUE(layers->outline()->isExpanded(row(group)));
    EXPECT_EQ(layers->selectedItems(), (TDGraphicArray{group, a}));
    layers->outline()->setExpanded(row(group), false);
    EXPECT_FALSE(group->expanded());
}

TEST_F(LayersTest, APointOfTheOutlineDropsBetweenRowsNeverOntoOne)
{
    TDLayerOutline *outline = layers->outline();
    layers->panel()->resize(300, 400);
    layers->panel()->show();
    outline->setExpanded(row(l1), true);
    const QRect l2Row = outline->visualRect(row(l2));
    const QRect l1Row = outline->visualRect(row(l1));
    const auto at = [&](int y) { return outline->dropTargetAt(QPoint(40, y)); };

    auto above = at(l2Row.top() + 1);
    EXPECT_EQ(above.into, nullptr);
    EXPECT_EQ(above.childIndex, 1);
    auto below = at(l2Row.bottom() - 1);
    EXPECT_EQ(below.into, nullptr);
    EXPECT_EQ(below.childIndex, 2);
    auto onto = at(l2Row.center().y());
    EXPECT_EQ(onto.into, l2);
    EXPECT_EQ(onto.childIndex, -1);
    // Below an open layer: its first row.
    auto first = at(l1Row.bottom() - 1);
    EXPECT_EQ(first.into, l1);
    EXPECT_EQ(first.childIndex, 0);
    // Below the last row: the bottom of the layer list.
    auto bottom = at(outline->viewport()->height() - 2);
    EXPECT_EQ(bottom.into, nullptr);
    EXPECT_EQ(bottom.childIndex, 3);
}

TEST_F(LayersTest, ADragCarriesTheRowsWhoseContainersStayBehindInTheirOrder)
{
    QMimeData *data = model()->mimeData({row(b), row(a), row(g), row(d)});
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat(TDLayerModel::MimeType));
    delete data;
    // b travels inside g; top first: d (in L2), then g, then a.
    EXPECT_EQ(layers->draggedItems(), (TDGraphicArray{d, g, a}));
}

TEST_F(LayersTest, ClosingTheWindowEmptiesTheTree)
{
    prompter->saveChangesAnswers.push_back(TDPrompter::SaveChangesAnswer::DontSave);
    ASSERT_TRUE(controller->closeDocument(document));
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    layers->reload();
    EXPECT_EQ(model()->rowCount(), 0);
    EXPECT_EQ(layers->inspectingDocument(), nullptr);
}

} // namespace
