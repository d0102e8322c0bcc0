// The rubber band on a document with groups, a locked layer and a hidden
// one, through simulated mouse events.

#include "SelectionTestSupport.h"

#include <gtest/gtest.h>

using namespace scrivane;
using namespace scrivane::selectiontest;

namespace {

// Layer 1 (current): a, and a group g of b and c.  Layer 2, locked: d.
// Layer 3: e.  Layer 4, hidden: f.
struct RubberBandFixture : ::testing::Test, CanvasHarness {
    RubberBandFixture()
    {
        giveLayers(document, 4);
        auto &layers = document.layers();
        a = addRect(*layers[0], Rect(0, 0, 50, 50));
        b = filledRect(Rect(100, 0, 50, 50));
        c = filledRect(Rect(160, 0, 50, 50));
        g = TDGroup::groupWithGraphics({b, c});
        layers[0]->addGraphic(g);
        d = addRect(*layers[1], Rect(0, 100, 50, 50));
        e = addRect(*layers[2], Rect(100, 100, 50, 50));
        f = addRect(*layers[3], Rect(200, 100, 50, 50));
        layers[1]->setLocked(true);
        layers[3]->setVisible(false);
        settle();
    }

    std::shared_ptr<TDRectangle> a, b, c, d, e, f;
    std::shared_ptr<TDGroup> g;
};

} // namespace

TEST_F(RubberBandFixture, BandSelectsWhatItShould)
{
    struct Case {
        const char *label;
        TDGraphicArray before;
        Point from, to;
        unsigned flags;
        TDGraphicArray expected;
    };
    const Case cases[] = {
        // The group as a whole; nothing of the locked or hidden layers.
        {"everything touched", {}, {-20, -20}, {400, 300}, 0, {a, g, e}},
        // (Bands start on empty space: a press on a graphic moves it.)
        // The group is touched first on the way and stays first.
        {"touching a corner", {}, {120, 70}, {40, 40}, 0, {g, a}},
        {"touching one child of the group", {}, {155, 60}, {165, 30}, 0, {g}},
        // Option: only what lies wholly inside.
        {"wholly inside", {}, {-20, -20}, {180, 160}, TDEvent::Alternate, {a, e}},
        {"group wholly inside", {}, {90, -10}, {220, 60}, TDEvent::Alternate, {g}},
        // Shift: what was selected stays, after the band's own.
        {"adding", {e}, {-20, -20}, {60, 60}, TDEvent::Shift, {a, e}},
        {"adding what is already there", {a}, {-20, -20}, {60, 60}, TDEvent::Shift, {a}},
        // Without Shift, a press on empty space starts afresh; undo gives
        // the selection before the press back in one step.
        {"replacing", {e}, {-20, -20}, {60, 60}, 0, {a}},
        {"a click on empty space", {e}, {300, 300}, {300, 300}, 0, {}},
        {"nothing under the band", {e}, {300, 300}, {350, 350}, 0, {}},
    };
    for (const Case &c : cases) {
        view.selectGraphics(c.before);
        settle();
        drag(c.from, c.to, c.flags);
        EXPECT_FALSE(view.isTracking()) << c.label;
        EXPECT_EQ(view.selection(), c.expected) << c.label;
        EXPECT_EQ(view.rubberbandRect(), Rect()) << c.label;
        // Selecting never marks the document changed, and undo gives the
        // selection of before back.
        EXPECT_FALSE(document.isDocumentEdited()) << c.label;
        if (c.expected != c.before) {
            EXPECT_EQ(document.undoManager()->undoActionName(), "Selection Change") << c.label;
            document.undoManager()->undo();
            EXPECT_EQ(view.selection(), c.before) << c.label;
            EXPECT_FALSE(document.isDocumentEdited()) << c.label;
        }
    }
}

TEST_F(RubberBandFixture, TheSelectionFollowsTheBandWhileItIsDragged)
{
    press(Point(-10, -10));
    dragTo(Point(60, 60));
    EXPECT_EQ(view.selection(), TDGraphicArray{a});
    EXPECT_EQ(view.rubberbandRect(), Rect(-9.5f, -9.5f, 70, 70));
    EXPECT_EQ(view.editState(), TDGraphicView::EditState::GraphicsBand);
    dragTo(Point(120, 120));
    EXPECT_EQ(view.selection(), (TDGraphicArray{a, g, e}));
    // Back off the group: the first graphic found stays first.
    dragTo(Point(60, 60));
    EXPECT_EQ(view.selection(), TDGraphicArray{a});
    release(Point(60, 60));
    EXPECT_EQ(view.selection(), TDGraphicArray{a});
}

TEST_F(RubberBandFixture, ABandThatNeverMovesOrIsCancelledLeavesTheSelection)
{
    view.selectGraphics({e});
    settle();
    // With Shift the press on empty space keeps the selection; without a
    // move the band changes nothing and leaves no step.
    press(Point(300, 300), TDEvent::Shift);
    release(Point(300, 300), TDEvent::Shift);
    EXPECT_EQ(view.selection(), TDGraphicArray{e});
    EXPECT_FALSE(document.undoManager()->canUndo());

    press(Point(-10, -10), TDEvent::Shift);
    dragTo(Point(60, 60), TDEvent::Shift);
    EXPECT_EQ(view.selection(), (TDGraphicArray{a, e}));
    key(Qt::Key_Escape, Qt::NoModifier, QString(QChar(27)));
    EXPECT_FALSE(view.isTracking());
    EXPECT_EQ(view.selection(), TDGraphicArray{e});
    EXPECT_EQ(view.rubberbandRect(), Rect());
    EXPECT_FALSE(document.undoManager()->canUndo());
}

TEST_F(RubberBandFixture, ALostReleaseEndsTheBandLikeARelease)
{
    press(Point(-10, -10));
    dragTo(Point(60, 60));
    loseFocus();
    EXPECT_FALSE(view.isTracking());
    EXPECT_EQ(view.selection(), TDGraphicArray{a});
    EXPECT_EQ(view.rubberbandRect(), Rect());
    EXPECT_EQ(document.undoManager()->undoActionName(), "Selection Change");
}
