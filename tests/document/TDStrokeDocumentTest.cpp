// Documents with strokes that draw shapes: a drawing with arrowheads, brush
// strokes and pressure that opens, draws and saves unchanged, and drawings
// read as custom brushes.

#include "DocumentTestSupport.h"
#include "TestEnvironment.h"
#include "document/TDDocument.h"
#include "model/TDBezierGraphic.h"
#include "model/TDBrushLibrary.h"
#include "model/TDFillStyle.h"
#include "model/TDLayer.h"
#include "model/TDModelArchiving.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"
#include "platform/ArchivedColor.h"
#include "platform/KeyedArchiver.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace scrivane;

namespace {

// Every graphic of the document with its dictionary, in drawing order.
std::vector<PropertyList> dictionaries(const TDDocument &document)
{
    std::vector<PropertyList> all;
    for (const auto &layer : document.layers())
        for (const TDGraphicPtr &g : layer->graphics())
            all.push_back(g->toYAML());
    return all;
}

std::shared_ptr<TDBezierGraphic> graphicNamed(const TDDocument &document, const QString &name)
{
    for (const auto &layer : document.layers())
        for (const TDGraphicPtr &g : layer->graphics())
            if (g->name() == name)
                return std::dynamic_pointer_cast<TDBezierGraphic>(g);
    return nullptr;
}

QColor pixel(const QImage &image, int x, int y)
{
    return image.pixelColor(x, y);
}

} // namespace

// The fixture holds, drawn on a 300 by 200 paper: "Arrows", a curve with a
// stealth arrowhead at 150 per cent at its start and a bent triangle at its
// end; "Pressure", a tapered blue brush with a pressure curve; "Elsewhere",
// a brush made of a drawing this machine does not have; and "Future", a
// line whose arrowhead index lies beyond this program's list.
TEST(TDStrokeDocument, AFixtureWithStrokesOpensDrawsAndSavesUnchanged)
{
    TDModelArchiving::registerClasses();
    TDDocument document;
    ASSERT_TRUE(document.readFromFile(QString::fromStdString(test::sourcePath("document/fixtures/strokes.scrivane")),
                                      TDDocument::ScrivaneType))
        << document.lastError().toStdString();

    const auto arrows = graphicNamed(document, "Arrows");
    const auto pressure = graphicNamed(document, "Pressure");
    const auto elsewhere = graphicNamed(document, "Elsewhere");
    const auto future = graphicNamed(document, "Future");
    ASSERT_TRUE(arrows && pressure && elsewhere && future);
    EXPECT_EQ(arrows->strokeStyle()->startArrowStyle(), 3);
    EXPECT_TRUE(arrows->strokeStyle()->morphEndArrow());
    EXPECT_TRUE(pressure->strokeStyle()->usesPressure());
    EXPECT_EQ(pressure->strokeStyle()->pressureArray().size(), 3u);
    EXPECT_EQ(elsewhere->strokeStyle()->customBrushName(), "Ribbon");
    EXPECT_EQ(future->strokeStyle()->endArrowStyle(), 40);

    // Drawn: the arrowheads stand out of the line, the brush is widest where
    // its pressure is highest and paints its colour.
    const QImage image = TDDocument::imageForGraphics(document.graphics(), 1, true, document.paperBounds());
    ASSERT_EQ(image.size(), QSize(300, 200));
    EXPECT_LT(pixel(image, 34, 35).green(), 60) << "the start arrowhead, beside the line";
    EXPECT_LT(pixel(image, 270, 40).green(), 60) << "the end arrowhead";
    const QColor brush = pixel(image, 120, 150);
    EXPECT_GT(brush.blue(), 200);
    EXPECT_LT(brush.red(), 60);
    EXPECT_EQ(pixel(image, 150, 100), QColor(Qt::white)) << "nothing where nothing is";

    // Saved and read back, every graphic is what the fixture holds.
    QTemporaryDir dir;
    const QString copy = QDir(dir.path()).filePath("copy.scrivane");
    ASSERT_TRUE(document.saveDocumentTo(copy, TDDocument::ScrivaneType)) << document.lastError().toStdString();
    TDDocument reread;
    ASSERT_TRUE(reread.readFromFile(copy, TDDocument::ScrivaneType));
    EXPECT_EQ(dictionaries(reread), dictionaries(document));
}

TEST(TDStrokeDocument, ADrawingReadAsABrushBringsItsPaperAndColourRule)
{
    TDModelArchiving::registerClasses();
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("Leaf.scrivane");
    {
        TDDocument drawing;
        drawing.setSizeInPages(false);
        drawing.setWidth(100);
        drawing.setHeight(20);
        auto leaf = std::make_shared<TDRectangle>();
        leaf->setTransformation(TDGraphic::transformForBounds(Rect(0, 0, 100, 20)));
        leaf->fillStyle()->setStyle(TDFillColor);
        leaf->fillStyle()->setColor(Color::green());
        drawing.addGraphic(leaf);
        drawing.setInfoValue("colorizationMethod", 1);
        drawing.setInfoValue("keyColor", *KeyedArchiver::archivedData(ArchivedColor::value(Color::green())));
        ASSERT_TRUE(drawing.saveDocumentTo(path, TDDocument::ScrivaneType));
    }
    QString error;
    const auto brush = TDDocument::readBrushDocument(path, &error);
    ASSERT_TRUE(brush) << error.toStdString();
    EXPECT_EQ(brush->paperBounds, Rect(0, 0, 100, 20));
    ASSERT_EQ(brush->graphics.size(), 1u); // the layer
    EXPECT_EQ(brush->colorizationMethod, 1);
    ASSERT_TRUE(brush->keyColor);
    EXPECT_EQ(brush->keyColor->toCalibratedRGB(), Color::green().toCalibratedRGB());

    // Through the library a stroke lays it along its path.
    auto library = std::make_shared<TDBrushLibrary>(QStringList{dir.path()}, &TDDocument::readBrushDocument);
    TDBrushLibrary::setShared(library);
    auto graphic = std::make_shared<TDBezierGraphic>();
    PathBase line;
    line.moveTo(Point(10, 50));
    line.lineTo(Point(210, 50));
    graphic->setBezierPath(std::make_shared<TDBezierPath>(line));
    TDStrokeStyle &stroke = *graphic->strokeStyle();
    stroke.setStyle(TDStrokeStyle::BrushStroke);
    stroke.setStrokeWidth(20);
    stroke.setBrushName("Leaf");
    EXPECT_TRUE(stroke.customBrush());
    const QImage image = TDDocument::imageForGraphics({graphic}, 1, false, Rect(0, 0, 220, 100));
    EXPECT_EQ(image.pixelColor(110, 50).alpha(), 255);
    EXPECT_EQ(image.pixelColor(110, 65).alpha(), 0);
    TDBrushLibrary::setShared(nullptr);

    // What cannot be read says why.
    EXPECT_FALSE(TDDocument::readBrushDocument(QDir(dir.path()).filePath("None.scrivane"), &error));
    EXPECT_FALSE(error.isEmpty());
    QDir(dir.path()).mkdir("Damaged.scrivane");
    QFile data(QDir(dir.path()).filePath("Damaged.scrivane/data"));
    ASSERT_TRUE(data.open(QIODevice::WriteOnly));
    data.write("not an archive");
    data.close();
    EXPECT_FALSE(TDDocument::readBrushDocument(QDir(dir.path()).filePath("Damaged.scrivane"), &error));
}
