// DXF drawings: LINE and ARC entities to stroked paths on named layers,
// millimetres to points, drawings upright; files that are no drawings,
// hostile numbers and other encodings.

#include "document/TDDXFImport.h"
#include "document/TDDocument.h"
#include "model/TDBezierGraphic.h"
#include "model/TDBezierPath.h"
#include "model/TDLayer.h"
#include "model/TDStrokeStyle.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;

namespace {

// A DXF text of the given entity pairs inside an ENTITIES section.
QByteArray drawing(const QByteArray &entities)
{
    return "0\nSECTION\n2\nENTITIES\n" + entities + "0\nENDSEC\n0\nEOF\n";
}

QByteArray line(double x1, double y1, double x2, double y2, const QByteArray &extra = "8\n0\n")
{
    return "0\nLINE\n" + extra + "10\n" + QByteArray::number(x1) + "\n20\n" + QByteArray::number(y1) +
           "\n30\n0.0\n11\n" + QByteArray::number(x2) + "\n21\n" + QByteArray::number(y2) + "\n31\n0.0\n";
}

std::vector<TDDXFImport::Entity> entitiesOf(const QByteArray &data)
{
    QString error;
    auto entities = TDDXFImport::readEntities(data, &error);
    EXPECT_TRUE(entities.has_value()) << error.toStdString();
    return entities.value_or(std::vector<TDDXFImport::Entity>());
}

Point pointOf(const PathBase &path, int element)
{
    Point points[3];
    const PathElementType type = path.elementAtIndex(element, points);
    return type == PathElementType::CurveTo ? points[2] : points[0];
}

void expectNear(Point actual, Point expected, const char *what)
{
    EXPECT_NEAR(actual.x, expected.x, 1e-3) << what;
    EXPECT_NEAR(actual.y, expected.y, 1e-3) << what;
}

} // namespace

TEST(TDDXFImport, LineInMillimetresBecomesPointsWithItsThicknessAsWidth)
{
    const auto entities = entitiesOf(drawing(line(0, 0, 25.4, 0, "8\n0\n39\n0.254\n")));
    ASSERT_EQ(entities.size(), 1u);
    const PathBase &path = entities[0].path;
    ASSERT_EQ(path.elementCount(), 2);
    expectNear(pointOf(path, 0), Point(0, 0), "start");
    expectNear(pointOf(path, 1), Point(72, 0), "end");
    EXPECT_NEAR(entities[0].width, 0.72f, 1e-5);
    EXPECT_EQ(entities[0].layer, "0");
}

TEST(TDDXFImport, ArcIsAQuarterCircleDrawnUpright)
{
    const auto entities =
        entitiesOf(drawing("0\nARC\n8\n0\n10\n0\n20\n0\n30\n0\n40\n25.4\n50\n0\n51\n90\n"));
    ASSERT_EQ(entities.size(), 1u);
    const PathBase &path = entities[0].path;
    // DXF's y points up: the arc from 0 to 90 degrees turns from the right
    // of its centre to above it, and the centre lies at the drawing's
    // bottom, 72 points below its top.
    const Point centre(0, 72);
    expectNear(pointOf(path, 0), Point(72, 72), "start");
    expectNear(pointOf(path, path.elementCount() - 1), Point(0, 0), "end");
    for (int i = 0; i < path.elementCount(); ++i) {
        const Point p = pointOf(path, i);
        EXPECT_NEAR(std::hypot(p.x - centre.x, p.y - centre.y), 72.0, 1e-3) << "node " << i;
    }
    const Rect bounds = path.bounds();
    EXPECT_NEAR(bounds.width(), 72, 1e-3);
    EXPECT_NEAR(bounds.height(), 72, 1e-3);
}

TEST(TDDXFImport, DrawingIsTurnedUprightWithItsTopAtZero)
{
    // A line 10 mm above another: above it still, and the upper one at y 0.
    const auto entities = entitiesOf(drawing(line(0, 0, 10, 0) + line(0, 10, 10, 10)));
    ASSERT_EQ(entities.size(), 2u);
    EXPECT_NEAR(pointOf(entities[0].path, 0).y, 10 * 72 / 25.4, 1e-3);
    EXPECT_NEAR(pointOf(entities[1].path, 0).y, 0, 1e-3);
}

TEST(TDDXFImport, EntitiesGoToTheirLayersAndEntitiesWithoutOneToQuestionMark)
{
    const QByteArray data =
        drawing(line(0, 0, 1, 1, "8\nwalls\n") + line(1, 1, 2, 2, "8\nwalls\n") + line(2, 2, 3, 3, ""));
    TDDocument document;
    QString error;
    ASSERT_TRUE(TDDXFImport::importData(data, document, &error)) << error.toStdString();
    ASSERT_EQ(document.layers().size(), 3u);
    EXPECT_EQ(document.layers()[0]->name(), "Layer 1");
    EXPECT_TRUE(document.layers()[0]->graphics().empty());
    EXPECT_EQ(document.layers()[1]->name(), "walls");
    EXPECT_EQ(document.layers()[1]->graphics().size(), 2u);
    EXPECT_EQ(document.layers()[2]->name(), "?");
    ASSERT_EQ(document.layers()[2]->graphics().size(), 1u);
    const auto graphic = std::dynamic_pointer_cast<TDBezierGraphic>(document.layers()[2]->graphics()[0]);
    ASSERT_TRUE(graphic);
    EXPECT_EQ(graphic->strokeStyle()->style(), TDStrokeStyle::Line);
    EXPECT_EQ(graphic->document(), &document);
    EXPECT_FALSE(document.undoManager()->canUndo());
}

TEST(TDDXFImport, OnlyTheEntitiesSectionIsRead)
{
    const QByteArray blocks = "0\nSECTION\n2\nBLOCKS\n0\nBLOCK\n" + line(0, 0, 5, 5) + "0\nENDBLK\n0\nENDSEC\n";
    const auto entities = entitiesOf(blocks + drawing("0\nCIRCLE\n10\n0\n20\n0\n40\n3\n" + line(0, 0, 1, 0)));
    ASSERT_EQ(entities.size(), 1u);
    expectNear(pointOf(entities[0].path, 1), Point(72 / 25.4f, 0), "the line of ENTITIES");
}

TEST(TDDXFImport, LineEndsAndSpacesDoNotMatter)
{
    const QByteArray lf = drawing(line(0, 0, 25.4, 25.4, "  8\nroof  \n"));
    QByteArray crlf = lf;
    crlf.replace("\n", "\r\n");
    QByteArray cr = lf;
    cr.replace("\n", "\r");
    for (const QByteArray &data : {lf, crlf, cr}) {
        const auto entities = entitiesOf(data);
        ASSERT_EQ(entities.size(), 1u);
        EXPECT_EQ(entities[0].layer, "roof");
        expectNear(pointOf(entities[0].path, 0), Point(0, 72), "start");
    }
}

TEST(TDDXFImport, EntityCutShortAtTheEndOfTheFileIsStillAdded)
{
    const auto entities = entitiesOf("0\nSECTION\n2\nENTITIES\n" + line(0, 0, 1, 0));
    EXPECT_EQ(entities.size(), 1u);
}

TEST(TDDXFImport, NamesThatAreNotUtf8AreReadAsWindows1252)
{
    struct Case {
        const char *name;
        QByteArray layer;
        QString expected;
    };
    const Case cases[] = {
        {"utf-8", "Caf\xC3\xA9 \xE2\x82\xAC", QStringLiteral("Café €")},
        {"windows-1252", "Caf\xE9 \x80", QStringLiteral("Café €")},
        {"windows-1252 quotes", "\x93plan\x94", QStringLiteral("“plan”")},
    };
    for (const Case &c : cases) {
        const auto entities = entitiesOf(drawing(line(0, 0, 1, 1, "8\n" + c.layer + "\n")));
        ASSERT_EQ(entities.size(), 1u) << c.name;
        EXPECT_EQ(entities[0].layer, c.expected) << c.name;
    }
}

TEST(TDDXFImport, NumbersOutOfRangeSkipTheEntity)
{
    struct Case {
        const char *name;
        QByteArray value;
        bool kept;
    };
    const Case cases[] = {
        {"plain", "12.5", true},
        {"not a number reads as 0", "twelve", true},
        {"exponent", "1.5E+3", true},
        {"infinite", "inf", false},
        {"not finite", "nan", false},
        {"overflows a double", "1e400", false},
        {"beyond ten kilometres", "2e7", false},
        {"negative beyond", "-2e7", false},
    };
    for (const Case &c : cases) {
        const QByteArray entity = "0\nLINE\n8\n0\n10\n" + c.value + "\n20\n0\n11\n1\n21\n1\n";
        const auto entities = entitiesOf(drawing(entity + line(0, 0, 1, 1)));
        EXPECT_EQ(entities.size(), c.kept ? 2u : 1u) << c.name;
    }
    // A negative radius is no arc.
    const auto arcs = entitiesOf(drawing("0\nARC\n10\n0\n20\n0\n40\n-5\n50\n0\n51\n90\n"));
    EXPECT_TRUE(arcs.empty());
}

TEST(TDDXFImport, FilesThatAreNoDrawingsAreRefusedAndLeaveTheDocumentAlone)
{
    struct Case {
        const char *name;
        QByteArray data;
        const char *message;
    };
    const Case cases[] = {
        {"empty", "", "no ENTITIES section"},
        {"prose", "Dear reader,\nthis is a letter.\n", "Line 1 "},
        {"binary", QByteArray("AutoCAD Binary DXF\r\n\x1a\x00", 22), "Line 1 "},
        {"sections without entities", "0\nSECTION\n2\nHEADER\n0\nENDSEC\n0\nEOF\n", "no ENTITIES section"},
        {"a broken pair inside the entities", drawing(line(0, 0, 1, 1) + "LINE\n"), "Line 21 "},
    };
    for (const Case &c : cases) {
        TDDocument document;
        const auto layer = document.layers()[0];
        QString error;
        EXPECT_FALSE(TDDXFImport::importData(c.data, document, &error)) << c.name;
        EXPECT_TRUE(error.contains(QLatin1String(c.message))) << c.name << ": " << error.toStdString();
        ASSERT_EQ(document.layers().size(), 1u) << c.name;
        EXPECT_EQ(document.layers()[0], layer) << c.name;
    }
    // Entities with nothing to import are still a drawing.
    TDDocument document;
    QString error;
    EXPECT_TRUE(TDDXFImport::importData(drawing(""), document, &error)) << error.toStdString();
}

TEST(TDDXFImport, DocumentReadFromADxfFileIsSavedOnlyUnderANewName)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath("plan.dxf");
    const QByteArray data = drawing(line(0, 0, 10, 10));
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(data);
    }
    TDDocument document;
    ASSERT_TRUE(document.readFromFile(path, TDDocument::DxfType)) << document.lastError().toStdString();
    EXPECT_EQ(document.displayName(), "plan");
    EXPECT_TRUE(document.needsSaveName());
    EXPECT_FALSE(document.isDocumentEdited());
    EXPECT_FALSE(document.saveDocument());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), data) << "the DXF file was written over";

    const QString package = folder.filePath("plan.scrivane");
    ASSERT_TRUE(document.saveDocumentAs(package, TDDocument::ScrivaneType)) << document.lastError().toStdString();
    EXPECT_FALSE(document.needsSaveName());

    TDDocument notAFile;
    EXPECT_FALSE(notAFile.readFromFile(folder.path(), TDDocument::DxfType));
    EXPECT_FALSE(notAFile.lastError().isEmpty());
}

TEST(TDDXFImport, LineOfWidthZeroDrawsAsAHairline)
{
    TDDocument document;
    QString error;
    ASSERT_TRUE(TDDXFImport::importData(drawing(line(0, 10, 25.4, 10)), document, &error));
    const auto graphics = document.layers().back()->graphics();
    ASSERT_EQ(graphics.size(), 1u);
    EXPECT_EQ(graphics[0]->strokeStyle()->strokeWidth(), 0.f);
    const QImage image = TDDocument::imageForGraphics(graphics, 1, true, Rect(0, -5, 80, 10));
    ASSERT_FALSE(image.isNull());
    int dark = 0;
    for (int x = 0; x < image.width(); ++x)
        dark += qGray(image.pixel(x, 5)) < 200 ? 1 : 0;
    EXPECT_GT(dark, 60) << "the line is not drawn";
}
