// The engine's stroke outline, curve re-fitting and the canvas's Add.
//
// BM_Outline: the filled outline of a wandering open path of cubics with
// round joins and caps, from the commands to the rebuilt commands (curves
// come back as curves), normalised.  Peers in the same run, from the very
// same path flattened as the engine flattens it:
//  - BM_ClipperOffset: Clipper 1's offset of the polyline (round joins and
//    ends, arcs within the same quarter point, the overlaps merged), and
//    the conversion of its result back to float polylines;
//  - BM_GeosBuffer: GEOS's buffer of the line string with round joins and
//    caps, its quarter circles in as many pieces as keep within a quarter
//    point, and the result's area.
// BM_Refit: re-fitting freehand-like random walks of many short lines.
// BM_BooleanCommand: Add of 1,000 selected graphics of a 10,000-graphic
// document, end to end: outlines to commands, the engine, the result into
// the first graphic, the others removed, the selection and undo.

#include "BenchSupport.h"

#include "canvas/TDGraphicView.h"
#include "document/TDDocument.h"
#include "geometry/CommandPath.h"
#include "geometry/EngineCodes.h"
#include "geometry/PathPipelines.h"
#include "model/TDFillStyle.h"
#include "model/TDLayer.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"

#include <benchmark/benchmark.h>
#include <geos_c.h>
#include <polyclipping/clipper.hpp>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace scrivane::bench {
namespace {

// A wandering open path of cubics over a 1000-point square.
CommandPath wanderingPath(int cubics)
{
    std::mt19937 walk(99u + unsigned(cubics));
    std::normal_distribution<float> step(0.0f, 12.0f);
    CommandPath p;
    float x = 500, y = 500;
    p.moveTo(x, y);
    for (int i = 0; i < cubics; ++i) {
        x = std::clamp(x + step(walk), 0.0f, 1000.0f);
        y = std::clamp(y + step(walk), 0.0f, 1000.0f);
        p.cubicTo(x, y, step(walk) * 3, step(walk) * 3, step(walk) * 3, step(walk) * 3);
    }
    return p;
}

std::vector<std::pair<float, float>> flattened(const CommandPath &source)
{
    CommandPath p = source;
    p.convertToPolylineBack(1.0f);
    std::vector<std::pair<float, float>> line;
    line.reserve(std::size_t(p.pointCount()));
    for (const PolylinePoint &pt : p.points())
        if (pt.kind != kPolylineForced)
            line.push_back({pt.x, pt.y});
    return line;
}

int cubicsFor(benchmark::State &state)
{
    return int(size(state.range(0), 60));
}

float widthOf(benchmark::State &state)
{
    return float(state.range(1)) / 10;
}

void BM_Outline(benchmark::State &state)
{
    const CommandPath source = wanderingPath(cubicsFor(state));
    const float width = widthOf(state);
    for (auto _ : state) {
        CommandPath result;
        if (outlineOfCommandPath(source, width, engine::kJoinRound, engine::kCapRound, 10, result) != engine::kOk) {
            state.SkipWithError("the engine refused");
            break;
        }
        benchmark::DoNotOptimize(result.commandCount());
    }
}

void BM_ClipperOffset(benchmark::State &state)
{
    const CommandPath source = wanderingPath(cubicsFor(state));
    const float width = widthOf(state);
    for (auto _ : state) {
        ClipperLib::Path path;
        for (const auto &pt : flattened(source))
            path.emplace_back(ClipperLib::cInt(std::llround(double(pt.first) * 32)),
                              ClipperLib::cInt(std::llround(double(pt.second) * 32)));
        // Arcs within a quarter point, in grid units.
        ClipperLib::ClipperOffset offset(2.0, 0.25 * 32);
        offset.AddPath(path, ClipperLib::jtRound, ClipperLib::etOpenRound);
        ClipperLib::Paths solution;
        offset.Execute(solution, double(width) / 2 * 32);
        std::vector<std::vector<std::pair<float, float>>> out;
        for (const auto &p : solution) {
            auto &line = out.emplace_back();
            line.reserve(p.size());
            for (const auto &pt : p)
                line.push_back({float(double(pt.X) / 32), float(double(pt.Y) / 32)});
        }
        benchmark::DoNotOptimize(out.size());
    }
}

void BM_GeosBuffer(benchmark::State &state)
{
    const CommandPath source = wanderingPath(cubicsFor(state));
    const float width = widthOf(state);
    const double w = double(width) / 2;
    // Pieces per quarter circle so that each stays within a quarter point.
    const double step = w > 0.25 ? 2 * std::acos(1 - 0.25 / w) : std::numbers::pi / 2;
    const int quadrantSegments = std::max(1, int(std::ceil(std::numbers::pi / 2 / step)));
    GEOSContextHandle_t h = GEOS_init_r();
    for (auto _ : state) {
        const auto line = flattened(source);
        GEOSCoordSequence *seq = GEOSCoordSeq_create_r(h, unsigned(line.size()), 2);
        for (std::size_t i = 0; i < line.size(); ++i)
            GEOSCoordSeq_setXY_r(h, seq, unsigned(i), line[i].first, line[i].second);
        GEOSGeometry *string = GEOSGeom_createLineString_r(h, seq);
        GEOSGeometry *buffer =
            GEOSBufferWithStyle_r(h, string, w, quadrantSegments, GEOSBUF_CAP_ROUND, GEOSBUF_JOIN_ROUND, 10);
        double area = 0;
        if (buffer) {
            GEOSArea_r(h, buffer, &area);
            GEOSGeom_destroy_r(h, buffer);
        }
        GEOSGeom_destroy_r(h, string);
        benchmark::DoNotOptimize(area);
    }
    GEOS_finish_r(h);
}

void outlineArgs(benchmark::internal::Benchmark *b)
{
    b->ArgNames({"cubics", "width10"});
    for (int n : {1000, 10000})
        for (int width10 : {5, 50, 500})
            b->Args({n, width10});
    b->Unit(benchmark::kMillisecond);
}

BENCHMARK(BM_Outline)->Apply(outlineArgs);
BENCHMARK(BM_ClipperOffset)->Apply(outlineArgs);
BENCHMARK(BM_GeosBuffer)->Apply(outlineArgs);

// A freehand-like walk of short lines that turn a little at every point.
CommandPath randomWalk(long points)
{
    std::mt19937 rng(5u + unsigned(points));
    std::normal_distribution<float> turn(0.0f, 0.3f);
    CommandPath p;
    float x = 0, y = 0, angle = 0;
    p.moveTo(x, y);
    for (long i = 1; i < points; ++i) {
        angle += turn(rng);
        x += 2 * std::cos(angle);
        y += 2 * std::sin(angle);
        p.lineTo(x, y);
    }
    return p;
}

void BM_Refit(benchmark::State &state)
{
    const CommandPath walk = randomWalk(size(state.range(0), 500));
    for (auto _ : state) {
        CommandPath path = walk;
        path.coalesce(1.0f);
        benchmark::DoNotOptimize(path.commandCount());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Refit)->ArgName("points")->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

// 10,000 rectangles; the 1,000 to add overlap their neighbours in a row.
void BM_BooleanCommand(benchmark::State &state)
{
    bench::ensureApplication();
    const long total = size(10000, 400), selected = size(1000, 40);
    std::mt19937 random(3);
    std::uniform_real_distribution<float> pos(0, 1800), side(5, 60);
    for (auto _ : state) {
        state.PauseTiming();
        auto document = std::make_unique<TDDocument>();
        const auto layer = document->layers()[0];
        TDGraphicArray chosen;
        for (long i = 0; i < total; ++i) {
            auto graphic = std::make_shared<TDRectangle>();
            const bool inRow = i % (total / selected) == 0 && long(chosen.size()) < selected;
            const Rect rect = inRow ? Rect(float(chosen.size()) * 1.5f, 0, 3, 20) : Rect(pos(random), pos(random), side(random), side(random));
            graphic->setTransformation(TDGraphic::transformForBounds(rect));
            graphic->fillStyle()->setStyle(TDFillColor);
            graphic->strokeStyle()->setStyle(TDStrokeLine);
            layer->addGraphicVeryQuietly(graphic);
            if (inRow)
                chosen.push_back(graphic);
        }
        document->undoManager()->removeAllActions();
        auto view = std::make_unique<TDGraphicView>();
        view->setDocument(document.get());
        view->selectGraphics(chosen);
        document->undoManager()->eventHandled();
        document->undoManager()->removeAllActions();
        state.ResumeTiming();

        view->boolAdd();
        document->undoManager()->eventHandled();

        state.PauseTiming();
        if (view->selection().size() != 1 || !document->undoManager()->canUndo())
            state.SkipWithError("Add did not give one graphic in one step");
        view->setDocument(nullptr);
        view.reset();
        document.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_BooleanCommand)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace
} // namespace scrivane::bench
