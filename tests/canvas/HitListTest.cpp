// The hit lists over a document's graphics and the depth order of
// graphics in layers and groups.

#include "SelectionTestSupport.h"

#include "canvas/TDHitList.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace scrivane;
using namespace scrivane::selectiontest;

namespace {

struct HitListFixture : ::testing::Test {
    HitListFixture()
    {
        document.undoManager()->setGroupsByEvent(false);
        giveLayers(document, 2);
        layer1 = document.layers()[0].get();
        layer2 = document.layers()[1].get();
    }

    TDGraphicArray editable() const { return document.editableGraphics(); }

    TDDocument document;
    TDLayer *layer1 = nullptr;
    TDLayer *layer2 = nullptr;
};

TDHitList::IsSelected selectedAmong(const TDGraphicArray &selection)
{
    return [selection](const TDGraphic *g) {
        return std::any_of(selection.begin(), selection.end(), [g](const TDGraphicPtr &s) { return s.get() == g; });
    };
}

} // namespace

TEST_F(HitListFixture, BeneathSearchPicksTheGraphicUnderTheSelectedOne)
{
    const auto low = addRect(*layer1, Rect(0, 0, 100, 100));
    const auto middle = addRect(*layer1, Rect(20, 20, 100, 100));
    const auto top = addRect(*layer1, Rect(40, 40, 100, 100));
    const Point p(50, 50);
    struct Case {
        const char *label;
        TDGraphicArray selection;
        TDGraphicPtr expected;
    };
    const Case cases[] = {
        {"nothing selected: the topmost", {}, top},
        {"top selected: the one below", {top}, middle},
        {"middle selected: the lowest", {middle}, low},
        // Nothing below the selection: the topmost hit among the graphics
        // above it and the selected ones.
        {"lowest selected: back to the top", {low}, top},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TDHitList::graphicUnderPoint(editable(), p, true, selectedAmong(c.selection)), c.expected)
            << c.label;
    EXPECT_EQ(TDHitList::graphicUnderPoint(editable(), p, false, selectedAmong({top})), top);
    EXPECT_EQ(TDHitList::graphicUnderPoint(editable(), Point(500, 500), true, selectedAmong({})), nullptr);
    EXPECT_EQ(TDHitList::graphicsUnderPoint(editable(), p), (TDGraphicArray{top, middle, low}));
}

TEST_F(HitListFixture, RectangleSearchesTouchingAndInside)
{
    const auto a = addRect(*layer1, Rect(0, 0, 50, 50));
    const auto b = addRect(*layer1, Rect(100, 0, 50, 50));
    const auto c = addRect(*layer2, Rect(200, 0, 50, 50));
    // A flat line: no height, yet wholly inside a band around it.
    auto line = std::make_shared<TDRectangle>();
    line->setTransformation(TDGraphic::transformForBounds(Rect(20, 80, 60, 0)));
    layer1->addGraphic(line);

    const Rect band(-10, -10, 180, 110); // a wholly, b wholly, line wholly; c not at all
    const Rect partial(25, 25, 200, 10); // cuts a, b and c
    EXPECT_EQ(TDHitList::graphicsUnderRect(editable(), band), (TDGraphicArray{a, b, line}));
    EXPECT_EQ(TDHitList::graphicsUnderRect(editable(), partial), TDGraphicArray{});
    // Bottom first: the current layer's graphics, then the other layer's.
    EXPECT_EQ(TDHitList::graphicsIntersectingRect(editable(), partial), (TDGraphicArray{a, b, c}));
    EXPECT_EQ(TDHitList::graphicsIntersectingRect(editable(), partial, b.get()), (TDGraphicArray{b, a, c}));
    // `first` leads only when it is found.
    EXPECT_EQ(TDHitList::graphicsIntersectingRect(editable(), Rect(0, 0, 10, 10), b.get()), TDGraphicArray{a});
    EXPECT_EQ(TDHitList::graphicsUnderRect(editable(), band, line.get()), (TDGraphicArray{line, a, b}));

    struct Inside {
        Rect inner, outer;
        bool expected;
    };
    for (const Inside i : {Inside{{1, 1, 2, 2}, {0, 0, 10, 10}, true}, Inside{{0, 0, 10, 10}, {0, 0, 10, 10}, true},
                           Inside{{1, 5, 8, 0}, {0, 0, 10, 10}, true}, Inside{{1, 5, 10, 0}, {0, 0, 10, 10}, false},
                           Inside{{-1, 1, 2, 2}, {0, 0, 10, 10}, false}})
        EXPECT_EQ(TDHitList::liesInside(i.inner, i.outer), i.expected);
}

TEST_F(HitListFixture, DepthOrderFollowsLayersAndGroups)
{
    const auto below = addRect(*layer1, Rect(0, 0, 10, 10));
    const auto inGroupLow = filledRect(Rect(0, 0, 10, 10));
    const auto inGroupHigh = filledRect(Rect(0, 0, 10, 10));
    const auto group = TDGroup::groupWithGraphics({inGroupLow, inGroupHigh});
    layer1->addGraphic(group);
    const auto above = addRect(*layer1, Rect(0, 0, 10, 10));
    const auto otherLayer = addRect(*layer2, Rect(0, 0, 10, 10));
    ASSERT_EQ(inGroupHigh->layer(), group);

    const TDGraphicArray context = document.graphics();
    struct Case {
        TDGraphicPtr a, b;
        int expected;
    };
    const Case cases[] = {
        {inGroupHigh, above, -1},    // grouped, below a graphic above its group
        {above, inGroupLow, 1},
        {inGroupLow, inGroupHigh, -1},
        {below, inGroupLow, -1},
        {otherLayer, below, 1},      // different layers: by layer order
        {inGroupHigh, otherLayer, -1},
        {group, inGroupHigh, 0},     // the group holds it
        {above, above, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(TDHitList::graphicsDepthSort(c.a.get(), c.b.get(), context), c.expected)
            << c.a->name().toStdString() << " vs " << c.b->name().toStdString();

    const TDGraphicArray shuffled{otherLayer, above, inGroupHigh, below, inGroupLow};
    EXPECT_EQ(TDHitList::orderedGraphics(shuffled, context),
              (TDGraphicArray{below, inGroupLow, inGroupHigh, above, otherLayer}));
}
