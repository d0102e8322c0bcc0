#include "EngineTestSupport.h"
#include "GraphInvariants.h"

#include "geometry/EngineCodes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace scrivane {
namespace {

using test::Contour;
using test::fillGraph;
using test::rect;

int normalizeContours(PolyGraph &out, const std::vector<Contour> &contours, int rule)
{
    PolyGraph source;
    fillGraph(source, contours);
    return out.normalize(source, rule);
}

TEST(Normalize, SimpleSquareKeepsFourEdgesFilledOnTheRight)
{
    for (bool clockwise : {false, true}) {
        Contour c = rect(0, 0, 10, 10);
        if (clockwise)
            std::reverse(c.begin(), c.end());
        PolyGraph out;
        ASSERT_EQ(normalizeContours(out, {c}, engine::kNonZero), engine::kOk);
        EXPECT_EQ(out.edgeCount(), 4);
        EXPECT_TRUE(out.normalized());
        EXPECT_EQ(test::checkNormalizedGraph(out), "");
        EXPECT_DOUBLE_EQ(test::filledArea(out), 100.0);
    }
}

TEST(Normalize, SmallOrOpenSourcesFollowTheResultCodes)
{
    PolyGraph out, source;
    source.addPoint(0, 0);
    source.addPoint(1, 0);
    source.addEdge(0, 1);
    EXPECT_EQ(out.normalize(source, engine::kNonZero), engine::kOk) << "a single open edge";
    EXPECT_EQ(out.edgeCount(), 0);
    source.addPoint(2, 1);
    source.addEdge(1, 2);
    EXPECT_EQ(out.normalize(source, engine::kNonZero), engine::kBadOperands) << "an open polyline";
    EXPECT_EQ(out.edgeCount(), 0);
    EXPECT_EQ(out.normalize(out, engine::kNonZero), engine::kBadOperands) << "itself as source";
}

TEST(Normalize, CoincidentSquaresMergeOrVanishByRule)
{
    PolyGraph out;
    ASSERT_EQ(normalizeContours(out, {rect(0, 0, 4, 4), rect(0, 0, 4, 4)}, engine::kNonZero), engine::kOk);
    EXPECT_EQ(out.edgeCount(), 4);
    EXPECT_EQ(test::checkNormalizedGraph(out), "");
    ASSERT_EQ(normalizeContours(out, {rect(0, 0, 4, 4), rect(0, 0, 4, 4)}, engine::kEvenOdd), engine::kOk);
    EXPECT_EQ(out.edgeCount(), 0);
}

TEST(Normalize, FigureEightKeepsBothLobesWithADegreeFourCrossing)
{
    const Contour eight = {{0, 0}, {10, 10}, {10, 0}, {0, 10}};
    for (int rule : {engine::kEvenOdd, engine::kNonZero}) {
        PolyGraph out;
        ASSERT_EQ(normalizeContours(out, {eight}, rule), engine::kOk);
        EXPECT_EQ(test::checkNormalizedGraph(out), "");
        EXPECT_EQ(out.edgeCount(), 6);
        EXPECT_DOUBLE_EQ(test::filledArea(out), 50.0);
        int degreeFour = 0;
        for (int i = 0; i < out.pointCount(); ++i)
            degreeFour += out.point(i).inDegree + out.point(i).outDegree == 4 ? 1 : 0;
        EXPECT_EQ(degreeFour, 1);
    }
}

TEST(Normalize, RoundsToTheGrid)
{
    PolyGraph out;
    ASSERT_EQ(normalizeContours(out, {{{0.01f, 0.02f}, {10, 0}, {10, 10}}}, engine::kNonZero), engine::kOk);
    bool sawOrigin = false;
    for (int i = 0; i < out.pointCount(); ++i)
        sawOrigin = sawOrigin || (out.point(i).x == 0.0f && out.point(i).y == 0.03125f);
    EXPECT_TRUE(sawOrigin);
}

TEST(Normalize, APointNearAnEdgeSplitsIt)
{
    // The tip of the small triangle lies within half a grid step of the
    // square's bottom side.
    PolyGraph out;
    ASSERT_EQ(normalizeContours(out, {rect(0, 0, 10, 10), {{5, 0.01f}, {6, -3}, {4, -3}}}, engine::kNonZero),
              engine::kOk);
    EXPECT_EQ(test::checkNormalizedGraph(out), "");
}

TEST(Normalize, RefusesCoordinatesThatAreNotFiniteOrTooLarge)
{
    for (float bad : {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(), 1e7f}) {
        PolyGraph out;
        EXPECT_EQ(normalizeContours(out, {{{0, 0}, {bad, 0}, {1, 1}}}, engine::kNonZero), engine::kBadOperands);
        EXPECT_EQ(out.edgeCount(), 0);
    }
}

TEST(Normalize, StopsCleanlyBeyondTheCrossingBound)
{
    // A comb of many crossing strokes.
    std::vector<Contour> contours;
    for (int i = 0; i < 20; ++i) {
        contours.push_back(rect(float(i), 0, float(i) + 0.5f, 30));
        contours.push_back(rect(0, float(i), 30, float(i) + 0.5f));
    }
    PolyGraph source, out;
    fillGraph(source, contours);
    out.setCrossingLimit(50);
    EXPECT_EQ(out.normalize(source, engine::kNonZero), engine::kTooComplex);
    EXPECT_EQ(out.edgeCount(), 0);
    out.setCrossingLimit(PolyGraph::kDefaultCrossingLimit);
    EXPECT_EQ(out.normalize(source, engine::kNonZero), engine::kOk);
    EXPECT_EQ(test::checkNormalizedGraph(out), "");
}

} // namespace
} // namespace scrivane
