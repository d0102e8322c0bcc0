// The graphics model: drawing a document of mixed graphics against the same
// paths and paints issued as plain cairo calls, change brackets deep in
// nested groups, and adding graphics to a document one at a time.

#include "BenchSupport.h"
#include "PackageDocument.h"

#include "document/TDDocument.h"

#include "model/TDBezierPath.h"
#include "model/TDDocumentInterface.h"
#include "model/TDFillStyle.h"
#include "model/TDGradient.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "model/TDStrokeStyle.h"
#include "model/TDUndoManager.h"
#include "platform/GraphicsContext.h"

#include <benchmark/benchmark.h>

#include <cairo.h>

#include <QImage>

#include <random>

using namespace scrivane;

namespace {

constexpr int Width = 1920;
constexpr int Height = 1080;

// Until rectangles, ovals and path graphics exist: a graphic whose own path
// is given.
class BenchShape : public TDGraphic {
public:
    explicit BenchShape(const PathBase &path) : m_path(std::make_shared<TDBezierPath>(path)) {}
    std::shared_ptr<TDBezierPath> bezierPath() const override { return m_path; }

private:
    std::shared_ptr<TDBezierPath> m_path;
};

// One graphic of the scene, as both sides draw it.
struct Item {
    PathBase path; // in document coordinates
    int fill;      // 0 colour, 1 gradient (black to the colour, left to right)
    Color color;
    Color lineColor;
    float lineWidth; // 0: no line
    Rect box;
};

std::vector<Item> makeItems(int count)
{
    std::mt19937 random(7);
    std::uniform_real_distribution<float> x(0, Width - 60), y(0, Height - 60), side(8, 60), unit(0, 1);
    std::vector<Item> items;
    items.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        const Rect box(x(random), y(random), side(random), side(random));
        PathBase path;
        switch (i % 3) {
        case 0:
            path.appendRect(box);
            break;
        case 1:
            path.appendOvalInRect(box);
            break;
        default:
            path.moveTo(Point(box.minX(), box.maxY()));
            path.curveTo(Point(box.maxX(), box.maxY()), Point(box.minX() + box.width() / 3, box.minY()),
                         Point(box.maxX() - box.width() / 3, box.minY()));
            path.lineTo(Point(box.midX(), box.midY()));
            path.close();
            break;
        }
        const Color color = Color::calibratedRGB(unit(random), unit(random), unit(random));
        const float line = i % 4 == 0 ? 0 : 1 + float(i % 3);
        items.push_back(
            Item{path, i % 5 == 0 ? 1 : 0, color, Color::calibratedWhite(unit(random)), line, box});
    }
    return items;
}

std::shared_ptr<TDLayer> makeLayer(const std::vector<Item> &items)
{
    auto layer = std::make_shared<TDLayer>();
    TDGraphicArray graphics;
    for (const Item &item : items) {
        auto shape = std::make_shared<BenchShape>(item.path);
        shape->recalculatePath();
        if (item.fill == 0) {
            shape->fillStyle()->setStyle(TDFillColor);
            shape->fillStyle()->setColor(item.color);
        } else {
            shape->fillStyle()->setStyle(TDFillGradient);
            shape->fillStyle()->setGradient(TDGradient::withColors(Color::black(), item.color));
            shape->fillStyle()->setGradientFromPoint(Point(0, 0), Point(1, 0));
            shape->setFillTransformation(TDGraphic::transformForBounds(item.box));
        }
        if (item.lineWidth > 0) {
            shape->strokeStyle()->setColor(item.lineColor);
            shape->strokeStyle()->setStrokeWidth(item.lineWidth);
        } else {
            shape->strokeStyle()->setStyle(TDStrokeNone);
        }
        graphics.push_back(shape);
    }
    layer->_setGraphics(graphics);
    return layer;
}

void BM_RenderDocument(benchmark::State &state)
{
    const auto items = makeItems(int(bench::size(10000, 300)));
    const auto layer = makeLayer(items);
    QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::white);
        auto context = GraphicsContext::forImage(image, true);
        layer->drawInView(nullptr, *context);
        context->flush();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(items.size()));
}

void setCairoColor(cairo_t *cr, const Color &color)
{
    const Color rgb = color.toCalibratedRGB();
    cairo_set_source_rgba(cr, rgb.components()[0], rgb.components()[1], rgb.components()[2], rgb.alpha());
}

void BM_RenderBareCairo(benchmark::State &state)
{
    const auto items = makeItems(int(bench::size(10000, 300)));
    QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::white);
        cairo_surface_t *surface = cairo_image_surface_create_for_data(
            image.bits(), CAIRO_FORMAT_ARGB32, image.width(), image.height(), int(image.bytesPerLine()));
        cairo_t *cr = cairo_create(surface);
        for (const Item &item : items) {
            cairo_new_path(cr);
            item.path.addToCairo(cr);
            if (item.fill == 0) {
                setCairoColor(cr, item.color);
                cairo_fill_preserve(cr);
            } else {
                cairo_pattern_t *gradient =
                    cairo_pattern_create_linear(item.box.minX(), 0, item.box.maxX(), 0);
                const Color end = item.color.toCalibratedRGB();
                cairo_pattern_add_color_stop_rgba(gradient, 0, 0, 0, 0, 1);
                cairo_pattern_add_color_stop_rgba(gradient, 1, end.components()[0], end.components()[1],
                                                  end.components()[2], 1);
                cairo_pattern_set_extend(gradient, CAIRO_EXTEND_PAD);
                cairo_set_source(cr, gradient);
                cairo_fill_preserve(cr);
                cairo_pattern_destroy(gradient);
            }
            if (item.lineWidth > 0) {
                setCairoColor(cr, item.lineColor);
                cairo_set_line_width(cr, item.lineWidth);
                cairo_stroke(cr);
            }
            cairo_new_path(cr);
        }
        cairo_destroy(cr);
        cairo_surface_flush(surface);
        cairo_surface_destroy(surface);
        benchmark::DoNotOptimize(image.constBits());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(items.size()));
}

// A document that takes repaint requests and answers nothing else.
class BenchDocument : public TDDocumentInterface {
public:
    TDUndoManager *undoManager() const override { return nullptr; }
    TDGraphicViewInterface *graphicView() const override { return nullptr; }
    void invalidateRect(const Rect &rect) override { dirty = dirty.united(rect); }
    void invalidateGraphic(TDGraphic *) override {}
    int graphicNumber() override { return counter++; }
    TDGroup *currentLayer() const override { return nullptr; }
    void setCurrentLayer(TDGroup *) override {}
    TDGraphicArray graphics() const override { return {}; }
    bool removeFromGraphics(TDGraphic *) override { return false; }
    const TDFileWrapper *fileWrapper() const override { return nullptr; }
    Rect paperBounds() const override { return Rect(0, 0, Width, Height); }
    void setStatusText(const QString &) override {}
    Tool drawMode() const override { return Tool::Select; }
    bool graphicIsEditing(const TDGraphic *) const override { return false; }
    bool graphicIsSelected(const TDGraphic *) const override { return false; }
    float zoom() const override { return 1; }
    bool outlineView() const override { return false; }
    bool cmykPreview() const override { return false; }
    bool renderingToPDF() const override { return false; }
    TDDocumentInterface *document() const override { return const_cast<BenchDocument *>(this); }

    Rect dirty;
    int counter = 1;
};

void BM_ChangeBrackets(benchmark::State &state)
{
    BenchDocument document;
    // Five groups deep, each with a shadow so that every level widens the
    // repaint area, and a few siblings per level.
    auto layer = std::make_shared<TDLayer>();
    layer->setDocument(&document);
    std::shared_ptr<TDGroup> parent = layer;
    TDGraphicArray leaves;
    for (int depth = 0; depth < 5; ++depth) {
        auto group = std::make_shared<TDGroup>();
        group->setHasShadow(true);
        parent->addGraphic(group);
        for (int i = 0; i < 3; ++i) {
            PathBase path;
            path.appendRect(Rect(float(10 * i + depth), float(5 * i), 20, 20));
            auto shape = std::make_shared<BenchShape>(path);
            group->addGraphic(shape);
            shape->cachedBezierPath();
            leaves.push_back(shape);
        }
        parent = group;
    }
    const int brackets = int(bench::size(10000, 200));
    for (auto _ : state) {
        for (int i = 0; i < brackets; ++i) {
            TDGraphic &graphic = *leaves[leaves.size() - 1 - size_t(i % 3)];
            graphic.willChange();
            graphic.didChange();
        }
        benchmark::DoNotOptimize(document.dirty);
    }
    state.SetItemsProcessed(state.iterations() * brackets);
}

// Graphics added one at a time, as a person or a script adds them: each
// through the document into its current layer, with its undo step.  The
// peer is BM_PackageOpen/40000, which builds the same graphics from a file.
void BM_AddGraphicsOneByOne(benchmark::State &state)
{
    const auto shapes = bench::makeShapes(bench::size(state.range(0), 200));
    for (auto _ : state) {
        TDDocument document;
        for (size_t i = 0; i < shapes.size(); ++i)
            document.addGraphic(bench::makeRectangle(shapes[i], i));
        benchmark::DoNotOptimize(document.layers().data());
    }
    state.SetItemsProcessed(state.iterations() * int64_t(shapes.size()));
}
BENCHMARK(BM_AddGraphicsOneByOne)->Arg(40000)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK(BM_RenderDocument)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RenderBareCairo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ChangeBrackets)->Unit(benchmark::kMillisecond);
