#include "platform/UndoManager.h"
#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>

using namespace scrivane;

namespace {

// A value whose setter registers its inverse, as model setters do.
struct Value : Identified {
    UndoManager &undo;
    int value = 0;
    explicit Value(UndoManager &manager) : undo(manager) {}
    void set(int v)
    {
        const int old = value;
        undo.registerUndo(objectId(), "set", [this, old] { set(old); });
        value = v;
    }
};

} // namespace

TEST(UndoManager, UndoRegistersRedoAndRedoRegistersUndo)
{
    UndoManager undo;
    Value a(undo);
    undo.beginUndoGrouping();
    a.set(1);
    undo.endUndoGrouping();
    undo.beginUndoGrouping();
    a.set(2);
    a.set(3);
    undo.setActionName("Change");
    undo.endUndoGrouping();

    EXPECT_EQ(undo.undoActionName(), "Change");
    undo.undo();
    EXPECT_EQ(a.value, 1);
    EXPECT_TRUE(undo.canRedo());
    EXPECT_EQ(undo.redoActionName(), "Change");
    undo.undo();
    EXPECT_EQ(a.value, 0);
    EXPECT_FALSE(undo.canUndo());
    undo.redo();
    EXPECT_EQ(a.value, 1);
    undo.redo();
    EXPECT_EQ(a.value, 3);
    EXPECT_EQ(undo.undoActionName(), "Change");
    EXPECT_FALSE(undo.canRedo());
    undo.undo();
    EXPECT_EQ(a.value, 1);
}

TEST(UndoManager, ANewChangeClearsTheRedoStack)
{
    UndoManager undo;
    Value a(undo);
    a.set(1);
    undo.eventHandled();
    undo.undo();
    ASSERT_TRUE(undo.canRedo());
    a.set(5);
    EXPECT_FALSE(undo.canRedo());
}

TEST(UndoManager, NestedGroupsAreOneStepUndoneInReverse)
{
    UndoManager undo;
    Value a(undo), b(undo);
    std::vector<QString> order;
    undo.beginUndoGrouping();
    undo.registerUndo(a.objectId(), "first", [&] { order.push_back("first"); });
    undo.beginUndoGrouping();
    EXPECT_EQ(undo.groupingLevel(), 2);
    undo.registerUndo(b.objectId(), "inner", [&] { order.push_back("inner"); });
    undo.endUndoGrouping();
    undo.beginUndoGrouping();
    undo.endUndoGrouping(); // empty groups leave nothing behind
    undo.registerUndo(a.objectId(), "last", [&] { order.push_back("last"); });
    undo.endUndoGrouping();
    undo.undo();
    EXPECT_EQ(order, std::vector<QString>({"last", "inner", "first"}));
    EXPECT_FALSE(undo.canUndo());
}

TEST(UndoManager, AnEventGroupOpensAtTheFirstRegistrationAndClosesWhenTheEventIsHandled)
{
    UndoManager undo;
    Value a(undo);
    int closed = 0;
    auto &center = NotificationCenter::defaultCenter();
    const auto token = center.addObserver(nullptr, UndoManager::didCloseUndoGroupNotification, &undo,
                                          [&](const Notification &) { ++closed; });
    undo.eventHandled(); // an event that changed nothing
    EXPECT_EQ(undo.groupingLevel(), 0);

    a.set(1); // first event: two changes
    EXPECT_EQ(undo.groupingLevel(), 1);
    a.set(2);
    undo.eventHandled();
    EXPECT_EQ(undo.groupingLevel(), 0);
    EXPECT_EQ(closed, 1);

    a.set(3); // second event, with a gesture group that outlives it
    undo.beginUndoGrouping();
    a.set(4);
    undo.eventHandled();
    EXPECT_EQ(undo.groupingLevel(), 2);
    a.set(5); // a later event of the gesture
    undo.eventHandled();
    undo.endUndoGrouping(); // the gesture ends; its event closes the step
    undo.eventHandled();
    EXPECT_EQ(undo.groupingLevel(), 0);
    EXPECT_EQ(closed, 2);
    center.removeObserver(token);

    undo.undo();
    EXPECT_EQ(a.value, 2);
    undo.undo();
    EXPECT_EQ(a.value, 0);
}

TEST(UndoManager, UndoClosesTheOpenEventGroupFirst)
{
    UndoManager undo;
    Value a(undo);
    a.set(1);
    ASSERT_EQ(undo.groupingLevel(), 1);
    EXPECT_TRUE(undo.canUndo());
    undo.undo();
    EXPECT_EQ(a.value, 0);
    EXPECT_EQ(undo.groupingLevel(), 0);

    // With a group of the code's own open inside it, undo waits.
    a.set(1);
    undo.beginUndoGrouping();
    undo.undo();
    EXPECT_EQ(a.value, 1);
    undo.endUndoGrouping();
    undo.eventHandled();
}

TEST(UndoManager, WithoutEventGroupingEachRegistrationIsAStep)
{
    UndoManager undo;
    undo.setGroupsByEvent(false);
    Value a(undo);
    a.set(1);
    a.set(2);
    EXPECT_EQ(undo.groupingLevel(), 0);
    undo.undo();
    EXPECT_EQ(a.value, 1);
}

TEST(UndoManager, LevelsRemoveAllAndNotifications)
{
    UndoManager undo;
    undo.setGroupsByEvent(false);
    Value a(undo);
    for (int i = 1; i <= 5; ++i)
        a.set(i);
    undo.setLevelsOfUndo(2);
    undo.undo();
    undo.undo();
    undo.undo(); // nothing left
    EXPECT_EQ(a.value, 3);

    int undone = 0, redone = 0;
    auto &center = NotificationCenter::defaultCenter();
    const auto t1 = center.addObserver(nullptr, UndoManager::didUndoChangeNotification, &undo,
                                       [&](const Notification &) { ++undone; });
    const auto t2 = center.addObserver(nullptr, UndoManager::didRedoChangeNotification, &undo,
                                       [&](const Notification &) { ++redone; });
    undo.redo();
    a.set(9);
    undo.undo();
    center.removeObserver(t1);
    center.removeObserver(t2);
    EXPECT_EQ(undone, 1);
    EXPECT_EQ(redone, 1);

    // Clearing keeps the pairing of groups being built.
    undo.beginUndoGrouping();
    a.set(10);
    undo.removeAllActions();
    EXPECT_FALSE(undo.canUndo());
    EXPECT_FALSE(undo.canRedo());
    EXPECT_EQ(undo.groupingLevel(), 1);
    undo.endUndoGrouping();
    EXPECT_FALSE(undo.canUndo());
}
