#include "ModelTestDoubles.h"
#include "StyleTestDoubles.h"

#include "model/TDFillStyle.h"
#include "model/TDFilter.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "model/TDModelArchiving.h"
#include "model/TDStrokeStyle.h"
#include "platform/ArchivedColor.h"
#include "platform/ArchivedTransform.h"
#include "platform/EncodedDictionary.h"
#include "platform/GraphicsContext.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/NotificationCenter.h"
#include "platform/effects/EffectFilter.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;
using namespace scrivane::test;

namespace {

// A document with a canvas and a layer that holds the graphics under test.
struct Scene {
    RecordingDocument document;
    RecordingCanvas canvas{&document};
    std::shared_ptr<TDLayer> layer = TDLayer::layerWithName(QStringLiteral("Layer 1"), &document);

    Scene()
    {
        document.layers.push_back(layer);
        document.setCurrentLayer(layer.get());
    }
    std::shared_ptr<TestShape> add(const Rect &rect)
    {
        auto shape = TestShape::inRect(rect);
        layer->addGraphic(shape);
        document.undo().removeAllActions();
        return shape;
    }
};

// Counts "TDGraphicDidChange" notifications about one object.
struct ChangeCounter {
    explicit ChangeCounter(const void *object)
    {
        NotificationCenter::defaultCenter().addObserver(this, TDGraphic::didChangeNotification, object,
                                                        [this](const Notification &) { ++count; });
    }
    ~ChangeCounter() { NotificationCenter::defaultCenter().removeObserver(this); }
    int count = 0;
};

void expectRectNear(const Rect &actual, const Rect &expected, float tolerance = 1e-3f)
{
    EXPECT_NEAR(actual.minX(), expected.minX(), tolerance);
    EXPECT_NEAR(actual.minY(), expected.minY(), tolerance);
    EXPECT_NEAR(actual.width(), expected.width(), tolerance);
    EXPECT_NEAR(actual.height(), expected.height(), tolerance);
}

} // namespace

TEST(TDGraphic, TakesANumberedNameWhenItEntersADocument)
{
    RecordingLayerController panel;
    RecordingDocument document;
    document.setGraphicCounter(7);
    auto shape = std::make_shared<TestShape>();
    shape->setDocument(&document);
    EXPECT_EQ(shape->name(), QStringLiteral("Graphic 7"));
    EXPECT_EQ(panel.reloads, 1);

    auto named = std::make_shared<TestShape>();
    named->setName(QStringLiteral("Mine"));
    named->setDocument(&document);
    EXPECT_EQ(named->name(), QStringLiteral("Mine"));

    auto group = std::make_shared<TDGroup>();
    group->setDocument(&document);
    EXPECT_EQ(group->name(), QStringLiteral("Group 8"));

    auto layer = std::make_shared<TDLayer>();
    layer->setDocument(&document);
    EXPECT_EQ(layer->name(), QStringLiteral("Layer 9"));

    // A text box is named for its text, not its shape.
    auto text = std::make_shared<TestShape>();
    text->fillStyle()->setStyleQ(TDFillText);
    text->setDocument(&document);
    EXPECT_EQ(text->name(), QStringLiteral("Text 10"));

    // Entering the same document again changes nothing.
    shape->setDocument(&document);
    EXPECT_EQ(shape->name(), QStringLiteral("Graphic 7"));
}

TEST(TDGraphic, IdentityNumbersAreUnique)
{
    TDGraphic a;
    TDGraphic b;
    EXPECT_NE(a.IDint(), b.IDint());
    EXPECT_EQ(a.IDobj().toInteger(), a.IDint());
}

TEST(TDGraphic, FloatSettersIgnoreStepsBelowTheirThreshold)
{
    Scene scene;
    auto shape = scene.add(Rect(10, 10, 20, 20));
    shape->setShadowDistance(5.002f);
    EXPECT_EQ(shape->shadowDistance(), 5.0f);
    EXPECT_FALSE(scene.document.undo().canUndo());
    shape->setShadowDistance(5.004f);
    EXPECT_EQ(shape->shadowDistance(), 5.004f);
    EXPECT_TRUE(scene.document.undo().canUndo());
    // Values that are not numbers never get in.
    shape->setShadowRadius(NAN);
    shape->setAlphaValue(NAN);
    EXPECT_EQ(shape->shadowRadius(), 3.0f);
    EXPECT_EQ(shape->alphaValue(), 1.0f);
}

TEST(TDGraphic, NestedBracketsRepaintAndPostOnce)
{
    Scene scene;
    auto shape = scene.add(Rect(10, 10, 20, 20));
    scene.document.invalidatedRects.clear();
    ChangeCounter changes(shape.get());
    shape->willChange();
    shape->willChange();
    shape->didChange();
    EXPECT_EQ(changes.count, 0);
    EXPECT_TRUE(scene.document.invalidatedRects.empty());
    shape->didChange();
    EXPECT_EQ(changes.count, 1);
    ASSERT_EQ(scene.document.invalidatedRects.size(), 1u);
    // The default line of width 1 around (10, 10, 20, 20).
    expectRectNear(scene.document.invalidatedRects[0], Rect(9.5f, 9.5f, 21, 21));
    // An unbalanced close never drives the count below zero.
    shape->didChange();
    EXPECT_EQ(shape->changeCount(), 0);
}

TEST(TDGraphic, ABracketAroundAGraphicWithoutPathDoesNothing)
{
    RecordingDocument document;
    auto bare = std::make_shared<TDGraphic>();
    bare->setDocument(&document);
    ChangeCounter changes(bare.get());
    bare->willChange();
    bare->didChange();
    EXPECT_EQ(changes.count, 0);
    EXPECT_TRUE(document.invalidatedRects.empty());
}

TEST(TDGraphic, RepaintOfASelectedGraphicCoversTheSelection)
{
    Scene scene;
    auto shape = scene.add(Rect(10, 10, 20, 20));
    scene.canvas.selection = {shape};
    scene.canvas.selectionArea = Rect(0, 0, 100, 100);
    scene.document.invalidatedRects.clear();
    shape->setBlendMode(2);
    ASSERT_EQ(scene.document.invalidatedRects.size(), 1u);
    EXPECT_EQ(scene.document.invalidatedRects[0], Rect(0, 0, 100, 100));
}

TEST(TDGraphic, ASliderDragInOneGroupIsOneUndoStep)
{
    Scene scene;
    auto shape = scene.add(Rect(10, 10, 20, 20));
    TDUndoManager &undo = scene.document.undo();
    undo.beginUndoGrouping();
    for (float alpha : {0.8f, 0.6f, 0.5f})
        shape->setAlphaValue(alpha);
    undo.endUndoGrouping();
    EXPECT_EQ(shape->alphaValue(), 0.5f);
    undo.undo();
    EXPECT_EQ(shape->alphaValue(), 1.0f);
    EXPECT_FALSE(undo.canUndo());
    undo.redo();
    EXPECT_EQ(shape->alphaValue(), 0.5f);

    // Different settings, or different graphics, are steps of their own.
    auto other = scene.add(Rect(50, 50, 10, 10));
    undo.beginUndoGrouping();
    shape->setShadowRadius(6);
    shape->setShadowAngle(1);
    other->setShadowRadius(7);
    undo.endUndoGrouping();
    undo.undo();
    EXPECT_EQ(shape->shadowRadius(), 3.0f);
    EXPECT_FLOAT_EQ(shape->shadowAngle(), 2.3561945f);
    EXPECT_EQ(other->shadowRadius(), 3.0f);
}

TEST(TDGraphic, VisibilityAndLockRegisterAndDeselect)
{
    Scene scene;
    auto shape = scene.add(Rect(10, 10, 20, 20));
    scene.canvas.selection = {shape};
    ChangeCounter changes(shape.get());
    shape->setVisible(false);
    EXPECT_FALSE(shape->visible());
    EXPECT_TRUE(scene.canvas.selection.empty());
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(scene.document.undo().undoActionName(), QStringLiteral("Set graphic visible"));
    scene.document.undo().undo();
    EXPECT_TRUE(shape->visible());

    scene.canvas.selection = {shape};
    const int before = changes.count;
    shape->setLocked(true);
    EXPECT_TRUE(shape->locked());
    EXPECT_TRUE(scene.canvas.selection.empty());
    EXPECT_EQ(changes.count, before); // no repaint for a lock
    EXPECT_EQ(scene.document.undo().undoActionName(), QStringLiteral("Set graphic locked"));
    shape->setLocked(true); // unchanged: nothing registered
    scene.document.undo().undo();
    EXPECT_FALSE(shape->locked());
    EXPECT_FALSE(scene.document.undo().canUndo());

    shape->setVisibleQuiet(false);
    EXPECT_FALSE(shape->visible());
    EXPECT_FALSE(scene.document.undo().canUndo());
}

TEST(TDGraphic, SetNameRegistersAndReloadsThePanel)
{
    RecordingLayerController panel;
    Scene scene;
    auto shape = scene.add(Rect(0, 0, 5, 5));
    const QString old = shape->name();
    shape->setName(QStringLiteral("Square"));
    EXPECT_EQ(scene.document.undo().undoActionName(), QStringLiteral("Set name"));
    scene.document.undo().undo();
    EXPECT_EQ(shape->name(), old);
    EXPECT_GE(panel.reloads, 2);
}

TEST(TDGraphic, DrawingBoundsIncludeTheShadowWhereItFalls)
{
    auto shape = TestShape::inRect(Rect(0, 0, 10, 10));
    shape->setHasShadow(true);
    const Rect stroke(-0.5f, -0.5f, 11, 11);
    const float dx = std::sin(2.3561945f) * 5;
    const float dy = -std::cos(2.3561945f) * 5;
    EXPECT_NEAR(dx, 3.54f, 0.01f);
    EXPECT_NEAR(dy, 3.54f, 0.01f);
    const Rect shadow = stroke.insetBy(-3, -3).offsetBy(dx, dy);
    expectRectNear(shape->drawingBoundsWithoutEffects(), stroke.united(shadow));
    expectRectNear(shape->drawingBounds(), stroke.united(shadow));
    // Editing bounds grow symmetrically by radius and distance.
    expectRectNear(shape->editingBounds(), stroke.insetBy(-8, -8));

    const Rect fixed(1, 2, 3, 4);
    shape->overrideDrawingBounds(&fixed);
    EXPECT_EQ(shape->drawingBounds(), fixed);
    shape->overrideDrawingBounds(nullptr);
}

TEST(TDGraphic, UpdateBoundsGrowForTheShadowsOfParents)
{
    Scene scene;
    auto group = std::make_shared<TDGroup>();
    scene.layer->addGraphic(group);
    auto shape = TestShape::inRect(Rect(0, 0, 10, 10));
    group->addGraphic(shape);
    group->setHasShadow(true);
    expectRectNear(shape->updateBounds(), shape->drawingBounds().insetBy(-8, -8));

    // Isolated in the group: the group's shadow is not drawn.
    scene.canvas.isolated = true;
    scene.document.setCurrentLayer(group.get());
    expectRectNear(shape->updateBounds(), shape->drawingBounds());
    scene.canvas.isolated = false;
    // Outline view draws no shadows at all.
    scene.canvas.outline = true;
    expectRectNear(shape->updateBounds(), shape->drawingBounds());
}

TEST(TDGraphic, HitTestsFillStrokeAndOutline)
{
    Scene scene;
    auto shape = scene.add(Rect(10, 10, 40, 40));
    // Not filled: only the line hits.
    EXPECT_FALSE(shape->hitTest(Point(30, 30)));
    EXPECT_TRUE(shape->hitTest(Point(10.5f, 30)));
    EXPECT_FALSE(shape->hitTest(Point(100, 100)));
    shape->fillStyle()->setStyle(TDFillColor);
    EXPECT_TRUE(shape->hitTest(Point(30, 30)));

    // Outline view ignores the fill: only within 2 / zoom of the outline.
    scene.canvas.outline = true;
    scene.canvas.zoomFactor = 1;
    EXPECT_FALSE(shape->hitTest(Point(30, 30)));
    EXPECT_TRUE(shape->hitTest(Point(11.5f, 30)));
    scene.canvas.zoomFactor = 8;
    EXPECT_FALSE(shape->hitTest(Point(12.5f, 30)));
    EXPECT_TRUE(shape->hitTest(Point(10.1f, 30)));
    // The line width is put back.
    EXPECT_EQ(shape->cachedBezierPath()->lineWidth(), 1.0f);

    EXPECT_TRUE(shape->hitTestRect(Rect(0, 0, 15, 15)));
    EXPECT_FALSE(shape->hitTestRect(Rect(20, 20, 5, 5)));
}

TEST(TDGraphic, ManipulationScalesLineWidthAndUndoesInOneStep)
{
    Scene scene;
    auto shape = scene.add(Rect(0, 0, 10, 10));
    TDUndoManager &undo = scene.document.undo();
    undo.beginUndoGrouping();
    shape->startManipulation();
    EXPECT_EQ(scene.canvas.stopTextEditingCalls, 1);
    shape->transformWithTransformation(AffineTransform::makeScale(3, 3));
    shape->transformWithTransformation(AffineTransform::makeScale(2, 8));
    EXPECT_FLOAT_EQ(shape->strokeStyle()->strokeWidth(), 4);
    EXPECT_TRUE(shape->strokeTransformation().isIdentity());
    EXPECT_EQ(shape->transformation(), AffineTransform(20, 0, 0, 80, 0, 0));
    shape->stopManipulation();
    undo.endUndoGrouping();
    expectRectNear(shape->bounds(), Rect(0, 0, 20, 80));

    undo.undo();
    EXPECT_EQ(shape->transformation(), AffineTransform(10, 0, 0, 10, 0, 0));
    EXPECT_FLOAT_EQ(shape->strokeStyle()->strokeWidth(), 1);
    expectRectNear(shape->bounds(), Rect(0, 0, 10, 10));
    EXPECT_FALSE(undo.canUndo());
    undo.redo();
    EXPECT_EQ(shape->transformation(), AffineTransform(20, 0, 0, 80, 0, 0));
    EXPECT_FLOAT_EQ(shape->strokeStyle()->strokeWidth(), 4);
}

TEST(TDGraphic, TransformingAGraphicBeingCreatedKeepsItsLine)
{
    Scene scene;
    auto shape = scene.add(Rect(0, 0, 10, 10));
    scene.canvas.creating = shape.get();
    shape->startManipulation();
    shape->transformWithTransformation(AffineTransform::makeScale(4, 4));
    EXPECT_EQ(shape->strokeStyle()->strokeWidth(), 1);
    EXPECT_TRUE(shape->strokeTransformation().isIdentity());
    shape->cancelManipulation();
    EXPECT_FALSE(shape->manipulating());
}

TEST(TDGraphic, TransformationSettersRegisterAsSpecified)
{
    Scene scene;
    auto shape = scene.add(Rect(0, 0, 10, 10));
    TDUndoManager &undo = scene.document.undo();
    // The shape registers even when unchanged.
    shape->setTransformation(shape->transformation());
    EXPECT_TRUE(undo.canUndo());
    undo.removeAllActions();
    // The others only on a change.
    shape->setFillTransformation(shape->fillTransformation());
    EXPECT_FALSE(undo.canUndo());
    shape->setFillTransformation(AffineTransform::makeTranslation(3, 4));
    EXPECT_TRUE(undo.canUndo());
    undo.undo();
    EXPECT_TRUE(shape->fillTransformation().isIdentity());

    // Matrices that are not numbers are refused.
    shape->setTransformation(AffineTransform(NAN, 0, 0, 1, 0, 0));
    EXPECT_EQ(shape->transformation(), AffineTransform(10, 0, 0, 10, 0, 0));
}

TEST(TDGraphic, AlignMovesByTheEdgeDifferenceInOneStep)
{
    Scene scene;
    auto reference = scene.add(Rect(0, 0, 100, 50));
    auto shape = scene.add(Rect(30, 60, 20, 10));
    struct Case {
        int mode;
        Rect expected;
    } cases[] = {
        {0, Rect(0, 60, 20, 10)},  {1, Rect(80, 60, 20, 10)}, {2, Rect(30, 0, 20, 10)},
        {3, Rect(30, 40, 20, 10)}, {4, Rect(40, 60, 20, 10)}, {5, Rect(30, 20, 20, 10)},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.mode);
        // One input event: one undo group.
        scene.document.undo().beginUndoGrouping();
        shape->align(c.mode, *reference);
        scene.document.undo().endUndoGrouping();
        expectRectNear(shape->bounds(), c.expected);
        scene.document.undo().undo();
        expectRectNear(shape->bounds(), Rect(30, 60, 20, 10));
    }
    // Already centred: nothing moves, yet the manipulation still runs.
    auto centred = scene.add(Rect(40, 0, 20, 10));
    centred->align(4, *reference);
    expectRectNear(centred->bounds(), Rect(40, 0, 20, 10));
}

TEST(TDGraphic, ResetFillTransformFollowsTheShape)
{
    Scene scene;
    auto shape = scene.add(Rect(10, 20, 200, 100));
    shape->setFillTransformation(AffineTransform::makeTranslation(5, 5));
    shape->setTextTransformation(AffineTransform::makeScale(2, 2));
    shape->fillStyle()->setStyle(TDFillGradient);
    shape->fillStyle()->setGradientFromPoint(Point(0, 0), Point(1, 1));
    shape->resetFillTransform();
    EXPECT_EQ(shape->fillTransformation(), AffineTransform(200, 0, 0, 100, 10, 20));
    EXPECT_TRUE(shape->textTransformation().isIdentity());
    EXPECT_EQ(shape->fillStyle()->gradientStart(), Point(0.2f, 0.2f));
    EXPECT_EQ(shape->fillStyle()->gradientEnd(), Point(0.8f, 0.2f));
}

TEST(TDGraphic, ResetFillTransformOfFlatBoundsDividesByNothing)
{
    Scene scene;
    auto line = scene.add(Rect(10, 20, 50, 0));
    line->fillStyle()->setStyleQ(TDFillImage);
    line->resetFillTransform();
    EXPECT_EQ(line->fillTransformation(), AffineTransform(50, 0, 0, 0, 10, 20));
}

TEST(TDGraphic, CreationByDraggingCompletesThroughTheCanvas)
{
    Scene scene;
    struct Case {
        CreationMode mode;
        bool completed;
        bool moved;
        bool created;
    } cases[] = {
        {CreationMode::Drag, true, true, true},       // a drag
        {CreationMode::Drag, true, false, false},     // a click
        {CreationMode::Drag, false, true, false},     // cancelled
        {CreationMode::KeepClick, true, false, true}, // a click that counts
    };
    for (const Case &c : cases) {
        auto shape = std::make_shared<TestShape>();
        shape->setDocument(&scene.document);
        std::optional<bool> result;
        TDEvent press;
        press.locationInWindow = Point(19.5f, 29.5f);
        shape->createWithEvent(press, &scene.canvas, c.mode, [&result](bool created) { result = created; });
        EXPECT_FALSE(result.has_value());
        EXPECT_EQ(scene.canvas.trackedKnob, Knob::BottomRight);
        ASSERT_EQ(scene.canvas.trackedGraphics.size(), 1u);
        EXPECT_EQ(scene.canvas.trackedGraphics[0], shape);
        EXPECT_EQ(shape->bounds(), Rect(20, 30, 1, 1));
        EXPECT_EQ(shape->transformation(), AffineTransform::makeTranslation(20, 30));
        EXPECT_EQ(shape->fillTransformation(), AffineTransform::makeTranslation(20, 30));
        scene.canvas.finishTracking(c.completed, c.moved);
        ASSERT_TRUE(result.has_value());
        EXPECT_EQ(*result, c.created);
    }
    // A text box is kept for a click too, becomes a text fill and grows
    // with its text.
    auto text = std::make_shared<TestShape>();
    std::optional<bool> answered;
    text->createWithEvent(TDEvent(), &scene.canvas, CreationMode::TextBox,
                          [&answered](bool created) { answered = created; });
    scene.canvas.finishTracking(true, false);
    ASSERT_TRUE(answered.has_value());
    EXPECT_TRUE(*answered);
    EXPECT_EQ(text->fillStyle()->style(), TDFillText);
    EXPECT_EQ(text->strokeStyle()->style(), TDStrokeNone);
    EXPECT_TRUE(TDGraphic::autoSizeRequest());
    TDGraphic::setAutoSizeRequest(false);
}

TEST(TDGraphic, StyleTransferCopiesEffectsInOrder)
{
    auto source = TestShape::inRect(Rect(0, 0, 10, 10));
    source->setHasShadow(true);
    source->setShadowRadius(7);
    source->setShadowDistance(2);
    source->setShadowAngle(0.5f);
    source->setShadowColor(Color::red());
    source->setBlendMode(3);
    source->setAlphaValue(0.25f);
    source->fillStyle()->setStyle(TDFillColor);
    source->fillStyle()->setColor(Color::blue());
    source->strokeStyle()->setStrokeWidth(6);
    auto target = TestShape::inRect(Rect(0, 0, 10, 10));
    target->copyStyleFrom(*source);
    EXPECT_TRUE(target->hasShadow());
    EXPECT_EQ(target->shadowRadius(), 7);
    EXPECT_EQ(target->shadowDistance(), 2);
    EXPECT_EQ(target->shadowAngle(), 0.5f);
    EXPECT_EQ(target->shadowColor(), Color::red());
    EXPECT_EQ(target->blendMode(), 3);
    EXPECT_EQ(target->alphaValue(), 0.25f);
    EXPECT_EQ(target->fillStyle()->color(), Color::blue());
    EXPECT_EQ(target->strokeStyle()->strokeWidth(), 6);
    EXPECT_NE(target->fillStyle(), source->fillStyle());

    auto sharer = TestShape::inRect(Rect(0, 0, 10, 10));
    sharer->setStyleFrom(*source);
    EXPECT_EQ(sharer->fillStyle(), source->fillStyle());
    EXPECT_EQ(sharer->strokeStyle(), source->strokeStyle());
}

TEST(TDGraphic, EffectSettersRegister)
{
    Scene scene;
    auto shape = scene.add(Rect(0, 0, 10, 10));
    TDUndoManager &undo = scene.document.undo();
    shape->setFilterArrayUndoable({});
    EXPECT_FALSE(undo.canUndo()); // both empty
    shape->setFilterArrayUndoable({TDFilter::filterWithName(QStringLiteral("CIGaussianBlur"))});
    ASSERT_EQ(shape->filterArray().size(), 1u);
    EXPECT_EQ(shape->filterArray().front()->filterName(), QStringLiteral("CIGaussianBlur"));
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Set filter data"));
    undo.undo();
    EXPECT_EQ(shape->filterArray().size(), 0u);

    shape->setUsesFilters(true);
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Set uses filters"));
    shape->setFilterResolution(2);
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Set filter resolution"));
    EXPECT_FALSE(shape->useFiltersDrawing());
    EXPECT_FALSE(shape->containsImage());
    shape->fillStyle()->setStyleQ(TDFillImage);
    EXPECT_TRUE(shape->containsImage());
}

// --- Dictionary form -------------------------------------------------------------------------

TEST(TDGraphicDictionary, DefaultsWriteOnlyTheKeysThatAlwaysGo)
{
    auto shape = TestShape::inRect(Rect(0, 0, 1, 1));
    const PropertyList d = shape->toYAML();
    QStringList keys;
    for (const auto &[key, value] : d.toDictionary())
        keys << key;
    EXPECT_EQ(keys, (QStringList{"Fill", "Locked", "Name", "Stroke", "Visible"}));
}

TEST(TDGraphicDictionary, EveryKeyRoundTrips)
{
    auto shape = TestShape::inRect(Rect(5, 6, 7, 8));
    shape->setName(QStringLiteral("Thing"));
    shape->setHasShadow(true);
    shape->setShadowRadius(4.5f);
    shape->setShadowDistance(2.25f);
    shape->setShadowAngle(1.25f);
    shape->setShadowColor(Color::calibratedRGB(0.1f, 0.2f, 0.3f, 0.4f));
    shape->setBlendMode(9);
    shape->setAlphaValue(0.75f);
    shape->setVisible(false);
    shape->setLocked(true);
    shape->setFillTransformation(AffineTransform(1, 2, 3, 4, 5, 6));
    shape->setStrokeTransformation(AffineTransform::makeScale(2, 3));
    shape->setTextTransformation(AffineTransform::makeTranslation(-1, -2));
    const TDFilterArray filters{TDFilter::filterWithName(QStringLiteral("CIColorInvert"))};
    shape->setFilterArray(filters);
    shape->setUsesFilters(true);
    shape->setFilterResolution(3);
    shape->fillStyle()->setStyle(TDFillColor);
    shape->fillStyle()->setColor(Color::green());
    shape->strokeStyle()->setStrokeWidth(2.5f);

    const PropertyList first = shape->toYAML();
    auto copy = std::make_shared<TestShape>();
    copy->initWithDictionary(first);
    EXPECT_EQ(copy->toYAML(), first);
    EXPECT_EQ(copy->name(), QStringLiteral("Thing"));
    EXPECT_TRUE(copy->hasShadow());
    EXPECT_FALSE(copy->visible());
    EXPECT_TRUE(copy->locked());
    EXPECT_EQ(copy->transformation(), shape->transformation());
    expectRectNear(copy->bounds(), Rect(5, 6, 7, 8));
    EXPECT_EQ(copy->fillStyle()->color(), Color::green());
    EXPECT_NE(copy->fillStyle(), shape->fillStyle()); // copied, not shared
    EXPECT_EQ(copy->filterArray(), filters);
    EXPECT_NE(copy->IDint(), shape->IDint());
}

TEST(TDGraphicDictionary, AStoredColourAloneLeavesTheShadowOff)
{
    PropertyList d{PropertyList::Dictionary()};
    d.insert(QStringLiteral("ShadowColor"), ArchivedColor::value(Color::red()));
    d.insert(QStringLiteral("Uses Filters"), true);
    d.insert(QStringLiteral("Filter Resolution"), 2);
    auto shape = TDGraphic::objectWithYAML(d);
    EXPECT_FALSE(shape->hasShadow());
    EXPECT_EQ(shape->shadowColor(), Color::red());
    EXPECT_TRUE(shape->usesFilters());
    EXPECT_EQ(shape->filterResolution(), 2);
    EXPECT_EQ(shape->filterArray().size(), 0u);
    EXPECT_EQ(shape->name(), QStringLiteral("?"));
}

TEST(TDGraphicDictionary, ValuesOfTheWrongKindAreSkipped)
{
    PropertyList d{PropertyList::Dictionary()};
    d.insert(QStringLiteral("Name"), 42);
    d.insert(QStringLiteral("Fill"), QStringLiteral("red"));
    d.insert(QStringLiteral("Stroke"), ArchivedColor::value(Color::red()));
    d.insert(QStringLiteral("ShadowRadius"), QStringLiteral("big"));
    d.insert(QStringLiteral("ShadowAngle"), std::numeric_limits<double>::infinity());
    d.insert(QStringLiteral("ShadowColor"), 3);
    d.insert(QStringLiteral("alphaValue"), PropertyList(PropertyList::Array()));
    d.insert(QStringLiteral("blendMode"), 1e12);
    d.insert(QStringLiteral("Visible"), QStringLiteral("no"));
    d.insert(QStringLiteral("Transformation"), ArchivedColor::value(Color::red()));
    d.insert(QStringLiteral("FillTransformation"), QStringLiteral("(1,0,0,1,0,0)"));
    d.insert(QStringLiteral("Filters"), QStringLiteral("none"));
    d.insert(QStringLiteral("Filter Resolution"), 0);
    auto shape = TDGraphic::objectWithYAML(d);
    EXPECT_EQ(shape->name(), QStringLiteral("?"));
    EXPECT_FALSE(shape->hasShadow());
    EXPECT_FLOAT_EQ(shape->shadowAngle(), 2.3561945f);
    EXPECT_EQ(shape->shadowColor(), Color::calibratedWhite(0, 0.33f));
    EXPECT_EQ(shape->alphaValue(), 1.0f);
    EXPECT_EQ(shape->blendMode(), 0);
    EXPECT_TRUE(shape->visible());
    EXPECT_TRUE(shape->transformation().isIdentity());
    EXPECT_TRUE(shape->fillTransformation().isIdentity());
    EXPECT_EQ(shape->filterArray().size(), 0u);
    EXPECT_EQ(shape->filterResolution(), 1);
    EXPECT_EQ(shape->fillStyle()->style(), TDFillNone);
    EXPECT_EQ(shape->strokeStyle()->style(), TDStrokeLine);

    // Not a dictionary at all: a new graphic.
    auto fromArray = TDGraphic::objectWithYAML(PropertyList(PropertyList::Array()));
    EXPECT_EQ(fromArray->name(), QStringLiteral("?"));
}

TEST(TDGraphicDictionary, KeyedArchiveRoundTrip)
{
    TDModelArchiving::registerClasses();
    TestShape::registerArchiveClass();
    PropertyList::Array graphics;
    auto a = TestShape::inRect(Rect(1, 2, 3, 4));
    a->setName(QStringLiteral("A"));
    a->setAlphaValue(0.5f);
    a->fillStyle()->setStyle(TDFillColor);
    auto b = TestShape::inRect(Rect(10, 20, 30, 40));
    b->setName(QStringLiteral("B"));
    b->setHasShadow(true);
    graphics.emplace_back(a);
    graphics.emplace_back(b);
    QString error;
    const auto data =
        KeyedArchiver::archivedData(PropertyList(graphics), PropertyList::Format::Binary, &error);
    ASSERT_TRUE(data) << error.toStdString();
    const auto root = KeyedUnarchiver::unarchive(*data, &error);
    ASSERT_TRUE(root) << error.toStdString();
    ASSERT_EQ(root->size(), 2u);
    const auto a2 = root->at(0).objectAs<TestShape>();
    const auto b2 = root->at(1).objectAs<TestShape>();
    ASSERT_TRUE(a2 && b2);
    EXPECT_EQ(a2->toYAML(), a->toYAML());
    EXPECT_EQ(b2->toYAML(), b->toYAML());
    expectRectNear(b2->bounds(), Rect(10, 20, 30, 40));

    // A bare graphic through its own class name.
    auto bare = std::make_shared<TDGraphic>();
    bare->setName(QStringLiteral("bare"));
    const auto bareData = KeyedArchiver::archivedData(PropertyList(bare));
    ASSERT_TRUE(bareData);
    const auto bareBack = KeyedUnarchiver::unarchive(*bareData);
    ASSERT_TRUE(bareBack);
    const auto bare2 = bareBack->objectAs<TDGraphic>();
    ASSERT_TRUE(bare2);
    EXPECT_EQ(bare2->name(), QStringLiteral("bare"));
}

namespace {
// An effect as a system with effects stores it: keyed entries.
class StoredFilter : public Archivable {
public:
    QString archiveClassName() const override { return QStringLiteral("TDFilter"); }
    void encode(KeyedArchiver &archiver) const override
    {
        PropertyList settings{PropertyList::Dictionary()};
        settings.insert(QStringLiteral("CIAttributeFilterName"), QStringLiteral("CIGaussianBlur"));
        settings.insert(QStringLiteral("inputRadius"), 4.5);
        archiver.encodeObject(settings, QStringLiteral("filter"));
        archiver.encodeBool(true, QStringLiteral("enabled"));
        archiver.encodeBool(false, QStringLiteral("expanded"));
        archiver.encodeInteger(2, QStringLiteral("scale"));
    }
};

// A graphic as stored: its dictionary, as given.
class StoredShape : public Archivable {
public:
    explicit StoredShape(PropertyList dictionary) : m_dictionary(std::move(dictionary)) {}
    QString archiveClassName() const override { return QStringLiteral("TDTestShape"); }
    void encode(KeyedArchiver &archiver) const override { archiver.encodeObject(m_dictionary); }

private:
    PropertyList m_dictionary;
};

QByteArray archive(const PropertyList &root)
{
    QString error;
    const auto data = KeyedArchiver::archivedData(root, PropertyList::Format::Binary, &error);
    EXPECT_TRUE(data) << error.toStdString();
    return data.value_or(QByteArray());
}
} // namespace

TEST(TDGraphicDictionary, StoredEffectsAreReadAndWrittenBack)
{
    TDModelArchiving::registerClasses();
    TestShape::registerArchiveClass();
    PropertyList d = TestShape::inRect(Rect(0, 0, 10, 10))->toYAML();
    d.insert(QStringLiteral("Filters"),
             PropertyList(PropertyList::Array{PropertyList(std::make_shared<StoredFilter>())}));
    d.insert(QStringLiteral("Uses Filters"), true);

    const auto first = KeyedUnarchiver::unarchive(archive(PropertyList(std::make_shared<StoredShape>(d))));
    ASSERT_TRUE(first);
    const auto read = first->objectAs<TDGraphic>();
    ASSERT_TRUE(read);
    ASSERT_EQ(read->filterArray().size(), 1u);
    const auto &effect = read->filterArray().front();
    ASSERT_TRUE(effect->filter());
    EXPECT_EQ(effect->filterName(), QStringLiteral("CIGaussianBlur"));
    EXPECT_EQ(effect->filter()->number(QStringLiteral("inputRadius")), 4.5);
    EXPECT_TRUE(effect->enabled());
    EXPECT_FALSE(effect->expanded());
    EXPECT_EQ(effect->scale(), 2.0f);
    EXPECT_TRUE(read->usesFilters());
    EXPECT_TRUE(read->useFiltersDrawing());

    // Written again, the effect reads back as it was.
    const auto second = KeyedUnarchiver::unarchive(archive(PropertyList(read)));
    ASSERT_TRUE(second);
    const auto again = second->objectAs<TDGraphic>();
    ASSERT_TRUE(again);
    ASSERT_EQ(again->filterArray().size(), 1u);
    EXPECT_TRUE(again->filterArray().front()->isEqualTo(*effect));
    EXPECT_EQ(again->toYAML(), read->toYAML());
}

TEST(TDGraphic, FilterListUndoFormReadsArchivedLists)
{
    TDModelArchiving::registerClasses();
    auto shape = TestShape::inRect(Rect(0, 0, 10, 10));
    const PropertyList list{
        PropertyList::Array{PropertyList(TDFilter::filterWithName(QStringLiteral("CIColorInvert")))}};
    shape->setFilterArrayUndoableDecode(archive(list));
    ASSERT_EQ(shape->filterArray().size(), 1u);
    EXPECT_EQ(shape->filterArray().front()->filterName(), QStringLiteral("CIColorInvert"));
    // Junk leaves the list alone.
    shape->setFilterArrayUndoableDecode(QByteArray("not an archive"));
    EXPECT_EQ(shape->filterArray().size(), 1u);
}

TEST(TDGraphic, SingularShapeTransformationDrawsNothingAndBreaksNothing)
{
    auto flat = TestShape::inRect(Rect(10, 10, 50, 50));
    flat->fillStyle()->setStyle(TDFillColor);
    flat->fillStyle()->setColor(Color::red());
    flat->setTransformation(AffineTransform(0, 0, 0, 0, 30, 30));
    EXPECT_EQ(flat->bounds().size, Size(0, 0));
    auto after = TestShape::inRect(Rect(60, 60, 20, 20));
    after->fillStyle()->setStyle(TDFillColor);
    after->fillStyle()->setColor(Color::blue());
    flat->setHasShadow(true);
    flat->startManipulation();
    flat->transformWithTransformation(AffineTransform(0, 0, 0, 0, 0, 0));
    flat->stopManipulation();
    EXPECT_TRUE(std::isfinite(flat->strokeStyle()->strokeWidth()));
    const QImage image = renderImage(100, 100, [&](GraphicsContext &context) {
        flat->drawInView(nullptr, context);
        after->drawInView(nullptr, context);
        EXPECT_FALSE(context.hasError());
    });
    const Pixel p = pixelAt(image, 70, 70);
    EXPECT_EQ(p.b, 255);
    EXPECT_EQ(p.a, 255);
    EXPECT_FALSE(flat->hitTest(Point(30, 30)));
}

TEST(TDGraphic, ResetFillTransformKeepsTheImageAspect)
{
    styletest::MemoryImageStore store;
    Scene scene;
    struct Case {
        Rect bounds;
        int imageWidth, imageHeight;
        AffineTransform expected;
    } cases[] = {
        {Rect(10, 20, 200, 100), 100, 100, AffineTransform(100, 0, 0, 100, 10, 20)},
        {Rect(10, 20, 100, 200), 100, 100, AffineTransform(100, 0, 0, 100, 10, 20)},
        {Rect(0, 0, 100, 100), 200, 50, AffineTransform(100, 0, 0, 25, 0, 0)},
    };
    for (const Case &c : cases) {
        auto shape = scene.add(c.bounds);
        shape->fillStyle()->setImageData(
            styletest::twoToneImage(c.imageWidth, c.imageHeight, Qt::red, Qt::blue), QStringLiteral("png"));
        shape->fillStyle()->setStyle(TDFillImage);
        ASSERT_TRUE(shape->fillStyle()->image());
        shape->resetFillTransform();
        EXPECT_EQ(shape->fillTransformation(), c.expected);
    }
}

TEST(TDGraphic, ImageFillsPaintAsOnePieceAtTheGraphicsOpacity)
{
    styletest::MemoryImageStore store;
    auto shape = TestShape::inRect(Rect(0, 0, 100, 100));
    shape->strokeStyle()->setStyle(TDStrokeNone);
    shape->fillStyle()->setImageData(styletest::twoToneImage(10, 10, Qt::red, Qt::blue),
                                     QStringLiteral("png"));
    shape->fillStyle()->setStyle(TDFillImage);
    shape->resetFillTransform();
    shape->setAlphaValue(0.5f);
    const QImage image = renderImage(100, 100, [&](GraphicsContext &context) {
        shape->drawInView(nullptr, context);
        EXPECT_EQ(context.transparencyLayerDepth(), 0);
    });
    // Upright on the canvas: the image's top half at the top.
    const Pixel top = pixelAt(image, 50, 10);
    const Pixel bottom = pixelAt(image, 50, 90);
    EXPECT_NEAR(top.r, 255, 3);
    EXPECT_NEAR(top.a, 128, 3);
    EXPECT_NEAR(bottom.b, 255, 3);
    EXPECT_NEAR(bottom.a, 128, 3);
}
