// BM_EffectsPaneRebuild: the effects pane rebuilt for a graphic whose chain
// holds 20 effects (blurs, colour adjustments, distortions with positions,
// a transform, the plug-in's shadow), as when the selection moves between
// two such graphics: every view made with its rows, the old ones deleted.

#include "BenchSupport.h"

#include "app/CIController.h"
#include "app/TDEffectsPane.h"
#include "model/TDFilter.h"
#include "model/TDGraphic.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>

#include <memory>

using namespace scrivane;

namespace {

TDGraphicPtr graphicWithChain(long count)
{
    static const char *const names[] = {"CIGaussianBlur", "CIHueAdjust",       "CITwirlDistortion",
                                        "CIColorControls", "CIAffineTransform", "CIColorMonochrome",
                                        "CIMotionBlur",   "CIPerspectiveTransform"};
    auto graphic = std::make_shared<TDGraphic>();
    TDFilterArray chain;
    for (long i = 0; i < count; ++i)
        if (auto effect = TDFilter::filterWithName(QString::fromLatin1(names[i % std::size(names)])))
            chain.push_back(effect);
    graphic->setFilterArray(chain);
    return graphic;
}

void BM_EffectsPaneRebuild(benchmark::State &state)
{
    bench::ensureApplication();
    const long count = state.range(0);
    TDEffectsPane pane;
    pane.resize(260, 600);
    CIController controller(&pane, nullptr);
    const TDGraphicPtr graphics[] = {graphicWithChain(count), graphicWithChain(count)};
    int next = 0;
    for (auto _ : state) {
        controller.setGraphic(graphics[next]);
        next = 1 - next;
        // What the event loop does next: the old views deleted, the new
        // ones laid out.
        QCoreApplication::sendPostedEvents();
    }
    state.counters["effects"] = double(controller.filterViewArray().size());
}
BENCHMARK(BM_EffectsPaneRebuild)->Arg(20)->Unit(benchmark::kMillisecond);

} // namespace
