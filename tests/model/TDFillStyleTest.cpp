#include "model/TDFillStyle.h"

#include "StyleTestDoubles.h"
#include "model/TDGradient.h"
#include "model/TDModelArchiving.h"
#include "model/TDStrokeStyle.h"
#include "platform/ArchivedColor.h"
#include "platform/ArchivedPoint.h"
#include "platform/KeyedArchiver.h"
#include "platform/KeyedUnarchiver.h"

#include "TestEnvironment.h"

#include <QBuffer>
#include <QFile>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>

using namespace scrivane;
using namespace scrivane::styletest;

namespace {

QImage render(TDGraphic &graphic, TDDrawProtocol *view = nullptr)
{
    return paintedImage(
        [&](GraphicsContext &context) { graphic.fillStyle()->drawInGraphic(graphic, view, context); });
}

void expectColor(const QColor &actual, int r, int g, int b, int a, int tolerance = 3)
{
    EXPECT_NEAR(actual.red(), r, tolerance);
    EXPECT_NEAR(actual.green(), g, tolerance);
    EXPECT_NEAR(actual.blue(), b, tolerance);
    EXPECT_NEAR(actual.alpha(), a, tolerance);
}

std::shared_ptr<TDGradient> redToBlue()
{
    return TDGradient::withColors(Color::red(), Color::blue());
}

} // namespace

TEST(TDFillStyle, NewStyleDefaultsAndItsDictionary)
{
    TDFillStyle fill;
    EXPECT_EQ(fill.style(), 0);
    EXPECT_EQ(fill.color(), Color::white());
    EXPECT_EQ(fill.windingRule(), 1);
    EXPECT_FLOAT_EQ(fill.imageAlpha(), 1);
    EXPECT_EQ(fill.gradientStart(), Point(0.2f, 0.2f));
    EXPECT_EQ(fill.gradientEnd(), Point(0.8f, 0.2f));
    EXPECT_EQ(fill.gradientStyle(), 0);
    EXPECT_FALSE(fill.gradient());
    const PropertyList dictionary = fill.toYAML();
    EXPECT_EQ(dictionary.size(), 1u);
    EXPECT_EQ(dictionary.value("FillStyle").toInteger(), 0);
}

TEST(TDFillStyle, GradientStyleBringsADefaultGradientOnce)
{
    TDFillStyle fill;
    fill.setStyle(TDFillStyle::GradientFill);
    ASSERT_TRUE(fill.gradient());
    EXPECT_EQ(fill.gradient()->numberOfmarkers(), 2);
    EXPECT_EQ(fill.gradient()->markerColor(0), Color::darkGray());
    EXPECT_EQ(fill.gradient()->markerColor(1), Color::lightGray());
    fill.setGradient(redToBlue());
    fill.setStyle(TDFillStyle::ColorFill);
    fill.setStyle(TDFillStyle::GradientFill);
    EXPECT_EQ(fill.gradient()->markerColor(0), Color::red());
}

TEST(TDFillStyle, WindingIsWrittenOnlyWhenNotEvenOdd)
{
    TDFillStyle fill;
    fill.setWinding(0);
    EXPECT_EQ(fill.toYAML().value("winding").toInteger(), 0);
    fill.setWinding(1);
    EXPECT_FALSE(fill.toYAML().contains("winding"));
}

TEST(TDFillStyle, DictionaryRoundTripOfEveryStyle)
{
    TDModelArchiving::registerClasses();
    MemoryImageStore store;
    const QByteArray png = twoToneImage(4, 4, Qt::red, Qt::blue);
    std::vector<std::function<void(TDFillStyle &)>> setups = {
        [](TDFillStyle &f) {
            f.setStyle(1);
            f.setColor(Color::calibratedRGB(0.2f, 0.4f, 0.6f, 0.5f));
            f.setWinding(0);
        },
        [&](TDFillStyle &f) {
            f.setStyle(2);
            f.setImageData(png, "png");
            f.setImageAlpha(0.25f);
        },
        [](TDFillStyle &f) {
            f.setStyle(3);
            f.setGradient(redToBlue());
            f.setGradientStyle(1);
            f.setGradientFromPoint(Point(0.1f, 0.3f), Point(0.9f, 0.7f));
        },
        [](TDFillStyle &f) {
            f.initWithDictionary(
                PropertyList(PropertyList::Dictionary{{"FillStyle", 4},
                                                      {"FillTextKey", QByteArray("text data")},
                                                      {"hyphenation", 0.5},
                                                      {"textBackground", true}}));
        },
    };
    for (size_t i = 0; i < setups.size(); ++i) {
        SCOPED_TRACE(i);
        TDFillStyle fill;
        setups[i](fill);
        const PropertyList dictionary = fill.toYAML();
        const auto read = TDFillStyle::objectWithYAML(dictionary);
        EXPECT_EQ(read->toYAML(), dictionary);
        EXPECT_TRUE(read->isEqualTo(fill));

        const auto data = KeyedArchiver::archivedData(PropertyList(read));
        ASSERT_TRUE(data);
        const auto root = KeyedUnarchiver::unarchive(*data);
        ASSERT_TRUE(root);
        const auto decoded = root->objectAs<TDFillStyle>();
        ASSERT_TRUE(decoded);
        EXPECT_EQ(decoded->toYAML(), dictionary);
    }
}

TEST(TDFillStyle, LegacyGradientPointsWinOverTheNewerPair)
{
    PropertyList dictionary{PropertyList::Dictionary()};
    dictionary.insert("FillStyle", 3);
    dictionary.insert("GradientStartP", "{0.1, 0.1}");
    dictionary.insert("GradientEndP", "{0.9, 0.1}");
    dictionary.insert("GradientStart", ArchivedPoint::value(Point(0.3f, 0.4f)));
    dictionary.insert("GradientEnd", "{0.5, 0.6}");
    const auto fill = TDFillStyle::objectWithYAML(dictionary);
    EXPECT_EQ(fill->gradientStart(), Point(0.3f, 0.4f));
    EXPECT_EQ(fill->gradientEnd(), Point(0.5f, 0.6f));
    // One of a pair alone changes nothing.
    dictionary.remove("GradientEnd");
    dictionary.remove("GradientEndP");
    EXPECT_EQ(TDFillStyle::objectWithYAML(dictionary)->gradientStart(), Point(0.2f, 0.2f));
}

TEST(TDFillStyle, StoredValuesOfTheWrongKindAreSkipped)
{
    PropertyList dictionary{PropertyList::Dictionary()};
    dictionary.insert("FillStyle", "three");
    dictionary.insert("FillColor", 7);
    dictionary.insert("ImageAlpha", PropertyList(PropertyList::Array()));
    dictionary.insert("FillGradient", "grey");
    dictionary.insert("GradientStartP", "{nan, 1}");
    dictionary.insert("GradientEndP", "{1, 1}");
    dictionary.insert("GradientStyle", 1e300);
    dictionary.insert("Image", "not data");
    const auto fill = TDFillStyle::objectWithYAML(dictionary);
    EXPECT_EQ(fill->style(), 0);
    EXPECT_EQ(fill->color(), Color::white());
    EXPECT_FLOAT_EQ(fill->imageAlpha(), 1);
    EXPECT_FALSE(fill->gradient());
    EXPECT_EQ(fill->gradientStart(), Point(0.2f, 0.2f));
    EXPECT_EQ(fill->gradientStyle(), 0);
    EXPECT_TRUE(fill->imageKey().isEmpty());
}

TEST(TDFillStyle, ImageDataTravelsInTheDictionaryWhileSavingImageData)
{
    MemoryImageStore store;
    const QByteArray png = twoToneImage(4, 2, Qt::red, Qt::blue);
    TDFillStyle fill;
    fill.setStyle(TDFillStyle::ImageFill);
    fill.setImageData(png, "png");
    ASSERT_FALSE(fill.imageKey().isEmpty());
    EXPECT_EQ(fill.toYAML().value("ImageKey").toString(), fill.imageKey());
    EXPECT_FALSE(fill.toYAML().contains("Image"));

    PropertyList dictionary;
    {
        TDImageStore::SaveImageDataScope saving;
        dictionary = fill.toYAML();
    }
    EXPECT_FALSE(dictionary.contains("ImageKey"));
    EXPECT_EQ(dictionary.value("Image").toData(), png);
    const auto read = TDFillStyle::objectWithYAML(dictionary);
    EXPECT_EQ(read->imageKey(), fill.imageKey()); // the same data, the same entry
    ASSERT_TRUE(read->image());
    EXPECT_EQ(read->image()->extension, "png");
    EXPECT_EQ(read->image()->size, Size(4, 2));

    // Data that is no image gives the key that names nothing.
    TDFillStyle bad;
    bad.setImageData(QByteArray("not an image"), "png");
    EXPECT_EQ(bad.imageKey(), "!");
    EXPECT_FALSE(bad.image());
}

TEST(TDFillStyle, LegacyImageLocationLoadsFromFileOrPackage)
{
    MemoryImageStore store;
    const QByteArray png = twoToneImage(2, 2, Qt::green, Qt::green);
    const QString folder = QString::fromStdString(test::temporaryFolder());
    QFile file(folder + "/picture.png");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(png);
    file.close();

    TDFillStyle fromFile;
    fromFile.setImageLocation(file.fileName());
    EXPECT_EQ(fromFile.imageLocation(), file.fileName());
    ASSERT_TRUE(fromFile.image());
    EXPECT_EQ(fromFile.image()->data, png);

    TDFillStyle fromPackage;
    fromPackage.setStyleQ(TDFillStyle::ImageFill);
    fromPackage.saveImageLocation("inside.png");
    int document = 0;
    fromPackage.fromFileWrapper(
        [&](const QString &name) -> std::optional<QByteArray> {
            if (name == "inside.png")
                return png;
            return std::nullopt;
        },
        &document);
    EXPECT_EQ(fromPackage.imageKey(), fromFile.imageKey());
    EXPECT_EQ(store.users[fromPackage.imageKey()].back(), &document);

    TDFillStyle missing;
    missing.setImageLocation(folder + "/nothing.png");
    EXPECT_TRUE(missing.imageKey().isEmpty());
    EXPECT_EQ(missing.imageLocation(), folder + "/nothing.png");
}

// A document from elsewhere named a file of this machine as the location
// of a legacy image fill, and reading it pulled the file into the drawing
// (and into the package at the next save).
TEST(TDFillStyle, AStoredLocationIsLookedUpInThePackageOnly)
{
    MemoryImageStore store;
    const QString folder = QString::fromStdString(test::temporaryFolder());
    QFile file(folder + "/private.png");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(twoToneImage(2, 2, Qt::red, Qt::red));
    file.close();

    PropertyList stored{PropertyList::Dictionary()};
    stored.insert("FillStyle", 2);
    stored.insert("FillImage", file.fileName());
    const auto fill = TDFillStyle::objectWithYAML(stored);
    EXPECT_EQ(fill->imageLocation(), file.fileName());
    EXPECT_TRUE(fill->imageKey().isEmpty());
    int document = 0;
    fill->fromFileWrapper([](const QString &) -> std::optional<QByteArray> { return std::nullopt; }, &document);
    EXPECT_TRUE(fill->imageKey().isEmpty());
    EXPECT_TRUE(store.users.empty());
}

TEST(TDFillStyle, EverySetterUndoesAndRedoes)
{
    struct Case {
        const char *name;
        std::function<void(TDFillStyle &)> edit;
        std::function<PropertyList(const TDFillStyle &)> read;
    };
    auto number = [](double v) { return PropertyList(v); };
    const Case cases[] = {
        {"setColor", [](TDFillStyle &f) { f.setColor(Color::red()); },
         [](const TDFillStyle &f) { return ArchivedColor::value(f.color()); }},
        {"setStyle", [](TDFillStyle &f) { f.setStyle(1); },
         [&](const TDFillStyle &f) { return number(f.style()); }},
        {"setStyle_n", [](TDFillStyle &f) { f.setStyle_n(PropertyList(3)); },
         [&](const TDFillStyle &f) { return number(f.style()); }},
        {"setWinding", [](TDFillStyle &f) { f.setWinding_n(PropertyList(0)); },
         [&](const TDFillStyle &f) { return number(f.windingRule()); }},
        {"setImageKey", [](TDFillStyle &f) { f.setImageKey("key"); },
         [](const TDFillStyle &f) { return PropertyList(f.imageKey()); }},
        {"setImageAlpha", [](TDFillStyle &f) { f.setImageAlpha_n(PropertyList(0.5)); },
         [&](const TDFillStyle &f) { return number(f.imageAlpha()); }},
        {"setGradientUndoable", [](TDFillStyle &f) { f.setGradientUndoable(redToBlue()); },
         [](const TDFillStyle &f) { return f.gradient() ? f.gradient()->toYAML() : PropertyList(); }},
        {"setGradientStyle", [](TDFillStyle &f) { f.setGradientStyle_n(PropertyList(1)); },
         [&](const TDFillStyle &f) { return number(f.gradientStyle()); }},
        {"setGradientFromPointUndo",
         [](TDFillStyle &f) { f.setGradientFromPointUndo(Point(1, 2), Point(3, 4)); },
         [](const TDFillStyle &f) {
             return PropertyList(f.gradientStart().toString() + f.gradientEnd().toString());
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        GraphicInDocument f;
        const PropertyList before = c.read(f.fill());
        c.edit(f.fill());
        const PropertyList after = c.read(f.fill());
        ASSERT_NE(before, after);
        EXPECT_FALSE(f.document.invalidated.empty()); // the change repaints
        ASSERT_TRUE(f.document.undo().canUndo());
        f.document.undo().undo();
        EXPECT_EQ(c.read(f.fill()), before);
        EXPECT_FALSE(f.document.undo().canUndo());
        f.document.undo().redo();
        EXPECT_EQ(c.read(f.fill()), after);
    }
}

TEST(TDFillStyle, SettersWithoutChangeRegisterNothing)
{
    GraphicInDocument f;
    f.fill().setColor(f.fill().color());
    f.fill().setStyle(0);
    f.fill().setWinding(1);
    f.fill().setImageAlpha(1);
    f.fill().setGradientStyle(0);
    EXPECT_FALSE(f.document.undo().canUndo());
    EXPECT_TRUE(f.document.invalidated.empty());
}

TEST(TDFillStyle, ColourDragIsOneUndoStepBackToTheFirstColour)
{
    GraphicInDocument f;
    f.document.undo().beginUndoGrouping();
    f.fill().setColor(Color::red());
    f.fill().setColor(Color::green());
    f.fill().setColor(Color::blue());
    f.document.undo().endUndoGrouping();
    f.document.undo().undo();
    EXPECT_EQ(f.fill().color(), Color::white());
    EXPECT_FALSE(f.document.undo().canUndo());
}

TEST(TDFillStyle, UndoOutlivingTheStyleDoesNothing)
{
    StyleDocument document;
    {
        auto graphic = PathGraphic::make();
        graphic->setDocument(&document);
        graphic->fillStyle()->setColor(Color::red());
        graphic->setDocument(nullptr);
    }
    ASSERT_TRUE(document.undo().canUndo());
    document.undo().undo(); // the graphic and its style are gone
}

TEST(TDFillStyle, ThreePointGradientSetsTheFillTransformation)
{
    GraphicInDocument f;
    f.fill().setStyle(TDFillStyle::GradientFill);
    f.fill().setGradientFromGlobalPoint(Point(10, 10), Point(20, 10), Point(10, 30));
    EXPECT_EQ(f.graphic->fillTransformation(), AffineTransform(10, 0, 0, 20, 10, 10));
    EXPECT_EQ(f.fill().gradientStart(), Point(0, 0));
    EXPECT_EQ(f.fill().gradientEnd(), Point(1, 0));
    // Coinciding or collinear points leave everything as it was.
    f.fill().setGradientFromGlobalPoint(Point(10, 10), Point(10, 10), Point(10, 30));
    f.fill().setGradientFromGlobalPoint(Point(0, 0), Point(10, 10), Point(20, 20));
    EXPECT_EQ(f.graphic->fillTransformation(), AffineTransform(10, 0, 0, 20, 10, 10));

    f.fill().setGradientStyle(TDFillStyle::Radial);
    const std::vector<Point> handles = f.fill().gradientHandlePoints();
    ASSERT_EQ(handles.size(), 3u);
    EXPECT_EQ(handles[0], Point(10, 30)); // the quarter-turned end, through the axes
    EXPECT_EQ(handles[1], Point(10, 10));
    EXPECT_EQ(handles[2], Point(20, 10));
}

TEST(TDFillStyle, CancelledGradientEditRestoresEverything)
{
    GraphicInDocument f;
    f.fill().setStyle(TDFillStyle::GradientFill);
    const AffineTransform original(2, 0, 0, 2, 5, 5);
    f.graphic->setFillTransformation(original);
    f.document.undo().removeAllActions();

    f.fill().startEditingGradient();
    f.fill().setGradientFromGlobalPoint(Point(1, 2), Point(30, 2));
    f.fill().setGradientFromGlobalPoint(Point(1, 2), Point(40, 8));
    f.fill().cancelEditingGradient();
    EXPECT_EQ(f.fill().gradientStart(), Point(0.2f, 0.2f));
    EXPECT_EQ(f.fill().gradientEnd(), Point(0.8f, 0.2f));
    EXPECT_EQ(f.graphic->fillTransformation(), original);
}

TEST(TDFillStyle, EndedGradientEditUndoesToThePointsAtItsStart)
{
    GraphicInDocument f;
    f.fill().setStyle(TDFillStyle::GradientFill);
    f.document.undo().removeAllActions();
    f.document.undo().beginUndoGrouping();
    f.fill().startEditingGradient();
    f.fill().setGradientFromGlobalPoint(Point(1, 2), Point(30, 2));
    f.fill().setGradientFromGlobalPoint(Point(1, 2), Point(40, 8));
    f.fill().endEditingGradient();
    f.document.undo().endUndoGrouping();
    EXPECT_EQ(f.fill().gradientEnd(), Point(40, 8));
    f.document.undo().undo();
    EXPECT_EQ(f.fill().gradientStart(), Point(0.2f, 0.2f));
    EXPECT_EQ(f.fill().gradientEnd(), Point(0.8f, 0.2f));
    EXPECT_TRUE(f.graphic->fillTransformation().isIdentity());
}

TEST(TDFillStyle, CopyStyleFromIsOneUndoStepThatRestoresEverything)
{
    MemoryImageStore store;
    GraphicInDocument f;
    TDFillStyle other;
    other.setStyle(TDFillStyle::GradientFill);
    other.setColor(Color::red());
    other.setGradient(redToBlue());
    other.setGradientStyle(1);
    other.setGradientFromPoint(Point(0, 0), Point(1, 1));
    other.setImageAlpha(0.5f);
    other.setWinding(0);

    f.fill().setStyle(TDFillStyle::GradientFill);
    f.document.undo().removeAllActions();
    const PropertyList before = f.fill().toYAML();
    f.fill().copyStyleFrom(other);
    EXPECT_EQ(f.fill().toYAML(), other.toYAML());
    EXPECT_FLOAT_EQ(f.fill().imageAlpha(), 0.5f);
    EXPECT_EQ(f.document.undo().undoActionName(), "Change Fill");
    f.document.undo().undo();
    EXPECT_EQ(f.fill().toYAML(), before);
    EXPECT_FALSE(f.document.undo().canUndo());
    f.fill().copyStyleFrom(f.fill()); // itself: nothing
    EXPECT_FALSE(f.document.undo().canUndo());
}

TEST(TDFillStyle, ColourFillPaintsThePathByItsWindingRule)
{
    PathBase path = PathBase::withRect(Rect(10, 10, 40, 20));
    path.appendRect(Rect(20, 15, 10, 10));
    auto graphic = PathGraphic::make(path);
    graphic->fillStyle()->setStyle(TDFillStyle::ColorFill);
    graphic->fillStyle()->setColor(Color::red());
    QImage image = render(*graphic);
    expectColor(pixelAt(image, 12, 12), 255, 0, 0, 255);
    expectColor(pixelAt(image, 25, 20), 0, 0, 0, 0); // the hole, even-odd
    expectColor(pixelAt(image, 5, 5), 0, 0, 0, 0);
    graphic->fillStyle()->setWinding(0);
    image = render(*graphic);
    expectColor(pixelAt(image, 25, 20), 255, 0, 0, 255); // same direction: filled
}

TEST(TDFillStyle, OutlineViewAndStylesWithoutPaintDrawNothing)
{
    MemoryImageStore store;
    DrawTarget outline(true);
    auto graphic = PathGraphic::make();
    graphic->setFillTransformation(TDGraphic::transformForBounds(graphic->bounds()));
    TDFillStyle &fill = *graphic->fillStyle();
    fill.setColor(Color::red());
    fill.setImageData(twoToneImage(2, 2, Qt::red, Qt::red), "png");
    for (int style : {0, 1, 2, 3, 4}) {
        fill.setStyle(style);
        const QImage image = render(*graphic, style == 0 || style == 4 ? nullptr : &outline);
        EXPECT_EQ(pixelAt(image, 30, 20).alpha(), 0) << style;
    }
}

TEST(TDFillStyle, ImageFillIsUprightInTheFillSpaceWithItsAlpha)
{
    MemoryImageStore store;
    auto graphic = PathGraphic::make();
    graphic->setFillTransformation(TDGraphic::transformForBounds(graphic->bounds()));
    TDFillStyle &fill = *graphic->fillStyle();
    fill.setStyle(TDFillStyle::ImageFill);
    fill.setImageData(twoToneImage(8, 8, Qt::red, Qt::blue), "png");
    QImage image = render(*graphic);
    expectColor(pixelAt(image, 30, 12), 255, 0, 0, 255);
    expectColor(pixelAt(image, 30, 27), 0, 0, 255, 255);
    expectColor(pixelAt(image, 5, 5), 0, 0, 0, 0);

    fill.setImageAlpha(0.5f);
    image = render(*graphic);
    EXPECT_NEAR(pixelAt(image, 30, 12).alpha(), 128, 3);

    // A key the store does not know, and a fill space without area, draw
    // nothing.
    fill.setImageAlpha(1);
    graphic->setFillTransformation(AffineTransform(0, 0, 0, 1, 10, 10));
    EXPECT_EQ(pixelAt(render(*graphic), 30, 12).alpha(), 0);
    graphic->setFillTransformation(TDGraphic::transformForBounds(graphic->bounds()));
    fill.setImageKey("unknown");
    EXPECT_EQ(pixelAt(render(*graphic), 30, 12).alpha(), 0);
}

TEST(TDFillStyle, AxialGradientRunsAlongTheFillSpaceAndExtends)
{
    auto graphic = PathGraphic::make();
    graphic->setFillTransformation(TDGraphic::transformForBounds(graphic->bounds()));
    TDFillStyle &fill = *graphic->fillStyle();
    fill.setStyle(TDFillStyle::GradientFill);
    fill.setGradient(redToBlue());
    fill.setGradientFromPoint(Point(0.25f, 0.5f), Point(0.75f, 0.5f));
    const QImage image = render(*graphic);
    // x = 10 + 40 t: red until t = 0.25 (x = 20), blue from x = 40.
    expectColor(pixelAt(image, 12, 20), 254, 0, 0, 254);
    // Pixel centres: t = ((x + 0.5) - 20) / 20.
    for (int x : {22, 30, 37}) {
        const float t = (x + 0.5f - 20) / 20;
        expectColor(pixelAt(image, x, 20), int(255 * (1 - t)), 0, int(255 * t), 254, 4);
    }
    expectColor(pixelAt(image, 47, 20), 0, 0, 254, 254);
    expectColor(pixelAt(image, 5, 20), 0, 0, 0, 0); // clipped to the path
}

TEST(TDFillStyle, RadialGradientIsAnEllipseInTheFillSpace)
{
    auto graphic = PathGraphic::make();
    graphic->setFillTransformation(TDGraphic::transformForBounds(graphic->bounds()));
    TDFillStyle &fill = *graphic->fillStyle();
    fill.setStyle(TDFillStyle::GradientFill);
    fill.setGradient(redToBlue());
    fill.setGradientStyle(TDFillStyle::Radial);
    fill.setGradientFromPoint(Point(0.5f, 0.5f), Point(1, 0.5f));
    const QImage image = render(*graphic);
    // The distance from the centre in fill space, over the radius 0.5: along
    // x the ellipse is 40 points wide, along y 20.
    for (auto [x, y] : {std::pair{30, 20}, {40, 20}, {30, 25}, {34, 23}}) {
        const float t = std::hypot((x + 0.5f - 30) / 40, (y + 0.5f - 20) / 20) / 0.5f;
        expectColor(pixelAt(image, x, y), int(255 * (1 - t)), 0, int(255 * t), 254, 4);
    }
    expectColor(pixelAt(image, 11, 11), 0, 0, 254, 254); // beyond the end: extended

    // A radius of nothing still draws without faults.
    fill.setGradientFromPoint(Point(0.5f, 0.5f), Point(0.5f, 0.5f));
    render(*graphic);
}

namespace {
QByteArray pdfOf(TDGraphic &graphic)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    {
        const auto context = GraphicsContext::forPdf(&buffer, Size(60, 40), true);
        graphic.fillStyle()->drawInGraphic(graphic, nullptr, *context);
        EXPECT_TRUE(context->finish());
    }
    return bytes;
}
} // namespace

TEST(TDFillStyle, GradientsReachPdfNativelyOrAsImages)
{
    struct Case {
        std::vector<std::pair<float, float>> stops; // position, alpha
        bool image;
    };
    const Case cases[] = {
        {{{0, 1}, {1, 1}}, false},
        {{{1, 1}, {0, 1}}, true},
        {{{0, 1}, {0.5f, 1}, {1, 1}}, true},
        {{{0, 1}, {1, 0.5f}}, true},
    };
    for (const Case &c : cases) {
        auto graphic = PathGraphic::make();
        graphic->setFillTransformation(TDGraphic::transformForBounds(graphic->bounds()));
        auto gradient = std::make_shared<TDGradient>();
        for (auto [position, alpha] : c.stops)
            gradient->addColor(Color::calibratedRGB(position, 0, 1 - position, alpha), position);
        TDFillStyle &fill = *graphic->fillStyle();
        fill.setStyle(TDFillStyle::GradientFill);
        fill.setGradient(gradient);
        // setGradient keeps a copy, sorted: give the list order back.
        fill.gradient()->setMarkers(gradient->markers());
        const QByteArray pdf = pdfOf(*graphic);
        EXPECT_EQ(pdf.contains("/Subtype /Image"), c.image) << c.stops.size();
        EXPECT_EQ(pdf.contains("/ShadingType"), !c.image) << c.stops.size();
    }
}

TEST(TDFillStyle, RasterisedGradientOfASliverDrawsNothing)
{
    auto graphic = PathGraphic::make(PathBase::withRect(Rect(10, 10, 40, 0.4f)));
    TDFillStyle &fill = *graphic->fillStyle();
    fill.setStyle(TDFillStyle::GradientFill);
    auto gradient = TDGradient::withColors(Color::red(), Color::calibratedRGB(0, 0, 1, 0.5f));
    fill.setGradient(gradient);
    const QByteArray pdf = pdfOf(*graphic);
    EXPECT_FALSE(pdf.contains("/Subtype /Image"));
    EXPECT_FALSE(pdf.contains("/ShadingType"));
}

TEST(TDFillStyle, RasterisedGradientLooksLikeTheShading)
{
    auto graphic = PathGraphic::make();
    graphic->setFillTransformation(TDGraphic::transformForBounds(graphic->bounds()));
    TDFillStyle &fill = *graphic->fillStyle();
    fill.setStyle(TDFillStyle::GradientFill);
    fill.setGradient(redToBlue());
    fill.setGradientFromPoint(Point(0, 0.5f), Point(1, 0.5f));
    QImage shaded = render(*graphic);
    QImage rasterised =
        paintedImage([&](GraphicsContext &context) { fill.drawGradientImage(*graphic, context); });
    for (int x : {12, 20, 30, 40, 48})
        expectColor(pixelAt(rasterised, x, 20), pixelAt(shaded, x, 20).red(), 0,
                    pixelAt(shaded, x, 20).blue(), 254, 8);
    EXPECT_EQ(pixelAt(rasterised, 5, 20).alpha(), 0);
}

TEST(TDStyles, RandomEditsUndoAndRedoToTheReplayedDictionaries)
{
    // Each edit is one undo step; after any mix of undos and redos the
    // styles must read as they did after the same number of edits.
    std::mt19937 random(20240611);
    for (int round = 0; round < 20; ++round) {
        GraphicInDocument f;
        TDFillStyle &fill = f.fill();
        TDStrokeStyle &stroke = *f.graphic->strokeStyle();
        // Entering the gradient style makes a gradient that its undo keeps:
        // start with one.
        fill.setStyle(TDFillStyle::GradientFill);
        f.document.undo().removeAllActions();
        auto snapshot = [&] {
            PropertyList both{PropertyList::Dictionary()};
            both.insert("fill", fill.toYAML());
            both.insert("stroke", stroke.toYAML());
            // What the dictionaries leave out for the current styles.
            both.insert("width", double(stroke.strokeWidth()));
            both.insert("alpha", double(fill.imageAlpha()));
            both.insert("gradientStyle", fill.gradientStyle());
            both.insert("points", fill.gradientStart().toString() + fill.gradientEnd().toString());
            both.insert("gradient", fill.gradient() ? fill.gradient()->toYAML() : PropertyList());
            both.insert("cap", stroke.capStyle());
            both.insert("color", ArchivedColor::value(fill.color()));
            both.insert("dashes", stroke.dashString());
            both.insert("arrow", double(stroke.endArrowSize()));
            return both;
        };
        std::vector<PropertyList> states{snapshot()};
        std::string log;
        const int edits = 12;
        for (int i = 0; i < edits; ++i) {
            const bool hadUndo = f.document.undo().canUndo();
            const int value = int(random() % 5);
            const int kind = int(random() % 12);
            log += std::to_string(kind) + ":" + std::to_string(value) + " ";
            switch (kind) {
            case 0:
                fill.setStyle(value % 4);
                break;
            case 1:
                fill.setColor(Color::calibratedRGB(value / 4.0f, 0.5f, 0));
                break;
            case 2:
                fill.setWinding(value % 2);
                break;
            case 3:
                fill.setGradientStyle(value % 2);
                break;
            case 4:
                // Registers even when the points are the same: keep to changes.
                if (fill.gradientStart() != Point(float(value), 0))
                    fill.setGradientFromPointUndo(Point(float(value), 0), Point(1, float(value)));
                break;
            case 5:
                fill.setImageAlpha(value / 4.0f);
                break;
            case 6: {
                const auto gradient =
                    TDGradient::withColors(Color::red(), Color::calibratedWhite(value / 4.0f));
                if (!fill.gradient() || !fill.gradient()->isEqualTo(*gradient))
                    fill.setGradientUndoable(gradient);
                break;
            }
            case 7:
                stroke.setStrokeWidth(float(value + 1));
                break;
            case 8:
                stroke.setCapStyle(value % 3);
                break;
            case 9:
                stroke.setDashes(std::vector<float>(size_t(value % 3), float(value)));
                break;
            case 10:
                stroke.setEndArrowSize(float(50 + 25 * value));
                break;
            default:
                stroke.setStyle(value % 2);
                break;
            }
            // An edit that changed nothing made no step.
            if (snapshot() != states.back())
                states.push_back(snapshot());
            else
                EXPECT_EQ(f.document.undo().canUndo(), hadUndo);
        }
        size_t position = states.size() - 1;
        for (int step = 0; step < 30; ++step) {
            if (random() % 2 && f.document.undo().canUndo()) {
                f.document.undo().undo();
                --position;
            } else if (f.document.undo().canRedo()) {
                f.document.undo().redo();
                ++position;
            }
            ASSERT_EQ(snapshot(), states[position])
                << "round " << round << " step " << step << " edits " << log << " states " << states.size();
        }
    }
}
