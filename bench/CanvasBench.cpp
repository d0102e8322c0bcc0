// Redrawing the canvas of a 10,000-graphic document (rectangles with colour
// fills and lines, one in ten with opacity, over two layers spread over a
// drawing of 1800 × 1800 points): the whole window at zoom 1 and 0.25, and
// a small dirty rectangle of 40 × 40 pixels.  Peer in the same run: cairo
// itself filling and stroking the same rectangles straight into an image of
// the window's size, with no model in between.
//
// The same document at 1920 × 1080 through a CMYK soft proof against the
// same redraw without it, and the pointer echoed on the rulers.

#include "BenchSupport.h"

#include "canvas/ScalingScrollView.h"
#include "canvas/TDGraphicView.h"
#include "document/TDDocument.h"
#include "model/TDFillStyle.h"
#include "model/TDLayer.h"
#include "model/TDRectangle.h"
#include "canvas/TDRulerView.h"
#include "model/TDStrokeStyle.h"
#include "platform/Profile.h"
#include "platform/UserDefaults.h"

#include <QApplication>
#include <QFile>
#include <QMouseEvent>
#include <QScrollBar>

#include <benchmark/benchmark.h>
#include <cairo.h>

#include <memory>
#include <random>

using namespace scrivane;

namespace {

struct Shape {
    Rect rect;
    Color fill;
    Color line;
    float width;
    float alpha;
};

std::vector<Shape> makeShapes(long count)
{
    std::mt19937 random(23);
    std::uniform_real_distribution<float> pos(-300, 1500), side(5, 80), unit(0, 1);
    std::vector<Shape> shapes;
    for (long i = 0; i < count; ++i)
        shapes.push_back({Rect(pos(random), pos(random), side(random), side(random)),
                          Color::calibratedRGB(unit(random), unit(random), unit(random)),
                          Color::calibratedRGB(unit(random), unit(random), unit(random)), 1 + 2 * unit(random),
                          i % 10 == 0 ? 0.5f : 1.0f});
    return shapes;
}

std::unique_ptr<TDDocument> makeDocument(const std::vector<Shape> &shapes)
{
    auto document = std::make_unique<TDDocument>();
    auto second = TDLayer::layerWithName(QStringLiteral("Layer 2"), document.get());
    document->setLayers({document->layers()[0], second});
    // Each layer takes its graphics in one go: adding them one at a time
    // would measure the document's making instead of the redraws.
    TDGraphicArray layers[2];
    for (size_t i = 0; i < shapes.size(); ++i) {
        const Shape &s = shapes[i];
        auto graphic = std::make_shared<TDRectangle>();
        graphic->setTransformation(TDGraphic::transformForBounds(s.rect));
        graphic->fillStyle()->setStyle(TDFillColor);
        graphic->fillStyle()->setColor(s.fill);
        graphic->strokeStyle()->setStyle(TDStrokeLine);
        graphic->strokeStyle()->setColor(s.line);
        graphic->strokeStyle()->setStrokeWidth(s.width);
        graphic->setAlphaValue(s.alpha);
        layers[i % 2].push_back(graphic);
    }
    document->layers()[0]->setGraphicsWithDoc(layers[0]);
    second->setGraphicsWithDoc(layers[1]);
    document->undoManager()->removeAllActions();
    return document;
}

// A canvas in its scroll view, sized as a document window's.
struct Window {
    explicit Window(long count, QSize size = QSize(1200, 900))
        : shapes(makeShapes(count)), document(makeDocument(shapes))
    {
        bench::ensureApplication();
        // The canvas sizes itself around the drawing, as the application's
        // registered defaults have it.
        UserDefaults::standard().registerDefaults({{QStringLiteral("auto center"), true}});
        scroll = std::make_unique<ScalingScrollView>();
        scroll->resize(size);
        scroll->show();
        view = new TDGraphicView;
        scroll->setDocumentView(view);
        view->setDocument(document.get());
        view->calculateSize();
        QApplication::processEvents();
    }
    // The part of the canvas the window shows, in canvas pixels.
    QRect shown() const
    {
        const QSize content = scroll->contentSize();
        return QRect(QPoint(scroll->horizontalScrollBar()->value(), scroll->verticalScrollBar()->value()),
                     content)
            .intersected(view->rect());
    }

    std::vector<Shape> shapes;
    std::unique_ptr<TDDocument> document;
    std::unique_ptr<ScalingScrollView> scroll;
    TDGraphicView *view = nullptr;
};

enum Case { FullAtZoom1, FullAtZoomQuarter, SmallDirtyRect };

void BM_CanvasRedraw(benchmark::State &state)
{
    const long count = bench::size(10000, 300);
    Window window(count);
    const auto which = Case(state.range(0));
    window.scroll->setScaleFactor(which == FullAtZoomQuarter ? 0.25f : 1.0f, true);
    window.view->scrollRectToVisible(Rect(300, 300, 1, 1));
    QRect area = window.shown();
    if (which == SmallDirtyRect)
        area = QRect(area.center(), QSize(40, 40));
    for (auto _ : state) {
        QImage image = window.view->renderImage(area);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["graphics"] = double(count);
    state.counters["pixels"] = double(area.width()) * area.height();
    state.SetLabel(which == FullAtZoom1 ? "full window, zoom 1"
                   : which == FullAtZoomQuarter ? "full window, zoom 0.25"
                                                 : "40 x 40 dirty rectangle, zoom 1");
}
BENCHMARK(BM_CanvasRedraw)->Arg(FullAtZoom1)->Arg(FullAtZoomQuarter)->Arg(SmallDirtyRect)->Unit(benchmark::kMillisecond);

// The peer: the same rectangles straight through cairo, culled by the same
// bounds test, into an image of the same area.
void BM_CanvasRedrawCairoPeer(benchmark::State &state)
{
    const long count = bench::size(10000, 300);
    Window window(count);
    const auto which = Case(state.range(0));
    const double zoom = which == FullAtZoomQuarter ? 0.25 : 1.0;
    window.scroll->setScaleFactor(float(zoom), true);
    window.view->scrollRectToVisible(Rect(300, 300, 1, 1));
    QRect area = window.shown();
    if (which == SmallDirtyRect)
        area = QRect(area.center(), QSize(40, 40));
    const Rect dirty = window.view->documentRectFromWidget(QRectF(area));
    const QPointF origin = window.view->widgetPointFromDocument(Point(0, 0));
    for (auto _ : state) {
        cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, area.width(), area.height());
        cairo_t *cr = cairo_create(surface);
        cairo_set_source_rgb(cr, 1, 1, 1);
        cairo_paint(cr);
        cairo_translate(cr, origin.x() - area.x(), origin.y() - area.y());
        cairo_scale(cr, zoom, zoom);
        for (const Shape &s : window.shapes) {
            const Rect outer = s.rect.insetBy(-s.width, -s.width);
            if (!outer.intersects(dirty))
                continue;
            cairo_rectangle(cr, s.rect.minX(), s.rect.minY(), s.rect.width(), s.rect.height());
            cairo_set_source_rgba(cr, s.fill.redComponent(), s.fill.greenComponent(), s.fill.blueComponent(), s.alpha);
            cairo_fill_preserve(cr);
            cairo_set_source_rgba(cr, s.line.redComponent(), s.line.greenComponent(), s.line.blueComponent(), s.alpha);
            cairo_set_line_width(cr, s.width);
            cairo_stroke(cr);
        }
        cairo_surface_flush(surface);
        benchmark::DoNotOptimize(cairo_image_surface_get_data(surface));
        cairo_destroy(cr);
        cairo_surface_destroy(surface);
    }
    state.counters["graphics"] = double(count);
}
BENCHMARK(BM_CanvasRedrawCairoPeer)
    ->Arg(FullAtZoom1)
    ->Arg(FullAtZoomQuarter)
    ->Arg(SmallDirtyRect)
    ->Unit(benchmark::kMillisecond);


// Arg 0: the plain redraw; 1: the same through a CMYK proof (goal: at
// most 1.5 times the plain one).
void BM_SoftProofRedraw(benchmark::State &state)
{
    const QString cmyk = QStringLiteral("/usr/share/color/icc/ghostscript/default_cmyk.icc");
    const ProfilePtr profile = Profile::profileWithPath(cmyk);
    if (!profile || !profile->canProof()) {
        state.SkipWithError("no CMYK profile installed");
        return;
    }
    const long count = bench::size(10000, 300);
    Window window(count, QSize(1920 + 20, 1080 + 20));
    TDGraphicView::setProofProfileSource([profile] { return profile; });
    window.view->setCmykPreview(state.range(0) == 1);
    window.view->scrollRectToVisible(Rect(300, 300, 1, 1));
    const QRect area = window.shown();
    for (auto _ : state) {
        QImage image = window.view->renderImage(area);
        benchmark::DoNotOptimize(image.constBits());
    }
    TDGraphicView::setProofProfileSource({});
    state.counters["pixels"] = double(area.width()) * area.height();
    state.SetLabel(state.range(0) == 1 ? "CMYK proof" : "no proof");
}
BENCHMARK(BM_SoftProofRedraw)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One pointer move over the canvas with the rulers shown: the echo lines
// move and both rulers are painted again (goal: under 2 ms).
void BM_RulerEcho(benchmark::State &state)
{
    const long count = bench::size(10000, 300);
    Window window(count);
    window.view->setRulersVisible(true);
    QApplication::processEvents();
    TDRulerView *rulers[] = {window.scroll->horizontalRulerView(), window.scroll->verticalRulerView()};
    QImage paint(rulers[0]->size().expandedTo(rulers[1]->size()), QImage::Format_ARGB32_Premultiplied);
    const QPoint start = window.shown().center();
    int step = 0;
    for (auto _ : state) {
        const QPointF at(start.x() + (step % 200), start.y() + (step % 150));
        ++step;
        QMouseEvent move(QEvent::MouseMove, at, window.view->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(window.view, &move);
        for (TDRulerView *ruler : rulers)
            ruler->render(&paint);
    }
    state.counters["graphics"] = double(count);
}
BENCHMARK(BM_RulerEcho)->Unit(benchmark::kMicrosecond);

} // namespace
