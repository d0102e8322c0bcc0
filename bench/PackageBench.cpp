// The document package: saving and opening a drawing of 10,000 graphics
// (rectangles with colour fills, lines, some with shadows and opacity, one
// in ten inside a group, over two layers).  Peers in the same run: librsvg
// loading an SVG document that holds the same shapes with the same paints
// from memory into its own tree, pugixml parsing that SVG file (a parse
// that builds nothing), and building the same graphics in memory without
// reading anything.  The open and librsvg's load report how far each
// raises the process's peak memory ("peak_MiB"); the save reports the size
// of the package's "data" file beside that of the SVG text.

#include "BenchSupport.h"
#include "PackageDocument.h"

#include "document/TDDocument.h"
#include "model/TDFillStyle.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "model/TDModelArchiving.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"
#include "platform/Numbers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#ifdef SCRIVANE_HAVE_RSVG
#include <librsvg/rsvg.h>
#endif

#include <random>

using namespace scrivane;

namespace {

using bench::Shape;
using bench::makeDocument;
using bench::makeRectangle;
using bench::makeShapes;

QString hex(const Color &c)
{
    return QStringLiteral("#%1%2%3")
        .arg(int(c.redComponent() * 255), 2, 16, QLatin1Char('0'))
        .arg(int(c.greenComponent() * 255), 2, 16, QLatin1Char('0'))
        .arg(int(c.blueComponent() * 255), 2, 16, QLatin1Char('0'));
}

// The same shapes as SVG: one rect element per graphic with its paints,
// names and effects as attributes, groups as g elements, layers as g.
QByteArray makeSvg(const std::vector<Shape> &shapes)
{
    QString svg =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"1900\" height=\"1900\">\n"
                       "<defs><filter id=\"shadow\"><feGaussianBlur stdDeviation=\"3\"/></filter></defs>\n");
    auto element = [](const Shape &s, size_t i) {
        QString e =
            QStringLiteral("<rect id=\"Rect %1\" x=\"%2\" y=\"%3\" width=\"%4\" height=\"%5\" fill=\"%6\" "
                           "stroke=\"%7\" stroke-width=\"%8\"")
                .arg(i + 1)
                .arg(Numbers::formatFixed(s.rect.minX(), 2), Numbers::formatFixed(s.rect.minY(), 2),
                     Numbers::formatFixed(s.rect.width(), 2), Numbers::formatFixed(s.rect.height(), 2),
                     hex(s.fill), hex(s.line), Numbers::formatFixed(s.width, 2));
        if (s.alpha < 1)
            e += QStringLiteral(" opacity=\"%1\"").arg(Numbers::formatFixed(s.alpha, 2));
        if (s.shadow)
            e += QStringLiteral(" filter=\"url(#shadow)\"");
        return e + QStringLiteral("/>\n");
    };
    std::map<int, QString> groups;
    QString layers[2];
    for (size_t i = 0; i < shapes.size(); ++i) {
        if (shapes[i].group >= 0)
            groups[shapes[i].group] += element(shapes[i], i);
        else
            layers[i % 2] += element(shapes[i], i);
    }
    for (auto &[index, members] : groups)
        layers[0] += QStringLiteral("<g>\n") + members + QStringLiteral("</g>\n");
    svg += QStringLiteral("<g id=\"Layer 1\">\n") + layers[0] + QStringLiteral("</g>\n");
    svg += QStringLiteral("<g id=\"Layer 2\">\n") + layers[1] + QStringLiteral("</g>\n</svg>\n");
    return svg.toUtf8();
}

using bench::graphicCount;

void BM_PackageSave(benchmark::State &state)
{
    const auto shapes = makeShapes(graphicCount());
    const auto document = makeDocument(shapes);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("bench.scrivane"));
    for (auto _ : state) {
        if (!document->saveDocumentTo(path, TDDocument::ScrivaneType))
            state.SkipWithError("the save failed");
    }
    state.SetItemsProcessed(state.iterations() * graphicCount());
    const double data = double(QFileInfo(QDir(path).filePath(QStringLiteral("data"))).size());
    const double svg = double(makeSvg(shapes).size());
    state.counters["data_bytes"] = data;
    state.counters["svg_bytes"] = svg;
    state.counters["data_per_svg"] = data / svg;
}
BENCHMARK(BM_PackageSave)->Unit(benchmark::kMillisecond);

// Also at 40,000 graphics, the peer of adding as many one by one.
void BM_PackageOpen(benchmark::State &state)
{
    const long count = bench::size(state.range(0), 100);
    const auto document = makeDocument(makeShapes(count));
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("bench.scrivane"));
    if (!document->saveDocumentTo(path, TDDocument::ScrivaneType)) {
        state.SkipWithError("the save failed");
        return;
    }
    bool opened = true;
    const double peak = bench::peakMemoryGrowthMiB([&] {
        TDDocument once;
        opened = once.readFromFile(path, TDDocument::ScrivaneType);
    });
    if (!opened) {
        state.SkipWithError("the open failed");
        return;
    }
    for (auto _ : state) {
        TDDocument opened;
        if (!opened.readFromFile(path, TDDocument::ScrivaneType))
            state.SkipWithError("the open failed");
        benchmark::DoNotOptimize(opened.layers().data());
    }
    state.SetItemsProcessed(state.iterations() * count);
    state.counters["peak_MiB"] = peak;
}
BENCHMARK(BM_PackageOpen)->Arg(10000)->Arg(40000)->Unit(benchmark::kMillisecond);

#ifdef SCRIVANE_HAVE_RSVG
void BM_RsvgLoadEquivalent(benchmark::State &state)
{
    const QByteArray svg = makeSvg(makeShapes(graphicCount()));
    const auto load = [&svg]() -> bool {
        GError *error = nullptr;
        RsvgHandle *handle =
            rsvg_handle_new_from_data(reinterpret_cast<const guint8 *>(svg.constData()), gsize(svg.size()), &error);
        g_clear_error(&error);
        if (!handle)
            return false;
        benchmark::DoNotOptimize(handle);
        g_object_unref(handle);
        return true;
    };
    bool loaded = true;
    const double peak = bench::peakMemoryGrowthMiB([&] { loaded = load(); });
    if (!loaded) {
        state.SkipWithError("librsvg did not load the document");
        return;
    }
    for (auto _ : state) {
        if (!load())
            state.SkipWithError("librsvg did not load the document");
    }
    state.SetItemsProcessed(state.iterations() * graphicCount());
    state.counters["peak_MiB"] = peak;
}
BENCHMARK(BM_RsvgLoadEquivalent)->Unit(benchmark::kMillisecond);
#endif

void BM_XmlParseEquivalent(benchmark::State &state)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("bench.svg"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(makeSvg(makeShapes(graphicCount()))) < 0) {
        state.SkipWithError("the SVG could not be written");
        return;
    }
    file.close();
    const QByteArray native = QFile::encodeName(path);
    for (auto _ : state) {
        pugi::xml_document svg;
        if (!svg.load_file(native.constData()))
            state.SkipWithError("the SVG did not parse");
        benchmark::DoNotOptimize(svg.first_child());
    }
    state.SetItemsProcessed(state.iterations() * graphicCount());
}
BENCHMARK(BM_XmlParseEquivalent)->Unit(benchmark::kMillisecond);

// The least any loader of these graphics has to do, whatever its file
// format: make each rectangle with its fill and stroke set from already
// known values, then free them again.  Nothing is read or looked up.
// Its peak memory is what the graphics themselves take: the floor of any
// open's.
void BM_ModelBuildEquivalent(benchmark::State &state)
{
    const auto shapes = makeShapes(graphicCount());
    const double peak = bench::peakMemoryGrowthMiB([&] {
        TDGraphicArray graphics;
        for (size_t i = 0; i < shapes.size(); ++i)
            graphics.push_back(makeRectangle(shapes[i], i));
    });
    state.counters["peak_MiB"] = peak;
    for (auto _ : state) {
        TDGraphicArray graphics;
        graphics.reserve(shapes.size());
        for (size_t i = 0; i < shapes.size(); ++i)
            graphics.push_back(makeRectangle(shapes[i], i));
        benchmark::DoNotOptimize(graphics.data());
    }
    state.SetItemsProcessed(state.iterations() * graphicCount());
}
BENCHMARK(BM_ModelBuildEquivalent)->Unit(benchmark::kMillisecond);

} // namespace
