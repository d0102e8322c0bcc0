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

// The pipeline of the boolean commands: flatten with back data, fill,
// normalise each operand even-odd, fold the boolean, rebuild.
CommandPath booleanOf(std::vector<CommandPath> paths, int op)
{
    PolyGraph work, operand, graphs[2];
    PolyGraph *acc = &graphs[0], *result = &graphs[1];
    paths[0].convertToPolylineBack(1.0f);
    paths[0].fill(&work, 0, false, true, false);
    EXPECT_EQ(acc->normalize(work, engine::kEvenOdd), engine::kOk);
    for (std::size_t i = 1; i < paths.size(); ++i) {
        paths[i].convertToPolylineBack(1.0f);
        paths[i].fill(&work, int(i), false, true, false);
        EXPECT_EQ(operand.normalize(work, engine::kEvenOdd), engine::kOk);
        EXPECT_EQ(result->boolean(acc, &operand, op), engine::kOk);
        EXPECT_EQ(test::checkNormalizedGraph(*result), "");
        std::swap(acc, result);
    }
    std::vector<const CommandPath *> sources;
    for (const CommandPath &p : paths)
        sources.push_back(&p);
    CommandPath out;
    acc->toCommandPath(out, int(sources.size()), sources.data());
    return out;
}

CommandPath circle(float cx, float cy, float r)
{
    // Four cubics in Hermite form.
    const float k = r * 0.5523f * 3;
    CommandPath p;
    p.moveTo(cx + r, cy);
    p.cubicTo(cx, cy + r, 0, k, -k, 0);
    p.cubicTo(cx - r, cy, -k, 0, 0, -k);
    p.cubicTo(cx, cy - r, 0, -k, k, 0);
    p.cubicTo(cx + r, cy, k, 0, 0, k);
    p.close();
    return p;
}

int countKind(const CommandPath &p, int kind)
{
    int n = 0;
    for (const PathCommand &c : p.commands())
        n += c.type() == kind ? 1 : 0;
    return n;
}

TEST(ToCommands, TooSmallOrUnbalancedGraphsLeaveTheDestinationAlone)
{
    CommandPath dest;
    dest.moveTo(9, 9);
    PolyGraph g;
    g.addPoint(0, 0);
    g.addPoint(1, 0);
    g.addEdge(0, 1);
    g.toCommandPath(dest, 0, nullptr);
    EXPECT_EQ(dest.commandCount(), 1);
    g.addPoint(1, 1);
    g.addEdge(1, 2);
    g.toCommandPath(dest, 0, nullptr);
    EXPECT_EQ(dest.commandCount(), 1);
}

TEST(ToCommands, SquareSidesMergeBackIntoOneLineEach)
{
    // A square overlapped on one side by a thin bar: the union's sides are
    // cut into several edges, but each side comes back as one line, with a
    // forced point where a junction remains.
    const CommandPath out =
        booleanOf({test::pathOf({test::rect(0, 0, 10, 10)}), test::pathOf({test::rect(3, -2, 4, 12)})}, engine::kUnion);
    EXPECT_EQ(countKind(out, kPathMoveTo), 1);
    EXPECT_EQ(countKind(out, kPathClose), 1);
    EXPECT_EQ(countKind(out, kPathLineTo), 12);
    const CommandPath single = booleanOf({test::pathOf({test::rect(0, 0, 10, 10)}), test::pathOf({test::rect(20, 0, 30, 10)})},
                                         engine::kUnion);
    EXPECT_EQ(countKind(single, kPathLineTo), 8);
    EXPECT_EQ(countKind(single, kPathMoveTo), 2);
}

TEST(ToCommands, SquaresTouchingAtACornerBecomeTwoContours)
{
    const CommandPath out = booleanOf(
        {test::pathOf({test::rect(0, 0, 2, 2)}), test::pathOf({test::rect(2, 2, 4, 4)})}, engine::kUnion);
    EXPECT_EQ(countKind(out, kPathMoveTo), 2);
    EXPECT_EQ(countKind(out, kPathClose), 2);
}

TEST(ToCommands, CurvesCutByABooleanComeBackAsCurves)
{
    const CommandPath out = booleanOf({circle(0, 0, 50), circle(40, 0, 50)}, engine::kUnion);
    EXPECT_GE(countKind(out, kPathCubicTo), 4);
    EXPECT_LE(countKind(out, kPathCubicTo), 10);
    EXPECT_EQ(countKind(out, kPathLineTo), 0);
    // Every rebuilt cubic stays on the circles it came from.
    EnginePoint current{0, 0};
    for (int i = 0; i < out.commandCount(); ++i) {
        const PathCommand &c = out.command(i);
        if (c.type() == kPathCubicTo) {
            for (float t : {0.25f, 0.5f, 0.75f}) {
                const CurveSample s = tangentOnCubicAt(t, current, c.point(), c.startTangent(), c.endTangent(), false);
                const double d = std::min(std::fabs(std::hypot(s.point.x, s.point.y) - 50),
                                          std::fabs(std::hypot(s.point.x - 40, s.point.y) - 50));
                EXPECT_LT(d, 0.6) << i << " " << t;
            }
        }
        if (c.type() != kPathClose && c.type() != kPathForcedPoint)
            current = c.point();
    }
}

TEST(ToCommands, ArcsKeepTheirKindAndFlags)
{
    CommandPath ring;
    ring.moveTo(10, 0);
    ring.arcTo(-10, 0, 10, 10, 0, false, false);
    ring.arcTo(10, 0, 10, 10, 0, false, false);
    ring.close();
    const CommandPath out = booleanOf({ring, test::pathOf({test::rect(-20, -20, 0, 20)})}, engine::kDifference);
    EXPECT_GE(countKind(out, kPathArcTo), 1);
    for (const PathCommand &c : out.commands()) {
        if (c.type() == kPathArcTo) {
            EXPECT_EQ(c.radiusX, 10.0f);
        }
    }
}

TEST(ToCommands, EdgesWithoutUsableBackDataBecomeLines)
{
    PolyGraph g, n;
    test::fillGraph(g, {test::rect(0, 0, 3, 3)});
    g.makeBackData(true);
    for (int e = 0; e < g.edgeCount(); ++e)
        g.backData(e) = {e == 0 ? 7 : 0, e == 1 ? 99 : 1, 0, 1};
    CommandPath source = test::pathOf({test::rect(0, 0, 3, 3)});
    const CommandPath *sources[] = {&source};
    CommandPath out;
    g.toCommandPath(out, 1, sources);
    EXPECT_EQ(countKind(out, kPathLineTo), 4);
    CommandPath plain;
    PolyGraph bare;
    test::fillGraph(bare, {test::rect(0, 0, 3, 3)});
    bare.toCommandPath(plain, 0, nullptr);
    // Without back data the walk starts at the first edge's end; the close
    // draws that edge.
    EXPECT_EQ(countKind(plain, kPathLineTo), 3);
    EXPECT_EQ(countKind(plain, kPathClose), 1);
}

} // namespace
} // namespace scrivane
