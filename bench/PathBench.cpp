// The path type's hit tests and mapping on large paths.  Peers in the same
// run: the point test as a plain walk over every element (what the element
// bounds spare), and mapping by placing densely sampled points one by one.

#include "BenchSupport.h"

#include "model/TDBezierPath.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

namespace {

using namespace scrivane;

// Rows of waves, like a hatched area: `rows` rows of `perRow` curves, each
// curve 8 points long, rows 8 points apart, amplitude 2.
TDBezierPath hatching(long curves)
{
    const long perRow = 100;
    const long rows = std::max(1L, curves / perRow);
    TDBezierPath path;
    for (long r = 0; r < rows; ++r) {
        const float y = 8.0f * float(r);
        path.moveTo(Point(0, y));
        for (long i = 0; i < perRow; ++i) {
            const float x = 8.0f * float(i);
            const float up = (i % 2) ? -2.0f : 2.0f;
            path.curveTo(Point(x + 8, y), Point(x + 2.7f, y + up * 1.5f), Point(x + 5.3f, y + up * 1.5f));
        }
    }
    return path;
}

struct HitWorkload {
    TDBezierPath path;
    Point hit;  // on the last row: every row before it is passed first
    Point miss; // between the last two rows, where nothing is within reach
};

const HitWorkload &hitWorkload()
{
    static const HitWorkload w = [] {
        HitWorkload result{hatching(bench::size(10000, 300)), Point(), Point()};
        const float lastRow = 8.0f * float(result.path.elementCount() / 101 - 1);
        result.hit = Point(404.0f, lastRow + 1.0f);
        result.miss = Point(404.5f, lastRow - 4.0f);
        return result;
    }();
    return w;
}

// The point test as a walk over every element, without the element bounds.
bool walkEveryElement(const TDBezierPath &path, Point p, float width)
{
    const float reach = width / 2 + 1;
    Point s, nearPoint;
    float t = 0;
    for (const PathBase::Element &e : path.elements()) {
        if (e.type == PathElementType::MoveTo) {
            s = e.points[0];
            continue;
        }
        if (e.type == PathElementType::CurveTo) {
            const Point V[4] = {s, e.points[0], e.points[1], e.points[2]};
            TDBezierPath::curve(V, p, nearPoint, t);
            s = e.points[2];
        } else if (e.type == PathElementType::LineTo) {
            TDBezierPath::line(s, e.points[0], p, nearPoint, t);
            s = e.points[0];
        }
        const float dx = p.x - nearPoint.x, dy = p.y - nearPoint.y;
        if (dx * dx + dy * dy <= reach * reach)
            return true;
    }
    return false;
}

void BM_PathHitTest(benchmark::State &state)
{
    const HitWorkload &w = hitWorkload();
    const bool hit = state.range(0) == 1;
    const Point p = hit ? w.hit : w.miss;
    for (auto _ : state) {
        const bool answer = w.path.intersectsPoint(p, 1.0f, nullptr, nullptr, nullptr);
        if (answer != hit)
            state.SkipWithError("wrong answer");
        benchmark::DoNotOptimize(answer);
    }
    state.SetLabel(hit ? "hit" : "miss");
    state.counters["curves"] = double(w.path.elementCount());
}
BENCHMARK(BM_PathHitTest)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_PathHitTestWalk(benchmark::State &state)
{
    const HitWorkload &w = hitWorkload();
    const bool hit = state.range(0) == 1;
    const Point p = hit ? w.hit : w.miss;
    for (auto _ : state) {
        const bool answer = walkEveryElement(w.path, p, 1.0f);
        if (answer != hit)
            state.SkipWithError("wrong answer");
        benchmark::DoNotOptimize(answer);
    }
    state.SetLabel(hit ? "hit" : "miss");
}
BENCHMARK(BM_PathHitTestWalk)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

void BM_PathRectHit(benchmark::State &state)
{
    const HitWorkload &w = hitWorkload();
    const bool hit = state.range(0) == 1;
    // Across the waves of the last row without holding a node, or between
    // the last two rows.
    const Rect rect = hit ? Rect(w.hit.x - 1, w.hit.y - 5, 2, 8) : Rect(w.miss.x - 2, w.miss.y - 0.5f, 4, 1);
    for (auto _ : state) {
        const bool answer = w.path.intersectsRect(rect);
        if (answer != hit)
            state.SkipWithError("wrong answer");
        benchmark::DoNotOptimize(answer);
    }
    state.SetLabel(hit ? "hit" : "miss");
}
BENCHMARK(BM_PathRectHit)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond);

struct MappingWorkload {
    TDBezierPath shape;
    TDBezierPath target;
};

// A brush-like shape: a closed outline in the unit box whose long sides are
// wavy; and a long smooth target, a rippled spiral of curves joined with
// matching tangents, as freehand strokes are after fitting.  The ripples
// make the mapping subdivide.
const MappingWorkload &mappingWorkload()
{
    static const MappingWorkload w = [] {
        MappingWorkload result;
        const long sideCurves = bench::size(99, 9);
        TDBezierPath &shape = result.shape;
        shape.moveTo(Point(0, -0.3f));
        for (long i = 0; i < sideCurves; ++i) {
            const float x0 = float(i) / float(sideCurves), x1 = float(i + 1) / float(sideCurves);
            const float y = (i % 2) ? -0.5f : -0.3f;
            shape.curveTo(Point(x1, -0.3f), Point(x0 + (x1 - x0) / 3, y), Point(x0 + 2 * (x1 - x0) / 3, y));
        }
        shape.lineTo(Point(1, 0.3f));
        for (long i = sideCurves; i > 0; --i) {
            const float x0 = float(i) / float(sideCurves), x1 = float(i - 1) / float(sideCurves);
            const float y = (i % 2) ? 0.5f : 0.3f;
            shape.curveTo(Point(x1, 0.3f), Point(x0 + (x1 - x0) / 3, y), Point(x0 + 2 * (x1 - x0) / 3, y));
        }
        shape.close();

        const long targetCurves = bench::size(5000, 100);
        const auto at = [&](double u, double &x, double &y, double &dx, double &dy) {
            // Three turns of a spiral from radius 100 to 400 with 150
            // ripples of 6 points along it, u in [0, 1].
            const double k = 300 * std::numbers::pi;
            const double a = 6 * std::numbers::pi * u, r = 100 + 300 * u + 6 * std::sin(k * u);
            const double da = 6 * std::numbers::pi, dr = 300 + 6 * k * std::cos(k * u);
            x = 500 + r * std::cos(a);
            y = 500 + r * std::sin(a);
            dx = dr * std::cos(a) - r * da * std::sin(a);
            dy = dr * std::sin(a) + r * da * std::cos(a);
        };
        double x, y, dx, dy;
        at(0, x, y, dx, dy);
        result.target.moveTo(Point(float(x), float(y)));
        for (long i = 0; i < targetCurves; ++i) {
            const double u0 = double(i) / double(targetCurves), u1 = double(i + 1) / double(targetCurves);
            const double h = (u1 - u0) / 3;
            double x0, y0, dx0, dy0, x1, y1, dx1, dy1;
            at(u0, x0, y0, dx0, dy0);
            at(u1, x1, y1, dx1, dy1);
            result.target.curveTo(Point(float(x1), float(y1)),
                                  Point(float(x0 + h * dx0), float(y0 + h * dy0)),
                                  Point(float(x1 - h * dx1), float(y1 - h * dy1)));
        }
        return result;
    }();
    return w;
}

void BM_PathMapping(benchmark::State &state)
{
    const MappingWorkload &w = mappingWorkload();
    TDBezierPath target = w.target;
    long elements = 0;
    for (auto _ : state) {
        const TDBezierPath mapped = w.shape.mappedToPath(target, 20);
        elements = mapped.elementCount();
        benchmark::DoNotOptimize(elements);
    }
    state.counters["shape"] = double(w.shape.elementCount());
    state.counters["target"] = double(w.target.elementCount());
    state.counters["result"] = double(elements);
}
BENCHMARK(BM_PathMapping)->Unit(benchmark::kMillisecond);

// Peer: the shape's outline placed point by point, 20 points per element.
void BM_PathMappingPointwise(benchmark::State &state)
{
    const MappingWorkload &w = mappingWorkload();
    TDBezierPath target = w.target;
    target.setLineWidth(20);
    for (auto _ : state) {
        float sum = 0;
        Point s;
        for (const PathBase::Element &e : w.shape.elements()) {
            if (e.type != PathElementType::CurveTo) {
                s = e.points[0];
                continue;
            }
            const Point V[4] = {s, e.points[0], e.points[1], e.points[2]};
            for (int k = 1; k <= 20; ++k) {
                const Point q = TDPointOnCurve(V, float(k) / 20);
                sum += target.transformedCoordinate(q).x;
            }
            s = e.points[2];
        }
        benchmark::DoNotOptimize(sum);
    }
}
BENCHMARK(BM_PathMappingPointwise)->Unit(benchmark::kMillisecond);

} // namespace
