// Thumbnails of a saved drawing of 10,000 graphics (rectangles with colour
// fills and lines over two layers, some with shadows) at 256 pixels, through
// the preview plug-in loaded by path as scrivane-thumbnailer loads it.
// Peer in the same run: the same package opened and rendered at the same
// scale by the document code linked into the program.

#include "BenchSupport.h"

#include "document/TDDocument.h"
#include "model/TDFillStyle.h"
#include "model/TDLayer.h"
#include "model/TDModelArchiving.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"
#include "platform/PluginModule.h"
#include "platform/PluginUUID.h"
#include "platform/PreviewImageRequest.h"

#include <QDir>
#include <QTemporaryDir>
#include <QUrl>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>

using namespace scrivane;

namespace {

constexpr int ThumbnailSize = 256;

long graphicCount()
{
    return bench::size(10000, 100);
}

// The package, saved once per process.
const QString &packagePath()
{
    static QTemporaryDir folder;
    static const QString path = [] {
        TDModelArchiving::registerClasses();
        TDDocument document;
        auto second = TDLayer::layerWithName(QStringLiteral("Layer 2"), &document);
        document.setLayers({document.layers()[0], second});
        std::mt19937 random(5);
        std::uniform_real_distribution<float> pos(0, 1800), side(5, 80), unit(0, 1);
        for (long i = 0; i < graphicCount(); ++i) {
            auto graphic = std::make_shared<TDRectangle>();
            graphic->setTransformation(
                TDGraphic::transformForBounds(Rect(pos(random), pos(random), side(random), side(random))));
            graphic->fillStyle()->setStyle(TDFillColor);
            graphic->fillStyle()->setColor(Color::calibratedRGB(unit(random), unit(random), unit(random)));
            graphic->strokeStyle()->setStyle(TDStrokeLine);
            graphic->strokeStyle()->setStrokeWidth(1 + 4 * unit(random));
            graphic->setHasShadow(i % 7 == 0);
            (i % 2 ? second : document.layers()[0])->addGraphicVeryQuietly(graphic);
        }
        const QString target = QDir(folder.path()).filePath(QStringLiteral("bench.scrivane"));
        return document.saveDocumentTo(target, TDDocument::ScrivaneType) ? target : QString();
    }();
    return path;
}

void BM_Thumbnail(benchmark::State &state)
{
    QString error;
    static const auto module = PluginModule::load(QStringLiteral(SCRIVANE_PREVIEW_PLUGIN), &error);
    if (!module) {
        state.SkipWithError(qPrintable(error));
        return;
    }
    const auto generator = module->createInstance<PreviewGeneratorInterface>(
        "QuickLookGeneratorPluginFactory", PluginUUID::fromString(PreviewGeneratorTypeID),
        PluginUUID::fromString(PreviewGeneratorCallbacksInterfaceID), &error);
    if (!generator || packagePath().isEmpty()) {
        state.SkipWithError("no generator or no package");
        return;
    }
    const QByteArray url = QUrl::fromLocalFile(packagePath()).toString(QUrl::FullyEncoded).toUtf8();
    for (auto _ : state) {
        PreviewImageRequest request(PreviewImageRequest::Mode::Thumbnail, ThumbnailSize);
        generator->GenerateThumbnailForURL(generator.get(), &request, url.constData(),
                                           "com.quelmont.scrivane.scrivane", nullptr, ThumbnailSize, ThumbnailSize);
        if (!request.hasImage())
            state.SkipWithError("no thumbnail");
        benchmark::DoNotOptimize(request.pngData().size());
    }
    state.SetItemsProcessed(state.iterations() * graphicCount());
}
BENCHMARK(BM_Thumbnail)->Unit(benchmark::kMillisecond);

void BM_ThumbnailInProcessPeer(benchmark::State &state)
{
    if (packagePath().isEmpty()) {
        state.SkipWithError("no package");
        return;
    }
    for (auto _ : state) {
        TDDocument document;
        if (!document.readFromFile(packagePath(), TDDocument::ScrivaneType))
            state.SkipWithError("the open failed");
        const TDGraphicArray graphics = document.graphics();
        const Rect bounds = TDDocument::drawingBoundsForGraphics(graphics);
        const float scale = float(ThumbnailSize) / std::max(bounds.width(), bounds.height());
        const QImage image = TDDocument::imageForGraphics(graphics, scale, false, bounds);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * graphicCount());
}
BENCHMARK(BM_ThumbnailInProcessPeer)->Unit(benchmark::kMillisecond);

} // namespace
