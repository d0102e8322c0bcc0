// Effects on graphics: the chain's rules, effects drawn on a graphic, in a
// group and into PDF, the image road, the area effects cover, and the effect
// list as a stored and undoable property.

#include "ModelTestDoubles.h"
#include "StyleTestDoubles.h"
#include "TestEnvironment.h"

#include "model/TDApplicationServices.h"
#include "model/TDFillStyle.h"
#include "model/TDFilter.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "model/TDModelArchiving.h"
#include "model/TDStrokeStyle.h"
#include "platform/EncodedDictionary.h"
#include "platform/GraphicsContext.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"
#include "platform/effects/EffectFilter.h"
#include "platform/effects/EffectRegistry.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace scrivane;
using namespace scrivane::test;

namespace {

// The plug-in with the two vector-composite filters, loaded by path into
// the program's registry as the program loads it at start.
bool lumenfold()
{
    static const bool loaded = EffectRegistry::shared().contains(QStringLiteral("QVDropShadow")) ||
                               EffectRegistry::shared().loadPlugin(QStringLiteral(LUMENFOLD_PLUGIN)).ok();
    return loaded;
}

std::shared_ptr<TDFilter> effect(const char *name,
                                 std::initializer_list<std::pair<const char *, EffectValue>> inputs = {})
{
    auto filter = TDFilter::filterWithName(QString::fromLatin1(name));
    EXPECT_TRUE(filter) << name;
    if (!filter)
        return nullptr;
    for (const auto &[key, value] : inputs)
        EXPECT_EQ(filter->filter()->setValue(QString::fromLatin1(key), value), ValueCheck::Accepted) << key;
    return filter;
}

std::shared_ptr<TDFilter> disabled(std::shared_ptr<TDFilter> filter)
{
    filter->setEnabled(false);
    return filter;
}

// A black drop shadow moved by (dx, dy), not blurred.
std::shared_ptr<TDFilter> dropShadow(double dx, double dy)
{
    return effect("QVDropShadow",
                  {{"offsetX", dx}, {"offsetY", dy}, {"blur", 0.0}, {"color", EffectColor(0, 0, 0, 1)}});
}

std::shared_ptr<TestShape> filled(const Rect &rect, const Color &color)
{
    auto shape = TestShape::inRect(rect);
    shape->fillStyle()->setStyle(TDFillColor);
    shape->fillStyle()->setColor(color);
    shape->strokeStyle()->setStyle(TDStrokeNone);
    return shape;
}

void withEffects(TDGraphic &graphic, const TDFilterArray &filters)
{
    graphic.setFilterArray(filters);
    graphic.setUsesFilters(true);
    graphic.calculateFilterExtent();
}

QImage draw(const TDGraphicArray &graphics, int width = 100, int height = 100)
{
    return renderImage(width, height, [&](GraphicsContext &context) {
        for (const auto &graphic : graphics)
            graphic->drawInView(nullptr, context);
    });
}

::testing::AssertionResult near(Pixel p, int r, int g, int b, int a, int tolerance = 4)
{
    if (std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance &&
        std::abs(p.a - a) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "pixel (" << p.r << ", " << p.g << ", " << p.b << ", " << p.a
                                         << ") is not (" << r << ", " << g << ", " << b << ", " << a << ")";
}

// An opaque red image of 20 × 10 pixels at (0, 0).
ImageRef redImage()
{
    PixelBuffer pixels(20, 10);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            pixels.setPixel(x, y, 0xffff0000u);
    return EffectImage::fromPixels(std::move(pixels));
}

Rgba at(const ImageRef &image, int x, int y)
{
    EXPECT_TRUE(image);
    if (!image)
        return {};
    const auto raster = image->renderRaster(PixelRect(x, y, 1, 1), 1);
    EXPECT_TRUE(raster);
    return raster ? raster->at(x, y) : Rgba();
}

bool nearRgba(const Rgba &p, float r, float g, float b, float a)
{
    return std::abs(p.r - r) < 0.02f && std::abs(p.g - g) < 0.02f && std::abs(p.b - b) < 0.02f &&
           std::abs(p.a - a) < 0.02f;
}

// A child that records where it was asked to draw.
class WatchedShape : public TestShape {
public:
    void drawInView(TDDrawProtocol *view, GraphicsContext &context) override
    {
        clipBoxes.push_back(context.clipBoundingBox());
        TestShape::drawInView(view, context);
    }
    std::vector<Rect> clipBoxes;
};

std::shared_ptr<WatchedShape> watched(const Rect &rect, const Color &color)
{
    auto shape = std::make_shared<WatchedShape>();
    shape->setInitialTransformation(TDGraphic::transformForBounds(rect));
    shape->recalculatePath();
    shape->fillStyle()->setStyle(TDFillColor);
    shape->fillStyle()->setColor(color);
    shape->strokeStyle()->setStyle(TDStrokeNone);
    return shape;
}

struct Scene {
    RecordingDocument document;
    std::shared_ptr<TDLayer> layer = TDLayer::layerWithName(QStringLiteral("Layer 1"), &document);

    Scene()
    {
        document.layers.push_back(layer);
        document.setCurrentLayer(layer.get());
    }
    template <class G> std::shared_ptr<G> add(std::shared_ptr<G> graphic)
    {
        layer->addGraphic(graphic);
        document.undo().removeAllActions();
        document.invalidatedRects.clear();
        return graphic;
    }
};

QByteArray archive(const PropertyList &root)
{
    QString error;
    const auto data = KeyedArchiver::archivedData(root, PropertyList::Format::Binary, &error);
    EXPECT_TRUE(data) << error.toStdString();
    return data.value_or(QByteArray());
}

} // namespace

// --- The chain ---------------------------------------------------------------------------------

TEST(TDGraphicEffects, ALoneVectorCompositeEffectAnswersItsEffectAlone)
{
    ASSERT_TRUE(lumenfold());
    const ImageRef red = redImage();
    struct Case {
        const char *what;
        TDFilterArray chain;
        bool vectorComposite;
        bool inputKept; // the red image itself is in the output
    } cases[] = {
        {"alone", {dropShadow(30, 0)}, true, false},
        {"alone among disabled effects", {disabled(effect("CIColorInvert")), dropShadow(30, 0)}, true, false},
        {"after another effect", {effect("CIColorControls"), dropShadow(30, 0)}, false, true},
        {"before another effect", {dropShadow(30, 0), effect("CIColorControls")}, false, true},
    };
    for (const Case &c : cases) {
        auto graphic = filled(Rect(0, 0, 20, 10), Color::red());
        withEffects(*graphic, c.chain);
        const ImageRef result = graphic->filterResult(red);
        EXPECT_EQ(graphic->needsVectorComposite(), c.vectorComposite) << c.what;
        // The shadow lies 30 to the right; the graphic's own place shows the
        // graphic only when the filter composites it.
        EXPECT_TRUE(nearRgba(at(result, 35, 5), 0, 0, 0, 1)) << c.what;
        EXPECT_TRUE(nearRgba(at(result, 5, 5), c.inputKept ? 1 : 0, 0, 0, c.inputKept ? 1 : 0)) << c.what;
    }
}

TEST(TDGraphicEffects, ChainRules)
{
    const ImageRef red = redImage();
    struct Case {
        const char *what;
        TDFilterArray chain;
        bool vectorComposite;
        Rgba inside; // at (5, 5), inside the red image
    } cases[] = {
        // A trailing source-over is left out: the graphic goes on top.
        {"trailing source-over",
         {effect("CIColorInvert"), effect("CISourceOverCompositing")},
         true,
         {0, 1, 1, 1}},
        // Elsewhere a composite effect puts the graphic's own image over the
        // chain so far: red difference cyan is white.
        {"composite", {effect("CIColorInvert"), effect("CIDifferenceBlendMode")}, false, {1, 1, 1, 1}},
        {"source-over not last",
         {effect("CISourceOverCompositing"), effect("CIColorInvert")},
         false,
         {0, 1, 1, 1}},
        // Disabled effects neither run nor count.
        {"disabled", {disabled(effect("CIColorInvert"))}, false, {1, 0, 0, 1}},
        {"disabled last",
         {effect("CIColorInvert"), disabled(effect("CISourceOverCompositing"))},
         false,
         {0, 1, 1, 1}},
        // A transition fades into nothing.
        {"transition", {effect("CIDissolveTransition", {{"inputTime", 1.0}})}, false, {0, 0, 0, 0}},
        // A generator covers the chain so far instead of replacing it: an
        // opaque generator hides it.
        {"generator",
         {effect("CIColorInvert"),
          effect("CIConstantColorGenerator", {{"inputColor", EffectColor(0, 0, 1, 1)}})},
         false,
         {0, 0, 1, 1}},
    };
    for (const Case &c : cases) {
        auto graphic = filled(Rect(0, 0, 20, 10), Color::red());
        withEffects(*graphic, c.chain);
        const ImageRef result = graphic->filterResult(red);
        EXPECT_EQ(graphic->needsVectorComposite(), c.vectorComposite) << c.what;
        const Rgba p = at(result, 5, 5);
        EXPECT_TRUE(nearRgba(p, c.inside.r, c.inside.g, c.inside.b, c.inside.a))
            << c.what << ": (" << p.r << ", " << p.g << ", " << p.b << ", " << p.a << ")";
    }

    // A translucent generator lets the chain so far show through.
    auto graphic = filled(Rect(0, 0, 20, 10), Color::red());
    withEffects(*graphic, {effect("CIConstantColorGenerator", {{"inputColor", EffectColor(0, 0, 1, 0.5)}})});
    const ImageRef result = graphic->filterResult(red);
    EXPECT_TRUE(result->extent().isInfinite());
    EXPECT_TRUE(nearRgba(at(result, 5, 5), 0.5f, 0, 0.5f, 1));
    EXPECT_TRUE(nearRgba(at(result, 50, 5), 0, 0, 0.5f, 0.5f));
}

TEST(TDGraphicEffects, FiltersHoldNoImagesAfterDrawing)
{
    ASSERT_TRUE(lumenfold());
    auto graphic = filled(Rect(10, 10, 20, 20), Color::red());
    withEffects(*graphic, {effect("CIGaussianBlur", {{"inputRadius", 2.0}}), effect("CIMultiplyBlendMode"),
                           dropShadow(5, 5)});
    draw({graphic});
    for (const auto &filter : graphic->filterArray())
        for (const char *key : {"inputImage", "inputBackgroundImage", "inputTargetImage"})
            EXPECT_FALSE(filter->filter()->image(QString::fromLatin1(key)))
                << filter->filterName().toStdString();
}

// --- Drawing ----------------------------------------------------------------------------------

TEST(TDGraphicEffects, BlurDrawnOnAGraphicAndItsDrawingBounds)
{
    auto plain = filled(Rect(30, 30, 40, 40), Color::red());
    auto blurred = filled(Rect(30, 30, 40, 40), Color::red());
    withEffects(*blurred, {effect("CIGaussianBlur", {{"inputRadius", 3.0}})});
    EXPECT_TRUE(blurred->useFiltersDrawing());
    // The blur reaches beyond the shape, and the drawing bounds say so.
    const Rect bounds = blurred->drawingBounds();
    EXPECT_LT(bounds.minX(), 25);
    EXPECT_GT(bounds.maxX(), 75);
    EXPECT_LT(bounds.minX(), plain->drawingBounds().minX());

    const QImage withBlur = draw({blurred});
    const QImage without = draw({plain});
    EXPECT_TRUE(near(pixelAt(without, 28, 50), 0, 0, 0, 0));
    const Pixel halo = pixelAt(withBlur, 28, 50);
    EXPECT_GT(halo.a, 20);
    EXPECT_LT(halo.a, 160);
    EXPECT_TRUE(near(pixelAt(withBlur, 50, 50), 255, 0, 0, 255));
    EXPECT_TRUE(near(pixelAt(withBlur, 10, 50), 0, 0, 0, 0));

    // Switched off, the graphic draws as without effects.
    blurred->setUsesFilters(false);
    EXPECT_EQ(draw({blurred}), without);
}

TEST(TDGraphicEffects, EffectsLookTheSameAtAHigherResolution)
{
    auto shape = filled(Rect(30, 30, 40, 40), Color::red());
    withEffects(*shape, {effect("CIGaussianBlur", {{"inputRadius", 3.0}})});
    const QImage atOne = draw({shape});
    shape->setFilterResolution(2);
    EXPECT_EQ(shape->filterArray().front()->filter()->number(QStringLiteral("inputRadius")), 6.0);
    EXPECT_EQ(shape->filterArray().front()->scale(), 2.0f);
    const QImage atTwo = draw({shape});
    for (int x : {24, 27, 30, 33, 50}) {
        const Pixel a = pixelAt(atOne, x, 50), b = pixelAt(atTwo, x, 50);
        EXPECT_NEAR(a.a, b.a, 16) << x;
    }
}

TEST(TDGraphicEffects, LoneVectorCompositeEffectPaintsTheGraphicSharplyOverIt)
{
    ASSERT_TRUE(lumenfold());
    auto shape = filled(Rect(20, 20, 30, 30), Color::red());
    withEffects(
        *shape,
        {effect("QVDropShadow",
                {{"offsetX", 20.0}, {"offsetY", 20.0}, {"blur", 4.0}, {"color", EffectColor(0, 0, 1, 1)}})});
    const QImage image = draw({shape});
    EXPECT_TRUE(shape->needsVectorComposite());
    // The graphic's edge is sharp: the vector fill is painted over the
    // effect, not the buffer's copy of it.
    EXPECT_TRUE(near(pixelAt(image, 20, 30), 255, 0, 0, 255, 1));
    EXPECT_TRUE(near(pixelAt(image, 49, 30), 255, 0, 0, 255, 1));
    // The shadow, blurred, below and right of it.
    EXPECT_TRUE(near(pixelAt(image, 60, 60), 0, 0, 255, 255, 8));
    EXPECT_TRUE(near(pixelAt(image, 10, 10), 0, 0, 0, 0));
}

TEST(TDGraphicEffects, EffectsOnAGroupApplyToItsChildrenAsAWhole)
{
    ASSERT_TRUE(lumenfold());
    auto a = filled(Rect(10, 10, 20, 20), Color::red());
    auto b = filled(Rect(25, 25, 20, 20), Color::green());
    auto group = TDGroup::groupWithGraphics({a, b});
    withEffects(*group, {dropShadow(30, 30)});
    EXPECT_LT(group->drawingBounds().maxX(), 80);
    EXPECT_GT(group->drawingBounds().maxX(), 74);
    const QImage image = draw({group});
    EXPECT_TRUE(group->needsVectorComposite());
    EXPECT_TRUE(near(pixelAt(image, 15, 15), 255, 0, 0, 255));
    EXPECT_TRUE(near(pixelAt(image, 40, 40), 0, 255, 0, 255));
    // Both children's shadow, as one.
    EXPECT_TRUE(near(pixelAt(image, 45, 45), 0, 0, 0, 255));
    EXPECT_TRUE(near(pixelAt(image, 70, 70), 0, 0, 0, 255));
    EXPECT_TRUE(near(pixelAt(image, 5, 5), 0, 0, 0, 0));

    // With a second effect the children are painted once, through it.
    group->setFilterArray({dropShadow(30, 30), effect("CIColorInvert")});
    const QImage inverted = draw({group});
    EXPECT_FALSE(group->needsVectorComposite());
    EXPECT_TRUE(near(pixelAt(inverted, 15, 15), 0, 255, 255, 255));
    EXPECT_TRUE(near(pixelAt(inverted, 70, 70), 255, 255, 255, 255));

    // A clipping group's effect works on the clipped children.
    auto clipper = filled(Rect(0, 0, 20, 100), Color::blue());
    auto clipping = TDGroup::groupWithGraphics({filled(Rect(0, 0, 100, 100), Color::red()), clipper});
    clipping->setClip(true);
    withEffects(*clipping, {effect("CIColorInvert")});
    const QImage clipped = draw({clipping});
    EXPECT_TRUE(near(pixelAt(clipped, 10, 50), 0, 255, 255, 255));
    EXPECT_TRUE(near(pixelAt(clipped, 30, 50), 0, 0, 0, 0));
}

TEST(TDGraphicEffects, ChildrensShadowsKeepTheirPlaceInsideAGroupsEffects)
{
    // A child's shadow falls 10 points to the right, unblurred, at any
    // filter resolution and zoom of its group.
    auto child = filled(Rect(20, 20, 20, 20), Color::red());
    child->setHasShadow(true);
    child->setShadowAngle(float(std::numbers::pi / 2));
    child->setShadowDistance(10);
    child->setShadowRadius(0);
    child->setShadowColor(Color::black());
    auto group = TDGroup::groupWithGraphics({child});
    // Colour controls at their defaults change nothing.
    withEffects(*group, {effect("CIColorControls")});
    struct Target : styletest::DrawTarget {
        float zoom() const override { return 2; }
    } zoomed;
    for (int resolution : {1, 2, 4}) {
        group->setFilterResolution(resolution);
        for (TDDrawProtocol *view : std::initializer_list<TDDrawProtocol *>{nullptr, &zoomed}) {
            const float z = view ? 2 : 1;
            const QImage image = renderImage(int(60 * z), int(60 * z), [&](GraphicsContext &context) {
                context.concatCTM(AffineTransform::makeScale(z, z));
                group->drawInView(view, context);
            });
            EXPECT_TRUE(near(pixelAt(image, int(45 * z), int(30 * z)), 0, 0, 0, 255, 12)) << resolution;
            EXPECT_TRUE(near(pixelAt(image, int(53 * z), int(30 * z)), 0, 0, 0, 0, 12)) << resolution;
            EXPECT_TRUE(near(pixelAt(image, int(30 * z), int(30 * z)), 255, 0, 0, 255, 12)) << resolution;
        }
    }
}

TEST(TDGraphicEffects, EffectsExportToPdfAsAnImage)
{
    auto shape = filled(Rect(20, 20, 40, 20), Color::red());
    withEffects(*shape, {effect("CIGaussianBlur", {{"inputRadius", 3.0}})});
    const QString path = QString::fromStdString(temporaryFolder()) + QStringLiteral("/effects.pdf");
    {
        QString error;
        auto context = GraphicsContext::forPdfFile(path, Size(100, 60), true, &error);
        ASSERT_TRUE(context) << error.toStdString();
        shape->drawInView(nullptr, *context);
        ASSERT_TRUE(context->finish());
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_TRUE(file.readAll().contains("/Subtype /Image"));

    const QString gs = QStandardPaths::findExecutable(QStringLiteral("gs"));
    if (gs.isEmpty())
        GTEST_SKIP() << "Ghostscript (gs) is not installed; the page was written but not looked at";
    const QString png = path + QStringLiteral(".png");
    QProcess process;
    process.start(gs, {QStringLiteral("-q"), QStringLiteral("-dNOPAUSE"), QStringLiteral("-dBATCH"),
                       QStringLiteral("-dSAFER"), QStringLiteral("-sDEVICE=png16m"), QStringLiteral("-r72"),
                       QStringLiteral("-sOutputFile=") + png, path});
    ASSERT_TRUE(process.waitForFinished(60000));
    ASSERT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    const QImage page(png);
    ASSERT_FALSE(page.isNull());
    // On white: red inside, a pink halo just outside, white further out.
    const QColor inside = page.pixelColor(40, 30);
    EXPECT_GT(inside.red(), 230);
    EXPECT_LT(inside.green(), 30);
    const QColor halo = page.pixelColor(18, 30);
    EXPECT_GT(halo.red(), 230);
    EXPECT_GT(halo.green(), 60);
    EXPECT_LT(halo.green(), 235);
    EXPECT_GT(page.pixelColor(5, 30).green(), 245);
}

TEST(TDGraphicEffects, EffectsStayOnThePaper)
{
    Scene scene;
    auto shape = scene.add(filled(Rect(590, 20, 20, 20), Color::red()));
    withEffects(*shape, {effect("CIGaussianBlur", {{"inputRadius", 4.0}})});
    EXPECT_LE(shape->drawingBounds().maxX(), 612.5f);
    EXPECT_LE(shape->filterExtent().maxX(), 612.0f);
    const QImage image = renderImage(40, 60, [&](GraphicsContext &context) {
        context.concatCTM(AffineTransform::makeTranslation(-580, 0));
        shape->drawInView(nullptr, context);
    });
    EXPECT_TRUE(near(pixelAt(image, 20, 30), 255, 0, 0, 255)); // x 600: inside
    EXPECT_GT(pixelAt(image, 31, 30).a, 40);                   // x 611: the halo, on the paper
    EXPECT_TRUE(near(pixelAt(image, 33, 30), 0, 0, 0, 0));     // x 613: beyond it
}

// --- The image road ---------------------------------------------------------------------------------

TEST(TDGraphicEffects, ImageFillsRunEffectsOnTheirOwnPixelsAndNeverShowAStaleImage)
{
    styletest::MemoryImageStore store;
    auto shape = TestShape::inRect(Rect(10, 10, 40, 40));
    shape->setFillTransformation(TDGraphic::transformForBounds(Rect(10, 10, 40, 40)));
    shape->strokeStyle()->setStyle(TDStrokeNone);
    shape->fillStyle()->setImageData(styletest::twoToneImage(8, 8, Qt::red, Qt::blue), QStringLiteral("png"));
    shape->fillStyle()->setStyle(TDFillImage);
    withEffects(*shape, {effect("CIColorInvert")});
    EXPECT_TRUE(shape->canOptimiseImageFilters());

    QImage image = draw({shape});
    EXPECT_TRUE(near(pixelAt(image, 30, 15), 0, 255, 255, 255)); // red top, inverted
    EXPECT_TRUE(near(pixelAt(image, 30, 45), 255, 255, 0, 255)); // blue bottom, inverted
    EXPECT_TRUE(shape->filterExtent().isEmpty());

    // Another image: its own pixels, not the cached ones.
    shape->fillStyle()->setImageData(styletest::twoToneImage(8, 8, Qt::green, Qt::green),
                                     QStringLiteral("png"));
    image = draw({shape});
    EXPECT_TRUE(near(pixelAt(image, 30, 15), 255, 0, 255, 255));
    // And another size of image.
    shape->fillStyle()->setImageData(styletest::twoToneImage(4, 16, Qt::white, Qt::black),
                                     QStringLiteral("png"));
    image = draw({shape});
    EXPECT_TRUE(near(pixelAt(image, 30, 15), 0, 0, 0, 255));
    EXPECT_TRUE(near(pixelAt(image, 30, 45), 255, 255, 255, 255));

    // The fill's own opacity applies.
    shape->fillStyle()->setImageAlpha(0.5f);
    image = draw({shape});
    EXPECT_NEAR(pixelAt(image, 30, 15).a, 128, 4);

    // Effects that depend on pixel geometry, or a stroke, take the vector
    // road.
    shape->setFilterArray({effect("CIGaussianBlur")});
    EXPECT_FALSE(shape->canOptimiseImageFilters());
    shape->setFilterArray({effect("CIColorInvert")});
    shape->strokeStyle()->setStyle(TDStrokeLine);
    EXPECT_FALSE(shape->canOptimiseImageFilters());
}

// --- Extents and repainting (mended faults) ----------------------------------------------------

TEST(TDGraphicEffects, ExtentFollowsBoundsAndResolutionNotThePreviousDraw)
{
    ASSERT_TRUE(lumenfold());
    Scene scene;
    auto shape = scene.add(filled(Rect(10, 10, 20, 20), Color::red()));
    withEffects(*shape, {dropShadow(40, 0)});
    // The shadow alone lies 40 to the right; the graphic is drawn over it.
    EXPECT_EQ(shape->filterExtent(), Rect(50, 10, 20, 20));
    EXPECT_EQ(shape->drawingBounds(), Rect(10, 10, 60, 20));
    draw({shape});

    // A higher resolution: the same area, although the last draw's buffer
    // was smaller in pixels.
    shape->setFilterResolution(4);
    EXPECT_EQ(shape->filterExtent(), Rect(50, 10, 20, 20));

    // Moved without drawing: the extent goes with it, and the area the
    // shadow now covers is repainted.
    scene.document.invalidatedRects.clear();
    shape->setTransformation(TDGraphic::transformForBounds(Rect(100, 200, 20, 20)));
    EXPECT_EQ(shape->filterExtent(), Rect(140, 200, 20, 20));
    Rect repainted;
    for (const Rect &r : scene.document.invalidatedRects)
        repainted = repainted.united(r);
    EXPECT_TRUE(repainted.contains(Rect(140, 200, 20, 20)));
}

TEST(TDGraphicEffects, AGroupsEffectsSeeAChildsChangeInTheGroupsBuffer)
{
    ASSERT_TRUE(lumenfold());
    Scene scene;
    auto corner = filled(Rect(100, 100, 10, 10), Color::red());
    auto child = filled(Rect(150, 150, 10, 10), Color::blue());
    auto group = scene.add(TDGroup::groupWithGraphics({corner, child}));
    withEffects(*group, {dropShadow(-40, -40)});
    // The child's shadow falls 40 up and left of it: that area is repainted
    // when the child changes.
    const Rect area = child->updateBounds();
    EXPECT_TRUE(area.contains(Rect(110, 110, 10, 10)));
    EXPECT_TRUE(area.contains(child->drawingBounds()));
}

TEST(TDGraphicEffects, TheBufferCoversWhatCanBeSeenAndTheChainsReach)
{
    // A graphic far larger than what is drawn: its paint is asked for only
    // around the visible area, by the blur's reach.
    auto huge = watched(Rect(-100000, -100000, 200000, 200000), Color::red());
    auto group = TDGroup::groupWithGraphics({huge});
    group->setFilterResolution(8);
    withEffects(*group, {effect("CIGaussianBlur", {{"inputRadius", 8.0}})});
    const QImage image = draw({group});
    EXPECT_TRUE(near(pixelAt(image, 50, 50), 255, 0, 0, 255));
    ASSERT_FALSE(huge->clipBoxes.empty());
    for (const Rect &box : huge->clipBoxes) {
        EXPECT_GE(box.minX(), -12);
        EXPECT_LE(box.maxX(), 112);
        EXPECT_GE(box.minY(), -12);
        EXPECT_LE(box.maxY(), 112);
    }

    // A drop shadow reaches as far as it is moved.
    ASSERT_TRUE(lumenfold());
    huge->clipBoxes.clear();
    group->setFilterArray({dropShadow(-400, 0)});
    draw({group});
    ASSERT_FALSE(huge->clipBoxes.empty());
    Rect asked;
    for (const Rect &box : huge->clipBoxes)
        asked = asked.united(box);
    EXPECT_GE(asked.maxX(), 145); // 100 + 400 / 8: in buffer pixels at resolution 8, 50 points
    EXPECT_LE(asked.maxX(), 160);
}

TEST(TDGraphicEffects, AnAreaLargerThanTheBufferLimitIsDrawnAtALowerResolution)
{
    // 640 × 640 points at resolution 4 would be 6.5 million buffer pixels.
    auto shape = filled(Rect(0, 0, 640, 640), Color::red());
    shape->setFilterResolution(4);
    withEffects(*shape, {effect("CIColorInvert")});
    const QImage image = draw({shape}, 640, 640);
    for (int x : {1, 320, 638})
        EXPECT_TRUE(near(pixelAt(image, x, x), 0, 255, 255, 255)) << x;
}

// --- The effect list as a property ---------------------------------------------------------------

TEST(TDGraphicEffects, SettingTheListCopiesRescalesAndUndoes)
{
    Scene scene;
    auto shape = scene.add(filled(Rect(0, 0, 10, 10), Color::red()));
    shape->setFilterResolution(2);
    TDUndoManager &undo = scene.document.undo();
    undo.removeAllActions();
    const auto blur = effect("CIGaussianBlur", {{"inputRadius", 5.0}});
    shape->setFilterArrayUndoable({blur});
    ASSERT_EQ(shape->filterArray().size(), 1u);
    const auto stored = shape->filterArray().front();
    EXPECT_NE(stored, blur);
    EXPECT_EQ(stored->scale(), 2.0f);
    EXPECT_EQ(stored->filter()->number(QStringLiteral("inputRadius")), 10.0);
    EXPECT_EQ(blur->filter()->number(QStringLiteral("inputRadius")), 5.0);
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Set filter data"));

    undo.undo();
    EXPECT_TRUE(shape->filterArray().empty());
    undo.redo();
    ASSERT_EQ(shape->filterArray().size(), 1u);
    EXPECT_EQ(shape->filterArray().front()->filter()->number(QStringLiteral("inputRadius")), 10.0);

    // Both lists empty: nothing happens.
    auto other = scene.add(filled(Rect(0, 0, 10, 10), Color::red()));
    other->setFilterArrayUndoable({});
    EXPECT_FALSE(undo.canUndo());

    // The archived form of a list, as an undo registration may hold it.
    PropertyList::Array list{PropertyList(effect("CIColorInvert"))};
    other->setFilterArrayUndoableDecode(archive(PropertyList(list)));
    ASSERT_EQ(other->filterArray().size(), 1u);
    EXPECT_EQ(other->filterArray().front()->filterName(), QStringLiteral("CIColorInvert"));
    other->setFilterArrayUndoableDecode(QByteArray("not an archive"));
    EXPECT_EQ(other->filterArray().size(), 1u);
}

TEST(TDGraphicEffects, ContainsImageAndPositionalEffects)
{
    auto shape = filled(Rect(0, 0, 10, 10), Color::red());
    EXPECT_FALSE(shape->containsImage());
    withEffects(*shape, {effect("CIGaussianBlur")});
    EXPECT_FALSE(shape->containsImage()); // a lone blur stays vector-like
    shape->setFilterArray({effect("CIGaussianBlur"), effect("CIColorInvert")});
    EXPECT_TRUE(shape->containsImage());
    shape->setFilterArray({effect("CIColorInvert")});
    EXPECT_TRUE(shape->containsImage());
    shape->setFilterArray({effect("CIGaussianBlur")});
    shape->setHasShadow(true);
    EXPECT_TRUE(shape->containsImage());

    // Positional effects: from the filters' inputs, or from the effects
    // pane when there is one.
    shape->setFilterArray({effect("CIZoomBlur")});
    EXPECT_TRUE(shape->boundsAffectsDrawing());
    shape->filterArray().front()->setEnabled(false);
    EXPECT_FALSE(shape->boundsAffectsDrawing());
    struct Pane : TDEffectsControllerInterface {
        QStringList positionalFilters() const override { return {QStringLiteral("CIColorInvert")}; }
    } pane;
    TDApplicationServices::setEffectsController(&pane);
    shape->setFilterArray({effect("CIZoomBlur"), effect("CIColorInvert")});
    EXPECT_TRUE(shape->boundsAffectsDrawing());
    shape->filterArray().back()->setEnabled(false);
    EXPECT_FALSE(shape->boundsAffectsDrawing());
    TDApplicationServices::setEffectsController(nullptr);
    shape->setUsesFilters(false);
    EXPECT_FALSE(shape->boundsAffectsDrawing());
}

TEST(TDGraphicEffects, ArchivedGraphicKeepsItsEffectsAndAnUnknownOne)
{
    TDModelArchiving::registerClasses();
    TestShape::registerArchiveClass();
    EncodedDictionary::setFiltersLost(false);
    QStringList warnings;
    EncodedDictionary::setWarningHook([&](const QString &name) { warnings.append(name); });

    // An effect that only another installation knows, kept from a load.
    auto stranger = std::make_shared<TestShape>();
    {
        class Foreign : public Archivable {
        public:
            QString archiveClassName() const override { return QStringLiteral("TDFilter"); }
            void encode(KeyedArchiver &archiver) const override
            {
                PropertyList settings{PropertyList::Dictionary()};
                settings.insert(TDFilter::NameKey, QStringLiteral("XYSwirl"));
                settings.insert(QStringLiteral("inputTurns"), 3);
                archiver.encodeObject(settings, QStringLiteral("filter"));
                archiver.encodeBool(true, QStringLiteral("enabled"));
                archiver.encodeInteger(1, QStringLiteral("scale"));
            }
        };
        const auto read = KeyedUnarchiver::unarchive(archive(PropertyList(std::make_shared<Foreign>())));
        ASSERT_TRUE(read);
        const auto foreign = TDFilter::fromStoredValue(*read);
        ASSERT_TRUE(foreign);
        EXPECT_FALSE(foreign->filter());
        EXPECT_EQ(warnings.size(), 1);

        auto shape = filled(Rect(10, 10, 20, 20), Color::red());
        shape->setFilterResolution(2);
        withEffects(*shape, {foreign, effect("CIColorInvert"), disabled(effect("CIGaussianBlur"))});
        // Skipped when drawing, like a disabled effect.
        EXPECT_TRUE(near(pixelAt(draw({shape}), 20, 20), 0, 255, 255, 255));

        EncodedDictionary::setFiltersLost(false); // a new load
        const auto back = KeyedUnarchiver::unarchive(archive(PropertyList(shape)));
        ASSERT_TRUE(back);
        stranger = back->objectAs<TestShape>();
        ASSERT_TRUE(stranger);
        EXPECT_EQ(warnings.size(), 2);
        EXPECT_EQ(stranger->toYAML(), shape->toYAML());
    }
    ASSERT_EQ(stranger->filterArray().size(), 3u);
    EXPECT_EQ(stranger->filterArray()[0]->filterName(), QStringLiteral("XYSwirl"));
    EXPECT_FALSE(stranger->filterArray()[0]->filter());
    EXPECT_EQ(stranger->filterArray()[1]->filterName(), QStringLiteral("CIColorInvert"));
    EXPECT_FALSE(stranger->filterArray()[2]->enabled());
    EXPECT_TRUE(stranger->usesFilters());
    EXPECT_EQ(stranger->filterResolution(), 2);
    EXPECT_TRUE(stranger->useFiltersDrawing());
    EXPECT_TRUE(near(pixelAt(draw({stranger}), 20, 20), 0, 255, 255, 255));

    EncodedDictionary::setWarningHook(nullptr);
    EncodedDictionary::setFiltersLost(false);
}
