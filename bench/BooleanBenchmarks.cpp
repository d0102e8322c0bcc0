// The polygon engine's boolean against Clipper 1 and GEOS on the very same
// inputs.  Every peer starts from the same command paths and does the same
// work to reach a comparable answer:
//  - the engine: flattening with back data, filling the graphs, the boolean
//    of the two unnormalised graphs in one sweep, and the rebuild into
//    commands (BM_BooleanStepwise: each operand normalised first, then the
//    boolean of the normalised graphs);
//  - Clipper (1 and 2 alike): the same flattening, the conversion of the
//    polylines to its int64 coordinates on the same 1/32 grid, Execute
//    with the same fill rule, and the conversion of the result back to
//    float polylines;
//  - GEOS: the same flattening, building the operand geometries (each
//    contour made valid, contours combined by the operand's fill rule), the
//    overlay, and the result's area.

#include "BenchSupport.h"

#include "geometry/CommandPath.h"
#include "geometry/EngineCodes.h"
#include "geometry/PolyGraph.h"

#include <benchmark/benchmark.h>
#include <geos_c.h>
#include <polyclipping/clipper.hpp>
#ifdef SCRIVANE_HAVE_CLIPPER2
#include <clipper2/clipper.h>
#endif

#include <chrono>
#include <cmath>
#include <cstdint>
#include <malloc.h>
#include <numbers>
#include <random>
#include <vector>

namespace scrivane::bench {
namespace {

// Both peers free everything they allocate in every iteration.  With its
// adaptive defaults glibc then gives the top of the heap back to the system
// after some iterations and not after others, depending on the largest
// block freed so far in the process, so that a benchmark's time (page
// faults on fresh memory) depended on which benchmarks had run before it.
// Fixed thresholds, as a long-running program reaches them, make every
// benchmark run in the same regime, for both peers alike.
const bool kSteadyAllocator = [] {
    mallopt(M_MMAP_THRESHOLD, 64 << 20);
    mallopt(M_TRIM_THRESHOLD, 256 << 20);
    return true;
}();

enum ShapeClass { kRandomPolygons, kStars, kCheckerboard, kCircles, kCurves };

struct Input {
    CommandPath a, b;
    int operation = engine::kUnion;
    int fillRule = engine::kEvenOdd;
};

void addPolygon(CommandPath &p, const std::vector<std::pair<float, float>> &pts)
{
    p.moveTo(pts[0].first, pts[0].second);
    for (std::size_t i = 1; i < pts.size(); ++i)
        p.lineTo(pts[i].first, pts[i].second);
    p.close();
}

std::vector<std::pair<float, float>> star(int spikes, float cx, float cy, float outer, float inner, float turn)
{
    std::vector<std::pair<float, float>> pts;
    for (int i = 0; i < 2 * spikes; ++i) {
        const double a = turn + std::numbers::pi * i / spikes;
        const double r = i % 2 ? inner : outer;
        pts.push_back({float(cx + r * std::cos(a)), float(cy + r * std::sin(a))});
    }
    return pts;
}

Input makeInput(ShapeClass shape, int n)
{
    Input in;
    std::mt19937 rng(20240611u + unsigned(n));
    std::uniform_real_distribution<float> u(0.0f, 1000.0f);
    switch (shape) {
    case kRandomPolygons: {
        for (CommandPath *p : {&in.a, &in.b}) {
            std::vector<std::pair<float, float>> pts;
            for (int i = 0; i < n; ++i)
                pts.push_back({u(rng), u(rng)});
            addPolygon(*p, pts);
        }
        in.operation = engine::kIntersection;
        break;
    }
    case kStars:
        addPolygon(in.a, star(n, 500, 500, 480, 120, 0.0f));
        addPolygon(in.b, star(n, 500, 500, 480, 120, float(std::numbers::pi / n * 0.5 + 0.01)));
        in.operation = engine::kIntersection;
        break;
    case kCheckerboard: {
        const float side = 1000.0f / float(n);
        for (int i = 0; i < n; ++i) {
            for (int j = 0; j < n; ++j) {
                const float x = float(i) * side, y = float(j) * side;
                addPolygon((i + j) % 2 ? in.b : in.a, {{x, y}, {x + side, y}, {x + side, y + side}, {x, y + side}});
            }
        }
        in.operation = engine::kUnion;
        break;
    }
    case kCircles: {
        std::uniform_real_distribution<float> radius(20.0f, 60.0f);
        for (int i = 0; i < n; ++i) {
            const float cx = u(rng), cy = u(rng), r = radius(rng);
            std::vector<std::pair<float, float>> pts;
            for (int k = 0; k < 64; ++k) {
                const double a = 2 * std::numbers::pi * k / 64;
                pts.push_back({float(cx + r * std::cos(a)), float(cy + r * std::sin(a))});
            }
            addPolygon(i % 2 ? in.b : in.a, pts);
        }
        in.operation = engine::kUnion;
        in.fillRule = engine::kNonZero;
        break;
    }
    case kCurves: {
        // A long wandering path of cubic curves, and a turned copy of it.
        std::normal_distribution<float> step(0.0f, 40.0f);
        for (int copy = 0; copy < 2; ++copy) {
            CommandPath &p = copy ? in.b : in.a;
            std::mt19937 walk(7u + unsigned(n));
            float x = 500, y = 500;
            const float c = std::cos(0.3f * float(copy)), s = std::sin(0.3f * float(copy));
            auto place = [&](float px, float py) {
                return std::pair<float, float>{500 + c * (px - 500) - s * (py - 500), 500 + s * (px - 500) + c * (py - 500)};
            };
            const auto first = place(x, y);
            p.moveTo(first.first, first.second);
            for (int i = 0; i < n; ++i) {
                x = std::clamp(x + step(walk), 0.0f, 1000.0f);
                y = std::clamp(y + step(walk), 0.0f, 1000.0f);
                const auto e = place(x, y);
                p.cubicTo(e.first, e.second, step(walk) * 3, step(walk) * 3, step(walk) * 3, step(walk) * 3);
            }
            p.close();
        }
        in.operation = engine::kIntersection;
        break;
    }
    }
    return in;
}

// The polylines of a path, flattened as the engine flattens.
std::vector<std::vector<std::pair<float, float>>> polylines(const CommandPath &source)
{
    CommandPath p = source;
    p.convertToPolylineBack(1.0f);
    std::vector<std::vector<std::pair<float, float>>> out;
    for (const PolylinePoint &pt : p.points()) {
        if (pt.kind == kPolylineMoveTo || out.empty())
            out.emplace_back();
        if (pt.kind != kPolylineForced)
            out.back().push_back({pt.x, pt.y});
    }
    return out;
}

// A smoke run stops a benchmark whose single input takes too long.
bool overSmokeLimit(benchmark::State &state, std::chrono::steady_clock::time_point start)
{
    if (!smokeRun())
        return false;
    if (std::chrono::steady_clock::now() - start > std::chrono::seconds(20)) {
        state.SkipWithError("input over the smoke run's time limit");
        return true;
    }
    return false;
}

// Every peer does its work once before the timed iterations.  Otherwise
// the first iteration of a benchmark faults in the heap it needs while a
// peer that runs later in the process finds that heap already grown by
// the benchmarks before it; and when that first iteration outlasts the
// minimum time it is the whole measurement.  One untimed pass puts every
// peer in the same warm state.  A smoke run skips it to stay quick.
template <typename Work>
void warmUp(Work &work)
{
    if (!smokeRun())
        work();
}

int sizeFor(ShapeClass shape, int full)
{
    const int smoke[] = {12, 8, 4, 6, 10};
    return int(size(full, smoke[shape]));
}

// The road the program takes: both operands' raw edges in one sweep.
void BM_Boolean(benchmark::State &state)
{
    const auto shape = ShapeClass(state.range(0));
    const Input in = makeInput(shape, sizeFor(shape, int(state.range(1))));
    auto once = [&in] {
        CommandPath a = in.a, b = in.b, result;
        PolyGraph ga, gb, out;
        a.convertToPolylineBack(1.0f);
        a.fill(&ga, 0, false, true, false);
        b.convertToPolylineBack(1.0f);
        b.fill(&gb, 1, false, true, false);
        const int code = out.booleanOfSources(ga, in.fillRule, gb, in.fillRule, in.operation);
        const CommandPath *sources[] = {&a, &b};
        out.toCommandPath(result, 2, sources);
        benchmark::DoNotOptimize(result.commandCount());
        return code;
    };
    warmUp(once);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (once() != engine::kOk) {
            state.SkipWithError("the engine failed");
            break;
        }
        if (overSmokeLimit(state, start))
            break;
    }
}

// The step-by-step road: each operand normalised on its own, then the
// boolean of the two normalised graphs.
void BM_BooleanStepwise(benchmark::State &state)
{
    const auto shape = ShapeClass(state.range(0));
    const Input in = makeInput(shape, sizeFor(shape, int(state.range(1))));
    auto once = [&in] {
        CommandPath a = in.a, b = in.b, result;
        PolyGraph work, ga, gb, out;
        a.convertToPolylineBack(1.0f);
        a.fill(&work, 0, false, true, false);
        ga.normalize(work, in.fillRule);
        b.convertToPolylineBack(1.0f);
        b.fill(&work, 1, false, true, false);
        gb.normalize(work, in.fillRule);
        const int code = out.boolean(&ga, &gb, in.operation);
        const CommandPath *sources[] = {&a, &b};
        out.toCommandPath(result, 2, sources);
        benchmark::DoNotOptimize(result.commandCount());
        return code;
    };
    warmUp(once);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        if (once() != engine::kOk) {
            state.SkipWithError("the engine failed");
            break;
        }
        if (overSmokeLimit(state, start))
            break;
    }
}

void BM_ClipperBoolean(benchmark::State &state)
{
    const auto shape = ShapeClass(state.range(0));
    const Input in = makeInput(shape, sizeFor(shape, int(state.range(1))));
    const ClipperLib::PolyFillType fill =
        in.fillRule == engine::kNonZero ? ClipperLib::pftNonZero : ClipperLib::pftEvenOdd;
    const ClipperLib::ClipType type = in.operation == engine::kIntersection ? ClipperLib::ctIntersection
        : in.operation == engine::kDifference                              ? ClipperLib::ctDifference
        : in.operation == engine::kExclusiveOr                             ? ClipperLib::ctXor
                                                                           : ClipperLib::ctUnion;
    auto once = [&in, fill, type] {
        ClipperLib::Clipper clipper;
        for (const CommandPath *p : {&in.a, &in.b}) {
            ClipperLib::Paths paths;
            for (const auto &line : polylines(*p)) {
                ClipperLib::Path path;
                path.reserve(line.size());
                for (const auto &pt : line)
                    path.emplace_back(ClipperLib::cInt(std::llround(double(pt.first) * 32)),
                                      ClipperLib::cInt(std::llround(double(pt.second) * 32)));
                paths.push_back(std::move(path));
            }
            clipper.AddPaths(paths, p == &in.a ? ClipperLib::ptSubject : ClipperLib::ptClip, true);
        }
        ClipperLib::Paths solution;
        clipper.Execute(type, solution, fill, fill);
        std::vector<std::vector<std::pair<float, float>>> out;
        for (const auto &path : solution) {
            auto &line = out.emplace_back();
            line.reserve(path.size());
            for (const auto &pt : path)
                line.push_back({float(double(pt.X) / 32), float(double(pt.Y) / 32)});
        }
        benchmark::DoNotOptimize(out.size());
    };
    warmUp(once);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        once();
        if (overSmokeLimit(state, start))
            break;
    }
}

#ifdef SCRIVANE_HAVE_CLIPPER2
void BM_Clipper2Boolean(benchmark::State &state)
{
    const auto shape = ShapeClass(state.range(0));
    const Input in = makeInput(shape, sizeFor(shape, int(state.range(1))));
    const Clipper2Lib::FillRule fill =
        in.fillRule == engine::kNonZero ? Clipper2Lib::FillRule::NonZero : Clipper2Lib::FillRule::EvenOdd;
    const Clipper2Lib::ClipType type = in.operation == engine::kIntersection ? Clipper2Lib::ClipType::Intersection
        : in.operation == engine::kDifference                                ? Clipper2Lib::ClipType::Difference
        : in.operation == engine::kExclusiveOr                               ? Clipper2Lib::ClipType::Xor
                                                                             : Clipper2Lib::ClipType::Union;
    auto once = [&in, fill, type] {
        Clipper2Lib::Clipper64 clipper;
        for (const CommandPath *p : {&in.a, &in.b}) {
            Clipper2Lib::Paths64 paths;
            for (const auto &line : polylines(*p)) {
                Clipper2Lib::Path64 path;
                path.reserve(line.size());
                for (const auto &pt : line)
                    path.emplace_back(std::int64_t(std::llround(double(pt.first) * 32)),
                                      std::int64_t(std::llround(double(pt.second) * 32)));
                paths.push_back(std::move(path));
            }
            if (p == &in.a)
                clipper.AddSubject(paths);
            else
                clipper.AddClip(paths);
        }
        Clipper2Lib::Paths64 solution;
        clipper.Execute(type, fill, solution);
        std::vector<std::vector<std::pair<float, float>>> out;
        for (const auto &path : solution) {
            auto &line = out.emplace_back();
            line.reserve(path.size());
            for (const auto &pt : path)
                line.push_back({float(double(pt.x) / 32), float(double(pt.y) / 32)});
        }
        benchmark::DoNotOptimize(out.size());
    };
    warmUp(once);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        once();
        if (overSmokeLimit(state, start))
            break;
    }
}
#endif

void BM_GeosBoolean(benchmark::State &state)
{
    const auto shape = ShapeClass(state.range(0));
    const Input in = makeInput(shape, sizeFor(shape, int(state.range(1))));
    GEOSContextHandle_t h = GEOS_init_r();
    auto once = [&in, h] {
        GEOSGeometry *operands[2] = {nullptr, nullptr};
        int k = 0;
        for (const CommandPath *p : {&in.a, &in.b}) {
            std::vector<GEOSGeometry *> parts;
            for (const auto &line : polylines(*p)) {
                if (line.size() < 3)
                    continue;
                GEOSCoordSequence *seq = GEOSCoordSeq_create_r(h, unsigned(line.size() + 1), 2);
                for (std::size_t i = 0; i <= line.size(); ++i) {
                    const auto &pt = line[i % line.size()];
                    GEOSCoordSeq_setXY_r(h, seq, unsigned(i), pt.first, pt.second);
                }
                GEOSGeometry *ring = GEOSGeom_createLinearRing_r(h, seq);
                GEOSGeometry *poly = GEOSGeom_createPolygon_r(h, ring, nullptr, 0);
                parts.push_back(GEOSMakeValid_r(h, poly));
                GEOSGeom_destroy_r(h, poly);
            }
            GEOSGeometry *acc = nullptr;
            if (in.fillRule == engine::kNonZero) {
                GEOSGeometry *all = GEOSGeom_createCollection_r(h, GEOS_GEOMETRYCOLLECTION, parts.data(),
                                                                unsigned(parts.size()));
                acc = GEOSUnaryUnion_r(h, all);
                GEOSGeom_destroy_r(h, all);
            } else {
                for (GEOSGeometry *g : parts) {
                    if (!acc) {
                        acc = g;
                        continue;
                    }
                    GEOSGeometry *x = GEOSSymDifference_r(h, acc, g);
                    GEOSGeom_destroy_r(h, acc);
                    GEOSGeom_destroy_r(h, g);
                    acc = x;
                }
            }
            operands[k++] = acc;
        }
        double area = 0;
        if (operands[0] && operands[1]) {
            GEOSGeometry *r = in.operation == engine::kIntersection ? GEOSIntersection_r(h, operands[0], operands[1])
                                                                     : GEOSUnion_r(h, operands[0], operands[1]);
            if (r) {
                GEOSArea_r(h, r, &area);
                GEOSGeom_destroy_r(h, r);
            }
        }
        for (GEOSGeometry *g : operands) {
            if (g)
                GEOSGeom_destroy_r(h, g);
        }
        benchmark::DoNotOptimize(area);
    };
    warmUp(once);
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        once();
        if (overSmokeLimit(state, start))
            break;
    }
    GEOS_finish_r(h);
}

// The sizes of each shape class.  GEOS makes every random polygon valid
// and joins the pieces one by one: at 1,000 random points, 64 × 64 squares
// or 4,000 curves one operation takes minutes, so it runs only the smaller
// sizes, which every peer runs too, so that the ratios stand at each.
void sizes(benchmark::internal::Benchmark *b, bool small)
{
    b->ArgNames({"class", "n"});
    const auto add = [b, small](ShapeClass shape, std::initializer_list<int> all, std::initializer_list<int> large) {
        for (int n : all)
            b->Args({shape, n});
        if (!small)
            for (int n : large)
                b->Args({shape, n});
    };
    add(kRandomPolygons, {100, 150}, {1000});
    add(kStars, {100, 1000}, {});
    add(kCheckerboard, {16, 32}, {64});
    add(kCircles, {100, 1000}, {});
    add(kCurves, {500}, {1000, 4000});
    b->Unit(benchmark::kMillisecond);
}

void shapeArgs(benchmark::internal::Benchmark *b)
{
    sizes(b, false);
}

void smallShapeArgs(benchmark::internal::Benchmark *b)
{
    sizes(b, true);
}

BENCHMARK(BM_Boolean)->Apply(shapeArgs);
BENCHMARK(BM_BooleanStepwise)->Apply(shapeArgs);
BENCHMARK(BM_ClipperBoolean)->Apply(shapeArgs);
#ifdef SCRIVANE_HAVE_CLIPPER2
BENCHMARK(BM_Clipper2Boolean)->Apply(shapeArgs);
#endif
BENCHMARK(BM_GeosBoolean)->Apply(smallShapeArgs);

} // namespace
} // namespace scrivane::bench
