#include "model/TDCustomBrush.h"

#include "ModelTestDoubles.h"
#include "StyleTestDoubles.h"
#include "model/TDBezierGraphic.h"
#include "model/TDBrushLibrary.h"
#include "model/TDDistortion.h"
#include "model/TDFillStyle.h"
#include "model/TDGroup.h"
#include "model/TDStrokeStyle.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <map>

using namespace scrivane;
using scrivane::styletest::GraphicInDocument;
using scrivane::styletest::PathGraphic;
using scrivane::test::pixelAt;
using scrivane::test::renderImage;

namespace {

void touch(const QString &path)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
}

// A brush drawing: a red rectangle filling a paper of 100 by 20, inside a
// layer like a document's, with red as the key colour.
TDBrushDocument redBand(Rect paper = Rect(0, 0, 100, 20))
{
    auto band = PathGraphic::make(PathBase::withRect(paper));
    band->fillStyle()->setStyle(TDFillColor);
    band->fillStyle()->setColor(Color::red());
    band->strokeStyle()->setStyle(TDStrokeStyle::None);
    auto layer = std::make_shared<TDGroup>();
    layer->_setGraphics({band});
    layer->calculateBounds();
    TDBrushDocument document;
    document.paperBounds = paper;
    document.graphics = {layer};
    document.keyColor = Color::red();
    document.colorizationMethod = 0;
    document.owner = band;
    return document;
}

// Brush folders in a temporary directory, read through a reader that
// counts what it reads and answers the documents set for each name.
struct Brushes {
    QTemporaryDir dir;
    std::map<QString, TDBrushDocument> documents;
    std::map<QString, int> reads;
    std::shared_ptr<TDBrushLibrary> library;

    explicit Brushes(const QStringList &names = {})
    {
        QDir().mkpath(folder("user"));
        for (const QString &name : names)
            add(name, redBand());
        install({folder("user"), folder("system")});
    }
    ~Brushes() { TDBrushLibrary::setShared(nullptr); }

    QString folder(const QString &name) const { return dir.filePath(name); }
    void add(const QString &name, TDBrushDocument document, const QString &where = QStringLiteral("user"))
    {
        QDir().mkpath(folder(where));
        touch(QDir(folder(where)).filePath(name + ".scrivane"));
        documents[name] = std::move(document);
    }
    void install(const QStringList &folders)
    {
        library = std::make_shared<TDBrushLibrary>(folders, [this](const QString &path, QString *error) {
            const QString name = QFileInfo(path).completeBaseName();
            ++reads[name];
            const auto found = documents.find(name);
            if (found == documents.end()) {
                *error = "not a drawing";
                return std::optional<TDBrushDocument>();
            }
            return std::optional<TDBrushDocument>(found->second);
        });
        TDBrushLibrary::setShared(library);
    }
};

PathBase straight(Point a, Point b)
{
    PathBase path;
    path.moveTo(a);
    path.lineTo(b);
    return path;
}

QImage draw(TDGraphic &graphic)
{
    return renderImage(220, 100, [&](GraphicsContext &c) { graphic.drawInView(nullptr, c); });
}

void expectColor(const Color &c, float r, float g, float b)
{
    EXPECT_NEAR(c.redComponent(), r, 1e-3);
    EXPECT_NEAR(c.greenComponent(), g, 1e-3);
    EXPECT_NEAR(c.blueComponent(), b, 1e-3);
}

} // namespace

TEST(TDBrushLibrary, BrushSetsFromFolders)
{
    struct Case {
        const char *name;
        std::vector<std::pair<const char *, const char *>> files; // folder, file
        QStringList folders;
        QStringList brushes;
    };
    const Case cases[] = {
        {"both folders missing", {}, {"nowhere", "gone"}, {}},
        {"an empty folder", {{"user", ".keep"}}, {"user"}, {}},
        {"sorted, other extensions skipped",
         {{"user", "b.scrivane"}, {"user", "a.scrivane"}, {"user", "notes.txt"}, {"user", "c.scrivane.bak"}},
         {"user"},
         {"a", "b"}},
        {"the user's folder first",
         {{"system", "a.scrivane"}, {"user", "z.scrivane"}},
         {"user", "system"},
         {"z", "a"}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        for (const auto &[folder, file] : c.files) {
            QDir().mkpath(dir.filePath(folder));
            touch(QDir(dir.filePath(folder)).filePath(file));
        }
        QStringList folders;
        for (const QString &f : c.folders)
            folders.append(dir.filePath(f));
        int reads = 0;
        TDBrushLibrary library(folders, [&](const QString &, QString *) {
            ++reads;
            return std::optional<TDBrushDocument>();
        });
        QStringList names;
        for (const auto &brush : library.customBrushes())
            names.append(brush->name());
        EXPECT_EQ(names, c.brushes);
        EXPECT_EQ(reads, 0) << "listing reads no document";
        for (size_t i = 0; i < library.customBrushes().size(); ++i)
            EXPECT_EQ(library.customBrushes()[i]->index(), int(i));
    }
    EXPECT_EQ(TDBrushLibrary::setNames(), (QStringList{"Default", "Custom"}));
}

TEST(TDBrushLibrary, DocumentsAreReadWhenTheirBrushIsUsedOnly)
{
    Brushes f({"one", "two", "three"});
    ASSERT_EQ(f.library->customBrushes().size(), 3u);
    EXPECT_TRUE(f.reads.empty());
    const auto two = TDBrushLibrary::shared().customBrushNamed("two");
    ASSERT_TRUE(two);
    EXPECT_EQ(f.reads, (std::map<QString, int>{{"two", 1}}));
    EXPECT_TRUE(two->load());
    EXPECT_EQ(f.reads["two"], 1) << "read once";
}

TEST(TDBrushLibrary, DocumentsThatAreNoBrushAreSkipped)
{
    Brushes f;
    f.add("flat", redBand(Rect(0, 0, 100, 0)));
    touch(QDir(f.folder("user")).filePath("broken.scrivane"));
    for (const char *name : {"flat", "broken"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(TDBrushLibrary::shared().customBrushNamed(name));
    }
    for (const auto &brush : f.library->customBrushes()) {
        EXPECT_FALSE(brush->load());
        EXPECT_TRUE(brush->image().isNull());
        GraphicInDocument g;
        g.stroke().setStyle(TDStrokeStyle::BrushStroke);
        g.stroke().setBrushDict(brush);
        EXPECT_EQ(g.stroke().brush(), 0) << "nothing chosen";
    }
}

TEST(TDCustomBrush, ABrushDrawingIsBentAlongThePathInTheStrokeColour)
{
    Brushes f({"band"});
    auto brush = TDBrushLibrary::shared().customBrushNamed("band");
    ASSERT_TRUE(brush);
    auto graphic = PathGraphic::make(straight(Point(10, 50), Point(210, 50)));
    TDStrokeStyle &stroke = *graphic->strokeStyle();
    stroke.setStyle(TDStrokeStyle::BrushStroke);
    stroke.setStrokeWidth(20);
    stroke.setColor(Color::blue());
    stroke.setBrushDict(brush);
    EXPECT_EQ(stroke.brush(), -1);

    const QImage image = draw(*graphic);
    const auto column = [&](int x) {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            n += pixelAt(image, x, y).a > 128 ? 1 : 0;
        return n;
    };
    EXPECT_NEAR(column(110), 20, 1);
    const auto centre = pixelAt(image, 110, 50);
    EXPECT_EQ(centre.b, 255) << "the key colour became the stroke colour";
    EXPECT_EQ(centre.r, 0);
    EXPECT_TRUE(stroke.intersectsPoint(Point(110, 58)));
    EXPECT_FALSE(stroke.intersectsPoint(Point(110, 62)));
    EXPECT_NEAR(stroke.strokeBounds().minY(), 40, 0.5);

    // The shared brush drawing is as it was.
    const auto &band = std::static_pointer_cast<TDGroup>(brush->graphics()[0])->graphics()[0];
    EXPECT_EQ(band->fillStyle()->color(), Color::red());
    EXPECT_EQ(band->cachedBezierPath()->bounds(), Rect(0, 0, 100, 20));
    EXPECT_FALSE(brush->image().isNull());
}

TEST(TDCustomBrush, BentPathsFollowTheGeometryOutsideADocument)
{
    Brushes f({"band"});
    auto graphic = std::make_shared<TDBezierGraphic>();
    graphic->setBezierPath(std::make_shared<TDBezierPath>(straight(Point(10, 30), Point(210, 30))));
    TDStrokeStyle &stroke = *graphic->strokeStyle();
    stroke.setStyle(TDStrokeStyle::BrushStroke);
    stroke.setStrokeWidth(10);
    stroke.setBrushName("band");
    ASSERT_EQ(stroke.customBrushName(), "band");
    EXPECT_GT(pixelAt(draw(*graphic), 110, 30).a, 128);
    graphic->setBezierPath(std::make_shared<TDBezierPath>(straight(Point(10, 70), Point(210, 70))));
    const QImage moved = draw(*graphic);
    EXPECT_EQ(pixelAt(moved, 110, 30).a, 0);
    EXPECT_GT(pixelAt(moved, 110, 70).a, 128);
}

TEST(TDCustomBrush, UndoGivesBackTheWholeChoice)
{
    Brushes f({"first", "second"});
    GraphicInDocument g(straight(Point(10, 50), Point(210, 50)));
    TDStrokeStyle &stroke = g.stroke();
    stroke.setStyle(TDStrokeStyle::BrushStroke);
    stroke.setBrush(3);
    g.document.undo().removeAllActions();
    const auto first = TDBrushLibrary::shared().customBrushNamed("first");
    const auto second = TDBrushLibrary::shared().customBrushNamed("second");
    stroke.setBrushDict(first);
    stroke.setBrushDict(second);
    EXPECT_EQ(stroke.customBrush(), second);
    g.document.undo().undo();
    EXPECT_EQ(stroke.customBrush(), first) << "one custom brush to another is undone";
    EXPECT_FALSE(stroke.brushGraphics().empty());
    g.document.undo().undo();
    EXPECT_EQ(stroke.customBrush(), nullptr);
    EXPECT_EQ(stroke.brush(), 3);
    g.document.undo().redo();
    g.document.undo().redo();
    EXPECT_EQ(stroke.customBrush(), second);

    // Back from another style, the custom brush returns too.
    stroke.setStyle(TDStrokeStyle::Line);
    g.document.undo().undo();
    EXPECT_EQ(stroke.style(), TDStrokeStyle::BrushStroke);
    EXPECT_EQ(stroke.customBrush(), second);
}

TEST(TDCustomBrush, ANameNotFoundHereIsKeptAndWrittenBack)
{
    Brushes f({"band"});
    PropertyList d{PropertyList::Dictionary()};
    d.insert("StrokeStyle", 2);
    d.insert("StrokeWidth", 12.0);
    d.insert("Brush", -1);
    d.insert("Custom brush name", QString("Somebody else's brush"));
    auto graphic = PathGraphic::make(straight(Point(10, 50), Point(210, 50)));
    graphic->strokeStyle()->initWithDictionary(d);
    EXPECT_EQ(graphic->strokeStyle()->brush(), -1);
    EXPECT_EQ(pixelAt(draw(*graphic), 110, 50).a, 0) << "draws nothing";
    const PropertyList stored = graphic->strokeStyle()->toYAML();
    EXPECT_EQ(stored.value("Brush").toInteger(), -1);
    EXPECT_EQ(stored.value("Custom brush name").toString(), "Somebody else's brush");

    d.insert("Custom brush name", QString("band"));
    graphic->strokeStyle()->initWithDictionary(d);
    EXPECT_TRUE(graphic->strokeStyle()->customBrush());
    EXPECT_EQ(graphic->strokeStyle()->toYAML().value("Custom brush name").toString(), "band");
}

TEST(TDCustomBrush, BrushDocumentsLiveAsLongAsStrokesUseThem)
{
    std::weak_ptr<void> owner;
    auto graphic = PathGraphic::make(straight(Point(10, 50), Point(210, 50)));
    {
        Brushes f({"band"});
        owner = f.documents["band"].owner;
        graphic->strokeStyle()->setStyle(TDStrokeStyle::BrushStroke);
        graphic->strokeStyle()->setBrushName("band");
        f.documents.clear();
    } // the library and its list are gone
    EXPECT_FALSE(owner.expired());
    EXPECT_GT(pixelAt(draw(*graphic), 110, 50).a, 128);
    graphic.reset();
    EXPECT_TRUE(owner.expired());
}

TEST(TDDistortion, Colorization)
{
    const std::optional<Color> red = Color::red();
    const Color blue = Color::blue();
    struct Case {
        const char *name;
        Color colour;
        Color stroke;
        std::optional<Color> key;
        int method;
        std::array<float, 3> rgb;
    };
    const Case cases[] = {
        {"tint of white is white", Color::white(), blue, red, 1, {1, 1, 1}},
        {"tint of black is the stroke colour", Color::black(), blue, red, 1, {0, 0, 1}},
        {"shade and tint of middle grey is the stroke colour", Color::gray(), blue, red, 2, {0, 0, 1}},
        {"shade and tint of black stays black", Color::black(), blue, red, 2, {0, 0, 0}},
        {"hue shift of the key is the stroke colour", Color::red(), blue, red, 0, {0, 0, 1}},
        {"hue shift keeps the difference from the key", Color::calibratedRGB(0.5f, 0, 0), blue, red, 0,
         {0, 0, 0.5f}},
        {"a grey key does not divide by nothing", Color::red(), blue, Color::gray(), 0, {0, 0, 1}},
        {"a black key does not divide by nothing", Color::gray(), blue, Color::black(), 0, {0, 0, 1}},
        {"no key leaves the colour", Color::green(), blue, std::nullopt, 0, {0, 1, 0}},
        {"another method leaves the colour", Color::green(), blue, red, 7, {0, 1, 0}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const Color result = TDDistortion::colorize(c.colour, c.stroke, c.key, c.method);
        for (float component : {result.redComponent(), result.greenComponent(), result.blueComponent()})
            EXPECT_TRUE(component >= 0 && component <= 1);
        expectColor(result, c.rgb[0], c.rgb[1], c.rgb[2]);
    }
}
