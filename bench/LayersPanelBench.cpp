// BM_LayersPanelReload: the layers panel reloaded for a document of 10,000
// graphics in 100 open groups, with the outline laid out again as for the
// next paint.  One reload follows every change of the document or the
// selection, so it should stay under a frame (16 ms).

#include "BenchSupport.h"

#include "app/TDLayerController.h"
#include "app/TDLayerModel.h"
#include "app/TDLayerOutline.h"
#include "canvas/TDGraphicView.h"
#include "document/TDDocument.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "model/TDRectangle.h"

#include <benchmark/benchmark.h>

#include <memory>

using namespace scrivane;

namespace {

void BM_LayersPanelReload(benchmark::State &state)
{
    bench::ensureApplication();
    const long count = bench::size(state.range(0), 200);
    const long groups = std::max(1L, count / 100);
    auto document = std::make_unique<TDDocument>();
    const auto &layer = document->layers()[0];
    for (long g = 0; g < groups; ++g) {
        TDGraphicArray children;
        for (long i = 0; i < count / groups; ++i) {
            auto graphic = std::make_shared<TDRectangle>();
            const float x = float(i) * 20, y = float(g) * 20;
            graphic->setTransformation(TDGraphic::transformForBounds(Rect(x, y, 15, 15)));
            children.push_back(graphic);
        }
        auto group = TDGroup::groupWithGraphics(children);
        group->setExpanded(true);
        layer->addGraphicVeryQuietly(group);
    }
    layer->setExpanded(true);
    auto view = std::make_unique<TDGraphicView>();
    view->setDocument(document.get());
    TDLayerController controller;
    controller.inspect(view.get());
    controller.panel()->resize(260, 600);
    controller.panel()->show();
    for (auto _ : state) {
        controller.reload();
        controller.outline()->doItemsLayout();
    }
    state.counters["rows"] = double(controller.model()->nodeCount());
}
BENCHMARK(BM_LayersPanelReload)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace
