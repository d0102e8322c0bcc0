// BM_InspectorRefresh: every pane of the inspector refreshed for a
// selection of 10,000 graphics (rectangles with colour fills and lines),
// as after one step of a slider dragged over all of them.  It should stay
// under a frame (16 ms).

#include "BenchSupport.h"

#include "app/TDInspectorController.h"
#include "canvas/TDGraphicView.h"
#include "document/TDDocument.h"
#include "model/TDFillStyle.h"
#include "model/TDLayer.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace scrivane;

namespace {

void BM_InspectorRefresh(benchmark::State &state)
{
    bench::ensureApplication();
    const long count = bench::size(state.range(0), 200);
    auto document = std::make_unique<TDDocument>();
    TDGraphicArray graphics;
    for (long i = 0; i < count; ++i) {
        auto graphic = std::make_shared<TDRectangle>();
        const float x = float(i % 100) * 20, y = float(i / 100) * 20;
        graphic->setTransformation(TDGraphic::transformForBounds(Rect(x, y, 15, 15)));
        graphic->fillStyle()->setStyle(TDFillColor);
        graphic->strokeStyle()->setStrokeWidth(float(1 + i % 3));
        document->layers()[0]->addGraphicVeryQuietly(graphic);
        graphics.push_back(graphic);
    }
    auto view = std::make_unique<TDGraphicView>();
    view->setDocument(document.get());
    view->setSelectionQuietly(graphics);
    TDInspectorController inspector;
    inspector.inspect(view.get());
    for (auto _ : state) {
        inspector.graphicChanged(nullptr);
        inspector.windowDidUpdate();
    }
    state.counters["graphics"] = double(count);
}
BENCHMARK(BM_InspectorRefresh)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
