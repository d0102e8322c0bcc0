#include "EngineTestSupport.h"

#include "geometry/PolyGraph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace scrivane {
namespace {

std::vector<int> incident(const PolyGraph &g, int p)
{
    std::vector<int> out;
    for (int e = g.point(p).firstEdge; e >= 0;)
        out.push_back(e), e = g.edge(e).start == p ? g.edge(e).nextAtStart : g.edge(e).nextAtEnd;
    return out;
}

// Mended: edges to points that do not exist are refused, as are loops.
TEST(PolyGraph, AddEdgeChecksItsPoints)
{
    PolyGraph g;
    g.addPoint(0, 0);
    g.addPoint(1, 0);
    EXPECT_EQ(g.addEdge(0, 0), -1);
    EXPECT_EQ(g.addEdge(-1, 1), -1);
    EXPECT_EQ(g.addEdge(0, 2), -1);
    EXPECT_EQ(g.addEdge(0, 1), 0);
    EXPECT_FALSE(g.normalized());
    g.removeEdge(5);
    g.reverseEdge(7);
    g.swapEdges(0, 9);
    g.swapPoints(0, 9);
    EXPECT_EQ(g.edgeCount(), 1);
}

TEST(PolyGraph, RemovalMovesTheLastEdgeAndKeepsTheLists)
{
    PolyGraph g;
    test::fillGraph(g, {test::rect(0, 0, 1, 1)});
    g.makeBackData(true);
    g.backData(3).piece = 33;
    g.removeEdge(1);
    ASSERT_EQ(g.edgeCount(), 3);
    EXPECT_EQ(g.backData(1).piece, 33) << "the last edge moved into the freed slot";
    for (int p = 0; p < g.pointCount(); ++p) {
        for (int e : incident(g, p))
            EXPECT_TRUE(g.edge(e).start == p || g.edge(e).end == p);
        EXPECT_EQ(int(incident(g, p).size()), g.point(p).inDegree + g.point(p).outDegree);
    }
    EXPECT_FALSE(g.isEulerian(true));
    EXPECT_FALSE(g.isEulerian(false));
}

TEST(PolyGraph, SwapsKeepIncidenceRight)
{
    PolyGraph g;
    test::fillGraph(g, {test::rect(0, 0, 1, 1), test::rect(0, 0, 2, 2)});
    g.swapEdges(0, 5);
    g.swapEdges(1, 2);
    g.swapPoints(0, 6);
    g.swapPoints(1, 2);
    for (int p = 0; p < g.pointCount(); ++p) {
        const std::vector<int> inc = incident(g, p);
        EXPECT_EQ(int(inc.size()), g.point(p).inDegree + g.point(p).outDegree) << p;
        for (int e : inc)
            EXPECT_TRUE(g.edge(e).start == p || g.edge(e).end == p);
    }
    EXPECT_TRUE(g.isEulerian(true));
    const GraphPoint &p6 = g.point(6);
    EXPECT_EQ(p6.x, 0.0f);
    EXPECT_EQ(p6.y, 0.0f);
}

TEST(PolyGraph, IncidenceListsSortByAngleFromMinusY)
{
    PolyGraph g;
    const int c = g.addPoint(0, 0);
    const float dirs[][2] = {{-1, 0}, {0, 1}, {1, -1}, {0, -1}, {1, 0}, {-1, -1}};
    for (const auto &d : dirs)
        g.addEdge(c, g.addPoint(d[0], d[1]));
    g.sortEdges();
    std::vector<std::pair<float, float>> order;
    for (int e : incident(g, c))
        order.push_back({g.edge(e).dx, g.edge(e).dy});
    const std::vector<std::pair<float, float>> expected = {{0, -1}, {1, -1}, {1, 0}, {0, 1}, {-1, 0}, {-1, -1}};
    EXPECT_EQ(order, expected);
}

// Four edges at a point (a kept crossing) take their own path through the
// sort: every order they were added in, with edges both in and out, gives
// the one angular order and consistent back links.
TEST(PolyGraph, FourEdgesAtAPointSortTheSameFromEveryOrder)
{
    // Direction from the centre; whether the edge leaves it or arrives.
    struct Spoke {
        float x, y;
        bool out;
    };
    std::vector<Spoke> spokes = {{1, 1, true}, {-1, 0, false}, {0, -1, true}, {1, -0.5f, false}};
    std::sort(spokes.begin(), spokes.end(), [](const Spoke &a, const Spoke &b) { return a.x + 7 * a.y < b.x + 7 * b.y; });
    std::vector<std::pair<float, float>> first;
    do {
        PolyGraph g;
        const int c = g.addPoint(0, 0);
        for (const Spoke &s : spokes) {
            const int q = g.addPoint(s.x, s.y);
            ASSERT_GE(s.out ? g.addEdge(c, q) : g.addEdge(q, c), 0);
        }
        g.sortEdges();
        const std::vector<int> list = incident(g, c);
        ASSERT_EQ(list.size(), 4u);
        std::vector<std::pair<float, float>> order;
        int previous = -1;
        for (int e : list) {
            const GraphEdge &edge = g.edge(e);
            const bool atStart = edge.start == c;
            order.push_back({atStart ? edge.dx : -edge.dx, atStart ? edge.dy : -edge.dy});
            EXPECT_EQ(atStart ? edge.prevAtStart : edge.prevAtEnd, previous);
            previous = e;
        }
        EXPECT_EQ(g.point(c).lastEdge, list.back());
        if (first.empty())
            first = order;
        EXPECT_EQ(order, first);
    } while (std::next_permutation(spokes.begin(), spokes.end(), [](const Spoke &a, const Spoke &b) {
        return a.x + 7 * a.y < b.x + 7 * b.y;
    }));
    const std::vector<std::pair<float, float>> expected = {{0, -1}, {1, -0.5f}, {1, 1}, {-1, 0}};
    EXPECT_EQ(first, expected);
}

TEST(PolyGraph, ReverseAndCopy)
{
    PolyGraph g;
    test::fillGraph(g, {test::rect(0, 0, 1, 1)});
    g.makeBackData(true);
    g.backData(0) = {1, 2, 0.25f, 0.75f};
    g.reverseEdge(0);
    EXPECT_EQ(g.backData(0).tStart, 0.75f);
    EXPECT_EQ(g.edge(0).start, 1);
    EXPECT_EQ(g.edge(0).dx, -1.0f);
    EXPECT_FALSE(g.isEulerian(true));
    EXPECT_TRUE(g.isEulerian(false));
    PolyGraph copy;
    copy.copyFrom(&g);
    EXPECT_EQ(copy.edgeCount(), 4);
    EXPECT_FALSE(copy.hasFlag(PolyGraph::kHasBackData));
    copy.copyFrom(nullptr);
    EXPECT_EQ(copy.pointCount(), 0);
    EXPECT_TRUE(copy.normalized());
}

TEST(PolyGraph, WindingAtCountsEdgesBelow)
{
    PolyGraph g;
    test::fillGraph(g, {test::rect(0, 0, 4, 4)});
    // Counter-clockwise in y-up: inside is on the (-dy, dx) side, winding -1.
    EXPECT_EQ(g.windingAt(2, 2), -1);
    EXPECT_EQ(g.windingAt(6, 2), 0);
    EXPECT_EQ(g.windingAt(2, 6), 0);
}

} // namespace
} // namespace scrivane
