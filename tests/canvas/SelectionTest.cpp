// The canvas's selection: its changes as steps that never mark the
// document changed, a graphic never selected twice, the select tool's
// clicks, and the selection in stacking order.

#include "SelectionTestSupport.h"

#include <gtest/gtest.h>

using namespace scrivane;
using namespace scrivane::selectiontest;

namespace {

struct SelectionFixture : ::testing::Test, CanvasHarness {
    SelectionFixture()
    {
        low = addRect(layer(), Rect(0, 0, 100, 100));
        middle = addRect(layer(), Rect(20, 20, 100, 100));
        top = addRect(layer(), Rect(40, 40, 100, 100));
        settle();
    }

    std::shared_ptr<TDRectangle> low, middle, top;
};

} // namespace

TEST_F(SelectionFixture, AGraphicIsNeverSelectedTwice)
{
    view.selectGraphic(low);
    view.addToSelectionGraphics({low, middle, middle});
    EXPECT_EQ(view.selection(), (TDGraphicArray{low, middle}));
    view.selectGraphics({top, low, top});
    EXPECT_EQ(view.selection(), (TDGraphicArray{top, low}));
    view.selectGraphic(top);
    EXPECT_EQ(view.selection(), (TDGraphicArray{top, low}));
}

TEST_F(SelectionFixture, SelectionChangesAreStepsThatNeverMarkTheDocumentChanged)
{
    TDUndoManager *undo = document.undoManager();
    struct Step {
        const char *label;
        std::function<void()> change;
        const char *name;
        TDGraphicArray after;
    };
    const Step steps[] = {
        {"select", [&] { view.selectGraphic(low); }, "Selection Change", {low}},
        {"add", [&] { view.addToSelectionGraphics({middle, top}); }, "Selection Change", {low, middle, top}},
        {"first", [&] { view.makeFirstSelected(top.get()); }, "Selected Object Change", {top, low, middle}},
        {"deselect", [&] { view.deselectGraphic(low.get()); }, "Selection Change", {top, middle}},
        {"none", [&] { view.selectNone(); }, "Select None", {}},
        {"all", [&] { view.selectAll(); }, "Select All", {low, middle, top}},
        {"clear", [&] { view.clearSelection(); }, "Selection Change", {}},
    };
    for (const Step &s : steps) {
        s.change();
        undo->eventHandled();
        EXPECT_EQ(view.selection(), s.after) << s.label;
        EXPECT_EQ(undo->undoActionName(), s.name) << s.label;
        EXPECT_FALSE(document.isDocumentEdited()) << s.label;
    }
    // Each undo gives the selection before that step back (deselected
    // graphics come back at the end).
    const TDGraphicArray expectedBack[] = {{low, middle, top}, {}, {middle, top}, {middle, top, low}};
    for (const TDGraphicArray &expected : expectedBack) {
        undo->undo();
        EXPECT_EQ(view.selection(), expected);
        EXPECT_FALSE(document.isDocumentEdited());
    }
}

TEST_F(SelectionFixture, ChangesThatChangeNothingLeaveNoStep)
{
    TDUndoManager *undo = document.undoManager();
    view.selectGraphic(low);
    settle();
    view.selectGraphic(low);
    view.makeFirstSelected(low.get());
    view.deselectGraphic(middle.get());
    view.selectGraphics({low});
    undo->eventHandled();
    EXPECT_FALSE(undo->canUndo());
    // Selecting all when all is selected: no step, and the step before
    // keeps its own name.
    view.selectGraphics({low, middle, top});
    undo->eventHandled();
    view.selectAll();
    undo->eventHandled();
    EXPECT_EQ(undo->undoActionName(), "Selection Change");
    undo->undo();
    EXPECT_EQ(view.selection(), TDGraphicArray{low});
    EXPECT_FALSE(undo->canUndo());
}

TEST_F(SelectionFixture, ClicksOfTheSelectTool)
{
    struct Click {
        const char *label;
        Point at;
        unsigned flags;
        TDGraphicArray expected;
    };
    const Click clicks[] = {
        {"a click selects the topmost alone", {60, 60}, 0, {top}},
        {"Shift adds", {10, 10}, TDEvent::Shift, {low, top}},
        {"Shift again takes it out", {10, 10}, TDEvent::Shift, {top}},
        // Ctrl-click without a move: the graphic beneath the selected one.
        {"Ctrl picks the one beneath", {60, 60}, TDEvent::Command, {middle}},
        {"and the one beneath that", {60, 60}, TDEvent::Command, {low}},
        {"a click on empty space clears", {300, 300}, 0, {}},
    };
    for (const Click &c : clicks) {
        press(c.at, c.flags);
        release(c.at, c.flags);
        EXPECT_FALSE(view.isTracking()) << c.label;
        EXPECT_EQ(view.selection(), c.expected) << c.label;
        EXPECT_FALSE(document.isDocumentEdited()) << c.label;
    }
}

TEST_F(SelectionFixture, OrderedSelectionFollowsTheStackingOrder)
{
    view.selectGraphics({top, low, middle});
    EXPECT_EQ(view.orderedSelectedGraphics(), (TDGraphicArray{low, middle, top}));
    EXPECT_EQ(view.selection(), (TDGraphicArray{top, low, middle}));
}
