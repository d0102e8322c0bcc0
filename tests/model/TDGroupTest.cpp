#include "ModelTestDoubles.h"

#include "model/TDFillStyle.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "model/TDModelArchiving.h"
#include "model/TDStrokeStyle.h"
#include "platform/GraphicsContext.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include <gtest/gtest.h>

using namespace scrivane;
using namespace scrivane::test;

namespace {

struct Scene {
    RecordingDocument document;
    RecordingCanvas canvas{&document};
    RecordingLayerController panel;
    std::shared_ptr<TDLayer> layer = TDLayer::layerWithName(QStringLiteral("Layer 1"), &document);

    Scene()
    {
        document.layers.push_back(layer);
        document.setCurrentLayer(layer.get());
    }
    TDUndoManager &undo() { return document.undo(); }
};

std::shared_ptr<TestShape> named(const QString &name, const Rect &rect = Rect(0, 0, 10, 10))
{
    auto shape = TestShape::inRect(rect);
    shape->setName(name);
    return shape;
}

QStringList namesOf(const TDGraphicArray &graphics)
{
    QStringList names;
    for (const auto &g : graphics)
        names << g->name();
    return names;
}

} // namespace

TEST(TDGroup, ClippingNeedsTwoChildrenAndUsesTheLastForBounds)
{
    auto child = named("a", Rect(0, 0, 100, 100));
    auto group = TDGroup::groupWithGraphics({child});
    group->setClip(true);
    EXPECT_EQ(group->bounds(), child->bounds());
    EXPECT_FALSE(group->clips());

    auto second = named("b", Rect(50, 50, 10, 10));
    auto clipper = named("clip", Rect(40, 40, 30, 30));
    auto clipped = TDGroup::groupWithGraphics({child, second, clipper});
    clipped->setClip(true);
    EXPECT_TRUE(clipped->clips());
    EXPECT_EQ(clipped->clipGraphic(), clipper);
    EXPECT_EQ(clipped->bounds(), clipper->bounds());
    EXPECT_EQ(clipped->childrenDrawingBounds(), clipper->drawingBounds());
    clipped->setClip(false);
    EXPECT_EQ(clipped->bounds(), Rect(0, 0, 100, 100));

    auto empty = TDGroup::groupWithGraphics({});
    EXPECT_EQ(empty->bounds(), Rect());
    EXPECT_FALSE(empty->hitTest(Point(0, 0)));
    EXPECT_EQ(empty->clipGraphic(), nullptr);
}

TEST(TDGroup, HitTestsStayInsideTheClipGraphic)
{
    Scene scene;
    auto inside = named("in", Rect(50, 50, 100, 100));
    inside->fillStyle()->setStyle(TDFillColor);
    auto clipper = named("clip", Rect(40, 40, 30, 30));
    auto group = TDGroup::groupWithGraphics({inside, clipper});
    scene.layer->addGraphic(group);
    group->setClip(true);
    EXPECT_TRUE(group->hitTest(Point(55, 55)));
    EXPECT_FALSE(group->hitTest(Point(45, 45)));            // inside the clip, but no child there
    EXPECT_FALSE(group->hitTest(Point(100, 100)));          // the child lies there, clipped away
    EXPECT_TRUE(group->hitTestRect(Rect(45, 55, 10, 5)));   // across the child's edge, in the clip
    EXPECT_FALSE(group->hitTestRect(Rect(145, 55, 10, 5))); // across it, outside the clip
    // Outline view: a point on the clip outline hits at once.
    scene.canvas.outline = true;
    EXPECT_TRUE(group->hitTest(Point(40.2f, 60)));
    group->setClip(false);
    scene.canvas.outline = false;
    EXPECT_TRUE(group->hitTest(Point(100, 100)));
}

TEST(TDGroup, SetClipRegistersOnlyAChange)
{
    Scene scene;
    auto group = TDGroup::groupWithGraphics({named("a"), named("b")});
    scene.layer->addGraphic(group);
    scene.undo().removeAllActions();
    group->setClip(false);
    EXPECT_FALSE(scene.undo().canUndo());
    group->setClip(true);
    ASSERT_TRUE(scene.undo().canUndo());
    scene.undo().undo();
    EXPECT_FALSE(group->clip());
}

TEST(TDGroup, UngroupPutsTheChildrenWhereTheGroupWas)
{
    Scene scene;
    for (const char *name : {"0", "1", "2"})
        scene.layer->addGraphic(named(name));
    auto group = TDGroup::groupWithGraphics({named("x"), named("y")});
    group->setName("g");
    scene.layer->addGraphic(group);
    scene.layer->addGraphic(named("4"));
    scene.undo().removeAllActions();

    scene.undo().beginUndoGrouping();
    group->ungroup();
    scene.undo().endUndoGrouping();
    EXPECT_EQ(namesOf(scene.layer->graphics()), (QStringList{"0", "1", "2", "x", "y", "4"}));
    EXPECT_EQ(scene.layer->graphics()[3]->layer(), scene.layer);
    scene.undo().undo();
    EXPECT_EQ(namesOf(scene.layer->graphics()), (QStringList{"0", "1", "2", "g", "4"}));
    EXPECT_EQ(namesOf(group->graphics()), (QStringList{"x", "y"}));

    // Without a parent there is nothing to ungroup into.
    auto loose = TDGroup::groupWithGraphics({named("z")});
    loose->ungroup();
    EXPECT_EQ(loose->graphics().size(), 1u);
}

TEST(TDGroup, HidingDeselectsTheDescendantsAndNamesTheStep)
{
    Scene scene;
    auto child = named("a");
    auto inner = TDGroup::groupWithGraphics({child});
    auto group = TDGroup::groupWithGraphics({inner});
    scene.layer->addGraphic(group);
    scene.canvas.selection = {child, group};
    group->setVisible(false);
    EXPECT_TRUE(scene.canvas.selection.empty());
    EXPECT_EQ(scene.undo().undoActionName(), QStringLiteral("Set graphic visible"));
    EXPECT_GT(scene.panel.invalidations, 0);
    scene.undo().undo();
    EXPECT_TRUE(group->visible());

    scene.canvas.selection = {child};
    group->setLocked(true);
    EXPECT_TRUE(scene.canvas.selection.empty());
    EXPECT_EQ(scene.undo().undoActionName(), QStringLiteral("Set graphic locked"));
}

TEST(TDGroup, LayersAreVisibleUnlockedPrintableAndNameTheirSteps)
{
    Scene scene;
    EXPECT_TRUE(scene.layer->visible());
    EXPECT_FALSE(scene.layer->locked());
    EXPECT_TRUE(scene.layer->printable());
    EXPECT_EQ(scene.layer->name(), QStringLiteral("Layer 1"));
    scene.layer->setVisible(false);
    EXPECT_EQ(scene.undo().undoActionName(), QStringLiteral("Set layer visible"));
    scene.layer->setLocked(true);
    EXPECT_EQ(scene.undo().undoActionName(), QStringLiteral("Set layer locked"));

    // A layer without a name is named on entry into a document.
    RecordingDocument other;
    other.setGraphicCounter(4);
    auto unnamed = std::make_shared<TDLayer>();
    unnamed->setDocument(&other);
    EXPECT_EQ(unnamed->name(), QStringLiteral("Layer 4"));
}

TEST(TDGroup, ManipulationReachesEveryChildAndUndoesTogether)
{
    Scene scene;
    auto a = named("a", Rect(0, 0, 10, 10));
    auto b = named("b", Rect(20, 0, 10, 10));
    auto group = TDGroup::groupWithGraphics({a, b});
    scene.layer->addGraphic(group);
    scene.undo().removeAllActions();
    scene.undo().beginUndoGrouping();
    group->startManipulation();
    group->transformWithTransformation(AffineTransform::makeTranslation(5, 7));
    group->stopManipulation();
    scene.undo().endUndoGrouping();
    EXPECT_EQ(a->bounds(), Rect(5, 7, 10, 10));
    EXPECT_EQ(group->bounds(), Rect(5, 7, 30, 10));
    scene.undo().undo();
    EXPECT_EQ(a->bounds(), Rect(0, 0, 10, 10));
    EXPECT_EQ(group->bounds(), Rect(0, 0, 30, 10));
}

TEST(TDGroup, BracketsInvalidateOnEveryCall)
{
    Scene scene;
    auto group = TDGroup::groupWithGraphics({named("a")});
    scene.layer->addGraphic(group);
    scene.document.invalidatedGraphics.clear();
    group->willChange();
    group->willChange();
    group->didChange();
    group->didChange();
    EXPECT_EQ(scene.document.invalidatedGraphics.size(), 3u);
}

// --- Child list -----------------------------------------------------------------------------------

TEST(TDGroupGraphics, AddUndoRedo)
{
    Scene scene;
    auto a = named("a");
    auto b = named("b");
    scene.layer->addGraphic(a);
    scene.layer->addGraphic(b);
    EXPECT_EQ(b->layer(), scene.layer);
    EXPECT_EQ(b->document(), &scene.document);
    EXPECT_GT(scene.canvas.calculateSizeCalls, 0);
    scene.undo().undo();
    EXPECT_EQ(namesOf(scene.layer->graphics()), (QStringList{"a"}));
    scene.undo().redo();
    EXPECT_EQ(namesOf(scene.layer->graphics()), (QStringList{"a", "b"}));
}

TEST(TDGroupGraphics, InsertAfterMoveAndSet)
{
    Scene scene;
    scene.layer->setGraphics({named("x"), named("y"), named("z")});
    EXPECT_EQ(namesOf(scene.layer->graphics()), (QStringList{"x", "y", "z"}));
    const auto z = scene.layer->graphics()[2];
    scene.layer->addGraphic(named("w"));
    scene.layer->addGraphic(named("new"), z.get());
    EXPECT_EQ(namesOf(scene.layer->graphics()), (QStringList{"x", "y", "new", "z", "w"}));
    // Not a child: nothing.
    auto stranger = named("s");
    scene.layer->addGraphic(named("never"), stranger.get());
    EXPECT_EQ(scene.layer->graphics().size(), 5u);
    EXPECT_FALSE(scene.layer->replaceGraphic(stranger.get(), named("r")));

    // moveGraphic clamps the target.
    const auto x = scene.layer->graphics()[0];
    EXPECT_TRUE(scene.layer->moveGraphic(x, 99));
    EXPECT_EQ(scene.layer->indexOfGraphic(x.get()), 4);
    EXPECT_TRUE(scene.layer->moveGraphic(x, -5));
    EXPECT_EQ(scene.layer->indexOfGraphic(x.get()), 0);
    EXPECT_FALSE(scene.layer->moveGraphic(x, 0));
    EXPECT_FALSE(scene.layer->moveGraphic(x, -3)); // clamps to where it stands
    EXPECT_FALSE(scene.layer->moveGraphic(stranger, 1));
    scene.undo().undo();
    EXPECT_EQ(scene.layer->indexOfGraphic(x.get()), 4);
    EXPECT_EQ(scene.layer->indexOfGraphic(stranger.get()), TDNotFound);
    // An index out of range removes nothing, and inserts at the nearer end.
    scene.layer->removeGraphicAtIndex(17);
    scene.layer->removeGraphicAtIndex(-1);
    EXPECT_EQ(scene.layer->graphics().size(), 5u);
    scene.layer->insertGraphic(named("top"), 17);
    scene.layer->insertGraphic(named("bottom"), -2);
    EXPECT_EQ(scene.layer->graphics().back()->name(), QStringLiteral("top"));
    EXPECT_EQ(scene.layer->graphics().front()->name(), QStringLiteral("bottom"));
    scene.undo().undo();
    scene.undo().undo();
    EXPECT_EQ(scene.layer->graphics().size(), 5u);
}

TEST(TDGroupGraphics, UndoOfRemovingSeveralRestoresEachIndex)
{
    Scene scene;
    scene.layer->setGraphics({named("0"), named("1"), named("2"), named("3"), named("4")});
    const TDGraphicArray all = scene.layer->graphics();
    scene.undo().removeAllActions();
    scene.layer->removeGraphics({all[3], all[0], all[2]});
    EXPECT_EQ(namesOf(scene.layer->graphics()), (QStringList{"1", "4"}));
    scene.undo().undo();
    EXPECT_EQ(namesOf(scene.layer->graphics()), (QStringList{"0", "1", "2", "3", "4"}));
    EXPECT_EQ(all[3]->layer(), scene.layer);
    scene.undo().redo();
    EXPECT_EQ(namesOf(scene.layer->graphics()), (QStringList{"1", "4"}));
    scene.undo().undo();
    EXPECT_EQ(namesOf(scene.layer->graphics()), (QStringList{"0", "1", "2", "3", "4"}));
}

TEST(TDGroupGraphics, MoveAllGraphicsKeepsTheirOrderOnScreen)
{
    Scene scene;
    scene.layer->setGraphics({named("a"), named("b"), named("c"), named("d"), named("e")});
    const TDGraphicArray all = scene.layer->graphics();
    scene.undo().removeAllActions();
    EXPECT_EQ(scene.layer->moveAllGraphics({all[0], all[1]}, 4), 2);
    EXPECT_EQ(namesOf(scene.layer->graphics()), (QStringList{"c", "d", "b", "a", "e"}));
    scene.undo().undo();
    EXPECT_EQ(namesOf(scene.layer->graphics()), (QStringList{"a", "b", "c", "d", "e"}));
    EXPECT_FALSE(scene.undo().canUndo());

    // From another group.
    auto other = TDGroup::groupWithGraphics({});
    scene.layer->addGraphic(other);
    other->moveAllGraphics({all[4]}, 0);
    EXPECT_EQ(namesOf(other->graphics()), (QStringList{"e"}));
    EXPECT_EQ(all[4]->layer(), other);
}

TEST(TDGroupGraphics, CopyAllGraphicsInsertsDeepCopies)
{
    TestShape::registerArchiveClass();
    Scene scene;
    scene.layer->setGraphics({named("a"), named("b")});
    const TDGraphicArray all = scene.layer->graphics();
    scene.undo().removeAllActions();
    scene.layer->copyAllGraphics(all, 2);
    ASSERT_EQ(scene.layer->graphics().size(), 4u);
    EXPECT_EQ(namesOf(scene.layer->graphics()), (QStringList{"a", "b", "b", "a"}));
    EXPECT_NE(scene.layer->graphics()[2], all[1]);
    EXPECT_EQ(scene.layer->graphics()[2]->layer(), scene.layer);
    scene.undo().undo();
    EXPECT_EQ(scene.layer->graphics().size(), 2u);
}

TEST(TDGroupGraphics, SetDocumentReachesNestedChildren)
{
    RecordingDocument document;
    auto leaf = named("leaf");
    auto inner = TDGroup::groupWithGraphics({leaf});
    auto outer = TDGroup::groupWithGraphics({inner});
    outer->setDocument(&document);
    EXPECT_EQ(leaf->document(), &document);
    EXPECT_EQ(leaf->layer(), inner);
    EXPECT_EQ(inner->layer(), outer);
}

// --- Dictionary and archive
// ---------------------------------------------------------------------------------

TEST(TDGroupDictionary, ChildrenClipAndExpandedRoundTrip)
{
    TDModelArchiving::registerClasses();
    TestShape::registerArchiveClass();
    auto inner = TDGroup::groupWithGraphics({named("a", Rect(0, 0, 5, 5)), named("b", Rect(1, 1, 3, 3))});
    inner->setName("inner");
    inner->setClip(true);
    inner->setExpanded(true);
    auto layer = std::make_shared<TDLayer>();
    layer->setName("L");
    layer->_setGraphics({named("c"), inner});

    const PropertyList d = layer->toYAML();
    EXPECT_TRUE(d.value("Graphics").isArray());
    EXPECT_FALSE(d.contains("Clip"));
    EXPECT_TRUE(inner->toYAML().value("Clip").toBool());
    EXPECT_TRUE(inner->toYAML().value("Expanded").toBool());

    QString error;
    const auto data = KeyedArchiver::archivedData(PropertyList(layer), PropertyList::Format::Binary, &error);
    ASSERT_TRUE(data) << error.toStdString();
    const auto root = KeyedUnarchiver::unarchive(*data, &error);
    ASSERT_TRUE(root) << error.toStdString();
    const auto layer2 = root->objectAs<TDLayer>();
    ASSERT_TRUE(layer2);
    EXPECT_EQ(layer2->name(), QStringLiteral("L"));
    ASSERT_EQ(layer2->graphics().size(), 2u);
    const auto inner2 = std::dynamic_pointer_cast<TDGroup>(layer2->graphics()[1]);
    ASSERT_TRUE(inner2);
    EXPECT_TRUE(inner2->clip());
    EXPECT_TRUE(inner2->expanded());
    EXPECT_EQ(inner2->bounds(), inner->bounds());
    EXPECT_EQ(namesOf(inner2->graphics()), (QStringList{"a", "b"}));
    EXPECT_EQ(inner2->graphics()[0]->toYAML(), inner->graphics()[0]->toYAML());
}

TEST(TDGroupDictionary, ElementsThatAreNotGraphicsAreSkipped)
{
    auto child = named("ok");
    PropertyList children{PropertyList::Array()};
    children.append(PropertyList(QStringLiteral("junk")));
    children.append(PropertyList(child));
    children.append(PropertyList(child)); // the same graphic twice
    children.append(PropertyList(PropertyList::Dictionary()));
    PropertyList d{PropertyList::Dictionary()};
    d.insert("Graphics", children);
    d.insert("Clip", QStringLiteral("yes"));
    auto group = TDGroup::objectWithYAML(d);
    EXPECT_EQ(namesOf(group->graphics()), (QStringList{"ok"}));
    EXPECT_FALSE(group->clip());

    PropertyList notAList{PropertyList::Dictionary()};
    notAList.insert("Graphics", 5);
    EXPECT_TRUE(TDGroup::objectWithYAML(notAList)->graphics().empty());
}

TEST(TDGroup, EnteringAGroupMakesItTheCurrentLayer)
{
    Scene scene;
    auto group = TDGroup::groupWithGraphics({named("a")});
    scene.layer->addGraphic(group);
    scene.canvas.selection = {group};
    group->startEditingWithEvent(nullptr, &scene.canvas);
    EXPECT_EQ(scene.document.currentLayer(), group.get());
    EXPECT_TRUE(scene.canvas.selection.empty());
    EXPECT_EQ(scene.canvas.fullRedisplays, 1);
}

TEST(TDGroupGraphics, QuietAdditionsUndoAsARemoval)
{
    Scene scene;
    scene.layer->addGraphic(named("base"));
    scene.undo().removeAllActions();
    scene.layer->addGraphicsQuietly({named("p"), named("q")}, 0);
    EXPECT_EQ(namesOf(scene.layer->graphics()), (QStringList{"p", "q", "base"}));
    EXPECT_EQ(scene.layer->graphics()[0]->layer(), scene.layer);
    scene.undo().undo();
    EXPECT_EQ(namesOf(scene.layer->graphics()), (QStringList{"base"}));
    scene.undo().redo();
    // The redo puts them back where they were.
    EXPECT_EQ(namesOf(scene.layer->graphics()), (QStringList{"p", "q", "base"}));
}

// Appending unites the new child's bounds with those the group had; the
// result must be what a walk over every child gives, clipping included.
TEST(TDGroupGraphics, BoundsAfterEachAppendMatchAWalkOverEveryChild)
{
    Scene scene;
    auto group = std::make_shared<TDGroup>();
    scene.layer->addGraphic(group);
    const Rect rects[] = {Rect(10, 10, 5, 5), Rect(-3.3f, 7.1f, 2, 40), Rect(0.1f, 0.2f, 0.3f, 0.4f),
                          Rect(100, -50, 1, 1)};
    auto expectWalked = [](TDGroup &g, const char *when) {
        const Rect bounds = g.bounds();
        const Rect drawing = g.childrenDrawingBounds();
        g.calculateBounds();
        EXPECT_EQ(bounds, g.bounds()) << when;
        EXPECT_EQ(drawing, g.childrenDrawingBounds()) << when;
    };
    for (size_t i = 0; i < std::size(rects); ++i) {
        auto shape = named(QString::number(i), rects[i]);
        shape->setHasShadow(i % 2 == 1); // drawing bounds beyond the bounds
        if (i % 2)
            group->addGraphic(shape);
        else
            group->addGraphicVeryQuietly(shape);
        expectWalked(*group, "appended");
    }
    EXPECT_FLOAT_EQ(group->bounds().minX(), -3.3f);
    EXPECT_FLOAT_EQ(group->bounds().maxX(), 101);
    EXPECT_FLOAT_EQ(group->bounds().minY(), -50);
    EXPECT_FLOAT_EQ(group->bounds().maxY(), 47.1f);

    // Clipping: the last child alone, also after another is appended.
    group->setClip(true);
    auto clipper = named("clip", Rect(1, 2, 3, 4));
    group->addGraphic(clipper);
    expectWalked(*group, "clipping");
    EXPECT_EQ(group->bounds(), clipper->bounds());
}
