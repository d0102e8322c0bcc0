#include "EngineTestSupport.h"
#include "GraphInvariants.h"

#include "geometry/EngineCodes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace scrivane {
namespace {

using test::Contour;
using test::fillGraph;
using test::rect;

struct Operands {
    PolyGraph a, b;
    Operands(const std::vector<Contour> &ca, const std::vector<Contour> &cb)
    {
        PolyGraph work;
        fillGraph(work, ca);
        EXPECT_EQ(a.normalize(work, engine::kEvenOdd), engine::kOk);
        fillGraph(work, cb);
        EXPECT_EQ(b.normalize(work, engine::kEvenOdd), engine::kOk);
    }
};

bool expectedInside(int op, bool a, bool b)
{
    switch (op) {
    case engine::kUnion:
    case engine::kCut: return a || b;
    case engine::kIntersection: return a && b;
    case engine::kDifference: return a && !b;
    default: return a != b;
    }
}

TEST(Boolean, AreasOfTwoOverlappingSquares)
{
    Operands o({rect(0, 0, 10, 10)}, {rect(5, 5, 15, 15)});
    const double expected[] = {175, 25, 75, 150, 175};
    for (int op = engine::kUnion; op <= engine::kCut; ++op) {
        PolyGraph out;
        ASSERT_EQ(out.boolean(&o.a, &o.b, op), engine::kOk) << op;
        EXPECT_EQ(test::checkNormalizedGraph(out), "") << op;
        EXPECT_DOUBLE_EQ(test::filledArea(out), expected[op]) << op;
        EXPECT_TRUE(out.normalized());
    }
}

TEST(Boolean, DisjointSquares)
{
    Operands o({rect(0, 0, 1, 1)}, {rect(3, 0, 4, 1)});
    PolyGraph out;
    ASSERT_EQ(out.boolean(&o.a, &o.b, engine::kIntersection), engine::kOk);
    EXPECT_EQ(out.edgeCount(), 0);
    ASSERT_EQ(out.boolean(&o.a, &o.b, engine::kDifference), engine::kOk);
    EXPECT_DOUBLE_EQ(test::filledArea(out), 1.0);
    ASSERT_EQ(out.boolean(&o.a, &o.b, engine::kExclusiveOr), engine::kOk);
    EXPECT_DOUBLE_EQ(test::filledArea(out), 2.0);
}

TEST(Boolean, SharedSideCancels)
{
    Operands o({rect(0, 0, 2, 2)}, {rect(2, 0, 4, 2)});
    PolyGraph out;
    ASSERT_EQ(out.boolean(&o.a, &o.b, engine::kUnion), engine::kOk);
    EXPECT_EQ(test::checkNormalizedGraph(out), "");
    EXPECT_DOUBLE_EQ(test::filledArea(out), 8.0);
    // The middle point of the shared side remains where the union's top and
    // bottom sides were split, but no edge runs along the shared side.
    for (int e = 0; e < out.edgeCount(); ++e)
        EXPECT_FALSE(out.point(out.edge(e).start).x == 2 && out.point(out.edge(e).end).x == 2);
    ASSERT_EQ(out.boolean(&o.a, &o.b, engine::kIntersection), engine::kOk);
    EXPECT_EQ(out.edgeCount(), 0);
}

TEST(Boolean, HoleRunsTheOtherWay)
{
    Operands o({rect(0, 0, 10, 10)}, {rect(3, 3, 6, 6)});
    PolyGraph out;
    ASSERT_EQ(out.boolean(&o.a, &o.b, engine::kDifference), engine::kOk);
    EXPECT_EQ(test::checkNormalizedGraph(out), "");
    EXPECT_DOUBLE_EQ(test::filledArea(out), 91.0);
    EXPECT_EQ(out.edgeCount(), 8);
}

// Mended: a boolean with an empty operand follows the set identities instead
// of answering an empty graph.
TEST(Boolean, EmptyOperandFollowsTheSetIdentities)
{
    Operands o({rect(0, 0, 2, 2)}, {});
    PolyGraph &a = o.a, &empty = o.b;
    struct Case {
        int op;
        bool emptyFirst;
        double area;
    } cases[] = {
        {engine::kUnion, false, 4}, {engine::kIntersection, false, 0}, {engine::kDifference, false, 4},
        {engine::kDifference, true, 0}, {engine::kExclusiveOr, false, 4}, {engine::kUnion, true, 4},
        {engine::kExclusiveOr, true, 4}, {engine::kCut, false, 4},
    };
    for (const Case &c : cases) {
        PolyGraph out;
        ASSERT_EQ(c.emptyFirst ? out.boolean(&empty, &a, c.op) : out.boolean(&a, &empty, c.op), engine::kOk);
        EXPECT_DOUBLE_EQ(test::filledArea(out), c.area) << c.op << " " << c.emptyFirst;
        EXPECT_TRUE(out.normalized());
        if (c.area > 0) {
            EXPECT_EQ(test::checkNormalizedGraph(out), "");
        }
    }
}

TEST(Boolean, RefusesMissingSameOrUnnormalisedOperands)
{
    Operands o({rect(0, 0, 2, 2)}, {rect(1, 1, 3, 3)});
    PolyGraph out;
    out.addPoint(7, 7);
    EXPECT_EQ(out.boolean(nullptr, &o.b, engine::kUnion), engine::kBadOperands);
    EXPECT_EQ(out.boolean(&o.a, &o.a, engine::kUnion), engine::kBadOperands);
    EXPECT_EQ(out.boolean(&out, &o.a, engine::kUnion), engine::kBadOperands);
    EXPECT_EQ(out.pointCount(), 1) << "the destination stays untouched";
    PolyGraph raw;
    fillGraph(raw, {rect(0, 0, 1, 1)});
    EXPECT_EQ(out.boolean(&raw, &o.b, engine::kUnion), engine::kBadOperands);
    EXPECT_EQ(out.pointCount(), 0);
}

// Random and lattice operands: every result satisfies the invariants, agrees
// point by point with the operands, and the areas add up.
TEST(Boolean, RandomOperandsKeepTheInvariantsAndTheAreaIdentities)
{
    std::mt19937 rng(12345);
    for (int round = 0; round < 60; ++round) {
        const bool lattice = round % 2 == 0;
        std::uniform_int_distribution<int> coord(0, lattice ? 6 : 4000);
        auto randomContours = [&]() {
            std::vector<Contour> cs;
            const int n = 1 + int(rng() % 3);
            for (int k = 0; k < n; ++k) {
                Contour c;
                const int m = 3 + int(rng() % 6);
                for (int i = 0; i < m; ++i) {
                    const float scale = lattice ? 1.0f : 0.01f;
                    c.push_back({float(coord(rng)) * scale, float(coord(rng)) * scale});
                }
                cs.push_back(c);
            }
            return cs;
        };
        const std::vector<Contour> ca = randomContours(), cb = randomContours();
        Operands o(ca, cb);
        ASSERT_EQ(test::checkNormalizedGraph(o.a), "") << round;
        ASSERT_EQ(test::checkNormalizedGraph(o.b), "") << round;
        PolyGraph results[5];
        double area[5];
        for (int op = 0; op < 5; ++op) {
            ASSERT_EQ(results[op].boolean(&o.a, &o.b, op), engine::kOk) << round << " op " << op;
            ASSERT_EQ(test::checkNormalizedGraph(results[op]), "") << round << " op " << op;
            area[op] = test::filledArea(results[op]);
        }
        // Every result rounds its own crossings to the grid, so the
        // identities hold up to half a grid step along the boundaries.
        double perimeter = 0;
        for (const PolyGraph *g : {&o.a, &o.b})
            for (const test::Segment2 &s : test::segmentsOf(*g))
                perimeter += std::hypot(s.bx - s.ax, s.by - s.ay);
        const double tolerance = 1e-9 + perimeter / 32;
        EXPECT_NEAR(area[0], test::filledArea(o.a) + test::filledArea(o.b) - area[1], tolerance) << round;
        EXPECT_NEAR(area[3], area[0] - area[1], tolerance) << round;
        EXPECT_NEAR(area[2], test::filledArea(o.a) - area[1], tolerance) << round;
        EXPECT_DOUBLE_EQ(area[4], area[0]);

        // Sampling against the raw operands, away from every edge.
        std::vector<test::Segment2> sa, sb;
        PolyGraph ga, gb;
        fillGraph(ga, ca);
        fillGraph(gb, cb);
        sa = test::segmentsOf(ga);
        sb = test::segmentsOf(gb);
        std::uniform_real_distribution<double> pick(-0.5, lattice ? 6.5 : 40.5);
        for (int s = 0; s < 40; ++s) {
            const double x = pick(rng), y = pick(rng);
            if (test::distanceToSegments(sa, x, y) < 0.1 || test::distanceToSegments(sb, x, y) < 0.1)
                continue;
            const bool inA = test::windingNumber(sa, x, y) % 2 != 0;
            const bool inB = test::windingNumber(sb, x, y) % 2 != 0;
            for (int op = 0; op < 5; ++op) {
                const bool inR = test::windingNumber(test::segmentsOf(results[op]), x, y) != 0;
                ASSERT_EQ(inR, expectedInside(op, inA, inB)) << round << " op " << op << " at " << x << "," << y;
            }
        }
    }
}

} // namespace
} // namespace scrivane
