// Agreement with Clipper 1 and GEOS (test oracles only) on random,
// degenerate and lattice inputs: the filled areas of every operation agree
// within what rounding to the 1/32 grid can account for.

#include "EngineTestSupport.h"
#include "GraphInvariants.h"

#include "geometry/EngineCodes.h"

#include <geos_c.h>
#include <gtest/gtest.h>
#include <polyclipping/clipper.hpp>

#include <cmath>
#include <numbers>
#include <random>

namespace scrivane {
namespace {

using test::Contour;

double engineArea(const std::vector<Contour> &ca, const std::vector<Contour> &cb, int op)
{
    PolyGraph work, a, b, out;
    test::fillGraph(work, ca);
    EXPECT_EQ(a.normalize(work, engine::kEvenOdd), engine::kOk);
    test::fillGraph(work, cb);
    EXPECT_EQ(b.normalize(work, engine::kEvenOdd), engine::kOk);
    EXPECT_EQ(out.boolean(&a, &b, op), engine::kOk);
    EXPECT_EQ(test::checkNormalizedGraph(out), "");
    return test::filledArea(out);
}

double clipperArea(const std::vector<Contour> &ca, const std::vector<Contour> &cb, int op)
{
    ClipperLib::Clipper clipper;
    for (const auto *cs : {&ca, &cb}) {
        ClipperLib::Paths paths;
        for (const Contour &c : *cs) {
            ClipperLib::Path path;
            for (const auto &p : c)
                path.emplace_back(std::llround(double(p.first) * 32), std::llround(double(p.second) * 32));
            paths.push_back(path);
        }
        clipper.AddPaths(paths, cs == &ca ? ClipperLib::ptSubject : ClipperLib::ptClip, true);
    }
    const ClipperLib::ClipType types[] = {ClipperLib::ctUnion, ClipperLib::ctIntersection, ClipperLib::ctDifference,
                                          ClipperLib::ctXor, ClipperLib::ctUnion};
    ClipperLib::Paths solution;
    clipper.Execute(types[op], solution, ClipperLib::pftEvenOdd, ClipperLib::pftEvenOdd);
    double area = 0;
    for (const auto &p : solution)
        area += ClipperLib::Area(p);
    return std::fabs(area) / 1024.0;
}

// Simple contours only: GEOS needs valid polygons.
double geosArea(const std::vector<Contour> &ca, const std::vector<Contour> &cb, int op)
{
    GEOSContextHandle_t h = GEOS_init_r();
    GEOSGeometry *operands[2] = {nullptr, nullptr};
    int k = 0;
    for (const auto *cs : {&ca, &cb}) {
        GEOSGeometry *acc = nullptr;
        for (const Contour &c : *cs) {
            GEOSCoordSequence *seq = GEOSCoordSeq_create_r(h, unsigned(c.size() + 1), 2);
            for (std::size_t i = 0; i <= c.size(); ++i)
                GEOSCoordSeq_setXY_r(h, seq, unsigned(i), c[i % c.size()].first, c[i % c.size()].second);
            GEOSGeometry *poly = GEOSGeom_createPolygon_r(h, GEOSGeom_createLinearRing_r(h, seq), nullptr, 0);
            if (!acc) {
                acc = poly;
            } else {
                GEOSGeometry *x = GEOSSymDifference_r(h, acc, poly);
                GEOSGeom_destroy_r(h, acc);
                GEOSGeom_destroy_r(h, poly);
                acc = x;
            }
        }
        operands[k++] = acc;
    }
    GEOSGeometry *r = nullptr;
    switch (op) {
    case engine::kIntersection: r = GEOSIntersection_r(h, operands[0], operands[1]); break;
    case engine::kDifference: r = GEOSDifference_r(h, operands[0], operands[1]); break;
    case engine::kExclusiveOr: r = GEOSSymDifference_r(h, operands[0], operands[1]); break;
    default: r = GEOSUnion_r(h, operands[0], operands[1]); break;
    }
    double area = -1;
    if (r) {
        GEOSArea_r(h, r, &area);
        GEOSGeom_destroy_r(h, r);
    }
    GEOSGeom_destroy_r(h, operands[0]);
    GEOSGeom_destroy_r(h, operands[1]);
    GEOS_finish_r(h);
    return area;
}

double perimeter(const std::vector<Contour> &cs)
{
    double p = 0;
    for (const Contour &c : cs)
        for (std::size_t i = 0; i < c.size(); ++i)
            p += std::hypot(c[i].first - c[(i + 1) % c.size()].first, c[i].second - c[(i + 1) % c.size()].second);
    return p;
}

Contour starShaped(std::mt19937 &rng, float cx, float cy, float r, int n)
{
    std::uniform_real_distribution<float> radius(0.2f * r, r);
    Contour c;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * std::numbers::pi * i / n;
        const float rr = radius(rng);
        c.push_back({float(cx + rr * std::cos(a)), float(cy + rr * std::sin(a))});
    }
    return c;
}

void compareAll(const std::vector<Contour> &ca, const std::vector<Contour> &cb, bool withGeos, const char *what)
{
    // Rounding moves every boundary by at most about a grid step.
    const double tolerance = 1e-9 + (perimeter(ca) + perimeter(cb)) / 32;
    for (int op = 0; op < 5; ++op) {
        const double ours = engineArea(ca, cb, op);
        EXPECT_NEAR(ours, clipperArea(ca, cb, op), tolerance) << what << " op " << op;
        if (withGeos) {
            EXPECT_NEAR(ours, geosArea(ca, cb, op), tolerance) << what << " op " << op;
        }
    }
}

TEST(Oracle, RandomSimpleAndSelfCrossingPolygons)
{
    std::mt19937 rng(99);
    std::uniform_real_distribution<float> u(0, 100);
    for (int round = 0; round < 20; ++round) {
        compareAll({starShaped(rng, 50, 50, 40, 12 + round)}, {starShaped(rng, 60, 45, 40, 9 + round)}, true,
                   "star-shaped");
        Contour a, b;
        for (int i = 0; i < 10 + round; ++i) {
            a.push_back({u(rng), u(rng)});
            b.push_back({u(rng), u(rng)});
        }
        compareAll({a}, {b}, false, "self-crossing");
    }
}

TEST(Oracle, LatticeInputsWithSharedEdgesAndCoincidentVertices)
{
    std::mt19937 rng(5);
    std::uniform_int_distribution<int> cell(0, 5);
    for (int round = 0; round < 30; ++round) {
        std::vector<Contour> ca, cb;
        for (int k = 0; k < 3; ++k) {
            const float x = float(cell(rng)), y = float(cell(rng));
            ca.push_back(test::rect(x, y, x + float(1 + cell(rng) % 3), y + float(1 + cell(rng) % 3)));
            const float x2 = float(cell(rng)), y2 = float(cell(rng));
            cb.push_back(test::rect(x2, y2, x2 + float(1 + cell(rng) % 3), y2 + float(1 + cell(rng) % 3)));
        }
        compareAll(ca, cb, false, "lattice rectangles");
        compareAll({ca[0]}, {cb[0]}, true, "lattice rectangle pair");
    }
    // Checkerboard halves: every edge shared.
    std::vector<Contour> black, white;
    for (int i = 0; i < 6; ++i)
        for (int j = 0; j < 6; ++j)
            ((i + j) % 2 ? white : black).push_back(test::rect(float(i), float(j), float(i + 1), float(j + 1)));
    compareAll(black, white, false, "checkerboard");
}

TEST(Oracle, SelfTouchingContours)
{
    // Two lobes of one contour meeting at a point, and a contour that runs
    // back along part of itself.
    const Contour touching = {{0, 0}, {4, 0}, {4, 4}, {8, 4}, {8, 8}, {4, 8}, {4, 4}, {0, 4}};
    const Contour spur = {{0, 0}, {6, 0}, {6, 6}, {3, 6}, {3, 9}, {3, 6}, {0, 6}};
    compareAll({touching}, {test::rect(2, 2, 6, 6)}, false, "touching lobes");
    compareAll({spur}, {test::rect(1, 1, 5, 8)}, false, "spur");
    compareAll({touching}, {touching}, false, "the same contour twice");
}

} // namespace
} // namespace scrivane
