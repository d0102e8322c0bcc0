// Importing drawings of other programs.
//
// BM_PdfImport turns one PDF page of 100,000 path operators (filled and
// stroked paths of lines and curves, colours changing) into editable
// graphics; its peer in the same run, BM_PopplerRenderEquivalent, has
// poppler read the same page and rasterise it at 72 pixels per inch.  The
// goal: importing no slower than poppler rasterising.
//
// BM_DxfOpen reads a DXF drawing of 100,000 LINE and ARC entities on ten
// layers into a new document.

#include "BenchSupport.h"

#include "document/TDDXFImport.h"
#include "document/TDDocument.h"
#include "document/TDPdfImporter.h"
#include "model/TDGraphic.h"

#include "document/TDQpdf.h"

#include <cairo.h>
#include <poppler.h>

#include <benchmark/benchmark.h>

#include <random>
#include <sstream>

using namespace scrivane;

namespace {

long pathOperators()
{
    return bench::size(100000, 500);
}

// Paths of five operators each: a move, a line, a curve, a close and a
// fill or a stroke; a new colour every tenth path.
const QByteArray &pageWithPaths()
{
    static const QByteArray pdf = [] {
        std::mt19937 random(7);
        std::uniform_real_distribution<double> x(0, 612);
        std::uniform_real_distribution<double> y(0, 792);
        std::uniform_real_distribution<double> unit(0, 1);
        std::ostringstream content;
        content.precision(5);
        const long paths = pathOperators() / 5;
        for (long i = 0; i < paths; ++i) {
            if (i % 10 == 0)
                content << unit(random) << ' ' << unit(random) << ' ' << unit(random) << (i % 20 == 0 ? " rg\n" : " RG\n");
            const double px = x(random);
            const double py = y(random);
            content << px << ' ' << py << " m " << px + 20 << ' ' << py + 5 << " l " << px + 30 << ' ' << py + 30
                    << ' ' << px + 10 << ' ' << py + 40 << ' ' << px << ' ' << py + 20 << " c h "
                    << (i % 2 == 0 ? "f\n" : "S\n");
        }
        QPDF document;
        document.emptyPDF();
        QPDFObjectHandle page = QPDFObjectHandle::parse(&document, "<< /Type /Page /MediaBox [0 0 612 792] >>");
        page.replaceKey("/Resources", QPDFObjectHandle::newDictionary());
        page.replaceKey("/Contents", QPDFObjectHandle::newStream(&document, content.str()));
        QPDFPageDocumentHelper(document).addPage(QPDFPageObjectHelper(document.makeIndirectObject(page)), false);
        QPDFWriter writer(document);
        writer.setOutputMemory();
        writer.write();
        const std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
        return QByteArray(reinterpret_cast<const char *>(buffer->getBuffer()), qsizetype(buffer->getSize()));
    }();
    return pdf;
}

void BM_PdfImport(benchmark::State &state)
{
    const QByteArray &pdf = pageWithPaths();
    const AffineTransform placement = TDGraphic::transformForBounds(Rect(0, 0, 612, 792));
    size_t graphics = 0;
    for (auto _ : state) {
        const auto imported = TDPdfImporter::graphicsForFirstPage(pdf, placement, nullptr);
        if (!imported) {
            state.SkipWithError("the page could not be imported");
            return;
        }
        graphics = imported->size();
        benchmark::DoNotOptimize(imported->data());
    }
    state.counters["operators"] = double(pathOperators());
    state.counters["graphics"] = double(graphics);
}
BENCHMARK(BM_PdfImport)->Unit(benchmark::kMillisecond);

void BM_PopplerRenderEquivalent(benchmark::State &state)
{
    const QByteArray &pdf = pageWithPaths();
    for (auto _ : state) {
        GBytes *bytes = g_bytes_new_static(pdf.constData(), size_t(pdf.size()));
        PopplerDocument *document = poppler_document_new_from_bytes(bytes, nullptr, nullptr);
        PopplerPage *page = document ? poppler_document_get_page(document, 0) : nullptr;
        if (!page) {
            state.SkipWithError("poppler could not read the page");
            return;
        }
        cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 612, 792);
        cairo_t *cr = cairo_create(surface);
        poppler_page_render(page, cr);
        cairo_surface_flush(surface);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
        g_object_unref(page);
        g_object_unref(document);
        g_bytes_unref(bytes);
    }
}
BENCHMARK(BM_PopplerRenderEquivalent)->Unit(benchmark::kMillisecond);

const QByteArray &drawingOfEntities()
{
    static const QByteArray dxf = [] {
        std::mt19937 random(11);
        std::uniform_real_distribution<double> coordinate(0, 2000);
        std::uniform_real_distribution<double> angle(0, 360);
        std::ostringstream text;
        text.precision(8);
        text << "0\nSECTION\n2\nHEADER\n9\n$ACADVER\n1\nAC1015\n0\nENDSEC\n0\nSECTION\n2\nENTITIES\n";
        const long entities = bench::size(100000, 500);
        for (long i = 0; i < entities; ++i) {
            const char *kind = i % 4 == 3 ? "ARC" : "LINE";
            text << "0\n" << kind << "\n5\n" << std::hex << i + 256 << std::dec << "\n330\n1F\n100\nAcDbEntity\n8\nlayer "
                 << i % 10 << "\n";
            if (i % 4 == 3) {
                text << "100\nAcDbCircle\n10\n" << coordinate(random) << "\n20\n" << coordinate(random)
                     << "\n30\n0.0\n40\n" << coordinate(random) / 20 << "\n100\nAcDbArc\n50\n" << angle(random)
                     << "\n51\n" << angle(random) << "\n";
            } else {
                text << "100\nAcDbLine\n10\n" << coordinate(random) << "\n20\n" << coordinate(random)
                     << "\n30\n0.0\n11\n" << coordinate(random) << "\n21\n" << coordinate(random) << "\n31\n0.0\n";
            }
        }
        text << "0\nENDSEC\n0\nEOF\n";
        return QByteArray::fromStdString(text.str());
    }();
    return dxf;
}

void BM_DxfOpen(benchmark::State &state)
{
    const QByteArray &dxf = drawingOfEntities();
    for (auto _ : state) {
        TDDocument document;
        QString error;
        if (!TDDXFImport::importData(dxf, document, &error)) {
            state.SkipWithError("the drawing could not be read");
            return;
        }
        benchmark::DoNotOptimize(document.layers().data());
    }
    state.counters["entities"] = double(bench::size(100000, 500));
    state.SetBytesProcessed(std::int64_t(state.iterations()) * dxf.size());
}
BENCHMARK(BM_DxfOpen)->Unit(benchmark::kMillisecond);

} // namespace
