// The rendering oracle of the SVG export: each drawing below is exported as
// SVG and drawn by rsvg-convert, and compared pixel by pixel with the
// program's own PNG export of the same page at the same size.

#include "DocumentTestSupport.h"
#include "SvgTestSupport.h"

#include "document/TDDocument.h"
#include "model/TDArrowhead.h"
#include "model/TDBezierGraphic.h"
#include "model/TDBrush.h"
#include "model/TDFillStyle.h"
#include "model/TDFilter.h"
#include "model/TDGradient.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "model/TDStrokeStyle.h"
#include "platform/effects/EffectFilter.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>

using namespace scrivane;
using namespace scrivane::doctest;
using namespace scrivane::svgtest;

namespace {

constexpr int PageWidth = 240;
constexpr int PageHeight = 160;

struct Drawing {
    const char *name;
    std::function<void(TDDocument &)> draw;
    // The shares of pixels that may differ by more than 64 and by more than
    // 12: glyphs are all edges, and the two renderers' rasterisers
    // antialias them each their own way.
    double large = 0.002, small = 0.03;
    friend void PrintTo(const Drawing &d, std::ostream *out) { *out << d.name; }
};

void add(TDDocument &document, const TDGraphicPtr &graphic)
{
    document.addGraphic(graphic);
}

void line(TDGraphic &graphic, const Color &color, float width)
{
    graphic.strokeStyle()->setStyle(TDStrokeLine);
    graphic.strokeStyle()->setColor(color);
    graphic.strokeStyle()->setStrokeWidth(width);
}

int brushIndex(const char *key)
{
    const std::vector<TDBrush> &list = TDBrush::brushes();
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].key() == QLatin1String(key))
            return int(i);
    ADD_FAILURE() << "no brush " << key;
    return 0;
}

int arrowIndex(const char *key)
{
    const std::vector<TDArrowhead> &list = TDArrowhead::arrows();
    for (size_t i = 1; i < list.size(); ++i)
        if (list[i].key() == QLatin1String(key))
            return int(i);
    return 0;
}

std::shared_ptr<TDGradient> gradient(std::initializer_list<std::pair<float, Color>> stops)
{
    auto g = std::make_shared<TDGradient>();
    for (const auto &[position, color] : stops)
        g->addColor(color, position);
    return g;
}

const Drawing Drawings[] = {
    {"EveryShape",
     [](TDDocument &d) {
         auto r = rectangle(Rect(10, 10, 50, 30), Color::red());
         line(*r, Color::black(), 3);
         add(d, r);
         auto rounded = rectangle(Rect(70, 10, 60, 40), Color::calibratedRGB(0, 0.6f, 0.2f));
         rounded->setRoundness(0.3f);
         add(d, rounded);
         add(d, oval(Rect(140, 10, 80, 40), Color::blue()));
         auto pie = oval(Rect(10, 60, 60, 60), Color::calibratedRGB(0.9f, 0.7f, 0.1f));
         pie->setAngleB(45);
         pie->setAngleA(300);
         pie->setJoined(true);
         add(d, pie);
         auto arc = oval(Rect(80, 60, 60, 60), Color::white());
         arc->fillStyle()->setStyle(TDFillNone);
         arc->setAngleB(200);
         line(*arc, Color::calibratedRGB(0.5f, 0, 0.5f), 4);
         add(d, arc);
         PathBase path;
         path.moveTo(Point(150, 70));
         path.curveTo(Point(230, 70), Point(170, 150), Point(230, 150));
         path.lineTo(Point(150, 140));
         path.close();
         path.moveTo(Point(175, 95));
         path.lineTo(Point(205, 95));
         path.lineTo(Point(190, 120));
         path.close();
         auto bezier = TDBezierGraphic::graphicWithBezierPath(path);
         bezier->fillStyle()->setStyle(TDFillColor);
         bezier->fillStyle()->setColor(Color::calibratedRGB(0.2f, 0.4f, 0.8f, 0.7f));
         line(*bezier, Color::black(), 1);
         add(d, bezier);
     }},
    {"MirroredAndRotated",
     [](TDDocument &d) {
         auto mirrored = rectangle(Rect(10, 10, 70, 50), Color::red());
         mirrored->setTransformation(AffineTransform(-70, 0, 0, -50, 80, 60));
         mirrored->setRoundness(0.2f);
         line(*mirrored, Color::black(), 2);
         add(d, mirrored);
         auto rotated = rectangle(Rect(0, 0, 1, 1), Color::blue());
         AffineTransform t = AffineTransform::makeTranslation(150, 30);
         t.rotateByDegrees(25);
         t.scale(60, 30);
         rotated->setTransformation(t);
         add(d, rotated);
         auto skewed = oval(Rect(0, 0, 1, 1), Color::calibratedRGB(0, 0.7f, 0.3f));
         AffineTransform s = AffineTransform::makeTranslation(60, 90);
         s.shearXBy(0.5f);
         s.scale(90, 50);
         skewed->setTransformation(s);
         line(*skewed, Color::black(), 1.5f);
         add(d, skewed);
     }},
    {"Gradients",
     [](TDDocument &d) {
         auto linear = rectangle(Rect(10, 10, 100, 60), Color::white());
         linear->fillStyle()->setStyle(TDFillGradient);
         linear->fillStyle()->setGradient(
             gradient({{0, Color::red()}, {0.5f, Color::calibratedRGB(1, 1, 0, 0.5f)}, {1, Color::blue()}}));
         add(d, linear);
         auto radial = oval(Rect(120, 10, 100, 100), Color::white());
         radial->fillStyle()->setStyle(TDFillGradient);
         radial->fillStyle()->setGradient(gradient({{0, Color::white()}, {1, Color::calibratedRGB(0, 0.4f, 0)}}));
         radial->fillStyle()->setGradientStyle(TDFillStyle::Radial);
         radial->fillStyle()->setGradientFromPoint(Point(0.3f, 0.3f), Point(0.9f, 0.5f));
         add(d, radial);
         auto turned = rectangle(Rect(10, 80, 100, 60), Color::white());
         turned->fillStyle()->setStyle(TDFillGradient);
         turned->fillStyle()->setGradient(gradient({{0, Color::black()}, {1, Color::yellow()}}));
         AffineTransform fill = TDGraphic::transformForBounds(Rect(10, 80, 100, 60));
         fill.rotateByDegrees(40);
         turned->setFillTransformation(fill);
         add(d, turned);
     }},
    {"Strokes",
     [](TDDocument &d) {
         const struct {
             float y;
             int cap, join;
             std::vector<float> dashes;
         } lines[] = {{20, 0, 0, {}}, {50, 1, 1, {3, 1}}, {80, 2, 2, {1, 2, 4, 2}}, {110, 0, 0, {0.5f, 0.5f}}};
         for (const auto &l : lines) {
             PathBase path;
             path.moveTo(Point(20, l.y));
             path.lineTo(Point(120, l.y + 15));
             path.lineTo(Point(200, l.y));
             auto g = TDBezierGraphic::graphicWithBezierPath(path);
             g->fillStyle()->setStyle(TDFillNone);
             line(*g, Color::calibratedRGB(0.1f, 0.2f, 0.6f, 0.8f), 6);
             g->strokeStyle()->setCapStyle(l.cap);
             g->strokeStyle()->setJoinStyle(l.join);
             g->strokeStyle()->setDashes(l.dashes);
             add(d, g);
         }
         auto hairline = rectangle(Rect(20.5f, 135.5f, 180, 15), Color::white());
         hairline->fillStyle()->setStyle(TDFillNone);
         line(*hairline, Color::black(), 0);
         add(d, hairline);
     }},
    {"GroupsAndClipping",
     [](TDDocument &d) {
         auto a = rectangle(Rect(10, 10, 60, 60), Color::red());
         auto b = oval(Rect(40, 40, 60, 60), Color::blue());
         auto faded = TDGroup::groupWithGraphics({a, b});
         faded->setAlphaValue(0.5f);
         add(d, faded);
         auto inside = rectangle(Rect(120, 10, 100, 100), Color::calibratedRGB(0, 0.6f, 0));
         line(*inside, Color::black(), 8);
         auto stripe = rectangle(Rect(110, 50, 120, 20), Color::yellow());
         auto clipper = oval(Rect(130, 20, 80, 120), Color::white());
         auto clipped = TDGroup::groupWithGraphics({inside, stripe, clipper});
         clipped->setClip(true);
         add(d, clipped);
     }},
    {"ImageFills",
     [](TDDocument &d) {
         QImage picture(8, 4, QImage::Format_ARGB32);
         for (int y = 0; y < 4; ++y)
             for (int x = 0; x < 8; ++x)
                 picture.setPixelColor(x, y, QColor::fromHsv(x * 40, 255, 255 - y * 50));
         QByteArray png;
         {
             QBuffer buffer(&png);
             buffer.open(QIODevice::WriteOnly);
             picture.save(&buffer, "PNG");
         }
         auto r = rectangle(Rect(10, 10, 120, 60), Color::white());
         r->fillStyle()->setImageData(png, QStringLiteral("png"));
         r->fillStyle()->setStyle(TDFillImage);
         add(d, r);
         auto o = oval(Rect(140, 20, 90, 120), Color::white());
         o->fillStyle()->setImageData(png, QStringLiteral("png"));
         o->fillStyle()->setStyle(TDFillImage);
         o->fillStyle()->setImageAlpha(0.6f);
         AffineTransform fill = TDGraphic::transformForBounds(Rect(140, 20, 90, 120));
         fill.rotateByDegrees(20);
         o->setFillTransformation(fill);
         line(*o, Color::black(), 2);
         add(d, o);
     }},
    {"Effects",
     [](TDDocument &d) {
         auto shadowed = rectangle(Rect(20, 20, 60, 40), Color::red());
         shadowed->setHasShadow(true);
         add(d, shadowed);
         auto blurred = oval(Rect(100, 20, 60, 60), Color::blue());
         auto blur = TDFilter::filterWithName(QStringLiteral("CIGaussianBlur"));
         blur->filter()->setValue(QStringLiteral("inputRadius"), EffectValue(3.0));
         blurred->setFilterArray({blur});
         blurred->setUsesFilters(true);
         add(d, blurred);
         auto inverted = rectangle(Rect(20, 90, 80, 50), Color::calibratedRGB(0.2f, 0.8f, 0.4f));
         inverted->setFilterArray({TDFilter::filterWithName(QStringLiteral("CIColorInvert"))});
         inverted->setUsesFilters(true);
         add(d, inverted);
         auto faded = oval(Rect(130, 90, 80, 50), Color::black());
         faded->setAlphaValue(0.4f);
         add(d, faded);
     }},
    {"BrushesAndArrows",
     [](TDDocument &d) {
         // A tapered brush with pressure along a curve, a brush whose shapes
         // have opacities of their own, and lines with arrowheads: filled
         // and open, placed rigidly and bent along a curve, on a dashed line.
         PathBase curve;
         curve.moveTo(Point(20, 30));
         curve.curveTo(Point(220, 30), Point(80, -10), Point(160, 80));
         auto tapered = TDBezierGraphic::graphicWithBezierPath(curve);
         tapered->fillStyle()->setStyle(TDFillNone);
         TDStrokeStyle &brush = *tapered->strokeStyle();
         brush.setStyle(TDStrokeBrush);
         brush.setBrush(brushIndex("Tapered"));
         brush.setColor(Color::calibratedRGB(0.6f, 0.1f, 0.1f));
         brush.setStrokeWidth(14);
         brush.setPressureArray({Point(0, 0.3f), Point(0.5f, 1.5f), Point(1, 0.6f)});
         brush.setUsesPressure(true);
         add(d, tapered);
         PathBase straight;
         straight.moveTo(Point(20, 70));
         straight.lineTo(Point(110, 70));
         auto soft = TDBezierGraphic::graphicWithBezierPath(straight);
         soft->fillStyle()->setStyle(TDFillNone);
         soft->strokeStyle()->setStyle(TDStrokeBrush);
         soft->strokeStyle()->setBrush(brushIndex("Soft edge"));
         soft->strokeStyle()->setColor(Color::blue());
         soft->strokeStyle()->setStrokeWidth(16);
         add(d, soft);
         const struct {
             float y;
             const char *start, *end;
             bool morph;
             std::vector<float> dashes;
         } arrows[] = {{100, "Open arrow", "Triangle", false, {}},
                       {125, "Circle", "Stealth", true, {3, 1}},
                       {150, "", "Open circle", false, {}}};
         for (const auto &a : arrows) {
             PathBase path;
             path.moveTo(Point(20, a.y));
             path.curveTo(Point(220, a.y), Point(90, a.y - 25), Point(150, a.y + 10));
             auto g = TDBezierGraphic::graphicWithBezierPath(path);
             g->fillStyle()->setStyle(TDFillNone);
             line(*g, Color::calibratedRGB(0.1f, 0.5f, 0.2f, 0.8f), 3);
             TDStrokeStyle &stroke = *g->strokeStyle();
             stroke.setStartArrowStyle(arrowIndex(a.start));
             stroke.setEndArrowStyle(arrowIndex(a.end));
             stroke.setStartArrowSize(150);
             stroke.setMorphStartArrow(a.morph);
             stroke.setMorphEndArrow(a.morph);
             stroke.setDashes(a.dashes);
             add(d, g);
         }
     }},
    {"BlendMode",
     [](TDDocument &d) {
         add(d, rectangle(Rect(10, 10, 150, 100), Color::calibratedRGB(1, 0.8f, 0)));
         auto multiplied = oval(Rect(80, 40, 140, 100), Color::calibratedRGB(0, 0.5f, 1));
         multiplied->setBlendMode(1);
         add(d, multiplied);
     }},
    {"Text",
     [](TDDocument &d) {
         // Runs of other weights, sizes and colours in a box, justified
         // text turned in an oval, and text bent along a curve over its line.
         auto box = rectangle(Rect(8, 8, 110, 70), Color::white());
         fillWithText(*box, {Run{QStringLiteral("Plain text and ")},
                             Run{QStringLiteral("bold red"), 12, QColor(200, 0, 0), true},
                             Run{QStringLiteral(" then large"), 16, QColor(0, 0, 160)},
                             Run{QStringLiteral(" caf\u00e9 tab\tend")}});
         add(d, box);
         auto turned = oval(Rect(125, 5, 110, 80), Color::calibratedRGB(0.9f, 0.9f, 0.6f));
         fillWithText(*turned,
                      {Run{QStringLiteral("Justified words fill every line of this oval from side to side "
                                          "and the last line stays as it is.")}},
                      Qt::AlignJustify);
         turned->fillStyle()->setTextBackground(true);
         AffineTransform t = turned->textTransformation();
         t.rotateByDegrees(-10);
         turned->setTextTransformation(t);
         add(d, turned);
         PathBase curve;
         curve.moveTo(Point(15, 140));
         curve.curveTo(Point(230, 110), Point(80, 90), Point(150, 170));
         auto along = TDBezierGraphic::graphicWithBezierPath(curve);
         along->fillStyle()->setStyle(TDFillNone);
         setTextOnPath(*along, {Run{QStringLiteral("Along a curve, ")}, Run{QStringLiteral("bent"), 12, Qt::blue, true}},
                       1.2f);
         along->strokeStyle()->setTextAndLine(true);
         along->strokeStyle()->setColor(Color::calibratedRGB(0.5f, 0.5f, 0.5f));
         add(d, along);
     },
     0.01, 0.05},
    {"HiddenLayer",
     [](TDDocument &d) {
         add(d, rectangle(Rect(10, 10, 50, 50), Color::red()));
         auto hidden = TDLayer::layerWithName(QStringLiteral("Hidden"), &d);
         auto layers = d.layers();
         layers.push_back(hidden);
         d.setLayers(layers);
         hidden->addGraphic(rectangle(Rect(100, 10, 100, 100), Color::blue()));
         hidden->setVisible(false);
         auto hiddenShape = rectangle(Rect(10, 80, 50, 50), Color::green());
         add(d, hiddenShape);
         hiddenShape->setVisible(false);
     }},
};

class SvgRendering : public testing::TestWithParam<Drawing> {};

// The share of pixels whose premultiplied channels differ by more than
// `threshold` out of 255.
double differingShare(const QImage &a, const QImage &b, int threshold, QImage *map)
{
    if (map)
        *map = QImage(a.size(), QImage::Format_ARGB32);
    long differing = 0;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                    std::abs(qBlue(p) - qBlue(q)), std::abs(qAlpha(p) - qAlpha(q))});
            if (d > threshold)
                ++differing;
            if (map)
                map->setPixel(x, y, qRgba(d, d, d, 255));
        }
    }
    return double(differing) / double(a.width() * a.height());
}

// Edges are antialiased by two renderers: a few pixels may differ much,
// the rest hardly at all.  The images of a failure are kept for a look.
void expectAlike(const QImage &own, const QImage &rendered, const QString &name, double largeShare, double smallShare)
{
    ASSERT_EQ(rendered.size(), own.size());
    QImage map;
    const double large = differingShare(own, rendered, 64, &map);
    const double small = differingShare(own, rendered, 12, nullptr);
    const bool alike = large <= largeShare && small <= smallShare;
    const QString keep = QDir::temp().filePath(QStringLiteral("svg-oracle-%1").arg(name));
    if (!alike || qEnvironmentVariableIsSet("SCRIVANE_KEEP_SVG_ORACLE")) {
        own.save(keep + "-own.png");
        rendered.save(keep + "-rendered.png");
        map.save(keep + "-difference.png");
    }
    EXPECT_TRUE(alike) << "images differ (" << large * 100 << "% by more than 64, " << small * 100
                       << "% by more than 12); kept as " << keep.toStdString() << "-*.png";
}

} // namespace

TEST_P(SvgRendering, RsvgDrawsTheExportAsTheProgramDoes)
{
    const Drawing &drawing = GetParam();
    TDDocument document;
    document.undoManager()->setGroupsByEvent(false);
    document.setSizeInPages(false);
    document.setWidth(PageWidth);
    document.setHeight(PageHeight);
    drawing.draw(document);

    const auto png = document.exportData(3, 72, true, true);
    ASSERT_TRUE(png);
    const QImage own = QImage::fromData(*png).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    ASSERT_EQ(own.size(), QSize(PageWidth, PageHeight));

    const QString folder = freshFolder();
    const QString path = folder + "/" + drawing.name + ".svg";
    ASSERT_TRUE(document.writeSVGRepresentationToFile(path, false)) << document.lastError().toStdString();
    const QString svgFile = QFileInfo(path).isDir() ? path + "/" + drawing.name + ".svg" : path;
    QFile file(svgFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(xmllintAccepts(file.readAll()));

    if (qEnvironmentVariableIsSet("SCRIVANE_KEEP_SVG_ORACLE")) {
        const QString keep = QDir::temp().filePath(QStringLiteral("svg-oracle-%1.svg").arg(drawing.name));
        QFile::remove(keep);
        QFile::copy(svgFile, keep);
    }
    const QImage rendered = renderWithRsvg(svgFile, PageWidth, PageHeight);
    if (rendered.isNull())
        GTEST_SKIP() << "rsvg-convert is not installed";
    expectAlike(own, rendered, QStringLiteral("%1-rsvg").arg(drawing.name), drawing.large, drawing.small);
    // Inkscape, where a developer has it.
    const QImage inkscape = renderWithInkscape(svgFile, PageWidth, PageHeight);
    if (!inkscape.isNull())
        expectAlike(own, inkscape, QStringLiteral("%1-inkscape").arg(drawing.name), drawing.large, drawing.small);
}

INSTANTIATE_TEST_SUITE_P(Drawings, SvgRendering, testing::ValuesIn(Drawings),
                         [](const testing::TestParamInfo<Drawing> &info) { return std::string(info.param.name); });
