// Strokes that draw shapes along paths: a brush laid along a long freehand
// path with pressure (peer: cairo stroking the same path as a plain line of
// the same width), a morphed arrowhead at the end of a long path (peer: the
// same arrowhead placed rigidly), and the first use of a brush list of 50
// brush documents, which reads the one document drawn (peer: reading all of
// them, as a list made at once would).

#include "BenchSupport.h"

#include "document/TDDocument.h"
#include "model/TDArrowhead.h"
#include "model/TDBezierGraphic.h"
#include "model/TDBrush.h"
#include "model/TDBrushLibrary.h"
#include "model/TDFillStyle.h"
#include "model/TDLayer.h"
#include "model/TDModelArchiving.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"
#include "platform/GraphicsContext.h"

#include <QDir>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <cairo.h>

#include <cmath>
#include <random>

using namespace scrivane;

namespace {

constexpr int Size = 1000;

// A freehand path of `elements` short curves wandering over the page, as a
// pen draws one.
PathBase freehand(long elements)
{
    std::mt19937 random(24);
    std::normal_distribution<float> turn(0, 0.25f);
    PathBase path;
    Point p(Size / 2.0f, Size / 2.0f);
    float heading = 0;
    path.moveTo(p);
    for (long i = 0; i < elements; ++i) {
        heading += turn(random);
        const Point d(std::cos(heading) * 6, std::sin(heading) * 6);
        Point next(p.x + d.x, p.y + d.y);
        // Turn back at the page's edge.
        if (next.x < 20 || next.x > Size - 20 || next.y < 20 || next.y > Size - 20) {
            heading += float(M_PI);
            next = Point(p.x - d.x, p.y - d.y);
        }
        path.curveTo(next, Point(p.x + d.x / 3, p.y + d.y / 3), Point(p.x + 2 * d.x / 3, p.y + 2 * d.y / 3));
        p = next;
    }
    return path;
}

int indexOf(const std::vector<TDBrush> &list, const char *key)
{
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].key() == QLatin1String(key))
            return int(i);
    return 0;
}

std::shared_ptr<TDBezierGraphic> pathGraphic(const PathBase &path)
{
    auto graphic = std::make_shared<TDBezierGraphic>();
    graphic->setBezierPath(std::make_shared<TDBezierPath>(path));
    return graphic;
}

void BM_BrushStroke(benchmark::State &state)
{
    auto graphic = pathGraphic(freehand(bench::size(5000, 200)));
    TDStrokeStyle &stroke = *graphic->strokeStyle();
    stroke.setStyle(TDStrokeStyle::BrushStroke);
    stroke.setBrush(indexOf(TDBrush::brushes(), "Tapered"));
    stroke.setStrokeWidth(12);
    stroke.setPressureArray({Point(0, 0.2f), Point(0.3f, 1.6f), Point(0.7f, 0.6f), Point(1, 1.2f)});
    stroke.setUsesPressure(true);
    QImage image(Size, Size, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        // Mapped again each time, as after every edit of the path.
        stroke.changedGeometry();
        image.fill(Qt::transparent);
        const auto context = GraphicsContext::forImage(image, true);
        graphic->drawInView(nullptr, *context);
        context->flush();
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_BrushStroke)->Unit(benchmark::kMillisecond);

void BM_BrushStrokeCairoLinePeer(benchmark::State &state)
{
    const PathBase path = freehand(bench::size(5000, 200));
    QImage image(Size, Size, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::transparent);
        cairo_surface_t *surface = cairo_image_surface_create_for_data(
            image.bits(), CAIRO_FORMAT_ARGB32, image.width(), image.height(), int(image.bytesPerLine()));
        cairo_t *cr = cairo_create(surface);
        for (const PathBase::Element &e : path.elements()) {
            if (e.type == PathElementType::MoveTo)
                cairo_move_to(cr, e.points[0].x, e.points[0].y);
            else if (e.type == PathElementType::CurveTo)
                cairo_curve_to(cr, e.points[0].x, e.points[0].y, e.points[1].x, e.points[1].y, e.points[2].x,
                               e.points[2].y);
        }
        cairo_set_line_width(cr, 12);
        cairo_stroke(cr);
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        cairo_surface_destroy(surface);
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_BrushStrokeCairoLinePeer)->Unit(benchmark::kMillisecond);

void placeArrow(benchmark::State &state, bool morph)
{
    const TDBezierPath path(freehand(bench::size(1000, 100)));
    TDStrokeStyle stroke;
    stroke.setStrokeWidth(4);
    int stealth = 1;
    for (size_t i = 0; i < TDArrowhead::arrows().size(); ++i)
        if (TDArrowhead::arrows()[i].key() == QLatin1String("Stealth"))
            stealth = int(i);
    for (auto _ : state) {
        float cut = 1;
        auto head = stroke.arrow(stealth, 2, path, true, morph, &cut);
        benchmark::DoNotOptimize(head);
    }
}

void BM_MorphedArrow(benchmark::State &state)
{
    placeArrow(state, true);
}
BENCHMARK(BM_MorphedArrow)->Unit(benchmark::kMicrosecond);

void BM_RigidArrowPeer(benchmark::State &state)
{
    placeArrow(state, false);
}
BENCHMARK(BM_RigidArrowPeer)->Unit(benchmark::kMicrosecond);

// 50 brush documents of 40 coloured shapes each, written once.
struct BrushFolder {
    QTemporaryDir dir;
    QStringList names;

    BrushFolder()
    {
        TDModelArchiving::registerClasses();
        std::mt19937 random(50);
        std::uniform_real_distribution<float> x(0, 90), y(0, 18), unit(0, 1);
        const long count = bench::size(50, 5);
        for (long n = 0; n < count; ++n) {
            TDDocument document;
            document.setSizeInPages(false);
            document.setWidth(100);
            document.setHeight(20);
            for (int i = 0; i < 40; ++i) {
                auto shape = std::make_shared<TDRectangle>();
                shape->setTransformation(TDGraphic::transformForBounds(Rect(x(random), y(random), 10, 2)));
                shape->fillStyle()->setStyle(TDFillColor);
                shape->fillStyle()->setColor(Color::calibratedRGB(unit(random), unit(random), unit(random)));
                document.addGraphic(shape);
            }
            const QString name = QStringLiteral("Brush %1").arg(n, 2, 10, QLatin1Char('0'));
            document.saveDocumentTo(QDir(dir.path()).filePath(name + ".scrivane"), TDDocument::ScrivaneType);
            names.append(name);
        }
    }
};

BrushFolder &brushFolder()
{
    static BrushFolder folder;
    return folder;
}

void BM_BrushListFirstUse(benchmark::State &state)
{
    BrushFolder &folder = brushFolder();
    auto graphic = pathGraphic(freehand(50));
    QImage image(Size, Size, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        // A fresh start: the list made, one brush of it chosen and drawn.
        TDBrushLibrary::setShared(
            std::make_shared<TDBrushLibrary>(QStringList{folder.dir.path()}, &TDDocument::readBrushDocument));
        TDStrokeStyle &stroke = *graphic->strokeStyle();
        stroke.setStyle(TDStrokeStyle::Line);
        stroke.setStyle(TDStrokeStyle::BrushStroke);
        stroke.setStrokeWidth(20);
        benchmark::DoNotOptimize(TDBrushLibrary::shared().customBrushes().size());
        stroke.setBrushName(folder.names.first());
        image.fill(Qt::transparent);
        const auto context = GraphicsContext::forImage(image, true);
        graphic->drawInView(nullptr, *context);
        context->flush();
    }
    TDBrushLibrary::setShared(nullptr);
}
BENCHMARK(BM_BrushListFirstUse)->Unit(benchmark::kMillisecond);

void BM_BrushListAllReadPeer(benchmark::State &state)
{
    BrushFolder &folder = brushFolder();
    for (auto _ : state) {
        TDBrushLibrary library(QStringList{folder.dir.path()}, &TDDocument::readBrushDocument);
        for (const auto &brush : library.customBrushes())
            benchmark::DoNotOptimize(brush->load());
    }
}
BENCHMARK(BM_BrushListAllReadPeer)->Unit(benchmark::kMillisecond);

} // namespace
