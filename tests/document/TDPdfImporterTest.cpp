// The PDF page importer: the operator table, the graphics state stack,
// clips and the folding of a shading inside one, colours and colour
// spaces, the placement of the page, and hostile pages.

#include "DocumentTestSupport.h"
#include "PdfTestSupport.h"

#include "document/TDDocument.h"
#include "document/TDGlobalImageStore.h"
#include "document/TDPdfImporter.h"
#include "document/TDPdfPageScanner.h"
#include "model/TDBezierGraphic.h"
#include "model/TDBezierPath.h"
#include "model/TDFillStyle.h"
#include "model/TDGradient.h"
#include "model/TDGroup.h"
#include "model/TDLayer.h"
#include "model/TDRectangle.h"
#include "model/TDStrokeStyle.h"

#include <lcms2.h>

#include <gtest/gtest.h>

#include <cmath>

using namespace scrivane;
using namespace scrivane::pdftest;

namespace {

void expectRect(const Rect &actual, const Rect &expected, const char *what)
{
    EXPECT_NEAR(actual.minX(), expected.minX(), 0.01) << what;
    EXPECT_NEAR(actual.minY(), expected.minY(), 0.01) << what;
    EXPECT_NEAR(actual.width(), expected.width(), 0.01) << what;
    EXPECT_NEAR(actual.height(), expected.height(), 0.01) << what;
}

std::shared_ptr<TDGroup> asGroup(const TDGraphicPtr &graphic)
{
    return std::dynamic_pointer_cast<TDGroup>(graphic);
}

QPDFObjectHandle axialShading(QPDF &pdf)
{
    return QPDFObjectHandle::parse(&pdf, "<< /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 100 0] "
                                         "/Function << /FunctionType 2 /Domain [0 1] /C0 [1 0 0] /C1 [0 0 1] /N 1 >> >>");
}

} // namespace

TEST(TDPdfImporter, PaintingOperatorsSetFillStrokeAndWinding)
{
    struct Case {
        const char *name;
        const char *content;
        int fill;
        int stroke;
        int winding;
        bool closed;
    };
    const int colour = TDFillStyle::ColorFill;
    const int line = TDStrokeStyle::Line;
    const Case cases[] = {
        {"f", "0 0 m 10 0 l 10 10 l f", colour, 0, 0, false},
        {"F", "0 0 m 10 0 l 10 10 l F", colour, 0, 0, false},
        {"f*", "0 0 m 10 0 l 10 10 l f*", colour, 0, 1, false},
        {"S", "0 0 m 10 0 l 10 10 l S", 0, line, 0, false},
        {"s", "0 0 m 10 0 l 10 10 l s", 0, line, 0, true},
        {"B", "0 0 m 10 0 l 10 10 l B", colour, line, 0, false},
        {"B*", "0 0 m 10 0 l 10 10 l B*", colour, line, 1, false},
        {"b", "0 0 m 10 0 l 10 10 l b", colour, line, 0, true},
        {"b*", "0 0 m 10 0 l 10 10 l b*", colour, line, 1, true},
    };
    for (const Case &c : cases) {
        const TDGraphicArray graphics = importContent(c.content);
        ASSERT_EQ(graphics.size(), 1u) << c.name;
        const auto path = std::dynamic_pointer_cast<TDBezierGraphic>(graphics[0]);
        ASSERT_TRUE(path) << c.name;
        EXPECT_EQ(path->fillStyle()->style(), c.fill) << c.name;
        EXPECT_EQ(path->strokeStyle()->style(), c.stroke) << c.name;
        EXPECT_EQ(path->fillStyle()->windingRule(), c.winding) << c.name;
        const auto &elements = path->bezierPath()->elements();
        EXPECT_EQ(elements.back().type == PathElementType::ClosePath, c.closed) << c.name;
        expectRect(path->bounds(), Rect(0, 190, 10, 10), c.name);
    }
    EXPECT_TRUE(importContent("0 0 m 10 0 l 10 10 l n").empty());
    EXPECT_TRUE(importContent("0 0 m f").empty()) << "a path of one point paints nothing";
}

TEST(TDPdfImporter, SavedStatesComeBackAndDefaultsAreWhiteFillAndBlackLine)
{
    const TDGraphicArray graphics = importContent("q 1 0 0 rg 0 0 10 10 re f Q 20 20 10 10 re f 0 0 m 50 50 l S");
    ASSERT_EQ(graphics.size(), 3u);
    EXPECT_EQ(graphics[0]->fillStyle()->color(), Color::deviceRGB(1, 0, 0));
    EXPECT_EQ(graphics[1]->fillStyle()->color(), Color::white());
    EXPECT_EQ(graphics[2]->strokeStyle()->color(), Color::black());
    EXPECT_FLOAT_EQ(graphics[2]->strokeStyle()->strokeWidth(), 1);
}

TEST(TDPdfImporter, LineStateFollowsOperatorsAndGraphicsStates)
{
    const auto resources = [](QPDF &pdf, QPDFObjectHandle r) {
        addResource(r, "/ExtGState", "/GS0",
                    QPDFObjectHandle::parse(&pdf, "<< /LW 5 /LC 1 /LJ 2 /CA 0.5 /ca 0.25 /BM /Multiply >>"));
    };
    const TDGraphicArray graphics =
        importContent("2 w 2 J 1 j [4 2] 0 d 0 0 10 10 re S /GS0 gs 0 0 10 10 re B", resources);
    ASSERT_EQ(graphics.size(), 2u);
    const TDStrokeStyle &first = *graphics[0]->strokeStyle();
    EXPECT_FLOAT_EQ(first.strokeWidth(), 2);
    EXPECT_EQ(first.capStyle(), 2);
    EXPECT_EQ(first.joinStyle(), 1);
    ASSERT_EQ(first.dashes().size(), 2u);
    EXPECT_FLOAT_EQ(first.dashes()[0] * first.strokeWidth(), 4);
    const TDGraphic &second = *graphics[1];
    EXPECT_FLOAT_EQ(second.strokeStyle()->strokeWidth(), 5);
    EXPECT_EQ(second.strokeStyle()->capStyle(), 1);
    EXPECT_EQ(second.strokeStyle()->joinStyle(), 2);
    EXPECT_FLOAT_EQ(second.strokeStyle()->color().alpha(), 0.5f);
    EXPECT_FLOAT_EQ(second.fillStyle()->color().alpha(), 0.25f);
    EXPECT_EQ(second.blendMode(), 1);
}

TEST(TDPdfImporter, BlendModeNamesFollowTheDrawingsNumbering)
{
    struct Case {
        const char *name;
        int mode;
    };
    const Case cases[] = {{"Normal", 0},   {"Compatible", 0}, {"Screen", 2},       {"ColorDodge", 6},
                          {"SoftLight", 8}, {"HardLight", 9},  {"Exclusion", 11},   {"Luminosity", 15}};
    for (const Case &c : cases) {
        const auto resources = [&c](QPDF &pdf, QPDFObjectHandle r) {
            addResource(r, "/ExtGState", "/GS0",
                        QPDFObjectHandle::parse(&pdf, std::string("<< /BM /") + c.name + " >>"));
        };
        const TDGraphicArray graphics = importContent("/GS0 gs 0 0 10 10 re f", resources);
        ASSERT_EQ(graphics.size(), 1u) << c.name;
        EXPECT_EQ(graphics[0]->blendMode(), c.mode) << c.name;
    }
    // An unknown name leaves the mode alone; in a list the first known wins.
    const auto resources = [](QPDF &pdf, QPDFObjectHandle r) {
        addResource(r, "/ExtGState", "/Odd", QPDFObjectHandle::parse(&pdf, "<< /BM /Sparkle >>"));
        addResource(r, "/ExtGState", "/List", QPDFObjectHandle::parse(&pdf, "<< /BM [/Sparkle /Darken /Screen] >>"));
    };
    const TDGraphicArray graphics = importContent("/Odd gs 0 0 10 10 re f /List gs 0 0 10 10 re f", resources);
    ASSERT_EQ(graphics.size(), 2u);
    EXPECT_EQ(graphics[0]->blendMode(), 0);
    EXPECT_EQ(graphics[1]->blendMode(), 4);
}

TEST(TDPdfImporter, OperatorsWithWrongOperandsAreSkipped)
{
    struct Case {
        const char *name;
        const char *content;
        Color fill;
        size_t graphics;
    };
    const Color red = Color::deviceRGB(1, 0, 0);
    const Case cases[] = {
        {"too few", "1 0 rg 0 0 10 10 re f", Color::white(), 1},
        {"a string for a number", "(a) 0 0 rg 0 0 10 10 re f", Color::white(), 1},
        {"a name for a number", "/X 0 0 rg 0 0 10 10 re f", Color::white(), 1},
        {"extra operands before", "5 1 0 0 rg 0 0 10 10 re f", red, 1},
        {"rectangle of three numbers", "1 0 0 rg 0 0 10 re f", red, 0},
        {"colour of operands only", "1 0 0 rg 0 0 10 10 re f 1 2 3", red, 1},
        {"an unknown operator", "1 0 0 rg 0 0 10 10 re 7 zz f", red, 1},
    };
    for (const Case &c : cases) {
        const TDGraphicArray graphics = importContent(c.content);
        ASSERT_EQ(graphics.size(), c.graphics) << c.name;
        if (c.graphics > 0) {
            EXPECT_EQ(graphics[0]->fillStyle()->color(), c.fill) << c.name;
        }
    }
    // A transformation that is not a number, or too large to draw, is left out.
    for (const char *content : {"1 0 0 1 (x) 0 cm 0 0 10 10 re f", "1e300 0 0 1e300 0 0 cm 0 0 10 10 re f"}) {
        const TDGraphicArray graphics = importContent(content);
        ASSERT_EQ(graphics.size(), 1u) << content;
        expectRect(graphics[0]->bounds(), Rect(0, 190, 10, 10), content);
    }
}

TEST(TDPdfImporter, OperatorTableHoldsThePathPaintTextAndObjectOperators)
{
    const QStringList names = TDPdfPageScanner::operatorNames();
    for (const char *op : {"cm", "q", "Q", "w", "J", "j", "M", "d", "ri", "i", "gs", "m", "l", "c", "v", "y", "h",
                           "re", "S", "s", "f", "F", "f*", "B", "B*", "b", "b*", "n", "W", "W*", "g", "G", "rg", "RG",
                           "k", "K", "cs", "CS", "sc", "scn", "SC", "SCN", "BT", "TL", "Td", "TD", "T*", "Tm", "Tf",
                           "Tj", "'", "\"", "TJ", "Do", "sh"})
        EXPECT_TRUE(names.contains(QLatin1String(op))) << op;
    // Skipped by design: the end of a text object, spacings, marked content.
    for (const char *op : {"ET", "Tc", "Tw", "Tz", "Ts", "Tr", "BI", "BMC", "BDC", "EMC"})
        EXPECT_FALSE(names.contains(QLatin1String(op))) << op;
}

TEST(TDPdfImporter, RestoreWithoutSaveIsIgnoredAndOpenSavesAreFinished)
{
    QStringList notes;
    TDGraphicArray graphics = importContent("Q Q 1 0 0 rg 0 0 10 10 re f Q 0 0 1 rg 20 20 5 5 re f", {}, &notes);
    ASSERT_EQ(graphics.size(), 2u);
    EXPECT_EQ(graphics[0]->fillStyle()->color(), Color::deviceRGB(1, 0, 0));
    EXPECT_EQ(graphics[1]->fillStyle()->color(), Color::deviceRGB(0, 0, 1));
    EXPECT_TRUE(notes.contains(QStringLiteral("A restore without a save was ignored.")));

    // A clip whose save is never restored is finished at the end of the page.
    graphics = importContent("q 0 0 100 100 re W n 1 0 0 rg 0 0 10 10 re f q");
    ASSERT_EQ(graphics.size(), 1u);
    const auto group = asGroup(graphics[0]);
    ASSERT_TRUE(group);
    EXPECT_TRUE(group->clips());
    ASSERT_EQ(group->graphics().size(), 2u);
    expectRect(group->graphics().back()->bounds(), Rect(0, 100, 100, 100), "the clip path comes last");
}

TEST(TDPdfImporter, ClipsBecomeClippingGroupsWithTheClipPathLast)
{
    const TDGraphicArray graphics =
        importContent("q 0 0 100 100 re W* n 1 0 0 rg 0 0 10 10 re f 0 0 1 rg 20 20 10 10 re f Q 50 50 5 5 re f");
    ASSERT_EQ(graphics.size(), 2u);
    const auto group = asGroup(graphics[0]);
    ASSERT_TRUE(group);
    EXPECT_TRUE(group->clip());
    ASSERT_EQ(group->graphics().size(), 3u);
    EXPECT_EQ(group->graphics()[0]->fillStyle()->color(), Color::deviceRGB(1, 0, 0));
    const TDGraphicPtr clip = group->graphics().back();
    expectRect(clip->bounds(), Rect(0, 100, 100, 100), "clip path");
    EXPECT_EQ(clip->fillStyle()->windingRule(), 1) << "W* clips even-odd";
    EXPECT_EQ(graphics[1]->layer(), nullptr) << "after the restore graphics are outside the clip";

    // A clip around nothing leaves nothing, not its outline.
    EXPECT_TRUE(importContent("q 0 0 100 100 re W n Q").empty());
    // Nested clips nest groups, finished together by one restore.
    const TDGraphicArray nested = importContent("q 0 0 100 100 re W n 10 10 50 50 re W n 0 0 10 10 re f Q");
    ASSERT_EQ(nested.size(), 1u);
    const auto outer = asGroup(nested[0]);
    ASSERT_TRUE(outer && outer->graphics().size() == 2u);
    EXPECT_TRUE(asGroup(outer->graphics()[0]));
}

TEST(TDPdfImporter, ShadingInsideAClipBecomesOneGradientShape)
{
    const auto resources = [](QPDF &pdf, QPDFObjectHandle r) { addResource(r, "/Shading", "/Sh0", axialShading(pdf)); };
    const TDGraphicArray graphics = importContent("q 10 10 100 50 re W n /Sh0 sh Q", resources);
    ASSERT_EQ(graphics.size(), 1u);
    const TDGraphic &shape = *graphics[0];
    EXPECT_FALSE(asGroup(graphics[0]));
    EXPECT_EQ(shape.fillStyle()->style(), TDFillStyle::GradientFill);
    EXPECT_EQ(shape.strokeStyle()->style(), TDStrokeStyle::None);
    expectRect(shape.bounds(), Rect(10, 140, 100, 50), "the clip's outline");
    const auto gradient = shape.fillStyle()->gradient();
    ASSERT_TRUE(gradient);
    ASSERT_EQ(gradient->numberOfmarkers(), 2);
    EXPECT_EQ(gradient->markerColor(0), Color::deviceRGB(1, 0, 0));
    EXPECT_EQ(gradient->markerColor(1), Color::deviceRGB(0, 0, 1));
    // The gradient runs from page x 0 to 100 along the document's x.
    const AffineTransform fill = shape.fillTransformation();
    const Point start = fill.transformPoint(shape.fillStyle()->gradientStart());
    const Point end = fill.transformPoint(shape.fillStyle()->gradientEnd());
    EXPECT_NEAR(start.x, 0, 0.01);
    EXPECT_NEAR(end.x, 100, 0.01);

    // A shading alone covers the page.
    const TDGraphicArray alone = importContent("/Sh0 sh", resources);
    ASSERT_EQ(alone.size(), 1u);
    expectRect(alone[0]->bounds(), Rect(0, 0, 200, 200), "the page");
}

TEST(TDPdfImporter, ColourSpacesGiveTheirColoursAndBoundTheirOperands)
{
    const auto resources = [](QPDF &pdf, QPDFObjectHandle r) {
        cmsHPROFILE srgb = cmsCreate_sRGBProfile();
        cmsUInt32Number size = 0;
        cmsSaveProfileToMem(srgb, nullptr, &size);
        std::string profile(size, '\0');
        cmsSaveProfileToMem(srgb, profile.data(), &size);
        cmsCloseProfile(srgb);
        addResource(r, "/ColorSpace", "/RGB1",
                    QPDFObjectHandle::newArray(
                        {QPDFObjectHandle::newName("/ICCBased"), stream(pdf, "<< /N 3 >>", profile)}));
        addResource(r, "/ColorSpace", "/Junk4",
                    QPDFObjectHandle::newArray({QPDFObjectHandle::newName("/ICCBased"),
                                                stream(pdf, "<< /N 4 >>", "not a profile")}));
        addResource(r, "/ColorSpace", "/Spot",
                    QPDFObjectHandle::parse(&pdf, "[/Separation /Gold /DeviceCMYK << /FunctionType 2 /Domain [0 1] "
                                                  "/C0 [0 0 0 0] /C1 [0 0.2 1 0] /N 1 >>]"));
    };
    struct Case {
        const char *name;
        const char *content;
        Color expected;
    };
    const Case cases[] = {
        {"grey", "0.5 g", Color::deviceWhite(0.5f)},
        {"cmyk", "0 1 0 0 k", Color::deviceCMYK(0, 1, 0, 0)},
        {"a new space starts black", "/DeviceRGB cs", Color::deviceRGB(0, 0, 0)},
        {"a new cmyk space starts black", "/DeviceCMYK cs", Color::deviceCMYK(0, 0, 0, 1)},
        {"rgb in its space", "/DeviceRGB cs 0 1 0 sc", Color::deviceRGB(0, 1, 0)},
        {"the last operands count", "/DeviceRGB cs 9 9 9 0 0 1 scn", Color::deviceRGB(0, 0, 1)},
        {"too few for the space", "/DeviceRGB cs 0 1 0 sc 1 sc", Color::deviceRGB(0, 1, 0)},
        {"no space", "0.3 sc", Color::white()},
        {"pattern", "/Pattern cs 0.5 sc", Color::white()},
        {"separation tint 1 is black", "/Spot cs 1 sc", Color::calibratedWhite(0)},
        {"separation tint inverted", "/Spot cs 0.25 sc", Color::calibratedWhite(0.75f)},
        {"unusable profile uses device cmyk", "/Junk4 cs 0 0 0 1 sc", Color::deviceCMYK(0, 0, 0, 1)},
        {"forty operands", "/Junk4 cs 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 0 0 1 0 sc",
         Color::deviceCMYK(0, 0, 1, 0)},
    };
    for (const Case &c : cases) {
        const TDGraphicArray graphics = importContent(std::string(c.content) + " 0 0 10 10 re f", resources);
        ASSERT_EQ(graphics.size(), 1u) << c.name;
        EXPECT_EQ(graphics[0]->fillStyle()->color(), c.expected) << c.name;
    }
    // An ICC profile goes through lcms2: sRGB red stays red.
    const TDGraphicArray icc = importContent("/RGB1 cs 1 0 0 sc 0 0 10 10 re f", resources);
    ASSERT_EQ(icc.size(), 1u);
    const Color red = icc[0]->fillStyle()->color();
    EXPECT_NEAR(red.redComponent(), 1, 0.01);
    EXPECT_NEAR(red.greenComponent(), 0, 0.01);
    EXPECT_NEAR(red.blueComponent(), 0, 0.01);
}

TEST(TDPdfImporter, PageIsPlacedByItsBoxRotationAndTheGivenPlacement)
{
    struct Case {
        const char *name;
        const char *box;
        int rotate;
        const char *content;
        Size shown;
        Rect expected;
    };
    const Case cases[] = {
        {"plain", "[0 0 200 100]", 0, "50 0 10 10 re f", Size(200, 100), Rect(50, 90, 10, 10)},
        {"box away from the origin", "[100 100 300 300]", 0, "100 100 10 10 re f", Size(200, 200),
         Rect(0, 190, 10, 10)},
        {"turned a quarter", "[0 0 200 100]", 90, "50 0 10 10 re f", Size(100, 200), Rect(0, 50, 10, 10)},
        {"turned a half", "[0 0 200 100]", 180, "50 0 10 10 re f", Size(200, 100), Rect(140, 0, 10, 10)},
        {"turned three quarters", "[0 0 200 100]", 270, "50 0 10 10 re f", Size(100, 200), Rect(90, 140, 10, 10)},
    };
    for (const Case &c : cases) {
        const QByteArray pdf = onePage(c.content, {}, c.box, c.rotate);
        const auto size = TDPdfImporter::pageSize(pdf);
        ASSERT_TRUE(size) << c.name;
        EXPECT_FLOAT_EQ(size->width, c.shown.width) << c.name;
        EXPECT_FLOAT_EQ(size->height, c.shown.height) << c.name;
        const TDGraphicArray graphics = import(pdf);
        ASSERT_EQ(graphics.size(), 1u) << c.name;
        expectRect(graphics[0]->bounds(), c.expected, c.name);
    }
    // The placement maps the shown page's unit square: twice the size, moved.
    const QByteArray pdf = onePage("0 0 10 10 re f");
    const auto graphics =
        TDPdfImporter::graphicsForFirstPage(pdf, TDGraphic::transformForBounds(Rect(30, 40, 400, 400)), nullptr);
    ASSERT_TRUE(graphics && graphics->size() == 1u);
    expectRect((*graphics)[0]->bounds(), Rect(30, 420, 20, 20), "placed");
    EXPECT_FALSE(TDPdfImporter::pageSize("not a pdf"));
}

TEST(TDPdfImporter, DataThatIsNoPdfFailsWithAReason)
{
    for (const QByteArray &data : {QByteArray(), QByteArray("%PDF-1.4\n%%EOF\n"), QByteArray(4096, 'x')}) {
        QString error;
        EXPECT_FALSE(TDPdfImporter::graphicsForFirstPage(data, AffineTransform(), &error));
        EXPECT_FALSE(error.isEmpty());
    }
}

// --- The command ---------------------------------------------------------------------------------------

namespace {

struct CommandFixture : ::testing::Test {
    CommandFixture()
    {
        document.undoManager()->setGroupsByEvent(false);
        document.setGraphicView(&canvas);
    }
    ~CommandFixture() override { document.setGraphicView(nullptr); }

    // A picture of the data, placed as the canvas places pictures.
    TDGraphicPtr addPicture(const QByteArray &data, const QString &extension, const Rect &where)
    {
        auto picture = std::make_shared<TDRectangle>();
        document.addGraphic(picture);
        picture->fillStyle()->setStyle(TDFillStyle::ImageFill);
        picture->fillStyle()->setImageKey(document.addImage(data, extension));
        picture->strokeStyle()->setStyle(TDStrokeStyle::None);
        picture->setTransformation(TDGraphic::transformForBounds(where));
        picture->setFillTransformation(TDGraphic::transformForBounds(where));
        document.undoManager()->removeAllActions();
        canvas.selection = {picture};
        return picture;
    }

    TDDocument document;
    doctest::TestCanvas canvas{&document};
};

} // namespace

TEST_F(CommandFixture, ImportReplacesThePictureInOneUndoStep)
{
    const QByteArray pdf = onePage("1 0 0 rg 0 0 100 100 re f 0 0 1 rg 100 100 100 100 re f");
    const TDGraphicPtr picture = addPicture(pdf, "pdf", Rect(10, 20, 400, 400));
    ASSERT_TRUE(TDPdfImporter::canImport(*picture));
    QString error;
    ASSERT_TRUE(TDPdfImporter::replaceWithPage(document, *picture, &error)) << error.toStdString();
    const TDGraphicArray &layer = document.currentLayer()->graphics();
    ASSERT_EQ(layer.size(), 2u);
    expectRect(layer[0]->bounds(), Rect(10, 220, 200, 200), "red square, placed where the picture was");
    expectRect(layer[1]->bounds(), Rect(210, 20, 200, 200), "blue square");
    EXPECT_EQ(layer[0]->document(), &document);
    EXPECT_EQ(document.undoManager()->undoActionName(), "Import PDF");

    // Undo takes the imported graphics away and puts the picture back.
    document.undoManager()->undo();
    ASSERT_EQ(document.currentLayer()->graphics().size(), 1u);
    EXPECT_EQ(document.currentLayer()->graphics()[0], picture);
    document.undoManager()->redo();
    EXPECT_EQ(document.currentLayer()->graphics().size(), 2u);
}

TEST_F(CommandFixture, FailedImportLeavesDocumentAndUndoAlone)
{
    struct Case {
        const char *name;
        QByteArray data;
        QString extension;
    };
    const Case cases[] = {
        {"damaged PDF", QByteArray("%PDF-1.4\n") + QByteArray(300, '#'), "pdf"},
        {"a page that draws nothing", onePage("0 0 10 10 re n"), "pdf"},
        {"a bitmap", doctest::solidPng(4, 4, Qt::red), "png"},
    };
    for (const Case &c : cases) {
        const TDGraphicPtr picture = addPicture(c.data, c.extension, Rect(0, 0, 50, 50));
        QString error;
        EXPECT_FALSE(TDPdfImporter::replaceWithPage(document, *picture, &error)) << c.name;
        EXPECT_FALSE(error.isEmpty()) << c.name;
        EXPECT_EQ(document.currentLayer()->graphics().back(), picture) << c.name;
        EXPECT_FALSE(document.undoManager()->canUndo()) << c.name;
        EXPECT_EQ(document.undoManager()->groupingLevel(), 0) << c.name;
    }
}
