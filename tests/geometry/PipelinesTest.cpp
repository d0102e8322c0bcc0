// The pipelines the program calls: booleans of several paths, uncrossing,
// and how faithfully curves come back from a result.

#include "EngineTestSupport.h"
#include "GraphInvariants.h"

#include "geometry/CommandPath.h"
#include "geometry/EngineCodes.h"
#include "geometry/PathPipelines.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

namespace scrivane {
namespace {

using test::areaOf;
using test::pathOf;
using test::rect;

int countOf(const CommandPath &p, int type)
{
    int n = 0;
    for (const PathCommand &c : p.commands())
        n += c.type() == type;
    return n;
}

int booleanOf(std::vector<CommandPath> paths, int op, CommandPath &result)
{
    std::vector<const CommandPath *> pointers;
    for (const CommandPath &p : paths)
        pointers.push_back(&p);
    return booleanOfCommandPaths(pointers, op, result);
}

TEST(Pipelines, BooleansOfSeveralPathsTakeThemInOrder)
{
    // Three squares in a row, each overlapping the next by 2.
    const std::vector<CommandPath> squares = {pathOf({rect(0, 0, 10, 10)}), pathOf({rect(8, 0, 18, 10)}),
                                              pathOf({rect(16, 0, 26, 10)})};
    const struct {
        const char *name;
        int op;
        std::vector<int> order;
        double area;
    } cases[] = {
        {"union", engine::kUnion, {0, 1, 2}, 260},
        {"cut is the union", engine::kCut, {2, 0, 1}, 260},
        {"intersection of all three", engine::kIntersection, {0, 1, 2}, 0},
        {"intersection of two", engine::kIntersection, {0, 1}, 20},
        {"first minus the rest", engine::kDifference, {0, 1, 2}, 80},
        {"middle minus the rest", engine::kDifference, {1, 0, 2}, 60},
        {"last minus the rest", engine::kDifference, {2, 1, 0}, 80},
        {"exclusive or", engine::kExclusiveOr, {0, 1, 2}, 260 - 40},
    };
    for (const auto &c : cases) {
        std::vector<CommandPath> operands;
        for (int i : c.order)
            operands.push_back(squares[std::size_t(i)]);
        CommandPath result;
        ASSERT_EQ(booleanOf(operands, c.op, result), engine::kOk) << c.name;
        EXPECT_NEAR(areaOf(result), c.area, 1e-3) << c.name;
        if (c.area == 0) {
            EXPECT_LT(result.commandCount(), 2) << c.name;
        }
    }
}

TEST(Pipelines, EmptyOperandsFollowTheSetIdentities)
{
    CommandPath a = pathOf({rect(0, 0, 10, 10)}), nothing, flat;
    flat.moveTo(2, 2);
    flat.lineTo(8, 8);
    for (const CommandPath *empty : {&nothing, &flat}) {
        const struct {
            int op;
            double area;
        } cases[] = {{engine::kUnion, 100}, {engine::kDifference, 100}, {engine::kIntersection, 0},
                     {engine::kExclusiveOr, 100}};
        for (const auto &c : cases) {
            CommandPath result;
            ASSERT_EQ(booleanOf({a, *empty}, c.op, result), engine::kOk) << c.op;
            EXPECT_NEAR(areaOf(result), c.area, 1e-3) << c.op;
        }
    }
}

TEST(Pipelines, RefusalsAreReportedWithAnEmptyResult)
{
    CommandPath a = pathOf({rect(0, 0, 10, 10)}), far = pathOf({rect(0, 0, 1e7f, 10)}), result;
    result.moveTo(1, 1);
    EXPECT_EQ(booleanOf({a, far}, engine::kUnion, result), engine::kBadOperands);
    EXPECT_EQ(result.commandCount(), 0);
    EXPECT_EQ(booleanOf({a}, engine::kUnion, result), engine::kBadOperands);
    EXPECT_EQ(booleanOf({a, a}, 7, result), engine::kBadOperands);
    EXPECT_EQ(uncrossedCommandPath(far, engine::kNonZero, result), engine::kBadOperands);
    EXPECT_EQ(result.commandCount(), 0);
}

TEST(Pipelines, UncrossingAFigureEightGivesTwoLoops)
{
    CommandPath eight;
    eight.moveTo(0, 0);
    eight.lineTo(10, 10);
    eight.lineTo(10, 0);
    eight.lineTo(0, 10);
    eight.close();
    for (int rule : {engine::kEvenOdd, engine::kNonZero}) {
        CommandPath result;
        ASSERT_EQ(uncrossedCommandPath(eight, rule, result), engine::kOk);
        EXPECT_EQ(countOf(result, kPathMoveTo), 2) << rule;
        EXPECT_EQ(countOf(result, kPathClose), 2) << rule;
        EXPECT_NEAR(areaOf(result), 50, 1e-3) << rule;
    }
}

TEST(Pipelines, UntouchedCurvesComeBackWhole)
{
    CommandPath circle;
    const float k = 40 * 0.5523f * 3;
    circle.moveTo(40, 0);
    circle.cubicTo(0, 40, 0, k, -k, 0);
    circle.cubicTo(-40, 0, -k, 0, 0, -k);
    circle.cubicTo(0, -40, 0, -k, k, 0);
    circle.cubicTo(40, 0, k, 0, 0, k);
    circle.close();
    CommandPath far = pathOf({rect(100, 100, 110, 110)}), result;
    ASSERT_EQ(booleanOf({circle, far}, engine::kUnion, result), engine::kOk);
    EXPECT_EQ(countOf(result, kPathCubicTo), 4);
}

// Every rebuilt cubic must lie within the flattening's distance (a quarter
// point at tolerance 1) of its own source curve, plus the grid: of the
// source command it follows best along its whole length.
double worstRebuiltDistance(const CommandPath &result, const std::vector<const CommandPath *> &sources)
{
    std::vector<std::vector<test::Contour>> commands;
    for (const CommandPath *s : sources) {
        for (int i = 1; i < s->commandCount(); ++i) {
            const PathCommand &c = s->command(i);
            if (c.type() != kPathCubicTo)
                continue;
            CommandPath one;
            EnginePoint start;
            s->previousPoint(i - 1, start.x, start.y);
            one.moveTo(start.x, start.y);
            one.cubicTo(c.x, c.y, c.startTangentX, c.startTangentY, c.endTangentX, c.endTangentY);
            commands.push_back(test::polylinesOf(one, 0.0005f));
        }
    }
    double worst = 0;
    EnginePoint current, subpathStart;
    for (int i = 0; i < result.commandCount(); ++i) {
        const PathCommand &c = result.command(i);
        if (c.type() == kPathCubicTo) {
            double best = 1e30;
            for (const auto &curve : commands) {
                double far = 0;
                for (int k = 0; k <= 16; ++k) {
                    const EnginePoint q = tangentOnCubicAt(float(k) / 16, current, c.point(), c.startTangent(),
                                                           c.endTangent(), false)
                                              .point;
                    far = std::max(far, test::distanceToPolylines(curve, q.x, q.y));
                }
                best = std::min(best, far);
            }
            worst = std::max(worst, best);
        }
        if (c.type() == kPathMoveTo)
            subpathStart = c.point();
        if (c.type() != kPathForcedPoint)
            current = c.type() == kPathClose ? subpathStart : c.point();
    }
    return worst;
}

TEST(Pipelines, RebuiltCurvesStayOnTheirSourcesForTheReproducer)
{
    CommandPath a, b;
    a.moveTo(13.653f, 30.7457f);
    {
        const EnginePoint p0{13.653f, 30.7457f}, c1{47.3521f, 93.6275f}, c2{270.265f, 229.443f},
            p1{-53.4179f, 68.6235f};
        a.cubicTo(p1.x, p1.y, 3 * (c1.x - p0.x), 3 * (c1.y - p0.y), 3 * (p1.x - c2.x), 3 * (p1.y - c2.y));
    }
    a.close();
    b.moveTo(29.9104f, 2.85846f);
    {
        const EnginePoint p0{29.9104f, 2.85846f}, c1{11.2813f, 83.4172f}, c2{-18.1958f, 296.282f},
            p1{264.5f, 157.024f};
        b.cubicTo(p1.x, p1.y, 3 * (c1.x - p0.x), 3 * (c1.y - p0.y), 3 * (p1.x - c2.x), 3 * (p1.y - c2.y));
    }
    b.close();
    CommandPath fa = a, fb = b;
    fa.convertToPolylineBack(1.0f);
    fb.convertToPolylineBack(1.0f);
    PolyGraph ga, gb, out;
    fa.fill(&ga, 0, false, true, false);
    fb.fill(&gb, 1, false, true, false);
    ASSERT_EQ(out.booleanOfSources(ga, engine::kNonZero, gb, engine::kEvenOdd, engine::kUnion), engine::kOk);
    const CommandPath *sources[] = {&fa, &fb};
    CommandPath result;
    out.toCommandPath(result, 2, sources);
    ASSERT_GT(countOf(result, kPathCubicTo), 0);
    EXPECT_LE(worstRebuiltDistance(result, {&a, &b}), 0.25 + 0.03);
}

TEST(Pipelines, RebuiltCurvesStayOnTheirSources)
{
    std::mt19937 rng(4242);
    std::uniform_real_distribution<float> coord(-60.0f, 300.0f);
    for (int round = 0; round < 60; ++round) {
        std::vector<CommandPath> operands(2);
        for (CommandPath &p : operands) {
            const int pieces = 1 + int(rng() % 3);
            p.moveTo(coord(rng), coord(rng));
            for (int k = 0; k < pieces; ++k)
                p.cubicTo(coord(rng), coord(rng), 3 * (coord(rng) - 100), 3 * (coord(rng) - 100),
                          3 * (coord(rng) - 100), 3 * (coord(rng) - 100));
            p.close();
        }
        const int op = int(rng() % 4);
        CommandPath result;
        ASSERT_EQ(booleanOf(operands, op, result), engine::kOk) << round;
        EXPECT_LE(worstRebuiltDistance(result, {&operands[0], &operands[1]}), 0.25 + 0.03)
            << "round " << round << " op " << op;
    }
}

} // namespace
} // namespace scrivane
