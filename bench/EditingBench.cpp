// Drawing and editing paths as the canvas does it at every pointer event:
// a freehand stroke of 1,000 and 5,000 pointer positions, each taken and
// shown as the stroke grows (the cost per position should not grow with
// the stroke: compare the items per second of the two sizes), and one step
// of dragging a node of a 10,000-element path (the budget is a frame, 16 ms).

#include "BenchSupport.h"

#include "model/TDBezierGraphic.h"
#include "model/TDBezierPath.h"
#include "model/TDFreehandStroke.h"

#include <benchmark/benchmark.h>

#include <cmath>

using namespace scrivane;

namespace {

Point strokePoint(long i)
{
    return Point(float(i % 1000) * 1.5f, float(200 + 80 * std::sin(double(i) * 0.05) + double(i / 1000) * 40));
}

void BM_FreehandStroke(benchmark::State &state)
{
    const long samples = bench::size(state.range(0), 200);
    for (auto _ : state) {
        auto graphic = std::make_shared<TDBezierGraphic>();
        TDFreehandStroke stroke(strokePoint(0), 1, true);
        graphic->beginStroke(true);
        for (long i = 1; i < samples; ++i) {
            if (stroke.addPoint(strokePoint(i), 0.5f))
                graphic->showStroke(stroke);
        }
        benchmark::DoNotOptimize(stroke.bounds());
    }
    state.SetItemsProcessed(state.iterations() * samples);
}
BENCHMARK(BM_FreehandStroke)->Arg(1000)->Arg(5000)->Unit(benchmark::kMicrosecond);

void BM_NodeDrag(benchmark::State &state)
{
    const long elements = bench::size(10000, 500);
    TDBezierPath path;
    path.moveTo(Point(0, 0));
    for (long i = 1; i < elements; ++i) {
        const float x = float(i);
        if (i % 2)
            path.lineTo(Point(x, float(i % 7) * 10));
        else
            path.curveTo(Point(x, float(i % 5) * 10), Point(x - 0.6f, 0), Point(x - 0.3f, 20));
    }
    auto graphic = TDBezierGraphic::graphicWithBezierPath(path);
    graphic->recalculatePath();
    const QList<int> nodes{int(elements / 2)};
    graphic->startManipulation();
    float dx = 0;
    for (auto _ : state) {
        dx += 0.5f;
        graphic->transformNodes(nodes, AffineTransform::makeTranslation(dx, dx / 2));
        benchmark::DoNotOptimize(graphic->cachedBezierPath());
    }
    graphic->stopManipulation();
}
BENCHMARK(BM_NodeDrag)->Unit(benchmark::kMillisecond);

} // namespace
