// Stroking a polyline into a graph and offsetting a graph: the areas of the
// stroke after the non-zero normalisation, with caps, joins, dashes and
// widths that change along the line.

#include "EngineTestSupport.h"
#include "GraphInvariants.h"

#include "geometry/CommandPath.h"
#include "geometry/EngineCodes.h"
#include "geometry/PolyGraph.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace scrivane {
namespace {

CommandPath polyline(const std::vector<std::pair<float, float>> &points, bool weighted = false,
                     const std::vector<float> &weights = {})
{
    CommandPath p;
    p.setWeighted(weighted);
    for (std::size_t i = 0; i < points.size(); ++i)
        p.addPointWeighted(points[i].first, points[i].second, weights.empty() ? 1.0f : weights[i], i == 0);
    return p;
}

// The stroked area: stroked into a graph, then merged by the non-zero rule.
double strokedArea(const CommandPath &p, bool closed, float halfWidth, int join, int cap, float limit,
                   std::span<const CommandPath::DashEntry> dashes = {})
{
    PolyGraph raw, merged;
    p.strokeDashed(raw, closed, halfWidth, join, cap, limit, dashes, false);
    if (raw.edgeCount() == 0)
        return 0;
    EXPECT_EQ(merged.normalize(raw, engine::kNonZero), engine::kOk);
    EXPECT_EQ(test::checkNormalizedGraph(merged), "");
    return test::filledArea(merged);
}

TEST(StrokeGraph, OnePointGivesNoEdges)
{
    PolyGraph graph;
    polyline({{1, 1}}).stroke(graph, false, 1, engine::kJoinMiter, engine::kCapRound, 10, false);
    EXPECT_EQ(graph.edgeCount(), 0);
}

TEST(StrokeGraph, CapsOfAStraightLine)
{
    const CommandPath line = polyline({{0, 0}, {100, 0}});
    const double butt = strokedArea(line, false, 10, engine::kJoinMiter, engine::kCapButt, 10);
    const double square = strokedArea(line, false, 10, engine::kJoinMiter, engine::kCapSquare, 10);
    const double pointed = strokedArea(line, false, 10, engine::kJoinMiter, engine::kCapPointed, 10);
    const double round = strokedArea(line, false, 10, engine::kJoinMiter, engine::kCapRound, 10);
    EXPECT_NEAR(butt, 2000, 0.5);
    EXPECT_NEAR(square, 2400, 0.5);
    EXPECT_NEAR(pointed, 2200, 0.5);
    EXPECT_GT(round, pointed + 50);
    EXPECT_LT(round, square);
}

TEST(StrokeGraph, JoinsOfAClosedSquare)
{
    const CommandPath square = polyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    const double ring = 12 * 12 - 8 * 8;
    EXPECT_NEAR(strokedArea(square, true, 1, engine::kJoinMiter, engine::kCapButt, 10), ring, 0.01);
    EXPECT_NEAR(strokedArea(square, true, 1, engine::kJoinBevel, engine::kCapButt, 10), ring - 2, 0.01);
    // A limit shorter than the miter cuts its tip off square to the bisector.
    const double cut = strokedArea(square, true, 1, engine::kJoinMiter, engine::kCapButt, 1.2f);
    EXPECT_GT(cut, ring - 2);
    EXPECT_LT(cut, ring);
    // Round joins are quadratic arcs, halved while they are coarser than the
    // flatness: a join of a wide stroke is rounded, of a thin one flat.
    const CommandPath large = polyline({{0, 0}, {100, 0}, {100, 100}, {0, 100}});
    const double round = strokedArea(large, true, 10, engine::kJoinRound, engine::kCapButt, 10);
    EXPECT_GT(round, 120 * 120 - 80 * 80 - 200);
    EXPECT_LT(round, 120 * 120 - 80 * 80);
    EXPECT_NEAR(strokedArea(square, true, 1, engine::kJoinRound, engine::kCapButt, 10), ring - 2, 0.01);
}

TEST(StrokeGraph, RepeatedPointsMakeNoDegenerateJoins)
{
    const CommandPath clean = polyline({{0, 0}, {50, 0}, {50, 50}});
    const CommandPath repeated = polyline({{0, 0}, {50, 0}, {50.01f, 0.01f}, {50, 0.02f}, {50, 50}, {50, 50.005f}});
    for (int join : {engine::kJoinMiter, engine::kJoinRound, engine::kJoinBevel})
        EXPECT_NEAR(strokedArea(repeated, false, 4, join, engine::kCapButt, 10),
                    strokedArea(clean, false, 4, join, engine::kCapButt, 10), 0.5)
            << join;
}

TEST(StrokeGraph, Dashes)
{
    const CommandPath line = polyline({{0, 0}, {40, 0}, {100, 0}});
    const CommandPath::DashEntry tens[] = {{false, 10}, {true, 10}};
    EXPECT_NEAR(strokedArea(line, false, 1, engine::kJoinMiter, engine::kCapButt, 10, tens), 100, 0.01);
    // Entries without length are passed over; a pattern without any length
    // strokes solid and never loops.
    const CommandPath::DashEntry withEmpty[] = {{false, 10}, {true, 0}, {true, -3}, {true, 30}};
    EXPECT_NEAR(strokedArea(line, false, 1, engine::kJoinMiter, engine::kCapButt, 10, withEmpty), 60, 0.01);
    const CommandPath::DashEntry nothing[] = {{false, 0}, {true, 0}};
    EXPECT_NEAR(strokedArea(line, false, 1, engine::kJoinMiter, engine::kCapButt, 10, nothing), 200, 0.01);
    const CommandPath::DashEntry negative[] = {{false, -1}};
    EXPECT_NEAR(strokedArea(line, false, 1, engine::kJoinMiter, engine::kCapButt, 10, negative), 200, 0.01);
}

TEST(StrokeGraph, WidthFollowsThePointWeights)
{
    const CommandPath widening = polyline({{0, 0}, {10, 0}}, true, {1, 2});
    EXPECT_NEAR(strokedArea(widening, false, 1, engine::kJoinMiter, engine::kCapButt, 10), 30, 0.01);
}

TEST(StrokeGraph, OffsetGraph)
{
    PolyGraph raw, square;
    test::fillGraph(raw, {test::rect(0, 0, 10, 10)});
    ASSERT_EQ(square.normalize(raw, engine::kNonZero), engine::kOk);
    auto offsetArea = [&](float distance, int join) {
        PolyGraph offset, merged;
        EXPECT_EQ(offset.offsetGraph(square, distance, join, 10), engine::kOk);
        EXPECT_EQ(merged.normalize(offset, engine::kNonZero), engine::kOk);
        return test::filledArea(merged);
    };
    EXPECT_NEAR(offsetArea(1, engine::kJoinMiter), 144, 0.01);
    EXPECT_NEAR(offsetArea(1, engine::kJoinBevel), 142, 0.01);
    const double round = offsetArea(1, engine::kJoinRound);
    EXPECT_GT(round, 142);
    EXPECT_LT(round, 140 + std::numbers::pi + 0.01);
    EXPECT_NEAR(offsetArea(-1, engine::kJoinMiter), 64, 0.01);
    // Distance 0 copies; an unnormalised source is refused.
    PolyGraph copy;
    EXPECT_EQ(copy.offsetGraph(square, 0, engine::kJoinMiter, 10), engine::kOk);
    EXPECT_EQ(copy.edgeCount(), square.edgeCount());
    PolyGraph refused;
    refused.addPoint(3, 3);
    EXPECT_EQ(refused.offsetGraph(raw, 1, engine::kJoinMiter, 10), engine::kBadOperands);
    EXPECT_EQ(refused.edgeCount(), 0);
}

} // namespace
} // namespace scrivane
