// Arc length and nearest point on cubics, each beside a plain sampling peer
// measured in the same run (compare the ratios, not absolute times).

#include "BenchSupport.h"

#include "model/curvefit/ArcLength.h"
#include "model/curvefit/NearestPoint.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

using namespace scrivane;

struct Workload {
    std::vector<CubicPoints> cubics;
    std::vector<Point2> points;
};

// Random cubics in a page-sized area, and for each a point near or on it.
const Workload &workload()
{
    static const Workload w = [] {
        Workload result;
        const long count = bench::size(100000, 100);
        std::mt19937 random(2024);
        std::uniform_real_distribution<float> coordinate(0.0f, 800.0f);
        result.cubics.reserve(std::size_t(count));
        result.points.reserve(std::size_t(count));
        for (long i = 0; i < count; ++i) {
            CubicPoints V;
            for (Point2 &p : V)
                p = Point2(coordinate(random), coordinate(random));
            result.cubics.push_back(V);
            result.points.emplace_back(coordinate(random), coordinate(random));
        }
        return result;
    }();
    return w;
}

Point2 pointAt(const CubicPoints &V, float t)
{
    const float s = 1.0f - t;
    const float b0 = s * s * s, b1 = 3 * s * s * t, b2 = 3 * s * t * t, b3 = t * t * t;
    return {b0 * V[0].x + b1 * V[1].x + b2 * V[2].x + b3 * V[3].x,
            b0 * V[0].y + b1 * V[1].y + b2 * V[2].y + b3 * V[3].y};
}

void BM_ArcLength(benchmark::State &state)
{
    const Workload &w = workload();
    for (auto _ : state) {
        float total = 0;
        for (const CubicPoints &V : w.cubics)
            total += arclen(V, 0.1f); // the tolerance of the path element cache
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * long(w.cubics.size()));
}
BENCHMARK(BM_ArcLength)->Unit(benchmark::kMillisecond);

// Peer: a polyline through 64 evenly spaced parameters.
void BM_ArcLengthPolyline64(benchmark::State &state)
{
    const Workload &w = workload();
    for (auto _ : state) {
        float total = 0;
        for (const CubicPoints &V : w.cubics) {
            Point2 previous = V[0];
            for (int i = 1; i <= 64; ++i) {
                const Point2 p = pointAt(V, float(i) / 64.0f);
                total += std::sqrt((p.x - previous.x) * (p.x - previous.x) +
                                   (p.y - previous.y) * (p.y - previous.y));
                previous = p;
            }
        }
        benchmark::DoNotOptimize(total);
    }
    state.SetItemsProcessed(state.iterations() * long(w.cubics.size()));
}
BENCHMARK(BM_ArcLengthPolyline64)->Unit(benchmark::kMillisecond);

void BM_NearestPoint(benchmark::State &state)
{
    const Workload &w = workload();
    for (auto _ : state) {
        float sum = 0;
        for (std::size_t i = 0; i < w.cubics.size(); ++i)
            sum += NearestPointOnCurve(w.points[i], w.cubics[i]);
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * long(w.cubics.size()));
}
BENCHMARK(BM_NearestPoint)->Unit(benchmark::kMillisecond);

// Peer: the best of 64 evenly spaced parameters (coarser than the root
// finder, which is exact to single precision).
void BM_NearestPointSampled64(benchmark::State &state)
{
    const Workload &w = workload();
    for (auto _ : state) {
        float sum = 0;
        for (std::size_t i = 0; i < w.cubics.size(); ++i) {
            const Point2 P = w.points[i];
            float best = INFINITY, bestT = 0;
            for (int k = 0; k <= 64; ++k) {
                const float t = float(k) / 64.0f;
                const Point2 q = pointAt(w.cubics[i], t);
                const float d = (q.x - P.x) * (q.x - P.x) + (q.y - P.y) * (q.y - P.y);
                if (d < best) {
                    best = d;
                    bestT = t;
                }
            }
            sum += bestT;
        }
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * long(w.cubics.size()));
}
BENCHMARK(BM_NearestPointSampled64)->Unit(benchmark::kMillisecond);

} // namespace
