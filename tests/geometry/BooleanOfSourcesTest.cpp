// The boolean of two unnormalised sources in one sweep against the
// step-by-step road (each operand normalised, then the boolean of the two
// normalised graphs): the same drawing wherever no crossing needs rounding,
// the same filled set up to rounding everywhere else, and the same answers
// for empty, open and unusable operands.

#include "EngineTestSupport.h"
#include "GraphInvariants.h"

#include "geometry/CommandPath.h"
#include "geometry/EngineCodes.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>

namespace scrivane {
namespace {

using test::Contour;
using test::fillGraph;
using test::rect;

struct Roads {
    PolyGraph fused, stepwise;
    int fusedCode = -1, stepwiseCode = -1;
};

void bothRoads(Roads &r, const std::vector<Contour> &ca, int ruleA, const std::vector<Contour> &cb, int ruleB, int op)
{
    PolyGraph a, b;
    fillGraph(a, ca);
    fillGraph(b, cb);
    r.fusedCode = r.fused.booleanOfSources(a, ruleA, b, ruleB, op);
    PolyGraph na, nb;
    na.normalize(a, ruleA);
    nb.normalize(b, ruleB);
    r.stepwiseCode = r.stepwise.boolean(&na, &nb, op);
}

bool insideBy(int rule, int winding)
{
    return rule == engine::kEvenOdd ? winding % 2 != 0 : winding != 0;
}

bool expectedInside(int op, bool a, bool b)
{
    switch (op) {
    case engine::kIntersection: return a && b;
    case engine::kDifference: return a && !b;
    case engine::kExclusiveOr: return a != b;
    default: return a || b;
    }
}

Contour reversed(Contour c)
{
    std::reverse(c.begin(), c.end());
    return c;
}

// Closed lattice figures whose sides run along the axes or the diagonals:
// all their crossings lie on the grid, so neither road rounds anything.
Contour latticeFigure(std::mt19937 &rng)
{
    std::uniform_int_distribution<int> at(0, 6), size(1, 3), kind(0, 3);
    const float x = float(at(rng)), y = float(at(rng)), k = float(size(rng));
    Contour c;
    switch (kind(rng)) {
    case 0: c = rect(x, y, x + k, y + float(size(rng))); break;
    case 1: c = {{x, y - k}, {x + k, y}, {x, y + k}, {x - k, y}}; break;
    case 2: c = {{x, y}, {x + k, y}, {x, y + k}}; break;
    default:
        // A bow tie: its two halves turn opposite ways and cross in the middle.
        c = {{x, y}, {x + 2 * k, y + 2 * k}, {x + 2 * k, y}, {x, y + 2 * k}};
        break;
    }
    if (rng() % 2)
        std::reverse(c.begin(), c.end());
    return c;
}

TEST(BooleanOfSources, LatticeFiguresDrawTheSameEdgesAsTheStepwiseRoad)
{
    std::mt19937 rng(2024);
    for (int round = 0; round < 150; ++round) {
        std::vector<Contour> ca, cb;
        const int na = 1 + int(rng() % 4), nb = 1 + int(rng() % 4);
        for (int k = 0; k < na; ++k)
            ca.push_back(latticeFigure(rng));
        for (int k = 0; k < nb; ++k)
            cb.push_back(latticeFigure(rng));
        // Shared edges and coincident contours, the same way or reversed.
        if (round % 5 == 0)
            cb.push_back(ca[0]);
        if (round % 7 == 0)
            cb.push_back(reversed(ca[0]));
        const int ruleA = round % 2, ruleB = (round / 2) % 2;
        for (int op = engine::kUnion; op <= engine::kCut; ++op) {
            Roads r;
            bothRoads(r, ca, ruleA, cb, ruleB, op);
            ASSERT_EQ(r.fusedCode, engine::kOk) << round << " op " << op;
            ASSERT_EQ(r.stepwiseCode, engine::kOk) << round << " op " << op;
            ASSERT_EQ(test::checkNormalizedGraph(r.fused), "") << round << " op " << op;
            EXPECT_TRUE(r.fused.normalized());
            ASSERT_EQ(test::compareDrawings(r.fused, r.stepwise), "") << round << " op " << op;
        }
    }
}

TEST(BooleanOfSources, DegenerateContoursDrawTheSameEdgesAsTheStepwiseRoad)
{
    const Contour spur = {{0, 0}, {6, 0}, {6, 6}, {3, 6}, {3, 9}, {3, 6}, {0, 6}};
    const Contour touching = {{0, 0}, {4, 0}, {4, 4}, {8, 4}, {8, 8}, {4, 8}, {4, 4}, {0, 4}};
    const Contour flat = {{0, 2}, {5, 2}, {2, 2}};
    const Contour twiceRound = {{0, 0}, {4, 0}, {4, 4}, {0, 4}, {0, 0}, {4, 0}, {4, 4}, {0, 4}};
    const struct Case {
        const char *what;
        std::vector<Contour> a, b;
    } cases[] = {
        {"spur", {spur}, {rect(1, 1, 5, 8)}},
        {"touching lobes", {touching}, {rect(2, 2, 6, 6)}},
        {"the same contour twice", {touching}, {touching}},
        {"a flat contour", {flat, rect(1, 1, 3, 3)}, {rect(2, 0, 4, 4)}},
        {"a contour that runs round twice", {twiceRound}, {rect(2, 2, 6, 6)}},
        {"opposite copies", {rect(0, 0, 4, 4), reversed(rect(0, 0, 4, 4))}, {rect(2, 2, 6, 6)}},
        {"nested squares", {rect(0, 0, 8, 8), rect(2, 2, 6, 6)}, {rect(1, 1, 3, 9)}},
    };
    for (const Case &c : cases) {
        for (int rules = 0; rules < 4; ++rules) {
            for (int op = engine::kUnion; op <= engine::kCut; ++op) {
                Roads r;
                bothRoads(r, c.a, rules & 1, c.b, rules >> 1, op);
                ASSERT_EQ(r.fusedCode, engine::kOk) << c.what;
                ASSERT_EQ(test::checkNormalizedGraph(r.fused), "") << c.what << " op " << op;
                EXPECT_EQ(test::compareDrawings(r.fused, r.stepwise), "") << c.what << " rules " << rules << " op " << op;
            }
        }
    }
}

// Fine coordinates and self-crossing contours: the crossings are rounded
// once on the one road and twice on the other, so the edges differ within
// the rounding; the filled sets agree away from the source edges.
TEST(BooleanOfSources, RandomSourcesFillTheSameSetAsTheStepwiseRoad)
{
    std::mt19937 rng(777);
    std::uniform_real_distribution<float> coord(0.0f, 40.0f);
    std::uniform_real_distribution<double> pick(-1.0, 41.0);
    for (int round = 0; round < 60; ++round) {
        std::vector<Contour> ca, cb;
        for (auto *cs : {&ca, &cb}) {
            const int contours = 1 + int(rng() % 3);
            for (int k = 0; k < contours; ++k) {
                Contour c;
                const int n = 3 + int(rng() % (round < 40 ? 8 : 20));
                for (int i = 0; i < n; ++i)
                    c.push_back({coord(rng), coord(rng)});
                cs->push_back(c);
            }
        }
        PolyGraph ga, gb;
        fillGraph(ga, ca);
        fillGraph(gb, cb);
        const auto sa = test::segmentsOf(ga), sb = test::segmentsOf(gb);
        double perimeter = 0;
        for (const auto *segs : {&sa, &sb})
            for (const test::Segment2 &s : *segs)
                perimeter += std::hypot(s.bx - s.ax, s.by - s.ay);
        const int ruleA = round % 2, ruleB = (round / 2) % 2;
        for (int op = engine::kUnion; op <= engine::kCut; ++op) {
            Roads r;
            bothRoads(r, ca, ruleA, cb, ruleB, op);
            ASSERT_EQ(r.fusedCode, engine::kOk) << round;
            ASSERT_EQ(test::checkNormalizedGraph(r.fused), "") << round << " op " << op;
            // Every rounding moves a boundary by at most half a grid diagonal.
            EXPECT_NEAR(test::filledArea(r.fused), test::filledArea(r.stepwise), perimeter / 32) << round << " op " << op;
            const auto fused = test::segmentsOf(r.fused), stepwise = test::segmentsOf(r.stepwise);
            for (int s = 0; s < 60; ++s) {
                const double x = pick(rng), y = pick(rng);
                if (test::distanceToSegments(sa, x, y) < 0.1 || test::distanceToSegments(sb, x, y) < 0.1)
                    continue;
                const bool expected = expectedInside(op, insideBy(ruleA, test::windingNumber(sa, x, y)),
                                                     insideBy(ruleB, test::windingNumber(sb, x, y)));
                ASSERT_EQ(test::windingNumber(fused, x, y) != 0, expected)
                    << round << " op " << op << " at " << x << "," << y;
                ASSERT_EQ(test::windingNumber(stepwise, x, y) != 0, expected)
                    << round << " op " << op << " at " << x << "," << y;
            }
        }
    }
}

TEST(BooleanOfSources, EachOperandIsReadUnderItsOwnRule)
{
    // Two squares wound the same way overlap in a square of winding 2:
    // filled under non-zero, a hole under even-odd.
    const std::vector<Contour> doubled = {rect(0, 0, 4, 4), rect(2, 2, 6, 6)};
    const std::vector<Contour> strip = {rect(-1, 2.5f, 7, 3.5f)};
    const struct Case {
        int ruleA, ruleB, op;
        double area;
    } cases[] = {
        {engine::kNonZero, engine::kEvenOdd, engine::kUnion, 28 + 2},
        {engine::kEvenOdd, engine::kEvenOdd, engine::kUnion, 24 + 2 + 2},
        {engine::kNonZero, engine::kEvenOdd, engine::kIntersection, 6},
        {engine::kEvenOdd, engine::kNonZero, engine::kIntersection, 4},
        {engine::kEvenOdd, engine::kNonZero, engine::kDifference, 20},
        {engine::kNonZero, engine::kNonZero, engine::kExclusiveOr, 28 + 8 - 2 * 6},
    };
    for (const Case &c : cases) {
        PolyGraph a, b, out;
        fillGraph(a, doubled);
        fillGraph(b, strip);
        ASSERT_EQ(out.booleanOfSources(a, c.ruleA, b, c.ruleB, c.op), engine::kOk);
        EXPECT_EQ(test::checkNormalizedGraph(out), "");
        EXPECT_DOUBLE_EQ(test::filledArea(out), c.area) << c.ruleA << c.ruleB << " op " << c.op;
    }
}

TEST(BooleanOfSources, EmptyAndOpenOperandsCountAsEmptySets)
{
    PolyGraph square, tiny, open;
    fillGraph(square, {rect(0, 0, 2, 2)});
    tiny.addPoint(0, 0);
    open.addPoint(0, 0);
    open.addPoint(1, 0);
    open.addPoint(1, 1);
    open.addEdge(0, 1);
    open.addEdge(1, 2);
    PolyGraph normalised;
    ASSERT_EQ(normalised.normalize(square, engine::kEvenOdd), engine::kOk);
    const struct Case {
        int op;
        bool emptyFirst;
        double area;
    } cases[] = {
        {engine::kUnion, false, 4}, {engine::kUnion, true, 4}, {engine::kIntersection, false, 0},
        {engine::kDifference, false, 4}, {engine::kDifference, true, 0}, {engine::kExclusiveOr, true, 4},
        {engine::kCut, false, 4},
    };
    for (PolyGraph *empty : {&tiny, &open}) {
        const int expectedCode = empty == &open ? engine::kBadOperands : engine::kOk;
        for (const Case &c : cases) {
            PolyGraph out;
            const int code = c.emptyFirst ? out.booleanOfSources(*empty, engine::kEvenOdd, square, engine::kEvenOdd, c.op)
                                          : out.booleanOfSources(square, engine::kEvenOdd, *empty, engine::kEvenOdd, c.op);
            EXPECT_EQ(code, expectedCode) << c.op;
            EXPECT_DOUBLE_EQ(test::filledArea(out), c.area) << c.op << " " << c.emptyFirst;
            if (c.area > 0) {
                EXPECT_EQ(test::compareDrawings(out, normalised), "");
            }
        }
    }
    // A coordinate beyond the grid arithmetic's reach makes an operand
    // unusable as well.
    PolyGraph far;
    fillGraph(far, {rect(0, 0, 1e7f, 1)});
    PolyGraph out;
    EXPECT_EQ(out.booleanOfSources(square, engine::kEvenOdd, far, engine::kEvenOdd, engine::kUnion),
              engine::kBadOperands);
    EXPECT_DOUBLE_EQ(test::filledArea(out), 4);
}

TEST(BooleanOfSources, RefusesTheSameGraphTwiceOrAsDestination)
{
    PolyGraph a, b, out;
    fillGraph(a, {rect(0, 0, 2, 2)});
    fillGraph(b, {rect(1, 1, 3, 3)});
    out.addPoint(7, 7);
    EXPECT_EQ(out.booleanOfSources(a, 0, a, 0, engine::kUnion), engine::kBadOperands);
    EXPECT_EQ(out.booleanOfSources(out, 0, b, 0, engine::kUnion), engine::kBadOperands);
    EXPECT_EQ(out.booleanOfSources(a, 0, out, 0, engine::kUnion), engine::kBadOperands);
    EXPECT_EQ(out.booleanOfSources(a, 0, b, 0, 5), engine::kBadOperands);
    EXPECT_EQ(out.booleanOfSources(a, 0, b, 0, -1), engine::kBadOperands);
    EXPECT_EQ(out.pointCount(), 1) << "the destination stays untouched";
    EXPECT_EQ(a.edgeCount(), 4);
}

TEST(BooleanOfSources, TooManyCrossingsLeaveAnEmptyResult)
{
    // Two combs whose teeth cross each other many times.
    Contour ca, cb;
    for (int i = 0; i < 20; ++i) {
        ca.push_back({float(i), 0});
        ca.push_back({float(i) + 0.5f, 20});
        cb.push_back({0, float(i)});
        cb.push_back({20, float(i) + 0.5f});
    }
    PolyGraph a, b, out;
    fillGraph(a, {ca});
    fillGraph(b, {cb});
    out.setCrossingLimit(50);
    EXPECT_EQ(out.booleanOfSources(a, engine::kEvenOdd, b, engine::kEvenOdd, engine::kUnion), engine::kTooComplex);
    EXPECT_EQ(out.edgeCount(), 0);
    out.setCrossingLimit(PolyGraph::kDefaultCrossingLimit);
    EXPECT_EQ(out.booleanOfSources(a, engine::kEvenOdd, b, engine::kEvenOdd, engine::kUnion), engine::kOk);
    EXPECT_EQ(test::checkNormalizedGraph(out), "");
}

CommandPath circle(float cx, float cy, float r)
{
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

// The road of the boolean commands: the back data of both sources carry
// through, so that the rebuild gives the curves back.
TEST(BooleanOfSources, BackDataOfBothSourcesRebuildCurves)
{
    CommandPath pa = circle(0, 0, 40), pb = circle(30, 0, 40);
    pa.convertToPolylineBack(1.0f);
    pb.convertToPolylineBack(1.0f);
    PolyGraph a, b, fused, na, nb, stepwise;
    pa.fill(&a, 0, false, true, false);
    pb.fill(&b, 1, false, true, false);
    for (int op = engine::kUnion; op <= engine::kExclusiveOr; ++op) {
        ASSERT_EQ(fused.booleanOfSources(a, engine::kEvenOdd, b, engine::kEvenOdd, op), engine::kOk);
        ASSERT_TRUE(fused.hasFlag(PolyGraph::kHasBackData));
        ASSERT_EQ(test::checkNormalizedGraph(fused), "");
        na.normalize(a, engine::kEvenOdd);
        nb.normalize(b, engine::kEvenOdd);
        ASSERT_EQ(stepwise.boolean(&na, &nb, op), engine::kOk);
        const CommandPath *sources[] = {&pa, &pb};
        CommandPath fromFused, fromStepwise;
        fused.toCommandPath(fromFused, 2, sources);
        stepwise.toCommandPath(fromStepwise, 2, sources);
        int cubicsFused = 0, cubicsStepwise = 0;
        for (const PathCommand &c : fromFused.commands())
            cubicsFused += c.type() == kPathCubicTo;
        for (const PathCommand &c : fromStepwise.commands())
            cubicsStepwise += c.type() == kPathCubicTo;
        EXPECT_GT(cubicsFused, 0) << op;
        EXPECT_EQ(cubicsFused, cubicsStepwise) << op;
        EXPECT_NEAR(test::filledArea(fused), test::filledArea(stepwise), 1.0) << op;
    }
}

} // namespace
} // namespace scrivane

namespace scrivane {
namespace {

// Points of a result that one edge enters and one leaves, both pieces of
// the same source segment: the edge merely passes through them.
int passingPoints(const PolyGraph &g)
{
    std::vector<int> in(std::size_t(g.pointCount()), -1), out(std::size_t(g.pointCount()), -1);
    for (int e = 0; e < g.edgeCount(); ++e) {
        in[std::size_t(g.edge(e).end)] = e;
        out[std::size_t(g.edge(e).start)] = e;
    }
    int passing = 0;
    for (int p = 0; p < g.pointCount(); ++p) {
        const GraphPoint &pt = g.point(p);
        if (pt.inDegree != 1 || pt.outDegree != 1)
            continue;
        const BackData &a = g.backData(in[std::size_t(p)]), &b = g.backData(out[std::size_t(p)]);
        passing += a.pathId == b.pathId && a.piece == b.piece && a.rangeStart == b.rangeStart
            && a.rangeEnd == b.rangeEnd;
    }
    return passing;
}

// Rounding put a point wherever dropped segments crossed near a kept one;
// the result keeps no such point, whichever road it takes, so both roads
// give results of about the same size.
TEST(BooleanOfSources, ResultsCarryNoPointsTheyOnlyPassThrough)
{
    std::mt19937 rng(31);
    std::uniform_real_distribution<float> coord(0.0f, 1000.0f);
    for (int round = 0; round < 3; ++round) {
        CommandPath pa, pb;
        for (CommandPath *p : {&pa, &pb}) {
            p->moveTo(coord(rng), coord(rng));
            for (int i = 1; i < 40; ++i)
                p->lineTo(coord(rng), coord(rng));
            p->close();
            p->convertToPolylineBack(1.0f);
        }
        PolyGraph a, b;
        pa.fill(&a, 0, false, true, false);
        pb.fill(&b, 1, false, true, false);
        for (int rule : {engine::kEvenOdd, engine::kNonZero}) {
            for (int op : {engine::kUnion, engine::kIntersection}) {
                PolyGraph fused, na, nb, stepwise;
                ASSERT_EQ(fused.booleanOfSources(a, rule, b, rule, op), engine::kOk);
                na.normalize(a, rule);
                nb.normalize(b, rule);
                ASSERT_EQ(stepwise.boolean(&na, &nb, op), engine::kOk);
                EXPECT_EQ(passingPoints(fused), 0) << round << " rule " << rule << " op " << op;
                EXPECT_EQ(passingPoints(na), 0) << round << " rule " << rule;
                EXPECT_LE(fused.edgeCount(), stepwise.edgeCount() * 102 / 100 + 4)
                    << round << " rule " << rule << " op " << op;
            }
        }
    }
}

} // namespace
} // namespace scrivane
