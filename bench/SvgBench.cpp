// SVG export and SVG path data.
//
// BM_SvgExport writes the 10,000-graphic drawing of the package benchmarks
// as SVG (into memory).  Its peer, BM_XmlWriteEquivalent, has pugixml build
// a tree of exactly the same elements and attributes (copied from the
// export, read once beforehand) and write it: what a writer of the same
// document with a fast XML library costs, without looking at the drawing.
//
// BM_SvgPathParse reads 1 MB of path data (every command, absolute and
// relative, with implicit repeats and arcs); bytes per second are reported.

#include "BenchSupport.h"
#include "PackageDocument.h"

#include "document/TDDocument.h"
#include "platform/SvgPathData.h"

#include <benchmark/benchmark.h>
#include <pugixml.hpp>

#include <random>
#include <string>

using namespace scrivane;

namespace {

void BM_SvgExport(benchmark::State &state)
{
    const auto document = bench::makeDocument(bench::makeShapes(bench::graphicCount()));
    std::size_t bytes = 0;
    for (auto _ : state) {
        const QByteArray svg = document->SVGRepresentationFromSelection(false);
        bytes = std::size_t(svg.size());
        benchmark::DoNotOptimize(svg.constData());
    }
    state.SetItemsProcessed(state.iterations() * bench::graphicCount());
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_SvgExport)->Unit(benchmark::kMillisecond);

struct StringWriter : pugi::xml_writer {
    std::string text;
    void write(const void *data, size_t size) override { text.append(static_cast<const char *>(data), size); }
};

void BM_XmlWriteEquivalent(benchmark::State &state)
{
    const auto document = bench::makeDocument(bench::makeShapes(bench::graphicCount()));
    const QByteArray svg = document->SVGRepresentationFromSelection(false);
    pugi::xml_document reference;
    if (!reference.load_buffer(svg.constData(), std::size_t(svg.size()))) {
        state.SkipWithError("the export did not parse");
        return;
    }
    std::size_t bytes = 0;
    for (auto _ : state) {
        pugi::xml_document tree;
        for (pugi::xml_node node : reference.children())
            tree.append_copy(node);
        StringWriter writer;
        tree.save(writer, " ", pugi::format_default, pugi::encoding_utf8);
        bytes = writer.text.size();
        benchmark::DoNotOptimize(writer.text.data());
    }
    state.SetItemsProcessed(state.iterations() * bench::graphicCount());
    state.counters["bytes"] = double(bytes);
}
BENCHMARK(BM_XmlWriteEquivalent)->Unit(benchmark::kMillisecond);

// Path data of about `size` bytes, as drawings and icon sets write it.
std::string makePathData(std::size_t size)
{
    std::mt19937 random(27);
    std::uniform_real_distribution<float> coordinate(-500, 500);
    std::uniform_int_distribution<int> kind(0, 9);
    const auto number = [&] { return std::to_string(int(coordinate(random) * 100) / 100.0).substr(0, 7); };
    std::string data = "M 10 10";
    while (data.size() < size) {
        switch (kind(random)) {
        case 0: data += " L " + number() + " " + number() + " " + number() + "," + number(); break;
        case 1: data += " l" + number() + "," + number(); break;
        case 2: data += " C " + number() + " " + number() + " " + number() + " " + number() + " " + number() + " " + number(); break;
        case 3: data += " c" + number() + " " + number() + " " + number() + " " + number() + " " + number() + " " + number(); break;
        case 4: data += " S " + number() + " " + number() + " " + number() + " " + number(); break;
        case 5: data += " Q " + number() + " " + number() + " " + number() + " " + number(); break;
        case 6: data += " t" + number() + " " + number(); break;
        case 7: data += " H " + number() + " v " + number(); break;
        case 8: data += " a 25 15 30 0 1 " + number() + " " + number(); break;
        default: data += " Z m " + number() + " " + number(); break;
        }
    }
    return data;
}

void BM_SvgPathParse(benchmark::State &state)
{
    const std::string data = makePathData(std::size_t(bench::size(1 << 20, 4096)));
    int elements = 0;
    for (auto _ : state) {
        QString error;
        const PathBase path = SvgPathData::pathFromSVGData(std::string_view(data), &error);
        if (!error.isEmpty())
            state.SkipWithError("the path data did not read");
        elements = path.elementCount();
        benchmark::DoNotOptimize(path.elements().data());
    }
    state.SetBytesProcessed(state.iterations() * std::int64_t(data.size()));
    state.counters["elements"] = elements;
}
BENCHMARK(BM_SvgPathParse)->Unit(benchmark::kMillisecond);

} // namespace
