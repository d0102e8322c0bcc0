// Effects on a graphic: a full redraw of a graphic that carries three
// effects, side by side with the same three filters run by the effects
// engine directly over the same paint drawn once into a buffer (what the
// model adds: drawing the paint where the chain asks for it, the chain's
// rules, the paper clip and the composite into the target).

#include "BenchSupport.h"

#include "model/TDBezierPath.h"
#include "model/TDFillStyle.h"
#include "model/TDFilter.h"
#include "model/TDGradient.h"
#include "model/TDGraphic.h"
#include "model/TDStrokeStyle.h"
#include "platform/GraphicsContext.h"
#include "platform/effects/EffectFilter.h"
#include "platform/effects/EffectImage.h"
#include "platform/effects/EffectRegistry.h"

#include <benchmark/benchmark.h>

#include <QImage>

using namespace scrivane;

namespace {

// A graphic whose own path is given.
class ChainShape : public TDGraphic {
public:
    explicit ChainShape(const PathBase &path) : m_path(std::make_shared<TDBezierPath>(path)) {}
    std::shared_ptr<TDBezierPath> bezierPath() const override { return m_path; }

private:
    std::shared_ptr<TDBezierPath> m_path;
};

struct Scene {
    int width;
    int height;
    Rect box; // the graphic, inside the image with room for the blur
};

Scene scene()
{
    const int width = int(bench::size(1920, 320));
    const int height = int(bench::size(1080, 180));
    return Scene{width, height, Rect(40, 40, float(width - 80), float(height - 80))};
}

// Blur, colour controls and sepia: a spatial filter and two per-pixel ones.
TDFilterArray threeFilters()
{
    auto blur = TDFilter::filterWithName(QStringLiteral("CIGaussianBlur"));
    blur->filter()->setValue(QStringLiteral("inputRadius"), 6.0);
    auto controls = TDFilter::filterWithName(QStringLiteral("CIColorControls"));
    controls->filter()->setValue(QStringLiteral("inputSaturation"), 1.5);
    auto sepia = TDFilter::filterWithName(QStringLiteral("CISepiaTone"));
    sepia->filter()->setValue(QStringLiteral("inputIntensity"), 0.5);
    return {blur, controls, sepia};
}

std::shared_ptr<ChainShape> makeGraphic(const Scene &s)
{
    PathBase path;
    path.appendOvalInRect(s.box);
    auto graphic = std::make_shared<ChainShape>(path);
    graphic->recalculatePath();
    graphic->fillStyle()->setStyle(TDFillStyle::GradientFill);
    graphic->fillStyle()->setGradient(TDGradient::withColors(Color::red(), Color::blue()));
    graphic->setFillTransformation(TDGraphic::transformForBounds(s.box));
    graphic->strokeStyle()->setStrokeWidth(8);
    graphic->setFilterArray(threeFilters());
    graphic->setUsesFilters(true);
    return graphic;
}

void BM_EffectChain(benchmark::State &state)
{
    const Scene s = scene();
    const auto graphic = makeGraphic(s);
    QImage image(s.width, s.height, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::white);
        const auto context = GraphicsContext::forImage(image, true);
        graphic->drawInView(nullptr, *context);
        context->flush();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["pixels"] = double(s.width) * s.height;
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EffectChain)->Unit(benchmark::kMillisecond);

// The peer: the paint drawn into a buffer of the graphic's drawing bounds,
// the three filters chained by hand, the result rendered and painted.
void BM_EffectChainEngineOnly(benchmark::State &state)
{
    const Scene s = scene();
    const auto graphic = makeGraphic(s);
    graphic->setUsesFilters(false);
    const Rect r = graphic->drawingBoundsWithoutEffects();
    const TDFilterArray filters = threeFilters();
    QImage image(s.width, s.height, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        PixelBuffer pixels(int(std::ceil(r.width())), int(std::ceil(r.height())));
        {
            const auto buffer = GraphicsContext::forSurface(pixels.surface(), true);
            buffer->concatCTM(AffineTransform::makeTranslation(-r.minX(), -r.minY()));
            graphic->drawInView(nullptr, *buffer);
            buffer->flush();
        }
        ImageRef current = EffectImage::fromPixels(std::move(pixels));
        for (const auto &filter : filters) {
            filter->filter()->setValue(QStringLiteral("inputImage"), current);
            current = filter->filter()->outputImage();
        }
        const RenderedImage rendered = current->render(current->extent(), 1);
        image.fill(Qt::white);
        const auto context = GraphicsContext::forImage(image, true);
        const EffectRect &p = rendered.placement;
        context->drawImage(
            rendered.pixels.surface(),
            Rect(float(r.minX() + p.x), float(r.minY() + p.y), float(p.width), float(p.height)), Rect(),
            CompositeOperation::SourceOver, 1, ImageOrigin::TopLeft);
        context->flush();
        for (const auto &filter : filters)
            filter->filter()->setValue(QStringLiteral("inputImage"), EffectValue());
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["pixels"] = double(s.width) * s.height;
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EffectChainEngineOnly)->Unit(benchmark::kMillisecond);

} // namespace
