#include "model/TDUndoManager.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

using namespace scrivane;

namespace {

// The registrations a graphic's setters make, in miniature.
struct Graphic : Identified {
    TDUndoManager &undo;
    float alpha = 1;
    float shadowRadius = 3;
    float shadowAngle = 0;
    QString name;
    explicit Graphic(TDUndoManager &manager) : undo(manager) {}

    void setAlphaValue(float value)
    {
        const float old = alpha;
        undo.prepareWithSkippableInvocationTarget(objectId(), "setAlphaValue",
                                                  [this, old] { setAlphaValue(old); });
        alpha = value;
    }
    void setShadowRadius(float value)
    {
        const float old = shadowRadius;
        undo.prepareWithSkippableInvocationTarget(objectId(), "setShadowRadius",
                                                  [this, old] { setShadowRadius(old); });
        shadowRadius = value;
    }
    void setShadowAngle(float value)
    {
        const float old = shadowAngle;
        undo.prepareWithSkippableInvocationTarget(objectId(), "setShadowAngle",
                                                  [this, old] { setShadowAngle(old); });
        shadowAngle = value;
    }
    // An ordinary registration under the same operation name as a
    // skippable one.
    void setAlphaValueOrdinary(float value)
    {
        const float old = alpha;
        undo.prepareWithInvocationTarget(objectId(), "setAlphaValue",
                                         [this, old] { setAlphaValueOrdinary(old); });
        alpha = value;
    }
    void setName(const QString &value)
    {
        const QString old = name;
        undo.prepareWithInvocationTarget(objectId(), "setName", [this, old] { setName(old); });
        name = value;
    }
};

} // namespace

TEST(TDUndoManager, ASliderDragInOneGroupLeavesOneStepThatRestoresTheFirstValue)
{
    TDUndoManager undo;
    Graphic g(undo);
    undo.beginUndoGrouping();
    for (float value : {0.8f, 0.6f, 0.5f})
        g.setAlphaValue(value);
    undo.endUndoGrouping();
    undo.undo();
    EXPECT_EQ(g.alpha, 1.0f);
    EXPECT_FALSE(undo.canUndo());
    undo.redo();
    EXPECT_EQ(g.alpha, 0.5f);
}

TEST(TDUndoManager, DifferentOperationsOrTargetsAreEachRecorded)
{
    TDUndoManager undo;
    Graphic a(undo), b(undo);
    undo.beginUndoGrouping();
    a.setShadowRadius(5);
    a.setShadowAngle(1);
    b.setShadowRadius(7);
    b.setShadowRadius(8); // a repeat of the one just recorded
    undo.endUndoGrouping();
    undo.undo();
    EXPECT_EQ(a.shadowRadius, 3.0f);
    EXPECT_EQ(a.shadowAngle, 0.0f);
    EXPECT_EQ(b.shadowRadius, 3.0f);
    undo.redo();
    EXPECT_EQ(a.shadowRadius, 5.0f);
    EXPECT_EQ(a.shadowAngle, 1.0f);
    EXPECT_EQ(b.shadowRadius, 8.0f);
}

TEST(TDUndoManager, OpeningOrClosingAGroupEndsARun)
{
    TDUndoManager undo;
    Graphic g(undo);
    undo.beginUndoGrouping();
    g.setAlphaValue(0.8f);
    undo.beginUndoGrouping();
    g.setAlphaValue(0.6f); // first of the inner group: recorded
    undo.endUndoGrouping();
    g.setAlphaValue(0.4f); // first after the inner group closed: recorded
    undo.endUndoGrouping();
    undo.undo();
    EXPECT_EQ(g.alpha, 1.0f);
    undo.redo();
    EXPECT_EQ(g.alpha, 0.4f);
}

TEST(TDUndoManager, SelectionChangesLeaveACleanDocumentClean)
{
    TDUndoManager undo;
    Graphic g(undo);
    bool selected = false;
    undo.prepareWithNonChangeInvocationTarget(g.objectId(), "selectGraphic", [&] { selected = false; });
    selected = true;
    undo.eventHandled();
    EXPECT_FALSE(undo.docChanging());
    EXPECT_TRUE(undo.canUndo()); // yet undoable
    g.setName("Rect 1");
    EXPECT_TRUE(undo.docChanging());
    undo.removeAllActions();
    EXPECT_FALSE(undo.docChanging());
    (void)selected;
}

TEST(TDUndoManager, WhileGraphicsAreCreatedPreparedRegistrationsAreDroppedButMarkTheDocument)
{
    TDUndoManager undo;
    Graphic g(undo);
    {
        TDUndoManager::CreateGraphicsScope loading;
        EXPECT_TRUE(TDUndoManager::createsGraphics());
        g.setName("Loaded");
        g.setAlphaValue(0.5f);
        undo.prepareWithNonChangeInvocationTarget(g.objectId(), "select", [] {});
    }
    EXPECT_FALSE(TDUndoManager::createsGraphics());
    EXPECT_TRUE(undo.docChanging());
    undo.eventHandled();
    EXPECT_FALSE(undo.canUndo());

    // Direct registrations are not dropped.
    TDUndoManager::CreateGraphicsScope loading;
    bool ran = false;
    undo.registerUndoWithTarget(g.objectId(), "direct", [&] { ran = true; });
    undo.eventHandled();
    undo.undo();
    EXPECT_TRUE(ran);
}

// A load that fails half-way, by an exception or an early return, still
// ends the dropping; scopes nest.
TEST(TDUndoManager, TheDropAllFlagEndsWithItsScope)
{
    const auto failingLoad = [] {
        TDUndoManager::CreateGraphicsScope loading;
        throw std::runtime_error("bad data");
    };
    EXPECT_THROW(failingLoad(), std::runtime_error);
    EXPECT_FALSE(TDUndoManager::createsGraphics());
    {
        TDUndoManager::CreateGraphicsScope outer;
        {
            TDUndoManager::CreateGraphicsScope inner;
        }
        EXPECT_TRUE(TDUndoManager::createsGraphics());
    }
    EXPECT_FALSE(TDUndoManager::createsGraphics());
}

TEST(TDUndoManager, ASkippableDirectRegistrationIsRecordedAndArmsTheSkipRule)
{
    TDUndoManager undo;
    Graphic g(undo);
    std::vector<QString> ran;
    undo.beginUndoGrouping();
    undo.registerSkippableUndoWithTarget(g.objectId(), "setFilterArray", [&] { ran.push_back("direct 1"); });
    undo.registerSkippableUndoWithTarget(g.objectId(), "setFilterArray", [&] { ran.push_back("direct 2"); });
    undo.prepareWithSkippableInvocationTarget(g.objectId(), "setFilterArray",
                                              [&] { ran.push_back("prepared"); });
    undo.endUndoGrouping();
    EXPECT_TRUE(undo.docChanging());
    undo.undo();
    EXPECT_EQ(ran, std::vector<QString>({"direct 2", "direct 1"}));
}

// Regression: the skip rule used to compare with the target of an older
// skippable registration and to apply to ordinary registrations, dropping
// registrations it should keep.
TEST(TDUndoManager, TheSkipRuleKeepsOrdinaryRegistrationsAndComparesWithTheLastOneRecorded)
{
    TDUndoManager undo;
    Graphic a(undo), b(undo);
    undo.beginUndoGrouping();
    a.setAlphaValue(0.9f);         // skippable, recorded
    b.setAlphaValueOrdinary(0.2f); // ordinary on another target: recorded
    a.setAlphaValueOrdinary(0.7f); // ordinary, same key as an earlier one: recorded
    b.setShadowRadius(4);          // recorded
    a.setShadowRadius(6);          // last recorded was b's: recorded
    undo.endUndoGrouping();
    undo.undo();
    EXPECT_EQ(a.alpha, 1.0f);
    EXPECT_EQ(b.alpha, 1.0f);
    EXPECT_EQ(a.shadowRadius, 3.0f);
    EXPECT_EQ(b.shadowRadius, 3.0f);

    // A skippable registration after an ordinary one on another target is
    // no repeat, whatever was registered skippably before.
    undo.beginUndoGrouping();
    a.setShadowRadius(5);
    b.setAlphaValueOrdinary(0.3f);
    a.setAlphaValue(0.6f);
    undo.endUndoGrouping();
    undo.undo();
    EXPECT_EQ(a.alpha, 1.0f);
    EXPECT_EQ(b.alpha, 1.0f);
    EXPECT_EQ(a.shadowRadius, 3.0f);
}

// Identities, not addresses: a new graphic built where an old one stood is
// another target.
TEST(TDUndoManager, ANewObjectAtAReusedAddressIsAnotherTarget)
{
    TDUndoManager undo;
    alignas(Graphic) unsigned char storage[sizeof(Graphic)];
    std::vector<float> restored;
    undo.beginUndoGrouping();
    auto *first = new (storage) Graphic(undo);
    const ObjectId firstId = first->objectId();
    undo.prepareWithSkippableInvocationTarget(firstId, "setAlphaValue", [&] { restored.push_back(1); });
    first->~Graphic();
    auto *second = new (storage) Graphic(undo);
    EXPECT_NE(second->objectId(), firstId);
    undo.prepareWithSkippableInvocationTarget(second->objectId(), "setAlphaValue",
                                              [&] { restored.push_back(2); });
    second->~Graphic();
    undo.endUndoGrouping();
    undo.undo();
    EXPECT_EQ(restored, std::vector<float>({2, 1}));
}

TEST(TDUndoManager, RegistrationsWhileUndoingBecomeRedoSteps)
{
    TDUndoManager undo;
    Graphic g(undo);
    g.setName("one");
    undo.setActionName("Set name");
    undo.eventHandled();
    g.setName("two");
    undo.eventHandled();
    undo.undo();
    EXPECT_EQ(g.name, "one");
    undo.undo();
    EXPECT_EQ(g.name, "");
    EXPECT_EQ(undo.redoActionName(), "Set name");
    undo.redo();
    undo.redo();
    EXPECT_EQ(g.name, "two");
    EXPECT_FALSE(undo.canRedo());
}
