// Where palettes go: snapping under and onto each other, keeping inside the
// screen, rolling up, and the chains restored at launch from the links.

#include "app/TDSnapGeometry.h"

#include <gtest/gtest.h>

using namespace scrivane;
using Palette = TDSnapGeometry::Palette;

namespace {

const QRect Screen(0, 0, 1280, 800);

struct SnapCase {
    const char *name;
    QRect dropped;       // where palette 1 was dropped
    int hangUnder;       // the palette it hangs under, -1 none
    int restOn;          // the palette its chain rests on, -1 none
    QPoint origin;       // where it ends
};

class SnapTable : public ::testing::TestWithParam<SnapCase> {};

// Palette 0 stands at (100, 100) 200 x 150: its bottom edge is at 250.
TEST_P(SnapTable, DroppedPaletteSnapsOnlyWithinTheTolerances)
{
    const SnapCase &c = GetParam();
    std::vector<Palette> palettes = {{QRect(100, 100, 200, 150)}, {QRect(600, 600, 200, 100)}};
    const TDSnapGeometry::Snap snap = TDSnapGeometry::snap(palettes, 1, c.dropped, Screen);
    EXPECT_EQ(snap.hangUnder, c.hangUnder);
    EXPECT_EQ(snap.restOn, c.restOn);
    EXPECT_EQ(snap.origin, c.origin);
}

INSTANTIATE_TEST_SUITE_P(
    Palettes, SnapTable,
    ::testing::Values(
        SnapCase{"nineBelowCentresTwentyNineApart", QRect(129, 259, 200, 100), 0, -1, QPoint(100, 250)},
        SnapCase{"nineAboveTheBottomEdge", QRect(90, 241, 200, 100), 0, -1, QPoint(100, 250)},
        SnapCase{"tenBelowStaysFree", QRect(100, 260, 200, 100), -1, -1, QPoint(100, 260)},
        SnapCase{"centresThirtyApartStaysFree", QRect(130, 255, 200, 100), -1, -1, QPoint(130, 255)},
        SnapCase{"bottomNineAboveTheTopRestsOnIt", QRect(120, 9, 200, 100), -1, 0,
                 QPoint(100, 0)},
        SnapCase{"farAwayStaysWhereDropped", QRect(700, 400, 200, 100), -1, -1, QPoint(700, 400)},
        SnapCase{"keptInsideTheScreen", QRect(1200, -30, 200, 100), -1, -1, QPoint(1080, 0)}),
    [](const ::testing::TestParamInfo<SnapCase> &info) { return std::string(info.param.name); });

TEST(SnapGeometry, APaletteWithAChildAlreadyTakesNoOther)
{
    std::vector<Palette> palettes = {{QRect(100, 100, 200, 150), true, -1, 2},
                                     {QRect(600, 600, 200, 100)},
                                     {QRect(100, 250, 200, 100), true, 0, -1}};
    const auto snap = TDSnapGeometry::snap(palettes, 1, QRect(100, 252, 200, 100), Screen);
    EXPECT_EQ(snap.hangUnder, -1);
    // Its own child may come back.
    const auto again = TDSnapGeometry::snap(palettes, 2, QRect(105, 255, 200, 100), Screen);
    EXPECT_EQ(again.hangUnder, 0);
    EXPECT_FALSE(again.leaveParent);
    EXPECT_EQ(again.origin, QPoint(100, 250));
}

TEST(SnapGeometry, MovedAwayFromItsParentLeavesIt)
{
    std::vector<Palette> palettes = {{QRect(100, 100, 200, 150), true, -1, 1},
                                     {QRect(100, 250, 200, 100), true, 0, -1}};
    const auto snap = TDSnapGeometry::snap(palettes, 1, QRect(500, 400, 200, 100), Screen);
    EXPECT_TRUE(snap.leaveParent);
    EXPECT_EQ(snap.hangUnder, -1);
}

TEST(SnapGeometry, AChainNeverClosesIntoARing)
{
    // 0 holds 1 holds 2; 0 dropped with its top on 2's bottom edge.
    std::vector<Palette> palettes = {{QRect(100, 100, 200, 100), true, -1, 1},
                                     {QRect(100, 200, 200, 100), true, 0, 2},
                                     {QRect(100, 300, 200, 100), true, 1, -1}};
    const auto snap = TDSnapGeometry::snap(palettes, 0, QRect(100, 402, 200, 100), Screen);
    EXPECT_EQ(snap.hangUnder, -1);
    EXPECT_EQ(snap.restOn, -1);
}

TEST(SnapGeometry, AChainTallerThanTheScreenStaysTogether)
{
    // 0 at the top holds 1, which holds 2; together they pass the bottom.
    std::vector<Palette> palettes = {{QRect(100, 0, 200, 300), true, -1, 1},
                                     {QRect(100, 300, 200, 400), true, 0, 2},
                                     {QRect(100, 700, 200, 300), true, 1, -1}};
    const auto top = TDSnapGeometry::snap(palettes, 0, palettes[0].frame, Screen);
    EXPECT_EQ(top.origin, QPoint(100, 0));
    const auto middle = TDSnapGeometry::snap(palettes, 1, palettes[1].frame, Screen);
    EXPECT_EQ(middle.hangUnder, 0);
    EXPECT_FALSE(middle.leaveParent);
    const auto bottom = TDSnapGeometry::snap(palettes, 2, palettes[2].frame, Screen);
    EXPECT_EQ(bottom.hangUnder, 1);
    EXPECT_EQ(bottom.origin, QPoint(100, 700));
}

TEST(SnapGeometry, AltPlacesFreelyEvenOffTheScreen)
{
    std::vector<Palette> palettes = {{QRect(100, 100, 200, 150)}, {QRect(600, 600, 200, 100)}};
    const auto snap = TDSnapGeometry::snap(palettes, 1, QRect(100, 252, 200, 100), Screen, true);
    EXPECT_EQ(snap.hangUnder, -1);
    EXPECT_EQ(snap.origin, QPoint(100, 252));
    EXPECT_EQ(TDSnapGeometry::snap(palettes, 1, QRect(-50, 900, 200, 100), Screen, true).origin, QPoint(-50, 900));
}

TEST(SnapGeometry, KeepingInsideCountsTheChainBelow)
{
    EXPECT_EQ(TDSnapGeometry::keepInside(QRect(10, 600, 200, 100), Screen, 150), QRect(10, 550, 200, 100));
    // The top edge wins when the chain is taller than the screen.
    EXPECT_EQ(TDSnapGeometry::keepInside(QRect(10, 600, 200, 100), Screen, 900), QRect(10, 0, 200, 100));
    EXPECT_EQ(TDSnapGeometry::keepInside(QRect(-20, 10, 200, 100), Screen, 0), QRect(0, 10, 200, 100));
}

TEST(SnapGeometry, ChainFrameFollowsChildrenAndSurvivesABrokenRing)
{
    std::vector<Palette> palettes = {{QRect(0, 0, 100, 50), true, -1, 1},
                                     {QRect(0, 50, 100, 30), true, 0, 2},
                                     {QRect(0, 80, 120, 20), true, 1, 0}};
    EXPECT_EQ(TDSnapGeometry::chainFrame(palettes, 1), QRect(0, 0, 120, 100));
    EXPECT_EQ(TDSnapGeometry::chainFrame(palettes, 2).height(), 100);
}

TEST(SnapGeometry, RollingGoesInThreeStepsTheLastExact)
{
    EXPECT_EQ(TDSnapGeometry::rollSteps(166, 16), (std::vector<int>{116, 66, 16}));
    EXPECT_EQ(TDSnapGeometry::rollSteps(16, 117), (std::vector<int>{50, 83, 117}));
    EXPECT_EQ(TDSnapGeometry::rollSteps(40, 40), (std::vector<int>{40}));
    EXPECT_EQ(TDSnapGeometry::resizedHeight(200, 500, 40, 600), 600);
    EXPECT_EQ(TDSnapGeometry::resizedHeight(200, -500, 40, 600), 40);
    EXPECT_EQ(TDSnapGeometry::resizedHeight(200, 30, 40, 600), 230);
}

struct RestoreCase {
    const char *name;
    QMap<QString, QString> links;
    std::vector<int> parents;
};

class RestoreTable : public ::testing::TestWithParam<RestoreCase> {};

// Four palettes, top down: a, b, c, d, each 100 wide and 50 high, spread out.
TEST_P(RestoreTable, LinksBecomeChainsLaidOutUnderTheirParents)
{
    const RestoreCase &c = GetParam();
    const QStringList names = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")};
    const std::vector<QRect> frames = {QRect(10, 0, 100, 50), QRect(300, 100, 100, 50), QRect(500, 200, 100, 50),
                                       QRect(700, 300, 100, 50)};
    const auto restored = TDSnapGeometry::restoreChains(names, frames, c.links);
    EXPECT_EQ(restored.parents, c.parents);
    for (size_t k = 0; k < names.size(); ++k) {
        const int parent = restored.parents[k];
        if (parent < 0) {
            EXPECT_EQ(restored.frames[k], frames[k]) << k;
        } else {
            const QRect &above = restored.frames[size_t(parent)];
            EXPECT_EQ(restored.frames[k].topLeft(), QPoint(above.x(), above.y() + above.height())) << k;
        }
    }
}

QMap<QString, QString> links(std::initializer_list<std::pair<const char *, const char *>> pairs)
{
    QMap<QString, QString> map;
    for (const auto &[child, parent] : pairs)
        map.insert(QString::fromLatin1(child), QString::fromLatin1(parent));
    return map;
}

INSTANTIATE_TEST_SUITE_P(
    Palettes, RestoreTable,
    ::testing::Values(
        RestoreCase{"oneChain", links({{"b", "a"}, {"c", "b"}, {"d", "c"}}), {-1, 0, 1, 2}},
        RestoreCase{"twoNameOneParentTheUpperWins", links({{"b", "a"}, {"c", "a"}}), {-1, 0, -1, -1}},
        RestoreCase{"unknownParentIgnored", links({{"b", "nowhere"}, {"c", "b"}}), {-1, -1, 1, -1}},
        RestoreCase{"selfLinkIgnored", links({{"c", "c"}}), {-1, -1, -1, -1}},
        RestoreCase{"ringIsCut", links({{"b", "c"}, {"c", "d"}, {"d", "b"}}), {-1, -1, 3, 1}},
        RestoreCase{"topmostHangsUnderNothing", links({{"a", "d"}}), {-1, -1, -1, -1}}),
    [](const ::testing::TestParamInfo<RestoreCase> &info) { return std::string(info.param.name); });

} // namespace
