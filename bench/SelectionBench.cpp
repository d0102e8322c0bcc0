// Selecting on the canvas of a 10,000-graphic document (rectangles with
// colour fills and lines over two layers spread over 1800 × 1800 points):
// the hit list under a point, a rubber band dragged across a quarter of
// the drawing, and a select-tool click (press and release) on a graphic,
// which should be answered within a frame (16 ms).  Peer in the same run:
// a plain scan of the graphics' bounding boxes for the same points, the
// floor under any hit list that looks at every graphic.

#include "BenchSupport.h"

#include "canvas/TDGraphicView.h"
#include "document/TDDocument.h"
#include "model/TDFillStyle.h"
#include "model/TDLayer.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"

#include <QApplication>
#include <QMouseEvent>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>
#include <vector>

using namespace scrivane;

namespace {

std::vector<Rect> makeRects(long count)
{
    std::mt19937 random(41);
    std::uniform_real_distribution<float> pos(-300, 1500), side(5, 80);
    std::vector<Rect> rects;
    rects.reserve(size_t(count));
    for (long i = 0; i < count; ++i)
        rects.emplace_back(pos(random), pos(random), side(random), side(random));
    return rects;
}

struct Scene {
    explicit Scene(long count) : rects(makeRects(count))
    {
        bench::ensureApplication();
        document = std::make_unique<TDDocument>();
        auto second = TDLayer::layerWithName(QStringLiteral("Layer 2"), document.get());
        document->setLayers({document->layers()[0], second});
        // Each layer takes its graphics in one go (adding them one at a
        // time is measured elsewhere).
        TDGraphicArray layers[2];
        for (size_t i = 0; i < rects.size(); ++i) {
            auto graphic = std::make_shared<TDRectangle>();
            graphic->setTransformation(TDGraphic::transformForBounds(rects[i]));
            graphic->fillStyle()->setStyle(TDFillColor);
            graphic->strokeStyle()->setStyle(TDStrokeLine);
            graphic->strokeStyle()->setStrokeWidth(2);
            layers[i % 2].push_back(graphic);
        }
        document->layers()[0]->setGraphicsWithDoc(layers[0]);
        second->setGraphicsWithDoc(layers[1]);
        document->undoManager()->removeAllActions();
        document->undoManager()->setGroupsByEvent(true);
        view = std::make_unique<TDGraphicView>();
        view->setDocument(document.get());
        // Every hit test builds its path once; that belongs to no gesture.
        for (const auto &layer : document->layers())
            for (const auto &graphic : layer->graphics())
                graphic->cachedBezierPath();
    }
    ~Scene() { view->setDocument(nullptr); }

    void mouse(QEvent::Type type, Point at, Qt::MouseButtons buttons)
    {
        const QPointF local = view->widgetPointFromDocument(at);
        QMouseEvent event(type, local, view->mapToGlobal(local), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(view.get(), &event);
    }

    std::vector<Rect> rects;
    std::unique_ptr<TDDocument> document;
    std::unique_ptr<TDGraphicView> view;
};

std::vector<Point> probePoints()
{
    std::mt19937 random(5);
    std::uniform_real_distribution<float> pos(-300, 1580);
    std::vector<Point> points;
    for (int i = 0; i < 64; ++i)
        points.emplace_back(pos(random), pos(random));
    return points;
}

void BM_HitList(benchmark::State &state)
{
    Scene scene(bench::size(10000, 200));
    const std::vector<Point> points = probePoints();
    size_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(scene.view->graphicUnderPoint(points[i++ % points.size()]));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HitList)->Unit(benchmark::kMicrosecond);

// The peer: the topmost bounding box holding the point, nothing more.
void BM_HitList_BoundsScan(benchmark::State &state)
{
    const std::vector<Rect> rects = makeRects(bench::size(10000, 200));
    const std::vector<Point> points = probePoints();
    size_t i = 0;
    for (auto _ : state) {
        const Point p = points[i++ % points.size()];
        long found = -1;
        for (long k = long(rects.size()) - 1; k >= 0; --k)
            if (rects[size_t(k)].contains(p)) {
                found = k;
                break;
            }
        benchmark::DoNotOptimize(found);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_HitList_BoundsScan)->Unit(benchmark::kMicrosecond);

// One band from empty space across a quarter of the drawing, in eight
// drag steps, and its release (one selection change).
void BM_RubberBand(benchmark::State &state)
{
    Scene scene(bench::size(10000, 200));
    const Point start(-400, -400);
    const Point end(600, 600);
    for (auto _ : state) {
        scene.mouse(QEvent::MouseButtonPress, start, Qt::LeftButton);
        for (int step = 1; step <= 8; ++step)
            scene.mouse(QEvent::MouseMove,
                        Point(start.x + (end.x - start.x) * float(step) / 8, start.y + (end.y - start.y) * float(step) / 8),
                        Qt::LeftButton);
        scene.mouse(QEvent::MouseButtonRelease, end, Qt::NoButton);
        state.PauseTiming();
        state.counters["selected"] = double(scene.view->selection().size());
        scene.view->selectGraphics({});
        scene.document->undoManager()->eventHandled();
        scene.document->undoManager()->removeAllActions();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_RubberBand)->Unit(benchmark::kMillisecond);

// A click with the select tool on a graphic, alternately on two graphics,
// so that every press changes the selection.
void BM_SelectPress(benchmark::State &state)
{
    Scene scene(bench::size(10000, 200));
    const Rect &a = scene.rects[scene.rects.size() / 3];
    const Rect &b = scene.rects[scene.rects.size() / 2];
    const Point points[2] = {Point(a.midX(), a.midY()), Point(b.midX(), b.midY())};
    int n = 0;
    for (auto _ : state) {
        const Point p = points[n++ % 2];
        scene.mouse(QEvent::MouseButtonPress, p, Qt::LeftButton);
        scene.mouse(QEvent::MouseButtonRelease, p, Qt::NoButton);
        if (n % 512 == 0) {
            state.PauseTiming();
            scene.document->undoManager()->removeAllActions();
            state.ResumeTiming();
        }
    }
}
BENCHMARK(BM_SelectPress)->Unit(benchmark::kMillisecond);

} // namespace
