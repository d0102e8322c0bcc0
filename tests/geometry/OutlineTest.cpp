// The offset outline of a stroked path and the outline pipeline: the
// contours a straight line and a square give, the caps and joins by their
// areas, and a distance oracle: every point of a round-joined outline lies
// half the width away from the source path.

#include "EngineTestSupport.h"
#include "GraphInvariants.h"

#include "geometry/CommandPath.h"
#include "geometry/EngineCodes.h"
#include "geometry/PathPipelines.h"
#include "geometry/PolyGraph.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>

namespace scrivane {
namespace {

using test::areaOf;
using test::polylinesOf;

CommandPath line(float x0, float y0, float x1, float y1)
{
    CommandPath p;
    p.moveTo(x0, y0);
    p.lineTo(x1, y1);
    return p;
}

CommandPath square(float side)
{
    CommandPath p;
    p.moveTo(0, 0);
    p.lineTo(side, 0);
    p.lineTo(side, side);
    p.lineTo(0, side);
    p.close();
    return p;
}

int countOf(const CommandPath &p, int type)
{
    int n = 0;
    for (const PathCommand &c : p.commands())
        n += c.type() == type;
    return n;
}

TEST(Outline, AButtLineIsOneContourRoundItsTwoSides)
{
    CommandPath source = line(0, 0, 10, 0), out;
    source.outline(out, 1, engine::kJoinMiter, engine::kCapButt, 10);
    const struct {
        int type;
        float x, y;
    } expected[] = {
        {kPathMoveTo, 10, -1}, {kPathLineTo, 0, -1}, {kPathLineTo, 0, 1},
        {kPathLineTo, 10, 1},  {kPathLineTo, 10, -1}, {kPathClose, 0, 0},
    };
    ASSERT_EQ(out.commandCount(), 6);
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(out.command(i).type(), expected[i].type) << i;
        if (expected[i].type != kPathClose) {
            EXPECT_FLOAT_EQ(out.command(i).x, expected[i].x) << i;
            EXPECT_FLOAT_EQ(out.command(i).y, expected[i].y) << i;
        }
    }
    // The sides name the source command they follow (the right side
    // walked backwards); the caps do not.
    EXPECT_EQ(out.command(1).associatedPoint, 1);
    EXPECT_EQ(out.command(1).tStart, 1.0f);
    EXPECT_EQ(out.command(1).tEnd, 0.0f);
    EXPECT_EQ(out.command(2).associatedPoint, -1);
    EXPECT_EQ(out.command(3).associatedPoint, 1);
}

TEST(Outline, CapsOfAStraightLine)
{
    const double round = 20 + std::numbers::pi * 1.0001 * 1.0001;
    const struct {
        const char *name;
        int cap;
        double area;
        float maxX;
    } caps[] = {
        {"butt", engine::kCapButt, 20, 10},
        {"square", engine::kCapSquare, 24, 11},
        {"round", engine::kCapRound, round, 11.0001f},
        {"pointed", engine::kCapPointed, 22, 11},
        {"unknown code", 9, 20, 10},
    };
    for (const auto &c : caps) {
        CommandPath out;
        ASSERT_EQ(outlineOfCommandPath(line(0, 0, 10, 0), 2, engine::kJoinMiter, c.cap, 10, out), engine::kOk) << c.name;
        // Arcs on the grid: their ends move by up to a 45th of a point.
        EXPECT_NEAR(areaOf(out), c.area, 0.1) << c.name;
        float maxX = -1e9f;
        for (const auto &poly : polylinesOf(out))
            for (const auto &pt : poly)
                maxX = std::max(maxX, pt.first);
        EXPECT_NEAR(maxX, c.maxX, 0.04) << c.name;
    }
}

TEST(Outline, JoinsOfAClosedSquare)
{
    // A square of side 10 stroked 2 wide: a ring between the squares of
    // sides 12 and 8, its outer corners by the join.
    const double ring = 12 * 12 - 8 * 8;
    const struct {
        const char *name;
        int join;
        float limit;
        double area;
    } joins[] = {
        {"miter", engine::kJoinMiter, 10, ring},
        {"miter beyond its limit", engine::kJoinMiter, 1.2f, ring - 2},
        {"bevel", engine::kJoinBevel, 10, ring - 2},
        {"round", engine::kJoinRound, 10, ring - (4 - std::numbers::pi)},
    };
    for (const auto &j : joins) {
        CommandPath raw, out;
        CommandPath source = square(10);
        source.outline(raw, 1, j.join, engine::kCapButt, j.limit);
        EXPECT_EQ(countOf(raw, kPathClose), 2) << j.name << ": two closed contours";
        ASSERT_EQ(outlineOfCommandPath(square(10), 2, j.join, engine::kCapButt, j.limit, out), engine::kOk);
        EXPECT_NEAR(areaOf(out), j.area, 0.05) << j.name;
    }
}

TEST(Outline, DegenerateAndRefusedSources)
{
    // A width that is not a positive number is refused outright.
    for (const float width : {0.0f, -2.0f, std::nanf("")}) {
        CommandPath out;
        out.moveTo(1, 1);
        EXPECT_EQ(outlineOfCommandPath(line(0, 0, 10, 0), width, engine::kJoinMiter, engine::kCapButt, 10, out),
                  engine::kBadOperands);
        EXPECT_EQ(out.commandCount(), 0);
    }
    // A single command, or nothing, outlines to nothing.
    for (int commands : {0, 1}) {
        CommandPath source, out;
        if (commands)
            source.moveTo(3, 3);
        EXPECT_EQ(outlineOfCommandPath(source, 2, engine::kJoinMiter, engine::kCapRound, 10, out), engine::kOk);
        EXPECT_EQ(out.commandCount(), 0);
    }
    // A subpath that draws nothing (a dot, a line to its own start) is
    // left out, beside a line that is outlined as usual.
    CommandPath dots;
    dots.moveTo(50, 50);
    dots.lineTo(50, 50);
    dots.moveTo(0, 0);
    dots.lineTo(10, 0);
    dots.lineTo(10, 0);
    CommandPath out;
    ASSERT_EQ(outlineOfCommandPath(dots, 2, engine::kJoinMiter, engine::kCapRound, 10, out), engine::kOk);
    EXPECT_NEAR(areaOf(out), 20 + std::numbers::pi * 1.0001 * 1.0001, 0.1);
    for (const PathCommand &c : out.commands())
        EXPECT_TRUE(std::isfinite(c.x) && std::isfinite(c.y));
    // Two segments in the same direction join without extra points.
    CommandPath straight, raw;
    straight.moveTo(0, 0);
    straight.lineTo(5, 0);
    straight.lineTo(10, 0);
    straight.outline(raw, 1, engine::kJoinRound, engine::kCapButt, 10);
    EXPECT_EQ(raw.commandCount(), 1 + 2 + 1 + 2 + 1 + 1) << "no join points";
}

TEST(Outline, ZeroLengthCommands)
{
    CommandPath p;
    p.moveTo(1, 1);
    p.lineTo(1, 1);
    p.cubicTo(1, 1, 0, 0, 0, 0);
    p.cubicTo(1, 1, 3, 0, 0, 3);
    p.arcTo(1, 1, 5, 5, 0, false, true);
    p.arcTo(1, 1, 5, 5, 0, true, true);
    p.lineTo(2, 1);
    const struct {
        int command;
        bool zero;
    } cases[] = {{1, true}, {2, true}, {3, false}, {4, true}, {5, false}, {6, false}, {0, true}, {99, true}};
    for (const auto &c : cases)
        EXPECT_EQ(isZeroLengthCommand(p, c.command, {1, 1}), c.zero) << c.command;
}

// A thin line is not halved to the full depth on every curve.
TEST(Outline, ThinLinesKeepFewOffsetCurves)
{
    CommandPath source, raw;
    source.moveTo(0, 0);
    for (int i = 0; i < 20; ++i)
        source.cubicTo(float(20 * (i + 1)), float(i % 2 ? 0 : 30), 60, 90, 60, -90);
    source.outline(raw, 0.05f, engine::kJoinRound, engine::kCapButt, 10);
    EXPECT_LT(countOf(raw, kPathCubicTo), 20 * 2 * 16);
}

// A path that turns back on itself all but exactly: one side of the turn
// must still take the round join, or the half disk beyond the turning
// point is left out.  The caps at the start make a whole disk there.  A
// half turn's arc is a little flatter than the circle (its radius is a
// little over the offset), hence the allowances.
TEST(Outline, ATurnBackKeepsItsRoundJoin)
{
    const float offsets[] = {0.0f, 0.005f, -0.005f};
    for (float dy : offsets) {
        CommandPath source;
        source.moveTo(0, 0);
        source.lineTo(100, 0);
        source.lineTo(0, dy);
        CommandPath out;
        ASSERT_EQ(outlineOfCommandPath(source, 30, engine::kJoinRound, engine::kCapRound, 10, out), engine::kOk) << dy;
        EXPECT_NEAR(areaOf(out), 100 * 30 + std::numbers::pi * 15 * 15, 20.0) << dy;
        float maxX = -1e9f;
        for (const auto &poly : polylinesOf(out))
            for (const auto &pt : poly)
                maxX = std::max(maxX, pt.first);
        EXPECT_NEAR(maxX, 115, 0.3) << dy;
    }
}

// Random wandering cubic paths, open and closed: every point of the
// outline's boundary lies half the width from the source.  Wide strokes
// round tight bends are where two offsets around a path would cancel and
// leave holes inside the stroke; caps' half turns rebuilt as arcs, joins
// that turn back, and cusps that peak between samples show up only every
// few dozen paths, hence the count.
TEST(Outline, BoundaryLiesHalfTheWidthFromTheSource)
{
    std::mt19937 rng(31337);
    std::normal_distribution<float> step(0.0f, 25.0f);
    for (int round = 0; round < 300; ++round) {
        CommandPath source;
        float x = 100, y = 100;
        source.moveTo(x, y);
        const int n = 2 + round % 5;
        for (int i = 0; i < n; ++i) {
            x += step(rng);
            y += step(rng);
            if (i % 3 == 2)
                source.lineTo(x, y);
            else
                source.cubicTo(x, y, step(rng) * 2, step(rng) * 2, step(rng) * 2, step(rng) * 2);
        }
        if (round % 4 == 3)
            source.close();
        const float width = round % 3 == 0 ? 1.0f : (round % 3 == 1 ? 6.0f : 30.0f);
        CommandPath out;
        ASSERT_EQ(outlineOfCommandPath(source, width, engine::kJoinRound, engine::kCapRound, 10, out), engine::kOk)
            << round;
        ASSERT_GT(out.commandCount(), 2) << round;
        const auto sourceLines = polylinesOf(source);
        const double w = width / 2;
        // Offset curves within their tolerance, flattening within a
        // quarter point, the grid within a 45th of a point.
        const double allowed = std::clamp(0.0025 * w * w, 0.01, 0.25) + 0.25 + 0.03;
        double worst = 0;
        for (const auto &poly : polylinesOf(out, 0.01f))
            for (const auto &pt : poly)
                worst = std::max(worst, std::fabs(test::distanceToPolylines(sourceLines, pt.first, pt.second) - w));
        EXPECT_LE(worst, allowed) << "round " << round << " width " << width;
    }
}

// A wide stroke that piles up on itself is outlined in pieces and merged:
// the same area as the one sweep of the whole path's offsets, with the
// path's own caps only where it ends and nothing lost where pieces meet.
TEST(Outline, AStrokeThatPilesUpCoversWhatOneSweepCovers)
{
    for (const bool closed : {false, true}) {
        for (const int cap : {engine::kCapButt, engine::kCapSquare, engine::kCapRound}) {
            std::mt19937 rng(77);
            std::normal_distribution<float> step(0.0f, 6.0f);
            CommandPath source;
            float x = 50, y = 50;
            source.moveTo(x, y);
            for (int i = 0; i < 100; ++i) {
                x = std::clamp(x + step(rng), 0.0f, 100.0f);
                y = std::clamp(y + step(rng), 0.0f, 100.0f);
                if (i % 4 == 3)
                    source.lineTo(x, y);
                else
                    source.cubicTo(x, y, step(rng) * 3, step(rng) * 3, step(rng) * 3, step(rng) * 3);
            }
            if (closed)
                source.close();
            const float width = 16;
            CommandPath pieces;
            ASSERT_EQ(outlineOfCommandPath(source, width, engine::kJoinRound, cap, 10, pieces), engine::kOk);

            CommandPath whole = source, offset;
            whole.outline(offset, width / 2, engine::kJoinRound, cap, 10);
            offset.convertToPolylineBack(1.0f);
            PolyGraph work, normalised;
            offset.fill(&work, 0, false, true, false);
            ASSERT_EQ(normalised.normalize(work, engine::kNonZero), engine::kOk);
            CommandPath oneSweep;
            const CommandPath *sources[] = {&offset};
            normalised.toCommandPath(oneSweep, 1, sources);

            const double expected = areaOf(oneSweep);
            ASSERT_GT(expected, 1000.0);
            EXPECT_NEAR(areaOf(pieces), expected, 1e-5 * expected) << "closed " << closed << " cap " << cap;
        }
    }
}

} // namespace
} // namespace scrivane
